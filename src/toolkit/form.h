// A form: a top-level window that owns a tree of named components in creation order.
#pragma once

#include "toolkit/color.h"
#include "toolkit/component.h"
#include "toolkit/dialog_codes.h"

#include <concepts>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zentrim::toolkit {

class Button;

enum class FormBorder {
    Single,          // fixed single border; system menu and minimise box
    SingleNoButtons, // fixed single border; title bar without any button
    Dialog,          // fixed dialog frame; only the system menu (close) box
};

enum class FormPosition {
    Designed,        // at the left and top of the props
    ScreenCenter,    // centred on the screen's work area at every showing
    OwnerFormCenter, // centred over the owner form at every showing (the screen without one)
};

enum class CloseAction {
    None, // the close request is ignored
    Hide, // the form hides; closing the application's main form ends the application
};

struct FormProps {
    std::u16string className{}; // the window class name, "TMyForm"
    std::u16string name{};      // the form's name, "MyForm"
    std::u16string caption{};   // the title
    int clientWidth = 400;
    int clientHeight = 300;
    FormBorder border = FormBorder::Single;
    Color color = colors::kButtonFace;
    FormPosition position = FormPosition::Designed;
    int left = 0; // screen pixels, for FormPosition::Designed
    int top = 0;
    Form* owner = nullptr; // an owned form has no task-bar button and stays above its owner
    std::optional<Font> font{};
    bool desktopFont = false;
    std::u16string icon{}; // icon resource name; empty for none
};

class Form final : public Component {
public:
    static constexpr ComponentKind kKind = ComponentKind::Form;
    using Props = FormProps;

    Form(Application& app, FormProps props);
    ~Form() override;

    Application& App() const { return app_; }

    // Creates a component of kind T from its props and adds it to the component order: a control
    // from the properties every control shares and its kind's own, any other component from its
    // props alone.
    template <typename T>
    requires std::derived_from<T, Control> T& Add(ControlProps props, typename T::Props own = {}) {
        return static_cast<T&>(Adopt(std::make_unique<T>(*this, std::move(props), std::move(own))));
    }
    template <typename T>
    requires(!std::derived_from<T, Control>) T& Add(typename T::Props props) {
        return static_cast<T&>(Adopt(std::make_unique<T>(*this, std::move(props))));
    }

    // Every component in creation order (the form itself not included).
    const std::vector<Component*>& Components() const { return order_; }
    // The first component of that name, compared without regard to letter case.
    Component* FindComponent(std::u16string_view name) const;
    template <typename T> T* Find(std::u16string_view name) const {
        Component* component = FindComponent(name);
        return component ? component->As<T>() : nullptr;
    }

    const std::u16string& ClassName() const { return className_; }
    const std::u16string& Caption() const { return caption_; }
    void SetCaption(std::u16string caption);

    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    void SetClientSize(int width, int height);
    FormBorder Border() const { return border_; }
    Color GetColor() const { return color_; }
    void SetColor(Color color);
    FormPosition Position() const { return position_; }
    void SetPosition(FormPosition position) { position_ = position; }
    int DesignedLeft() const { return left_; }
    int DesignedTop() const { return top_; }
    void SetDesignedPlace(int left, int top);
    Form* Owner() const { return owner_; }
    const std::u16string& Icon() const { return icon_; }

    const Font& GetFont() const { return font_; }
    // Sets the form's font; turns DesktopFont off.
    void SetFont(const Font& font);
    bool DesktopFont() const { return desktopFont_; }
    // On: the form takes the desktop's icon-title font now (and again when the desktop's
    // font changes, see DesktopFontChanged).
    void SetDesktopFont(bool on);
    void DesktopFontChanged();

    bool Visible() const { return visible_; }
    // Shows the form: onShow runs first, then the position rule is applied and it appears.
    void Show();
    void Hide();
    // A close request (title bar, Alt+F4, WM_CLOSE): ends a modal showing with kModalCancel;
    // else onClose may change the action; Hide hides, and ends the application for its
    // main form.
    void Close();

    // Shows the form modally: the owner is disabled until the showing ends, which happens when
    // the modal result becomes non-zero (a button with a modal result, SetModalResult) or the
    // form is closed or hidden. Returns the modal result (kModalCancel when closed).
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool IsModal() const { return modal_; }
    // True while a modal showing should go on.
    bool ModalRunning() const;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // The control that has or gets the focus when the form is active.
    Control* ActiveControl() const { return activeControl_; }
    void SetActiveControl(Control* control);
    // The first button marked default.
    Button* DefaultButton() const;
    // The button Esc presses (none: Esc ends a modal showing like a close request, and does
    // nothing in other forms).
    Button* CancelButton() const { return cancelButton_; }
    void SetCancelButton(Button* button) { cancelButton_ = button; }
    // What Esc does: presses the cancel button when it is showing and enabled, else closes a modal
    // form. True when it did something.
    bool Escape();

    // Screen pixels of the window's outer edges and of the client area's top-left.
    Rect WindowRect() const;
    Point ClientOrigin() const;
    int Dpi() const;
    int ScaleToDpi(int layoutValue) const { return toolkit::ScaleToDpi(layoutValue, Dpi()); }

    // Runs each time the form is about to become visible.
    std::function<void(Form& sender)> onShow;
    std::function<void(Form& sender, CloseAction& action)> onClose;

    // For backends: the control under the mouse changed (null: none of this form's). Raises
    // mouse leave on the old and mouse enter on the new one, and drives the hints.
    void MouseOver(Control* control);
    Control* HotControl() const { return hot_; }
    // For backends: the user moved the focus.
    void FocusMovedTo(Control* control) { activeControl_ = control; }
    // For components: the font of a form or panel changed; controls that follow it are told.
    void FontChangedUnder(const Component& container);

private:
    Component& Adopt(std::unique_ptr<Component> component);

    Application& app_;
    std::u16string className_;
    std::u16string caption_;
    int clientWidth_;
    int clientHeight_;
    FormBorder border_;
    Color color_;
    FormPosition position_;
    int left_;
    int top_;
    Form* owner_;
    Font font_;
    bool desktopFont_ = false;
    std::u16string icon_;
    bool visible_ = false;
    bool enabled_ = true;
    bool modal_ = false;
    int modalResult_ = kModalNone;
    Button* cancelButton_ = nullptr;
    Control* activeControl_ = nullptr;
    Control* hot_ = nullptr;
    std::vector<std::unique_ptr<Component>> components_;
    std::vector<Component*> order_;
};

} // namespace zentrim::toolkit
