// Everything the program opens: one table that the windows use through Shell::Open.
#pragma once

#include <array>
#include <string_view>

namespace zentrim {

enum class LaunchTarget {
    HelpMainTopic,          // the help request
    LicenseTerms,           // About window: the licence terms link
    HomePage,               // main window: Home, "Click to visit our website"
    SupportPage,            // main window: Support, "Contact tech support", the popup menu item
    Updater,                // main window: " &Check for updates ..."; start-up: Yes to the update question
    UpdateCheck,            // main window creation, when the last update is more than 45 days old
    ProgramAsAdministrator, // main window without administrator rights: "&Optimize now", "&Restore"
};

// The launch routine a target goes through.
enum class LaunchRoutine { ShowHelpTopic, ShellOpen, ShellOpenDetached, OpenWebPage, StartAsAdministrator };

struct LaunchTargetEntry {
    LaunchTarget target;
    LaunchRoutine routine;
    // For ShellOpen and ShellOpenDetached a file in the program folder; for OpenWebPage the path
    // on the maker's web host (empty for the site's root); for ShowHelpTopic the help file.
    std::u16string_view name;
    // The parameter text; for ShowHelpTopic the topic inside the help file.
    std::u16string_view parameters;
};

inline constexpr std::array<LaunchTargetEntry, 7> kLaunchTargets{{
    {LaunchTarget::HelpMainTopic, LaunchRoutine::ShowHelpTopic, u"Zentrim.chm", u"/html/main.htm"},
    {LaunchTarget::LicenseTerms, LaunchRoutine::ShellOpen, u"License.rtf", u""},
    {LaunchTarget::HomePage, LaunchRoutine::OpenWebPage, u"", u""},
    {LaunchTarget::SupportPage, LaunchRoutine::OpenWebPage, u"/support/", u""},
    {LaunchTarget::Updater, LaunchRoutine::ShellOpenDetached, u"ZentrimUpdate.exe", u""},
    // Always this name, not the running file's: a renamed program still starts the installed one.
    {LaunchTarget::UpdateCheck, LaunchRoutine::ShellOpenDetached, u"Zentrim.exe", u"/checkupdate"},
    {LaunchTarget::ProgramAsAdministrator, LaunchRoutine::StartAsAdministrator, u"Zentrim.exe", u""},
}};

constexpr const LaunchTargetEntry& FindLaunchTarget(LaunchTarget target) {
    for (const LaunchTargetEntry& entry : kLaunchTargets) {
        if (entry.target == target) {
            return entry;
        }
    }
    return kLaunchTargets.front();
}

} // namespace zentrim
