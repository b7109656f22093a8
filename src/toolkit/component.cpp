#include "toolkit/component.h"
#include "toolkit/events.h"

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/panel.h"

#include <stdexcept>
#include <utility>

namespace zentrim::toolkit {

Component::Component(Form& owner, ComponentKind kind, std::u16string name)
    : owner_(owner), kind_(kind), name_(std::move(name)) {}

Component::~Component() = default;

Application& Component::App() const {
    return owner_.App();
}

Control::Control(Form& owner, ComponentKind kind, ControlProps props, ControlTraits traits)
    : Component(owner, kind, std::exchange(props.name, {})), traits_(traits), props_(std::move(props)) {
    if (props_.parent != nullptr && &props_.parent->OwnerForm() != &owner) {
        throw std::invalid_argument("a control's parent must belong to the same form");
    }
    props_.bounds = WithDesignedSize(props_.bounds);
    if (!traits_.hasFont) {
        props_.font.reset();
    }
    if (!props_.tabStop.has_value()) {
        props_.tabStop = traits_.tabStop;
    }
}

Bounds Control::WithDesignedSize(Bounds bounds) const {
    if (bounds.width < 0) {
        bounds.width = traits_.size.width;
    }
    if (bounds.height < 0) {
        bounds.height = traits_.size.height;
    }
    return bounds;
}

void Control::SetBounds(const Bounds& bounds) {
    StoreBounds(AdjustBounds(WithDesignedSize(bounds)));
}

void Control::StoreBounds(const Bounds& bounds) {
    if (props_.bounds == bounds) {
        return;
    }
    props_.bounds = bounds;
    Notify(Change::Placement);
}

Point Control::PositionInForm() const {
    Point point{Left(), Top()};
    for (const Panel* panel = Parent(); panel != nullptr; panel = panel->Parent()) {
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
    return {left, top, left + form.ScaleToDpi(Width()), top + form.ScaleToDpi(Height())};
}

void Control::SetCaption(std::u16string caption) {
    if (props_.caption == caption) {
        return;
    }
    props_.caption = std::move(caption);
    Notify(Change::Text);
    CaptionChanged();
}

void Control::SetEnabled(bool enabled) {
    if (props_.enabled == enabled) {
        return;
    }
    props_.enabled = enabled;
    Notify(Change::Enabled);
}

bool Control::IsEffectivelyEnabled() const {
    if (!props_.enabled) {
        return false;
    }
    return Parent() != nullptr ? Parent()->IsEffectivelyEnabled() : OwnerForm().Enabled();
}

void Control::SetVisible(bool visible) {
    if (props_.visible == visible) {
        return;
    }
    props_.visible = visible;
    Notify(Change::Visible);
}

bool Control::IsShowing() const {
    if (!props_.visible) {
        return false;
    }
    return Parent() != nullptr ? Parent()->IsShowing() : OwnerForm().Visible();
}

void Control::SetCursor(Cursor cursor) {
    if (props_.cursor == cursor) {
        return;
    }
    props_.cursor = cursor;
    Notify(Change::MouseCursor);
}

Cursor Control::EffectiveCursor() const {
    for (const Control* control = this; control != nullptr; control = control->Parent()) {
        if (control->GetCursor() != Cursor::Default) {
            return control->GetCursor();
        }
    }
    return Cursor::Default;
}

void Control::SetHint(std::u16string hint) {
    props_.hint = std::move(hint);
}

void Control::SetParentFont(bool on) {
    if (!traits_.hasFont || ParentFont() == on) {
        return;
    }
    if (!on) {
        // The control keeps the font it shows now as its own.
        props_.font = GetFont();
        return;
    }
    props_.font.reset();
    ApplyFontChange();
}

Font Control::GetFont() const {
    if (props_.font.has_value()) {
        return *props_.font;
    }
    return Parent() != nullptr ? Parent()->GetFont() : OwnerForm().GetFont();
}

void Control::SetFont(const Font& font) {
    if (!traits_.hasFont) {
        return;
    }
    const bool changed = !props_.font.has_value() || !(*props_.font == font);
    props_.font = font;
    if (changed) {
        ApplyFontChange();
    }
}

void Control::ParentFontChanged() {
    if (traits_.hasFont && ParentFont()) {
        ApplyFontChange();
    }
}

void Control::ApplyFontChange() {
    FontChanged();
    Notify(Change::TextFont);
}

void Control::SetTabOrder(int tabOrder) {
    if (props_.tabOrder == tabOrder) {
        return;
    }
    props_.tabOrder = tabOrder;
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
