// A panel as a child window of the toolkit's own class; its controls are its child windows.
#include "toolkit/window_win32.h"

namespace zentrim::toolkit::win32 {

namespace {
constexpr wchar_t kPanelClass[] = L"ToolkitPanel";
}

PanelWindow::PanelWindow(Win32Backend& backend, Panel& panel, FormWindow& form)
    : ContainerWindow(backend), panel_(panel), form_(form) {
    if (form.ChildrenMade()) {
        MakeWindow();
    }
}

void* PanelWindow::NativeHandle() {
    form_.MakeChildren();
    return window_;
}

void PanelWindow::MakeWindow() {
    if (window_ != nullptr) {
        return;
    }
    RegisterClassOnce(Instance(), kPanelClass, nullptr);
    // Made in its place: the window procedure takes the window at WM_NCCREATE.
    form_.CreateChild(panel_, kPanelClass, panel_.Caption(), SharedStyle(panel_), WS_EX_CONTROLPARENT, this);
    if (window_ == nullptr) {
        return;
    }
    font_ = MakeFont(panel_.GetFont(), form_.Dpi());
    form_.ReorderTabs(&panel_, window_);
}

void PanelWindow::Rescale() {
    if (window_ == nullptr) {
        return;
    }
    PlaceChild(window_, form_.ScaledRect(panel_));
    font_ = MakeFont(panel_.GetFont(), form_.Dpi());
}

Color PanelWindow::Background() {
    return panel_.BackgroundColor();
}

void PanelWindow::Changed(Change change) {
    if (window_ == nullptr || ApplySharedChange(window_, panel_, form_, change)) {
        return;
    }
    switch (change) {
    case Change::Text: {
        const std::wstring caption = ToWide(panel_.Caption());
        SetWindowTextW(window_, caption.c_str());
        InvalidateRect(window_, nullptr, FALSE);
        break;
    }
    case Change::Placement:
        PlaceChild(window_, form_.ScaledRect(panel_));
        break;
    case Change::TextFont:
        font_ = MakeFont(panel_.GetFont(), form_.Dpi());
        InvalidateRect(window_, nullptr, FALSE);
        break;
    case Change::BackColor:
    case Change::Style:
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        break;
    default:
        break;
    }
}

void PanelWindow::PaintDecoration(HDC dc, const RECT& client) {
    RECT rect = client;
    if (panel_.Bevel()) {
        DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
    }
    if (!panel_.Caption().empty()) {
        SelectGuard font(dc, font_.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorRef(panel_.GetFont().color));
        const std::wstring caption = ToWide(panel_.Caption());
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rect,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

LRESULT PanelWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_.get());
    case WM_CLOSE:
    case WM_NEXTDLGCTL:
    case DM_GETDEFID:
        // Controls send these to their parent as if it were the dialog (a multi-line edit on Esc,
        // Tab and Enter). They belong to the top-level window: a panel is never closed by itself,
        // and it is the form that moves the focus and knows the default button.
        return SendMessageW(GetAncestor(window_, GA_ROOT), message, wParam, lParam);
    default:
        return ContainerWindow::HandleMessage(message, wParam, lParam);
    }
}

} // namespace zentrim::toolkit::win32
