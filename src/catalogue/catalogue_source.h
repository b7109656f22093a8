// Where the caption catalogues come from. The program carries one catalogue per language, found
// by the language's name without regard to letter case; the Windows build keeps them as RCDATA
// resources of the program file (catalogue_source_win32.h), tests keep them in memory or read
// them from a folder.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zentrim {

// The catalogues the program carries, by their resource names. Only these are catalogues: a
// language of another name finds none, even where the program holds a resource or file of that
// name (a picture, the catalogue's generator).
inline constexpr std::array<std::u16string_view, 9> kProgramCatalogues{
    u"ENGLISH", u"GERMAN", u"FRENCH", u"SPANISH", u"ITALIAN", u"PORTUGUESE", u"DUTCH", u"POLISH", u"RUSSIAN"};

// Whether `language` names one of kProgramCatalogues, without regard to case.
bool IsProgramCatalogue(std::u16string_view language);

class CatalogueSource {
public:
    virtual ~CatalogueSource() = default;

    // The bytes of the catalogue named `language` (compared without regard to case), exactly as
    // stored; nothing when there is no such catalogue or it cannot be read.
    virtual std::optional<std::vector<std::uint8_t>> FindCatalogue(std::u16string_view language) const = 0;
};

// Catalogues held in memory, for tests.
class MemoryCatalogueSource final : public CatalogueSource {
public:
    // Adds a catalogue, or replaces the one whose name differs only in case.
    void Add(std::u16string_view name, std::vector<std::uint8_t> bytes);
    void Add(std::u16string_view name, std::string_view bytes);

    std::optional<std::vector<std::uint8_t>> FindCatalogue(std::u16string_view language) const override;

private:
    std::vector<std::pair<std::u16string, std::vector<std::uint8_t>>> catalogues_;
};

// The program's catalogues stored as files in one folder, each named after its language
// ("ENGLISH"); the file name is matched without regard to case on every file system.
class FolderCatalogueSource final : public CatalogueSource {
public:
    explicit FolderCatalogueSource(std::filesystem::path folder) : folder_(std::move(folder)) {}

    std::optional<std::vector<std::uint8_t>> FindCatalogue(std::u16string_view language) const override;

private:
    std::filesystem::path folder_;
};

} // namespace zentrim
