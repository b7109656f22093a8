// The registry work of the optimize and restore runs, end to end through the runs themselves,
// against expectations built here from the catalogue's rules: which rows each profile writes and
// restores, what the backup holds, what a restore gives back, and that a run stopped after any
// single registry change never costs the user the values from before the first optimize run.
#include "runs_over_machine.h"

#include <gtest/gtest.h>

namespace zentrim {
namespace {

using namespace run_tests;

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
        registry_.WriteRegistryString(start.key.root, start.key.path, start.valueName, u"changed",
                                      RegistryView::Bits64());
        const TweakRow& priority = TweakRowByNumber(15);
        StoreInteger(priority, 38);

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
    StoreInteger(start, 2);
    StoreInteger(thumbnail, 120);
    registry_.WriteRegistryRaw(styleSheets.key.root, styleSheets.key.path, styleSheets.valueName,
                               {ValueType::ExpandString, EncodeRegistryText(u"%NO%")},
                               RegistryView::Bits64());

    Optimize({1, 0, 0});
    Restore({1, 0, 0});

    EXPECT_EQ(StoredInteger(start), 2);
    EXPECT_EQ(StoredInteger(thumbnail), 120);
    EXPECT_FALSE(registry_.ReadRegistryRaw(quality.key.root, quality.key.path, quality.valueName,
                                           RegistryView::Bits64()));
    EXPECT_EQ(registry_.ReadRegistryRaw(styleSheets.key.root, styleSheets.key.path, styleSheets.valueName,
                                        RegistryView::Bits64()),
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
        registry.WriteRegistryRaw(LocalMachine, ProductKeyPath, u"Restore", *value, RegistryView::Default());
    } else {
        registry.DeleteRegistryValue(LocalMachine, ProductKeyPath, u"Restore", RegistryView::Default());
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
    StoreInteger(start, 2);
    StoreInteger(thumbnail, 120);
    StoreInteger(priority, 38);
    Optimize({1, 0, 0});
    registry_.WriteRegistryBinary(LocalMachine, kOriginalsKeyPath, OriginalEntryName(start), {1, 2},
                                  RegistryView::Default());
    registry_.WriteRegistryInteger(LocalMachine, kOriginalsKeyPath, OriginalEntryName(thumbnail), 120,
                                   RegistryView::Default());

    Restore({1, 0, 0});
    EXPECT_EQ(StoredInteger(start), 4) << "left as the optimize run wrote it";
    EXPECT_EQ(StoredInteger(thumbnail), 96);
    EXPECT_EQ(StoredInteger(priority), 38);
    EXPECT_TRUE(
        registry_.ReadRegistryBool(LocalMachine, ProductKeyPath, u"Restore", false, RegistryView::Default()));
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
        RunOptimize(view, registry, restart);
    }
    static void Restore(const CustomRegistry& registry, const Profile& p = kProfile) {
        FakeRunView view;
        view.windowsIndex = p.windowsIndex;
        view.internetType = p.internetType;
        view.answers = {message_box::kIdOk};
        RecordingSystemRestart restart;
        RunRestore(view, registry, restart);
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
    registry.WriteRegistryInteger(LocalMachine, u"\\Software\\Vendor\\", u"V", 32, RegistryView::Default());
    registry.WriteRegistryInteger(LocalMachine, u"\\SOFTWARE\\Vendor", u"V", 64, RegistryView::Bits64());
    registry.WriteRegistryInteger(LocalMachine, u"\\System\\Setup\\", u"V", 1, RegistryView::Default());
    registry.WriteRegistryInteger(CurrentUser, u"\\Software\\Vendor\\", u"V", 2, RegistryView::Default());

    EXPECT_EQ(
        registry.ReadRegistryInteger(LocalMachine, u"\\Software\\Vendor", u"V", 0, RegistryView::Default()),
        32);
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, u"\\Software\\WOW6432Node\\Vendor", u"V", 0,
                                           RegistryView::Default()),
              32);
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, u"\\Software\\WOW6432Node\\Vendor", u"V", 0,
                                           RegistryView::Bits64()),
              32);
    EXPECT_EQ(
        registry.ReadRegistryInteger(LocalMachine, u"\\Software\\Vendor", u"V", 0, RegistryView::Bits64()),
        64);
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine, u"\\System\\Setup", u"V", 0, RegistryView::Bits64()),
              1);
    EXPECT_EQ(
        registry.ReadRegistryInteger(CurrentUser, u"\\Software\\Vendor", u"V", 0, RegistryView::Bits64()), 2);

    MemoryRegistryStore plain; // one view for everything unless asked
    CustomRegistry(plain).WriteRegistryInteger(LocalMachine, u"\\Software\\Vendor", u"V", 5,
                                               RegistryView::Default());
    EXPECT_EQ(CustomRegistry(plain).ReadRegistryInteger(LocalMachine, u"\\Software\\Vendor", u"V", 0,
                                                        RegistryView::Bits64()),
              5);
}

TEST(RunsRegistryView, TweaksReachTheNativeKeysAndTheProductKeyStaysIn32BitView) {
    MemoryRegistryStore store;
    store.EmulateWow64Redirection();
    const CustomRegistry registry(store);
    constexpr std::u16string_view kExplorer = u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    constexpr std::u16string_view kExplorer32 =
        u"\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    registry.WriteRegistryInteger(LocalMachine, kExplorer, u"ThumbnailSize", 32, RegistryView::Bits64());
    registry.WriteRegistryInteger(LocalMachine, kExplorer32, u"ThumbnailSize", 64, RegistryView::Bits64());

    FakeRunView view;
    view.windowsIndex = 0; // Windows 11
    RecordingSystemRestart restart;
    RunOptimize(view, registry, restart);

    EXPECT_EQ(
        registry.ReadRegistryInteger(LocalMachine, kExplorer, u"ThumbnailSize", 0, RegistryView::Bits64()),
        96);
    EXPECT_EQ(
        registry.ReadRegistryInteger(LocalMachine, kExplorer32, u"ThumbnailSize", 0, RegistryView::Bits64()),
        64);
    for (const std::u16string_view below :
         {u"Policies\\Microsoft\\Windows\\Psched", u"Microsoft\\Dfrg\\BootOptimizeFunction",
          u"Microsoft\\Windows NT\\CurrentVersion\\Windows"}) {
        EXPECT_TRUE(store.KeyExists(LocalMachine, u"Software\\" + std::u16string(below))) << ToUtf8(below);
        EXPECT_FALSE(store.KeyExists(LocalMachine, u"Software\\WOW6432Node\\" + std::u16string(below)))
            << ToUtf8(below);
    }
    EXPECT_TRUE(store.KeyExists(LocalMachine, u"Software\\WOW6432Node\\ORVANE\\Zentrim"));
    EXPECT_FALSE(store.KeyExists(LocalMachine, u"Software\\ORVANE"));
    EXPECT_TRUE(
        registry.ReadRegistryBool(LocalMachine, ProductKeyPath, u"Restore", false, RegistryView::Default()));
    EXPECT_TRUE(view.boxes.size() == 1 && view.boxes[0].flags == message_box::kRestartQuestion)
        << "every tweak took, so no warning";

    view.answers = {message_box::kIdOk};
    RunRestore(view, registry, restart);
    EXPECT_EQ(
        registry.ReadRegistryInteger(LocalMachine, kExplorer, u"ThumbnailSize", 0, RegistryView::Bits64()),
        32);
    EXPECT_EQ(
        registry.ReadRegistryInteger(LocalMachine, kExplorer32, u"ThumbnailSize", 0, RegistryView::Bits64()),
        64);
    EXPECT_FALSE(registry.ReadRegistryRaw(LocalMachine, u"\\Software\\Microsoft\\Dfrg\\BootOptimizeFunction",
                                          u"Enable", RegistryView::Bits64()));
    EXPECT_FALSE(registry.ReadRegistryRaw(LocalMachine, ProductKeyPath, u"Restore", RegistryView::Default()));
}

} // namespace
} // namespace zentrim
