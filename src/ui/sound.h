// The click the program plays when the user starts an action. It plays synchronously: the action
// goes on only after the sound has ended.
#pragma once

#include <functional>

namespace zentrim {

// What plays the click. The Windows program plays its own WAVE resource (sound_win32.h); tests
// use a silent or a recording one.
class ClickSound {
public:
    ClickSound() = default;
    ClickSound(const ClickSound&) = delete;
    ClickSound& operator=(const ClickSound&) = delete;
    virtual ~ClickSound() = default;

    // Plays the click to its end. A click that cannot be played is simply not heard.
    virtual void Play() = 0;
};

// Plays the click and returns when it has ended; never fails.
void PlayClickSound(ClickSound& sound) noexcept;

class SilentClickSound final : public ClickSound {
public:
    void Play() override {}
};

// Counts the clicks, and runs onPlay for each so a test can see where in a sequence it came.
class RecordingClickSound final : public ClickSound {
public:
    void Play() override;
    int Plays() const { return plays_; }

    std::function<void()> onPlay;

private:
    int plays_ = 0;
};

} // namespace zentrim
