// The reports as the text a person reads at the console.
#include "cmd/console_render.h"

#include "base/text.h"
#include "cmd/console_options.h"
#include "engine/custom_registry.h"

#include <cstdio>

namespace zentrim {

namespace {

std::string HexList(std::span<const std::uint8_t> data) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i != 0) {
            text += ',';
        }
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0xF];
    }
    return text;
}

// A name or text in double quotes, as a .reg file writes it (built up in place: GCC 12 warns
// wrongly of overlapping copies in "literal" + std::string).
std::string Quoted(std::u16string_view text) {
    std::string quoted = "\"";
    quoted += ToUtf8(text);
    quoted += '"';
    return quoted;
}

// A value in the form a .reg file writes it; "(absent)" when there is none.
std::string ValueText(const std::optional<RawValue>& value) {
    if (!value) {
        return "(absent)";
    }
    if (value->type == ValueType::Dword && value->data.size() == 4) {
        const auto& d = value->data;
        char digits[9];
        std::snprintf(digits, sizeof digits, "%02x%02x%02x%02x", d[3], d[2], d[1], d[0]);
        std::string text = "dword:";
        text += digits;
        return text;
    }
    if (value->type == ValueType::String && value->data.size() % 2 == 0 && !value->data.empty() &&
        value->data[value->data.size() - 1] == 0 && value->data[value->data.size() - 2] == 0) {
        return Quoted(DecodeRegistryText(value->data));
    }
    if (value->type == ValueType::Binary) {
        return "hex:" + HexList(value->data);
    }
    char type[16];
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value->type));
    return type + HexList(value->data);
}

std::string KeyText(RegistryRoot root, std::u16string_view path) {
    std::string text = RootText(root);
    const std::u16string_view bare = BareKeyPath(path);
    if (!bare.empty()) {
        text += '\\';
        text += ToUtf8(bare);
    }
    return text;
}

std::string PlaceText(const TweakRow& row) {
    return KeyText(row.key.root, row.key.path) + ' ' + Quoted(row.valueName);
}

std::string NameOr(std::span<const std::string_view> names, int index) {
    const std::string_view name = EntryName(names, index);
    return name.empty() ? "none" : std::string(name);
}

std::string ProfileText(const Profile& profile) {
    const ProfileSelection& s = profile.selection;
    return "--os " + NameOr(kOsNames, s.windowsIndex) + " --cpu " + NameOr(kCpuNames, s.processorIndex) +
           " --internet " + NameOr(kInternetNames, s.internetType) + " --speed " +
           NameOr(kSpeedNames, s.speedPosition) + " (" + profile.source + ")";
}

std::string RegistryText(const RegistryReport& registry, std::string_view live) {
    return registry.onFile ? registry.file : std::string(live);
}

std::string RowsText(const std::vector<int>& rows) {
    std::string text;
    for (const int row : rows) {
        if (!text.empty()) {
            text += ',';
        }
        text += std::to_string(row);
    }
    return text;
}

// A number right-aligned in `width` places.
std::string Padded(int number, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%*d", width, number);
    return text;
}

} // namespace

std::string RenderText(const StatusReport& report) {
    std::string text = "Registry: " + RegistryText(report.registry, "live") + "\n";
    text += "Backup: " + std::string(report.held ? "held" : "not held");
    if (report.held) {
        text += report.since ? " since " + *report.since : std::string(" (since: unknown)");
        text += ", record of originals " + report.record;
    }
    text += "\n";
    if (!report.damaged.empty()) {
        text += "Entries of the record that cannot be used (an optimize run changes nothing until a restore "
                "has put back what the backup holds):\n";
        for (const UnusableEntry& entry : report.damaged) {
            text += "  " + PlaceText(*entry.row) + ": " + entry.state + "\n";
        }
    }
    if (report.registry.onFile) {
        text += "Windows: " +
                std::string(report.registry.architecture == WindowsArchitecture::X86 ? "32-bit" : "64-bit") +
                " (" + report.registry.architectureReason + ")\n";
    }
    const auto storedText = [](std::optional<int> value) {
        return value ? std::to_string(*value) : std::string("not stored");
    };
    text += "Stored choices: ProcessorType " + storedText(report.processorType) + ", InternetType " +
            storedText(report.internetType) + ", SpeedSetting " + storedText(report.speedSetting) + "\n";
    text += "Profile: " + ProfileText(report.profile) + "\n";
    text += "Language: " + report.language;
    if (report.languageSetting != report.language) {
        text += " (\"" + report.languageSetting + "\" names no catalogue of the program)";
    }
    text += "\n\n";

    for (const StatusRow& row : report.values) {
        text +=
            Padded(row.row->number, 2) + "  " + PlaceText(*row.row) + "\n      now " + ValueText(row.current);
        if (row.optimized) {
            text += row.current == row.optimized ? "  (optimized)"
                                                 : "  -> optimize writes " + ValueText(row.optimized);
        } else {
            text += "  (not written for this profile)";
        }
        text += "\n";
    }
    text += '\n';
    text += std::to_string(report.matching) + " of " + std::to_string(report.written) +
            " values hold what optimize would write; ";
    if (!report.held) {
        text += "no backup held\n";
    } else {
        text += report.since ? "backup held since " + *report.since + "\n" : "backup held, since unknown\n";
    }
    return text;
}

std::string RenderText(const PlanReport& report) {
    std::string text = std::string("Plan of ") +
                       (report.kind == RunKind::Optimize ? "an optimize" : "a restore") + " run on " +
                       RegistryText(report.registry, "the live registry") +
                       "\nProfile: " + ProfileText(report.profile) + "\n";
    if (report.kind == RunKind::Optimize) {
        if (!report.held) {
            text += "No backup is held: the run first records these values as they are now:\n";
            for (const LiveValueReport& value : report.kept) {
                text += "  " + PlaceText(*value.value.row) + " = " + ValueText(value.contents) + "\n";
            }
        } else {
            text += "A backup is held already: it is kept as it is and no new one is taken.\n";
        }
    } else if (!report.held) {
        text += "No backup is held: a restore run would change nothing.\n";
    }

    if (!report.operations.empty()) {
        text += "Operations, in order:\n";
    }
    int step = 0;
    for (const PlannedOperation& operation : report.operations) {
        const RehearsalStore::Change& change = operation.change;
        text += Padded(++step, 3) + "  " + std::string(ChangeKindName(change.kind)) + "  " +
                KeyText(change.root, change.path) + " [" + ViewName(change.view) + "]";
        if (change.kind == RehearsalStore::Change::Kind::SetValue ||
            change.kind == RehearsalStore::Change::Kind::DeleteValue) {
            text += ' ' + Quoted(change.name) + ": " + ValueText(change.before) + " -> " +
                    ValueText(change.after);
        }
        const ChangePurpose& purpose = operation.purpose;
        text += "  (";
        text += purpose.purpose;
        if (!purpose.rows.empty()) {
            text += ' ';
            text += RowsText(purpose.rows);
        }
        text += ")\n";
    }
    text += std::to_string(step) + " operations; nothing was written.\n";
    return text;
}

std::string RenderText(const RunReport& report) {
    std::string text = "\nChanged " + std::to_string(report.changed.size()) + " values, unchanged " +
                       std::to_string(report.unchanged.size()) + ", refused " +
                       std::to_string(report.refused.size()) + ".\n";
    if (!report.refused.empty()) {
        text += "Refused (they did not read back as written):\n";
        for (const RunValue& value : report.refused) {
            text += "  " + PlaceText(*value.value.row) + " = " + ValueText(value.after) + ", not " +
                    ValueText(value.expected) + "\n";
        }
    }
    if (report.outcome == "backupFailed") {
        text += "No backup could be saved, so nothing was changed. Run as administrator.\n";
    } else if (report.outcome == "backupUnusable") {
        text += "The backup held cannot be used (its record of the values from before has gaps or "
                "damaged entries, or cannot be read), so nothing was changed. Run restore first: it "
                "puts back what the backup holds.\n";
    }
    if (report.kind == RunKind::Restore && report.backupHeld) {
        text += "The backup is kept, so that a later restore can finish the job.\n";
    }
    if (report.restartOffered && !report.registry.onFile) {
        text += report.restartRequested
                    ? "Windows restarts now.\n"
                    : "Restart Windows for every change to take effect (or give --restart).\n";
    }
    return text;
}

std::string RenderText(const ExportUndoReport& report) {
    return "Wrote " + report.file + ": " + std::to_string(report.values.size()) +
           " values as they were before the first optimize run.\n"
           "Apply it with: reg import \"" +
           report.file + "\"\n";
}

} // namespace zentrim
