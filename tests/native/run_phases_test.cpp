// The registry work of the optimize and restore runs, end to end through the runs themselves,
// against expectations built here from the catalogue's rules: which rows each profile writes and
// restores, what the backup holds, what a restore gives back, and that a run stopped after any
// single registry change never costs the user the values from before the first optimize run.
#include "engine/backup.h"
#include "engine/original_record.h"
#include "engine/runs.h"

#include "run_fakes.h"
#include "support/design_catalogue.h"
#include "support/product_key_probe.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>

namespace zentrim {
namespace {

using enum RegistryRoot;
using testing::BackupVisible;
using testing::FakeRunView;
using testing::InProductKey;
using testing::StoppingStore;

// ---- The machine as a map of values -------------------------------------------------------------

using ValueMap = std::map<std::string, RawValue>; // "root\key path|value name", lower case

std::string Id(std::u16string_view rootName, std::u16string_view path, std::u16string_view name) {
    return ToUtf8(ToLowerText(std::u16string(rootName) + u"\\" + std::u16string(BareKeyPath(path)) + u"|" +
                              std::u16string(name)));
}
std::string Id(const TweakRow& row) {
    return Id(RootName(row.key.root), row.key.path, row.valueName);
}

constexpr std::u16string_view kProductKey = u"Software\\ORVANE\\Zentrim";
constexpr std::u16string_view kOriginals = u"Software\\ORVANE\\Zentrim\\Originals";

// The values outside the product key: the machine's own settings.
ValueMap LiveValues(const MemoryRegistryStore& store) {
    ValueMap values;
    for (const StoredKey& key : store.Snapshot()) {
        if (!InProductKey(key)) {
            for (const StoredValue& value : key.values) {
                values[Id(key.rootName, key.path, value.name)] = RawValue{value.type, value.data};
            }
        }
    }
    return values;
}

// The values of one key, by name in lower case.
std::map<std::string, RawValue> KeyValues(const MemoryRegistryStore& store, std::u16string_view path) {
    std::map<std::string, RawValue> values;
    for (const StoredKey& key : store.Snapshot()) {
        if (key.rootName == u"HKEY_LOCAL_MACHINE" && EqualsIgnoringCase(key.path, path)) {
            for (const StoredValue& value : key.values) {
                values[ToUtf8(ToLowerText(value.name))] = RawValue{value.type, value.data};
            }
        }
    }
    return values;
}

RawValue Dword(int number) {
    return ToRawValue(DwordValue(number));
}
RawValue Text(std::u16string_view text) {
    return {ValueType::String, EncodeRegistryText(text)};
}

// ---- The catalogue's rules, written out from the row table ---------------------------------------

// Windows list: 0 Windows 11, 1 Windows 10, 2 Windows 8, 3 Windows 7, 4 Vista, 5 XP, 6 Server 2012,
// 7 Server 2008, 8 Server 2003, 9 Server 2000.
struct Profile {
    int windowsIndex;
    int internetType;
    int speed;
};

bool NotServer2003(const Profile& p) {
    return p.windowsIndex != 8;
}
bool NotDialUpOrIsdn(const Profile& p) {
    return p.internetType != 2 && p.internetType != 7;
}
bool ServerOrXp(const Profile& p) {
    return p.windowsIndex >= 5 && p.windowsIndex <= 8;
}
bool VistaOrLaterDesktop(const Profile& p) {
    return p.windowsIndex >= 0 && p.windowsIndex <= 4;
}

// Rows 1-31 always; 32-34 but on Server 2003; 35-44 but on dial-up and ISDN; 45 on the servers and
// XP; 46 and 47 on Vista and the later desktops. A restore action carries the row's condition.
bool RowApplies(int number, const Profile& p) {
    if (number <= 31) {
        return true;
    }
    if (number <= 34) {
        return NotServer2003(p);
    }
    if (number <= 44) {
        return NotDialUpOrIsdn(p);
    }
    return number == 45 ? ServerOrXp(p) : VistaOrLaterDesktop(p);
}

// A row's value and place as the design's table states them (support/design_catalogue.h).
const design::Row& DesignRow(int number) {
    return design::DesignTable()[static_cast<std::size_t>(number - 1)];
}

std::string DesignId(int number) {
    const design::Row& row = DesignRow(number);
    const std::u16string_view root =
        std::string_view(row.key.root) == design::kHklm ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
    return Id(root, row.key.path, row.name);
}

RawValue WrittenValue(int number, const Profile& p) {
    const design::Value& value = p.speed > 0 ? DesignRow(number).maximumBoost : DesignRow(number).boost;
    return {static_cast<ValueType>(value.type), value.data};
}

// The backed-up rows and what their backup holds when the live value is unusable.
using Default = std::variant<int, std::u16string_view>;
const std::map<int, Default> kBackupDefaults{
    {1, 1},  {2, 0},  {12, u"1"}, {13, 0},       {14, 0},    {15, 2},
    {16, 1}, {28, 2}, {29, 2},    {30, 7200000}, {31, 1000},
};

// A backup value: the live value when it reads as the row's type, otherwise the default.
RawValue BackupOf(int number, const std::optional<RawValue>& live) {
    const Default& fallback = kBackupDefaults.at(number);
    if (const int* numberDefault = std::get_if<int>(&fallback)) {
        const bool readable = live && live->type == ValueType::Dword && live->data.size() == 4;
        return readable ? *live : Dword(*numberDefault);
    }
    if (live && (live->type == ValueType::String || live->type == ValueType::ExpandString)) {
        const std::u16string text = DecodeRegistryText(live->data);
        if (!text.empty()) {
            return Text(text);
        }
    }
    return Text(std::get<std::u16string_view>(fallback));
}

std::optional<RawValue> Find(const ValueMap& values, const std::string& id) {
    const auto it = values.find(id);
    return it == values.end() ? std::nullopt : std::optional<RawValue>(it->second);
}

ValueMap AfterWrites(ValueMap values, const Profile& p) {
    for (int number = 1; number <= 47; ++number) {
        if (RowApplies(number, p)) {
            values[DesignId(number)] = WrittenValue(number, p);
        }
    }
    return values;
}

// What a restore without a record of originals (a backup of an older version) makes of `values`:
// the restore sequence for the profile, with the backed-up rows from their backup values and every
// other applicable row deleted; the thumbnail rows stay. Row 8 names row 30's value, which comes
// back after row 8's delete.
ValueMap AfterRestoreWithoutRecord(ValueMap values, const ValueMap& originals, const Profile& p) {
    for (int number = 1; number <= 47; ++number) {
        if (!RowApplies(number, p) || number == 32 || number == 33) {
            continue;
        }
        const std::string id = DesignId(number);
        if (kBackupDefaults.contains(number)) {
            values[id] = BackupOf(number, Find(originals, id));
        } else {
            values.erase(id);
        }
    }
    return values;
}

// ---- The machine before the first optimize run -------------------------------------------------

// Every row's value in one of four states by its number: absent, a DWORD, a text, or 8 raw bytes;
// rows naming one value (6 and 37, 8 and 30) end with the later row's state. Each key also holds a
// value of its own that no run may touch.
void PlantMachine(const CustomRegistry& registry, int variant) {
    for (const TweakRow& row : kTweakRows) {
        const int kind = (row.number + variant) % 4;
        const auto& key = row.key;
        registry.WriteRegistryInteger(key.root, key.path, u"Neighbour", 7, true);
        switch (kind) {
        case 0:
            registry.DeleteRegistryValue(key.root, key.path, row.valueName, true);
            break;
        case 1:
            registry.WriteRegistryInteger(key.root, key.path, row.valueName, 1000 + row.number, true);
            break;
        case 2:
            registry.WriteRegistryString(key.root, key.path, row.valueName, u"was " + IntToText(row.number),
                                         true);
            break;
        default:
            registry.WriteRegistryRaw(
                key.root, key.path, row.valueName,
                {ValueType::Qword, {static_cast<std::uint8_t>(row.number), 0, 0, 0, 0, 0, 0, 1}}, true);
            break;
        }
    }
}

class RunsOverMachine : public ::testing::Test {
protected:
    void Optimize(const Profile& p) {
        view_.windowsIndex = p.windowsIndex;
        view_.internetType = p.internetType;
        view_.speedSetting = p.speed;
        GoButtonClick(view_, registry_, restart_);
    }
    void Restore(const Profile& p) {
        view_.windowsIndex = p.windowsIndex;
        view_.internetType = p.internetType;
        view_.answers = {message_box::kIdOk, message_box::kIdNo};
        RestoreButtonClick(view_, registry_, restart_);
    }
    // A machine planted with the variant, each variant planted once.
    void Reset(int variant) {
        static std::map<int, std::pair<std::vector<StoredKey>, ValueMap>> planted;
        auto [it, added] = planted.try_emplace(variant);
        if (added) {
            MemoryRegistryStore store;
            PlantMachine(CustomRegistry(store), variant);
            it->second = {store.Snapshot(), LiveValues(store)};
        }
        store_.Load(it->second.first);
        originals_ = it->second.second;
    }

    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FakeRunView view_;
    RecordingSystemRestart restart_;
    ValueMap originals_;
};

std::string Describe(const Profile& p) {
    return "Windows entry " + std::to_string(p.windowsIndex) + ", internet type " +
           std::to_string(p.internetType) + ", speed " + std::to_string(p.speed);
}

std::vector<Profile> EveryProfile() {
    std::vector<Profile> profiles;
    for (int windows = 0; windows < 10; ++windows) {
        for (int internet = -1; internet < 9; ++internet) {
            for (int speed = 0; speed < 2; ++speed) {
                profiles.push_back({windows, internet, speed});
            }
        }
    }
    return profiles;
}

TEST_F(RunsOverMachine, EveryProfileWritesBacksUpAndRestoresExactly) {
    for (const Profile& p : EveryProfile()) {
        SCOPED_TRACE(Describe(p));
        Reset(p.windowsIndex);
        Optimize(p);
        ASSERT_EQ(LiveValues(store_), AfterWrites(originals_, p));

        // The product key: the choices, "Restore" and the eleven backup values.
        std::map<std::string, RawValue> product{
            {"internettype", Dword(p.internetType)},
            {"processortype", Dword(view_.processorType)},
            {"speedsetting", Dword(p.speed)},
            {"restore", Dword(1)},
        };
        for (const auto& [number, fallback] : kBackupDefaults) {
            product[ToUtf8(ToLowerText(DesignRow(number).name))] =
                BackupOf(number, Find(originals_, DesignId(number)));
        }
        ASSERT_EQ(KeyValues(store_, kProductKey), product);

        // The record: one entry per value of all 47 rows, holding it exactly as it was.
        std::map<std::string, RawValue> record;
        for (const TweakRow& row : kTweakRows) {
            const std::u16string name = std::u16string(RootName(row.key.root)) + u"\\" +
                                        std::u16string(BareKeyPath(row.key.path)) + u"\\\\" +
                                        std::u16string(row.valueName);
            record[ToUtf8(ToLowerText(name))] = {ValueType::Binary,
                                                 EncodeOriginal(Find(originals_, Id(row)))};
        }
        ASSERT_EQ(record.size(), 45u); // rows 6 and 37, 8 and 30 name one value each
        ASSERT_EQ(KeyValues(store_, kOriginals), record);

        Restore(p);
        ASSERT_EQ(LiveValues(store_), originals_);
        ASSERT_EQ(KeyValues(store_, kProductKey).size(), 3u); // the choices stay
        ASSERT_FALSE(store_.KeyExists(LocalMachine, kOriginals)) << "the record's key is left behind";
    }
}

TEST_F(RunsOverMachine, TwoOptimizeRunsThenARestoreGiveBackTheValuesFromBeforeTheFirst) {
    for (const Profile& p : EveryProfile()) {
        if (p.speed != (p.windowsIndex + p.internetType + 1) % 2) {
            continue; // the second run takes the other speed
        }
        SCOPED_TRACE(Describe(p));
        Reset(p.internetType + 1);
        Optimize(p);
        const auto firstBackup = KeyValues(store_, kProductKey);
        const auto firstRecord = KeyValues(store_, kOriginals);

        // The user changes a tweaked value, a backed-up one and one the record keeps, in between.
        const TweakRow& start = TweakRowByNumber(27);
        registry_.WriteRegistryString(start.key.root, start.key.path, start.valueName, u"changed", true);
        const TweakRow& priority = TweakRowByNumber(15);
        registry_.WriteRegistryInteger(priority.key.root, priority.key.path, priority.valueName, 38, true);

        Optimize({p.windowsIndex, p.internetType, 1 - p.speed});
        auto backup = KeyValues(store_, kProductKey);
        backup["speedsetting"] = Dword(p.speed);
        EXPECT_EQ(backup, firstBackup);
        EXPECT_EQ(KeyValues(store_, kOriginals), firstRecord);

        Restore(p);
        ASSERT_EQ(LiveValues(store_), originals_);
    }
}

// Every row written: Windows XP writes rows 1 to 45 but 46 and 47, Windows 11 rows 1 to 44, 46 and
// 47. The backup is the one from before the first.
TEST_F(RunsOverMachine, RecordedValuesComeBackWhateverTheProfileChosenAtRestoreTime) {
    Reset(3);
    Optimize({5, 0, 0});
    Optimize({0, 0, 1});
    ASSERT_EQ(LiveValues(store_), AfterWrites(AfterWrites(originals_, {5, 0, 0}), {0, 0, 1}));
    const auto machine = store_.Snapshot();

    for (const Profile& r : EveryProfile()) {
        SCOPED_TRACE("restore with " + Describe(r));
        store_.Load(machine);
        Restore(r);
        ASSERT_EQ(LiveValues(store_), originals_);
    }
}

// A backup of an older version has no record: the restore sequence follows the profile chosen at
// restore time, as it always did.
TEST_F(RunsOverMachine, BackupWithoutRecordFollowsTheProfileChosenAtRestoreTime) {
    Reset(3);
    Optimize({5, 0, 0});
    Optimize({0, 0, 1});
    for (const TweakRow* row : RecordedRows()) {
        DeleteOriginalEntry(registry_, *row);
    }
    const ValueMap everyRowWritten = LiveValues(store_);
    const auto machine = store_.Snapshot();

    for (const Profile& r : EveryProfile()) {
        SCOPED_TRACE("restore with " + Describe(r));
        store_.Load(machine);
        Restore(r);
        ASSERT_EQ(LiveValues(store_), AfterRestoreWithoutRecord(everyRowWritten, originals_, r));
    }
}

TEST_F(RunsOverMachine, RecordEntriesNameTheirKeyAndValue) {
    Reset(0);
    Optimize({1, 0, 0});
    const auto record = KeyValues(store_, kOriginals);
    EXPECT_TRUE(record.contains(
        "hkey_local_machine\\system\\currentcontrolset\\services\\tcpip\\parameters\\\\enablepmtudiscovery"));
    EXPECT_TRUE(record.contains("hkey_current_user\\control panel\\desktop\\\\smoothscroll"));
    EXPECT_TRUE(record.contains(
        "hkey_local_machine\\software\\microsoft\\windows\\currentversion\\explorer\\\\thumbnailsize"));
}

// ---- Restore puts back what the user had ---------------------------------------------------------

TEST_F(RunsOverMachine, RestorePutsBackValuesTheCatalogueWouldDelete) {
    store_.Load({});
    const TweakRow& start = TweakRowByNumber(27);       // "Start" of the Messenger service
    const TweakRow& thumbnail = TweakRowByNumber(32);   // "ThumbnailSize"
    const TweakRow& quality = TweakRowByNumber(33);     // "ThumbnailQuality", absent before
    const TweakRow& styleSheets = TweakRowByNumber(18); // "Use StyleSheets"
    registry_.WriteRegistryInteger(start.key.root, start.key.path, start.valueName, 2, true);
    registry_.WriteRegistryInteger(thumbnail.key.root, thumbnail.key.path, thumbnail.valueName, 120, true);
    registry_.WriteRegistryRaw(styleSheets.key.root, styleSheets.key.path, styleSheets.valueName,
                               {ValueType::ExpandString, EncodeRegistryText(u"%NO%")}, true);

    Optimize({1, 0, 0});
    Restore({1, 0, 0});

    EXPECT_EQ(registry_.ReadRegistryInteger(start.key.root, start.key.path, start.valueName, -1, true), 2);
    EXPECT_EQ(
        registry_.ReadRegistryInteger(thumbnail.key.root, thumbnail.key.path, thumbnail.valueName, -1, true),
        120);
    EXPECT_FALSE(registry_.ReadRegistryRaw(quality.key.root, quality.key.path, quality.valueName, true));
    EXPECT_EQ(
        registry_.ReadRegistryRaw(styleSheets.key.root, styleSheets.key.path, styleSheets.valueName, true),
        (RawValue{ValueType::ExpandString, EncodeRegistryText(u"%NO%")}));
}

// ---- "Restore" as other programs or older versions may have left it ------------------------------

struct FlagCase {
    const char* what;
    std::optional<RawValue> value; // nothing: no "Restore" at all
};

const std::vector<FlagCase>& FlagCases() {
    static const std::vector<FlagCase> cases{
        {"absent", std::nullopt},
        {"DWORD 0", Dword(0)},
        {"DWORD 1", Dword(1)},
        {"DWORD 2", Dword(2)},
        {"text \"1\"", Text(u"1")},
        {"empty text", Text(u"")},
        {"three bytes", RawValue{ValueType::Dword, {1, 0, 0}}},
        {"no bytes", RawValue{ValueType::Dword, {}}},
        {"binary 1", RawValue{ValueType::Binary, {1, 0, 0, 0}}},
        {"64-bit number 1", RawValue{ValueType::Qword, {1, 0, 0, 0, 0, 0, 0, 0}}},
    };
    return cases;
}

void SetFlag(const CustomRegistry& registry, const std::optional<RawValue>& value) {
    if (value) {
        registry.WriteRegistryRaw(LocalMachine, ProductKeyPath, u"Restore", *value, false);
    } else {
        registry.DeleteRegistryValue(LocalMachine, ProductKeyPath, u"Restore", false);
    }
}

// With the backup values and the record present, a backup is held whatever "Restore" holds: the
// restore button is offered, a second optimize run leaves the backup as it is, and a restore puts
// back what the user had.
TEST_F(RunsOverMachine, AHeldBackupIsKeptAndRestoredWhateverTheFlagHolds) {
    for (const FlagCase& flag : FlagCases()) {
        SCOPED_TRACE(flag.what);
        Reset(2);
        Optimize({1, 0, 1});
        auto backup = KeyValues(store_, kProductKey);
        const auto record = KeyValues(store_, kOriginals);
        SetFlag(registry_, flag.value);
        EXPECT_TRUE(IsBackupHeld(registry_));

        Optimize({5, 2, 0});
        backup["speedsetting"] = Dword(0);
        backup["internettype"] = Dword(2);
        EXPECT_EQ(KeyValues(store_, kProductKey), backup) << "the held backup was overwritten";
        EXPECT_EQ(KeyValues(store_, kOriginals), record) << "the record was overwritten";

        Restore({1, 0, 1});
        EXPECT_EQ(LiveValues(store_), originals_);
        EXPECT_FALSE(BackupVisible(store_.Snapshot()));
        EXPECT_FALSE(view_.restoreButtonEnabled);
    }
}

// Without any backup value or record entry, a flag that does not read as true holds nothing: the
// next optimize run takes a new backup. A flag that reads as true alone is a backup of an older
// version that stopped before saving its values: it is held, and restored with the defaults.
TEST_F(RunsOverMachine, AFlagAloneHoldsABackupOnlyWhenItReadsAsTrue) {
    for (const FlagCase& flag : FlagCases()) {
        SCOPED_TRACE(flag.what);
        Reset(2);
        SetFlag(registry_, flag.value);
        const bool readsAsTrue = flag.value && flag.value->type == ValueType::Dword &&
                                 flag.value->data.size() == 4 &&
                                 flag.value->data != std::vector<std::uint8_t>(4, 0);
        EXPECT_EQ(IsBackupHeld(registry_), readsAsTrue);

        Optimize({1, 0, 1});
        EXPECT_EQ(KeyValues(store_, kOriginals).empty(), readsAsTrue);
        Restore({1, 0, 1});
        if (!readsAsTrue) {
            EXPECT_EQ(LiveValues(store_), originals_);
        }
        EXPECT_FALSE(BackupVisible(store_.Snapshot()));
    }
}

TEST(OriginalRecord, EntriesKeepAnyTypeAndTellAbsentFromEmpty) {
    const OriginalValue cases[] = {
        std::nullopt,
        RawValue{ValueType::None, {}},
        RawValue{ValueType::Binary, {}},
        RawValue{ValueType::Dword, {1, 2, 3, 4}},
        RawValue{ValueType::MultiString, EncodeRegistryText(u"a")},
        RawValue{static_cast<ValueType>(0x12345678), {9}},
    };
    std::set<std::vector<std::uint8_t>> encodings;
    for (const auto& original : cases) {
        const auto data = EncodeOriginal(original);
        EXPECT_TRUE(encodings.insert(data).second);
        EXPECT_EQ(DecodeOriginal(data), std::optional<OriginalValue>(original));
    }
    const std::uint8_t broken[] = {4, 0, 0};
    EXPECT_FALSE(DecodeOriginal(broken).has_value());
}

// An entry that is not one says nothing of what the user had: its value stays as it is, and the
// backup stays for a later restore; every other value comes back.
TEST_F(RunsOverMachine, UnusableRecordEntryKeepsTheBackupAndLeavesItsValueAlone) {
    store_.Load({});
    const TweakRow& start = TweakRowByNumber(27);
    const TweakRow& thumbnail = TweakRowByNumber(32);
    const TweakRow& priority = TweakRowByNumber(15);
    registry_.WriteRegistryInteger(start.key.root, start.key.path, start.valueName, 2, true);
    registry_.WriteRegistryInteger(thumbnail.key.root, thumbnail.key.path, thumbnail.valueName, 120, true);
    registry_.WriteRegistryInteger(priority.key.root, priority.key.path, priority.valueName, 38, true);
    Optimize({1, 0, 0});
    registry_.WriteRegistryBinary(LocalMachine, kOriginalsKeyPath, OriginalEntryName(start), {1, 2}, false);
    registry_.WriteRegistryInteger(LocalMachine, kOriginalsKeyPath, OriginalEntryName(thumbnail), 120, false);

    Restore({1, 0, 0});
    EXPECT_EQ(registry_.ReadRegistryInteger(start.key.root, start.key.path, start.valueName, -1, true), 4)
        << "left as the optimize run wrote it";
    EXPECT_EQ(
        registry_.ReadRegistryInteger(thumbnail.key.root, thumbnail.key.path, thumbnail.valueName, -1, true),
        96);
    EXPECT_EQ(
        registry_.ReadRegistryInteger(priority.key.root, priority.key.path, priority.valueName, -1, true),
        38);
    EXPECT_TRUE(registry_.ReadRegistryBool(LocalMachine, ProductKeyPath, u"Restore", false, false));
    EXPECT_TRUE(view_.restoreButtonEnabled);
    ASSERT_GE(view_.boxes.size(), 2u);
    EXPECT_EQ(view_.boxes[view_.boxes.size() - 2].flags, message_box::kAccessWarning);
}

// ---- Crash safety: a run stopped after any single change ------------------------------------------

// Runs `run` over a store that stops after each number of changes in turn, and hands each state
// it leaves to `check`. Ends once a run finishes before its limit.
template <typename Run, typename Check>
void ForEveryStopPoint(const std::vector<StoredKey>& start, Run run, Check check) {
    for (int limit = 0;; ++limit) {
        SCOPED_TRACE("stopped after " + std::to_string(limit) + " changes");
        MemoryRegistryStore memory;
        memory.Load(start);
        StoppingStore stopping(memory, limit);
        run(CustomRegistry(stopping));
        const bool finished = !stopping.Stopped();
        check(memory.Snapshot());
        if (finished || ::testing::Test::HasFatalFailure()) {
            ASSERT_GT(limit, 40) << "the run should make many changes";
            return;
        }
    }
}

class RunsStoppedAnywhere : public ::testing::Test {
protected:
    static constexpr Profile kProfile{1, 0, 1};

    void SetUp() override {
        MemoryRegistryStore store;
        const CustomRegistry registry(store);
        PlantMachine(registry, 2);
        originals_ = LiveValues(store);
        machine_ = store.Snapshot();
    }

    static void Optimize(const CustomRegistry& registry, const Profile& p = kProfile) {
        FakeRunView view;
        view.windowsIndex = p.windowsIndex;
        view.internetType = p.internetType;
        view.speedSetting = p.speed;
        RecordingSystemRestart restart;
        GoButtonClick(view, registry, restart);
    }
    static void Restore(const CustomRegistry& registry, const Profile& p = kProfile) {
        FakeRunView view;
        view.windowsIndex = p.windowsIndex;
        view.internetType = p.internetType;
        view.answers = {message_box::kIdOk};
        RecordingSystemRestart restart;
        RestoreButtonClick(view, registry, restart);
    }

    // From a state a stopped run left: while any part of a backup is held, a restore gives back the
    // originals; while none is, the originals are in place already (the restore button is disabled
    // then). Either way a later optimize run followed by a restore gives them back.
    void ExpectOriginalsRecoverable(const std::vector<StoredKey>& state) {
        MemoryRegistryStore store;
        store.Load(state);
        const CustomRegistry registry(store);
        if (BackupVisible(state)) {
            Restore(registry);
            EXPECT_EQ(LiveValues(store), originals_) << "restore from this state";
        } else {
            EXPECT_EQ(LiveValues(store), originals_) << "no backup held, yet values changed";
        }

        MemoryRegistryStore again;
        again.Load(state);
        const CustomRegistry registryAgain(again);
        Optimize(registryAgain, {0, 0, 0});
        Restore(registryAgain, {0, 0, 0});
        EXPECT_EQ(LiveValues(again), originals_) << "optimize and restore from this state";
    }

    ValueMap originals_;
    std::vector<StoredKey> machine_;
};

TEST_F(RunsStoppedAnywhere, FirstOptimizeRun) {
    ForEveryStopPoint(
        machine_, [](const CustomRegistry& registry) { Optimize(registry); },
        [&](const std::vector<StoredKey>& state) { ExpectOriginalsRecoverable(state); });
}

TEST_F(RunsStoppedAnywhere, SecondOptimizeRun) {
    MemoryRegistryStore store;
    store.Load(machine_);
    Optimize(CustomRegistry(store), {1, 2, 0}); // dial-up: rows 35 to 44 come with the second run
    ForEveryStopPoint(
        store.Snapshot(), [](const CustomRegistry& registry) { Optimize(registry); },
        [&](const std::vector<StoredKey>& state) { ExpectOriginalsRecoverable(state); });
}

TEST_F(RunsStoppedAnywhere, RestoreRun) {
    MemoryRegistryStore store;
    store.Load(machine_);
    Optimize(CustomRegistry(store));
    ForEveryStopPoint(
        store.Snapshot(), [](const CustomRegistry& registry) { Restore(registry); },
        [&](const std::vector<StoredKey>& state) { ExpectOriginalsRecoverable(state); });
}

// ---- Registry views: a 32-bit program on 64-bit Windows -----------------------------------------

TEST(MemoryRegistryStoreWow64, MachineSoftwareKeysHaveA32BitCopy) {
    MemoryRegistryStore store;
    store.EmulateWow64Redirection();
    const CustomRegistry registry(store);
    registry.WriteRegistryInteger(LocalMachine, u"\\Software\\Vendor\\", u"V", 32, false);
    registry.WriteRegistryInteger(LocalMachine, u"\\SOFTWARE\\Vendor", u"V", 64, true);
    registry.WriteRegistryInteger(LocalMachine, u"\\System\\Setup\\", u"V", 1, false);
    registry.WriteRegistryInteger(CurrentUser, u"\\Software\\Vendor\\", u"V", 2, false);

    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, u"\\Software\\Vendor", u"V", 0, false), 32);
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, u"\\Software\\WOW6432Node\\Vendor", u"V", 0, false),
              32);
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, u"\\Software\\WOW6432Node\\Vendor", u"V", 0, true),
              32);
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, u"\\Software\\Vendor", u"V", 0, true), 64);
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, u"\\System\\Setup", u"V", 0, true), 1);
    EXPECT_EQ(registry.ReadRegistryInteger(CurrentUser, u"\\Software\\Vendor", u"V", 0, true), 2);

    MemoryRegistryStore plain; // one view for everything unless asked
    CustomRegistry(plain).WriteRegistryInteger(LocalMachine, u"\\Software\\Vendor", u"V", 5, false);
    EXPECT_EQ(CustomRegistry(plain).ReadRegistryInteger(LocalMachine, u"\\Software\\Vendor", u"V", 0, true),
              5);
}

TEST(RunsRegistryView, TweaksReachTheNativeKeysAndTheProductKeyStaysIn32BitView) {
    MemoryRegistryStore store;
    store.EmulateWow64Redirection();
    const CustomRegistry registry(store);
    constexpr std::u16string_view kExplorer = u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    constexpr std::u16string_view kExplorer32 =
        u"\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    registry.WriteRegistryInteger(LocalMachine, kExplorer, u"ThumbnailSize", 32, true);
    registry.WriteRegistryInteger(LocalMachine, kExplorer32, u"ThumbnailSize", 64, true);

    FakeRunView view;
    view.windowsIndex = 0; // Windows 11
    RecordingSystemRestart restart;
    GoButtonClick(view, registry, restart);

    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, kExplorer, u"ThumbnailSize", 0, true), 96);
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, kExplorer32, u"ThumbnailSize", 0, true), 64);
    for (const std::u16string_view below :
         {u"Policies\\Microsoft\\Windows\\Psched", u"Microsoft\\Dfrg\\BootOptimizeFunction",
          u"Microsoft\\Windows NT\\CurrentVersion\\Windows"}) {
        EXPECT_TRUE(store.KeyExists(LocalMachine, u"Software\\" + std::u16string(below))) << ToUtf8(below);
        EXPECT_FALSE(store.KeyExists(LocalMachine, u"Software\\WOW6432Node\\" + std::u16string(below)))
            << ToUtf8(below);
    }
    EXPECT_TRUE(store.KeyExists(LocalMachine, u"Software\\WOW6432Node\\ORVANE\\Zentrim"));
    EXPECT_FALSE(store.KeyExists(LocalMachine, u"Software\\ORVANE"));
    EXPECT_TRUE(registry.ReadRegistryBool(LocalMachine, ProductKeyPath, u"Restore", false, false));
    EXPECT_TRUE(view.boxes.size() == 1 && view.boxes[0].flags == message_box::kRestartQuestion)
        << "every tweak took, so no warning";

    view.answers = {message_box::kIdOk};
    RestoreButtonClick(view, registry, restart);
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, kExplorer, u"ThumbnailSize", 0, true), 32);
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, kExplorer32, u"ThumbnailSize", 0, true), 64);
    EXPECT_FALSE(registry.ReadRegistryRaw(LocalMachine, u"\\Software\\Microsoft\\Dfrg\\BootOptimizeFunction",
                                          u"Enable", true));
    EXPECT_FALSE(registry.ReadRegistryRaw(LocalMachine, ProductKeyPath, u"Restore", false));
}

} // namespace
} // namespace zentrim
