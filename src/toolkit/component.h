// The component model: every part of a window is a named component owned by a form, kept in the
// form's component order (creation order). Controls are the components with a place on the
// screen; menus, menu items and image lists are components without one.
#pragma once

#include "toolkit/cursor.h"
#include "toolkit/font.h"
#include "toolkit/geometry.h"
#include "toolkit/peer.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zentrim::toolkit {

class Application;
class Form;
class Panel;

enum class ComponentKind {
    Form,
    Label,
    Panel,
    Button,
    MenuItem,
    PopupMenu,
    Memo,
    Edit,
    Image,
    Bevel,
    PictureComboBox,
    ImageList,
    TrackBar,
    ProgressBar,
};

class Component;
// An event with the component that raised it, so several components can share one handler.
using NotifyEvent = std::function<void(Component& sender)>;

class Component {
public:
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;
    virtual ~Component();

    ComponentKind Kind() const { return kind_; }
    const std::u16string& Name() const { return name_; }
    // The form that owns this component; a form owns itself.
    Form& OwnerForm() const { return owner_; }
    Application& App() const;

    // This component as the given kind, or null when it is of another kind.
    template <typename T> T* As() { return kind_ == T::kKind ? static_cast<T*>(this) : nullptr; }
    template <typename T> const T* As() const {
        return kind_ == T::kKind ? static_cast<const T*>(this) : nullptr;
    }

    // The window handle on Windows; null in the headless backend.
    void* NativeHandle() const { return peer_ ? peer_->NativeHandle() : nullptr; }
    Peer* GetPeer() const { return peer_.get(); }

    // Used by Form::Add and the form's constructor.
    void AttachPeer(std::unique_ptr<Peer> peer) { peer_ = std::move(peer); }
    void DetachPeer() { peer_.reset(); }

protected:
    Component(Form& owner, ComponentKind kind, std::u16string name);
    void Notify(Change change) const {
        if (peer_) {
            peer_->Changed(change);
        }
    }

private:
    Form& owner_;
    ComponentKind kind_;
    std::u16string name_;
    std::unique_ptr<Peer> peer_;
};

// The properties every control kind shares, as a layout gives them: the first argument of
// Form::Add for a control, `{.name = u"GoButton", .parent = &panel, .bounds = {400, 95, 145, 52}}`;
// the kind's own properties follow in a second one. The control keeps them as they change.
struct ControlProps {
    std::u16string name{};
    Panel* parent = nullptr;    // none: the form itself
    Bounds bounds{};            // a width or height left out takes the kind's designed size
    std::u16string caption{};   // shown by labels, panels and buttons
    std::optional<Font> font{}; // none: follows the parent's font; kinds that show no text have none
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
    int tabOrder = -1;
    std::optional<bool> tabStop{}; // none: as the kind is (buttons are, labels only as links)
};

// What a kind adds to the shared properties.
struct ControlTraits {
    Size size{};          // the designed size: for a width or height the layout leaves out
    bool tabStop = false; // unless the layout says otherwise
    bool hasFont = false; // label, panel, button, memo, edit, picture combo box
};

class Control : public Component {
public:
    // The panel this control sits on, or null when it sits on the form itself.
    Panel* Parent() const { return props_.parent; }

    const Bounds& GetBounds() const { return props_.bounds; }
    int Left() const { return props_.bounds.left; }
    int Top() const { return props_.bounds.top; }
    int Width() const { return props_.bounds.width; }
    int Height() const { return props_.bounds.height; }
    // A width or height left out (kDesignedSize) takes the kind's designed size.
    void SetBounds(const Bounds& bounds);
    // Top-left within the form's client area, in layout units.
    Point PositionInForm() const;
    // The control's rectangle on the screen, in pixels.
    Rect ScreenRect() const;

    // The caption as the layout or the catalogue gave it, with its accelerator marks.
    const std::u16string& Caption() const { return props_.caption; }
    void SetCaption(std::u16string caption);

    bool Enabled() const { return props_.enabled; }
    void SetEnabled(bool enabled);
    // Enabled itself, on enabled parents, in an enabled form: it takes input.
    bool IsEffectivelyEnabled() const;
    bool Visible() const { return props_.visible; }
    void SetVisible(bool visible);
    // Visible itself, on visible parents, in a visible form.
    bool IsShowing() const;

    Cursor GetCursor() const { return props_.cursor; }
    void SetCursor(Cursor cursor);
    // The cursor shown over the control: its own, else the nearest parent's, else Default.
    Cursor EffectiveCursor() const;

    const std::u16string& Hint() const { return props_.hint; }
    void SetHint(std::u16string hint);

    bool HasFont() const { return traits_.hasFont; }
    // On: the control follows its parent's font. Setting a font of its own turns it off.
    bool ParentFont() const { return !props_.font.has_value(); }
    void SetParentFont(bool on);
    // The font the control shows: its own, or its parent's while ParentFont is on.
    Font GetFont() const;
    void SetFont(const Font& font);

    // Tab order among the siblings: controls with a number come first, by number, then the
    // others in creation order. Only tab stops take the focus with the Tab key.
    int TabOrder() const { return props_.tabOrder; }
    void SetTabOrder(int tabOrder);
    bool TabStop() const { return props_.tabStop.value_or(false); }
    void SetFocus();
    bool Focused() const;

    // Acts as a click by the user: raises onClick (a button first applies its modal result).
    virtual void Click();

    NotifyEvent onClick;
    NotifyEvent onMouseEnter;
    NotifyEvent onMouseLeave;

    // For the form: the effective font changed because a parent's font did.
    void ParentFontChanged();

protected:
    Control(Form& owner, ComponentKind kind, ControlProps props, ControlTraits traits);
    // Lets a kind adjust bounds being set (a label that sizes itself to its text).
    virtual Bounds AdjustBounds(const Bounds& bounds) const { return bounds; }
    // Runs after the caption changed.
    virtual void CaptionChanged() {}
    // Runs after the effective font changed.
    virtual void FontChanged() {}
    // Sets bounds without adjusting them and tells the peer.
    void StoreBounds(const Bounds& bounds);
    void ApplyFontChange();

private:
    Bounds WithDesignedSize(Bounds bounds) const;

    ControlTraits traits_;
    ControlProps props_; // the name is the component's (Name()); props_.name stays empty
};

// Controls are every kind but forms, pop-up menus, menu items and image lists.
constexpr bool IsControlKind(ComponentKind kind) {
    return kind != ComponentKind::Form && kind != ComponentKind::MenuItem &&
           kind != ComponentKind::PopupMenu && kind != ComponentKind::ImageList;
}
inline Control* AsControl(Component* component) {
    return component != nullptr && IsControlKind(component->Kind()) ? static_cast<Control*>(component)
                                                                    : nullptr;
}
inline const Control* AsControl(const Component* component) {
    return component != nullptr && IsControlKind(component->Kind()) ? static_cast<const Control*>(component)
                                                                    : nullptr;
}

// A caption as a label or button shows it: with accelerator marks, "&x" shows "x" and "&&"
// shows "&"; a lone "&" at the end is dropped.
std::u16string StripAccelerators(std::u16string_view caption);

} // namespace zentrim::toolkit
