// Resource figures of another process, read from outside as a task manager reads them: its
// handle count, its GDI and USER object counts, its private memory, and the windows it owns.
// Wine answers some of these calls with stubs; each figure says whether its call answered.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace zentrim::e2e {

struct ProcessFigures {
    std::optional<DWORD> handles;              // GetProcessHandleCount
    std::optional<DWORD> gdiObjects;           // GetGuiResources(GR_GDIOBJECTS)
    std::optional<DWORD> userObjects;          // GetGuiResources(GR_USEROBJECTS)
    std::optional<std::uint64_t> privateUsage; // PROCESS_MEMORY_COUNTERS_EX::PrivateUsage
    // The process's entries in the system's handle table (NtQuerySystemInformation): the handle
    // count counted another way.
    std::optional<DWORD> tableHandles;
    // Committed private pages, summed over the address space with VirtualQueryEx: what
    // PrivateUsage stands for, counted another way.
    std::optional<std::uint64_t> privateCommitted;
    std::uint64_t workingSet = 0; // PROCESS_MEMORY_COUNTERS::WorkingSetSize, for the record
    int windows = 0;              // the process's top-level windows and all their descendants
    std::string notes;            // what the calls that gave nothing answered
};

// The figures of a running process; nothing when it cannot be opened for querying. A call that
// fails, or a count of zero (no running Win32 program has no handles, no GDI objects or no
// private memory), leaves its figure empty and says so in the notes.
std::optional<ProcessFigures> ReadProcessFigures(DWORD process);

} // namespace zentrim::e2e
