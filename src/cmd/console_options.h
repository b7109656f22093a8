// The console program's command line: one command, its operand and its options, checked in full
// before anything is read or written.
#pragma once

#include "cmd/file_detection.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zentrim {

enum class ConsoleCommand { Help, Version, Status, Plan, Optimize, Restore, ExportUndo };

// The choices of the main window's lists given on the command line; nothing where not given.
struct ProfileOptions {
    std::optional<int> windowsIndex;   // --os
    std::optional<int> processorIndex; // --cpu
    std::optional<int> internetType;   // --internet
    std::optional<int> speedPosition;  // --speed
};

struct ConsoleRequest {
    ConsoleCommand command = ConsoleCommand::Help;
    ProfileOptions profile;
    bool restoreRun = false;                         // plan --restore
    bool restart = false;                            // --restart
    bool json = false;                               // --json
    bool verbose = false;                            // --verbose: every progress step
    std::u16string registryFile;                     // --registry; empty: the live registry
    std::optional<WindowsArchitecture> architecture; // --arch: the Windows the registry file is from
    std::u16string undoFile;                         // the operand of export-undo
};

struct ConsoleParse {
    std::optional<ConsoleRequest> request;
    std::string error; // what is wrong, for the usage message; empty when parsed
};

ConsoleParse ParseConsoleArguments(std::span<const std::u16string> arguments);

// The short names of the lists' entries, in list order: the window's position is the index.
inline constexpr std::string_view kOsNames[] = {
    "win11", "win10", "win8", "win7", "vista", "xp", "server2012", "server2008", "server2003", "server2000"};
inline constexpr std::string_view kCpuNames[] = {"intel", "amd", "via"};
inline constexpr std::string_view kInternetNames[] = {"cable", "fios", "dialup", "satellite", "mobile",
                                                      "lte",   "lan",  "isdn",   "t1"};
inline constexpr std::string_view kSpeedNames[] = {"boost", "max"};
inline constexpr std::string_view kArchitectureNames[] = {"x86", "x64"}; // in WindowsArchitecture order

// The name of a list entry; empty outside the list.
std::string_view EntryName(std::span<const std::string_view> names, int index);

// The help text: every command, option and exit code.
std::string ConsoleUsage();

// The line --version prints: the program's name and the product version.
std::string ConsoleVersion();

// Whether the command line asks for JSON (--json anywhere, in any letter case), told also of a
// command line that does not parse, so that its failure is reported as JSON too.
bool AsksForJson(std::span<const std::u16string> arguments);

} // namespace zentrim
