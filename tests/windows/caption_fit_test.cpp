// Every text of every language in the windows that show it, measured with the control's own font
// at 96 and 144 dots per inch as DrawTextW lays it out: a button, or a label of fixed size, must
// hold its text (a wrapping label within its height); a label that sizes itself must stay inside
// its window, inside the picture it is drawn on, and clear of the controls beside it.
#include "app/main/main_form.h"
#include "app/update/update_form.h"

#include "base/text.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source_win32.h"
#include "engine/custom_registry.h"
#include "engine/product_key.h"
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"
#include "toolkit/gdi_win32.h"

#include <windows.h>

#include "support/main_form_parts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using namespace toolkit;
using win32::MakeFont;
using win32::SelectGuard;
using win32::WindowDc;

constexpr std::u16string_view kLanguages[] = {u"english",    u"german", u"french", u"spanish", u"italian",
                                              u"portuguese", u"dutch",  u"polish", u"russian"};
constexpr int kResolutions[] = {96, 144};
// A push button's frame and focus rectangle take this much on each side of its text.
constexpr int kButtonTextMargin = 4;

Rect Scaled(const Bounds& bounds, int dpi) {
    return {ScaleToDpi(bounds.left, dpi), ScaleToDpi(bounds.top, dpi), ScaleToDpi(bounds.Right(), dpi),
            ScaleToDpi(bounds.Bottom(), dpi)};
}

bool Overlap(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Measures texts as the controls draw them, in a font made for a resolution.
class TextMeter {
public:
    SIZE Measure(const Font& font, int dpi, std::u16string_view text, UINT format, int wrapWidth = 0) const {
        const auto made = MakeFont(font, dpi);
        SelectGuard select(dc_.get(), made.get());
        const std::wstring wide = ToWide(text);
        RECT rect{0, 0, wrapWidth, 0};
        DrawTextW(dc_.get(), wide.c_str(), static_cast<int>(wide.size()), &rect, DT_CALCRECT | format);
        return {rect.right - rect.left, rect.bottom - rect.top};
    }

private:
    WindowDc dc_;
};

// Collects every text that does not fit, so one run names them all.
class FitCheck {
public:
    // The form's showing controls with text, at one resolution.
    void CheckForm(const Form& form, std::u16string_view language, int dpi) {
        for (const Component* component : form.Components()) {
            const Control* control = AsControl(component);
            if (control != nullptr && control->IsShowing() && !control->Caption().empty()) {
                CheckControl(form, *control, language, dpi);
            }
        }
    }

    void CheckControl(const Form& form, const Control& control, std::u16string_view language, int dpi) {
        if (const Button* button = control.As<Button>()) {
            CheckButton(form, *button, language, dpi);
        } else if (const Label* label = control.As<Label>()) {
            if (label->AutoSize()) {
                CheckSizedLabel(form, *label, language, dpi);
            } else {
                CheckFixedLabel(form, *label, language, dpi);
            }
        }
    }

    const std::set<std::string>& Misfits() const { return misfits_; }
    int Checked() const { return checked_; }
    // The labels found on a picture smaller than their window (not its background).
    const std::set<std::string>& OnPictures() const { return onPictures_; }

private:
    void Report(const Form& form, const Control& control, std::u16string_view language, int dpi,
                const std::string& what) {
        misfits_.insert(ToUtf8(language) + " at " + std::to_string(dpi) + " dpi, " + ToUtf8(form.Name()) +
                        "." + ToUtf8(control.Name()) + " \"" + ToUtf8(control.Caption()) + "\": " + what);
    }

    void CheckButton(const Form& form, const Button& button, std::u16string_view language, int dpi) {
        ++checked_;
        const Rect rect = Scaled(button.GetBounds(), dpi);
        const SIZE text = meter_.Measure(button.GetFont(), dpi, button.Caption(), DT_SINGLELINE);
        int room = rect.right - rect.left - 2 * ScaleToDpi(kButtonTextMargin, dpi);
        if (button.Shield()) {
            room -= GetSystemMetrics(SM_CXSMICON) * dpi / 96 + ScaleToDpi(kButtonTextMargin, dpi);
        }
        if (text.cx > room || text.cy > rect.bottom - rect.top) {
            Report(form, button, language, dpi,
                   std::to_string(text.cx) + " px wide, room for " + std::to_string(room));
        }
    }

    static UINT Format(const Label& label) {
        return (label.ShowAccelChar() ? 0u : static_cast<UINT>(DT_NOPREFIX)) |
               (label.WordWrap() ? static_cast<UINT>(DT_WORDBREAK) : static_cast<UINT>(DT_SINGLELINE));
    }

    // A label of fixed size: the text within its width and, wrapped by words, within its height.
    // The English text, which the layout was drawn for, sets the least height a wrapping label
    // gets: the description of the main window wraps into three lines of Tahoma where the layout
    // gives two and a half, and a translation may take as much, no more.
    void CheckFixedLabel(const Form& form, const Label& label, std::u16string_view language, int dpi) {
        ++checked_;
        const Rect rect = Scaled(label.GetBounds(), dpi);
        const int width = rect.right - rect.left;
        int height = rect.bottom - rect.top;
        const SIZE text = meter_.Measure(label.GetFont(), dpi, label.Caption(), Format(label), width);
        const std::string place =
            ToUtf8(form.Name()) + "." + ToUtf8(label.Name()) + "@" + std::to_string(dpi);
        if (language == kLanguages[0]) {
            englishHeights_[place] = std::max(englishHeights_[place], static_cast<int>(text.cy));
            height = label.WordWrap() ? std::max(height, englishHeights_[place]) : height;
        } else if (label.WordWrap() && englishHeights_.contains(place)) {
            height = std::max(height, englishHeights_[place]);
        }
        if (text.cx > width || text.cy > height) {
            Report(form, label, language, dpi,
                   std::to_string(text.cx) + " x " + std::to_string(text.cy) + " px in " +
                       std::to_string(width) + " x " + std::to_string(height));
        }
    }

    // A label that takes its text's size, from the edge its alignment keeps.
    void CheckSizedLabel(const Form& form, const Label& label, std::u16string_view language, int dpi) {
        ++checked_;
        const Bounds& bounds = label.GetBounds();
        Rect rect = Scaled(bounds, dpi);
        const SIZE text = meter_.Measure(label.GetFont(), dpi, label.Caption(), Format(label),
                                         label.WordWrap() ? rect.right - rect.left : 0);
        rect.bottom = rect.top + text.cy;
        if (!label.WordWrap()) {
            switch (label.Alignment()) {
            case TextAlignment::Left:
                rect.right = rect.left + text.cx;
                break;
            case TextAlignment::Right:
                rect.left = rect.right - text.cx;
                break;
            case TextAlignment::Center:
                rect.left = (rect.left + rect.right - text.cx) / 2;
                rect.right = rect.left + text.cx;
                break;
            }
        }
        const Rect window =
            label.Parent() != nullptr
                ? Rect{0, 0,
                       Scaled(label.Parent()->GetBounds(), dpi).right -
                           Scaled(label.Parent()->GetBounds(), dpi).left,
                       Scaled(label.Parent()->GetBounds(), dpi).bottom -
                           Scaled(label.Parent()->GetBounds(), dpi).top}
                : Rect{0, 0, ScaleToDpi(form.ClientWidth(), dpi), ScaleToDpi(form.ClientHeight(), dpi)};
        if (!Inside(rect, window)) {
            Report(form, label, language, dpi,
                   "reaches " + std::to_string(rect.right) + " x " + std::to_string(rect.bottom) + " of " +
                       std::to_string(window.right) + " x " + std::to_string(window.bottom));
        }
        for (const Component* component : form.Components()) {
            const Control* other = AsControl(component);
            if (other == nullptr || other == &label || !other->IsShowing() ||
                other->Parent() != label.Parent()) {
                continue;
            }
            const Rect otherRect = Scaled(other->GetBounds(), dpi);
            if (other->Kind() == ComponentKind::Image) {
                // A label drawn on a picture stays on it.
                const Bounds& picture = other->GetBounds();
                const bool onIt = bounds.left >= picture.left && bounds.left < picture.Right() &&
                                  bounds.top >= picture.top && bounds.top < picture.Bottom();
                if (onIt && otherRect.right - otherRect.left < ScaleToDpi(form.ClientWidth(), dpi) / 2) {
                    onPictures_.insert(ToUtf8(label.Name()));
                }
                if (onIt && !Inside(rect, otherRect)) {
                    Report(form, label, language, dpi,
                           std::to_string(rect.right - rect.left) + " px wide, off its picture " +
                               ToUtf8(other->Name()) + " (" +
                               std::to_string(otherRect.right - otherRect.left) + " px)");
                }
            } else if (other->Kind() != ComponentKind::Bevel && Overlap(rect, otherRect) &&
                       !Inside(Rect{rect.left, rect.top, rect.left + 1, rect.top + 1}, otherRect)) {
                // A label that begins inside another control (a panel's own heading) is the
                // layout's; one that grows into a neighbour is the text's.
                Report(form, label, language, dpi, "runs into " + ToUtf8(other->Name()));
            }
        }
    }

    TextMeter meter_;
    std::set<std::string> misfits_;             // a text shown in several steps is named once
    std::map<std::string, int> englishHeights_; // by window, control and resolution
    int checked_ = 0;
    std::set<std::string> onPictures_;
};

class CaptionFit : public ::testing::Test {
protected:
    void SetLanguage(std::u16string_view language) {
        parts_.registry.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kLanguage,
                                            language, RegistryView::Default());
    }

    void ExpectAllFit(const FitCheck& check, int least) {
        std::cout << check.Checked() << " texts measured\n";
        EXPECT_GE(check.Checked(), least);
        std::string list;
        for (const std::string& misfit : check.Misfits()) {
            list += misfit + "\n";
        }
        EXPECT_TRUE(check.Misfits().empty()) << check.Misfits().size() << " texts do not fit:\n" << list;
    }

    Win32Backend backend_;
    ResourceCatalogueSource catalogues_{GetModuleHandleW(nullptr)};
    testing::MainFormParts parts_{backend_, catalogues_};
};

TEST_F(CaptionFit, MainAboutAndProgressWindowsHoldEveryLanguage) {
    FitCheck check;
    for (const std::u16string_view language : kLanguages) {
        SetLanguage(language);
        MainForm& main = parts_.Remake();
        main.Form().Show();
        Form& about = main.About().Form();
        about.Show();
        ProgressForm& progress = main.Progress();
        progress.Form().Show();
        for (const int dpi : kResolutions) {
            check.CheckForm(main.Form(), language, dpi);
            check.CheckForm(about, language, dpi);
        }
        about.Hide();

        // The run's texts, each with the three dots that follow a step.
        const auto show = [&](Label& label, std::u16string text) {
            label.SetCaption(std::move(text));
            for (const int dpi : kResolutions) {
                check.CheckControl(progress.Form(), label, language, dpi);
            }
        };
        for (const std::u16string_view key : {u"MessageUpdate", u"MessageRestore"}) {
            show(progress.CurrentSettingsHeading(), parts_.captions.GetCaption(u"ZTSettingsForm", key));
        }
        for (int step = 0; step <= 11; ++step) {
            const std::u16string key = u"MessageChange" + IntToText(step);
            show(progress.CurrentSettingsLabel(),
                 parts_.captions.GetCaption(u"ZTSettingsForm", key) + u" ...");
        }
        progress.Form().Hide();
        main.Form().Hide();
    }
    ExpectAllFit(check, 9 * 80);
    // The navigation labels were measured against their pictures.
    for (const char* label : {"NavStatic1", "NavStatic2", "NavStatic3", "NavStatic4"}) {
        EXPECT_TRUE(check.OnPictures().contains(label)) << label;
    }
}

TEST_F(CaptionFit, UpdaterWindowHoldsEveryStatusInEveryLanguage) {
    // Every step and failure, with fill-ins as long as real ones get.
    std::vector<UpdateStatus> statuses;
    for (const UpdateStep step :
         {UpdateStep::Checking, UpdateStep::UpToDate, UpdateStep::Offering, UpdateStep::Downloading,
          UpdateStep::Verifying, UpdateStep::ClosingProgram, UpdateStep::Installing, UpdateStep::Finished}) {
        UpdateStatus status;
        status.step = step;
        statuses.push_back(status);
    }
    for (int failure = static_cast<int>(UpdateFailure::None) + 1;
         failure <= static_cast<int>(UpdateFailure::FlagNotSet); ++failure) {
        UpdateStatus status;
        status.step = UpdateStep::Failed;
        status.failure = static_cast<UpdateFailure>(failure);
        statuses.push_back(status);
    }
    for (UpdateStatus& status : statuses) {
        status.installedVersion = u"2.10.21.2024";
        status.offeredVersion = u"2.10.22.2025";
        status.manifestExpires = 1'900'000'000;
        status.packageSize = 123'456'789;
        status.received = 98'765'432;
        status.transfer.outcome = TransferOutcome::ErrorStatus;
        status.transfer.httpStatus = 503;
        status.installerExitCode = 1603;
        status.systemError = 2147942405u;
    }
    FitCheck check;
    for (const std::u16string_view language : kLanguages) {
        SetLanguage(language);
        UpdateForm updater(parts_.app, parts_.captions, parts_.sound, true);
        updater.Form().Show();
        for (const UpdateStatus& status : statuses) {
            updater.ShowStatus(status);
            for (const int dpi : kResolutions) {
                check.CheckForm(updater.Form(), language, dpi);
            }
        }
        updater.Form().Hide();
    }
    ExpectAllFit(check, static_cast<int>(9 * 2 * statuses.size() * 2));
}

} // namespace
} // namespace zentrim
