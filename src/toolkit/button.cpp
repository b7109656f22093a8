#include "toolkit/button.h"

#include "toolkit/form.h"

namespace zentrim::toolkit {

Button::Button(Form& owner, ControlProps props, ButtonProps own)
    : Control(owner, kKind, std::move(props), kTraits), own_(std::move(own)) {}

void Button::SetDefault(bool on) {
    if (own_.isDefault == on) {
        return;
    }
    own_.isDefault = on;
    Notify(Change::Style);
}

void Button::SetShield(bool on) {
    if (own_.shield == on) {
        return;
    }
    own_.shield = on;
    Notify(Change::Style);
}

void Button::Click() {
    if (own_.modalResult != kModalNone) {
        OwnerForm().SetModalResult(own_.modalResult);
    }
    Control::Click();
}

} // namespace zentrim::toolkit
