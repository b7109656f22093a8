#include "cmd/console_options.h"

#include "base/text.h"
#include "launch/product_identity.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <vector>

namespace zentrim {

namespace {

struct CommandName {
    std::string_view name;
    ConsoleCommand command;
};
constexpr CommandName kCommands[] = {
    {"status", ConsoleCommand::Status},          {"plan", ConsoleCommand::Plan},
    {"optimize", ConsoleCommand::Optimize},      {"restore", ConsoleCommand::Restore},
    {"export-undo", ConsoleCommand::ExportUndo}, {"help", ConsoleCommand::Help},
};

// The ways Windows tools are asked for their help, besides --help.
constexpr std::string_view kHelpSwitches[] = {"/?", "-?", "-h"};

// ASCII letters in lower case, so that commands and option names ignore letter case.
std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

// A list entry by its short name (any letter case) or its position counted from 0.
std::optional<int> ListEntry(std::span<const std::string_view> names, std::string_view text) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (EqualsIgnoringCase(FromUtf8(names[i]), FromUtf8(text))) {
            return static_cast<int>(i);
        }
    }
    int index = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (error == std::errc() && end == text.data() + text.size() && index >= 0 &&
        static_cast<std::size_t>(index) < names.size()) {
        return index;
    }
    return std::nullopt;
}

std::string NameList(std::span<const std::string_view> names) {
    std::string list;
    for (const std::string_view name : names) {
        if (!list.empty()) {
            list += ", ";
        }
        list += name;
    }
    return list;
}

} // namespace

std::string_view EntryName(std::span<const std::string_view> names, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= names.size()) {
        return {};
    }
    return names[static_cast<std::size_t>(index)];
}

ConsoleParse ParseConsoleArguments(std::span<const std::u16string> arguments) {
    ConsoleParse parse;
    const auto fail = [&](std::string error) {
        parse.request.reset();
        parse.error = std::move(error);
        return parse;
    };
    ConsoleRequest request;
    std::optional<ConsoleCommand> command;
    bool restartGiven = false;
    bool verboseGiven = false;
    bool restoreGiven = false;
    bool profileGiven = false;
    std::vector<std::string> operands;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string argument = ToUtf8(arguments[i]);
        if (std::ranges::find(kHelpSwitches, LowerCase(argument)) != std::end(kHelpSwitches)) {
            request.command = ConsoleCommand::Help;
            parse.request = request;
            return parse;
        }
        if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            if (!command) {
                bool found = false;
                for (const CommandName& known : kCommands) {
                    if (LowerCase(argument) == known.name) {
                        command = known.command;
                        found = true;
                    }
                }
                if (!found) {
                    return fail("unknown command '" + argument + "'");
                }
            } else {
                operands.push_back(argument);
            }
            continue;
        }
        // --name value or --name=value
        std::string name = LowerCase(argument);
        std::optional<std::string> value;
        if (const auto equals = argument.find('='); equals != std::string::npos) {
            name = LowerCase(argument.substr(0, equals));
            value = argument.substr(equals + 1);
        }
        const auto takeValue = [&]() -> std::optional<std::string> {
            if (value) {
                return value;
            }
            if (i + 1 < arguments.size()) {
                return ToUtf8(arguments[++i]);
            }
            return std::nullopt;
        };
        const auto flag = [&](bool& target) -> bool {
            if (value) {
                return false;
            }
            target = true;
            return true;
        };
        if (name == "--help") {
            if (value) {
                return fail("--help takes no value");
            }
            command = ConsoleCommand::Help;
            request.command = ConsoleCommand::Help;
            parse.request = request;
            return parse;
        }
        if (name == "--version") {
            if (value) {
                return fail("--version takes no value");
            }
            request.command = ConsoleCommand::Version;
            parse.request = request;
            return parse;
        }
        if (name == "--json") {
            if (!flag(request.json)) {
                return fail("--json takes no value");
            }
        } else if (name == "--restart") {
            if (!flag(request.restart)) {
                return fail("--restart takes no value");
            }
            restartGiven = true;
        } else if (name == "--verbose") {
            if (!flag(request.verbose)) {
                return fail("--verbose takes no value");
            }
            verboseGiven = true;
        } else if (name == "--restore") {
            if (!flag(request.restoreRun)) {
                return fail("--restore takes no value");
            }
            restoreGiven = true;
        } else if (name == "--registry") {
            const auto file = takeValue();
            if (!file || file->empty()) {
                return fail("--registry needs a file name");
            }
            request.registryFile = FromUtf8(*file);
        } else if (name == "--arch") {
            const auto text = takeValue();
            request.architecture.reset();
            for (std::size_t entry = 0; text && entry < std::size(kArchitectureNames); ++entry) {
                if (EqualsIgnoringCase(FromUtf8(*text), FromUtf8(kArchitectureNames[entry]))) {
                    request.architecture = static_cast<WindowsArchitecture>(entry);
                }
            }
            if (!request.architecture) {
                return fail("--arch needs x86 or x64");
            }
        } else if (name == "--os" || name == "--cpu" || name == "--internet" || name == "--speed") {
            const auto text = takeValue();
            if (!text) {
                return fail(name + " needs a value");
            }
            std::span<const std::string_view> names = kOsNames;
            std::optional<int>* target = &request.profile.windowsIndex;
            if (name == "--cpu") {
                names = kCpuNames;
                target = &request.profile.processorIndex;
            } else if (name == "--internet") {
                names = kInternetNames;
                target = &request.profile.internetType;
            } else if (name == "--speed") {
                names = kSpeedNames;
                target = &request.profile.speedPosition;
            }
            std::optional<int> entry = ListEntry(names, *text);
            if (name == "--speed") {
                // The speed is named only: its positions are not a list the user sees.
                const std::string speed = LowerCase(*text);
                entry = speed == "boost" ? std::optional<int>(0)
                        : speed == "max" ? std::optional<int>(1)
                                         : std::nullopt;
            }
            if (!entry) {
                return fail("'" + *text + "' is not a value of " + name + " (one of: " + NameList(names) +
                            (name == "--speed" ? "" : "; or a position from 0") + ")");
            }
            *target = entry;
            profileGiven = true;
        } else {
            return fail("unknown option '" + name + "'");
        }
    }

    if (!command) {
        return fail("no command given");
    }
    request.command = *command;
    const bool runCommand = *command == ConsoleCommand::Optimize || *command == ConsoleCommand::Restore;
    if (restartGiven && !runCommand) {
        return fail("--restart belongs to optimize and restore");
    }
    if (verboseGiven && !runCommand) {
        return fail("--verbose belongs to optimize and restore");
    }
    if (restartGiven && !request.registryFile.empty()) {
        return fail("--restart cannot be given with --registry: a registry file is not a running Windows");
    }
    if (request.architecture && request.registryFile.empty()) {
        return fail("--arch belongs with --registry: the running Windows tells its own");
    }
    if (restoreGiven && *command != ConsoleCommand::Plan) {
        return fail("--restore belongs to plan");
    }
    if (profileGiven && (*command == ConsoleCommand::ExportUndo || *command == ConsoleCommand::Help)) {
        return fail("profile options do not belong to this command");
    }
    if (*command == ConsoleCommand::ExportUndo) {
        if (operands.size() != 1) {
            return fail("export-undo needs exactly one file name");
        }
        request.undoFile = FromUtf8(operands.front());
    } else if (!operands.empty()) {
        return fail("unexpected argument '" + operands.front() + "'");
    }
    parse.request = std::move(request);
    return parse;
}

std::string ConsoleUsage() {
    return "Usage: ZentrimCmd COMMAND [OPTIONS]\n"
           "\n"
           "Commands:\n"
           "  status                   whether a backup is held, the stored choices, and every value\n"
           "                           Zentrim changes with its current and its optimized value\n"
           "  plan [--restore]         what an optimize (or restore) run would write and delete, in\n"
           "                           order, current value beside new value; changes nothing\n"
           "  optimize [--restart]     the optimize run: backup first, then every change, read back\n"
           "  restore [--restart]      the restore run: every value back as it was before Zentrim\n"
           "  export-undo FILE.reg     a registry file that puts back every value from before the\n"
           "                           first optimize run (reg import FILE.reg), also where Zentrim\n"
           "                           is no longer installed\n"
           "\n"
           "Profile options (status, plan, optimize, restore); without them, the main window's\n"
           "choices (the stored choices, then detection):\n"
           "  --os NAME|N              " +
           NameList(kOsNames) +
           "\n"
           "  --cpu NAME|N             " +
           NameList(kCpuNames) +
           "\n"
           "  --internet NAME|N        " +
           NameList(kInternetNames) +
           "\n"
           "                           (N: the entry's position in the window's list, from 0)\n"
           "  --speed boost|max        Boost or Maximum Boost\n"
           "\n"
           "Other options:\n"
           "  --restart                restart Windows after the run; never without it\n"
           "  --verbose                optimize and restore: every progress step, not each text once\n"
           "  --json                   print one JSON document (schema: zentrim-cmd.schema.json)\n"
           "  --registry FILE.reg      work on a registry file (regedit's format) instead of the live\n"
           "                           registry; optimize and restore save it atomically, and\n"
           "                           every command waits a few seconds for another run on it\n"
           "  --arch x86|x64           the Windows the registry file comes from, where the file\n"
           "                           does not tell (32-bit Windows keeps Zentrim's key outside\n"
           "                           SOFTWARE\\WOW6432Node)\n"
           "  --help, /?, -?, -h       this text\n"
           "  --version                the version of ZentrimCmd\n"
           "\n"
           "Commands and option names may be written in any letter case.\n"
           "\n"
           "Exit codes:\n"
           "  0  done\n"
           "  1  done, but some values were refused (they did not read back as written)\n"
           "  2  wrong usage or bad input: nothing was changed; or the output could not be written\n"
           "  3  nothing done: no backup is held (restore, export-undo)\n"
           "  4  nothing done: a Zentrim window is open, or another run is using the registry file\n"
           "     or changed it during the run (nothing of the run was saved)\n"
           "  5  nothing done: the backup could not be saved, read or used (run as administrator;\n"
           "     a backup that a restore left unfinished: run restore first)\n";
}

std::string ConsoleVersion() {
    return "ZentrimCmd " + ToUtf8(kProductVersion) + "\n";
}

bool AsksForJson(std::span<const std::u16string> arguments) {
    return std::ranges::any_of(
        arguments, [](const std::u16string& argument) { return LowerCase(ToUtf8(argument)) == "--json"; });
}

} // namespace zentrim
