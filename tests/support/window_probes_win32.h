// Reading real windows from a Windows test: the window of a toolkit component, a window's class,
// its text and the font it really uses.
#pragma once

#include "toolkit/component.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace zentrim::testing {

inline HWND Hwnd(const toolkit::Component& component) {
    return static_cast<HWND>(component.NativeHandle());
}

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

// The font the window answers WM_GETFONT with.
inline LOGFONTW FontOf(HWND window) {
    LOGFONTW logFont{};
    auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    EXPECT_NE(font, nullptr);
    GetObjectW(font, sizeof logFont, &logFont);
    return logFont;
}

} // namespace zentrim::testing
