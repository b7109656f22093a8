#include "ui/catalogue_source.h"

#include "base/text.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace zentrim {

void MemoryCatalogueSource::Add(std::u16string_view name, std::vector<std::uint8_t> bytes) {
    for (auto& [storedName, storedBytes] : catalogues_) {
        if (EqualsIgnoringCase(storedName, name)) {
            storedBytes = std::move(bytes);
            return;
        }
    }
    catalogues_.emplace_back(std::u16string(name), std::move(bytes));
}

void MemoryCatalogueSource::Add(std::u16string_view name, std::string_view bytes) {
    Add(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::optional<std::vector<std::uint8_t>>
MemoryCatalogueSource::FindCatalogue(std::u16string_view language) const {
    for (const auto& [name, bytes] : catalogues_) {
        if (EqualsIgnoringCase(name, language)) {
            return bytes;
        }
    }
    return std::nullopt;
}

bool IsProgramCatalogue(std::u16string_view language) {
    for (const std::u16string_view name : kProgramCatalogues) {
        if (EqualsIgnoringCase(name, language)) {
            return true;
        }
    }
    return false;
}

std::optional<std::vector<std::uint8_t>>
FolderCatalogueSource::FindCatalogue(std::u16string_view language) const {
    if (!IsProgramCatalogue(language)) {
        return std::nullopt;
    }
    std::error_code error;
    std::filesystem::directory_iterator entries(folder_, error);
    if (error) {
        return std::nullopt;
    }
    for (const auto& entry : entries) {
        if (!entry.is_regular_file(error) ||
            !EqualsIgnoringCase(entry.path().filename().u16string(), language)) {
            continue;
        }
        std::ifstream file(entry.path(), std::ios::binary);
        if (!file) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
        if (file.bad()) {
            return std::nullopt;
        }
        return bytes;
    }
    return std::nullopt;
}

} // namespace zentrim
