#include "toolkit/application.h"
#include "toolkit/events.h"

#include "toolkit/form.h"

#include <algorithm>

namespace zentrim::toolkit {

void CursorTable::Set(Cursor cursor, void* handle) {
    if (handle == nullptr) {
        Remove(cursor);
        return;
    }
    entries_[static_cast<int>(cursor)] = handle;
}

void CursorTable::Remove(Cursor cursor) {
    entries_.erase(static_cast<int>(cursor));
}

void* CursorTable::Get(Cursor cursor) const {
    const auto found = entries_.find(static_cast<int>(cursor));
    return found != entries_.end() ? found->second : nullptr;
}

void* CursorTable::Resolve(Cursor cursor) const {
    void* handle = Get(cursor);
    return handle != nullptr ? handle : Get(Cursor::Default);
}

Application::Application(Backend& backend) : backend_(backend) {
    for (const Cursor cursor : {Cursor::Default, Cursor::Arrow, Cursor::HourGlass, Cursor::HandPoint}) {
        cursors_.Set(cursor, backend_.LoadSystemCursor(cursor));
    }
}

Application::~Application() {
    StopTimer(showTimer_);
    StopTimer(hideTimer_);
    hintWindow_.reset();
}

void Application::Run(Form& mainForm, const std::function<void()>& shown) {
    mainForm_ = &mainForm;
    mainForm.Show();
    if (shown) {
        shown();
    }
    if (!terminated_) {
        backend_.RunMessageLoop(*this);
    }
}

void Application::ProcessMessages() {
    backend_.ProcessMessages(*this);
}

void Application::Terminate() {
    if (terminated_) {
        return;
    }
    terminated_ = true;
    backend_.PostQuit();
}

int Application::ShowMessageBox(std::u16string_view text, std::u16string_view title, unsigned flags,
                                Form* owner) {
    CancelHint();
    return backend_.ShowMessageBox({std::u16string(text), std::u16string(title), flags, owner});
}

bool Application::KeyDown(int virtualKey) {
    CancelHint();
    bool handled = false;
    RaiseEvent(onShortCut, virtualKey, handled);
    return handled;
}

void Application::SetHint(std::u16string hint) {
    if (hint_ == hint) {
        return;
    }
    hint_ = std::move(hint);
    if (onHint) {
        onHint(*this);
    }
}

void Application::SetShowHint(bool on) {
    if (showHint_ == on) {
        return;
    }
    showHint_ = on;
    if (!on) {
        CancelHint();
        hintWindow_.reset();
    }
}

void Application::SetHintWindowFactory(HintWindowFactory factory) {
    hintFactory_ = std::move(factory);
    ++hintFactoryGeneration_;
}

void Application::HideHint() {
    StopTimer(hideTimer_);
    hintShowing_ = false;
    if (hideHintRoutine_) {
        hideHintRoutine_();
    } else if (hintWindow_) {
        hintWindow_->ReleaseHandle();
    }
}

void Application::CancelHint() {
    StopTimer(showTimer_);
    if (hintShowing_) {
        HideHint();
    }
}

void Application::ControlHovered(Control* control) {
    hintControl_ = control;
    SetHint(control != nullptr ? std::u16string(LongHint(control->Hint())) : std::u16string());
    StopTimer(showTimer_);
    const bool hasHint = control != nullptr && !ShortHint(control->Hint()).empty();
    if (!showHint_ || !hasHint) {
        if (hintShowing_) {
            HideHint();
        }
        return;
    }
    // Moving on from a shown hint shows the next one sooner.
    const int pause = std::max(0, hintShowing_ ? hintShortPause_ : hintPause_);
    showTimer_ = backend_.StartTimer(static_cast<unsigned>(pause), [this] {
        showTimer_ = 0;
        ShowHintNow();
    });
}

void Application::EnsureHintWindow() {
    if (hintWindow_ && hintWindowGeneration_ == hintFactoryGeneration_) {
        return;
    }
    hintWindow_.reset();
    hintWindowGeneration_ = hintFactoryGeneration_;
    if (hintFactory_) {
        hintWindow_ = hintFactory_(*this);
    }
}

void Application::ShowHintNow() {
    if (hintControl_ == nullptr || !showHint_) {
        return;
    }
    const std::u16string text(ShortHint(hintControl_->Hint()));
    if (text.empty()) {
        return;
    }
    EnsureHintWindow();
    if (!hintWindow_) {
        return;
    }
    const Point cursor = backend_.CursorPos();
    Rect rect = hintWindow_->CalcHintRect(backend_.WorkArea(cursor).Width(), text);
    const int left = cursor.x;
    const int top = cursor.y + backend_.CursorHintOffset();
    rect = {left + rect.left, top + rect.top, left + rect.right, top + rect.bottom};
    hintWindow_->ActivateHint(rect, text);
    hintShowing_ = true;
    StopTimer(hideTimer_);
    hideTimer_ = backend_.StartTimer(static_cast<unsigned>(std::max(0, hintHidePause_)), [this] {
        hideTimer_ = 0;
        HideHint();
    });
}

void Application::StopTimer(TimerId& timer) {
    if (timer != 0) {
        backend_.StopTimer(timer);
        timer = 0;
    }
}

void Application::AddForm(Form& form) {
    forms_.push_back(&form);
}

void Application::RemoveForm(Form& form) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
    if (hintControl_ != nullptr && &hintControl_->OwnerForm() == &form) {
        hintControl_ = nullptr;
        StopTimer(showTimer_);
    }
    if (mainForm_ == &form) {
        mainForm_ = nullptr;
    }
}

} // namespace zentrim::toolkit
