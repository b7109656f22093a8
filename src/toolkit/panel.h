// A container with a colour of its own; its controls sit in its client area.
#pragma once

#include "toolkit/color.h"
#include "toolkit/component.h"

namespace zentrim::toolkit {

struct PanelProps {
    std::u16string name{};
    Panel* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::u16string caption{}; // drawn centred
    std::optional<Font> font{};
    Color color = colors::kButtonFace;
    bool bevel = false;            // a raised edge
    bool parentBackground = false; // on: shows the parent's colour instead of its own
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
    int tabOrder = -1;
};

class Panel final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Panel;
    using Props = PanelProps;

    Panel(Form& owner, PanelProps props);

    const std::u16string& Caption() const { return caption_; }
    void SetCaption(std::u16string caption);
    Color GetColor() const { return color_; }
    void SetColor(Color color);
    // The colour the panel paints: its own, or its parent's with parentBackground.
    Color BackgroundColor() const;
    bool Bevel() const { return bevel_; }
    bool ParentBackground() const { return parentBackground_; }

private:
    void FontChanged() override;

    std::u16string caption_;
    Color color_;
    bool bevel_;
    bool parentBackground_;
};

// The background colour behind a control: its panel's, or the form's.
Color ParentBackgroundColor(const Control& control);

} // namespace zentrim::toolkit
