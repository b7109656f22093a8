// A container with a colour of its own; its controls sit in its client area.
#pragma once

#include "toolkit/color.h"
#include "toolkit/component.h"

namespace zentrim::toolkit {

// A panel's caption is drawn centred.
struct PanelProps {
    Color color = colors::kButtonFace;
    bool bevel = false;            // a raised edge
    bool parentBackground = false; // on: shows the parent's colour instead of its own
};

class Panel final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Panel;
    using Props = PanelProps;
    static constexpr ControlTraits kTraits{.hasFont = true};

    Panel(Form& owner, ControlProps props, PanelProps own);

    Color GetColor() const { return own_.color; }
    void SetColor(Color color);
    // The colour the panel paints: its own, or its parent's with parentBackground.
    Color BackgroundColor() const;
    bool Bevel() const { return own_.bevel; }
    bool ParentBackground() const { return own_.parentBackground; }

private:
    void FontChanged() override;

    PanelProps own_;
};

// The background colour behind a control: its panel's, or the form's.
Color ParentBackgroundColor(const Control& control);

} // namespace zentrim::toolkit
