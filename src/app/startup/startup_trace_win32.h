// The start-up trace of the test variant: when the environment names a file
// (ZENTRIM_STARTUP_TRACE), the program counts its start-up phases and, once its main window is
// shown and the program idle, writes where the time went into that file. With
// ZENTRIM_STARTUP_TRACE_IDLE_SECONDS it then lets the first painting settle (two seconds), watches
// the messages the program retrieves and the processor time it uses for that long and appends
// them, so a timer or a polling loop shows. Without the variable nothing
// is counted and no thread is started.
#pragma once

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <string>
#include <thread>

namespace zentrim {

class StartupTrace {
public:
    // Reads the environment once. `mainWindowClass` is the class the start waits for.
    explicit StartupTrace(const wchar_t* mainWindowClass);
    ~StartupTrace();
    StartupTrace(const StartupTrace&) = delete;
    StartupTrace& operator=(const StartupTrace&) = delete;

private:
    void Watch();
    void Write(const std::string& text, bool append) const;

    std::wstring file_;
    std::wstring mainWindowClass_;
    int idleSeconds_ = 0;
    LONGLONG entryTicks_ = 0;
    FILETIME entryTime_{};
    UniqueKernelHandle stop_;
    UniqueHandle<HHOOK, &::UnhookWindowsHookEx> hook_;
    std::thread watcher_;
};

} // namespace zentrim
