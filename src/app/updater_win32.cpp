// The updater "ZentrimUpdate.exe": started without parameters from the program folder, it shows
// its window, asks the update service at once and walks the steps the user allows.
//
// ZentrimUpdate-test.exe is the same program built with ZENTRIM_TEST_VARIANT: it may take the
// update service's address from the environment so that tests can serve it from loopback.
#include "app/startup/program_instances_win32.h"
#include "app/startup/startup.h"
#include "app/startup/test_update_service_win32.h"
#include "app/update/update_form.h"
#include "base/dll_search_win32.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source_win32.h"
#include "engine/custom_registry.h"
#include "engine/registry_store_win32.h"
#include "launch/product_identity.h"
#include "launch/program_folder.h"
#include "toolkit/application.h"
#include "toolkit/backend_win32.h"
#include "ui/sound_win32.h"
#include "update/trusted_update_keys.h"
#include "updater/updater_system_win32.h"

#include <windows.h>

#include <optional>
#include <string>

namespace zentrim {

namespace {

#ifdef ZENTRIM_TEST_VARIANT
std::optional<HttpAddress> ServiceOfThisProgram() {
    return TestUpdateServiceFromEnvironment();
}
#else
std::optional<HttpAddress> ServiceOfThisProgram() {
    return MakerUpdateService();
}
#endif

int RunUpdater() {
    const HMODULE module = GetModuleHandleW(nullptr);
    Win32RegistryStore store;
    const CustomRegistry registry(store);
    const ResourceCatalogueSource catalogues(module);
    const CaptionCatalogue captions(registry, catalogues);

    toolkit::Win32Backend backend;
    toolkit::Application app(backend);
    ResourceClickSound clickSound(module);
    UpdateForm form(app, captions, clickSound, kDevelopmentUpdater);

    // An address that cannot be read leads to a loopback port where nothing answers: the check
    // fails without reaching anyone.
    const HttpAddress service = ServiceOfThisProgram().value_or(
        HttpAddress{HttpAddress::Scheme::Http, u"127.0.0.1", 9, std::u16string(kUpdateFolderPath)});
    Win32ProgramInstances instances;
    Win32UpdaterSystem system(std::filesystem::path(ToWide(RunningProgramFolder())), registry,
                              CreatePlatformHttpClient(), kTrustedUpdateKeys,
                              [&instances] { CloseRunningInstance(instances, kMainWindowGoneLimit); });
    ThreadWorkRunner runner(app);
    UpdateSession session(system, runner, form, service);
    form.Attach(session);

    form.Form().Show();
    app.ProcessMessages();
    session.Check();
    // The window may have been closed while the service was asked.
    if (form.Form().Visible()) {
        app.Run(form.Form());
    }
    return 0;
}

} // namespace

} // namespace zentrim

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before any of its delay-loaded DLLs is loaded: the updater runs with administrator rights.
    zentrim::RestrictDllSearchToSystemFolder();
    try {
        return zentrim::RunUpdater();
    } catch (...) {
        // Whatever failed, the updater ends without changing anything more.
        return 0;
    }
}
