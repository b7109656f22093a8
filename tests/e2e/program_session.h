// The program under test as a user meets it: a private program folder to start it from, its main
// window with the controls a user works, the progress window of a run, and the screenshots kept
// as test artefacts.
#pragma once

#include "e2e/automation.h"
#include "e2e/catalogue_expectations.h"

#include <string>
#include <vector>

namespace zentrim::e2e {

// Where the programs and the artefacts are; set once by the driver's entry.
struct DriverOptions {
    std::wstring program;        // the test variant of the program (Zentrim-quick.exe)
    std::wstring updater;        // the stand-in updater, which notes that it was started
    std::wstring artifacts;      // the folder for screenshots
    std::wstring packages;       // the release set with the installer packages (installer tests)
    std::wstring olderPackages;  // the same packages with a lower version (installer tests)
    std::wstring updatePackages; // "installed" and "newer" release sets (updater tests)
    std::wstring updateService;  // the file naming the update service's "host:port" (updater tests)
    int soakCycles = 5;          // optimize-and-restore cycles of the soak test
};
DriverOptions& Options();

// The window class names of the program's three windows.
inline constexpr wchar_t kMainClass[] = L"TZTMainForm";
inline constexpr wchar_t kAboutClass[] = L"TZTAboutForm";
inline constexpr wchar_t kProgressClass[] = L"TZTSettingsForm";

// The help file beside the program.
inline constexpr wchar_t kHelpFileName[] = L"Zentrim.chm";

// The environment variable by which the test variant finds its update service.
inline constexpr wchar_t kUpdateServiceVariable[] = L"ZENTRIM_TEST_UPDATE_SERVICE";

// How long a start of the program under Wine may take to show its main window.
inline constexpr Milliseconds kStartLimit = 40s;
// How long a whole run of the test variant may take from the click to its question.
inline constexpr Milliseconds kRunLimit = 60s;

// A folder of our own in the Wine prefix's temporary folder holding the test variant under the
// program's own name, "Zentrim.exe", the stand-in updater as "ZentrimUpdate.exe" and, when the
// build made one, the help file "Zentrim.chm" from beside the test variant. Programs
// started from it are ended, and the folder removed, when it goes.
class ProgramFolder {
public:
    ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;
    ~ProgramFolder();

    bool Ready() const { return ready_; }
    const std::wstring& Path() const { return path_; } // ends with a backslash
    std::wstring Program() const { return path_ + L"Zentrim.exe"; }
    // The file the stand-in updater writes when it is started.
    std::wstring UpdaterStartedMarker() const { return path_ + L"updater-started.txt"; }

    // Starts the program with `arguments`. Its update check goes to `updateService` ("host:port");
    // by default to a loopback port where nothing listens, so no test ever reaches the internet. It
    // starts in `workingFolder`, by default in the driver's.
    ChildProcess Start(const std::wstring& arguments = {}, const std::wstring& updateService = {},
                       const std::wstring& workingFolder = {}) const;
    // Ends every program still running from this folder; gives how many there were.
    int EndStragglers() const;

private:
    std::wstring path_;
    bool ready_ = false;
};

// The visible main window of a process, waiting up to `timeout` for it to show.
HWND WaitForMainWindow(DWORD process, Milliseconds timeout = kStartLimit);
// The program's window of a class, visible or not, belonging to `process`; nullptr when none.
HWND FindProgramWindow(std::wstring_view className, DWORD process);

// The main window's controls, found as a user finds them: by kind, text and place.
class MainWindowView {
public:
    explicit MainWindowView(HWND window) : window_(window) {}

    HWND Handle() const { return window_; }
    HWND WindowsCombo() const { return Combo(0); }
    HWND ProcessorCombo() const { return Combo(1); }
    HWND ModemCombo() const { return Combo(2); }
    HWND SpeedTrackBar() const;
    HWND GoButton() const;
    HWND RestoreButton() const;
    HWND Label(std::wstring_view text) const;
    HWND LabelStartingWith(std::wstring_view prefix) const;

    int SelectedIndex(HWND combo) const;
    int SpeedPosition() const;

    // Picks a list entry with the keyboard (Home, then Down as often as needed) and waits until
    // the control shows it.
    bool ChooseEntry(HWND combo, int index) const;
    // Moves the speed track bar with the keyboard (Home or End) and waits until it stands there.
    bool MoveSpeed(int position) const;
    // All four choices.
    bool Choose(const Choices& choices) const;

private:
    HWND Combo(std::size_t place) const;
    HWND window_;
};

// What the progress window showed during one run.
struct ProgressObservation {
    bool shown = false;
    std::wstring title;
    std::wstring heading;                  // the heading label's text, as WM_GETTEXT gives it
    bool headingShowsAccelerators = false; // "&&" shows as one "&" (no SS_NOPREFIX)
    std::vector<std::wstring> stepLines;   // each distinct step line seen, in order
    bool mainDisabledDuringSteps = false;  // the main window took no input when the first step showed
    bool ownedByMain = false;
    bool screenshotSaved = false;
};
// Waits for the progress window of `main`'s process to show, then watches it until it hides,
// saving one screenshot under `screenshotPath` once a step line shows.
ProgressObservation WatchProgressWindow(HWND main, const std::wstring& screenshotPath,
                                        Milliseconds timeout = kRunLimit);
// The heading, step line and bar of the progress window as it stands (also when hidden).
struct ProgressState {
    std::wstring heading;
    std::wstring stepLine;
    int bar = -1;
};
ProgressState ReadProgressState(HWND progress);

// A text for test messages: ASCII as it is, anything else as "?".
std::string Narrow(const std::wstring& text);

// The artefact file for a picture of this test: "<artifacts>\<suite>.<test>-<what>.png".
std::wstring ArtifactPath(const std::wstring& what);
// Saves a screenshot of the window as that artefact; gives whether it was written.
bool SaveArtifact(HWND window, const std::wstring& what);

} // namespace zentrim::e2e
