// The program's instances found, activated and closed through real windows of a test class, each
// on a thread of its own as another process's window would be.
#include "app/startup/program_instances_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace zentrim {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr wchar_t kTestClass[] = L"ZentrimProgramInstancesTest";
constexpr std::u16string_view kTestClassName = u"ZentrimProgramInstancesTest";
constexpr UINT kDestroyMessage = WM_APP + 1;
constexpr UINT_PTR kHeldCloseTimer = 1;

// What the test window does with a close request.
enum class OnClose {
    CloseAfterWork, // works for a while, then destroys itself before the request returns
    Hold,           // returns at once and destroys itself some time later, as a run in progress
    Ignore,         // stays
};

struct WindowState {
    OnClose onClose = OnClose::CloseAfterWork;
    std::atomic<bool> closeHandled{false};
};

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_CLOSE:
        if (state->onClose == OnClose::CloseAfterWork) {
            Sleep(300);
            state->closeHandled = true;
            DestroyWindow(window);
        } else {
            state->closeHandled = true;
            if (state->onClose == OnClose::Hold) {
                SetTimer(window, kHeldCloseTimer, 500, nullptr);
            }
        }
        return 0;
    case WM_TIMER:
    case kDestroyMessage:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// A top-level window of the test class with a message loop on its own thread; destroyed at the
// end of the test if it still exists.
class TestWindow {
public:
    TestWindow(OnClose onClose, int showCommand) {
        state_.onClose = onClose;
        std::atomic<bool> ready{false};
        thread_ = std::thread([this, showCommand, &ready] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = TestWindowProc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = kTestClass;
            RegisterClassExW(&windowClass); // fails harmlessly when an earlier test registered it
            window_ = CreateWindowExW(0, kTestClass, L"Instance", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), &state_);
            if (window_ != nullptr) {
                ShowWindow(window_, showCommand);
            }
            ready = true;
            MSG message;
            while (window_ != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        });
        while (!ready) {
            std::this_thread::sleep_for(10ms);
        }
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow() {
        if (window_ != nullptr && IsWindow(window_)) {
            PostMessageW(window_, kDestroyMessage, 0, 0);
        }
        thread_.join();
    }

    HWND Handle() const { return window_; }
    bool CloseHandled() const { return state_.closeHandled; }

private:
    WindowState state_;
    HWND window_ = nullptr;
    std::thread thread_;
};

TEST(Win32ProgramInstances, FindsAWindowOfTheClassAndRestoresItWhenAskedTo) {
    Win32ProgramInstances instances(50ms);
    EXPECT_FALSE(instances.FindRunningInstance(kTestClassName, true));

    TestWindow window(OnClose::Ignore, SW_SHOWMINIMIZED);
    ASSERT_NE(window.Handle(), nullptr);
    ASSERT_TRUE(IsIconic(window.Handle()));

    // Only looking leaves it minimised.
    EXPECT_TRUE(instances.FindRunningInstance(kTestClassName, false));
    EXPECT_TRUE(IsIconic(window.Handle()));

    EXPECT_TRUE(instances.FindRunningInstance(kTestClassName, true));
    EXPECT_FALSE(IsIconic(window.Handle()));
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
}

TEST(Win32ProgramInstances, AHiddenWindowIsFoundButNotShown) {
    Win32ProgramInstances instances(50ms);
    TestWindow window(OnClose::Ignore, SW_HIDE);
    ASSERT_NE(window.Handle(), nullptr);

    EXPECT_TRUE(instances.FindRunningInstance(kTestClassName, true));
    EXPECT_FALSE(IsWindowVisible(window.Handle()));
}

TEST(Win32ProgramInstances, TheCloseRequestReturnsOnceTheWindowHasHandledIt) {
    Win32ProgramInstances instances(50ms);
    instances.CloseInstanceWindow(kTestClassName); // no window: nothing happens

    TestWindow window(OnClose::CloseAfterWork, SW_SHOWNORMAL);
    ASSERT_NE(window.Handle(), nullptr);
    instances.CloseInstanceWindow(kTestClassName);

    EXPECT_TRUE(window.CloseHandled());
    EXPECT_FALSE(IsWindow(window.Handle()));
    EXPECT_TRUE(instances.WaitUntilWindowGone(kTestClassName, 0ms));
}

TEST(Win32ProgramInstances, TheWaitLastsUntilAHeldCloseHasBeenCarriedOut) {
    Win32ProgramInstances instances(50ms);
    TestWindow window(OnClose::Hold, SW_SHOWNORMAL);
    ASSERT_NE(window.Handle(), nullptr);

    instances.CloseInstanceWindow(kTestClassName);
    EXPECT_TRUE(window.CloseHandled());
    EXPECT_TRUE(IsWindow(window.Handle()));

    const auto start = SteadyClock::now();
    EXPECT_TRUE(instances.WaitUntilWindowGone(kTestClassName, 30s));
    EXPECT_FALSE(IsWindow(window.Handle()));
    EXPECT_LT(SteadyClock::now() - start, 10s);
}

TEST(Win32ProgramInstances, TheWaitEndsAtItsLimitWhenTheWindowStays) {
    Win32ProgramInstances instances(50ms);
    TestWindow window(OnClose::Ignore, SW_SHOWNORMAL);
    ASSERT_NE(window.Handle(), nullptr);

    instances.CloseInstanceWindow(kTestClassName);
    const auto start = SteadyClock::now();
    EXPECT_FALSE(instances.WaitUntilWindowGone(kTestClassName, 600ms));
    const auto waited = SteadyClock::now() - start;
    EXPECT_GE(waited, 550ms);
    EXPECT_LT(waited, 5s);
    EXPECT_TRUE(IsWindow(window.Handle()));
}

} // namespace
} // namespace zentrim
