#include "toolkit/track_bar.h"
#include "toolkit/events.h"

#include <algorithm>

namespace zentrim::toolkit {

TrackBar::TrackBar(Form& owner, TrackBarProps props)
    : Control(owner, kKind, ControlInitFrom(props, false, true)), min_(props.min),
      max_(std::max(props.min, props.max)), position_(0), pageSize_(props.pageSize),
      frequency_(props.frequency), tickMarks_(props.tickMarks), thumbLength_(props.thumbLength) {
    position_ = Clamp(props.position);
}

int TrackBar::Clamp(int position) const {
    return std::clamp(position, min_, max_);
}

void TrackBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    position_ = Clamp(position_);
    Notify(Change::Range);
    Notify(Change::Position);
}

void TrackBar::SetPosition(int position) {
    position = Clamp(position);
    if (position_ == position) {
        return;
    }
    position_ = position;
    Notify(Change::Position);
}

void TrackBar::SetPageSize(int pageSize) {
    if (pageSize_ == pageSize) {
        return;
    }
    pageSize_ = pageSize;
    Notify(Change::Range);
}

void TrackBar::MoveByUser(int position) {
    const int before = position_;
    SetPosition(position);
    if (position_ != before) {
        RaiseEvent(onChange, *this);
    }
}

} // namespace zentrim::toolkit
