// A bar that fills from left to right as a position moves through a range.
#pragma once

#include "toolkit/component.h"

namespace zentrim::toolkit {

struct ProgressBarProps {
    int min = 0;
    int max = 100;
    int position = 0;
    bool smooth = false; // one continuous bar instead of blocks
};

class ProgressBar final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::ProgressBar;
    using Props = ProgressBarProps;
    static constexpr ControlTraits kTraits{.size = {150, 17}};

    ProgressBar(Form& owner, ControlProps props, ProgressBarProps own);

    int Min() const { return own_.min; }
    int Max() const { return own_.max; }
    void SetRange(int min, int max);
    int Position() const { return own_.position; }
    // Clamped into Min()..Max().
    void SetPosition(int position);
    bool Smooth() const { return own_.smooth; }

private:
    ProgressBarProps own_;
};

} // namespace zentrim::toolkit
