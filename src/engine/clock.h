// The local wall clock, passed in wherever the program needs the current moment.
#pragma once

#include "engine/date_time.h"

namespace zentrim {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local date and time, with milliseconds.
    virtual DateTime Now() const = 0;
};

// A clock that shows whatever it was set to.
class FixedClock final : public Clock {
public:
    explicit FixedClock(DateTime now) : now_(now) {}
    DateTime Now() const override { return now_; }
    void Set(DateTime now) { now_ = now; }

private:
    DateTime now_;
};

#ifdef _WIN32
// The local time of Windows (GetLocalTime).
class LocalClock final : public Clock {
public:
    DateTime Now() const override;
};
#endif

} // namespace zentrim
