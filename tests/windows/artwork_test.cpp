// The window artwork and the icon are resources of the program, found by name.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Artwork, EveryPictureIsAPngResource) {
    HMODULE module = GetModuleHandleW(nullptr);
    for (const wchar_t* name :
         {L"BACKGROUND", L"TOP_LOGO", L"NAV_HELP", L"NAV_HOME", L"NAV_SUPPORT", L"NAV_ABOUT", L"LIST_DESKTOP",
          L"LIST_SERVER", L"LIST_ITEM", L"ABOUT_BANNER", L"PRODUCT_PICTURE"}) {
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

} // namespace
