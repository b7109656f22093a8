// A picture combo box as a ComboBoxEx32 drop-down list with the image list's pictures.
#include "toolkit/window_win32.h"

#include <algorithm>

namespace zentrim::toolkit::win32 {

namespace {

// How much higher CB_GETITEMHEIGHT reports the selection field than CB_SETITEMHEIGHT set it:
// Wine's ComboBoxEx32 reports two pixels more, Windows' the height set. Learned from the first
// setting (the controls of one system all answer alike), so that later fittings take one step.
int fieldReportExcess = 0;

int WindowHeight(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return static_cast<int>(rect.bottom - rect.top);
}

void ApplyImageList(HWND window, const PictureComboBox& combo) {
    HIMAGELIST images = nullptr;
    if (combo.Images() != nullptr) {
        images = static_cast<ImageListPeer*>(PeerOf(*combo.Images()))->Handle();
    }
    SendMessageW(window, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    if (IsWindowVisible(window)) {
        InvalidateRect(window, nullptr, TRUE);
    }
}

// The dropped-down list shows DropDownCount rows (fewer when there are fewer items; one row when
// there are none) and scrolls to the others. A combo box takes its list's height from its window
// height less its closed height, when it is made or sized. ComboBoxEx32 makes the combo box inside
// it with its own creation height (the closed list's), and under Wine it never passes a greater
// height on, so the list dropped down empty: the inner combo box is sized here instead, when its
// list is about to drop down (so the rows have the font and pictures of that moment, and making
// the window costs nothing). It shrinks back to its closed height at once and keeps the
// difference for its list.
void FitDroppedHeight(HWND window, const PictureComboBox& combo) {
    HWND inner = reinterpret_cast<HWND>(SendMessageW(window, CBEM_GETCOMBOCONTROL, 0, 0));
    const LRESULT itemHeight = SendMessageW(window, CB_GETITEMHEIGHT, 0, 0);
    if (inner == nullptr || itemHeight == CB_ERR || itemHeight <= 0) {
        return;
    }
    const int rows = std::max(1, std::min(combo.Count(), combo.DropDownCount()));
    // The rows, the list's border above and below them, and the pixel that Wine's list takes off
    // the height it is given (a list that fits its rows is made no higher than them on Windows).
    const int wanted = rows * static_cast<int>(itemHeight) + 2 * GetSystemMetrics(SM_CYBORDER) + 1;
    RECT dropped{};
    SendMessageW(inner, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    if (dropped.bottom - dropped.top == wanted) {
        return; // each sizing is a round trip to the window server under Wine
    }
    RECT rect{};
    GetWindowRect(inner, &rect);
    SetWindowPos(inner, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top + wanted,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

} // namespace

ComboBoxWindow::ComboBoxWindow(PictureComboBox& combo, FormWindow& form)
    : ControlWindow(combo, form), combo_(combo) {
    if (form.ChildrenMade()) {
        MakeWindow();
    }
}

void ComboBoxWindow::MakeWindow() {
    if (window_ != nullptr) {
        return;
    }
    Create(WC_COMBOBOXEXW, u"", CBS_DROPDOWNLIST | WS_VSCROLL);
    if (window_ != nullptr) {
        ApplyImageList(window_, combo_);
    }
    FillItems();
    FitClosedHeight();
}

// A closed drop-down list is as high as its selection field and a frame around it; the font and
// the pictures decide the field, and the field is set again here so that the closed list has the
// layout's height. The frame is the closed height less the field the control reports, so one
// setting reaches the height once the control's report is known to match what was set (the first
// fitting of a program may take two).
void ComboBoxWindow::FitClosedHeight() {
    if (window_ == nullptr) {
        return;
    }
    const int target = form_.Scale(combo_.Height());
    LRESULT reported = SendMessageW(window_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    int closed = WindowHeight(window_);
    for (int step = 0; step < 3 && reported != CB_ERR && closed != target; ++step) {
        const int field = target - (closed - static_cast<int>(reported)) - fieldReportExcess;
        if (field <= 0) {
            break;
        }
        SendMessageW(window_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
        reported = SendMessageW(window_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        if (reported != CB_ERR) {
            fieldReportExcess = static_cast<int>(reported) - field;
        }
        const int before = closed;
        closed = WindowHeight(window_);
        if (closed == before) {
            break; // the control keeps its height whatever the field
        }
    }
}

RECT ComboBoxWindow::NativeRect() {
    // The closed list only: the dropped-down list's height goes to the inner combo box, which
    // ComboBoxEx32 does not size from its own height everywhere (see FitDroppedHeight).
    return ControlWindow::NativeRect();
}

bool ComboBoxWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // A drop-down list keeps no window text of its own; the selected item's caption stands in,
    // so WM_GETTEXT reads what the control shows.
    if (message == WM_GETTEXTLENGTH) {
        result = static_cast<LRESULT>(combo_.SelectedCaption().size());
        return true;
    }
    if (message == WM_GETTEXT) {
        const std::u16string caption = combo_.SelectedCaption();
        auto* buffer = reinterpret_cast<wchar_t*>(lParam);
        const std::size_t capacity = static_cast<std::size_t>(wParam);
        if (buffer == nullptr || capacity == 0) {
            result = 0;
            return true;
        }
        const std::size_t count = std::min(caption.size(), capacity - 1);
        std::copy_n(caption.begin(), count, buffer);
        buffer[count] = L'\0';
        result = static_cast<LRESULT>(count);
        return true;
    }
    return false;
}

void ComboBoxWindow::FillItems() {
    if (window_ == nullptr) {
        return;
    }
    if (SendMessageW(window_, CB_GETCOUNT, 0, 0) > 0) {
        SendMessageW(window_, CB_RESETCONTENT, 0, 0);
    }
    int index = 0;
    for (const ComboItem& item : combo_.Items()) {
        std::wstring text = ToWide(item.caption);
        COMBOBOXEXITEMW entry{};
        entry.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        entry.iItem = index++;
        entry.pszText = text.data();
        entry.iImage = item.imageIndex >= 0 ? item.imageIndex : I_IMAGENONE;
        entry.iSelectedImage = entry.iImage;
        SendMessageW(window_, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry));
    }
    Select();
}

void ComboBoxWindow::Select() {
    if (window_ != nullptr) {
        SendMessageW(window_, CB_SETCURSEL, static_cast<WPARAM>(combo_.SelectedIndex()), 0);
    }
}

void ComboBoxWindow::ImagesChanged() {
    if (window_ == nullptr) {
        return;
    }
    ApplyImageList(window_, combo_);
    // ComboBoxEx32 sets its field and rows again for a new image list.
    FitClosedHeight();
}

void ComboBoxWindow::Changed(Change change) {
    switch (change) {
    case Change::Items:
        FillItems();
        break;
    case Change::Selection:
        Select();
        break;
    case Change::Pictures:
        ImagesChanged();
        return;
    default:
        ControlWindow::Changed(change);
        break;
    }
    FitClosedHeight();
}

void ComboBoxWindow::Rescale() {
    ControlWindow::Rescale();
    ImagesChanged();
}

bool ComboBoxWindow::OnParentNotify(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_COMMAND) {
        if (HIWORD(wParam) == CBN_DROPDOWN) {
            FitDroppedHeight(window_, combo_);
        }
        if (HIWORD(wParam) == CBN_SELCHANGE) {
            combo_.SelectByUser(static_cast<int>(SendMessageW(window_, CB_GETCURSEL, 0, 0)));
        }
        result = 0;
        return true;
    }
    return false;
}

} // namespace zentrim::toolkit::win32
