#include "engine/restart_win32.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

namespace zentrim {

void Win32SystemRestart::SetShutdownPrivilege(bool enable) {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
        return; // the privilege stays as it was
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        return;
    }
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
}

void Win32SystemRestart::RequestExit(std::uint32_t flags) {
    ExitWindowsEx(flags, 0);
}

} // namespace zentrim
