// A picture drawn in a rectangle, stretched or at its own size. Drawn by its parent, like the
// classic framework's graphic controls, so it can lie under labels and other pictures.
#pragma once

#include "toolkit/component.h"
#include "toolkit/picture.h"

namespace zentrim::toolkit {

struct ImageProps {
    std::u16string name{};
    Panel* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    Picture picture{};
    bool stretch = true;
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
};

class Image final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Image;
    using Props = ImageProps;

    Image(Form& owner, ImageProps props);

    const Picture& GetPicture() const { return picture_; }
    void SetPicture(Picture picture);
    bool Stretch() const { return stretch_; }

private:
    Picture picture_;
    bool stretch_;
};

} // namespace zentrim::toolkit
