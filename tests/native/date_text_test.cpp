#include "engine/date_text.h"

#include "base/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zentrim {
namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int millisecond = 0) {
    return EncodeDateTime({year, month, day, hour, minute, second, millisecond}).value();
}

// A German-like user setting: day first, 24-hour clock, no designators.
FormatSettings GermanLikeSettings() {
    FormatSettings settings = EnglishUnitedStatesFormatSettings();
    settings.shortDatePicture = u"dd.MM.yyyy";
    settings.longDatePicture = u"dddd, d. MMMM yyyy";
    settings.longTimePicture = u"HH:mm:ss";
    settings.monthNames = {u"Januar", u"Februar", u"M\u00E4rz", u"April",   u"Mai",      u"Juni",
                           u"Juli",   u"August",  u"September", u"Oktober", u"November", u"Dezember"};
    settings.dayNames = {u"Sonntag",    u"Montag",  u"Dienstag", u"Mittwoch",
                         u"Donnerstag", u"Freitag", u"Samstag"};
    settings.amDesignator.clear();
    settings.pmDesignator.clear();
    return settings;
}

TEST(DateTime, CalendarFieldsRoundTrip) {
    struct Case {
        DateTime value;
        DateTimeFields fields;
    };
    const Case cases[] = {
        {0.0, {1899, 12, 30, 0, 0, 0, 0, 6}},
        {25569.0, {1970, 1, 1, 0, 0, 0, 0, 4}},
        {36585.5, {2000, 2, 29, 12, 0, 0, 0, 2}},
        {45293.127835648148, {2024, 1, 2, 3, 4, 5, 0, 2}},
        {-1.25, {1899, 12, 29, 6, 0, 0, 0, 5}}, // before the origin the fraction still counts forwards
        {-693593.0, {1, 1, 1, 0, 0, 0, 0, 1}},
        {2958465.0 + 86399999.0 / 86400000.0, {9999, 12, 31, 23, 59, 59, 999, 5}},
    };
    for (const Case& c : cases) {
        const std::optional<DateTimeFields> decoded = DecodeDateTime(c.value);
        ASSERT_TRUE(decoded) << c.value;
        EXPECT_EQ(*decoded, c.fields) << c.value;
        const std::optional<DateTime> encoded = EncodeDateTime(c.fields);
        ASSERT_TRUE(encoded) << c.value;
        EXPECT_NEAR(*encoded, c.value, 1e-9) << c.value;
    }
}

TEST(DateTime, InvalidFieldsAndValuesAreRefused) {
    EXPECT_FALSE(EncodeDate(2023, 2, 29));
    EXPECT_TRUE(EncodeDate(2024, 2, 29));
    EXPECT_FALSE(EncodeDate(1900, 2, 29));
    EXPECT_FALSE(EncodeDate(2024, 13, 1));
    EXPECT_FALSE(EncodeDate(2024, 4, 31));
    EXPECT_FALSE(EncodeDate(0, 1, 1));
    EXPECT_FALSE(EncodeDate(10000, 1, 1));
    EXPECT_FALSE(EncodeDateTime({2024, 1, 2, 24, 0, 0, 0}));
    EXPECT_FALSE(EncodeDateTime({2024, 1, 2, 0, 60, 0, 0}));
    EXPECT_FALSE(EncodeDateTime({2024, 1, 2, 0, 0, 0, 1000}));
    for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), 2958466.0, -693594.0, 1e300}) {
        EXPECT_FALSE(DecodeDateTime(bad)) << bad;
    }
}

TEST(DateTime, DecodingRoundsToTheMillisecondAcrossMidnight) {
    const DateTime almostMidnight = At(2024, 1, 2) + (86'400'000.0 - 0.4) / 86'400'000.0;
    const DateTimeFields expected{2024, 1, 3, 0, 0, 0, 0, 3};
    EXPECT_EQ(DecodeDateTime(almostMidnight), expected);
}

TEST(DateTime, WholeDaysBetweenIgnoresSignAndCountsTheNegativeRangeLinearly) {
    const DateTime now = At(2024, 3, 1, 12);
    EXPECT_EQ(WholeDaysBetween(now, now - 46.0), 46);
    EXPECT_EQ(WholeDaysBetween(now - 46.0, now), 46);
    EXPECT_EQ(WholeDaysBetween(now, now - 46.0 + 1.0 / 86400.0), 45);
    // 1899-12-29 18:00 to 1899-12-30 12:00 is eighteen hours, although the values differ by 2.25.
    EXPECT_EQ(WholeDaysBetween(-1.75, 0.5), 0);
    EXPECT_FALSE(WholeDaysBetween(now, std::nan("")));
}

TEST(DateText, StoredSecondsMatchTheLocalWallClock) {
    EXPECT_EQ(EncodeStoredDate(At(2024, 1, 2, 3, 4, 5)), 1704164645);
    EXPECT_EQ(DecodeDateTime(DecodeStoredDate(1704164645)), (DateTimeFields{2024, 1, 2, 3, 4, 5, 0, 2}));
    EXPECT_EQ(DecodeDateTime(DecodeStoredDate(-2147483647 - 1)),
              (DateTimeFields{1901, 12, 13, 20, 45, 52, 0, 5}));
    EXPECT_EQ(EncodeStoredDate(DecodeStoredDate(2147483647)), 2147483647);
    EXPECT_EQ(EncodeStoredDate(At(2024, 1, 2, 3, 4, 5, 499)), 1704164645);
    EXPECT_EQ(EncodeStoredDate(At(2024, 1, 2, 3, 4, 5, 501)), 1704164646);
}

TEST(DateText, EncodingRoundsHalvesToEvenAndKeepsTheLow32Bits) {
    struct Case {
        DateTime value;
        std::int32_t expected;
    };
    // 1/256 of a day is exactly 337.5 seconds, so these are true ties.
    const Case cases[] = {
        {kUnixEpochDateTime + 1.0 / 256.0, 338},
        {kUnixEpochDateTime + 3.0 / 256.0, 1012},
        {kUnixEpochDateTime - 1.0 / 256.0, -338},
        {kUnixEpochDateTime - 3.0 / 256.0, -1012},
        {kUnixEpochDateTime + 2147483648.0 / 86400.0, -2147483647 - 1},
        {kUnixEpochDateTime + 4294967297.0 / 86400.0, 1},
        {kUnixEpochDateTime - 2147483649.0 / 86400.0, 2147483647},
        {std::nan(""), 0},
        {std::numeric_limits<double>::infinity(), 0},
        {-std::numeric_limits<double>::infinity(), 0},
        {1e300, 0}, // beyond 64 bits
        {-1e300, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeStoredDate(c.value), c.expected) << c.value;
    }
}

TEST(DateText, CurrentDateTextIsTheClocksSeconds) {
    const FixedClock clock(At(2024, 1, 2, 3, 4, 5, 250));
    EXPECT_EQ(CurrentDateText(clock), u"1704164645");
}

TEST(DateText, RegionalTextUsesTheUsersShortDateAndLongTime) {
    const DateTextFormatter formatter(EnglishUnitedStatesFormatSettings(), GermanLikeSettings());
    struct Case {
        const char16_t* stored;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"1704164645", u"1/2/2024 3:04:05 AM"},
        {u"1704153600", u"1/2/2024"}, // midnight: no time
        {u"0", u"1/1/1970"},
        {u"-1", u"12/31/1969 11:59:59 PM"},
        {u"2147483647", u"1/19/2038 3:14:07 AM"},
        {u"1/2/2024 3:04:05 AM", u"1/2/2024 3:04:05 AM"}, // regional texts pass unchanged
        {u"12:00", u"12:00"},
        {u"not/a date", u"not/a date"},
        {u"", u""},
        {u"abc", u""},
        {u"2147483648", u""},
        {u"-2147483649", u""},
        {u" 1704164645", u""},
        {u"1704164645.0", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToUtf8(formatter.DateTextToRegionalText(c.stored)), ToUtf8(c.expected)) << ToUtf8(c.stored);
    }
}

TEST(DateText, DisplayReadsWithTheUsersSettingsAndWritesWithTheSystems) {
    const DateTextFormatter english(EnglishUnitedStatesFormatSettings(), EnglishUnitedStatesFormatSettings());
    const DateTextFormatter germanUser(GermanLikeSettings(), EnglishUnitedStatesFormatSettings());
    const DateTextFormatter germanSystem(EnglishUnitedStatesFormatSettings(), GermanLikeSettings());
    struct Case {
        const DateTextFormatter* formatter;
        const char16_t* stored;
        const char16_t* expected;
    };
    const Case cases[] = {
        {&english, u"1704164645", u"Tuesday, January 2, 2024 - 3:04:05 AM"},
        {&english, u"1704153600", u"Tuesday, January 2, 2024 - 12:00:00 AM"}, // the display keeps the time
        {&english, u"1/2/2024 3:04:05 PM", u"Tuesday, January 2, 2024 - 3:04:05 PM"},
        {&english, u"1/2/2024", u"Tuesday, January 2, 2024 - 12:00:00 AM"},
        {&english, u"2024-01-02 03:04:05", u""}, // a ":" but no regional form
        {&english, u"2/30/2024 1:00:00 AM", u""},
        {&english, u"", u""},
        {&english, u"abc", u""},
        {&germanUser, u"02.01.2024 15:04:05", u"Tuesday, January 2, 2024 - 3:04:05 PM"},
        {&germanUser, u"1/2/2024 3:04:05 AM", u""}, // not the user's form
        {&germanUser, u"1704164645", u"Tuesday, January 2, 2024 - 3:04:05 AM"},
        {&germanSystem, u"1704164645", u"Dienstag, 2. Januar 2024 - 03:04:05"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToUtf8(c.formatter->FormatDateText(c.stored)), ToUtf8(c.expected)) << ToUtf8(c.stored);
    }
}

TEST(DateText, StoredMomentsSurviveUserFormatsThatDropTheCentury) {
    // The user's short date writes two-digit years: 1938 would read back as 2038 through text.
    FormatSettings user = EnglishUnitedStatesFormatSettings();
    user.shortDatePicture = u"M/d/yy";
    const DateTextFormatter formatter(user, EnglishUnitedStatesFormatSettings());
    EXPECT_EQ(formatter.DateTextToRegionalText(u"-1000000000"), u"4/24/38 10:13:20 PM");
    EXPECT_EQ(formatter.FormatDateText(u"-1000000000"), u"Sunday, April 24, 1938 - 10:13:20 PM");
}

TEST(DateText, RegionalTextReadsBackUnderEverySetting) {
    FormatSettings named = EnglishUnitedStatesFormatSettings();
    named.shortDatePicture = u"ddd d MMM yyyy";
    named.longTimePicture = u"hh.mm.ss t";
    FormatSettings compact = EnglishUnitedStatesFormatSettings();
    compact.shortDatePicture = u"yyyyMMdd";
    compact.longTimePicture = u"HHmmss";
    FormatSettings twoDigit = EnglishUnitedStatesFormatSettings();
    twoDigit.shortDatePicture = u"yy/MM/dd";
    for (const FormatSettings& user :
         {EnglishUnitedStatesFormatSettings(), GermanLikeSettings(), named, compact, twoDigit}) {
        const DateTextFormatter formatter(user, user);
        for (const std::int32_t seconds : {0, 1704164645, 1704153600, 1704196799, 1704196800, 2147483647}) {
            const std::u16string regional = formatter.DateTextToRegionalText(IntToText(seconds));
            const std::optional<DateTime> value = ParseRegionalDateTime(regional, user);
            ASSERT_TRUE(value) << ToUtf8(user.shortDatePicture) << " " << ToUtf8(regional);
            EXPECT_EQ(EncodeStoredDate(*value), seconds) << ToUtf8(regional);
        }
    }
}

} // namespace
} // namespace zentrim
