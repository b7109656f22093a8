// The date text routines with hostile regional settings and texts: pictures of any length and
// letters, names and designators of any text, stored dates of any text, and date-times that
// cannot be decoded. With the English (United States) settings every stored date written out as
// regional text must read back to the same second.
#include "engine/date_text.h"
#include "base/text.h"
#include "engine/date_time.h"
#include "engine/regional_formats.h"
#include "fuzz_support.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

using namespace zentrim;

namespace {

// The picture letters and the separators that locales use, quotes and white space among them.
constexpr std::u16string_view kPictureCharacters = u"dddMMMyyyyhhHHmmsstt'/:.- ,\u00a0\u200f\u5e74";
constexpr std::u16string_view kNameCharacters = u"aAmMpP.\u00e9\u044f \u200e1";
constexpr std::u16string_view kDateTextCharacters = u"0123456789-+:/ .,APMapm\u00a0";

std::u16string Picture(fuzz::ByteReader& input) {
    // Mostly within what Windows allows, sometimes far beyond it.
    return input.Text(input.Byte() % 16 == 0 ? 400 : 40, kPictureCharacters);
}

FormatSettings Settings(fuzz::ByteReader& input) {
    FormatSettings settings = EnglishUnitedStatesFormatSettings();
    const std::uint8_t changes = input.Byte();
    if (changes & 0x01) {
        settings.shortDatePicture = Picture(input);
    }
    if (changes & 0x02) {
        settings.longDatePicture = Picture(input);
    }
    if (changes & 0x04) {
        settings.longTimePicture = Picture(input);
    }
    if (changes & 0x08) {
        for (auto* names :
             {&settings.monthNames, &settings.genitiveMonthNames, &settings.abbreviatedMonthNames}) {
            for (auto& name : *names) {
                name = input.Text(6, kNameCharacters);
            }
        }
    }
    if (changes & 0x10) {
        for (auto* names : {&settings.dayNames, &settings.abbreviatedDayNames}) {
            for (auto& name : *names) {
                name = input.Text(6, kNameCharacters);
            }
        }
    }
    if (changes & 0x20) {
        settings.amDesignator = input.Text(4, kNameCharacters);
        settings.pmDesignator = input.Text(4, kNameCharacters);
    }
    return settings;
}

DateTime AnyDateTime(fuzz::ByteReader& input) {
    switch (input.Byte() % 4) {
    case 0:
        return std::bit_cast<double>(input.Uint64()); // NaN, infinities, huge and tiny values
    case 1:
        return DecodeStoredDate(static_cast<std::int32_t>(input.Uint32()));
    case 2:
        return static_cast<double>(static_cast<std::int32_t>(input.Uint32())) / 1000.0;
    default:
        return kUnixEpochDateTime;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ByteReader input(data, size);
    const FormatSettings user = Settings(input);
    const FormatSettings system = Settings(input);
    const DateTextFormatter formatter(user, system);

    // A stored date of any text, and one of any 32-bit number.
    const std::u16string storedText = input.Text(24, kDateTextCharacters);
    const std::u16string storedNumber = IntToText(static_cast<std::int32_t>(input.Uint32()));
    for (const std::u16string& stored : {storedText, storedNumber}) {
        const std::u16string regional = formatter.DateTextToRegionalText(stored);
        formatter.DateTextToDateTime(stored);
        formatter.DateTextToDateTime(regional);
        formatter.FormatDateText(stored);
        ParseRegionalDateTime(regional, user);
    }

    // The formatter and the parser on their own, with a picture and a text of their own.
    const std::u16string picture = Picture(input);
    const DateTime moment = AnyDateTime(input);
    const std::optional<std::u16string> written = FormatDateTime(picture, moment, user);
    if (written) {
        ParseDateTime(*written, picture, user);
    }
    ParseDateTime(input.Text(40, kDateTextCharacters), picture, user);

    // English (United States): "M/d/yyyy h:mm:ss tt" reads back to the second.
    const std::int32_t seconds = static_cast<std::int32_t>(input.Uint32());
    const DateTextFormatter english(EnglishUnitedStatesFormatSettings(), EnglishUnitedStatesFormatSettings());
    const std::u16string text = english.DateTextToRegionalText(IntToText(seconds));
    fuzz::Check(!text.empty(), "every stored second has a regional text");
    const std::optional<DateTime> back = english.DateTextToDateTime(text);
    fuzz::Check(back.has_value(), "a regional text written with the settings reads back");
    fuzz::Check(EncodeStoredDate(*back) == seconds, "a regional text reads back to the same second");
    return 0;
}
