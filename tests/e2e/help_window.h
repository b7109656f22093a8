// The help window a help request opens, seen from outside: the HTML help viewer's top-level window
// in the program's process, its caption and place, and the contents it read from the help file.
// Usable for any start of the program: from a test folder or from where it was installed, in any
// working folder.
#pragma once

#include "e2e/automation.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zentrim::e2e {

// The window class of the HTML help viewer's top-level window.
inline constexpr wchar_t kHelpViewerClass[] = L"HH Parent";

// The window type "HelpWindow" as packaging/help/Zentrim.hhp defines it: its caption and its
// place on the screen (left, top, right, bottom). The viewer's own default place differs, so a
// window in this place was made from our window type.
inline constexpr wchar_t kHelpWindowCaption[] = L"Zentrim Help";
inline constexpr RECT kHelpWindowRect{560, 80, 1260, 720};

// The entries of the help file's contents (packaging/help/toc.hhc), in order; the first is the
// main topic "/html/main.htm".
const std::vector<std::wstring>& HelpContentsEntries();

// A help viewer window as it shows itself.
struct HelpWindowView {
    HWND window = nullptr;
    DWORD process = 0;
    std::wstring caption;
    RECT rect{};
    std::vector<std::wstring> contents; // the top-level entries of its contents tree, in order
    std::vector<std::wstring> cutOff;   // the entries whose text the contents pane cuts at its edge
};
// The help viewer window of `process` once it shows, waiting up to `timeout`.
std::optional<HelpWindowView> WaitForHelpWindow(DWORD process, Milliseconds timeout);
// Every help viewer window of `process`, visible or not.
std::vector<HWND> HelpWindowsOf(DWORD process);

// Asks the program for help with `request` (pressing F1, clicking a help button) and expects a
// help window of the program's process `process` made from "Zentrim.chm" in the window type
// "HelpWindow": its caption and place, and the help file's contents. A screenshot of it is kept
// as the artefact `screenshot`. The help window is closed again before returning, so the next
// request opens a new one.
void ExpectHelpOpensMainTopic(DWORD process, const std::function<void()>& request,
                              const std::wstring& screenshot = L"help-window");
// The same for F1 pressed in `window`, a window of the program (the main or the About window).
void ExpectF1OpensMainTopic(DWORD process, HWND window, const std::wstring& screenshot = L"help-window");

} // namespace zentrim::e2e
