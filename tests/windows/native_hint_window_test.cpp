// Native hints with the real tooltip control: the window made for a hint, its styles, and its end.
#include "base/unique_handle_win32.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/headless_backend.h"
#include "toolkit/label.h"
#include "ui/native_hint_window_win32.h"

#include "support/window_probes_win32.h"
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

namespace zentrim {
namespace {

using testing::ClassOf;

HWND Hwnd(NativeWindow window) {
    return static_cast<HWND>(window);
}

// Hints are driven by the headless backend's clock and mouse, so the test decides exactly when a
// hint shows; the tooltips themselves are real windows.
class NativeHintWindowWin32Test : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_FALSE(TooltipLeftOnScreen()) << "a tooltip stayed behind"; }

    // A visible tooltip window of this thread.
    static bool TooltipLeftOnScreen() {
        bool found = false;
        EnumThreadWindows(GetCurrentThreadId(), &FindVisibleTooltip, reinterpret_cast<LPARAM>(&found));
        return found;
    }

    static BOOL CALLBACK FindVisibleTooltip(HWND window, LPARAM found) {
        if (ClassOf(window) == TOOLTIPS_CLASSW && IsWindowVisible(window)) {
            *reinterpret_cast<bool*>(found) = true;
        }
        return TRUE;
    }

    Win32TooltipSystem system{GetModuleHandleW(nullptr)};
    toolkit::HeadlessBackend backend;
    toolkit::Application app{backend};
};

TEST_F(NativeHintWindowWin32Test, AHintBecomesATopmostTrackingTooltipThatShowsAmpersands) {
    NativeHints hints(app, system);
    NativeHintWindow window(app, hints);
    window.ActivateHint({300, 200, 400, 220}, u"Save & close");

    const HWND tooltip = Hwnd(window.Tooltip());
    ASSERT_NE(tooltip, nullptr);
    EXPECT_EQ(ClassOf(tooltip), L"tooltips_class32");
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(tooltip, GWL_STYLE));
    EXPECT_EQ(style & 0x80000003u, 0x80000003u)
        << std::hex << style; // WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP
    EXPECT_NE(GetWindowLongPtrW(tooltip, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(GetParent(tooltip), nullptr);
    EXPECT_TRUE(IsWindowVisible(tooltip));

    // One tool, with the hint's text as it is.
    EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[64] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.lpszText = text;
    ASSERT_NE(SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)), 0);
    EXPECT_STREQ(text, L"Save & close");
    EXPECT_EQ(tool.uFlags & 0x1B0u, 0x1B0u);

    // It stands at the hint's corner, one pixel down (Wine puts the window's border outside that
    // point, Windows inside).
    RECT placed{};
    GetWindowRect(tooltip, &placed);
    EXPECT_NEAR(placed.left, 300, 1);
    EXPECT_NEAR(placed.top, 201, 1);

    window.ReleaseHandle();
    EXPECT_FALSE(IsWindow(tooltip));
    EXPECT_EQ(window.Tooltip(), nullptr);
}

TEST_F(NativeHintWindowWin32Test, SameTextKeepsTheTooltipAndAnotherReplacesIt) {
    NativeHints hints(app, system);
    NativeHintWindow window(app, hints);
    window.ActivateHint({200, 200, 300, 220}, u"First");
    const HWND first = Hwnd(window.Tooltip());
    window.ActivateHint({250, 250, 300, 270}, u"First");
    EXPECT_EQ(Hwnd(window.Tooltip()), first);

    window.ActivateHint({200, 200, 300, 220}, u"Second");
    EXPECT_NE(window.Tooltip(), nullptr);
    EXPECT_FALSE(IsWindow(first));
}

TEST_F(NativeHintWindowWin32Test, HidingAndDestroyingTheHintWindowDestroyTheTooltip) {
    NativeHints hints(app, system);
    HWND tooltip = nullptr;
    {
        NativeHintWindow window(app, hints);
        window.ActivateHint({200, 200, 300, 220}, u"Hint");
        tooltip = Hwnd(window.Tooltip());
        ASSERT_TRUE(IsWindow(tooltip));
        hints.HideNativeHint();
        EXPECT_FALSE(IsWindow(tooltip));

        window.ActivateHint({200, 200, 300, 220}, u"Hint");
        tooltip = Hwnd(window.Tooltip());
        ASSERT_TRUE(IsWindow(tooltip));
    }
    EXPECT_FALSE(IsWindow(tooltip));
    hints.HideNativeHint(); // no hint window left: nothing to do
}

TEST_F(NativeHintWindowWin32Test, TheApplicationShowsAndHidesHintsThroughTheNativeWindow) {
    toolkit::Form form(app, {.name = u"HintForm", .left = 100, .top = 100});
    auto& label = form.Add<toolkit::Label>(
        {.name = u"Link", .bounds = {10, 10, 80, 20}, .caption = u"x", .hint = u"Short|Long"},
        {.autoSize = false});
    form.Show();
    NativeHints hints(app, system);
    backend.Hover(label);
    backend.AdvanceTime(static_cast<unsigned>(app.HintPause()));
    ASSERT_EQ(hints.HintWindows().size(), 1u);
    const NativeHintWindow& window = *hints.HintWindows().front();
    EXPECT_EQ(app.HintPause(), static_cast<int>(GetDoubleClickTime()));
    EXPECT_EQ(app.HintHidePause(), static_cast<int>(GetDoubleClickTime() * 10));
    const HWND tooltip = Hwnd(window.Tooltip());
    ASSERT_TRUE(IsWindow(tooltip));
    EXPECT_EQ(window.Text(), u"Short");

    app.MouseButtonDown(); // the toolkit hides the hint: its hide step is ours
    EXPECT_FALSE(IsWindow(tooltip));
}

TEST_F(NativeHintWindowWin32Test, TheSystemMeasuresInTheHintFontAndKnowsTheMonitor) {
    const toolkit::Size one = system.MeasureHintLine(u"Hint text");
    EXPECT_GT(one.width, 0);
    EXPECT_GT(one.height, 0);
    const toolkit::Size two = MeasureHintText(
        u"Hint text\r\nHint", 0, [this](std::u16string_view line) { return system.MeasureHintLine(line); });
    EXPECT_EQ(two, (toolkit::Size{one.width, 2 * one.height}));

    const toolkit::Rect monitor = system.MonitorArea({10, 10});
    EXPECT_EQ(monitor.left, 0);
    EXPECT_EQ(monitor.top, 0);
    EXPECT_EQ(monitor.Width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(monitor.Height(), GetSystemMetrics(SM_CYSCREEN));
    // Far off every monitor, the nearest one still answers.
    EXPECT_EQ(system.MonitorArea({-50000, -50000}), monitor);

    const NativeWindow tooltip = system.CreateTooltip();
    ASSERT_NE(tooltip, nullptr);
    const toolkit::Rect margins = system.TooltipMargins(tooltip);
    // Around an empty rectangle (Windows adds its padding and border; Wine adds none).
    EXPECT_LE(margins.left, 0);
    EXPECT_LE(margins.top, 0);
    EXPECT_GE(margins.right, 0);
    EXPECT_GE(margins.bottom, 0);
    system.DestroyWindow(tooltip);
    EXPECT_FALSE(system.IsWindow(tooltip));
}

} // namespace
} // namespace zentrim
