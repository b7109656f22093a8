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

#include <functional>
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
        // Beside them, the list of keys that did not exist: none here, as every key holds a value.
        record["createdkeys"] = {ValueType::MultiString, {0, 0}};
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

// ---- A damaged record ----------------------------------------------------------------------------

std::u16string EntryName(const design::Row& row) {
    return u"HKEY_LOCAL_MACHINE\\" + std::u16string(BareKeyPath(row.key.path)) + u"\\\\" +
           std::u16string(row.name);
}

std::u16string MainFormText(std::initializer_list<std::u16string_view> parts) {
    std::u16string text;
    for (const std::u16string_view part : parts) {
        text += (text.empty() ? u"" : u"\r\n\r\n") + (part.starts_with(u"MessageBox")
                                                          ? FakeRunView::Caption(u"ZTMainForm", part)
                                                          : std::u16string(part));
    }
    return text;
}

// One entry of the record damaged after the optimize run: overwritten with a REG_SZ, or deleted while
// "Restore" and the backup values are still there. A backed-up value then comes back from its backup
// value and the restore completes; another value is left as the optimize run wrote it and named in a
// warning of its own, and the backup stays. Every other value comes back either way.
TEST_F(RunsOverMachine, DamagedRecordEntriesAreNamedAndBackupValuesStandInForThem) {
    const design::Row& priority = DesignRow(15); // backed up
    const design::Row& start = DesignRow(27);    // not backed up
    const struct {
        const char* what;
        const design::Row& row;
        bool entryDeleted;
        bool backupValueStandsIn;
    } cases[] = {
        {"REG_SZ over a backed-up value's entry", priority, false, true},
        {"REG_SZ over another value's entry", start, false, false},
        {"a backed-up value's entry deleted", priority, true, true},
        {"another value's entry deleted", start, true, false},
    };
    const std::u16string kStartNamed =
        u"\"Start\" (HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Messenger)";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        store_.Load({});
        registry_.WriteRegistryInteger(LocalMachine, priority.key.path, priority.name, 38, true);
        registry_.WriteRegistryInteger(LocalMachine, start.key.path, start.name, 2, true);
        const ValueMap before = LiveValues(store_);
        Optimize({1, 0, 0});
        if (c.entryDeleted) {
            registry_.DeleteRegistryValue(LocalMachine, kOriginalsKeyPath, EntryName(c.row), false);
        } else {
            registry_.WriteRegistryString(LocalMachine, kOriginalsKeyPath, EntryName(c.row), u"oops", false);
        }
        const auto damaged = ReadBackupInventory(registry_).DamagedEntries();
        ASSERT_EQ(damaged.size(), 1u);
        EXPECT_EQ(damaged[0].row->number, c.row.number);
        EXPECT_EQ(damaged[0].backupValueStandsIn, c.backupValueStandsIn);

        FakeRunView view;
        view.answers = {message_box::kIdOk, message_box::kIdNo};
        const auto report = RestoreButtonClick(view, registry_, restart_);
        ASSERT_TRUE(report.has_value());
        ValueMap expected = before;
        if (!c.backupValueStandsIn) {
            expected[DesignId(c.row.number)] = WrittenValue(c.row.number, {1, 0, 0});
        }
        EXPECT_EQ(LiveValues(store_), expected);
        EXPECT_EQ(BackupVisible(store_.Snapshot()), !c.backupValueStandsIn);
        EXPECT_EQ(view.restoreButtonEnabled, !c.backupValueStandsIn);
        std::vector<std::u16string> texts;
        for (const auto& box : view.boxes) {
            texts.push_back(box.text);
        }
        const std::u16string reset = MainFormText({u"MessageBoxReset1", u"MessageBoxReset2"});
        const std::u16string restart = MainFormText(
            {u"MessageBoxChangeRestart1", u"MessageBoxChangeRestart2", u"MessageBoxChangeRestart3"});
        if (c.backupValueStandsIn) {
            EXPECT_EQ(report->outcome, RestoreOutcome::Done);
            EXPECT_EQ(texts, (std::vector<std::u16string>{reset, restart}));
        } else {
            EXPECT_EQ(report->outcome, RestoreOutcome::BackupKept);
            ASSERT_EQ(report->damagedRows.size(), 1u);
            EXPECT_EQ(report->damagedRows[0]->number, 27);
            const std::u16string warning =
                MainFormText({u"MessageBoxRecordDamaged1", kStartNamed, u"MessageBoxRecordDamaged2"});
            EXPECT_EQ(texts, (std::vector<std::u16string>{reset, warning, restart}));
            EXPECT_EQ(view.boxes[1].flags, message_box::kAccessWarning);
        }
    }
}

// Forwards to an in-memory store, but one key may only be read: it cannot be opened for changes
// or deleted.
class ReadOnlyKeyStore final : public testing::ForwardingRegistryStore {
public:
    ReadOnlyKeyStore(MemoryRegistryStore& inner, std::u16string_view path)
        : ForwardingRegistryStore(inner), path_(path) {}

    StoreStatus OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                        StoreKey& key) override {
        return Refused(path, access) ? Deny(key) : ForwardingRegistryStore::OpenKey(root, path, access, key);
    }
    StoreStatus CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                          StoreKey& key) override {
        return Refused(path, access) ? Deny(key)
                                     : ForwardingRegistryStore::CreateKey(root, path, access, key);
    }
    StoreStatus DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) override {
        return Refused(path, access::kSetValue) ? StoreStatus::AccessDenied
                                                : ForwardingRegistryStore::DeleteKey(root, path, access);
    }

private:
    bool Refused(std::u16string_view path, std::uint32_t access) const {
        return (access & access::kSetValue) != 0 && EqualsIgnoringCase(BareKeyPath(path), path_);
    }
    static StoreStatus Deny(StoreKey& key) {
        key = 0;
        return StoreStatus::AccessDenied;
    }
    std::u16string path_;
};

// A key this account may only read, whose values are as the user had them: "AutoReboot" is 1, which
// is also the tweak, and "SendAlert" does not exist, so its tweak is refused. The restore changes
// nothing there, counts both as restored, and completes without a warning.
TEST_F(RunsOverMachine, ValuesAlreadyAsTheUserHadThemAreNotWrittenAgain) {
    store_.Load({});
    const design::Row& autoReboot = DesignRow(16);
    registry_.WriteRegistryInteger(LocalMachine, autoReboot.key.path, autoReboot.name, 1, true);
    registry_.WriteRegistryInteger(LocalMachine, DesignRow(15).key.path, DesignRow(15).name, 38, true);
    const ValueMap before = LiveValues(store_);
    ReadOnlyKeyStore readOnly(store_, BareKeyPath(autoReboot.key.path));
    const CustomRegistry registry(readOnly);
    FakeRunView view;
    GoButtonClick(view, registry, restart_);
    ASSERT_EQ(view.boxes.front().text, MainFormText({u"MessageBoxAccessDenied1", u"MessageBoxAccessDenied2"}))
        << "\"SendAlert\" cannot be written";

    view = FakeRunView{};
    view.answers = {message_box::kIdOk, message_box::kIdNo};
    RestoreButtonClick(view, registry, restart_);
    EXPECT_EQ(LiveValues(store_), before);
    EXPECT_FALSE(BackupVisible(store_.Snapshot()));
    EXPECT_FALSE(view.restoreButtonEnabled);
    EXPECT_EQ(view.boxes.size(), 2u) << "confirmation and restart question, no warning";
}

// ---- The keys the tweaks create ------------------------------------------------------------------

// Every key outside the product key and the two above it (which hold the choices), as
// "root\path" in lower case.
std::set<std::string> Keys(const MemoryRegistryStore& store) {
    std::set<std::string> keys;
    for (const StoredKey& key : store.Snapshot()) {
        const std::u16string path = ToLowerText(key.path);
        if (!InProductKey(key) && !(key.rootName == u"HKEY_LOCAL_MACHINE" &&
                                    (path == u"software" || path == u"software\\orvane"))) {
            keys.insert(ToUtf8(ToLowerText(key.rootName)) + "\\" + ToUtf8(path));
        }
    }
    return keys;
}

// After optimize and restore runs, exactly the keys that existed before exist: those the tweaks
// created go again, deepest first, unless another program has put something in them meanwhile.
TEST_F(RunsOverMachine, RestoreRemovesTheKeysTheTweaksCreatedWhileTheyHoldNothing) {
    const std::u16string psched = u"\\Software\\Policies\\Microsoft\\Windows\\Psched";
    const std::u16string p3 = u"\\System\\CurrentControlSet\\Services\\P3";
    const struct {
        const char* what;
        std::function<void(const CustomRegistry&)> plant;
        std::vector<Profile> optimizeRuns;
        std::function<void(const CustomRegistry&)> meanwhile;
        std::set<std::string> keptBesides; // keys that did not exist before, kept for what they hold
    } cases[] = {
        {"an empty registry", [](const CustomRegistry&) {}, {{1, 0, 0}}, {}, {}},
        {"a registry with some of the keys",
         [&](const CustomRegistry& r) {
             r.WriteRegistryString(LocalMachine, u"\\System\\CurrentControlSet\\Services\\Messenger",
                                   u"DisplayName", u"Messenger", true);
             r.WriteRegistryInteger(LocalMachine, p3, u"Gone", 1, true);
             r.DeleteRegistryValue(LocalMachine, p3, u"Gone", true); // an empty key
             r.WriteRegistryInteger(LocalMachine, u"\\Software\\Policies\\Microsoft\\Windows\\System", u"V",
                                    1, true);
         },
         {{1, 0, 0}},
         {},
         {}},
        {"two runs for different systems, the second writing rows the first did not",
         [](const CustomRegistry&) {},
         {{5, 2, 0}, {0, 0, 1}},
         {},
         {}},
        {"another program using two of the created keys",
         [](const CustomRegistry&) {},
         {{1, 0, 0}},
         [&](const CustomRegistry& r) {
             r.WriteRegistryInteger(LocalMachine, psched, u"Other", 1, true);
             r.WriteRegistryInteger(LocalMachine, p3 + u"\\Parameters\\Extra", u"Gone", 1, true);
             r.DeleteRegistryValue(LocalMachine, p3 + u"\\Parameters\\Extra", u"Gone", true);
         },
         {"hkey_local_machine\\software\\policies", "hkey_local_machine\\software\\policies\\microsoft",
          "hkey_local_machine\\software\\policies\\microsoft\\windows",
          "hkey_local_machine\\software\\policies\\microsoft\\windows\\psched", "hkey_local_machine\\system",
          "hkey_local_machine\\system\\currentcontrolset",
          "hkey_local_machine\\system\\currentcontrolset\\services",
          "hkey_local_machine\\system\\currentcontrolset\\services\\p3",
          "hkey_local_machine\\system\\currentcontrolset\\services\\p3\\parameters",
          "hkey_local_machine\\system\\currentcontrolset\\services\\p3\\parameters\\extra"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        store_.Load({});
        c.plant(registry_);
        const ValueMap values = LiveValues(store_);
        std::set<std::string> expected = Keys(store_);
        for (const Profile& p : c.optimizeRuns) {
            Optimize(p);
        }
        ASSERT_GT(Keys(store_).size(), expected.size() + 10);
        if (c.meanwhile) {
            c.meanwhile(registry_);
        }
        Restore(c.optimizeRuns.front());
        expected.insert(c.keptBesides.begin(), c.keptBesides.end());
        EXPECT_EQ(Keys(store_), expected);
        EXPECT_FALSE(BackupVisible(store_.Snapshot()));
        if (!c.meanwhile) {
            EXPECT_EQ(LiveValues(store_), values);
        }
    }
}

// The list of created keys names only keys the catalogue's values sit in or keys above them; any
// other text in it is passed over, and a list of another type is no list. A backup without a list
// (taken by an earlier version) or with a damaged one is restored in full and leaves the keys.
TEST_F(RunsOverMachine, AListOfCreatedKeysNamesOnlyTheCataloguesKeys) {
    // Texts each ended by a NUL, and the empty text that ends the list when `ended`.
    const auto list = [](std::initializer_list<std::u16string_view> texts, bool ended = true,
                         ValueType type = ValueType::MultiString) {
        std::u16string all;
        for (const std::u16string_view text : texts) {
            all += text;
            all += u'\0';
        }
        if (!ended) {
            all.pop_back();
        }
        RawValue value{type, EncodeRegistryText(all)};
        if (!ended) {
            value.data.resize(value.data.size() - 1); // and an odd byte count
        }
        return value;
    };
    const LiveKey messenger{LocalMachine, u"System\\CurrentControlSet\\Services\\Messenger"};
    const LiveKey desktop{CurrentUser, u"Control Panel\\Desktop"};
    const LiveKey system{LocalMachine, u"System"};
    using KeyList = std::vector<LiveKey>;
    const struct {
        RawValue entry;
        std::optional<KeyList> keys;
    } cases[] = {
        {list({u"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Messenger",
               u"hkey_current_user\\control panel\\DESKTOP"}),
         KeyList{messenger, desktop}},
        {list({u"HKEY_LOCAL_MACHINE\\System\\Important",
               u"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Messenger\\Start",
               u"HKEY_LOCAL_MACHINE\\", u"HKEY_CURRENT_USER\\System", u"HKEY_LOCAL_MACHINE\\System"}),
         KeyList{system}},
        {list({u"HKEY_LOCAL_MACHINE\\System"}, false), KeyList{system}},
        {list({}), KeyList{}},
        {list({u"HKEY_LOCAL_MACHINE\\System"}, true, ValueType::String), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeCreatedKeys(c.entry), c.keys) << ToUtf8(DecodeRegistryText(c.entry.data));
    }
    const KeyList every = CatalogueKeysAndParents();
    EXPECT_EQ(DecodeCreatedKeys({ValueType::MultiString, EncodeCreatedKeys(every)}), every);

    for (const bool damaged : {false, true}) {
        store_.Load({});
        Optimize({1, 0, 0});
        const std::set<std::string> keys = Keys(store_);
        if (damaged) {
            registry_.WriteRegistryString(LocalMachine, kOriginalsKeyPath, kCreatedKeysEntryName, u"oops",
                                          false);
        } else {
            registry_.DeleteRegistryValue(LocalMachine, kOriginalsKeyPath, kCreatedKeysEntryName, false);
        }
        Restore({1, 0, 0});
        EXPECT_TRUE(LiveValues(store_).empty());
        EXPECT_FALSE(BackupVisible(store_.Snapshot()));
        EXPECT_EQ(Keys(store_), keys);
    }
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
