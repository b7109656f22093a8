// What every standard control shares: creation with the common styles, place and font at the
// form's resolution, mouse enter and leave, the component's cursor.
#include "base/phase_trace.h"
#include "toolkit/application.h"
#include "toolkit/window_win32.h"

namespace zentrim::toolkit::win32 {

ControlWindow::~ControlWindow() {
    if (window_ != nullptr) {
        HWND window = window_;
        Unhook();
        window_ = nullptr;
        DestroyWindow(window);
    }
}

void ControlWindow::Create(const wchar_t* className, std::u16string_view text, DWORD style, DWORD exStyle) {
    const DWORD fullStyle = WS_CHILD | WS_CLIPSIBLINGS | style | (control_.Visible() ? WS_VISIBLE : 0) |
                            (control_.Enabled() ? 0 : WS_DISABLED) | (control_.TabStop() ? WS_TABSTOP : 0);
    const Bounds& bounds = control_.GetBounds();
    const std::wstring wide = ToWide(text);
    const trace::Scope scope(trace::Phase::ChildWindows);
    window_ = CreateWindowExW(exStyle | WS_EX_NOPARENTNOTIFY, className, wide.c_str(), fullStyle,
                              form_.Scale(bounds.left), form_.Scale(bounds.top), form_.Scale(bounds.width),
                              form_.Scale(bounds.height), form_.ParentWindow(control_),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(form_.NextControlId())),
                              form_.Instance(), nullptr);
    if (window_ == nullptr) {
        return;
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlWindow::SubclassProc)));
    ApplyFont();
    Place();
    form_.ReorderTabs(&control_, window_);
}

void ControlWindow::Unhook() {
    if (window_ != nullptr && original_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    }
    original_ = nullptr;
}

LRESULT CALLBACK ControlWindow::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ControlWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return 0; // a handler's failure ends that handler only
    }
}

LRESULT ControlWindow::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(original_, window_, message, wParam, lParam);
}

LRESULT ControlWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) {
        return result;
    }
    switch (message) {
    case WM_MOUSEMOVE:
        if (!tracking_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
            tracking_ = TrackMouseEvent(&track) != FALSE;
        }
        form_.GetForm().MouseOver(&control_);
        break;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (form_.GetForm().HotControl() == &control_) {
            form_.GetForm().MouseOver(nullptr);
        }
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == window_ && LOWORD(lParam) == HTCLIENT) {
            const Cursor cursor = control_.EffectiveCursor();
            if (cursor != Cursor::Default) {
                if (auto handle = static_cast<HCURSOR>(form_.App().Cursors().Resolve(cursor))) {
                    SetCursor(handle);
                    return TRUE;
                }
            }
        }
        break;
    case WM_NCDESTROY: {
        WNDPROC original = original_;
        HWND window = window_;
        Unhook();
        window_ = nullptr;
        return CallWindowProcW(original, window, message, wParam, lParam);
    }
    default:
        break;
    }
    return CallOriginal(message, wParam, lParam);
}

RECT ControlWindow::NativeRect() {
    const Bounds& bounds = control_.GetBounds();
    return {form_.Scale(bounds.left), form_.Scale(bounds.top), form_.Scale(bounds.Right()),
            form_.Scale(bounds.Bottom())};
}

void ControlWindow::Place() {
    if (window_ == nullptr) {
        return;
    }
    const trace::Scope scope(trace::Phase::Layout);
    const RECT rect = NativeRect();
    if (PlacedAt(window_, rect)) {
        return; // each placement is a round trip to the window server under Wine
    }
    SetWindowPos(window_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlWindow::ApplyFont() {
    if (window_ == nullptr || !control_.HasFont()) {
        return;
    }
    UniqueFont font = MakeFont(control_.GetFont(), form_.Dpi());
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font); // the old font goes only after the control let go of it
}

void ControlWindow::RepaintUnder() {
    if (window_ == nullptr) {
        return;
    }
    HWND parent = GetParent(window_);
    RECT now{};
    GetWindowRect(window_, &now);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&now), 2);
    RECT area{};
    UnionRect(&area, &now, &lastRect_);
    lastRect_ = now;
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void ControlWindow::Changed(Change change) {
    if (window_ == nullptr) {
        return;
    }
    switch (change) {
    case Change::Placement:
        Place();
        break;
    case Change::Enabled:
        EnableWindow(window_, control_.Enabled() ? TRUE : FALSE);
        break;
    case Change::Visible:
        ShowWindow(window_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
    case Change::TextFont:
        ApplyFont();
        Place();
        break;
    case Change::TabOrder:
        form_.ReorderTabs();
        break;
    case Change::BackColor:
        InvalidateRect(window_, nullptr, TRUE);
        break;
    default:
        break;
    }
}

void ControlWindow::Rescale() {
    ApplyFont();
    Place();
}

} // namespace zentrim::toolkit::win32
