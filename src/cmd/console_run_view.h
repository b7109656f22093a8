// The console's view of the window's runs: it answers the runs' questions as the command line
// says, prints their progress lines as they come, and keeps the texts for the run's report.
// Progress texts read as the progress window shows them ("&&" is one "&", a single "&" marks an
// accelerator and is not shown); a step that shows the text of the step before it is printed only
// when every step is asked for. Steps carry no counter: the window's bar stops short of its total.
#pragma once

#include "catalogue/captions.h"
#include "cmd/console_host.h"
#include "engine/run_view.h"
#include "engine/system_profile.h"

#include <string>
#include <vector>

namespace zentrim {

// A progress text as the progress window shows it, as console lines (UTF-8, LF alone).
std::string ShownText(std::u16string_view text);

class ConsoleRunView final : public RunView {
public:
    struct Printing {
        ConsoleHost* to = nullptr; // nothing: prints nothing (a rehearsal, or --json)
        bool everyStep = false;    // --verbose
    };

    ConsoleRunView(const ProfileSelection& selection, const CaptionCatalogue& captions, bool restart,
                   Printing printing)
        : selection_(selection), captions_(captions), restart_(restart), printing_(printing) {}

    int WindowsIndex() override;
    int InternetType() override;
    int ProcessorType() override;
    int SpeedSetting() override;
    int ConvertWindowsVersion(int windowsIndex) override;

    void EnableMainWindow(bool) override {}
    void EnableRestoreButton(bool) override {}
    std::u16string MainWindowTitle() override { return u"Zentrim"; }

    void ShowProgressWindow() override {}
    void SetProgressStepTotal(int) override {}
    void SetProgressStepCount(int) override {}
    void SetProgressHeading(std::u16string_view text) override;
    void ShowProgressStep(std::u16string_view text) override;
    void CloseProgressWindow() override {}

    std::u16string GetCaption(std::u16string_view windowName, std::u16string_view key) override;
    void PlayClickSound() override {}

    // The command line has answered the questions already: the command itself confirms a restore,
    // and Windows restarts only with --restart.
    int ShowMessageBox(std::u16string_view text, std::u16string_view title, std::uint32_t flags) override;

    const std::vector<std::string>& Steps() const { return steps_; }
    const std::vector<std::string>& Messages() const { return messages_; }
    bool RestartOffered() const { return restartOffered_; }
    // Whether the run ended with the warning that it changed nothing for want of a usable backup.
    bool BackupWarned() const { return backupWarned_; }

private:
    void Print(const std::string& text);

    ProfileSelection selection_;
    const CaptionCatalogue& captions_;
    bool restart_;
    Printing printing_;
    std::vector<std::string> steps_;
    std::vector<std::string> messages_;
    bool restartOffered_ = false;
    bool backupWarned_ = false;
};

} // namespace zentrim
