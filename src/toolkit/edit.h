// A single-line text box.
#pragma once

#include "toolkit/color.h"
#include "toolkit/component.h"

namespace zentrim::toolkit {

struct EditProps {
    std::u16string name{};
    Panel* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 121;
    int height = 21;
    std::u16string text{};
    std::optional<Font> font{};
    bool readOnly = false;
    Color color = colors::kWindow;
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
    int tabOrder = -1;
    bool tabStop = true;
};

class Edit final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Edit;
    using Props = EditProps;

    Edit(Form& owner, EditProps props);

    const std::u16string& Text() const { return text_; }
    void SetText(std::u16string text);
    bool ReadOnly() const { return readOnly_; }
    Color GetColor() const { return color_; }

    // For backends and tests: the user typed; raises onChange.
    void TextEditedByUser(std::u16string text);
    NotifyEvent onChange;

private:
    std::u16string text_;
    bool readOnly_;
    Color color_;
};

} // namespace zentrim::toolkit
