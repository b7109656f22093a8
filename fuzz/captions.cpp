// The caption catalogue on any bytes: decoding with and without byte-order marks, the splitting
// into lines and fields, and the look-ups of the catalogue under a language setting taken from the
// input. Checks what every split must keep: lines hold no line ends and, with them, give the text
// back; a line has at most three fields; a caption found is the third field of a line that names
// the window and the key.
#include "catalogue/captions.h"
#include "catalogue/catalogue_source.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "engine/product_key.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace zentrim;

namespace {

constexpr std::u16string_view kLanguageCharacters = u"englishENGLISHfr \u00e9\u00c9";

// The text between lines: CR LF, a lone CR or a lone LF.
bool EndsLine(char16_t c) {
    return c == u'\r' || c == u'\n';
}

void CheckLines(std::u16string_view text, const std::vector<std::u16string_view>& lines) {
    // Each line is a stretch of the text without line ends, and the stretches follow each other
    // with exactly one line end (CR LF counting as one) between them.
    std::size_t position = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::u16string_view line = lines[i];
        fuzz::Check(line.data() == text.data() + position, "lines follow each other through the text");
        for (const char16_t c : line) {
            fuzz::Check(!EndsLine(c), "a line holds no line end");
        }
        position += line.size();
        if (position == text.size()) {
            fuzz::Check(i + 1 == lines.size(), "nothing follows the end of the text");
            break;
        }
        fuzz::Check(EndsLine(text[position]), "a line ends at a line end");
        position +=
            (text[position] == u'\r' && position + 1 < text.size() && text[position + 1] == u'\n') ? 2 : 1;
    }
    fuzz::Check(position == text.size(), "the lines and their ends cover the whole text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ByteReader input(data, size);
    const std::uint8_t mode = input.Byte();
    const std::u16string language = input.Text(12, kLanguageCharacters);
    const std::span<const std::uint8_t> catalogue = input.Rest();

    const std::u16string text = DecodeCatalogueText(catalogue);
    const bool utf16 = catalogue.size() >= 2 && ((catalogue[0] == 0xFF && catalogue[1] == 0xFE) ||
                                                 (catalogue[0] == 0xFE && catalogue[1] == 0xFF));
    const bool utf8 =
        catalogue.size() >= 3 && catalogue[0] == 0xEF && catalogue[1] == 0xBB && catalogue[2] == 0xBF;
    if (utf16) {
        fuzz::Check(text.size() == (catalogue.size() - 2) / 2, "UTF-16 gives one character per two bytes");
    } else if (!utf8) {
        fuzz::Check(text.size() == catalogue.size(), "8-bit text gives one character per byte");
    }

    const std::vector<std::u16string_view> lines = SplitCatalogueLines(text);
    CheckLines(text, lines);

    // The window and key names looked up: those of the catalogue's own lines, so that some match.
    std::vector<std::pair<std::u16string, std::u16string>> lookUps{{u"ZTMainForm", u"ZTMainForm"}};
    for (const std::u16string_view line : lines) {
        const std::vector<std::u16string> fields = SplitCatalogueFields(line);
        fuzz::Check(fields.size() <= 3, "a line has at most three fields");
        if (fields.size() >= 2 && lookUps.size() < 4) {
            lookUps.emplace_back(fields[0], fields[1]);
        }
    }

    MemoryRegistryStore store;
    CustomRegistry registry(store);
    if (mode % 2 == 0) {
        registry.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kLanguage, language,
                                     kProductKeyView);
    }
    MemoryCatalogueSource source;
    source.Add(mode % 4 < 2 ? u"ENGLISH" : language,
               std::vector<std::uint8_t>(catalogue.begin(), catalogue.end()));
    const CaptionCatalogue captions(registry, source);

    const std::u16string languageName = captions.LanguageName();
    fuzz::Check(!languageName.empty(), "the language always has a name");
    for (const char16_t c : languageName) {
        fuzz::Check(c < u'A' || c > u'Z', "the language name is in lower case");
    }

    for (const auto& [window, key] : lookUps) {
        const std::u16string caption = captions.GetCaption(window, key);
        if (caption.empty()) {
            continue;
        }
        bool named = false;
        for (const std::u16string_view line : lines) {
            const std::vector<std::u16string> fields = SplitCatalogueFields(line);
            named = named || (fields.size() == 3 && fields[2] == caption &&
                              CatalogueNamesEqual(fields[0], window) && CatalogueNamesEqual(fields[1], key));
        }
        fuzz::Check(named, "a caption is the text of a line naming its window and key");
    }
    return 0;
}
