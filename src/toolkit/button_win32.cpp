// A push button as a BUTTON control; the default button carries BS_DEFPUSHBUTTON.
#include "toolkit/window_win32.h"

namespace zentrim::toolkit::win32 {

namespace {

void ApplyShield(HWND window, bool on) {
    // Shown with common controls 6; earlier versions ignore the message.
    SendMessageW(window, BCM_SETSHIELD, 0, on ? TRUE : FALSE);
}

} // namespace

ButtonWindow::ButtonWindow(Button& button, FormWindow& form) : ControlWindow(button, form), button_(button) {
    if (form.ChildrenMade()) {
        MakeWindow();
    }
}

void ButtonWindow::MakeWindow() {
    if (window_ != nullptr) {
        return;
    }
    Create(L"Button", button_.Caption(), button_.IsDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    if (window_ != nullptr && button_.Shield()) {
        ApplyShield(window_, true);
    }
}

void ButtonWindow::Changed(Change change) {
    if (window_ == nullptr) {
        return;
    }
    switch (change) {
    case Change::Text: {
        const std::wstring text = ToWide(button_.Caption());
        SetWindowTextW(window_, text.c_str());
        break;
    }
    case Change::Style:
        SendMessageW(window_, BM_SETSTYLE, button_.IsDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        ApplyShield(window_, button_.Shield());
        break;
    default:
        ControlWindow::Changed(change);
        break;
    }
}

bool ButtonWindow::OnParentNotify(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && button_.IsEffectivelyEnabled()) {
            button_.Click();
        }
        result = 0;
        return true;
    case WM_CTLCOLORBTN: {
        // The corners around a themed button show the parent's background.
        const Color background = ParentBackgroundColor(button_);
        SetBkColor(reinterpret_cast<HDC>(wParam), ColorRef(background));
        result = reinterpret_cast<LRESULT>(brush_.Get(background));
        return true;
    }
    default:
        return false;
    }
}

} // namespace zentrim::toolkit::win32
