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

// The properties every control kind shares, gathered from a kind's props by ControlInitFrom.
struct ControlInit {
    std::u16string name{};
    Panel* parent = nullptr;
    Bounds bounds;
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
    int tabOrder = -1;
    bool tabStop = false;
    bool hasFont = false;
    std::optional<Font> font{};
};

class Control : public Component {
public:
    // The panel this control sits on, or null when it sits on the form itself.
    Panel* Parent() const { return parent_; }

    const Bounds& GetBounds() const { return bounds_; }
    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.width; }
    int Height() const { return bounds_.height; }
    void SetBounds(const Bounds& bounds);
    // Top-left within the form's client area, in layout units.
    Point PositionInForm() const;
    // The control's rectangle on the screen, in pixels.
    Rect ScreenRect() const;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Enabled itself, on enabled parents, in an enabled form: it takes input.
    bool IsEffectivelyEnabled() const;
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // Visible itself, on visible parents, in a visible form.
    bool IsShowing() const;

    Cursor GetCursor() const { return cursor_; }
    void SetCursor(Cursor cursor);
    // The cursor shown over the control: its own, else the nearest parent's, else Default.
    Cursor EffectiveCursor() const;

    const std::u16string& Hint() const { return hint_; }
    void SetHint(std::u16string hint);

    // Kinds with a font: label, panel, button, memo, edit, picture combo box.
    bool HasFont() const { return hasFont_; }
    // On: the control follows its parent's font. Setting a font of its own turns it off.
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool on);
    // The font the control shows: its own, or its parent's while ParentFont is on.
    Font GetFont() const;
    void SetFont(const Font& font);

    // Tab order among the siblings: controls with a number come first, by number, then the
    // others in creation order. Only tab stops take the focus with the Tab key.
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int tabOrder);
    bool TabStop() const { return tabStop_; }
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
    Control(Form& owner, ComponentKind kind, ControlInit init);
    // Lets a kind adjust bounds being set (a label that sizes itself to its text).
    virtual Bounds AdjustBounds(const Bounds& bounds) const { return bounds; }
    // Runs after the effective font changed.
    virtual void FontChanged() {}
    // Sets bounds without adjusting them and tells the peer.
    void StoreBounds(const Bounds& bounds);
    void ApplyFontChange();

private:
    Panel* parent_;
    Bounds bounds_;
    bool enabled_;
    bool visible_;
    Cursor cursor_;
    std::u16string hint_;
    int tabOrder_;
    bool tabStop_;
    bool hasFont_;
    bool parentFont_;
    Font font_;
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

// Gathers the shared control properties from a kind's props struct; kinds without a font or
// without tab order simply lack those fields.
template <typename Props> ControlInit ControlInitFrom(Props& props, bool hasFont, bool tabStop) {
    ControlInit init;
    init.name = std::move(props.name);
    init.parent = props.parent;
    init.bounds = {props.left, props.top, props.width, props.height};
    init.enabled = props.enabled;
    init.visible = props.visible;
    init.cursor = props.cursor;
    init.hint = std::move(props.hint);
    init.hasFont = hasFont;
    init.tabStop = tabStop;
    if constexpr (requires { props.tabOrder; }) {
        init.tabOrder = props.tabOrder;
    }
    if constexpr (requires { props.tabStop; }) {
        init.tabStop = props.tabStop;
    }
    if constexpr (requires { props.font; }) {
        init.font = std::move(props.font);
    }
    return init;
}

// A caption as a label or button shows it: with accelerator marks, "&x" shows "x" and "&&"
// shows "&"; a lone "&" at the end is dropped.
std::u16string StripAccelerators(std::u16string_view caption);

} // namespace zentrim::toolkit
