// The headless backend: keeps everything in memory and lets tests act as the user (click, hover,
// choose, drag, press keys, close), answer message boxes and modal showings from a script, run
// timers on a clock of their own, and read what a window shows.
#pragma once

#include "toolkit/backend.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace zentrim::toolkit {

class Control;
class Edit;
class Label;
class PictureComboBox;
class TrackBar;

// The peer of every component: records the changes it was told of.
class HeadlessPeer final : public Peer {
public:
    void Changed(Change change) override { changes.push_back(change); }
    int Count(Change change) const;

    std::vector<Change> changes{};
    Point windowPosition; // forms: the outer top-left on the screen
};

struct MessageBoxRecord {
    std::u16string text{};
    std::u16string title{};
    unsigned flags = 0;
    Form* owner = nullptr;
    int answer = 0;
};

struct PopupRecord {
    PopupMenu* menu = nullptr;
    Point point;
    MenuAlignment alignment = MenuAlignment::Left;
};

class HeadlessBackend final : public Backend {
public:
    // The frame a headless form pretends to have around its client area.
    static constexpr int kBorder = 3;
    static constexpr int kTitleBar = 23;

    HeadlessBackend() = default;

    // Backend.
    std::unique_ptr<Peer> CreatePeer(Component& component) override;
    void PlaceForm(Form& form) override;
    Rect WindowRect(const Form& form) const override;
    Point ClientOrigin(const Form& form) const override;
    int Dpi(const Form&) const override { return dpi_; }
    void RunModalLoop(Application& app, Form& form) override;
    void ShowPopupMenu(PopupMenu& menu, Point screenPoint) override;
    void RunMessageLoop(Application& app) override;
    void ProcessMessages(Application& app) override;
    void PostQuit() override { quitPosted_ = true; }
    int ShowMessageBox(const MessageBoxRequest& request) override;
    TimerId StartTimer(unsigned milliseconds, std::function<void()> callback) override;
    void StopTimer(TimerId id) override;
    Font DesktopFont() override { return desktopFont_; }
    // Every character is (pixel height + 1) / 2 wide and a line is pixel height + 2 high, where
    // the pixel height is the point size at 96 dots per inch; "&" marks are not counted when
    // they are hidden.
    Size MeasureText(const Font& font, std::u16string_view text, bool showAccelChar, int wrapWidth) override;
    Point CursorPos() override { return cursorPos_; }
    int CursorHintOffset() override { return kCursorHintOffset; }
    Rect WorkArea(Point) override { return screen_; }
    void* LoadSystemCursor(Cursor cursor) override;

    // The user. Each acts only on a control that is showing and takes input, as a real user
    // could, and returns whether it did.
    bool Click(Control& control);                   // moves the mouse over it, presses, raises onClick
    bool Hover(Control& control);                   // moves the mouse over it (enter and leave events)
    void MoveMouseAway(Form& form);                 // the mouse leaves the form's controls
    bool Choose(PictureComboBox& combo, int index); // onChange when the selection changed
    bool Drag(TrackBar& trackBar, int position);    // onChange when the position changed
    bool Type(Edit& edit, std::u16string text);
    bool PressKey(Application& app, int virtualKey); // the key check (onShortCut); true: handled
    bool PressEnter(Form& form);                     // the focused link, else the default button
    bool PressSpace(Form& form);                     // the focused link or button
    bool PressEscape(Form& form);                    // Esc: the form's cancel button, or a modal close
    void CloseByUser(Form& form) { form.Close(); }

    // Message boxes: each box takes the next queued answer, else the answer of its default
    // button (the first unless a kMbDefButton flag says otherwise).
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }

    // Modal showings: each takes the next queued action, run while the form shows modally (it
    // may click a button or close the form). The showing then ends; with its modal result still
    // 0 it ends as if closed (kModalCancel).
    void QueueModalAction(std::function<void(Form&)> action) { modalActions_.push_back(std::move(action)); }
    const std::vector<Form*>& ModalShowings() const { return modalShowings_; }

    // Pop-up menus: each showing takes the next queued item name and chooses that item when it
    // is enabled and no separator; an empty name or none queued chooses nothing.
    void QueueMenuChoice(std::u16string itemName) { menuChoices_.push_back(std::move(itemName)); }
    const std::vector<PopupRecord>& Popups() const { return popups_; }

    // Work the message loop does: tasks posted run in order at the next ProcessMessages or in
    // RunMessageLoop, which returns when the application is terminated or nothing is left.
    void Post(std::function<void()> task) { posted_.push_back(std::move(task)); }
    int ProcessMessagesCount() const { return processMessagesCount_; }
    std::function<void()> onProcessMessages;
    bool QuitPosted() const { return quitPosted_; }

    // The clock of the timers: runs every timer that falls due, in time order.
    void AdvanceTime(unsigned milliseconds);
    unsigned Now() const { return now_; }
    int PendingTimers() const { return static_cast<int>(timers_.size()); }

    // The pretended system.
    void SetDesktopFont(Font font) { desktopFont_ = std::move(font); }
    void SetCursorPos(Point point) { cursorPos_ = point; }
    void SetDpi(int dpi) { dpi_ = dpi; }
    void SetScreen(Rect screen) { screen_ = screen; }

    static constexpr int kCursorHintOffset = 20;

private:
    struct Timer {
        TimerId id;
        unsigned due;
        std::function<void()> callback;
    };

    void RunPosted();
    HeadlessPeer& PeerOf(const Form& form) const;
    static Label* FocusedLink(const Form& form);

    int dpi_ = 96;
    Rect screen_{0, 0, 1280, 1024};
    Point cursorPos_;
    Font desktopFont_{u"Segoe UI", 9, 0, 0xFF000008};
    std::deque<int> answers_;
    std::vector<MessageBoxRecord> messageBoxes_;
    std::deque<std::function<void(Form&)>> modalActions_;
    std::vector<Form*> modalShowings_;
    std::deque<std::u16string> menuChoices_;
    std::vector<PopupRecord> popups_;
    std::deque<std::function<void()>> posted_;
    int processMessagesCount_ = 0;
    bool quitPosted_ = false;
    unsigned now_ = 0;
    TimerId nextTimer_ = 1;
    std::vector<Timer> timers_;
};

// The answer of a message box's default button for its flags.
int DefaultMessageBoxAnswer(unsigned flags);

} // namespace zentrim::toolkit
