#include "engine/date_text.h"

#include "base/text.h"

#include <cmath>
#include <utility>

namespace zentrim {

namespace {

constexpr double kSecondsPerDay = 86400.0;

// Rounds to the nearest whole number, halves to the even neighbour, whatever rounding mode the
// floating-point unit is in.
double RoundHalfToEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5) {
        return lower + 1.0;
    }
    if (fraction < 0.5) {
        return lower;
    }
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

bool IsRegionalText(std::u16string_view text) {
    return text.find_first_of(u":/") != std::u16string_view::npos;
}

} // namespace

std::int32_t EncodeStoredDate(DateTime value) {
    const double seconds = RoundHalfToEven((value - kUnixEpochDateTime) * kSecondsPerDay);
    // 2^63: a rounded number at or beyond it has no 64-bit form.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(seconds) || seconds >= kLimit || seconds < -kLimit) {
        return 0;
    }
    const auto whole = static_cast<std::int64_t>(seconds);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
}

DateTime DecodeStoredDate(std::int32_t seconds) {
    return kUnixEpochDateTime + seconds / kSecondsPerDay;
}

std::u16string CurrentDateText(const Clock& clock) {
    return IntToText(EncodeStoredDate(clock.Now()));
}

DateTextFormatter::DateTextFormatter(FormatSettings userSettings, FormatSettings systemSettings)
    : user_(std::move(userSettings)), system_(std::move(systemSettings)) {}

DateTextFormatter::DateTextFormatter(const RegionalFormats& formats)
    : user_(formats.UserSettings()), system_(formats.SystemSettings()) {}

std::u16string DateTextFormatter::DateTextToRegionalText(std::u16string_view dateText) const {
    try {
        if (IsRegionalText(dateText)) {
            return std::u16string(dateText);
        }
        int seconds = 0;
        if (!TryParseInt32(dateText, seconds)) {
            return {};
        }
        const DateTime value = DecodeStoredDate(seconds);
        const std::optional<DateTimeFields> fields = DecodeDateTime(value);
        std::optional<std::u16string> text = FormatDateTime(user_.shortDatePicture, value, user_);
        if (!fields || !text) {
            return {};
        }
        if (fields->hour != 0 || fields->minute != 0 || fields->second != 0 || fields->millisecond != 0) {
            const std::optional<std::u16string> time = FormatDateTime(user_.longTimePicture, value, user_);
            if (!time) {
                return {};
            }
            *text += u' ';
            *text += *time;
        }
        return std::move(*text);
    } catch (...) {
        return {};
    }
}

std::optional<DateTime> DateTextFormatter::DateTextToDateTime(std::u16string_view dateText) const {
    try {
        if (IsRegionalText(dateText)) {
            return ParseRegionalDateTime(dateText, user_);
        }
        // A number is decoded directly rather than read back from its regional text: the user's
        // short date may drop the century and a 12-hour time may lack its designator, and the
        // moment would then not survive the way through text.
        int seconds = 0;
        if (!TryParseInt32(dateText, seconds)) {
            return std::nullopt;
        }
        return DecodeStoredDate(seconds);
    } catch (...) {
        return std::nullopt;
    }
}

std::u16string DateTextFormatter::FormatDateText(std::u16string_view dateText) const {
    try {
        const std::optional<DateTime> value = DateTextToDateTime(dateText);
        if (!value) {
            return {};
        }
        const std::optional<std::u16string> date = FormatDateTime(system_.longDatePicture, *value, system_);
        const std::optional<std::u16string> time = FormatDateTime(system_.longTimePicture, *value, system_);
        if (!date || !time) {
            return {};
        }
        return *date + u" - " + *time;
    } catch (...) {
        return {};
    }
}

} // namespace zentrim
