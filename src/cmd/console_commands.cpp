#include "cmd/console_commands.h"

#include "base/atomic_file.h"
#include "base/text.h"
#include "catalogue/captions.h"
#include "cmd/console_options.h"
#include "cmd/embedded_catalogue.h"
#include "cmd/file_detection.h"
#include "cmd/rehearsal_store.h"
#include "engine/backup.h"
#include "engine/memory_registry_store.h"
#include "engine/original_record.h"
#include "engine/product_key.h"
#include "engine/reg_file_format.h"
#include "engine/reg_file_lock.h"
#include "engine/runs.h"
#include "engine/system_profile.h"
#include "engine/tweak_catalogue.h"
#include "engine/windows_version.h"

#include <nlohmann/json.hpp>

#include <array>
#include <filesystem>
#include <iterator>

namespace zentrim {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kSchemaVersion = 1;

// A failure that ends the command with an exit code and a message on the error stream.
struct CommandFailure {
    int exitCode;
    std::string message;
};

// ---- values as the console shows them ----

std::string TypeName(ValueType type) {
    constexpr std::array<std::string_view, 12> kNames{"REG_NONE",
                                                      "REG_SZ",
                                                      "REG_EXPAND_SZ",
                                                      "REG_BINARY",
                                                      "REG_DWORD",
                                                      "REG_DWORD_BIG_ENDIAN",
                                                      "REG_LINK",
                                                      "REG_MULTI_SZ",
                                                      "REG_RESOURCE_LIST",
                                                      "REG_FULL_RESOURCE_DESCRIPTOR",
                                                      "REG_RESOURCE_REQUIREMENTS_LIST",
                                                      "REG_QWORD"};
    const auto number = static_cast<std::uint32_t>(type);
    return number < kNames.size() ? std::string(kNames[number]) : "REG_TYPE_" + std::to_string(number);
}

std::string HexBytes(std::span<const std::uint8_t> data, std::string_view separator) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i != 0) {
            text += separator;
        }
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0xF];
    }
    return text;
}

std::uint64_t LittleEndian(std::span<const std::uint8_t> data) {
    std::uint64_t number = 0;
    for (std::size_t i = data.size(); i-- > 0;) {
        number = (number << 8) | data[i];
    }
    return number;
}

bool IsText(ValueType type) {
    return type == ValueType::String || type == ValueType::ExpandString;
}

// A value in the form a .reg file writes it; "(absent)" when there is none.
std::string ValueText(const std::optional<RawValue>& value) {
    if (!value) {
        return "(absent)";
    }
    if (value->type == ValueType::Dword && value->data.size() == 4) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(LittleEndian(value->data)));
        return std::string("dword:") + digits;
    }
    if (value->type == ValueType::String && value->data.size() % 2 == 0 && !value->data.empty() &&
        value->data[value->data.size() - 1] == 0 && value->data[value->data.size() - 2] == 0) {
        return "\"" + ToUtf8(DecodeRegistryText(value->data)) + "\"";
    }
    if (value->type == ValueType::Binary) {
        return "hex:" + HexBytes(value->data, ",");
    }
    char type[16];
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value->type));
    return type + HexBytes(value->data, ",");
}

Json ValueJson(const std::optional<RawValue>& value) {
    if (!value) {
        return nullptr;
    }
    Json json;
    json["type"] = TypeName(value->type);
    json["size"] = value->data.size();
    json["hex"] = HexBytes(value->data, "");
    if ((value->type == ValueType::Dword && value->data.size() == 4) ||
        (value->type == ValueType::Qword && value->data.size() == 8)) {
        json["number"] = LittleEndian(value->data);
    }
    if (IsText(value->type)) {
        json["text"] = ToUtf8(DecodeRegistryText(value->data));
    }
    return json;
}

std::string RootText(RegistryRoot root) {
    return ToUtf8(RootName(root));
}

std::string KeyText(RegistryRoot root, std::u16string_view path) {
    std::string text = RootText(root);
    const std::u16string_view bare = BareKeyPath(path);
    if (!bare.empty()) {
        text += "\\" + ToUtf8(bare);
    }
    return text;
}

std::string Lines(std::u16string_view text) {
    std::string out = ToUtf8(text);
    std::string joined;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\r') {
            continue;
        }
        joined += out[i];
    }
    return joined;
}

// ---- the profile ----

struct Profile {
    ProfileSelection selection;
    std::string source; // where the choices came from
};

int InList(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size ? index : -1;
}

Json EntryJson(std::span<const std::string_view> names, int index) {
    Json json;
    json["index"] = index;
    const std::string_view name = EntryName(names, index);
    json["name"] = name.empty() ? Json(nullptr) : Json(std::string(name));
    return json;
}

Json ProfileJson(const Profile& profile) {
    const ProfileSelection& s = profile.selection;
    Json json;
    json["os"] = EntryJson(kOsNames, s.windowsIndex);
    json["cpu"] = EntryJson(kCpuNames, InList(s.processorIndex, kProcessorList.size()));
    json["internet"] = EntryJson(kInternetNames, InList(s.internetType, kInternetTypeList.size()));
    json["speed"] = std::string(EntryName(kSpeedNames, s.speedPosition));
    json["osClass"] = ConvertWindowsVersion(s.windowsIndex);
    json["source"] = profile.source;
    return json;
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

TweakProfile TweakProfileOf(const ProfileSelection& selection) {
    TweakProfile profile;
    profile.osClass = ConvertWindowsVersion(selection.windowsIndex);
    profile.internetType = InList(selection.internetType, kInternetTypeList.size());
    profile.speedSetting = selection.speedPosition;
    return profile;
}

// ---- the console view of the runs ----

// The first text of the warning an optimize run shows when it wrote no tweak because no backup
// could be saved or the one held cannot be used.
constexpr std::u16string_view kBackupFailedCaption = u"MessageBoxBackupFailed1";

class ConsoleRunView final : public RunView {
public:
    ConsoleRunView(const ProfileSelection& selection, const CaptionCatalogue& captions, bool restart,
                   ConsoleHost* printTo)
        : selection_(selection), captions_(captions), restart_(restart), printTo_(printTo) {}

    int WindowsIndex() override { return selection_.windowsIndex; }
    int InternetType() override { return InList(selection_.internetType, kInternetTypeList.size()); }
    int ProcessorType() override { return InList(selection_.processorIndex, kProcessorList.size()); }
    int SpeedSetting() override { return selection_.speedPosition; }
    int ConvertWindowsVersion(int windowsIndex) override {
        return zentrim::ConvertWindowsVersion(windowsIndex);
    }

    void EnableMainWindow(bool) override {}
    void EnableRestoreButton(bool) override {}
    std::u16string MainWindowTitle() override { return u"Zentrim"; }

    void ShowProgressWindow() override {}
    void SetProgressStepTotal(int total) override { total_ = total; }
    void SetProgressStepCount(int count) override { count_ = count; }
    void SetProgressHeading(std::u16string_view text) override { Print(Lines(text) + "\n"); }
    void ShowProgressStep(std::u16string_view text) override {
        ++count_;
        steps_.push_back(Lines(text));
        Print("  [" + std::to_string(count_) + "/" + std::to_string(total_) + "] " + steps_.back() + "\n");
    }
    void CloseProgressWindow() override {}

    std::u16string GetCaption(std::u16string_view windowName, std::u16string_view key) override {
        backupWarned_ |= key == kBackupFailedCaption;
        return captions_.GetCaption(windowName, key);
    }
    void PlayClickSound() override {}

    // The command line has answered the questions already: the command itself confirms a restore,
    // and Windows restarts only with --restart.
    int ShowMessageBox(std::u16string_view text, std::u16string_view, std::uint32_t flags) override {
        if (flags == message_box::kRestartQuestion) {
            restartOffered_ = true;
            return restart_ ? message_box::kIdYes : message_box::kIdNo;
        }
        if (flags == message_box::kRestoreConfirmation) {
            return message_box::kIdOk;
        }
        messages_.push_back(Lines(text));
        Print(messages_.back() + "\n");
        return message_box::kIdOk;
    }

    const std::vector<std::string>& Steps() const { return steps_; }
    const std::vector<std::string>& Messages() const { return messages_; }
    bool RestartOffered() const { return restartOffered_; }
    // Whether the run ended with the warning that it changed nothing for want of a usable backup.
    bool BackupWarned() const { return backupWarned_; }

private:
    void Print(const std::string& text) {
        if (printTo_ != nullptr) {
            printTo_->WriteOut(text);
        }
    }

    ProfileSelection selection_;
    const CaptionCatalogue& captions_;
    bool restart_;
    ConsoleHost* printTo_;
    int total_ = 0;
    int count_ = 0;
    std::vector<std::string> steps_;
    std::vector<std::string> messages_;
    bool restartOffered_ = false;
    bool backupWarned_ = false;
};

// Restarts nothing: for rehearsals and registry files.
class NoRestart final : public SystemRestart {
public:
    void SetShutdownPrivilege(bool) override {}
    void RequestExit(std::uint32_t) override {}
};

enum class RunKind { Optimize, Restore };

void Run(RunKind kind, RunView& view, const CustomRegistry& registry, SystemRestart& restart) {
    if (kind == RunKind::Optimize) {
        RunOptimize(view, registry, restart);
    } else {
        RunRestore(view, registry, restart);
    }
}

// ---- the command's surroundings ----

// What a command does with a registry file: reads it, or runs a run that changes it.
enum class FileUse { Read, Change };

class Session {
public:
    Session(const ConsoleRequest& request, ConsoleHost& host, FileUse use = FileUse::Read)
        : request_(request), host_(host) {
        catalogue_.Add(u"ENGLISH",
                       std::vector<std::uint8_t>(std::begin(kEnglishCatalogue), std::end(kEnglishCatalogue)));
        if (request.registryFile.empty()) {
            store_ = host.LiveRegistry();
            if (store_ == nullptr) {
                throw CommandFailure{console_exit::kUsage,
                                     "this build has no live registry to work on: give --registry FILE.reg"};
            }
        } else {
            LockFile(use);
            LoadFile();
            if (use == FileUse::Change) {
                // Refused before the run, not only at its save: a run that cannot be saved changes nothing.
                if (const std::string refusal = ReplaceRefusal(FilePath()); !refusal.empty()) {
                    throw CommandFailure{console_exit::kUsage,
                                         FileText() + ": " + refusal + "; nothing was changed"};
                }
            }
        }
        registry_.emplace(*store_);
    }

    const CustomRegistry& Registry() const { return *registry_; }
    RegistryStore& Store() { return *store_; }
    bool OnFile() const { return !request_.registryFile.empty(); }
    const CatalogueSource& Catalogue() const { return catalogue_; }

    // Saves the file after a run changed it; the file is replaced in one step or left as it was.
    void SaveFile() {
        if (!OnFile()) {
            return;
        }
        const std::vector<std::uint8_t> bytes = FormatRegFile(fileStore_.Snapshot());
        if (bytes == fileBytes_) {
            return;
        }
        const SaveResult saved = SaveFileAtomically(FilePath(), bytes, &fileStamp_);
        switch (saved.status) {
        case SaveStatus::Saved:
            return;
        case SaveStatus::ChangedMeanwhile:
            throw CommandFailure{console_exit::kInUse,
                                 FileText() + ": another program changed the file during the run, so nothing "
                                              "of the run was saved; run it again"};
        case SaveStatus::Refused:
            throw CommandFailure{console_exit::kUsage,
                                 FileText() + ": " + saved.reason + "; the file was left as it was"};
        case SaveStatus::Failed:
            break;
        }
        throw CommandFailure{console_exit::kUsage,
                             FileText() + ": the file cannot be written; it was left as it was"};
    }

    std::string FileText() const { return ToUtf8(request_.registryFile); }
    // The Windows the file comes from; nothing for the live registry.
    std::optional<WindowsArchitecture> Architecture() const { return architecture_; }
    const std::string& ArchitectureReason() const { return architectureReason_; }

    Profile ResolveProfile() {
        const ProfileOptions& given = request_.profile;
        const StoredChoices stored = ReadStoredChoices(*registry_);
        int detection = detection_code::kUnknown;
        if (!given.windowsIndex) {
            detection = OnFile() ? DetectWindowsFromRegistry(*registry_) : host_.DetectWindows();
            if (OnFile() && detection == detection_code::kUnknown) {
                throw CommandFailure{console_exit::kUsage,
                                     FileText() + " does not tell which Windows it is from: give --os"};
            }
        }
        if (OnFile() && !given.processorIndex && stored.processorType == kDetectProcessorType &&
            !HasProcessorName(*registry_)) {
            throw CommandFailure{console_exit::kUsage,
                                 FileText() +
                                     " does not name the processor and no choice is stored: give --cpu"};
        }
        Profile profile;
        // Detection of the processor is skipped when it is given.
        StoredChoices forSelection = stored;
        if (given.processorIndex) {
            forSelection.processorType = *given.processorIndex;
        }
        profile.selection = PreselectProfile(detection, forSelection, *registry_);
        const bool anyGiven =
            given.windowsIndex || given.processorIndex || given.internetType || given.speedPosition;
        if (given.windowsIndex) {
            profile.selection.windowsIndex = *given.windowsIndex;
        }
        if (given.internetType) {
            profile.selection.internetType = *given.internetType;
        }
        if (given.speedPosition) {
            profile.selection.speedPosition = *given.speedPosition;
        }
        profile.source =
            anyGiven ? "options, then the stored choices and detection" : "the stored choices and detection";
        return profile;
    }

private:
    std::filesystem::path FilePath() const {
        return std::filesystem::path(std::u16string(request_.registryFile));
    }

    // Every run of ours on the file holds its lock from before the file is read until the run is
    // saved: a run that changes it alone, readers side by side. Readers of a file that no run has
    // ever changed read it unlocked: a save replaces the whole file in one step anyway.
    void LockFile(FileUse use) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(FilePath(), error)) {
            throw CommandFailure{console_exit::kUsage, FileText() + ": no such registry file"};
        }
        RegFileLock::Result locked = RegFileLock::Acquire(
            FilePath(), use == FileUse::Change ? RegFileLock::Mode::Exclusive : RegFileLock::Mode::Shared);
        switch (locked.status) {
        case RegFileLock::Status::Locked:
            lock_ = std::move(locked.lock);
            // No run of ours is writing now: temporary files of the file's saves are left over
            // from runs that were killed.
            lock_->RemoveStaleTemporaryFiles();
            return;
        case RegFileLock::Status::Busy:
            throw CommandFailure{console_exit::kInUse,
                                 FileText() + ": another run is using this file; nothing was changed"};
        case RegFileLock::Status::NoLockFile:
            return;
        case RegFileLock::Status::Unavailable:
            if (use == FileUse::Read) {
                return;
            }
            throw CommandFailure{console_exit::kUsage, locked.error + "; nothing was changed"};
        }
    }

    void LoadFile() {
        StampedFile file = ReadStampedFile(FilePath());
        if (!file) {
            throw CommandFailure{console_exit::kUsage, FileText() + ": " + file.error};
        }
        fileStamp_ = file.stamp;
        const RegFileParseResult parsed = ParseRegFile(file.bytes);
        if (!parsed) {
            throw CommandFailure{console_exit::kUsage, FileText() + ": " + parsed.error};
        }
        const ArchitectureDecision architecture = DecideFileArchitecture(parsed.keys, request_.architecture);
        if (!architecture.architecture) {
            throw CommandFailure{console_exit::kUsage, FileText() + ": " + architecture.reason};
        }
        architecture_ = architecture.architecture;
        architectureReason_ = architecture.reason;
        fileStore_.Load(parsed.keys);
        if (architecture_ == WindowsArchitecture::X64) {
            // 64-bit Windows: the product key lies in the registry's 32-bit copy (Software\WOW6432Node),
            // where Zentrim keeps it on such a computer. 32-bit Windows has one view of everything.
            fileStore_.EmulateWow64Redirection(MemoryRegistryStore::ProgramKind::Bits64);
        }
        // What this store writes, for telling whether a run changed anything.
        fileBytes_ = FormatRegFile(fileStore_.Snapshot());
        store_ = &fileStore_;
    }

    const ConsoleRequest& request_;
    ConsoleHost& host_;
    MemoryCatalogueSource catalogue_;
    std::unique_ptr<RegFileLock> lock_; // released after everything else: declared before the file
    MemoryRegistryStore fileStore_;
    FileStamp fileStamp_; // the file as it was read, checked again before it is replaced
    std::optional<WindowsArchitecture> architecture_;
    std::string architectureReason_;
    std::vector<std::uint8_t> fileBytes_;
    RegistryStore* store_ = nullptr;
    std::optional<CustomRegistry> registry_;
};

// ---- what the runs would do ----

// One distinct live value of the catalogue, with every row that names it.
struct LiveValue {
    const TweakRow* row; // the first row naming it
    std::vector<int> rows;
};

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
    return registry.ReadRegistryRaw(row.key.root, row.key.path, row.valueName, kLiveValueUse64BitView);
}

struct Rehearsal {
    std::vector<RehearsalStore::Change> changes;
    std::vector<std::optional<RawValue>> finalValues; // per LiveValues(), as the run would leave them
    bool restartOffered = false;
    std::vector<std::string> messages;
};

Rehearsal Rehearse(RunKind kind, Session& session, const Profile& profile) {
    RehearsalStore rehearsal(session.Store());
    const CustomRegistry registry(rehearsal);
    const CaptionCatalogue captions(registry, session.Catalogue());
    ConsoleRunView view(profile.selection, captions, false, nullptr);
    NoRestart restart;
    Run(kind, view, registry, restart);
    Rehearsal result;
    result.changes = rehearsal.Changes();
    for (const LiveValue& value : LiveValues()) {
        result.finalValues.push_back(ReadLive(registry, *value.row));
    }
    result.restartOffered = view.RestartOffered();
    result.messages = view.Messages();
    return result;
}

// What a change is for, told from where it goes.
struct ChangePurpose {
    std::string purpose;
    std::vector<int> rows;
};

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

std::string_view KindName(RehearsalStore::Change::Kind kind) {
    switch (kind) {
    case RehearsalStore::Change::Kind::CreateKey:
        return "createKey";
    case RehearsalStore::Change::Kind::SetValue:
        return "set";
    case RehearsalStore::Change::Kind::DeleteValue:
        return "delete";
    case RehearsalStore::Change::Kind::DeleteKey:
        return "deleteKey";
    }
    return "";
}

std::string ViewName(RegistryView view) {
    return view == RegistryView::Bits32() ? "32-bit" : "64-bit";
}

Json PlaceJson(const TweakRow& row) {
    Json json;
    json["root"] = RootText(row.key.root);
    json["key"] = ToUtf8(BareKeyPath(row.key.path));
    json["name"] = ToUtf8(row.valueName);
    return json;
}

std::string PlaceText(const TweakRow& row) {
    return KeyText(row.key.root, row.key.path) + " \"" + ToUtf8(row.valueName) + "\"";
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

Json Envelope(std::string_view command) {
    Json json;
    json["zentrimCmd"] = kSchemaVersion;
    json["command"] = std::string(command);
    return json;
}

Json RegistryJson(const Session& session) {
    Json json;
    json["source"] = session.OnFile() ? "file" : "live";
    json["file"] = session.OnFile() ? Json(session.FileText()) : Json(nullptr);
    const std::optional<WindowsArchitecture> architecture = session.Architecture();
    json["arch"] = architecture
                       ? Json(std::string(EntryName(kArchitectureNames, static_cast<int>(*architecture))))
                       : Json(nullptr);
    return json;
}

std::string Dump(const Json& json) {
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// ---- the commands ----

std::string RecordState(const BackupInventory& inventory) {
    if (inventory.RecordComplete()) {
        return "complete";
    }
    return inventory.RecordCertainlyEmpty() ? "none" : "partial";
}

// The entries of a partial record that are not usable: the gaps and the damaged ones, which keep
// an optimize run from writing anything until a restore has put back what the backup holds.
struct UnusableEntry {
    const TweakRow* row;
    std::string state; // missing, unusable or unreadable
};

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

int Status(const ConsoleRequest& request, ConsoleHost& host) {
    Session session(request, host);
    const CustomRegistry& registry = session.Registry();
    const Profile profile = session.ResolveProfile();
    const TweakProfile tweakProfile = TweakProfileOf(profile.selection);
    const BackupInventory inventory = ReadBackupInventory(registry);
    const bool held = IsBackupHeld(registry);
    const std::optional<std::string> since = held && !session.OnFile() ? host.BackupTime() : std::nullopt;

    const auto stored = [&](std::u16string_view name) -> std::optional<int> {
        int value = 0;
        if (registry.TryReadInteger(kProductKeyRoot, ProductKeyPath, name, kProductKeyView, value) !=
            StoreStatus::Ok) {
            return std::nullopt;
        }
        return value;
    };
    const std::optional<int> processorType = stored(product_value::kProcessorType);
    const std::optional<int> internetType = stored(product_value::kInternetType);
    const std::optional<int> speedSetting = stored(product_value::kSpeedSetting);

    Json json = Envelope("status");
    json["registry"] = RegistryJson(session);
    json["backup"] = {
        {"held", held}, {"since", since ? Json(*since) : Json(nullptr)}, {"record", RecordState(inventory)}};
    const std::vector<UnusableEntry> damaged = UnusableEntries(inventory);
    Json damagedJson = Json::array();
    for (const UnusableEntry& entry : damaged) {
        Json place = PlaceJson(*entry.row);
        place["state"] = entry.state;
        damagedJson.push_back(std::move(place));
    }
    json["backup"]["damaged"] = std::move(damagedJson);
    const auto optionalJson = [](std::optional<int> value) { return value ? Json(*value) : Json(nullptr); };
    json["storedChoices"] = {{"processorType", optionalJson(processorType)},
                             {"internetType", optionalJson(internetType)},
                             {"speedSetting", optionalJson(speedSetting)}};
    json["profile"] = ProfileJson(profile);

    std::string text = "Registry: " + (session.OnFile() ? session.FileText() : std::string("live")) + "\n";
    text += "Backup: " + std::string(held ? "held" : "not held");
    if (held) {
        text += since ? " since " + *since : std::string(" (since: unknown)");
        text += ", record of originals " + RecordState(inventory);
    }
    text += "\n";
    if (!damaged.empty()) {
        text += "Entries of the record that cannot be used (an optimize run changes nothing until a restore "
                "has put back what the backup holds):\n";
        for (const UnusableEntry& entry : damaged) {
            text += "  " + PlaceText(*entry.row) + ": " + entry.state + "\n";
        }
    }
    if (session.OnFile()) {
        text += "Windows: " +
                std::string(*session.Architecture() == WindowsArchitecture::X86 ? "32-bit" : "64-bit") +
                " (" + session.ArchitectureReason() + ")\n";
    }
    const auto storedText = [](std::optional<int> value) {
        return value ? std::to_string(*value) : std::string("not stored");
    };
    text += "Stored choices: ProcessorType " + storedText(processorType) + ", InternetType " +
            storedText(internetType) + ", SpeedSetting " + storedText(speedSetting) + "\n";
    text += "Profile: " + ProfileText(profile) + "\n\n";

    Json values = Json::array();
    for (const TweakRow& row : kTweakRows) {
        const std::optional<RawValue> current = ReadLive(registry, row);
        // What an optimize run leaves in the value: the last row in write order that writes it
        // (one value is written twice, through its key with and without the trailing backslash).
        std::optional<RawValue> optimized;
        for (const TweakRow& writer : kTweakRows) {
            if (ConditionHolds(writer.condition, tweakProfile) &&
                NameSameValue(writer.key, writer.valueName, row.key, row.valueName)) {
                optimized = ToRawValue(WrittenValue(writer, tweakProfile));
            }
        }
        Json entry;
        entry["row"] = row.number;
        entry.update(PlaceJson(row));
        entry["current"] = ValueJson(current);
        entry["optimized"] = ValueJson(optimized);
        entry["matches"] = optimized ? Json(current == optimized) : Json(nullptr);
        values.push_back(std::move(entry));

        char number[8];
        std::snprintf(number, sizeof number, "%2d", row.number);
        text += std::string(number) + "  " + PlaceText(row) + "\n      now " + ValueText(current);
        if (optimized) {
            text += current == optimized ? "  (optimized)" : "  -> optimize writes " + ValueText(optimized);
        } else {
            text += "  (not written for this profile)";
        }
        text += "\n";
    }
    json["values"] = std::move(values);
    host.WriteOut(request.json ? Dump(json) : text);
    return console_exit::kDone;
}

int Plan(const ConsoleRequest& request, ConsoleHost& host) {
    Session session(request, host);
    const CustomRegistry& registry = session.Registry();
    const Profile profile = session.ResolveProfile();
    const RunKind kind = request.restoreRun ? RunKind::Restore : RunKind::Optimize;
    const bool held = IsBackupHeld(registry);
    const std::vector<LiveValue> liveValues = LiveValues();

    Json json = Envelope("plan");
    json["registry"] = RegistryJson(session);
    json["run"] = kind == RunKind::Optimize ? "optimize" : "restore";
    json["profile"] = ProfileJson(profile);
    std::string text = std::string("Plan of ") + (kind == RunKind::Optimize ? "an optimize" : "a restore") +
                       " run on " +
                       (session.OnFile() ? session.FileText() : std::string("the live registry")) +
                       "\nProfile: " + ProfileText(profile) + "\n";

    Json backup;
    backup["held"] = held;
    if (kind == RunKind::Optimize) {
        backup["taken"] = !held;
        Json kept = Json::array();
        if (!held) {
            text += "No backup is held: the run first records these values as they are now:\n";
            for (const LiveValue& value : liveValues) {
                const std::optional<RawValue> current = ReadLive(registry, *value.row);
                Json entry = PlaceJson(*value.row);
                entry["rows"] = value.rows;
                entry["value"] = ValueJson(current);
                kept.push_back(std::move(entry));
                text += "  " + PlaceText(*value.row) + " = " + ValueText(current) + "\n";
            }
        } else {
            text += "A backup is held already: it is kept as it is and no new one is taken.\n";
        }
        backup["values"] = std::move(kept);
    } else {
        backup["taken"] = false;
        backup["values"] = Json::array();
        if (!held) {
            text += "No backup is held: a restore run would change nothing.\n";
        }
    }
    json["backup"] = std::move(backup);

    Json operations = Json::array();
    Rehearsal rehearsal;
    if (kind == RunKind::Optimize || held) {
        rehearsal = Rehearse(kind, session, profile);
    }
    if (!rehearsal.changes.empty()) {
        text += "Operations, in order:\n";
    }
    int step = 0;
    for (const RehearsalStore::Change& change : rehearsal.changes) {
        const ChangePurpose purpose = PurposeOf(change);
        Json entry;
        entry["step"] = ++step;
        entry["op"] = std::string(KindName(change.kind));
        entry["purpose"] = purpose.purpose;
        entry["rows"] = purpose.rows;
        entry["root"] = RootText(change.root);
        entry["key"] = ToUtf8(change.path);
        entry["view"] = ViewName(change.view);
        entry["name"] = ToUtf8(change.name);
        entry["current"] = ValueJson(change.before);
        entry["new"] = ValueJson(change.after);
        operations.push_back(std::move(entry));

        char number[8];
        std::snprintf(number, sizeof number, "%3d", step);
        text += std::string(number) + "  " + std::string(KindName(change.kind)) + "  " +
                KeyText(change.root, change.path) + " [" + ViewName(change.view) + "]";
        if (change.kind == RehearsalStore::Change::Kind::SetValue ||
            change.kind == RehearsalStore::Change::Kind::DeleteValue) {
            text += " \"" + ToUtf8(change.name) + "\": " + ValueText(change.before) + " -> " +
                    ValueText(change.after);
        }
        text += "  (" + purpose.purpose + (purpose.rows.empty() ? "" : " " + RowsText(purpose.rows)) + ")\n";
    }
    json["operations"] = std::move(operations);
    json["restartOffered"] = rehearsal.restartOffered;
    text += std::to_string(step) + " operations; nothing was written.\n";
    host.WriteOut(request.json ? Dump(json) : text);
    return console_exit::kDone;
}

int RunCommand(RunKind kind, const ConsoleRequest& request, ConsoleHost& host) {
    Session session(request, host, FileUse::Change);
    const CustomRegistry& registry = session.Registry();
    const Profile profile = session.ResolveProfile();
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
    const Rehearsal expected = Rehearse(kind, session, profile);
    std::vector<std::optional<RawValue>> before;
    for (const LiveValue& value : liveValues) {
        before.push_back(ReadLive(registry, *value.row));
    }

    const CaptionCatalogue captions(registry, session.Catalogue());
    ConsoleRunView view(profile.selection, captions, request.restart, request.json ? nullptr : &host);
    NoRestart noRestart;
    Run(kind, view, registry, session.OnFile() ? static_cast<SystemRestart&>(noRestart) : host.Restart());
    session.SaveFile();

    const bool heldAfter = IsBackupHeld(registry);
    Json changed = Json::array();
    Json unchanged = Json::array();
    Json refused = Json::array();
    std::string refusedText;
    for (std::size_t i = 0; i < liveValues.size(); ++i) {
        const std::optional<RawValue> after = ReadLive(registry, *liveValues[i].row);
        Json entry = PlaceJson(*liveValues[i].row);
        entry["rows"] = liveValues[i].rows;
        entry["before"] = ValueJson(before[i]);
        entry["after"] = ValueJson(after);
        entry["expected"] = ValueJson(expected.finalValues[i]);
        if (after != expected.finalValues[i]) {
            refusedText += "  " + PlaceText(*liveValues[i].row) + " = " + ValueText(after) + ", not " +
                           ValueText(expected.finalValues[i]) + "\n";
            refused.push_back(entry);
        }
        (after == before[i] ? unchanged : changed).push_back(std::move(entry));
    }

    int exitCode = console_exit::kDone;
    std::string outcome = "done";
    if (kind == RunKind::Optimize && (view.BackupWarned() || (!heldBefore && !heldAfter))) {
        // No tweak was written: none could be without a backup to undo it.
        exitCode = console_exit::kFailed;
        outcome = heldBefore ? "backupUnusable" : "backupFailed";
    } else if (!refused.empty() || (kind == RunKind::Restore && heldAfter)) {
        exitCode = console_exit::kSomeRefused;
        outcome = "someRefused";
    }

    Json json = Envelope(kind == RunKind::Optimize ? "optimize" : "restore");
    json["registry"] = RegistryJson(session);
    json["profile"] = ProfileJson(profile);
    json["outcome"] = outcome;
    json["exitCode"] = exitCode;
    json["steps"] = view.Steps();
    json["messages"] = view.Messages();
    json["backupHeld"] = heldAfter;
    json["summary"] = {
        {"changed", changed.size()}, {"unchanged", unchanged.size()}, {"refused", refused.size()}};
    json["changed"] = std::move(changed);
    json["unchanged"] = std::move(unchanged);
    json["refused"] = std::move(refused);
    json["restart"] = {{"offered", view.RestartOffered()},
                       {"requested", view.RestartOffered() && request.restart}};

    if (request.json) {
        host.WriteOut(Dump(json));
    } else {
        std::string text = "\nChanged " + std::to_string(json["summary"]["changed"].get<std::size_t>()) +
                           " values, unchanged " +
                           std::to_string(json["summary"]["unchanged"].get<std::size_t>()) + ", refused " +
                           std::to_string(json["summary"]["refused"].get<std::size_t>()) + ".\n";
        if (!refusedText.empty()) {
            text += "Refused (they did not read back as written):\n" + refusedText;
        }
        if (outcome == "backupFailed") {
            text += "No backup could be saved, so nothing was changed. Run as administrator.\n";
        } else if (outcome == "backupUnusable") {
            text += "The backup held cannot be used (its record of the values from before has gaps or "
                    "damaged entries, or cannot be read), so nothing was changed. Run restore first: it "
                    "puts back what the backup holds.\n";
        }
        if (kind == RunKind::Restore && heldAfter) {
            text += "The backup is kept, so that a later restore can finish the job.\n";
        }
        if (view.RestartOffered() && !session.OnFile()) {
            text += request.restart
                        ? "Windows restarts now.\n"
                        : "Restart Windows for every change to take effect (or give --restart).\n";
        }
        host.WriteOut(text);
    }
    return exitCode;
}

int ExportUndo(const ConsoleRequest& request, ConsoleHost& host) {
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

    std::vector<RegFileKeyEdits> keys;
    Json values = Json::array();
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
        Json entry = PlaceJson(*row);
        entry["value"] = ValueJson(recorded.value);
        values.push_back(std::move(entry));
    }
    const std::filesystem::path file(request.undoFile);
    if (!WriteFileAtomically(file, FormatRegEditFile(keys))) {
        throw CommandFailure{console_exit::kUsage,
                             ToUtf8(request.undoFile) +
                                 ": the file cannot be written; nothing was left behind"};
    }
    Json json = Envelope("export-undo");
    json["registry"] = RegistryJson(session);
    json["file"] = ToUtf8(request.undoFile);
    json["values"] = std::move(values);
    host.WriteOut(request.json
                      ? Dump(json)
                      : "Wrote " + ToUtf8(request.undoFile) + ": " + std::to_string(inventory.record.size()) +
                            " values as they were before the first optimize run.\n"
                            "Apply it with: reg import \"" +
                            ToUtf8(request.undoFile) + "\"\n");
    return console_exit::kDone;
}

int Dispatch(const ConsoleRequest& request, ConsoleHost& host) {
    switch (request.command) {
    case ConsoleCommand::Help:
        host.WriteOut(ConsoleUsage());
        return console_exit::kDone;
    case ConsoleCommand::Status:
        return Status(request, host);
    case ConsoleCommand::Plan:
        return Plan(request, host);
    case ConsoleCommand::Optimize:
        return RunCommand(RunKind::Optimize, request, host);
    case ConsoleCommand::Restore:
        return RunCommand(RunKind::Restore, request, host);
    case ConsoleCommand::ExportUndo:
        return ExportUndo(request, host);
    }
    return console_exit::kUsage;
}

} // namespace

namespace {

int RunAndReport(std::span<const std::u16string> arguments, ConsoleHost& host) noexcept {
    try {
        const ConsoleParse parse = ParseConsoleArguments(arguments);
        if (!parse.request) {
            host.WriteError("ZentrimCmd: " + parse.error + "\n\n" + ConsoleUsage());
            return console_exit::kUsage;
        }
        const bool json = parse.request->json;
        try {
            return Dispatch(*parse.request, host);
        } catch (const CommandFailure& failure) {
            if (json) {
                Json error = Envelope("error");
                error["exitCode"] = failure.exitCode;
                error["message"] = failure.message;
                host.WriteOut(Dump(error));
            }
            host.WriteError("ZentrimCmd: " + failure.message + "\n");
            return failure.exitCode;
        }
    } catch (const std::exception& exception) {
        try {
            host.WriteError(std::string("ZentrimCmd: failed: ") + exception.what() + "\n");
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
