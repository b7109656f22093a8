// The layouts of the three windows as real windows show them, against the design's tables: each
// child window's class, parent and rectangle within its parent's client area (scaled by the
// screen's resolution), the font it really uses, the colour its text is drawn in, the cursor it
// sets, and the order Tab walks as the system computes it.
#include "app/main/main_form.h"

#include "base/text.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source_win32.h"
#include "engine/clock.h"
#include "engine/custom_registry.h"
#include "engine/date_text.h"
#include "engine/date_time.h"
#include "engine/memory_registry_store.h"
#include "engine/regional_formats.h"
#include "engine/restart.h"
#include "engine/windows_version.h"
#include "launch/recording_launcher.h"
#include "support/designed_layouts.h"
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"
#include "ui/sound.h"

#include <windows.h>

#include "support/windows10_source.h"

#include "support/window_probes_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using testing::ClassOf;
using testing::FontOf;
using testing::Hwnd;

using namespace toolkit;
using namespace design_layout;

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The class of the child window that stands for each kind of component.
std::wstring ExpectedClass(ComponentKind kind) {
    switch (kind) {
    case ComponentKind::Label:
        return L"Static";
    case ComponentKind::Panel:
        return L"ToolkitPanel";
    case ComponentKind::Button:
        return L"Button";
    case ComponentKind::Memo:
        return L"Edit";
    case ComponentKind::PictureComboBox:
        return L"ComboBoxEx32";
    case ComponentKind::TrackBar:
        return L"msctls_trackbar32";
    case ComponentKind::ProgressBar:
        return L"msctls_progress32";
    default:
        return std::wstring(); // not L"": GCC's bounds check misreads an empty wide literal here
    }
}

// A design colour as the screen shows it.
COLORREF ScreenColour(Color color) {
    if ((color & 0xFF000000u) == 0xFF000000u) {
        return GetSysColor(static_cast<int>(color & 0xFF));
    }
    return static_cast<COLORREF>(color);
}

// The colour a label's parent tells it to draw its text in.
COLORREF TextColourOf(HWND label) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageW(GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(label));
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return colour;
}

// The cursor a window sets when the mouse is over it, as the system asks it with WM_SETCURSOR;
// `over` is the screen point the mouse is moved to first.
HCURSOR CursorSetBy(HWND window, POINT over) {
    SetCursorPos(over.x, over.y);
    SetCursor(LoadCursorW(nullptr, IDC_IBEAM)); // neither the hand nor a class cursor
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

struct Counts {
    int windows = 0;
    int fields = 0;
};

// Compares every component of the table that is a child window with the window on the screen.
// `reference` is a control without a font of its own: it shows the window's font.
Counts CheckWindows(const Form& form, const std::vector<Row>& table, HWND reference) {
    Counts counts;
    const int dpi = ScreenDpi();
    const auto scale = [dpi](int value) { return MulDiv(value, dpi, 96); };
    const LOGFONTW windowFont = FontOf(reference);
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    for (const Row& row : table) {
        SCOPED_TRACE(ToUtf8(row.name));
        const Control* control = AsControl(form.FindComponent(row.name));
        if (control == nullptr) {
            ADD_FAILURE() << "missing";
            continue;
        }
        HWND window = Hwnd(*control);
        const HWND parentWindow = row.parent.empty() ? Hwnd(form) : Hwnd(*form.FindComponent(row.parent));
        if (ExpectedClass(row.kind).empty()) {
            // Pictures and lines are painted by their parent; the hand over a picture is set by it.
            if (row.cursor == Cursor::HandPoint) {
                POINT inside{scale(row.left + 3), scale(row.top + 3)};
                ClientToScreen(parentWindow, &inside);
                EXPECT_EQ(CursorSetBy(parentWindow, inside), hand);
                ++counts.fields;
            }
            continue;
        }
        if (window == nullptr) {
            ADD_FAILURE() << "no child window";
            continue;
        }
        ++counts.windows;
        EXPECT_EQ(ClassOf(window), ExpectedClass(row.kind));
        EXPECT_EQ(GetParent(window), parentWindow);
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(HWND_DESKTOP, parentWindow, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.top, scale(row.top));
        if (row.rightEdge) {
            EXPECT_EQ(rect.right, scale(*row.rightEdge));
        } else {
            EXPECT_EQ(rect.left, scale(row.left));
        }
        counts.fields += 4;
        if (row.width != 0) {
            EXPECT_EQ(rect.right - rect.left, scale(row.width));
            ++counts.fields;
            // A drop-down list is measured closed: its window is as high as its selection field.
            EXPECT_EQ(rect.bottom - rect.top, scale(row.height)) << ToUtf8(row.name);
            ++counts.fields;
        }
        if (row.font) {
            const LOGFONTW font = FontOf(window);
            EXPECT_EQ(std::wstring(font.lfFaceName), std::wstring(windowFont.lfFaceName));
            // At least the designed height, and at least the window's.
            const int height = std::max(scale(row.font->pixels), static_cast<int>(-windowFont.lfHeight));
            EXPECT_EQ(font.lfHeight, static_cast<LONG>(-height));
            EXPECT_EQ(font.lfWeight, (row.font->style & kBold) != 0 ? FW_BOLD : FW_NORMAL);
            EXPECT_FALSE(font.lfItalic);
            EXPECT_FALSE(font.lfUnderline);
            counts.fields += 5;
            if (row.kind == ComponentKind::Label) {
                EXPECT_EQ(TextColourOf(window), ScreenColour(row.font->color));
                ++counts.fields;
            }
        } else if (row.kind != ComponentKind::Panel && row.kind != ComponentKind::TrackBar &&
                   row.kind != ComponentKind::ProgressBar) { // the kinds that show text
            const LOGFONTW font = FontOf(window);
            EXPECT_EQ(std::wstring(font.lfFaceName), std::wstring(windowFont.lfFaceName));
            EXPECT_EQ(font.lfHeight, windowFont.lfHeight);
            EXPECT_EQ(font.lfWeight, windowFont.lfWeight);
            counts.fields += 3;
        }
        if (row.kind == ComponentKind::Label) {
            POINT inside{1, 1};
            ClientToScreen(window, &inside);
            const HCURSOR shown = CursorSetBy(window, inside);
            if (row.cursor == Cursor::HandPoint) {
                EXPECT_EQ(shown, hand);
            } else {
                EXPECT_NE(shown, hand);
            }
            ++counts.fields;
        }
    }
    return counts;
}

// The windows Tab reaches from the first, as the system walks them, until it comes round again.
std::vector<HWND> TabWalk(HWND form) {
    std::vector<HWND> walk;
    HWND first = GetNextDlgTabItem(form, nullptr, FALSE);
    for (HWND at = first; at != nullptr && walk.size() < 20;) {
        walk.push_back(at);
        at = GetNextDlgTabItem(form, at, FALSE);
        if (at == first) {
            break;
        }
    }
    return walk;
}

using testing::Windows10Source;

class WindowLayoutWin32 : public ::testing::Test {
protected:
    WindowLayoutWin32()
        : main_({.app = app_,
                 .registry = registry_,
                 .captions = captions_,
                 .clickSound = sound_,
                 .shell = shell_,
                 .restart = restart_,
                 .versionSource = version_,
                 .clock = clock_,
                 .dateFormatter = formatter_}) {}

    HWND Of(std::u16string_view name, const Form& form) const { return Hwnd(*form.FindComponent(name)); }
    // The windows of a designed tab walk's stops.
    std::vector<HWND> Windows(const std::vector<std::u16string_view>& walk, const Form& form,
                              std::u16string_view without = {}) const {
        std::vector<HWND> windows;
        for (std::u16string_view stop : walk) {
            if (stop != without) {
                windows.push_back(Of(stop, form));
            }
        }
        return windows;
    }

    Win32Backend backend_;
    Application app_{backend_};
    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    ResourceCatalogueSource catalogues_{GetModuleHandleW(nullptr)};
    CaptionCatalogue captions_{registry_, catalogues_};
    SilentClickSound sound_;
    RecordingLauncher launcher_;
    Shell shell_{launcher_, u"C:\\Apps\\Zentrim\\"};
    RecordingSystemRestart restart_;
    Windows10Source version_;
    FixedClock clock_{*EncodeDateTime({2024, 6, 1, 12, 0, 0, 0})};
    DateTextFormatter formatter_{EnglishUnitedStatesFormatSettings(), EnglishUnitedStatesFormatSettings()};
    MainForm main_;
};

TEST_F(WindowLayoutWin32, MainWindowChildWindowsFontsCursorsAndTabWalk) {
    Form& form = main_.Form();
    form.Show();
    HWND window = Hwnd(form);
    EXPECT_EQ(ClassOf(window), L"TZTMainForm");
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, MulDiv(764, ScreenDpi(), 96));
    EXPECT_EQ(client.bottom, MulDiv(500, ScreenDpi(), 96));
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);

    const Counts counts = CheckWindows(form, MainWindowTable(), Of(u"OSVersionLabel", form));
    std::cout << "main window: " << counts.windows << " child windows, " << counts.fields << " fields\n";

    // The design's numbers: Go 0, Restore 1, the three lists 2 to 4, the track bar 5, Update 6,
    // then the four links; "&Restore" starts disabled and Tab passes it by.
    EXPECT_EQ(TabWalk(window), Windows(MainWindowTabWalk(), form, u"RestoreButton"));
    main_.RestoreButton().SetEnabled(true);
    EXPECT_EQ(TabWalk(window), Windows(MainWindowTabWalk(), form));
}

TEST_F(WindowLayoutWin32, AboutWindowChildWindowsFontsCursorsAndTabWalk) {
    main_.Form().Show();
    AboutForm& about = main_.About();
    Form& form = about.Form();
    form.Show(); // the show steps give the fonts and texts
    HWND window = Hwnd(form);
    EXPECT_EQ(ClassOf(window), L"TZTAboutForm");
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, MulDiv(700, ScreenDpi(), 96));
    EXPECT_EQ(client.bottom, MulDiv(441, ScreenDpi(), 96));

    const Counts counts = CheckWindows(form, AboutWindowTable(), Of(u"CopyrightLabel", form));
    std::cout << "About window: " << counts.windows << " child windows, " << counts.fields << " fields\n";
    EXPECT_EQ(TabWalk(window), Windows(AboutWindowTabWalk(), form));
    form.Hide();
}

TEST_F(WindowLayoutWin32, ProgressWindowChildWindowsFontsAndCursors) {
    main_.Form().Show();
    ProgressForm& progress = main_.Progress();
    Form& form = progress.Form();
    form.Show();
    HWND window = Hwnd(form);
    EXPECT_EQ(ClassOf(window), L"TZTSettingsForm");
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, MulDiv(479, ScreenDpi(), 96));
    EXPECT_EQ(client.bottom, MulDiv(146, ScreenDpi(), 96));
    progress.CurrentSettingsHeading().SetCaption(u"Heading");
    progress.CurrentSettingsLabel().SetCaption(u"Step line");

    const Counts counts = CheckWindows(form, ProgressWindowTable(), Of(u"CurrentSettingsLabel", form));
    std::cout << "progress window: " << counts.windows << " child windows, " << counts.fields << " fields\n";

    // The hourglass over the panel and the bar.
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    for (std::u16string_view name : {u"SettingsPanel", u"MainProgress"}) {
        HWND child = Of(name, form);
        RECT rect{};
        GetWindowRect(child, &rect);
        EXPECT_EQ(CursorSetBy(child, {rect.right - 2, rect.bottom - 2}), wait) << ToUtf8(name);
    }
    form.Hide();
}

} // namespace
} // namespace zentrim
