// Reliability under Wine: a product key and tweaked values full of hostile data, many starts and
// update checks at once, and many optimize-and-restore cycles watched for leaks.
#include "e2e/e2e_fixture.h"
#include "e2e/process_figures.h"
#include "e2e/system_facts.h"

#include "support/loopback_http_server.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zentrim::e2e {
namespace {

using test_support::LoopbackHttpServer;
using test_support::ServerReply;

// Registry type numbers that the SDK headers of every compiler name alike.
constexpr DWORD kQword = 11;
constexpr DWORD kUnknownType = 0x12345678;

// UTF-16 bytes of a text, with no terminating NUL.
std::vector<std::uint8_t> TextBytes(std::wstring_view text) {
    std::vector<std::uint8_t> bytes;
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return bytes;
}

std::vector<std::uint8_t> Joined(std::vector<std::uint8_t> bytes, std::initializer_list<std::uint8_t> tail) {
    bytes.insert(bytes.end(), tail);
    return bytes;
}

StoredValue Raw(DWORD type, std::vector<std::uint8_t> bytes) {
    return {type, std::move(bytes)};
}

// A text value of exactly one mebibyte, its terminating NUL included.
StoredValue MebibyteText(std::wstring_view pattern) {
    std::wstring text;
    while (text.size() < 512 * 1024 - 1) {
        text += pattern;
    }
    text.resize(512 * 1024 - 1);
    return StringValue(text);
}

// Type and every byte (the first 24), for messages: Describe shows texts only up to their NUL.
std::string Exactly(const MaybeValue& value) {
    if (!value) {
        return "(absent)";
    }
    std::string text =
        "type " + std::to_string(value->type) + ", " + std::to_string(value->data.size()) + " bytes:";
    for (std::size_t i = 0; i < value->data.size() && i < 24; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", value->data[i]);
        text += hex;
    }
    return value->data.size() > 24 ? text + " ..." : text;
}

// Values of the kinds a tweaked value or a product value should never hold, one of each: other
// types, texts cut short or with an odd byte count, numbers of the wrong size, nothing, and much.
std::vector<MaybeValue> ForeignValues() {
    return {
        Raw(kQword, {0x01, 0, 0, 0, 0, 0, 0, 0}),
        Raw(REG_MULTI_SZ, TextBytes(std::wstring(L"1\0two\0\0", 7))),
        Raw(REG_BINARY, {0x01, 0x02, 0x03}),
        Raw(REG_SZ, TextBytes(L"12")),                      // no terminating NUL
        Raw(REG_SZ, Joined(TextBytes(L"0"), {0x00, 0x31})), // NUL, then one byte more
        Raw(REG_SZ, Joined(TextBytes(L"64"), {0x35})),      // odd byte count
        Raw(REG_DWORD, {0x05, 0x00}),                       // a DWORD of two bytes
        Raw(REG_DWORD, {0x01, 0, 0, 0, 0, 0, 0, 0}),        // a DWORD of eight bytes
        Raw(REG_EXPAND_SZ, Joined(TextBytes(L"%SystemRoot%"), {0, 0})),
        Raw(REG_NONE, {}),
        Raw(REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}),
        std::nullopt,
        Raw(REG_SZ, {0, 0}), // an empty text
        Raw(REG_BINARY, std::vector<std::uint8_t>(64 * 1024, 0xA5)),
        Raw(REG_SZ, Joined(TextBytes(L"-1"), {0, 0})), // a number as text
        Raw(kUnknownType, {0xDE, 0xAD}),
        Raw(REG_MULTI_SZ, {}),
        Raw(REG_SZ, {0x31}), // a single byte
    };
}

// Gives every tweaked value of the catalogue one of the foreign values, starting at `offset` in
// their list, and checks that the registry holds each exactly as written.
ValueState SeedForeignCatalogueValues(std::size_t offset) {
    const auto& values = CatalogueValues();
    const std::vector<MaybeValue> foreign = ForeignValues();
    ValueState seeded;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const MaybeValue& value = foreign[(i + offset) % foreign.size()];
        EXPECT_TRUE(WriteValue(values[i].root, values[i].keyPath, values[i].name, value))
            << Narrow(values[i].Label());
        seeded.push_back(value);
    }
    const ValueState read = ReadCatalogueState();
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(Exactly(read[i]), Exactly(seeded[i])) << "seeding " << Narrow(values[i].Label());
    }
    return seeded;
}

void ExpectExactly(const ValueState& actual, const ValueState& expected, const char* when) {
    const auto& values = CatalogueValues();
    ASSERT_EQ(actual.size(), values.size());
    ASSERT_EQ(expected.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(Exactly(actual[i]), Exactly(expected[i])) << when << ": " << Narrow(values[i].Label());
    }
}

MaybeValue ProductValue(const wchar_t* name) {
    return ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, name);
}

void SeedProductValue(const wchar_t* name, const StoredValue& value) {
    ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, name, value)) << Narrow(name);
    ASSERT_EQ(Exactly(ProductValue(name)), Exactly(value)) << "seeding " << Narrow(name);
}

class Reliability : public EndToEnd {
protected:
    // Presses a button of the main window and answers No to the restart question its run asks;
    // a restore is confirmed first. Gives whether the run got as far as its question.
    static bool WorkRun(HWND main, HWND button, bool confirm) {
        PressButton(button);
        if (confirm) {
            const std::optional<MessageBoxView> confirmation = WaitForMessageBoxOwnedBy(main, 20s);
            if (!confirmation || !AnswerMessageBox(*confirmation, IDOK)) {
                ADD_FAILURE() << "no restore confirmation";
                return false;
            }
        }
        const std::optional<MessageBoxView> question = WaitForMessageBoxOwnedBy(main, kRunLimit);
        if (!question || question->text != kRestartQuestion) {
            ADD_FAILURE() << "no restart question but " << (question ? Narrow(question->text) : "nothing");
            if (question) {
                SaveArtifact(question->window, L"unexpected-box");
            }
            return false;
        }
        return AnswerMessageBox(*question, IDNO) &&
               WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 10s);
    }

    // Starts the program, expects the main window as `check` sees it, works an optimize run with
    // the choices shown and then a restore run, and expects the tweaked values as seeded after it.
    template <typename Check> void StartAndWorkBothRuns(const ValueState& seeded, Check check) {
        ChildProcess program;
        HWND main = StartMainInstance(program);
        ASSERT_NE(main, nullptr);
        const MainWindowView view(main);
        EXPECT_EQ(WindowText(main), kMainTitle) << "the windows speak English";
        check(view);
        EXPECT_TRUE(SaveArtifact(main, L"main-window"));
        const Choices shown{.windowsIndex = view.SelectedIndex(view.WindowsCombo()),
                            .processorIndex = view.SelectedIndex(view.ProcessorCombo()),
                            .internetType = view.SelectedIndex(view.ModemCombo()),
                            .speedSetting = view.SpeedPosition()};

        ASSERT_TRUE(WorkRun(main, view.GoButton(), false));
        ExpectExactly(ReadCatalogueState(), ExpectedAfterOptimize(seeded, shown), "after optimize");
        for (const auto& [name, value] : ExpectedBackupValues(seeded)) {
            EXPECT_EQ(Exactly(ProductValue(name.c_str())), Exactly(value)) << "backup of " << Narrow(name);
        }
        EXPECT_EQ(ProductValue(L"InternetType"), DwordValue(static_cast<std::uint32_t>(shown.internetType)));
        EXPECT_EQ(ProductValue(L"ProcessorType"),
                  DwordValue(static_cast<std::uint32_t>(shown.processorIndex)));
        EXPECT_EQ(ProductValue(L"SpeedSetting"), DwordValue(static_cast<std::uint32_t>(shown.speedSetting)));
        EXPECT_TRUE(IsWindowEnabled(view.RestoreButton()));

        ASSERT_TRUE(WorkRun(main, view.RestoreButton(), true));
        ExpectExactly(ReadCatalogueState(), seeded, "after restore");
        EXPECT_FALSE(ProductValue(L"Restore").has_value());
        EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE, kOriginalsKeyPath).empty());
        EXPECT_FALSE(IsWindowEnabled(view.RestoreButton()));
        CloseMainInstance(program, main);
    }
};

// A mebibyte in each stored text the program reads, and the stored choices of other types: the
// texts give no date and no language, so the line shows no date and the windows speak English; the
// choices read as never made, so the lists show the first internet type, the detected processor
// and Boost. None of the mebibyte texts is rewritten.
TEST_F(Reliability, OversizedTextsAndForeignTypesInTheProductKeyAndTheTweakedValues) {
    const StoredValue installed = MebibyteText(L"1/");
    const StoredValue updated = MebibyteText(L"9");
    const StoredValue language = MebibyteText(L"x");
    SeedProductValue(L"InstalledDate", installed);
    SeedProductValue(L"UpdatedDate", updated);
    SeedProductValue(L"Language", language);
    SeedProductValue(L"InternetType", Raw(kQword, {0x03, 0, 0, 0, 0, 0, 0, 0}));
    SeedProductValue(L"ProcessorType", Raw(REG_MULTI_SZ, TextBytes(std::wstring(L"1\0\0", 3))));
    SeedProductValue(L"SpeedSetting", Raw(REG_BINARY, {0x01, 0, 0, 0}));
    ASSERT_FALSE(HasFatalFailure());
    const ValueState seeded = SeedForeignCatalogueValues(0);

    StartAndWorkBothRuns(seeded, [](const MainWindowView& view) {
        EXPECT_EQ(WindowText(view.LabelStartingWith(L"Last updated :")), L"Last updated : ");
        EXPECT_EQ(view.SelectedIndex(view.WindowsCombo()), ExpectedWindowsEntry());
        EXPECT_EQ(view.SelectedIndex(view.ProcessorCombo()), ExpectedProcessorEntry());
        EXPECT_EQ(view.SelectedIndex(view.ModemCombo()), 0);
        EXPECT_EQ(view.SpeedPosition(), 0);
        EXPECT_FALSE(IsWindowEnabled(view.RestoreButton()));
    });
    EXPECT_EQ(ProductValue(L"InstalledDate"), installed);
    EXPECT_EQ(ProductValue(L"UpdatedDate"), updated);
    EXPECT_EQ(ProductValue(L"Language"), language);
}

// Texts without their terminating NUL or with an odd byte count read as the characters they
// hold; stored choices outside their lists leave the internet-type and processor lists with no
// entry selected and put the track bar at its nearest end.
TEST_F(Reliability, CutTextsAndOutOfRangeChoicesInTheProductKeyAndTheTweakedValues) {
    const long long yesterday = LocalSecondsNow() - 24 * 60 * 60;
    const StoredValue installed = Raw(REG_SZ, TextBytes(L"1704164645"));
    const StoredValue updated = Raw(REG_SZ, Joined(TextBytes(std::to_wstring(yesterday)), {0x35}));
    const StoredValue language = Raw(REG_SZ, Joined(TextBytes(L"English"), {0x00}));
    SeedProductValue(L"InstalledDate", installed);
    SeedProductValue(L"UpdatedDate", updated);
    SeedProductValue(L"Language", language);
    SeedProductValue(L"InternetType", DwordValue(99));
    SeedProductValue(L"ProcessorType", DwordValue(3));
    SeedProductValue(L"SpeedSetting", DwordValue(7));
    ASSERT_FALSE(HasFatalFailure());
    const ValueState seeded = SeedForeignCatalogueValues(7);

    StartAndWorkBothRuns(seeded, [&](const MainWindowView& view) {
        EXPECT_EQ(WindowText(view.LabelStartingWith(L"Last updated :")),
                  L"Last updated : " + SystemLongDateTime(yesterday));
        EXPECT_EQ(view.SelectedIndex(view.WindowsCombo()), ExpectedWindowsEntry());
        EXPECT_EQ(view.SelectedIndex(view.ProcessorCombo()), -1);
        EXPECT_EQ(view.SelectedIndex(view.ModemCombo()), -1);
        EXPECT_EQ(view.SpeedPosition(), 1);
    });
    EXPECT_EQ(ProductValue(L"InstalledDate"), installed);
    EXPECT_EQ(ProductValue(L"UpdatedDate"), updated);
    EXPECT_EQ(ProductValue(L"Language"), language);
}

// Whether any top-level window of these processes is visible.
bool AnyVisibleWindowOf(const std::vector<ChildProcess>& processes) {
    for (HWND window : TopLevelWindows()) {
        const DWORD owner = ProcessOf(window);
        if (IsWindowVisible(window) && std::ranges::any_of(processes, [&](const ChildProcess& process) {
                return process.Id() == owner;
            })) {
            return true;
        }
    }
    return false;
}

// Waits for every process to end, watching for windows of theirs meanwhile; expects each to end
// with 0 within `limit` of `started` and gives the longest time one took.
Milliseconds ExpectAllEndWithZero(const std::vector<ChildProcess>& processes,
                                  std::chrono::steady_clock::time_point started, Milliseconds limit) {
    bool showedAWindow = false;
    std::vector<std::optional<Milliseconds>> took(processes.size());
    WaitUntil(
        [&] {
            showedAWindow = showedAWindow || AnyVisibleWindowOf(processes);
            bool allEnded = true;
            for (std::size_t i = 0; i < processes.size(); ++i) {
                if (!took[i] && !processes[i].Running()) {
                    took[i] =
                        std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - started);
                }
                allEnded = allEnded && took[i].has_value();
            }
            return allEnded;
        },
        limit);
    Milliseconds longest{0};
    for (std::size_t i = 0; i < processes.size(); ++i) {
        const auto code = processes[i].WaitForExit(0ms);
        EXPECT_TRUE(code.has_value())
            << "process " << i + 1 << " did not end within " << limit.count() << " ms";
        EXPECT_EQ(code.value_or(0), 0u) << "process " << i + 1;
        longest = std::max(longest, took[i].value_or(limit));
    }
    EXPECT_FALSE(showedAWindow) << "an extra process showed a window";
    return longest;
}

constexpr int kCrowd = 10;

TEST_F(Reliability, TenStartsInQuickSuccessionWhileOneInstanceRunsLeaveOneMainWindow) {
    ChildProcess first;
    HWND main = StartMainInstance(first);
    ASSERT_NE(main, nullptr);

    const auto started = std::chrono::steady_clock::now();
    std::vector<ChildProcess> starts;
    for (int i = 0; i < kCrowd; ++i) {
        starts.push_back(folder_.Start());
        ASSERT_TRUE(starts.back().Started());
    }
    const Milliseconds longest = ExpectAllEndWithZero(starts, started, kStartLimit);
    std::printf("[ figures  ] %d starts ended within %lld ms\n", kCrowd,
                static_cast<long long>(longest.count()));
    RecordProperty("starts_longest_ms", static_cast<int>(longest.count()));

    EXPECT_EQ(TopLevelWindows(kMainClass), std::vector<HWND>{main}) << "exactly the first main window";
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(first.Running());
    CloseMainInstance(first, main);
}

// The check waits up to 10 seconds for each stage of its request and 40 seconds in all; a service
// that takes the request and never answers holds every check until its time-out. None of them
// finds an update, so none closes the main window.
TEST_F(Reliability, TenUpdateChecksAtOnceAgainstASilentServiceEndWithinTheirTimeOuts) {
    LoopbackHttpServer silent(ServerReply{{}, ServerReply::Then::Hold}, 120s);
    ASSERT_TRUE(silent.Listening());
    const std::wstring service = L"127.0.0.1:" + std::to_wstring(silent.Port());
    ChildProcess first;
    HWND main = StartMainInstance(first);
    ASSERT_NE(main, nullptr);

    const auto started = std::chrono::steady_clock::now();
    std::vector<ChildProcess> checks;
    for (int i = 0; i < kCrowd; ++i) {
        checks.push_back(folder_.Start(L"/checkupdate", service));
        ASSERT_TRUE(checks.back().Started());
    }
    // The request's own bound, and the time ten processes take to start under Wine.
    const Milliseconds limit = 40s + 20s;
    const Milliseconds longest = ExpectAllEndWithZero(checks, started, limit);
    std::printf("[ figures  ] %d update checks against a silent service ended within %lld ms; the service "
                "took %d requests\n",
                kCrowd, static_cast<long long>(longest.count()), silent.ConnectionCount());
    RecordProperty("checks_longest_ms", static_cast<int>(longest.count()));
    EXPECT_GE(silent.ConnectionCount(), 1) << "no check reached the service";
    EXPECT_GE(longest, 9s) << "the checks ended before the service could have kept them waiting";

    EXPECT_EQ(TopLevelWindows(kMainClass), std::vector<HWND>{main}) << "exactly the first main window";
    EXPECT_TRUE(first.Running());
    CloseMainInstance(first, main);
}

// One figure over the cycles: whether the system gave it, and its values after each cycle.
struct FigureSeries {
    const char* name;
    std::vector<std::optional<std::uint64_t>> values;
    std::uint64_t slack; // how much the last cycle may exceed the second

    bool Meaningful() const {
        return std::ranges::all_of(values, [](const auto& value) { return value.has_value(); });
    }
};

// Optimize-and-restore cycles through the window; after each, every tweaked value is exactly as
// it was before the first, and the program's resource figures do not grow once the first cycle
// has warmed it up: the last cycle is compared with the second, with a small slack for what a
// system creates lazily (a handle or two for its own thread pools or sound, a heap segment).
TEST_F(Reliability, OptimizeAndRestoreCyclesLeaveTheValuesAsTheyWereAndTheProgramDoesNotGrow) {
    const int cycles = std::max(Options().soakCycles, 2);
    WriteValue(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters", L"DefaultTTL",
               DwordValue(128));
    WriteValue(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics", L"MinAnimate", StringValue(L"1"));
    const ValueState before = ReadCatalogueState();

    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    const MainWindowView view(main);

    FigureSeries handles{"handles", {}, 4};
    FigureSeries gdi{"GDI objects", {}, 2};
    FigureSeries user{"USER objects", {}, 2};
    FigureSeries windows{"windows", {}, 0};
    FigureSeries privateUsage{"private bytes (PrivateUsage)", {}, 1024 * 1024};
    FigureSeries committed{"private bytes (committed pages)", {}, 1024 * 1024};
    std::printf("[ soak     ] cycle  seconds  handles  gdi  user  windows  private_usage  private_committed  "
                "working_set\n");
    const auto soakStarted = std::chrono::steady_clock::now();
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        const auto cycleStarted = std::chrono::steady_clock::now();
        // A different internet type and speed each cycle, so that the runs write different rows.
        Choices choices{.windowsIndex = view.SelectedIndex(view.WindowsCombo()),
                        .processorIndex = (cycle - 1) % 3,
                        .internetType = (cycle - 1) % 9,
                        .speedSetting = (cycle - 1) % 2};
        ASSERT_TRUE(view.Choose(choices));
        ASSERT_TRUE(WorkRun(main, view.GoButton(), false));
        ASSERT_TRUE(WorkRun(main, view.RestoreButton(), true));
        ExpectExactly(ReadCatalogueState(), before, "after the cycle");

        // Idle: the runs are over and the window has nothing left to do.
        std::this_thread::sleep_for(300ms);
        const std::optional<ProcessFigures> figures = ReadProcessFigures(program.Id());
        ASSERT_TRUE(figures.has_value()) << "the program's figures cannot be read";
        handles.values.push_back(figures->handles);
        gdi.values.push_back(figures->gdiObjects);
        user.values.push_back(figures->userObjects);
        windows.values.push_back(static_cast<std::uint64_t>(figures->windows));
        privateUsage.values.push_back(figures->privateUsage);
        committed.values.push_back(figures->privateCommitted);
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - cycleStarted).count();
        auto shown = [](const auto& value) { return value ? std::to_string(*value) : std::string("-"); };
        std::printf("[ soak     ] %5d  %7.1f  %7s  %3s  %4s  %7d  %13s  %17s  %11llu\n", cycle, seconds,
                    shown(figures->handles).c_str(), shown(figures->gdiObjects).c_str(),
                    shown(figures->userObjects).c_str(), figures->windows,
                    shown(figures->privateUsage).c_str(), shown(figures->privateCommitted).c_str(),
                    static_cast<unsigned long long>(figures->workingSet));
        std::fflush(stdout);
    }
    const auto soakSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - soakStarted).count();
    std::printf("[ soak     ] %d cycles in %.1f s\n", cycles, soakSeconds);
    RecordProperty("cycles", cycles);
    RecordProperty("soak_seconds", static_cast<int>(soakSeconds));

    for (const FigureSeries* series : {&handles, &gdi, &user, &windows, &privateUsage, &committed}) {
        if (!series->Meaningful()) {
            std::printf("[ soak     ] %s: not reported on this system (the call gives nothing or 0), not "
                        "checked\n",
                        series->name);
            RecordProperty(std::string(series->name) + " checked", "no: not reported");
            continue;
        }
        const std::uint64_t second = *series->values[1];
        const std::uint64_t last = *series->values.back();
        std::printf("[ soak     ] %s: first %llu, second %llu, last %llu (may exceed the second by %llu)\n",
                    series->name, static_cast<unsigned long long>(*series->values.front()),
                    static_cast<unsigned long long>(second), static_cast<unsigned long long>(last),
                    static_cast<unsigned long long>(series->slack));
        RecordProperty(std::string(series->name) + " first/second/last",
                       std::to_string(*series->values.front()) + "/" + std::to_string(second) + "/" +
                           std::to_string(last));
        EXPECT_LE(last, second + series->slack) << series->name << " grew from the second cycle to the last";
    }
    CloseMainInstance(program, main);
}

} // namespace
} // namespace zentrim::e2e
