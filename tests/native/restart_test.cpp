#include "engine/restart.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zentrim {
namespace {

using Call = RecordingSystemRestart::Call;

// Records like the recording fake, and fails where told to.
class FailingRestart final : public SystemRestart {
public:
    bool failEnabling = false;
    bool failRequest = false;
    RecordingSystemRestart record;

    void SetShutdownPrivilege(bool enable) override {
        record.SetShutdownPrivilege(enable);
        if (enable && failEnabling) {
            throw std::runtime_error("no token");
        }
    }
    void RequestExit(std::uint32_t flags) override {
        record.RequestExit(flags);
        if (failRequest) {
            throw std::runtime_error("refused");
        }
    }
};

TEST(RestartWindows, RequestsARestartThatLetsProgramsSaveTheirWork) {
    RecordingSystemRestart restart;
    RestartWindows(restart);
    // EWX_REBOOT | EWX_FORCEIFHUNG, with the privilege on only for the request.
    const std::vector<Call> expected{{Call::Kind::SetShutdownPrivilege, 1},
                                     {Call::Kind::RequestExit, 0x12},
                                     {Call::Kind::SetShutdownPrivilege, 0}};
    EXPECT_EQ(restart.calls, expected);
}

TEST(RestartWindows, PrivilegeIsDisabledAgainWhenTheRequestFails) {
    FailingRestart restart;
    restart.failRequest = true;
    RestartWindows(restart);
    ASSERT_FALSE(restart.record.calls.empty());
    EXPECT_EQ(restart.record.calls.back(), (Call{Call::Kind::SetShutdownPrivilege, 0}));
}

TEST(RestartWindows, NoRequestWhenThePrivilegeCannotBeChanged) {
    FailingRestart restart;
    restart.failEnabling = true;
    RestartWindows(restart);
    EXPECT_EQ(restart.record.calls, (std::vector<Call>{{Call::Kind::SetShutdownPrivilege, 1}}));
}

} // namespace
} // namespace zentrim
