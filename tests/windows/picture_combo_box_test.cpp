// The lists with pictures of a window laid out like the main window, worked with the real mouse: a
// click opens each list, which shows its rows (with a scroll bar for the rest), a click on a row
// chooses it; closed, each list keeps the layout's height and shows every entry's whole text. Once
// at the test run's resolution (96 dots per inch) and once in a second process at 144.
#include "base/text.h"
#include "base/unique_handle_win32.h"
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"
#include "toolkit/button.h"
#include "toolkit/form.h"
#include "toolkit/image_list.h"
#include "toolkit/panel.h"
#include "toolkit/picture_combo_box.h"

#include "support/window_probes_win32.h"
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace zentrim::toolkit {
namespace {

using testing::Hwnd;

constexpr wchar_t kInProcessTest[] = L"PictureComboBoxLists.ClicksOpenEachListShowingItsRowsAndChooseAnEntry";
constexpr wchar_t kExpectDpi[] = L"--expect-dpi=";

// A 4 x 4 opaque red PNG: no pixel of the pictures is as dark as text.
const std::vector<std::uint8_t> kRedPng{
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x08, 0x06, 0x00, 0x00, 0x00, 0xA9,
    0xF1, 0x9E, 0x7E, 0x00, 0x00, 0x00, 0x12, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0xF8,
    0xCF, 0xC0, 0xF0, 0x1F, 0x19, 0x33, 0x90, 0x2E, 0x00, 0x00, 0x3C, 0x40, 0x1F, 0xE1, 0x1A,
    0xF3, 0xA5, 0x48, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

const std::vector<std::u16string> kWindowsEntries{
    u"  Microsoft \u00AE Windows 11",          u"  Microsoft \u00AE Windows 10",
    u"  Microsoft \u00AE Windows 8",           u"  Microsoft \u00AE Windows 7",
    u"  Microsoft \u00AE Windows Vista",       u"  Microsoft \u00AE Windows XP",
    u"  Microsoft \u00AE Windows Server 2012", u"  Microsoft \u00AE Windows Server 2008",
    u"  Microsoft \u00AE Windows Server 2003", u"  Microsoft \u00AE Windows Server 2000"};
const std::vector<std::u16string> kProcessorEntries{u"  Intel \u00AE Processor", u"  AMD \u00AE Processor",
                                                    u"  VIA \u00AE Processor"};
const std::vector<std::u16string> kInternetEntries{u"  Cable | DSL | Wi-Fi",
                                                   u"  Verizon FiOS | Wi-Fi",
                                                   u"  Dial-up 56k",
                                                   u"  Satellite",
                                                   u"  Android | iPhone | Windows Phone | BlackBerry",
                                                   u"  LTE | 4G | 3G | 2G | Edge Modem",
                                                   u"  Local Area Network",
                                                   u"  ISDN",
                                                   u"  T1 | T3 | OC3 | OC12+"};

// A list of the main window's panel: 309 x 24 at the left, the given rows when dropped down.
PictureComboBox& AddList(Form& form, const char16_t* name, Panel& panel, int top,
                         const std::vector<std::u16string>& entries, ImageList& images, int rows,
                         int tabOrder) {
    std::vector<ComboItem> items;
    for (const std::u16string& caption : entries) {
        items.push_back({caption, 0});
    }
    return form.Add<PictureComboBox>(
        {.name = name, .parent = &panel, .bounds = {16, top, 309, 24}, .tabOrder = tabOrder},
        {.items = std::move(items), .images = &images, .selectedIndex = 0, .dropDownCount = rows});
}

// The main window's size, panel, lists (places, entries, rows asked for), pictures' size and
// desktop font, and a default button that takes the focus first; one more list of ten entries
// asks for the usual eight rows.
struct ListsWindow {
    Win32Backend backend;
    Application app{backend};
    Form form{app,
              {.className = u"TListsTestForm",
               .name = u"ListsTestForm",
               .clientWidth = 764,
               .clientHeight = 500,
               .position = FormPosition::ScreenCenter}};
    ImageList& images =
        form.Add<ImageList>({.name = u"ListImageList", .pictures = {Picture::FromPng(kRedPng)}});
    Panel& panel =
        form.Add<Panel>({.name = u"MainPanel", .bounds = {182, 91, 582, 388}}, {.color = colors::kWhite});
    Button& go = form.Add<Button>({.name = u"GoButton",
                                   .parent = &panel,
                                   .bounds = {400, 95, 145, 52},
                                   .caption = u"&Optimize now",
                                   .tabOrder = 0},
                                  {.isDefault = true});

    ListsWindow() {
        AddList(form, u"WindowsCombo", panel, 95, kWindowsEntries, images, 10, 2);
        AddList(form, u"ProcessorCombo", panel, 147, kProcessorEntries, images, 8, 3);
        AddList(form, u"ModemCombo", panel, 199, kInternetEntries, images, 9, 4);
        AddList(form, u"EightRowsCombo", panel, 251, kWindowsEntries, images, 8, 5);
        form.SetDesktopFont(true); // as the main window's preparation does
    }
};

template <typename Condition> bool PumpUntil(Application& app, Condition condition) {
    for (int waited = 0; waited < 3000 && !condition(); waited += 10) {
        app.ProcessMessages();
        Sleep(10);
    }
    return condition();
}

// A left click of the real mouse at a point of the screen.
void ClickAt(POINT point) {
    INPUT inputs[3]{};
    const DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dx = MulDiv(point.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        inputs[i].mi.dy = MulDiv(point.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
        inputs[i].mi.dwFlags = flags[i] | MOUSEEVENTF_ABSOLUTE;
    }
    SendInput(3, inputs, sizeof(INPUT));
}

BOOL CALLBACK CollectDroppedList(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && testing::ClassOf(window) == L"ComboLBox") {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

// The dropped-down lists showing now: visible "ComboLBox" windows of this thread.
std::vector<HWND> ShownDroppedLists() {
    std::vector<HWND> lists;
    EnumThreadWindows(GetCurrentThreadId(), &CollectDroppedList, reinterpret_cast<LPARAM>(&lists));
    return lists;
}

// The first and last columns of an area of a device context that hold a pixel as dark as text.
struct InkColumns {
    int left = 0;
    int right = -1;
    int Width() const { return right - left + 1; }
};

InkColumns InkIn(HDC source, const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HDC copy = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(copy, bitmap.get());
    BitBlt(copy, 0, 0, width, height, source, area.left, area.top, SRCCOPY);
    GdiFlush();
    InkColumns ink{width, -1};
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        const std::uint32_t pixel = pixels[i];
        if (std::max({pixel & 0xFFu, (pixel >> 8) & 0xFFu, (pixel >> 16) & 0xFFu}) < 110) {
            ink.left = std::min(ink.left, i % width);
            ink.right = std::max(ink.right, i % width);
        }
    }
    SelectObject(copy, old);
    DeleteDC(copy);
    return ink;
}

// A text's ink width written black on white in a font without clipping, and the font's average
// character width.
std::pair<int, int> InkWidthAndCharWidth(const std::wstring& text, HFONT font) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const RECT area{0, 0, extent.cx + 20, extent.cy + 8};
    const UniqueBitmap bitmap(CreateCompatibleBitmap(screen, area.right, area.bottom));
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap.get());
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 10, 4, text.c_str(), static_cast<int>(text.size()));
    const int width = InkIn(dc, area).Width();
    SelectObject(dc, oldBitmap);
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return {width, static_cast<int>(metrics.tmAveCharWidth)};
}

COMBOBOXINFO InfoOf(HWND comboBoxEx) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(reinterpret_cast<HWND>(SendMessageW(comboBoxEx, CBEM_GETCOMBOCONTROL, 0, 0)), &info);
    return info;
}

int WindowHeight(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

// What a user finds in each list: its entries, the rows its dropped-down list shows, whether a
// scroll bar leads to the rest, and the entry chosen (one on the last row shown).
struct ListCase {
    const char16_t* name;
    const std::vector<std::u16string>* entries;
    int rows;
    bool scrollBar;
    int choose;
};

TEST(PictureComboBoxLists, ClicksOpenEachListShowingItsRowsAndChooseAnEntry) {
    ListsWindow window;
    Form& form = window.form;
    const int dpi = form.Dpi();
    if (const wchar_t* expected = wcsstr(GetCommandLineW(), kExpectDpi)) {
        ASSERT_EQ(dpi, _wtoi(expected + wcslen(kExpectDpi)))
            << "the process did not get the resolution asked for";
    }
    const int closedHeight = MulDiv(24, dpi, 96);
    form.Show();
    SetForegroundWindow(Hwnd(form));
    ASSERT_TRUE(PumpUntil(window.app, [&] { return GetForegroundWindow() == Hwnd(form); }));

    const ListCase cases[] = {{u"WindowsCombo", &kWindowsEntries, 10, false, 9},
                              {u"ProcessorCombo", &kProcessorEntries, 3, false, 2},
                              {u"ModemCombo", &kInternetEntries, 9, false, 8},
                              {u"EightRowsCombo", &kWindowsEntries, 8, true, 7}};
    for (const ListCase& list : cases) {
        SCOPED_TRACE(ToUtf8(list.name));
        PictureComboBox& combo = *form.Find<PictureComboBox>(list.name);
        HWND control = Hwnd(combo);
        EXPECT_EQ(WindowHeight(control), closedHeight);

        // Closed, an entry shows whole: its ink in the field is as wide as the text's written
        // without clipping. Only a text longer than the room after the picture is cut, at the end.
        const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        for (std::size_t i = 0; i < list.entries->size(); ++i) {
            SCOPED_TRACE(ToUtf8((*list.entries)[i]));
            combo.SetSelectedIndex(static_cast<int>(i));
            const COMBOBOXINFO info = InfoOf(control);
            RedrawWindow(info.hwndCombo, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            HDC dc = GetDC(info.hwndCombo);
            const InkColumns shown = InkIn(dc, info.rcItem);
            ReleaseDC(info.hwndCombo, dc);
            const auto [whole, charWidth] = InkWidthAndCharWidth(ToWide((*list.entries)[i]), font);
            const int field = info.rcItem.right - info.rcItem.left;
            if (shown.left + whole <= field) {
                EXPECT_GE(shown.Width(), whole - 1)
                    << "cut off: " << shown.Width() << " of " << whole << " pixels";
            } else {
                EXPECT_GE(shown.right, field - charWidth)
                    << "cut before the end of a " << field << "-pixel field";
            }
        }
        combo.SetSelectedIndex(0);

        std::vector<int> changes;
        combo.onChange = [&](Component&) { changes.push_back(combo.SelectedIndex()); };
        RECT closed{};
        GetWindowRect(control, &closed);
        ClickAt({(closed.left + closed.right) / 2, (closed.top + closed.bottom) / 2});
        std::vector<HWND> shown;
        ASSERT_TRUE(PumpUntil(window.app, [&] { return !(shown = ShownDroppedLists()).empty(); }))
            << "no list";
        ASSERT_EQ(shown.size(), 1u);
        HWND dropped = shown.front();
        EXPECT_EQ(dropped, InfoOf(control).hwndList) << "another control's list";
        RECT client{};
        GetClientRect(dropped, &client);
        const int rowHeight = static_cast<int>(SendMessageW(dropped, LB_GETITEMHEIGHT, 0, 0));
        ASSERT_GT(rowHeight, 0);
        EXPECT_EQ(client.bottom / rowHeight, list.rows) << client.bottom << " pixels, rows of " << rowHeight;
        EXPECT_EQ((GetWindowLongW(dropped, GWL_STYLE) & WS_VSCROLL) != 0, list.scrollBar);

        const int row = list.choose - static_cast<int>(SendMessageW(dropped, LB_GETTOPINDEX, 0, 0));
        POINT onRow{client.right / 2, row * rowHeight + rowHeight / 2};
        ClientToScreen(dropped, &onRow);
        ClickAt(onRow);
        EXPECT_TRUE(PumpUntil(window.app, [&] { return !IsWindowVisible(dropped); }))
            << "the list stayed open";
        EXPECT_EQ(combo.SelectedIndex(), list.choose);
        EXPECT_EQ(changes, std::vector<int>{list.choose});
        wchar_t text[128] = {};
        SendMessageW(control, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(text, ToWide((*list.entries)[static_cast<std::size_t>(list.choose)]));
        EXPECT_EQ(WindowHeight(control), closedHeight);
        combo.onChange = nullptr;
    }

    // New pictures make ComboBoxEx32 set its field again; the closed lists keep the layout's height.
    window.images.Add(Picture::FromPng(kRedPng));
    for (const ListCase& list : cases) {
        EXPECT_EQ(WindowHeight(Hwnd(*form.Find<PictureComboBox>(list.name))), closedHeight)
            << ToUtf8(list.name);
    }
}

// Sets the user's resolution for the processes started from now on (Wine reads "LogPixels" when
// a process starts) and puts the old setting back at the end.
class LogPixelsSetting {
public:
    explicit LogPixelsSetting(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key_.put(), nullptr);
        DWORD size = sizeof old_;
        had_ = RegQueryValueExW(key_.get(), L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_),
                                &size) == ERROR_SUCCESS;
        set_ = RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                              sizeof dpi) == ERROR_SUCCESS;
    }
    LogPixelsSetting(const LogPixelsSetting&) = delete;
    LogPixelsSetting& operator=(const LogPixelsSetting&) = delete;
    ~LogPixelsSetting() {
        if (had_) {
            RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_),
                           sizeof old_);
        } else {
            RegDeleteValueW(key_.get(), L"LogPixels");
        }
    }
    bool Set() const { return set_; }

private:
    UniqueHkey key_;
    DWORD old_ = 0;
    bool had_ = false;
    bool set_ = false;
};

TEST(PictureComboBoxLists, AtOneAndAHalfTimesTheResolutionInANewProcess) {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) {
        GTEST_SKIP() << "Windows takes a new resolution only at the next sign-in";
    }
    const LogPixelsSetting resolution(144);
    ASSERT_TRUE(resolution.Set());
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring commandLine =
        L"\"" + std::wstring(program) + L"\" --gtest_filter=" + kInProcessTest + L" " + kExpectDpi + L"144";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // its report goes where this program's goes
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessW(program, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &started));
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    ASSERT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0) << "the second process did not end";
    DWORD exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u) << "the lists at 144 dots per inch failed (report above)";
}

} // namespace
} // namespace zentrim::toolkit
