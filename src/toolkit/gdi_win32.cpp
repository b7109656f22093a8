#include "toolkit/gdi_win32.h"

#include "base/phase_trace.h"

#include <algorithm>

namespace zentrim::toolkit::win32 {

LOGFONTW ToLogFont(const Font& font, int dpi) {
    LOGFONTW logFont{};
    logFont.lfHeight = FontHeightForDpi(font.size, dpi);
    logFont.lfWeight = font.Has(kFontBold) ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = font.Has(kFontItalic) ? TRUE : FALSE;
    logFont.lfUnderline = font.Has(kFontUnderline) ? TRUE : FALSE;
    logFont.lfStrikeOut = font.Has(kFontStrikeOut) ? TRUE : FALSE;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
    logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    logFont.lfQuality = DEFAULT_QUALITY;
    logFont.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::size_t length = std::min<std::size_t>(font.name.size(), LF_FACESIZE - 1);
    std::copy_n(font.name.begin(), length, logFont.lfFaceName);
    logFont.lfFaceName[length] = L'\0';
    return logFont;
}

UniqueFont MakeFont(const Font& font, int dpi) {
    const trace::Scope scope(trace::Phase::Fonts);
    const LOGFONTW logFont = ToLogFont(font, dpi);
    return UniqueFont(CreateFontIndirectW(&logFont));
}

namespace {

// Functions of Windows 10 and later, looked up once so the program still starts on older ones.
struct DpiFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;

    DpiFunctions() {
        if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
            getDpiForWindow = reinterpret_cast<decltype(getDpiForWindow)>(
                reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
            adjustWindowRectExForDpi = reinterpret_cast<decltype(adjustWindowRectExForDpi)>(
                reinterpret_cast<void*>(GetProcAddress(user32, "AdjustWindowRectExForDpi")));
        }
    }
};

const DpiFunctions& Dpi() {
    static const DpiFunctions functions;
    return functions;
}

} // namespace

int ScreenDpi() {
    WindowDc dc;
    const int dpi = dc.get() != nullptr ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND window) {
    if (Dpi().getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = Dpi().getDpiForWindow(window);
        if (dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return ScreenDpi();
}

bool PlacedAt(HWND window, const RECT& rect) {
    RECT now{};
    if (!GetWindowRect(window, &now)) {
        return false;
    }
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&now), 2);
    return EqualRect(&now, &rect) != FALSE;
}

Size OuterSize(Size client, DWORD style, DWORD exStyle, int dpi) {
    RECT rect{0, 0, client.width, client.height};
    if (Dpi().adjustWindowRectExForDpi != nullptr) {
        Dpi().adjustWindowRectExForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

} // namespace zentrim::toolkit::win32
