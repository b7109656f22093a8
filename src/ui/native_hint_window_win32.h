// The native hints on Windows: the tooltip control "tooltips_class32" and the window manager.
#pragma once

#include "ui/native_hint_window.h"

#include <windows.h>

namespace zentrim {

class Win32TooltipSystem final : public TooltipSystem {
public:
    // `module` is the program's module, which creates the tooltip windows.
    explicit Win32TooltipSystem(HINSTANCE module) : module_(module) {}

    unsigned DoubleClickTime() override;
    // Measured in the status-bar font of the non-client metrics (the system's hint font) on the
    // screen's device context.
    toolkit::Size MeasureHintLine(std::u16string_view line) override;
    toolkit::Point CursorPos() override;
    NativeWindow WindowFromPoint(toolkit::Point point) override;
    toolkit::Rect MonitorArea(toolkit::Point point) override;
    // Style WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP (an "&" shows as it is), no parent, made
    // topmost without being activated.
    NativeWindow CreateTooltip() override;
    toolkit::Rect TooltipMargins(NativeWindow tooltip) override;
    // TTM_SETMAXTIPWIDTH, TTM_ADDTOOLW with a tracking tool (TTF_SUBCLASS | TTF_TRACK |
    // TTF_ABSOLUTE | TTF_TRANSPARENT), TTM_TRACKPOSITION one pixel below the position (the cursor
    // keeps clear of it) and TTM_TRACKACTIVATE.
    void ShowTooltip(NativeWindow tooltip, const TooltipRequest& request) override;
    bool IsWindow(NativeWindow window) override;
    void DestroyWindow(NativeWindow window) override;

private:
    HINSTANCE module_;
};

} // namespace zentrim
