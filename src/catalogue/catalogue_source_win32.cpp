#include "catalogue/catalogue_source_win32.h"

#include "base/phase_trace.h"
#include "base/unique_handle_win32.h"

namespace zentrim {

std::optional<std::vector<std::uint8_t>>
ResourceCatalogueSource::FindCatalogue(std::u16string_view language) const {
    const trace::Scope scope(trace::Phase::Resources);
    // Only the program's catalogues: other RCDATA resources (the pictures) are no catalogues, and
    // the list also keeps out names that FindResourceW would read as numbers ("#1").
    if (!IsProgramCatalogue(language)) {
        return std::nullopt;
    }
    const std::wstring name = ToWide(language);
    HRSRC resource = FindResourceW(module_, name.c_str(), RT_RCDATA);
    if (resource == nullptr) {
        return std::nullopt;
    }
    const DWORD size = SizeofResource(module_, resource);
    HGLOBAL loaded = LoadResource(module_, resource);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        return std::nullopt;
    }
    // Resource memory belongs to the module and needs no release.
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

} // namespace zentrim
