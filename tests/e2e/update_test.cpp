// "/checkupdate" against a loopback update service that announces an update: the running windows
// close, then the update question; the answer decides whether the updater starts.
#include "e2e/e2e_fixture.h"

#include "support/loopback_http_server.h"

namespace zentrim::e2e {
namespace {

using test_support::HttpReply;
using test_support::LoopbackHttpServer;

constexpr wchar_t kUpdateQuestion[] = L"An update for this software is available to download.\r\n\r\n"
                                      L"Do you want to download and install a new version of this software?";

class UpdateCheck : public EndToEnd {
protected:
    LoopbackHttpServer server_{HttpReply(200, "OK", "ORVANE|1\r\n"), std::chrono::seconds(180)};

    std::wstring ServiceAddress() const { return L"127.0.0.1:" + std::to_wstring(server_.Port()); }

    // Waits for the check process's question, which comes only once no main window is left.
    std::optional<MessageBoxView> WaitForUpdateQuestion(const ChildProcess& check) {
        std::optional<MessageBoxView> box = WaitForMessageBoxOfProcess(check.Id(), 60s);
        if (!box) {
            ADD_FAILURE() << "no update question";
            return box;
        }
        EXPECT_EQ(FindVisibleTopLevel(kMainClass), nullptr)
            << "the question came while a main window was open";
        EXPECT_EQ(box->owner, nullptr) << "the update question has no owner window";
        EXPECT_EQ(box->title, kMainTitle);
        EXPECT_EQ(box->text, kUpdateQuestion);
        EXPECT_EQ(box->buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(box->defaultButton, IDYES);
        EXPECT_TRUE(SaveArtifact(box->window, L"update-question"));
        return box;
    }

    void ExpectTheServiceWasAsked() const {
        const std::string head = server_.FirstRequestHead();
        EXPECT_EQ(head.rfind("GET /downloads/update/?product=zentrim&version=2.10.21.2024 HTTP/1.1\r\n", 0),
                  0u)
            << head;
        EXPECT_NE(head.find("User-Agent: Mozilla/4.0 (compatible; ORVANE)\r\n"), std::string::npos) << head;
    }

    // A main instance with its About window open, then the check process: both windows close
    // and the main instance ends before the question comes.
    void StartCheckWhileTheAboutWindowIsOpen(ChildProcess& check) {
        ChildProcess program;
        HWND main = StartMainInstance(program);
        ASSERT_NE(main, nullptr);
        HWND link = MainWindowView(main).Label(L"About Zentrim");
        ASSERT_NE(link, nullptr);
        ClickWindow(link);
        HWND about = FindProgramWindow(kAboutClass, program.Id());
        ASSERT_TRUE(about != nullptr && WaitUntil([&] { return IsWindowVisible(about) != FALSE; }, 15s));

        check = folder_.Start(L"/checkupdate", ServiceAddress());
        ASSERT_TRUE(check.Started());
        const auto code = program.WaitForExit(60s);
        ASSERT_TRUE(code.has_value()) << "the running instance did not close";
        EXPECT_EQ(*code, 0u);
    }

    // Answers the question and waits for the check process to end with 0.
    static void Answer(const MessageBoxView& box, int answer, ChildProcess& check) {
        ASSERT_TRUE(AnswerMessageBox(box, answer));
        const auto code = check.WaitForExit(30s);
        ASSERT_TRUE(code.has_value()) << "the check process did not end";
        EXPECT_EQ(*code, 0u);
    }
};

TEST_F(UpdateCheck, ClosesTheRunningWindowsAndNoStartsNothing) {
    ASSERT_TRUE(server_.Listening());
    ChildProcess check;
    StartCheckWhileTheAboutWindowIsOpen(check);
    ASSERT_FALSE(HasFatalFailure());
    const std::optional<MessageBoxView> box = WaitForUpdateQuestion(check);
    ASSERT_TRUE(box.has_value());
    ExpectTheServiceWasAsked();

    Answer(*box, IDNO, check);
    std::this_thread::sleep_for(2s);
    EXPECT_FALSE(FileExists(folder_.UpdaterStartedMarker())) << "the updater was started";
    EXPECT_EQ(FindVisibleTopLevel(kMainClass), nullptr);
}

TEST_F(UpdateCheck, YesStartsTheUpdaterWithoutParameters) {
    ASSERT_TRUE(server_.Listening());
    ChildProcess check;
    StartCheckWhileTheAboutWindowIsOpen(check);
    ASSERT_FALSE(HasFatalFailure());
    const std::optional<MessageBoxView> box = WaitForUpdateQuestion(check);
    ASSERT_TRUE(box.has_value());

    Answer(*box, IDYES, check);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(folder_.UpdaterStartedMarker()); }, 30s))
        << "the updater was not started";
    // The stand-in writes the number of its arguments.
    HANDLE file = CreateFileW(folder_.UpdaterStartedMarker().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char text[16] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    EXPECT_STREQ(text, "0");
}

// A close request that reaches the main window while a run is still asking its questions waits
// for the run; the update question follows once the main window has gone.
TEST_F(UpdateCheck, MainWindowFinishesItsRunBeforeItCloses) {
    ASSERT_TRUE(server_.Listening());
    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    PressButton(MainWindowView(main).GoButton());
    const std::optional<MessageBoxView> restart = WaitForMessageBoxOwnedBy(main, kRunLimit);
    ASSERT_TRUE(restart.has_value()) << "no restart question";

    ChildProcess check = folder_.Start(L"/checkupdate", ServiceAddress());
    ASSERT_TRUE(check.Started());
    ASSERT_TRUE(WaitUntil([&] { return server_.ConnectionCount() > 0; }, 60s)) << "the check did not ask";
    // Time for the close requests to arrive and be held.
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(program.Running()) << "the main window closed under its run";
    EXPECT_TRUE(IsWindowVisible(restart->window));
    EXPECT_FALSE(WaitForMessageBoxOfProcess(check.Id(), 0ms).has_value())
        << "the update question came while the main window was still open";
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Restore"), DwordValue(1));

    ASSERT_TRUE(AnswerMessageBox(*restart, IDNO));
    const auto code = program.WaitForExit(30s);
    ASSERT_TRUE(code.has_value()) << "the held close request was not carried out after the run";
    EXPECT_EQ(*code, 0u);

    const std::optional<MessageBoxView> box = WaitForUpdateQuestion(check);
    ASSERT_TRUE(box.has_value());
    Answer(*box, IDNO, check);
}

} // namespace
} // namespace zentrim::e2e
