// Both runs end to end with the real progress window on the headless toolkit, the real caption
// catalogue and an in-memory registry: what a user sees from the click to the restart question.
#include "app/progress/progress_form.h"

#include "catalogue/captions.h"
#include "catalogue/catalogue_source.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "engine/product_key.h"
#include "engine/restart.h"
#include "engine/run_view.h"
#include "engine/runs.h"
#include "engine/system_profile.h"
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/headless_backend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrim {
namespace {

using namespace toolkit;

// The part of the main window the runs talk to, over real toolkit forms.
class WindowsView final : public RunView {
public:
    WindowsView(Application& app, Form& mainForm, Button& restoreButton, ProgressForm& progress,
                const CaptionCatalogue& captions)
        : app_(app), mainForm_(mainForm), restoreButton_(restoreButton), progress_(progress),
          captions_(captions) {}

    int windowsIndex = 0;
    int internetType = 0;
    int speedSetting = 1;
    int clicks = 0;
    std::vector<int> barAtEachStep;

    int WindowsIndex() override { return windowsIndex; }
    int InternetType() override { return internetType; }
    int ProcessorType() override { return 0; }
    int SpeedSetting() override { return speedSetting; }
    int ConvertWindowsVersion(int index) override { return zentrim::ConvertWindowsVersion(index); }
    void EnableMainWindow(bool enabled) override { mainForm_.SetEnabled(enabled); }
    void EnableRestoreButton(bool enabled) override { restoreButton_.SetEnabled(enabled); }
    std::u16string MainWindowTitle() override { return mainForm_.Caption(); }
    void ShowProgressWindow() override { progress_.Form().Show(); }
    void SetProgressStepTotal(int total) override { progress_.SetProgressStepTotal(total); }
    void SetProgressStepCount(int count) override { progress_.SetProgressStepCount(count); }
    void SetProgressHeading(std::u16string_view text) override {
        progress_.CurrentSettingsHeading().SetCaption(std::u16string(text));
    }
    void ShowProgressStep(std::u16string_view text) override {
        EXPECT_FALSE(mainForm_.Enabled()) << "the main window takes no input during the steps";
        progress_.ShowProgressStep(text);
        barAtEachStep.push_back(progress_.MainProgress().Position());
    }
    void CloseProgressWindow() override { progress_.Form().Close(); }
    std::u16string GetCaption(std::u16string_view window, std::u16string_view key) override {
        return captions_.GetCaption(window, key);
    }
    void PlayClickSound() override { ++clicks; }
    int ShowMessageBox(std::u16string_view text, std::u16string_view title, std::uint32_t flags) override {
        return app_.ShowMessageBox(text, title, flags, &mainForm_);
    }

private:
    Application& app_;
    Form& mainForm_;
    Button& restoreButton_;
    ProgressForm& progress_;
    const CaptionCatalogue& captions_;
};

class RunsWithWindows : public ::testing::Test {
protected:
    RunsWithWindows() {
        mainForm_.SetCaption(captions_.GetCaption(u"ZTMainForm", u"ZTMainForm"));
        mainForm_.Show();
    }

    const std::u16string kRestartQuestion =
        u"The changes to the computer's system, gaming and internet performance settings have "
        u"finished.\r\n\r\n"
        u"You will need to restart Windows for the changes to become active.\r\n\r\n"
        u"Click Yes to restart the computer now, or click No to restart later.";

    HeadlessBackend backend_;
    Application app_{backend_};
    Form mainForm_{app_, {.className = u"TZTMainForm", .name = u"ZTMainForm"}};
    Button& restoreButton_ = mainForm_.Add<Button>({.name = u"RestoreButton", .enabled = false});
    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FolderCatalogueSource catalogues_{std::string(ZENTRIM_RESOURCES_DIR) + "/captions"};
    CaptionCatalogue captions_{registry_, catalogues_};
    ProgressForm progress_{app_,
                           mainForm_,
                           captions_,
                           {.minPasses = 4, .maxPasses = 5, .dotPasses = {1, 2, 3}, .pauseMilliseconds = 0},
                           [](int) {}};
    WindowsView view_{app_, mainForm_, restoreButton_, progress_, captions_};
    RecordingSystemRestart restart_;
};

TEST_F(RunsWithWindows, OptimizeThenRestoreAsTheUserSeesThem) {
    const auto hkcu = RegistryRoot::CurrentUser;
    registry_.WriteRegistryString(hkcu, u"\\Control Panel\\Desktop\\WindowMetrics\\", u"MinAnimate", u"0",
                                  RegistryView::Bits64());

    backend_.QueueAnswer(message_box::kIdNo);
    RunOptimize(view_, registry_, restart_);

    EXPECT_EQ(progress_.CurrentSettingsHeading().Caption(),
              u"Optimizing the computer's system, gaming && internet settings");
    EXPECT_EQ(progress_.CurrentSettingsHeading().DisplayText(),
              u"Optimizing the computer's system, gaming & internet settings");
    EXPECT_EQ(progress_.CurrentSettingsLabel().Caption(), u"Writing new system and internet settings...");
    ASSERT_EQ(view_.barAtEachStep.size(), 32u);
    EXPECT_EQ(view_.barAtEachStep.front(), 3);
    EXPECT_EQ(view_.barAtEachStep.back(), 97);
    EXPECT_FALSE(progress_.Form().Visible());
    EXPECT_TRUE(mainForm_.Enabled());
    EXPECT_TRUE(restoreButton_.Enabled());
    EXPECT_EQ(view_.clicks, 1);
    ASSERT_EQ(backend_.MessageBoxes().size(), 1u);
    const MessageBoxRecord& question = backend_.MessageBoxes()[0];
    EXPECT_EQ(question.text, kRestartQuestion);
    EXPECT_EQ(question.title, u"Zentrim - Make your computer, games & internet run faster");
    EXPECT_EQ(question.flags, 0x134u);
    EXPECT_EQ(question.owner, &mainForm_);
    EXPECT_TRUE(restart_.calls.empty());
    EXPECT_EQ(registry_.ReadRegistryString(hkcu, u"\\Control Panel\\Desktop\\WindowMetrics\\", u"MinAnimate",
                                           u"", RegistryView::Bits64()),
              u"1");
    EXPECT_EQ(registry_.ReadRegistryInteger(RegistryRoot::LocalMachine, ProductKeyPath, u"SpeedSetting", -1,
                                            RegistryView::Default()),
              1);

    // The restore: confirmed with OK, then Yes to the restart.
    backend_.QueueAnswer(message_box::kIdOk);
    backend_.QueueAnswer(message_box::kIdYes);
    view_.barAtEachStep.clear();
    RunRestore(view_, registry_, restart_);

    ASSERT_EQ(backend_.MessageBoxes().size(), 3u);
    EXPECT_EQ(backend_.MessageBoxes()[1].flags, 0x31u);
    EXPECT_EQ(
        backend_.MessageBoxes()[1].text,
        u"This will restore all changes made to the computer's system, gaming and internet settings to their "
        u"original recommended values.\r\n\r\nClick OK to continue.");
    EXPECT_EQ(backend_.MessageBoxes()[2].text, kRestartQuestion);
    EXPECT_EQ(progress_.CurrentSettingsHeading().Caption(),
              u"Restoring the computer's system, gaming && internet settings");
    ASSERT_EQ(view_.barAtEachStep.size(), 29u);
    EXPECT_EQ(view_.barAtEachStep.back(), 100);
    EXPECT_FALSE(restoreButton_.Enabled());
    EXPECT_TRUE(mainForm_.Enabled());
    EXPECT_EQ(view_.clicks, 2);
    EXPECT_FALSE(restart_.calls.empty()); // Yes asked for the restart
    EXPECT_EQ(registry_.ReadRegistryString(hkcu, u"\\Control Panel\\Desktop\\WindowMetrics\\", u"MinAnimate",
                                           u"", RegistryView::Bits64()),
              u"0"); // the user's own value is back
}

TEST_F(RunsWithWindows, CancelledRestoreShowsNoProgressWindowAndPlaysNothing) {
    registry_.WriteRegistryBool(RegistryRoot::LocalMachine, ProductKeyPath, u"Restore", true,
                                RegistryView::Default());
    restoreButton_.SetEnabled(true);
    backend_.QueueAnswer(message_box::kIdCancel);
    RunRestore(view_, registry_, restart_);
    EXPECT_EQ(backend_.MessageBoxes().size(), 1u);
    EXPECT_EQ(view_.clicks, 0);
    EXPECT_TRUE(view_.barAtEachStep.empty());
    EXPECT_TRUE(restoreButton_.Enabled());
    EXPECT_TRUE(registry_.ReadRegistryBool(RegistryRoot::LocalMachine, ProductKeyPath, u"Restore", false,
                                           RegistryView::Default()));
}

} // namespace
} // namespace zentrim
