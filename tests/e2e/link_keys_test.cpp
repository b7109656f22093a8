// The links from the keyboard on the real program: Tab goes on from the window's designed stops to
// the four links, Enter on "About Zentrim" shows the About window, and Tab there reaches the
// licence link, which a screen reader in another process meets as a link with its text.
#include "e2e/e2e_fixture.h"

#include "base/unique_handle_win32.h"

#include <oleacc.h>

namespace zentrim::e2e {
namespace {

// The window with the keyboard focus in the thread that owns `window`.
HWND FocusIn(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// The focus in `top`, bringing `top` back to the front first when the focus has left it: the
// display is shared with the programs of other tests, whose windows may take the front meanwhile.
HWND FocusBackIn(HWND top) {
    if (FocusIn(top) == nullptr) {
        WaitUntil(
            [&] {
                SetForegroundWindow(top);
                return FocusIn(top) != nullptr;
            },
            5s);
    }
    return FocusIn(top);
}

// Tab on the focused control, posted as the keyboard delivers it; gives the control that has the
// focus once it has moved.
HWND PressTab(HWND top) {
    HWND before = FocusBackIn(top);
    PressKey(before, VK_TAB);
    WaitUntil(
        [&] {
            HWND now = FocusIn(top);
            return now != nullptr && now != before;
        },
        5s);
    return FocusIn(top);
}

// The name and role a screen reader reads for a window, through oleacc as it does.
struct Announced {
    std::wstring name;
    LONG role = 0;
    LONG state = 0;
};
Announced AnnouncedFor(HWND window) {
    using ObjectFromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    using FreeText = void(WINAPI*)(BSTR);
    static const UniqueModule oleacc(LoadLibraryW(L"oleacc.dll"));
    static const UniqueModule oleaut(LoadLibraryW(L"oleaut32.dll"));
    const auto objectFromWindow = reinterpret_cast<ObjectFromWindow>(
        reinterpret_cast<void*>(GetProcAddress(oleacc.get(), "AccessibleObjectFromWindow")));
    const auto freeText =
        reinterpret_cast<FreeText>(reinterpret_cast<void*>(GetProcAddress(oleaut.get(), "SysFreeString")));
    Announced announced;
    if (objectFromWindow == nullptr || freeText == nullptr) {
        ADD_FAILURE() << "no oleacc";
        return announced;
    }
    ComPtr<IAccessible> object;
    const HRESULT found =
        objectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), object.putVoid());
    if (FAILED(found) || object.get() == nullptr) {
        ADD_FAILURE() << "no accessible object: " << std::hex << found;
        return announced;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (SUCCEEDED(object->get_accName(self, &name)) && name != nullptr) {
        announced.name = name;
        freeText(name);
    }
    VARIANT value{};
    if (SUCCEEDED(object->get_accRole(self, &value)) && value.vt == VT_I4) {
        announced.role = value.lVal;
    }
    VARIANT state{};
    if (SUCCEEDED(object->get_accState(self, &state)) && state.vt == VT_I4) {
        announced.state = state.lVal;
    }
    return announced;
}

TEST_F(EndToEnd, TabReachesTheLinksAndEnterOnAboutZentrimShowsTheAboutWindow) {
    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    const MainWindowView view(main);
    ASSERT_TRUE(WaitUntil([&] { return FocusBackIn(main) == view.GoButton(); }, 10s))
        << "the window did not open with the focus on its first stop";

    // From "&Optimize now" through the window's stops to the links: nine presses, more when the
    // window had to be brought back to the front on the way.
    std::vector<std::wstring> walked;
    HWND about = view.Label(L"About Zentrim");
    ASSERT_NE(about, nullptr);
    for (int press = 0; press < 30 && FocusIn(main) != about; ++press) {
        walked.push_back(WindowText(PressTab(main)));
    }
    ASSERT_EQ(FocusIn(main), about) << "Tab never reached \"About Zentrim\"";
    ASSERT_GE(walked.size(), 5u);
    EXPECT_EQ(
        std::vector<std::wstring>(walked.end() - 5, walked.end()),
        (std::vector<std::wstring>{L" &Check for updates ...", L"Help with Zentrim", L"Contact tech support",
                                   L"Click to visit our website", L"About Zentrim"}));

    PressKey(about, VK_RETURN);
    HWND aboutWindow = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            aboutWindow = FindProgramWindow(kAboutClass, program.Id());
            return aboutWindow != nullptr && IsWindowVisible(aboutWindow);
        },
        15s))
        << "Enter on \"About Zentrim\" showed no About window";
    EXPECT_FALSE(IsWindowEnabled(main)) << "the About window is not modal";
    HWND close = FindDescendant(aboutWindow, L"Button", L"&Close");
    ASSERT_TRUE(WaitUntil([&] { return FocusBackIn(aboutWindow) == close; }, 10s));

    // Close, the memo, the licence link.
    EXPECT_EQ(ClassOf(PressTab(aboutWindow)), L"Edit");
    HWND link = PressTab(aboutWindow);
    EXPECT_EQ(ClassOf(link), L"Static");
    EXPECT_EQ(WindowText(link), L"Click to view the end-user license terms");
    EXPECT_TRUE(IsChild(aboutWindow, link));

    const Announced announced = AnnouncedFor(link);
    EXPECT_EQ(announced.name, L"Click to view the end-user license terms");
    EXPECT_EQ(announced.role, ROLE_SYSTEM_LINK);
    EXPECT_NE(announced.state & STATE_SYSTEM_FOCUSED, 0);

    PostMessageW(aboutWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil(
        [&] { return IsWindowVisible(aboutWindow) == FALSE && IsWindowEnabled(main) != FALSE; }, 15s));
    CloseMainInstance(program, main);
}

} // namespace
} // namespace zentrim::e2e
