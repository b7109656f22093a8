#include "ui/captions.h"

#include "base/phase_trace.h"
#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/form.h"
#include "toolkit/label.h"
#include "toolkit/memo.h"
#include "toolkit/menu.h"
#include "toolkit/panel.h"

namespace zentrim {

namespace {

// The component of the form (not the form itself) with that name, ignoring ASCII letter case.
toolkit::Component* FindOwnedComponent(const toolkit::Form& form, std::u16string_view name) {
    for (toolkit::Component* component : form.Components()) {
        if (CatalogueNamesEqual(component->Name(), name)) {
            return component;
        }
    }
    return nullptr;
}

// The kinds whose text comes from the catalogue, in the order they are tested.
bool TakesCaption(const toolkit::Component& component) {
    using toolkit::ComponentKind;
    switch (component.Kind()) {
    case ComponentKind::Label:
    case ComponentKind::Panel:
    case ComponentKind::Button:
    case ComponentKind::MenuItem:
    case ComponentKind::Memo:
    case ComponentKind::Edit:
        return true;
    default:
        return false;
    }
}

void SetCaptionText(toolkit::Component& component, std::u16string text) {
    if (auto* label = component.As<toolkit::Label>()) {
        label->SetCaption(std::move(text));
    } else if (auto* panel = component.As<toolkit::Panel>()) {
        panel->SetCaption(std::move(text));
    } else if (auto* button = component.As<toolkit::Button>()) {
        button->SetCaption(std::move(text));
    } else if (auto* item = component.As<toolkit::MenuItem>()) {
        item->SetCaption(std::move(text));
    } else if (auto* memo = component.As<toolkit::Memo>()) {
        memo->SetText(std::move(text)); // all lines replaced
    } else if (auto* edit = component.As<toolkit::Edit>()) {
        edit->SetText(std::move(text));
    }
}

} // namespace

void CaptionCatalogue::ApplyCaptions(toolkit::Form& form) const noexcept {
    const trace::Scope scope(trace::Phase::Catalogue);
    try {
        const auto text = CatalogueText();
        if (!text) {
            return;
        }
        const std::u16string& windowName = form.Name();
        CatalogueLineReader lines(*text);
        std::u16string_view line;
        while (lines.Next(line)) {
            if (line.empty()) {
                continue;
            }
            CatalogueFieldReader fields(line);
            std::u16string_view field;
            if (!fields.Next(field)) {
                return; // white space only
            }
            if (!CatalogueNamesEqual(field, windowName)) {
                continue;
            }
            if (!fields.Next(field)) {
                return;
            }
            // The title key alone is compared with case.
            if (field == windowName) {
                if (!fields.Next(field)) {
                    return;
                }
                form.SetCaption(std::u16string(field));
                continue;
            }
            toolkit::Component* component = FindOwnedComponent(form, field);
            if (component == nullptr || !TakesCaption(*component)) {
                continue;
            }
            if (!fields.Next(field)) {
                return;
            }
            SetCaptionText(*component, std::u16string(field));
        }
    } catch (...) {
        // Out of memory or an unreadable source: the texts applied so far stay.
    }
}

} // namespace zentrim
