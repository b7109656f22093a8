// The installed program's version, the download folder and Windows Installer.
#include "updater/update_system.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <bcrypt.h>
#include <objbase.h>
#include <shellapi.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace zentrim {

namespace {

std::u16string Decimal(unsigned value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string RandomName() {
    std::array<std::uint8_t, 8> random{};
    if (BCryptGenRandom(nullptr, random.data(), static_cast<ULONG>(random.size()),
                        BCRYPT_USE_SYSTEM_PREFERRED_RNG) < 0) {
        // Without the system's generator the name still differs between processes and calls.
        static LONG counter = 0;
        const std::uint64_t mixed = (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^
                                    GetTickCount64() ^
                                    static_cast<std::uint64_t>(InterlockedIncrement(&counter));
        for (std::size_t i = 0; i < random.size(); ++i) {
            random[i] = static_cast<std::uint8_t>(mixed >> (8 * i));
        }
    }
    std::u16string name = u"ZentrimUpdate-";
    constexpr char16_t kHex[] = u"0123456789abcdef";
    for (const std::uint8_t byte : random) {
        name += kHex[byte >> 4];
        name += kHex[byte & 0xf];
    }
    return name;
}

void CloseFind(HANDLE find) {
    FindClose(find);
}
using UniqueFind = UniqueHandle<HANDLE, &CloseFind>;

// Removes a folder and everything in it. Read-only entries are made writable first; a link to a
// folder (a junction or symbolic link) is removed itself, never followed.
void RemoveFolderTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    const UniqueFind find(NullIfInvalid(FindFirstFileW((folder + L"\\*").c_str(), &entry)));
    if (find) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
                SetFileAttributesW(path.c_str(), entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            }
            const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            const bool isLink = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (isFolder && !isLink) {
                RemoveFolderTree(path);
            } else if (isFolder) {
                RemoveDirectoryW(path.c_str());
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find.get(), &entry));
    }
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(folder.c_str());
}

// COM on this thread for as long as it lives, when it was not set up otherwise already.
class ComApartment {
public:
    ComApartment()
        : initialized_(
              SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialized_) {
            CoUninitialize();
        }
    }

private:
    bool initialized_;
};

} // namespace

std::optional<std::u16string> ProgramFileVersion(const std::filesystem::path& program) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> data(size);
    if (!GetFileVersionInfoW(program.c_str(), 0, size, data.data())) {
        return std::nullopt;
    }
    void* value = nullptr;
    UINT valueSize = 0;
    if (!VerQueryValueW(data.data(), L"\\", &value, &valueSize) || value == nullptr ||
        valueSize < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, value, sizeof info);
    if (info.dwSignature != VS_FFI_SIGNATURE) {
        return std::nullopt;
    }
    return Decimal(HIWORD(info.dwFileVersionMS)) + u"." + Decimal(LOWORD(info.dwFileVersionMS)) + u"." +
           Decimal(HIWORD(info.dwFileVersionLS)) + u"." + Decimal(LOWORD(info.dwFileVersionLS));
}

DownloadFolder::DownloadFolder() {
    std::array<wchar_t, MAX_PATH + 1> temp{};
    const DWORD length = GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
    if (length == 0 || length >= temp.size()) {
        return;
    }
    std::wstring base(temp.data(), length);
    if (base.back() != L'\\') {
        base += L'\\';
    }
    // A name already taken is never reused: CreateDirectoryW fails on it and the next name is tried.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::wstring candidate = base + ToWide(RandomName());
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = std::filesystem::path(candidate);
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return;
        }
    }
}

DownloadFolder::~DownloadFolder() {
    if (!path_.empty()) {
        RemoveFolderTree(path_.wstring());
    }
}

InstallerRun RunWindowsInstaller(const std::filesystem::path& package) {
    std::array<wchar_t, MAX_PATH + 1> system{};
    const UINT length = GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size()));
    if (length == 0 || length >= system.size()) {
        return {false, 0, GetLastError()};
    }
    return RunWindowsInstaller(package,
                               std::filesystem::path(std::wstring(system.data(), length)) / L"msiexec.exe");
}

InstallerRun RunWindowsInstaller(const std::filesystem::path& package,
                                 const std::filesystem::path& installerProgram) {
    // The shell may hand the start to COM objects; it wants an apartment on this thread.
    const ComApartment apartment;

    const std::wstring parameters = L"/i \"" + package.wstring() + L"\" /qb";
    const std::wstring program = installerProgram.wstring();
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof start;
    // No message box of the shell's own: the caller reports the failure.
    start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    start.lpVerb = L"open";
    start.lpFile = program.c_str();
    start.lpParameters = parameters.c_str();
    start.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&start)) {
        return {false, 0, GetLastError()};
    }
    const UniqueKernelHandle process(start.hProcess);
    if (!process) {
        // Started through something that gave no process to wait for: its end cannot be known.
        return {false, 0, ERROR_INVALID_HANDLE};
    }
    if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) {
        return {false, 0, GetLastError()};
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.get(), &exitCode)) {
        return {false, 0, GetLastError()};
    }
    return {true, exitCode, 0};
}

} // namespace zentrim
