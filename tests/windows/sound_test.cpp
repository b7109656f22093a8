// The click played from the program's own resources.
#include "ui/sound_win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zentrim {
namespace {

using namespace std::chrono_literals;

// One request to PlaySoundW as it received it, what the module holds under that name, and
// PlaySoundW's answer.
struct PlayRequest {
    std::wstring sound;
    HMODULE module = nullptr;
    DWORD flags = 0;
    DWORD waveSize = 0; // bytes of the WAVE resource of that name; 0 when the module has none
    BOOL answer = FALSE;
    bool returned = false;                // PlaySoundW had returned when Play returned
    std::chrono::milliseconds playing{0}; // how long PlaySoundW took
};

// Plays on a thread of its own, so a sound that never ends fails the test instead of hanging
// it; gives every request to PlaySoundW, or nothing when Play did not return within 10 s.
std::vector<PlayRequest> PlayAndRecord(HMODULE module) {
    auto requests = std::make_shared<std::vector<PlayRequest>>();
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([done, module, requests] {
        ResourceClickSound sound(module, [requests](LPCWSTR name, HMODULE from, DWORD flags) {
            PlayRequest request{name, from, flags};
            if (HRSRC found = FindResourceW(from, name, L"WAVE")) {
                request.waveSize = SizeofResource(from, found);
            }
            const auto start = std::chrono::steady_clock::now();
            request.answer = PlaySoundW(name, from, flags);
            request.playing = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            request.returned = true;
            requests->push_back(request);
            return request.answer;
        });
        PlayClickSound(sound);
        done->set_value();
    }).detach();
    if (finished.wait_for(10s) != std::future_status::ready) {
        return {};
    }
    return *requests;
}

TEST(ClickSoundWin32, PlaysTheProgramsClickAndReturns) {
    const std::vector<PlayRequest> requests = PlayAndRecord(GetModuleHandleW(nullptr));
    ASSERT_EQ(requests.size(), 1u);
    const PlayRequest& request = requests.front();
    // The resource "click" of the program's own module, played synchronously (SND_RESOURCE
    // alone, without SND_ASYNC); it had finished when the call returned.
    EXPECT_TRUE(_wcsicmp(request.sound.c_str(), L"click") == 0);
    EXPECT_EQ(request.module, GetModuleHandleW(nullptr));
    EXPECT_EQ(request.flags, static_cast<DWORD>(0x40004));
    EXPECT_EQ(request.flags & SND_ASYNC, 0u);
    EXPECT_TRUE(request.returned);
    // Under that name the program carries the click: a WAVE file of 2202 bytes. (Without a
    // sound device, as under Wine here, PlaySoundW then answers FALSE: nothing is heard.)
    EXPECT_EQ(request.waveSize, 2202u);
}

TEST(ClickSoundWin32, AModuleWithoutTheClickPlaysNothing) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const std::vector<PlayRequest> requests = PlayAndRecord(kernel);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests.front().module, kernel);
    EXPECT_EQ(requests.front().waveSize, 0u);
    EXPECT_FALSE(requests.front().answer); // nothing to play
}

} // namespace
} // namespace zentrim
