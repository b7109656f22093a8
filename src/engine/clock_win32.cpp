#include "engine/clock.h"

#include <windows.h>

namespace zentrim {

DateTime LocalClock::Now() const {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    return EncodeDateTime(DateTimeFields{.year = time.wYear,
                                         .month = time.wMonth,
                                         .day = time.wDay,
                                         .hour = time.wHour,
                                         .minute = time.wMinute,
                                         .second = time.wSecond,
                                         .millisecond = time.wMilliseconds})
        .value_or(0.0);
}

} // namespace zentrim
