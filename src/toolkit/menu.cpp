#include "toolkit/menu.h"
#include "toolkit/events.h"

#include "toolkit/application.h"
#include "toolkit/form.h"

namespace zentrim::toolkit {

PopupMenu::PopupMenu(Form& owner, PopupMenuProps props)
    : Component(owner, kKind, std::move(props.name)), alignment_(props.alignment) {}

std::vector<MenuItem*> PopupMenu::Items() const {
    std::vector<MenuItem*> items;
    for (Component* component : OwnerForm().Components()) {
        if (MenuItem* item = component->As<MenuItem>(); item != nullptr && item->Menu() == this) {
            items.push_back(item);
        }
    }
    return items;
}

void PopupMenu::Popup(Point screenPoint) {
    App().GetBackend().ShowPopupMenu(*this, screenPoint);
}

MenuItem::MenuItem(Form& owner, MenuItemProps props)
    : Component(owner, kKind, std::move(props.name)), menu_(props.menu), caption_(std::move(props.caption)),
      separator_(props.separator), enabled_(props.enabled), visible_(props.visible) {}

void MenuItem::SetCaption(std::u16string caption) {
    if (caption_ == caption) {
        return;
    }
    caption_ = std::move(caption);
    Notify(Change::Text);
}

void MenuItem::SetEnabled(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    Notify(Change::Enabled);
}

void MenuItem::SetVisible(bool visible) {
    if (visible_ == visible) {
        return;
    }
    visible_ = visible;
    Notify(Change::Visible);
}

void MenuItem::Click() {
    RaiseEvent(onClick, *this);
}

} // namespace zentrim::toolkit
