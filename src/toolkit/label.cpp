#include "toolkit/label.h"

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/panel.h"

namespace zentrim::toolkit {

Label::Label(Form& owner, ControlProps props, LabelProps own)
    : Control(owner, kKind, std::move(props), {.tabStop = own.link, .hasFont = true}), own_(std::move(own)) {
    Resize();
}

std::u16string Label::DisplayText() const {
    return own_.showAccelChar ? StripAccelerators(Caption()) : Caption();
}

void Label::SetAutoSize(bool on) {
    if (own_.autoSize == on) {
        return;
    }
    own_.autoSize = on;
    Resize();
}

void Label::SetWordWrap(bool on) {
    if (own_.wordWrap == on) {
        return;
    }
    own_.wordWrap = on;
    Notify(Change::Style);
    Resize();
}

void Label::SetShowAccelChar(bool on) {
    if (own_.showAccelChar == on) {
        return;
    }
    own_.showAccelChar = on;
    Notify(Change::Style);
    Resize();
}

void Label::SetAlignment(TextAlignment alignment) {
    if (own_.alignment == alignment) {
        return;
    }
    own_.alignment = alignment;
    Notify(Change::Style);
}

void Label::SetTransparent(bool on) {
    if (own_.transparent == on) {
        return;
    }
    own_.transparent = on;
    Notify(Change::Style);
}

Color Label::GetColor() const {
    return own_.color.value_or(ParentBackgroundColor(*this));
}

bool Label::KeyPressed(int virtualKey) {
    if (!own_.link || (virtualKey != kVirtualKeyReturn && virtualKey != kVirtualKeySpace) || !IsShowing() ||
        !IsEffectivelyEnabled()) {
        return false;
    }
    Click();
    return true;
}

Bounds Label::AdjustBounds(const Bounds& bounds) const {
    if (!own_.autoSize) {
        return bounds;
    }
    const Size text = App().GetBackend().MeasureText(GetFont(), Caption(), own_.showAccelChar,
                                                     own_.wordWrap ? bounds.width : 0);
    Bounds sized = bounds;
    sized.height = text.height;
    if (own_.wordWrap) {
        return sized; // a wrapping label keeps its width and grows downwards
    }
    sized.width = text.width;
    switch (own_.alignment) {
    case TextAlignment::Left:
        break;
    case TextAlignment::Right:
        sized.left = bounds.Right() - text.width;
        break;
    case TextAlignment::Center:
        sized.left = bounds.left + (bounds.width - text.width) / 2;
        break;
    }
    return sized;
}

void Label::Resize() {
    StoreBounds(AdjustBounds(GetBounds()));
}

void SetUnderline(Label& label, bool on) {
    Font font = label.GetFont();
    font.style = on ? (font.style | kFontUnderline) : (font.style & ~kFontUnderline);
    label.SetFont(font);
}

} // namespace zentrim::toolkit
