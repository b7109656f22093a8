#include "app/progress/progress_form.h"

#include "toolkit/application.h"
#include "ui/apply_captions.h"
#include "ui/system_font.h"

#include <chrono>
#include <cmath>
#include <random>

namespace zentrim {

using namespace toolkit;

ProgressPacing StandardPacing() {
    return {};
}

ProgressPacing QuickPacing() {
    return {.minPasses = 40, .maxPasses = 80, .dotPasses = {5, 10, 20}, .pauseMilliseconds = 15};
}

ProgressForm::ProgressForm(Application& app, toolkit::Form& mainForm, const CaptionCatalogue& captions,
                           ProgressPacing pacing, PauseFunction pause)
    : app_(app), captions_(captions), pacing_(pacing), pause_(std::move(pause)),
      form_(app, {.className = u"TZTSettingsForm",
                  .name = u"ZTSettingsForm",
                  .clientWidth = 479,
                  .clientHeight = 146,
                  .border = FormBorder::SingleNoButtons,
                  .color = colors::kButtonFace,
                  .position = FormPosition::OwnerFormCenter,
                  .owner = &mainForm}),
      panel_(form_.Add<Panel>(
          {.name = u"SettingsPanel", .bounds = {0, 0, 479, 146}, .cursor = Cursor::HourGlass},
          {.color = colors::kWindow})),
      heading_(form_.Add<Label>({.name = u"CurrentSettingsHeading",
                                 .parent = &panel_,
                                 .bounds = {42, 30},
                                 .font = Font{u"Tahoma", 8, kFontBold, colors::kWindowText}},
                                {.layout = TextLayout::Center, .transparent = true})),
      bar_(form_.Add<ProgressBar>({.name = u"MainProgress",
                                   .parent = &panel_,
                                   .bounds = {42, 59, 401, 17},
                                   .cursor = Cursor::HourGlass},
                                  {.min = 0, .max = 100, .smooth = true})),
      stepLine_(form_.Add<Label>({.name = u"CurrentSettingsLabel", .parent = &panel_, .bounds = {42, 94}},
                                 {.layout = TextLayout::Center, .transparent = true})) {
    form_.onShow = [this](toolkit::Form&) { FormShow(); };
    form_.onClose = [this](toolkit::Form&, CloseAction& action) {
        if (runShowing_) {
            action = CloseAction::None;
        }
    };
}

void ProgressForm::BeginRun() {
    runShowing_ = true;
    form_.Show();
}

void ProgressForm::EndRun() {
    runShowing_ = false;
    form_.Close();
}

void ProgressForm::FormShow() {
    form_.SetDesktopFont(true);
    ApplySystemFont(form_);
    ApplyCaptions(captions_, form_);
    bar_.SetPosition(0);
}

int ProgressForm::DrawStepLength() {
    // Seeded afresh from the clock at every step.
    std::mt19937 generator(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<int> length(pacing_.minPasses, pacing_.maxPasses - 1);
    return length(generator);
}

void ProgressForm::ShowProgressStep(std::u16string_view stepText) noexcept {
    try {
        const int passes = DrawStepLength();
        for (int pass = 1; pass <= passes; ++pass) {
            app_.ProcessMessages();
            for (std::size_t dots = 0; dots < pacing_.dotPasses.size(); ++dots) {
                if (pass == pacing_.dotPasses[dots]) {
                    stepLine_.SetCaption(std::u16string(stepText) + std::u16string(dots + 1, u'.'));
                    pause_(pacing_.pauseMilliseconds);
                }
            }
        }
        ++stepCount_;
        const double percent = static_cast<double>(stepCount_) / static_cast<double>(stepTotal_) * 100.0;
        if (std::isfinite(percent)) { // no total announced: the bar stays where it was
            bar_.SetPosition(static_cast<int>(std::lround(percent)));
        }
    } catch (...) {
        // a step that fails ends quietly; the run goes on with its next step
    }
}

} // namespace zentrim
