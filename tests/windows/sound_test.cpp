// The click played from the program's own resources.
#include "ui/sound_win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace zentrim {
namespace {

using namespace std::chrono_literals;

// Plays on a thread of its own, so a sound that never ends fails the test instead of hanging it.
bool PlaysAndReturns(HMODULE module) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([done, module] {
        ResourceClickSound sound(module);
        PlayClickSound(sound);
        done->set_value();
    }).detach();
    return finished.wait_for(10s) == std::future_status::ready;
}

TEST(ClickSoundWin32, PlaysTheProgramsClickAndReturns) {
    // Without a sound device (as under Wine here) nothing is heard, and the call still returns.
    EXPECT_TRUE(PlaysAndReturns(GetModuleHandleW(nullptr)));
}

TEST(ClickSoundWin32, AModuleWithoutTheClickPlaysNothing) {
    EXPECT_TRUE(PlaysAndReturns(GetModuleHandleW(L"kernel32.dll")));
}

} // namespace
} // namespace zentrim
