// The program folder: the folder of the running program's own file, ending in a separator.
// The help file, the licence terms, the updater and the program itself are found there.
#pragma once

#include <string>
#include <string_view>

namespace zentrim {

// The folder part of a program file's full path, through its last "\" or "/"; empty when the
// path names no folder.
std::u16string ProgramFolderFromModulePath(std::u16string_view modulePath);

#ifdef _WIN32
// The full path of the running program's file (GetModuleFileNameW, however long); empty when it
// cannot be had.
std::u16string RunningProgramPath();

// The program folder of the running program; empty when its path cannot be had, which leaves
// file names to be found from the current folder.
std::u16string RunningProgramFolder();
#endif

} // namespace zentrim
