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
    void WriteOut(std::string_view utf8) override { Write(stdout, utf8); }
    void WriteError(std::string_view utf8) override { Write(stderr, utf8); }
    bool FlushOutput() override {
        // Each stream is flushed whatever the other's fate; an error stays with its stream.
        const bool out = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
        const bool error = std::fflush(stderr) == 0 && std::ferror(stderr) == 0;
        return out && error && !failed_;
    }
    RegistryStore* LiveRegistry() override { return nullptr; }
    int DetectWindows() override { return -1; }
    std::optional<std::string> BackupTime() override { return std::nullopt; }
    SystemRestart& Restart() override { return restart_; }
    std::unique_ptr<RunLock> LockRuns() override { return std::make_unique<RunLock>(); }

private:
    void Write(std::FILE* stream, std::string_view utf8) {
        if (std::fwrite(utf8.data(), 1, utf8.size(), stream) != utf8.size()) {
            failed_ = true;
        }
    }

    NoRestart restart_;
    bool failed_ = false;
};

} // namespace

std::unique_ptr<ConsoleHost> MakeStandardConsoleHost() {
    return std::make_unique<PosixConsoleHost>();
}

} // namespace zentrim

#endif
