// The updater's contacts with Windows: a program's version, the protected download folder and its
// clean-up, the held package, the start of Windows Installer (with a stand-in program) and the
// start of the new program through the desktop shell.
#include "updater/update_system.h"

#include "base/unique_handle_win32.h"
#include "support/file_links_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace zentrim {
namespace {

std::filesystem::path ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, length));
}

// Built beside this program (tests/windows/installer_stand_in).
std::filesystem::path InstallerStandIn() {
    return ThisProgram().parent_path() / L"zentrim_installer_stand_in.exe";
}

std::filesystem::path TempFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    return std::filesystem::path(std::wstring(path, length));
}

void WriteFile(const std::filesystem::path& file, const std::string& content) {
    std::ofstream(file, std::ios::binary) << content;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream input(file, std::ios::binary);
    std::ostringstream content;
    content << input.rdbuf();
    return content.str();
}

TEST(UpdateSystem, ProgramFileVersionReadsTheVersionRecord) {
    // This test program carries the program's version record, as Zentrim.exe does.
    EXPECT_EQ(ProgramFileVersion(ThisProgram()), std::u16string(u"2.10.21.2024"));
}

TEST(UpdateSystem, ProgramFileVersionIsNothingWithoutARecord) {
    EXPECT_EQ(ProgramFileVersion(InstallerStandIn()), std::nullopt) << "a program without one";
    const DownloadFolder folder;
    ASSERT_TRUE(folder.Ready());
    WriteFile(folder.Path() / L"Zentrim.exe", "not a program at all");
    EXPECT_EQ(ProgramFileVersion(folder.Path() / L"Zentrim.exe"), std::nullopt) << "a text file";
    EXPECT_EQ(ProgramFileVersion(folder.Path() / L"missing.exe"), std::nullopt) << "no file";
}

// The rights that change a folder or what is in it.
constexpr ACCESS_MASK kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                        FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                        WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof buffer;
    return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer);
}

// Who, besides the system and the administrators, may change the folder, as its security reads
// back: a list of names, empty when no one. Wine keeps no security descriptors for files but makes
// them from the Unix permissions, with the owner standing for its one administrator account.
std::vector<std::string> OthersWhoMayChange(const std::filesystem::path& folder) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const UniqueKernelHandle handle(NullIfInvalid(CreateFileW(
        folder.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
    if (!handle ||
        GetSecurityInfo(handle.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return {"(the security could not be read)"};
    }
    const std::unique_ptr<void, decltype(&LocalFree)> descriptorOwner(descriptor, &LocalFree);
    const auto trusted = [&](PSID sid) {
        return IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid) ||
               (testing::RunningUnderWine() && EqualSid(sid, owner));
    };
    const auto name = [](PSID sid) {
        LPWSTR text = nullptr;
        std::string result = "?";
        if (ConvertSidToStringSidW(sid, &text)) {
            result = Narrow(text);
            LocalFree(text);
        }
        return result;
    };
    std::vector<std::string> others;
    if (!trusted(owner)) {
        others.push_back("owner " + name(owner));
    }
    if (dacl == nullptr) {
        others.push_back("everyone (no access list)");
        return others;
    }
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry)) {
            others.push_back("(an unreadable entry)");
            continue;
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) {
            continue;
        }
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            others.push_back("an entry of type " + std::to_string(header->AceType));
            continue;
        }
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        ACCESS_MASK mask = allowed->Mask;
        MapGenericMask(&mask, &mapping);
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if ((mask & kChangingRights) != 0 && !trusted(sid)) {
            others.push_back(name(sid));
        }
    }
    return others;
}

// The names in a folder, listed with every kind of sharing (Wine's FindFirstFileW asks for less and
// so cannot list a folder the updater holds).
std::vector<std::wstring> EntriesOf(const std::filesystem::path& folder) {
    const UniqueKernelHandle handle(
        NullIfInvalid(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
    std::vector<std::wstring> names;
    std::vector<std::uint64_t> buffer(4096);
    for (auto kind = FileIdBothDirectoryRestartInfo;
         handle && GetFileInformationByHandleEx(handle.get(), kind, buffer.data(),
                                                static_cast<DWORD>(buffer.size() * sizeof buffer[0]));
         kind = FileIdBothDirectoryInfo) {
        for (auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(buffer.data());;
             entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<char*>(entry) +
                                                              entry->NextEntryOffset)) {
            const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                names.push_back(name);
            }
            if (entry->NextEntryOffset == 0) {
                break;
            }
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A folder of the test's own in the temporary folder, removed afterwards.
class ScratchArea {
public:
    ScratchArea() : path_(TempFolder() / ("zentrim-links-" + std::to_string(GetCurrentProcessId()))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_ / L"victim");
        WriteFile(path_ / L"victim" / L"precious.txt", "precious");
        WriteFile(path_ / L"precious-file.txt", "precious too");
    }
    ~ScratchArea() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path Victim() const { return path_ / L"victim"; }
    void ExpectUntouched() const {
        EXPECT_EQ(ReadFile(path_ / L"victim" / L"precious.txt"), "precious");
        EXPECT_EQ(ReadFile(path_ / L"precious-file.txt"), "precious too");
    }

private:
    std::filesystem::path path_;
};

TEST(UpdateSystem, DownloadFoldersAreFreshProtectedAndInTheProgramDataFolder) {
    const std::optional<std::filesystem::path> programData = ProgramDataFolder();
    ASSERT_TRUE(programData);
    std::filesystem::path first;
    std::filesystem::path second;
    {
        const DownloadFolder one;
        const DownloadFolder two;
        ASSERT_TRUE(one.Ready());
        ASSERT_TRUE(two.Ready());
        first = one.Path();
        second = two.Path();
        EXPECT_NE(first, second);
        EXPECT_TRUE(std::filesystem::is_directory(first));
        // Not under the user's temporary folder, which every program of the user may change.
        EXPECT_EQ(first.parent_path(), *programData);
        EXPECT_EQ(second.parent_path(), *programData);
        EXPECT_TRUE(first.filename().wstring().starts_with(L"ZentrimUpdate-")) << first.string();
        EXPECT_EQ(EntriesOf(first), std::vector<std::wstring>{});
        EXPECT_EQ(OthersWhoMayChange(first), std::vector<std::string>{});
        // What the updater puts in the folder inherits its protection.
        WriteFile(first / L"package.msi", "package");
        EXPECT_EQ(OthersWhoMayChange(first / L"package.msi"), std::vector<std::string>{});
    }
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_FALSE(std::filesystem::exists(second));
}

TEST(UpdateSystem, DownloadFolderGoesWithEverythingInIt) {
    std::filesystem::path path;
    {
        const DownloadFolder folder;
        ASSERT_TRUE(folder.Ready());
        path = folder.Path();
        WriteFile(path / L"package.msi", "package");
        WriteFile(path / L"read-only.txt", "kept?");
        ASSERT_TRUE(SetFileAttributesW((path / L"read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        std::filesystem::create_directories(path / L"inner" / L"deeper");
        WriteFile(path / L"inner" / L"deeper" / L"log.txt", "log");
        ASSERT_TRUE(SetFileAttributesW((path / L"inner").c_str(), FILE_ATTRIBUTE_READONLY));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(UpdateSystem, DownloadFolderRemovesLinksInsideWithoutFollowingThem) {
    const ScratchArea area;
    std::filesystem::path path;
    {
        const DownloadFolder folder;
        ASSERT_TRUE(folder.Ready());
        path = folder.Path();
        ASSERT_TRUE(testing::MakeLink(path / L"folder-link", area.Victim(), true)) << GetLastError();
        // Wine shows a link to a file as the file itself, so links to files are tested on Windows.
        if (!testing::RunningUnderWine()) {
            ASSERT_TRUE(testing::MakeLink(path / L"file-link", area.Path() / L"precious-file.txt", false));
            ASSERT_TRUE(testing::MakeLink(path / L"package.msi", area.Victim() / L"precious.txt", false));
            // A link is never held as a package: it could lead anywhere.
            EXPECT_FALSE(HeldFile(path / L"package.msi").Held());
        }
    }
    area.ExpectUntouched();
    if (!testing::RunningUnderWine()) {
        EXPECT_FALSE(std::filesystem::exists(path)) << "the links themselves are removed";
    }
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

TEST(UpdateSystem, DownloadFolderCannotBeReplacedAndItsCleanUpNeverFollowsAReplacement) {
    const ScratchArea area;
    const std::filesystem::path moved = area.Path() / L"moved-away";
    std::filesystem::path path;
    {
        const DownloadFolder folder;
        ASSERT_TRUE(folder.Ready());
        path = folder.Path();
        WriteFile(path / L"precious.txt", "the updater's own");
        // While the updater holds it, the folder cannot be renamed to make room for a link.
        EXPECT_FALSE(MoveFileExW(path.c_str(), moved.c_str(), 0));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (!testing::RunningUnderWine()) {
            return; // Windows offers no way around the hold
        }
        // Past Windows' rules (as a program outside Wine could), the folder goes and a link to
        // another folder takes its place: the clean-up must not remove that folder's files.
        ASSERT_TRUE(testing::RenameBehindWindows(path, moved));
        ASSERT_TRUE(testing::MakeLink(path, area.Victim(), true));
    }
    area.ExpectUntouched();
    EXPECT_EQ(ReadFile(moved / L"precious.txt"), "the updater's own") << "nothing removed by the name";
    DeleteFileW(path.c_str());
    RemoveDirectoryW(path.c_str());
}

TEST(UpdateSystem, DownloadFolderLeavesAnEntryTurnedIntoALinkWhileItIsRemoved) {
    if (!testing::RunningUnderWine()) {
        GTEST_SKIP() << "the entry is swapped on Wine's Unix side";
    }
    const ScratchArea area;
    DownloadFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::filesystem::path path = folder.Path();
    std::filesystem::create_directories(path / L"sub");
    WriteFile(path / L"sub" / L"precious.txt", "listed");
    WriteFile(path / L"package.msi", "package");
    std::vector<std::wstring> seen;
    folder.Remove([&](std::wstring_view name) {
        seen.emplace_back(name);
        if (name == L"sub") {
            // Between the listing and the opening, the subfolder becomes a link to another folder.
            ASSERT_TRUE(testing::RenameBehindWindows(path / L"sub", area.Path() / L"sub-moved"));
            ASSERT_TRUE(testing::MakeLink(path / L"sub", area.Victim(), true));
        }
    });
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"package.msi", L"sub"}));
    area.ExpectUntouched();
    EXPECT_FALSE(std::filesystem::exists(path / L"package.msi")) << "what was listed and opened went";
    EXPECT_EQ(ReadFile(area.Path() / L"sub-moved" / L"precious.txt"), "listed");
    DeleteFileW((path / L"sub").c_str());
    RemoveDirectoryW((path / L"sub").c_str());
    RemoveDirectoryW(path.c_str());
}

TEST(UpdateSystem, AHeldPackageCanBeReadButNotChangedRenamedOrDeleted) {
    const DownloadFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::filesystem::path package = folder.Path() / L"Zentrim-2.10.22.0-x64.msi";
    WriteFile(package, "abc");
    {
        const HeldFile held(package);
        ASSERT_TRUE(held.Held());
        EXPECT_EQ(held.Size(), 3u);
        // SHA-256 of "abc" (FIPS 180-2, appendix B.1).
        const std::array<std::uint8_t, 32> abc = {
            0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40, 0xde, 0x5d, 0xae, 0x22, 0x23,
            0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17, 0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad};
        EXPECT_EQ(held.Sha256(), abc);
        EXPECT_EQ(held.Sha256(), abc) << "read again from the start";

        const UniqueKernelHandle writer(NullIfInvalid(CreateFileW(
            package.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, 0, nullptr)));
        EXPECT_FALSE(writer) << "a second handle may not write";
        EXPECT_FALSE(
            MoveFileExW(package.c_str(), (folder.Path() / L"other.msi").c_str(), MOVEFILE_REPLACE_EXISTING));
        EXPECT_FALSE(DeleteFileW(package.c_str()));
        EXPECT_EQ(ReadFile(package), "abc");
        // Windows Installer reads it as the stand-in does: with read sharing.
        WriteFile(folder.Path() / L"code.msi", "3010");
        const HeldFile code(folder.Path() / L"code.msi");
        ASSERT_TRUE(code.Held());
        EXPECT_EQ(RunWindowsInstaller(code.Path(), InstallerStandIn()).exitCode, 3010u);
    }
    // Let go, it is an ordinary file again.
    EXPECT_TRUE(DeleteFileW(package.c_str()));
}

TEST(UpdateSystem, APackageIsHeldOnlyWhenNothingElseCanChangeItsContent) {
    const DownloadFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::filesystem::path package = folder.Path() / L"package.msi";
    {
        // Still open for writing elsewhere, as a download in progress is.
        const UniqueKernelHandle writer(NullIfInvalid(
            CreateFileW(package.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr)));
        ASSERT_TRUE(writer);
        EXPECT_FALSE(HeldFile(package).Held());
    }
    EXPECT_TRUE(HeldFile(package).Held());
    // A second name of the same content could be written past the hold.
    ASSERT_TRUE(CreateHardLinkW((folder.Path() / L"second-name.msi").c_str(), package.c_str(), nullptr));
    EXPECT_FALSE(HeldFile(package).Held());
    EXPECT_FALSE(HeldFile(folder.Path() / L"missing.msi").Held());
    EXPECT_FALSE(HeldFile(folder.Path()).Held()) << "a folder";
}

TEST(UpdateSystem, TheNewProgramIsStartedByTheDesktopShellNotByTheUpdater) {
    const DownloadFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::filesystem::path program = folder.Path() / L"start-probe.exe";
    const std::filesystem::path record = folder.Path() / L"start-probe.exe.parent";
    ASSERT_TRUE(CopyFileW(InstallerStandIn().c_str(), program.c_str(), FALSE));
    const auto startedBy = [&]() -> std::optional<DWORD> {
        for (int i = 0; i < 200; ++i) {
            const std::string text = ReadFile(record);
            if (!text.empty()) {
                std::filesystem::remove(record);
                return static_cast<DWORD>(std::stoul(text));
            }
            Sleep(50);
        }
        return std::nullopt;
    };
    // The probe tells who started it: a plain start from here names this process.
    ASSERT_GT(reinterpret_cast<INT_PTR>(
                  ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, folder.Path().c_str(), SW_HIDE)),
              32);
    EXPECT_EQ(startedBy(), GetCurrentProcessId());

    ASSERT_TRUE(StartAsDesktopUser(program, folder.Path()));
    const std::optional<DWORD> parent = startedBy();
    ASSERT_TRUE(parent) << "the shell did not start it";
    EXPECT_NE(*parent, GetCurrentProcessId());
    DWORD shellProcess = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &shellProcess);
    if (testing::RunningUnderWine()) {
        EXPECT_EQ(*parent, shellProcess) << "Wine's desktop process starts it";
    }
    Sleep(200); // let the probe end before its folder goes
}

TEST(UpdateSystem, InstallerRunGivesTheInstallersExitCode) {
    const DownloadFolder folder;
    ASSERT_TRUE(folder.Ready());
    // A package path with spaces must reach the installer as one argument.
    const auto package = folder.Path() / L"Zentrim 2.10.22.2025 x64.msi";
    for (const std::uint32_t code : {0u, 1602u, 3010u}) {
        WriteFile(package, std::to_string(code));
        const InstallerRun run = RunWindowsInstaller(package, InstallerStandIn());
        EXPECT_TRUE(run.started) << code;
        EXPECT_EQ(run.exitCode, code);
        EXPECT_EQ(ReadFile(package.wstring() + L".arguments"), "/i\n" + package.string() + "\n/qb\n");
    }
}

TEST(UpdateSystem, InstallerRunThatCannotStartSaysWhy) {
    const DownloadFolder folder;
    ASSERT_TRUE(folder.Ready());
    const auto package = folder.Path() / L"package.msi";
    WriteFile(package, "0");
    const InstallerRun run = RunWindowsInstaller(package, folder.Path() / L"no-such-installer.exe");
    EXPECT_FALSE(run.started);
    EXPECT_NE(run.systemError, 0u);
}

} // namespace
} // namespace zentrim
