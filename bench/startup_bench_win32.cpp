// The start-up and idle benchmark, run under Wine. It starts a program and a baseline program in
// turn and measures, from outside, the time from the start of the process until the program is
// idle (WaitForInputIdle) and its main window, found by class name, is visible. It prints every
// run, the medians and their ratio, the child windows of both main windows class by class, and
// the processor time the program takes while it shows its window and nothing happens.
//
// With ZENTRIM_BENCH_TRACE_DIR set (a Windows path), each start of the program is asked for its
// start-up trace (ZENTRIM_STARTUP_TRACE, understood by the test variant) in trace-N.txt there,
// and the idle run for a count of the messages it retrieves in idle.txt.
//
//   zentrim_bench_startup PROGRAM CLASS BASELINE BASELINE_CLASS [RUNS] [IDLE_SECONDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Handles {
    HANDLE process = nullptr;
    HANDLE thread = nullptr;
    DWORD processId = 0;
    Handles() = default;
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;
    ~Handles() {
        if (thread != nullptr) {
            CloseHandle(thread);
        }
        if (process != nullptr) {
            CloseHandle(process);
        }
    }
};

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

struct FindArguments {
    const wchar_t* className;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM lParam) {
    auto& arguments = *reinterpret_cast<FindArguments*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[256] = {};
    GetClassNameW(window, className, 256);
    if (processId == arguments.processId && std::wcscmp(className, arguments.className) == 0 &&
        IsWindowVisible(window)) {
        arguments.found = window;
        return FALSE;
    }
    return TRUE;
}

// The visible top-level window of that class that the process owns, if any.
HWND VisibleWindow(const wchar_t* className, DWORD processId) {
    FindArguments arguments{className, processId, nullptr};
    EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&arguments));
    return arguments.found;
}

std::wstring FolderOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[4096] = {};
    const DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
    return length > 0 && length < 4096 ? std::wstring(buffer, length) : std::wstring();
}

// Names the trace file the next start of the program writes, when traces are asked for; an
// empty name asks for none.
void AskForTrace(const std::wstring& fileName, int idleSeconds) {
    const std::wstring folder = Environment(L"ZENTRIM_BENCH_TRACE_DIR");
    if (folder.empty()) {
        return;
    }
    SetEnvironmentVariableW(L"ZENTRIM_STARTUP_TRACE",
                            fileName.empty() ? nullptr : (folder + L"\\" + fileName).c_str());
    SetEnvironmentVariableW(L"ZENTRIM_STARTUP_TRACE_IDLE_SECONDS",
                            idleSeconds > 0 ? std::to_wstring(idleSeconds).c_str() : nullptr);
}

bool Start(const std::wstring& program, Handles& handles) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION information{};
    std::wstring commandLine = L"\"" + program + L"\"";
    const std::wstring folder = FolderOf(program);
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &information)) {
        return false;
    }
    handles.process = information.hProcess;
    handles.thread = information.hThread;
    handles.processId = information.dwProcessId;
    return true;
}

// Closes the window as a user would and waits for the program to end; ends it when it does not.
void Stop(Handles& handles, HWND window) {
    if (window != nullptr) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(handles.process, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(handles.process, 1);
        WaitForSingleObject(handles.process, 10000);
    }
}

// Milliseconds from the start of the process until it is idle and its window visible.
std::optional<double> MeasureStart(const std::wstring& program, const wchar_t* className, Handles& handles,
                                   HWND& window) {
    const LONGLONG start = Now();
    if (!Start(program, handles)) {
        return std::nullopt;
    }
    WaitForInputIdle(handles.process, 60000);
    while ((window = VisibleWindow(className, handles.processId)) == nullptr) {
        if (Milliseconds(Now() - start) > 60000.0 ||
            WaitForSingleObject(handles.process, 1) == WAIT_OBJECT_0) {
            return std::nullopt;
        }
    }
    return Milliseconds(Now() - start);
}

BOOL CALLBACK CountChild(HWND window, LPARAM lParam) {
    wchar_t className[256] = {};
    GetClassNameW(window, className, 256);
    ++(*reinterpret_cast<std::map<std::wstring, int>*>(lParam))[className];
    return TRUE;
}

std::map<std::wstring, int> ChildCensus(HWND window) {
    std::map<std::wstring, int> census;
    EnumChildWindows(window, &CountChild, reinterpret_cast<LPARAM>(&census));
    return census;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (const wchar_t c : text) {
        narrow.push_back(c < 128 ? static_cast<char>(c) : '?');
    }
    return narrow;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

double ProcessorMilliseconds(HANDLE process) {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return -1.0;
    }
    const auto hundreds = [](const FILETIME& time) {
        return ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart;
    };
    return static_cast<double>(hundreds(kernel) + hundreds(user)) / 10000.0;
}

struct Idle {
    double atStart; // processor time the program had used when the idle time began
    double used;    // processor time it used over the idle time
};

// Processor time of the program over `seconds` while it shows its window and nothing happens.
std::optional<Idle> IdleCost(const std::wstring& program, const wchar_t* className, int seconds) {
    Handles handles;
    HWND window = nullptr;
    AskForTrace(L"idle.txt", seconds); // the trace lets the program settle for two seconds too
    const auto started = MeasureStart(program, className, handles, window);
    AskForTrace(L"", 0);
    if (!started) {
        Stop(handles, window);
        return std::nullopt;
    }
    Sleep(2000); // let the first painting and any start-up work settle
    const double before = ProcessorMilliseconds(handles.process);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double after = ProcessorMilliseconds(handles.process);
    Sleep(1500); // a traced program writes its own idle account at about this time
    Stop(handles, window);
    return Idle{before, after - before};
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: zentrim_bench_startup PROGRAM CLASS BASELINE BASELINE_CLASS [RUNS] "
                             "[IDLE_SECONDS]\n");
        return 2;
    }
    const std::wstring program = argv[1];
    const wchar_t* programClass = argv[2];
    const std::wstring baseline = argv[3];
    const wchar_t* baselineClass = argv[4];
    const int runs = argc > 5 ? std::max(1, _wtoi(argv[5])) : 10;
    const int idleSeconds = argc > 6 ? _wtoi(argv[6]) : 10;

    std::vector<double> programTimes;
    std::vector<double> baselineTimes;
    std::map<std::wstring, int> programChildren;
    std::map<std::wstring, int> baselineChildren;
    int failures = 0;
    // One start of each before the measured ones, so that both find Wine's files in the cache.
    for (int run = -1; run < runs; ++run) {
        for (int which = 0; which < 2; ++which) {
            const bool isProgram = (run + which) % 2 == 0; // alternate which one goes first
            Handles handles;
            HWND window = nullptr;
            if (isProgram && run >= 0) {
                AskForTrace(L"trace-" + std::to_wstring(run + 1) + L".txt", 0);
            }
            const auto time = MeasureStart(isProgram ? program : baseline,
                                           isProgram ? programClass : baselineClass, handles, window);
            if (time && run >= 0) {
                (isProgram ? programTimes : baselineTimes).push_back(*time);
                std::printf("run %d %s %.1f ms\n", run + 1, isProgram ? "program" : "baseline", *time);
                if (window != nullptr) {
                    (isProgram ? programChildren : baselineChildren) = ChildCensus(window);
                }
            } else if (!time) {
                ++failures;
                std::printf("run %d %s failed\n", run + 1, isProgram ? "program" : "baseline");
            }
            Stop(handles, window);
            std::fflush(stdout);
        }
    }
    bool sameChildren = programChildren == baselineChildren;
    for (const auto& [name, count] : programChildren) {
        std::printf("children program %s %d\n", Narrow(name).c_str(), count);
    }
    for (const auto& [name, count] : baselineChildren) {
        std::printf("children baseline %s %d\n", Narrow(name).c_str(), count);
    }
    const double programMedian = Median(programTimes);
    const double baselineMedian = Median(baselineTimes);
    std::printf("startup program median %.1f ms min %.1f ms max %.1f ms\n", programMedian,
                programTimes.empty() ? 0.0 : *std::min_element(programTimes.begin(), programTimes.end()),
                programTimes.empty() ? 0.0 : *std::max_element(programTimes.begin(), programTimes.end()));
    std::printf("startup baseline median %.1f ms min %.1f ms max %.1f ms\n", baselineMedian,
                baselineTimes.empty() ? 0.0 : *std::min_element(baselineTimes.begin(), baselineTimes.end()),
                baselineTimes.empty() ? 0.0 : *std::max_element(baselineTimes.begin(), baselineTimes.end()));
    std::printf("startup ratio %.2f\n", baselineMedian > 0 ? programMedian / baselineMedian : 0.0);
    std::printf("children same %s\n", sameChildren ? "yes" : "no");
    if (idleSeconds > 0) {
        const auto programIdle = IdleCost(program, programClass, idleSeconds);
        const auto baselineIdle = IdleCost(baseline, baselineClass, idleSeconds);
        const Idle none{-1.0, -1.0};
        std::printf("idle program %.1f ms in %d s (%.1f ms before)\n", programIdle.value_or(none).used,
                    idleSeconds, programIdle.value_or(none).atStart);
        std::printf("idle baseline %.1f ms in %d s (%.1f ms before)\n", baselineIdle.value_or(none).used,
                    idleSeconds, baselineIdle.value_or(none).atStart);
    }
    return failures == 0 && sameChildren ? 0 : 1;
}
