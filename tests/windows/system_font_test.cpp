// The uniform window font with the real desktop font and real controls.
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"
#include "toolkit/button.h"
#include "toolkit/form.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "ui/system_font.h"

#include <gtest/gtest.h>

#include <string>

namespace zentrim {
namespace {

using toolkit::Font;

std::wstring IconTitleFace() {
    LOGFONTW logFont{};
    if (SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(logFont), &logFont, 0) == FALSE) {
        return {};
    }
    return logFont.lfFaceName;
}

// The face of the font a control's window really uses.
std::wstring WindowFace(const toolkit::Component& component) {
    const auto font =
        reinterpret_cast<HFONT>(SendMessageW(static_cast<HWND>(component.NativeHandle()), WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    if (font == nullptr || GetObjectW(font, sizeof(logFont), &logFont) == 0) {
        return {};
    }
    return logFont.lfFaceName;
}

TEST(SystemFontWin32, EveryFontTakesTheDesktopFace) {
    const std::wstring desktopFace = IconTitleFace();
    ASSERT_FALSE(desktopFace.empty());
    const std::u16string face(desktopFace.begin(), desktopFace.end());

    toolkit::Win32Backend backend;
    toolkit::Application app(backend);
    toolkit::Form form(app, {.className = u"TSystemFontTestForm",
                             .name = u"SystemFontTestForm",
                             .font = Font{u"Courier New", 14}});
    auto& panel = form.Add<toolkit::Panel>({.name = u"Panel", .bounds = {0, 0, 300, 200}});
    auto& plain = form.Add<toolkit::Label>(
        {.name = u"Plain", .parent = &panel, .caption = u"Plain", .font = Font{u"Courier New", 8}});
    auto& banner = form.Add<toolkit::Label>({.name = u"Banner",
                                             .parent = &panel,
                                             .bounds = {0, 30},
                                             .caption = u"Banner",
                                             .font = Font{u"Courier New", 12, toolkit::kFontBold}});
    auto& follower =
        form.Add<toolkit::Label>({.name = u"Follower", .parent = &panel, .bounds = {0, 80}, .caption = u"F"});
    auto& button = form.Add<toolkit::Button>(
        {.name = u"Button", .bounds = {0, 120}, .caption = u"&Go", .font = Font{u"Courier New", 8}});

    form.SetDesktopFont(true);
    ApplySystemFont(form);

    EXPECT_EQ(form.GetFont().name, face);
    EXPECT_LE(form.GetFont().size, kMaxWindowFontSize);
    for (const toolkit::Control* control :
         std::initializer_list<const toolkit::Control*>{&panel, &plain, &banner, &follower, &button}) {
        EXPECT_EQ(control->GetFont().name, face) << control->Name().size();
        EXPECT_EQ(WindowFace(*control), desktopFace) << control->Name().size();
    }
    EXPECT_EQ(banner.GetFont().size, 12);
    EXPECT_TRUE(banner.GetFont().Has(toolkit::kFontBold));
}

} // namespace
} // namespace zentrim
