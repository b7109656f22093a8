// The main window's layout and the wiring of its events.
#include "app/main/main_form.h"

#include "engine/system_profile.h"
#include "toolkit/application.h"

#include <string>

namespace zentrim {

using namespace toolkit;

namespace {

// Own fonts of the layout: 11 pixels (8 points) in the window's face; ApplySystemFont later
// gives them the desktop face.
Font OwnFont(FontStyles style, Color color, int points = 8) {
    return Font{u"Tahoma", points, style, color};
}

std::array<Image*, 4> AddNavButtons(Form& form) {
    struct Place {
        const char16_t* name;
        const char16_t* picture;
        int left, top, width;
    };
    static constexpr std::array<Place, 4> kPlaces{{
        {u"NavButton1", u"NAV_HELP", 672, 16, 78},
        {u"NavButton2", u"NAV_HOME", 471, 58, 85},
        {u"NavButton3", u"NAV_SUPPORT", 556, 58, 108},
        {u"NavButton4", u"NAV_ABOUT", 664, 58, 99},
    }};
    std::array<Image*, 4> buttons{};
    for (std::size_t i = 0; i < kPlaces.size(); ++i) {
        buttons[i] =
            &form.Add<Image>({.name = kPlaces[i].name,
                              .bounds = {kPlaces[i].left, kPlaces[i].top, kPlaces[i].width, 27},
                              .cursor = Cursor::HandPoint},
                             {.picture = Picture::FromResource(kPlaces[i].picture), .stretch = true});
    }
    return buttons;
}

std::array<Label*, 4> AddNavStatics(Form& form) {
    struct Place {
        const char16_t* name;
        int left, top;
        FontStyles style;
    };
    static constexpr std::array<Place, 4> kPlaces{{
        {u"NavStatic1", 701, 22, 0},
        {u"NavStatic2", 502, 64, kFontBold},
        {u"NavStatic3", 587, 64, kFontBold},
        {u"NavStatic4", 695, 64, kFontBold},
    }};
    std::array<Label*, 4> labels{};
    for (std::size_t i = 0; i < kPlaces.size(); ++i) {
        labels[i] = &form.Add<Label>({.name = kPlaces[i].name,
                                      .bounds = {kPlaces[i].left, kPlaces[i].top},
                                      .font = OwnFont(kPlaces[i].style, colors::kWhite),
                                      .cursor = Cursor::HandPoint},
                                     {.transparent = true});
    }
    return labels;
}

std::array<Label*, 4> AddLinkLabels(Form& form) {
    static constexpr std::array<int, 4> kTops{135, 165, 195, 251};
    std::array<Label*, 4> labels{};
    for (std::size_t i = 0; i < kTops.size(); ++i) {
        labels[i] =
            &form.Add<Label>({.name = u"LinkLabel" + std::u16string(1, static_cast<char16_t>(u'4' + i)),
                              .bounds = {16, kTops[i]},
                              .font = OwnFont(0, colors::kBlack),
                              .cursor = Cursor::HandPoint},
                             {.transparent = true, .link = true});
    }
    return labels;
}

template <typename Entries> std::vector<ComboItem> ComboItems(const Entries& entries) {
    std::vector<ComboItem> items;
    for (const auto& entry : entries) {
        items.push_back({std::u16string(entry.caption), entry.imageIndex});
    }
    return items;
}

} // namespace

MainForm::MainForm(const MainFormDependencies& deps)
    : app_(deps.app), registry_(deps.registry), captions_(deps.captions), clickSound_(deps.clickSound),
      shell_(deps.shell), restart_(deps.restart), versionSource_(deps.versionSource), clock_(deps.clock),
      dateFormatter_(deps.dateFormatter), elevated_(deps.elevated), lockStart_(deps.lockStart),
      form_(deps.app, {.className = u"TZTMainForm",
                       .name = u"ZTMainForm",
                       .clientWidth = 764,
                       .clientHeight = 500,
                       .border = FormBorder::Single,
                       .color = colors::kButtonFace,
                       .position = FormPosition::ScreenCenter,
                       .icon = u"MAINICON"}),
      windowsImages_(form_.Add<ImageList>(
          {.name = u"WindowsImageList",
           .pictures = {Picture::FromResource(u"LIST_DESKTOP"), Picture::FromResource(u"LIST_SERVER")}})),
      listImages_(form_.Add<ImageList>(
          {.name = u"ListImageList", .pictures = {Picture::FromResource(u"LIST_ITEM")}})),
      backgroundImage_(form_.Add<Image>({.name = u"BackgroundImage", .bounds = {0, 0, 764, 500}},
                                        {.picture = Picture::FromResource(u"BACKGROUND"), .stretch = true})),
      topLogoImage_(form_.Add<Image>({.name = u"TopLogoImage", .bounds = {8, 16, 400, 50}},
                                     {.picture = Picture::FromResource(u"TOP_LOGO"), .stretch = true})),
      navButtons_(AddNavButtons(form_)), navStatics_(AddNavStatics(form_)),
      navLabel2_(form_.Add<Label>(
          {.name = u"NavLabel2", .bounds = {16, 98}, .font = OwnFont(kFontBold, colors::kGray, 10)},
          {.transparent = true})),
      linkLabels_(AddLinkLabels(form_)),
      mainPanel_(
          form_.Add<Panel>({.name = u"MainPanel", .bounds = {182, 91, 582, 388}}, {.color = colors::kWhite})),
      benefitsPanel_(form_.Add<Panel>(
          {.name = u"BenefitsPanel", .parent = &mainPanel_, .bounds = {0, 0, 582, 65}, .tabOrder = 7},
          {.color = colors::kButtonFace})),
      benefitsLabel_(form_.Add<Label>({.name = u"BenefitsLabel",
                                       .parent = &benefitsPanel_,
                                       .bounds = {16, 6},
                                       .font = OwnFont(kFontBold, colors::kWindowText)})),
      benefitsDescription_(form_.Add<Label>({.name = u"BenefitsDescription",
                                             .parent = &benefitsPanel_,
                                             .bounds = {16, 25, 550, 36},
                                             .font = OwnFont(0, colors::kGray)},
                                            {.autoSize = false, .wordWrap = true, .showAccelChar = false})),
      osVersionLabel_(
          form_.Add<Label>({.name = u"OSVersionLabel", .parent = &mainPanel_, .bounds = {16, 76}})),
      windowsCombo_(form_.Add<PictureComboBox>(
          {.name = u"WindowsCombo", .parent = &mainPanel_, .bounds = {16, 95, 309, 24}, .tabOrder = 2},
          {.items = ComboItems(kWindowsList),
           .images = &windowsImages_,
           .dropDownCount = static_cast<int>(kWindowsList.size())})),
      processorTypeLabel_(
          form_.Add<Label>({.name = u"ProcessorTypeLabel", .parent = &mainPanel_, .bounds = {16, 128}})),
      processorCombo_(form_.Add<PictureComboBox>(
          {.name = u"ProcessorCombo", .parent = &mainPanel_, .bounds = {16, 147, 309, 24}, .tabOrder = 3},
          {.items = ComboItems(kProcessorList), .images = &listImages_})),
      modemTypeLabel_(
          form_.Add<Label>({.name = u"ModemTypeLabel", .parent = &mainPanel_, .bounds = {16, 180}})),
      modemCombo_(form_.Add<PictureComboBox>(
          {.name = u"ModemCombo", .parent = &mainPanel_, .bounds = {16, 199, 309, 24}, .tabOrder = 4},
          {.items = ComboItems(kInternetTypeList),
           .images = &listImages_,
           .dropDownCount = static_cast<int>(kInternetTypeList.size())})),
      speedLabel_(form_.Add<Label>({.name = u"SpeedLabel", .parent = &mainPanel_, .bounds = {16, 231}})),
      speedTrackBar_(form_.Add<TrackBar>(
          {.name = u"SpeedTrackBar", .parent = &mainPanel_, .bounds = {16, 244, 309, 44}, .tabOrder = 5},
          {.min = kSpeedBoost,
           .max = kSpeedMaximumBoost,
           .pageSize = 1,
           .tickMarks = TickMarks::Both,
           .thumbLength = 26})),
      fastLabel_(form_.Add<Label>({.name = u"FastLabel", .parent = &mainPanel_, .bounds = {33, 292}})),
      // Right-aligned: it grows to the left from its right edge at 307.
      fasterLabel_(form_.Add<Label>({.name = u"FasterLabel", .parent = &mainPanel_, .bounds = {307, 292}},
                                    {.alignment = TextAlignment::Right})),
      lineSeparator1_(
          form_.Add<Bevel>({.name = u"LineSeparator1", .parent = &mainPanel_, .bounds = {360, 102, 2, 183}},
                           {.shape = BevelShape::LeftLine})),
      goButton_(form_.Add<Button>({.name = u"GoButton",
                                   .parent = &mainPanel_,
                                   .bounds = {400, 95, 145, 52},
                                   .font = OwnFont(kFontBold, colors::kWindowText),
                                   .tabOrder = 0},
                                  {.isDefault = true})),
      restoreButton_(form_.Add<Button>({.name = u"RestoreButton",
                                        .parent = &mainPanel_,
                                        .bounds = {400, 171, 145, 25},
                                        .enabled = false,
                                        .tabOrder = 1})),
      lineSeparator2_(
          form_.Add<Bevel>({.name = u"LineSeparator2", .parent = &mainPanel_, .bounds = {16, 315, 536, 5}},
                           {.shape = BevelShape::TopLine})),
      versionInstalledLabel_(form_.Add<Label>({.name = u"VersionInstalledLabel",
                                               .parent = &mainPanel_,
                                               .bounds = {16, 336},
                                               .font = OwnFont(kFontBold, colors::kWindowText)})),
      softwareLastUpdateLabel_(
          form_.Add<Label>({.name = u"SoftwareLastUpdateLabel", .parent = &mainPanel_, .bounds = {16, 355}})),
      updatesButton_(form_.Add<Button>(
          {.name = u"UpdatesButton", .parent = &mainPanel_, .bounds = {400, 336, 154, 33}, .tabOrder = 6},
          {.shield = true})),
      popupMenu_(form_.Add<toolkit::PopupMenu>({.name = u"PopupMenu", .alignment = MenuAlignment::Right})),
      helpFilePopup_(form_.Add<MenuItem>({.name = u"HelpFilePopup", .menu = &popupMenu_})),
      n1_(form_.Add<MenuItem>({.name = u"N1", .menu = &popupMenu_, .caption = u"-", .separator = true})),
      techSupportPopup_(form_.Add<MenuItem>({.name = u"TechSupportPopup", .menu = &popupMenu_})) {
    ConnectEvents();
    FormCreate();
    shell_.SetApplicationWindow(form_.NativeHandle());
    about_.emplace(app_, form_, captions_, clickSound_, shell_, *this);
    progress_.emplace(app_, form_, captions_, deps.pacing, deps.pause);
    progressWindow_ = &progress_->Form();
}

MainForm::~MainForm() {
    // The key check must not reach a window that is gone.
    app_.onShortCut = nullptr;
}

void MainForm::ConnectEvents() {
    goButton_.onClick = [this](Component&) { GoButtonClick(); };
    restoreButton_.onClick = [this](Component&) { RestoreButtonClick(); };
    updatesButton_.onClick = [this](Component&) { UpdatesButtonClick(); };
    navButtons_[0]->onClick = navStatics_[0]->onClick = [this](Component&) { NavButton1Click(); };
    const NotifyEvent home = [this](Component&) { NavButton2Click(); };
    navButtons_[1]->onClick = navStatics_[1]->onClick = linkLabels_[2]->onClick = home;
    const NotifyEvent support = [this](Component&) { NavButton3Click(); };
    navButtons_[2]->onClick = navStatics_[2]->onClick = linkLabels_[1]->onClick = techSupportPopup_.onClick =
        support;
    const NotifyEvent about = [this](Component&) { NavButton4Click(); };
    navButtons_[3]->onClick = navStatics_[3]->onClick = linkLabels_[3]->onClick = about;
    const NotifyEvent help = [this](Component&) { HelpFilePopupClick(); };
    linkLabels_[0]->onClick = helpFilePopup_.onClick = help;

    for (std::size_t i = 0; i < navButtons_.size(); ++i) {
        for (Control* control :
             {static_cast<Control*>(navButtons_[i]), static_cast<Control*>(navStatics_[i])}) {
            control->onMouseEnter = [this](Component& sender) { NavButtonMouseEnter(sender); };
            control->onMouseLeave = [this](Component& sender) { NavButtonMouseLeave(sender); };
        }
    }
    for (Label* label : linkLabels_) {
        label->onMouseEnter = [this](Component& sender) { LabelMouseEnter(sender); };
        label->onMouseLeave = [this](Component& sender) { LabelMouseLeave(sender); };
    }
    app_.onShortCut = [this](int virtualKey, bool& handled) {
        ApplicationEventsShortCut(virtualKey, handled);
    };

    // A close request during a run would take the window away under the run, with the tweaks
    // half written: it is held and carried out when the run has ended.
    form_.onClose = [this](toolkit::Form&, CloseAction& action) {
        if (runInProgress_) {
            closeHeld_ = true;
            action = CloseAction::None;
        }
    };
}

} // namespace zentrim
