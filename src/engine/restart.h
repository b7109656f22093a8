// The restart of Windows that both runs offer at their end, behind a seam: on Windows the process
// token's shutdown privilege and ExitWindowsEx; in tests a recording fake.
#pragma once

#include <cstdint>
#include <vector>

namespace zentrim {

// ExitWindowsEx flags.
namespace exit_windows {
inline constexpr std::uint32_t kReboot = 0x02;
inline constexpr std::uint32_t kForce = 0x04;       // ends programs without letting them save: not used
inline constexpr std::uint32_t kForceIfHung = 0x10; // ends only programs that do not answer
} // namespace exit_windows

// The restart the program requests: programs may save their work or object, hung ones are ended.
inline constexpr std::uint32_t kRestartFlags = exit_windows::kReboot | exit_windows::kForceIfHung;

class SystemRestart {
public:
    virtual ~SystemRestart() = default;

    // Enables the shutdown privilege in the program's own access token, or disables it again.
    // Reports nothing; when the token cannot be changed the privilege stays as it was.
    virtual void SetShutdownPrivilege(bool enable) = 0;

    // Asks Windows to end the session with these ExitWindowsEx flags. Returns as soon as the
    // request is made and does not report whether it was accepted.
    virtual void RequestExit(std::uint32_t flags) = 0;
};

// Requests an immediate restart: the shutdown privilege is enabled for the request alone and
// disabled again right after it, whether or not the request succeeded. Any failure ends the
// operation quietly.
void RestartWindows(SystemRestart& system) noexcept;

// Records what was asked of it, in order, and restarts nothing.
class RecordingSystemRestart final : public SystemRestart {
public:
    struct Call {
        enum class Kind { SetShutdownPrivilege, RequestExit } kind;
        std::uint32_t argument; // the privilege switch (0 or 1) or the flags
        friend bool operator==(const Call&, const Call&) = default;
    };

    void SetShutdownPrivilege(bool enable) override {
        calls.push_back({Call::Kind::SetShutdownPrivilege, enable ? 1u : 0u});
    }
    void RequestExit(std::uint32_t flags) override { calls.push_back({Call::Kind::RequestExit, flags}); }

    std::vector<Call> calls;
};

} // namespace zentrim
