// A line or block of text. As a real child window its text is readable by WM_GETTEXT. A label
// marked as a link is also a keyboard stop that Enter and Space activate.
#pragma once

#include "toolkit/component.h"

#include <optional>

namespace zentrim::toolkit {

// The keys that activate a focused link, as Windows numbers them.
inline constexpr int kVirtualKeyReturn = 0x0D;
inline constexpr int kVirtualKeySpace = 0x20;

enum class TextAlignment { Left, Right, Center };
enum class TextLayout { Top, Center }; // Center: a single line centred vertically in the bounds

// A label's own properties; with autoSize its width and height come from its text.
struct LabelProps {
    bool autoSize = true;
    bool wordWrap = false;
    bool showAccelChar = true; // "&" marks an accelerator; off: "&" shows as it is
    // With autoSize, Right keeps the right edge (the label grows to the left), Center the middle.
    TextAlignment alignment = TextAlignment::Left;
    TextLayout layout = TextLayout::Top;
    bool transparent = false;     // drawn over whatever the parent shows beneath
    std::optional<Color> color{}; // background when not transparent; none: the parent's colour
    // A link: a tab stop that Enter and Space activate as a click does, shown with a focus
    // rectangle and announced to screen readers as a link. Without a tab number it takes its place
    // after every other control of its container, so links beside a layout follow its stops.
    bool link = false;
};

class Label final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Label;
    using Props = LabelProps;

    Label(Form& owner, ControlProps props, LabelProps own);

    // The text as shown: accelerator marks removed unless showAccelChar is off.
    std::u16string DisplayText() const;

    bool AutoSize() const { return own_.autoSize; }
    void SetAutoSize(bool on);
    bool WordWrap() const { return own_.wordWrap; }
    void SetWordWrap(bool on);
    bool ShowAccelChar() const { return own_.showAccelChar; }
    void SetShowAccelChar(bool on);
    TextAlignment Alignment() const { return own_.alignment; }
    void SetAlignment(TextAlignment alignment);
    TextLayout Layout() const { return own_.layout; }
    bool Transparent() const { return own_.transparent; }
    void SetTransparent(bool on);
    // The background colour: its own, or the parent's.
    Color GetColor() const;

    bool IsLink() const { return own_.link; }
    // A key pressed while the label has the focus: Enter or Space on a link that takes input acts
    // as a click. True when the key was taken.
    bool KeyPressed(int virtualKey);

private:
    Bounds AdjustBounds(const Bounds& bounds) const override;
    void CaptionChanged() override { Resize(); }
    void FontChanged() override { Resize(); }
    void Resize();

    LabelProps own_;
};

// Turns the underline of the label's own font on or off, keeping its face, size and colour (a link
// under the mouse).
void SetUnderline(Label& label, bool on);

} // namespace zentrim::toolkit
