#include "app/progress/progress_form.h"

#include "catalogue/captions.h"
#include "catalogue/catalogue_source.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrim {
namespace {

using namespace toolkit;

class ProgressFormTest : public ::testing::Test {
protected:
    // A pacing with a fixed step length, so that every pass can be checked.
    static ProgressPacing FixedPacing(int passes) {
        return {
            .minPasses = passes, .maxPasses = passes + 1, .dotPasses = {3, 6, 9}, .pauseMilliseconds = 500};
    }

    void Make(ProgressPacing pacing) {
        progress_ =
            std::make_unique<ProgressForm>(app_, mainForm_, captions_, pacing,
                                           [this](int milliseconds) { pauses_.push_back(milliseconds); });
    }

    HeadlessBackend backend_;
    Application app_{backend_};
    Form mainForm_{app_, {.className = u"TZTMainForm", .name = u"ZTMainForm"}};
    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FolderCatalogueSource catalogues_{std::string(ZENTRIM_RESOURCES_DIR) + "/captions"};
    CaptionCatalogue captions_{registry_, catalogues_};
    std::vector<int> pauses_;
    std::unique_ptr<ProgressForm> progress_;
};

TEST_F(ProgressFormTest, LayoutAndShowingFollowTheDesign) {
    Make(FixedPacing(10));
    Form& form = progress_->Form();
    EXPECT_EQ(form.ClassName(), u"TZTSettingsForm");
    EXPECT_EQ(form.Owner(), &mainForm_);
    EXPECT_EQ(form.Border(), FormBorder::SingleNoButtons);
    EXPECT_EQ(progress_->MainProgress().Max(), 100);
    EXPECT_TRUE(progress_->MainProgress().Smooth());
    EXPECT_EQ(progress_->CurrentSettingsHeading().GetFont().style & kFontBold, kFontBold);

    progress_->MainProgress().SetPosition(40);
    backend_.SetDesktopFont(Font{u"Verdana", 12, 0, colors::kWindowText});
    form.Show();
    EXPECT_EQ(form.Caption(), u"Updating computer's system, gaming & internet settings");
    EXPECT_EQ(progress_->MainProgress().Position(), 0); // every showing starts the bar at 0
    // The desktop's face; its 12 points are too large for a window, which keeps 9.
    EXPECT_EQ(form.GetFont().name, u"Verdana");
    EXPECT_EQ(form.GetFont().size, 9);
    const Font heading = progress_->CurrentSettingsHeading().GetFont();
    EXPECT_EQ(heading.name, u"Verdana");
    EXPECT_EQ(heading.size, 9); // designed at 8 points, raised to the window's size
    EXPECT_TRUE(heading.Has(kFontBold));
    EXPECT_EQ(progress_->CurrentSettingsLabel().GetFont().name, u"Verdana"); // the window's font
    EXPECT_EQ(progress_->CurrentSettingsLabel().GetFont().size, 9);

    form.Close(); // a close request from outside only hides the window
    EXPECT_FALSE(form.Visible());

    // A smaller desktop font is taken as it is at the next showing.
    backend_.SetDesktopFont(Font{u"Arial", 8, 0, colors::kWindowText});
    form.Show();
    EXPECT_EQ(form.GetFont().name, u"Arial");
    EXPECT_EQ(form.GetFont().size, 8);
    EXPECT_EQ(progress_->CurrentSettingsLabel().GetFont().name, u"Arial");
    EXPECT_EQ(progress_->CurrentSettingsHeading().GetFont().name, u"Arial");
    form.Close();
    EXPECT_EQ(form.FindComponent(u"MainProgress"), &progress_->MainProgress());
}

TEST_F(ProgressFormTest, DotsAppearAtTheirPassesEachFollowedByAPause) {
    Make(FixedPacing(12));
    progress_->CurrentSettingsLabel().SetCaption(u"Previous...");
    std::vector<std::u16string> seen;
    backend_.onProcessMessages = [&] { seen.push_back(progress_->CurrentSettingsLabel().Caption()); };
    progress_->SetProgressStepTotal(33);
    progress_->ShowProgressStep(u"Finding hard drives");

    ASSERT_EQ(seen.size(), 12u);        // one pass of message processing per pass of the step
    EXPECT_EQ(seen[0], u"Previous..."); // the line keeps the last text until the first dot
    EXPECT_EQ(seen[2], u"Previous...");
    EXPECT_EQ(seen[3], u"Finding hard drives.");
    EXPECT_EQ(seen[6], u"Finding hard drives..");
    EXPECT_EQ(seen[9], u"Finding hard drives...");
    EXPECT_EQ(seen[11], u"Finding hard drives...");
    EXPECT_EQ(pauses_, (std::vector<int>{500, 500, 500}));
    EXPECT_EQ(progress_->ProgressStepCount(), 1);
    EXPECT_EQ(progress_->MainProgress().Position(), 3);
}

TEST_F(ProgressFormTest, BarIsTheRoundedShareOfStepsDone) {
    Make(FixedPacing(1));
    struct Case {
        int total;
        int steps;
        int percent;
    };
    for (const Case& c :
         {Case{33, 1, 3}, Case{33, 32, 97}, Case{29, 1, 3}, Case{29, 15, 52}, Case{29, 29, 100}}) {
        progress_->SetProgressStepTotal(c.total);
        progress_->SetProgressStepCount(0);
        for (int step = 0; step < c.steps; ++step) {
            progress_->ShowProgressStep(u"x");
        }
        EXPECT_EQ(progress_->MainProgress().Position(), c.percent) << c.steps << " of " << c.total;
    }
    // With no total announced the count still rises and the bar stays where it was.
    progress_->SetProgressStepTotal(0);
    progress_->ShowProgressStep(u"x");
    EXPECT_EQ(progress_->ProgressStepCount(), 30);
    EXPECT_EQ(progress_->MainProgress().Position(), 100);
}

TEST_F(ProgressFormTest, StepLengthIsDrawnFromTheRange) {
    Make({.minPasses = 5, .maxPasses = 9, .dotPasses = {100, 200, 300}, .pauseMilliseconds = 0});
    progress_->SetProgressStepTotal(50);
    std::vector<int> lengths;
    for (int step = 0; step < 40; ++step) {
        const int before = backend_.ProcessMessagesCount();
        progress_->ShowProgressStep(u"x");
        lengths.push_back(backend_.ProcessMessagesCount() - before);
    }
    for (int length : lengths) {
        EXPECT_GE(length, 5);
        EXPECT_LE(length, 8);
    }
    EXPECT_TRUE(pauses_.empty()); // dots beyond the step's length never show
}

TEST(ProgressPacing, QuickStepsStillShowAllThreeDots) {
    const ProgressPacing quick = QuickPacing();
    EXPECT_LT(quick.dotPasses[2], quick.minPasses);
    EXPECT_LT(quick.maxPasses, StandardPacing().minPasses);
}

} // namespace
} // namespace zentrim
