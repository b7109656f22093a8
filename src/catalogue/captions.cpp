#include "catalogue/captions.h"

#include "base/phase_trace.h"
#include "base/text.h"
#include "engine/product_key.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace zentrim {

namespace {

bool IsCatalogueSpace(char16_t c) {
    return c >= 1 && c <= 32;
}

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

std::u16string AsciiLowerText(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) {
        c = AsciiLower(c);
    }
    return lower;
}

std::u16string DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned first = bytes[i];
        const unsigned second = bytes[i + 1];
        text.push_back(static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first)));
    }
    return text;
}

bool StartsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

} // namespace

bool CatalogueNamesEqual(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

std::u16string DecodeCatalogueText(std::span<const std::uint8_t> bytes) {
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        const auto rest = bytes.subspan(3);
        return FromUtf8(std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()));
    }
    if (StartsWith(bytes, {0xFF, 0xFE})) {
        return DecodeUtf16(bytes.subspan(2), false);
    }
    if (StartsWith(bytes, {0xFE, 0xFF})) {
        return DecodeUtf16(bytes.subspan(2), true);
    }
    return FromWindows1252(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::u16string_view> SplitCatalogueLines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    CatalogueLineReader reader(text);
    std::u16string_view line;
    while (reader.Next(line)) {
        lines.push_back(line);
    }
    return lines;
}

bool CatalogueLineReader::Next(std::u16string_view& line) {
    if (next_ >= text_.size()) {
        return false;
    }
    std::size_t end = next_;
    while (end < text_.size() && text_[end] != u'\r' && text_[end] != u'\n') {
        ++end;
    }
    line = text_.substr(next_, end - next_);
    next_ = end;
    if (next_ < text_.size()) {
        next_ += (text_[next_] == u'\r' && next_ + 1 < text_.size() && text_[next_ + 1] == u'\n') ? 2 : 1;
    }
    return true;
}

CatalogueFieldReader::CatalogueFieldReader(std::u16string_view line) : line_(line) {
    SkipSpace();
}

void CatalogueFieldReader::SkipSpace() {
    while (next_ < line_.size() && IsCatalogueSpace(line_[next_])) {
        ++next_;
    }
}

bool CatalogueFieldReader::Next(std::u16string_view& field) {
    if (count_ == kFieldCount) {
        return false;
    }
    if (emptyFieldPending_) {
        emptyFieldPending_ = false;
        ++count_;
        field = {};
        return true;
    }
    if (next_ >= line_.size()) {
        return false;
    }
    if (line_[next_] == u'"') {
        // Up to the next quote that is not doubled; only a doubled quote needs a copy.
        const std::size_t start = ++next_;
        bool doubled = false;
        std::size_t end = line_.size();
        while (next_ < line_.size()) {
            if (line_[next_] == u'"') {
                if (next_ + 1 < line_.size() && line_[next_ + 1] == u'"') {
                    doubled = true;
                    next_ += 2;
                    continue;
                }
                end = next_++;
                break;
            }
            ++next_;
        }
        field = line_.substr(start, end - start);
        if (doubled) {
            scratch_.clear();
            for (std::size_t i = 0; i < field.size(); ++i) {
                scratch_.push_back(field[i]);
                if (field[i] == u'"') {
                    ++i; // the second quote of the pair
                }
            }
            field = scratch_;
        }
    } else {
        const std::size_t start = next_;
        while (next_ < line_.size() && line_[next_] != u',' && !IsCatalogueSpace(line_[next_])) {
            ++next_;
        }
        field = line_.substr(start, next_ - start);
    }
    ++count_;
    SkipSpace();
    if (next_ < line_.size() && line_[next_] == u',') {
        ++next_;
        SkipSpace();
        emptyFieldPending_ = next_ == line_.size(); // the comma at the end of the line
    }
    return true;
}

std::vector<std::u16string> SplitCatalogueFields(std::u16string_view line) {
    std::vector<std::u16string> fields;
    CatalogueFieldReader reader(line);
    std::u16string_view field;
    while (reader.Next(field)) {
        fields.emplace_back(field);
    }
    return fields;
}

std::u16string CaptionCatalogue::LanguageName() const {
    std::u16string language = AsciiLowerText(
        registry_.ReadRegistryString(kProductKeyPlace, product_value::kLanguage, kDefaultLanguage));
    if (language.empty()) {
        language = kDefaultLanguage;
    }
    return language;
}

std::optional<std::u16string> CaptionCatalogue::CatalogueText() const {
    // A language the program has no catalogue for speaks English rather than leaving every window
    // without a text.
    auto bytes = source_.FindCatalogue(LanguageName());
    if (!bytes) {
        bytes = source_.FindCatalogue(kDefaultLanguage);
    }
    if (!bytes) {
        return std::nullopt;
    }
    return DecodeCatalogueText(*bytes);
}

void CaptionCatalogue::ForEachEntry(std::u16string_view windowName, const WantsEntry& wants,
                                    const TakeEntry& take) const noexcept {
    const trace::Scope scope(trace::Phase::Catalogue);
    try {
        const auto text = CatalogueText();
        if (!text) {
            return;
        }
        // Each line is read in place: fields are compared as views and only what `take` keeps is
        // copied.
        CatalogueLineReader lines(*text);
        std::u16string_view line;
        while (lines.Next(line)) {
            if (line.empty()) {
                continue;
            }
            CatalogueFieldReader fields(line);
            std::u16string_view field;
            if (!fields.Next(field)) {
                return; // white space only
            }
            if (!CatalogueNamesEqual(field, windowName)) {
                continue;
            }
            if (!fields.Next(field)) {
                return;
            }
            if (!wants(field)) {
                continue;
            }
            if (!fields.Next(field)) {
                return;
            }
            take(field);
        }
    } catch (...) {
        // Out of memory or an unreadable source: what was taken so far stays.
    }
}

std::u16string CaptionCatalogue::GetCaption(std::u16string_view windowName,
                                            std::u16string_view key) const noexcept {
    std::u16string result;
    ForEachEntry(
        windowName, [key](std::u16string_view entryKey) { return CatalogueNamesEqual(entryKey, key); },
        [&result](std::u16string_view text) { result.assign(text); });
    return result;
}

} // namespace zentrim
