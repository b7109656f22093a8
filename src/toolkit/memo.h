// A multi-line text box; read-only memos show text the user can select and scroll.
#pragma once

#include "toolkit/color.h"
#include "toolkit/component.h"

#include <vector>

namespace zentrim::toolkit {

enum class ScrollBars { None, Vertical, Horizontal, Both };

struct MemoProps {
    std::u16string text{}; // lines separated by CR LF
    bool readOnly = false;
    bool wordWrap = true;
    ScrollBars scrollBars = ScrollBars::None;
    Color color = colors::kWindow;
};

class Memo final : public Control {
public:
    static constexpr ComponentKind kKind = ComponentKind::Memo;
    using Props = MemoProps;
    static constexpr ControlTraits kTraits{.size = {185, 89}, .tabStop = true, .hasFont = true};

    Memo(Form& owner, ControlProps props, MemoProps own);

    // The whole content, lines separated by CR LF.
    const std::u16string& Text() const { return own_.text; }
    // Replaces all lines.
    void SetText(std::u16string text);
    // The lines: the text split at CR LF, a lone CR or a lone LF. An empty memo has no lines.
    std::vector<std::u16string> Lines() const;
    void SetLines(const std::vector<std::u16string>& lines);

    bool ReadOnly() const { return own_.readOnly; }
    bool WordWrap() const { return own_.wordWrap; }
    ScrollBars GetScrollBars() const { return own_.scrollBars; }
    Color GetColor() const { return own_.color; }
    void SetColor(Color color);

    // For backends: the user edited the text.
    void TextEditedByUser(std::u16string text);
    NotifyEvent onChange;

private:
    MemoProps own_;
};

// Splits text into lines at CR LF, a lone CR or a lone LF; no lines for empty text, and a
// final line break adds no empty line.
std::vector<std::u16string> SplitLines(std::u16string_view text);

} // namespace zentrim::toolkit
