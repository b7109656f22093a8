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

struct LabelProps {
    std::u16string name{};
    Panel* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 0; // with autoSize, set from the text
    int height = 0;
    std::u16string caption{};
    std::optional<Font> font{}; // none: follows the parent's font
    bool autoSize = true;
    bool wordWrap = false;
    bool showAccelChar = true; // "&" marks an accelerator; off: "&" shows as it is
    // With autoSize, Right keeps the right edge (the label grows to the left), Center the middle.
    TextAlignment alignment = TextAlignment::Left;
    TextLayout layout = TextLayout::Top;
    bool transparent = false;     // drawn over whatever the parent shows beneath
    std::optional<Color> color{}; // background when not transparent; none: the parent's colour
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
    // A link: a tab stop that Enter and Space activate as a click does, shown with a focus
    // rectangle and announced to screen readers as a link. Without a tab number it takes its place
    // after every other control of its container, so links beside a layout follow its stops.
    bool link = false;
};

class Label final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Label;
    using Props = LabelProps;

    Label(Form& owner, LabelProps props);

    const std::u16string& Caption() const { return caption_; }
    void SetCaption(std::u16string caption);
    // The text as shown: accelerator marks removed unless showAccelChar is off.
    std::u16string DisplayText() const;

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool on);
    TextAlignment Alignment() const { return alignment_; }
    void SetAlignment(TextAlignment alignment);
    TextLayout Layout() const { return layout_; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    // The background colour: its own, or the parent's.
    Color GetColor() const;

    bool IsLink() const { return link_; }
    // A key pressed while the label has the focus: Enter or Space on a link that takes input acts
    // as a click. True when the key was taken.
    bool KeyPressed(int virtualKey);

private:
    Bounds AdjustBounds(const Bounds& bounds) const override;
    void FontChanged() override { Resize(); }
    void Resize();

    std::u16string caption_;
    bool autoSize_;
    bool wordWrap_;
    bool showAccelChar_;
    TextAlignment alignment_;
    TextLayout layout_;
    bool transparent_;
    std::optional<Color> color_;
    bool link_;
};

// Turns the underline of the label's own font on or off, keeping its face, size and colour (a link
// under the mouse).
void SetUnderline(Label& label, bool on);

} // namespace zentrim::toolkit
