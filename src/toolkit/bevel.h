// An etched line (a shadow line beside a highlight line), drawn by its parent.
#pragma once

#include "toolkit/component.h"

namespace zentrim::toolkit {

enum class BevelShape {
    TopLine,        // along the top edge
    LeftLine,       // along the left edge
    HorizontalLine, // across the middle, left to right
    VerticalLine,   // down the middle, top to bottom
};

struct BevelProps {
    BevelShape shape = BevelShape::TopLine;
};

class Bevel final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Bevel;
    using Props = BevelProps;
    static constexpr ControlTraits kTraits{};

    Bevel(Form& owner, ControlProps props, BevelProps own);

    BevelShape Shape() const { return own_.shape; }
    void SetShape(BevelShape shape);

private:
    BevelProps own_;
};

} // namespace zentrim::toolkit
