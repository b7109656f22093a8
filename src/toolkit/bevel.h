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
    std::u16string name{};
    Panel* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    BevelShape shape = BevelShape::TopLine;
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
};

class Bevel final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Bevel;
    using Props = BevelProps;

    Bevel(Form& owner, BevelProps props);

    BevelShape Shape() const { return shape_; }
    void SetShape(BevelShape shape);

private:
    BevelShape shape_;
};

} // namespace zentrim::toolkit
