// The catalogues of the Windows build: RCDATA resources of a module, named by their language.
#pragma once

#include "catalogue/catalogue_source.h"

#include <windows.h>

namespace zentrim {

class ResourceCatalogueSource final : public CatalogueSource {
public:
    // `module` is the program file's module (GetModuleHandleW(nullptr)); it must outlive the source.
    explicit ResourceCatalogueSource(HMODULE module) : module_(module) {}

    // The RCDATA resource of a program catalogue named `language`, matched without regard to case.
    std::optional<std::vector<std::uint8_t>> FindCatalogue(std::u16string_view language) const override;

private:
    HMODULE module_;
};

} // namespace zentrim
