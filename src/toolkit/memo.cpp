#include "toolkit/memo.h"
#include "toolkit/events.h"

namespace zentrim::toolkit {

Memo::Memo(Form& owner, ControlProps props, MemoProps own)
    : Control(owner, kKind, std::move(props), kTraits), own_(std::move(own)) {}

void Memo::SetText(std::u16string text) {
    if (own_.text == text) {
        return;
    }
    own_.text = std::move(text);
    Notify(Change::Text);
}

std::vector<std::u16string> Memo::Lines() const {
    return SplitLines(own_.text);
}

void Memo::SetLines(const std::vector<std::u16string>& lines) {
    std::u16string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text += u"\r\n";
        }
        text += lines[i];
    }
    SetText(std::move(text));
}

void Memo::SetColor(Color color) {
    if (own_.color == color) {
        return;
    }
    own_.color = color;
    Notify(Change::BackColor);
}

void Memo::TextEditedByUser(std::u16string text) {
    if (own_.text == text) {
        return;
    }
    own_.text = std::move(text);
    RaiseEvent(onChange, *this);
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

} // namespace zentrim::toolkit
