// A horizontal slider over a range of whole positions.
#pragma once

#include "toolkit/component.h"

namespace zentrim::toolkit {

enum class TickMarks { BottomRight, TopLeft, Both };

struct TrackBarProps {
    int min = 0;
    int max = 10;
    int position = 0;
    int pageSize = 2;  // the step of Page Up, Page Down and clicks beside the thumb
    int frequency = 1; // a tick every this many positions
    TickMarks tickMarks = TickMarks::BottomRight;
    int thumbLength = 20;
};

class TrackBar final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::TrackBar;
    using Props = TrackBarProps;
    static constexpr ControlTraits kTraits{.size = {150, 45}, .tabStop = true};

    TrackBar(Form& owner, ControlProps props, TrackBarProps own);

    int Min() const { return own_.min; }
    int Max() const { return own_.max; }
    // A maximum below the minimum is raised to it; the position is clamped into the range.
    void SetRange(int min, int max);
    int Position() const { return own_.position; }
    // Clamped into Min()..Max(). Raises no event.
    void SetPosition(int position);
    int PageSize() const { return own_.pageSize; }
    void SetPageSize(int pageSize);
    int Frequency() const { return own_.frequency; }
    TickMarks GetTickMarks() const { return own_.tickMarks; }
    int ThumbLength() const { return own_.thumbLength; }

    // For backends and tests: the user moved the thumb; the position is clamped and onChange
    // raised when it changed.
    void MoveByUser(int position);

    NotifyEvent onChange;

private:
    int Clamp(int position) const;

    TrackBarProps own_;
};

} // namespace zentrim::toolkit
