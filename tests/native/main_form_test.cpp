// The main window on the headless toolkit with the English catalogue, an in-memory registry and
// a recording launcher.
#include "app/main/main_form.h"

#include "base/text.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source.h"
#include "engine/clock.h"
#include "engine/custom_registry.h"
#include "engine/date_text.h"
#include "engine/date_time.h"
#include "engine/memory_registry_store.h"
#include "engine/product_key.h"
#include "engine/regional_formats.h"
#include "engine/restart.h"
#include "engine/windows_version.h"
#include "launch/recording_launcher.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"
#include "ui/sound.h"

#include "support/windows10_source.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using namespace toolkit;

using testing::Windows10Source;

class MainFormTest : public ::testing::Test {
protected:
    static constexpr std::u16string_view kFolder = u"C:\\Apps\\Zentrim\\";

    void Make(bool elevated = true) {
        main_ = std::make_unique<MainForm>(MainFormDependencies{
            .app = app_,
            .registry = registry_,
            .captions = captions_,
            .clickSound = sound_,
            .shell = shell_,
            .restart = restart_,
            .versionSource = version_,
            .clock = clock_,
            .dateFormatter = formatter_,
            .pacing = {.minPasses = 2, .maxPasses = 3, .dotPasses = {1, 2, 3}, .pauseMilliseconds = 0},
            .elevated = elevated,
            .lockStart = [this]() -> std::unique_ptr<StartLock> {
                return std::make_unique<CountedLock>(locks_);
            },
        });
    }

    // The start lock, counted while it is held.
    class CountedLock final : public StartLock {
    public:
        explicit CountedLock(int& held) : held_(held) { ++held_; }
        ~CountedLock() override { --held_; }

    private:
        int& held_;
    };
    int locks_ = 0;
    void WriteProduct(std::u16string_view name, int value) {
        registry_.WriteRegistryInteger(kProductKeyRoot, ProductKeyPath, name, value, RegistryView::Default());
    }
    std::u16string DaysAgo(double days) { return IntToText(EncodeStoredDate(clock_.Now() - days)); }

    HeadlessBackend backend_;
    Application app_{backend_};
    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FolderCatalogueSource catalogues_{std::string(ZENTRIM_RESOURCES_DIR) + "/captions"};
    CaptionCatalogue captions_{registry_, catalogues_};
    RecordingClickSound sound_;
    RecordingLauncher launcher_;
    Shell shell_{launcher_, std::u16string(kFolder)};
    RecordingSystemRestart restart_;
    Windows10Source version_;
    FixedClock clock_{*EncodeDateTime({2024, 6, 1, 12, 0, 0, 0})};
    DateTextFormatter formatter_{EnglishUnitedStatesFormatSettings(), EnglishUnitedStatesFormatSettings()};
    std::unique_ptr<MainForm> main_;
};

TEST_F(MainFormTest, PreparationFillsTextsAndPreselectsTheStoredChoices) {
    const std::u16string installed = DaysAgo(10);
    registry_.WriteRegistryString(kProductKeyRoot, ProductKeyPath, u"InstalledDate", installed,
                                  RegistryView::Default());
    WriteProduct(u"ProcessorType", 2);
    WriteProduct(u"InternetType", 7);
    WriteProduct(u"SpeedSetting", 5);
    registry_.WriteRegistryBool(kProductKeyRoot, ProductKeyPath, u"Restore", true, RegistryView::Default());
    Make();

    EXPECT_EQ(main_->Form().ClassName(), u"TZTMainForm");
    EXPECT_EQ(main_->Form().Caption(), u"Zentrim - Make your computer, games & internet run faster");
    EXPECT_EQ(main_->VersionInstalledLabel().Caption(), u"Version installed : 2.10.21.2024");
    EXPECT_EQ(main_->SoftwareLastUpdateLabel().Caption(),
              u"Last updated : " + formatter_.FormatDateText(installed));
    EXPECT_EQ(main_->GoButton().Caption(), u"&Optimize now");
    EXPECT_EQ(main_->HelpFilePopup().Caption(), u"Get &help with Zentrim");
    EXPECT_EQ(main_->WindowsCombo().SelectedIndex(), 1);   // Windows 10
    EXPECT_EQ(main_->ProcessorCombo().SelectedIndex(), 2); // VIA, as stored
    EXPECT_EQ(main_->ModemCombo().SelectedIndex(), 7);
    EXPECT_EQ(main_->SpeedTrackBar().Position(), 1); // 5 clamped
    EXPECT_TRUE(main_->RestoreButton().Enabled());
    EXPECT_EQ(main_->FasterLabel().Left() + main_->FasterLabel().Width(), 307);
    EXPECT_TRUE(launcher_.Launches().empty()); // updated 10 days ago: no check
    EXPECT_FALSE(main_->Form().Visible());
}

TEST_F(MainFormTest, NegativeSpeedAndNoRestoreFlag) {
    WriteProduct(u"SpeedSetting", -3);
    Make();
    EXPECT_EQ(main_->SpeedTrackBar().Position(), 0);
    EXPECT_FALSE(main_->RestoreButton().Enabled());
    EXPECT_EQ(main_->SoftwareLastUpdateLabel().Caption(), u"Last updated : ");
}

// "&Restore" is offered whenever any part of a backup is in the product key, whatever the flag
// says: here backup values and the text "1" that no version writes.
TEST_F(MainFormTest, RestoreIsOfferedForBackupValuesWithAForeignFlag) {
    registry_.WriteRegistryString(kProductKeyRoot, ProductKeyPath, u"Restore", u"1", RegistryView::Default());
    WriteProduct(u"Win32PrioritySeparation", 38);
    WriteProduct(u"AutoReboot", 0);
    Make();
    EXPECT_TRUE(main_->RestoreButton().Enabled());
}

TEST_F(MainFormTest, UpdateCheckStartsAfterMoreThan45Days) {
    struct Case {
        double daysAgo;
        bool starts;
    };
    for (const Case c : {Case{46, true}, Case{45, false}, Case{-46, true}, Case{0, false}}) {
        SCOPED_TRACE(c.daysAgo);
        main_.reset();
        RecordingLauncher launcher;
        Shell shell{launcher, std::u16string(kFolder)};
        registry_.WriteRegistryString(kProductKeyRoot, ProductKeyPath, u"UpdatedDate", DaysAgo(c.daysAgo),
                                      RegistryView::Default());
        MainForm main{{.app = app_,
                       .registry = registry_,
                       .captions = captions_,
                       .clickSound = sound_,
                       .shell = shell,
                       .restart = restart_,
                       .versionSource = version_,
                       .clock = clock_,
                       .dateFormatter = formatter_}};
        if (c.starts) {
            ASSERT_EQ(launcher.Launches().size(), 1u);
            EXPECT_EQ(launcher.Launches()[0].file, u"C:\\Apps\\Zentrim\\Zentrim.exe");
            EXPECT_EQ(launcher.Launches()[0].parameters, u"/checkupdate");
            EXPECT_EQ(launcher.Launches()[0].owner, nullptr);
        } else {
            EXPECT_TRUE(launcher.Launches().empty());
        }
    }
}

TEST_F(MainFormTest, PointingAtANavButtonUnderlinesItsLabelAndKeepsBold) {
    Make();
    main_->Form().Show();
    Label& support = main_->NavStatic(3);
    ASSERT_TRUE(backend_.Hover(main_->NavButton(3)));
    EXPECT_TRUE(support.GetFont().Has(kFontBold | kFontUnderline));
    ASSERT_TRUE(backend_.Hover(main_->LinkLabel(5)));
    EXPECT_FALSE(support.GetFont().Has(kFontUnderline));
    EXPECT_TRUE(support.GetFont().Has(kFontBold));
    EXPECT_TRUE(main_->LinkLabel(5).GetFont().Has(kFontUnderline));
    backend_.MoveMouseAway(main_->Form());
    EXPECT_FALSE(main_->LinkLabel(5).GetFont().Has(kFontUnderline));
}

TEST_F(MainFormTest, HelpButtonOpensThePopupBelowItAndItsItemsWork) {
    Make();
    main_->Form().Show();
    backend_.QueueMenuChoice(u"TechSupportPopup");
    std::vector<std::size_t> launchesAtClick; // each click sounds before its launch
    sound_.onPlay = [&] { launchesAtClick.push_back(launcher_.Launches().size()); };
    ASSERT_TRUE(backend_.Click(main_->NavStatic(1)));
    ASSERT_EQ(backend_.Popups().size(), 1u);
    const Rect window = main_->Form().WindowRect();
    const Point expected{window.left + (window.Width() - 764) + 672 + 78,
                         window.top + (window.Height() - 500) + 16 + 27};
    EXPECT_EQ(backend_.Popups()[0].point.x, expected.x);
    EXPECT_EQ(backend_.Popups()[0].point.y, expected.y);
    EXPECT_EQ(backend_.Popups()[0].alignment, MenuAlignment::Right);
    ASSERT_EQ(launcher_.Launches().size(), 1u);
    EXPECT_EQ(launcher_.Launches()[0].file, u"http://www.orvane.com/support/");
    EXPECT_EQ(sound_.Plays(), 1);

    ASSERT_TRUE(backend_.Click(main_->LinkLabel(6)));
    EXPECT_EQ(launcher_.Launches().back().file, u"http://www.orvane.com");
    ASSERT_TRUE(backend_.Click(main_->UpdatesButton()));
    EXPECT_EQ(launcher_.Launches().back().file, u"C:\\Apps\\Zentrim\\ZentrimUpdate.exe");
    EXPECT_EQ(launchesAtClick, (std::vector<std::size_t>{0, 1, 2}));
}

TEST_F(MainFormTest, F1InTheAboutWindowOpensTheSameHelpAndIsNotHandled) {
    Make();
    main_->Form().Show();
    bool handled = true;
    backend_.QueueModalAction([&](Form& about) {
        EXPECT_EQ(about.ClassName(), u"TZTAboutForm");
        handled = backend_.PressKey(app_, kVirtualKeyF1);
    });
    ASSERT_TRUE(backend_.Click(main_->LinkLabel(7)));
    EXPECT_FALSE(handled);
    EXPECT_EQ(sound_.Plays(), 1);
    ASSERT_EQ(backend_.ModalShowings().size(), 1u);
    EXPECT_EQ(launcher_.HelpLocations().size(), 1u);

    ASSERT_TRUE(backend_.Click(main_->LinkLabel(4))); // "Help with Zentrim" acts as F1
    ASSERT_EQ(launcher_.HelpLocations().size(), 2u);
    EXPECT_EQ(launcher_.HelpLocations()[0], launcher_.HelpLocations()[1]);
    EXPECT_EQ(sound_.Plays(), 1);

    main_->Form().Hide();
    backend_.PressKey(app_, kVirtualKeyF1); // no window visible
    EXPECT_EQ(launcher_.HelpLocations().size(), 2u);
}

TEST_F(MainFormTest, CloseRequestDuringARunIsHeldUntilTheRunHasEnded) {
    Make();
    app_.Run(main_->Form()); // shows it; nothing posted, so the loop returns at once
    ASSERT_TRUE(main_->Form().Visible());
    bool closedDuringRun = false;
    backend_.Post([&] {
        main_->Form().Close(); // the check process's close request arrives mid-run
        closedDuringRun = !main_->Form().Visible();
    });
    backend_.QueueAnswer(message_box::kIdNo);
    ASSERT_TRUE(backend_.Click(main_->GoButton()));

    EXPECT_FALSE(closedDuringRun);
    EXPECT_FALSE(main_->RunInProgress());
    ASSERT_EQ(backend_.MessageBoxes().size(), 1u); // the restart question was still asked
    EXPECT_TRUE(registry_.ReadRegistryBool(kProductKeyRoot, ProductKeyPath, u"Restore", false,
                                           RegistryView::Default()));
    EXPECT_FALSE(main_->Form().Visible()); // closed once the run was over
    EXPECT_TRUE(app_.Terminated());
}

TEST_F(MainFormTest, CheckProcessCloseRequestsDuringARunLeaveTheProgressWindowUntilTheRunEnds) {
    Make();
    app_.Run(main_->Form());
    Form& progress = main_->Progress().Form();
    bool progressShownAfterRequests = false;
    bool mainShownAfterRequests = false;
    int stepsDoneAtRequests = -1;
    backend_.Post([&] {
        // A check process that found an update closes the windows in its order: About (hidden
        // here), the progress window, the main window.
        main_->About().Form().Close();
        progress.Close();
        main_->Form().Close();
        progressShownAfterRequests = progress.Visible();
        mainShownAfterRequests = main_->Form().Visible();
        stepsDoneAtRequests = main_->Progress().ProgressStepCount();
    });
    backend_.QueueAnswer(message_box::kIdNo);
    ASSERT_TRUE(backend_.Click(main_->GoButton()));

    EXPECT_TRUE(progressShownAfterRequests);
    EXPECT_TRUE(mainShownAfterRequests);
    EXPECT_EQ(stepsDoneAtRequests, 0); // the requests came during the first step
    // The run went on through all 32 of its steps, with the bar at 32 of 33.
    EXPECT_EQ(main_->Progress().ProgressStepCount(), 32);
    EXPECT_EQ(main_->Progress().MainProgress().Position(), 97);
    EXPECT_TRUE(registry_.ReadRegistryBool(kProductKeyRoot, ProductKeyPath, u"Restore", false,
                                           RegistryView::Default()));
    ASSERT_EQ(backend_.MessageBoxes().size(), 1u);
    EXPECT_FALSE(progress.Visible());
    EXPECT_FALSE(main_->Form().Visible());
    EXPECT_TRUE(app_.Terminated());

    // With no run, the progress window closes at once, as before.
    progress.Show();
    progress.Close();
    EXPECT_FALSE(progress.Visible());
}

TEST_F(MainFormTest, CloseRequestWithoutARunClosesAtOnce) {
    Make();
    main_->Form().Show();
    main_->Form().Close();
    EXPECT_FALSE(main_->Form().Visible());
}

// Without administrator rights the runs cannot keep their backup: their buttons carry the shield,
// and pressing one offers to start Zentrim as an administrator instead of running.
TEST_F(MainFormTest, WithoutAdministratorRightsTheRunsOfferAnElevatedStart) {
    const std::u16string question = u"Zentrim needs administrator rights to change the computer's system, "
                                    u"gaming and internet settings and "
                                    u"to keep a backup of them.\r\n\r\nClick Yes to start Zentrim as an "
                                    u"administrator, or click No to leave "
                                    u"the settings as they are.";
    const struct {
        const char* what;
        bool restoreButton;
        int answer;          // to the question
        bool granted;        // by Windows' own question
        bool startedAndGone; // an elevated Zentrim started, this window closed
    } cases[] = {
        {"Optimize, Yes, granted", false, kIdYes, true, true},
        {"Restore, Yes, granted", true, kIdYes, true, true},
        {"Optimize, No", false, kIdNo, true, false},
        {"Optimize, Yes, Windows' prompt declined", false, kIdYes, false, false},
    };
    registry_.WriteRegistryBool(kProductKeyRoot, ProductKeyPath, u"Restore", true, RegistryView::Default());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        main_.reset();
        launcher_.SetElevationGranted(c.granted);
        const std::size_t launchesBefore = launcher_.Launches().size();
        const std::size_t boxesBefore = backend_.MessageBoxes().size();
        Make(false);
        main_->Form().Show();
        EXPECT_TRUE(main_->GoButton().Shield());
        EXPECT_TRUE(main_->RestoreButton().Shield());
        backend_.QueueAnswer(c.answer);
        ASSERT_TRUE(backend_.Click(c.restoreButton ? static_cast<Control&>(main_->RestoreButton())
                                                   : static_cast<Control&>(main_->GoButton())));

        ASSERT_EQ(backend_.MessageBoxes().size(), boxesBefore + 1) << "one question, no run's boxes";
        const MessageBoxRecord& box = backend_.MessageBoxes().back();
        EXPECT_EQ(box.text, question);
        EXPECT_EQ(box.title, u"Zentrim - Make your computer, games & internet run faster");
        EXPECT_EQ(box.flags, kMbYesNo | kMbIconQuestion);
        EXPECT_EQ(box.owner, &main_->Form());
        if (c.answer == kIdYes) {
            ASSERT_EQ(launcher_.Launches().size(), launchesBefore + 1);
            EXPECT_EQ(launcher_.Launches().back().verb, u"runas");
            EXPECT_EQ(launcher_.Launches().back().file, u"C:\\Apps\\Zentrim\\Zentrim.exe");
            EXPECT_EQ(launcher_.Launches().back().parameters, u"");
        } else {
            EXPECT_EQ(launcher_.Launches().size(), launchesBefore);
        }
        EXPECT_EQ(main_->Form().Visible(), !c.startedAndGone);
        // The lock that keeps the new instance from finding this window goes only with the window.
        EXPECT_EQ(locks_, c.startedAndGone ? 1 : 0);
        // No run: nothing stored, the backup untouched, the window usable.
        EXPECT_FALSE(main_->RunInProgress());
        EXPECT_TRUE(main_->Form().Enabled());
        EXPECT_EQ(registry_.ReadRegistryInteger(kProductKeyRoot, ProductKeyPath, u"InternetType", -1,
                                                RegistryView::Default()),
                  -1);
        EXPECT_TRUE(registry_.ReadRegistryBool(kProductKeyRoot, ProductKeyPath, u"Restore", false,
                                               RegistryView::Default()));
        EXPECT_EQ(sound_.Plays(), 0);
    }
    main_.reset();
    EXPECT_EQ(locks_, 0);

    // With the rights, no shield and no question: the run itself starts.
    launcher_.SetElevationGranted(true);
    Make(true);
    EXPECT_FALSE(main_->GoButton().Shield());
    EXPECT_FALSE(main_->RestoreButton().Shield());
    EXPECT_TRUE(main_->UpdatesButton().Shield());
}

} // namespace
} // namespace zentrim
