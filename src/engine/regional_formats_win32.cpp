#include "engine/regional_formats.h"

#include <windows.h>

#include <string>
#include <utility>

namespace zentrim {

namespace {

// One locale item as text; empty when Windows does not give it.
std::u16string LocaleText(const wchar_t* localeName, LCTYPE item) {
    const int length = GetLocaleInfoEx(localeName, item, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring buffer(static_cast<std::size_t>(length), L'\0');
    const int written = GetLocaleInfoEx(localeName, item, buffer.data(), length);
    if (written <= 0) {
        return {};
    }
    buffer.resize(static_cast<std::size_t>(written));
    while (!buffer.empty() && buffer.back() == L'\0') {
        buffer.pop_back();
    }
    return std::u16string(buffer.begin(), buffer.end());
}

// Replaces `target` with the locale's item unless Windows gives nothing for it.
void Take(std::u16string& target, const wchar_t* localeName, LCTYPE item) {
    std::u16string text = LocaleText(localeName, item);
    if (!text.empty()) {
        target = std::move(text);
    }
}

FormatSettings ReadLocaleSettings(const wchar_t* localeName) {
    FormatSettings settings = EnglishUnitedStatesFormatSettings();
    Take(settings.shortDatePicture, localeName, LOCALE_SSHORTDATE);
    Take(settings.longDatePicture, localeName, LOCALE_SLONGDATE);
    Take(settings.longTimePicture, localeName, LOCALE_STIMEFORMAT);
    for (int i = 0; i < 12; ++i) {
        Take(settings.monthNames[i], localeName, static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + i));
        Take(settings.abbreviatedMonthNames[i], localeName,
             static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + i));
        // Windows gives the ordinary name where a language has no genitive form; keep it empty then.
        std::u16string genitive = LocaleText(
            localeName, static_cast<LCTYPE>((LOCALE_SMONTHNAME1 + i) | LOCALE_RETURN_GENITIVE_NAMES));
        settings.genitiveMonthNames[i] =
            genitive == settings.monthNames[i] ? std::u16string() : std::move(genitive);
    }
    // Windows numbers the days from Monday; ours start on Sunday.
    for (int i = 0; i < 7; ++i) {
        const int windowsIndex = (i + 6) % 7;
        Take(settings.dayNames[i], localeName, static_cast<LCTYPE>(LOCALE_SDAYNAME1 + windowsIndex));
        Take(settings.abbreviatedDayNames[i], localeName,
             static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + windowsIndex));
    }
    // A locale may have no designators at all (24-hour clocks): empty is a real value here, but
    // only when Windows answered.
    if (GetLocaleInfoEx(localeName, LOCALE_S1159, nullptr, 0) > 0) {
        settings.amDesignator = LocaleText(localeName, LOCALE_S1159);
    }
    if (GetLocaleInfoEx(localeName, LOCALE_S2359, nullptr, 0) > 0) {
        settings.pmDesignator = LocaleText(localeName, LOCALE_S2359);
    }
    return settings;
}

} // namespace

Win32RegionalFormats::Win32RegionalFormats()
    : user_(ReadLocaleSettings(LOCALE_NAME_USER_DEFAULT)),
      system_(ReadLocaleSettings(LOCALE_NAME_SYSTEM_DEFAULT)) {}

} // namespace zentrim
