#include "engine/clock.h"
#include "engine/date_text.h"
#include "engine/regional_formats.h"

#include "base/text.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace zentrim {
namespace {

void ExpectComplete(const FormatSettings& settings) {
    EXPECT_FALSE(settings.shortDatePicture.empty());
    EXPECT_FALSE(settings.longDatePicture.empty());
    EXPECT_FALSE(settings.longTimePicture.empty());
    for (const auto& name : settings.monthNames) {
        EXPECT_FALSE(name.empty());
    }
    for (const auto& name : settings.abbreviatedMonthNames) {
        EXPECT_FALSE(name.empty());
    }
    for (const auto& name : settings.dayNames) {
        EXPECT_FALSE(name.empty());
    }
    for (const auto& name : settings.abbreviatedDayNames) {
        EXPECT_FALSE(name.empty());
    }
}

TEST(Win32RegionalFormats, SettingsComeFromTheUserAndSystemLocales) {
    const Win32RegionalFormats formats;
    ExpectComplete(formats.UserSettings());
    ExpectComplete(formats.SystemSettings());

    // Sunday first: 2024-01-07 was a Sunday, and Windows names it so in its own formatting.
    SYSTEMTIME sunday{};
    sunday.wYear = 2024;
    sunday.wMonth = 1;
    sunday.wDay = 7;
    wchar_t name[80] = {};
    ASSERT_GT(GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &sunday, L"dddd", name, 80, nullptr), 0);
    const std::wstring windowsName(name);
    EXPECT_EQ(formats.UserSettings().dayNames[0], std::u16string(windowsName.begin(), windowsName.end()));
}

TEST(Win32RegionalFormats, MomentsWrittenWithTheSettingsReadBack) {
    const Win32RegionalFormats formats;
    const DateTime moments[] = {
        EncodeDateTime({2024, 1, 2, 3, 4, 5, 0}).value(),
        EncodeDateTime({2023, 11, 28, 15, 16, 17, 0}).value(),
        EncodeDateTime({2038, 1, 19, 0, 0, 0, 0}).value(),
    };
    for (const FormatSettings* settings : {&formats.UserSettings(), &formats.SystemSettings()}) {
        for (const DateTime moment : moments) {
            for (const std::u16string& date : {settings->shortDatePicture, settings->longDatePicture}) {
                const std::u16string picture = date + u" " + settings->longTimePicture;
                const std::optional<std::u16string> text = FormatDateTime(picture, moment, *settings);
                ASSERT_TRUE(text);
                EXPECT_FALSE(text->empty());
                EXPECT_EQ(ParseDateTime(*text, picture, *settings), moment) << ToUtf8(*text);
            }
        }
    }
}

TEST(Win32RegionalFormats, StoredDateTextsBecomeDisplayTexts) {
    const Win32RegionalFormats formats;
    const DateTextFormatter formatter(formats);
    const std::u16string display = formatter.FormatDateText(u"1704164645");
    EXPECT_FALSE(display.empty());
    EXPECT_NE(display.find(u" - "), std::u16string::npos) << ToUtf8(display);

    // The user's regional form of the same moment reads back to the same display.
    const std::u16string regional = formatter.DateTextToRegionalText(u"1704164645");
    ASSERT_FALSE(regional.empty());
    const std::optional<DateTime> value = ParseRegionalDateTime(regional, formats.UserSettings());
    ASSERT_TRUE(value) << ToUtf8(regional);
    EXPECT_EQ(EncodeStoredDate(*value), 1704164645);
    if (regional.find_first_of(u":/") != std::u16string::npos) {
        EXPECT_EQ(formatter.FormatDateText(regional), display);
    }
}

TEST(Win32Clock, LocalClockShowsTheLocalTime) {
    const LocalClock clock;
    SYSTEMTIME before{};
    GetLocalTime(&before);
    const std::optional<DateTimeFields> now = DecodeDateTime(clock.Now());
    ASSERT_TRUE(now);
    EXPECT_EQ(now->year, before.wYear);
    EXPECT_EQ(now->dayOfWeek, before.wDayOfWeek);
    int seconds = 0;
    EXPECT_TRUE(TryParseInt32(CurrentDateText(clock), seconds));
    EXPECT_GT(seconds, 1704164645);
}

} // namespace
} // namespace zentrim
