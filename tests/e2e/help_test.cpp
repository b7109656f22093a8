// The help request: F1 in the main window and the About window's "&Help" open the help file beside
// the program at its main topic in the help file's own window type, whatever folder the program
// was started in.
#include "e2e/e2e_fixture.h"
#include "e2e/help_window.h"

namespace zentrim::e2e {
namespace {

TEST_F(EndToEnd, F1AndTheAboutWindowsHelpShowTheMainTopicInTheHelpWindow) {
    ASSERT_TRUE(FileExists(folder_.Path() + kHelpFileName))
        << "the build made no help file (chmcmd missing?)";
    // Started elsewhere than its own folder, as from a shortcut: the help file is found beside the
    // program, not in the working folder.
    wchar_t windows[MAX_PATH] = {};
    ASSERT_NE(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    ChildProcess program = folder_.Start({}, {}, windows);
    ASSERT_TRUE(program.Started());
    HWND main = WaitForMainWindow(program.Id());
    ASSERT_NE(main, nullptr);
    const MainWindowView view(main);

    {
        SCOPED_TRACE("F1 in the main window");
        ExpectF1OpensMainTopic(program.Id(), view.GoButton(), L"help-window-from-main");
    }

    HWND link = view.Label(L"About Zentrim");
    ASSERT_NE(link, nullptr);
    ClickWindow(link);
    HWND about = FindProgramWindow(kAboutClass, program.Id());
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(about) != FALSE; }, 15s));
    HWND helpButton = FindDescendant(about, L"Button", L"&Help");
    ASSERT_NE(helpButton, nullptr);
    {
        SCOPED_TRACE("the About window's Help button");
        ExpectHelpOpensMainTopic(
            program.Id(), [&] { PressButton(helpButton); }, L"help-window-from-about");
    }
    {
        SCOPED_TRACE("F1 in the About window");
        ExpectF1OpensMainTopic(program.Id(), helpButton, L"help-window-f1-in-about");
    }
    EXPECT_TRUE(IsWindowVisible(about)) << "asking for help closed the About window";

    PostMessageW(about, WM_CLOSE, 0, 0);
    ASSERT_TRUE(
        WaitUntil([&] { return IsWindowVisible(about) == FALSE && IsWindowEnabled(main) != FALSE; }, 15s));
    CloseMainInstance(program, main);
}

} // namespace
} // namespace zentrim::e2e
