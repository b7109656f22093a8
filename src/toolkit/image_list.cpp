#include "toolkit/image_list.h"

namespace zentrim::toolkit {

ImageList::ImageList(Form& owner, ImageListProps props)
    : Component(owner, kKind, std::move(props.name)), width_(props.width), height_(props.height),
      pictures_(std::move(props.pictures)) {}

void ImageList::Add(Picture picture) {
    pictures_.push_back(std::move(picture));
    PicturesChanged();
}

void ImageList::SetPictures(std::vector<Picture> pictures) {
    pictures_ = std::move(pictures);
    PicturesChanged();
}

void ImageList::PicturesChanged() {
    Notify(Change::Pictures);
}

} // namespace zentrim::toolkit
