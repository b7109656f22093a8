// What every standard control shares: creation with the common styles, place and font at the
// form's resolution, mouse enter and leave, the component's cursor.
#include "base/phase_trace.h"
#include "toolkit/application.h"
#include "toolkit/window_win32.h"

namespace zentrim::toolkit::win32 {

namespace {
// The toolkit's subclass of a control's window; its reference data is the ControlWindow.
constexpr UINT_PTR kSubclassId = 1;
} // namespace

DWORD SharedStyle(const Control& control) {
    return WS_CHILD | WS_CLIPSIBLINGS | (control.Visible() ? WS_VISIBLE : 0) |
           (control.Enabled() ? 0 : WS_DISABLED) | (control.TabStop() ? WS_TABSTOP : 0);
}

void PlaceChild(HWND window, const RECT& rect) {
    const trace::Scope scope(trace::Phase::Layout);
    if (PlacedAt(window, rect)) {
        return; // each placement is a round trip to the window server under Wine
    }
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ApplySharedChange(HWND window, const Control& control, FormWindow& form, Change change) {
    switch (change) {
    case Change::Enabled:
        EnableWindow(window, control.Enabled() ? TRUE : FALSE);
        return true;
    case Change::Visible:
        ShowWindow(window, control.Visible() ? SW_SHOWNA : SW_HIDE);
        return true;
    case Change::TabOrder:
        form.ReorderTabs();
        return true;
    default:
        return false;
    }
}

ControlWindow::~ControlWindow() {
    if (window_ != nullptr) {
        HWND window = window_;
        Unhook();
        window_ = nullptr;
        DestroyWindow(window);
    }
}

void* ControlWindow::NativeHandle() {
    form_.MakeChildren();
    return window_;
}

void ControlWindow::Create(const wchar_t* className, std::u16string_view text, DWORD style, DWORD exStyle) {
    window_ = form_.CreateChild(control_, className, text, SharedStyle(control_) | style, exStyle, nullptr);
    if (window_ == nullptr) {
        return;
    }
    ApplyFont();
    Place();
    form_.ReorderTabs(&control_, window_);
    if (!form_.HookingDeferred()) {
        Hook();
    }
}

void ControlWindow::Hook() {
    if (window_ == nullptr || hooked_) {
        return;
    }
    hooked_ = SetWindowSubclass(window_, &ControlWindow::SubclassProc, kSubclassId,
                                reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void ControlWindow::Unhook() {
    if (window_ != nullptr && hooked_) {
        RemoveWindowSubclass(window_, &ControlWindow::SubclassProc, kSubclassId);
        hooked_ = false;
    }
}

LRESULT CALLBACK ControlWindow::SubclassProc(HWND, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR self) {
    try {
        return reinterpret_cast<ControlWindow*>(self)->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return 0; // a handler's failure ends that handler only
    }
}

LRESULT ControlWindow::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(window_, message, wParam, lParam);
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
        // The subclass goes before the window does; the control's own procedure ends it.
        HWND window = window_;
        Unhook();
        window_ = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    default:
        break;
    }
    return CallOriginal(message, wParam, lParam);
}

RECT ControlWindow::NativeRect() {
    return form_.ScaledRect(control_);
}

void ControlWindow::Place() {
    if (window_ != nullptr) {
        PlaceChild(window_, NativeRect());
    }
}

void ControlWindow::ApplyFont() {
    if (window_ == nullptr || !control_.HasFont()) {
        return;
    }
    UniqueFont font = MakeFont(control_.GetFont(), form_.Dpi());
    // A window not shown yet is painted whole when it shows: it need not repaint for its font.
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()),
                 IsWindowVisible(window_) ? TRUE : FALSE);
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
    if (IsWindowVisible(parent)) { // a hidden window is painted whole when shown
        RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

void ControlWindow::Changed(Change change) {
    if (window_ == nullptr || ApplySharedChange(window_, control_, form_, change)) {
        return;
    }
    switch (change) {
    case Change::Placement:
        Place();
        break;
    case Change::TextFont:
        ApplyFont();
        Place();
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
