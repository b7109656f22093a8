#include "base/dll_search_win32.h"

#include <windows.h>

namespace zentrim {

void RestrictDllSearchToSystemFolder() noexcept {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == nullptr) {
        return;
    }
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

} // namespace zentrim
