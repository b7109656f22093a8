#include "engine/regional_formats.h"

#include "base/text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zentrim {
namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return EncodeDateTime({year, month, day, hour, minute, second, 0}).value();
}

std::string Format(std::u16string_view picture, DateTime value) {
    return ToUtf8(FormatDateTime(picture, value, EnglishUnitedStatesFormatSettings()).value_or(u"<none>"));
}

TEST(RegionalFormats, FormatterWritesEveryPictureElement) {
    const DateTime morning = At(2024, 1, 2, 3, 4, 5);      // a Tuesday
    const DateTime evening = At(2005, 11, 23, 15, 16, 17); // a Wednesday
    struct Case {
        const char16_t* picture;
        const char* morning;
        const char* evening;
    };
    const Case cases[] = {
        {u"d|dd|ddd|dddd|dddddd", "2|02|Tue|Tuesday|Tuesday", "23|23|Wed|Wednesday|Wednesday"},
        {u"M|MM|MMM|MMMM", "1|01|Jan|January", "11|11|Nov|November"},
        {u"y|yy|yyy|yyyy", "24|24|2024|2024", "5|05|2005|2005"},
        {u"h|hh|H|HH", "3|03|3|03", "3|03|15|15"},
        {u"m|mm|s|ss", "4|04|5|05", "16|16|17|17"},
        {u"t|tt", "A|AM", "P|PM"},
        {u"'d' d 'it''s' h ''o'' [x]", "d 2 it's 3 'o' [x]", "d 23 it's 3 'o' [x]"},
        {u"'unterminated d", "unterminated d", "unterminated d"},
        {u"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Format(c.picture, morning), c.morning) << ToUtf8(c.picture);
        EXPECT_EQ(Format(c.picture, evening), c.evening) << ToUtf8(c.picture);
    }
    EXPECT_EQ(Format(u"h tt", At(2024, 1, 2, 0)), "12 AM");
    EXPECT_EQ(Format(u"h tt", At(2024, 1, 2, 12)), "12 PM");
    EXPECT_EQ(Format(u"yyyy", At(12, 3, 4)), "0012");
    EXPECT_FALSE(FormatDateTime(u"d", std::nan(""), EnglishUnitedStatesFormatSettings()));
}

TEST(RegionalFormats, ParserReadsBackWhatTheFormatterWrites) {
    FormatSettings settings = EnglishUnitedStatesFormatSettings();
    const char16_t* pictures[] = {
        u"M/d/yyyy h:mm:ss tt",    u"dddd, MMMM d, yyyy h:mm:ss tt",
        u"ddd dd MMM yy HH:mm:ss", u"dd.MM.yyyy H:m:s",
        u"yyyyMMddHHmmss",         u"yyyy-M-d'T'hh.mm.ss t",
        u"d/M/y H:mm:ss",          u"'Day' d 'of' MMMM yyyy, HH'h'mm'm'ss's'",
    };
    const DateTime moments[] = {
        At(2024, 1, 2, 3, 4, 5),   At(2024, 12, 31, 23, 59, 59), At(2000, 2, 29, 12, 0, 0),
        At(1999, 10, 10, 0, 0, 1), At(2005, 5, 5, 11, 30, 0),    At(1950, 1, 1, 13, 0, 0),
        At(2049, 6, 15, 0, 0, 0),
    };
    for (const char16_t* picture : pictures) {
        for (const DateTime moment : moments) {
            const std::u16string text = FormatDateTime(picture, moment, settings).value();
            const std::optional<DateTime> read = ParseDateTime(text, picture, settings);
            ASSERT_TRUE(read) << ToUtf8(picture) << ": " << ToUtf8(text);
            EXPECT_EQ(DecodeDateTime(*read), DecodeDateTime(moment))
                << ToUtf8(picture) << ": " << ToUtf8(text);
        }
    }
}

TEST(RegionalFormats, ParserIsLenientWhereRegionalTextsVary) {
    const FormatSettings settings = EnglishUnitedStatesFormatSettings();
    const DateTime expected = At(2024, 1, 2, 15, 4, 5);
    const char16_t* texts[] = {
        u"tuesday, JANUARY 2, 2024 3:04:05 pm", // names and designators in any case
        u"Tue, Jan 2, 2024 3:04:05 P",          // abbreviated names, first letter of the designator
        u"  Tuesday,\u00A0January 2,   2024\u202F3:04:05 PM ", // any white space
        u"\u200ETuesday, January 02, 2024 03:04:05 PM",        // direction marks and leading zeros
    };
    for (const char16_t* text : texts) {
        EXPECT_EQ(ParseDateTime(text, u"dddd, MMMM d, yyyy h:mm:ss tt", settings), expected) << ToUtf8(text);
    }
    EXPECT_EQ(ParseDateTime(u"1/2/24", u"M/d/yyyy", settings), At(2024, 1, 2));
}

TEST(RegionalFormats, TwoDigitYearsFallInTheWindow) {
    const FormatSettings settings = EnglishUnitedStatesFormatSettings();
    struct Case {
        const char16_t* text;
        int year;
    };
    const Case cases[] = {
        {u"1/2/00", 2000}, {u"1/2/49", 2049}, {u"1/2/50", 1950}, {u"1/2/99", 1999}, {u"1/2/7", 2007}};
    for (const Case& c : cases) {
        const std::optional<DateTime> value = ParseDateTime(c.text, u"M/d/yy", settings);
        ASSERT_TRUE(value) << ToUtf8(c.text);
        EXPECT_EQ(DecodeDateTime(*value)->year, c.year) << ToUtf8(c.text);
    }
}

TEST(RegionalFormats, ParserRefusesTextsThatDoNotFit) {
    const FormatSettings settings = EnglishUnitedStatesFormatSettings();
    const char16_t* picture = u"dddd, M/d/yyyy h:mm:ss tt";
    const char16_t* texts[] = {
        u"",
        u"   ",
        u"Monday, 1/2/2024 3:04:05 AM",  // the day name disagrees with the date
        u"Friday, 2/30/2024 3:04:05 AM", // no such date
        u"Tuesday, 1/2/2024 13:04:05 PM",
        u"Tuesday, 1/2/2024 3:60:05 AM",
        u"Tuesday, 1/2/2024 3:04:05 XM",
        u"Tuesday, 1/2/2024 3:04:05 AM x", // trailing text
        u"Tuesday, 1/2/2024",              // missing time
        u"Tuesday, 1/2/20241 3:04:05 AM",
    };
    for (const char16_t* text : texts) {
        EXPECT_FALSE(ParseDateTime(text, picture, settings)) << ToUtf8(text);
    }
    EXPECT_FALSE(ParseDateTime(u"1/2", u"M/d", settings)); // a date needs its year
}

TEST(RegionalFormats, MissingDateOrTimeTakesTheOriginOrMidnight) {
    const FormatSettings settings = EnglishUnitedStatesFormatSettings();
    EXPECT_EQ(ParseDateTime(u"1/2/2024", u"M/d/yyyy", settings), At(2024, 1, 2));
    EXPECT_EQ(ParseDateTime(u"3:04:05 PM", u"h:mm:ss tt", settings), At(1899, 12, 30, 15, 4, 5));
    // A 12-hour clock written without designator is taken as it stands.
    EXPECT_EQ(ParseDateTime(u"12:30", u"h:mm", settings), At(1899, 12, 30, 12, 30));
}

TEST(RegionalFormats, LocalesWithoutDesignatorsWriteAndReadNothingForThem) {
    FormatSettings settings = EnglishUnitedStatesFormatSettings();
    settings.amDesignator.clear();
    settings.pmDesignator.clear();
    const DateTime moment = At(2024, 1, 2, 15, 4, 5);
    const std::u16string text = FormatDateTime(u"M/d/yyyy H:mm:ss tt", moment, settings).value();
    EXPECT_EQ(text, u"1/2/2024 15:04:05 ");
    EXPECT_EQ(ParseDateTime(text, u"M/d/yyyy H:mm:ss tt", settings), moment);
}

TEST(RegionalFormats, RegionalDateTimeTakesShortOrLongDateWithOrWithoutTime) {
    const FormatSettings settings = EnglishUnitedStatesFormatSettings();
    EXPECT_EQ(ParseRegionalDateTime(u"1/2/2024 3:04:05 AM", settings), At(2024, 1, 2, 3, 4, 5));
    EXPECT_EQ(ParseRegionalDateTime(u"1/2/2024", settings), At(2024, 1, 2));
    EXPECT_EQ(ParseRegionalDateTime(u"Tuesday, January 2, 2024 3:04:05 AM", settings),
              At(2024, 1, 2, 3, 4, 5));
    EXPECT_FALSE(ParseRegionalDateTime(u"3:04:05 AM", settings));
    EXPECT_FALSE(ParseRegionalDateTime(u"2024-01-02 03:04:05", settings));
}

TEST(RegionalFormats, GenitiveMonthNamesStandNextToADayNumber) {
    FormatSettings settings = EnglishUnitedStatesFormatSettings();
    settings.monthNames[0] = u"\u044F\u043D\u0432\u0430\u0440\u044C";         // январь
    settings.genitiveMonthNames[0] = u"\u044F\u043D\u0432\u0430\u0440\u044F"; // января
    const DateTime moment = At(2024, 1, 2);
    const std::u16string withDay = FormatDateTime(u"d MMMM yyyy", moment, settings).value();
    const std::u16string withoutDay = FormatDateTime(u"MMMM yyyy", moment, settings).value();
    EXPECT_EQ(withDay, u"2 \u044F\u043D\u0432\u0430\u0440\u044F 2024");
    EXPECT_EQ(withoutDay, u"\u044F\u043D\u0432\u0430\u0440\u044C 2024");
    EXPECT_EQ(ParseDateTime(withDay, u"d MMMM yyyy", settings), moment);
    EXPECT_EQ(ParseDateTime(u"2 \u042F\u041D\u0412\u0410\u0420\u042C 2024", u"d MMMM yyyy", settings),
              moment);
}

TEST(RegionalFormats, FixedFormatsDefaultToEnglishUnitedStates) {
    const FixedRegionalFormats defaults;
    EXPECT_EQ(defaults.UserSettings().shortDatePicture, u"M/d/yyyy");
    EXPECT_EQ(defaults.SystemSettings().longDatePicture, u"dddd, MMMM d, yyyy");
    FormatSettings user = EnglishUnitedStatesFormatSettings();
    user.shortDatePicture = u"dd.MM.yyyy";
    const FixedRegionalFormats given(user, EnglishUnitedStatesFormatSettings());
    EXPECT_EQ(given.UserSettings().shortDatePicture, u"dd.MM.yyyy");
    EXPECT_EQ(given.SystemSettings().shortDatePicture, u"M/d/yyyy");
}

} // namespace
} // namespace zentrim

namespace zentrim {
namespace {

// The parser matched one picture element per level of recursion: a picture of about 3,000
// elements overflowed the stack. Windows keeps a picture to 80 characters; longer ones are refused,
// and the regional reading skips them and goes on with the others.
TEST(RegionalFormatsHostile, PicturesLongerThanWindowsAllowsAreRefused) {
    FormatSettings settings = EnglishUnitedStatesFormatSettings();
    std::u16string huge;
    std::u16string text;
    for (int element = 0; element < 1'500; ++element) {
        huge += u"d ";
        text += u"1 ";
    }
    EXPECT_FALSE(ParseDateTime(text, huge, settings));

    // A date and a time picture of 80 characters each, joined by a space, are still read.
    const std::u16string date = u"'" + std::u16string(69, u'x') + u"' M/d/yyyy"; // 71 + 9 characters
    const std::u16string time = u"'" + std::u16string(70, u'y') + u"' h:mm tt";  // 72 + 8 characters
    ASSERT_EQ(date.size(), 80u);
    ASSERT_EQ(time.size(), 80u);
    const auto value =
        ParseDateTime(std::u16string(69, u'x') + u" 3/9/2026 " + std::u16string(70, u'y') + u" 4:05 PM",
                      date + u" " + time, settings);
    ASSERT_TRUE(value);
    const DateTimeFields fields = DecodeDateTime(*value).value();
    EXPECT_EQ(fields.year, 2026);
    EXPECT_EQ(fields.hour, 16);

    settings.shortDatePicture = huge;
    settings.longDatePicture = u"MMMM d, yyyy";
    settings.longTimePicture = u"h:mm:ss tt";
    const auto regional = ParseRegionalDateTime(u"March 9, 2026 4:05:06 PM", settings);
    ASSERT_TRUE(regional);
    EXPECT_EQ(DecodeDateTime(*regional).value().second, 6);
}

} // namespace
} // namespace zentrim
