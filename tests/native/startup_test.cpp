// Start-up over fakes: the processes of the program as a log of what each start did, in order.
#include "app/startup/startup.h"

#include "base/text.h"
#include "catalogue/captions.h"
#include "engine/memory_registry_store.h"
#include "engine/product_key.h"
#include "launch/recording_launcher.h"
#include "launch/shell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr std::u16string_view kFolder = u"C:\\Program Files\\ORVANE\\Zentrim\\";

// The windows of a running instance, on a clock that only the waiting moves. A main window that
// is asked to close during a run holds the request for a while (or for ever) and then goes.
class FakeInstances final : public ProgramInstances {
public:
    explicit FakeInstances(std::vector<std::string>& log) : log_(log) {}

    std::set<std::u16string, std::less<>> windows;
    // How long the main window holds a close request; nothing: for ever.
    std::optional<std::chrono::milliseconds> mainHoldsCloseFor = 0ms;
    std::chrono::milliseconds now{0};
    std::vector<std::u16string> activated;
    // A call of this name ("find", "close", "wait") throws.
    std::string failAt;

    bool FindRunningInstance(std::u16string_view className, bool activate) override {
        Record("find " + ToUtf8(className) + (activate ? " activate" : ""));
        const bool found = windows.contains(className);
        if (found && activate) {
            activated.emplace_back(className);
        }
        return found;
    }

    void CloseInstanceWindow(std::u16string_view className) override {
        Record("close " + ToUtf8(className));
        if (!windows.contains(className)) {
            return;
        }
        if (className == window_class::kMainForm && mainHoldsCloseFor != 0ms) {
            mainGoesAt_ = mainHoldsCloseFor ? std::optional(now + *mainHoldsCloseFor) : std::nullopt;
            return;
        }
        windows.erase(windows.find(className));
    }

    bool WaitUntilWindowGone(std::u16string_view className, std::chrono::milliseconds limit) override {
        Record("wait " + ToUtf8(className));
        return PollUntilWindowGone(
            [&] {
                if (mainGoesAt_ && now >= *mainGoesAt_) {
                    windows.erase(std::u16string(window_class::kMainForm));
                }
                return windows.contains(className);
            },
            limit, kWindowGonePollInterval, [&](std::chrono::milliseconds pause) { now += pause; });
    }

private:
    void Record(const std::string& call) {
        log_.push_back(call);
        if (call.starts_with(failAt + " ") && !failAt.empty()) {
            throw std::runtime_error(call);
        }
    }

    std::vector<std::string>& log_;
    std::optional<std::chrono::milliseconds> mainGoesAt_;
};

struct Question {
    std::u16string text;
    std::u16string title;
    unsigned flags;
    bool mainWindowStillThere;
};

// The start lock, noting when it is let go.
class RecordedLock final : public StartLock {
public:
    explicit RecordedLock(std::vector<std::string>& log) : log_(log) {}
    ~RecordedLock() override { log_.push_back("unlock"); }

private:
    std::vector<std::string>& log_;
};

class StartupTest : public ::testing::Test {
protected:
    int Start(std::vector<std::u16string> arguments) {
        return RunStartup(
            arguments,
            {
                .registry = registry_,
                .clock = clock_,
                .captions = captions_,
                .instances = instances_,
                .shell = shell_,
                .checkForUpdate =
                    [this] {
                        installedDateSeen_ = ReadText(product_value::kInstalledDate);
                        Record("check");
                        return checkResult_;
                    },
                .askQuestion =
                    [this](std::u16string_view text, std::u16string_view title, unsigned flags) {
                        questions_.push_back({std::u16string(text), std::u16string(title), flags,
                                              instances_.windows.contains(window_class::kMainForm)});
                        Record("ask");
                        return answer_;
                    },
                .lockStart = [this]() -> std::unique_ptr<StartLock> {
                    Record("lock");
                    if (otherStartWhileWaiting_) {
                        RunningInstance(); // made by a start that held the lock before this one
                    }
                    return std::make_unique<RecordedLock>(log_);
                },
                .runWindows =
                    [this](const std::function<void()>& mainWindowShown) {
                        installedDateSeen_ = ReadText(product_value::kInstalledDate);
                        Record("windows");
                        mainWindowShown();
                        Record("message loop");
                    },
            });
    }

    void RunningInstance() {
        instances_.windows = {std::u16string(window_class::kMainForm),
                              std::u16string(window_class::kAboutForm),
                              std::u16string(window_class::kSettingsForm)};
    }

    std::u16string ReadText(std::u16string_view name) const {
        return registry_.ReadRegistryString(kProductKeyRoot, ProductKeyPath, name, u"<absent>",
                                            RegistryView::Default());
    }

    void Record(const std::string& call) {
        log_.push_back(call);
        if (call == failAt_) {
            throw std::runtime_error(call);
        }
    }

    std::vector<std::string> log_;
    std::string failAt_;
    int checkResult_ = kUpdateAvailable;
    int answer_ = 7; // IDNO
    bool otherStartWhileWaiting_ = false;
    std::vector<Question> questions_;
    std::u16string installedDateSeen_;

    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FixedClock clock_{EncodeDateTime({2024, 1, 2, 3, 4, 5, 0}).value()};
    FolderCatalogueSource catalogues_{std::string(ZENTRIM_RESOURCES_DIR) + "/captions"};
    CaptionCatalogue captions_{registry_, catalogues_};
    FakeInstances instances_{log_};
    RecordingLauncher launcher_;
    Shell shell_{launcher_, std::u16string(kFolder)};
};

TEST_F(StartupTest, OnlyTheFirstArgumentInAnyLetterCaseIsTheSwitch) {
    const struct {
        std::vector<std::u16string> arguments;
        bool checkProcess;
    } cases[] = {
        {{u"/checkupdate"}, true},
        {{u"/CheckUpdate"}, true},
        {{u"/CHECKUPDATE", u"more"}, true},
        {{}, false},
        {{u""}, false},
        {{u"checkupdate"}, false},
        {{u"-checkupdate"}, false},
        {{u"\\checkupdate"}, false},
        {{u"/checkupdate2"}, false},
        {{u" /checkupdate"}, false},
        {{u"/check", u"update"}, false},
        {{u"/other", u"/checkupdate"}, false},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(ToUtf8(testCase.arguments.empty() ? u"(none)" : testCase.arguments.front()));
        log_.clear();
        checkResult_ = kUpdateCheckFailed;
        EXPECT_EQ(IsCheckUpdateRequest(testCase.arguments), testCase.checkProcess);
        EXPECT_EQ(Start(testCase.arguments), 0);
        if (testCase.checkProcess) {
            EXPECT_THAT(log_, ElementsAre("check", "find TZTMainForm activate"));
        } else {
            EXPECT_THAT(
                log_, ElementsAre("lock", "find TZTMainForm activate", "windows", "unlock", "message loop"));
        }
    }
}

TEST_F(StartupTest, TheDateUpkeepRunsInEveryKindOfProcess) {
    const struct {
        const char* kind;
        std::vector<std::u16string> arguments;
        bool running;
        int checkResult;
    } cases[] = {
        {"main instance", {}, false, kUpdateCheckFailed},
        {"second start", {}, true, kUpdateCheckFailed},
        {"check process, no update", {u"/checkupdate"}, false, 0},
        {"check process, update", {u"/checkupdate"}, true, kUpdateAvailable},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.kind);
        store_.Load({});
        registry_.WriteRegistryBool(kProductKeyRoot, ProductKeyPath, product_value::kUpdated, true,
                                    RegistryView::Default());
        instances_.windows.clear();
        if (testCase.running) {
            RunningInstance();
        }
        checkResult_ = testCase.checkResult;
        installedDateSeen_.clear();

        Start(testCase.arguments);

        EXPECT_EQ(ReadText(product_value::kInstalledDate), u"1704164645");
        EXPECT_EQ(ReadText(product_value::kUpdatedDate), u"1704164645");
        EXPECT_FALSE(registry_.ReadRegistryBool(kProductKeyRoot, ProductKeyPath, product_value::kUpdated,
                                                true, RegistryView::Default()));
        // The upkeep comes first: the update check and the windows already see its dates.
        if (testCase.checkResult != kUpdateCheckFailed || !testCase.running) {
            EXPECT_EQ(installedDateSeen_, u"1704164645");
        }
    }
}

TEST_F(StartupTest, AnUpdateClosesTheRunningWindowsAndAsksOnceTheMainWindowHasGone) {
    RunningInstance();
    // The main window is in the middle of a run and holds the close request for three seconds.
    instances_.mainHoldsCloseFor = 3s;

    EXPECT_EQ(Start({u"/checkupdate"}), 0);

    EXPECT_THAT(log_, ElementsAre("check", "close TZTAboutForm", "close TZTSettingsForm", "close TZTMainForm",
                                  "wait TZTMainForm", "ask", "find TZTMainForm activate"));
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_FALSE(questions_[0].mainWindowStillThere);
    EXPECT_EQ(instances_.now, 3s);
    EXPECT_EQ(questions_[0].flags, 0x44u);
    EXPECT_EQ(questions_[0].title, u"Zentrim - Make your computer, games & internet run faster");
    EXPECT_EQ(questions_[0].text, u"An update for this software is available to download.\r\n\r\n"
                                  u"Do you want to download and install a new version of this software?");
    // No: nothing is started, and no window of the program is left or made.
    EXPECT_TRUE(launcher_.Launches().empty());
    EXPECT_TRUE(instances_.windows.empty());
    EXPECT_TRUE(instances_.activated.empty());
}

TEST_F(StartupTest, YesStartsTheUpdaterDetachedFromTheProgramFolder) {
    answer_ = 6; // IDYES
    EXPECT_EQ(Start({u"/CheckUpdate"}), 0);

    // Without a running instance the closes find nothing and nothing is waited for.
    EXPECT_EQ(instances_.now, 0ms);
    ASSERT_EQ(launcher_.Launches().size(), 1u);
    const RecordedLaunch& launch = launcher_.Launches()[0];
    EXPECT_EQ(launch.owner, nullptr);
    EXPECT_EQ(launch.verb, u"open");
    EXPECT_EQ(launch.file, u"C:\\Program Files\\ORVANE\\Zentrim\\ZentrimUpdate.exe");
    EXPECT_EQ(launch.parameters, u"");
    EXPECT_EQ(launch.showCommand, 5);
    EXPECT_EQ(log_.back(), "find TZTMainForm activate");
}

TEST_F(StartupTest, AMainWindowThatNeverGoesEndsTheWaitAtItsBoundAndTheQuestionStillComes) {
    RunningInstance();
    instances_.mainHoldsCloseFor = std::nullopt;
    answer_ = 6;

    EXPECT_EQ(Start({u"/checkupdate"}), 0);

    EXPECT_EQ(instances_.now, kMainWindowGoneLimit);
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_TRUE(questions_[0].mainWindowStillThere);
    EXPECT_EQ(launcher_.Launches().size(), 1u);
    // The window still running is brought back to the front.
    EXPECT_THAT(instances_.activated, ElementsAre(u"TZTMainForm"));
}

TEST_F(StartupTest, AnyOtherCheckResultShowsNothingAndBringsBackTheRunningMainWindow) {
    for (const int result : {kUpdateCheckFailed, 0, 2}) {
        SCOPED_TRACE(result);
        log_.clear();
        instances_.activated.clear();
        RunningInstance();
        checkResult_ = result;

        EXPECT_EQ(Start({u"/checkupdate"}), 0);

        EXPECT_THAT(log_, ElementsAre("check", "find TZTMainForm activate"));
        EXPECT_THAT(instances_.activated, ElementsAre(u"TZTMainForm"));
        EXPECT_EQ(instances_.windows.size(), 3u);
    }
    EXPECT_TRUE(questions_.empty());
    EXPECT_TRUE(launcher_.Launches().empty());
}

TEST_F(StartupTest, OnlyTheFirstStartCreatesWindows) {
    // The main window is looked for under the start lock, which is let go once it is shown.
    EXPECT_EQ(Start({}), 0);
    EXPECT_THAT(log_, ElementsAre("lock", "find TZTMainForm activate", "windows", "unlock", "message loop"));

    log_.clear();
    RunningInstance();
    EXPECT_EQ(Start({u"/other"}), 0);
    EXPECT_THAT(log_, ElementsAre("lock", "find TZTMainForm activate", "unlock"));
    EXPECT_THAT(instances_.activated, ElementsAre(u"TZTMainForm"));
    EXPECT_TRUE(questions_.empty());
}

TEST_F(StartupTest, OfTwoStartsAtOnceTheSecondFindsTheFirstsWindowUnderTheLock) {
    // The other start holds the lock while this one waits for it, and makes its window, which this
    // one finds once the lock is its own, and brings forward.
    otherStartWhileWaiting_ = true;
    EXPECT_EQ(Start({}), 0);
    EXPECT_THAT(log_, ElementsAre("lock", "find TZTMainForm activate", "unlock"));
    EXPECT_THAT(instances_.activated, ElementsAre(u"TZTMainForm"));
}

TEST_F(StartupTest, AFailureEndsStartUpQuietlyWithExitCodeZero) {
    const struct {
        std::string failAt;
        bool instanceFailure;
        std::vector<std::u16string> arguments;
        std::vector<std::string> log;
    } cases[] = {
        {"check", false, {u"/checkupdate"}, {"check"}},
        {"close", true, {u"/checkupdate"}, {"check", "close TZTAboutForm"}},
        {"wait",
         true,
         {u"/checkupdate"},
         {"check", "close TZTAboutForm", "close TZTSettingsForm", "close TZTMainForm", "wait TZTMainForm"}},
        {"ask",
         false,
         {u"/checkupdate"},
         {"check", "close TZTAboutForm", "close TZTSettingsForm", "close TZTMainForm", "wait TZTMainForm",
          "ask"}},
        {"find", true, {}, {"lock", "find TZTMainForm activate", "unlock"}},
        {"windows", false, {}, {"lock", "find TZTMainForm activate", "windows", "unlock"}},
    };
    answer_ = 6;
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.failAt);
        log_.clear();
        failAt_ = testCase.instanceFailure ? "" : testCase.failAt;
        instances_.failAt = testCase.instanceFailure ? testCase.failAt : "";

        EXPECT_EQ(Start(testCase.arguments), 0);
        EXPECT_EQ(log_, testCase.log);
    }
    // A question that failed never gives a Yes.
    EXPECT_TRUE(launcher_.Launches().empty());
}

TEST(PollUntilWindowGone, LooksAtOnceThenAfterEachPauseUpToTheLimit) {
    const struct {
        int pollsWhileThere; // polls that still find the window; -1: it never goes
        std::chrono::milliseconds limit;
        std::chrono::milliseconds interval;
        bool gone;
        std::vector<std::chrono::milliseconds> pauses;
    } cases[] = {
        {0, 1000ms, 250ms, true, {}},
        {2, 1000ms, 250ms, true, {250ms, 250ms}},
        {-1, 1000ms, 250ms, false, {250ms, 250ms, 250ms, 250ms}},
        {-1, 600ms, 250ms, false, {250ms, 250ms, 100ms}},
        {4, 600ms, 250ms, false, {250ms, 250ms, 100ms}},
        {3, 600ms, 250ms, true, {250ms, 250ms, 100ms}},
        {-1, 0ms, 250ms, false, {}},
        {-1, 3ms, 0ms, false, {1ms, 1ms, 1ms}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.pollsWhileThere);
        SCOPED_TRACE(testCase.limit.count());
        int polls = 0;
        std::vector<std::chrono::milliseconds> pauses;
        const bool gone = PollUntilWindowGone(
            [&] { return testCase.pollsWhileThere < 0 || polls++ < testCase.pollsWhileThere; },
            testCase.limit, testCase.interval,
            [&](std::chrono::milliseconds pause) { pauses.push_back(pause); });
        EXPECT_EQ(gone, testCase.gone);
        EXPECT_EQ(pauses, testCase.pauses);
    }
}

TEST(ParseUpdateServiceAddress, TakesHostAndPortAndRefusesAnythingElse) {
    const struct {
        std::u16string_view address;
        std::optional<std::pair<std::u16string_view, int>> service;
    } cases[] = {
        {u"127.0.0.1:8080", std::pair{u"127.0.0.1", 8080}},
        {u"localhost:1", std::pair{u"localhost", 1}},
        {u"localhost:65535", std::pair{u"localhost", 65535}},
        {u"localhost:65536", std::nullopt},
        {u"localhost:0", std::nullopt},
        {u"localhost:-1", std::nullopt},
        {u"localhost:+80", std::nullopt},
        {u"localhost:80x", std::nullopt},
        {u"localhost:", std::nullopt},
        {u":80", std::nullopt},
        {u"localhost", std::nullopt},
        {u"", std::nullopt},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(ToUtf8(testCase.address));
        const std::optional<HttpAddress> service = ParseUpdateServiceAddress(testCase.address);
        ASSERT_EQ(service.has_value(), testCase.service.has_value());
        if (service) {
            EXPECT_EQ(service->host, testCase.service->first);
            EXPECT_EQ(service->port, testCase.service->second);
            EXPECT_FALSE(service->Secure());
            EXPECT_EQ(service->path, u"/downloads/update/");
        }
    }
}

} // namespace
} // namespace zentrim
