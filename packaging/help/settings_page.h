// The help file's settings page, made from the program's own catalogue so that the help can never
// disagree with what the program writes: every row with its registry place, the value it gets with
// "Boost" and with "Maximum Boost", when it is written, what a restore does, and what it is for.
#pragma once

#include <string>

namespace zentrim::help {

// The whole page "html/settings.htm" as UTF-8 HTML.
std::string SettingsPage();

} // namespace zentrim::help
