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
    // A top-down 32-bit DIB section of the given size, scaled smoothly: with premultiplied
    // alpha for GdiAlphaBlend, or with straight alpha for image lists. Null on failure.
    UniqueBitmap Render(int width, int height, bool premultiplied) const;

private:
    // The pixels at the given size into a DIB section's bits of `size` bytes.
    bool FillPixels(int width, int height, UINT size, BYTE* bits) const;
    DecodedPicture(int width, int height, std::vector<std::uint8_t> pixels);

    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_; // premultiplied BGRA, top-down
    bool opaque_;
};

// A monochrome mask for a straight-alpha 32-bit DIB section: set bits where the picture is
// mostly transparent, as image lists want their masks.
UniqueBitmap MakeAlphaMask(HBITMAP picture, int width, int height);

} // namespace zentrim::toolkit::win32
