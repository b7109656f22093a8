// Keeps the runs of the window program and of the console program apart, and two starts of the
// window program. The console program holds a named mutex for the whole of a run; the window
// program holds it while it looks for a running main window and creates its own. So a console run
// never starts while a main window exists (it finds the window by class name once it holds the
// mutex), a main window started during a console run waits until the run is over before it reads
// anything, and of two starts at the same moment the second finds the first one's window.
#pragma once

#include "app/startup/startup.h"
#include "base/unique_handle_win32.h"

#include <windows.h>

#include <chrono>

namespace zentrim {

// One name per session, like the window the console program looks for.
inline constexpr wchar_t kRunGateName[] = L"Local\\ZentrimRun";

// How long the window program waits for a console run to end before it opens anyway.
inline constexpr std::chrono::milliseconds kRunGateWaitLimit = std::chrono::minutes(2);

class RunGate final : public StartLock {
public:
    // Waits up to `limit` for the mutex. A mutex left by a program that ended without releasing
    // it is taken over.
    explicit RunGate(std::chrono::milliseconds limit);
    ~RunGate() override;
    RunGate(const RunGate&) = delete;
    RunGate& operator=(const RunGate&) = delete;

    bool Owned() const { return owned_; }

private:
    UniqueKernelHandle mutex_;
    bool owned_ = false;
};

} // namespace zentrim
