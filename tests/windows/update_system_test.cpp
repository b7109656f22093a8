// The updater's contacts with Windows: a program's version, the download folder and the start of
// Windows Installer (with a stand-in program).
#include "updater/update_system.h"

#include "base/unique_handle_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

TEST(UpdateSystem, DownloadFoldersAreFreshAndPrivate) {
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
        EXPECT_TRUE(std::filesystem::is_directory(second));
        EXPECT_EQ((first.parent_path() / L"").wstring(), TempFolder().wstring());
        EXPECT_EQ((second.parent_path() / L"").wstring(), TempFolder().wstring());
        EXPECT_TRUE(std::filesystem::is_empty(first));
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

TEST(UpdateSystem, DownloadFolderLeavesWhatALinkPointsTo) {
    // A folder outside that a junction inside points to keeps its content.
    const DownloadFolder outside;
    ASSERT_TRUE(outside.Ready());
    WriteFile(outside.Path() / L"precious.txt", "precious");
    std::filesystem::path path;
    {
        const DownloadFolder folder;
        ASSERT_TRUE(folder.Ready());
        path = folder.Path();
        if (!CreateSymbolicLinkW((path / L"link").c_str(), outside.Path().c_str(),
                                 SYMBOLIC_LINK_FLAG_DIRECTORY)) {
            GTEST_SKIP() << "no folder links here: error " << GetLastError();
        }
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(ReadFile(outside.Path() / L"precious.txt"), "precious");
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
