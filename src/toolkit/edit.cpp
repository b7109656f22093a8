#include "toolkit/edit.h"
#include "toolkit/events.h"

namespace zentrim::toolkit {

Edit::Edit(Form& owner, ControlProps props, EditProps own)
    : Control(owner, kKind, std::move(props), kTraits), own_(std::move(own)) {}

void Edit::SetText(std::u16string text) {
    if (own_.text == text) {
        return;
    }
    own_.text = std::move(text);
    Notify(Change::Text);
}

void Edit::TextEditedByUser(std::u16string text) {
    if (own_.text == text) {
        return;
    }
    own_.text = std::move(text);
    RaiseEvent(onChange, *this);
}

} // namespace zentrim::toolkit
