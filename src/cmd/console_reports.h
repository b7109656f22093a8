// What each console command found or did, as plain data. The commands compute these; the
// renderers (console_render.h) turn each into the text or the JSON document the command prints.
#pragma once

#include "cmd/file_detection.h"
#include "cmd/rehearsal_store.h"
#include "engine/registry_store.h"
#include "engine/system_profile.h"
#include "engine/tweak_catalogue.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zentrim {

enum class RunKind { Optimize, Restore };

// An index of a list of `size` entries; -1 outside it.
inline int InList(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size ? index : -1;
}

// The main window's four choices the command works with, and where they came from.
struct Profile {
    ProfileSelection selection;
    std::string source;
};

// The registry a command works on: the live one, or a registry file and the Windows it is from.
struct RegistryReport {
    bool onFile = false;
    std::string file;                                // the file's name as given; empty for the live registry
    std::optional<WindowsArchitecture> architecture; // nothing for the live registry
    std::string architectureReason;                  // how the file told its Windows
};

// One distinct live value of the catalogue, with every row that names it.
struct LiveValue {
    const TweakRow* row; // the first row naming it
    std::vector<int> rows;
};

// A live value with its contents.
struct LiveValueReport {
    LiveValue value;
    std::optional<RawValue> contents;
};

// ---- status ----

// An entry of a partial record that is not usable: a gap or a damaged one, which keeps an optimize
// run from writing anything until a restore has put back what the backup holds.
struct UnusableEntry {
    const TweakRow* row;
    std::string state; // missing, unusable or unreadable
};

struct StatusRow {
    const TweakRow* row;
    std::optional<RawValue> current;
    std::optional<RawValue> optimized; // what an optimize run would leave; nothing: not written
};

struct StatusReport {
    RegistryReport registry;
    bool held = false;
    std::optional<std::string> since;
    std::string record; // complete, partial or none
    std::vector<UnusableEntry> damaged;
    std::optional<int> processorType; // the stored choices; nothing where not stored
    std::optional<int> internetType;
    std::optional<int> speedSetting;
    Profile profile;
    std::string language;          // the catalogue the texts come from
    std::string languageSetting;   // what "Language" names, lower-cased; "english" when absent
    std::vector<StatusRow> values; // every row of the catalogue, in order
    int written = 0;               // rows an optimize run writes for this profile
    int matching = 0;              // of those, rows whose value holds what it would write
};

// ---- plan ----

// What a change is for, told from where it goes.
struct ChangePurpose {
    std::string purpose;
    std::vector<int> rows;
};

struct PlannedOperation {
    RehearsalStore::Change change;
    ChangePurpose purpose;
};

struct PlanReport {
    RegistryReport registry;
    RunKind kind = RunKind::Optimize;
    Profile profile;
    bool held = false;
    bool taken = false;                // the run would take a new backup
    std::vector<LiveValueReport> kept; // what that backup would record, as it is now
    std::vector<PlannedOperation> operations;
    bool restartOffered = false;
};

// ---- optimize and restore ----

struct RunValue {
    LiveValue value;
    std::optional<RawValue> before;
    std::optional<RawValue> after;
    std::optional<RawValue> expected; // what the rehearsal of the run left
};

struct RunReport {
    RegistryReport registry;
    RunKind kind = RunKind::Optimize;
    Profile profile;
    std::string outcome; // done, someRefused, backupFailed or backupUnusable
    int exitCode = 0;
    std::vector<std::string> steps;
    std::vector<std::string> messages;
    bool backupHeld = false;
    std::vector<RunValue> changed;
    std::vector<RunValue> unchanged;
    std::vector<RunValue> refused;
    bool restartOffered = false;
    bool restartRequested = false; // --restart
};

// ---- export-undo and failures ----

struct ExportUndoReport {
    RegistryReport registry;
    std::string file;
    std::vector<LiveValueReport> values; // as recorded before the first optimize run
};

struct ErrorReport {
    int exitCode;
    std::string message;
};

} // namespace zentrim
