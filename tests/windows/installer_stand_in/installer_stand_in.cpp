// Stands in for msiexec.exe in the updater's tests: given "/i <package> /qb", it writes the
// arguments it got, one a line, into "<package>.arguments" and exits with the number written in
// the package file. Any other command line exits with 1639 (invalid command line); with none at all
// it first writes the ID of the process that started it into "<its own path>.parent", so that tests
// can see who started it.
#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

void WriteWhoStartedThis() {
    DWORD parent = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (entry.th32ProcessID == GetCurrentProcessId()) {
                parent = entry.th32ParentProcessID;
            }
        }
        CloseHandle(snapshot);
    }
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring record = std::wstring(path, length) + L".parent";
    HANDLE file =
        CreateFileW(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const std::string text = std::to_string(parent);
        DWORD done = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
        CloseHandle(file);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) {
        return 1639;
    }
    if (count == 1) {
        LocalFree(arguments);
        WriteWhoStartedThis();
        return 1639;
    }
    std::wstring package;
    std::string written;
    for (int i = 1; i < count; ++i) {
        const std::wstring argument = arguments[i];
        written += std::string(argument.begin(), argument.end()) + "\n";
    }
    const bool wellFormed =
        count == 4 && std::wcscmp(arguments[1], L"/i") == 0 && std::wcscmp(arguments[3], L"/qb") == 0;
    if (wellFormed) {
        package = arguments[2];
    }
    LocalFree(arguments);
    if (!wellFormed) {
        return 1639;
    }

    HANDLE record = CreateFileW((package + L".arguments").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (record != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        WriteFile(record, written.data(), static_cast<DWORD>(written.size()), &done, nullptr);
        CloseHandle(record);
    }

    HANDLE input =
        CreateFileW(package.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) {
        return 1619; // the package could not be opened
    }
    char text[16] = {};
    DWORD read = 0;
    ReadFile(input, text, sizeof text - 1, &read, nullptr);
    CloseHandle(input);
    return static_cast<int>(std::strtoul(text, nullptr, 10));
}
