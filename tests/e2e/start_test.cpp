// Starting the program: the first start's installation date and what the main window shows, the
// single-instance rule, and the About window.
#include "e2e/e2e_fixture.h"
#include "e2e/system_facts.h"

#include <array>

namespace zentrim::e2e {
namespace {

constexpr std::array<const wchar_t*, 10> kWindowsEntries{
    L"  Microsoft \u00AE Windows 11",          L"  Microsoft \u00AE Windows 10",
    L"  Microsoft \u00AE Windows 8",           L"  Microsoft \u00AE Windows 7",
    L"  Microsoft \u00AE Windows Vista",       L"  Microsoft \u00AE Windows XP",
    L"  Microsoft \u00AE Windows Server 2012", L"  Microsoft \u00AE Windows Server 2008",
    L"  Microsoft \u00AE Windows Server 2003", L"  Microsoft \u00AE Windows Server 2000",
};
constexpr std::array<const wchar_t*, 3> kProcessorEntries{
    L"  Intel \u00AE Processor", L"  AMD \u00AE Processor", L"  VIA \u00AE Processor"};

std::optional<long long> StoredSeconds(const std::optional<std::wstring>& text) {
    if (!text || text->empty() || text->size() > 12) {
        return std::nullopt;
    }
    long long seconds = 0;
    for (const wchar_t c : *text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        seconds = seconds * 10 + (c - L'0');
    }
    return seconds;
}

std::optional<std::wstring> InstalledDate() {
    return TextOf(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"InstalledDate"));
}

TEST_F(EndToEnd, FirstStartRecordsTheInstallationDateAndShowsTheProfile) {
    const long long before = LocalSecondsNow();
    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    const long long after = LocalSecondsNow();
    const MainWindowView view(main);
    EXPECT_TRUE(SaveArtifact(main, L"main-window"));

    const auto installed = InstalledDate();
    const auto seconds = StoredSeconds(installed);
    ASSERT_TRUE(seconds.has_value()) << "InstalledDate: " << Narrow(installed.value_or(L"(absent)"));
    EXPECT_GE(*seconds, before - 1);
    EXPECT_LE(*seconds, after + 1);
    EXPECT_EQ(WindowText(view.LabelStartingWith(L"Last updated : ")),
              L"Last updated : " + SystemLongDateTime(*seconds));
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"UpdatedDate").has_value());

    EXPECT_EQ(WindowText(main), kMainTitle);
    EXPECT_NE(view.Label(L"Version installed : 2.10.21.2024"), nullptr);

    // The profile as detected; nothing stored yet, so the first internet type and Boost.
    const int windowsEntry = ExpectedWindowsEntry();
    EXPECT_EQ(view.SelectedIndex(view.WindowsCombo()), windowsEntry);
    EXPECT_EQ(WindowText(view.WindowsCombo()), kWindowsEntries[static_cast<std::size_t>(windowsEntry)]);
    const int processorEntry = ExpectedProcessorEntry();
    EXPECT_EQ(WindowText(view.ProcessorCombo()), kProcessorEntries[static_cast<std::size_t>(processorEntry)]);
    EXPECT_EQ(WindowText(view.ModemCombo()), L"  Cable | DSL | Wi-Fi");
    EXPECT_EQ(view.SpeedPosition(), 0);

    // No backup yet: nothing to restore. Enter presses "&Optimize now".
    ASSERT_NE(view.RestoreButton(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(view.RestoreButton()));
    ASSERT_NE(view.GoButton(), nullptr);
    EXPECT_EQ(StyleOf(view.GoButton()) & BS_TYPEMASK, BS_DEFPUSHBUTTON);

    CloseMainInstance(program, main);
}

TEST_F(EndToEnd, SecondStartBringsTheFirstWindowBackAndEndsWithoutAWindowOfItsOwn) {
    ChildProcess first;
    HWND main = StartMainInstance(first);
    ASSERT_NE(main, nullptr);
    const auto installed = InstalledDate();
    ASSERT_TRUE(installed.has_value());

    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(main) != FALSE; }, 10s));

    ChildProcess second = folder_.Start();
    ASSERT_TRUE(second.Started());
    bool secondShowedAWindow = false;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows()) {
                if (ProcessOf(window) == second.Id() && IsWindowVisible(window)) {
                    secondShowedAWindow = true;
                }
            }
            return !second.Running();
        },
        kStartLimit);
    const auto code = second.WaitForExit(0ms);
    ASSERT_TRUE(code.has_value()) << "the second start did not end";
    EXPECT_EQ(*code, 0u);
    EXPECT_FALSE(secondShowedAWindow);

    EXPECT_TRUE(WaitUntil([&] { return IsIconic(main) == FALSE && IsWindowVisible(main); }, 10s))
        << "the first main window was not restored";
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }, 10s))
        << "the first main window was not brought to the front";
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(TopLevelWindows(kMainClass).size(), 1u);
    EXPECT_TRUE(SaveArtifact(main, L"main-window-brought-back"));

    // A later start never overwrites the installation date.
    EXPECT_EQ(InstalledDate(), installed);

    CloseMainInstance(first, main);
}

// Whatever the command line holds, the program ends with 0: "/checkupdate" as the first argument,
// in any letter case and with anything after it, runs the check without a window (here against a
// loopback port where nothing answers); every other first argument, none, or one of 32,000
// characters starts the program as usual.
TEST_F(EndToEnd, HostileCommandLinesStartTheProgramOrTheCheckAndEndWithZero) {
    // The whole command line stays within Windows' 32,767 characters.
    const std::wstring longArgument(32'000 - folder_.Program().size() - 8, L'x');
    for (const std::wstring& arguments :
         {std::wstring(), longArgument, std::wstring(L"/checkupdatex"), std::wstring(L"-checkupdate"),
          std::wstring(L"checkupdate /checkupdate"), std::wstring(L"\"\" /checkupdate"),
          std::wstring(L"/\u00e9\u4e2d \"a b\" %PATH%")}) {
        SCOPED_TRACE(Narrow(arguments.substr(0, 40)));
        ChildProcess program = folder_.Start(arguments);
        ASSERT_TRUE(program.Started());
        const HWND main = WaitForMainWindow(program.Id());
        ASSERT_NE(main, nullptr) << "no main window";
        CloseMainInstance(program, main);
    }
    for (const wchar_t* arguments : {L"/checkupdate", L"/CHECKUPDATE", L"/CheckUpdate",
                                     L"/cHeCkUpDaTe extra \"args\" 1 2", L"/checkupdate /checkupdate"}) {
        SCOPED_TRACE(Narrow(arguments));
        ChildProcess check = folder_.Start(arguments);
        ASSERT_TRUE(check.Started());
        bool showedAWindow = false;
        WaitUntil(
            [&] {
                for (HWND window : TopLevelWindows()) {
                    showedAWindow =
                        showedAWindow || (ProcessOf(window) == check.Id() && IsWindowVisible(window));
                }
                return !check.Running();
            },
            kStartLimit);
        const auto code = check.WaitForExit(0ms);
        ASSERT_TRUE(code.has_value()) << "the check did not end";
        EXPECT_EQ(*code, 0u);
        EXPECT_FALSE(showedAWindow);
    }
    EXPECT_EQ(FindVisibleTopLevel(kMainClass), nullptr);
}

TEST_F(EndToEnd, AboutWindowShowsTheVersionEveryTimeItIsShown) {
    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    const MainWindowView view(main);
    HWND about = FindProgramWindow(kAboutClass, program.Id());
    ASSERT_NE(about, nullptr) << "the About window is created at start-up";
    EXPECT_FALSE(IsWindowVisible(about));

    for (int showing = 1; showing <= 2; ++showing) {
        SCOPED_TRACE("showing " + std::to_string(showing));
        if (showing == 1) {
            // The "About Zentrim" link in the column on the left.
            HWND link = view.Label(L"About Zentrim");
            ASSERT_NE(link, nullptr);
            ClickWindow(link);
        } else {
            // The "About" picture button at the top, clicked beside its label.
            RECT client{};
            GetClientRect(main, &client);
            const double scale = static_cast<double>(client.right) / 764.0;
            ClickWindow(main, POINT{static_cast<LONG>(670 * scale), static_cast<LONG>(71 * scale)});
        }
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(about) != FALSE; }, 15s));
        EXPECT_EQ(WindowText(about), L"About Zentrim");
        EXPECT_EQ(OwnerOf(about), main);
        EXPECT_EQ(WindowText(FindDescendantStartingWith(about, L"Static", L"Zentrim 2")),
                  L"Zentrim 2  (Version : 2.10.21.2024)");
        EXPECT_FALSE(IsWindowEnabled(main)) << "the About window is shown modally";

        HWND close = FindDescendant(about, L"Button", L"&Close");
        ASSERT_NE(close, nullptr);
        EXPECT_EQ(StyleOf(close) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(about, nullptr), &thread));
        EXPECT_EQ(thread.hwndFocus, close) << "the focus is on the Close button";
        EXPECT_TRUE(SaveArtifact(about, L"about-window-" + std::to_wstring(showing)));

        if (showing == 1) {
            PressButton(close);
        } else {
            PressKey(close, VK_RETURN); // Enter closes it at once
        }
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(about) == FALSE; }, 15s));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 5s));
    }

    CloseMainInstance(program, main);
}

} // namespace
} // namespace zentrim::e2e
