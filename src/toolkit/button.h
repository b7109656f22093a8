// A push button. A button with a modal result ends its form's modal showing when clicked.
#pragma once

#include "toolkit/component.h"
#include "toolkit/dialog_codes.h"

namespace zentrim::toolkit {

struct ButtonProps {
    std::u16string name{};
    Panel* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 75;
    int height = 25;
    std::u16string caption{};
    std::optional<Font> font{};
    bool isDefault = false; // Enter presses it
    int modalResult = kModalNone;
    bool shield = false; // shows the administrator shield
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
    int tabOrder = -1;
    bool tabStop = true;
};

class Button final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Button;
    using Props = ButtonProps;

    Button(Form& owner, ButtonProps props);

    const std::u16string& Caption() const { return caption_; }
    void SetCaption(std::u16string caption);
    std::u16string DisplayText() const { return StripAccelerators(caption_); }
    bool IsDefault() const { return isDefault_; }
    void SetDefault(bool on);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool Shield() const { return shield_; }
    void SetShield(bool on);

    // Applies the modal result to the form, then raises onClick.
    void Click() override;

private:
    std::u16string caption_;
    bool isDefault_;
    int modalResult_;
    bool shield_;
};

} // namespace zentrim::toolkit
