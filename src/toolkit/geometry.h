// Plain geometry values of the toolkit. Control bounds are in layout units (pixels at 96 dots per
// inch); screen rectangles and points are in device pixels.
#pragma once

namespace zentrim::toolkit {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// A width or height a layout leaves out: the control's kind chooses it (a button is 75 by 25).
inline constexpr int kDesignedSize = -1;

// A control's place within its parent's client area: left, top, width, height.
struct Bounds {
    int left = 0;
    int top = 0;
    int width = kDesignedSize;
    int height = kDesignedSize;
    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
    bool operator==(const Bounds&) const = default;
};

// Edges of a rectangle, right and bottom exclusive (as a Windows RECT).
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// The rectangle of the given size centred over an area (rounded towards the area's top-left).
inline Rect CenterIn(Size size, const Rect& area) {
    const int left = area.left + (area.Width() - size.width) / 2;
    const int top = area.top + (area.Height() - size.height) / 2;
    return {left, top, left + size.width, top + size.height};
}

// The rectangle moved (not resized) so that it lies within the area as far as it can; a rectangle
// larger than the area keeps the area's top-left edge.
inline Rect KeepInside(Rect rect, const Rect& area) {
    int dx = 0;
    int dy = 0;
    if (rect.right > area.right) {
        dx = area.right - rect.right;
    }
    if (rect.left + dx < area.left) {
        dx = area.left - rect.left;
    }
    if (rect.bottom > area.bottom) {
        dy = area.bottom - rect.bottom;
    }
    if (rect.top + dy < area.top) {
        dy = area.top - rect.top;
    }
    return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

// A layout length at 96 dots per inch scaled to another resolution, rounded to nearest.
inline int ScaleToDpi(int value, int dpi) {
    const long long scaled = static_cast<long long>(value) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 48) / 96 : (scaled - 48) / 96);
}

} // namespace zentrim::toolkit
