// The window artwork and the icon are resources of the program, found by name.
#include "toolkit/picture_win32.h"
#include "toolkit/png_reader.h"

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <span>
#include <string>
#include <vector>

namespace {

TEST(Artwork, EveryPictureIsAPngResource) {
    HMODULE module = GetModuleHandleW(nullptr);
    for (const wchar_t* name :
         {L"BACKGROUND", L"TOP_LOGO", L"NAV_HELP", L"NAV_HOME", L"NAV_SUPPORT", L"NAV_ABOUT", L"LIST_DESKTOP",
          L"LIST_SERVER", L"LIST_ITEM", L"ABOUT_BANNER", L"PRODUCT_WATERMARK"}) {
        HRSRC resource = FindResourceW(module, name, MAKEINTRESOURCEW(10)); // RT_RCDATA
        ASSERT_NE(resource, nullptr) << name;
        const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(module, resource)));
        ASSERT_GT(SizeofResource(module, resource), 8u) << name;
        EXPECT_EQ(std::memcmp(bytes, "\x89PNG\r\n\x1A\n", 8), 0) << name;
    }
}

// The imaging component, the independent decoder: premultiplied BGRA, as the program draws.
std::vector<unsigned char> DecodedByImagingComponent(std::span<const unsigned char> png, UINT& width,
                                                     UINT& height) {
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    std::vector<unsigned char> pixels;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(
            stream->InitializeFromMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size()))) &&
        SUCCEEDED(
            factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                        nullptr, 0.0, WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&width, &height))) {
        pixels.resize(static_cast<std::size_t>(width) * height * 4);
        if (FAILED(
                converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data()))) {
            pixels.clear();
        }
    }
    for (IUnknown* object : std::initializer_list<IUnknown*>{converter, frame, decoder, stream, factory}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    return pixels;
}

// The program reads its artwork without the imaging component: every picture must come out as
// the imaging component decodes it (premultiplying may round one step apart).
TEST(Artwork, TheProgramsReaderDecodesEveryPictureAsTheImagingComponentDoes) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    HMODULE module = GetModuleHandleW(nullptr);
    for (const wchar_t* name :
         {L"BACKGROUND", L"TOP_LOGO", L"NAV_HELP", L"NAV_HOME", L"NAV_SUPPORT", L"NAV_ABOUT", L"LIST_DESKTOP",
          L"LIST_SERVER", L"LIST_ITEM", L"ABOUT_BANNER", L"PRODUCT_WATERMARK"}) {
        SCOPED_TRACE(std::string(name, name + std::wcslen(name)));          // the names are ASCII
        HRSRC resource = FindResourceW(module, name, MAKEINTRESOURCEW(10)); // RT_RCDATA
        ASSERT_NE(resource, nullptr);
        const std::span<const unsigned char> png(
            static_cast<const unsigned char*>(LockResource(LoadResource(module, resource))),
            SizeofResource(module, resource));
        UINT width = 0;
        UINT height = 0;
        const std::vector<unsigned char> expected = DecodedByImagingComponent(png, width, height);
        ASSERT_FALSE(expected.empty());
        const std::optional<zentrim::toolkit::PngPixels> read = zentrim::toolkit::ReadPng(png);
        ASSERT_TRUE(read.has_value()) << "the artwork is of a kind the program's reader takes";
        ASSERT_EQ(read->width, static_cast<int>(width));
        ASSERT_EQ(read->height, static_cast<int>(height));
        int worst = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const int difference = std::abs(read->bgra[i] - expected[i]);
            worst = std::max(worst, i % 4 == 3 ? difference * 2 : difference); // alpha must be exact
        }
        EXPECT_LE(worst, 1);
    }
    CoUninitialize();
}

TEST(Artwork, ProgramIconLoadsAtSmallAndLargeSizes) {
    HMODULE module = GetModuleHandleW(nullptr);
    for (int size : {16, 32, 48, 256}) {
        HICON icon = static_cast<HICON>(LoadImageW(module, L"MAINICON", IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
}

// The picture the About window shows under its memo and copyright warning, laid on the panel's
// white: every pixel must leave black text at a contrast of at least 12 to 1 (a relative luminance
// of at least 0.55), where ordinary text needs 4.5 to 1.
TEST(Artwork, AboutWatermarkLeavesBlackTextEasyToRead) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        using zentrim::toolkit::Picture;
        using zentrim::toolkit::win32::DecodedPicture;
        const auto decoded = DecodedPicture::Decode(Picture::FromResource(u"PRODUCT_WATERMARK"));
        ASSERT_TRUE(decoded.has_value());
        ASSERT_EQ(decoded->Width(), 256);
        const auto bitmap = decoded->Render(256, 256, false);
        ASSERT_TRUE(bitmap);
        DIBSECTION section{};
        ASSERT_EQ(GetObjectW(bitmap.get(), sizeof section, &section), static_cast<int>(sizeof section));
        const auto* pixels = static_cast<const unsigned char*>(section.dsBm.bmBits);
        ASSERT_NE(pixels, nullptr);
        const auto linear = [](double channel) {
            return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        };
        double darkest = 1.0;
        bool drawn = false;
        for (int i = 0; i < 256 * 256; ++i) {
            const unsigned char* bgra = pixels + 4 * i;
            const double alpha = bgra[3] / 255.0;
            drawn = drawn || bgra[3] != 0;
            const auto onWhite = [&](unsigned char channel) {
                return linear((alpha * channel + (1 - alpha) * 255) / 255);
            };
            const double luminance =
                0.2126 * onWhite(bgra[2]) + 0.7152 * onWhite(bgra[1]) + 0.0722 * onWhite(bgra[0]);
            darkest = std::min(darkest, luminance);
        }
        EXPECT_TRUE(drawn) << "the picture is empty";
        EXPECT_GE(darkest, 0.55) << "black text over the darkest pixel would be hard to read";
    }
    CoUninitialize();
}

} // namespace
