#include "app/about/about_form.h"

#include "launch/launch_targets.h"
#include "launch/product_identity.h"
#include "launch/shell.h"
#include "ui/apply_captions.h"
#include "ui/sound.h"
#include "ui/system_font.h"

namespace zentrim {

using namespace toolkit;

namespace {

// The licence link's colour, RGB 00 66 CC.
constexpr Color kLinkColor = 0xCC6600;

} // namespace

AboutForm::AboutForm(Application& app, toolkit::Form& mainForm, const CaptionCatalogue& captions,
                     ClickSound& clickSound, const Shell& shell, const ProgramWindows& windows)
    : captions_(captions), clickSound_(clickSound), shell_(shell), windows_(windows),
      form_(app, {.className = u"TZTAboutForm",
                  .name = u"ZTAboutForm",
                  .clientWidth = 700,
                  .clientHeight = 441,
                  .border = FormBorder::Dialog,
                  .color = colors::kButtonFace,
                  .position = FormPosition::OwnerFormCenter,
                  .owner = &mainForm}),
      // The panel takes the memo's place in the window's tab order: Close, the memo, Help.
      aboutPanel_(form_.Add<Panel>({.name = u"AboutPanel", .bounds = {0, 0, 700, 386}, .tabOrder = 1},
                                   {.color = colors::kWindow})),
      bannerImage_(
          form_.Add<Image>({.name = u"BannerImage", .parent = &aboutPanel_, .bounds = {0, 0, 700, 60}},
                           {.picture = Picture::FromResource(u"ABOUT_BANNER"), .stretch = true})),
      bannerLabel_(form_.Add<Label>({.name = u"BannerLabel",
                                     .parent = &aboutPanel_,
                                     .bounds = {48, 18},
                                     .font = Font{u"Tahoma", 12, kFontBold, colors::kWhite}},
                                    {.transparent = true})),
      versionLabel_(form_.Add<Label>({.name = u"VersionLabel",
                                      .parent = &aboutPanel_,
                                      .bounds = {72, 82},
                                      .font = Font{u"Tahoma", 10, kFontBold, colors::kWindowText}},
                                     {.transparent = true})),
      copyrightLabel_(form_.Add<Label>(
          {.name = u"CopyrightLabel", .parent = &aboutPanel_, .bounds = {72, 101}}, {.transparent = true})),
      licensedMemo_(form_.Add<Memo>(
          {.name = u"LicensedMemo", .parent = &aboutPanel_, .bounds = {72, 136, 556, 73}, .tabOrder = 1},
          {.readOnly = true, .scrollBars = ScrollBars::Vertical, .color = colors::kWindow})),
      // It lies under the memo and the copyright warning: the faint picture keeps their black text
      // easy to read.
      largeIcon_(
          form_.Add<Image>({.name = u"LargeIcon", .parent = &aboutPanel_, .bounds = {372, 130, 256, 256}},
                           {.picture = Picture::FromResource(u"PRODUCT_WATERMARK"), .stretch = true})),
      licenseAgreementLabel_(form_.Add<Label>({.name = u"LicenseAgreementLabel",
                                               .parent = &aboutPanel_,
                                               .bounds = {72, 287},
                                               .font = Font{u"Tahoma", 8, 0, kLinkColor},
                                               .cursor = Cursor::HandPoint},
                                              {.transparent = true, .link = true})),
      copyrightWarningLabel_(form_.Add<Label>(
          {.name = u"CopyrightWarningLabel", .parent = &aboutPanel_, .bounds = {81, 306, 556, 70}},
          {.autoSize = false, .wordWrap = true, .transparent = true})),
      aboutBevel_(form_.Add<Bevel>({.name = u"AboutBevel", .bounds = {0, 386, 700, 5}},
                                   {.shape = BevelShape::TopLine})),
      helpButton_(form_.Add<Button>({.name = u"HelpButton", .bounds = {14, 403, 79, 25}, .tabOrder = 2})),
      closeButton_(form_.Add<Button>({.name = u"CloseButton", .bounds = {608, 403, 79, 25}, .tabOrder = 0},
                                     {.isDefault = true, .modalResult = kModalOk})) {
    form_.onShow = [this](toolkit::Form&) { FormShow(); };
    helpButton_.onClick = [this](Component&) { HelpButtonClick(); };
    licenseAgreementLabel_.onClick = [this](Component&) { LicenseAgreementLabelClick(); };
    licenseAgreementLabel_.onMouseEnter = [this](Component&) { LicenseAgreementLabelMouseEnter(); };
    licenseAgreementLabel_.onMouseLeave = [this](Component&) { LicenseAgreementLabelMouseLeave(); };
}

void AboutForm::FormShow() {
    form_.SetDesktopFont(true);
    ApplySystemFont(form_);
    // The catalogue text comes back at every showing, so the version is appended to it once.
    ApplyCaptions(captions_, form_);
    versionLabel_.SetCaption(versionLabel_.Caption() + std::u16string(kProductVersion) + u")");
    closeButton_.SetFocus();
}

void AboutForm::HelpButtonClick() {
    shell_.RunHelpRequest(windows_);
}

void AboutForm::LicenseAgreementLabelClick() {
    PlayClickSound(clickSound_);
    shell_.Open(LaunchTarget::LicenseTerms);
}

void AboutForm::LicenseAgreementLabelMouseEnter() {
    SetUnderline(licenseAgreementLabel_, true);
}

void AboutForm::LicenseAgreementLabelMouseLeave() {
    SetUnderline(licenseAgreementLabel_, false);
}

} // namespace zentrim
