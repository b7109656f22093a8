#include "toolkit/progress_bar.h"

#include <algorithm>

namespace zentrim::toolkit {

ProgressBar::ProgressBar(Form& owner, ControlProps props, ProgressBarProps own)
    : Control(owner, kKind, std::move(props), kTraits), own_(std::move(own)) {
    own_.max = std::max(own_.min, own_.max);
    own_.position = std::clamp(own_.position, own_.min, own_.max);
}

void ProgressBar::SetRange(int min, int max) {
    own_.min = min;
    own_.max = std::max(min, max);
    own_.position = std::clamp(own_.position, own_.min, own_.max);
    Notify(Change::Range);
    Notify(Change::Position);
}

void ProgressBar::SetPosition(int position) {
    position = std::clamp(position, own_.min, own_.max);
    if (own_.position == position) {
        return;
    }
    own_.position = position;
    Notify(Change::Position);
}

} // namespace zentrim::toolkit
