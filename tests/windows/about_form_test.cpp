// The About window as a real window: how the keyboard moves through it and what Esc does, with
// the keys going through the message loop's dialog keys as a user's keys do.
#include "app/about/about_form.h"

#include "base/text.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source_win32.h"
#include "engine/custom_registry.h"
#include "engine/registry_store_win32.h"
#include "launch/recording_launcher.h"
#include "launch/shell.h"
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"
#include "ui/sound.h"

#include <windows.h>

#include "support/window_probes_win32.h"

#include <gtest/gtest.h>

#include <vector>

namespace zentrim {
namespace {

using testing::Hwnd;

using namespace toolkit;

struct NoVisibleWindows final : ProgramWindows {
    bool IsAboutWindowVisible() const override { return false; }
    bool IsProgressWindowVisible() const override { return false; }
    bool IsMainWindowVisible() const override { return false; }
};

class AboutFormWindow : public ::testing::Test {
protected:
    // Handles messages for a tenth of a second, so that posted and sent messages have arrived.
    void Pump() {
        for (int i = 0; i < 10; ++i) {
            app_.ProcessMessages();
            Sleep(10);
        }
    }

    // A key pressed on the control that has the focus, with Shift held or not, as the keyboard
    // would deliver it: into the thread's queue, through the message loop's dialog keys.
    void Press(UINT key, bool shift = false) {
        BYTE state[256] = {};
        GetKeyboardState(state);
        state[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(state);
        HWND focus = GetFocus();
        PostMessageW(focus, WM_KEYDOWN, key, 1);
        PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
        Pump();
        state[VK_SHIFT] = 0;
        SetKeyboardState(state);
    }

    // Runs `script` once the modal showing has begun, from its message loop; returns the showing's
    // modal result.
    template <typename Script> int ShowModalAndRun(Script script) {
        backend_.StartTimer(50, [this, script] {
            script();
            // A showing the script left open ends here, so the test never hangs.
            if (about_.Form().ModalRunning()) {
                about_.Form().SetModalResult(kIdAbort);
            }
        });
        return about_.Form().ShowModal();
    }

    // Every window the About window holds, as the system lists them.
    std::vector<HWND> ChildWindows() const {
        std::vector<HWND> children;
        EnumChildWindows(
            Hwnd(about_.Form()),
            [](HWND child, LPARAM list) {
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&children));
        return children;
    }

    Win32Backend backend_;
    Application app_{backend_};
    Form mainForm_{app_,
                   {.className = u"TZTMainForm",
                    .name = u"ZTMainForm",
                    .clientWidth = 764,
                    .clientHeight = 500,
                    .position = FormPosition::ScreenCenter}};
    Win32RegistryStore store_;
    CustomRegistry registry_{store_};
    ResourceCatalogueSource catalogues_{GetModuleHandleW(nullptr)};
    CaptionCatalogue captions_{registry_, catalogues_};
    SilentClickSound sound_;
    RecordingLauncher launcher_;
    Shell shell_{launcher_, u"C:\\Program Files\\Zentrim\\"};
    NoVisibleWindows windows_;
    AboutForm about_{app_, mainForm_, captions_, sound_, shell_, windows_};
};

TEST_F(AboutFormWindow, TabWalksCloseMemoLinkHelpAndEscInTheMemoKeepsEveryChildWindow) {
    mainForm_.Show();
    HWND close = Hwnd(about_.CloseButton());
    HWND memo = Hwnd(about_.LicensedMemo());
    HWND link = Hwnd(about_.LicenseAgreementLabel());
    HWND help = Hwnd(about_.HelpButton());
    HWND form = Hwnd(about_.Form());
    const std::vector<HWND> original = ChildWindows();
    ASSERT_EQ(original.size(), 9u); // the panel, its five labels and the memo, the two buttons

    // The order Tab walks, as the system computes it from the windows.
    EXPECT_EQ(GetNextDlgTabItem(form, nullptr, FALSE), close);
    EXPECT_EQ(GetNextDlgTabItem(form, close, FALSE), memo);
    EXPECT_EQ(GetNextDlgTabItem(form, memo, FALSE), link);
    EXPECT_EQ(GetNextDlgTabItem(form, link, FALSE), help);
    EXPECT_EQ(GetNextDlgTabItem(form, help, FALSE), close);

    std::vector<HWND> focusSeen;
    const int result = ShowModalAndRun([&] {
        Pump();
        focusSeen.push_back(GetFocus()); // the window opens with the focus on Close
        Press(VK_TAB);
        focusSeen.push_back(GetFocus());
        Press(VK_TAB); // in the memo, which wants every key for itself
        focusSeen.push_back(GetFocus());
        Press(VK_TAB); // on the licence link
        focusSeen.push_back(GetFocus());
        Press(VK_TAB, true);
        focusSeen.push_back(GetFocus());
        Press(VK_TAB, true);
        focusSeen.push_back(GetFocus());
        Press(VK_TAB, true); // Shift+Tab in the memo goes back to Close
        focusSeen.push_back(GetFocus());
        Press(VK_TAB);
        focusSeen.push_back(GetFocus());
        Press(VK_ESCAPE); // in the memo: the window closes, as from its title bar
    });
    EXPECT_EQ(focusSeen, (std::vector<HWND>{close, memo, link, help, link, memo, close, memo}));
    EXPECT_EQ(result, kModalCancel);
    EXPECT_FALSE(IsWindowVisible(form));

    // Shown again, it holds every window it had, with their texts.
    std::vector<HWND> during;
    bool memoShowing = false;
    std::wstring memoText;
    const int second = ShowModalAndRun([&] {
        Pump();
        during = ChildWindows();
        memoShowing = IsWindowVisible(memo) != FALSE;
        memoText.resize(static_cast<std::size_t>(GetWindowTextLengthW(memo)) + 1);
        memoText.resize(static_cast<std::size_t>(
            GetWindowTextW(memo, memoText.data(), static_cast<int>(memoText.size()))));
        Press(VK_ESCAPE); // on Close: the same as in the memo
    });
    EXPECT_EQ(second, kModalCancel);
    EXPECT_EQ(during, original);
    EXPECT_TRUE(memoShowing);
    EXPECT_FALSE(memoText.empty());
    for (const Component* component : about_.Form().Components()) {
        if (component->NativeHandle() != nullptr) {
            EXPECT_TRUE(IsWindow(Hwnd(*component))) << ToUtf8(component->Name());
        }
    }
    EXPECT_FALSE(IsWindowVisible(form));
}

} // namespace
} // namespace zentrim
