#include "e2e/process_figures.h"

#include "e2e/automation.h"

#include <psapi.h>

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

template <typename Number> std::optional<Number> NonZero(Number value) {
    return value != 0 ? std::optional<Number>(value) : std::nullopt;
}

std::optional<std::uint64_t> CommittedPrivateBytes(HANDLE process) {
    std::uint64_t total = 0;
    auto* address = static_cast<const std::uint8_t*>(nullptr);
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
    return NonZero(total);
}

} // namespace

std::optional<ProcessFigures> ReadProcessFigures(DWORD process) {
    const ProcessHandle handle(process);
    if (handle.Get() == nullptr) {
        return std::nullopt;
    }
    ProcessFigures figures;
    DWORD handles = 0;
    if (GetProcessHandleCount(handle.Get(), &handles)) {
        figures.handles = NonZero(handles);
    }
    figures.gdiObjects = NonZero(GetGuiResources(handle.Get(), GR_GDIOBJECTS));
    figures.userObjects = NonZero(GetGuiResources(handle.Get(), GR_USEROBJECTS));
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(handle.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
        figures.privateUsage = NonZero<std::uint64_t>(memory.PrivateUsage);
        figures.workingSet = memory.WorkingSetSize;
    }
    figures.privateCommitted = CommittedPrivateBytes(handle.Get());
    for (HWND window : TopLevelWindows()) {
        if (ProcessOf(window) == process) {
            figures.windows += 1 + static_cast<int>(Descendants(window).size());
        }
    }
    return figures;
}

} // namespace zentrim::e2e
