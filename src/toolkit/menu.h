// Pop-up menus and their items. Items are components of the form too, kept in its order.
#pragma once

#include "toolkit/component.h"

#include <vector>

namespace zentrim::toolkit {

class MenuItem;

enum class MenuAlignment {
    Left,  // the menu's left edge at the point
    Right, // the menu's right edge at the point
};

struct PopupMenuProps {
    std::u16string name{};
    MenuAlignment alignment = MenuAlignment::Left; // the menu always unfolds downwards
};

class PopupMenu final : public Component {
public:
    static constexpr ComponentKind kKind = ComponentKind::PopupMenu;
    using Props = PopupMenuProps;

    PopupMenu(Form& owner, PopupMenuProps props);

    MenuAlignment Alignment() const { return alignment_; }
    void SetAlignment(MenuAlignment alignment) { alignment_ = alignment; }
    // The menu's items in creation order.
    std::vector<MenuItem*> Items() const;

    // Shows the menu at a screen point; a chosen item raises its onClick (the left button
    // chooses).
    void Popup(Point screenPoint);

private:
    MenuAlignment alignment_;
};

struct MenuItemProps {
    std::u16string name{};
    PopupMenu* menu = nullptr;
    std::u16string caption{};
    bool separator = false;
    bool enabled = true;
    bool visible = true;
};

class MenuItem final : public Component {
public:
    static constexpr ComponentKind kKind = ComponentKind::MenuItem;
    using Props = MenuItemProps;

    MenuItem(Form& owner, MenuItemProps props);

    PopupMenu* Menu() const { return menu_; }
    const std::u16string& Caption() const { return caption_; }
    void SetCaption(std::u16string caption);
    std::u16string DisplayText() const { return StripAccelerators(caption_); }
    bool Separator() const { return separator_; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    // Raises onClick, as choosing the item does.
    void Click();
    NotifyEvent onClick;

private:
    PopupMenu* menu_;
    std::u16string caption_;
    bool separator_;
    bool enabled_;
    bool visible_;
};

} // namespace zentrim::toolkit
