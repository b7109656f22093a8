#include "toolkit/picture_win32.h"

#include "base/com_apartment_win32.h"
#include "base/phase_trace.h"
#include "base/unique_handle_win32.h"
#include "toolkit/png_reader.h"

#include <wincodec.h>

#include <algorithm>
#include <span>

namespace zentrim::toolkit::win32 {

namespace {

bool CreateFactory(ComPtr<IWICImagingFactory>& factory) {
    if (!EnsureComApartment()) {
        return false;
    }
    // The first version of the factory exists on every Windows the program runs on.
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, factory.putVoid()));
}

// The bytes of a resource of the program, where the loaded program holds them.
std::span<const std::uint8_t> ResourceBytes(const Picture& picture) {
    const trace::Scope scope(trace::Phase::Resources);
    HMODULE module = GetModuleHandleW(nullptr);
    const std::wstring name = ToWide(picture.resourceName);
    const std::wstring type = ToWide(picture.resourceType);
    HRSRC resource = FindResourceW(module, name.c_str(), type.empty() ? RT_RCDATA : type.c_str());
    if (resource == nullptr) {
        return {};
    }
    HGLOBAL loaded = LoadResource(module, resource);
    const DWORD size = SizeofResource(module, resource);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr || size == 0) {
        return {};
    }
    return {static_cast<const std::uint8_t*>(data), size};
}

// A top-down 32-bit DIB section, with its bits.
UniqueBitmap MakeDib(int width, int height, std::uint8_t*& bits) {
    bits = nullptr;
    if (width <= 0 || height <= 0 || width > kMaxPngSide || height > kMaxPngSide) {
        return {};
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* made = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &made, nullptr, 0));
    if (!bitmap || made == nullptr) {
        return {};
    }
    bits = static_cast<std::uint8_t*>(made);
    return bitmap;
}

bool AllOpaque(const std::uint8_t* bgra, std::size_t size) {
    for (std::size_t i = 3; i < size; i += 4) {
        if (bgra[i] != 255) {
            return false;
        }
    }
    return true;
}

} // namespace

DecodedPicture::DecodedPicture(int width, int height, UniqueBitmap bitmap, std::uint8_t* pixels)
    : width_(width), height_(height), bitmap_(std::move(bitmap)), pixels_(pixels),
      opaque_(AllOpaque(pixels_, ByteSize())) {}

std::optional<DecodedPicture> DecodedPicture::Decode(const Picture& picture) {
    const trace::Scope scope(trace::Phase::Pictures);
    const std::span<const std::uint8_t> bytes =
        !picture.png.empty()            ? std::span<const std::uint8_t>(picture.png)
        : !picture.resourceName.empty() ? ResourceBytes(picture)
                                        : std::span<const std::uint8_t>();
    if (bytes.empty()) {
        return std::nullopt;
    }
    // The artwork's kinds of PNG are read here, straight into the bitmap; the imaging component
    // takes any other picture.
    UniqueBitmap bitmap;
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    if (ReadPngInto(bytes, [&](int w, int h) {
            width = w;
            height = h;
            bitmap = MakeDib(w, h, bits);
            return bits;
        })) {
        return DecodedPicture(width, height, std::move(bitmap), bits);
    }
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (!CreateFactory(factory) || FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                            static_cast<DWORD>(bytes.size()))) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
        return std::nullopt;
    }
    UINT wicWidth = 0;
    UINT wicHeight = 0;
    if (FAILED(converter->GetSize(&wicWidth, &wicHeight))) {
        return std::nullopt;
    }
    bitmap = MakeDib(static_cast<int>(wicWidth), static_cast<int>(wicHeight), bits);
    const UINT size = wicWidth * wicHeight * 4;
    if (!bitmap || FAILED(converter->CopyPixels(nullptr, wicWidth * 4, size, bits))) {
        return std::nullopt;
    }
    return DecodedPicture(static_cast<int>(wicWidth), static_cast<int>(wicHeight), std::move(bitmap), bits);
}

UniqueBitmap DecodedPicture::Render(int width, int height, bool premultiplied) const {
    const trace::Scope scope(trace::Phase::Pictures);
    std::uint8_t* bits = nullptr;
    UniqueBitmap bitmap = MakeDib(width, height, bits);
    const UINT size = static_cast<UINT>(width) * static_cast<UINT>(height) * 4;
    if (!bitmap || !FillPixels(width, height, size, bits)) {
        return {};
    }
    if (!premultiplied) {
        for (UINT i = 0; i < size; i += 4) {
            const unsigned alpha = bits[i + 3];
            if (alpha != 0 && alpha != 255) {
                for (UINT c = 0; c < 3; ++c) {
                    bits[i + c] = static_cast<std::uint8_t>(std::min(255u, bits[i + c] * 255u / alpha));
                }
            }
        }
    }
    GdiFlush();
    return bitmap;
}

bool DecodedPicture::FillPixels(int width, int height, UINT size, BYTE* bits) const {
    if (width == width_ && height == height_) {
        std::copy_n(pixels_, ByteSize(), bits); // the picture's own size needs no scaling
        return true;
    }
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmap> source;
    if (!CreateFactory(factory) ||
        FAILED(factory->CreateBitmapFromMemory(static_cast<UINT>(width_), static_cast<UINT>(height_),
                                               GUID_WICPixelFormat32bppPBGRA, static_cast<UINT>(width_) * 4,
                                               static_cast<UINT>(ByteSize()), pixels_, source.put()))) {
        return false;
    }
    // Scaled smoothly by the imaging component.
    ComPtr<IWICBitmapScaler> scaler;
    return SUCCEEDED(factory->CreateBitmapScaler(scaler.put())) &&
           SUCCEEDED(scaler->Initialize(source.get(), static_cast<UINT>(width), static_cast<UINT>(height),
                                        WICBitmapInterpolationModeFant)) &&
           SUCCEEDED(scaler->CopyPixels(nullptr, static_cast<UINT>(width) * 4, size, bits));
}

UniqueBitmap MakeAlphaMask(HBITMAP picture, int width, int height) {
    DIBSECTION section{};
    if (GetObjectW(picture, sizeof section, &section) != sizeof section || section.dsBm.bmBits == nullptr ||
        section.dsBm.bmBitsPixel != 32) {
        return {};
    }
    const int stride = (width + 15) / 16 * 2; // monochrome rows are word-aligned
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(stride) * height, 0);
    const auto* pixels = static_cast<const std::uint8_t*>(section.dsBm.bmBits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (pixels[(static_cast<std::size_t>(y) * width + x) * 4 + 3] < 128) {
                mask[static_cast<std::size_t>(y) * stride + x / 8] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return UniqueBitmap(CreateBitmap(width, height, 1, 1, mask.data()));
}

} // namespace zentrim::toolkit::win32
