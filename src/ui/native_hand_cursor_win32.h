// The system hand cursor for the Windows program.
#pragma once

#include "ui/native_hand_cursor.h"

namespace zentrim {

// Run once at start, before any window exists: the application's hand-point cursor becomes the
// system's IDC_HAND (loaded from the system, not from the program). When Windows has none, the
// entry is left removed.
void InstallNativeHandCursor(toolkit::Application& app) noexcept;

} // namespace zentrim
