// The start-up baseline: one top-level window with the native child controls the main window has
// (static labels, two panels, three buttons, three picture combo boxes, a track bar) and nothing
// else: no pictures, no fonts of its own, no catalogue, no registry. The start-up benchmark
// compares Zentrim.exe with it; the benchmark also checks that both windows hold the same
// children, class by class.
#include <windows.h>

#include <commctrl.h>

#include <array>

namespace {

constexpr wchar_t kWindowClass[] = L"ZentrimBaselineWindow";
// The toolkit's panel class, so that the two windows' children compare class by class.
constexpr wchar_t kPanelClass[] = L"ToolkitPanel";

struct Child {
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int parent; // -1: the window; else the index of a panel in this table
    int left, top, width, height;
};

// The main window's controls, at their places in its layout.
constexpr std::array<Child, 28> kChildren{{
    {L"Static", L"Help", SS_NOTIFY, -1, 701, 22, 30, 13},
    {L"Static", L"Home", SS_NOTIFY, -1, 502, 64, 30, 13},
    {L"Static", L"Support", SS_NOTIFY, -1, 587, 64, 45, 13},
    {L"Static", L"About", SS_NOTIFY, -1, 695, 64, 35, 13},
    {L"Static", L"Choose a link below", SS_NOTIFY, -1, 16, 98, 140, 16},
    {L"Static", L"Help with Zentrim", SS_NOTIFY, -1, 16, 135, 100, 13},
    {L"Static", L"Contact tech support", SS_NOTIFY, -1, 16, 165, 110, 13},
    {L"Static", L"Click to visit our website", SS_NOTIFY, -1, 16, 195, 130, 13},
    {L"Static", L"About Zentrim", SS_NOTIFY, -1, 16, 251, 80, 13},
    {kPanelClass, L"", 0, -1, 182, 91, 582, 388},
    {kPanelClass, L"", 0, 9, 0, 0, 582, 65},
    {L"Static", L"Benefits of Zentrim", SS_NOTIFY, 10, 16, 6, 120, 13},
    {L"Static", L"Zentrim will optimize this computer.", SS_NOTIFY, 10, 16, 25, 550, 36},
    {L"Static", L"Operating System : ", SS_NOTIFY, 9, 16, 76, 100, 13},
    {WC_COMBOBOXEXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 9, 16, 95, 309, 200},
    {L"Static", L"Processor : ", SS_NOTIFY, 9, 16, 128, 60, 13},
    {WC_COMBOBOXEXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 9, 16, 147, 309, 200},
    {L"Static", L"Internet Type : ", SS_NOTIFY, 9, 16, 180, 80, 13},
    {WC_COMBOBOXEXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 9, 16, 199, 309, 200},
    {L"Static", L"Speed Setting : ", SS_NOTIFY, 9, 16, 231, 80, 13},
    {TRACKBAR_CLASSW, L"", TBS_BOTH | TBS_AUTOTICKS | TBS_FIXEDLENGTH | WS_TABSTOP, 9, 16, 244, 309, 44},
    {L"Static", L"Boost", SS_NOTIFY, 9, 33, 292, 40, 13},
    {L"Static", L"Maximum Boost", SS_NOTIFY | SS_RIGHT, 9, 230, 292, 77, 13},
    {L"Button", L"&Optimize now", BS_DEFPUSHBUTTON | WS_TABSTOP, 9, 400, 95, 145, 52},
    {L"Button", L"&Restore", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 9, 400, 171, 145, 25},
    {L"Static", L"Version installed : ", SS_NOTIFY, 9, 16, 336, 100, 13},
    {L"Static", L"Last updated : ", SS_NOTIFY, 9, 16, 355, 100, 13},
    {L"Button", L" &Check for updates ...", BS_PUSHBUTTON | WS_TABSTOP, 9, 400, 336, 154, 33},
}};

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY && GetParent(window) == nullptr) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool Register(HINSTANCE instance, const wchar_t* name) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_USEREX_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!Register(instance, kWindowClass) || !Register(instance, kPanelClass)) {
        return 1;
    }
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT outer{0, 0, 764, 500};
    AdjustWindowRectEx(&outer, style, FALSE, WS_EX_CONTROLPARENT);
    // The window and its children are destroyed with the window; the program ends then.
    const HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, L"Baseline", style, CW_USEDEFAULT,
                                        CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                        nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    std::array<HWND, kChildren.size()> made{};
    for (std::size_t i = 0; i < kChildren.size(); ++i) {
        const Child& child = kChildren[i];
        const HWND parent = child.parent < 0 ? window : made[static_cast<std::size_t>(child.parent)];
        made[i] = CreateWindowExW(child.className == kPanelClass ? WS_EX_CONTROLPARENT : 0, child.className,
                                  child.text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | child.style,
                                  child.left, child.top, child.width, child.height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + i)), instance, nullptr);
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}
