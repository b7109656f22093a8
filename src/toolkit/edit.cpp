#include "toolkit/edit.h"
#include "toolkit/events.h"

namespace zentrim::toolkit {

Edit::Edit(Form& owner, EditProps props)
    : Control(owner, kKind, ControlInitFrom(props, true, true)), text_(std::move(props.text)),
      readOnly_(props.readOnly), color_(props.color) {}

void Edit::SetText(std::u16string text) {
    if (text_ == text) {
        return;
    }
    text_ = std::move(text);
    Notify(Change::Text);
}

void Edit::TextEditedByUser(std::u16string text) {
    if (text_ == text) {
        return;
    }
    text_ = std::move(text);
    RaiseEvent(onChange, *this);
}

} // namespace zentrim::toolkit
