#include "app/startup/startup_trace_win32.h"

#include "base/phase_trace.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <vector>

namespace zentrim {

namespace {

constexpr DWORD kSettleMilliseconds = 2000;

// Messages the program's thread retrieved, counted by a message hook while tracing: system
// messages by number, registered and private ones together.
constexpr UINT kCountedMessages = WM_USER;
std::array<std::atomic<long>, kCountedMessages + 1> retrieved{};

LRESULT CALLBACK CountRetrieved(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && wParam == PM_REMOVE) {
        const UINT message = reinterpret_cast<const MSG*>(lParam)->message;
        retrieved[std::min(message, kCountedMessages)].fetch_add(1, std::memory_order_relaxed);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::array<long, kCountedMessages + 1> RetrievedSoFar() {
    std::array<long, kCountedMessages + 1> counts{};
    for (std::size_t i = 0; i < counts.size(); ++i) {
        counts[i] = retrieved[i].load(std::memory_order_relaxed);
    }
    return counts;
}

double ProcessorMilliseconds() {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto hundreds = [](const FILETIME& time) {
        return ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart;
    };
    return static_cast<double>(hundreds(kernel) + hundreds(user)) / 10000.0;
}

std::wstring Environment(const wchar_t* name) {
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length) : std::wstring();
}

LONGLONG Ticks() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double MillisecondsSince(LONGLONG start) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(Ticks() - start) / static_cast<double>(frequency.QuadPart);
}

ULONGLONG Hundreds(const FILETIME& time) {
    return ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart;
}

} // namespace

StartupTrace::StartupTrace(const wchar_t* mainWindowClass) : mainWindowClass_(mainWindowClass) {
    file_ = Environment(L"ZENTRIM_STARTUP_TRACE");
    if (file_.empty()) {
        return;
    }
    idleSeconds_ = _wtoi(Environment(L"ZENTRIM_STARTUP_TRACE_IDLE_SECONDS").c_str());
    entryTicks_ = Ticks();
    GetSystemTimePreciseAsFileTime(&entryTime_);
    trace::Enable();
    stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    hook_.reset(SetWindowsHookExW(WH_GETMESSAGE, &CountRetrieved, nullptr, GetCurrentThreadId()));
    watcher_ = std::thread([this] { Watch(); });
}

StartupTrace::~StartupTrace() {
    if (watcher_.joinable()) {
        SetEvent(stop_.get());
        watcher_.join();
    }
}

void StartupTrace::Watch() {
    // The same moment an outside observer waits for: the process idle, then the main window
    // visible.
    WaitForInputIdle(GetCurrentProcess(), INFINITE);
    HWND window = nullptr;
    for (;;) {
        window = FindWindowW(mainWindowClass_.c_str(), nullptr);
        if (window != nullptr && IsWindowVisible(window)) {
            break;
        }
        if (WaitForSingleObject(stop_.get(), 1) == WAIT_OBJECT_0) {
            return;
        }
    }
    // Then until the main thread is back in its message loop: the process's own WaitForInputIdle
    // does not wait for it under Wine, and the window is visible from the start of its first
    // showing, which paints it before returning.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
    const double sinceEntry = MillisecondsSince(entryTicks_);
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const double beforeEntry =
        Hundreds(entryTime_) > Hundreds(created) ? (Hundreds(entryTime_) - Hundreds(created)) / 10000.0 : 0.0;

    std::string report = trace::FormatReport(trace::ProgramAccount(),
                                             std::chrono::duration_cast<trace::Clock::duration>(
                                                 std::chrono::duration<double, std::milli>(sinceEntry)));
    char line[128];
    std::snprintf(line, sizeof line, "%-16s %9.2f ms\n", "before entry", beforeEntry);
    report += line;
    std::snprintf(line, sizeof line, "%-16s %9.2f ms\n", "processor time",
                  (Hundreds(kernel) + Hundreds(user)) / 10000.0);
    report += line;
    Write(report, false);

    if (idleSeconds_ <= 0) {
        return;
    }
    // The first painting goes on after the program is idle: the idle time begins when it has
    // settled, as the outside measurement's does.
    if (WaitForSingleObject(stop_.get(), kSettleMilliseconds) == WAIT_OBJECT_0) {
        return;
    }
    const auto before = RetrievedSoFar();
    const double processorBefore = ProcessorMilliseconds();
    if (WaitForSingleObject(stop_.get(), static_cast<DWORD>(idleSeconds_) * 1000) == WAIT_OBJECT_0) {
        return;
    }
    const double processor = ProcessorMilliseconds() - processorBefore;
    const auto after = RetrievedSoFar();
    long all = 0;
    std::string kinds;
    for (std::size_t i = 0; i < after.size(); ++i) {
        const long count = after[i] - before[i];
        all += count;
        if (count > 0) {
            std::snprintf(line, sizeof line, " 0x%04zx:%ld", i, count);
            kinds += line;
        }
    }
    std::snprintf(line, sizeof line,
                  "idle %d s: %ld messages retrieved, %ld of them timer messages; processor time %.1f ms\n",
                  idleSeconds_, all, after[WM_TIMER] - before[WM_TIMER], processor);
    Write(line + std::string("messages by number (0x0400: registered and private):") + kinds + "\n", true);
}

void StartupTrace::Write(const std::string& text, bool append) const {
    const UniqueKernelHandle file(NullIfInvalid(
        CreateFileW(file_.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!file) {
        return;
    }
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace zentrim
