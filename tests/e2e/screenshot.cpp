#include "e2e/screenshot.h"

#include "base/unique_handle_win32.h"

#include <wincodec.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace zentrim::e2e {

namespace {

struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() {
        if (dc != nullptr) {
            ReleaseDC(nullptr, dc);
        }
    }
};

// The screen's pixels under `rect` as top-down BGRA rows, fully opaque.
std::vector<std::uint8_t> CopyScreen(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    ScreenDc screen;
    if (screen.dc == nullptr) {
        return {};
    }
    HDC memory = CreateCompatibleDC(screen.dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<std::uint8_t> pixels;
    if (memory != nullptr && bitmap != nullptr && bits != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen.dc, rect.left, rect.top, SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            const auto* first = static_cast<const std::uint8_t*>(bits);
            pixels.assign(first,
                          first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
            for (std::size_t i = 3; i < pixels.size(); i += 4) {
                pixels[i] = 0xFF;
            }
        }
        SelectObject(memory, previous);
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    return pixels;
}

bool OneColour(const std::vector<std::uint8_t>& pixels) {
    for (std::size_t i = 4; i < pixels.size(); ++i) {
        if (pixels[i] != pixels[i % 4]) {
            return false;
        }
    }
    return true;
}

bool WritePng(const std::wstring& path, UINT width, UINT height, std::vector<std::uint8_t>& pixels) {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.putVoid()))) {
        return false;
    }
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), nullptr)) || FAILED(frame->Initialize(nullptr)) ||
        FAILED(frame->SetSize(width, height))) {
        return false;
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    if (FAILED(frame->SetPixelFormat(&format))) {
        return false;
    }
    UINT stride = width * 4;
    if (!IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA)) {
        // The encoder wants three bytes a pixel: copy the pixels without their alpha byte.
        if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
            return false;
        }
        const UINT packedStride = (width * 3 + 3) & ~3u;
        std::vector<std::uint8_t> packed(static_cast<std::size_t>(packedStride) * height);
        for (UINT y = 0; y < height; ++y) {
            for (UINT x = 0; x < width; ++x) {
                for (UINT c = 0; c < 3; ++c) {
                    packed[y * packedStride + x * 3 + c] = pixels[(y * width + x) * 4 + c];
                }
            }
        }
        pixels = std::move(packed);
        stride = packedStride;
    }
    return SUCCEEDED(frame->WritePixels(height, stride, static_cast<UINT>(pixels.size()), pixels.data())) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

} // namespace

bool SaveWindowPng(HWND window, const std::wstring& path, bool waitUntilSteady) {
    RECT rect{};
    if (window == nullptr || !GetWindowRect(window, &rect) || rect.right <= rect.left ||
        rect.bottom <= rect.top) {
        return false;
    }
    // Only what lies on the screen can be copied.
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT visible{};
    if (!IntersectRect(&visible, &rect, &screen)) {
        return false;
    }
    std::vector<std::uint8_t> pixels = CopyScreen(visible);
    if (waitUntilSteady) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < deadline) {
            Sleep(150);
            std::vector<std::uint8_t> again = CopyScreen(visible);
            const bool steady = again == pixels && !OneColour(again);
            pixels = std::move(again);
            if (steady) {
                break;
            }
        }
    }
    if (pixels.empty() || OneColour(pixels)) {
        return false;
    }
    return WritePng(path, static_cast<UINT>(visible.right - visible.left),
                    static_cast<UINT>(visible.bottom - visible.top), pixels);
}

} // namespace zentrim::e2e
