// What screen readers learn of a link label: the system's standard accessible object of its window,
// answering for itself as a link named by the label's text, whose default action activates it.
// Internal to the toolkit's Win32 backend.
#pragma once

#include <windows.h>

namespace zentrim::toolkit::win32 {

// Posted to a link's window when an accessibility tool asks it to act: the tool's call returns at
// once, whatever the link then opens (a modal window would otherwise hold the tool up).
UINT LinkActivateMessage();

// The answer to WM_GETOBJECT for a link's window: its accessible object for OBJID_CLIENT, or 0 for
// anything else and when none can be made (the window then answers as a plain label).
LRESULT AnswerLinkGetObject(HWND window, WPARAM wParam, LPARAM lParam);

} // namespace zentrim::toolkit::win32
