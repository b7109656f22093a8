#include "launch/shell.h"

#include "launch/product_identity.h"

#include <utility>

namespace zentrim {

namespace {

constexpr std::u16string_view kOpenVerb = u"open";
constexpr std::u16string_view kElevateVerb = u"runas";
constexpr std::u16string_view kHelpWindowType = u"HelpWindow";

} // namespace

std::u16string MakerWebAddress(std::u16string_view path) {
    std::u16string address = u"http://";
    address += kMakerWebHost;
    address += path;
    return address;
}

Shell::Shell(Launcher& launcher, std::u16string programFolder)
    : launcher_(launcher), programFolder_(std::move(programFolder)) {}

void Shell::Launch(WindowHandle owner, std::u16string_view file,
                   std::u16string_view parameters) const noexcept {
    try {
        launcher_.OpenTarget(owner, kOpenVerb, file, parameters, kShowCommandShow);
    } catch (...) {
        // A target that cannot be opened is not reported.
    }
}

bool Shell::StartAsAdministrator(std::u16string_view file, std::u16string_view parameters) const noexcept {
    try {
        return launcher_.OpenTarget(applicationWindow_, kElevateVerb, file, parameters, kShowCommandShow);
    } catch (...) {
        return false; // not started
    }
}

void Shell::ShellOpen(std::u16string_view file, std::u16string_view parameters) const noexcept {
    Launch(applicationWindow_, file, parameters);
}

void Shell::ShellOpenDetached(std::u16string_view file, std::u16string_view parameters) const noexcept {
    Launch(nullptr, file, parameters);
}

void Shell::OpenWebPage(std::u16string_view target) const noexcept {
    ShellOpen(target, u"");
}

std::u16string Shell::HelpLocation(std::u16string_view helpFile, std::u16string_view topic) const {
    std::u16string location = programFolder_;
    location += helpFile;
    location += u"::";
    location += topic;
    location += u">";
    location += kHelpWindowType;
    return location;
}

void Shell::ShowHelpTopic(std::u16string_view helpFile, std::u16string_view topic) const noexcept {
    try {
        launcher_.DisplayHelpTopic(HelpLocation(helpFile, topic));
    } catch (...) {
        // A help viewer that cannot show the topic is not reported.
    }
}

void Shell::RunHelpRequest(const ProgramWindows& windows) const noexcept {
    try {
        // Every window leads to the same topic; the order only decides which is asked first.
        if (windows.IsAboutWindowVisible() || windows.IsProgressWindowVisible() ||
            windows.IsMainWindowVisible()) {
            Open(LaunchTarget::HelpMainTopic);
        }
    } catch (...) {
        // A window that cannot say whether it is visible shows no help.
    }
}

std::u16string Shell::TargetFile(LaunchTarget target) const {
    const LaunchTargetEntry& entry = FindLaunchTarget(target);
    switch (entry.routine) {
    case LaunchRoutine::OpenWebPage:
        return MakerWebAddress(entry.name);
    case LaunchRoutine::ShowHelpTopic:
        return std::u16string(entry.name);
    case LaunchRoutine::ShellOpen:
    case LaunchRoutine::ShellOpenDetached:
    case LaunchRoutine::StartAsAdministrator:
        break;
    }
    return programFolder_ + std::u16string(entry.name);
}

bool Shell::Open(LaunchTarget target) const noexcept {
    try {
        const LaunchTargetEntry& entry = FindLaunchTarget(target);
        const std::u16string file = TargetFile(target);
        switch (entry.routine) {
        case LaunchRoutine::ShowHelpTopic:
            ShowHelpTopic(file, entry.parameters);
            break;
        case LaunchRoutine::ShellOpen:
            ShellOpen(file, entry.parameters);
            break;
        case LaunchRoutine::ShellOpenDetached:
            ShellOpenDetached(file, entry.parameters);
            break;
        case LaunchRoutine::OpenWebPage:
            OpenWebPage(file);
            break;
        case LaunchRoutine::StartAsAdministrator:
            return StartAsAdministrator(file, entry.parameters);
        }
        return true;
    } catch (...) {
        // Building the target's path can only fail for want of memory; nothing is opened then.
        return false;
    }
}

} // namespace zentrim
