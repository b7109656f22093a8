// The caption catalogue: every text the windows and message boxes show, keyed by window name and
// key, one catalogue per language. Each line of a catalogue is one entry,
//     ZTMainForm, GoButton, "&Optimize now"
// with the window name, the key and the text separated by commas.
#pragma once

#include "catalogue/catalogue_source.h"
#include "engine/custom_registry.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zentrim {

// The language used when the product key names none.
inline constexpr std::u16string_view kDefaultLanguage = u"english";

// Catalogue bytes as text: UTF-8 or UTF-16 (either byte order) when they begin with that
// byte-order mark, which is dropped; Windows-1252 otherwise.
std::u16string DecodeCatalogueText(std::span<const std::uint8_t> bytes);

// The lines of a catalogue text. CR LF, a lone CR and a lone LF each end a line; the last line
// needs no line end. Empty lines are kept (as empty views) for the caller to skip.
std::vector<std::u16string_view> SplitCatalogueLines(std::u16string_view text);

// The lines of a catalogue text one at a time, as SplitCatalogueLines gives them, without a copy.
class CatalogueLineReader {
public:
    explicit CatalogueLineReader(std::u16string_view text) : text_(text) {}
    // The next line (a view into the text); false after the last.
    bool Next(std::u16string_view& line);

private:
    std::u16string_view text_;
    std::size_t next_ = 0;
};

// The fields of one line one at a time, as SplitCatalogueFields gives them. A field is a view into
// the line, or into the reader itself when a doubled quote had to be undone; it stays valid until
// the next call.
class CatalogueFieldReader {
public:
    static constexpr std::size_t kFieldCount = 3;

    explicit CatalogueFieldReader(std::u16string_view line);
    // The next field; false when the line has no more or three were read.
    bool Next(std::u16string_view& field);

private:
    void SkipSpace();

    std::u16string_view line_;
    std::size_t next_ = 0;
    std::size_t count_ = 0;
    bool emptyFieldPending_ = false;
    std::u16string scratch_;
};

// The fields of one line, at most three (later ones are ignored). White space (codes 1 to 32)
// before the first field and around each comma is skipped. A field that begins with a double
// quote runs to the next quote that is not doubled ("" stands for one quote) or to the end of
// the line; any other field ends at a comma or at white space. Text right after a closing quote,
// or after white space that no comma follows, begins a further field. A comma at the end of the
// line adds an empty last field. A line of white space only has no fields.
std::vector<std::u16string> SplitCatalogueFields(std::u16string_view line);

// Window names and keys compare as equal when they differ only in the case of ASCII letters.
bool CatalogueNamesEqual(std::u16string_view a, std::u16string_view b);

// The program's look-ups, over the language setting in the product key ("Language", default
// "english") and the catalogues of `source`: GetCaption here, ApplyCaptions (ui/apply_captions.h)
// for a whole window. Nothing is cached: every call reads the setting and reads and splits the
// whole catalogue again, so a changed setting takes effect at the next call. A language without a
// catalogue uses the English one. Neither reports a failure: when no catalogue can be read,
// nothing is found and nothing changes.
//
// Both take the lines in order and skip empty ones. A line of white space only, or a line that
// lacks a field at the moment it is needed, ends the operation at that line; what was found or
// applied before stays. Names and keys compare without regard to ASCII letter case, except the
// window title key in ApplyCaptions, which must equal the window's name exactly.
class CaptionCatalogue {
public:
    CaptionCatalogue(const CustomRegistry& registry, const CatalogueSource& source)
        : registry_(registry), source_(source) {}

    // The "Language" value lower-cased (ASCII letters only); "english" when missing, empty or
    // unreadable.
    std::u16string LanguageName() const;

    // The text of the last entry with this window name and key; empty when there is none.
    std::u16string GetCaption(std::u16string_view windowName, std::u16string_view key) const noexcept;

    // Told an entry's key (valid during the call only): whether its text is wanted. Then told the
    // text of that entry.
    using WantsEntry = std::function<bool(std::u16string_view key)>;
    using TakeEntry = std::function<void(std::u16string_view text)>;

    // The one walk over the entries of a window's section, in catalogue order, under the rules
    // above: `take` gets the text of each entry that `wants` asked for, right after. The text of an
    // entry not wanted is never read, so its missing text does not end the walk. Failures (out of
    // memory, an unreadable source) end the walk quietly; what was taken stays.
    void ForEachEntry(std::u16string_view windowName, const WantsEntry& wants,
                      const TakeEntry& take) const noexcept;

private:
    // The current language's catalogue as text, the English one when the language has none;
    // nothing when neither can be read.
    std::optional<std::u16string> CatalogueText() const;

    const CustomRegistry& registry_;
    const CatalogueSource& source_;
};

} // namespace zentrim
