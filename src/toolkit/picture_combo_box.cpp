#include "toolkit/picture_combo_box.h"
#include "toolkit/events.h"

#include "toolkit/image_list.h"

namespace zentrim::toolkit {

PictureComboBox::PictureComboBox(Form& owner, PictureComboBoxProps props)
    : Control(owner, kKind, ControlInitFrom(props, true, true)), items_(std::move(props.items)),
      images_(props.images), dropDownCount_(props.dropDownCount) {
    if (props.selectedIndex >= 0 && props.selectedIndex < Count()) {
        selectedIndex_ = props.selectedIndex;
    }
}

void PictureComboBox::SetItems(std::vector<ComboItem> items) {
    items_ = std::move(items);
    selectedIndex_ = -1;
    Notify(Change::Items);
}

void PictureComboBox::AddItem(ComboItem item) {
    items_.push_back(std::move(item));
    Notify(Change::Items);
}

void PictureComboBox::SetSelectedIndex(int index) {
    if (index < 0 || index >= Count()) {
        index = -1;
    }
    if (selectedIndex_ == index) {
        return;
    }
    selectedIndex_ = index;
    Notify(Change::Selection);
}

std::u16string PictureComboBox::SelectedCaption() const {
    return selectedIndex_ >= 0 ? items_[static_cast<std::size_t>(selectedIndex_)].caption : std::u16string();
}

void PictureComboBox::SetImages(ImageList* images) {
    if (images_ == images) {
        return;
    }
    images_ = images;
    Notify(Change::Pictures);
}

void PictureComboBox::SelectByUser(int index) {
    const int before = selectedIndex_;
    SetSelectedIndex(index);
    if (selectedIndex_ != before) {
        RaiseEvent(onChange, *this);
    }
}

} // namespace zentrim::toolkit
