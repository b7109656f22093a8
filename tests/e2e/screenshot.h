// Screenshots of windows as they stand on the screen, kept as PNG files.
#pragma once

#include <windows.h>

#include <string>

namespace zentrim::e2e {

// Copies the window's area of the screen (frame included) into a 32-bit picture and writes it as
// a PNG file through the Windows Imaging Component. Gives whether the file was written. The
// window must be visible and uncovered; the copy is taken from the screen, so it works for the
// windows of any process.
//
// A window that has just been shown may not have painted yet. With `waitUntilSteady` the copy is
// taken again until two copies in a row agree and are not of one colour (at most three seconds);
// without it a copy of one colour is not written and gives false, so the caller may try again.
bool SaveWindowPng(HWND window, const std::wstring& path, bool waitUntilSteady = true);

} // namespace zentrim::e2e
