// Regional date and time formats: the settings that Windows keeps per locale, a formatter for
// Windows format pictures and a parser that reads back what the formatter writes. Formatting and
// parsing are our own code on every platform, so a text written with some settings always reads
// back with the same settings; only the settings themselves come from Windows.
#pragma once

#include "engine/date_time.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zentrim {

struct FormatSettings {
    std::u16string shortDatePicture;
    std::u16string longDatePicture;
    std::u16string longTimePicture;
    std::array<std::u16string, 12> monthNames; // January first
    // The full names as some languages write them next to a day number ("2 января"); an empty
    // name means the same as in monthNames.
    std::array<std::u16string, 12> genitiveMonthNames;
    std::array<std::u16string, 12> abbreviatedMonthNames;
    std::array<std::u16string, 7> dayNames; // Sunday first
    std::array<std::u16string, 7> abbreviatedDayNames;
    std::u16string amDesignator;
    std::u16string pmDesignator;

    friend bool operator==(const FormatSettings&, const FormatSettings&) = default;
};

// The settings of English (United States): "M/d/yyyy", "dddd, MMMM d, yyyy", "h:mm:ss tt".
FormatSettings EnglishUnitedStatesFormatSettings();

// Two-digit years are read as years from 1950 to 2049.
inline constexpr int kTwoDigitYearMax = 2049;

// Writes a date-time with a Windows format picture:
//   d dd ddd dddd   day, two-digit day, abbreviated and full day name
//   M MM MMM MMMM   month, two-digit month, abbreviated and full month name (the genitive name
//                   when the picture also holds a day number)
//   y yy yyyy       year of the century without and with a leading zero, four-digit year
//   h hh H HH       hour of 12 and of 24 hours, without and with a leading zero
//   m mm s ss       minute and second, without and with a leading zero
//   t tt            first character of the AM or PM designator, the whole designator
// Text in single quotes is literal ('' is one quote); every other character is written as is.
// Nothing for a date-time that cannot be decoded.
std::optional<std::u16string> FormatDateTime(std::u16string_view picture, DateTime value,
                                             const FormatSettings& settings);

// Windows keeps a date or time picture to 80 characters. The parser reads a date picture and a
// time picture joined by one space at the most; a longer picture can only come from hostile
// settings and is refused (the parser's work grows with the picture's elements).
inline constexpr std::size_t kMaxPictureLength = 80;
inline constexpr std::size_t kMaxParsedPictureLength = 2 * kMaxPictureLength + 1;

// Reads a text written with `picture` back into a date-time. Names are matched without regard to
// case, runs of white space match any white space, a day name must agree with the date, and
// two-digit years fall in the window ending at kTwoDigitYearMax. A picture without date elements
// gives the date 1899-12-30; one without time elements gives midnight. Nothing for a picture
// longer than kMaxParsedPictureLength.
std::optional<DateTime> ParseDateTime(std::u16string_view text, std::u16string_view picture,
                                      const FormatSettings& settings);

// Reads a regional date and time: the short date and the long time joined by one space, or the
// short date alone; the long date in the same two ways. Pictures longer than kMaxPictureLength
// are not used.
std::optional<DateTime> ParseRegionalDateTime(std::u16string_view text, const FormatSettings& settings);

// The regional settings of the machine: the user's own and the system's default ones.
class RegionalFormats {
public:
    virtual ~RegionalFormats() = default;
    virtual const FormatSettings& UserSettings() const = 0;
    virtual const FormatSettings& SystemSettings() const = 0;
};

// Settings given once and never changed.
class FixedRegionalFormats final : public RegionalFormats {
public:
    // English (United States) for both.
    FixedRegionalFormats();
    FixedRegionalFormats(FormatSettings user, FormatSettings system);

    const FormatSettings& UserSettings() const override { return user_; }
    const FormatSettings& SystemSettings() const override { return system_; }

private:
    FormatSettings user_;
    FormatSettings system_;
};

#ifdef _WIN32
// The settings of Windows, taken once when constructed: the user's locale
// (LOCALE_NAME_USER_DEFAULT) and the system's default locale (LOCALE_NAME_SYSTEM_DEFAULT). A
// picture or name that Windows does not give keeps its English (United States) value.
class Win32RegionalFormats final : public RegionalFormats {
public:
    Win32RegionalFormats();

    const FormatSettings& UserSettings() const override { return user_; }
    const FormatSettings& SystemSettings() const override { return system_; }

private:
    FormatSettings user_;
    FormatSettings system_;
};
#endif

} // namespace zentrim
