// A bar that fills from left to right as a position moves through a range.
#pragma once

#include "toolkit/component.h"

namespace zentrim::toolkit {

struct ProgressBarProps {
    std::u16string name{};
    Panel* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 150;
    int height = 17;
    int min = 0;
    int max = 100;
    int position = 0;
    bool smooth = false; // one continuous bar instead of blocks
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
};

class ProgressBar final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::ProgressBar;
    using Props = ProgressBarProps;

    ProgressBar(Form& owner, ProgressBarProps props);

    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const { return position_; }
    // Clamped into Min()..Max().
    void SetPosition(int position);
    bool Smooth() const { return smooth_; }

private:
    int min_;
    int max_;
    int position_;
    bool smooth_;
};

} // namespace zentrim::toolkit
