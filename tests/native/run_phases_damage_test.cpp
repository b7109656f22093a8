// A restore over a record damaged from outside, a key this account may only read, and the keys
// the tweaks create: what comes back, what is named, and what stays.
#include "runs_over_machine.h"

#include <gtest/gtest.h>

namespace zentrim {
namespace {

using namespace run_tests;

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
        registry_.WriteRegistryInteger(LocalMachine, priority.key.path, priority.name, 38,
                                       RegistryView::Bits64());
        registry_.WriteRegistryInteger(LocalMachine, start.key.path, start.name, 2, RegistryView::Bits64());
        const ValueMap before = LiveValues(store_);
        Optimize({1, 0, 0});
        if (c.entryDeleted) {
            registry_.DeleteRegistryValue(LocalMachine, kOriginalsKeyPath, EntryName(c.row),
                                          RegistryView::Default());
        } else {
            registry_.WriteRegistryString(LocalMachine, kOriginalsKeyPath, EntryName(c.row), u"oops",
                                          RegistryView::Default());
        }
        const auto damaged = ReadBackupInventory(registry_).DamagedEntries();
        ASSERT_EQ(damaged.size(), 1u);
        EXPECT_EQ(damaged[0].row->number, c.row.number);
        EXPECT_EQ(damaged[0].backupValueStandsIn, c.backupValueStandsIn);

        FakeRunView view;
        view.answers = {message_box::kIdOk, message_box::kIdNo};
        const auto report = RunRestore(view, registry_, restart_);
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
    registry_.WriteRegistryInteger(LocalMachine, autoReboot.key.path, autoReboot.name, 1,
                                   RegistryView::Bits64());
    registry_.WriteRegistryInteger(LocalMachine, DesignRow(15).key.path, DesignRow(15).name, 38,
                                   RegistryView::Bits64());
    const ValueMap before = LiveValues(store_);
    ReadOnlyKeyStore readOnly(store_, BareKeyPath(autoReboot.key.path));
    const CustomRegistry registry(readOnly);
    FakeRunView view;
    RunOptimize(view, registry, restart_);
    ASSERT_EQ(view.boxes.front().text, MainFormText({u"MessageBoxAccessDenied1", u"MessageBoxAccessDenied2"}))
        << "\"SendAlert\" cannot be written";

    view = FakeRunView{};
    view.answers = {message_box::kIdOk, message_box::kIdNo};
    RunRestore(view, registry, restart_);
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
                                   u"DisplayName", u"Messenger", RegistryView::Bits64());
             r.WriteRegistryInteger(LocalMachine, p3, u"Gone", 1, RegistryView::Bits64());
             r.DeleteRegistryValue(LocalMachine, p3, u"Gone", RegistryView::Bits64()); // an empty key
             r.WriteRegistryInteger(LocalMachine, u"\\Software\\Policies\\Microsoft\\Windows\\System", u"V",
                                    1, RegistryView::Bits64());
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
             r.WriteRegistryInteger(LocalMachine, psched, u"Other", 1, RegistryView::Bits64());
             r.WriteRegistryInteger(LocalMachine, p3 + u"\\Parameters\\Extra", u"Gone", 1,
                                    RegistryView::Bits64());
             r.DeleteRegistryValue(LocalMachine, p3 + u"\\Parameters\\Extra", u"Gone",
                                   RegistryView::Bits64());
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
                                          RegistryView::Default());
        } else {
            registry_.DeleteRegistryValue(LocalMachine, kOriginalsKeyPath, kCreatedKeysEntryName,
                                          RegistryView::Default());
        }
        Restore({1, 0, 0});
        EXPECT_TRUE(LiveValues(store_).empty());
        EXPECT_FALSE(BackupVisible(store_.Snapshot()));
        EXPECT_EQ(Keys(store_), keys);
    }
}

} // namespace
} // namespace zentrim
