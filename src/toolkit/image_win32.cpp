// Pictures and bevel lines, drawn by the form or panel they sit on.
#include "toolkit/window_win32.h"

namespace zentrim::toolkit::win32 {

GraphicPeer::GraphicPeer(Control& control, FormWindow& form) : control_(control), form_(form) {
    lastRect_ = NativeRect();
    Invalidate();
}

RECT GraphicPeer::NativeRect() const {
    return form_.ScaledRect(control_);
}

void GraphicPeer::Invalidate() {
    HWND parent = form_.ParentWindow(control_);
    if (parent == nullptr) {
        return;
    }
    const RECT now = NativeRect();
    RECT area{};
    UnionRect(&area, &now, &lastRect_);
    lastRect_ = now;
    // The labels over a picture are drawn again after it.
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void GraphicPeer::Changed(Change) {
    Invalidate();
}

void GraphicPeer::Rescale() {
    Invalidate();
}

// The picture is decoded when it is first drawn: a window that is never shown (or a picture
// never painted) costs no decoding at start.
ImagePeer::ImagePeer(Image& image, FormWindow& form) : GraphicPeer(image, form), image_(image) {}

void ImagePeer::Changed(Change change) {
    if (change == Change::Pictures) {
        decoded_.reset();
        decodeTried_ = false;
        cache_.reset();
        cacheSize_ = {};
    }
    GraphicPeer::Changed(change);
}

void ImagePeer::Rescale() {
    cache_.reset();
    cacheSize_ = {};
    GraphicPeer::Rescale();
}

void ImagePeer::Draw(HDC dc, const RECT& rect) {
    if (!decodeTried_) {
        decoded_ = DecodedPicture::Decode(image_.GetPicture());
        decodeTried_ = true;
    }
    if (!decoded_) {
        return;
    }
    const Size size = image_.Stretch()
                          ? Size{rect.right - rect.left, rect.bottom - rect.top}
                          : Size{form_.Scale(decoded_->Width()), form_.Scale(decoded_->Height())};
    if (size.width <= 0 || size.height <= 0) {
        return;
    }
    // At its own size the picture is drawn from its decoded pixels; any other size is scaled
    // once, not at every paint.
    HBITMAP picture = decoded_->Bitmap();
    if (size.width != decoded_->Width() || size.height != decoded_->Height()) {
        if (!cache_ || !(cacheSize_ == size)) {
            cache_ = decoded_->Render(size.width, size.height, true);
            cacheSize_ = size;
        }
        picture = cache_.get();
    }
    if (picture == nullptr) {
        return;
    }
    UniqueDc memory(CreateCompatibleDC(dc));
    if (!memory) {
        return;
    }
    SelectGuard select(memory.get(), picture);
    if (decoded_->Opaque()) {
        // The same pixels as blending them, at a fraction of the cost (the background is opaque).
        BitBlt(dc, rect.left, rect.top, size.width, size.height, memory.get(), 0, 0, SRCCOPY);
        return;
    }
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, rect.left, rect.top, size.width, size.height, memory.get(), 0, 0, size.width,
                  size.height, blend);
}

void BevelPeer::Draw(HDC dc, const RECT& rect) {
    // An etched line: the shadow, then the highlight beside it.
    HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
    HBRUSH light = GetSysColorBrush(COLOR_BTNHIGHLIGHT);
    const int middleY = rect.top + (rect.bottom - rect.top) / 2 - 1;
    const int middleX = rect.left + (rect.right - rect.left) / 2 - 1;
    RECT first{};
    RECT second{};
    switch (bevel_.Shape()) {
    case BevelShape::TopLine:
        first = {rect.left, rect.top, rect.right, rect.top + 1};
        second = {rect.left, rect.top + 1, rect.right, rect.top + 2};
        break;
    case BevelShape::LeftLine:
        first = {rect.left, rect.top, rect.left + 1, rect.bottom};
        second = {rect.left + 1, rect.top, rect.left + 2, rect.bottom};
        break;
    case BevelShape::HorizontalLine:
        first = {rect.left, middleY, rect.right, middleY + 1};
        second = {rect.left, middleY + 1, rect.right, middleY + 2};
        break;
    case BevelShape::VerticalLine:
        first = {middleX, rect.top, middleX + 1, rect.bottom};
        second = {middleX + 1, rect.top, middleX + 2, rect.bottom};
        break;
    }
    FillRect(dc, &first, shadow);
    FillRect(dc, &second, light);
}

} // namespace zentrim::toolkit::win32
