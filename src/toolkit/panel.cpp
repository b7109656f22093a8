#include "toolkit/panel.h"

#include "toolkit/form.h"

namespace zentrim::toolkit {

Panel::Panel(Form& owner, PanelProps props)
    : Control(owner, kKind, ControlInitFrom(props, true, false)), caption_(std::move(props.caption)),
      color_(props.color), bevel_(props.bevel), parentBackground_(props.parentBackground) {}

void Panel::SetCaption(std::u16string caption) {
    if (caption_ == caption) {
        return;
    }
    caption_ = std::move(caption);
    Notify(Change::Text);
}

void Panel::SetColor(Color color) {
    if (color_ == color) {
        return;
    }
    color_ = color;
    Notify(Change::BackColor);
}

Color Panel::BackgroundColor() const {
    return parentBackground_ ? ParentBackgroundColor(*this) : color_;
}

void Panel::FontChanged() {
    OwnerForm().FontChangedUnder(*this);
}

Color ParentBackgroundColor(const Control& control) {
    const Panel* parent = control.Parent();
    return parent != nullptr ? parent->BackgroundColor() : control.OwnerForm().GetColor();
}

} // namespace zentrim::toolkit
