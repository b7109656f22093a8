// The console program beside the window program: runs of one seen by the other, the undo file
// applied with "reg import", and the rule that the two never run a run at once.
#include "base/unique_handle_win32.h"
#include "e2e/e2e_fixture.h"

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace zentrim::e2e {
namespace {

// ZentrimCmd.exe, built beside the program the tests drive.
std::wstring ConsoleProgram() {
    const std::wstring& program = Options().program;
    return program.substr(0, program.find_last_of(L"\\/") + 1) + L"ZentrimCmd.exe";
}

// Runs the console program and gives its exit code; nothing when it did not end in time.
std::optional<DWORD> RunConsole(const std::wstring& arguments) {
    ChildProcess process = ChildProcess::Start(ConsoleProgram(), arguments, {});
    if (!process.Started()) {
        return std::nullopt;
    }
    return process.WaitForExit(60s);
}

// Runs the console program with its standard output going to `file`, as "ZentrimCmd ... > file"
// does; gives its exit code, nothing when it did not start or end in time.
std::optional<DWORD> RunConsoleInto(const std::wstring& arguments, const std::wstring& file) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const UniqueKernelHandle out(
        NullIfInvalid(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!out) {
        return std::nullopt;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.get();
    startup.hStdError = out.get();
    std::wstring line = L"\"" + ConsoleProgram() + L"\" " + arguments;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started)) {
        return std::nullopt;
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

std::string ReadWholeFile(const std::wstring& file) {
    std::ifstream stream(std::filesystem::path(file), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

// Values of every type where the catalogue's values live, and some that do not exist.
void SeedUserValues() {
    const HKEY machine = HKEY_LOCAL_MACHINE;
    const wchar_t* tcpip = L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    WriteValue(machine, L"System\\CurrentControlSet\\Control\\FileSystem", L"NtfsDisableLastAccessUpdate",
               DwordValue(0x80000003));
    WriteValue(machine, L"System\\CurrentControlSet\\Control\\FileSystem", L"NtfsMftZoneReservation",
               StoredValue{REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}});
    WriteValue(machine, tcpip, L"SynAttackProtect", StringValue(L"user text"));
    WriteValue(machine, tcpip, L"TcpMaxHalfOpen",
               StoredValue{REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}});
    WriteValue(machine, tcpip, L"KeepAliveTime", BinaryValue({0xDE, 0xAD, 0xBE, 0xEF}));
    WriteValue(machine, tcpip, L"EnableICMPRedirects", StoredValue{REG_EXPAND_SZ, {'%', 0, 'P', 0, 0, 0}});
    WriteValue(machine, tcpip, L"TcpMaxHalfOpenRetried", std::nullopt);
    WriteValue(machine, L"System\\CurrentControlSet\\Control\\CrashControl", L"AutoReboot", std::nullopt);
    WriteValue(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"SmoothScroll", DwordValue(0));
    WriteValue(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics", L"MinAnimate", std::nullopt);
}

TEST_F(EndToEnd, AConsoleOptimizeRunIsOneTheWindowOffersToRestoreAndTheConsoleRestores) {
    SeedUserValues();
    const ValueState before = ReadCatalogueState();

    ASSERT_EQ(RunConsole(L"optimize --speed max"), std::optional<DWORD>(0));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"SpeedSetting"), DwordValue(1));
    EXPECT_NE(Describe(ReadCatalogueState()[0]), Describe(before[0])) << "the run changed the first value";

    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    const MainWindowView view(main);
    EXPECT_TRUE(IsWindowEnabled(view.RestoreButton())) << "the console's backup is the window's";
    EXPECT_EQ(SendMessageW(view.SpeedTrackBar(), TBM_GETPOS, 0, 0), 1) << "the console's choice is stored";

    // While the window is open the console program runs no run.
    EXPECT_EQ(RunConsole(L"restore"), std::optional<DWORD>(4));
    CloseMainInstance(program, main);

    ASSERT_EQ(RunConsole(L"restore"), std::optional<DWORD>(0));
    ExpectCatalogueState(ReadCatalogueState(), before, "after the console's restore");
    EXPECT_EQ(RunConsole(L"restore"), std::optional<DWORD>(3)) << "no backup is held any more";
}

TEST_F(EndToEnd, TheUndoFileOfAWindowOptimizeRunGivesBackEveryValueWithRegImportAndTheConsoleRestoresIt) {
    SeedUserValues();
    const ValueState before = ReadCatalogueState();

    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    const MainWindowView view(main);
    PressButton(view.GoButton());
    std::optional<MessageBoxView> question = WaitForMessageBoxOwnedBy(main, kRunLimit);
    ASSERT_TRUE(question.has_value()) << "the optimize run did not end with its restart question";
    ASSERT_TRUE(AnswerMessageBox(*question, IDNO));
    CloseMainInstance(program, main);

    const std::wstring undo = folder_.Path() + L"undo.reg";
    ASSERT_EQ(RunConsole(L"export-undo \"" + undo + L"\""), std::optional<DWORD>(0));
    ChildProcess import =
        ChildProcess::Start(L"C:\\windows\\system32\\reg.exe", L"import \"" + undo + L"\"", {});
    ASSERT_TRUE(import.Started());
    ASSERT_EQ(import.WaitForExit(60s), std::optional<DWORD>(0)) << "reg import refused the undo file";
    DeleteFileW(undo.c_str());
    ExpectCatalogueState(ReadCatalogueState(), before, "after reg import of the undo file");

    // The window's backup is still held: the console program restores it, to the same values.
    ASSERT_EQ(RunConsole(L"restore"), std::optional<DWORD>(0));
    ExpectCatalogueState(ReadCatalogueState(), before, "after the console's restore");
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Restore").has_value() &&
                 NumberOf(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Restore")) != 0u)
        << "the backup is gone";
}

// A run on a registry file holds the file's lock, LockFileEx on "<file>.lock", which every run
// takes: while another program holds it the run waits, ends with 4 and leaves the file as it was;
// once it is let go, the run goes ahead. A read-only file is refused before the run.
TEST_F(EndToEnd, AConsoleRunOnARegistryFileWaitsForItsLockAndRefusesAReadOnlyFile) {
    const std::wstring file = folder_.Path() + L"machine.reg";
    const std::wstring text = L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                              L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
                              L"\"CurrentVersion\"=\"6.1\"\r\n\"CurrentBuild\"=\"7601\"\r\n"
                              L"\"InstallationType\"=\"Client\"\r\n\r\n"
                              L"[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\r\n"
                              L"\"ProcessorNameString\"=\"Intel\"\r\n\r\n";
    const auto readFile = [&] {
        std::ifstream stream(std::filesystem::path(file), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    };
    {
        std::ofstream stream(std::filesystem::path(file), std::ios::binary);
        stream.write(reinterpret_cast<const char*>(text.data()),
                     static_cast<std::streamsize>(text.size() * 2));
    }
    const std::string original = readFile();
    const std::wstring run = L"optimize --registry \"" + file + L"\"";
    {
        const UniqueKernelHandle lock(NullIfInvalid(CreateFileW(
            (file + L".lock").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
        ASSERT_TRUE(lock);
        OVERLAPPED start{};
        ASSERT_TRUE(
            LockFileEx(lock.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start));
        EXPECT_EQ(RunConsole(run), std::optional<DWORD>(4));
        EXPECT_EQ(readFile(), original);
        UnlockFileEx(lock.get(), 0, 1, 0, &start);
    }
    EXPECT_EQ(RunConsole(run), std::optional<DWORD>(0));
    const std::string optimized = readFile();
    EXPECT_NE(optimized, original);

    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(RunConsole(L"restore --registry \"" + file + L"\""), std::optional<DWORD>(2));
    EXPECT_EQ(readFile(), optimized);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Redirected to a file, every line the console program writes ends with CR LF, as the lines of
// Windows' own tools do; a usage error with --json is a JSON document there too.
TEST_F(EndToEnd, TheConsoleProgramWritesCrLfLinesIntoAFile) {
    const std::wstring version = folder_.Path() + L"version.txt";
    ASSERT_EQ(RunConsoleInto(L"--version", version), std::optional<DWORD>(0));
    EXPECT_EQ(ReadWholeFile(version), "ZentrimCmd 2.10.21.2024\r\n");

    int run = 0;
    for (const std::wstring arguments : {L"status", L"status --json", L"STATUS --OS win99 --json"}) {
        SCOPED_TRACE(std::string(arguments.begin(), arguments.end()));
        const std::wstring file = folder_.Path() + L"out" + std::to_wstring(++run) + L".txt";
        ASSERT_TRUE(RunConsoleInto(arguments, file).has_value()) << GetLastError();
        const std::string text = ReadWholeFile(file);
        ASSERT_NE(text.find("\r\n"), std::string::npos) << text;
        for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', end + 1)) {
            ASSERT_TRUE(end > 0 && text[end - 1] == '\r') << "a line without CR at " << end;
        }
        if (run == 3) {
            EXPECT_NE(text.find("\"command\": \"error\""), std::string::npos) << text;
        }
    }
}

} // namespace
} // namespace zentrim::e2e
