// A list of small pictures of one size, for the items of picture combo boxes.
#pragma once

#include "toolkit/component.h"
#include "toolkit/picture.h"

#include <vector>

namespace zentrim::toolkit {

struct ImageListProps {
    std::u16string name{};
    int width = 16; // layout units
    int height = 16;
    std::vector<Picture> pictures{};
};

class ImageList final : public Component {
public:
    static constexpr ComponentKind kKind = ComponentKind::ImageList;
    using Props = ImageListProps;

    ImageList(Form& owner, ImageListProps props);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(pictures_.size()); }
    const std::vector<Picture>& Pictures() const { return pictures_; }
    void Add(Picture picture);
    void SetPictures(std::vector<Picture> pictures);

private:
    void PicturesChanged();

    int width_;
    int height_;
    std::vector<Picture> pictures_;
};

} // namespace zentrim::toolkit
