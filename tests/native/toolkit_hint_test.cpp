// The application's hints (the hint window, its pauses and its factory), driven through the
// headless backend.
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/headless_backend.h"
#include "toolkit/label.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zentrim::toolkit {
namespace {

// A hint window that records what the application asks of it.
struct HintLog {
    int created = 0;
    int destroyed = 0;
    std::vector<std::pair<Rect, std::u16string>> shown;
    int released = 0;
};

class RecordingHintWindow final : public HintWindow {
public:
    explicit RecordingHintWindow(HintLog& log) : log_(log) { ++log_.created; }
    ~RecordingHintWindow() override { ++log_.destroyed; }
    Rect CalcHintRect(int, std::u16string_view hint) override {
        return {0, 0, static_cast<int>(hint.size()) * 5, 15};
    }
    void ActivateHint(const Rect& rect, std::u16string_view hint) override {
        log_.shown.emplace_back(rect, std::u16string(hint));
    }
    void ReleaseHandle() override { ++log_.released; }

private:
    HintLog& log_;
};

class ToolkitHintTest : public ::testing::Test {
protected:
    HeadlessBackend backend;
    Application app{backend};
    HintLog log;
    HintLog other; // outlives the application's hint window
    Form form{app, {.name = u"F"}};
    Label& first = form.Add<Label>({.name = u"First", .caption = u"a", .hint = u"Open help|Opens the help"});
    Label& second = form.Add<Label>({.name = u"Second", .bounds = {0, 40}, .caption = u"b", .hint = u"Home"});
    Label& plain = form.Add<Label>({.name = u"Plain", .bounds = {0, 80}, .caption = u"c"});

    void SetUp() override {
        app.SetHintPause(400);
        app.SetHintShortPause(80);
        app.SetHintHidePause(4000);
        app.SetHintWindowFactory([this](Application&) { return std::make_unique<RecordingHintWindow>(log); });
        form.Show();
    }
};

TEST_F(ToolkitHintTest, AHintShowsAfterThePauseUnderTheCursorAndHidesAfterTheHidePause) {
    std::vector<std::u16string> appHints;
    app.onHint = [&](Application& sender) { appHints.push_back(sender.Hint()); };
    backend.Hover(first);
    const Point cursor = backend.CursorPos();
    backend.AdvanceTime(399);
    EXPECT_TRUE(log.shown.empty());
    EXPECT_EQ(log.created, 0); // made at the first hint
    backend.AdvanceTime(1);
    ASSERT_EQ(log.shown.size(), 1u);
    const int top = cursor.y + HeadlessBackend::kCursorHintOffset;
    EXPECT_EQ(log.shown[0].first, (Rect{cursor.x, top, cursor.x + 45, top + 15}));
    EXPECT_EQ(log.shown[0].second, u"Open help");
    EXPECT_EQ(app.Hint(), u"Opens the help");

    backend.AdvanceTime(3999);
    EXPECT_EQ(log.released, 0);
    backend.AdvanceTime(1);
    EXPECT_EQ(log.released, 1);
    EXPECT_FALSE(app.HintShowing());

    backend.Hover(plain);
    EXPECT_EQ(appHints, (std::vector<std::u16string>{u"Opens the help", u""}));
}

TEST_F(ToolkitHintTest, MovingOnFromAShownHintUsesTheShortPause) {
    backend.Hover(first);
    backend.AdvanceTime(400);
    backend.Hover(second);
    backend.AdvanceTime(80);
    ASSERT_EQ(log.shown.size(), 2u);
    EXPECT_EQ(log.shown[1].second, u"Home");
    backend.Hover(plain); // no hint there: the shown one goes
    EXPECT_EQ(log.released, 1);
    backend.AdvanceTime(10000);
    EXPECT_EQ(log.shown.size(), 2u);
}

TEST_F(ToolkitHintTest, KeysAndClicksHideTheHintThroughTheReplaceableRoutine) {
    int hiddenByRoutine = 0;
    app.SetHideHintRoutine([&] { ++hiddenByRoutine; });
    backend.Hover(first);
    backend.AdvanceTime(400);
    backend.PressKey(app, 0x41);
    EXPECT_EQ(hiddenByRoutine, 1);
    EXPECT_EQ(log.released, 0); // the routine took the place of the hint window's own hiding
    backend.Hover(second);
    backend.Click(second); // before the pause ran out: nothing shows
    backend.AdvanceTime(1000);
    EXPECT_EQ(log.shown.size(), 1u);
    EXPECT_EQ(hiddenByRoutine, 1);
}

TEST_F(ToolkitHintTest, ANewFactoryOrHintsOffReplaceTheHintWindow) {
    backend.Hover(first);
    backend.AdvanceTime(400);
    app.SetHintWindowFactory([&](Application&) { return std::make_unique<RecordingHintWindow>(other); });
    EXPECT_EQ(log.destroyed, 0); // replaced at the next hint, not before
    backend.Hover(second);
    backend.AdvanceTime(80);
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_EQ(other.shown.size(), 1u);

    app.SetShowHint(false);
    EXPECT_EQ(other.destroyed, 1);
    EXPECT_EQ(app.CurrentHintWindow(), nullptr);
    backend.Hover(first);
    backend.AdvanceTime(1000);
    EXPECT_EQ(other.created, 1);
    app.SetShowHint(true);
    backend.Hover(second);
    backend.AdvanceTime(400);
    EXPECT_EQ(other.created, 2);
}

TEST_F(ToolkitHintTest, APendingHintDiesWithItsForm) {
    {
        Form passing(app, {.name = u"Passing"});
        auto& label = passing.Add<Label>({.name = u"L", .hint = u"gone"});
        passing.Show();
        backend.Hover(label);
    }
    backend.AdvanceTime(1000);
    EXPECT_TRUE(log.shown.empty());
}

} // namespace
} // namespace zentrim::toolkit
