// The three windows' layouts as the design's tables state them, written out by hand a second
// time, with nothing taken from the program's own layout code: every component's name, kind,
// parent, place and size, own font, cursor, tab number and English text. The headless and the
// Win32 layout tests compare the real windows with them.
#pragma once

#include "toolkit/color.h"
#include "toolkit/component.h"
#include "toolkit/cursor.h"
#include "toolkit/font.h"

#include <optional>
#include <string_view>
#include <vector>

namespace zentrim::design_layout {

using toolkit::Color;
using toolkit::ComponentKind;
using toolkit::Cursor;
using toolkit::FontStyles;

// A font of its own as the design names it: style, colour and character height in pixels at 96
// dots per inch (8 points are 11 pixels, 10 points 13, 12 points 16).
struct DesignedFont {
    FontStyles style;
    Color color;
    int pixels;
};

constexpr Color kWhite = 0xFFFFFF;
constexpr Color kBlack = 0x000000;
constexpr Color kGrey = 0x808080;
constexpr Color kWindowTextColour = 0xFF000008; // the system's window-text colour
constexpr Color kWindowColour = 0xFF000005;     // the system's window colour
constexpr Color kButtonFaceColour = 0xFF00000F; // the system's button-face colour
constexpr Color kLinkBlue = 13395456;           // RGB 00 66 CC

// Size 0 x 0: the component sizes itself to its text, so only its left and top are checked.
// rightEdge: a right-aligned label that grows to the left; its left is not checked but its right.
struct Row {
    std::u16string_view name;
    ComponentKind kind;
    std::u16string_view parent; // empty: the window itself
    int left, top, width, height;
    std::optional<DesignedFont> font = std::nullopt;
    Cursor cursor = Cursor::Default;
    std::optional<int> tab = std::nullopt;
    std::u16string_view text = {};             // English catalogue text, as the prepared window holds it
    std::optional<Color> color = std::nullopt; // panels and the memo
    std::optional<int> rightEdge = std::nullopt;
};

constexpr FontStyles kRegular = 0;
constexpr FontStyles kBold = toolkit::kFontBold;
constexpr auto kHand = Cursor::HandPoint;
constexpr auto kHourGlass = Cursor::HourGlass;
constexpr auto kLabel = ComponentKind::Label;
constexpr auto kImage = ComponentKind::Image;
constexpr auto kPanel = ComponentKind::Panel;
constexpr auto kButton = ComponentKind::Button;
constexpr auto kBevel = ComponentKind::Bevel;
constexpr auto kCombo = ComponentKind::PictureComboBox;

inline const std::vector<Row>& MainWindowTable() {
    static const std::vector<Row> rows{
        {u"BackgroundImage", kImage, u"", 0, 0, 764, 500},
        {u"TopLogoImage", kImage, u"", 8, 16, 400, 50},
        {u"NavButton1", kImage, u"", 672, 16, 78, 27, {}, kHand},
        {u"NavStatic1", kLabel, u"", 701, 22, 0, 0, DesignedFont{kRegular, kWhite, 11}, kHand, {}, u"Help"},
        {u"NavButton2", kImage, u"", 471, 58, 85, 27, {}, kHand},
        {u"NavStatic2", kLabel, u"", 502, 64, 0, 0, DesignedFont{kBold, kWhite, 11}, kHand, {}, u"Home"},
        {u"NavButton3", kImage, u"", 556, 58, 108, 27, {}, kHand},
        {u"NavStatic3", kLabel, u"", 587, 64, 0, 0, DesignedFont{kBold, kWhite, 11}, kHand, {}, u"Support"},
        {u"NavButton4", kImage, u"", 664, 58, 99, 27, {}, kHand},
        {u"NavStatic4", kLabel, u"", 695, 64, 0, 0, DesignedFont{kBold, kWhite, 11}, kHand, {}, u"About"},
        {u"NavLabel2",
         kLabel,
         u"",
         16,
         98,
         0,
         0,
         DesignedFont{kBold, kGrey, 13},
         Cursor::Default,
         {},
         u"Choose a link below"},
        {u"LinkLabel4",
         kLabel,
         u"",
         16,
         135,
         0,
         0,
         DesignedFont{kRegular, kBlack, 11},
         kHand,
         {},
         u"Help with Zentrim"},
        {u"LinkLabel5",
         kLabel,
         u"",
         16,
         165,
         0,
         0,
         DesignedFont{kRegular, kBlack, 11},
         kHand,
         {},
         u"Contact tech support"},
        {u"LinkLabel6",
         kLabel,
         u"",
         16,
         195,
         0,
         0,
         DesignedFont{kRegular, kBlack, 11},
         kHand,
         {},
         u"Click to visit our website"},
        {u"LinkLabel7",
         kLabel,
         u"",
         16,
         251,
         0,
         0,
         DesignedFont{kRegular, kBlack, 11},
         kHand,
         {},
         u"About Zentrim"},
        {u"MainPanel", kPanel, u"", 182, 91, 582, 388, {}, Cursor::Default, {}, {}, kWhite},
        {u"BenefitsPanel",
         kPanel,
         u"MainPanel",
         0,
         0,
         582,
         65,
         {},
         Cursor::Default,
         7,
         {},
         kButtonFaceColour},
        {u"BenefitsLabel",
         kLabel,
         u"BenefitsPanel",
         16,
         6,
         0,
         0,
         DesignedFont{kBold, kWindowTextColour, 11},
         Cursor::Default,
         {},
         u"Benefits of Zentrim"},
        {u"BenefitsDescription",
         kLabel,
         u"BenefitsPanel",
         16,
         25,
         550,
         36,
         DesignedFont{kRegular, kGrey, 11},
         Cursor::Default,
         {},
         u"Zentrim will optimize this computer and internet speed by adjusting several settings within "
         u"Windows.  These changes may improve computer, gaming and internet performance to run faster."},
        {u"OSVersionLabel",
         kLabel,
         u"MainPanel",
         16,
         76,
         0,
         0,
         {},
         Cursor::Default,
         {},
         u"Operating System : "},
        {u"WindowsCombo", kCombo, u"MainPanel", 16, 95, 309, 24, {}, Cursor::Default, 2},
        {u"ProcessorTypeLabel",
         kLabel,
         u"MainPanel",
         16,
         128,
         0,
         0,
         {},
         Cursor::Default,
         {},
         u"Processor : "},
        {u"ProcessorCombo", kCombo, u"MainPanel", 16, 147, 309, 24, {}, Cursor::Default, 3},
        {u"ModemTypeLabel",
         kLabel,
         u"MainPanel",
         16,
         180,
         0,
         0,
         {},
         Cursor::Default,
         {},
         u"Internet Type : "},
        {u"ModemCombo", kCombo, u"MainPanel", 16, 199, 309, 24, {}, Cursor::Default, 4},
        {u"SpeedLabel", kLabel, u"MainPanel", 16, 231, 0, 0, {}, Cursor::Default, {}, u"Speed Setting : "},
        {u"SpeedTrackBar", ComponentKind::TrackBar, u"MainPanel", 16, 244, 309, 44, {}, Cursor::Default, 5},
        {u"FastLabel", kLabel, u"MainPanel", 33, 292, 0, 0, {}, Cursor::Default, {}, u"Boost"},
        {u"FasterLabel",
         kLabel,
         u"MainPanel",
         0,
         292,
         0,
         0,
         {},
         Cursor::Default,
         {},
         u"Maximum Boost",
         {},
         307},
        {u"LineSeparator1", kBevel, u"MainPanel", 360, 102, 2, 183},
        {u"GoButton", kButton, u"MainPanel", 400, 95, 145, 52, DesignedFont{kBold, kWindowTextColour, 11},
         Cursor::Default, 0, u"&Optimize now"},
        {u"RestoreButton", kButton, u"MainPanel", 400, 171, 145, 25, {}, Cursor::Default, 1, u"&Restore"},
        {u"LineSeparator2", kBevel, u"MainPanel", 16, 315, 536, 5},
        {u"VersionInstalledLabel",
         kLabel,
         u"MainPanel",
         16,
         336,
         0,
         0,
         DesignedFont{kBold, kWindowTextColour, 11},
         Cursor::Default,
         {},
         u"Version installed : 2.10.21.2024"},
        {u"SoftwareLastUpdateLabel",
         kLabel,
         u"MainPanel",
         16,
         355,
         0,
         0,
         {},
         Cursor::Default,
         {},
         u"Last updated : "},
        {u"UpdatesButton",
         kButton,
         u"MainPanel",
         400,
         336,
         154,
         33,
         {},
         Cursor::Default,
         6,
         u" &Check for updates ..."},
    };
    return rows;
}

inline const std::vector<Row>& AboutWindowTable() {
    static const std::vector<Row> rows{
        {u"AboutPanel", kPanel, u"", 0, 0, 700, 386, {}, Cursor::Default, {}, {}, kWindowColour},
        {u"BannerImage", kImage, u"AboutPanel", 0, 0, 700, 60},
        {u"BannerLabel",
         kLabel,
         u"AboutPanel",
         48,
         18,
         0,
         0,
         DesignedFont{kBold, kWhite, 16},
         Cursor::Default,
         {},
         u"More information about this software"},
        {u"VersionLabel",
         kLabel,
         u"AboutPanel",
         72,
         82,
         0,
         0,
         DesignedFont{kBold, kWindowTextColour, 13},
         Cursor::Default,
         {},
         u"Zentrim 2  (Version : 2.10.21.2024)"},
        {u"CopyrightLabel", kLabel, u"AboutPanel", 72, 101, 0, 0},
        {u"LicensedMemo",
         ComponentKind::Memo,
         u"AboutPanel",
         72,
         136,
         556,
         73,
         {},
         Cursor::Default,
         {},
         {},
         kWindowColour},
        {u"LargeIcon", kImage, u"AboutPanel", 372, 130, 256, 256},
        {u"LicenseAgreementLabel",
         kLabel,
         u"AboutPanel",
         72,
         287,
         0,
         0,
         DesignedFont{kRegular, kLinkBlue, 11},
         kHand,
         {},
         u"Click to view the end-user license terms"},
        {u"CopyrightWarningLabel", kLabel, u"AboutPanel", 81, 306, 556, 70},
        {u"AboutBevel", kBevel, u"", 0, 386, 700, 5},
        {u"HelpButton", kButton, u"", 14, 403, 79, 25, {}, Cursor::Default, {}, u"&Help"},
        {u"CloseButton", kButton, u"", 608, 403, 79, 25, {}, Cursor::Default, {}, u"&Close"},
    };
    return rows;
}

// The order Tab walks a window's stops from the first, each written out as the user meets them:
// the design's numbered stops, then the links. Tab passes a disabled stop by ("&Restore" until a
// backup exists).
inline const std::vector<std::u16string_view>& MainWindowTabWalk() {
    static const std::vector<std::u16string_view> stops{u"GoButton",       u"RestoreButton", u"WindowsCombo",
                                                        u"ProcessorCombo", u"ModemCombo",    u"SpeedTrackBar",
                                                        u"UpdatesButton",  u"LinkLabel4",    u"LinkLabel5",
                                                        u"LinkLabel6",     u"LinkLabel7"};
    return stops;
}

// Close first and Help last, as designed; the memo and then the licence link, which share the
// panel above the buttons, lie between them in reading order.
inline const std::vector<std::u16string_view>& AboutWindowTabWalk() {
    static const std::vector<std::u16string_view> stops{u"CloseButton", u"LicensedMemo",
                                                        u"LicenseAgreementLabel", u"HelpButton"};
    return stops;
}

inline const std::vector<Row>& ProgressWindowTable() {
    static const std::vector<Row> rows{
        {u"SettingsPanel", kPanel, u"", 0, 0, 479, 146, {}, kHourGlass, {}, {}, kWindowColour},
        {u"CurrentSettingsHeading", kLabel, u"SettingsPanel", 42, 30, 0, 0,
         DesignedFont{kBold, kWindowTextColour, 11}},
        {u"MainProgress", ComponentKind::ProgressBar, u"SettingsPanel", 42, 59, 401, 17, {}, kHourGlass},
        {u"CurrentSettingsLabel", kLabel, u"SettingsPanel", 42, 94, 0, 0},
    };
    return rows;
}

} // namespace zentrim::design_layout
