#include "toolkit/picture_combo_box.h"
#include "toolkit/events.h"

#include "toolkit/image_list.h"

namespace zentrim::toolkit {

PictureComboBox::PictureComboBox(Form& owner, ControlProps props, PictureComboBoxProps own)
    : Control(owner, kKind, std::move(props), kTraits), own_(std::move(own)) {
    if (own_.selectedIndex < 0 || own_.selectedIndex >= Count()) {
        own_.selectedIndex = -1;
    }
}

void PictureComboBox::SetItems(std::vector<ComboItem> items) {
    own_.items = std::move(items);
    own_.selectedIndex = -1;
    Notify(Change::Items);
}

void PictureComboBox::AddItem(ComboItem item) {
    own_.items.push_back(std::move(item));
    Notify(Change::Items);
}

void PictureComboBox::SetSelectedIndex(int index) {
    if (index < 0 || index >= Count()) {
        index = -1;
    }
    if (own_.selectedIndex == index) {
        return;
    }
    own_.selectedIndex = index;
    Notify(Change::Selection);
}

std::u16string PictureComboBox::SelectedCaption() const {
    return own_.selectedIndex >= 0 ? own_.items[static_cast<std::size_t>(own_.selectedIndex)].caption
                                   : std::u16string();
}

void PictureComboBox::SetImages(ImageList* images) {
    if (own_.images == images) {
        return;
    }
    own_.images = images;
    Notify(Change::Pictures);
}

void PictureComboBox::SelectByUser(int index) {
    const int before = own_.selectedIndex;
    SetSelectedIndex(index);
    if (own_.selectedIndex != before) {
        RaiseEvent(onChange, *this);
    }
}

} // namespace zentrim::toolkit
