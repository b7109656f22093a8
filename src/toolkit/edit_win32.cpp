// Memos and single-line edits as EDIT controls.
#include "toolkit/window_win32.h"

namespace zentrim::toolkit::win32 {

namespace {

DWORD MemoStyle(const Memo& memo) {
    DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | (memo.WordWrap() ? 0 : ES_AUTOHSCROLL) |
                  (memo.ReadOnly() ? ES_READONLY : 0);
    const ScrollBars bars = memo.GetScrollBars();
    if (bars == ScrollBars::Vertical || bars == ScrollBars::Both) {
        style |= WS_VSCROLL;
    }
    if (bars == ScrollBars::Horizontal || bars == ScrollBars::Both) {
        style |= WS_HSCROLL;
    }
    return style;
}

// The EDIT control breaks lines only at CR LF.
std::wstring WithCrLf(std::u16string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            out += L"\r\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
        } else {
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

} // namespace

EditWindow::EditWindow(Memo& memo, FormWindow& form) : ControlWindow(memo, form), memo_(&memo) {
    if (form.ChildrenMade()) {
        MakeWindow();
    }
}

EditWindow::EditWindow(Edit& edit, FormWindow& form) : ControlWindow(edit, form), edit_(&edit) {
    if (form.ChildrenMade()) {
        MakeWindow();
    }
}

void EditWindow::MakeWindow() {
    if (window_ != nullptr) {
        return;
    }
    const DWORD style =
        memo_ != nullptr ? MemoStyle(*memo_) : ES_AUTOHSCROLL | (edit_->ReadOnly() ? ES_READONLY : 0);
    settingText_ = true;
    Create(L"Edit", u"", style, WS_EX_CLIENTEDGE);
    settingText_ = false;
    SetNativeText();
}

void EditWindow::SetNativeText() {
    if (window_ == nullptr) {
        return;
    }
    const std::wstring text = WithCrLf(memo_ != nullptr ? memo_->Text() : edit_->Text());
    settingText_ = true;
    SetWindowTextW(window_, text.c_str());
    settingText_ = false;
}

Color EditWindow::BackColor() const {
    return memo_ != nullptr ? memo_->GetColor() : edit_->GetColor();
}

void EditWindow::Changed(Change change) {
    if (change == Change::Text) {
        SetNativeText();
        return;
    }
    ControlWindow::Changed(change);
}

bool EditWindow::OnParentNotify(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE && !settingText_) {
            const int length = GetWindowTextLengthW(window_);
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            text.resize(static_cast<std::size_t>(GetWindowTextW(window_, text.data(), length + 1)));
            if (memo_ != nullptr) {
                memo_->TextEditedByUser(FromWide(text));
            } else {
                edit_->TextEditedByUser(FromWide(text));
            }
        }
        result = 0;
        return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: { // read-only and disabled edits ask with WM_CTLCOLORSTATIC
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, ColorRef(control_.GetFont().color));
        SetBkColor(dc, ColorRef(BackColor()));
        result = reinterpret_cast<LRESULT>(brush_.Get(BackColor()));
        return true;
    }
    default:
        return false;
    }
}

} // namespace zentrim::toolkit::win32
