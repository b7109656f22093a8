#include "engine/date_time.h"

#include <cmath>
#include <cstdint>

namespace zentrim {

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

// Days from 1970-01-01 to a civil date, and back (proleptic Gregorian, eras of 400 years).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

const std::int64_t kOriginDays = DaysFromCivil(1899, 12, 30);

// Beyond the years 1 to 9999 (-693593 to 2958466) with room to spare; keeps the millisecond
// count far from overflow. The decoded year is checked exactly afterwards.
constexpr double kDateTimeLimit = 1.0e7;

// Splits a date-time into whole days since the origin and milliseconds into that day.
bool SplitDateTime(DateTime value, std::int64_t& days, std::int64_t& milliseconds) {
    if (!std::isfinite(value) || std::fabs(value) >= kDateTimeLimit) {
        return false;
    }
    if (value >= 0) {
        const auto total = static_cast<std::int64_t>(std::llround(value * kMillisecondsPerDay));
        days = total / kMillisecondsPerDay;
        milliseconds = total % kMillisecondsPerDay;
    } else {
        const double whole = std::trunc(value);
        days = static_cast<std::int64_t>(whole);
        milliseconds = std::llround((whole - value) * kMillisecondsPerDay);
        if (milliseconds >= kMillisecondsPerDay) { // rounded up to the end of the day
            ++days;
            milliseconds -= kMillisecondsPerDay;
        }
    }
    return true;
}

} // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int millisecond) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
           millisecond >= 0 && millisecond < 1000;
}

std::optional<DateTime> EncodeDateTime(const DateTimeFields& fields) {
    if (!IsValidDate(fields.year, fields.month, fields.day) ||
        !IsValidTime(fields.hour, fields.minute, fields.second, fields.millisecond)) {
        return std::nullopt;
    }
    const auto days = static_cast<double>(DaysFromCivil(fields.year, fields.month, fields.day) - kOriginDays);
    const std::int64_t milliseconds =
        ((std::int64_t{fields.hour} * 60 + fields.minute) * 60 + fields.second) * 1000 + fields.millisecond;
    const double time = static_cast<double>(milliseconds) / static_cast<double>(kMillisecondsPerDay);
    return days >= 0 ? days + time : days - time;
}

std::optional<DateTime> EncodeDate(int year, int month, int day) {
    return EncodeDateTime(DateTimeFields{.year = year, .month = month, .day = day});
}

std::optional<DateTimeFields> DecodeDateTime(DateTime value) {
    std::int64_t days = 0;
    std::int64_t milliseconds = 0;
    if (!SplitDateTime(value, days, milliseconds)) {
        return std::nullopt;
    }
    DateTimeFields fields;
    CivilFromDays(days + kOriginDays, fields.year, fields.month, fields.day);
    if (fields.year < 1 || fields.year > 9999) {
        return std::nullopt;
    }
    fields.millisecond = static_cast<int>(milliseconds % 1000);
    fields.second = static_cast<int>(milliseconds / 1000 % 60);
    fields.minute = static_cast<int>(milliseconds / 60'000 % 60);
    fields.hour = static_cast<int>(milliseconds / 3'600'000);
    // The origin, 1899-12-30, was a Saturday.
    fields.dayOfWeek = static_cast<int>(((days % 7) + 7 + 6) % 7);
    return fields;
}

std::optional<long long> WholeDaysBetween(DateTime a, DateTime b) {
    std::int64_t daysA = 0;
    std::int64_t daysB = 0;
    std::int64_t msA = 0;
    std::int64_t msB = 0;
    if (!SplitDateTime(a, daysA, msA) || !SplitDateTime(b, daysB, msB)) {
        return std::nullopt;
    }
    const std::int64_t span = (daysA - daysB) * kMillisecondsPerDay + (msA - msB);
    return (span < 0 ? -span : span) / kMillisecondsPerDay;
}

} // namespace zentrim
