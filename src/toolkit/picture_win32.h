// PNG pictures, decoded by the toolkit's reader or else the Windows Imaging Component, and
// rendered into bitmaps of any size.
#pragma once

#include "base/unique_handle_win32.h"
#include "toolkit/picture.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zentrim::toolkit::win32 {

class DecodedPicture {
public:
    // The picture's pixels, or nothing when its bytes or resource cannot be had or decoded.
    static std::optional<DecodedPicture> Decode(const Picture& picture);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Every pixel is opaque: drawing copies the picture, with nothing to blend.
    bool Opaque() const { return opaque_; }
    // The pixels themselves, premultiplied, as a top-down 32-bit DIB section of the picture's
    // own size (drawing them at that size needs no bitmap of its own).
    HBITMAP Bitmap() const { return bitmap_.get(); }
    // A top-down 32-bit DIB section of the given size, scaled smoothly: with premultiplied
    // alpha for GdiAlphaBlend, or with straight alpha for image lists. Null on failure.
    UniqueBitmap Render(int width, int height, bool premultiplied) const;

private:
    // The pixels at the given size into a DIB section's bits of `size` bytes.
    bool FillPixels(int width, int height, UINT size, BYTE* bits) const;
    DecodedPicture(int width, int height, UniqueBitmap bitmap, std::uint8_t* pixels);
    std::size_t ByteSize() const {
        return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4;
    }

    int width_;
    int height_;
    UniqueBitmap bitmap_;
    std::uint8_t* pixels_; // the bitmap's bits: premultiplied BGRA, top-down
    bool opaque_;
};

// A monochrome mask for a straight-alpha 32-bit DIB section: set bits where the picture is
// mostly transparent, as image lists want their masks.
UniqueBitmap MakeAlphaMask(HBITMAP picture, int width, int height);

} // namespace zentrim::toolkit::win32
