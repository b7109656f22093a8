// The catalogues read from a folder (native builds and tests). In a file of its own so that a
// program that never reads a folder links none of it: file streams bring the C++ library's whole
// locale machinery with them, several hundred kilobytes of the Windows program.
#include "catalogue/catalogue_source.h"

#include "base/text.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace zentrim {

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
