// The console's view of the window's runs: it answers the runs' questions as the command line
// says, prints their progress lines as they come, and keeps the texts for the run's report.
#pragma once

#include "catalogue/captions.h"
#include "cmd/console_host.h"
#include "engine/run_view.h"
#include "engine/system_profile.h"

#include <string>
#include <vector>

namespace zentrim {

class ConsoleRunView final : public RunView {
public:
    // Prints to `printTo` as the run goes; prints nothing when it is null (a rehearsal, or --json).
    ConsoleRunView(const ProfileSelection& selection, const CaptionCatalogue& captions, bool restart,
                   ConsoleHost* printTo)
        : selection_(selection), captions_(captions), restart_(restart), printTo_(printTo) {}

    int WindowsIndex() override;
    int InternetType() override;
    int ProcessorType() override;
    int SpeedSetting() override;
    int ConvertWindowsVersion(int windowsIndex) override;

    void EnableMainWindow(bool) override {}
    void EnableRestoreButton(bool) override {}
    std::u16string MainWindowTitle() override { return u"Zentrim"; }

    void ShowProgressWindow() override {}
    void SetProgressStepTotal(int total) override { total_ = total; }
    void SetProgressStepCount(int count) override { count_ = count; }
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
    ConsoleHost* printTo_;
    int total_ = 0;
    int count_ = 0;
    std::vector<std::string> steps_;
    std::vector<std::string> messages_;
    bool restartOffered_ = false;
    bool backupWarned_ = false;
};

} // namespace zentrim
