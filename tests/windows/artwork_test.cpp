// The window artwork and the icon are resources of the program, found by name.
#include "toolkit/picture_win32.h"

#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

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
