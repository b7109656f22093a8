// The Win32 backend: every form a top-level window of its own class, every readable text a real
// child window, the message loop with its key check and dialog keyboard handling, message boxes
// through MessageBoxW, timers on a message-only window.
#pragma once

#include "base/unique_handle_win32.h"
#include "toolkit/backend.h"
#include "toolkit/gdi_win32.h"

#include <functional>
#include <map>
#include <string>

namespace zentrim::toolkit {

class Win32Backend final : public Backend {
public:
    // Registers the common controls the toolkit uses. COM is set up when a picture is first
    // decoded (EnsureComApartment).
    Win32Backend();
    ~Win32Backend() override;

    std::unique_ptr<Peer> CreatePeer(Component& component) override;
    void PlaceForm(Form& form) override;
    Rect WindowRect(const Form& form) const override;
    Point ClientOrigin(const Form& form) const override;
    int Dpi(const Form& form) const override;
    void RunModalLoop(Application& app, Form& form) override;
    void ShowPopupMenu(PopupMenu& menu, Point screenPoint) override;
    void RunMessageLoop(Application& app) override;
    void ProcessMessages(Application& app) override;
    void PostQuit() override;
    int ShowMessageBox(const MessageBoxRequest& request) override;
    TimerId StartTimer(unsigned milliseconds, std::function<void()> callback) override;
    void StopTimer(TimerId id) override;
    Font DesktopFont() override;
    Size MeasureText(const Font& font, std::u16string_view text, bool showAccelChar, int wrapWidth) override;
    Point CursorPos() override;
    int CursorHintOffset() override;
    Rect WorkArea(Point point) override;
    void* LoadSystemCursor(Cursor cursor) override;

    HINSTANCE Instance() const { return instance_; }

private:
    // One message: the application's key check first, then the dialog keys of the form it
    // belongs to (Tab, Enter, "&" accelerators), then the window.
    void Dispatch(Application& app, MSG& message);
    void QuitReceived(Application& app);
    void DiscardPendingQuit();
    static LRESULT CALLBACK TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    bool receivingQuit_ = false;
    bool quitPending_ = false; // posted and not yet taken out of the queue
    std::map<UINT_PTR, std::function<void()>> timers_;
    TimerId nextTimer_ = 1;
    UniqueWindow timerWindow_;
    // Text measuring: a memory device context and the fonts made for it, by their description.
    // The fonts are released before the context (members go in reverse order).
    win32::UniqueDc measuringDc_;
    std::map<std::wstring, UniqueFont> measuringFonts_;
};

} // namespace zentrim::toolkit
