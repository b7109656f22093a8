// The end-to-end driver: a GoogleTest program that starts the test variant of Zentrim in the Wine
// prefix it runs in and works it through Win32 from outside. Options besides GoogleTest's:
//   --program=PATH    the program to start (default: the Zentrim-quick.exe of this build)
//   --updater=PATH    the stand-in updater (default: the one of this build)
//   --artifacts=DIR   where screenshots go (default: e2e-artifacts in the build folder)
//   --packages=DIR, --older-packages=DIR
//                     the release set and older packages the installer tests install
//   --update-packages=DIR, --update-service=FILE
//                     the updater tests' release sets and the file naming the service's address
//   --soak-cycles=N   optimize-and-restore cycles of the soak test (default 5)
//   --demo            run one optimize run and print what it changed, instead of the tests
//   --help-screenshots save the help file's pictures of the windows into the artefacts folder,
//                     instead of the tests (scripts/help-screenshots)
// Paths may be Unix paths; they are reached through Wine's Z: drive.
#include "e2e/demo.h"
#include "e2e/help_screenshots.h"
#include "e2e/program_session.h"
#include "e2e/registry_probe.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring Widen(const char* text) {
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

bool TakeOption(std::wstring_view argument, std::wstring_view name, std::wstring& value) {
    if (!argument.starts_with(name)) {
        return false;
    }
    value = zentrim::e2e::WindowsPath(argument.substr(name.size()));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);

    zentrim::e2e::DriverOptions& options = zentrim::e2e::Options();
    options.program = zentrim::e2e::WindowsPath(Widen(ZENTRIM_E2E_PROGRAM));
    options.updater = zentrim::e2e::WindowsPath(Widen(ZENTRIM_E2E_UPDATER));
    options.artifacts = zentrim::e2e::WindowsPath(Widen(ZENTRIM_E2E_ARTIFACTS));
    bool demo = false;
    bool helpScreenshots = false;

    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        const std::wstring_view argument = arguments[i];
        if (argument == L"--demo") {
            demo = true;
        } else if (argument == L"--help-screenshots") {
            helpScreenshots = true;
        } else if (argument.starts_with(L"--soak-cycles=")) {
            options.soakCycles = _wtoi(std::wstring(argument.substr(14)).c_str());
        } else if (!TakeOption(argument, L"--program=", options.program) &&
                   !TakeOption(argument, L"--updater=", options.updater) &&
                   !TakeOption(argument, L"--artifacts=", options.artifacts) &&
                   !TakeOption(argument, L"--packages=", options.packages) &&
                   !TakeOption(argument, L"--older-packages=", options.olderPackages) &&
                   !TakeOption(argument, L"--update-packages=", options.updatePackages) &&
                   !TakeOption(argument, L"--update-service=", options.updateService) &&
                   !argument.starts_with(L"--gtest")) {
            std::fprintf(stderr, "unknown option: %ls\n", arguments[i]);
            LocalFree(arguments);
            return 2;
        }
    }
    LocalFree(arguments);

    // On a display without a window manager nobody draws the windows' frames and title bars, and
    // screenshots would show what lies beneath them. Wine draws them itself for the windows of
    // programs started from now on when it is told not to leave them to a window manager. The
    // setting is put back at the end, for the other test programs of the prefix.
    const wchar_t* const wineX11Key = L"Software\\Wine\\X11 Driver";
    const zentrim::e2e::MaybeValue managed =
        zentrim::e2e::ReadValue(HKEY_CURRENT_USER, wineX11Key, L"Managed");
    zentrim::e2e::WriteValue(HKEY_CURRENT_USER, wineX11Key, L"Managed", zentrim::e2e::StringValue(L"N"));
    // Screenshots are written through the Windows Imaging Component.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = demo              ? zentrim::e2e::RunDemo()
                       : helpScreenshots ? zentrim::e2e::TakeHelpScreenshots()
                                         : RUN_ALL_TESTS();
    CoUninitialize();
    zentrim::e2e::WriteValue(HKEY_CURRENT_USER, wineX11Key, L"Managed", managed);
    return result;
}
