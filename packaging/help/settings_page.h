// The help file's settings page, made from the program's catalogue so that the help can never
// disagree with what the program writes: every row as a block with its registry place, the value it
// gets with "Boost" and with "Maximum Boost", when it is written and what it is for, and, for a
// value that several rows write, which row wins for which choices.
#pragma once

#include <string>

namespace zentrim::help {

// The whole page "html/settings.htm" as UTF-8 HTML.
std::string SettingsPage();

} // namespace zentrim::help
