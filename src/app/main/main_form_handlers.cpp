// The main window's preparation, its event handlers and its side of the runs and of the help
// request.
#include "app/main/main_form.h"

#include "engine/backup.h"
#include "engine/custom_registry.h"
#include "engine/product_key.h"
#include "engine/runs.h"
#include "engine/system_profile.h"
#include "engine/windows_version.h"
#include "launch/launch_targets.h"
#include "launch/product_identity.h"
#include "toolkit/application.h"
#include "ui/captions.h"
#include "ui/sound.h"
#include "ui/system_font.h"

namespace zentrim {

using namespace toolkit;

namespace {

void SetUnderline(Label& label, bool on) {
    Font font = label.GetFont();
    font.style = on ? (font.style | kFontUnderline) : (font.style & ~kFontUnderline);
    label.SetFont(font);
}

// The label "NavStatic" + the sender's digit: the name from its tenth character on, trimmed.
Label* NavStaticFor(const toolkit::Form& form, const Component& sender) {
    const std::u16string& name = sender.Name();
    if (name.size() < 10) {
        return nullptr;
    }
    std::u16string_view digit = std::u16string_view(name).substr(9);
    while (!digit.empty() && digit.front() <= u' ') {
        digit.remove_prefix(1);
    }
    while (!digit.empty() && digit.back() <= u' ') {
        digit.remove_suffix(1);
    }
    return form.Find<Label>(u"NavStatic" + std::u16string(digit));
}

} // namespace

void MainForm::FormCreate() noexcept {
    try {
        form_.SetDesktopFont(true);
        ApplySystemFont(form_);
        captions_.ApplyCaptions(form_);

        const std::u16string lastUpdated = LastUpdatedText(registry_, dateFormatter_);
        const StoredChoices stored = ReadStoredChoices(registry_);
        const bool restore = IsBackupHeld(registry_);

        softwareLastUpdateLabel_.SetCaption(softwareLastUpdateLabel_.Caption() + lastUpdated);
        versionInstalledLabel_.SetCaption(versionInstalledLabel_.Caption() + std::u16string(kProductVersion));

        const ProfileSelection selection =
            PreselectProfile(DetectWindowsVersion(versionSource_), stored, registry_);
        windowsCombo_.SetSelectedIndex(selection.windowsIndex);
        processorCombo_.SetSelectedIndex(selection.processorIndex);
        modemCombo_.SetSelectedIndex(selection.internetType);
        restoreButton_.SetEnabled(restore);
        speedTrackBar_.SetPosition(ClampSpeedSetting(selection.speedPosition));

        if (IsUpdateCheckDue(registry_, dateFormatter_, clock_)) {
            shell_.Open(LaunchTarget::UpdateCheck);
        }
    } catch (...) {
        // the window opens with what was set up so far
    }
}

template <typename Run> void MainForm::RunWithHeldClose(Run run) noexcept {
    if (runInProgress_) {
        return;
    }
    runInProgress_ = true;
    run();
    runInProgress_ = false;
    if (closeHeld_) {
        closeHeld_ = false;
        try {
            form_.Close();
        } catch (...) {
        }
    }
}

void MainForm::GoButtonClick() noexcept {
    RunWithHeldClose([this] { ::zentrim::GoButtonClick(*this, registry_, restart_); });
}

void MainForm::RestoreButtonClick() noexcept {
    RunWithHeldClose([this] { ::zentrim::RestoreButtonClick(*this, registry_, restart_); });
}

void MainForm::UpdatesButtonClick() noexcept {
    try {
        ::zentrim::PlayClickSound(clickSound_);
        shell_.Open(LaunchTarget::Updater);
    } catch (...) {
    }
}

Point MainForm::PopupAnchor() const {
    const Rect window = form_.WindowRect();
    const Image& button = *navButtons_[0];
    const int frameWidth = window.Width() - form_.ScaleToDpi(form_.ClientWidth());
    const int frameHeight = window.Height() - form_.ScaleToDpi(form_.ClientHeight());
    return {window.left + frameWidth + form_.ScaleToDpi(button.Left() + button.Width()),
            window.top + frameHeight + form_.ScaleToDpi(button.Top() + button.Height())};
}

void MainForm::NavButton1Click() noexcept {
    try {
        popupMenu_.SetAlignment(MenuAlignment::Right);
        popupMenu_.Popup(PopupAnchor());
    } catch (...) {
    }
}

void MainForm::NavButton2Click() noexcept {
    try {
        ::zentrim::PlayClickSound(clickSound_);
        shell_.Open(LaunchTarget::HomePage);
    } catch (...) {
    }
}

void MainForm::NavButton3Click() noexcept {
    try {
        ::zentrim::PlayClickSound(clickSound_);
        shell_.Open(LaunchTarget::SupportPage);
    } catch (...) {
    }
}

void MainForm::NavButton4Click() noexcept {
    try {
        ::zentrim::PlayClickSound(clickSound_);
        about_->Form().SetPosition(FormPosition::OwnerFormCenter);
        about_->Form().ShowModal();
    } catch (...) {
    }
}

void MainForm::HelpFilePopupClick() noexcept {
    bool handled = false;
    ApplicationEventsShortCut(kVirtualKeyF1, handled);
}

void MainForm::NavButtonMouseEnter(Component& sender) noexcept {
    try {
        if (Label* label = NavStaticFor(form_, sender)) {
            SetUnderline(*label, true);
        }
    } catch (...) {
    }
}

void MainForm::NavButtonMouseLeave(Component& sender) noexcept {
    try {
        if (Label* label = NavStaticFor(form_, sender)) {
            SetUnderline(*label, false);
        }
    } catch (...) {
    }
}

void MainForm::LabelMouseEnter(Component& sender) noexcept {
    try {
        if (Label* label = sender.As<Label>()) {
            SetUnderline(*label, true);
        }
    } catch (...) {
    }
}

void MainForm::LabelMouseLeave(Component& sender) noexcept {
    try {
        if (Label* label = sender.As<Label>()) {
            SetUnderline(*label, false);
        }
    } catch (...) {
    }
}

void MainForm::ApplicationEventsShortCut(int virtualKey, bool& /*handled*/) noexcept {
    // Modifier keys are not examined, and the key goes on to its normal processing.
    if (virtualKey == kVirtualKeyF1) {
        shell_.RunHelpRequest(*this);
    }
}

// RunView.

int MainForm::WindowsIndex() {
    return windowsCombo_.SelectedIndex();
}

int MainForm::InternetType() {
    return modemCombo_.SelectedIndex();
}

int MainForm::ProcessorType() {
    return processorCombo_.SelectedIndex();
}

int MainForm::SpeedSetting() {
    return speedTrackBar_.Position();
}

int MainForm::ConvertWindowsVersion(int windowsIndex) {
    return ::zentrim::ConvertWindowsVersion(windowsIndex);
}

void MainForm::EnableMainWindow(bool enabled) {
    form_.SetEnabled(enabled);
}

void MainForm::EnableRestoreButton(bool enabled) {
    restoreButton_.SetEnabled(enabled);
}

std::u16string MainForm::MainWindowTitle() {
    return form_.Caption();
}

void MainForm::ShowProgressWindow() {
    progress_->BeginRun();
}

void MainForm::SetProgressStepTotal(int total) {
    progress_->SetProgressStepTotal(total);
}

void MainForm::SetProgressStepCount(int count) {
    progress_->SetProgressStepCount(count);
}

void MainForm::SetProgressHeading(std::u16string_view text) {
    progress_->CurrentSettingsHeading().SetCaption(std::u16string(text));
}

void MainForm::ShowProgressStep(std::u16string_view text) {
    progress_->ShowProgressStep(text);
}

void MainForm::CloseProgressWindow() {
    progress_->EndRun();
}

std::u16string MainForm::GetCaption(std::u16string_view windowName, std::u16string_view key) {
    return captions_.GetCaption(windowName, key);
}

void MainForm::PlayClickSound() {
    ::zentrim::PlayClickSound(clickSound_);
}

int MainForm::ShowMessageBox(std::u16string_view text, std::u16string_view title, std::uint32_t flags) {
    return app_.ShowMessageBox(text, title, flags, &form_);
}

// ProgramWindows.

bool MainForm::IsAboutWindowVisible() const {
    return about_ && about_->Form().Visible();
}

bool MainForm::IsProgressWindowVisible() const {
    return progressWindow_ != nullptr && progressWindow_->Visible();
}

bool MainForm::IsMainWindowVisible() const {
    return form_.Visible();
}

} // namespace zentrim
