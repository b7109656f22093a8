#include "ui/native_hand_cursor_win32.h"

#include <windows.h>

namespace zentrim {

void InstallNativeHandCursor(toolkit::Application& app) noexcept {
    // A shared system cursor: it is never destroyed.
    SetHandPointCursor(app, LoadCursorW(nullptr, IDC_HAND));
}

} // namespace zentrim
