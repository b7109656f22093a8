// Where the process looks for the DLLs it loads after start-up.
#pragma once

namespace zentrim {

// Restricts the search for every DLL the process loads from now on, the delay-loaded imports
// included, to the system folder (System32): not the program's folder, where a user or a
// download may have put a file under a system DLL's name, nor the working folder. Called first
// in each program's entry. SetDefaultDllDirectories came with Windows 8, and with update
// KB2533623 to Vista and 7: it is looked up rather than imported, so that the program still
// starts without it, with the search as it was.
void RestrictDllSearchToSystemFolder() noexcept;

} // namespace zentrim
