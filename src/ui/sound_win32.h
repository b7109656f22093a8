// The click as the Windows program plays it: the WAVE resource "click" of a module.
#pragma once

#include "ui/sound.h"

#include <windows.h>

#include <mmsystem.h>

#include <functional>
#include <utility>

namespace zentrim {

// How a sound is played: PlaySoundW's parameters and result.
using PlaySoundFunction = std::function<BOOL(LPCWSTR sound, HMODULE module, DWORD flags)>;

class ResourceClickSound final : public ClickSound {
public:
    // `module` is the program file's module (GetModuleHandleW(nullptr)), which carries the sound.
    // Tests pass a function that notes each request before it goes on to PlaySoundW.
    explicit ResourceClickSound(HMODULE module, PlaySoundFunction playSound = PlaySoundW)
        : module_(module), playSound_(std::move(playSound)) {}

    // PlaySoundW with SND_RESOURCE alone: synchronous, returns when the sound has ended. Without
    // a sound device or the resource nothing is played; the result is not looked at.
    void Play() override;

private:
    HMODULE module_;
    PlaySoundFunction playSound_;
};

} // namespace zentrim
