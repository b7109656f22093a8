// The toolkit's Win32 backend with real windows: class names, child controls, texts read back
// with WM_GETTEXT, fonts, notifications reaching the components, modal showing.
#include "base/text.h"
#include "base/unique_handle_win32.h"
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"
#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/form.h"
#include "toolkit/image.h"
#include "toolkit/image_list.h"
#include "toolkit/label.h"
#include "toolkit/memo.h"
#include "toolkit/menu.h"
#include "toolkit/panel.h"
#include "toolkit/picture_combo_box.h"
#include "toolkit/picture_win32.h"
#include "toolkit/progress_bar.h"
#include "toolkit/track_bar.h"

#include "support/window_probes_win32.h"
#include <commctrl.h>

#include <gtest/gtest.h>

namespace zentrim::toolkit {
namespace {

using testing::ClassOf;
using testing::FontOf;
using testing::Hwnd;
using testing::TextOf;

// A 4 x 4 opaque red PNG.
const std::vector<std::uint8_t> kRedPng{
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x08, 0x06, 0x00, 0x00, 0x00, 0xA9,
    0xF1, 0x9E, 0x7E, 0x00, 0x00, 0x00, 0x12, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0xF8,
    0xCF, 0xC0, 0xF0, 0x1F, 0x19, 0x33, 0x90, 0x2E, 0x00, 0x00, 0x3C, 0x40, 0x1F, 0xE1, 0x1A,
    0xF3, 0xA5, 0x48, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// A 4 x 4 PNG of blue at half opacity (alpha 128).
const std::vector<std::uint8_t> kHalfBluePng{
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x08, 0x06, 0x00, 0x00, 0x00, 0xA9,
    0xF1, 0x9E, 0x7E, 0x00, 0x00, 0x00, 0x11, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0x60,
    0x60, 0xF8, 0xDF, 0x80, 0x8A, 0x49, 0x16, 0x00, 0x00, 0x1A, 0x59, 0x17, 0xF1, 0x28, 0x1E,
    0x29, 0xC2, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// Pumps messages until the condition holds or a second and a half has passed.
template <typename Condition> bool PumpUntil(Application& app, Condition condition) {
    for (int i = 0; i < 150 && !condition(); ++i) {
        app.ProcessMessages();
        Sleep(10);
    }
    return condition();
}

class ToolkitWin32Test : public ::testing::Test {
protected:
    Win32Backend backend;
    Application app{backend};
    Form form{app,
              {.className = u"TToolkitTestForm",
               .name = u"ToolkitTestForm",
               .caption = u"Toolkit test",
               .clientWidth = 500,
               .clientHeight = 400,
               .position = FormPosition::ScreenCenter,
               .font = Font{u"Tahoma", 8}}};
    Image& background = form.Add<Image>({.name = u"BackgroundImage", .bounds = {0, 0, 500, 60}},
                                        {.picture = Picture::FromPng(kRedPng)});
    Label& banner = form.Add<Label>({.name = u"BannerLabel",
                                     .bounds = {20, 20},
                                     .caption = u"Over the banner",
                                     .font = Font{u"Tahoma", 10, kFontBold, colors::kWhite}},
                                    {.transparent = true});
    Label& link = form.Add<Label>(
        {.name = u"LinkLabel", .bounds = {20, 70}, .caption = u"A link", .cursor = Cursor::HandPoint});
    Panel& panel =
        form.Add<Panel>({.name = u"MainPanel", .bounds = {150, 90, 350, 310}}, {.color = colors::kWindow});
    Label& heading =
        form.Add<Label>({.name = u"Heading", .parent = &panel, .bounds = {10, 5}, .caption = u"Heading"});
    ImageList& pictures = form.Add<ImageList>({.name = u"Pictures", .pictures = {Picture::FromPng(kRedPng)}});
    PictureComboBox& combo = form.Add<PictureComboBox>(
        {.name = u"ModemCombo", .parent = &panel, .bounds = {10, 30, 200}, .tabOrder = 2},
        {.items = {{u"Dial-up", 0}, {u"Cable", 0}, {u"DSL", 0}}, .images = &pictures, .selectedIndex = 1});
    TrackBar& track = form.Add<TrackBar>(
        {.name = u"SpeedTrackBar", .parent = &panel, .bounds = {10, 60, 200}, .tabOrder = 3},
        {.max = 1, .pageSize = 1, .tickMarks = TickMarks::Both, .thumbLength = 26});
    Bevel& line = form.Add<Bevel>({.name = u"LineSeparator", .parent = &panel, .bounds = {0, 110, 300, 5}});
    Button& go = form.Add<Button>({.name = u"GoButton",
                                   .parent = &panel,
                                   .bounds = {230, 30, 100},
                                   .caption = u"&Optimize now",
                                   .font = Font{u"Tahoma", 8, kFontBold},
                                   .tabOrder = 0},
                                  {.isDefault = true});
    Button& restore = form.Add<Button>({.name = u"RestoreButton",
                                        .parent = &panel,
                                        .bounds = {230, 60},
                                        .caption = u"&Restore",
                                        .enabled = false,
                                        .tabOrder = 1});
    ProgressBar& progress = form.Add<ProgressBar>(
        {.name = u"MainProgress", .parent = &panel, .bounds = {10, 130, 300}}, {.smooth = true});
    Memo& memo = form.Add<Memo>(
        {.name = u"LicensedMemo", .parent = &panel, .bounds = {10, 160, 300, 60}},
        {.text = u"First line\nSecond line", .readOnly = true, .scrollBars = ScrollBars::Vertical});
    Edit& edit =
        form.Add<Edit>({.name = u"NameEdit", .parent = &panel, .bounds = {10, 230}}, {.text = u"edit me"});
    PopupMenu& menu = form.Add<PopupMenu>({.name = u"PopupMenu", .alignment = MenuAlignment::Right});
    MenuItem& helpItem =
        form.Add<MenuItem>({.name = u"HelpFilePopup", .menu = &menu, .caption = u"Get &help"});
};

TEST_F(ToolkitWin32Test, EveryTextIsARealChildWindowOfTheExpectedClass) {
    EXPECT_EQ(ClassOf(Hwnd(form)), L"TToolkitTestForm");
    EXPECT_EQ(TextOf(Hwnd(form)), L"Toolkit test");
    EXPECT_EQ(FindWindowW(L"TToolkitTestForm", nullptr), Hwnd(form));

    const struct {
        const Component& component;
        const wchar_t* className;
        const wchar_t* text;
    } children[] = {{banner, L"Static", L"Over the banner"},
                    {heading, L"Static", L"Heading"},
                    {go, L"Button", L"&Optimize now"},
                    {combo, L"ComboBoxEx32", L"Cable"}, // the selected item
                    {track, L"msctls_trackbar32", nullptr},
                    {progress, L"msctls_progress32", nullptr},
                    {memo, L"Edit", L"First line\r\nSecond line"},
                    {edit, L"Edit", L"edit me"}};
    for (const auto& child : children) {
        HWND window = Hwnd(child.component);
        ASSERT_NE(window, nullptr) << ToUtf8(child.component.Name());
        EXPECT_EQ(ClassOf(window), child.className) << ToUtf8(child.component.Name());
        if (child.text != nullptr) {
            EXPECT_EQ(TextOf(window), child.text) << ToUtf8(child.component.Name());
        }
    }
    // Controls on the panel are the panel's children; the panel takes part in dialog keys.
    EXPECT_EQ(GetParent(Hwnd(go)), Hwnd(panel));
    EXPECT_TRUE(GetWindowLongPtrW(Hwnd(panel), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    EXPECT_TRUE(GetWindowLongPtrW(Hwnd(go), GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_FALSE(IsWindowEnabled(Hwnd(restore)));
    const LONG_PTR memoStyle = GetWindowLongPtrW(Hwnd(memo), GWL_STYLE);
    EXPECT_TRUE((memoStyle & ES_MULTILINE) && (memoStyle & ES_READONLY) && (memoStyle & WS_VSCROLL));
    EXPECT_TRUE(GetWindowLongPtrW(Hwnd(progress), GWL_STYLE) & PBS_SMOOTH);
    EXPECT_TRUE(GetWindowLongPtrW(Hwnd(track), GWL_STYLE) & TBS_BOTH);

    // Pictures and lines are painted by their parent: no windows of their own.
    EXPECT_EQ(background.NativeHandle(), nullptr);
    EXPECT_EQ(line.NativeHandle(), nullptr);

    banner.SetCaption(u"Changed && shown");
    EXPECT_EQ(TextOf(Hwnd(banner)), L"Changed && shown");
    memo.SetText(u"Replaced");
    EXPECT_EQ(TextOf(Hwnd(memo)), L"Replaced");
    form.SetCaption(u"New title");
    EXPECT_EQ(TextOf(Hwnd(form)), L"New title");
}

TEST_F(ToolkitWin32Test, FontsAreMadeFromTheFontObjectsAtTheWindowsResolution) {
    const int dpi = form.Dpi();
    const LOGFONTW bannerFont = FontOf(Hwnd(banner));
    EXPECT_STREQ(bannerFont.lfFaceName, L"Tahoma");
    EXPECT_EQ(bannerFont.lfHeight, -MulDiv(10, dpi, 72));
    EXPECT_EQ(bannerFont.lfWeight, FW_BOLD);
    EXPECT_FALSE(bannerFont.lfUnderline);

    Font underlined = banner.GetFont();
    underlined.style |= kFontUnderline;
    banner.SetFont(underlined);
    const LOGFONTW changed = FontOf(Hwnd(banner));
    EXPECT_TRUE(changed.lfUnderline);
    EXPECT_EQ(changed.lfWeight, FW_BOLD);

    // A control without a font of its own follows the form's font through its panel.
    EXPECT_EQ(FontOf(Hwnd(heading)).lfHeight, -MulDiv(8, dpi, 72));
    form.SetFont({u"Arial", 12});
    const LOGFONTW following = FontOf(Hwnd(heading));
    EXPECT_STREQ(following.lfFaceName, L"Arial");
    EXPECT_EQ(following.lfHeight, -MulDiv(12, dpi, 72));
    EXPECT_STREQ(FontOf(Hwnd(go)).lfFaceName, L"Tahoma");
}

TEST_F(ToolkitWin32Test, NotificationsReachTheComponents) {
    form.Show();
    int clicks = 0;
    go.onClick = [&](Component& sender) {
        EXPECT_EQ(&sender, &go);
        ++clicks;
    };
    SendMessageW(Hwnd(go), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);

    // The model's selection and position show in the controls ...
    EXPECT_EQ(SendMessageW(Hwnd(combo), CB_GETCURSEL, 0, 0), 1);
    combo.SetSelectedIndex(2);
    EXPECT_EQ(SendMessageW(Hwnd(combo), CB_GETCURSEL, 0, 0), 2);
    track.SetPosition(1);
    EXPECT_EQ(SendMessageW(Hwnd(track), TBM_GETPOS, 0, 0), 1);
    progress.SetPosition(52);
    EXPECT_EQ(SendMessageW(Hwnd(progress), PBM_GETPOS, 0, 0), 52);

    // ... and what the user does in the controls comes back to the model.
    int comboChanges = 0;
    int trackChanges = 0;
    combo.onChange = [&](Component&) { ++comboChanges; };
    track.onChange = [&](Component&) { ++trackChanges; };
    SendMessageW(Hwnd(combo), CB_SETCURSEL, 0, 0);
    SendMessageW(Hwnd(panel), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Hwnd(combo)), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Hwnd(combo)));
    EXPECT_EQ(combo.SelectedIndex(), 0);
    EXPECT_EQ(comboChanges, 1);
    SendMessageW(Hwnd(track), TBM_SETPOS, TRUE, 0);
    SendMessageW(Hwnd(panel), WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(Hwnd(track)));
    EXPECT_EQ(track.Position(), 0);
    EXPECT_EQ(trackChanges, 1);

    SetWindowTextW(Hwnd(edit), L"typed");
    EXPECT_EQ(edit.Text(), u"typed");

    // A label sees its own clicks, hover and cursor.
    int linkClicks = 0;
    std::vector<std::u16string> hover;
    link.onClick = [&](Component&) { ++linkClicks; };
    link.onMouseEnter = [&](Component& sender) { hover.push_back(u"enter " + sender.Name()); };
    link.onMouseLeave = [&](Component& sender) { hover.push_back(u"leave " + sender.Name()); };
    SendMessageW(Hwnd(link), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    SendMessageW(Hwnd(link), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(Hwnd(link), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    SendMessageW(Hwnd(link), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(linkClicks, 1);
    EXPECT_EQ(hover, (std::vector<std::u16string>{u"enter LinkLabel", u"leave LinkLabel"}));
    SendMessageW(Hwnd(link), WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd(link)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), static_cast<HCURSOR>(app.Cursors().Get(Cursor::HandPoint)));

    // A picture on the form is hit by the mouse through the form.
    int pictureClicks = 0;
    background.onClick = [&](Component&) { ++pictureClicks; };
    const int x = form.ScaleToDpi(400);
    const int y = form.ScaleToDpi(10);
    SendMessageW(Hwnd(form), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(Hwnd(form), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    EXPECT_EQ(pictureClicks, 1);
    EXPECT_EQ(form.HotControl(), nullptr);
}

TEST_F(ToolkitWin32Test, TransparentLabelsAndPanelBackgroundsColourTheirControls) {
    const auto colorStatic = [](HWND parent, HWND child) {
        HDC dc = GetDC(child);
        const LRESULT brush = SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(child));
        const COLORREF text = GetTextColor(dc);
        const int mode = GetBkMode(dc);
        ReleaseDC(child, dc);
        return std::tuple{reinterpret_cast<HGDIOBJ>(brush), text, mode};
    };
    const auto [bannerBrush, bannerText, bannerMode] = colorStatic(Hwnd(form), Hwnd(banner));
    EXPECT_EQ(bannerBrush, GetStockObject(HOLLOW_BRUSH));
    EXPECT_EQ(bannerText, RGB(255, 255, 255));
    EXPECT_EQ(bannerMode, TRANSPARENT);
    const auto [headingBrush, headingText, headingMode] = colorStatic(Hwnd(panel), Hwnd(heading));
    EXPECT_EQ(headingBrush, GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(headingText, GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(ToolkitWin32Test, PicturesAreDecodedAndPainted) {
    auto decoded = win32::DecodedPicture::Decode(Picture::FromPng(kRedPng));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->Width(), 4);
    EXPECT_FALSE(win32::DecodedPicture::Decode(Picture::FromPng({1, 2, 3})).has_value());
    EXPECT_FALSE(win32::DecodedPicture::Decode(Picture::FromResource(u"NO_SUCH_PICTURE")).has_value());

    form.Show();
    UpdateWindow(Hwnd(form));
    HDC dc = GetDC(Hwnd(form));
    // Stretched over the banner's whole width; the label stands elsewhere.
    const COLORREF pixel = GetPixel(dc, form.ScaleToDpi(450), form.ScaleToDpi(50));
    ReleaseDC(Hwnd(form), dc);
    EXPECT_EQ(pixel, RGB(255, 0, 0));
}

TEST_F(ToolkitWin32Test, OpaquePicturesCoverTheBackgroundAndTranslucentOnesBlendWithItAtEveryPainting) {
    // On the form's button-face background, at their own size and stretched. Half-opaque blue
    // over the face: half of full blue and the rest of the face, channel by channel.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const auto half = [](int source, int under) { return source * 128 / 255 + under * 127 / 255; };
    const COLORREF blueOverFace =
        RGB(half(0, GetRValue(face)), half(0, GetGValue(face)), half(255, GetBValue(face)));
    const struct {
        const char* name;
        const std::vector<std::uint8_t>& png;
        bool opaque;
        Bounds bounds;
        COLORREF expected;
    } cases[] = {
        {"opaque, own size", kRedPng, true, {20, 320, 4, 4}, RGB(255, 0, 0)},
        {"opaque, stretched", kRedPng, true, {40, 320, 30, 30}, RGB(255, 0, 0)},
        {"translucent, own size", kHalfBluePng, false, {80, 320, 4, 4}, blueOverFace},
        {"translucent, stretched", kHalfBluePng, false, {100, 320, 30, 30}, blueOverFace},
    };
    for (const auto& c : cases) {
        const auto decoded = win32::DecodedPicture::Decode(Picture::FromPng(c.png));
        ASSERT_TRUE(decoded.has_value()) << c.name;
        EXPECT_EQ(decoded->Opaque(), c.opaque) << c.name;
        form.Add<Image>({.name = u"Picture", .bounds = c.bounds},
                        {.picture = Picture::FromPng(c.png), .stretch = true});
    }
    // The first painting goes straight to the window, later ones through a bitmap off screen.
    form.Show();
    for (const bool later : {false, true}) {
        const char* painting = later ? "later painting" : "first painting";
        if (later) {
            InvalidateRect(Hwnd(form), nullptr, FALSE);
        }
        UpdateWindow(Hwnd(form));
        HDC dc = GetDC(Hwnd(form));
        for (const auto& c : cases) {
            const int x = form.ScaleToDpi(c.bounds.left + c.bounds.width / 2);
            const int y = form.ScaleToDpi(c.bounds.top + c.bounds.height / 2);
            const COLORREF pixel = GetPixel(dc, x, y);
            EXPECT_NEAR(GetRValue(pixel), GetRValue(c.expected), 2) << c.name << ", " << painting;
            EXPECT_NEAR(GetGValue(pixel), GetGValue(c.expected), 2) << c.name << ", " << painting;
            EXPECT_NEAR(GetBValue(pixel), GetBValue(c.expected), 2) << c.name << ", " << painting;
        }
        ReleaseDC(Hwnd(form), dc);
    }
}

TEST_F(ToolkitWin32Test, HoverMovesFromAPictureToTheLabelOverItInOrder) {
    form.Show();
    std::vector<std::u16string> log;
    const NotifyEvent enter = [&](Component& sender) { log.push_back(u"enter " + sender.Name()); };
    const NotifyEvent leave = [&](Component& sender) { log.push_back(u"leave " + sender.Name()); };
    background.onMouseEnter = banner.onMouseEnter = enter;
    background.onMouseLeave = banner.onMouseLeave = leave;
    const int x = form.ScaleToDpi(400);
    const int y = form.ScaleToDpi(10);
    SendMessageW(Hwnd(form), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    SendMessageW(Hwnd(banner), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    // The form learns late that the mouse left it for the label: the label stays the one under
    // the mouse.
    SendMessageW(Hwnd(form), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(form.HotControl(), &banner);
    SendMessageW(Hwnd(banner), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(log, (std::vector<std::u16string>{u"enter BackgroundImage", u"leave BackgroundImage",
                                                u"enter BannerLabel", u"leave BannerLabel"}));
}

TEST_F(ToolkitWin32Test, ControlsInheritTheirParentsCursor) {
    panel.SetCursor(Cursor::HourGlass);
    form.Show();
    SendMessageW(Hwnd(heading), WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd(heading)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
}

TEST_F(ToolkitWin32Test, ARightAlignedLabelGrowsToTheLeftOnScreenToo) {
    Label& faster =
        form.Add<Label>({.name = u"FasterLabel", .parent = &panel, .bounds = {300, 250}, .caption = u"Max"},
                        {.alignment = TextAlignment::Right});
    const auto placeInPanel = [&] {
        RECT rect{};
        GetWindowRect(Hwnd(faster), &rect);
        MapWindowPoints(nullptr, Hwnd(panel), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    const RECT before = placeInPanel();
    EXPECT_EQ(before.right, form.ScaleToDpi(300));
    faster.SetCaption(u"Maximum Boost");
    const RECT after = placeInPanel();
    EXPECT_EQ(after.right, before.right);
    EXPECT_LT(after.left, before.left);
}

TEST_F(ToolkitWin32Test, WhatTheUserTypesInAMemoReachesTheModel) {
    Memo& notes =
        form.Add<Memo>({.name = u"NotesMemo", .parent = &panel, .bounds = {.top = 270, .height = 30}});
    std::u16string seen;
    notes.onChange = [&](Component& sender) { seen = sender.As<Memo>()->Text(); };
    // Typed text, as the user's typing arrives (a multi-line edit reports no change for
    // WM_SETTEXT).
    SendMessageW(Hwnd(notes), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"one\r\ntwo"));
    EXPECT_EQ(seen, u"one\r\ntwo");
    EXPECT_EQ(notes.Lines(), (std::vector<std::u16string>{u"one", u"two"}));
}

TEST_F(ToolkitWin32Test, TabOrderAndTheDefaultButtonFollowTheModel) {
    EXPECT_EQ(GetNextDlgTabItem(Hwnd(form), nullptr, FALSE), Hwnd(go));
    // RestoreButton is disabled, so the next stop after GoButton is the combo box.
    EXPECT_EQ(GetNextDlgTabItem(Hwnd(form), Hwnd(go), FALSE), Hwnd(combo));
    const LRESULT defId = SendMessageW(Hwnd(form), DM_GETDEFID, 0, 0);
    EXPECT_EQ(HIWORD(defId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(defId), GetDlgCtrlID(Hwnd(go)));

    combo.SetTabOrder(-1); // now after every numbered control
    EXPECT_EQ(GetNextDlgTabItem(Hwnd(form), Hwnd(go), FALSE), Hwnd(track));
}

// The toolkit hooks a control with a subclass of its own: the control's window data stays the
// control's, and a window destroyed from outside lets go of its component at once.
TEST_F(ToolkitWin32Test, ControlsKeepTheirWindowDataAndLetGoOfAWindowDestroyedFromOutside) {
    form.Show();
    int clicks = 0;
    std::vector<std::u16string> hover;
    go.onClick = [&](Component&) { ++clicks; };
    go.onMouseEnter = [&](Component& sender) { hover.push_back(sender.Name()); };
    SetWindowLongPtrW(Hwnd(go), GWLP_USERDATA, 0);
    SendMessageW(Hwnd(go), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    SendMessageW(Hwnd(go), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(hover, std::vector<std::u16string>{u"GoButton"});
    EXPECT_EQ(GetWindowLongPtrW(Hwnd(go), GWLP_USERDATA), 0);

    HWND window = Hwnd(edit);
    DestroyWindow(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(edit.NativeHandle(), nullptr);
    edit.SetText(u"after"); // reaches no window
    edit.SetVisible(false);
    EXPECT_EQ(edit.Text(), u"after");
}

TEST_F(ToolkitWin32Test, ModalShowingEndsWithTheButtonsModalResult) {
    Form about(app, {.className = u"TToolkitAboutForm",
                     .name = u"ToolkitAboutForm",
                     .clientWidth = 300,
                     .clientHeight = 120,
                     .border = FormBorder::Dialog,
                     .position = FormPosition::OwnerFormCenter,
                     .owner = &form});
    Button& close = about.Add<Button>({.name = u"CloseButton", .bounds = {200, 80}, .caption = u"&Close"},
                                      {.isDefault = true, .modalResult = kModalOk});
    form.Show();
    bool ownerDisabledWhileShown = false;
    about.onShow = [&](Form&) {
        close.SetFocus();
        PostMessageW(Hwnd(close), BM_CLICK, 0, 0);
    };
    bool ranOnShow = false;
    close.onClick = [&](Component&) {
        ranOnShow = true;
        ownerDisabledWhileShown = !IsWindowEnabled(Hwnd(form));
    };
    EXPECT_EQ(about.ShowModal(), kModalOk);
    EXPECT_TRUE(ranOnShow);
    EXPECT_TRUE(ownerDisabledWhileShown);
    EXPECT_TRUE(IsWindowEnabled(Hwnd(form)));
    EXPECT_FALSE(IsWindowVisible(Hwnd(about)));
    EXPECT_EQ(GetWindow(Hwnd(about), GW_OWNER), Hwnd(form));

    // Closing from the title bar (or from outside) ends it with Cancel and only hides it.
    about.onShow = [&](Form&) { PostMessageW(Hwnd(about), WM_CLOSE, 0, 0); };
    EXPECT_EQ(about.ShowModal(), kModalCancel);
    EXPECT_TRUE(IsWindow(Hwnd(about)));

    // Enter presses the default button through the dialog keys of the message loop.
    about.onShow = [&](Form&) { PostMessageW(Hwnd(close), WM_KEYDOWN, VK_RETURN, 0); };
    EXPECT_EQ(about.ShowModal(), kModalOk);
}

TEST_F(ToolkitWin32Test, TheMessageLoopChecksKeysFirstAndClosingTheMainFormEndsIt) {
    std::vector<int> keys;
    app.onShortCut = [&](int key, bool&) {
        keys.push_back(key);
        if (key == VK_F1) {
            PostMessageW(Hwnd(form), WM_CLOSE, 0, 0);
        }
    };
    PostMessageW(Hwnd(go), WM_KEYDOWN, VK_F1, 0);
    app.Run(form);
    EXPECT_EQ(keys, std::vector<int>{VK_F1});
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(IsWindowVisible(Hwnd(form)));
    // The quit request was taken out of the queue: nothing is left for a later loop.
    MSG message{};
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(ToolkitWin32Test, PopupMenuRunsTheChosenItem) {
    form.Show();
    int chosen = 0;
    helpItem.onClick = [&](Component&) { ++chosen; };
    // The menu's own loop reads these keys: the first item, then Enter.
    PostMessageW(Hwnd(form), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(Hwnd(form), WM_KEYDOWN, VK_RETURN, 0);
    const Rect rect = form.WindowRect();
    menu.Popup({rect.right - 10, rect.top + 40});
    EXPECT_EQ(chosen, 1);
}

class RecordingHintWindow final : public HintWindow {
public:
    explicit RecordingHintWindow(std::vector<std::u16string>& shown) : shown_(shown) {}
    Rect CalcHintRect(int, std::u16string_view) override { return {0, 0, 50, 16}; }
    void ActivateHint(const Rect&, std::u16string_view hint) override { shown_.emplace_back(hint); }
    void ReleaseHandle() override {}

private:
    std::vector<std::u16string>& shown_;
};

TEST_F(ToolkitWin32Test, HintsShowAfterTheirPauseOnTheSystemsTimers) {
    std::vector<std::u16string> shown;
    app.SetHintPause(50);
    app.SetHintWindowFactory([&](Application&) { return std::make_unique<RecordingHintWindow>(shown); });
    link.SetHint(u"Opens the link");
    form.Show();
    // The mouse really stands over the link, or tracking would report it gone at once.
    const Rect rect = link.ScreenRect();
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageW(Hwnd(link), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(PumpUntil(app, [&] { return !shown.empty(); }));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0], u"Opens the link");
}

} // namespace
} // namespace zentrim::toolkit
