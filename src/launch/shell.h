// The launch routines and the help request. Failures are never reported: a target that cannot
// be opened leaves everything as it was.
#pragma once

#include "launch/launch_targets.h"
#include "launch/launcher.h"

#include <string>
#include <string_view>

namespace zentrim {

// What the help request asks of the program's windows. The windows answer it; the help request
// needs nothing else of them.
class ProgramWindows {
public:
    virtual ~ProgramWindows() = default;
    virtual bool IsAboutWindowVisible() const = 0;
    virtual bool IsProgressWindowVisible() const = 0;
    virtual bool IsMainWindowVisible() const = 0;
};

class Shell {
public:
    // `programFolder` ends in a separator (see program_folder.h); the launcher outlives the shell.
    Shell(Launcher& launcher, std::u16string programFolder);

    // The application's window that owns what ShellOpen and OpenWebPage start; null until the
    // main window exists.
    void SetApplicationWindow(WindowHandle window) noexcept { applicationWindow_ = window; }
    WindowHandle ApplicationWindow() const noexcept { return applicationWindow_; }
    const std::u16string& ProgramFolder() const noexcept { return programFolder_; }

    // Opens a file, program or address with the verb "open" and SW_SHOW, owned by the
    // application's window.
    void ShellOpen(std::u16string_view file, std::u16string_view parameters) const noexcept;
    // The same with no owner window, so the started program belongs to none of ours.
    void ShellOpenDetached(std::u16string_view file, std::u16string_view parameters) const noexcept;
    // ShellOpen with no parameters.
    void OpenWebPage(std::u16string_view target) const noexcept;
    // Shows `topic` of the help file `helpFile` (relative to the program folder) in the help
    // file's own "HelpWindow".
    void ShowHelpTopic(std::u16string_view helpFile, std::u16string_view topic) const noexcept;

    // The help request of F1, the help menu item, the help link and the About window's "&Help":
    // shows the help's main topic when the About, progress or main window (asked in this order)
    // is visible, and does nothing when none is.
    void RunHelpRequest(const ProgramWindows& windows) const noexcept;

    // Opens one target of the table, through its routine. Gives whether the target was handed
    // over: for ProgramAsAdministrator, whether the program was started (false when the user
    // declined Windows' question for administrator rights); the other routines report nothing,
    // and their targets count as handed over.
    bool Open(LaunchTarget target) const noexcept;
    // Starts a program with the verb "runas", owned by the application's window: Windows asks the
    // user for administrator rights first. True once it was started.
    bool StartAsAdministrator(std::u16string_view file, std::u16string_view parameters) const noexcept;

    // "<program folder><help file>::<topic>>HelpWindow".
    std::u16string HelpLocation(std::u16string_view helpFile, std::u16string_view topic) const;
    // The file or address a target opens: the full path beside the program or the web address.
    std::u16string TargetFile(LaunchTarget target) const;

private:
    void Launch(WindowHandle owner, std::u16string_view file, std::u16string_view parameters) const noexcept;

    Launcher& launcher_;
    std::u16string programFolder_;
    WindowHandle applicationWindow_ = nullptr;
};

// "http://" and the maker's web host, then `path`.
std::u16string MakerWebAddress(std::u16string_view path);

} // namespace zentrim
