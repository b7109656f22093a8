#include "ui/apply_captions.h"

#include "base/text.h"
#include "engine/memory_registry_store.h"
#include "engine/product_key.h"
#include "toolkit/application.h"
#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/form.h"
#include "toolkit/headless_backend.h"
#include "toolkit/image.h"
#include "toolkit/image_list.h"
#include "toolkit/label.h"
#include "toolkit/memo.h"
#include "toolkit/menu.h"
#include "toolkit/panel.h"
#include "toolkit/picture_combo_box.h"
#include "toolkit/progress_bar.h"
#include "toolkit/track_bar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using Fields = std::vector<std::u16string>;

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// UTF-16 text with its byte-order mark.
std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const char high = static_cast<char>(c >> 8);
        const char low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// A registry and a set of catalogues for one test; "english" is the only catalogue unless a test
// adds more.
class CaptionsTest : public testing::Test {
protected:
    CaptionsTest() { catalogues_.Add(u"ENGLISH", std::string_view()); }

    void SetEnglish(std::string_view text) { catalogues_.Add(u"ENGLISH", text); }
    void SetLanguage(std::u16string_view language) {
        registry_.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kLanguage, language,
                                      RegistryView::Default());
    }
    std::u16string Get(std::u16string_view window, std::u16string_view key) const {
        return captions_.GetCaption(window, key);
    }

    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    MemoryCatalogueSource catalogues_;
    CaptionCatalogue captions_{registry_, catalogues_};
};

TEST(CatalogueParser, FieldsOfOneLine) {
    const struct {
        std::u16string_view line;
        Fields fields;
    } cases[] = {
        {u"ZTMainForm, GoButton, \"&Optimize now\"", {u"ZTMainForm", u"GoButton", u"&Optimize now"}},
        {u"ZTMainForm,FasterLabel,Maximum Boost", {u"ZTMainForm", u"FasterLabel", u"Maximum"}},
        {u"W, K, \"one, two\"", {u"W", u"K", u"one, two"}},
        {u"W, K, \"say \"\"hi\"\" now\"", {u"W", u"K", u"say \"hi\" now"}},
        {u"W, K, \"\"\"\"", {u"W", u"K", u"\""}},
        {u"W, K,", {u"W", u"K", u""}},
        {u"W, K,  \t ", {u"W", u"K", u""}},
        {u"W,", {u"W", u""}},
        {u"W,,T", {u"W", u"", u"T"}},
        {u" \t W \t, \t K \t,\t \"T\" ", {u"W", u"K", u"T"}},
        {u"\x01W\x1F,\x20K", {u"W", u"K"}},
        {u"W, K, \"open to the end, of the line", {u"W", u"K", u"open to the end, of the line"}},
        {u"W, K, \"T\"extra", {u"W", u"K", u"T"}},
        {u"\"W\"K, T", {u"W", u"K", u"T"}},
        {u"W K T", {u"W", u"K", u"T"}},
        {u"W, K, T, more, and more", {u"W", u"K", u"T"}},
        {u"W, K, \"\"", {u"W", u"K", u""}},
        {u"W, K, \"a\u00A9b\u00AE\"", {u"W", u"K", u"a\u00A9b\u00AE"}},
        {u"W, K, \"tab\tinside\"", {u"W", u"K", u"tab\tinside"}},
        {u"W", {u"W"}},
        {u" \t\x01 ", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitCatalogueFields(c.line), c.fields) << ToUtf8(c.line);
    }
}

TEST(CatalogueParser, LinesEndAtCrLfOrALoneCrOrLf) {
    const struct {
        std::u16string_view text;
        std::vector<std::u16string_view> lines;
    } cases[] = {
        {u"", {}},
        {u"a", {u"a"}},
        {u"a\r\nb\r\n", {u"a", u"b"}},
        {u"a\rb\nc", {u"a", u"b", u"c"}},
        {u"a\n\rb", {u"a", u"", u"b"}},
        {u"a\r\r\nb", {u"a", u"", u"b"}},
        {u"a\r\n\r\nb", {u"a", u"", u"b"}},
        {u"\r\n", {u""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitCatalogueLines(c.text), c.lines) << ToUtf8(c.text);
    }
}

TEST(CatalogueParser, DecodesWindows1252AndTextWithAByteOrderMark) {
    const struct {
        std::string bytes;
        std::u16string_view text;
    } cases[] = {
        {"\xA9 2024 \xAE", u"\u00A9 2024 \u00AE"},
        {"\x80\x85\x93\x94\x99\x9F", u"\u20AC\u2026\u201C\u201D\u2122\u0178"},
        {"\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},
        {"\xFF\xE9", u"\u00FF\u00E9"},
        {"\xEF\xBB\xBF"
         "a\xC2\xA9\r\n",
         u"a\u00A9\r\n"},
        {Utf16Bytes(u"a\u00A9\u202C\r\n", false), u"a\u00A9\u202C\r\n"},
        {Utf16Bytes(u"a\u00A9\u202C\r\n", true), u"a\u00A9\u202C\r\n"},
        {Utf16Bytes(u"a", false) + "b", u"a"}, // an odd last byte is dropped
        {"\xEF\xBB\xBF", u""},
        {"\xEF\xBB", u"\u00EF\u00BB"}, // too short for a mark: Windows-1252
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeCatalogueText(Bytes(c.bytes)), c.text) << testing::PrintToString(c.bytes);
    }
}

// Every field of an entry may be quoted with doubled quotes inside: the names are matched and the
// text given with each pair read as one quote, and an entry after such a line still matches.
TEST_F(CaptionsTest, QuotedNamesAndTextsWithDoubledQuotes) {
    SetEnglish("\"Z\"\"T\", \"K\"\"1\", \"say \"\"hi\"\"\"\r\n"
               "\"Z\"\"T\", K2, \"a \"\"b\"\"\", ignored\r\n"
               "W, K, \"plain\"\r\n");
    EXPECT_EQ(Get(u"Z\"T", u"K\"1"), u"say \"hi\"");
    EXPECT_EQ(Get(u"z\"t", u"k2"), u"a \"b\"");
    EXPECT_EQ(Get(u"Z\"T", u"K1"), u"");
    EXPECT_EQ(Get(u"W", u"K"), u"plain");
}

TEST_F(CaptionsTest, LastMatchingLineWinsAndNamesIgnoreCase) {
    SetEnglish("ZTMainForm, GoButton, \"First\"\r\n"
               "ZTAboutForm, GoButton, \"Other window\"\r\n"
               "ztmainform, GOBUTTON, \"Second\"\r\n"
               "ZTMainForm, RestoreButton, \"&Restore\"\r\n");
    EXPECT_EQ(Get(u"ZTMainForm", u"GoButton"), u"Second");
    EXPECT_EQ(Get(u"ZTMAINFORM", u"gobutton"), u"Second");
    EXPECT_EQ(Get(u"ZTAboutForm", u"GoButton"), u"Other window");
    EXPECT_EQ(Get(u"ZTMainForm", u"RestoreButton"), u"&Restore");
    EXPECT_EQ(Get(u"ZTMainForm", u"MissingKey"), u"");
    EXPECT_EQ(Get(u"ZTNoSuchForm", u"GoButton"), u"");
}

// Only ASCII letters are folded, as the catalogue's names are ASCII.
TEST_F(CaptionsTest, OnlyAsciiLettersFoldCase) {
    catalogues_.Add(u"ENGLISH", "W, \xC9t\xE9, \"accented\"\r\n");
    EXPECT_EQ(Get(u"w", u"\u00C9T\u00E9"), u"accented");
    EXPECT_EQ(Get(u"w", u"\u00E9t\u00E9"), u"");
}

TEST_F(CaptionsTest, EmptyLinesAreSkippedButAWhiteSpaceLineEndsTheSearch) {
    SetEnglish("\r\n\nW, K, \"before\"\r\n\r\n \t \r\nW, K, \"after\"\r\n");
    EXPECT_EQ(Get(u"W", u"K"), u"before");
    SetEnglish(" \r\nW, K, \"after\"\r\n");
    EXPECT_EQ(Get(u"W", u"K"), u"");
}

// A field is needed only once the line's earlier fields have matched.
TEST_F(CaptionsTest, AMissingFieldEndsTheSearchOnlyWhenItIsNeeded) {
    const struct {
        std::string_view line;
        std::u16string_view result;
    } cases[] = {
        {"Other", u"after"},         // field 2 not needed: another window
        {"W, Other", u"after"},      // field 3 not needed: another key
        {"W", u"before"},            // field 2 needed
        {"W,K", u"before"},          // field 3 needed
        {"\"W\", \"K\"", u"before"}, // quoted, still only two fields
    };
    for (const auto& c : cases) {
        SetEnglish(std::string("W, K, \"before\"\r\n") + std::string(c.line) + "\r\nW, K, \"after\"");
        EXPECT_EQ(Get(u"W", u"K"), c.result) << c.line;
    }
    // A comma at the end of the line gives an empty text.
    SetEnglish("W, K, \"before\"\r\nW, K,");
    EXPECT_EQ(Get(u"W", u"K"), u"");
}

TEST_F(CaptionsTest, LanguageComesFromTheProductKeyInAnyCase) {
    SetEnglish("W, K, \"english\"");
    catalogues_.Add(u"Klingon", "W, K, \"tlhIngan\"");
    EXPECT_EQ(captions_.LanguageName(), u"english"); // no value
    EXPECT_EQ(Get(u"W", u"K"), u"english");

    const struct {
        std::u16string_view value;
        std::u16string_view language;
        std::u16string_view text;
    } cases[] = {
        {u"", u"english", u"english"},         {u"ENGLISH", u"english", u"english"},
        {u"KLINGON", u"klingon", u"tlhIngan"}, {u"kLiNgOn", u"klingon", u"tlhIngan"},
        {u"german", u"german", u"english"},    {u" english", u" english", u"english"},
    };
    for (const auto& c : cases) {
        SetLanguage(c.value);
        EXPECT_EQ(captions_.LanguageName(), c.language) << ToUtf8(c.value);
        EXPECT_EQ(Get(u"W", u"K"), c.text) << ToUtf8(c.value);
    }

    // A value that is not text reads as the default.
    registry_.WriteRegistryInteger(kProductKeyRoot, ProductKeyPath, product_value::kLanguage, 7,
                                   RegistryView::Default());
    EXPECT_EQ(Get(u"W", u"K"), u"english");
}

TEST_F(CaptionsTest, EveryCallReadsTheCatalogueAfresh) {
    SetEnglish("W, K, \"one\"");
    EXPECT_EQ(Get(u"W", u"K"), u"one");
    SetEnglish("W, K, \"two\"");
    EXPECT_EQ(Get(u"W", u"K"), u"two");
    catalogues_.Add(u"french", "W, K, \"deux\"");
    SetLanguage(u"French");
    EXPECT_EQ(Get(u"W", u"K"), u"deux");
}

TEST_F(CaptionsTest, CataloguesInEveryEncodingGiveTheSameTexts) {
    const std::u16string_view entry = u"W, K, \"\u00A9 2024 \u00AE\"\r\n";
    const std::string catalogues[] = {
        "W, K, \"\xA9 2024 \xAE\"\r\n",
        "\xEF\xBB\xBF" + ToUtf8(entry),
        Utf16Bytes(entry, false),
        Utf16Bytes(entry, true),
    };
    for (const auto& bytes : catalogues) {
        SetEnglish(bytes);
        EXPECT_EQ(Get(u"w", u"k"), u"\u00A9 2024 \u00AE") << testing::PrintToString(bytes);
    }
}

TEST_F(CaptionsTest, NoCatalogueFindsNothing) {
    MemoryCatalogueSource none;
    const CaptionCatalogue captions(registry_, none);
    EXPECT_EQ(captions.GetCaption(u"ZTMainForm", u"ZTMainForm"), u"");
    SetEnglish("");
    EXPECT_EQ(Get(u"ZTMainForm", u"ZTMainForm"), u"");
}

// A form with one component of every kind, the way the windows build theirs.
class ApplyCaptionsTest : public CaptionsTest {
protected:
    toolkit::HeadlessBackend backend_;
    toolkit::Application app_{backend_};
    toolkit::Form form_{app_, {.className = u"TTestForm", .name = u"TestForm"}};
    toolkit::Panel& panel_ = form_.Add<toolkit::Panel>({.name = u"MainPanel", .bounds = {0, 0, 300, 200}});
    toolkit::Label& label_ = form_.Add<toolkit::Label>({.name = u"FasterLabel", .parent = &panel_});
    toolkit::Button& button_ = form_.Add<toolkit::Button>({.name = u"GoButton", .parent = &panel_});
    toolkit::PopupMenu& menu_ = form_.Add<toolkit::PopupMenu>({.name = u"PopupMenu"});
    toolkit::MenuItem& item_ = form_.Add<toolkit::MenuItem>({.name = u"HelpFilePopup", .menu = &menu_});
    toolkit::Memo& memo_ = form_.Add<toolkit::Memo>({.name = u"LicensedMemo"}, {.text = u"old\r\nlines"});
    toolkit::Edit& edit_ = form_.Add<toolkit::Edit>({.name = u"NameEdit"});
    toolkit::Image& image_ = form_.Add<toolkit::Image>({.name = u"BannerImage"});
    toolkit::Bevel& bevel_ = form_.Add<toolkit::Bevel>({.name = u"AboutBevel"});
    toolkit::ImageList& images_ = form_.Add<toolkit::ImageList>({.name = u"Images"});
    toolkit::PictureComboBox& combo_ = form_.Add<toolkit::PictureComboBox>(
        {.name = u"ModemCombo"},
        {.items = {{u"Dial-up"}, {u"Cable"}}, .images = &images_, .selectedIndex = 1});
    toolkit::TrackBar& trackBar_ = form_.Add<toolkit::TrackBar>({.name = u"SpeedTrackBar"});
    toolkit::ProgressBar& progress_ = form_.Add<toolkit::ProgressBar>({.name = u"MainProgress"});
};

TEST_F(ApplyCaptionsTest, FillsTheTitleAndEveryTextKind) {
    SetEnglish("TestForm, TestForm, \"Title & more\"\r\n"
               "TestForm, MainPanel, \"panel\"\r\n"
               "TestForm, FasterLabel, \"Maximum Boost\"\r\n"
               "TestForm, GoButton, \"&Optimize now\"\r\n"
               "TestForm, HelpFilePopup, \"Get &help\"\r\n"
               "TestForm, LicensedMemo, \"one paragraph, no lines\"\r\n"
               "TestForm, NameEdit, \"typed\"\r\n"
               "TestForm, ModemCombo, \"not for lists\"\r\n"
               "TestForm, BannerImage, \"x\"\r\n"
               "TestForm, AboutBevel, \"x\"\r\n"
               "TestForm, Images, \"x\"\r\n"
               "TestForm, SpeedTrackBar, \"x\"\r\n"
               "TestForm, MainProgress, \"x\"\r\n"
               "TestForm, PopupMenu, \"x\"\r\n"
               "TestForm, PerformanceHeading, \"names nothing\"\r\n"
               "TestForm, MessageBoxReset1, \"a message\"\r\n");
    ApplyCaptions(captions_, form_);
    EXPECT_EQ(form_.Caption(), u"Title & more");
    EXPECT_EQ(panel_.Caption(), u"panel");
    EXPECT_EQ(label_.Caption(), u"Maximum Boost");
    EXPECT_EQ(button_.Caption(), u"&Optimize now");
    EXPECT_EQ(item_.Caption(), u"Get &help");
    EXPECT_EQ(memo_.Text(), u"one paragraph, no lines");
    EXPECT_EQ(memo_.Lines(), std::vector<std::u16string>{u"one paragraph, no lines"});
    EXPECT_EQ(edit_.Text(), u"typed");
    const std::vector<toolkit::ComboItem> items{{u"Dial-up"}, {u"Cable"}};
    EXPECT_EQ(combo_.Items(), items);
    EXPECT_EQ(combo_.SelectedCaption(), u"Cable");

    // Applying again leaves the same texts.
    ApplyCaptions(captions_, form_);
    EXPECT_EQ(memo_.Text(), u"one paragraph, no lines");
    EXPECT_EQ(label_.Caption(), u"Maximum Boost");
    EXPECT_EQ(form_.Caption(), u"Title & more");
}

TEST_F(ApplyCaptionsTest, TheTitleKeyAloneIsComparedWithCase) {
    SetEnglish("testform, TestForm, \"window field in any case\"\r\n"
               "TestForm, TESTFORM, \"title key in other case\"\r\n"
               "TESTFORM, gobutton, \"component in any case\"\r\n");
    ApplyCaptions(captions_, form_);
    EXPECT_EQ(form_.Caption(), u"window field in any case");
    EXPECT_EQ(button_.Caption(), u"component in any case");
}

TEST_F(ApplyCaptionsTest, OnlyTheFormsOwnSectionAppliesAndTheLastLineWins) {
    SetEnglish("TestForm, GoButton, \"first\"\r\n"
               "OtherForm, GoButton, \"other window\"\r\n"
               "OtherForm, OtherForm, \"other title\"\r\n"
               "OtherForm, TestForm, \"other section, our name\"\r\n"
               "TestForm, GoButton, \"second\"\r\n"
               "OtherForm, FasterLabel, \"other window\"\r\n");
    ApplyCaptions(captions_, form_);
    EXPECT_EQ(button_.Caption(), u"second");
    EXPECT_EQ(label_.Caption(), u"");
    EXPECT_EQ(form_.Caption(), u"");
}

TEST_F(ApplyCaptionsTest, AMissingFieldEndsTheRunOnlyWhenItIsNeeded) {
    const struct {
        std::string_view line;
        std::u16string_view result;
    } cases[] = {
        {"OtherForm", u"after"},
        {"OtherForm, GoButton", u"after"},
        {"TestForm, NoSuchComponent", u"after"},
        {"TestForm, ModemCombo", u"after"}, // a kind without a text
        {"TestForm, testform", u"after"},   // not the title key, and no such component
        {"TestForm", u"before"},
        {"TestForm, TestForm", u"before"},
        {"TestForm, GoButton", u"before"},
        {"TestForm, FasterLabel", u"before"},
        {" \t", u"before"},
    };
    for (const auto& c : cases) {
        button_.SetCaption(u"");
        SetEnglish(std::string("TestForm, GoButton, \"before\"\r\n") + std::string(c.line) +
                   "\r\n\r\nTestForm, GoButton, \"after\"\r\n");
        ApplyCaptions(captions_, form_);
        EXPECT_EQ(button_.Caption(), c.result) << c.line;
    }
}

// A language without a catalogue speaks English, instead of leaving the window without texts.
TEST_F(ApplyCaptionsTest, ALanguageWithoutACatalogueUsesEnglish) {
    SetEnglish("TestForm, TestForm, \"Title\"\r\nTestForm, LicensedMemo, \"new\"\r\n");
    SetLanguage(u"german");
    ApplyCaptions(captions_, form_);
    EXPECT_EQ(form_.Caption(), u"Title");
    EXPECT_EQ(memo_.Text(), u"new");
}

TEST_F(ApplyCaptionsTest, WithoutAnyCatalogueNothingChanges) {
    MemoryCatalogueSource none;
    const CaptionCatalogue captions(registry_, none);
    SetLanguage(u"german");
    ApplyCaptions(captions, form_);
    EXPECT_EQ(form_.Caption(), u"");
    EXPECT_EQ(memo_.Text(), u"old\r\nlines");
}

TEST_F(ApplyCaptionsTest, AnUnquotedTextIsCutAtTheFirstSpace) {
    SetEnglish("TestForm, FasterLabel, Maximum Boost\r\n");
    ApplyCaptions(captions_, form_);
    EXPECT_EQ(label_.Caption(), u"Maximum");
}

} // namespace
} // namespace zentrim
