// Native hints over a fake tooltip system, driven through the toolkit's application and the
// headless backend.
#include "ui/native_hint_window.h"

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/headless_backend.h"
#include "toolkit/label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <vector>

namespace zentrim {
namespace {

using toolkit::Point;
using toolkit::Rect;
using toolkit::Size;

// Every character is 7 pixels wide and a line 13 high; tooltips are numbers posing as handles.
class FakeTooltipSystem final : public TooltipSystem {
public:
    static constexpr int kCharWidth = 7;
    static constexpr int kLineHeight = 13;

    unsigned DoubleClickTime() override { return doubleClickTime; }
    Size MeasureHintLine(std::u16string_view line) override {
        measured.emplace_back(line);
        return {static_cast<int>(line.size()) * kCharWidth, kLineHeight};
    }
    Point CursorPos() override { return cursor; }
    NativeWindow WindowFromPoint(Point) override { return Handle(999); }
    Rect MonitorArea(Point) override { return monitor; }
    NativeWindow CreateTooltip() override {
        if (failCreation) {
            return nullptr;
        }
        NativeWindow tooltip = Handle(++created);
        alive.insert(tooltip);
        return tooltip;
    }
    Rect TooltipMargins(NativeWindow) override { return margins; }
    void ShowTooltip(NativeWindow tooltip, const TooltipRequest& request) override {
        if (failShowing) {
            throw std::runtime_error("cannot show");
        }
        shown.push_back({tooltip, request});
    }
    bool IsWindow(NativeWindow window) override { return alive.count(window) != 0; }
    void DestroyWindow(NativeWindow window) override {
        alive.erase(window);
        destroyed.push_back(window);
    }

    static NativeWindow Handle(std::uintptr_t number) { return reinterpret_cast<NativeWindow>(number); }
    int AliveCount() const { return static_cast<int>(alive.size()); }
    const TooltipRequest& LastShown() const { return shown.back().second; }

    unsigned doubleClickTime = 500;
    Point cursor{100, 100};
    Rect monitor{0, 0, 1280, 1024};
    Rect margins{-5, -3, 5, 3};
    bool failCreation = false;
    bool failShowing = false;
    std::uintptr_t created = 0;
    std::set<NativeWindow> alive;
    std::vector<NativeWindow> destroyed;
    std::vector<std::pair<NativeWindow, TooltipRequest>> shown;
    std::vector<std::u16string> measured;
};

class NativeHintWindowTest : public testing::Test {
protected:
    FakeTooltipSystem system;
    toolkit::HeadlessBackend backend;
    toolkit::Application app{backend};
};

TEST(NativeHintTiming, FollowsTheDoubleClickTime) {
    struct Case {
        unsigned doubleClickTime;
        HintTiming expected;
    };
    const Case cases[] = {
        {400, {400, 80, 4000}}, {500, {500, 100, 5000}},
        {9, {9, 1, 90}}, // the fifth rounds down
        {0, {0, 0, 0}},         {4'000'000'000u, {INT32_MAX, 800'000'000, INT32_MAX}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HintTimingFromDoubleClickTime(c.doubleClickTime), c.expected) << c.doubleClickTime;
    }
}

TEST(NativeHintPlacement, StaysOnTheMonitor) {
    const Rect monitor{0, 0, 1280, 1024};
    const Size size{200, 40};
    const int cursorY = 990;
    struct Case {
        const char* what;
        Point position;
        Size size;
        Rect area;
        Point expected;
    };
    const Case cases[] = {
        {"room enough", {300, 400}, size, monitor, {300, 400}},
        {"reaching the bottom: above the cursor", {300, 1000}, size, monitor, {300, cursorY - 40}},
        {"ending exactly at the bottom counts as reaching it",
         {300, 984},
         size,
         monitor,
         {300, cursorY - 40}},
        {"one pixel above the bottom", {300, 983}, size, monitor, {300, 983}},
        {"reaching the right edge: moved left", {1200, 400}, size, monitor, {1080, 400}},
        {"wider than the monitor: its left edge", {50, 400}, {1500, 40}, monitor, {0, 400}},
        {"higher than the monitor: its top edge", {300, 400}, {200, 1100}, monitor, {300, 0}},
        {"bottom right corner", {1250, 1010}, size, monitor, {1080, cursorY - 40}},
        {"a monitor left of the primary one", {-100, 400}, size, {-1920, 0, 0, 1080}, {-200, 400}},
        {"left of the monitor", {-2000, 400}, size, {-1920, 0, 0, 1080}, {-1920, 400}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceTooltip(c.position, c.size, c.area, cursorY), c.expected) << c.what;
    }
}

TEST(NativeHintMeasuring, LinesAreSplitAtCrLf) {
    FakeTooltipSystem system;
    const auto measure = [&system](std::u16string_view line) { return system.MeasureHintLine(line); };
    constexpr int w = FakeTooltipSystem::kCharWidth;
    constexpr int h = FakeTooltipSystem::kLineHeight;
    struct Case {
        std::u16string_view text;
        int lineGap;
        Size expected;
    };
    const Case cases[] = {
        {u"Hint", 0, {4 * w, h}},
        {u"ab\r\nlonger", 0, {6 * w, 2 * h}}, // as wide as the wider line, as high as both
        {u"longer\r\nab", 0, {6 * w, 2 * h}},
        {u"a\r\nb\r\nc", 4, {w, 3 * h + 2 * 4}}, // gaps between lines only
        {u"a\nb\rc", 0, {5 * w, h}},             // a lone LF or CR breaks no line
        {u"ab\r\n", 0, {2 * w, 2 * h}},          // an empty last line still counts
        {u"", 0, {0, h}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MeasureHintText(c.text, c.lineGap, measure), c.expected)
            << testing::PrintToString(c.text.size());
    }

    const auto failing = [](std::u16string_view) -> Size { throw std::runtime_error("no device context"); };
    EXPECT_EQ(MeasureHintText(u"a\r\nb", 0, failing), (Size{0, 0}));
}

TEST(NativeHintShortHint, IsTrimmedOfBlanksAndControlCharacters) {
    EXPECT_EQ(TrimmedShortHint(u"  Short \t|Long"), u"Short");
    EXPECT_EQ(TrimmedShortHint(u"\r\n Two words\x01"), u"Two words");
    EXPECT_EQ(TrimmedShortHint(u"   |Long"), u"");
    EXPECT_EQ(TrimmedShortHint(u"|Long"), u"");
    EXPECT_EQ(TrimmedShortHint(u"a|b|c"), u"a");
}

TEST_F(NativeHintWindowTest, TheTooltipIsMeasuredWithDoubledMarginsAndPlacedOnTheMonitor) {
    NativeHints hints(app, system);
    NativeHintWindow window(app, hints);
    system.cursor = {1250, 1000};
    // Text 3 * 7 by 13, margins 10 by 6 counted twice: 41 by 25.
    window.ActivateHint({1250, 1010, 1300, 1030}, u"a&b");

    ASSERT_EQ(system.shown.size(), 1u);
    const TooltipRequest& request = system.LastShown();
    EXPECT_EQ(request.position, (Point{1280 - 41, 1000 - 25}));
    EXPECT_EQ(request.maxTipWidth, 1280);
    EXPECT_EQ(request.owner, FakeTooltipSystem::Handle(999));
    EXPECT_EQ(request.text, u"a&b");
    EXPECT_EQ(window.Tooltip(), system.shown.back().first);
    EXPECT_EQ(window.CalcHintRect(10, u"ab\r\nc"), (Rect{0, 0, 2 * 7, 2 * 13})); // no margins, no wrapping
}

TEST_F(NativeHintWindowTest, SameTextKeepsTheTooltipAndAnotherTextReplacesIt) {
    NativeHints hints(app, system);
    NativeHintWindow window(app, hints);

    window.ActivateHint({10, 10, 50, 30}, u"Open");
    window.ActivateHint({60, 60, 90, 90}, u"Open");
    EXPECT_EQ(system.created, 1u);
    EXPECT_EQ(system.AliveCount(), 1);

    window.ActivateHint({10, 10, 50, 30}, u"open"); // compared with case
    EXPECT_EQ(system.created, 2u);
    EXPECT_EQ(system.AliveCount(), 1);
    EXPECT_EQ(system.destroyed, std::vector<NativeWindow>{FakeTooltipSystem::Handle(1)});
    EXPECT_EQ(window.Tooltip(), FakeTooltipSystem::Handle(2));
    EXPECT_EQ(window.Text(), u"open");

    // A tooltip that has gone by other means is made anew even for the same text.
    system.alive.clear();
    window.ActivateHint({10, 10, 50, 30}, u"open");
    EXPECT_EQ(system.created, 3u);
}

TEST_F(NativeHintWindowTest, AFailedTooltipShowsNothingAndTheNextActivationTriesAgain) {
    NativeHints hints(app, system);
    NativeHintWindow window(app, hints);

    system.failCreation = true;
    window.ActivateHint({10, 10, 50, 30}, u"Open");
    EXPECT_EQ(window.Tooltip(), nullptr);

    system.failCreation = false;
    system.failShowing = true;
    window.ActivateHint({10, 10, 50, 30}, u"Open");
    EXPECT_EQ(window.Tooltip(), nullptr);
    EXPECT_EQ(system.AliveCount(), 0); // the half-made tooltip does not stay behind

    system.failShowing = false;
    window.ActivateHint({10, 10, 50, 30}, u"Open");
    EXPECT_NE(window.Tooltip(), nullptr);
    EXPECT_EQ(system.AliveCount(), 1);
}

TEST_F(NativeHintWindowTest, AnEmptyShortHintReleasesTheTooltipAndTheOldHandlerIsKeptAside) {
    int oldHandlerCalls = 0;
    app.onHint = [&oldHandlerCalls](toolkit::Application&) { ++oldHandlerCalls; };
    NativeHints hints(app, system);
    {
        NativeHintWindow window(app, hints);
        window.ActivateHint({10, 10, 50, 30}, u"Open");

        app.SetHint(u"Status text");
        EXPECT_NE(window.Tooltip(), nullptr);
        app.SetHint(u" \t |Status text");
        EXPECT_EQ(window.Tooltip(), nullptr);
        EXPECT_EQ(system.AliveCount(), 0);
        EXPECT_EQ(oldHandlerCalls, 0);
    }
    app.SetHint(u"Back");
    EXPECT_EQ(oldHandlerCalls, 1);
}

TEST_F(NativeHintWindowTest, HidingReleasesTheFirstHintWindowsTooltipOnly) {
    NativeHints hints(app, system);
    hints.HideNativeHint(); // no hint window: nothing happens
    EXPECT_TRUE(system.destroyed.empty());

    NativeHintWindow first(app, hints);
    NativeHintWindow second(app, hints);
    first.ActivateHint({10, 10, 50, 30}, u"First");
    second.ActivateHint({10, 10, 50, 30}, u"Second");
    hints.HideNativeHint();
    EXPECT_EQ(first.Tooltip(), nullptr);
    EXPECT_NE(second.Tooltip(), nullptr);
    EXPECT_EQ(system.AliveCount(), 1);
}

TEST_F(NativeHintWindowTest, DestroyingAHintWindowDestroysItsTooltip) {
    NativeHints hints(app, system);
    {
        NativeHintWindow window(app, hints);
        window.ActivateHint({10, 10, 50, 30}, u"Open");
        EXPECT_EQ(system.AliveCount(), 1);
    }
    EXPECT_EQ(system.AliveCount(), 0);
    EXPECT_TRUE(hints.HintWindows().empty());
    hints.HideNativeHint();
}

TEST_F(NativeHintWindowTest, HintWindowsEndingInAnotherOrderLeaveNoHandlerToAGoneWindow) {
    NativeHints hints(app, system);
    auto first = std::make_unique<NativeHintWindow>(app, hints);
    auto second = std::make_unique<NativeHintWindow>(app, hints);
    first.reset();  // puts back the handler it found
    second.reset(); // puts back the first window's handler
    app.SetHint(u"");
    app.SetHint(u"x"); // runs that handler, which must not reach the gone window
    EXPECT_TRUE(hints.HintWindows().empty());
}

// The whole road through the toolkit: hover, pause, show, hide.
class NativeHintsInTheApplicationTest : public NativeHintWindowTest {
protected:
    NativeHintsInTheApplicationTest() {
        form.Show();
        system.doubleClickTime = 400;
    }

    NativeHintWindow* Current() { return static_cast<NativeHintWindow*>(app.CurrentHintWindow()); }

    toolkit::Form form{app, {.name = u"TestForm", .left = 100, .top = 100}};
    toolkit::Label& link = form.Add<toolkit::Label>({.name = u"Link",
                                                     .bounds = {10, 10, 50, 20},
                                                     .caption = u"x",
                                                     .hint = u"Visit the page|Opens the home page"},
                                                    {.autoSize = false});
    toolkit::Label& plain = form.Add<toolkit::Label>(
        {.name = u"Plain", .bounds = {10, 50, 50, 20}, .caption = u"y"}, {.autoSize = false});
};

TEST_F(NativeHintsInTheApplicationTest, AHoveredHintBecomesATooltipUnderTheCursorAndGoesWhenHidden) {
    NativeHints hints(app, system);
    backend.Hover(link);
    backend.AdvanceTime(500); // the toolkit's own pause before the first hint window exists
    ASSERT_NE(Current(), nullptr);
    EXPECT_EQ(app.HintPause(), 400);
    ASSERT_EQ(system.shown.size(), 1u);
    const Point cursor = backend.CursorPos();
    EXPECT_EQ(system.LastShown().text, u"Visit the page");
    EXPECT_EQ(system.LastShown().position,
              (Point{cursor.x, cursor.y + toolkit::HeadlessBackend::kCursorHintOffset}));

    backend.AdvanceTime(4000); // the hide pause: the toolkit hides through HideNativeHint
    EXPECT_EQ(system.AliveCount(), 0);
    EXPECT_EQ(Current()->Tooltip(), nullptr);
}

TEST_F(NativeHintsInTheApplicationTest, MovingToAControlWithoutAHintOrPressingAButtonTakesTheTooltipAway) {
    NativeHints hints(app, system);
    backend.Hover(link);
    backend.AdvanceTime(500);
    ASSERT_EQ(system.AliveCount(), 1);
    backend.Hover(plain);
    EXPECT_EQ(system.AliveCount(), 0);

    backend.Hover(link);
    backend.AdvanceTime(400);
    ASSERT_EQ(system.AliveCount(), 1);
    app.MouseButtonDown();
    EXPECT_EQ(system.AliveCount(), 0);
}

TEST_F(NativeHintsInTheApplicationTest, RemovingTheHintsTakesTheHintWindowAndItsTooltipAway) {
    {
        NativeHints hints(app, system);
        backend.Hover(link);
        backend.AdvanceTime(500);
        ASSERT_EQ(system.AliveCount(), 1);
    }
    EXPECT_EQ(app.CurrentHintWindow(), nullptr);
    EXPECT_EQ(system.AliveCount(), 0);
    EXPECT_TRUE(app.ShowHint());

    // Without a factory no hint is shown any more.
    backend.Hover(plain);
    backend.Hover(link);
    backend.AdvanceTime(5000);
    EXPECT_EQ(system.created, 1u);
}

} // namespace
} // namespace zentrim
