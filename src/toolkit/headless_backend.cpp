#include "toolkit/headless_backend.h"

#include "base/text.h"
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/label.h"
#include "toolkit/memo.h"
#include "toolkit/picture_combo_box.h"
#include "toolkit/track_bar.h"

#include <algorithm>
#include <iterator>

namespace zentrim::toolkit {

int HeadlessPeer::Count(Change change) const {
    return static_cast<int>(std::count(changes.begin(), changes.end(), change));
}

std::unique_ptr<Peer> HeadlessBackend::CreatePeer(Component& component) {
    auto peer = std::make_unique<HeadlessPeer>();
    if (const Form* form = component.As<Form>()) {
        peer->windowPosition = {form->DesignedLeft(), form->DesignedTop()};
    }
    return peer;
}

HeadlessPeer& HeadlessBackend::PeerOf(const Form& form) const {
    return static_cast<HeadlessPeer&>(*form.GetPeer());
}

void HeadlessBackend::PlaceForm(Form& form) {
    const Size size{form.ScaleToDpi(form.ClientWidth()) + 2 * kBorder,
                    form.ScaleToDpi(form.ClientHeight()) + kTitleBar + 2 * kBorder};
    Rect placed{form.DesignedLeft(), form.DesignedTop(), form.DesignedLeft() + size.width,
                form.DesignedTop() + size.height};
    switch (form.Position()) {
    case FormPosition::Designed:
        break;
    case FormPosition::ScreenCenter:
        placed = KeepInside(CenterIn(size, screen_), screen_);
        break;
    case FormPosition::OwnerFormCenter:
        placed = KeepInside(CenterIn(size, form.Owner() != nullptr ? form.Owner()->WindowRect() : screen_),
                            screen_);
        break;
    }
    PeerOf(form).windowPosition = {placed.left, placed.top};
}

Rect HeadlessBackend::WindowRect(const Form& form) const {
    const Point position = PeerOf(form).windowPosition;
    return {position.x, position.y, position.x + form.ScaleToDpi(form.ClientWidth()) + 2 * kBorder,
            position.y + form.ScaleToDpi(form.ClientHeight()) + kTitleBar + 2 * kBorder};
}

Point HeadlessBackend::ClientOrigin(const Form& form) const {
    const Point position = PeerOf(form).windowPosition;
    return {position.x + kBorder, position.y + kBorder + kTitleBar};
}

void HeadlessBackend::RunModalLoop(Application&, Form& form) {
    modalShowings_.push_back(&form);
    if (!modalActions_.empty()) {
        auto action = std::move(modalActions_.front());
        modalActions_.pop_front();
        action(form);
    }
}

void HeadlessBackend::ShowPopupMenu(PopupMenu& menu, Point screenPoint) {
    popups_.push_back({&menu, screenPoint, menu.Alignment()});
    if (menuChoices_.empty()) {
        return;
    }
    const std::u16string choice = std::move(menuChoices_.front());
    menuChoices_.pop_front();
    for (MenuItem* item : menu.Items()) {
        if (!choice.empty() && EqualsIgnoringCase(item->Name(), choice)) {
            if (item->Enabled() && item->Visible() && !item->Separator()) {
                item->Click();
            }
            return;
        }
    }
}

void HeadlessBackend::RunMessageLoop(Application& app) {
    while (!app.Terminated() && !posted_.empty()) {
        auto task = std::move(posted_.front());
        posted_.pop_front();
        task();
    }
}

void HeadlessBackend::ProcessMessages(Application&) {
    ++processMessagesCount_;
    if (onProcessMessages) {
        onProcessMessages();
    }
    RunPosted();
}

void HeadlessBackend::RunPosted() {
    // Only what is waiting now: a task that posts another leaves it for the next turn.
    std::deque<std::function<void()>> waiting;
    waiting.swap(posted_);
    for (auto& task : waiting) {
        task();
    }
}

int HeadlessBackend::ShowMessageBox(const MessageBoxRequest& request) {
    int answer = DefaultMessageBoxAnswer(request.flags);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    messageBoxes_.push_back({request.text, request.title, request.flags, request.owner, answer});
    return answer;
}

TimerId HeadlessBackend::StartTimer(unsigned milliseconds, std::function<void()> callback) {
    const TimerId id = nextTimer_++;
    timers_.push_back({id, now_ + milliseconds, std::move(callback)});
    return id;
}

void HeadlessBackend::StopTimer(TimerId id) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; }),
                  timers_.end());
}

void HeadlessBackend::AdvanceTime(unsigned milliseconds) {
    const unsigned target = now_ + milliseconds;
    for (;;) {
        // Timers are kept in start order, so the first of the earliest is the one started first.
        auto next = std::min_element(timers_.begin(), timers_.end(),
                                     [](const Timer& a, const Timer& b) { return a.due < b.due; });
        if (next == timers_.end() || next->due > target) {
            break;
        }
        now_ = std::max(now_, next->due);
        auto callback = std::move(next->callback);
        timers_.erase(next);
        callback();
    }
    now_ = target;
}

Size HeadlessBackend::MeasureText(const Font& font, std::u16string_view text, bool showAccelChar,
                                  int wrapWidth) {
    const int pixels = (font.size * 96 * 2 + 72) / 144;
    const int charWidth = std::max(1, (pixels + 1) / 2);
    const int lineHeight = pixels + 2;
    const std::u16string shown = showAccelChar ? StripAccelerators(text) : std::u16string(text);
    std::vector<std::u16string> lines = SplitLines(shown);
    if (lines.empty()) {
        lines.emplace_back();
    }
    const std::size_t maxChars =
        wrapWidth > 0 ? static_cast<std::size_t>(std::max(1, wrapWidth / charWidth)) : 0;
    std::size_t widest = 0;
    int lineCount = 0;
    for (const std::u16string& line : lines) {
        if (maxChars == 0 || line.size() <= maxChars) {
            widest = std::max(widest, line.size());
            ++lineCount;
            continue;
        }
        // Greedy wrapping at spaces; a word longer than the width keeps a line of its own.
        std::size_t current = 0;
        std::size_t start = 0;
        while (start <= line.size()) {
            std::size_t end = line.find(u' ', start);
            if (end == std::u16string::npos) {
                end = line.size();
            }
            const std::size_t word = end - start;
            if (current > 0 && current + 1 + word > maxChars) {
                widest = std::max(widest, current);
                ++lineCount;
                current = word;
            } else {
                current += (current > 0 ? 1 : 0) + word;
            }
            start = end + 1;
        }
        widest = std::max(widest, current);
        ++lineCount;
    }
    return {static_cast<int>(widest) * charWidth, lineCount * lineHeight};
}

void* HeadlessBackend::LoadSystemCursor(Cursor cursor) {
    // Distinct stand-ins for the system's cursor handles.
    static char handles[4];
    switch (cursor) {
    case Cursor::Default:
        return &handles[0];
    case Cursor::Arrow:
        return &handles[1];
    case Cursor::HourGlass:
        return &handles[2];
    case Cursor::HandPoint:
        return &handles[3];
    }
    return nullptr;
}

bool HeadlessBackend::Hover(Control& control) {
    if (!control.IsShowing()) {
        return false;
    }
    const Rect rect = control.ScreenRect();
    cursorPos_ = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    control.OwnerForm().MouseOver(&control);
    return true;
}

void HeadlessBackend::MoveMouseAway(Form& form) {
    form.MouseOver(nullptr);
}

bool HeadlessBackend::Click(Control& control) {
    if (!control.IsShowing() || !control.IsEffectivelyEnabled()) {
        return false;
    }
    Hover(control);
    control.App().MouseButtonDown();
    control.Click();
    return true;
}

bool HeadlessBackend::Choose(PictureComboBox& combo, int index) {
    if (!combo.IsShowing() || !combo.IsEffectivelyEnabled()) {
        return false;
    }
    combo.SelectByUser(index);
    return true;
}

bool HeadlessBackend::Drag(TrackBar& trackBar, int position) {
    if (!trackBar.IsShowing() || !trackBar.IsEffectivelyEnabled()) {
        return false;
    }
    trackBar.MoveByUser(position);
    return true;
}

bool HeadlessBackend::Type(Edit& edit, std::u16string text) {
    if (!edit.IsShowing() || !edit.IsEffectivelyEnabled() || edit.ReadOnly()) {
        return false;
    }
    edit.TextEditedByUser(std::move(text));
    return true;
}

bool HeadlessBackend::PressKey(Application& app, int virtualKey) {
    return app.KeyDown(virtualKey);
}

bool HeadlessBackend::PressEnter(Form& form) {
    // A focused link takes Enter for itself, as it does under Windows' dialog keys.
    if (Label* link = FocusedLink(form)) {
        return link->KeyPressed(kVirtualKeyReturn);
    }
    Button* button = form.DefaultButton();
    if (button == nullptr || !button->IsShowing() || !button->IsEffectivelyEnabled()) {
        return false;
    }
    button->Click();
    return true;
}

bool HeadlessBackend::PressEscape(Form& form) {
    return form.Escape();
}

bool HeadlessBackend::PressSpace(Form& form) {
    if (Label* link = FocusedLink(form)) {
        return link->KeyPressed(kVirtualKeySpace);
    }
    Control* focused = form.ActiveControl();
    Button* button = focused != nullptr ? focused->As<Button>() : nullptr;
    if (button == nullptr || !button->IsShowing() || !button->IsEffectivelyEnabled()) {
        return false;
    }
    button->Click();
    return true;
}

Label* HeadlessBackend::FocusedLink(const Form& form) {
    Control* focused = form.ActiveControl();
    Label* label = focused != nullptr ? focused->As<Label>() : nullptr;
    return label != nullptr && label->IsLink() ? label : nullptr;
}

int DefaultMessageBoxAnswer(unsigned flags) {
    static constexpr int kButtons[][3] = {
        {kIdOk, 0, 0},                         // kMbOk
        {kIdOk, kIdCancel, 0},                 // kMbOkCancel
        {kIdAbort, kIdRetry, kIdIgnore},       // kMbAbortRetryIgnore
        {kIdYes, kIdNo, kIdCancel},            // kMbYesNoCancel
        {kIdYes, kIdNo, 0},                    // kMbYesNo
        {kIdRetry, kIdCancel, 0},              // kMbRetryCancel
        {kIdCancel, kIdTryAgain, kIdContinue}, // kMbCancelTryContinue
    };
    const unsigned type = flags & kMbTypeMask;
    if (type >= std::size(kButtons)) {
        return kIdOk;
    }
    const unsigned index = (flags & kMbDefaultButtonMask) >> 8;
    const int* buttons = kButtons[type];
    // A default button beyond the box's buttons falls back to the first, as Windows does.
    return index < 3 && buttons[index] != 0 ? buttons[index] : buttons[0];
}

} // namespace zentrim::toolkit
