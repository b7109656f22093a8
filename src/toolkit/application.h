// The application object: the message loop with its key check, message boxes, the hint logic
// with its replaceable hint window and hide routine, and the cursor table.
#pragma once

#include "toolkit/backend.h"
#include "toolkit/cursor.h"
#include "toolkit/hint_window.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zentrim::toolkit {

class Control;
class Form;

// Cursor numbers mapped to native cursor handles (HCURSOR on Windows).
class CursorTable {
public:
    // A null handle removes the entry.
    void Set(Cursor cursor, void* handle);
    void Remove(Cursor cursor);
    // The entry, or null.
    void* Get(Cursor cursor) const;
    // The handle to show: the entry, else the Default entry, else null.
    void* Resolve(Cursor cursor) const;

private:
    std::map<int, void*> entries_;
};

class Application {
public:
    // The cursor table starts with the backend's system cursors for Default, Arrow, HourGlass
    // and HandPoint.
    explicit Application(Backend& backend);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    // Forms must be destroyed before their application.
    ~Application();

    Backend& GetBackend() const { return backend_; }

    // Shows the main form, calls `shown` (when given) once it is shown, and handles messages until
    // the application is terminated (closing the main form terminates it).
    void Run(Form& mainForm, const std::function<void()>& shown = {});
    // Handles all waiting messages and returns as soon as none is left.
    void ProcessMessages();
    void Terminate();
    bool Terminated() const { return terminated_; }
    Form* MainForm() const { return mainForm_; }
    const std::vector<Form*>& Forms() const { return forms_; }

    // Shows a message box (named so to keep clear of the Win32 MessageBox macro); flags and answer are the
    // Windows MB_ and ID values (kMb..., kId...).
    int ShowMessageBox(std::u16string_view text, std::u16string_view title, unsigned flags,
                       Form* owner = nullptr);

    // Runs for every key press before it is dispatched, with the virtual key; setting handled
    // keeps the key from its normal processing.
    std::function<void(int virtualKey, bool& handled)> onShortCut;

    // Hints. The application's hint is the long part of the hint of the control under the
    // mouse; onHint runs whenever it changes.
    const std::u16string& Hint() const { return hint_; }
    void SetHint(std::u16string hint);
    std::function<void(Application& sender)> onHint;
    bool ShowHint() const { return showHint_; }
    // Off destroys the hint window; it is made anew at the next hint after turning on.
    void SetShowHint(bool on);
    int HintPause() const { return hintPause_; }           // before a hint shows
    int HintShortPause() const { return hintShortPause_; } // when moving between hinted controls
    int HintHidePause() const { return hintHidePause_; }   // how long a hint stays
    void SetHintPause(int milliseconds) { hintPause_ = milliseconds; }
    void SetHintShortPause(int milliseconds) { hintShortPause_ = milliseconds; }
    void SetHintHidePause(int milliseconds) { hintHidePause_ = milliseconds; }

    using HintWindowFactory = std::function<std::unique_ptr<HintWindow>(Application&)>;
    // The factory makes the hint window at the next hint; a hint window from an earlier factory
    // is destroyed then. Without a factory no hint is shown.
    void SetHintWindowFactory(HintWindowFactory factory);
    HintWindow* CurrentHintWindow() const { return hintWindow_.get(); }
    // Replaces what hiding a hint does; null restores the hint window's ReleaseHandle.
    void SetHideHintRoutine(std::function<void()> routine) { hideHintRoutine_ = std::move(routine); }
    // Hides the hint through the hide routine.
    void HideHint();
    // Stops a pending hint and hides a shown one.
    void CancelHint();
    bool HintShowing() const { return hintShowing_; }

    CursorTable& Cursors() { return cursors_; }
    const CursorTable& Cursors() const { return cursors_; }

    // For backends: a key went down; returns true when onShortCut handled it.
    bool KeyDown(int virtualKey);
    // For backends: a mouse button went down.
    void MouseButtonDown() { CancelHint(); }
    // For forms: the control under the mouse changed.
    void ControlHovered(Control* control);
    void AddForm(Form& form);
    void RemoveForm(Form& form);

private:
    void StopTimer(TimerId& timer);
    void ShowHintNow();
    void EnsureHintWindow();

    Backend& backend_;
    bool terminated_ = false;
    Form* mainForm_ = nullptr;
    std::vector<Form*> forms_;
    CursorTable cursors_;

    std::u16string hint_;
    bool showHint_ = true;
    int hintPause_ = 500;
    int hintShortPause_ = 0;
    int hintHidePause_ = 2500;
    HintWindowFactory hintFactory_;
    unsigned hintFactoryGeneration_ = 0;
    unsigned hintWindowGeneration_ = 0;
    std::unique_ptr<HintWindow> hintWindow_;
    std::function<void()> hideHintRoutine_;
    Control* hintControl_ = nullptr;
    bool hintShowing_ = false;
    TimerId showTimer_ = 0;
    TimerId hideTimer_ = 0;
};

} // namespace zentrim::toolkit
