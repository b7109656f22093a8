#include "app/update/update_form.h"

#include "base/text.h"
#include "ui/apply_captions.h"
#include "ui/sound.h"
#include "ui/system_font.h"
#include "update/manifest.h"

namespace zentrim {

using namespace toolkit;

namespace {

constexpr std::u16string_view kSection = u"ZTUpdateForm";
// The bar counts in per mille, so sizes beyond an int's range fit.
constexpr int kBarRange = 1000;

std::u16string Number(std::uint64_t number) {
    return FromUtf8(std::to_string(number));
}

// "2027-01-09 12:00 UTC": a manifest's expiry as a reader takes it in.
std::u16string ExpiryText(std::int64_t secondsSince1970) {
    const std::string stamp = FormatUtcTime(secondsSince1970); // 2027-01-09T12:00:00Z
    return FromUtf8(stamp.substr(0, 10) + " " + stamp.substr(11, 5) + " UTC");
}

} // namespace

std::u16string SizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kKilo = 1024;
    constexpr std::uint64_t kMega = kKilo * 1024;
    if (bytes < kKilo) {
        return Number(bytes) + u" bytes";
    }
    // One decimal, rounded down so that "1.0 MB" never stands for less than a megabyte.
    const auto tenths = [](std::uint64_t value, std::uint64_t unit) {
        const std::uint64_t scaled = value * 10 / unit;
        return Number(scaled / 10) + u"." + Number(scaled % 10);
    };
    return bytes < kMega ? tenths(bytes, kKilo) + u" KB" : tenths(bytes, kMega) + u" MB";
}

std::u16string FillIn(std::u16string text, const std::u16string& first, const std::u16string& second,
                      const std::u16string& third) {
    const std::u16string* values[] = {&first, &second, &third};
    std::u16string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] >= u'1' && text[i + 1] <= u'3') {
            result += *values[text[i + 1] - u'1'];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

UpdateForm::UpdateForm(Application& app, const CaptionCatalogue& captions, ClickSound& clickSound,
                       bool developmentBuild)
    : captions_(captions), clickSound_(clickSound), form_(app, {.className = u"TZTUpdateForm",
                                                                .name = u"ZTUpdateForm",
                                                                .clientWidth = 480,
                                                                .clientHeight = 190,
                                                                .border = FormBorder::Single,
                                                                .color = colors::kButtonFace,
                                                                .position = FormPosition::ScreenCenter,
                                                                .icon = u"MAINICON"}),
      panel_(
          form_.Add<Panel>({.name = u"UpdatePanel", .bounds = {0, 0, 480, 140}}, {.color = colors::kWindow})),
      heading_(form_.Add<Label>({.name = u"UpdateHeading",
                                 .parent = &panel_,
                                 .bounds = {16, 14},
                                 .font = Font{u"Tahoma", 10, kFontBold, colors::kWindowText}},
                                {.transparent = true})),
      status_(form_.Add<Label>(
          {.name = u"StatusLabel", .parent = &panel_, .bounds = {16, 40, 448, 48}},
          {.autoSize = false, .wordWrap = true, .showAccelChar = false, .transparent = true})),
      bar_(form_.Add<ProgressBar>(
          {.name = u"DownloadProgress", .parent = &panel_, .bounds = {16, 92, 448, 18}},
          {.max = kBarRange, .smooth = true})),
      progressLabel_(
          form_.Add<Label>({.name = u"ProgressLabel", .parent = &panel_, .bounds = {16, 114, 448, 16}},
                           {.autoSize = false, .showAccelChar = false, .transparent = true})),
      bevel_(form_.Add<Bevel>({.name = u"UpdateBevel", .bounds = {0, 140, 480, 5}},
                              {.shape = BevelShape::TopLine})),
      developmentLabel_(form_.Add<Label>({.name = u"DevelopmentLabel",
                                          .bounds = {12, 148, 250, 36},
                                          .font = Font{u"Tahoma", 8, kFontBold, 0x000000C0},
                                          .visible = developmentBuild},
                                         {.autoSize = false, .wordWrap = true, .showAccelChar = false})),
      installButton_(form_.Add<Button>(
          {.name = u"InstallButton", .bounds = {306, 153, 79, 25}, .visible = false}, {.shield = true})),
      startButton_(
          form_.Add<Button>({.name = u"StartButton", .bounds = {266, 153, 119, 25}, .visible = false})),
      cancelButton_(
          form_.Add<Button>({.name = u"CancelButton", .bounds = {389, 153, 79, 25}, .visible = false})),
      closeButton_(
          form_.Add<Button>({.name = u"CloseButton", .bounds = {389, 153, 79, 25}, .visible = false})) {
    form_.onShow = [this](toolkit::Form&) { FormShow(); };
    // A close request while work runs cancels the work; the window closes once it has stopped.
    form_.onClose = [this](toolkit::Form&, CloseAction& action) {
        if (session_ != nullptr && session_->Working()) {
            action = CloseAction::None;
            closeWhenIdle_ = true;
            session_->Cancel();
        }
    };
    installButton_.onClick = [this](Component&) { InstallButtonClick(); };
    startButton_.onClick = [this](Component&) { StartButtonClick(); };
    cancelButton_.onClick = [this](Component&) { CancelButtonClick(); };
    closeButton_.onClick = [this](Component&) { CloseButtonClick(); };
}

std::u16string UpdateForm::Text(std::u16string_view key) const {
    return captions_.GetCaption(kSection, key);
}

void UpdateForm::FormShow() {
    form_.SetDesktopFont(true);
    ApplySystemFont(form_);
    ApplyCaptions(captions_, form_);
}

std::u16string UpdateForm::TransferText(const TransferResult& transfer) const {
    switch (transfer.outcome) {
    case TransferOutcome::NoConnection:
        return Text(u"ReasonNoConnection");
    case TransferOutcome::Refused:
        return Text(u"ReasonRefused");
    case TransferOutcome::Broken:
        return Text(u"ReasonBroken");
    case TransferOutcome::TimedOut:
        return Text(u"ReasonTimedOut");
    case TransferOutcome::ErrorStatus:
        return FillIn(Text(u"ReasonErrorStatus"), Number(static_cast<std::uint64_t>(transfer.httpStatus)));
    case TransferOutcome::TooLarge:
        return Text(u"ReasonTooLarge");
    case TransferOutcome::Cancelled:
        return Text(u"ReasonCancelled");
    case TransferOutcome::Done:
    case TransferOutcome::Failed:
        break;
    }
    return FillIn(Text(u"ReasonFailed"), Number(transfer.systemError));
}

std::u16string UpdateForm::StatusText(const UpdateStatus& status) const {
    const std::u16string& offered = status.offeredVersion;
    const std::u16string& installed = status.installedVersion;
    switch (status.step) {
    case UpdateStep::Idle:
        return {};
    case UpdateStep::Checking:
        return Text(u"StatusChecking");
    case UpdateStep::UpToDate:
        return FillIn(Text(u"StatusUpToDate"), installed);
    case UpdateStep::Offering:
        return FillIn(Text(u"StatusOffer"), offered, installed, SizeText(status.packageSize));
    case UpdateStep::Downloading:
        return FillIn(Text(u"StatusDownloading"), offered);
    case UpdateStep::Verifying:
        return Text(u"StatusVerifying");
    case UpdateStep::ClosingProgram:
        return Text(u"StatusClosingProgram");
    case UpdateStep::Installing:
        return FillIn(Text(u"StatusInstalling"), offered);
    case UpdateStep::Finished:
        return FillIn(Text(startByHand_ ? u"StatusStartByHand" : u"StatusFinished"), offered);
    case UpdateStep::Failed:
        break;
    }
    switch (status.failure) {
    case UpdateFailure::NoInstalledProgram:
        return Text(u"FailNoProgram");
    case UpdateFailure::ServiceUnreachable:
        return FillIn(Text(u"FailService"), TransferText(status.transfer));
    case UpdateFailure::ServiceUnavailable:
        return FillIn(Text(u"FailServiceUnavailable"),
                      Number(static_cast<std::uint64_t>(status.transfer.httpStatus)));
    case UpdateFailure::ServiceAnswerUnknown:
        return Text(u"FailServiceAnswer");
    case UpdateFailure::ManifestUnavailable:
        return FillIn(Text(u"FailManifest"), TransferText(status.transfer));
    case UpdateFailure::BadSignature:
        return Text(u"FailSignature");
    case UpdateFailure::BadManifest:
        return Text(u"FailBadManifest");
    case UpdateFailure::ManifestExpired:
        return FillIn(Text(u"FailExpired"), ExpiryText(status.manifestExpires));
    case UpdateFailure::NotNewer:
        return FillIn(Text(u"FailNotNewer"), offered, installed);
    case UpdateFailure::NoPackage:
        return Text(u"FailNoPackage");
    case UpdateFailure::NoDownloadFolder:
        return Text(u"FailFolder");
    case UpdateFailure::DownloadFailed:
        return FillIn(Text(u"FailDownload"), TransferText(status.transfer));
    case UpdateFailure::PackageNotHeld:
        return Text(u"FailHeld");
    case UpdateFailure::SizeMismatch:
        return Text(u"FailSize");
    case UpdateFailure::HashMismatch:
        return Text(u"FailHash");
    case UpdateFailure::Cancelled:
        return Text(u"FailCancelled");
    case UpdateFailure::InstallerNotStarted:
        return FillIn(Text(u"FailInstallerStart"), Number(status.systemError));
    case UpdateFailure::InstallerCancelled:
        return Text(u"FailInstallerCancelled");
    case UpdateFailure::InstallerFailed:
        return FillIn(Text(u"FailInstaller"), Number(status.installerExitCode));
    case UpdateFailure::FlagNotSet:
        return FillIn(Text(u"FailFlag"), offered);
    case UpdateFailure::None:
        break;
    }
    return {};
}

void UpdateForm::ShowStatus(const UpdateStatus& status) {
    status_.SetCaption(StatusText(status));

    const UpdateStep step = status.step;
    const bool receiving = step == UpdateStep::Downloading || step == UpdateStep::Verifying;
    const bool installing = step == UpdateStep::ClosingProgram || step == UpdateStep::Installing;
    const bool working = step == UpdateStep::Checking || receiving || installing;
    // The bar and its figures only while the package is on its way in: nothing else is measured.
    bar_.SetVisible(receiving || installing);
    progressLabel_.SetVisible(receiving);
    const std::uint64_t total = status.packageSize;
    if (receiving) {
        const std::uint64_t received = status.received < total ? status.received : total;
        bar_.SetPosition(total == 0 ? 0 : static_cast<int>(received * kBarRange / total));
        progressLabel_.SetCaption(FillIn(Text(u"ProgressText"), SizeText(received), SizeText(total)));
    } else if (installing) {
        bar_.SetPosition(kBarRange);
    } else {
        bar_.SetPosition(0);
        progressLabel_.SetCaption({});
    }

    // Each button is there only while it can be used; hidden buttons are disabled as well, so
    // that Enter never presses one the user cannot see.
    const auto offer = [](Button& button, bool shown) {
        button.SetVisible(shown);
        button.SetEnabled(shown);
    };
    offer(installButton_, step == UpdateStep::Offering);
    offer(startButton_, step == UpdateStep::Finished && !startByHand_);
    // Windows Installer has its own Cancel, and the running program may be finishing a run: the
    // updater's Cancel waits meanwhile.
    offer(cancelButton_, working);
    cancelButton_.SetEnabled(working && !installing);
    offer(closeButton_, !working);
    // The button of the step is the default (Enter) and has the focus; Esc presses Cancel while
    // work runs and Close when it has ended.
    Button* const action = step == UpdateStep::Offering                    ? &installButton_
                           : step == UpdateStep::Finished && !startByHand_ ? &startButton_
                           : !working                                      ? &closeButton_
                                                                           : nullptr;
    for (Button* button : {&installButton_, &startButton_, &cancelButton_, &closeButton_}) {
        button->SetDefault(button == action);
    }
    form_.SetCancelButton(working ? &cancelButton_ : &closeButton_);
    if (action != nullptr) {
        action->SetFocus();
    }

    if (!working && closeWhenIdle_) {
        closeWhenIdle_ = false;
        form_.Close();
    }
}

void UpdateForm::InstallButtonClick() {
    PlayClickSound(clickSound_);
    if (session_ != nullptr) {
        session_->Install();
    }
}

void UpdateForm::CancelButtonClick() {
    if (session_ != nullptr) {
        session_->Cancel();
    }
}

void UpdateForm::StartButtonClick() {
    PlayClickSound(clickSound_);
    if (session_ != nullptr && !session_->StartProgram()) {
        // Never started with the updater's own rights instead: the user starts it as usual.
        startByHand_ = true;
        ShowStatus(session_->Status());
        return;
    }
    form_.Close();
}

void UpdateForm::CloseButtonClick() {
    form_.Close();
}

} // namespace zentrim
