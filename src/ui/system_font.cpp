#include "ui/system_font.h"

#include "toolkit/component.h"
#include "toolkit/form.h"

namespace zentrim {

void ApplySystemFont(toolkit::Form& form) noexcept {
    try {
        toolkit::Font windowFont = form.GetFont();
        if (windowFont.size > kMaxWindowFontSize) {
            windowFont.size = kMaxWindowFontSize;
            form.SetFont(windowFont);
        }
        for (toolkit::Component* component : form.Components()) {
            // Menus, menu items and image lists are no controls and have no font; images, bevels,
            // track bars and progress bars are controls without one.
            toolkit::Control* control = toolkit::AsControl(component);
            if (control == nullptr || !control->HasFont() || control->ParentFont()) {
                continue;
            }
            toolkit::Font font = control->GetFont();
            font.name = windowFont.name;
            if (font.size < windowFont.size) {
                font.size = windowFont.size;
            }
            control->SetFont(font);
        }
    } catch (...) {
        // A window whose fonts could not all be made uniform still works with what it has.
    }
}

} // namespace zentrim
