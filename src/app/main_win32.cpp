// Program entry: the product key's start-up upkeep, then the main window and the message loop.
#include "base/unique_handle_win32.h"
#include "engine/clock.h"
#include "engine/custom_registry.h"
#include "engine/product_key.h"
#include "engine/registry_store_win32.h"

namespace {

constexpr wchar_t kMainClassName[] = L"TZTMainForm";

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int Run(HINSTANCE instance, int showCommand) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainClassName;
    if (RegisterClassExW(&windowClass) == 0) {
        return 0;
    }
    HWND window = CreateWindowExW(0, kMainClassName, L"Zentrim",
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 780, 540, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 0;
    }
    ShowWindow(window, showCommand);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    zentrim::Win32RegistryStore store;
    zentrim::RunStartupUpkeep(zentrim::CustomRegistry(store), zentrim::LocalClock());
    return Run(instance, showCommand);
}
