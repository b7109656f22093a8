// Fills a window's texts from the caption catalogue.
#pragma once

#include "catalogue/captions.h"

namespace zentrim {

namespace toolkit {
class Form;
} // namespace toolkit

// Fills the form's title and the texts of its labels, panels, buttons, menu items, memos and edits
// from the entries of the form's section (the form's name); later entries win. Components of other
// kinds and keys that name no component are left alone. The title key must equal the form's name
// exactly; other keys match without regard to ASCII letter case.
void ApplyCaptions(const CaptionCatalogue& captions, toolkit::Form& form) noexcept;

} // namespace zentrim
