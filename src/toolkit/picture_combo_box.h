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
    std::vector<ComboItem> items{};
    ImageList* images = nullptr;
    int selectedIndex = -1;
    int dropDownCount = 8;
};

class PictureComboBox final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::PictureComboBox;
    using Props = PictureComboBoxProps;
    static constexpr ControlTraits kTraits{.size = {145, 24}, .tabStop = true, .hasFont = true};

    PictureComboBox(Form& owner, ControlProps props, PictureComboBoxProps own);

    const std::vector<ComboItem>& Items() const { return own_.items; }
    int Count() const { return static_cast<int>(own_.items.size()); }
    // Replaces the items; the selection is cleared.
    void SetItems(std::vector<ComboItem> items);
    void AddItem(ComboItem item);

    // -1 when nothing is selected.
    int SelectedIndex() const { return own_.selectedIndex; }
    // An index outside 0..Count()-1 clears the selection. Raises no event.
    void SetSelectedIndex(int index);
    // The selected item's caption, or empty.
    std::u16string SelectedCaption() const;

    ImageList* Images() const { return own_.images; }
    void SetImages(ImageList* images);
    int DropDownCount() const { return own_.dropDownCount; }

    // For backends and tests: the user chose an item; raises onChange when the selection changed.
    void SelectByUser(int index);

    NotifyEvent onChange;

private:
    PictureComboBoxProps own_;
};

} // namespace zentrim::toolkit
