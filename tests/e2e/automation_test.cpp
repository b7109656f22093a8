// The driver's own reading of window texts, on a window of this process whose text changes at
// the worst moment, as the progress window's step line may while the driver reads it.
#include "e2e/automation.h"

#include "base/unique_handle_win32.h"

#include <gtest/gtest.h>

namespace zentrim::e2e {
namespace {

constexpr wchar_t kGrowingTextClass[] = L"ZentrimE2eGrowingText";

// A window whose text grows right after it has told its length, once.
struct GrowingText {
    const wchar_t* later = L"";
    bool grown = false;
};

LRESULT CALLBACK GrowingTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* state = reinterpret_cast<GrowingText*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_GETTEXTLENGTH && state != nullptr && !state->grown) {
        state->grown = true;
        SetWindowTextW(window, state->later);
    }
    return result;
}

TEST(Automation, WindowTextReadsATextThatGrowsBetweenItsLengthAndItsReading) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &GrowingTextProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kGrowingTextClass;
    RegisterClassW(&windowClass);
    GrowingText state{L"Finding total physical memory installed."};
    const UniqueWindow owned(CreateWindowExW(0, kGrowingTextClass, L"Finding computer information...",
                                             WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                             GetModuleHandleW(nullptr), &state));
    HWND window = owned.get();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(WindowText(window), L"Finding total physical memory installed.");
    EXPECT_TRUE(state.grown);
    EXPECT_EQ(WindowText(window), L"Finding total physical memory installed.");
}

} // namespace
} // namespace zentrim::e2e
