// The Win32 backend's peers: what each component becomes on Windows. Internal to the toolkit.
#pragma once

#include "toolkit/backend_win32.h"
#include "toolkit/gdi_win32.h"
#include "toolkit/picture_win32.h"

#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/form.h"
#include "toolkit/image.h"
#include "toolkit/image_list.h"
#include "toolkit/label.h"
#include "toolkit/memo.h"
#include "toolkit/panel.h"
#include "toolkit/picture_combo_box.h"
#include "toolkit/progress_bar.h"
#include "toolkit/track_bar.h"

#include <optional>

namespace zentrim::toolkit::win32 {

class FormWindow;

class Win32Peer : public Peer {
public:
    // A message the parent window got from this peer's window (WM_COMMAND, WM_NOTIFY,
    // WM_HSCROLL, WM_VSCROLL, WM_CTLCOLOR...); true when handled, with the result.
    virtual bool OnParentNotify(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // The form's resolution changed.
    virtual void Rescale() {}
    // Makes the native window if this peer has one and it is not made yet (see
    // FormWindow::MakeChildren).
    virtual void MakeWindow() {}
    // The native window made so far, without making it.
    virtual HWND Window() const { return nullptr; }
    // Starts the peer's own handling of its window's messages (see FormWindow::MakeChildren).
    virtual void Hook() {}
};

// Menus and menu items: the pop-up menu is built when it is shown.
class NullPeer final : public Win32Peer {
public:
    void Changed(Change) override {}
};

// A window of the toolkit's own classes that holds controls: a form or a panel. It paints its
// background and the pictures and lines that sit on it, passes its controls' notifications on to
// them, and tracks the mouse over its pictures.
class ContainerWindow : public Win32Peer {
public:
    ContainerWindow(const ContainerWindow&) = delete;
    ContainerWindow& operator=(const ContainerWindow&) = delete;
    ~ContainerWindow() override;

    HWND Window() const override { return window_; }
    HINSTANCE Instance() const { return backend_.Instance(); }

protected:
    explicit ContainerWindow(Win32Backend& backend) : backend_(backend) {}

    // The form this window belongs to; for a form, itself.
    virtual FormWindow& Owner() = 0;
    // The panel, or null for the form.
    virtual Panel* AsPanel() = 0;
    virtual Color Background() = 0;
    // Drawn after the background and before the pictures (a panel's edge and caption).
    virtual void PaintDecoration(HDC, const RECT&) {}
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void RegisterClassOnce(HINSTANCE instance, const wchar_t* className, HICON icon);

    Win32Backend& backend_;
    HWND window_ = nullptr;

private:
    void Paint();
    void PaintContent(HDC dc, const RECT& client);
    Control* GraphicAt(POINT point);
    Control* ControlAt(POINT point); // the picture there, else the panel itself
    bool OwnsHot();

    bool tracking_ = false;
    Control* pressed_ = nullptr;
    bool painted_ = false; // painted once: later paintings go through a bitmap off screen
    BrushCache background_;
};

// The top-level window is made with the form. Its controls' windows are made in one pass, in
// creation order, when the form is first shown or a native handle of the form or of one of its
// controls is first asked for: the properties set before then (fonts, texts, selections) go into
// the windows as they are made instead of changing windows already made. Controls added later are
// made at once.
class FormWindow final : public ContainerWindow {
public:
    FormWindow(Win32Backend& backend, Form& form);

    void* NativeHandle() override;
    void Changed(Change change) override;
    void Rescale() override {}

    Form& GetForm() const { return form_; }
    Application& App() const;
    int Dpi() const { return dpi_; }
    int Scale(int layoutValue) const { return ScaleToDpi(layoutValue, dpi_); }
    int NextControlId() { return nextControlId_++; }
    // The peer of the form's component whose window this is, or null.
    Win32Peer* FindPeer(HWND window) const;
    Component* FindComponent(HWND window) const;
    // The window of the container a control sits on.
    HWND ParentWindow(const Control& control) const;
    // A control's bounds in its container's client area, in pixels at the form's resolution.
    RECT ScaledRect(const Control& control) const;
    // Makes a control's child window at its place in its container, with the next control ID.
    HWND CreateChild(const Control& control, const wchar_t* className, std::u16string_view text, DWORD style,
                     DWORD exStyle, void* createParam);
    // Puts the child windows of every container in tab order (the order Tab walks). A control
    // whose window is being made is passed in, since its component does not know the window yet.
    void ReorderTabs(const Control* newcomer = nullptr, HWND newcomerWindow = nullptr);
    // Applies the position rule and the client size.
    void Place();
    // Makes the controls' windows, once (see the class comment), and subclasses them. Made for the
    // first showing or for the form's own handle, they are subclassed once the first showing has
    // painted them (or a control's handle is asked for): under Wine each message to a subclassed
    // window costs two round trips to the server (comctl32 finds its data in a window property),
    // and making, setting and first painting the windows sends them over a thousand messages
    // that need none of the toolkit's handling.
    void MakeChildren();
    bool ChildrenMade() const { return childrenMade_; }
    // True while control windows made now wait for HookChildren.
    bool HookingDeferred() const { return hookingDeferred_; }
    DWORD Style() const { return style_; }
    DWORD ExStyle() const { return exStyle_; }

protected:
    FormWindow& Owner() override { return *this; }
    Panel* AsPanel() override { return nullptr; }
    Color Background() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void MakeChildrenUnhooked();
    void HookChildren();
    void FocusActiveControl();
    // WM_NEXTDLGCTL: the focus to a given control, or on to the next or previous tab stop.
    void MoveFocus(WPARAM wParam, LPARAM lParam);
    void DpiChanged(int dpi, const RECT* suggested);

    Form& form_;
    int dpi_ = 96;
    int nextControlId_ = 100;
    bool childrenMade_ = false;
    bool hookingDeferred_ = false;
    bool makingChildren_ = false;
    DWORD style_ = 0;
    DWORD exStyle_ = 0;
};

class PanelWindow final : public ContainerWindow {
public:
    PanelWindow(Win32Backend& backend, Panel& panel, FormWindow& form);

    void* NativeHandle() override;
    void Changed(Change change) override;
    void Rescale() override;
    void MakeWindow() override;

protected:
    FormWindow& Owner() override { return form_; }
    Panel* AsPanel() override { return &panel_; }
    Color Background() override;
    void PaintDecoration(HDC dc, const RECT& client) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    Panel& panel_;
    FormWindow& form_;
    UniqueFont font_;
};

// The styles of a control's child window that follow its shared properties (shown, enabled, tab stop).
DWORD SharedStyle(const Control& control);
// Moves a child window to a rectangle of its parent's client area unless it is there already.
void PlaceChild(HWND window, const RECT& rect);
// Brings a child window up to a change every control's window takes alike (enabled, visible, tab
// order); false for any other change.
bool ApplySharedChange(HWND window, const Control& control, FormWindow& form, Change change);

// A standard control (Static, Button, Edit, ComboBoxEx32, trackbar, progress bar), subclassed with
// SetWindowSubclass so it raises mouse enter and leave, shows the component's cursor and sees its
// own clicks.
class ControlWindow : public Win32Peer {
public:
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;
    ~ControlWindow() override;

    void* NativeHandle() override;
    HWND Window() const override { return window_; }
    void Changed(Change change) override;
    void Rescale() override;
    void Hook() override;

protected:
    ControlWindow(Control& control, FormWindow& form) : control_(control), form_(form) {}

    // Creates the window with the common styles and the font; subclasses it at once unless the
    // form subclasses its windows later (see FormWindow::MakeChildren).
    void Create(const wchar_t* className, std::u16string_view text, DWORD style, DWORD exStyle = 0);
    // The window's rectangle in its parent's client area, in pixels.
    virtual RECT NativeRect();
    // Runs before the control's own handling; true when handled, with the result.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    void Place();
    void ApplyFont();
    // Repaints the parent's area under the control and the control over it.
    void RepaintUnder();
    LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam);

    Control& control_;
    FormWindow& form_;
    HWND window_ = nullptr;
    UniqueFont font_;
    BrushCache brush_;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Unhook();

    bool tracking_ = false;
    bool hooked_ = false;
    RECT lastRect_{};
};

class LabelWindow final : public ControlWindow {
public:
    LabelWindow(Label& label, FormWindow& form);
    void MakeWindow() override;
    void Hook() override;
    void Changed(Change change) override;
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    RECT NativeRect() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    DWORD LabelStyle() const;

    Label& label_;
    bool pressed_ = false;
};

class ButtonWindow final : public ControlWindow {
public:
    ButtonWindow(Button& button, FormWindow& form);
    void MakeWindow() override;
    void Changed(Change change) override;
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    Button& button_;
};

// Memo and single-line edit: an EDIT control.
class EditWindow final : public ControlWindow {
public:
    EditWindow(Memo& memo, FormWindow& form);
    EditWindow(Edit& edit, FormWindow& form);
    void MakeWindow() override;
    void Changed(Change change) override;
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void SetNativeText();
    Color BackColor() const;

    Memo* memo_ = nullptr;
    Edit* edit_ = nullptr;
    bool settingText_ = false;
};

class ComboBoxWindow final : public ControlWindow {
public:
    ComboBoxWindow(PictureComboBox& combo, FormWindow& form);
    void MakeWindow() override;
    void Changed(Change change) override;
    void Rescale() override;
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // The image list's pictures changed.
    void ImagesChanged();

private:
    RECT NativeRect() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void FillItems();
    void Select();
    void FitClosedHeight();

    PictureComboBox& combo_;
};

class TrackBarWindow final : public ControlWindow {
public:
    TrackBarWindow(TrackBar& trackBar, FormWindow& form);
    void MakeWindow() override;
    void Changed(Change change) override;
    void Rescale() override;
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void ApplyRange();
    TrackBar& trackBar_;
};

class ProgressBarWindow final : public ControlWindow {
public:
    ProgressBarWindow(ProgressBar& bar, FormWindow& form);
    void MakeWindow() override;
    void Changed(Change change) override;

private:
    void ApplyRange();
    ProgressBar& bar_;
};

// Pictures and lines: drawn by the container they sit on.
class GraphicPeer : public Win32Peer {
public:
    void Changed(Change change) override;
    void Rescale() override;
    virtual void Draw(HDC dc, const RECT& rect) = 0;
    // The rectangle in the container's client area, in pixels.
    RECT NativeRect() const;

protected:
    GraphicPeer(Control& control, FormWindow& form);
    void Invalidate();

    Control& control_;
    FormWindow& form_;
    RECT lastRect_{};
};

class ImagePeer final : public GraphicPeer {
public:
    ImagePeer(Image& image, FormWindow& form);
    void Changed(Change change) override;
    void Rescale() override;
    void Draw(HDC dc, const RECT& rect) override;

private:
    Image& image_;
    std::optional<DecodedPicture> decoded_;
    bool decodeTried_ = false; // decoded_ holds the picture's pixels, or nothing if it failed
    UniqueBitmap cache_;       // the picture scaled to the size it is drawn at, when that is not its own
    Size cacheSize_;
};

class BevelPeer final : public GraphicPeer {
public:
    BevelPeer(Bevel& bevel, FormWindow& form) : GraphicPeer(bevel, form), bevel_(bevel) {}
    void Draw(HDC dc, const RECT& rect) override;

private:
    Bevel& bevel_;
};

class ImageListPeer final : public Win32Peer {
public:
    ImageListPeer(ImageList& list, FormWindow& form) : list_(list), form_(form) {}
    void Changed(Change change) override;
    void Rescale() override;
    // Made at the form's resolution on first use.
    HIMAGELIST Handle();

private:
    void Rebuild();

    ImageList& list_;
    FormWindow& form_;
    UniqueImageList handle_;
    bool built_ = false;
};

// A control's peer as a Win32 peer (every peer the Win32 backend makes is one).
inline Win32Peer* PeerOf(const Component& component) {
    return static_cast<Win32Peer*>(component.GetPeer());
}

} // namespace zentrim::toolkit::win32
