#include "engine/runs.h"

#include "engine/backup.h"
#include "engine/product_key.h"
#include "engine/run_phases.h"

#include <array>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace zentrim {

namespace {

constexpr std::u16string_view kMainWindow = u"ZTMainForm";
constexpr std::u16string_view kProgressWindow = u"ZTSettingsForm";
constexpr std::u16string_view kParagraphBreak = u"\r\n\r\n";

// A run of progress steps that show the same text.
struct StepGroup {
    std::u16string_view key;
    int times;
};

// 32 steps against a total of 33: the bar stops at 97 percent, the registry work still to come.
constexpr int kOptimizeStepTotal = 33;
constexpr std::array<StepGroup, 11> kOptimizeSteps{{
    {u"MessageChange0", 2},
    {u"MessageChange1", 2},
    {u"MessageChange2", 3},
    {u"MessageChange3", 1},
    {u"MessageChange4", 2},
    {u"MessageChange5", 4},
    {u"MessageChange6", 4},
    {u"MessageChange7", 2},
    {u"MessageChange8", 3},
    {u"MessageChange9", 3},
    {u"MessageChange10", 6},
}};

constexpr int kRestoreStepTotal = 29;
constexpr std::array<StepGroup, 10> kRestoreSteps{{
    {u"MessageChange0", 2},
    {u"MessageChange1", 2},
    {u"MessageChange2", 3},
    {u"MessageChange3", 1},
    {u"MessageChange4", 2},
    {u"MessageChange5", 4},
    {u"MessageChange6", 4},
    {u"MessageChange7", 2},
    {u"MessageChange8", 3},
    {u"MessageChange11", 6},
}};

constexpr int StepCount(std::span<const StepGroup> steps) {
    int count = 0;
    for (const StepGroup& group : steps) {
        count += group.times;
    }
    return count;
}
static_assert(StepCount(kOptimizeSteps) == kOptimizeStepTotal - 1);
static_assert(StepCount(kRestoreSteps) == kRestoreStepTotal);

// Paragraphs of the main window's catalogue section joined into one message box text.
std::u16string MessageText(RunView& view, std::initializer_list<std::u16string_view> keys) {
    std::u16string text;
    bool first = true;
    for (const std::u16string_view key : keys) {
        if (!first) {
            text += kParagraphBreak;
        }
        first = false;
        text += view.GetCaption(kMainWindow, key);
    }
    return text;
}

int AskMainWindow(RunView& view, std::initializer_list<std::u16string_view> keys, std::uint32_t flags) {
    const std::u16string text = MessageText(view, keys);
    return view.ShowMessageBox(text, view.MainWindowTitle(), flags);
}

// Disables the main window and walks the progress window through a run's steps.
void ShowSteps(RunView& view, std::u16string_view headingKey, int total, std::span<const StepGroup> steps) {
    view.EnableMainWindow(false);
    view.ShowProgressWindow();
    view.SetProgressStepTotal(total);
    view.SetProgressStepCount(0);
    view.SetProgressHeading(view.GetCaption(kProgressWindow, headingKey));
    for (const StepGroup& group : steps) {
        for (int i = 0; i < group.times; ++i) {
            view.ShowProgressStep(view.GetCaption(kProgressWindow, group.key));
        }
    }
}

// A value as the damaged-record warning names it: its name, then its key from the root.
std::u16string SettingName(const TweakRow& row) {
    std::u16string name = u"\"";
    name += row.valueName;
    name += u"\" (";
    name += row.key.root == RegistryRoot::LocalMachine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
    name += u'\\';
    name += BareKeyPath(row.key.path);
    name += u')';
    return name;
}

// The warning that names the values a restore left alone because their record is damaged: its first
// paragraph, the values one to a line, and its second paragraph.
void WarnOfDamagedRecord(RunView& view, std::span<const TweakRow* const> rows) {
    std::u16string text = view.GetCaption(kMainWindow, u"MessageBoxRecordDamaged1");
    text += kParagraphBreak;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        text += (i == 0 ? u"" : u"\r\n") + SettingName(*rows[i]);
    }
    text += kParagraphBreak;
    text += view.GetCaption(kMainWindow, u"MessageBoxRecordDamaged2");
    view.ShowMessageBox(text, view.MainWindowTitle(), message_box::kAccessWarning);
}

// The end both runs share once the windows are handed back: the warnings about values the run
// could not put in place, then the restart offer.
void FinishRun(RunView& view, bool allTook, SystemRestart& restart,
               std::span<const TweakRow* const> damagedRows = {}) {
    if (!damagedRows.empty()) {
        WarnOfDamagedRecord(view, damagedRows);
    }
    if (!allTook) {
        AskMainWindow(view, {u"MessageBoxAccessDenied1", u"MessageBoxAccessDenied2"},
                      message_box::kAccessWarning);
    }
    const int answer = AskMainWindow(
        view, {u"MessageBoxChangeRestart1", u"MessageBoxChangeRestart2", u"MessageBoxChangeRestart3"},
        message_box::kRestartQuestion);
    if (answer == message_box::kIdYes) {
        RestartWindows(restart);
    }
}

// Runs one step of the clean-up after a failure; a failure of its own is swallowed too, so that
// it does not keep the next step from being done.
template <typename Step> void Quietly(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
        // nothing more to do: the run has ended already
    }
}

// After a failure while the run held the windows: the main window takes input again, the progress
// window goes away and RestoreButton shows whether a backup is held, as at the next start.
void HandBackWindows(RunView& view, const CustomRegistry& registry) noexcept {
    Quietly([&] { view.EnableMainWindow(true); });
    Quietly([&] { view.CloseProgressWindow(); });
    Quietly([&] { view.EnableRestoreButton(IsBackupHeld(registry)); });
}

// The profile of the main window's choices now: the conditions of the catalogue test these.
TweakProfile CurrentProfile(RunView& view) {
    TweakProfile profile;
    profile.osClass = view.ConvertWindowsVersion(view.WindowsIndex());
    profile.internetType = view.InternetType();
    profile.speedSetting = view.SpeedSetting();
    return profile;
}

} // namespace

void RunOptimize(RunView& view, const CustomRegistry& registry, SystemRestart& restart) noexcept {
    bool holdingWindows = false;
    try {
        const auto storeChoice = [&](std::u16string_view name, int value) {
            registry.WriteRegistryInteger(kProductKeyPlace, name, value);
        };
        storeChoice(product_value::kInternetType, view.InternetType());
        storeChoice(product_value::kProcessorType, view.ProcessorType());
        storeChoice(product_value::kSpeedSetting, view.SpeedSetting());
        // "Restore" is set later, once the backup is complete and checked (OptimizeRegistry).

        view.PlayClickSound();
        holdingWindows = true;
        ShowSteps(view, u"MessageUpdate", kOptimizeStepTotal, kOptimizeSteps);

        const OptimizeOutcome outcome = OptimizeRegistry(registry, CurrentProfile(view));

        view.EnableMainWindow(true);
        view.CloseProgressWindow();
        if (outcome == OptimizeOutcome::NoBackupSaved) {
            // Nothing changed: no restart to offer, and the button shows whether an older backup is held.
            view.EnableRestoreButton(IsBackupHeld(registry));
            holdingWindows = false;
            AskMainWindow(view, {u"MessageBoxBackupFailed1", u"MessageBoxBackupFailed2"},
                          message_box::kAccessWarning);
            return;
        }
        view.EnableRestoreButton(true);
        holdingWindows = false;
        FinishRun(view, outcome == OptimizeOutcome::Done, restart);
    } catch (...) {
        if (holdingWindows) {
            HandBackWindows(view, registry);
        }
    }
}

std::optional<RestoreReport> RunRestore(RunView& view, const CustomRegistry& registry,
                                        SystemRestart& restart) noexcept {
    bool holdingWindows = false;
    std::optional<RestoreReport> report;
    try {
        if (AskMainWindow(view, {u"MessageBoxReset1", u"MessageBoxReset2"},
                          message_box::kRestoreConfirmation) != message_box::kIdOk) {
            return report;
        }
        // "Restore" is deleted later, once every live value is back (RestoreRegistry).

        view.PlayClickSound();
        holdingWindows = true;
        ShowSteps(view, u"MessageRestore", kRestoreStepTotal, kRestoreSteps);

        TweakProfile profile;
        profile.osClass = view.ConvertWindowsVersion(view.WindowsIndex());
        profile.internetType = view.InternetType(); // the speed setting plays no part here
        report = RestoreRegistry(registry, profile);

        view.EnableMainWindow(true);
        view.CloseProgressWindow();
        // A restore that did not complete keeps its backup, so that a later one can finish the job.
        view.EnableRestoreButton(report->outcome == RestoreOutcome::BackupKept);
        holdingWindows = false;
        FinishRun(view, !report->someRefused, restart, report->damagedRows);
    } catch (...) {
        if (holdingWindows) {
            HandBackWindows(view, registry);
        }
    }
    return report;
}

} // namespace zentrim
