#include "toolkit/track_bar.h"
#include "toolkit/events.h"

#include <algorithm>

namespace zentrim::toolkit {

TrackBar::TrackBar(Form& owner, ControlProps props, TrackBarProps own)
    : Control(owner, kKind, std::move(props), kTraits), own_(std::move(own)) {
    own_.max = std::max(own_.min, own_.max);
    own_.position = Clamp(own_.position);
}

int TrackBar::Clamp(int position) const {
    return std::clamp(position, own_.min, own_.max);
}

void TrackBar::SetRange(int min, int max) {
    own_.min = min;
    own_.max = std::max(min, max);
    own_.position = Clamp(own_.position);
    Notify(Change::Range);
    Notify(Change::Position);
}

void TrackBar::SetPosition(int position) {
    position = Clamp(position);
    if (own_.position == position) {
        return;
    }
    own_.position = position;
    Notify(Change::Position);
}

void TrackBar::SetPageSize(int pageSize) {
    if (own_.pageSize == pageSize) {
        return;
    }
    own_.pageSize = pageSize;
    Notify(Change::Range);
}

void TrackBar::MoveByUser(int position) {
    const int before = own_.position;
    SetPosition(position);
    if (own_.position != before) {
        RaiseEvent(onChange, *this);
    }
}

} // namespace zentrim::toolkit
