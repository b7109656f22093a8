// The runs when registry operations fail or mislead: every operation of a first optimize run, a
// restore run and a second optimize run is made to fail in turn (and pairs of them at random), and
// then the user goes on as a user would, with clean runs. Whatever failed, the user's values must
// come back exactly, and no run may say that all went well when it did not.
//
// Beside failures, the same sweep runs with stores that report success but mislead. What each run
// does then:
//   a read gives other data (one byte   The backup reads every live value twice and compares the
//   short, another type, or the value   readings, and reads back all it wrote: any difference makes
//   as before its last change)          it a failed backup (nothing changed, the user is told). The
//                                       restore reads the backup twice before it writes anything
//                                       and keeps the backup when the readings differ; it reads
//                                       every value back, so a read-back that lies makes it keep
//                                       the backup and warn, never report a wrong value as done.
//   a write stores other data but       Everything written is read back from the store itself: a
//   reports success                     backup that does not read back is removed again, a tweak
//                                       or restored value that does not is reported as refused.
//   another program changes a value     That value may end as the user had it before the first run,
//   between two operations              as the other program wrote it, or as the run promised; the
//                                       run never leaves anything else, and every other value comes
//                                       back exactly. A change between the two readings of the
//                                       backup fails the backup; one after the last read-back wins.
//   value names that differ only in     Under Windows' rules such a name is the same value and keeps
//   letter case                         the user's spelling through both runs. A store that tells
//                                       them apart holds two values: the runs find only the one
//                                       spelt as the catalogue spells it, record it as it is (or as
//                                       absent), and never touch the other.
//
// The user's machine is written out below as the user would see it in the registry editor, without
// the program's catalogue; the expectation is always that machine, read back from the store before
// the first run.
#pragma once

#include "engine/runs.h"

#include "base/text.h"
#include "run_fakes.h"
#include "support/faulty_registry_store.h"
#include "support/product_key_probe.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace zentrim::fault_tests {

using enum RegistryRoot;
using testing::BackupVisible;
using testing::FakeRunView;
using testing::FaultyRegistryStore;
using testing::InProductKey;
using testing::ReadLie;
using testing::StoreOperation;

inline RawValue Dword(std::uint32_t number) {
    const auto bytes = EncodeDword(number);
    return {ValueType::Dword, {bytes.begin(), bytes.end()}};
}
inline RawValue Text(std::u16string_view text, ValueType type = ValueType::String) {
    return {type, EncodeRegistryText(text)};
}

struct UserValue {
    RegistryRoot root;
    std::u16string_view path;
    std::u16string_view name;
    RawValue value;
};

// What this user had: values the program tweaks (some of another type than it writes), values it
// backs up, and values beside them that no run may touch. Everything else it writes did not exist.
inline const std::vector<UserValue>& UserMachine() {
    static const std::vector<UserValue> values{
        {LocalMachine, u"System\\CurrentControlSet\\Control\\PriorityControl", u"Win32PrioritySeparation",
         Dword(38)},
        {LocalMachine, u"System\\CurrentControlSet\\Services\\Messenger", u"Start", Dword(2)},
        {LocalMachine, u"System\\CurrentControlSet\\Services\\Messenger", u"DisplayName", Text(u"Messenger")},
        {LocalMachine, u"System\\CurrentControlSet\\Control\\FileSystem", u"NtfsDisableLastAccessupdate",
         Dword(0x80000003)},
        {LocalMachine, u"System\\CurrentControlSet\\Control\\FileSystem", u"ContigFileAllocSize", Dword(512)},
        {LocalMachine, u"System\\CurrentControlSet\\Control\\FileSystem", u"Win31FileSystem", Dword(0)},
        {CurrentUser, u"Control Panel\\Desktop\\WindowMetrics", u"MinAnimate", Text(u"0")},
        {CurrentUser, u"Control Panel\\Desktop", u"SmoothScroll", Dword(1)},
        {CurrentUser, u"Control Panel\\Desktop", u"Wallpaper", Text(u"C:\\Users\\me\\beach.jpg")},
        {CurrentUser, u"Software\\Microsoft\\Internet Explorer\\Main", u"Use StyleSheets", Text(u"no")},
        {CurrentUser, u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
         u"MaxConnectionsPerServer", Dword(10)},
        {LocalMachine, u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters", u"KeepAliveTime",
         Dword(600000)},
        {LocalMachine, u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters", u"DefaultTTL", Dword(128)},
        {LocalMachine, u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters", u"EnablePMTUDiscovery",
         Dword(1)},
        {LocalMachine,
         u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters",
         u"Tcp1323Opts",
         {ValueType::Qword, {1, 0, 0, 0, 0, 0, 0, 0}}},
        {LocalMachine, u"System\\CurrentControlSet\\Control\\Session Manager\\Memory Management",
         u"LargeSystemCache", Dword(1)},
        {LocalMachine, u"System\\CurrentControlSet\\Control\\Session Manager\\Memory Management",
         u"IoPageLockLimit", Text(u"%LIMIT%", ValueType::ExpandString)},
        {LocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", u"ThumbnailSize",
         Dword(120)},
        {LocalMachine, u"System\\CurrentControlSet\\Control\\Session Manager", u"AutoChkTimeOut", Dword(10)},
        {LocalMachine, u"Software\\Microsoft\\Dfrg\\BootOptimizeFunction", u"Enable", Text(u"N")},
        {LocalMachine,
         u"System\\CurrentControlSet\\Services\\P3\\Parameters",
         u"HackFlags",
         {ValueType::Binary, {}}},
    };
    return values;
}

// Beside the user's values, values whose names differ from the catalogue's only in letter case,
// which only a store that tells such names apart can hold as values of their own.
inline std::vector<UserValue> MachineWithNamesInOtherCase() {
    std::vector<UserValue> values = UserMachine();
    values.push_back({LocalMachine, u"System\\CurrentControlSet\\Control\\PriorityControl",
                      u"WIN32PRIORITYSEPARATION", Dword(24)});
    values.push_back({LocalMachine, u"System\\CurrentControlSet\\Services\\Messenger", u"start", Dword(3)});
    values.push_back({CurrentUser, u"Control Panel\\Desktop\\WindowMetrics", u"minAnimate", Text(u"2")});
    values.push_back({LocalMachine, u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters",
                      u"keepalivetime", Dword(1)});
    return values;
}

// A snapshot with the names as the runs spelt them, from a store that tells names apart by case.
inline std::vector<StoredKey> Spelt(std::vector<StoredKey> state) {
    for (StoredKey& key : state) {
        for (StoredValue& value : key.values) {
            value.name = FaultyRegistryStore::OuterName(value.name);
        }
    }
    return state;
}

// Every value outside the product key, keyed by root, path and name in lower case.
using Machine = std::map<std::u16string, RawValue>;

inline Machine LiveValues(const MemoryRegistryStore& store) {
    Machine values;
    for (const StoredKey& key : store.Snapshot()) {
        if (!InProductKey(key)) {
            for (const StoredValue& value : key.values) {
                values[ToLowerText(key.rootName + u"\\" + key.path + u"|" + value.name)] = {value.type,
                                                                                            value.data};
            }
        }
    }
    return values;
}

// A value another program sets during a run: by its machine id, and what it writes.
struct OtherWriter {
    std::u16string id;
    RawValue value;
};

// The number of values that differ between two machines (changed, missing or added). The value
// another program set during the run also counts as equal when it holds what that program wrote.
inline int Differences(const Machine& a, const Machine& b, const OtherWriter* other = nullptr) {
    const auto find = [](const Machine& machine, const std::u16string& id) {
        const auto it = machine.find(id);
        return it == machine.end() ? std::nullopt : std::optional<RawValue>(it->second);
    };
    std::set<std::u16string> ids;
    for (const Machine* machine : {&a, &b}) {
        for (const auto& [id, value] : *machine) {
            ids.insert(id);
        }
    }
    int count = 0;
    for (const std::u16string& id : ids) {
        const auto value = find(a, id);
        const bool otherWrote = other != nullptr && id == other->id && value == other->value;
        count += value == find(b, id) || otherWrote ? 0 : 1;
    }
    return count;
}

struct Profile {
    int windowsIndex;
    int internetType;
    int speed;
};
inline constexpr Profile kFirstProfile{1, 0, 1};  // Windows 10, cable, Maximum Boost
inline constexpr Profile kSecondProfile{5, 2, 0}; // Windows XP, dial-up, Boost: other conditional rows

// What a run showed the user at its end.
struct RunReport {
    bool warned = false;       // a warning box: refused settings, or no backup saved
    bool backupFailed = false; // the warning that nothing was changed for want of a backup
    bool restoreEnabled = false;
};

inline RunReport Report(const FakeRunView& view) {
    RunReport report;
    for (const FakeRunView::Box& box : view.boxes) {
        if (box.flags == message_box::kAccessWarning) {
            report.warned = true;
            report.backupFailed =
                report.backupFailed || ToUtf8(box.text).find("BackupFailed") != std::string::npos;
        }
    }
    report.restoreEnabled = view.restoreButtonEnabled;
    return report;
}

inline RunReport Optimize(RegistryStore& store, const Profile& p, bool restoreEnabledBefore) {
    FakeRunView view;
    view.windowsIndex = p.windowsIndex;
    view.internetType = p.internetType;
    view.speedSetting = p.speed;
    view.restoreButtonEnabled = restoreEnabledBefore;
    RecordingSystemRestart restart;
    RunOptimize(view, CustomRegistry(store), restart);
    return Report(view);
}

inline RunReport Restore(RegistryStore& store, const Profile& p) {
    FakeRunView view;
    view.windowsIndex = p.windowsIndex;
    view.internetType = p.internetType;
    view.answers = {message_box::kIdOk, message_box::kIdNo};
    view.restoreButtonEnabled = true;
    RecordingSystemRestart restart;
    RunRestore(view, CustomRegistry(store), restart);
    return Report(view);
}

enum class Phase { FirstOptimize, Restore, SecondOptimize };

inline const char* Name(Phase phase) {
    switch (phase) {
    case Phase::FirstOptimize:
        return "first optimize run";
    case Phase::Restore:
        return "restore run";
    case Phase::SecondOptimize:
        return "second optimize run";
    }
    return "";
}

// One way the store goes wrong for a run, besides what the clean runs after it meet.
struct Mischief {
    std::function<void(FaultyRegistryStore&)> apply;
    std::optional<OtherWriter> otherWriter; // the value another program sets, if it does
};

inline Mischief Faults(std::vector<FaultyRegistryStore::Fault> faults) {
    return {[faults](FaultyRegistryStore& store) {
                for (const auto& fault : faults) {
                    store.Add(fault);
                }
            },
            std::nullopt};
}

class RunsUnderFaults : public ::testing::Test {
protected:
    // The user's machine and what clean runs make of it, in a store with Windows' rules for names or
    // in one that tells names apart by their letter case.
    struct Setup {
        bool distinguishCase = false;
        std::vector<StoredKey> machine;
        std::vector<StoredKey> afterFirstOptimize;
        Machine values;
        Machine tweaked;
        Machine afterRestore;
        Machine tweakedTwice;
        std::map<std::string, int> lostAfter; // values lost by the clean sequences after a state

        const std::vector<StoredKey>& StartOf(Phase phase) const {
            return phase == Phase::FirstOptimize ? machine : afterFirstOptimize;
        }
    };

    // The store the runs see over `memory`: as it is, or telling names apart by case.
    static void Prepare(FaultyRegistryStore& store, const Setup& setup) {
        if (setup.distinguishCase) {
            store.DistinguishNameCase();
        }
    }

    static std::unique_ptr<Setup> MakeSetup(bool distinguishCase, const std::vector<UserValue>& machine) {
        auto setup = std::make_unique<Setup>();
        setup->distinguishCase = distinguishCase;
        const auto run = [&](MemoryRegistryStore& memory, const auto& what) {
            FaultyRegistryStore store(memory);
            Prepare(store, *setup);
            what(store);
        };
        MemoryRegistryStore store;
        run(store, [&](RegistryStore& through) {
            const CustomRegistry registry(through);
            for (const UserValue& value : machine) {
                registry.WriteRegistryRaw(value.root, value.path, value.name, value.value,
                                          RegistryView::Bits64());
            }
        });
        setup->machine = store.Snapshot();
        setup->values = LiveValues(store);

        run(store, [](RegistryStore& through) { Optimize(through, kFirstProfile, false); });
        setup->afterFirstOptimize = store.Snapshot();
        setup->tweaked = LiveValues(store);

        MemoryRegistryStore restored;
        restored.Load(setup->afterFirstOptimize);
        run(restored, [](RegistryStore& through) { Restore(through, kFirstProfile); });
        setup->afterRestore = LiveValues(restored);

        MemoryRegistryStore twice;
        twice.Load(setup->afterFirstOptimize);
        run(twice, [](RegistryStore& through) { Optimize(through, kSecondProfile, true); });
        setup->tweakedTwice = LiveValues(twice);
        return setup;
    }

    static void SetUpTestSuite() {
        user_ = MakeSetup(false, UserMachine());
        caseUser_ = MakeSetup(true, MachineWithNamesInOtherCase());
    }
    static void TearDownTestSuite() {
        user_.reset();
        caseUser_.reset();
    }

    void SetUp() override {
        // The clean runs themselves: the first optimize run changes values, the restore run gives
        // back exactly what the user had.
        for (const Setup* setup : {user_.get(), caseUser_.get()}) {
            ASSERT_NE(setup->tweaked, setup->values);
            ASSERT_EQ(setup->afterRestore, setup->values);
        }
    }

    static RunReport RunPhase(Phase phase, RegistryStore& store) {
        switch (phase) {
        case Phase::FirstOptimize:
            return Optimize(store, kFirstProfile, false);
        case Phase::Restore:
            return Restore(store, kFirstProfile);
        case Phase::SecondOptimize:
            return Optimize(store, kSecondProfile, true);
        }
        return {};
    }

    // The counts of a clean run of the phase: its store operations, its reads of data, its sets.
    struct Counts {
        std::size_t operations = 0;
        std::size_t dataReads = 0;
        std::size_t sets = 0;
        std::size_t ofKind[testing::kStoreOperationKinds] = {};
    };
    static Counts CountsOf(Phase phase, const Setup& setup = *user_) {
        MemoryRegistryStore memory;
        memory.Load(setup.StartOf(phase));
        FaultyRegistryStore counting(memory);
        Prepare(counting, setup);
        RunPhase(phase, counting);
        Counts counts{counting.OperationCount(), counting.DataReadCount(),
                      counting.OperationCount(StoreOperation::Set)};
        for (std::size_t kind = 0; kind < testing::kStoreOperationKinds; ++kind) {
            counts.ofKind[kind] = counting.OperationCount(static_cast<StoreOperation>(kind));
        }
        return counts;
    }

    // Runs the phase with the mischief, checks what it told the user against what it did, then goes
    // on with clean runs in three ways. Gives the number of the user's values lost at the end of
    // each way (0 when nothing was lost) and adds a failure for every untruth or loss.
    static int RunWithFaults(Phase phase, const Mischief& mischief, Setup& setup = *user_) {
        const OtherWriter* other = mischief.otherWriter ? &*mischief.otherWriter : nullptr;
        MemoryRegistryStore memory;
        memory.Load(setup.StartOf(phase));
        const Machine before = LiveValues(memory);
        FaultyRegistryStore faulty(memory);
        Prepare(faulty, setup);
        mischief.apply(faulty);
        const RunReport report = RunPhase(phase, faulty);
        const Machine after = LiveValues(memory);

        // What the run told the user.
        if (report.backupFailed) {
            EXPECT_EQ(Differences(after, before, other), 0) << "said it changed nothing, but did";
        } else if (!report.warned) {
            const Machine& promised = phase == Phase::FirstOptimize ? setup.tweaked
                                      : phase == Phase::Restore     ? setup.values
                                                                    : setup.tweakedTwice;
            EXPECT_EQ(Differences(after, promised, other), 0) << "said all went well, but the values differ";
            if (phase == Phase::Restore) {
                EXPECT_FALSE(BackupVisible(Spelt(memory.Snapshot())))
                    << "said all went well, but left a backup";
            } else {
                EXPECT_TRUE(report.restoreEnabled);
            }
        }
        if (!report.restoreEnabled) {
            EXPECT_EQ(Differences(after, setup.values, other), 0)
                << "the restore button is off, yet values are changed";
        }

        // The user goes on: restore (when the button allows); optimize then restore; both. Many
        // faults leave the same state behind, whose clean sequences need checking only once.
        const auto state = memory.Snapshot();
        const std::string id = other != nullptr ? ToUtf8(other->id) : std::string();
        const auto [known, added] =
            setup.lostAfter.try_emplace(id + StateKey(state, report.restoreEnabled), 0);
        if (!added) {
            return known->second;
        }
        int lost = 0;
        for (int way = 0; way < 3; ++way) {
            MemoryRegistryStore next;
            next.Load(state);
            FaultyRegistryStore clean(next);
            Prepare(clean, setup);
            bool restoreEnabled = report.restoreEnabled;
            const auto restoreIfEnabled = [&] {
                if (restoreEnabled) {
                    restoreEnabled = Restore(clean, kFirstProfile).restoreEnabled;
                }
            };
            if (way != 1) {
                restoreIfEnabled();
            }
            if (way != 0) {
                restoreEnabled = Optimize(clean, kFirstProfile, restoreEnabled).restoreEnabled;
                restoreIfEnabled();
            }
            const int differences = Differences(LiveValues(next), setup.values, other);
            EXPECT_EQ(differences, 0) << "values lost after clean run sequence " << way;
            if (way != 0) {
                EXPECT_FALSE(BackupVisible(Spelt(next.Snapshot())))
                    << "a backup is left after clean run sequence " << way;
            }
            lost += differences;
        }
        known->second = lost;
        return lost;
    }

    // A state as one text: every key, value, type and byte, and whether "&Restore" was enabled.
    static std::string StateKey(const std::vector<StoredKey>& state, bool restoreEnabled) {
        std::string key(1, restoreEnabled ? '1' : '0');
        const auto add = [&](std::u16string_view text) {
            key += ToUtf8(text);
            key += '\0';
        };
        for (const StoredKey& stored : state) {
            add(stored.rootName);
            add(stored.path);
            for (const StoredValue& value : stored.values) {
                add(value.name);
                key += std::to_string(static_cast<unsigned>(value.type)) + ':';
                key.append(value.data.begin(), value.data.end());
                key += '\0';
            }
        }
        return key;
    }

    inline static std::unique_ptr<Setup> user_;
    inline static std::unique_ptr<Setup> caseUser_;
};

inline constexpr Phase kPhases[] = {Phase::FirstOptimize, Phase::Restore, Phase::SecondOptimize};

inline void Measured(const std::string& what, std::size_t cases, int lost) {
    std::printf("[ measured ] %s: %zu cases, %d values lost\n", what.c_str(), cases, lost);
}

} // namespace zentrim::fault_tests
