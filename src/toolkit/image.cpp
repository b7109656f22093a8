#include "toolkit/image.h"

namespace zentrim::toolkit {

Image::Image(Form& owner, ControlProps props, ImageProps own)
    : Control(owner, kKind, std::move(props), kTraits), own_(std::move(own)) {}

void Image::SetPicture(Picture picture) {
    if (own_.picture == picture) {
        return;
    }
    own_.picture = std::move(picture);
    Notify(Change::Pictures);
}

} // namespace zentrim::toolkit
