// Control windows made when first needed: a form's control windows appear at its first showing
// with everything set on the components before; the hidden About and progress windows exist from
// the start without them.
#include "support/main_form_parts.h"
#include "support/window_probes_win32.h"

#include "catalogue/catalogue_source_win32.h"
#include "toolkit/backend_win32.h"
#include "toolkit/button.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/picture_combo_box.h"
#include "toolkit/track_bar.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace zentrim::toolkit {
namespace {

using testing::Hwnd;
using testing::TextOf;

int ChildWindowCount(HWND window) {
    int count = 0;
    EnumChildWindows(
        window,
        [](HWND, LPARAM counter) {
            ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST(DeferredWindows, ControlsAreMadeAtTheFirstShowingWithWhatWasSetBefore) {
    Win32Backend backend;
    Application app(backend);
    Form form(app,
              {.className = u"TDeferredTestForm", .name = u"DeferredTestForm", .font = Font{u"Tahoma", 8}});
    Panel& panel = form.Add<Panel>({.name = u"Panel", .bounds = {10, 10, 380, 280}});
    Label& label =
        form.Add<Label>({.name = u"Label", .parent = &panel, .bounds = {10, 10}, .caption = u"Old"});
    Button& button = form.Add<Button>(
        {.name = u"Button", .parent = &panel, .bounds = {10, 40, 100, 25}, .caption = u"Old", .tabOrder = 0});
    PictureComboBox& combo = form.Add<PictureComboBox>(
        {.name = u"Combo", .parent = &panel, .bounds = {10, 80, 200, 24}, .tabOrder = 1},
        {.items = {{u"One", -1}, {u"Two", -1}, {u"Three", -1}}});
    TrackBar& track =
        form.Add<TrackBar>({.name = u"Track", .parent = &panel, .bounds = {10, 120, 200, 40}, .tabOrder = 2},
                           {.min = 0, .max = 4});

    // The preparation a window does before it shows: fonts, texts, selections, states.
    form.SetFont(Font{u"Arial", 9});
    label.SetCaption(u"Label text");
    button.SetCaption(u"&Press");
    button.SetEnabled(false);
    combo.SetSelectedIndex(2);
    track.SetPosition(3);

    HWND top = FindWindowW(L"TDeferredTestForm", nullptr);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(ChildWindowCount(top), 0) << "no control window before the first showing";

    form.Show();
    EXPECT_EQ(ChildWindowCount(top), 6); // the panel, four controls and the combo box's inner list
    EXPECT_EQ(TextOf(Hwnd(label)), L"Label text");
    EXPECT_EQ(TextOf(Hwnd(button)), L"&Press");
    EXPECT_FALSE(IsWindowEnabled(Hwnd(button)));
    EXPECT_EQ(SendMessageW(Hwnd(combo), CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessageW(Hwnd(track), TBM_GETPOS, 0, 0), 3);
    for (HWND window : {Hwnd(label), Hwnd(button)}) {
        EXPECT_STREQ(testing::FontOf(window).lfFaceName, L"Arial");
    }
    // Tab order as numbered: the disabled button is skipped, then the list, then the track bar.
    EXPECT_EQ(GetNextDlgTabItem(top, nullptr, FALSE), Hwnd(combo));
    EXPECT_EQ(GetNextDlgTabItem(top, Hwnd(combo), FALSE), Hwnd(track));

    // Later changes and controls go to the windows at once.
    label.SetCaption(u"New text");
    EXPECT_EQ(TextOf(Hwnd(label)), L"New text");
    const Label& late =
        form.Add<Label>({.name = u"Late", .parent = &panel, .bounds = {10, 200}, .caption = u"Late"});
    EXPECT_EQ(GetParent(Hwnd(late)), Hwnd(panel));
    EXPECT_EQ(ChildWindowCount(top), 7);
}

// What only the toolkit's subclass answers: a drop-down list's text is its selected item, and a
// link asks for Enter. Read through windows found by class, not through the components (asking
// a component for its handle subclasses the windows at once).
void ExpectControlsAnswerAsSubclassed(HWND top) {
    HWND panel = FindWindowExW(top, nullptr, L"ToolkitPanel", nullptr);
    HWND combo = FindWindowExW(panel, nullptr, WC_COMBOBOXEXW, nullptr);
    HWND link = FindWindowExW(panel, nullptr, L"Static", L"Visit");
    ASSERT_NE(combo, nullptr);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(TextOf(combo), L"Three");
    MSG enter{link, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_NE(
        SendMessageW(link, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE, 0);
}

TEST(DeferredWindows, ControlsHaveTheirOwnHandlingOnceTheFirstShowingReturns) {
    // The windows are subclassed after the first showing painted them, whether they were made
    // for the showing or earlier for the form's own handle.
    for (const bool handleFirst : {false, true}) {
        SCOPED_TRACE(handleFirst ? "made for the form's handle" : "made for the showing");
        Win32Backend backend;
        Application app(backend);
        Form form(app, {.className = u"TDeferredTestForm", .name = u"DeferredTestForm"});
        Panel& panel = form.Add<Panel>({.name = u"Panel", .bounds = {10, 10, 380, 280}});
        form.Add<PictureComboBox>(
            {.name = u"Combo", .parent = &panel, .bounds = {10, 10, 200, 24}},
            {.items = {{u"One", -1}, {u"Two", -1}, {u"Three", -1}}, .selectedIndex = 2});
        form.Add<Label>({.name = u"Link", .parent = &panel, .bounds = {10, 60}, .caption = u"Visit"},
                        {.link = true});
        HWND top = FindWindowW(L"TDeferredTestForm", nullptr);
        ASSERT_NE(top, nullptr);
        if (handleFirst) {
            ASSERT_EQ(form.NativeHandle(), top);
            EXPECT_EQ(ChildWindowCount(top), 4) << "the form's handle makes the control windows";
        }
        form.Show();
        ExpectControlsAnswerAsSubclassed(top);
    }
}

TEST(DeferredWindows, AskingForAControlsHandleMakesTheWindowsOfAFormNotShown) {
    Win32Backend backend;
    Application app(backend);
    Form form(app, {.className = u"TDeferredTestForm", .name = u"DeferredTestForm"});
    Button& button = form.Add<Button>({.name = u"Button", .bounds = {10, 10, 100, 25}, .caption = u"Go"});
    HWND window = Hwnd(button);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(window), L"Go");
    EXPECT_FALSE(form.Visible());
}

TEST(DeferredWindows, TheHiddenAboutAndProgressWindowsMakeTheirControlsAtTheirFirstShowing) {
    Win32Backend backend;
    const ResourceCatalogueSource catalogues(GetModuleHandleW(nullptr));
    testing::MainFormParts parts(backend, catalogues);
    MainForm& main = *parts.main;
    parts.app.ProcessMessages(); // every message seen, as a running program sees them
    HWND about = FindWindowW(L"TZTAboutForm", nullptr);
    HWND progress = FindWindowW(L"TZTSettingsForm", nullptr);
    ASSERT_NE(about, nullptr) << "both exist from the start, hidden";
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(ChildWindowCount(about), 0);
    EXPECT_EQ(ChildWindowCount(progress), 0);
    EXPECT_GT(ChildWindowCount(static_cast<HWND>(main.Form().NativeHandle())), 20);

    // The first showing runs the show steps before the controls are made: they carry its texts.
    main.Progress().BeginRun();
    EXPECT_EQ(ChildWindowCount(progress), 4); // the panel, the heading, the bar, the step line
    EXPECT_EQ(TextOf(progress), L"Updating computer's system, gaming & internet settings");
    main.Progress().EndRun();
    EXPECT_EQ(ChildWindowCount(about), 0) << "showing one window makes no other's controls";
}

} // namespace
} // namespace zentrim::toolkit
