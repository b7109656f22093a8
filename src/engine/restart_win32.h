// The restart seam on Windows: the process token and ExitWindowsEx.
#pragma once

#include "engine/restart.h"

namespace zentrim {

class Win32SystemRestart final : public SystemRestart {
public:
    // OpenProcessToken, LookupPrivilegeValueW("SeShutdownPrivilege") and AdjustTokenPrivileges
    // with that one privilege, enabled or disabled; the previous state is not kept.
    void SetShutdownPrivilege(bool enable) override;
    // ExitWindowsEx(flags, 0); its result is not examined.
    void RequestExit(std::uint32_t flags) override;
};

} // namespace zentrim
