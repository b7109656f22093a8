#include "toolkit/button.h"

#include "toolkit/form.h"

namespace zentrim::toolkit {

Button::Button(Form& owner, ButtonProps props)
    : Control(owner, kKind, ControlInitFrom(props, true, true)), caption_(std::move(props.caption)),
      isDefault_(props.isDefault), modalResult_(props.modalResult), shield_(props.shield) {}

void Button::SetCaption(std::u16string caption) {
    if (caption_ == caption) {
        return;
    }
    caption_ = std::move(caption);
    Notify(Change::Text);
}

void Button::SetDefault(bool on) {
    if (isDefault_ == on) {
        return;
    }
    isDefault_ = on;
    Notify(Change::Style);
}

void Button::SetShield(bool on) {
    if (shield_ == on) {
        return;
    }
    shield_ = on;
    Notify(Change::Style);
}

void Button::Click() {
    if (modalResult_ != kModalNone) {
        OwnerForm().SetModalResult(modalResult_);
    }
    Control::Click();
}

} // namespace zentrim::toolkit
