// The click as the Windows program plays it: the WAVE resource "click" of a module.
#pragma once

#include "ui/sound.h"

#include <windows.h>

namespace zentrim {

class ResourceClickSound final : public ClickSound {
public:
    // `module` is the program file's module (GetModuleHandleW(nullptr)), which carries the sound.
    explicit ResourceClickSound(HMODULE module) : module_(module) {}

    // PlaySoundW with SND_RESOURCE alone: synchronous, returns when the sound has ended. Without
    // a sound device or the resource nothing is played; the result is not looked at.
    void Play() override;

private:
    HMODULE module_;
};

} // namespace zentrim
