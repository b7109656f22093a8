#include "toolkit/form.h"
#include "toolkit/events.h"

#include "base/text.h"
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/panel.h"

namespace zentrim::toolkit {

Form::Form(Application& app, FormProps props)
    : Component(*this, ComponentKind::Form, std::move(props.name)), app_(app),
      className_(std::move(props.className)), caption_(std::move(props.caption)),
      clientWidth_(props.clientWidth), clientHeight_(props.clientHeight), border_(props.border),
      color_(props.color), position_(props.position), left_(props.left), top_(props.top), owner_(props.owner),
      font_(props.font.value_or(Font{})), icon_(std::move(props.icon)) {
    app_.AddForm(*this);
    AttachPeer(app_.GetBackend().CreatePeer(*this));
    if (props.desktopFont) {
        SetDesktopFont(true);
    }
}

Form::~Form() {
    app_.RemoveForm(*this);
    hot_ = nullptr;
    activeControl_ = nullptr;
    // Newest first, so a control goes before the panel it sits on; a component leaves the
    // order before it is destroyed, so the native side never meets a half-destroyed one.
    while (!components_.empty()) {
        order_.pop_back();
        components_.pop_back();
    }
    DetachPeer();
}

Component& Form::Adopt(std::unique_ptr<Component> component) {
    Component& added = *component;
    components_.push_back(std::move(component));
    order_.push_back(&added);
    added.AttachPeer(app_.GetBackend().CreatePeer(added));
    return added;
}

Component* Form::FindComponent(std::u16string_view name) const {
    for (Component* component : order_) {
        if (EqualsIgnoringCase(component->Name(), name)) {
            return component;
        }
    }
    return nullptr;
}

void Form::SetCaption(std::u16string caption) {
    if (caption_ == caption) {
        return;
    }
    caption_ = std::move(caption);
    Notify(Change::Text);
}

void Form::SetClientSize(int width, int height) {
    if (clientWidth_ == width && clientHeight_ == height) {
        return;
    }
    clientWidth_ = width;
    clientHeight_ = height;
    Notify(Change::Placement);
}

void Form::SetColor(Color color) {
    if (color_ == color) {
        return;
    }
    color_ = color;
    Notify(Change::BackColor);
}

void Form::SetDesignedPlace(int left, int top) {
    left_ = left;
    top_ = top;
}

void Form::SetFont(const Font& font) {
    desktopFont_ = false;
    if (font_ == font) {
        return;
    }
    font_ = font;
    Notify(Change::TextFont);
    FontChangedUnder(*this);
}

void Form::SetDesktopFont(bool on) {
    if (!on) {
        desktopFont_ = false;
        return;
    }
    const Font desktop = app_.GetBackend().DesktopFont();
    desktopFont_ = true;
    if (font_ == desktop) {
        return;
    }
    font_ = desktop;
    Notify(Change::TextFont);
    FontChangedUnder(*this);
}

void Form::DesktopFontChanged() {
    if (desktopFont_) {
        SetDesktopFont(true);
    }
}

void Form::FontChangedUnder(const Component& container) {
    const Panel* parent = container.Kind() == ComponentKind::Panel ? container.As<Panel>() : nullptr;
    for (Component* component : order_) {
        Control* control = AsControl(component);
        if (control != nullptr && control->Parent() == parent) {
            control->ParentFontChanged();
        }
    }
}

void Form::Show() {
    if (visible_) {
        return;
    }
    RaiseEvent(onShow, *this);
    app_.GetBackend().PlaceForm(*this);
    visible_ = true;
    Notify(Change::Visible);
}

void Form::Hide() {
    if (!visible_) {
        return;
    }
    MouseOver(nullptr);
    visible_ = false;
    Notify(Change::Visible);
}

void Form::Close() {
    if (modal_) {
        if (modalResult_ == kModalNone) {
            modalResult_ = kModalCancel;
        }
        return;
    }
    CloseAction action = CloseAction::Hide;
    RaiseEvent(onClose, *this, action);
    if (action == CloseAction::None) {
        return;
    }
    Hide();
    if (app_.MainForm() == this) {
        app_.Terminate();
    }
}

int Form::ShowModal() {
    if (visible_ || modal_) {
        return kModalNone;
    }
    // Ends the showing on every path, an exception from onShow included: the owner is enabled
    // again before the form hides, so the owner becomes the active window.
    struct ModalScope {
        Form& form;
        Form* disabledOwner;
        ~ModalScope() {
            if (disabledOwner != nullptr) {
                disabledOwner->SetEnabled(true);
            }
            form.Hide();
            form.modal_ = false;
        }
    };
    modal_ = true;
    modalResult_ = kModalNone;
    Form* disabledOwner = owner_ != nullptr && owner_->Enabled() ? owner_ : nullptr;
    if (disabledOwner != nullptr) {
        disabledOwner->SetEnabled(false);
    }
    ModalScope scope{*this, disabledOwner};
    Show();
    app_.GetBackend().RunModalLoop(app_, *this);
    if (modalResult_ == kModalNone) {
        modalResult_ = kModalCancel;
    }
    return modalResult_;
}

bool Form::ModalRunning() const {
    return modal_ && modalResult_ == kModalNone && visible_ && !app_.Terminated();
}

void Form::SetEnabled(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    Notify(Change::Enabled);
}

void Form::SetActiveControl(Control* control) {
    if (control != nullptr && &control->OwnerForm() != this) {
        return;
    }
    activeControl_ = control;
    Notify(Change::Focus);
}

Button* Form::DefaultButton() const {
    for (Component* component : order_) {
        if (Button* button = component->As<Button>(); button != nullptr && button->IsDefault()) {
            return button;
        }
    }
    return nullptr;
}

bool Form::Escape() {
    if (cancelButton_ != nullptr) {
        if (cancelButton_->IsShowing() && cancelButton_->IsEffectivelyEnabled()) {
            cancelButton_->Click();
            return true;
        }
        return false;
    }
    if (modal_) {
        Close();
        return true;
    }
    return false;
}

Rect Form::WindowRect() const {
    return app_.GetBackend().WindowRect(*this);
}

Point Form::ClientOrigin() const {
    return app_.GetBackend().ClientOrigin(*this);
}

int Form::Dpi() const {
    return app_.GetBackend().Dpi(*this);
}

void Form::MouseOver(Control* control) {
    if (control == hot_) {
        return;
    }
    Control* previous = hot_;
    hot_ = control;
    if (previous != nullptr) {
        RaiseEvent(previous->onMouseLeave, *previous);
    }
    if (control != nullptr) {
        RaiseEvent(control->onMouseEnter, *control);
    }
    app_.ControlHovered(control);
}

} // namespace zentrim::toolkit
