// The restart seam on Windows, without restarting anything: the shutdown privilege of the test's
// own token goes on and off again, and a token that cannot be changed is no failure.
#include "engine/restart_win32.h"

#include "base/unique_handle_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <vector>

namespace zentrim {
namespace {

// Whether the shutdown privilege is enabled in this process's token; nothing when the token does
// not hold it at all.
std::optional<bool> ShutdownPrivilegeEnabled() {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return std::nullopt;
    }
    LUID shutdown{};
    if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &shutdown)) {
        return std::nullopt;
    }
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) {
        return std::nullopt;
    }
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID& luid = privileges->Privileges[i].Luid;
        if (luid.LowPart == shutdown.LowPart && luid.HighPart == shutdown.HighPart) {
            return (privileges->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    return std::nullopt;
}

TEST(Win32SystemRestart, ShutdownPrivilegeGoesOnAndOffAgain) {
    Win32SystemRestart restart;
    restart.SetShutdownPrivilege(true);
    const auto enabled = ShutdownPrivilegeEnabled();
    restart.SetShutdownPrivilege(false);
    const auto disabled = ShutdownPrivilegeEnabled();
    if (!enabled) {
        GTEST_SKIP() << "this token does not hold the shutdown privilege";
    }
    EXPECT_TRUE(*enabled);
    ASSERT_TRUE(disabled.has_value());
    EXPECT_FALSE(*disabled);
}

TEST(Win32SystemRestart, DisablingTwiceReturnsQuietly) {
    Win32SystemRestart restart;
    restart.SetShutdownPrivilege(false);
    restart.SetShutdownPrivilege(false);
    const auto state = ShutdownPrivilegeEnabled();
    EXPECT_TRUE(!state || !*state);
}

} // namespace
} // namespace zentrim
