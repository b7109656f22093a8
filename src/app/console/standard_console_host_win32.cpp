#include "app/console/standard_console_host.h"

#include "base/text.h"
#include "base/unique_handle_win32.h"
#include "engine/original_record.h"
#include "engine/program_windows.h"
#include "engine/registry_store_win32.h"
#include "engine/restart_win32.h"
#include "engine/run_gate_win32.h"
#include "engine/windows_version.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace zentrim {

namespace {

// How long the console program waits for another console run to end.
constexpr std::chrono::milliseconds kConsoleGateLimit = std::chrono::minutes(5);

// Text to a console as UTF-16, so that every character shows; to a file or pipe as UTF-8; with
// CR LF line ends either way. False when some of it was not written. A program started without
// the stream has nothing to lose.
bool Write(DWORD stream, std::string_view lines) {
    const HANDLE handle = GetStdHandle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return true;
    }
    const std::string withCrLf = WithCrLfLineEnds(lines);
    const std::string_view utf8 = withCrLf;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::u16string text = FromUtf8(utf8);
        std::u16string_view left = text;
        while (!left.empty()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left.size(), 1u << 14));
            if (!WriteConsoleW(handle, left.data(), chunk, &written, nullptr) || written == 0) {
                return false;
            }
            left.remove_prefix(written);
        }
        return true;
    }
    std::string_view left = utf8;
    while (!left.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left.size(), 1u << 20));
        if (!WriteFile(handle, left.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        left.remove_prefix(written);
    }
    return true;
}

std::wstring Wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

class GateLock final : public ConsoleHost::RunLock {
public:
    explicit GateLock(std::unique_ptr<RunGateMutex> gate) : gate_(std::move(gate)) {}

private:
    std::unique_ptr<RunGateMutex> gate_;
};

class Win32ConsoleHost final : public ConsoleHost {
public:
    void WriteOut(std::string_view utf8) override { failed_ |= !Write(STD_OUTPUT_HANDLE, utf8); }
    void WriteError(std::string_view utf8) override { failed_ |= !Write(STD_ERROR_HANDLE, utf8); }
    // Both streams are written through unbuffered: what failed has been seen already.
    bool FlushOutput() override { return !failed_; }
    RegistryStore* LiveRegistry() override { return &store_; }
    int DetectWindows() override { return DetectWindowsVersion(); }
    SystemRestart& Restart() override { return restart_; }

    // The last write of the record of originals, which is written once, when the backup is taken.
    std::optional<std::string> BackupTime() override {
        HKEY opened = nullptr;
        const std::wstring path = Wide(BareKeyPath(kOriginalsKeyPath));
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        const UniqueHkey key(opened);
        FILETIME written{};
        SYSTEMTIME utc{};
        if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS ||
            !FileTimeToSystemTime(&written, &utc)) {
            return std::nullopt;
        }
        char text[32];
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", utc.wYear, utc.wMonth, utc.wDay,
                      utc.wHour, utc.wMinute, utc.wSecond);
        return std::string(text);
    }

    std::unique_ptr<RunLock> LockRuns() override {
        auto gate = std::make_unique<RunGateMutex>(kConsoleGateLimit);
        if (!gate->Owned()) {
            return nullptr;
        }
        const std::wstring mainForm = Wide(window_class::kMainForm);
        if (FindWindowW(mainForm.c_str(), nullptr) != nullptr) {
            return nullptr;
        }
        return std::make_unique<GateLock>(std::move(gate));
    }

private:
    Win32RegistryStore store_;
    Win32SystemRestart restart_;
    bool failed_ = false;
};

} // namespace

std::unique_ptr<ConsoleHost> MakeStandardConsoleHost() {
    return std::make_unique<Win32ConsoleHost>();
}

} // namespace zentrim
