#include "toolkit/progress_bar.h"

#include <algorithm>

namespace zentrim::toolkit {

ProgressBar::ProgressBar(Form& owner, ProgressBarProps props)
    : Control(owner, kKind, ControlInitFrom(props, false, false)), min_(props.min),
      max_(std::max(props.min, props.max)), position_(std::clamp(props.position, min_, max_)),
      smooth_(props.smooth) {}

void ProgressBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
    Notify(Change::Range);
    Notify(Change::Position);
}

void ProgressBar::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (position_ == position) {
        return;
    }
    position_ = position;
    Notify(Change::Position);
}

} // namespace zentrim::toolkit
