#include "engine/regional_formats.h"

#include "base/text.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace zentrim {

namespace {

enum class Kind { Literal, Day, DayName, Month, MonthName, Year, Hour12, Hour24, Minute, Second, Designator };

// One element of a picture. `width` is the length of the run of letters that made it, capped:
// 1 or 2 for numbers (2 adds a leading zero), 3 or 4 for names (abbreviated or full), 1, 2 or 4
// for years, 1 or 2 for the designator (first character or whole).
struct Element {
    Kind kind = Kind::Literal;
    int width = 0;
    std::u16string text; // for literals
};

std::vector<Element> Tokenize(std::u16string_view picture) {
    std::vector<Element> elements;
    const auto appendLiteral = [&elements](char16_t c) {
        if (elements.empty() || elements.back().kind != Kind::Literal) {
            elements.push_back(Element{});
        }
        elements.back().text.push_back(c);
    };
    std::size_t i = 0;
    while (i < picture.size()) {
        const char16_t c = picture[i];
        if (c == u'\'') {
            // Quoted text; a doubled quote, inside or outside quotes, stands for one quote.
            if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                appendLiteral(u'\'');
                i += 2;
                continue;
            }
            ++i;
            while (i < picture.size()) {
                if (picture[i] == u'\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                        appendLiteral(u'\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                appendLiteral(picture[i++]);
            }
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) {
            ++run;
        }
        const int count = static_cast<int>(run);
        const int numberWidth = count >= 2 ? 2 : 1;
        const int nameWidth = count >= 4 ? 4 : 3;
        switch (c) {
        case u'd':
            elements.push_back(count <= 2 ? Element{Kind::Day, numberWidth, {}}
                                          : Element{Kind::DayName, nameWidth, {}});
            break;
        case u'M':
            elements.push_back(count <= 2 ? Element{Kind::Month, numberWidth, {}}
                                          : Element{Kind::MonthName, nameWidth, {}});
            break;
        case u'y':
            elements.push_back(Element{Kind::Year, count >= 3 ? 4 : count, {}});
            break;
        case u'h':
            elements.push_back(Element{Kind::Hour12, numberWidth, {}});
            break;
        case u'H':
            elements.push_back(Element{Kind::Hour24, numberWidth, {}});
            break;
        case u'm':
            elements.push_back(Element{Kind::Minute, numberWidth, {}});
            break;
        case u's':
            elements.push_back(Element{Kind::Second, numberWidth, {}});
            break;
        case u't':
            elements.push_back(Element{Kind::Designator, numberWidth, {}});
            break;
        default:
            for (std::size_t k = 0; k < run; ++k) {
                appendLiteral(c);
            }
            break;
        }
        i += run;
    }
    return elements;
}

const std::u16string& MonthName(const FormatSettings& settings, int index, int width, bool withDayNumber) {
    if (width == 3) {
        return settings.abbreviatedMonthNames[index];
    }
    if (withDayNumber && !settings.genitiveMonthNames[index].empty()) {
        return settings.genitiveMonthNames[index];
    }
    return settings.monthNames[index];
}

void AppendNumber(std::u16string& out, int value, int minimumDigits) {
    const std::u16string digits = IntToText(value);
    for (int pad = minimumDigits - static_cast<int>(digits.size()); pad > 0; --pad) {
        out.push_back(u'0');
    }
    out += digits;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == 0x00A0 || c == 0x2007 || c == 0x2009 || c == 0x202F || c == 0x3000;
}

// Direction marks that some locales put into their pictures; they carry no meaning for reading.
bool IsMark(char16_t c) {
    return c == 0x200E || c == 0x200F || c == 0x061C || c == 0x200B;
}

// Whether a (non-empty) name stands at `pos`, in any letter case.
bool NameAt(std::u16string_view text, std::size_t pos, std::u16string_view name) {
    return !name.empty() && pos <= text.size() && StartsWithIgnoringCase(text.substr(pos), name);
}

int WindowedYear(int twoDigits) {
    const int year = kTwoDigitYearMax / 100 * 100 + twoDigits;
    return year > kTwoDigitYearMax ? year - 100 : year;
}

// What a text has told so far.
struct Reading {
    std::optional<int> year;
    std::optional<int> month;
    std::optional<int> day;
    std::optional<int> dayOfWeek;
    std::optional<int> hour12;
    std::optional<int> hour24;
    std::optional<int> minute;
    std::optional<int> second;
    std::optional<bool> pm;
};

// A field may appear twice in a picture; both must then agree.
template <typename T> bool Assign(std::optional<T>& slot, T value) {
    if (slot && *slot != value) {
        return false;
    }
    slot = value;
    return true;
}

std::optional<DateTime> Complete(const Reading& reading) {
    DateTimeFields fields;
    if (reading.year || reading.month || reading.day) {
        if (!reading.year || !reading.month || !reading.day) {
            return std::nullopt;
        }
        fields.year = *reading.year;
        fields.month = *reading.month;
        fields.day = *reading.day;
    }
    if (reading.hour24) {
        fields.hour = *reading.hour24;
    } else if (reading.hour12) {
        // Without a designator the hour is taken as it stands.
        fields.hour = reading.pm ? *reading.hour12 % 12 + (*reading.pm ? 12 : 0) : *reading.hour12;
    }
    fields.minute = reading.minute.value_or(0);
    fields.second = reading.second.value_or(0);
    const std::optional<DateTime> value = EncodeDateTime(fields);
    if (!value) {
        return std::nullopt;
    }
    if (reading.dayOfWeek) {
        const std::optional<DateTimeFields> decoded = DecodeDateTime(*value);
        if (!decoded || decoded->dayOfWeek != *reading.dayOfWeek) {
            return std::nullopt;
        }
    }
    return value;
}

// Matches the elements against the text from left to right. Where an element could take more
// than one reading (a one- or two-digit number, a name that begins another) each is tried in
// turn, so that pictures without separators between numbers still read back.
class Parser {
public:
    Parser(const std::vector<Element>& elements, std::u16string_view text, const FormatSettings& settings)
        : elements_(elements), text_(text), settings_(settings) {}

    std::optional<DateTime> Run() { return Match(0, 0, Reading{}); }

private:
    // Bounds the work an odd picture can cause.
    static constexpr int kStepBudget = 100'000;

    std::optional<DateTime> Match(std::size_t index, std::size_t pos, const Reading& reading) {
        if (++steps_ > kStepBudget) {
            return std::nullopt;
        }
        if (index == elements_.size()) {
            return pos == text_.size() ? Complete(reading) : std::nullopt;
        }
        const Element& element = elements_[index];
        switch (element.kind) {
        case Kind::Literal:
            return MatchLiteral(element.text, pos) ? Match(index + 1, pos, reading) : std::nullopt;
        case Kind::Day:
            return MatchNumber(index, pos, reading, 1, 31,
                               [](Reading& r, int v, int) { return Assign(r.day, v); });
        case Kind::Month:
            return MatchNumber(index, pos, reading, 1, 12,
                               [](Reading& r, int v, int) { return Assign(r.month, v); });
        case Kind::Year:
            // A four-digit year written with one or two digits is read like a two-digit one.
            return MatchNumber(index, pos, reading, 0, 9999, [](Reading& r, int v, int digits) {
                return Assign(r.year, digits <= 2 ? WindowedYear(v) : v);
            });
        case Kind::Hour12:
            return MatchNumber(index, pos, reading, 0, 12,
                               [](Reading& r, int v, int) { return Assign(r.hour12, v); });
        case Kind::Hour24:
            return MatchNumber(index, pos, reading, 0, 23,
                               [](Reading& r, int v, int) { return Assign(r.hour24, v); });
        case Kind::Minute:
            return MatchNumber(index, pos, reading, 0, 59,
                               [](Reading& r, int v, int) { return Assign(r.minute, v); });
        case Kind::Second:
            return MatchNumber(index, pos, reading, 0, 59,
                               [](Reading& r, int v, int) { return Assign(r.second, v); });
        case Kind::DayName:
            for (int i = 0; i < 7; ++i) {
                for (const auto* names : {&settings_.dayNames, &settings_.abbreviatedDayNames}) {
                    const std::u16string& name = (*names)[i];
                    if (NameAt(text_, pos, name)) {
                        Reading next = reading;
                        if (Assign(next.dayOfWeek, i)) {
                            if (auto value = Match(index + 1, pos + name.size(), next)) {
                                return value;
                            }
                        }
                    }
                }
            }
            return std::nullopt;
        case Kind::MonthName:
            for (int i = 0; i < 12; ++i) {
                for (const auto* names : {&settings_.monthNames, &settings_.genitiveMonthNames,
                                          &settings_.abbreviatedMonthNames}) {
                    const std::u16string& name = (*names)[i];
                    if (NameAt(text_, pos, name)) {
                        Reading next = reading;
                        if (Assign(next.month, i + 1)) {
                            if (auto value = Match(index + 1, pos + name.size(), next)) {
                                return value;
                            }
                        }
                    }
                }
            }
            return std::nullopt;
        case Kind::Designator:
            return MatchDesignator(index, pos, reading);
        }
        return std::nullopt;
    }

    // White space in the picture matches any run of white space in the text; it may match none
    // only at either end of the text, where a locale without designators leaves a space that
    // trimming removed.
    bool MatchLiteral(std::u16string_view literal, std::size_t& pos) const {
        bool afterSpace = false;
        for (const char16_t c : literal) {
            if (IsMark(c)) {
                continue;
            }
            if (IsSpace(c)) {
                if (afterSpace) {
                    continue;
                }
                afterSpace = true;
                const std::size_t start = pos;
                while (pos < text_.size() && IsSpace(text_[pos])) {
                    ++pos;
                }
                if (pos == start && pos != 0 && pos != text_.size()) {
                    return false;
                }
                continue;
            }
            afterSpace = false;
            if (pos >= text_.size() || FoldCase(text_[pos]) != FoldCase(c)) {
                return false;
            }
            ++pos;
        }
        return true;
    }

    // A number of the element's kind. A padded element (dd, MM, yy, yyyy, hh, HH, mm, ss) takes
    // every digit up to its width, so packed pictures such as "yyyyMMdd" read one way only, while
    // a shorter number is still taken where a separator follows. An unpadded one tries two digits,
    // then one.
    template <typename Store>
    std::optional<DateTime> MatchNumber(std::size_t index, std::size_t pos, const Reading& reading,
                                        int minimum, int maximum, Store store) {
        const Element& element = elements_[index];
        const int maxDigits = element.kind == Kind::Year && element.width == 4 ? 4 : 2;
        const bool padded = element.width >= 2;
        int available = 0;
        while (available < maxDigits && pos + available < text_.size() && IsDigit(text_[pos + available])) {
            ++available;
        }
        for (int digits = available; digits >= (padded ? available : 1) && digits >= 1; --digits) {
            int value = 0;
            for (int k = 0; k < digits; ++k) {
                value = value * 10 + (text_[pos + k] - u'0');
            }
            if (value < minimum || value > maximum) {
                continue;
            }
            Reading next = reading;
            if (!store(next, value, digits)) {
                continue;
            }
            if (auto result = Match(index + 1, pos + digits, next)) {
                return result;
            }
        }
        return std::nullopt;
    }

    std::optional<DateTime> MatchDesignator(std::size_t index, std::size_t pos, const Reading& reading) {
        // Either form is accepted for either picture: the whole designator or its first character.
        for (const bool pm : {false, true}) {
            const std::u16string& designator = pm ? settings_.pmDesignator : settings_.amDesignator;
            if (designator.empty()) {
                continue;
            }
            for (const std::size_t length : {designator.size(), std::size_t{1}}) {
                if (NameAt(text_, pos, std::u16string_view(designator).substr(0, length))) {
                    Reading next = reading;
                    if (Assign(next.pm, pm)) {
                        if (auto value = Match(index + 1, pos + length, next)) {
                            return value;
                        }
                    }
                }
            }
        }
        // A locale without designators writes nothing here.
        if (settings_.amDesignator.empty() || settings_.pmDesignator.empty()) {
            return Match(index + 1, pos, reading);
        }
        return std::nullopt;
    }

    const std::vector<Element>& elements_;
    std::u16string_view text_;
    const FormatSettings& settings_;
    int steps_ = 0;
};

} // namespace

FormatSettings EnglishUnitedStatesFormatSettings() {
    FormatSettings settings;
    settings.shortDatePicture = u"M/d/yyyy";
    settings.longDatePicture = u"dddd, MMMM d, yyyy";
    settings.longTimePicture = u"h:mm:ss tt";
    settings.monthNames = {u"January", u"February", u"March",     u"April",   u"May",      u"June",
                           u"July",    u"August",   u"September", u"October", u"November", u"December"};
    settings.abbreviatedMonthNames = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                      u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
    settings.dayNames = {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
    settings.abbreviatedDayNames = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
    settings.amDesignator = u"AM";
    settings.pmDesignator = u"PM";
    return settings;
}

std::optional<std::u16string> FormatDateTime(std::u16string_view picture, DateTime value,
                                             const FormatSettings& settings) {
    const std::optional<DateTimeFields> fields = DecodeDateTime(value);
    if (!fields) {
        return std::nullopt;
    }
    const int hour12 = fields->hour % 12 == 0 ? 12 : fields->hour % 12;
    const std::u16string& designator = fields->hour < 12 ? settings.amDesignator : settings.pmDesignator;
    const std::vector<Element> elements = Tokenize(picture);
    const bool withDayNumber = std::any_of(elements.begin(), elements.end(),
                                           [](const Element& element) { return element.kind == Kind::Day; });
    std::u16string out;
    for (const Element& element : elements) {
        switch (element.kind) {
        case Kind::Literal:
            out += element.text;
            break;
        case Kind::Day:
            AppendNumber(out, fields->day, element.width);
            break;
        case Kind::DayName:
            out += (element.width == 4 ? settings.dayNames : settings.abbreviatedDayNames)[fields->dayOfWeek];
            break;
        case Kind::Month:
            AppendNumber(out, fields->month, element.width);
            break;
        case Kind::MonthName:
            out += MonthName(settings, fields->month - 1, element.width, withDayNumber);
            break;
        case Kind::Year:
            AppendNumber(out, element.width == 4 ? fields->year : fields->year % 100, element.width);
            break;
        case Kind::Hour12:
            AppendNumber(out, hour12, element.width);
            break;
        case Kind::Hour24:
            AppendNumber(out, fields->hour, element.width);
            break;
        case Kind::Minute:
            AppendNumber(out, fields->minute, element.width);
            break;
        case Kind::Second:
            AppendNumber(out, fields->second, element.width);
            break;
        case Kind::Designator:
            out += element.width == 1 ? std::u16string_view(designator).substr(0, 1)
                                      : std::u16string_view(designator);
            break;
        }
    }
    return out;
}

std::optional<DateTime> ParseDateTime(std::u16string_view text, std::u16string_view picture,
                                      const FormatSettings& settings) {
    if (picture.size() > kMaxParsedPictureLength) {
        return std::nullopt;
    }
    std::u16string cleaned;
    cleaned.reserve(text.size());
    for (const char16_t c : text) {
        if (!IsMark(c)) {
            cleaned.push_back(c);
        }
    }
    std::u16string_view trimmed = cleaned;
    while (!trimmed.empty() && IsSpace(trimmed.front())) {
        trimmed.remove_prefix(1);
    }
    while (!trimmed.empty() && IsSpace(trimmed.back())) {
        trimmed.remove_suffix(1);
    }
    if (trimmed.empty()) {
        return std::nullopt;
    }
    const std::vector<Element> elements = Tokenize(picture);
    return Parser(elements, trimmed, settings).Run();
}

std::optional<DateTime> ParseRegionalDateTime(std::u16string_view text, const FormatSettings& settings) {
    const bool timeUsable = settings.longTimePicture.size() <= kMaxPictureLength;
    for (const std::u16string* date : {&settings.shortDatePicture, &settings.longDatePicture}) {
        if (date->empty() || date->size() > kMaxPictureLength) {
            continue;
        }
        if (timeUsable) {
            if (auto value = ParseDateTime(text, *date + u" " + settings.longTimePicture, settings)) {
                return value;
            }
        }
        if (auto value = ParseDateTime(text, *date, settings)) {
            return value;
        }
    }
    return std::nullopt;
}

FixedRegionalFormats::FixedRegionalFormats()
    : user_(EnglishUnitedStatesFormatSettings()), system_(EnglishUnitedStatesFormatSettings()) {}

FixedRegionalFormats::FixedRegionalFormats(FormatSettings user, FormatSettings system)
    : user_(std::move(user)), system_(std::move(system)) {}

} // namespace zentrim
