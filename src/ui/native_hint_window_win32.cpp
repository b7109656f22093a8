#include "ui/native_hint_window_win32.h"

#include "base/unique_handle_win32.h"
#include "toolkit/gdi_win32.h"

#include <commctrl.h>

#include <string>

namespace zentrim {

namespace {

HWND Window(NativeWindow window) {
    return static_cast<HWND>(window);
}

// The tool record goes to the control whole, as this build's headers define it: 48 bytes in the
// 32-bit program; the 64-bit one has wider handles and pointers and so a larger record
// (72 bytes), which is the size its common controls expect.
#if defined(_WIN64)
static_assert(sizeof(TOOLINFOW) == 72);
#else
static_assert(sizeof(TOOLINFOW) == 48);
#endif

constexpr DWORD kTooltipStyle = WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP;
static_assert(kTooltipStyle == 0x80000003);
constexpr UINT kToolFlags = TTF_SUBCLASS | TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
static_assert(kToolFlags == 0x1B0);
constexpr UINT kTopmostFlags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
static_assert(kTopmostFlags == 0x13);

} // namespace

unsigned Win32TooltipSystem::DoubleClickTime() {
    return GetDoubleClickTime();
}

toolkit::Size Win32TooltipSystem::MeasureHintLine(std::u16string_view line) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0) == FALSE) {
        return {};
    }
    const UniqueFont font(CreateFontIndirectW(&metrics.lfStatusFont));
    const toolkit::win32::ScreenDc dc;
    if (!font || dc.get() == nullptr) {
        return {};
    }
    const toolkit::win32::SelectGuard select(dc.get(), font.get());
    const std::wstring text = ToWide(line);
    SIZE size{};
    if (GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size) == FALSE) {
        return {};
    }
    return {size.cx, size.cy};
}

toolkit::Point Win32TooltipSystem::CursorPos() {
    POINT point{};
    if (GetCursorPos(&point) == FALSE) {
        return {};
    }
    return {point.x, point.y};
}

NativeWindow Win32TooltipSystem::WindowFromPoint(toolkit::Point point) {
    return ::WindowFromPoint(POINT{point.x, point.y});
}

toolkit::Rect Win32TooltipSystem::MonitorArea(toolkit::Point point) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    const HMONITOR monitor = MonitorFromPoint(POINT{point.x, point.y}, MONITOR_DEFAULTTONEAREST);
    if (monitor != nullptr && GetMonitorInfoW(monitor, &info) != FALSE) {
        return toolkit::win32::FromRect(info.rcMonitor);
    }
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return toolkit::win32::FromRect(desktop);
}

NativeWindow Win32TooltipSystem::CreateTooltip() {
    const HWND tooltip =
        CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, kTooltipStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, module_, nullptr);
    if (tooltip != nullptr) {
        SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, kTopmostFlags);
    }
    return tooltip;
}

toolkit::Rect Win32TooltipSystem::TooltipMargins(NativeWindow tooltip) {
    RECT rect{0, 0, 0, 0};
    SendMessageW(Window(tooltip), TTM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    return toolkit::win32::FromRect(rect);
}

void Win32TooltipSystem::ShowTooltip(NativeWindow tooltip, const TooltipRequest& request) {
    const HWND window = Window(tooltip);
    SendMessageW(window, TTM_SETMAXTIPWIDTH, 0, request.maxTipWidth);
    // The control keeps its own copy of the text.
    std::wstring text = ToWide(request.text);
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = kToolFlags;
    tool.hwnd = Window(request.owner);
    tool.uId = 0;
    tool.hinst = nullptr;
    tool.lpszText = text.data();
    SendMessageW(window, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // Two 16-bit halves: x low, y + 1 high (the control reads them back as signed).
    const LPARAM place =
        MAKELPARAM(static_cast<WORD>(request.position.x), static_cast<WORD>(request.position.y + 1));
    SendMessageW(window, TTM_TRACKPOSITION, 0, place);
    SendMessageW(window, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

bool Win32TooltipSystem::IsWindow(NativeWindow window) {
    return ::IsWindow(Window(window)) != FALSE;
}

void Win32TooltipSystem::DestroyWindow(NativeWindow window) {
    ::DestroyWindow(Window(window));
}

} // namespace zentrim
