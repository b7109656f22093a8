// The console program: its commands over the same catalogue, profile rules and runs as the main
// window. The runs are the window's own (RunOptimize, RunRestore), driven through a
// console view that prints their steps and answers their questions as the command line says.
#pragma once

#include "cmd/console_host.h"

#include <span>
#include <string>

namespace zentrim {

// Exit codes.
namespace console_exit {
inline constexpr int kDone = 0;
inline constexpr int kSomeRefused = 1;
inline constexpr int kUsage = 2;
inline constexpr int kNoBackup = 3;
inline constexpr int kWindowOpen = 4;
inline constexpr int kInUse = 4; // another run uses the registry file, or changed it during the run
inline constexpr int kFailed = 5;
} // namespace console_exit

// Runs one command line (without the program's own name) and gives the exit code. Lets nothing
// escape: an unexpected failure is reported on the error stream with kFailed.
int RunConsoleCommand(std::span<const std::u16string> arguments, ConsoleHost& host) noexcept;

} // namespace zentrim
