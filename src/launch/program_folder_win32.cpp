#include "launch/program_folder.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <string>

namespace zentrim {

std::u16string RunningProgramPath() {
    // A path longer than the buffer comes back cut (with or without ERROR_INSUFFICIENT_BUFFER,
    // depending on the Windows version): grow the buffer until the whole path fits.
    constexpr DWORD kLongestPath = 32768;
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return FromWide(buffer);
        }
        if (buffer.size() > kLongestPath) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::u16string RunningProgramFolder() {
    return ProgramFolderFromModulePath(RunningProgramPath());
}

} // namespace zentrim
