// The shipped catalogues of every language, read from the source tree: each has the English
// entries in the English order, keeps what the English texts carry beyond words, is stored in its
// encoding and is found through the product key's "Language" value.
#include "base/text.h"
#include "catalogue/captions.h"
#include "engine/memory_registry_store.h"
#include "engine/product_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace zentrim {
namespace {

enum class Encoding { Windows1252, Utf8WithMark };

struct Language {
    std::u16string_view name; // the "Language" value
    std::string_view file;    // the catalogue's file and resource name
    Encoding encoding;
    std::u16string_view title;   // the main window's title
    std::u16string_view aboutOk; // a word the About window's title holds
};

const Language kLanguages[] = {
    {u"english", "ENGLISH", Encoding::Windows1252,
     u"Zentrim - Make your computer, games & internet run faster", u"About"},
    {u"german", "GERMAN", Encoding::Windows1252, u"Zentrim - Computer, Spiele & Internet beschleunigen",
     u"\u00fcber"},
    {u"french", "FRENCH", Encoding::Windows1252,
     u"Zentrim - Acc\u00e9l\u00e9rez votre ordinateur, vos jeux & Internet", u"propos"},
    {u"spanish", "SPANISH", Encoding::Windows1252, u"Zentrim - Acelere su equipo, sus juegos & su Internet",
     u"Acerca"},
    {u"italian", "ITALIAN", Encoding::Windows1252, u"Zentrim - Velocizza computer, giochi & Internet",
     u"Informazioni"},
    {u"portuguese", "PORTUGUESE", Encoding::Windows1252,
     u"Zentrim - Deixe seu computador, jogos & internet mais r\u00e1pidos", u"Sobre"},
    {u"dutch", "DUTCH", Encoding::Windows1252, u"Zentrim - Maak uw computer, games & internet sneller",
     u"Over"},
    {u"polish", "POLISH", Encoding::Utf8WithMark, u"Zentrim - Przyspiesz komputer, gry & internet",
     u"informacje"},
    {u"russian", "RUSSIAN", Encoding::Utf8WithMark,
     u"Zentrim - \u0423\u0441\u043a\u043e\u0440\u044c\u0442\u0435 "
     u"\u043a\u043e\u043c\u043f\u044c\u044e\u0442\u0435"
     u"\u0440, \u0438\u0433\u0440\u044b & \u0438\u043d\u0442\u0435\u0440\u043d\u0435\u0442",
     u"\u041e \u043f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0435"},
};

// The buttons and menu items that share one keyboard scope, so their accelerators must differ.
struct Scope {
    std::u16string_view window;
    std::vector<std::u16string_view> keys;
};
const Scope kAcceleratorScopes[] = {
    {u"ZTMainForm", {u"GoButton", u"RestoreButton", u"UpdatesButton"}},
    {u"ZTMainForm", {u"HelpFilePopup", u"TechSupportPopup"}},
    {u"ZTAboutForm", {u"HelpButton", u"CloseButton"}},
    {u"ZTUpdateForm",
     {u"HelpButton", u"UpdateButton", u"CloseButton", u"InstallButton", u"CancelButton", u"StartButton"}},
};

std::string FileBytes(std::string_view name) {
    std::ifstream file(std::string(ZENTRIM_RESOURCES_DIR) + "/captions/" + std::string(name),
                       std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Entry {
    std::u16string window;
    std::u16string key;
    std::u16string text;
};
// The entries of one catalogue in file order; an empty window name marks a section break.
std::vector<Entry> Entries(std::string_view file) {
    const std::string bytes = FileBytes(file);
    const std::u16string text =
        DecodeCatalogueText({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    std::vector<Entry> entries;
    for (const std::u16string_view line : SplitCatalogueLines(text)) {
        if (line.empty()) {
            entries.push_back({});
            continue;
        }
        const auto fields = SplitCatalogueFields(line);
        EXPECT_EQ(fields.size(), 3u) << file << ": " << ToUtf8(line);
        if (fields.size() == 3) {
            entries.push_back({fields[0], fields[1], fields[2]});
        }
    }
    return entries;
}

// What a translation keeps of the English text beyond its words.
struct Shape {
    std::size_t doubled = 0; // "&&"
    std::size_t single = 0;  // an accelerator, or "&" in a title
    std::size_t leading = 0, trailing = 0;
    std::multiset<char16_t> fillIns; // the digits of %1, %2, %3
    bool operator==(const Shape&) const = default;
};
Shape ShapeOf(std::u16string_view text) {
    Shape shape;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size() && text[i + 1] == u'&') {
            ++shape.doubled;
            ++i;
        } else if (text[i] == u'&') {
            ++shape.single;
        } else if (text[i] == u'%' && i + 1 < text.size()) {
            shape.fillIns.insert(text[i + 1]);
        }
    }
    shape.leading = text.find_first_not_of(u' ');
    shape.trailing = text.size() - 1 - text.find_last_not_of(u' ');
    return shape;
}

// The lower-cased letter after a single "&", or 0.
char16_t Accelerator(std::u16string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'&') {
            if (text[i + 1] != u'&') {
                return LowerCase(text[i + 1]);
            }
            ++i;
        }
    }
    return 0;
}

TEST(CatalogueLanguages, AreStoredInTheirEncodingWithCrLfLines) {
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.file);
        const std::string bytes = FileBytes(language.file);
        ASSERT_GT(bytes.size(), 5000u);
        const bool marked = bytes.starts_with("\xEF\xBB\xBF");
        if (language.encoding == Encoding::Utf8WithMark) {
            EXPECT_TRUE(marked);
            EXPECT_TRUE(IsValidUtf8(std::string_view(bytes).substr(3)));
        } else {
            EXPECT_TRUE(bytes.starts_with("ZTMainForm, ZTMainForm, \"Zentrim - "));
            // Bytes that Windows-1252 leaves undefined have no place in its text.
            for (const char undefined : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'}) {
                EXPECT_EQ(bytes.find(undefined), std::string::npos);
            }
        }
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            if (bytes[at] == '\n' || bytes[at] == '\r') {
                ASSERT_TRUE(bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n')
                    << "at " << at;
                ++at;
            }
        }
        EXPECT_TRUE(bytes.ends_with("\"\r\n"));
    }
}

TEST(CatalogueLanguages, HaveTheEnglishEntriesInTheEnglishOrderAndSections) {
    const auto english = Entries("ENGLISH");
    ASSERT_GT(english.size(), 130u);
    EXPECT_EQ(std::count_if(english.begin(), english.end(), [](const Entry& e) { return e.window.empty(); }),
              3); // four sections
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.file);
        const auto entries = Entries(language.file);
        ASSERT_EQ(entries.size(), english.size());
        std::size_t translated = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry& ours = entries[i];
            const Entry& theirs = english[i];
            ASSERT_EQ(ToUtf8(ours.window) + "." + ToUtf8(ours.key),
                      ToUtf8(theirs.window) + "." + ToUtf8(theirs.key))
                << "entry " << i;
            if (ours.window.empty()) {
                continue;
            }
            EXPECT_FALSE(ours.text.empty()) << ToUtf8(ours.key);
            EXPECT_EQ(ShapeOf(ours.text), ShapeOf(theirs.text))
                << ToUtf8(ours.key) << ": " << ToUtf8(ours.text);
            translated += ours.text != theirs.text ? 1 : 0;
        }
        // Every text but a few that read the same in some languages ("%1 of %2" does not).
        if (language.file != "ENGLISH") {
            EXPECT_GT(translated, english.size() - 15);
        }
    }
}

class LanguageLookUp : public testing::Test {
protected:
    void SetLanguage(std::u16string_view language) {
        registry_.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kLanguage, language,
                                      RegistryView::Default());
    }

    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FolderCatalogueSource catalogues_{std::string(ZENTRIM_RESOURCES_DIR) + "/captions"};
    CaptionCatalogue captions_{registry_, catalogues_};
};

TEST_F(LanguageLookUp, EveryLanguageFindsItsCatalogueInAnyCase) {
    for (const Language& language : kLanguages) {
        for (const std::u16string& value : {std::u16string(language.name), ToUpperText(language.name)}) {
            SetLanguage(value);
            EXPECT_EQ(captions_.GetCaption(u"ZTMainForm", u"ZTMainForm"), language.title) << ToUtf8(value);
            EXPECT_NE(captions_.GetCaption(u"ZTAboutForm", u"ZTAboutForm").find(language.aboutOk),
                      std::u16string::npos)
                << ToUtf8(value);
            EXPECT_TRUE(captions_.GetCaption(u"ZTAboutForm", u"VersionLabel").starts_with(u"Zentrim 2  ("));
            EXPECT_TRUE(captions_.GetCaption(u"ZTMainForm", u"UpdatesButton").starts_with(u" "));
        }
    }
    for (const std::u16string_view unknown : {u"klingon", u"deutsch", u"german "}) {
        SetLanguage(unknown);
        EXPECT_EQ(captions_.GetCaption(u"ZTMainForm", u"ZTMainForm"), kLanguages[0].title) << ToUtf8(unknown);
    }
}

TEST_F(LanguageLookUp, AcceleratorsAreUniqueLettersInEachScope) {
    for (const Language& language : kLanguages) {
        SetLanguage(language.name);
        for (const Scope& scope : kAcceleratorScopes) {
            std::set<char16_t> seen;
            for (const std::u16string_view key : scope.keys) {
                const std::u16string text = captions_.GetCaption(scope.window, key);
                const char16_t letter = Accelerator(text);
                if (key == u"CancelButton") { // Esc cancels; the button has no letter
                    EXPECT_EQ(letter, 0) << ToUtf8(language.name);
                    continue;
                }
                EXPECT_NE(letter, 0) << ToUtf8(language.name) << " " << ToUtf8(key);
                EXPECT_NE(letter, u' ') << ToUtf8(language.name) << " " << ToUtf8(key);
                EXPECT_TRUE(seen.insert(letter).second)
                    << ToUtf8(language.name) << ": " << ToUtf8(key) << " repeats the letter of another in "
                    << ToUtf8(scope.window);
            }
        }
    }
}

} // namespace
} // namespace zentrim
