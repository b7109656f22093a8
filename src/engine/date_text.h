// Date text: a moment kept in the product key as the decimal text of the seconds from
// 1970-01-01 00:00:00 to it on the local wall clock (not UTC), a signed 32-bit number. A stored
// text holding a ":" or a "/" is a date and time already written out in regional form, as older
// versions kept it, and is taken as it is.
#pragma once

#include "engine/clock.h"
#include "engine/date_time.h"
#include "engine/regional_formats.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zentrim {

// 1970-01-01 00:00 as a date-time.
inline constexpr DateTime kUnixEpochDateTime = 25569.0;

// The seconds from 1970-01-01 to a date-time, rounded to the nearest whole number (ties to even),
// of which only the low 32 bits are kept; 0 when the arithmetic fails (NaN, infinities, beyond
// 64 bits).
std::int32_t EncodeStoredDate(DateTime value);
DateTime DecodeStoredDate(std::int32_t seconds);

// The current moment as date text.
std::u16string CurrentDateText(const Clock& clock);

// Turns date texts into display texts with the regional settings taken once, at start.
class DateTextFormatter {
public:
    DateTextFormatter(FormatSettings userSettings, FormatSettings systemSettings);
    explicit DateTextFormatter(const RegionalFormats& formats);

    // A regional text unchanged; a number written with the user's short date, followed, unless
    // the moment is exactly midnight, by one space and the user's long time. Empty for anything
    // else (empty text, other characters, out of range).
    std::u16string DateTextToRegionalText(std::u16string_view dateText) const;

    // The moment a date text stands for: a regional text read with the user's settings, a number
    // decoded. Nothing for an empty or unreadable text.
    std::optional<DateTime> DateTextToDateTime(std::u16string_view dateText) const;

    // The moment written with the system's default settings: the long date, " - ", the long
    // time. Empty for an empty or unreadable text.
    std::u16string FormatDateText(std::u16string_view dateText) const;

    const FormatSettings& UserSettings() const { return user_; }
    const FormatSettings& SystemSettings() const { return system_; }

private:
    FormatSettings user_;
    FormatSettings system_;
};

} // namespace zentrim
