// A single-line text box.
#pragma once

#include "toolkit/color.h"
#include "toolkit/component.h"

namespace zentrim::toolkit {

struct EditProps {
    std::u16string text{};
    bool readOnly = false;
    Color color = colors::kWindow;
};

class Edit final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Edit;
    using Props = EditProps;
    static constexpr ControlTraits kTraits{.size = {121, 21}, .tabStop = true, .hasFont = true};

    Edit(Form& owner, ControlProps props, EditProps own);

    const std::u16string& Text() const { return own_.text; }
    void SetText(std::u16string text);
    bool ReadOnly() const { return own_.readOnly; }
    Color GetColor() const { return own_.color; }

    // For backends and tests: the user typed; raises onChange.
    void TextEditedByUser(std::u16string text);
    NotifyEvent onChange;

private:
    EditProps own_;
};

} // namespace zentrim::toolkit
