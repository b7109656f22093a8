// A picture combo box as a ComboBoxEx32 drop-down list with the image list's pictures.
#include "toolkit/window_win32.h"

#include <algorithm>

namespace zentrim::toolkit::win32 {

namespace {
constexpr int kListItemHeight = 20; // layout units per item of the dropped-down list
}

ComboBoxWindow::ComboBoxWindow(PictureComboBox& combo, FormWindow& form)
    : ControlWindow(combo, form), combo_(combo) {
    Create(WC_COMBOBOXEXW, u"", CBS_DROPDOWNLIST | WS_VSCROLL);
    ImagesChanged();
    FillItems();
    FitClosedHeight();
}

// A closed drop-down list is as high as its selection field, which the font and the pictures
// decide; the field is set so that the closed list has the layout's height. How the field's height
// shows in the window's differs between systems (a ComboBoxEx32 may grow by twice the step), so
// the field is moved a pixel at a time towards the layout's height and measured each time.
void ComboBoxWindow::FitClosedHeight() {
    if (window_ == nullptr) {
        return;
    }
    const int target = form_.Scale(combo_.Height());
    const auto closedHeight = [this] {
        RECT rect{};
        GetWindowRect(window_, &rect);
        return static_cast<int>(rect.bottom - rect.top);
    };
    LRESULT field = SendMessageW(window_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    int closed = closedHeight();
    const int direction = closed < target ? 1 : -1;
    for (int step = 0; step < 16 && field != CB_ERR && closed != target; ++step) {
        if (field + direction <= 0) {
            return;
        }
        SendMessageW(window_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field + direction);
        const int next = closedHeight();
        if ((direction > 0 && next > target) || (direction < 0 && next < target)) {
            SendMessageW(window_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field); // one step too far
            return;
        }
        field += direction;
        closed = next;
    }
}

RECT ComboBoxWindow::NativeRect() {
    // A combo box's window height is the height of its dropped-down list.
    RECT rect = ControlWindow::NativeRect();
    rect.bottom += form_.Scale(kListItemHeight * combo_.DropDownCount());
    return rect;
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
    SendMessageW(window_, CB_RESETCONTENT, 0, 0);
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
    HIMAGELIST images = nullptr;
    if (combo_.Images() != nullptr) {
        images = static_cast<ImageListPeer*>(PeerOf(*combo_.Images()))->Handle();
    }
    SendMessageW(window_, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    InvalidateRect(window_, nullptr, TRUE);
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
        break;
    default:
        ControlWindow::Changed(change);
        break;
    }
    FitClosedHeight();
}

void ComboBoxWindow::Rescale() {
    ControlWindow::Rescale();
    ImagesChanged();
    FitClosedHeight();
}

bool ComboBoxWindow::OnParentNotify(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_COMMAND) {
        if (HIWORD(wParam) == CBN_SELCHANGE) {
            combo_.SelectByUser(static_cast<int>(SendMessageW(window_, CB_GETCURSEL, 0, 0)));
        }
        result = 0;
        return true;
    }
    return false;
}

} // namespace zentrim::toolkit::win32
