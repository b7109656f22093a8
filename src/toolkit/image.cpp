#include "toolkit/image.h"

namespace zentrim::toolkit {

Image::Image(Form& owner, ImageProps props)
    : Control(owner, kKind, ControlInitFrom(props, false, false)), picture_(std::move(props.picture)),
      stretch_(props.stretch) {}

void Image::SetPicture(Picture picture) {
    if (picture_ == picture) {
        return;
    }
    picture_ = std::move(picture);
    Notify(Change::Pictures);
}

} // namespace zentrim::toolkit
