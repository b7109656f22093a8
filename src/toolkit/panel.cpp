#include "toolkit/panel.h"

#include "toolkit/form.h"

namespace zentrim::toolkit {

Panel::Panel(Form& owner, ControlProps props, PanelProps own)
    : Control(owner, kKind, std::move(props), kTraits), own_(std::move(own)) {}

void Panel::SetColor(Color color) {
    if (own_.color == color) {
        return;
    }
    own_.color = color;
    Notify(Change::BackColor);
}

Color Panel::BackgroundColor() const {
    return own_.parentBackground ? ParentBackgroundColor(*this) : own_.color;
}

void Panel::FontChanged() {
    OwnerForm().FontChangedUnder(*this);
}

Color ParentBackgroundColor(const Control& control) {
    const Panel* parent = control.Parent();
    return parent != nullptr ? parent->BackgroundColor() : control.OwnerForm().GetColor();
}

} // namespace zentrim::toolkit
