#include "app/startup/program_instances_win32.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <string>

namespace zentrim {

namespace {

HWND FindTopLevelWindow(std::u16string_view className) {
    const std::wstring name = ToWide(className);
    return FindWindowW(name.c_str(), nullptr);
}

} // namespace

bool Win32ProgramInstances::FindRunningInstance(std::u16string_view className, bool activate) {
    HWND window = FindTopLevelWindow(className);
    if (window == nullptr) {
        return false;
    }
    if (activate && IsWindowVisible(window)) {
        // SW_RESTORE also undoes a minimised state. Neither result tells of a failure that would
        // matter here: ShowWindow answers whether the window was visible before, and
        // SetForegroundWindow may be refused by the foreground lock.
        ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
    }
    return true;
}

void Win32ProgramInstances::CloseInstanceWindow(std::u16string_view className) {
    if (HWND window = FindTopLevelWindow(className); window != nullptr) {
        SendMessageW(window, WM_CLOSE, 0, 0);
    }
}

bool Win32ProgramInstances::WaitUntilWindowGone(std::u16string_view className,
                                                std::chrono::milliseconds limit) {
    const std::wstring name = ToWide(className);
    return PollUntilWindowGone(
        [&name] { return FindWindowW(name.c_str(), nullptr) != nullptr; }, limit, pollInterval_,
        [](std::chrono::milliseconds pause) { Sleep(static_cast<DWORD>(pause.count())); });
}

} // namespace zentrim
