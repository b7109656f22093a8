// The updater's one window ("TZTUpdateForm"): a heading, a status line, a progress bar with the
// bytes so far, and the buttons the step needs: Cancel while working, "&Install" when a verified
// update is ready, "&Start Zentrim" after it is installed, "&Close" at the end. It shows what the
// update session reports and passes the clicks on. An updater built with the public development key
// says so on a line of its own.
#pragma once

#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/form.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/progress_bar.h"
#include "updater/update_session.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zentrim {

class CaptionCatalogue;
class ClickSound;

// "1.2 MB", "640 KB", "512 bytes": a size as a user reads it.
std::u16string SizeText(std::uint64_t bytes);

// The catalogue text with "%1", "%2", "%3" replaced by the given texts.
std::u16string FillIn(std::u16string text, const std::u16string& first, const std::u16string& second = {},
                      const std::u16string& third = {});

class UpdateForm final : public UpdateView {
public:
    UpdateForm(toolkit::Application& app, const CaptionCatalogue& captions, ClickSound& clickSound,
               bool developmentBuild);
    UpdateForm(const UpdateForm&) = delete;
    UpdateForm& operator=(const UpdateForm&) = delete;

    toolkit::Form& Form() { return form_; }

    // The session whose clicks this window passes on; set before the window shows.
    void Attach(UpdateSession& session) { session_ = &session; }

    void ShowStatus(const UpdateStatus& status) override;
    // The status line's text for a status, from the catalogue section "ZTUpdateForm".
    std::u16string StatusText(const UpdateStatus& status) const;

    void InstallButtonClick();
    void CancelButtonClick();
    void StartButtonClick();
    void CloseButtonClick();

    toolkit::Label& HeadingLabel() { return heading_; }
    toolkit::Label& StatusLabel() { return status_; }
    toolkit::ProgressBar& DownloadProgress() { return bar_; }
    toolkit::Label& ProgressLabel() { return progressLabel_; }
    toolkit::Label& DevelopmentLabel() { return developmentLabel_; }
    toolkit::Button& InstallButton() { return installButton_; }
    toolkit::Button& StartButton() { return startButton_; }
    toolkit::Button& CancelButton() { return cancelButton_; }
    toolkit::Button& CloseButton() { return closeButton_; }

private:
    std::u16string Text(std::u16string_view key) const;
    std::u16string TransferText(const TransferResult& transfer) const;
    void FormShow();

    const CaptionCatalogue& captions_;
    ClickSound& clickSound_;
    UpdateSession* session_ = nullptr;
    bool closeWhenIdle_ = false;
    bool startByHand_ = false; // the new program could not be started for the user
    toolkit::Form form_;
    toolkit::Panel& panel_;
    toolkit::Label& heading_;
    toolkit::Label& status_;
    toolkit::ProgressBar& bar_;
    toolkit::Label& progressLabel_;
    toolkit::Bevel& bevel_;
    toolkit::Label& developmentLabel_;
    toolkit::Button& installButton_;
    toolkit::Button& startButton_;
    toolkit::Button& cancelButton_;
    toolkit::Button& closeButton_;
};

} // namespace zentrim
