#include "ui/captions.h"

#include "base/text.h"
#include "engine/product_key.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace zentrim {

namespace {

constexpr std::size_t kFieldCount = 3;

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
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char16_t c = text[i];
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

std::vector<std::u16string> SplitCatalogueFields(std::u16string_view line) {
    std::vector<std::u16string> fields;
    std::size_t i = 0;
    const auto skipSpace = [&] {
        while (i < line.size() && IsCatalogueSpace(line[i])) {
            ++i;
        }
    };
    skipSpace();
    while (i < line.size() && fields.size() < kFieldCount) {
        std::u16string field;
        if (line[i] == u'"') {
            ++i;
            while (i < line.size()) {
                if (line[i] == u'"') {
                    if (i + 1 < line.size() && line[i + 1] == u'"') {
                        field.push_back(u'"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.push_back(line[i++]);
            }
        } else {
            const std::size_t start = i;
            while (i < line.size() && line[i] != u',' && !IsCatalogueSpace(line[i])) {
                ++i;
            }
            field.assign(line.substr(start, i - start));
        }
        fields.push_back(std::move(field));
        skipSpace();
        if (i < line.size() && line[i] == u',') {
            ++i;
            skipSpace();
            if (i == line.size()) {
                fields.emplace_back(); // the comma at the end of the line
            }
        }
    }
    if (fields.size() > kFieldCount) {
        fields.resize(kFieldCount);
    }
    return fields;
}

std::u16string CaptionCatalogue::LanguageName() const {
    std::u16string language = AsciiLowerText(registry_.ReadRegistryString(
        kProductKeyRoot, ProductKeyPath, product_value::kLanguage, kDefaultLanguage, kProductKeyView));
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

std::u16string CaptionCatalogue::GetCaption(std::u16string_view windowName,
                                            std::u16string_view key) const noexcept {
    std::u16string result;
    try {
        const auto text = CatalogueText();
        if (!text) {
            return result;
        }
        for (const std::u16string_view line : SplitCatalogueLines(*text)) {
            if (line.empty()) {
                continue;
            }
            const auto fields = SplitCatalogueFields(line);
            if (fields.empty()) {
                break; // white space only
            }
            if (!CatalogueNamesEqual(fields[0], windowName)) {
                continue;
            }
            if (fields.size() < 2) {
                break;
            }
            if (!CatalogueNamesEqual(fields[1], key)) {
                continue;
            }
            if (fields.size() < 3) {
                break;
            }
            result = fields[2];
        }
    } catch (...) {
        // Out of memory or an unreadable source: keep what the earlier lines gave.
    }
    return result;
}

} // namespace zentrim
