// A multi-line text box; read-only memos show text the user can select and scroll.
#pragma once

#include "toolkit/color.h"
#include "toolkit/component.h"

#include <vector>

namespace zentrim::toolkit {

enum class ScrollBars { None, Vertical, Horizontal, Both };

struct MemoProps {
    std::u16string name{};
    Panel* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 185;
    int height = 89;
    std::u16string text{}; // lines separated by CR LF
    std::optional<Font> font{};
    bool readOnly = false;
    bool wordWrap = true;
    ScrollBars scrollBars = ScrollBars::None;
    Color color = colors::kWindow;
    bool enabled = true;
    bool visible = true;
    Cursor cursor = Cursor::Default;
    std::u16string hint{};
    int tabOrder = -1;
    bool tabStop = true;
};

class Memo final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Memo;
    using Props = MemoProps;

    Memo(Form& owner, MemoProps props);

    // The whole content, lines separated by CR LF.
    const std::u16string& Text() const { return text_; }
    // Replaces all lines.
    void SetText(std::u16string text);
    // The lines: the text split at CR LF, a lone CR or a lone LF. An empty memo has no lines.
    std::vector<std::u16string> Lines() const;
    void SetLines(const std::vector<std::u16string>& lines);

    bool ReadOnly() const { return readOnly_; }
    bool WordWrap() const { return wordWrap_; }
    ScrollBars GetScrollBars() const { return scrollBars_; }
    Color GetColor() const { return color_; }
    void SetColor(Color color);

    // For backends: the user edited the text.
    void TextEditedByUser(std::u16string text);
    NotifyEvent onChange;

private:
    std::u16string text_;
    bool readOnly_;
    bool wordWrap_;
    ScrollBars scrollBars_;
    Color color_;
};

// Splits text into lines at CR LF, a lone CR or a lone LF; no lines for empty text, and a
// final line break adds no empty line.
std::vector<std::u16string> SplitLines(std::u16string_view text);

} // namespace zentrim::toolkit
