#include "ui/apply_captions.h"

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

void ApplyCaptions(const CaptionCatalogue& captions, toolkit::Form& form) noexcept {
    const std::u16string& windowName = form.Name();
    // The title, or the component, that the entry just wanted names.
    bool title = false;
    toolkit::Component* component = nullptr;
    captions.ForEachEntry(
        windowName,
        [&](std::u16string_view key) {
            // The title key alone is compared with case.
            title = key == windowName;
            component = title ? nullptr : FindOwnedComponent(form, key);
            return title || (component != nullptr && TakesCaption(*component));
        },
        [&](std::u16string_view text) {
            if (title) {
                form.SetCaption(std::u16string(text));
            } else {
                SetCaptionText(*component, std::u16string(text));
            }
        });
}

} // namespace zentrim
