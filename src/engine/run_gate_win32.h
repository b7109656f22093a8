// The named mutex that keeps the runs of the window program and of the console program apart
// (app/startup/run_gate_win32.h tells the whole rule). Here only the mutex itself, so that the
// console program has it without the window program's start-up.
#pragma once

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <chrono>

namespace zentrim {

// One name per session, like the window the console program looks for.
inline constexpr wchar_t kRunGateName[] = L"Local\\ZentrimRun";

class RunGateMutex final {
public:
    // Waits up to `limit` for the mutex. A mutex left by a program that ended without releasing
    // it is taken over.
    explicit RunGateMutex(std::chrono::milliseconds limit);
    ~RunGateMutex();
    RunGateMutex(const RunGateMutex&) = delete;
    RunGateMutex& operator=(const RunGateMutex&) = delete;

    bool Owned() const { return owned_; }

private:
    UniqueKernelHandle mutex_;
    bool owned_ = false;
};

} // namespace zentrim
