#include "ui/sound.h"

namespace zentrim {

void PlayClickSound(ClickSound& sound) noexcept {
    try {
        sound.Play();
    } catch (...) {
        // The action that asked for the click goes on without it.
    }
}

void RecordingClickSound::Play() {
    ++plays_;
    if (onPlay) {
        onPlay();
    }
}

} // namespace zentrim
