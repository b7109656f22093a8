#include "catalogue/catalogue_source.h"

#include "base/text.h"

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

} // namespace zentrim
