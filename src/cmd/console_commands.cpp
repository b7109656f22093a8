#include "cmd/console_commands.h"

#include "base/atomic_file.h"
#include "base/text.h"
#include "catalogue/captions.h"
#include "cmd/console_options.h"
#include "cmd/console_render.h"
#include "cmd/console_reports.h"
#include "cmd/console_run_view.h"
#include "cmd/console_session.h"
#include "cmd/rehearsal_store.h"
#include "engine/backup.h"
#include "engine/original_record.h"
#include "engine/product_key.h"
#include "engine/reg_file_format.h"
#include "engine/runs.h"
#include "engine/system_profile.h"
#include "engine/tweak_catalogue.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

namespace zentrim {

namespace {

// ---- what the runs would do ----

TweakProfile TweakProfileOf(const ProfileSelection& selection) {
    TweakProfile profile;
    profile.osClass = ConvertWindowsVersion(selection.windowsIndex);
    profile.internetType = InList(selection.internetType, kInternetTypeList.size());
    profile.speedSetting = selection.speedPosition;
    return profile;
}

// Restarts nothing: for rehearsals and registry files.
class NoRestart final : public SystemRestart {
public:
    void SetShutdownPrivilege(bool) override {}
    void RequestExit(std::uint32_t) override {}
};

void Run(RunKind kind, RunView& view, const CustomRegistry& registry, SystemRestart& restart) {
    if (kind == RunKind::Optimize) {
        RunOptimize(view, registry, restart);
    } else {
        RunRestore(view, registry, restart);
    }
}

std::vector<LiveValue> LiveValues() {
    std::vector<LiveValue> values;
    for (const TweakRow* row : RecordedRows()) {
        LiveValue value{row, {}};
        for (const TweakRow& other : kTweakRows) {
            if (NameSameValue(row->key, row->valueName, other.key, other.valueName)) {
                value.rows.push_back(other.number);
            }
        }
        values.push_back(std::move(value));
    }
    return values;
}

std::optional<RawValue> ReadLive(const CustomRegistry& registry, const TweakRow& row) {
    return registry.ReadRaw(LivePlace(row.key), row.valueName).value;
}

struct Rehearsal {
    std::vector<RehearsalStore::Change> changes;
    std::vector<std::optional<RawValue>> finalValues; // per LiveValues(), as the run would leave them
    bool restartOffered = false;
};

Rehearsal Rehearse(RunKind kind, Session& session, const Profile& profile) {
    RehearsalStore rehearsal(session.Store());
    const CustomRegistry registry(rehearsal);
    const CaptionCatalogue captions(registry, session.Catalogue());
    ConsoleRunView view(profile.selection, captions, false, {});
    NoRestart restart;
    Run(kind, view, registry, restart);
    Rehearsal result;
    result.changes = rehearsal.Changes();
    for (const LiveValue& value : LiveValues()) {
        result.finalValues.push_back(ReadLive(registry, *value.row));
    }
    result.restartOffered = view.RestartOffered();
    return result;
}

ChangePurpose PurposeOf(const RehearsalStore::Change& change) {
    const auto same = [](std::u16string_view a, std::u16string_view b) {
        return EqualsIgnoringCase(BareKeyPath(a), BareKeyPath(b));
    };
    if (change.root == kProductKeyRoot && same(change.path, kOriginalsKeyPath)) {
        return {"record", {}};
    }
    if (change.root == kProductKeyRoot && same(change.path, ProductKeyPath)) {
        if (EqualsIgnoringCase(change.name, product_value::kRestore)) {
            return {"flag", {}};
        }
        for (const std::u16string_view choice :
             {product_value::kInternetType, product_value::kProcessorType, product_value::kSpeedSetting}) {
            if (EqualsIgnoringCase(change.name, choice)) {
                return {"choice", {}};
            }
        }
        for (const int number : kBackupRowNumbers) {
            if (change.kind != RehearsalStore::Change::Kind::CreateKey &&
                EqualsIgnoringCase(change.name, TweakRowByNumber(number).valueName)) {
                return {"backup", {number}};
            }
        }
        return {"productKey", {}};
    }
    ChangePurpose tweak{"tweak", {}};
    for (const TweakRow& row : kTweakRows) {
        if (change.kind == RehearsalStore::Change::Kind::CreateKey
                ? change.root == row.key.root && same(change.path, row.key.path)
                : NameSameValue(row.key, row.valueName, TweakKey{change.root, change.path}, change.name)) {
            tweak.rows.push_back(row.number);
        }
    }
    if (tweak.rows.empty()) {
        tweak.purpose = "other";
    }
    return tweak;
}

std::string RecordState(const BackupInventory& inventory) {
    if (inventory.RecordComplete()) {
        return "complete";
    }
    return inventory.RecordCertainlyEmpty() ? "none" : "partial";
}

std::vector<UnusableEntry> UnusableEntries(const BackupInventory& inventory) {
    std::vector<UnusableEntry> damaged;
    if (inventory.RecordComplete() || inventory.RecordCertainlyEmpty()) {
        return damaged;
    }
    for (const auto& [row, recorded] : inventory.record) {
        switch (recorded.state) {
        case RecordedOriginal::State::Recorded:
            break;
        case RecordedOriginal::State::Missing:
            damaged.push_back({row, "missing"});
            break;
        case RecordedOriginal::State::Unusable:
            damaged.push_back({row, "unusable"});
            break;
        case RecordedOriginal::State::Unreadable:
            damaged.push_back({row, "unreadable"});
            break;
        }
    }
    return damaged;
}

// What the profile decides for a run of `kind` over the backup as it is now.
ProfileUse ProfileUseOf(RunKind kind, const CustomRegistry& registry) {
    if (kind == RunKind::Optimize) {
        return ProfileUse::Optimize;
    }
    const BackupInventory inventory = ReadBackupInventory(registry);
    return inventory.Held() && inventory.RecordCertainlyEmpty() ? ProfileUse::RestoreWithoutRecord
                                                                : ProfileUse::RestoreFromRecord;
}

// The language of the texts a run shows: the one "Language" names when the program has its
// catalogue, else English.
std::string LanguageInUse(const CaptionCatalogue& captions) {
    const std::u16string setting = captions.LanguageName();
    return ToUtf8(IsProgramCatalogue(setting) ? setting : std::u16string(kDefaultLanguage));
}

// ---- the commands ----

// Prints the report as the command line asks: as JSON or as text.
template <typename Report>
void Print(const Report& report, const ConsoleRequest& request, ConsoleHost& host) {
    host.WriteOut(request.json ? RenderJson(report) : RenderText(report));
}

StatusReport Status(const ConsoleRequest& request, ConsoleHost& host) {
    Session session(request, host);
    const CustomRegistry& registry = session.Registry();
    StatusReport report;
    report.registry = session.Describe();
    report.profile = session.ResolveProfile();
    const TweakProfile tweakProfile = TweakProfileOf(report.profile.selection);
    const BackupInventory inventory = ReadBackupInventory(registry);
    report.held = IsBackupHeld(registry);
    report.since = report.held && !session.OnFile() ? host.BackupTime() : std::nullopt;
    report.record = RecordState(inventory);
    report.damaged = UnusableEntries(inventory);

    const auto stored = [&](std::u16string_view name) {
        return registry.ReadInteger(kProductKeyPlace, name).value;
    };
    report.processorType = stored(product_value::kProcessorType);
    report.internetType = stored(product_value::kInternetType);
    report.speedSetting = stored(product_value::kSpeedSetting);
    const CaptionCatalogue captions(registry, session.Catalogue());
    report.languageSetting = ToUtf8(captions.LanguageName());
    report.language = LanguageInUse(captions);

    for (const TweakRow& row : kTweakRows) {
        StatusRow entry{&row, ReadLive(registry, row), std::nullopt};
        // What an optimize run leaves in the value: the last row in write order that writes it
        // (one value is written twice, through its key with and without the trailing backslash).
        for (const TweakRow& writer : kTweakRows) {
            if (ConditionHolds(writer.condition, tweakProfile) &&
                NameSameValue(writer.key, writer.valueName, row.key, row.valueName)) {
                entry.optimized = ToRawValue(WrittenValue(writer, tweakProfile));
            }
        }
        if (entry.optimized) {
            ++report.written;
            report.matching += entry.current == entry.optimized ? 1 : 0;
        }
        report.values.push_back(std::move(entry));
    }
    return report;
}

PlanReport Plan(const ConsoleRequest& request, ConsoleHost& host) {
    Session session(request, host);
    const CustomRegistry& registry = session.Registry();
    PlanReport report;
    report.registry = session.Describe();
    report.kind = request.restoreRun ? RunKind::Restore : RunKind::Optimize;
    report.profile = session.ResolveProfile(ProfileUseOf(report.kind, registry));
    report.held = IsBackupHeld(registry);
    report.taken = report.kind == RunKind::Optimize && !report.held;
    if (report.taken) {
        for (const LiveValue& value : LiveValues()) {
            report.kept.push_back({value, ReadLive(registry, *value.row)});
        }
    }
    if (report.kind == RunKind::Optimize || report.held) {
        const Rehearsal rehearsal = Rehearse(report.kind, session, report.profile);
        for (const RehearsalStore::Change& change : rehearsal.changes) {
            report.operations.push_back({change, PurposeOf(change)});
        }
        report.restartOffered = rehearsal.restartOffered;
    }
    return report;
}

RunReport RunCommand(RunKind kind, const ConsoleRequest& request, ConsoleHost& host) {
    Session session(request, host, FileUse::Change);
    const CustomRegistry& registry = session.Registry();
    RunReport report;
    report.registry = session.Describe();
    report.kind = kind;
    report.profile = session.ResolveProfile(ProfileUseOf(kind, registry));
    report.restartRequested = request.restart;
    const bool heldBefore = IsBackupHeld(registry);
    if (kind == RunKind::Restore && !heldBefore) {
        throw CommandFailure{console_exit::kNoBackup, "no backup is held: there is nothing to restore"};
    }

    // Two programs never run a run at once: a main window that is open ends the command here, and
    // one started meanwhile waits until the run is over.
    std::unique_ptr<ConsoleHost::RunLock> lock;
    if (!session.OnFile()) {
        lock = host.LockRuns();
        if (!lock) {
            throw CommandFailure{console_exit::kWindowOpen,
                                 "a Zentrim window is open: close it first; nothing was changed"};
        }
    }

    const std::vector<LiveValue> liveValues = LiveValues();
    const Rehearsal expected = Rehearse(kind, session, report.profile);
    std::vector<std::optional<RawValue>> before;
    for (const LiveValue& value : liveValues) {
        before.push_back(ReadLive(registry, *value.row));
    }

    const CaptionCatalogue captions(registry, session.Catalogue());
    ConsoleRunView view(report.profile.selection, captions, request.restart,
                        {.to = request.json ? nullptr : &host, .everyStep = request.verbose});
    NoRestart noRestart;
    Run(kind, view, registry, session.OnFile() ? static_cast<SystemRestart&>(noRestart) : host.Restart());
    session.SaveFile();

    report.backupHeld = IsBackupHeld(registry);
    for (std::size_t i = 0; i < liveValues.size(); ++i) {
        RunValue value{liveValues[i], before[i], ReadLive(registry, *liveValues[i].row),
                       expected.finalValues[i]};
        if (value.after != value.expected) {
            report.refused.push_back(value);
        }
        (value.after == value.before ? report.unchanged : report.changed).push_back(std::move(value));
    }

    report.outcome = "done";
    if (kind == RunKind::Optimize && (view.BackupWarned() || (!heldBefore && !report.backupHeld))) {
        // No tweak was written: none could be without a backup to undo it.
        report.exitCode = console_exit::kFailed;
        report.outcome = heldBefore ? "backupUnusable" : "backupFailed";
    } else if (!report.refused.empty() || (kind == RunKind::Restore && report.backupHeld)) {
        report.exitCode = console_exit::kSomeRefused;
        report.outcome = "someRefused";
    }
    report.steps = view.Steps();
    report.messages = view.Messages();
    report.restartOffered = view.RestartOffered();
    return report;
}

ExportUndoReport ExportUndo(const ConsoleRequest& request, ConsoleHost& host) {
    Session session(request, host);
    const CustomRegistry& registry = session.Registry();
    if (!IsBackupHeld(registry)) {
        throw CommandFailure{console_exit::kNoBackup,
                             "no backup is held: there are no values from before Zentrim to put back"};
    }
    const BackupInventory inventory = ReadBackupInventory(registry);
    if (!inventory.RecordComplete()) {
        throw CommandFailure{console_exit::kFailed,
                             "the backup holds no complete record of the values from before (it was taken "
                             "by an older version, or cannot be read): use restore instead"};
    }

    ExportUndoReport report;
    report.registry = session.Describe();
    report.file = ToUtf8(request.undoFile);
    std::vector<RegFileKeyEdits> keys;
    for (const auto& [row, recorded] : inventory.record) {
        const std::u16string rootName(RootName(row->key.root));
        const std::u16string path(BareKeyPath(row->key.path));
        auto key = std::find_if(keys.begin(), keys.end(), [&](const RegFileKeyEdits& k) {
            return k.rootName == rootName && EqualsIgnoringCase(k.path, path);
        });
        if (key == keys.end()) {
            keys.push_back({rootName, path, {}});
            key = std::prev(keys.end());
        }
        RegFileValueEdit edit;
        edit.value.name = std::u16string(row->valueName);
        if (recorded.value) {
            edit.value.type = recorded.value->type;
            edit.value.data = recorded.value->data;
        } else {
            edit.deleted = true;
        }
        key->values.push_back(std::move(edit));
        report.values.push_back({LiveValue{row, {}}, recorded.value});
    }
    if (!WriteFileAtomically(std::filesystem::path(request.undoFile), FormatRegEditFile(keys))) {
        throw CommandFailure{console_exit::kUsage,
                             report.file + ": the file cannot be written; nothing was left behind"};
    }
    return report;
}

int Dispatch(const ConsoleRequest& request, ConsoleHost& host) {
    switch (request.command) {
    case ConsoleCommand::Help:
        host.WriteOut(ConsoleUsage());
        return console_exit::kDone;
    case ConsoleCommand::Version:
        host.WriteOut(ConsoleVersion());
        return console_exit::kDone;
    case ConsoleCommand::Status:
        Print(Status(request, host), request, host);
        return console_exit::kDone;
    case ConsoleCommand::Plan:
        Print(Plan(request, host), request, host);
        return console_exit::kDone;
    case ConsoleCommand::Optimize:
    case ConsoleCommand::Restore: {
        const RunReport report =
            RunCommand(request.command == ConsoleCommand::Optimize ? RunKind::Optimize : RunKind::Restore,
                       request, host);
        Print(report, request, host);
        return report.exitCode;
    }
    case ConsoleCommand::ExportUndo:
        Print(ExportUndo(request, host), request, host);
        return console_exit::kDone;
    }
    return console_exit::kUsage;
}

// The line after a usage error's own, in place of the whole help text.
constexpr std::string_view kSeeHelp = "Run 'ZentrimCmd --help' for the commands, options and exit codes.\n";

// A failure as the command line asks: the error document on the output when it asks for JSON,
// and always the message on the error stream.
void ReportFailure(const CommandFailure& failure, bool json, ConsoleHost& host) {
    if (json) {
        host.WriteOut(RenderJson(ErrorReport{failure.exitCode, failure.message}));
    }
    host.WriteError("ZentrimCmd: " + failure.message + "\n");
}

int RunAndReport(std::span<const std::u16string> arguments, ConsoleHost& host) noexcept {
    bool json = false;
    try {
        json = AsksForJson(arguments);
        const ConsoleParse parse = ParseConsoleArguments(arguments);
        if (!parse.request) {
            ReportFailure({console_exit::kUsage, parse.error}, json, host);
            host.WriteError(kSeeHelp);
            return console_exit::kUsage;
        }
        return Dispatch(*parse.request, host);
    } catch (const CommandFailure& failure) {
        try {
            ReportFailure(failure, json, host);
            return failure.exitCode;
        } catch (...) {
            // nothing more can be reported
        }
    } catch (const std::exception& exception) {
        try {
            ReportFailure({console_exit::kFailed, std::string("failed: ") + exception.what()}, json, host);
        } catch (...) {
            // nothing more can be reported
        }
    } catch (...) {
        // the exit code says it
    }
    return console_exit::kFailed;
}

} // namespace

int RunConsoleCommand(std::span<const std::u16string> arguments, ConsoleHost& host) noexcept {
    const int exitCode = RunAndReport(arguments, host);
    // A report that did not reach its reader is no report: a script must not take it for one.
    try {
        if (host.FlushOutput()) {
            return exitCode;
        }
        host.WriteError("ZentrimCmd: the output could not be written (the command itself ended with code " +
                        std::to_string(exitCode) + ")\n");
        host.FlushOutput();
    } catch (...) {
        // the exit code says it
    }
    return console_exit::kUsage;
}

} // namespace zentrim
