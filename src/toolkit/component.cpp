#include "toolkit/component.h"
#include "toolkit/events.h"

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/panel.h"

#include <stdexcept>

namespace zentrim::toolkit {

Component::Component(Form& owner, ComponentKind kind, std::u16string name)
    : owner_(owner), kind_(kind), name_(std::move(name)) {}

Component::~Component() = default;

Application& Component::App() const {
    return owner_.App();
}

Control::Control(Form& owner, ComponentKind kind, ControlInit init)
    : Component(owner, kind, std::move(init.name)), parent_(init.parent), bounds_(init.bounds),
      enabled_(init.enabled), visible_(init.visible), cursor_(init.cursor), hint_(std::move(init.hint)),
      tabOrder_(init.tabOrder), tabStop_(init.tabStop), hasFont_(init.hasFont),
      parentFont_(!init.font.has_value()), font_(init.font.value_or(Font{})) {
    if (parent_ != nullptr && &parent_->OwnerForm() != &owner) {
        throw std::invalid_argument("a control's parent must belong to the same form");
    }
}

void Control::SetBounds(const Bounds& bounds) {
    StoreBounds(AdjustBounds(bounds));
}

void Control::StoreBounds(const Bounds& bounds) {
    if (bounds_ == bounds) {
        return;
    }
    bounds_ = bounds;
    Notify(Change::Placement);
}

Point Control::PositionInForm() const {
    Point point{bounds_.left, bounds_.top};
    for (const Panel* panel = parent_; panel != nullptr; panel = panel->Parent()) {
        point.x += panel->Left();
        point.y += panel->Top();
    }
    return point;
}

Rect Control::ScreenRect() const {
    const Form& form = OwnerForm();
    const Point origin = form.ClientOrigin();
    const Point inForm = PositionInForm();
    const int left = origin.x + form.ScaleToDpi(inForm.x);
    const int top = origin.y + form.ScaleToDpi(inForm.y);
    return {left, top, left + form.ScaleToDpi(bounds_.width), top + form.ScaleToDpi(bounds_.height)};
}

void Control::SetEnabled(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    Notify(Change::Enabled);
}

bool Control::IsEffectivelyEnabled() const {
    if (!enabled_) {
        return false;
    }
    return parent_ != nullptr ? parent_->IsEffectivelyEnabled() : OwnerForm().Enabled();
}

void Control::SetVisible(bool visible) {
    if (visible_ == visible) {
        return;
    }
    visible_ = visible;
    Notify(Change::Visible);
}

bool Control::IsShowing() const {
    if (!visible_) {
        return false;
    }
    return parent_ != nullptr ? parent_->IsShowing() : OwnerForm().Visible();
}

void Control::SetCursor(Cursor cursor) {
    if (cursor_ == cursor) {
        return;
    }
    cursor_ = cursor;
    Notify(Change::MouseCursor);
}

Cursor Control::EffectiveCursor() const {
    for (const Control* control = this; control != nullptr; control = control->Parent()) {
        if (control->cursor_ != Cursor::Default) {
            return control->cursor_;
        }
    }
    return Cursor::Default;
}

void Control::SetHint(std::u16string hint) {
    hint_ = std::move(hint);
}

void Control::SetParentFont(bool on) {
    if (!hasFont_ || parentFont_ == on) {
        return;
    }
    if (!on) {
        // The control keeps the font it shows now as its own.
        font_ = GetFont();
        parentFont_ = false;
        return;
    }
    parentFont_ = true;
    ApplyFontChange();
}

Font Control::GetFont() const {
    if (hasFont_ && !parentFont_) {
        return font_;
    }
    return parent_ != nullptr ? parent_->GetFont() : OwnerForm().GetFont();
}

void Control::SetFont(const Font& font) {
    if (!hasFont_) {
        return;
    }
    const bool changed = parentFont_ || !(font_ == font);
    parentFont_ = false;
    font_ = font;
    if (changed) {
        ApplyFontChange();
    }
}

void Control::ParentFontChanged() {
    if (hasFont_ && parentFont_) {
        ApplyFontChange();
    }
}

void Control::ApplyFontChange() {
    FontChanged();
    Notify(Change::TextFont);
}

void Control::SetTabOrder(int tabOrder) {
    if (tabOrder_ == tabOrder) {
        return;
    }
    tabOrder_ = tabOrder;
    Notify(Change::TabOrder);
}

void Control::SetFocus() {
    OwnerForm().SetActiveControl(this);
}

bool Control::Focused() const {
    return OwnerForm().ActiveControl() == this;
}

void Control::Click() {
    RaiseEvent(onClick, *this);
}

std::u16string StripAccelerators(std::u16string_view caption) {
    std::u16string shown;
    shown.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            ++i; // the next character is shown as it is ("&&" shows one "&")
            if (i == caption.size()) {
                break;
            }
        }
        shown.push_back(caption[i]);
    }
    return shown;
}

} // namespace zentrim::toolkit
