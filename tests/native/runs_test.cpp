// The optimize and restore runs as the user meets them: what they ask of the windows and in which
// order, their message boxes, the warning when settings could not be changed, the restart offer,
// and how they end after a failure.
#include "engine/runs.h"

#include "engine/product_key.h"
#include "engine/tweak_catalogue.h"
#include "run_fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zentrim {
namespace {

using enum RegistryRoot;
using testing::FakeRunView;
using Call = RecordingSystemRestart::Call;

std::string Caption(std::u16string_view window, std::u16string_view key) {
    return ToUtf8(FakeRunView::Caption(window, key));
}

std::vector<std::string> Steps(const std::vector<std::pair<std::u16string_view, int>>& groups) {
    std::vector<std::string> calls;
    for (const auto& [key, times] : groups) {
        for (int i = 0; i < times; ++i) {
            calls.push_back("ShowProgressStep(" + Caption(u"ZTSettingsForm", key) + ")");
        }
    }
    return calls;
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const std::vector<std::pair<std::u16string_view, int>> kFindingSteps{
    {u"MessageChange0", 2}, {u"MessageChange1", 2}, {u"MessageChange2", 3},
    {u"MessageChange3", 1}, {u"MessageChange4", 2}, {u"MessageChange5", 4},
    {u"MessageChange6", 4}, {u"MessageChange7", 2}, {u"MessageChange8", 3},
};

std::u16string Paragraphs(std::initializer_list<std::u16string_view> keys) {
    std::u16string text;
    for (const auto key : keys) {
        text += (text.empty() ? u"" : u"\r\n\r\n") + FakeRunView::Caption(u"ZTMainForm", key);
    }
    return text;
}

const std::u16string kRestartText =
    Paragraphs({u"MessageBoxChangeRestart1", u"MessageBoxChangeRestart2", u"MessageBoxChangeRestart3"});
const std::u16string kWarningText = Paragraphs({u"MessageBoxAccessDenied1", u"MessageBoxAccessDenied2"});
const std::u16string kBackupFailedText = Paragraphs({u"MessageBoxBackupFailed1", u"MessageBoxBackupFailed2"});

class Runs : public ::testing::Test {
protected:
    void Optimize() { RunOptimize(view_, registry_, restart_); }
    void Restore() { RunRestore(view_, registry_, restart_); }

    bool RestoreFlag() const {
        return registry_.ReadRegistryBool(LocalMachine, ProductKeyPath, u"Restore", false,
                                          RegistryView::Default());
    }
    std::optional<RawValue> Live(int number) const {
        const TweakRow& row = TweakRowByNumber(number);
        return registry_.ReadRegistryRaw(row.key.root, row.key.path, row.valueName, RegistryView::Bits64());
    }
    std::vector<StoredKey> Machine() const { return store_.Snapshot(); }

    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FakeRunView view_;
    RecordingSystemRestart restart_;
};

bool SameContent(const std::vector<StoredKey>& a, const std::vector<StoredKey>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].rootName != b[i].rootName || a[i].path != b[i].path ||
            a[i].values.size() != b[i].values.size()) {
            return false;
        }
        for (std::size_t j = 0; j < a[i].values.size(); ++j) {
            const auto& x = a[i].values[j];
            const auto& y = b[i].values[j];
            if (x.name != y.name || x.type != y.type || x.data != y.data) {
                return false;
            }
        }
    }
    return true;
}

TEST_F(Runs, OptimizeRunDrivesTheWindowsInOrder) {
    Optimize();
    const auto expected = Join({
        {"InternetType", "ProcessorType", "SpeedSetting", "PlayClickSound", "EnableMainWindow(0)",
         "ShowProgressWindow", "SetProgressStepTotal(33)", "SetProgressStepCount(0)",
         "SetProgressHeading(" + Caption(u"ZTSettingsForm", u"MessageUpdate") + ")"},
        Steps(kFindingSteps),
        Steps({{u"MessageChange9", 3}, {u"MessageChange10", 6}}),
        {"WindowsIndex", "ConvertWindowsVersion(1)", "InternetType", "SpeedSetting", "EnableMainWindow(1)",
         "CloseProgressWindow", "EnableRestoreButton(1)", "MessageBox(0x134)"},
    });
    EXPECT_EQ(view_.calls, expected);
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_EQ(view_.boxes[0].text, kRestartText);
    EXPECT_EQ(view_.boxes[0].title, FakeRunView::kTitle);
    EXPECT_EQ(view_.barAfterStep.front(), 3);
    EXPECT_EQ(view_.barAfterStep.back(), 97);
    EXPECT_TRUE(view_.mainWindowEnabled);
    EXPECT_TRUE(view_.restoreButtonEnabled);
    EXPECT_FALSE(view_.progressShown);
    EXPECT_TRUE(restart_.calls.empty()) << "No restarts nothing";
}

TEST_F(Runs, RestoreRunDrivesTheWindowsInOrder) {
    Optimize();
    view_ = FakeRunView{};
    view_.restoreButtonEnabled = true;
    view_.answers = {message_box::kIdOk, message_box::kIdNo};
    Restore();
    const auto expected = Join({
        {"MessageBox(0x31)", "PlayClickSound", "EnableMainWindow(0)", "ShowProgressWindow",
         "SetProgressStepTotal(29)", "SetProgressStepCount(0)",
         "SetProgressHeading(" + Caption(u"ZTSettingsForm", u"MessageRestore") + ")"},
        Steps(kFindingSteps),
        Steps({{u"MessageChange11", 6}}),
        {"WindowsIndex", "ConvertWindowsVersion(1)", "InternetType", "EnableMainWindow(1)",
         "CloseProgressWindow", "EnableRestoreButton(0)", "MessageBox(0x134)"},
    });
    EXPECT_EQ(view_.calls, expected);
    ASSERT_EQ(view_.boxes.size(), 2u);
    EXPECT_EQ(view_.boxes[0].text, Paragraphs({u"MessageBoxReset1", u"MessageBoxReset2"}));
    EXPECT_EQ(view_.boxes[0].title, FakeRunView::kTitle);
    EXPECT_EQ(view_.boxes[1].text, kRestartText);
    EXPECT_EQ(view_.barAfterStep.front(), 3);
    EXPECT_EQ(view_.barAfterStep[14], 52);
    EXPECT_EQ(view_.barAfterStep.back(), 100);
    EXPECT_TRUE(view_.mainWindowEnabled);
    EXPECT_FALSE(view_.restoreButtonEnabled);
    EXPECT_FALSE(RestoreFlag());
}

TEST_F(Runs, AnythingButOkInTheConfirmationChangesNothing) {
    Optimize();
    for (const int answer : {message_box::kIdCancel, 0}) {
        const auto before = Machine();
        view_ = FakeRunView{};
        view_.answers = {answer};
        Restore();
        EXPECT_EQ(view_.calls, std::vector<std::string>{"MessageBox(0x31)"}) << "no sound, no window";
        EXPECT_TRUE(SameContent(Machine(), before));
        EXPECT_TRUE(RestoreFlag());
    }
}

TEST_F(Runs, StepsDoNoRegistryWork) {
    const TweakRow& row = TweakRowByNumber(1);
    std::vector<std::vector<StoredKey>> duringSteps;
    view_.onCall = [&](const std::string& call) {
        if (call.rfind("ShowProgressStep", 0) == 0) {
            duringSteps.push_back(Machine());
        }
    };
    Optimize();
    ASSERT_EQ(duringSteps.size(), 32u);
    for (const auto& state : duringSteps) {
        EXPECT_TRUE(SameContent(state, duringSteps.front()));
    }
    // Only the choices are stored before the steps; the backup is not yet marked as taken.
    MemoryRegistryStore atFirstStep;
    atFirstStep.Load(duringSteps.front());
    const CustomRegistry first(atFirstStep);
    EXPECT_EQ(
        first.ReadRegistryInteger(LocalMachine, ProductKeyPath, u"SpeedSetting", -1, RegistryView::Default()),
        1);
    EXPECT_FALSE(first.ReadRegistryRaw(LocalMachine, ProductKeyPath, u"Restore", RegistryView::Default()));
    EXPECT_FALSE(first.ReadRegistryRaw(row.key.root, row.key.path, row.valueName, RegistryView::Bits64()));

    duringSteps.clear();
    view_.answers = {message_box::kIdOk};
    Restore();
    ASSERT_EQ(duringSteps.size(), 29u);
    for (const auto& state : duringSteps) {
        EXPECT_TRUE(SameContent(state, duringSteps.front()));
    }
    MemoryRegistryStore atRestoreStep;
    atRestoreStep.Load(duringSteps.front());
    EXPECT_TRUE(
        CustomRegistry(atRestoreStep)
            .ReadRegistryBool(LocalMachine, ProductKeyPath, u"Restore", false, RegistryView::Default()));
}

TEST_F(Runs, ChoicesAreReadWhenUsed) {
    view_.internetType = 0;
    view_.onCall = [&](const std::string& call) {
        if (call == "ShowProgressStep(" + Caption(u"ZTSettingsForm", u"MessageChange10") + ")") {
            view_.internetType = 2; // dial-up chosen while the steps run
            view_.speedSetting = 0;
        }
    };
    Optimize();
    EXPECT_EQ(registry_.ReadRegistryInteger(LocalMachine, ProductKeyPath, u"InternetType", -1,
                                            RegistryView::Default()),
              0);
    EXPECT_FALSE(Live(35)) << "the write phase uses the internet type chosen now";
    EXPECT_EQ(Live(28), ToRawValue(DwordValue(4)));
}

TEST_F(Runs, YesRestartsWindowsAndNoDoesNot) {
    view_.answers = {message_box::kIdYes};
    Optimize();
    const std::vector<Call> restart{{Call::Kind::SetShutdownPrivilege, 1},
                                    {Call::Kind::RequestExit, 0x12},
                                    {Call::Kind::SetShutdownPrivilege, 0}};
    EXPECT_EQ(restart_.calls, restart);

    restart_.calls.clear();
    view_.answers = {message_box::kIdOk, message_box::kIdYes};
    Restore();
    EXPECT_EQ(restart_.calls, restart);

    restart_.calls.clear();
    for (const int answer : {message_box::kIdNo, message_box::kIdCancel, 0}) {
        view_.answers = {answer};
        Optimize();
        view_.answers = {message_box::kIdOk, answer};
        Restore();
    }
    EXPECT_TRUE(restart_.calls.empty());
}

// Without administrator rights no backup can be stored, so the run changes nothing, not even the
// user's own rows, and says so instead of offering a restart.
TEST_F(Runs, WithoutMachineRightsNothingChangesAndTheUserIsTold) {
    registry_.WriteRegistryInteger(CurrentUser,
                                   u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                                   u"MaxConnectionsPerServer", 10, RegistryView::Bits64());
    const auto before = Machine();
    store_.DenyWrites(LocalMachine);
    Optimize();
    ASSERT_EQ(view_.boxes.size(), 1u);
    EXPECT_EQ(view_.boxes[0].flags, 0x30u);
    EXPECT_EQ(view_.boxes[0].text, kBackupFailedText);
    EXPECT_EQ(view_.boxes[0].title, FakeRunView::kTitle);
    const std::vector<std::string> ending(view_.calls.end() - 4, view_.calls.end());
    EXPECT_EQ(ending, (std::vector<std::string>{"EnableMainWindow(1)", "CloseProgressWindow",
                                                "EnableRestoreButton(0)", "MessageBox(0x30)"}));
    EXPECT_TRUE(SameContent(Machine(), before)) << "a tweak was written without a backup";
    EXPECT_TRUE(restart_.calls.empty());
}

TEST_F(Runs, RestoreReportsMachineValuesItCouldNotPutBack) {
    const std::u16string_view priorityKey = u"\\System\\CurrentControlSet\\Control\\PriorityControl";
    registry_.WriteRegistryInteger(LocalMachine, priorityKey, u"Win32PrioritySeparation", 38,
                                   RegistryView::Bits64());
    Optimize();
    store_.DenyWrites(LocalMachine);
    view_ = FakeRunView{};
    view_.answers = {message_box::kIdOk};
    Restore();
    EXPECT_EQ(view_.calls.end()[-2], "MessageBox(0x30)");
    ASSERT_EQ(view_.boxes.size(), 3u); // confirmation, warning, restart question
    EXPECT_EQ(view_.boxes[1].text, kWarningText);
    EXPECT_TRUE(RestoreFlag()) << "the backup stays for a later restore with the rights to it";
    EXPECT_TRUE(view_.restoreButtonEnabled);
    EXPECT_FALSE(Live(17)) << "the user's rows are restored";

    // A second restore with the rights (as administrator) finishes the job from the kept backup.
    MemoryRegistryStore administrator;
    administrator.Load(store_.Snapshot());
    const CustomRegistry withRights(administrator);
    FakeRunView again;
    again.answers = {message_box::kIdOk};
    RunRestore(again, withRights, restart_);
    EXPECT_EQ(withRights.ReadRegistryInteger(LocalMachine, priorityKey, u"Win32PrioritySeparation", 0,
                                             RegistryView::Bits64()),
              38);
    EXPECT_FALSE(withRights.ReadRegistryRaw(LocalMachine, ProductKeyPath, u"Restore", RegistryView::Default())
                     .has_value());
    EXPECT_FALSE(again.restoreButtonEnabled);
    ASSERT_EQ(again.boxes.size(), 2u) << "confirmation and restart question only";

    MemoryRegistryStore fresh;
    const CustomRegistry registry(fresh);
    FakeRunView view;
    RecordingSystemRestart restart;
    RunOptimize(view, registry, restart);
    view.answers = {message_box::kIdOk};
    RunRestore(view, registry, restart);
    for (const auto& box : view.boxes) {
        EXPECT_NE(box.flags, 0x30u) << "everything took";
    }
}

// A failure in the middle of a run ends it quietly and gives the main window back.
TEST_F(Runs, FailureWhileSteppingHandsTheWindowsBack) {
    view_.failAt = "ShowProgressStep";
    view_.failAtOccurrence = 5;
    Optimize();
    EXPECT_TRUE(view_.mainWindowEnabled);
    EXPECT_FALSE(view_.progressShown);
    EXPECT_FALSE(view_.restoreButtonEnabled) << "no backup is held";
    EXPECT_TRUE(view_.boxes.empty());
    EXPECT_FALSE(RestoreFlag());
    EXPECT_FALSE(Live(1));

    view_ = FakeRunView{};
    Optimize();
    view_ = FakeRunView{};
    view_.answers = {message_box::kIdOk};
    view_.failAt = "WindowsIndex";
    Restore();
    EXPECT_TRUE(view_.mainWindowEnabled);
    EXPECT_FALSE(view_.progressShown);
    EXPECT_TRUE(view_.restoreButtonEnabled) << "the backup is still held";
    EXPECT_TRUE(RestoreFlag());
}

TEST_F(Runs, FailureBeforeOrAfterHoldingTheWindowsLeavesThemAlone) {
    view_.answers = {message_box::kIdOk};
    view_.failAt = "PlayClickSound";
    Restore();
    EXPECT_EQ(view_.calls, std::vector<std::string>{"MessageBox(0x31)"});

    view_ = FakeRunView{};
    view_.failAt = "MessageBox(0x134)";
    Optimize();
    EXPECT_TRUE(view_.mainWindowEnabled);
    EXPECT_TRUE(view_.restoreButtonEnabled);
    EXPECT_EQ(view_.calls.back(), "EnableRestoreButton(1)");
    EXPECT_TRUE(RestoreFlag());
}

} // namespace
} // namespace zentrim
