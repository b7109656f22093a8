// The Windows launcher and the program folder under Wine.
#include "launch/shell.h"

#include "base/text.h"
#include "base/unique_handle_win32.h"
#include "launch/program_folder.h"
#include "launch/shell_launcher_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace zentrim {
namespace {

bool FileExists(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Runs the test from another current folder and returns to the first one afterwards.
class OtherWorkingFolder {
public:
    OtherWorkingFolder() {
        wchar_t folder[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, folder);
        previous_ = folder;
        wchar_t windows[MAX_PATH];
        GetWindowsDirectoryW(windows, MAX_PATH);
        SetCurrentDirectoryW(windows);
    }
    ~OtherWorkingFolder() { SetCurrentDirectoryW(previous_.c_str()); }

private:
    std::wstring previous_;
};

TEST(ProgramFolderWin32, IsTheFolderOfTheTestProgramWhateverTheCurrentFolder) {
    OtherWorkingFolder elsewhere;
    const std::u16string path = RunningProgramPath();
    const std::u16string folder = RunningProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), u'\\');
    EXPECT_EQ(path.substr(0, folder.size()), folder);
    EXPECT_TRUE(EqualsIgnoringCase(path.substr(folder.size()), u"zentrim_windows_tests.exe"));
    EXPECT_TRUE(FileExists(folder + u"zentrim_windows_tests.exe"));
}

// A document beside the program whose type no program is associated with, so nothing is
// started that could outlive the test.
class DocumentBesideTheProgram {
public:
    DocumentBesideTheProgram() : path_(RunningProgramFolder() + u"launch test document.zentrimtest") {
        std::ofstream(std::filesystem::path(ToWide(path_))) << "not a real document\n";
    }
    ~DocumentBesideTheProgram() { DeleteFileW(ToWide(path_).c_str()); }
    const std::u16string& Path() const { return path_; }

private:
    std::u16string path_;
};

template <typename Action> std::chrono::milliseconds Timed(Action action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

TEST(ShellLauncherWin32, OpeningADocumentBesideTheProgramReturnsQuietly) {
    DocumentBesideTheProgram document;
    ASSERT_TRUE(FileExists(document.Path()));
    ShellLauncher launcher;
    Shell shell(launcher, RunningProgramFolder());
    const auto elapsed = Timed([&] {
        shell.ShellOpen(document.Path(), u"");
        shell.ShellOpenDetached(document.Path(), u"");
    });
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

TEST(ShellLauncherWin32, MissingTargetsReturnQuietly) {
    ShellLauncher launcher;
    Shell shell(launcher, RunningProgramFolder() + u"no such folder\\");
    shell.Open(LaunchTarget::LicenseTerms);
    shell.Open(LaunchTarget::Updater);
    shell.Open(LaunchTarget::UpdateCheck);
}

TEST(ShellLauncherWin32, HelpWithAMissingHelpFileReturnsQuietly) {
    const std::u16string folder = RunningProgramFolder();
    ASSERT_FALSE(FileExists(folder + u"Zentrim.chm"));
    ShellLauncher launcher;
    Shell shell(launcher, folder);
    const auto elapsed = Timed([&] {
        shell.ShowHelpTopic(u"Zentrim.chm", u"/html/main.htm");
        // The library stays loaded: a second request goes through it again.
        shell.Open(LaunchTarget::HelpMainTopic);
    });
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

} // namespace
} // namespace zentrim
