// The uniform window font over forms built with the headless backend.
#include "ui/system_font.h"

#include "base/text.h"

#include "toolkit/application.h"
#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/form.h"
#include "toolkit/headless_backend.h"
#include "toolkit/image.h"
#include "toolkit/image_list.h"
#include "toolkit/label.h"
#include "toolkit/memo.h"
#include "toolkit/menu.h"
#include "toolkit/panel.h"
#include "toolkit/picture_combo_box.h"
#include "toolkit/progress_bar.h"
#include "toolkit/track_bar.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zentrim {
namespace {

using toolkit::Font;
using toolkit::kFontBold;
using toolkit::kFontItalic;

constexpr toolkit::Color kBlue = toolkit::colors::Rgb(0, 0, 255);

class SystemFontTest : public testing::Test {
protected:
    // A form set up as every window does it: DesktopFont on, then ApplySystemFont.
    void Prepare(toolkit::Form& form) {
        form.SetDesktopFont(true);
        ApplySystemFont(form);
    }

    toolkit::HeadlessBackend backend;
    toolkit::Application app{backend};
};

TEST_F(SystemFontTest, OwnFontsTakeTheDesktopFaceAndAtLeastTheWindowSize) {
    struct Case {
        int desktopSize;
        int windowSize;
        int designedSize;
        int expectedSize;
    };
    const Case cases[] = {
        {12, 9, 8, 9},                    // the desktop font is capped; a smaller label grows to the cap
        {12, 9, 9, 9},   {12, 9, 10, 10}, // larger sizes stay
        {12, 9, 12, 12}, {9, 9, 8, 9},    {8, 8, 8, 8}, // a small desktop font is kept as it is
        {8, 8, 7, 8},    {8, 8, 10, 10},  {10, 9, 14, 14},
    };
    for (const Case& c : cases) {
        backend.SetDesktopFont({u"Desktop Sans", c.desktopSize});
        toolkit::Form form(app, {.name = u"TestForm", .font = Font{u"Tahoma", 8}});
        auto& label =
            form.Add<toolkit::Label>({.name = u"Label", .font = Font{u"MS Sans Serif", c.designedSize}});
        Prepare(form);

        const auto where = testing::Message()
                           << "desktop " << c.desktopSize << ", designed " << c.designedSize;
        EXPECT_EQ(form.GetFont(), (Font{u"Desktop Sans", c.windowSize})) << where;
        EXPECT_EQ(label.GetFont(), (Font{u"Desktop Sans", c.expectedSize})) << where;
        EXPECT_FALSE(label.ParentFont()) << where;
    }
}

TEST_F(SystemFontTest, StyleAndColourAreKept) {
    backend.SetDesktopFont({u"Desktop Sans", 12});
    toolkit::Form form(app, {.name = u"TestForm"});
    auto& heading =
        form.Add<toolkit::Label>({.name = u"Heading", .font = Font{u"Verdana", 10, kFontBold, kBlue}});
    auto& italic = form.Add<toolkit::Button>({.name = u"Button", .font = Font{u"Arial", 8, kFontItalic}});
    Prepare(form);

    EXPECT_EQ(heading.GetFont(), (Font{u"Desktop Sans", 10, kFontBold, kBlue}));
    EXPECT_EQ(italic.GetFont(), (Font{u"Desktop Sans", 9, kFontItalic}));
}

TEST_F(SystemFontTest, ControlsFollowingTheirParentAreLeftToFollowIt) {
    backend.SetDesktopFont({u"Desktop Sans", 12});
    toolkit::Form form(app, {.name = u"TestForm"});
    auto& panel = form.Add<toolkit::Panel>({.name = u"Panel", .font = Font{u"Arial", 11, kFontBold}});
    auto& onPanel = form.Add<toolkit::Label>({.name = u"OnPanel", .parent = &panel});
    auto& onForm = form.Add<toolkit::Label>({.name = u"OnForm"});
    Prepare(form);

    // Setting their fonts would have cut them loose from their parents.
    EXPECT_TRUE(onPanel.ParentFont());
    EXPECT_TRUE(onForm.ParentFont());
    EXPECT_EQ(onPanel.GetFont(), (Font{u"Desktop Sans", 11, kFontBold}));
    EXPECT_EQ(onForm.GetFont(), (Font{u"Desktop Sans", 9}));

    // They keep following: a later change of the form's font reaches the label on the form.
    form.SetFont({u"Other", 10});
    EXPECT_EQ(onForm.GetFont(), (Font{u"Other", 10}));
}

TEST_F(SystemFontTest, EveryKindOfComponentIsWalkedAndThoseWithoutAFontAreSkipped) {
    backend.SetDesktopFont({u"Desktop Sans", 9});
    const Font designed{u"Tahoma", 8};
    toolkit::Form form(app, {.name = u"TestForm"});
    auto& panel = form.Add<toolkit::Panel>({.name = u"Panel", .font = designed});
    form.Add<toolkit::Image>({.name = u"Image", .parent = &panel});
    form.Add<toolkit::Bevel>({.name = u"Bevel"});
    auto& menu = form.Add<toolkit::PopupMenu>({.name = u"Menu"});
    form.Add<toolkit::MenuItem>({.name = u"Item", .menu = &menu, .caption = u"&Help"});
    auto& images = form.Add<toolkit::ImageList>({.name = u"Images"});
    auto& combo =
        form.Add<toolkit::PictureComboBox>({.name = u"Combo", .font = designed}, {.images = &images});
    form.Add<toolkit::TrackBar>({.name = u"Track"});
    form.Add<toolkit::ProgressBar>({.name = u"Progress"});
    auto& memo = form.Add<toolkit::Memo>({.name = u"Memo", .parent = &panel, .font = designed});
    auto& button = form.Add<toolkit::Button>({.name = u"Button", .font = designed});
    Prepare(form);

    for (const toolkit::Control* control :
         std::initializer_list<const toolkit::Control*>{&panel, &combo, &memo, &button}) {
        EXPECT_EQ(control->GetFont(), (Font{u"Desktop Sans", 9})) << ToUtf8(control->Name());
    }
}

// A peer that fails when told of a font change, as a backend may when it runs out of resources.
class FailingFontPeer final : public toolkit::Peer {
public:
    void Changed(toolkit::Change change) override {
        if (change == toolkit::Change::TextFont) {
            throw std::runtime_error("no font");
        }
    }
};

TEST_F(SystemFontTest, AFailureEndsTheWalkQuietlyAndKeepsWhatWasChanged) {
    backend.SetDesktopFont({u"Desktop Sans", 12});
    toolkit::Form form(app, {.name = u"TestForm"});
    auto& first = form.Add<toolkit::Label>({.name = u"First", .font = Font{u"Tahoma", 8}});
    auto& failing = form.Add<toolkit::Label>({.name = u"Failing", .font = Font{u"Tahoma", 8}});
    auto& last = form.Add<toolkit::Label>({.name = u"Last", .font = Font{u"Tahoma", 8}});
    failing.AttachPeer(std::make_unique<FailingFontPeer>());

    form.SetDesktopFont(true);
    EXPECT_NO_THROW(ApplySystemFont(form));

    EXPECT_EQ(form.GetFont().size, 9);
    EXPECT_EQ(first.GetFont(), (Font{u"Desktop Sans", 9}));
    EXPECT_EQ(last.GetFont(), (Font{u"Tahoma", 8}));
}

} // namespace
} // namespace zentrim
