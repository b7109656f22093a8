// Start-up: what every start of the program does before and instead of its windows. The product
// key's date upkeep, the "/checkupdate" switch, the single-instance rule by window class name, and
// the main instance's windows with the message loop.
//
// A process is one of three kinds:
//   main instance  no switch, no main window found: creates the windows and runs until they close
//   second start   no switch, a main window found: restores and activates it and ends
//   check process  "/checkupdate" first: update check, question, maybe the updater; then restores
//                  and activates a main window still running and ends
#pragma once

#include "launch/update_check.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zentrim {

class CaptionCatalogue;
class Clock;
class CustomRegistry;
class Shell;

// The native class names by which processes of the program find each other's windows.
namespace window_class {
inline constexpr std::u16string_view kMainForm = u"TZTMainForm";
inline constexpr std::u16string_view kAboutForm = u"TZTAboutForm";
inline constexpr std::u16string_view kSettingsForm = u"TZTSettingsForm";
} // namespace window_class

// The one command-line switch, compared with the lower-cased first argument.
inline constexpr std::u16string_view kCheckUpdateSwitch = u"/checkupdate";

// How long a check process waits for the running main window to go after asking it to close, and
// how often it looks. The main window holds a close request until a run in progress has ended; a
// run shows its steps for about a minute and then waits for the user to answer its questions, so
// the limit leaves the user ample time. After it the question is asked all the same.
inline constexpr std::chrono::milliseconds kMainWindowGoneLimit = std::chrono::minutes(10);
inline constexpr std::chrono::milliseconds kWindowGonePollInterval{250};

// The other running processes of the program, found by the class names of their top-level windows.
class ProgramInstances {
public:
    virtual ~ProgramInstances() = default;

    // True when a top-level window of the class exists. With `activate` the window is first
    // restored (a minimised window too) and made the foreground window.
    virtual bool FindRunningInstance(std::u16string_view className, bool activate) = 0;

    // Sends the top-level window of the class a close request and returns once that window has
    // handled it. Without such a window nothing happens.
    virtual void CloseInstanceWindow(std::u16string_view className) = 0;

    // Returns once no top-level window of the class exists, true then; false when one still
    // exists after about `limit`.
    virtual bool WaitUntilWindowGone(std::u16string_view className, std::chrono::milliseconds limit) = 0;
};

// The waiting of WaitUntilWindowGone: asks `windowExists` at once and after each pause of
// `interval` until it says no (true) or the pauses add up to `limit` (false). The last pause is
// cut short so that the pauses never add up to more than `limit`.
bool PollUntilWindowGone(const std::function<bool()>& windowExists, std::chrono::milliseconds limit,
                         std::chrono::milliseconds interval,
                         const std::function<void(std::chrono::milliseconds)>& pause);

// Closes the running instance's windows one after the other with close requests that return
// once handled: the About window, the progress window, the main window; then waits until the main
// window has gone (it holds the request while a run, its questions included, is in progress), for
// at most `mainWindowGoneLimit`. The check process does this before its question, the updater
// before Windows Installer. Gives whether the main window has gone.
bool CloseRunningInstance(ProgramInstances& instances, std::chrono::milliseconds mainWindowGoneLimit);

// Whether the command line asks for the update check: its first argument, lower-cased, equals
// "/checkupdate". Later arguments are not looked at. `arguments` excludes the program's own path.
bool IsCheckUpdateRequest(std::span<const std::u16string> arguments);

// The update question: the title and the two paragraphs joined by CR LF CR LF.
std::u16string UpdateQuestionTitle(const CaptionCatalogue& captions);
std::u16string UpdateQuestionText(const CaptionCatalogue& captions);

// Held while a start looks for a running main window and, finding none, creates its own, so that
// two starts at the same moment find each other's window instead of both creating one.
class StartLock {
public:
    virtual ~StartLock() = default;
};

// Everything start-up works with, passed in; all of it outlives the call.
struct StartupDependencies {
    const CustomRegistry& registry;
    const Clock& clock;
    const CaptionCatalogue& captions;
    ProgramInstances& instances;
    // Starts the updater beside the program, detached from our windows.
    const Shell& shell;
    // The update check: -1, 0, 1 or 2, of which only 1 (an update is available) leads to anything.
    std::function<int()> checkForUpdate;
    // A modal question without an owner window: text, title and MB_ flags; gives the ID answer.
    std::function<int(std::u16string_view text, std::u16string_view title, unsigned flags)> askQuestion;
    // Takes the start lock, waiting for it; empty, or giving nothing, where there is none.
    std::function<std::unique_ptr<StartLock>()> lockStart{};
    // Creates the main, About and progress windows, in this order, shows the main window, calls
    // `mainWindowShown` then (the start lock is let go), and runs the message loop until the main
    // window closes.
    std::function<void(const std::function<void()>& mainWindowShown)> runWindows;
    std::chrono::milliseconds mainWindowGoneLimit = kMainWindowGoneLimit;
};

// The program's start-up, from the date upkeep to the end of the message loop. Every path gives
// the exit code 0; a failure anywhere ends start-up quietly at that point.
int RunStartup(std::span<const std::u16string> arguments, const StartupDependencies& deps) noexcept;

// The test variant of the program may be pointed at a loopback update service by this
// environment variable, "host:port". The program proper reads no environment.
inline constexpr std::u16string_view kTestUpdateServiceVariable = u"ZENTRIM_TEST_UPDATE_SERVICE";

// The update service at "host:port" (a non-empty host, a port from 1 to 65535) over plain HTTP,
// with the update folder's path; nothing for anything else.
std::optional<HttpAddress> ParseUpdateServiceAddress(std::u16string_view address);

} // namespace zentrim
