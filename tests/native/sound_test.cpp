// The click sound's seam.
#include "ui/sound.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zentrim {
namespace {

class BrokenClickSound final : public ClickSound {
public:
    void Play() override { throw std::runtime_error("no sound device"); }
};

TEST(ClickSound, AClickThatCannotBePlayedLetsTheActionGoOn) {
    BrokenClickSound broken;
    EXPECT_NO_THROW(PlayClickSound(broken));
}

} // namespace
} // namespace zentrim
