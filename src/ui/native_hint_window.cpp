#include "ui/native_hint_window.h"

#include "toolkit/application.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace zentrim {

HintTiming HintTimingFromDoubleClickTime(unsigned doubleClickTime) {
    const auto limited = [](unsigned long long milliseconds) {
        return static_cast<int>(std::min<unsigned long long>(milliseconds, INT_MAX));
    };
    return {limited(doubleClickTime), limited(doubleClickTime / 5), limited(doubleClickTime * 10ULL)};
}

toolkit::Size MeasureHintText(std::u16string_view text, int lineGap,
                              const std::function<toolkit::Size(std::u16string_view)>& measureLine) noexcept {
    try {
        toolkit::Size total;
        std::u16string_view rest = text;
        for (std::size_t lineEnd = rest.find(u"\r\n"); lineEnd != std::u16string_view::npos;
             lineEnd = rest.find(u"\r\n")) {
            const toolkit::Size line = measureLine(rest.substr(0, lineEnd));
            total.width = std::max(total.width, line.width);
            total.height += line.height + lineGap;
            rest.remove_prefix(lineEnd + 2);
        }
        const toolkit::Size last = measureLine(rest);
        total.width = std::max(total.width, last.width);
        total.height += last.height;
        return total;
    } catch (...) {
        return {};
    }
}

toolkit::Point PlaceTooltip(toolkit::Point position, toolkit::Size size, const toolkit::Rect& area,
                            int cursorY) {
    toolkit::Point placed = position;
    if (placed.y + size.height >= area.bottom) {
        placed.y = cursorY - size.height; // above the mouse cursor
    }
    if (placed.x + size.width >= area.right) {
        placed.x = area.right - size.width;
    }
    placed.x = std::max(placed.x, area.left);
    placed.y = std::max(placed.y, area.top);
    return placed;
}

std::u16string TrimmedShortHint(std::u16string_view hint) {
    std::u16string_view shortHint = toolkit::ShortHint(hint);
    const auto blank = [](char16_t c) { return c <= u' '; };
    while (!shortHint.empty() && blank(shortHint.front())) {
        shortHint.remove_prefix(1);
    }
    while (!shortHint.empty() && blank(shortHint.back())) {
        shortHint.remove_suffix(1);
    }
    return std::u16string(shortHint);
}

NativeHintWindow::NativeHintWindow(toolkit::Application& app, NativeHints& hints)
    : app_(app), system_(hints.System()), hints_(&hints), self_(std::make_shared<NativeHintWindow*>(this)) {
    const HintTiming timing = HintTimingFromDoubleClickTime(system_.DoubleClickTime());
    hints.hintWindows_.push_back(this);
    try {
        oldAppHintHandler_ = std::exchange(
            app.onHint, [window = std::weak_ptr<NativeHintWindow*>(self_)](toolkit::Application& sender) {
                if (const auto self = window.lock()) {
                    (*self)->AppHintHandler(sender);
                }
            });
    } catch (...) {
        hints.hintWindows_.pop_back();
        throw;
    }
    app.SetHintPause(timing.pause);
    app.SetHintShortPause(timing.shortPause);
    app.SetHintHidePause(timing.hidePause);
}

NativeHintWindow::~NativeHintWindow() {
    // A tooltip left behind would stay on the screen until the program ends.
    ReleaseHandle();
    if (hints_ != nullptr) {
        auto& list = hints_->hintWindows_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    app_.onHint = std::move(oldAppHintHandler_);
}

toolkit::Rect NativeHintWindow::CalcHintRect(int, std::u16string_view hint) {
    const toolkit::Size size =
        MeasureHintText(hint, 0, [this](std::u16string_view line) { return system_.MeasureHintLine(line); });
    return {0, 0, size.width, size.height};
}

void NativeHintWindow::ActivateHint(const toolkit::Rect& rect, std::u16string_view hint) {
    try {
        if (tooltip_ != nullptr && system_.IsWindow(tooltip_)) {
            if (hint == text_) {
                return;
            }
            system_.DestroyWindow(tooltip_);
        }
        tooltip_ = nullptr;
        text_.assign(hint);
        tooltip_ = CreateNativeTooltip({rect.left, rect.top}, hint);
    } catch (...) {
        // No hint this time; the next activation tries again.
    }
}

NativeWindow NativeHintWindow::CreateNativeTooltip(toolkit::Point position, std::u16string_view text) {
    NativeWindow tooltip = nullptr;
    try {
        tooltip = system_.CreateTooltip();
        if (tooltip == nullptr) {
            return nullptr;
        }
        const NativeWindow owner = system_.WindowFromPoint(position);
        const toolkit::Rect area = system_.MonitorArea(position);
        const toolkit::Rect hintRect = CalcHintRect(area.Width(), text);
        // The control's own margins, counted twice: a generous reserve for the edge rules.
        const toolkit::Rect margins = system_.TooltipMargins(tooltip);
        const toolkit::Size size{hintRect.Width() + 2 * margins.Width(),
                                 hintRect.Height() + 2 * margins.Height()};
        const toolkit::Point placed = PlaceTooltip(position, size, area, system_.CursorPos().y);
        system_.ShowTooltip(tooltip, {owner, area.Width(), std::u16string(text), placed});
        return tooltip;
    } catch (...) {
        if (tooltip != nullptr) {
            try {
                system_.DestroyWindow(tooltip);
            } catch (...) {
            }
        }
        return nullptr;
    }
}

void NativeHintWindow::ReleaseHandle() {
    try {
        if (tooltip_ != nullptr && system_.IsWindow(tooltip_)) {
            system_.DestroyWindow(tooltip_);
        }
    } catch (...) {
    }
    tooltip_ = nullptr;
}

void NativeHintWindow::AppHintHandler(toolkit::Application& sender) {
    try {
        if (TrimmedShortHint(sender.Hint()).empty()) {
            ReleaseHandle();
        }
    } catch (...) {
    }
}

NativeHints::NativeHints(toolkit::Application& app, TooltipSystem& system) : app_(app), system_(system) {
    app.SetHintWindowFactory([this](toolkit::Application& owner) -> std::unique_ptr<toolkit::HintWindow> {
        try {
            return std::make_unique<NativeHintWindow>(owner, *this);
        } catch (...) {
            return nullptr; // no hint is shown
        }
    });
    app.SetHideHintRoutine([this] { HideNativeHint(); });
}

NativeHints::~NativeHints() {
    app_.SetHideHintRoutine(nullptr);
    app_.SetHintWindowFactory(nullptr);
    const toolkit::HintWindow* current = app_.CurrentHintWindow();
    if (current != nullptr &&
        std::find(hintWindows_.begin(), hintWindows_.end(), current) != hintWindows_.end()) {
        // Switching hints off makes the application destroy its hint window now, while the list
        // it leaves still exists.
        const bool showHint = app_.ShowHint();
        app_.SetShowHint(false);
        app_.SetShowHint(showHint);
    }
    for (NativeHintWindow* window : hintWindows_) {
        window->hints_ = nullptr;
    }
}

void NativeHints::HideNativeHint() noexcept {
    if (!hintWindows_.empty()) {
        hintWindows_.front()->ReleaseHandle();
    }
}

} // namespace zentrim
