// A label as a STATIC control, so its text is a window text; transparent labels let the
// parent's picture show through. A link also takes the focus, shows it with a dotted frame around
// its text, takes Enter and Space for itself and tells screen readers it is a link.
#include "toolkit/link_accessibility_win32.h"
#include "toolkit/window_win32.h"

#include <windowsx.h>

namespace zentrim::toolkit::win32 {

namespace {

using UniquePen = UniqueHandle<HPEN, &::DeleteObject>;

// Whether a key message carries a key that activates a link. WM_CHAR gives the character, which
// for these two keys has the key's number.
bool IsActivationKey(WPARAM key) {
    return key == static_cast<WPARAM>(kVirtualKeyReturn) || key == static_cast<WPARAM>(kVirtualKeySpace);
}

// The focus frame: a dotted line along the edges of the client area. It is drawn in the text's
// colour, not inverted as DrawFocusRect draws it, so that a repaint of the label alone over its
// picture draws it again rather than wiping it out.
void DrawFocusFrame(HDC dc, const RECT& client, COLORREF colour) {
    const LOGBRUSH brush{BS_SOLID, colour, 0};
    UniquePen pen(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr));
    if (!pen) {
        pen.reset(CreatePen(PS_DOT, 1, colour));
    }
    SelectGuard selectPen(dc, pen.get());
    SelectGuard selectBrush(dc, GetStockObject(HOLLOW_BRUSH));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    Rectangle(dc, client.left, client.top, client.right, client.bottom);
    SetBkMode(dc, oldMode);
}

} // namespace

LabelWindow::LabelWindow(Label& label, FormWindow& form) : ControlWindow(label, form), label_(label) {
    if (form.ChildrenMade()) {
        MakeWindow();
    }
}

void LabelWindow::MakeWindow() {
    if (window_ != nullptr) {
        return;
    }
    Create(L"Static", label_.Caption(), LabelStyle());
    RepaintUnder();
}

void LabelWindow::Hook() {
    ControlWindow::Hook();
    if (window_ != nullptr && GetFocus() == window_) {
        RepaintUnder(); // focused before it was subclassed: the focus frame is drawn now
    }
}

DWORD LabelWindow::LabelStyle() const {
    // SS_NOTIFY makes the label take the mouse, for clicks, hover and its cursor.
    DWORD style = SS_NOTIFY | (label_.ShowAccelChar() ? 0 : SS_NOPREFIX);
    switch (label_.Alignment()) {
    case TextAlignment::Left:
        style |= label_.WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP;
        break;
    case TextAlignment::Right:
        style |= SS_RIGHT;
        break;
    case TextAlignment::Center:
        style |= SS_CENTER;
        break;
    }
    if (label_.Layout() == TextLayout::Center && !label_.WordWrap()) {
        style |= SS_CENTERIMAGE;
    }
    return style;
}

RECT LabelWindow::NativeRect() {
    RECT rect = ControlWindow::NativeRect();
    if (!label_.AutoSize() || window_ == nullptr) {
        return rect;
    }
    // Measured again at the window's resolution with the window's font, so the text fits at any
    // resolution; a right-aligned label keeps its right edge.
    const UniqueDc dc = MeasuringDc();
    if (!dc) {
        return rect;
    }
    RECT measured{0, 0, label_.WordWrap() ? rect.right - rect.left : 0, 0};
    {
        SelectGuard font(dc.get(), font_.get());
        const std::wstring text = label_.Caption().empty() ? std::wstring(L" ") : ToWide(label_.Caption());
        DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &measured,
                  DT_CALCRECT | (label_.WordWrap() ? DT_WORDBREAK : 0) |
                      (label_.ShowAccelChar() ? 0 : DT_NOPREFIX));
    }
    const int width = label_.Caption().empty() ? 0 : measured.right;
    rect.bottom = rect.top + measured.bottom;
    if (label_.WordWrap()) {
        return rect;
    }
    switch (label_.Alignment()) {
    case TextAlignment::Left:
        break;
    case TextAlignment::Right:
        rect.left = rect.right - width;
        break;
    case TextAlignment::Center:
        rect.left = (rect.left + rect.right - width) / 2;
        break;
    }
    rect.right = rect.left + width;
    return rect;
}

void LabelWindow::Changed(Change change) {
    if (window_ == nullptr) {
        return;
    }
    switch (change) {
    case Change::Text: {
        // Set without drawing: the parent repaints the area first, so a transparent label's old
        // text never stays visible behind the new one.
        SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
        const std::wstring text = ToWide(label_.Caption());
        SetWindowTextW(window_, text.c_str());
        SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
        Place();
        RepaintUnder();
        break;
    }
    case Change::Style:
        SetWindowLongPtrW(
            window_, GWL_STYLE,
            static_cast<LONG_PTR>((GetWindowLongPtrW(window_, GWL_STYLE) & ~0xFFFF) | LabelStyle()));
        Place();
        RepaintUnder();
        break;
    default:
        ControlWindow::Changed(change);
        RepaintUnder();
        break;
    }
}

bool LabelWindow::OnParentNotify(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, ColorRef(label_.GetFont().color));
        if (label_.Transparent()) {
            SetBkMode(dc, TRANSPARENT);
            result = reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
        } else {
            SetBkColor(dc, ColorRef(label_.GetColor()));
            result = reinterpret_cast<LRESULT>(brush_.Get(label_.GetColor()));
        }
        return true;
    }
    case WM_COMMAND: // STN_ notifications: clicks are seen in the label itself
        result = 0;
        return true;
    default:
        return false;
    }
}

bool LabelWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (label_.IsLink()) {
        switch (message) {
        case WM_GETDLGCODE:
            // Under IsDialogMessageW, Enter would press the default button: the link asks for
            // its keys, so they reach it as key messages.
            result = CallOriginal(message, wParam, lParam);
            if (lParam != 0) {
                const MSG& key = *reinterpret_cast<const MSG*>(lParam);
                if ((key.message == WM_KEYDOWN || key.message == WM_CHAR) && IsActivationKey(key.wParam)) {
                    result |= DLGC_WANTMESSAGE;
                }
            }
            return true;
        case WM_KEYDOWN:
            if (!IsActivationKey(wParam)) {
                break;
            }
            // A held key repeats: only its first press acts.
            if ((lParam & (LPARAM{1} << 30)) == 0) {
                label_.KeyPressed(static_cast<int>(wParam));
            }
            result = 0;
            return true;
        case WM_CHAR:
            if (!IsActivationKey(wParam)) {
                break;
            }
            result = 0;
            return true;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_UPDATEUISTATE:
            // The frame comes and goes with the focus and the keyboard cues; the picture under
            // a transparent label is painted again first.
            result = CallOriginal(message, wParam, lParam);
            RepaintUnder();
            return true;
        case WM_PAINT: {
            if (GetFocus() != window_ ||
                (SendMessageW(window_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0) {
                break;
            }
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(window_, &paint);
            if (dc == nullptr) {
                break;
            }
            CallOriginal(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0); // the text, into our DC
            RECT client{};
            GetClientRect(window_, &client);
            DrawFocusFrame(dc, client, ColorRef(label_.GetFont().color));
            EndPaint(window_, &paint);
            result = 0;
            return true;
        }
        case WM_GETOBJECT:
            result = AnswerLinkGetObject(window_, wParam, lParam);
            if (result != 0) {
                return true;
            }
            break;
        default:
            if (message == LinkActivateMessage()) {
                // An accessibility tool's default action: the same as a click.
                if (label_.IsShowing() && label_.IsEffectivelyEnabled()) {
                    label_.Click();
                }
                result = 0;
                return true;
            }
            break;
        }
    }
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        pressed_ = true;
        SetCapture(window_);
        result = 0;
        return true;
    case WM_LBUTTONUP: {
        if (!pressed_) {
            return false;
        }
        pressed_ = false;
        ReleaseCapture();
        RECT client{};
        GetClientRect(window_, &client);
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (PtInRect(&client, point) && label_.IsEffectivelyEnabled()) {
            label_.Click();
        }
        result = 0;
        return true;
    }
    case WM_CAPTURECHANGED:
        pressed_ = false;
        return false;
    default:
        return false;
    }
}

} // namespace zentrim::toolkit::win32
