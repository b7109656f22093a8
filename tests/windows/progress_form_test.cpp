// The progress window as a real window: its class, title, heading, bar and step line as another
// program (or a screen reader) reads them.
#include "app/progress/progress_form.h"

#include "catalogue/captions.h"
#include "catalogue/catalogue_source_win32.h"
#include "engine/custom_registry.h"
#include "engine/registry_store_win32.h"
#include "support/window_probes_win32.h"
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"

#include <windows.h>

#include "support/window_probes_win32.h"
#include <commctrl.h>

#include <gtest/gtest.h>

namespace zentrim {
namespace {

using testing::TextOf;

class ProgressFormWindow : public ::testing::Test {
protected:
    toolkit::Win32Backend backend;
    toolkit::Application app{backend};
    toolkit::Form mainForm{app,
                           {.className = u"TZTMainForm",
                            .name = u"ZTMainForm",
                            .clientWidth = 764,
                            .clientHeight = 500,
                            .position = toolkit::FormPosition::ScreenCenter}};
    Win32RegistryStore store;
    const CustomRegistry registry{store};
    const ResourceCatalogueSource catalogues{GetModuleHandleW(nullptr)};
    const CaptionCatalogue captions{registry, catalogues};
    ProgressForm progress{app,
                          mainForm,
                          captions,
                          {.minPasses = 30, .maxPasses = 31, .dotPasses = {2, 4, 6}, .pauseMilliseconds = 1},
                          [](int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }};
};

TEST_F(ProgressFormWindow, ShowsItsTitleHeadingBarAndStepLine) {
    mainForm.Show();
    progress.Form().Show();
    HWND window = FindWindowW(L"TZTSettingsForm", nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(window), L"Updating computer's system, gaming & internet settings");
    EXPECT_EQ(GetWindow(window, GW_OWNER), static_cast<HWND>(mainForm.NativeHandle()));
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & WS_SYSMENU, 0); // no title-bar buttons

    progress.CurrentSettingsHeading().SetCaption(captions.GetCaption(u"ZTSettingsForm", u"MessageUpdate"));
    progress.SetProgressStepTotal(33);
    progress.SetProgressStepCount(0);
    progress.ShowProgressStep(captions.GetCaption(u"ZTSettingsForm", u"MessageChange0"));

    HWND heading = static_cast<HWND>(progress.CurrentSettingsHeading().NativeHandle());
    HWND stepLine = static_cast<HWND>(progress.CurrentSettingsLabel().NativeHandle());
    HWND bar = static_cast<HWND>(progress.MainProgress().NativeHandle());
    // The label shows "&&" as one "&"; its window text keeps the catalogue's text.
    EXPECT_EQ(TextOf(heading), L"Optimizing the computer's system, gaming && internet settings");
    EXPECT_EQ(TextOf(stepLine), L"Finding modem information...");
    wchar_t className[64] = {};
    GetClassNameW(bar, className, 64);
    EXPECT_STREQ(className, PROGRESS_CLASSW);
    EXPECT_NE(GetWindowLongW(bar, GWL_STYLE) & PBS_SMOOTH, 0);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 3);

    // A close request from outside hides the window; it stays for the next run.
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(ProgressFormWindow, AWindowCloseFromOutsideDuringARunWaitsForTheRunsEnd) {
    mainForm.Show();
    progress.BeginRun();
    HWND window = static_cast<HWND>(progress.Form().NativeHandle());
    ASSERT_TRUE(IsWindowVisible(window));
    progress.SetProgressStepTotal(2);
    progress.SetProgressStepCount(0);

    // As another process of the program sends it: a synchronous close request.
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindowVisible(window));
    progress.ShowProgressStep(u"Finding modem information");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(SendMessageW(static_cast<HWND>(progress.MainProgress().NativeHandle()), PBM_GETPOS, 0, 0), 50);

    progress.EndRun();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindow(window));
}

} // namespace
} // namespace zentrim
