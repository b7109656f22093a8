// What forms and panels share: painting the background and the graphic controls on it, passing
// notifications on to the control that sent them, mouse tracking over pictures, cursors.
#include "toolkit/application.h"
#include "toolkit/window_win32.h"

#include <windowsx.h>

namespace zentrim::toolkit::win32 {

namespace {

bool IsGraphic(const Control& control) {
    return control.Kind() == ComponentKind::Image || control.Kind() == ComponentKind::Bevel;
}

// The window a notification came from.
HWND Sender(UINT message, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        return lParam != 0 ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
    }
    return reinterpret_cast<HWND>(lParam);
}

} // namespace

ContainerWindow::~ContainerWindow() {
    if (window_ != nullptr) {
        // Detached first, so the window's last messages never reach a half-destroyed object.
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        HWND window = window_;
        window_ = nullptr;
        DestroyWindow(window);
    }
}

void ContainerWindow::RegisterClassOnce(HINSTANCE instance, const wchar_t* className, HICON icon) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, className, &existing)) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &ContainerWindow::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
}

LRESULT CALLBACK ContainerWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<ContainerWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ContainerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // A handler's failure ends that handler only; the window goes on.
        return 0;
    }
}

LRESULT ContainerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
        // Controls tell their immediate parent; the control's own component handles it.
        if (Win32Peer* peer = Owner().FindPeer(Sender(message, lParam))) {
            LRESULT result = 0;
            if (peer->OnParentNotify(message, wParam, lParam, result)) {
                return result;
            }
        }
        if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
            // Controls without colours of their own stand on this window's background.
            SetBkColor(reinterpret_cast<HDC>(wParam), ColorRef(Background()));
            return reinterpret_cast<LRESULT>(background_.Get(Background()));
        }
        break;
    }
    case WM_ERASEBKGND:
        return 1; // everything is painted in WM_PAINT, at once, without flicker
    case WM_PAINT:
        Paint();
        return 0;
    case WM_MOUSEMOVE: {
        if (!tracking_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
            tracking_ = TrackMouseEvent(&track) != FALSE;
        }
        Owner().GetForm().MouseOver(ControlAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
        return 0;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        // When the mouse went on to a child control, that control has taken over already.
        if (OwnsHot()) {
            Owner().GetForm().MouseOver(nullptr);
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        pressed_ = ControlAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (pressed_ != nullptr) {
            SetCapture(window_);
        }
        return 0;
    case WM_LBUTTONUP: {
        Control* pressed = pressed_;
        pressed_ = nullptr;
        if (pressed != nullptr) {
            if (GetCapture() == window_) {
                ReleaseCapture();
            }
            if (ControlAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) == pressed &&
                pressed->IsEffectivelyEnabled()) {
                pressed->Click();
            }
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        pressed_ = nullptr;
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) != window_) {
            return FALSE; // a child chooses its own cursor
        }
        if (LOWORD(lParam) == HTCLIENT) {
            POINT point{};
            GetCursorPos(&point);
            ScreenToClient(window_, &point);
            const Control* control = ControlAt(point);
            const Cursor cursor = control != nullptr ? control->EffectiveCursor() : Cursor::Default;
            if (cursor != Cursor::Default) {
                if (auto handle = static_cast<HCURSOR>(Owner().App().Cursors().Resolve(cursor))) {
                    SetCursor(handle);
                    return TRUE;
                }
            }
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void ContainerWindow::Paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window_, &paint);
    if (dc == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(window_, &client);
    const RECT& area = paint.rcPaint;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width > 0 && height > 0 && !painted_) {
        // The first painting has nothing of this window's on screen to flicker over, so it goes
        // straight to the window: a bitmap of the window's size is fresh memory to fill, and
        // touching fresh memory is most of a first painting's cost on a virtual machine.
        painted_ = true;
        PaintContent(dc, client);
    } else if (width > 0 && height > 0) {
        // Painted off screen first, so pictures and lines never flicker over the background.
        UniqueDc memory(CreateCompatibleDC(dc));
        UniqueBitmap bitmap(memory ? CreateCompatibleBitmap(dc, width, height) : nullptr);
        if (bitmap) {
            SelectGuard select(memory.get(), bitmap.get());
            SetViewportOrgEx(memory.get(), -area.left, -area.top, nullptr);
            PaintContent(memory.get(), client);
            SetViewportOrgEx(memory.get(), 0, 0, nullptr);
            BitBlt(dc, area.left, area.top, width, height, memory.get(), 0, 0, SRCCOPY);
        } else {
            PaintContent(dc, client);
        }
    }
    EndPaint(window_, &paint);
}

void ContainerWindow::PaintContent(HDC dc, const RECT& client) {
    FillRect(dc, &client, background_.Get(Background()));
    PaintDecoration(dc, client);
    const Panel* panel = AsPanel();
    for (Component* component : Owner().GetForm().Components()) {
        const Control* control = AsControl(component);
        if (control != nullptr && IsGraphic(*control) && control->Parent() == panel && control->Visible()) {
            auto* graphic = static_cast<GraphicPeer*>(PeerOf(*control));
            graphic->Draw(dc, graphic->NativeRect());
        }
    }
}

Control* ContainerWindow::GraphicAt(POINT point) {
    const Panel* panel = AsPanel();
    const auto& components = Owner().GetForm().Components();
    // The last created lies on top.
    for (auto it = components.rbegin(); it != components.rend(); ++it) {
        Control* control = AsControl(*it);
        if (control != nullptr && IsGraphic(*control) && control->Parent() == panel && control->Visible()) {
            const RECT rect = static_cast<GraphicPeer*>(PeerOf(*control))->NativeRect();
            if (PtInRect(&rect, point)) {
                return control;
            }
        }
    }
    return nullptr;
}

Control* ContainerWindow::ControlAt(POINT point) {
    Control* graphic = GraphicAt(point);
    return graphic != nullptr ? graphic : AsPanel();
}

bool ContainerWindow::OwnsHot() {
    const Control* hot = Owner().GetForm().HotControl();
    return hot != nullptr && (hot == AsPanel() || (IsGraphic(*hot) && hot->Parent() == AsPanel()));
}

} // namespace zentrim::toolkit::win32
