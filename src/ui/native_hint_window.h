// Hints shown by the system's own tooltip control ("tooltips_class32") instead of a window the
// toolkit draws. The toolkit still decides when a hint shows, where and for how long; the native
// hint window turns each request to show a hint into a tooltip in tracking mode, and each request
// to hide it into destroying that tooltip.
//
// The program creates one NativeHints object at start, right after its application object. It
// makes NativeHintWindow the application's hint window and sends the application's hide-hint step
// to HideNativeHint; it keeps the list of live native hint windows.
#pragma once

#include "toolkit/geometry.h"
#include "toolkit/hint_window.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zentrim {

namespace toolkit {
class Application;
} // namespace toolkit

// A native window handle (HWND on Windows); null for none.
using NativeWindow = void*;

// What a tooltip is shown with.
struct TooltipRequest {
    NativeWindow owner = nullptr; // the window under the hint's position
    int maxTipWidth = 0;          // lines break only at the text's own breaks or at this width
    std::u16string text{};
    toolkit::Point position; // top-left of the tooltip, screen pixels
};

// The system services the native hints use. The Windows program uses the tooltip control and the
// window manager (native_hint_window_win32.h); tests use a fake.
class TooltipSystem {
public:
    TooltipSystem() = default;
    TooltipSystem(const TooltipSystem&) = delete;
    TooltipSystem& operator=(const TooltipSystem&) = delete;
    virtual ~TooltipSystem() = default;

    // The system's double-click time in milliseconds.
    virtual unsigned DoubleClickTime() = 0;
    // One line of text in the hint font, in pixels; (0, 0) when it cannot be measured.
    virtual toolkit::Size MeasureHintLine(std::u16string_view line) = 0;
    virtual toolkit::Point CursorPos() = 0;
    // The window under a screen point, or null.
    virtual NativeWindow WindowFromPoint(toolkit::Point point) = 0;
    // The full bounds of the monitor nearest to a point (the task bar included); the whole
    // desktop when there is no monitor.
    virtual toolkit::Rect MonitorArea(toolkit::Point point) = 0;

    // A new topmost tooltip control, not yet showing anything; null when it cannot be made.
    virtual NativeWindow CreateTooltip() = 0;
    // The window rectangle the tooltip would need around an empty text rectangle at (0, 0).
    virtual toolkit::Rect TooltipMargins(NativeWindow tooltip) = 0;
    // Registers the one tool of the tooltip with the request's owner and text, places it and
    // switches tracking on, which shows it.
    virtual void ShowTooltip(NativeWindow tooltip, const TooltipRequest& request) = 0;
    virtual bool IsWindow(NativeWindow window) = 0;
    virtual void DestroyWindow(NativeWindow window) = 0;
};

// The application's hint timing, taken from the double-click time D: a hint shows after D, after
// D / 5 when moving on from a shown hint, and stays for D * 10 (all in milliseconds).
struct HintTiming {
    int pause = 0;
    int shortPause = 0;
    int hidePause = 0;
    bool operator==(const HintTiming&) const = default;
};
HintTiming HintTimingFromDoubleClickTime(unsigned doubleClickTime);

// The size of a text whose lines are separated by CR LF: as wide as its widest line and as high as
// its lines together, with lineGap pixels between two lines. Any failure gives (0, 0).
toolkit::Size MeasureHintText(std::u16string_view text, int lineGap,
                              const std::function<toolkit::Size(std::u16string_view)>& measureLine) noexcept;

// Where a tooltip of `size` goes that should stand at `position` within the monitor `area`: above
// the mouse cursor (at cursorY) when it would reach the area's bottom, moved left to end at the
// area's right edge when it would reach that, and never left of or above the area.
toolkit::Point PlaceTooltip(toolkit::Point position, toolkit::Size size, const toolkit::Rect& area,
                            int cursorY);

// The short part of an application hint (before the first "|") without leading and trailing
// spaces and control characters.
std::u16string TrimmedShortHint(std::u16string_view hint);

class NativeHints;

// The hint window the toolkit shows hints with. It draws nothing of its own: each hint becomes a
// native tooltip, at most one at a time per hint window.
class NativeHintWindow final : public toolkit::HintWindow {
public:
    // Installs this window's AppHintHandler as the application's hint-change event (the one it
    // replaces is put back at destruction and not called meanwhile), sets the application's hint
    // timing from the double-click time, and joins the hint window list of `hints`.
    NativeHintWindow(toolkit::Application& app, NativeHints& hints);
    // Leaves the list, puts the saved hint-change event back and destroys a tooltip still shown.
    ~NativeHintWindow() override;

    // (0, 0, W, H) for the hint's text measured in the hint font; the maximum width is not
    // applied and no margins are added.
    toolkit::Rect CalcHintRect(int maxWidth, std::u16string_view hint) override;
    // Shows the hint at the rectangle's top-left corner. A tooltip that still shows the same text
    // (compared exactly) stays as it is; any other is replaced by a new one.
    void ActivateHint(const toolkit::Rect& rect, std::u16string_view hint) override;
    // Destroys the tooltip, if it exists; the hint window then has none.
    void ReleaseHandle() override;

    // Run when the application's hint changes: a hint whose short part is empty (after trimming)
    // takes the tooltip away.
    void AppHintHandler(toolkit::Application& sender);

    // Makes a tooltip showing `text` with its top-left at `position` (moved to stay on the
    // nearest monitor) and returns it; null when none could be made.
    NativeWindow CreateNativeTooltip(toolkit::Point position, std::u16string_view text);

    NativeWindow Tooltip() const { return tooltip_; }
    // The text of the hint last activated.
    const std::u16string& Text() const { return text_; }

private:
    friend class NativeHints;

    toolkit::Application& app_;
    TooltipSystem& system_;
    NativeHints* hints_; // null once the list has gone
    std::function<void(toolkit::Application&)> oldAppHintHandler_;
    // Shared with the installed hint-change handler, which does nothing once this window is gone
    // (when hint windows end in another order than they began, a stale handler may be put back).
    std::shared_ptr<NativeHintWindow*> self_;
    NativeWindow tooltip_ = nullptr;
    std::u16string text_;
};

// The installer and the hint window list.
class NativeHints {
public:
    // Makes NativeHintWindow the application's hint window class (the next hint creates one) and
    // HideNativeHint its hide-hint step. `system` must outlive this object and its hint windows.
    NativeHints(toolkit::Application& app, TooltipSystem& system);
    NativeHints(const NativeHints&) = delete;
    NativeHints& operator=(const NativeHints&) = delete;
    // Takes both back (no hint window factory, the toolkit's own hide step) and destroys the
    // application's native hint window, if it has one, with its tooltip.
    ~NativeHints();

    // The hide-hint step: the first hint window of the list destroys its tooltip; with no hint
    // window nothing happens. Never fails.
    void HideNativeHint() noexcept;

    // The live native hint windows, oldest first.
    const std::vector<NativeHintWindow*>& HintWindows() const { return hintWindows_; }
    TooltipSystem& System() const { return system_; }

private:
    friend class NativeHintWindow;

    toolkit::Application& app_;
    TooltipSystem& system_;
    std::vector<NativeHintWindow*> hintWindows_;
};

} // namespace zentrim
