#include "toolkit/backend_win32.h"

#include "base/phase_trace.h"

#include "toolkit/application.h"
#include "toolkit/menu.h"
#include "toolkit/window_win32.h"

#include <objbase.h>

#include <algorithm>
#include <vector>

namespace zentrim::toolkit {

using namespace win32;

namespace {

constexpr wchar_t kTimerWindowClass[] = L"ToolkitTimerWindow";

FormWindow& WindowOf(const Form& form) {
    return static_cast<FormWindow&>(*form.GetPeer());
}

// The form's top-level window, without making its control windows (a hidden form's controls are
// made when it first shows).
HWND HandleOf(const Form& form) {
    return WindowOf(form).Window();
}

bool IsButtonDown(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        return true;
    default:
        return false;
    }
}

} // namespace

Win32Backend::Win32Backend() : instance_(GetModuleHandleW(nullptr)) {
    // Each class group on its own, so an older comctl32 that does not know one still
    // registers the others.
    for (const DWORD classes : {DWORD{ICC_WIN95_CLASSES}, DWORD{ICC_USEREX_CLASSES}}) {
        INITCOMMONCONTROLSEX init{sizeof init, classes};
        InitCommonControlsEx(&init);
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(instance_, kTimerWindowClass, &windowClass)) {
        windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &Win32Backend::TimerWindowProc;
        windowClass.hInstance = instance_;
        windowClass.lpszClassName = kTimerWindowClass;
        RegisterClassExW(&windowClass);
    }
    timerWindow_.reset(
        CreateWindowExW(0, kTimerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance_, this));
}

Win32Backend::~Win32Backend() {
    DiscardPendingQuit();
    if (timerWindow_) {
        for (const auto& [id, callback] : timers_) {
            KillTimer(timerWindow_.get(), id);
        }
        SetWindowLongPtrW(timerWindow_.get(), GWLP_USERDATA, 0);
        timerWindow_.reset();
    }
}

LRESULT CALLBACK Win32Backend::TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    } else if (self != nullptr && message == WM_TIMER) {
        KillTimer(window, wParam);
        const auto found = self->timers_.find(wParam);
        if (found != self->timers_.end()) {
            auto callback = std::move(found->second);
            self->timers_.erase(found);
            try {
                callback();
            } catch (...) {
                // A timer's failure ends that timer's work only.
            }
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::unique_ptr<Peer> Win32Backend::CreatePeer(Component& component) {
    if (Form* form = component.As<Form>()) {
        return std::make_unique<FormWindow>(*this, *form);
    }
    FormWindow& owner = WindowOf(component.OwnerForm());
    switch (component.Kind()) {
    case ComponentKind::Label:
        return std::make_unique<LabelWindow>(*component.As<Label>(), owner);
    case ComponentKind::Panel:
        return std::make_unique<PanelWindow>(*this, *component.As<Panel>(), owner);
    case ComponentKind::Button:
        return std::make_unique<ButtonWindow>(*component.As<Button>(), owner);
    case ComponentKind::Memo:
        return std::make_unique<EditWindow>(*component.As<Memo>(), owner);
    case ComponentKind::Edit:
        return std::make_unique<EditWindow>(*component.As<Edit>(), owner);
    case ComponentKind::PictureComboBox:
        return std::make_unique<ComboBoxWindow>(*component.As<PictureComboBox>(), owner);
    case ComponentKind::TrackBar:
        return std::make_unique<TrackBarWindow>(*component.As<TrackBar>(), owner);
    case ComponentKind::ProgressBar:
        return std::make_unique<ProgressBarWindow>(*component.As<ProgressBar>(), owner);
    case ComponentKind::Image:
        return std::make_unique<ImagePeer>(*component.As<Image>(), owner);
    case ComponentKind::Bevel:
        return std::make_unique<BevelPeer>(*component.As<Bevel>(), owner);
    case ComponentKind::ImageList:
        return std::make_unique<ImageListPeer>(*component.As<ImageList>(), owner);
    default:
        return std::make_unique<NullPeer>();
    }
}

void Win32Backend::PlaceForm(Form& form) {
    WindowOf(form).Place();
}

Rect Win32Backend::WindowRect(const Form& form) const {
    RECT rect{};
    GetWindowRect(HandleOf(form), &rect);
    return FromRect(rect);
}

Point Win32Backend::ClientOrigin(const Form& form) const {
    POINT point{0, 0};
    ClientToScreen(HandleOf(form), &point);
    return {point.x, point.y};
}

int Win32Backend::Dpi(const Form& form) const {
    return WindowOf(form).Dpi();
}

void Win32Backend::Dispatch(Application& app, MSG& message) {
    try {
        if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
            if (app.KeyDown(static_cast<int>(message.wParam))) {
                return;
            }
        } else if (IsButtonDown(message.message)) {
            app.MouseButtonDown();
        }
    } catch (...) {
        // The key check's failure does not keep the key from its normal processing.
    }
    if (message.hwnd != nullptr) {
        HWND root = GetAncestor(message.hwnd, GA_ROOT);
        const auto& forms = app.Forms();
        if (std::any_of(forms.begin(), forms.end(),
                        [root](const Form* form) { return HandleOf(*form) == root; }) &&
            IsDialogMessageW(root, &message)) {
            return;
        }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void Win32Backend::QuitReceived(Application& app) {
    quitPending_ = false;
    receivingQuit_ = true;
    app.Terminate();
    receivingQuit_ = false;
}

void Win32Backend::PostQuit() {
    // The quit message also ends loops that are not ours (a message box, a menu) at once.
    if (!receivingQuit_) {
        PostQuitMessage(0);
        quitPending_ = true;
    }
}

void Win32Backend::DiscardPendingQuit() {
    // Our loops end when the application is terminated, which may leave the quit message
    // unread; a later loop must not find it.
    if (quitPending_) {
        MSG message{};
        PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        quitPending_ = false;
    }
}

void Win32Backend::RunMessageLoop(Application& app) {
    MSG message{};
    while (!app.Terminated()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) {
            break;
        }
        if (got == 0) {
            QuitReceived(app);
            break;
        }
        Dispatch(app, message);
    }
    DiscardPendingQuit();
}

void Win32Backend::RunModalLoop(Application& app, Form& form) {
    if (form.NativeHandle() == nullptr) {
        return; // no window to wait for: the showing ends at once
    }
    MSG message{};
    while (form.ModalRunning()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) {
            break;
        }
        if (got == 0) {
            QuitReceived(app);
            break;
        }
        Dispatch(app, message);
    }
}

void Win32Backend::ProcessMessages(Application& app) {
    MSG message{};
    while (!app.Terminated() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            QuitReceived(app);
            break;
        }
        Dispatch(app, message);
    }
}

void Win32Backend::ShowPopupMenu(PopupMenu& menu, Point screenPoint) {
    HWND owner = HandleOf(menu.OwnerForm());
    UniqueMenu popup(CreatePopupMenu());
    if (!popup || owner == nullptr) {
        return;
    }
    std::vector<MenuItem*> shown;
    for (MenuItem* item : menu.Items()) {
        if (!item->Visible()) {
            continue;
        }
        shown.push_back(item);
        if (item->Separator()) {
            AppendMenuW(popup.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            const std::wstring caption = ToWide(item->Caption());
            AppendMenuW(popup.get(), MF_STRING | (item->Enabled() ? 0 : MF_GRAYED), shown.size(),
                        caption.c_str());
        }
    }
    const UINT alignment = menu.Alignment() == MenuAlignment::Right ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    // The menu closes properly only when its owner is the foreground window, and the message
    // posted afterwards lets it notice a click elsewhere at once.
    SetForegroundWindow(owner);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(popup.get(), alignment | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                       screenPoint.x, screenPoint.y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    if (chosen >= 1 && chosen <= shown.size()) {
        shown[chosen - 1]->Click();
    }
}

int Win32Backend::ShowMessageBox(const MessageBoxRequest& request) {
    HWND owner = request.owner != nullptr ? HandleOf(*request.owner) : nullptr;
    const std::wstring text = ToWide(request.text);
    const std::wstring title = ToWide(request.title);
    return MessageBoxW(owner, text.c_str(), title.c_str(), request.flags);
}

TimerId Win32Backend::StartTimer(unsigned milliseconds, std::function<void()> callback) {
    if (!timerWindow_) {
        return 0;
    }
    const TimerId id = nextTimer_++;
    if (SetTimer(timerWindow_.get(), id, std::max<unsigned>(milliseconds, USER_TIMER_MINIMUM), nullptr) ==
        0) {
        return 0;
    }
    timers_[id] = std::move(callback);
    return id;
}

void Win32Backend::StopTimer(TimerId id) {
    if (timers_.erase(id) > 0 && timerWindow_) {
        KillTimer(timerWindow_.get(), id);
    }
}

Font Win32Backend::DesktopFont() {
    const trace::Scope scope(trace::Phase::Fonts);
    LOGFONTW logFont{};
    if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof logFont, &logFont, 0) &&
        GetObjectW(GetStockObject(SYSTEM_FONT), sizeof logFont, &logFont) == 0) {
        return Font{};
    }
    Font font;
    font.name = FromWide(logFont.lfFaceName);
    const int dpi = ScreenDpi();
    const int height = logFont.lfHeight < 0 ? -logFont.lfHeight : logFont.lfHeight;
    font.size = height > 0 ? MulDiv(height, 72, dpi) : 8;
    font.style = (logFont.lfWeight >= FW_BOLD ? kFontBold : 0) | (logFont.lfItalic ? kFontItalic : 0) |
                 (logFont.lfUnderline ? kFontUnderline : 0) | (logFont.lfStrikeOut ? kFontStrikeOut : 0);
    font.color = colors::kWindowText;
    return font;
}

Size Win32Backend::MeasureText(const Font& font, std::u16string_view text, bool showAccelChar,
                               int wrapWidth) {
    // A font made for 96 dots per inch measures in layout units on any screen. The labels of a
    // window share a few fonts, so each is made once.
    if (!measuringDc_) {
        measuringDc_ = MeasuringDc();
    }
    const LOGFONTW logFont = ToLogFont(font, 96);
    const std::wstring key(reinterpret_cast<const wchar_t*>(&logFont), sizeof logFont / sizeof(wchar_t));
    auto found = measuringFonts_.find(key);
    if (found == measuringFonts_.end()) {
        found = measuringFonts_.emplace(key, MakeFont(font, 96)).first;
    }
    const HDC dc = measuringDc_.get();
    if (dc == nullptr || !found->second) {
        return {};
    }
    SelectGuard select(dc, found->second.get());
    const std::wstring wide = text.empty() ? std::wstring(L" ") : ToWide(text);
    RECT rect{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect,
              DT_CALCRECT | (showAccelChar ? 0 : DT_NOPREFIX) | (wrapWidth > 0 ? DT_WORDBREAK : 0));
    return {text.empty() ? 0 : rect.right - rect.left, rect.bottom - rect.top};
}

Point Win32Backend::CursorPos() {
    POINT point{};
    GetCursorPos(&point);
    return {point.x, point.y};
}

int Win32Backend::CursorHintOffset() {
    // The arrow's visible part is about five eighths of the cursor's cell.
    return GetSystemMetrics(SM_CYCURSOR) * 5 / 8;
}

Rect Win32Backend::WorkArea(Point point) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromPoint({point.x, point.y}, MONITOR_DEFAULTTONEAREST), &info)) {
        return FromRect(info.rcWork);
    }
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void* Win32Backend::LoadSystemCursor(Cursor cursor) {
    switch (cursor) {
    case Cursor::Default:
    case Cursor::Arrow:
        return LoadCursorW(nullptr, IDC_ARROW);
    case Cursor::HourGlass:
        return LoadCursorW(nullptr, IDC_WAIT);
    case Cursor::HandPoint:
        return LoadCursorW(nullptr, IDC_HAND);
    }
    return nullptr;
}

} // namespace zentrim::toolkit
