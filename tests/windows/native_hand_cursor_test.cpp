// The system hand over links.
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"
#include "ui/native_hand_cursor_win32.h"

#include <gtest/gtest.h>

namespace zentrim {
namespace {

using toolkit::Cursor;

TEST(NativeHandCursorWin32, TheHandPointEntryIsTheSystemHand) {
    toolkit::Win32Backend backend;
    toolkit::Application app(backend);
    void* const hourGlass = app.Cursors().Get(Cursor::HourGlass);
    // Whatever the entry was before, it is replaced.
    app.Cursors().Set(Cursor::HandPoint, LoadCursorW(nullptr, IDC_CROSS));

    InstallNativeHandCursor(app);

    const HCURSOR systemHand = LoadCursorW(nullptr, IDC_HAND);
    ASSERT_NE(systemHand, nullptr);
    EXPECT_EQ(app.Cursors().Resolve(Cursor::HandPoint), systemHand);
    EXPECT_EQ(app.Cursors().Get(Cursor::HourGlass), hourGlass);
    EXPECT_EQ(hourGlass, LoadCursorW(nullptr, IDC_WAIT));
}

} // namespace
} // namespace zentrim
