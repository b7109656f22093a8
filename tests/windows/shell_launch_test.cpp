// The Windows launcher and the program folder under Wine.
#include "launch/shell.h"

#include "base/text.h"
#include "base/unique_handle_win32.h"
#include "launch/program_folder.h"
#include "launch/shell_launcher_win32.h"

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

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

// One request to the shell as ShellExecuteW received it, and the shell's answer.
struct ShellRequest {
    HWND owner = nullptr;
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    bool folderGiven = false;
    int showCommand = 0;
    INT_PTR answer = 0; // above 32: accepted; else the SE_ERR_ code
};

// Notes each request and passes it on to the real shell.
class ShellRecorder {
public:
    ShellExecuteFunction Function() {
        return [this](HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder,
                      INT showCommand) {
            const HINSTANCE answer = ShellExecuteW(owner, verb, file, parameters, folder, showCommand);
            requests_.push_back({owner, verb != nullptr ? verb : L"", file != nullptr ? file : L"",
                                 parameters != nullptr ? parameters : L"", folder != nullptr, showCommand,
                                 reinterpret_cast<INT_PTR>(answer)});
            return answer;
        };
    }
    const std::vector<ShellRequest>& Requests() const { return requests_; }

private:
    std::vector<ShellRequest> requests_;
};

// The processes this test program has started that are still running, by id with their names.
std::map<DWORD, std::string> ChildProcesses() {
    std::map<DWORD, std::string> children;
    HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (list == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "no process list";
        return children;
    }
    const UniqueKernelHandle snapshot(list);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId()) {
            const std::wstring name(entry.szExeFile);
            children.emplace(entry.th32ProcessID, std::string(name.begin(), name.end()));
        }
    }
    return children;
}

// The children started since `before` was taken: a child of an earlier test that is still ending
// under a loaded machine is not this test's.
std::vector<std::string> NewChildProcesses(const std::map<DWORD, std::string>& before) {
    std::vector<std::string> started;
    for (const auto& [id, name] : ChildProcesses()) {
        if (!before.contains(id)) {
            started.push_back(name);
        }
    }
    return started;
}

// The windows of this program that are shown on the screen.
std::vector<HWND> VisibleWindowsOfThisProgram() {
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND window, LPARAM list) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window)) {
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

TEST(ShellLauncherWin32, OpeningADocumentBesideTheProgramReturnsQuietly) {
    const auto childrenBefore = ChildProcesses();
    DocumentBesideTheProgram document;
    ASSERT_TRUE(FileExists(document.Path()));
    ShellRecorder shell32;
    ShellLauncher launcher(shell32.Function());
    Shell shell(launcher, RunningProgramFolder());
    const auto elapsed = Timed([&] {
        shell.ShellOpen(document.Path(), u"");
        shell.ShellOpenDetached(document.Path(), u"");
    });
    EXPECT_LT(elapsed, std::chrono::seconds(10));

    // The shell was asked to open the document twice with "open", no parameters, no working
    // folder and SW_SHOW; no program takes this type, so the shell refused and started nothing.
    const std::wstring path = ToWide(document.Path());
    ASSERT_EQ(shell32.Requests().size(), 2u);
    for (const ShellRequest& request : shell32.Requests()) {
        EXPECT_EQ(request.owner, nullptr); // no application window in this test
        EXPECT_EQ(request.verb, L"open");
        EXPECT_EQ(request.file, path);
        EXPECT_EQ(request.parameters, L"");
        EXPECT_FALSE(request.folderGiven);
        EXPECT_EQ(request.showCommand, SW_SHOW);
        EXPECT_EQ(request.answer, SE_ERR_NOASSOC);
    }
    EXPECT_EQ(NewChildProcesses(childrenBefore), std::vector<std::string>{});
}

TEST(ShellLauncherWin32, MissingTargetsReturnQuietly) {
    const auto childrenBefore = ChildProcesses();
    const std::u16string folder = RunningProgramFolder() + u"no such folder\\";
    ShellRecorder shell32;
    ShellLauncher launcher(shell32.Function());
    Shell shell(launcher, folder);
    shell.Open(LaunchTarget::LicenseTerms);
    shell.Open(LaunchTarget::Updater);
    shell.Open(LaunchTarget::UpdateCheck);

    // Each target is asked for in the program folder by its fixed name; none exists there, so
    // the shell answers that it found no file and nothing is started.
    const std::wstring wideFolder = ToWide(folder);
    const std::vector<std::pair<std::wstring, std::wstring>> expected{
        {wideFolder + L"License.rtf", std::wstring()},
        {wideFolder + L"ZentrimUpdate.exe", std::wstring()},
        {wideFolder + L"Zentrim.exe", L"/checkupdate"},
    };
    ASSERT_EQ(shell32.Requests().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ShellRequest& request = shell32.Requests()[i];
        EXPECT_EQ(request.verb, L"open");
        EXPECT_EQ(request.file, expected[i].first);
        EXPECT_EQ(request.parameters, expected[i].second);
        EXPECT_EQ(request.showCommand, SW_SHOW);
        EXPECT_TRUE(request.answer == SE_ERR_FNF || request.answer == SE_ERR_PNF)
            << "answer " << request.answer << " for " << ToUtf8(FromWide(request.file));
    }
    EXPECT_EQ(NewChildProcesses(childrenBefore), std::vector<std::string>{});
}

TEST(ShellLauncherWin32, HelpWithAMissingHelpFileReturnsQuietly) {
    const auto childrenBefore = ChildProcesses();
    const std::u16string folder = RunningProgramFolder();
    ASSERT_FALSE(FileExists(folder + u"Zentrim.chm"));
    const std::vector<HWND> windowsBefore = VisibleWindowsOfThisProgram();
    ShellRecorder shell32;
    ShellLauncher launcher(shell32.Function());
    Shell shell(launcher, folder);
    HMODULE libraryAfterFirst = nullptr;
    const auto elapsed = Timed([&] {
        shell.ShowHelpTopic(u"Zentrim.chm", u"/html/main.htm");
        libraryAfterFirst = GetModuleHandleW(L"hhctrl.ocx");
        // The library stays loaded: a second request goes through it again.
        shell.Open(LaunchTarget::HelpMainTopic);
    });
    EXPECT_LT(elapsed, std::chrono::seconds(10));

    // The requests went to the help viewer's library, which stayed loaded between them; the
    // shell was not asked, no help window opened for the missing file and nothing was started.
    EXPECT_NE(libraryAfterFirst, nullptr);
    EXPECT_EQ(GetModuleHandleW(L"hhctrl.ocx"), libraryAfterFirst);
    EXPECT_TRUE(shell32.Requests().empty());
    EXPECT_EQ(VisibleWindowsOfThisProgram(), windowsBefore);
    EXPECT_EQ(NewChildProcesses(childrenBefore), std::vector<std::string>{});
}

} // namespace
} // namespace zentrim
