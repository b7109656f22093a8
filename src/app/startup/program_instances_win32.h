// The program's other processes on Windows, found by the class names of their top-level windows
// (FindWindowW with no title).
#pragma once

#include "app/startup/startup.h"

namespace zentrim {

class Win32ProgramInstances final : public ProgramInstances {
public:
    // `pollInterval`: how often WaitUntilWindowGone looks for the window.
    explicit Win32ProgramInstances(std::chrono::milliseconds pollInterval = kWindowGonePollInterval)
        : pollInterval_(pollInterval) {}

    // FindWindowW; with `activate` a shown window gets ShowWindow(SW_RESTORE) and
    // SetForegroundWindow. The answer is whether the window exists: Windows may refuse the
    // foreground to a process that is not in the foreground itself, and such a refusal must not
    // make a second start open a second main window. A hidden window (one that its program is
    // still preparing or already ending) is left hidden.
    bool FindRunningInstance(std::u16string_view className, bool activate) override;
    // SendMessageW with WM_CLOSE, which returns once the window's thread has handled it.
    void CloseInstanceWindow(std::u16string_view className) override;
    // Looks with FindWindowW every poll interval, pausing with Sleep.
    bool WaitUntilWindowGone(std::u16string_view className, std::chrono::milliseconds limit) override;

private:
    std::chrono::milliseconds pollInterval_;
};

} // namespace zentrim
