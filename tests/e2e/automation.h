// Working another program's windows from outside, as a user and an accessibility tool would:
// finding windows by class and text, reading texts with WM_GETTEXT, pressing buttons, clicking,
// typing keys, reading and answering message boxes, and starting and ending processes. Every wait
// is bounded.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace zentrim::e2e {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;

// Polls `condition` every 20 ms until it holds or `timeout` has passed; gives its last answer.
template <typename Condition> bool WaitUntil(Condition&& condition, Milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// A Unix path as Wine sees it on its Z: drive; other paths unchanged.
std::wstring WindowsPath(std::wstring_view path);
bool CreateFolders(const std::wstring& path);
bool FileExists(const std::wstring& path);

// Texts and facts of a window of any process.
std::wstring WindowText(HWND window);
std::wstring ClassOf(HWND window);
DWORD ProcessOf(HWND window);
LONG_PTR StyleOf(HWND window);
HWND OwnerOf(HWND window);
RECT ScreenRect(HWND window);

// Top-level windows, in z-order, optionally only those of one class.
std::vector<HWND> TopLevelWindows(std::wstring_view className = {});
// The visible top-level window of a class, or nullptr.
HWND FindVisibleTopLevel(std::wstring_view className);
// Every descendant of a window, in creation order of each level.
std::vector<HWND> Descendants(HWND parent);
// The texts of every visible descendant, a line each: what a window says, for waiting on it.
std::wstring VisibleTexts(HWND parent);
// The first descendant of a class whose text is exactly `text` (or starts with it), or nullptr.
HWND FindDescendant(HWND parent, std::wstring_view className, std::wstring_view text);
HWND FindDescendantStartingWith(HWND parent, std::wstring_view className, std::wstring_view prefix);
// The descendants of a class, sorted top to bottom on the screen.
std::vector<HWND> DescendantsByTop(HWND parent, std::wstring_view className);

// Input as a user gives it, posted so that a handler that opens a modal box does not block us.
void PressButton(HWND button);               // BM_CLICK
void ClickWindow(HWND window, POINT client); // left button down and up at a client point
void ClickWindow(HWND window);               // ... at a point just inside it
void PressKey(HWND window, UINT virtualKey); // key down and key up, to the control itself

// A standard message box ("#32770") as it shows itself.
struct MessageBoxView {
    HWND window = nullptr;
    HWND owner = nullptr;
    DWORD process = 0;
    std::wstring title;
    std::wstring text;
    std::vector<int> buttons; // the visible buttons' command identifiers (IDOK, IDYES, ...)
    int defaultButton = 0;    // the identifier of the button that carries BS_DEFPUSHBUTTON
};
MessageBoxView ReadMessageBox(HWND box);
// A visible message box that `accept` takes, waiting up to `timeout`.
std::optional<MessageBoxView> WaitForMessageBox(const std::function<bool(const MessageBoxView&)>& accept,
                                                Milliseconds timeout);
std::optional<MessageBoxView> WaitForMessageBoxOwnedBy(HWND owner, Milliseconds timeout);
std::optional<MessageBoxView> WaitForMessageBoxOfProcess(DWORD process, Milliseconds timeout);
// Presses one of the box's buttons and waits for the box to go.
bool AnswerMessageBox(const MessageBoxView& box, int buttonId, Milliseconds timeout = 10s);

// A process this program started; ended by force when still running at destruction.
class ChildProcess {
public:
    ChildProcess() = default;
    // Starts `program` with `arguments`; `environment` adds or replaces variables of ours. The
    // working folder is ours unless `workingFolder` names another.
    static ChildProcess Start(const std::wstring& program, const std::wstring& arguments,
                              const std::vector<std::pair<std::wstring, std::wstring>>& environment,
                              const std::wstring& workingFolder = {});
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    bool Running() const;
    // The exit code once the process has ended within `timeout`.
    std::optional<DWORD> WaitForExit(Milliseconds timeout) const;
    void Kill();

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Ends every process whose program file lies in `folder` (the programs a test started there and
// the programs those started in turn). Gives how many it ended.
int KillProgramsIn(const std::wstring& folder);

} // namespace zentrim::e2e
