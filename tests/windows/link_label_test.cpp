// The links as real windows: a screen reader's accessible object names each link by its text with
// the role of a link and activates it as its default action; Enter and Space go through the
// message loop's dialog keys to the link, not to the default button; the focus shows as a frame.
#include "app/main/main_form.h"

#include "base/text.h"
#include "base/unique_handle_win32.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source_win32.h"
#include "launch/recording_launcher.h"
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"
#include "toolkit/button.h"
#include "toolkit/label.h"
#include "ui/sound.h"

#include <windows.h>

#include <oleacc.h>

#include "support/main_form_parts.h"
#include "support/window_probes_win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrim {
namespace {

using testing::Hwnd;

using namespace toolkit;

// Handles messages for a tenth of a second, so that posted and sent messages have arrived.
void Pump(Application& app) {
    for (int i = 0; i < 10; ++i) {
        app.ProcessMessages();
        Sleep(10);
    }
}

// A key on the focused control as the keyboard gives it: through the message loop's dialog keys.
void Press(Application& app, UINT key) {
    HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    Pump(app);
}

// What a screen reader reads of a window's client area, through oleacc as it does.
struct Announced {
    std::wstring name;
    LONG role = 0;
    LONG state = 0;
    ComPtr<IAccessible> object;
};
void Announce(HWND window, Announced& out) {
    using Function = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    static const UniqueModule oleacc(LoadLibraryW(L"oleacc.dll"));
    const auto fromWindow = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(oleacc.get(), "AccessibleObjectFromWindow")));
    ASSERT_NE(fromWindow, nullptr);
    ASSERT_EQ(
        fromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), out.object.putVoid()),
        S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (SUCCEEDED(out.object->get_accName(self, &name)) && name != nullptr) {
        out.name.assign(name, SysStringLen(name));
    }
    SysFreeString(name);
    VARIANT role{};
    VARIANT state{};
    out.role = SUCCEEDED(out.object->get_accRole(self, &role)) && role.vt == VT_I4 ? role.lVal : 0;
    out.state = SUCCEEDED(out.object->get_accState(self, &state)) && state.vt == VT_I4 ? state.lVal : 0;
}

TEST(LinkLabelWin32, EachLinkIsAnnouncedAsALinkAndEnterSpaceAndItsDefaultActionActAsItsClick) {
    Win32Backend backend;
    ResourceCatalogueSource catalogues{GetModuleHandleW(nullptr)};
    testing::MainFormParts parts{backend, catalogues};
    MainForm& main = *parts.main;
    RecordingClickSound& sound = parts.sound;
    RecordingLauncher& launcher = parts.launcher;
    Application& app = parts.app;
    int goPresses = 0; // "&Optimize now" would start a run
    main.GoButton().onClick = [&](Component&) { ++goPresses; };
    main.Form().Show();
    Form& about = main.About().Form();

    struct Case {
        Label& link;
        std::wstring text;
        std::u16string opened; // the page or file Enter opens; empty: the help, or the About window
    };
    const std::vector<Case> cases{
        {main.LinkLabel(4), L"Help with Zentrim", u""},
        {main.LinkLabel(5), L"Contact tech support", u"http://www.orvane.com/support/"},
        {main.LinkLabel(6), L"Click to visit our website", u"http://www.orvane.com"},
        {main.LinkLabel(7), L"About Zentrim", u""},
        {main.About().LicenseAgreementLabel(), L"Click to view the end-user license terms",
         u"C:\\Apps\\Zentrim\\License.rtf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.link.Name()));
        if (&c.link == &main.About().LicenseAgreementLabel()) {
            about.Show(); // its texts come with the show steps
            Pump(app);
        }
        HWND window = Hwnd(c.link);
        Announced announced;
        Announce(window, announced);
        EXPECT_EQ(announced.name, c.text);
        EXPECT_EQ(announced.role, ROLE_SYSTEM_LINK);
        EXPECT_EQ(announced.state & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSED),
                  STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED);

        const std::size_t launches = launcher.Launches().size();
        const std::size_t helps = launcher.HelpLocations().size();
        bool aboutShown = false; // "About Zentrim" shows it modally: it is closed from its own loop
        const TimerId closer = &c.link != &main.LinkLabel(7) ? 0 : backend.StartTimer(100, [&] {
            aboutShown = about.IsModal() && IsWindowVisible(Hwnd(about)) != FALSE;
            about.Close();
        });
        SetFocus(window);
        Announced focused;
        Announce(window, focused);
        EXPECT_NE(focused.state & STATE_SYSTEM_FOCUSED, 0);
        Press(app, VK_RETURN);
        backend.StopTimer(closer);
        if (!c.opened.empty()) {
            ASSERT_EQ(launcher.Launches().size(), launches + 1);
            EXPECT_EQ(launcher.Launches().back().file, c.opened);
        }
        EXPECT_EQ(launcher.HelpLocations().size(), helps + (&c.link == &main.LinkLabel(4) ? 1 : 0));
        EXPECT_EQ(aboutShown, &c.link == &main.LinkLabel(7));
    }
    EXPECT_TRUE(IsWindowVisible(Hwnd(about))) << "Enter on the licence link pressed Close";
    about.Hide();
    EXPECT_EQ(goPresses, 0) << "Enter on a link pressed the default button";
    EXPECT_EQ(sound.Plays(), 4); // the help plays none

    // Space, and a screen reader's default action, on the web site link.
    SetFocus(Hwnd(main.LinkLabel(6)));
    Press(app, VK_SPACE);
    Announced website;
    Announce(Hwnd(main.LinkLabel(6)), website);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    EXPECT_EQ(website.object->accDoDefaultAction(self), S_OK);
    Pump(app);
    ASSERT_EQ(launcher.Launches().size(), 5u);
    EXPECT_EQ(launcher.Launches()[3].file, u"http://www.orvane.com");
    EXPECT_EQ(launcher.Launches()[4].file, u"http://www.orvane.com");

    // A label that is no link stays the system's plain object, and Enter elsewhere still presses
    // the default button.
    Announced plain;
    Announce(Hwnd(*main.Form().FindComponent(u"NavLabel2")), plain);
    EXPECT_NE(plain.role, ROLE_SYSTEM_LINK);
    SetFocus(Hwnd(main.WindowsCombo()));
    Press(app, VK_RETURN);
    EXPECT_EQ(goPresses, 1);
    main.Form().Hide();
}

// The focus frame, seen in the pixels of a link over a plain white window: a dotted line in the
// text's colour along the top edge while the link has the focus, nothing there otherwise, and the
// text drawn either way. (Wine keeps the keyboard cues on: its windows never report
// UISF_HIDEFOCUS, so the frame's following the cues cannot be seen here.)
TEST(LinkLabelWin32, TheFocusFrameShowsWhileTheLinkHasTheFocus) {
    Win32Backend backend;
    Application app{backend};
    Form form{app,
              {.className = u"TLinkFrameTestForm",
               .name = u"LinkFrameTestForm",
               .clientWidth = 300,
               .clientHeight = 120,
               .color = colors::kWhite,
               .position = FormPosition::ScreenCenter,
               .font = Font{u"Tahoma", 8}}};
    Button& button = form.Add<Button>({.name = u"FirstButton", .bounds = {10, 80}, .tabOrder = 0});
    Label& link = form.Add<Label>({.name = u"LinkLabel",
                                   .bounds = {20, 20},
                                   .caption = u"A link to follow",
                                   .font = Font{u"Tahoma", 8, 0, 0xFF0000}}, // blue
                                  {.transparent = true, .link = true});
    HWND window = Hwnd(link);
    struct Seen {
        int frame = 0; // blue pixels along the top edge
        int text = 0;  // pixels inside that are not white
    };
    RECT client{};
    GetClientRect(window, &client);
    const auto look = [&] {
        Pump(app);
        Seen seen;
        HDC dc = GetDC(window);
        for (int x = 0; x < client.right; ++x) {
            seen.frame += GetPixel(dc, x, 0) == RGB(0, 0, 255) ? 1 : 0;
            for (int y = 2; y < client.bottom - 2; ++y) {
                seen.text += GetPixel(dc, x, y) != RGB(255, 255, 255) ? 1 : 0;
            }
        }
        ReleaseDC(window, dc);
        return seen;
    };
    form.Show();
    SetFocus(Hwnd(button));
    const Seen before = look();
    Press(app, VK_TAB);
    ASSERT_EQ(GetFocus(), window);
    const Seen focused = look();
    SetFocus(Hwnd(button));
    const Seen after = look();
    EXPECT_EQ(before.frame, 0);
    EXPECT_GE(focused.frame, client.right / 3);
    EXPECT_EQ(after.frame, 0);
    for (const Seen& seen : {before, focused, after}) {
        EXPECT_GT(seen.text, 0);
    }
    form.Hide();
}

} // namespace
} // namespace zentrim
