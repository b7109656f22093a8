#include "launch/shell.h"

#include "launch/program_folder.h"
#include "launch/recording_launcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrim {
namespace {

WindowHandle FakeWindow(std::uintptr_t value) {
    return reinterpret_cast<WindowHandle>(value);
}

constexpr std::u16string_view kFolder = u"C:\\Program Files\\ORVANE\\Zentrim\\";

class ShellLaunchTest : public ::testing::Test {
protected:
    RecordingLauncher launcher_;
    Shell shell_{launcher_, std::u16string(kFolder)};
};

TEST(ProgramFolder, IsTheModulePathUpToItsLastSeparator) {
    const struct {
        std::u16string_view modulePath;
        std::u16string_view folder;
    } cases[] = {
        {u"C:\\Program Files\\ORVANE\\Zentrim\\Zentrim.exe", u"C:\\Program Files\\ORVANE\\Zentrim\\"},
        {u"C:\\Zentrim.exe", u"C:\\"},
        {u"\\\\?\\C:\\a very long folder\\Renamed.exe", u"\\\\?\\C:\\a very long folder\\"},
        {u"\\\\server\\share\\tools\\Zentrim.exe", u"\\\\server\\share\\tools\\"},
        {u"/opt/zentrim/Zentrim.exe", u"/opt/zentrim/"},
        {u"C:\\Folder.with.dots\\Zentrim", u"C:\\Folder.with.dots\\"},
        {u"Zentrim.exe", u""},
        {u"", u""},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(ProgramFolderFromModulePath(testCase.modulePath), testCase.folder);
    }
}

TEST_F(ShellLaunchTest, EveryTargetOpensItsFileWithItsParametersAndOwner) {
    const WindowHandle mainWindow = FakeWindow(0x1234);
    shell_.SetApplicationWindow(mainWindow);
    const struct {
        LaunchTarget target;
        std::u16string_view file;
        std::u16string_view parameters;
        WindowHandle owner;
    } cases[] = {
        {LaunchTarget::LicenseTerms, u"C:\\Program Files\\ORVANE\\Zentrim\\License.rtf", u"", mainWindow},
        {LaunchTarget::HomePage, u"http://www.orvane.com", u"", mainWindow},
        {LaunchTarget::SupportPage, u"http://www.orvane.com/support/", u"", mainWindow},
        {LaunchTarget::Updater, u"C:\\Program Files\\ORVANE\\Zentrim\\ZentrimUpdate.exe", u"", nullptr},
        {LaunchTarget::UpdateCheck, u"C:\\Program Files\\ORVANE\\Zentrim\\Zentrim.exe", u"/checkupdate",
         nullptr},
    };
    for (const auto& testCase : cases) {
        RecordingLauncher launcher;
        Shell shell(launcher, std::u16string(kFolder));
        shell.SetApplicationWindow(mainWindow);
        shell.Open(testCase.target);
        ASSERT_EQ(launcher.Launches().size(), 1u) << static_cast<int>(testCase.target);
        const RecordedLaunch& launch = launcher.Launches().front();
        EXPECT_EQ(launch.file, testCase.file);
        EXPECT_EQ(launch.parameters, testCase.parameters);
        EXPECT_EQ(launch.verb, u"open");
        EXPECT_EQ(launch.showCommand, 5);
        EXPECT_EQ(launch.owner, testCase.owner);
        EXPECT_TRUE(launcher.HelpLocations().empty());
    }
}

TEST_F(ShellLaunchTest, HelpTargetShowsTheMainTopicInTheHelpWindow) {
    shell_.Open(LaunchTarget::HelpMainTopic);
    EXPECT_TRUE(launcher_.Launches().empty());
    ASSERT_EQ(launcher_.HelpLocations().size(), 1u);
    EXPECT_EQ(launcher_.HelpLocations().front(),
              u"C:\\Program Files\\ORVANE\\Zentrim\\Zentrim.chm::/html/main.htm>HelpWindow");
}

TEST_F(ShellLaunchTest, RoutinesPassTheirArgumentsAsTheyStand) {
    shell_.SetApplicationWindow(FakeWindow(0x42));
    shell_.ShellOpen(u"D:\\docs\\notes.txt", u"-a \"b c\"");
    shell_.ShellOpenDetached(u"tool.exe", u"/x");
    shell_.OpenWebPage(u"https://example.invalid/page?q=1");
    ASSERT_EQ(launcher_.Launches().size(), 3u);
    EXPECT_EQ(launcher_.Launches()[0].parameters, u"-a \"b c\"");
    EXPECT_EQ(launcher_.Launches()[0].owner, FakeWindow(0x42));
    EXPECT_EQ(launcher_.Launches()[1].file, u"tool.exe");
    EXPECT_EQ(launcher_.Launches()[1].owner, nullptr);
    EXPECT_EQ(launcher_.Launches()[2].file, u"https://example.invalid/page?q=1");
    EXPECT_EQ(launcher_.Launches()[2].parameters, u"");
    EXPECT_EQ(launcher_.Launches()[2].owner, FakeWindow(0x42));
}

TEST_F(ShellLaunchTest, BeforeTheMainWindowExistsShellOpenHasNoOwner) {
    shell_.Open(LaunchTarget::LicenseTerms);
    ASSERT_EQ(launcher_.Launches().size(), 1u);
    EXPECT_EQ(launcher_.Launches().front().owner, nullptr);
}

TEST(ShellLaunch, RenamedProgramStillStartsZentrimExeBesideIt) {
    RecordingLauncher launcher;
    Shell shell(launcher, ProgramFolderFromModulePath(u"E:\\Tools\\Tuner (copy).exe"));
    shell.Open(LaunchTarget::UpdateCheck);
    shell.Open(LaunchTarget::HelpMainTopic);
    ASSERT_EQ(launcher.Launches().size(), 1u);
    EXPECT_EQ(launcher.Launches().front().file, u"E:\\Tools\\Zentrim.exe");
    EXPECT_EQ(launcher.HelpLocations().front(), u"E:\\Tools\\Zentrim.chm::/html/main.htm>HelpWindow");
}

TEST_F(ShellLaunchTest, FailuresOfTheLauncherStayInside) {
    launcher_.FailFromNowOn();
    shell_.ShellOpen(u"missing.rtf", u"");
    shell_.ShellOpenDetached(u"missing.exe", u"");
    shell_.OpenWebPage(u"http://www.orvane.com");
    shell_.ShowHelpTopic(u"Zentrim.chm", u"/html/main.htm");
    EXPECT_EQ(launcher_.Launches().size(), 3u);
    EXPECT_EQ(launcher_.HelpLocations().size(), 1u);
}

// Visibility answers of the three windows; records the order in which they were asked.
class FakeWindows final : public ProgramWindows {
public:
    FakeWindows(bool about, bool progress, bool main) : about_(about), progress_(progress), main_(main) {}
    bool IsAboutWindowVisible() const override { return Ask("about", about_); }
    bool IsProgressWindowVisible() const override { return Ask("progress", progress_); }
    bool IsMainWindowVisible() const override { return Ask("main", main_); }
    mutable std::vector<std::string> asked;
    bool throws = false;

private:
    bool Ask(const char* name, bool answer) const {
        asked.emplace_back(name);
        if (throws) {
            throw std::runtime_error("no window");
        }
        return answer;
    }
    bool about_, progress_, main_;
};

TEST(HelpRequest, AsksAboutProgressAndMainInThisOrderUntilOneIsVisible) {
    const struct {
        bool about, progress, main;
        std::vector<std::string> asked;
        bool helpShown;
    } cases[] = {
        {true, true, true, {"about"}, true},
        {false, true, true, {"about", "progress"}, true},
        {false, false, true, {"about", "progress", "main"}, true},
        {true, false, false, {"about"}, true}, // the About window shown without the main one
        {false, false, false, {"about", "progress", "main"}, false},
    };
    for (const auto& testCase : cases) {
        RecordingLauncher launcher;
        Shell shell(launcher, u"C:\\Z\\");
        FakeWindows windows(testCase.about, testCase.progress, testCase.main);
        shell.RunHelpRequest(windows);
        EXPECT_EQ(windows.asked, testCase.asked);
        ASSERT_EQ(launcher.HelpLocations().size(), testCase.helpShown ? 1u : 0u);
        if (testCase.helpShown) {
            EXPECT_EQ(launcher.HelpLocations().front(), u"C:\\Z\\Zentrim.chm::/html/main.htm>HelpWindow");
        }
        EXPECT_TRUE(launcher.Launches().empty());
    }
}

TEST(HelpRequest, AWindowThatCannotAnswerShowsNoHelp) {
    RecordingLauncher launcher;
    Shell shell(launcher, u"C:\\Z\\");
    FakeWindows windows(true, true, true);
    windows.throws = true;
    shell.RunHelpRequest(windows);
    EXPECT_TRUE(launcher.HelpLocations().empty());
}

} // namespace
} // namespace zentrim
