// The progress window ("TZTSettingsForm"): a heading, a bar and a step line that the optimize
// and restore runs walk through their steps. It does no work of its own.
#pragma once

#include "toolkit/form.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/progress_bar.h"

#include <array>
#include <functional>
#include <string_view>

namespace zentrim {

class CaptionCatalogue;

// How long one step lasts: a number of passes of message processing drawn from
// [minPasses, maxPasses), with the step text shown with one, two and three dots at the given
// passes, each followed by a pause.
struct ProgressPacing {
    int minPasses = 1'000'000;
    int maxPasses = 3'000'000;
    std::array<int, 3> dotPasses = {20'000, 50'000, 150'000};
    int pauseMilliseconds = 500;
};

// The pacing of the program.
ProgressPacing StandardPacing();
// A short pacing for the test variant of the program, whose whole runs end in seconds.
ProgressPacing QuickPacing();

class ProgressForm {
public:
    using PauseFunction = std::function<void(int milliseconds)>;

    ProgressForm(toolkit::Application& app, toolkit::Form& mainForm, const CaptionCatalogue& captions,
                 ProgressPacing pacing, PauseFunction pause);
    ProgressForm(const ProgressForm&) = delete;
    ProgressForm& operator=(const ProgressForm&) = delete;

    toolkit::Form& Form() { return form_; }

    // A run shows the window with BeginRun and closes it with EndRun. In between, a close request
    // from outside (another process of the program sends one before an update) leaves the window
    // shown, and the run goes on with it; the request is carried out by the run's own close.
    void BeginRun();
    void EndRun();
    bool RunShowing() const { return runShowing_; }

    // Shows one step: the text with dots appearing after it while messages keep being processed,
    // then the bar advances by one step. Never fails towards the caller.
    void ShowProgressStep(std::u16string_view stepText) noexcept;

    int ProgressStepTotal() const { return stepTotal_; }
    void SetProgressStepTotal(int total) { stepTotal_ = total; }
    int ProgressStepCount() const { return stepCount_; }
    void SetProgressStepCount(int count) { stepCount_ = count; }

    toolkit::Label& CurrentSettingsHeading() { return heading_; }
    toolkit::Label& CurrentSettingsLabel() { return stepLine_; }
    toolkit::ProgressBar& MainProgress() { return bar_; }

private:
    void FormShow();
    int DrawStepLength();

    toolkit::Application& app_;
    const CaptionCatalogue& captions_;
    ProgressPacing pacing_;
    PauseFunction pause_;
    toolkit::Form form_;
    toolkit::Panel& panel_;
    toolkit::Label& heading_;
    toolkit::ProgressBar& bar_;
    toolkit::Label& stepLine_;
    int stepTotal_ = 0;
    int stepCount_ = 0;
    bool runShowing_ = false;
};

} // namespace zentrim
