// The installed program's version, the protected download folder and its clean-up by handle, the
// held package, Windows Installer and the start of the new program through the desktop shell.
#include "updater/update_system.h"

#include "base/unique_handle_win32.h"
#include "updater/update_crypto.h"

#include <windows.h>

#include <bcrypt.h>
#include <exdisp.h>
#include <objbase.h>
#include <sddl.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <winternl.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
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

// The download folder's access list: owner and full control for the administrators, full control
// for the system, both inherited by the folder's content; protected from the parent's entries.
constexpr wchar_t kProtectedFolderSecurity[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// What the updater needs of its own folder's handle: list it, delete it by handle, read it.
constexpr DWORD kFolderAccess =
    DELETE | FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
// What the clean-up needs of an entry it removes.
constexpr DWORD kEntryAccess =
    DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
// Our own folder holds one file; anything deeper was not made by the updater.
constexpr int kMaxRemovalDepth = 8;

// What a handle refers to: the volume and file ID that name it, and its attributes.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t fileId = 0;
    DWORD attributes = 0;

    bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
    bool IsPlainFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLink(); }
};

std::optional<FileIdentity> IdentityOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) |
                            information.nFileIndexLow,
                        information.dwFileAttributes};
}

// Marks what the handle refers to for deletion when the handle closes: the thing itself, a link
// included, never what a link points to. A folder that is not empty stays.
bool DeleteByHandle(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// Read-only entries cannot be deleted: the flag goes first, through the same handle.
void ClearReadOnly(HANDLE handle, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        return;
    }
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (basic.FileAttributes == 0) {
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
}

struct ListedEntry {
    std::wstring name;
    DWORD attributes = 0;
    std::uint64_t fileId = 0;
};

// The entries of a folder, read through its handle.
std::vector<ListedEntry> ListEntries(HANDLE folder) {
    std::vector<ListedEntry> entries;
    std::vector<std::uint64_t> buffer(8 * 1024); // aligned for the records
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, kind, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof buffer[0]))) {
        kind = FileIdBothDirectoryInfo;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer.data());
        for (std::size_t offset = 0;;) {
            FILE_ID_BOTH_DIR_INFO record;
            std::memcpy(&record, bytes + offset, offsetof(FILE_ID_BOTH_DIR_INFO, FileName));
            std::wstring name(record.FileNameLength / sizeof(wchar_t), L'\0');
            std::memcpy(name.data(), bytes + offset + offsetof(FILE_ID_BOTH_DIR_INFO, FileName),
                        name.size() * sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                entries.push_back({std::move(name), record.FileAttributes,
                                   static_cast<std::uint64_t>(record.FileId.QuadPart)});
            }
            if (record.NextEntryOffset == 0) {
                break;
            }
            offset += record.NextEntryOffset;
        }
    }
    return entries;
}

using NtOpenFileFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, ULONG,
                                            ULONG);

// Opens an entry of a folder relative to the folder's handle, never through a link: a link is
// opened itself.
UniqueKernelHandle OpenEntry(HANDLE folder, const std::wstring& name) {
    static const auto open = reinterpret_cast<NtOpenFileFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtOpenFile")));
    constexpr ULONG kCaseInsensitive = 0x40;          // OBJ_CASE_INSENSITIVE
    constexpr ULONG kSynchronous = 0x20;              // FILE_SYNCHRONOUS_IO_NONALERT
    constexpr ULONG kForBackup = 0x4000;              // FILE_OPEN_FOR_BACKUP_INTENT
    constexpr ULONG kReparsePointItself = 0x00200000; // FILE_OPEN_REPARSE_POINT
    if (open == nullptr || name.size() * sizeof(wchar_t) > 0xFFFE) {
        return {};
    }
    UNICODE_STRING relative;
    relative.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    relative.MaximumLength = relative.Length;
    relative.Buffer = const_cast<PWSTR>(name.c_str());
    OBJECT_ATTRIBUTES object{};
    object.Length = sizeof object;
    object.RootDirectory = folder;
    object.ObjectName = &relative;
    object.Attributes = kCaseInsensitive;
    IO_STATUS_BLOCK status{};
    HANDLE handle = nullptr;
    if (open(&handle, kEntryAccess, &object, &status, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
             kSynchronous | kForBackup | kReparsePointItself) < 0) {
        return {};
    }
    return UniqueKernelHandle(handle);
}

// Removes the entries of a held folder by handle. An entry is removed only when what was opened is
// what was listed: the same file ID, and a link where a link was listed (a system that followed
// the link while opening gives the link's target, which is left alone).
void RemoveEntries(HANDLE folder, std::uint64_t volume,
                   const std::function<void(std::wstring_view name)>& beforeEntry, int depth) {
    for (const ListedEntry& entry : ListEntries(folder)) {
        if (beforeEntry) {
            beforeEntry(entry.name);
        }
        const UniqueKernelHandle opened = OpenEntry(folder, entry.name);
        const std::optional<FileIdentity> identity = opened ? IdentityOf(opened.get()) : std::nullopt;
        const bool listedAsLink = (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (!identity || identity->volume != volume || identity->fileId != entry.fileId ||
            identity->IsLink() != listedAsLink) {
            continue;
        }
        if (identity->IsPlainFolder()) {
            if (depth >= kMaxRemovalDepth) {
                continue;
            }
            RemoveEntries(opened.get(), volume, beforeEntry, depth + 1);
        }
        ClearReadOnly(opened.get(), identity->attributes);
        DeleteByHandle(opened.get());
    }
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

std::optional<std::filesystem::path> ProgramDataFolder() {
    PWSTR path = nullptr;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &path);
    const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owner(path, &CoTaskMemFree);
    if (FAILED(result) || path == nullptr) {
        return std::nullopt;
    }
    return std::filesystem::path(path);
}

HeldFile::HeldFile(const std::filesystem::path& file) : path_(file) {
    // A link at the name is refused before and after opening: some systems report it only on
    // the name (Wine follows links when it opens them).
    const DWORD named = GetFileAttributesW(file.c_str());
    if (named == INVALID_FILE_ATTRIBUTES ||
        (named & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        return;
    }
    // Read sharing only: this open fails while another handle may write the file, and once it is
    // held no one can open it to write, rename or delete it.
    UniqueKernelHandle handle(
        NullIfInvalid(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
    if (!handle) {
        return;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle.get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        information.nNumberOfLinks != 1) {
        return; // a second name could reach the content past the hold
    }
    handle_ = std::move(handle);
}

std::optional<std::uint64_t> HeldFile::Size() const {
    LARGE_INTEGER size;
    if (!handle_ || !GetFileSizeEx(handle_.get(), &size) || size.QuadPart < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<std::array<std::uint8_t, 32>> HeldFile::Sha256() const {
    LARGE_INTEGER start{};
    if (!handle_ || !SetFilePointerEx(handle_.get(), start, nullptr, FILE_BEGIN)) {
        return std::nullopt;
    }
    return HandleSha256(handle_.get());
}

DownloadFolder::DownloadFolder() {
    if (const std::optional<std::filesystem::path> programData = ProgramDataFolder()) {
        Create(*programData);
    }
}

DownloadFolder::DownloadFolder(const std::filesystem::path& parent) {
    Create(parent);
}

DownloadFolder::~DownloadFolder() {
    Remove();
}

void DownloadFolder::Create(const std::filesystem::path& parent) {
    // Owned by the administrators; full control for the system and the administrators, inherited
    // by what the folder holds; nothing inherited from the parent.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedFolderSecurity, SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return;
    }
    const std::unique_ptr<void, decltype(&LocalFree)> descriptorOwner(descriptor, &LocalFree);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    // A name already taken is never reused: CreateDirectoryW fails on it and the next name is tried.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path candidate = parent / ToWide(RandomName());
        if (!CreateDirectoryW(candidate.c_str(), &attributes)) {
            if (GetLastError() != ERROR_ALREADY_EXISTS) {
                return;
            }
            continue;
        }
        // Held from now on without delete sharing: no one can rename the folder or put something
        // else in its place while it exists.
        UniqueKernelHandle handle(NullIfInvalid(
            CreateFileW(candidate.c_str(), kFolderAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
        const std::optional<FileIdentity> identity = handle ? IdentityOf(handle.get()) : std::nullopt;
        if (!identity || !identity->IsPlainFolder()) {
            return;
        }
        path_ = candidate;
        handle_ = std::move(handle);
        volume_ = identity->volume;
        fileId_ = identity->fileId;
        return;
    }
}

void DownloadFolder::Remove(const std::function<void(std::wstring_view name)>& beforeEntry) {
    if (!handle_) {
        return;
    }
    // The name must still lead to the folder made: otherwise opening entries below it could reach
    // into someone else's folder on systems that resolve them by name.
    const UniqueKernelHandle named(NullIfInvalid(CreateFileW(
        path_.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
    const std::optional<FileIdentity> identity = named ? IdentityOf(named.get()) : std::nullopt;
    if (identity && identity->IsPlainFolder() && identity->volume == volume_ && identity->fileId == fileId_) {
        RemoveEntries(handle_.get(), volume_, beforeEntry, 0);
    }
    DeleteByHandle(handle_.get());
    handle_.reset();
    path_.clear();
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

namespace {

// A BSTR owned for as long as the object lives.
class OwnedBstr {
public:
    explicit OwnedBstr(const std::wstring& text) : text_(SysAllocString(text.c_str())) {}
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;
    ~OwnedBstr() { SysFreeString(text_); }
    BSTR get() const { return text_; }

private:
    BSTR text_;
};

VARIANT TextVariant(const OwnedBstr& text) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BSTR;
    variant.bstrVal = text.get();
    return variant;
}

} // namespace

bool StartAsDesktopUser(const std::filesystem::path& program, const std::filesystem::path& folder) {
    const ComApartment apartment;
    // The desktop's shell view, reached through the shell's list of its windows, offers the shell's
    // own ShellExecute: what it starts runs in the shell's process, with the signed-in user's token.
    ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.putVoid()))) {
        return false;
    }
    VARIANT none;
    VariantInit(&none);
    long desktopWindow = 0;
    ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&none, &none, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH, desktop.put()) !=
            S_OK ||
        desktop.get() == nullptr) {
        return false;
    }
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.putVoid())) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.putVoid())) ||
        FAILED(browser->QueryActiveShellView(view.put())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.putVoid())) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.putVoid())) ||
        FAILED(folderView->get_Application(application.put())) ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, shell.putVoid()))) {
        return false;
    }
    // The shell may bring the new program's window to the front.
    DWORD shellProcess = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<LONG_PTR>(desktopWindow)), &shellProcess);
    if (shellProcess != 0) {
        AllowSetForegroundWindow(shellProcess);
    }
    const OwnedBstr file(program.wstring());
    const OwnedBstr directory(folder.wstring());
    const OwnedBstr verb(L"open");
    VARIANT show;
    VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    return SUCCEEDED(shell->ShellExecute(file.get(), none, TextVariant(directory), TextVariant(verb), show));
}

} // namespace zentrim
