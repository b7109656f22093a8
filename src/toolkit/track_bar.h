// A horizontal slider over a range of whole positions.
#pragma once

#include "toolkit/component.h"

namespace zentrim::toolkit {

enum class TickMarks { BottomRight, TopLeft, Both };

struct TrackBarProps {
    std::u16string name{};
    Panel* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 150;
    int height = 45;
    int min = 0;
    int max = 10;
    int position = 0;
    int pageSize = 2;  // the step of Page Up, Page Down and clicks beside the thumb
    int frequency = 1; // a tick every this many positions
    TickMarks tickMarks = TickMarks::BottomRight;
    int thumbLength = 20;
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
    int tabOrder = -1;
    bool tabStop = true;
};

class TrackBar final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::TrackBar;
    using Props = TrackBarProps;

    TrackBar(Form& owner, TrackBarProps props);

    int Min() const { return min_; }
    int Max() const { return max_; }
    // A maximum below the minimum is raised to it; the position is clamped into the range.
    void SetRange(int min, int max);
    int Position() const { return position_; }
    // Clamped into Min()..Max(). Raises no event.
    void SetPosition(int position);
    int PageSize() const { return pageSize_; }
    void SetPageSize(int pageSize);
    int Frequency() const { return frequency_; }
    TickMarks GetTickMarks() const { return tickMarks_; }
    int ThumbLength() const { return thumbLength_; }

    // For backends and tests: the user moved the thumb; the position is clamped and onChange
    // raised when it changed.
    void MoveByUser(int position);

    NotifyEvent onChange;

private:
    int Clamp(int position) const;

    int min_;
    int max_;
    int position_;
    int pageSize_;
    int frequency_;
    TickMarks tickMarks_;
    int thumbLength_;
};

} // namespace zentrim::toolkit
