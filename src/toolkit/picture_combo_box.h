// A drop-down list whose items show a small picture from an image list before their caption.
#pragma once

#include "toolkit/component.h"

#include <vector>

namespace zentrim::toolkit {

class ImageList;

struct ComboItem {
    std::u16string caption{};
    int imageIndex = -1; // -1: no picture
    bool operator==(const ComboItem&) const = default;
};

struct PictureComboBoxProps {
    std::u16string name{};
    Panel* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 145;
    int height = 24;
    std::vector<ComboItem> items{};
    ImageList* images = nullptr;
    int selectedIndex = -1;
    int dropDownCount = 8;
    std::optional<Font> font{};
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
    int tabOrder = -1;
    bool tabStop = true;
};

class PictureComboBox final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::PictureComboBox;
    using Props = PictureComboBoxProps;

    PictureComboBox(Form& owner, PictureComboBoxProps props);

    const std::vector<ComboItem>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Replaces the items; the selection is cleared.
    void SetItems(std::vector<ComboItem> items);
    void AddItem(ComboItem item);

    // -1 when nothing is selected.
    int SelectedIndex() const { return selectedIndex_; }
    // An index outside 0..Count()-1 clears the selection. Raises no event.
    void SetSelectedIndex(int index);
    // The selected item's caption, or empty.
    std::u16string SelectedCaption() const;

    ImageList* Images() const { return images_; }
    void SetImages(ImageList* images);
    int DropDownCount() const { return dropDownCount_; }

    // For backends and tests: the user chose an item; raises onChange when the selection changed.
    void SelectByUser(int index);

    NotifyEvent onChange;

private:
    std::vector<ComboItem> items_;
    ImageList* images_;
    int selectedIndex_ = -1;
    int dropDownCount_;
};

} // namespace zentrim::toolkit
