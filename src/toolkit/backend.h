// What a toolkit backend provides. The component model calls it; the headless backend keeps
// everything in memory for tests, the Win32 backend makes real windows.
#pragma once

#include "toolkit/cursor.h"
#include "toolkit/font.h"
#include "toolkit/geometry.h"
#include "toolkit/peer.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace zentrim::toolkit {

class Application;
class Component;
class Form;
class PopupMenu;

struct MessageBoxRequest {
    std::u16string text{};
    std::u16string title{};
    unsigned flags = 0; // kMb... values
    Form* owner = nullptr;
};

using TimerId = unsigned;

class Backend {
public:
    Backend() = default;
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;
    virtual ~Backend() = default;

    // Called once for every component, the form first, right after it joined its form.
    virtual std::unique_ptr<Peer> CreatePeer(Component& component) = 0;

    // Forms.
    virtual void PlaceForm(Form& form) = 0;              // applies the form's position rule before a showing
    virtual Rect WindowRect(const Form& form) const = 0; // outer edges, screen pixels
    virtual Point ClientOrigin(const Form& form) const = 0; // client area's top-left, screen pixels
    virtual int Dpi(const Form& form) const = 0;
    // Runs until form.ModalRunning() turns false.
    virtual void RunModalLoop(Application& app, Form& form) = 0;

    virtual void ShowPopupMenu(PopupMenu& menu, Point screenPoint) = 0;

    // The application's message loop, until the application is terminated.
    virtual void RunMessageLoop(Application& app) = 0;
    // Handles every message waiting and returns as soon as none is left.
    virtual void ProcessMessages(Application& app) = 0;
    // Ends the message loop at its next turn.
    virtual void PostQuit() = 0;

    // Returns the kId... answer; 0 when no box could be shown.
    virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;

    // One-shot timers: the callback runs once, from the message loop, unless stopped first.
    virtual TimerId StartTimer(unsigned milliseconds, std::function<void()> callback) = 0;
    virtual void StopTimer(TimerId id) = 0;

    // The desktop's icon-title font, which a form takes when its DesktopFont switch turns on.
    virtual Font DesktopFont() = 0;
    // Size of a text in layout units (96 dots per inch). With showAccelChar, "&" marks are not
    // drawn; wrapWidth > 0 breaks lines at words to fit that width.
    virtual Size MeasureText(const Font& font, std::u16string_view text, bool showAccelChar,
                             int wrapWidth) = 0;
    virtual Point CursorPos() = 0;
    // Pixels between the mouse position and the top of a hint shown under the cursor.
    virtual int CursorHintOffset() = 0;
    // The work area of the screen the point is on, in screen pixels.
    virtual Rect WorkArea(Point point) = 0;
    // The system's cursor for a cursor number (for the default cursor table), or null.
    virtual void* LoadSystemCursor(Cursor cursor) = 0;
};

} // namespace zentrim::toolkit
