// Date-time values as the program counts them: days since 1899-12-30 00:00, with the time of day
// as the fraction. Before that origin the whole part counts days backwards while the fraction
// still counts forwards through the day, so -1.25 is 1899-12-29 06:00.
#pragma once

#include <optional>

namespace zentrim {

using DateTime = double;

// One moment as calendar fields on the proleptic Gregorian calendar, years 1 to 9999.
struct DateTimeFields {
    int year = 1899;
    int month = 12; // 1 to 12
    int day = 30;   // 1 to the days of the month
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 6; // 0 = Sunday to 6 = Saturday; filled in by decoding, ignored by encoding

    friend bool operator==(const DateTimeFields&, const DateTimeFields&) = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month); // 0 for a month outside 1 to 12
bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second, int millisecond);

// Nothing when a field is out of range; the day of the week is not consulted.
std::optional<DateTime> EncodeDateTime(const DateTimeFields& fields);
std::optional<DateTime> EncodeDate(int year, int month, int day);

// The fields of a date-time rounded to the nearest millisecond; nothing for NaN, infinities and
// values outside the years 1 to 9999.
std::optional<DateTimeFields> DecodeDateTime(DateTime value);

// The number of whole days between two moments, without sign; nothing when either cannot be
// decoded.
std::optional<long long> WholeDaysBetween(DateTime a, DateTime b);

} // namespace zentrim
