// The About window ("TZTAboutForm"): product name and version, copyright, acknowledgements, a
// link to the licence terms and a legal warning. Created once, hidden between showings; the main
// window shows it modally, centred over itself.
#pragma once

#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/form.h"
#include "toolkit/image.h"
#include "toolkit/label.h"
#include "toolkit/memo.h"
#include "toolkit/panel.h"

namespace zentrim {

class CaptionCatalogue;
class ClickSound;
class ProgramWindows;
class Shell;

class AboutForm {
public:
    // `windows` answers the help request's question which of the program's windows are visible;
    // it is asked only when help is requested, so it may be the main window still being built.
    AboutForm(toolkit::Application& app, toolkit::Form& mainForm, const CaptionCatalogue& captions,
              ClickSound& clickSound, const Shell& shell, const ProgramWindows& windows);
    AboutForm(const AboutForm&) = delete;
    AboutForm& operator=(const AboutForm&) = delete;

    toolkit::Form& Form() { return form_; }
    const toolkit::Form& Form() const { return form_; }

    // The show steps: desktop font, system font, captions, the version appended, focus on Close.
    void FormShow();
    // The help request, as F1 would make it.
    void HelpButtonClick();
    // The click sound, then the licence terms beside the program.
    void LicenseAgreementLabelClick();
    void LicenseAgreementLabelMouseEnter();
    void LicenseAgreementLabelMouseLeave();

    toolkit::Panel& AboutPanel() { return aboutPanel_; }
    toolkit::Image& BannerImage() { return bannerImage_; }
    toolkit::Label& BannerLabel() { return bannerLabel_; }
    toolkit::Label& VersionLabel() { return versionLabel_; }
    toolkit::Label& CopyrightLabel() { return copyrightLabel_; }
    toolkit::Memo& LicensedMemo() { return licensedMemo_; }
    toolkit::Image& LargeIcon() { return largeIcon_; }
    toolkit::Label& LicenseAgreementLabel() { return licenseAgreementLabel_; }
    toolkit::Label& CopyrightWarningLabel() { return copyrightWarningLabel_; }
    toolkit::Bevel& AboutBevel() { return aboutBevel_; }
    toolkit::Button& HelpButton() { return helpButton_; }
    toolkit::Button& CloseButton() { return closeButton_; }

private:
    const CaptionCatalogue& captions_;
    ClickSound& clickSound_;
    const Shell& shell_;
    const ProgramWindows& windows_;
    toolkit::Form form_;
    toolkit::Panel& aboutPanel_;
    toolkit::Image& bannerImage_;
    toolkit::Label& bannerLabel_;
    toolkit::Label& versionLabel_;
    toolkit::Label& copyrightLabel_;
    toolkit::Memo& licensedMemo_;
    toolkit::Image& largeIcon_;
    toolkit::Label& licenseAgreementLabel_;
    toolkit::Label& copyrightWarningLabel_;
    toolkit::Bevel& aboutBevel_;
    toolkit::Button& helpButton_;
    toolkit::Button& closeButton_;
};

} // namespace zentrim
