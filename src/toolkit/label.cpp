#include "toolkit/label.h"

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/panel.h"

namespace zentrim::toolkit {

Label::Label(Form& owner, LabelProps props)
    : Control(owner, kKind, ControlInitFrom(props, true, props.link)), caption_(std::move(props.caption)),
      autoSize_(props.autoSize), wordWrap_(props.wordWrap), showAccelChar_(props.showAccelChar),
      alignment_(props.alignment), layout_(props.layout), transparent_(props.transparent),
      color_(props.color), link_(props.link) {
    Resize();
}

void Label::SetCaption(std::u16string caption) {
    if (caption_ == caption) {
        return;
    }
    caption_ = std::move(caption);
    Notify(Change::Text);
    Resize();
}

std::u16string Label::DisplayText() const {
    return showAccelChar_ ? StripAccelerators(caption_) : caption_;
}

void Label::SetAutoSize(bool on) {
    if (autoSize_ == on) {
        return;
    }
    autoSize_ = on;
    Resize();
}

void Label::SetWordWrap(bool on) {
    if (wordWrap_ == on) {
        return;
    }
    wordWrap_ = on;
    Notify(Change::Style);
    Resize();
}

void Label::SetShowAccelChar(bool on) {
    if (showAccelChar_ == on) {
        return;
    }
    showAccelChar_ = on;
    Notify(Change::Style);
    Resize();
}

void Label::SetAlignment(TextAlignment alignment) {
    if (alignment_ == alignment) {
        return;
    }
    alignment_ = alignment;
    Notify(Change::Style);
}

void Label::SetTransparent(bool on) {
    if (transparent_ == on) {
        return;
    }
    transparent_ = on;
    Notify(Change::Style);
}

Color Label::GetColor() const {
    return color_.value_or(ParentBackgroundColor(*this));
}

bool Label::KeyPressed(int virtualKey) {
    if (!link_ || (virtualKey != kVirtualKeyReturn && virtualKey != kVirtualKeySpace) || !IsShowing() ||
        !IsEffectivelyEnabled()) {
        return false;
    }
    Click();
    return true;
}

Bounds Label::AdjustBounds(const Bounds& bounds) const {
    if (!autoSize_) {
        return bounds;
    }
    const Size text =
        App().GetBackend().MeasureText(GetFont(), caption_, showAccelChar_, wordWrap_ ? bounds.width : 0);
    Bounds sized = bounds;
    sized.height = text.height;
    if (wordWrap_) {
        return sized; // a wrapping label keeps its width and grows downwards
    }
    sized.width = text.width;
    switch (alignment_) {
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
