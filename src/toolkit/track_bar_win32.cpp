// A track bar as a msctls_trackbar32 control.
#include "toolkit/window_win32.h"

namespace zentrim::toolkit::win32 {

namespace {

DWORD TickStyle(TickMarks marks) {
    switch (marks) {
    case TickMarks::Both:
        return TBS_BOTH;
    case TickMarks::TopLeft:
        return TBS_TOP;
    case TickMarks::BottomRight:
        return TBS_BOTTOM;
    }
    return TBS_BOTTOM;
}

} // namespace

TrackBarWindow::TrackBarWindow(TrackBar& trackBar, FormWindow& form)
    : ControlWindow(trackBar, form), trackBar_(trackBar) {
    if (form.ChildrenMade()) {
        MakeWindow();
    }
}

void TrackBarWindow::MakeWindow() {
    if (window_ != nullptr) {
        return;
    }
    Create(TRACKBAR_CLASSW, u"",
           TBS_HORZ | TBS_AUTOTICKS | TBS_FIXEDLENGTH | TickStyle(trackBar_.GetTickMarks()));
    if (window_ == nullptr) {
        return;
    }
    SendMessageW(window_, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(form_.Scale(trackBar_.ThumbLength())), 0);
    ApplyRange();
}

void TrackBarWindow::ApplyRange() {
    SendMessageW(window_, TBM_SETRANGEMIN, FALSE, trackBar_.Min());
    SendMessageW(window_, TBM_SETRANGEMAX, FALSE, trackBar_.Max());
    SendMessageW(window_, TBM_SETPAGESIZE, 0, trackBar_.PageSize());
    SendMessageW(window_, TBM_SETTICFREQ, static_cast<WPARAM>(trackBar_.Frequency()), 0);
    SendMessageW(window_, TBM_SETPOS, TRUE, trackBar_.Position());
}

void TrackBarWindow::Changed(Change change) {
    if (window_ == nullptr) {
        return;
    }
    switch (change) {
    case Change::Range:
        ApplyRange();
        break;
    case Change::Position:
        SendMessageW(window_, TBM_SETPOS, TRUE, trackBar_.Position());
        break;
    default:
        ControlWindow::Changed(change);
        break;
    }
}

void TrackBarWindow::Rescale() {
    ControlWindow::Rescale();
    if (window_ != nullptr) {
        SendMessageW(window_, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(form_.Scale(trackBar_.ThumbLength())),
                     0);
    }
}

bool TrackBarWindow::OnParentNotify(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message == WM_HSCROLL || message == WM_VSCROLL) {
        trackBar_.MoveByUser(static_cast<int>(SendMessageW(window_, TBM_GETPOS, 0, 0)));
        result = 0;
        return true;
    }
    return false;
}

} // namespace zentrim::toolkit::win32
