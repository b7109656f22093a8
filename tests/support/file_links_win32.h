// Links between files and folders for tests of code that must never follow one. Windows makes them
// with CreateSymbolicLinkW. Wine 8 only pretends to (it reports success and makes nothing), but it
// shows a link of the Unix file system to Windows programs as a reparse point and follows it when it
// opens, renames or deletes by name: so under Wine a test makes the link on the Unix side, with the
// Linux system call that a Windows program under Wine can still make, and can rename there what
// Windows' sharing rules keep it from renaming, as a program outside Wine could.
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>

namespace zentrim::testing {

inline bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

namespace detail {

// The Unix path Wine gives a Windows path; empty when there is none.
inline std::string UnixPath(const std::filesystem::path& path) {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName == nullptr) {
        return {};
    }
    char* name = unixFileName(path.c_str());
    if (name == nullptr) {
        return {};
    }
    std::string text(name);
    HeapFree(GetProcessHeap(), 0, name);
    return text;
}

// A Linux system call of two path arguments; -1 where there is none to make.
inline long LinuxCall(long number, const std::string& first, const std::string& second) {
#if defined(__GNUC__) && defined(__x86_64__)
    long result = 0;
    __asm__ volatile("syscall"
                     : "=a"(result)
                     : "a"(number), "D"(first.c_str()), "S"(second.c_str())
                     : "rcx", "r11", "memory");
    return result;
#else
    (void)number;
    (void)first;
    (void)second;
    return -1;
#endif
}

constexpr long kLinuxRename = 82;
constexpr long kLinuxSymlink = 88;

} // namespace detail

// Makes `link` a symbolic link to `target`, a folder or a file. False when none could be made.
inline bool MakeLink(const std::filesystem::path& link, const std::filesystem::path& target, bool folder) {
    if (RunningUnderWine()) {
        const std::string unixTarget = detail::UnixPath(target);
        const std::string unixLink = detail::UnixPath(link);
        return !unixTarget.empty() && !unixLink.empty() &&
               detail::LinuxCall(detail::kLinuxSymlink, unixTarget, unixLink) == 0;
    }
    const DWORD flags =
        (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    return CreateSymbolicLinkW(link.c_str(), target.c_str(), flags) &&
           (GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Renames `from` to `to` past the Windows sharing rules (under Wine, on the Unix side). False where
// that cannot be done.
inline bool RenameBehindWindows(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (!RunningUnderWine()) {
        return false;
    }
    const std::string unixFrom = detail::UnixPath(from);
    const std::string unixTo = detail::UnixPath(to);
    return !unixFrom.empty() && !unixTo.empty() &&
           detail::LinuxCall(detail::kLinuxRename, unixFrom, unixTo) == 0;
}

} // namespace zentrim::testing
