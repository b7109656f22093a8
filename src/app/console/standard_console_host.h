// The console program's host on the system it runs on: on Windows the live registry, the
// running system's version, the restart and the run gate; elsewhere registry files only.
#pragma once

#include "cmd/console_host.h"

#include <memory>

namespace zentrim {

std::unique_ptr<ConsoleHost> MakeStandardConsoleHost();

} // namespace zentrim
