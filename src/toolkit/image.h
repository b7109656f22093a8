// A picture drawn in a rectangle, stretched or at its own size. Drawn by its parent, like the
// classic framework's graphic controls, so it can lie under labels and other pictures.
#pragma once

#include "toolkit/component.h"
#include "toolkit/picture.h"

namespace zentrim::toolkit {

struct ImageProps {
    Picture picture{};
    bool stretch = true;
};

class Image final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Image;
    using Props = ImageProps;
    static constexpr ControlTraits kTraits{};

    Image(Form& owner, ControlProps props, ImageProps own);

    const Picture& GetPicture() const { return own_.picture; }
    void SetPicture(Picture picture);
    bool Stretch() const { return own_.stretch; }

private:
    ImageProps own_;
};

} // namespace zentrim::toolkit
