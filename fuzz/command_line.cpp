// The command line after Windows has split it into arguments (the splitting itself is the
// system's): the update switch, the start-up that acts on it, and the test variants'
// "host:port" address. The input is UTF-8 text whose NUL characters separate the arguments.
// Start-up must run the check exactly when the first argument is "/checkupdate" in any ASCII
// letter case, never show windows then, and always end with 0.
#include "app/startup/startup.h"
#include "base/text.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source.h"
#include "engine/clock.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "fuzz_support.h"
#include "launch/recording_launcher.h"
#include "launch/shell.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

using namespace zentrim;

namespace {

class NoOtherInstances final : public ProgramInstances {
public:
    bool FindRunningInstance(std::u16string_view, bool) override { return false; }
    void CloseInstanceWindow(std::u16string_view) override {}
    bool WaitUntilWindowGone(std::u16string_view, std::chrono::milliseconds) override { return true; }
};

// "/checkupdate" with its letters in either case, written out here on its own.
bool IsSwitch(std::u16string_view argument) {
    constexpr std::u16string_view kLower = u"/checkupdate";
    constexpr std::u16string_view kUpper = u"/CHECKUPDATE";
    if (argument.size() != kLower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] != kLower[i] && argument[i] != kUpper[i]) {
            return false;
        }
    }
    return true;
}

std::vector<std::u16string> SplitArguments(std::u16string_view text) {
    std::vector<std::u16string> arguments;
    while (!text.empty()) {
        const std::size_t end = text.find(u'\0');
        arguments.emplace_back(text.substr(0, end));
        if (end == std::u16string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return arguments;
}

void CheckServiceAddress(std::u16string_view text) {
    const std::optional<HttpAddress> service = ParseUpdateServiceAddress(text);
    if (!service) {
        return;
    }
    fuzz::Check(!service->host.empty(), "an update service has a host");
    fuzz::Check(service->port >= 1, "an update service has a port from 1 to 65535");
    const std::u16string again = service->host + u":" + IntToText(service->port);
    const std::optional<HttpAddress> reread = ParseUpdateServiceAddress(again);
    fuzz::Check(reread && reread->host == service->host && reread->port == service->port,
                "an update service's address reads back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::vector<std::u16string> arguments = SplitArguments(text);
    const bool expectCheck = !arguments.empty() && IsSwitch(arguments.front());
    fuzz::Check(IsCheckUpdateRequest(arguments) == expectCheck,
                "the check is asked for exactly by \"/checkupdate\" first, in any ASCII letter case");
    for (const std::u16string& argument : arguments) {
        CheckServiceAddress(argument);
    }

    MemoryRegistryStore store;
    const CustomRegistry registry(store);
    const FixedClock clock(45000.5);
    MemoryCatalogueSource catalogues;
    catalogues.Add(u"ENGLISH", std::string_view("ZTMainForm, ZTMainForm, \"Zentrim\"\r\n"));
    const CaptionCatalogue captions(registry, catalogues);
    NoOtherInstances instances;
    RecordingLauncher launcher;
    const Shell shell(launcher, u"C:\\Program Files\\Zentrim\\");
    int checks = 0;
    int windows = 0;
    const int exitCode = RunStartup(
        arguments, {
                       .registry = registry,
                       .clock = clock,
                       .captions = captions,
                       .instances = instances,
                       .shell = shell,
                       .checkForUpdate = [&] { return ++checks, kUpdateAvailable; },
                       .askQuestion = [](std::u16string_view, std::u16string_view, unsigned) { return 0; },
                       .runWindows =
                           [&](const std::function<void()>& mainWindowShown) {
                               ++windows;
                               mainWindowShown();
                           },
                   });
    fuzz::Check(exitCode == 0, "start-up always ends with 0");
    fuzz::Check(checks == (expectCheck ? 1 : 0), "the update check runs once exactly when asked for");
    fuzz::Check(windows == (expectCheck ? 0 : 1), "the windows come up exactly when no check is asked for");
    return 0;
}
