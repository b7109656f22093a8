// The program: builds every part on its Windows implementation and hands them to start-up.
// Per-monitor DPI awareness, common controls 6 and the execution level come from the manifest.
//
// Zentrim-quick.exe is the same program built with ZENTRIM_TEST_VARIANT: its runs walk the
// progress window quickly, and it may take the update service's address from the environment so
// that tests can answer its update check from a loopback server, and it writes a trace of its
// start-up when asked (startup_trace_win32.h).
#include "app/main/main_form.h"
#include "app/progress/progress_form.h"
#include "app/startup/program_instances_win32.h"
#include "app/startup/run_gate_win32.h"
#include "app/startup/startup.h"
#include "app/startup/startup_trace_win32.h"
#include "app/startup/test_update_service_win32.h"
#include "base/dll_search_win32.h"
#include "base/phase_trace.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source_win32.h"
#include "engine/clock.h"
#include "engine/custom_registry.h"
#include "engine/date_text.h"
#include "engine/regional_formats.h"
#include "engine/registry_store_win32.h"
#include "engine/restart_win32.h"
#include "engine/windows_version.h"
#include "launch/http_client.h"
#include "launch/process_rights_win32.h"
#include "launch/program_folder.h"
#include "launch/shell.h"
#include "launch/shell_launcher_win32.h"
#include "launch/update_check.h"
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"
#include "ui/native_hand_cursor_win32.h"
#include "ui/native_hint_window_win32.h"
#include "ui/sound_win32.h"

#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zentrim {

namespace {

// The command-line arguments after the program's own path.
std::vector<std::u16string> CommandLineArguments() {
    // Without arguments shell32, which splits them, need not be loaded at start. The program's
    // own path comes first: quoted up to the next quote, else up to the first space or tab.
    const wchar_t* rest = GetCommandLineW();
    if (*rest == L'"') {
        rest = std::wcschr(rest + 1, L'"');
        rest = rest != nullptr ? rest + 1 : L"";
    } else {
        while (*rest != L'\0' && *rest != L' ' && *rest != L'\t') {
            ++rest;
        }
    }
    if (std::wcsspn(rest, L" \t") == std::wcslen(rest)) {
        return {};
    }
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) {
        return {};
    }
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> owner(argv, &LocalFree);
    std::vector<std::u16string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(FromWide(argv[i]));
    }
    return arguments;
}

#ifdef ZENTRIM_TEST_VARIANT
ProgressPacing Pacing() {
    return QuickPacing();
}

std::optional<HttpAddress> UpdateServiceOfThisProgram() {
    return TestUpdateServiceFromEnvironment();
}
#else
ProgressPacing Pacing() {
    return StandardPacing();
}

std::optional<HttpAddress> UpdateServiceOfThisProgram() {
    return MakerUpdateService();
}
#endif

int CheckForUpdateOfThisProgram() {
    const std::optional<HttpAddress> service = UpdateServiceOfThisProgram();
    if (!service) {
        return kUpdateCheckFailed;
    }
    const std::unique_ptr<HttpClient> client = CreatePlatformHttpClient();
    return client ? CheckForUpdate(*client, *service) : kUpdateCheckFailed;
}

int RunProgram() {
#ifdef ZENTRIM_TEST_VARIANT
    // Counts the start-up phases only when the environment asks for it.
    const StartupTrace startupTrace(L"TZTMainForm");
#endif
    // Everything before the start-up proper: common controls and the seams (COM waits for its
    // first use).
    std::optional<trace::Scope> setUp(std::in_place, trace::Phase::SetUp);
    const HMODULE module = GetModuleHandleW(nullptr);

    Win32RegistryStore store;
    const CustomRegistry registry(store);
    const LocalClock clock;
    const DateTextFormatter dateFormatter{Win32RegionalFormats()};
    const ResourceCatalogueSource catalogues(module);
    const CaptionCatalogue captions(registry, catalogues);

    toolkit::Win32Backend backend;
    toolkit::Application app(backend);
    // The native hints and the system hand cursor are in place before anything else runs.
    Win32TooltipSystem tooltips(module);
    NativeHints hints(app, tooltips);
    InstallNativeHandCursor(app);

    ResourceClickSound clickSound(module);
    ShellLauncher launcher;
    Shell shell(launcher, RunningProgramFolder());
    Win32SystemRestart restart;
    Win32VersionSource versionSource;
    Win32ProgramInstances instances;

    const std::vector<std::u16string> arguments = CommandLineArguments();
    // A run of the console program finishes before the main window reads anything, and a start
    // at the same moment waits; once the window exists, both see it.
    const std::function<std::unique_ptr<StartLock>()> lockStart = [] {
        return std::unique_ptr<StartLock>(std::make_unique<RunGate>(kRunGateWaitLimit));
    };
    setUp.reset();
    return RunStartup(
        arguments,
        {
            .registry = registry,
            .clock = clock,
            .captions = captions,
            .instances = instances,
            .shell = shell,
            .checkForUpdate = &CheckForUpdateOfThisProgram,
            .askQuestion = [&app](std::u16string_view text, std::u16string_view title,
                                  unsigned flags) { return app.ShowMessageBox(text, title, flags, nullptr); },
            .lockStart = lockStart,
            .runWindows =
                [&](const std::function<void()>& mainWindowShown) {
                    // The main window creates the About and progress windows right
                    // after its own preparation.
                    MainForm mainForm({
                        .app = app,
                        .registry = registry,
                        .captions = captions,
                        .clickSound = clickSound,
                        .shell = shell,
                        .restart = restart,
                        .versionSource = versionSource,
                        .clock = clock,
                        .dateFormatter = dateFormatter,
                        .pacing = Pacing(),
                        .pause = [](int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); },
                        .elevated = ProcessIsElevated(),
                        .lockStart = lockStart,
                    });
                    app.Run(mainForm.Form(), mainWindowShown);
                },
        });
}

} // namespace

} // namespace zentrim

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    zentrim::RestrictDllSearchToSystemFolder();
    try {
        return zentrim::RunProgram();
    } catch (...) {
        // Setting the program up failed; it ends as every start does.
        return 0;
    }
}
