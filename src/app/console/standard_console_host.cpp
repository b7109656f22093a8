// Off Windows there is no live registry: the console program works on registry files only.
#ifndef _WIN32

#include "app/console/standard_console_host.h"

#include <cstdio>

namespace zentrim {

namespace {

class NoRestart final : public SystemRestart {
public:
    void SetShutdownPrivilege(bool) override {}
    void RequestExit(std::uint32_t) override {}
};

class PosixConsoleHost final : public ConsoleHost {
public:
    void WriteOut(std::string_view utf8) override { std::fwrite(utf8.data(), 1, utf8.size(), stdout); }
    void WriteError(std::string_view utf8) override { std::fwrite(utf8.data(), 1, utf8.size(), stderr); }
    RegistryStore* LiveRegistry() override { return nullptr; }
    int DetectWindows() override { return -1; }
    std::optional<std::string> BackupTime() override { return std::nullopt; }
    SystemRestart& Restart() override { return restart_; }
    std::unique_ptr<RunLock> LockRuns() override { return std::make_unique<RunLock>(); }

private:
    NoRestart restart_;
};

} // namespace

std::unique_ptr<ConsoleHost> MakeStandardConsoleHost() {
    return std::make_unique<PosixConsoleHost>();
}

} // namespace zentrim

#endif
