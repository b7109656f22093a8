// A form as a top-level window registered under the form's own class name.
#include "base/phase_trace.h"
#include "toolkit/application.h"
#include "toolkit/window_win32.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace zentrim::toolkit::win32 {

namespace {

DWORD StyleFor(FormBorder border) {
    switch (border) {
    case FormBorder::Single:
        return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    case FormBorder::SingleNoButtons:
        return WS_OVERLAPPED | WS_CAPTION;
    case FormBorder::Dialog:
        return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    }
    return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
}

HICON LoadFormIcon(HINSTANCE instance, const std::u16string& name) {
    if (name.empty()) {
        return nullptr;
    }
    const std::wstring wide = ToWide(name);
    return static_cast<HICON>(
        LoadImageW(instance, wide.c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

// A control's place among its siblings in the tab order: numbered first, then the others, then
// the links without a number (they follow the stops of the layout they are added to).
std::pair<int, int> TabPlace(const Control& control) {
    if (control.TabOrder() >= 0) {
        return {0, control.TabOrder()};
    }
    const Label* label = control.As<Label>();
    return {label != nullptr && label->IsLink() ? 2 : 1, 0};
}

RECT WorkAreaOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor != nullptr && GetMonitorInfoW(monitor, &info)) {
        return info.rcWork;
    }
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

} // namespace

FormWindow::FormWindow(Win32Backend& backend, Form& form) : ContainerWindow(backend), form_(form) {
    style_ = StyleFor(form.Border());
    exStyle_ = WS_EX_CONTROLPARENT | (form.Border() == FormBorder::Dialog ? WS_EX_DLGMODALFRAME : 0);
    const std::wstring className = ToWide(form.ClassName());
    RegisterClassOnce(Instance(), className.c_str(), LoadFormIcon(Instance(), form.Icon()));
    // The owner's top-level window only: its controls are made when it shows.
    HWND owner = form.Owner() != nullptr && form.Owner()->GetPeer() != nullptr
                     ? PeerOf(*form.Owner())->Window()
                     : nullptr;
    const std::wstring caption = ToWide(form.Caption());
    const trace::Scope scope(trace::Phase::TopLevelWindows);
    // Made at its size for the screen's resolution, and sized again only when it came out at
    // another (on a monitor of its own): each sizing is a round trip to the window server.
    dpi_ = ScreenDpi();
    const Size planned =
        OuterSize({Scale(form.ClientWidth()), Scale(form.ClientHeight())}, style_, exStyle_, dpi_);
    CreateWindowExW(exStyle_, className.c_str(), caption.c_str(), style_, CW_USEDEFAULT, CW_USEDEFAULT,
                    planned.width, planned.height, owner, nullptr, Instance(), this);
    if (window_ == nullptr) {
        return;
    }
    const int dpi = WindowDpi(window_);
    if (dpi != dpi_) {
        dpi_ = dpi;
        const Size outer =
            OuterSize({Scale(form.ClientWidth()), Scale(form.ClientHeight())}, style_, exStyle_, dpi_);
        SetWindowPos(window_, nullptr, 0, 0, outer.width, outer.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void* FormWindow::NativeHandle() {
    // The form's own handle makes the controls' windows, and leaves their subclassing to the first
    // showing or to the first control whose handle is asked for.
    if (!childrenMade_ && window_ != nullptr) {
        MakeChildrenUnhooked();
    }
    return window_;
}

void FormWindow::MakeChildren() {
    if (window_ == nullptr) {
        return;
    }
    if (!childrenMade_) {
        MakeChildrenUnhooked();
    }
    if (hookingDeferred_ && !makingChildren_) {
        HookChildren();
    }
}

void FormWindow::MakeChildrenUnhooked() {
    // Marked first: a control that asks for a handle while the windows are made gets the windows
    // made so far.
    childrenMade_ = true;
    hookingDeferred_ = true;
    makingChildren_ = true;
    // The windows with everything they are given (fonts, items, pictures, heights).
    const trace::Scope scope(trace::Phase::ChildWindows);
    try {
        for (Component* component : form_.Components()) {
            PeerOf(*component)->MakeWindow();
        }
    } catch (...) {
        makingChildren_ = false;
        HookChildren();
        throw;
    }
    makingChildren_ = false;
}

void FormWindow::HookChildren() {
    hookingDeferred_ = false;
    for (Component* component : form_.Components()) {
        PeerOf(*component)->Hook();
    }
}

Application& FormWindow::App() const {
    return form_.App();
}

Color FormWindow::Background() {
    return form_.GetColor();
}

Win32Peer* FormWindow::FindPeer(HWND window) const {
    if (window == nullptr) {
        return nullptr;
    }
    for (Component* component : form_.Components()) {
        if (PeerOf(*component)->Window() == window) {
            return PeerOf(*component);
        }
    }
    return nullptr;
}

Component* FormWindow::FindComponent(HWND window) const {
    // Inner windows of a control (the list of a combo box) count as the control.
    for (; window != nullptr && window != window_; window = GetParent(window)) {
        for (Component* component : form_.Components()) {
            if (PeerOf(*component)->Window() == window) {
                return component;
            }
        }
    }
    return nullptr;
}

HWND FormWindow::ParentWindow(const Control& control) const {
    return control.Parent() != nullptr ? PeerOf(*control.Parent())->Window() : window_;
}

RECT FormWindow::ScaledRect(const Control& control) const {
    const Bounds& bounds = control.GetBounds();
    return {Scale(bounds.left), Scale(bounds.top), Scale(bounds.Right()), Scale(bounds.Bottom())};
}

HWND FormWindow::CreateChild(const Control& control, const wchar_t* className, std::u16string_view text,
                             DWORD style, DWORD exStyle, void* createParam) {
    const RECT rect = ScaledRect(control);
    const std::wstring wide = ToWide(text);
    const trace::Scope scope(trace::Phase::ChildWindows);
    return CreateWindowExW(exStyle | WS_EX_NOPARENTNOTIFY, className, wide.c_str(), style, rect.left,
                           rect.top, rect.right - rect.left, rect.bottom - rect.top, ParentWindow(control),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())), Instance(),
                           createParam);
}

void FormWindow::ReorderTabs(const Control* newcomer, HWND newcomerWindow) {
    // Tab walks the children in z-order, so z-order follows the tab order: numbered controls
    // first, by number, then the others in creation order, links without a number last.
    const trace::Scope scope(trace::Phase::Layout);
    const auto windowOf = [&](const Control* control) {
        return control == newcomer ? newcomerWindow : PeerOf(*control)->Window();
    };
    const auto ordered = [&](const Panel* container) {
        std::vector<const Control*> children;
        for (Component* component : form_.Components()) {
            const Control* control = AsControl(component);
            if (control != nullptr && control->Parent() == container && windowOf(control) != nullptr) {
                children.push_back(control);
            }
        }
        std::stable_sort(children.begin(), children.end(),
                         [](const Control* a, const Control* b) { return TabPlace(*a) < TabPlace(*b); });
        return children;
    };
    constexpr UINT kZOrderOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    if (newcomer != nullptr) {
        // The other children are in order already (every creation and renumbering keeps them
        // so): the newcomer only has to go behind the child before it, or to the top.
        const std::vector<const Control*> children = ordered(newcomer->Parent());
        const auto place = std::find(children.begin(), children.end(), newcomer);
        if (place == children.end()) {
            return;
        }
        // A window made in tab order is in its place already (a new child goes to the bottom).
        HWND before = place == children.begin() ? nullptr : windowOf(*std::prev(place));
        if (GetWindow(newcomerWindow, GW_HWNDPREV) != before) {
            SetWindowPos(newcomerWindow, before == nullptr ? HWND_TOP : before, 0, 0, 0, 0, kZOrderOnly);
        }
        return;
    }
    std::vector<const Panel*> containers{nullptr};
    for (Component* component : form_.Components()) {
        if (const Panel* panel = component->As<Panel>()) {
            containers.push_back(panel);
        }
    }
    for (const Panel* container : containers) {
        HWND after = HWND_TOP;
        for (const Control* child : ordered(container)) {
            HWND window = windowOf(child);
            SetWindowPos(window, after, 0, 0, 0, 0, kZOrderOnly);
            after = window;
        }
    }
}

void FormWindow::Place() {
    if (window_ == nullptr) {
        return;
    }
    const Size size =
        OuterSize({Scale(form_.ClientWidth()), Scale(form_.ClientHeight())}, style_, exStyle_, dpi_);
    Rect placed{form_.DesignedLeft(), form_.DesignedTop(), form_.DesignedLeft() + size.width,
                form_.DesignedTop() + size.height};
    if (form_.Position() != FormPosition::Designed) {
        Rect over = FromRect(WorkAreaOf(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST)));
        if (form_.Position() == FormPosition::OwnerFormCenter && form_.Owner() != nullptr &&
            form_.Owner()->NativeHandle() != nullptr) {
            RECT ownerRect{};
            GetWindowRect(static_cast<HWND>(form_.Owner()->NativeHandle()), &ownerRect);
            over = FromRect(ownerRect);
        }
        placed = CenterIn(size, over);
        const RECT target = ToRect(placed);
        placed = KeepInside(placed, FromRect(WorkAreaOf(MonitorFromRect(&target, MONITOR_DEFAULTTONEAREST))));
    }
    SetWindowPos(window_, nullptr, placed.left, placed.top, size.width, size.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::Changed(Change change) {
    if (window_ == nullptr) {
        return;
    }
    switch (change) {
    case Change::Text: {
        const std::wstring caption = ToWide(form_.Caption());
        SetWindowTextW(window_, caption.c_str());
        break;
    }
    case Change::Visible: {
        if (form_.Visible() && !childrenMade_) {
            MakeChildrenUnhooked();
        }
        const trace::Scope scope(trace::Phase::Showing);
        ShowWindow(window_, form_.Visible() ? SW_SHOW : SW_HIDE);
        if (form_.Visible() && hookingDeferred_) {
            // The first painting, before the subclassing (see MakeChildren).
            RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            HookChildren();
        }
        break;
    }
    case Change::Enabled:
        EnableWindow(window_, form_.Enabled() ? TRUE : FALSE);
        break;
    case Change::Placement: {
        const Size outer =
            OuterSize({Scale(form_.ClientWidth()), Scale(form_.ClientHeight())}, style_, exStyle_, dpi_);
        SetWindowPos(window_, nullptr, 0, 0, outer.width, outer.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    }
    case Change::BackColor:
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        break;
    case Change::Focus:
        if (IsWindowVisible(window_) && GetActiveWindow() == window_) {
            FocusActiveControl();
        }
        break;
    default:
        break;
    }
}

void FormWindow::FocusActiveControl() {
    const Control* control = form_.ActiveControl();
    HWND target = nullptr;
    if (control != nullptr && control->IsShowing() && control->IsEffectivelyEnabled()) {
        target = static_cast<HWND>(control->NativeHandle());
    }
    if (target == nullptr) {
        target = GetNextDlgTabItem(window_, nullptr, FALSE);
    }
    if (target != nullptr && IsChild(window_, target)) {
        SetFocus(target);
    }
}

void FormWindow::MoveFocus(WPARAM wParam, LPARAM lParam) {
    HWND target = nullptr;
    if (LOWORD(lParam) != 0) {
        target = reinterpret_cast<HWND>(wParam); // the window to focus
    } else {
        // The next (wParam zero) or previous tab stop from the focused control.
        HWND focus = GetFocus();
        target = GetNextDlgTabItem(window_, focus != nullptr && IsChild(window_, focus) ? focus : nullptr,
                                   wParam != 0 ? TRUE : FALSE);
    }
    if (target != nullptr && IsChild(window_, target)) {
        SetFocus(target);
    }
}

void FormWindow::DpiChanged(int dpi, const RECT* suggested) {
    dpi_ = dpi;
    if (suggested != nullptr) {
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (Component* component : form_.Components()) {
        PeerOf(*component)->Rescale();
    }
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        form_.Close();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            // Keep the focused control, to give the focus back when the form is active again.
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window_, focus)) {
                if (Control* control = AsControl(FindComponent(focus))) {
                    form_.FocusMovedTo(control);
                }
            }
        } else if (HIWORD(wParam) == 0) {
            FocusActiveControl();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        FocusActiveControl();
        return 0;
    case DM_GETDEFID: {
        const Button* button = form_.DefaultButton();
        if (button != nullptr && button->NativeHandle() != nullptr) {
            return MAKELRESULT(GetDlgCtrlID(static_cast<HWND>(button->NativeHandle())), DC_HASDEFID);
        }
        return 0;
    }
    case WM_NEXTDLGCTL:
        MoveFocus(wParam, lParam);
        return 0;
    case WM_COMMAND:
        // Enter without a default button known to the dialog keys arrives as IDOK.
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            if (Button* button = form_.DefaultButton();
                button != nullptr && button->IsShowing() && button->IsEffectivelyEnabled()) {
                button->Click();
            }
            return 0;
        }
        // Esc arrives from the dialog keys as IDCANCEL: it presses the form's cancel button, or
        // ends a modal showing as a close request would, the same as Esc in a multi-line edit,
        // which asks its parent to close.
        if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
            form_.Escape();
            return 0;
        }
        break;
    case WM_DPICHANGED:
        DpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETICONTITLELOGFONT || wParam == SPI_SETNONCLIENTMETRICS) {
            form_.DesktopFontChanged();
        }
        break;
    default:
        break;
    }
    return ContainerWindow::HandleMessage(message, wParam, lParam);
}

} // namespace zentrim::toolkit::win32
