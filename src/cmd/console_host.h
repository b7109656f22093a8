// What the console program needs from the system it runs on: its two output streams, the live
// registry and the facts only a running Windows knows. ZentrimCmd.exe gives the real ones; the
// native build and the tests give none of the live ones and work on registry files only.
#pragma once

#include "engine/registry_store.h"
#include "engine/restart.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zentrim {

// Text with Windows' line ends: every LF that no CR comes before becomes CR LF. The console
// program writes this way on Windows, to a console, a file or a pipe alike.
std::string WithCrLfLineEnds(std::string_view text);

class ConsoleHost {
public:
    virtual ~ConsoleHost() = default;

    virtual void WriteOut(std::string_view utf8) = 0;
    virtual void WriteError(std::string_view utf8) = 0;
    // Flushes both streams; false when anything written to either so far did not reach it.
    virtual bool FlushOutput() = 0;

    // The live registry; null where there is none.
    virtual RegistryStore* LiveRegistry() = 0;
    // The detection code of the running Windows (the main window's detection).
    virtual int DetectWindows() = 0;
    // When the record of originals was written, as "YYYY-MM-DD hh:mm:ss UTC"; nothing when unknown.
    virtual std::optional<std::string> BackupTime() = 0;
    virtual SystemRestart& Restart() = 0;

    // Keeps any other run of Zentrim's from starting while the returned object lives: a newly
    // started main window waits for it. Nothing when a Zentrim main window is open already, so
    // that two programs never run a run at once.
    class RunLock {
    public:
        virtual ~RunLock() = default;
    };
    virtual std::unique_ptr<RunLock> LockRuns() = 0;
};

} // namespace zentrim
