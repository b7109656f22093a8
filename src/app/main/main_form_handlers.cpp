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
#include "ui/apply_captions.h"
#include "ui/sound.h"
#include "ui/system_font.h"

namespace zentrim {

using namespace toolkit;

void MainForm::FormCreate() noexcept {
    try {
        form_.SetDesktopFont(true);
        ApplySystemFont(form_);
        ApplyCaptions(captions_, form_);

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
        // The runs need administrator rights: without them their buttons say so.
        goButton_.SetShield(!elevated_);
        restoreButton_.SetShield(!elevated_);

        if (IsUpdateCheckDue(registry_, dateFormatter_, clock_)) {
            shell_.Open(LaunchTarget::UpdateCheck);
        }
    } catch (...) {
        // the window opens with what was set up so far
    }
}

template <typename Run> void MainForm::RunWithHeldClose(Run run) {
    if (runInProgress_) {
        return;
    }
    runInProgress_ = true;
    run(); // the runs let no failure escape
    runInProgress_ = false;
    if (closeHeld_) {
        closeHeld_ = false;
        form_.Close();
    }
}

void MainForm::GoButtonClick() {
    if (!elevated_) {
        OfferAdministratorStart();
        return;
    }
    RunWithHeldClose([this] { ::zentrim::RunOptimize(*this, registry_, restart_); });
}

void MainForm::RestoreButtonClick() {
    if (!elevated_) {
        OfferAdministratorStart();
        return;
    }
    RunWithHeldClose([this] { ::zentrim::RunRestore(*this, registry_, restart_); });
}

bool MainForm::OfferAdministratorStart() {
    if (runInProgress_) {
        return false;
    }
    const std::u16string text = captions_.GetCaption(u"ZTMainForm", u"MessageBoxElevate1") + u"\r\n\r\n" +
                                captions_.GetCaption(u"ZTMainForm", u"MessageBoxElevate2");
    if (ShowMessageBox(text, form_.Caption(), kMbYesNo | kMbIconQuestion) != kIdYes) {
        return false;
    }
    // Held until this process ends: the new instance waits for it, then finds no main window.
    std::unique_ptr<StartLock> lock = lockStart_ ? lockStart_() : nullptr;
    if (!shell_.Open(LaunchTarget::ProgramAsAdministrator)) {
        return false; // Windows' question declined: everything stays as it was
    }
    handoverLock_ = std::move(lock);
    form_.Close();
    return true;
}

void MainForm::UpdatesButtonClick() {
    ::zentrim::PlayClickSound(clickSound_);
    shell_.Open(LaunchTarget::Updater);
}

Label* MainForm::NavStaticFor(const Component& sender) const {
    for (std::size_t i = 0; i < navButtons_.size(); ++i) {
        if (&sender == navButtons_[i] || &sender == navStatics_[i]) {
            return navStatics_[i];
        }
    }
    return nullptr;
}

Point MainForm::PopupAnchor() const {
    const Rect window = form_.WindowRect();
    const Image& button = *navButtons_[0];
    const int frameWidth = window.Width() - form_.ScaleToDpi(form_.ClientWidth());
    const int frameHeight = window.Height() - form_.ScaleToDpi(form_.ClientHeight());
    return {window.left + frameWidth + form_.ScaleToDpi(button.Left() + button.Width()),
            window.top + frameHeight + form_.ScaleToDpi(button.Top() + button.Height())};
}

void MainForm::NavButton1Click() {
    popupMenu_.SetAlignment(MenuAlignment::Right);
    popupMenu_.Popup(PopupAnchor());
}

void MainForm::NavButton2Click() {
    ::zentrim::PlayClickSound(clickSound_);
    shell_.Open(LaunchTarget::HomePage);
}

void MainForm::NavButton3Click() {
    ::zentrim::PlayClickSound(clickSound_);
    shell_.Open(LaunchTarget::SupportPage);
}

void MainForm::NavButton4Click() {
    ::zentrim::PlayClickSound(clickSound_);
    about_->Form().SetPosition(FormPosition::OwnerFormCenter);
    about_->Form().ShowModal();
}

void MainForm::HelpFilePopupClick() {
    bool handled = false;
    ApplicationEventsShortCut(kVirtualKeyF1, handled);
}

void MainForm::NavButtonMouseEnter(Component& sender) {
    if (Label* label = NavStaticFor(sender)) {
        SetUnderline(*label, true);
    }
}

void MainForm::NavButtonMouseLeave(Component& sender) {
    if (Label* label = NavStaticFor(sender)) {
        SetUnderline(*label, false);
    }
}

void MainForm::LabelMouseEnter(Component& sender) {
    if (Label* label = sender.As<Label>()) {
        SetUnderline(*label, true);
    }
}

void MainForm::LabelMouseLeave(Component& sender) {
    if (Label* label = sender.As<Label>()) {
        SetUnderline(*label, false);
    }
}

void MainForm::ApplicationEventsShortCut(int virtualKey, bool& /*handled*/) {
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
