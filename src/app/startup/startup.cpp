#include "app/startup/startup.h"

#include "base/text.h"
#include "catalogue/captions.h"
#include "engine/product_key.h"
#include "launch/shell.h"
#include "toolkit/dialog_codes.h"

#include <algorithm>
#include <array>

namespace zentrim {

namespace {

// The running instance's windows, closed in this order when an update is available: the About
// window first, which may be shown modally over the main window, the main window last.
constexpr std::array<std::u16string_view, 3> kWindowsToClose{
    window_class::kAboutForm,
    window_class::kSettingsForm,
    window_class::kMainForm,
};

constexpr unsigned kUpdateQuestionFlags = toolkit::kMbIconInformation | toolkit::kMbYesNo;

// The check process's own work: the update check and, when an update is available, the running
// windows closed, the question, and the updater on Yes.
void RunUpdateCheckPath(const StartupDependencies& deps) {
    if (deps.checkForUpdate() != kUpdateAvailable) {
        return;
    }
    // The question must not come up beside a main window in the middle of a run, nor the
    // updater start while it works.
    CloseRunningInstance(deps.instances, deps.mainWindowGoneLimit);
    const int answer = deps.askQuestion(UpdateQuestionText(deps.captions), UpdateQuestionTitle(deps.captions),
                                        kUpdateQuestionFlags);
    if (answer == toolkit::kIdYes) {
        deps.shell.Open(LaunchTarget::Updater);
    }
}

} // namespace

bool CloseRunningInstance(ProgramInstances& instances, std::chrono::milliseconds mainWindowGoneLimit) {
    for (const std::u16string_view className : kWindowsToClose) {
        instances.CloseInstanceWindow(className);
    }
    return instances.WaitUntilWindowGone(window_class::kMainForm, mainWindowGoneLimit);
}

bool PollUntilWindowGone(const std::function<bool()>& windowExists, std::chrono::milliseconds limit,
                         std::chrono::milliseconds interval,
                         const std::function<void(std::chrono::milliseconds)>& pause) {
    std::chrono::milliseconds waited{0};
    while (windowExists()) {
        if (waited >= limit) {
            return false;
        }
        const std::chrono::milliseconds step =
            std::min(std::max(interval, std::chrono::milliseconds{1}), limit - waited);
        pause(step);
        waited += step;
    }
    return true;
}

bool IsCheckUpdateRequest(std::span<const std::u16string> arguments) {
    return !arguments.empty() && ToLowerText(arguments.front()) == kCheckUpdateSwitch;
}

std::u16string UpdateQuestionTitle(const CaptionCatalogue& captions) {
    return captions.GetCaption(u"ZTMainForm", u"ZTMainForm");
}

std::u16string UpdateQuestionText(const CaptionCatalogue& captions) {
    return captions.GetCaption(u"ZTUpdateForm", u"MessageBoxUpdate1") + u"\r\n\r\n" +
           captions.GetCaption(u"ZTUpdateForm", u"MessageBoxUpdate2");
}

int RunStartup(std::span<const std::u16string> arguments, const StartupDependencies& deps) noexcept {
    try {
        RunStartupUpkeep(deps.registry, deps.clock);
        if (IsCheckUpdateRequest(arguments)) {
            RunUpdateCheckPath(deps);
            // A check process also brings back a main window still running.
            deps.instances.FindRunningInstance(window_class::kMainForm, true);
            return 0;
        }
        // The single-instance rule, under the lock: another start may be creating its main window
        // at this moment, or handing over to a new instance, so "find a main window, else create
        // one" is one step.
        std::unique_ptr<StartLock> lock = deps.lockStart ? deps.lockStart() : nullptr;
        if (deps.instances.FindRunningInstance(window_class::kMainForm, true)) {
            return 0;
        }
        deps.runWindows([&lock] { lock.reset(); });
    } catch (...) {
        // Start-up reports nothing; whatever was done so far stands.
    }
    return 0;
}

std::optional<HttpAddress> ParseUpdateServiceAddress(std::u16string_view address) {
    const std::size_t colon = address.rfind(u':');
    if (colon == std::u16string_view::npos || colon == 0) {
        return std::nullopt;
    }
    const std::u16string_view portText = address.substr(colon + 1);
    int port = 0;
    if (portText.empty() || portText.front() < u'0' || portText.front() > u'9' ||
        !TryParseInt32(portText, port) || port < 1 || port > 65535) {
        return std::nullopt;
    }
    HttpAddress service = MakerUpdateService();
    service.host = std::u16string(address.substr(0, colon));
    service.port = static_cast<std::uint16_t>(port);
    return service;
}

} // namespace zentrim
