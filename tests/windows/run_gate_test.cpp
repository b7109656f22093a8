// The gate between the window program and the console program's runs.
#include "app/startup/run_gate_win32.h"

#include <gtest/gtest.h>

#include <thread>

namespace zentrim {
namespace {

TEST(RunGate, OneHolderAtATimeAndTheNextGetsItOnceReleased) {
    std::optional<RunGate> first(std::in_place, std::chrono::milliseconds(1000));
    ASSERT_TRUE(first->Owned());

    // Another program's wait ends without the gate while the first holds it (a mutex is owned by a
    // thread, so the other program is a thread here).
    bool secondOwned = true;
    std::thread([&] { secondOwned = RunGate(std::chrono::milliseconds(100)).Owned(); }).join();
    EXPECT_FALSE(secondOwned);

    first.reset();
    std::thread([&] { secondOwned = RunGate(std::chrono::milliseconds(1000)).Owned(); }).join();
    EXPECT_TRUE(secondOwned);
}

TEST(RunGate, AGateLeftByAThreadThatEndedIsTakenOver) {
    UniqueKernelHandle left;
    std::thread([&] {
        // Ends without releasing it: the mutex is abandoned, as by a program that crashed mid-run.
        left.reset(CreateMutexW(nullptr, TRUE, kRunGateName));
    }).join();
    ASSERT_TRUE(left);
    EXPECT_TRUE(RunGate(std::chrono::milliseconds(1000)).Owned());
}

} // namespace
} // namespace zentrim
