// Keeps the runs of the window program and of the console program apart, and two starts of the
// window program. The console program holds a named mutex for the whole of a run; the window
// program holds it while it looks for a running main window and creates its own. So a console run
// never starts while a main window exists (it finds the window by class name once it holds the
// mutex), a main window started during a console run waits until the run is over before it reads
// anything, and of two starts at the same moment the second finds the first one's window.
#pragma once

#include "app/startup/startup.h"
#include "engine/run_gate_win32.h"

#include <chrono>

namespace zentrim {

// How long the window program waits for a console run to end before it opens anyway.
inline constexpr std::chrono::milliseconds kRunGateWaitLimit = std::chrono::minutes(2);

// The run gate held as the window program's start lock.
class RunGate final : public StartLock {
public:
    explicit RunGate(std::chrono::milliseconds limit) : mutex_(limit) {}

    bool Owned() const { return mutex_.Owned(); }

private:
    RunGateMutex mutex_;
};

} // namespace zentrim
