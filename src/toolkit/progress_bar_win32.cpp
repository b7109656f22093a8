// A progress bar as a msctls_progress32 control.
#include "toolkit/window_win32.h"

namespace zentrim::toolkit::win32 {

ProgressBarWindow::ProgressBarWindow(ProgressBar& bar, FormWindow& form)
    : ControlWindow(bar, form), bar_(bar) {
    if (form.ChildrenMade()) {
        MakeWindow();
    }
}

void ProgressBarWindow::MakeWindow() {
    if (window_ != nullptr) {
        return;
    }
    Create(PROGRESS_CLASSW, u"", bar_.Smooth() ? PBS_SMOOTH : 0);
    if (window_ != nullptr) {
        ApplyRange();
    }
}

void ProgressBarWindow::ApplyRange() {
    SendMessageW(window_, PBM_SETRANGE32, static_cast<WPARAM>(bar_.Min()), bar_.Max());
    SendMessageW(window_, PBM_SETPOS, static_cast<WPARAM>(bar_.Position()), 0);
}

void ProgressBarWindow::Changed(Change change) {
    if (window_ == nullptr) {
        return;
    }
    switch (change) {
    case Change::Range:
        ApplyRange();
        break;
    case Change::Position:
        SendMessageW(window_, PBM_SETPOS, static_cast<WPARAM>(bar_.Position()), 0);
        break;
    default:
        ControlWindow::Changed(change);
        break;
    }
}

} // namespace zentrim::toolkit::win32
