// Small Win32 helpers of the toolkit's backend: colours, brushes, fonts, device contexts and the
// window's resolution.
#pragma once

#include "base/unique_handle_win32.h"
#include "toolkit/color.h"
#include "toolkit/font.h"
#include "toolkit/geometry.h"

#include <commctrl.h>

namespace zentrim::toolkit::win32 {

using UniqueMenu = UniqueHandle<HMENU, &::DestroyMenu>;
using UniqueImageList = UniqueHandle<HIMAGELIST, &::ImageList_Destroy>;
using UniqueDc = UniqueHandle<HDC, &::DeleteDC>;

// A window's device context (the screen's for no window) for as long as the object lives.
class WindowDc {
public:
    explicit WindowDc(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};
// The screen's device context.
using ScreenDc = WindowDc;

// A memory device context like the screen's, for measuring text: unlike a window's, it costs no
// trip to the window system (under Wine a window's context asks the server for its region).
inline UniqueDc MeasuringDc() {
    return UniqueDc(CreateCompatibleDC(nullptr));
}

// Selects an object into a device context and puts the previous one back at the end.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

inline COLORREF ColorRef(Color color) {
    return colors::IsSystemColor(color) ? GetSysColor(colors::SystemColorIndex(color))
                                        : COLORREF(color & 0xFFFFFF);
}

// A solid brush for a colour, made again only when the colour changes; system colours use the
// system's own brushes.
class BrushCache {
public:
    HBRUSH Get(Color color) {
        if (colors::IsSystemColor(color)) {
            return GetSysColorBrush(colors::SystemColorIndex(color));
        }
        if (!brush_ || color_ != color) {
            brush_.reset(CreateSolidBrush(ColorRef(color)));
            color_ = color;
        }
        return brush_.get();
    }

private:
    UniqueBrush brush_;
    Color color_ = 0;
};

LOGFONTW ToLogFont(const Font& font, int dpi);
UniqueFont MakeFont(const Font& font, int dpi);

// The resolution of a window (GetDpiForWindow where Windows has it), else of the screen.
int WindowDpi(HWND window);
int ScreenDpi();
// The outer size of a window with this client size, style and resolution.
Size OuterSize(Size client, DWORD style, DWORD exStyle, int dpi);

// Whether a child window already has this rectangle in its parent's client area: placing it
// there again would change nothing.
bool PlacedAt(HWND window, const RECT& rect);

inline RECT ToRect(const Rect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}
inline Rect FromRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

} // namespace zentrim::toolkit::win32
