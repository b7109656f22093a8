#include "e2e/process_figures.h"

#include "e2e/automation.h"

#include <psapi.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace zentrim::e2e {

namespace {

class ProcessHandle {
public:
    explicit ProcessHandle(DWORD process)
        : handle_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process)) {}
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    ~ProcessHandle() {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
        }
    }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// A count the call gave; a failed call or a zero is noted instead.
template <typename Number>
std::optional<Number> Answered(bool succeeded, Number value, const char* call, std::string& notes) {
    if (succeeded && value != 0) {
        return value;
    }
    notes += std::string(notes.empty() ? "" : "; ") + call +
             (succeeded ? " gave 0" : " failed with error " + std::to_string(GetLastError()));
    return std::nullopt;
}

// The extended handle table of NtQuerySystemInformation, as the system's headers for drivers
// describe it (class 64, SystemExtendedHandleInformation).
struct HandleTableEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};
struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleTableEntry entries[1];
};
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

std::optional<DWORD> HandlesInSystemTable(DWORD process, std::string& notes) {
    using QueryFunction = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) {
        notes += "; no NtQuerySystemInformation";
        return std::nullopt;
    }
    std::vector<std::uint8_t> buffer(1 << 20);
    LONG status = kInfoLengthMismatch;
    for (int attempt = 0; attempt < 6 && status == kInfoLengthMismatch; ++attempt) {
        ULONG needed = 0;
        status = query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                       &needed);
        if (status == kInfoLengthMismatch) {
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 65536));
        }
    }
    if (status != 0) {
        notes +=
            "; the system handle table gave status " + std::to_string(static_cast<unsigned long>(status));
        return std::nullopt;
    }
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const std::size_t fits = (buffer.size() - offsetof(HandleTable, entries)) / sizeof(HandleTableEntry);
    DWORD count = 0;
    for (std::size_t i = 0; i < table->count && i < fits; ++i) {
        count += table->entries[i].processId == process ? 1 : 0;
    }
    return Answered(true, count, "the system handle table", notes);
}

std::uint64_t CommittedPrivateBytes(HANDLE process) {
    std::uint64_t total = 0;
    const std::uint8_t* address = nullptr;
    MEMORY_BASIC_INFORMATION region{};
    while (VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            total += region.RegionSize;
        }
        const auto* next = static_cast<const std::uint8_t*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) {
            break;
        }
        address = next;
    }
    return total;
}

} // namespace

std::optional<ProcessFigures> ReadProcessFigures(DWORD process) {
    const ProcessHandle handle(process);
    if (handle.Get() == nullptr) {
        return std::nullopt;
    }
    ProcessFigures figures;
    std::string& notes = figures.notes;
    DWORD handles = 0;
    const bool counted = GetProcessHandleCount(handle.Get(), &handles) != FALSE;
    figures.handles = Answered(counted, handles, "GetProcessHandleCount", notes);
    figures.tableHandles = HandlesInSystemTable(process, notes);
    SetLastError(0);
    const DWORD gdi = GetGuiResources(handle.Get(), GR_GDIOBJECTS);
    figures.gdiObjects = Answered(GetLastError() == 0, gdi, "GetGuiResources(GR_GDIOBJECTS)", notes);
    SetLastError(0);
    const DWORD user = GetGuiResources(handle.Get(), GR_USEROBJECTS);
    figures.userObjects = Answered(GetLastError() == 0, user, "GetGuiResources(GR_USEROBJECTS)", notes);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    const bool measured =
        GetProcessMemoryInfo(handle.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory) != FALSE;
    figures.privateUsage =
        Answered<std::uint64_t>(measured, memory.PrivateUsage, "GetProcessMemoryInfo's PrivateUsage", notes);
    figures.workingSet = memory.WorkingSetSize;
    figures.privateCommitted =
        Answered<std::uint64_t>(true, CommittedPrivateBytes(handle.Get()), "VirtualQueryEx", notes);
    for (HWND window : TopLevelWindows()) {
        if (ProcessOf(window) == process) {
            figures.windows += 1 + static_cast<int>(Descendants(window).size());
        }
    }
    return figures;
}

} // namespace zentrim::e2e
