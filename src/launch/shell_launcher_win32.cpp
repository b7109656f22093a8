#include "launch/shell_launcher_win32.h"

#include "base/com_apartment_win32.h"

#include <string>

namespace zentrim {

namespace {

// The HTML help API, taken from the library at run time rather than from an import library.
using HtmlHelpFunction = HWND(WINAPI*)(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data);
constexpr UINT kHelpDisplayTopic = 0x0000; // HH_DISPLAY_TOPIC
constexpr UINT kHelpCloseAll = 0x0012;     // HH_CLOSE_ALL

HtmlHelpFunction FindHtmlHelp(HMODULE library) {
    // Help is shown only by a library that has both entry points.
    const FARPROC ansi = GetProcAddress(library, "HtmlHelpA");
    const FARPROC wide = GetProcAddress(library, "HtmlHelpW");
    if (ansi == nullptr || wide == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void (*)()>(wide));
}

} // namespace

ShellLauncher::~ShellLauncher() {
    // Help windows run on our thread with the library's code: close them before it is unloaded.
    if (helpLibrary_) {
        if (const HtmlHelpFunction htmlHelp = FindHtmlHelp(helpLibrary_.get())) {
            htmlHelp(nullptr, nullptr, kHelpCloseAll, 0);
        }
    }
}

bool ShellLauncher::OpenTarget(WindowHandle owner, std::u16string_view verb, std::u16string_view file,
                               std::u16string_view parameters, int showCommand) {
    // The shell may hand the request to an extension, which needs COM on this thread.
    EnsureComApartment();
    const std::wstring verbText = ToWide(verb);
    const std::wstring fileText = ToWide(file);
    const std::wstring parameterText = ToWide(parameters);
    // Above 32 the shell took the request; a declined elevation prompt gives an error code.
    return reinterpret_cast<INT_PTR>(shellExecute_(static_cast<HWND>(owner), verbText.c_str(),
                                                   fileText.c_str(), parameterText.c_str(), nullptr,
                                                   showCommand)) > 32;
}

void ShellLauncher::DisplayHelpTopic(std::u16string_view helpLocation) {
    EnsureComApartment(); // the help window shows its pages through COM
    if (!helpLibrary_) {
        helpLibrary_.reset(LoadLibraryW(L"hhctrl.ocx"));
        if (!helpLibrary_) {
            return;
        }
    }
    const HtmlHelpFunction htmlHelp = FindHtmlHelp(helpLibrary_.get());
    if (htmlHelp == nullptr) {
        return;
    }
    const std::wstring location = ToWide(helpLocation);
    htmlHelp(GetDesktopWindow(), location.c_str(), kHelpDisplayTopic, 0);
}

} // namespace zentrim
