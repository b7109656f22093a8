// A push button. A button with a modal result ends its form's modal showing when clicked.
#pragma once

#include "toolkit/component.h"
#include "toolkit/dialog_codes.h"

namespace zentrim::toolkit {

struct ButtonProps {
    bool isDefault = false; // Enter presses it
    int modalResult = kModalNone;
    bool shield = false; // shows the administrator shield
};

class Button final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Button;
    using Props = ButtonProps;
    static constexpr ControlTraits kTraits{.size = {75, 25}, .tabStop = true, .hasFont = true};

    Button(Form& owner, ControlProps props, ButtonProps own);

    std::u16string DisplayText() const { return StripAccelerators(Caption()); }
    bool IsDefault() const { return own_.isDefault; }
    void SetDefault(bool on);
    int ModalResult() const { return own_.modalResult; }
    void SetModalResult(int result) { own_.modalResult = result; }
    bool Shield() const { return own_.shield; }
    void SetShield(bool on);

    // Applies the modal result to the form, then raises onClick.
    void Click() override;

private:
    ButtonProps own_;
};

} // namespace zentrim::toolkit
