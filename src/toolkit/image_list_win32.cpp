// An image list as an HIMAGELIST at the form's resolution, shared by the combo boxes that use it.
#include "toolkit/window_win32.h"

namespace zentrim::toolkit::win32 {

namespace {

// A fully transparent picture, so a picture that cannot be decoded keeps the others' indexes.
UniqueBitmap BlankBitmap(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return UniqueBitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

} // namespace

HIMAGELIST ImageListPeer::Handle() {
    if (!built_) {
        Rebuild();
    }
    return handle_.get();
}

void ImageListPeer::Rebuild() {
    built_ = true;
    const int width = form_.Scale(list_.Width());
    const int height = form_.Scale(list_.Height());
    handle_.reset(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, list_.Count(), 1));
    if (!handle_) {
        return;
    }
    for (const Picture& picture : list_.Pictures()) {
        const std::optional<DecodedPicture> decoded = DecodedPicture::Decode(picture);
        UniqueBitmap bitmap = decoded ? decoded->Render(width, height, false) : UniqueBitmap();
        if (!bitmap) {
            bitmap = BlankBitmap(width, height);
        }
        // The mask serves common controls before version 6, which ignore the alpha channel.
        const UniqueBitmap mask = MakeAlphaMask(bitmap.get(), width, height);
        ImageList_Add(handle_.get(), bitmap.get(), mask.get());
    }
}

void ImageListPeer::Changed(Change change) {
    if (change == Change::Pictures) {
        Rescale();
    }
}

void ImageListPeer::Rescale() {
    if (!built_) {
        return;
    }
    // The old list goes only after every combo box has taken the new one.
    UniqueImageList old = std::move(handle_);
    Rebuild();
    for (Component* component : form_.GetForm().Components()) {
        if (PictureComboBox* combo = component->As<PictureComboBox>();
            combo != nullptr && combo->Images() == &list_) {
            static_cast<ComboBoxWindow*>(PeerOf(*combo))->ImagesChanged();
        }
    }
}

} // namespace zentrim::toolkit::win32
