#include "ui/sound_win32.h"

#include <mmsystem.h>

namespace zentrim {

void ResourceClickSound::Play() {
    static_assert(SND_RESOURCE == 0x40004 && SND_SYNC == 0, "a synchronous play of a resource");
    playSound_(L"click", module_, SND_RESOURCE);
}

} // namespace zentrim
