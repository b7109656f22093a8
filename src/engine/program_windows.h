// The native class names of the program's windows, by which its processes find each other: a
// second start and the update check find the window program's windows, and the console program
// finds an open main window before it runs a run.
#pragma once

#include <string_view>

namespace zentrim::window_class {

inline constexpr std::u16string_view kMainForm = u"TZTMainForm";
inline constexpr std::u16string_view kAboutForm = u"TZTAboutForm";
inline constexpr std::u16string_view kSettingsForm = u"TZTSettingsForm";

} // namespace zentrim::window_class
