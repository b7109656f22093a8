// The runs when single registry operations fail: every operation of a first optimize run, a restore
// run and a second optimize run is made to fail in turn (and pairs of them at random), and then the
// user goes on as a user would, with clean runs. Whatever failed, the user's values must come back
// exactly, and no run may say that all went well when it did not.
//
// The user's machine is written out below as the user would see it in the registry editor, without
// the program's catalogue; the expectation is always that machine, read back from the store before
// the first run.
#include "engine/runs.h"

#include "base/text.h"
#include "run_fakes.h"
#include "support/faulty_registry_store.h"
#include "support/product_key_probe.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using enum RegistryRoot;
using testing::BackupVisible;
using testing::FakeRunView;
using testing::FaultyRegistryStore;
using testing::InProductKey;
using testing::StoreOperation;

RawValue Dword(std::uint32_t number) {
    const auto bytes = EncodeDword(number);
    return {ValueType::Dword, {bytes.begin(), bytes.end()}};
}
RawValue Text(std::u16string_view text, ValueType type = ValueType::String) {
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
const std::vector<UserValue>& UserMachine() {
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

// Every value outside the product key, keyed by root, path and name in lower case.
using Machine = std::map<std::u16string, RawValue>;

Machine LiveValues(const MemoryRegistryStore& store) {
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

// The number of values that differ between two machines (changed, missing or added).
int Differences(const Machine& a, const Machine& b) {
    int count = 0;
    for (const auto& [id, value] : a) {
        const auto found = b.find(id);
        count += found == b.end() || found->second != value ? 1 : 0;
    }
    for (const auto& [id, value] : b) {
        count += a.contains(id) ? 0 : 1;
    }
    return count;
}

struct Profile {
    int windowsIndex;
    int internetType;
    int speed;
};
constexpr Profile kFirstProfile{1, 0, 1};  // Windows 10, cable, Maximum Boost
constexpr Profile kSecondProfile{5, 2, 0}; // Windows XP, dial-up, Boost: other conditional rows

// What a run showed the user at its end.
struct RunReport {
    bool warned = false;       // a warning box: refused settings, or no backup saved
    bool backupFailed = false; // the warning that nothing was changed for want of a backup
    bool restoreEnabled = false;
};

RunReport Report(const FakeRunView& view) {
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

RunReport Optimize(RegistryStore& store, const Profile& p, bool restoreEnabledBefore) {
    FakeRunView view;
    view.windowsIndex = p.windowsIndex;
    view.internetType = p.internetType;
    view.speedSetting = p.speed;
    view.restoreButtonEnabled = restoreEnabledBefore;
    RecordingSystemRestart restart;
    GoButtonClick(view, CustomRegistry(store), restart);
    return Report(view);
}

RunReport Restore(RegistryStore& store, const Profile& p) {
    FakeRunView view;
    view.windowsIndex = p.windowsIndex;
    view.internetType = p.internetType;
    view.answers = {message_box::kIdOk, message_box::kIdNo};
    view.restoreButtonEnabled = true;
    RecordingSystemRestart restart;
    RestoreButtonClick(view, CustomRegistry(store), restart);
    return Report(view);
}

enum class Phase { FirstOptimize, Restore, SecondOptimize };

const char* Name(Phase phase) {
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

class RunsUnderFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        MemoryRegistryStore store;
        const CustomRegistry registry(store);
        for (const UserValue& value : UserMachine()) {
            registry.WriteRegistryRaw(value.root, value.path, value.name, value.value, true);
        }
        user_ = std::make_unique<Setup>();
        user_->machine = store.Snapshot();
        user_->values = LiveValues(store);

        Optimize(store, kFirstProfile, false);
        user_->afterFirstOptimize = store.Snapshot();
        user_->tweaked = LiveValues(store);

        MemoryRegistryStore restored;
        restored.Load(user_->afterFirstOptimize);
        Restore(restored, kFirstProfile);
        user_->afterRestore = LiveValues(restored);

        MemoryRegistryStore twice;
        twice.Load(user_->afterFirstOptimize);
        Optimize(twice, kSecondProfile, true);
        user_->tweakedTwice = LiveValues(twice);
    }
    static void TearDownTestSuite() { user_.reset(); }

    void SetUp() override {
        // The clean runs themselves: the first optimize run changes values, the restore run gives
        // back exactly what the user had.
        ASSERT_NE(user_->tweaked, user_->values);
        ASSERT_EQ(user_->afterRestore, user_->values);
    }

    static const std::vector<StoredKey>& StartOf(Phase phase) {
        return phase == Phase::FirstOptimize ? user_->machine : user_->afterFirstOptimize;
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

    // How many store operations a clean run of the phase makes.
    static std::size_t OperationsOf(Phase phase) {
        MemoryRegistryStore memory;
        memory.Load(StartOf(phase));
        FaultyRegistryStore counting(memory);
        RunPhase(phase, counting);
        return counting.OperationCount();
    }

    // Runs the phase with the faults, checks what it told the user against what it did, then goes
    // on with clean runs in three ways. Gives the number of the user's values lost at the end of
    // each way (0 when nothing was lost) and adds a failure for every untruth or loss.
    static int RunWithFaults(Phase phase, const std::vector<FaultyRegistryStore::Fault>& faults) {
        MemoryRegistryStore memory;
        memory.Load(StartOf(phase));
        const Machine before = LiveValues(memory);
        FaultyRegistryStore faulty(memory);
        for (const auto& fault : faults) {
            faulty.Add(fault);
        }
        const RunReport report = RunPhase(phase, faulty);
        const Machine after = LiveValues(memory);

        // What the run told the user.
        if (report.backupFailed) {
            EXPECT_EQ(after, before) << "said it changed nothing, but did";
        } else if (!report.warned) {
            const Machine& promised = phase == Phase::FirstOptimize ? user_->tweaked
                                      : phase == Phase::Restore     ? user_->values
                                                                    : user_->tweakedTwice;
            EXPECT_EQ(after, promised) << "said all went well, but the values differ";
            if (phase == Phase::Restore) {
                EXPECT_FALSE(BackupVisible(memory.Snapshot())) << "said all went well, but left a backup";
            } else {
                EXPECT_TRUE(report.restoreEnabled);
            }
        }
        if (!report.restoreEnabled) {
            EXPECT_EQ(after, user_->values) << "the restore button is off, yet values are changed";
        }

        // The user goes on: restore (when the button allows); optimize then restore; both. Many
        // faults leave the same state behind, whose clean sequences need checking only once.
        const auto state = memory.Snapshot();
        const auto [known, added] = user_->lostAfter.try_emplace(StateKey(state, report.restoreEnabled), 0);
        if (!added) {
            return known->second;
        }
        int lost = 0;
        for (int way = 0; way < 3; ++way) {
            MemoryRegistryStore next;
            next.Load(state);
            bool restoreEnabled = report.restoreEnabled;
            const auto restoreIfEnabled = [&] {
                if (restoreEnabled) {
                    restoreEnabled = Restore(next, kFirstProfile).restoreEnabled;
                }
            };
            if (way != 1) {
                restoreIfEnabled();
            }
            if (way != 0) {
                restoreEnabled = Optimize(next, kFirstProfile, restoreEnabled).restoreEnabled;
                restoreIfEnabled();
            }
            const int differences = Differences(LiveValues(next), user_->values);
            EXPECT_EQ(differences, 0) << "values lost after clean run sequence " << way;
            if (way != 0) {
                EXPECT_FALSE(BackupVisible(next.Snapshot()))
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

    struct Setup {
        std::vector<StoredKey> machine;
        std::vector<StoredKey> afterFirstOptimize;
        Machine values;
        Machine tweaked;
        Machine afterRestore;
        Machine tweakedTwice;
        std::map<std::string, int> lostAfter; // values lost by the clean sequences after a state
    };
    inline static std::unique_ptr<Setup> user_;
};

void Measured(const std::string& what, std::size_t cases, int lost) {
    std::printf("[ measured ] %s: %zu cases, %d values lost\n", what.c_str(), cases, lost);
}

TEST_F(RunsUnderFaults, EverySingleFailedOperationOfEachRun) {
    for (const Phase phase : {Phase::FirstOptimize, Phase::Restore, Phase::SecondOptimize}) {
        const std::size_t operations = OperationsOf(phase);
        // Every run is hundreds of store operations (the second optimize run, which finds the
        // backup held, about 270: the backup inventory opens each of its two keys once).
        ASSERT_GT(operations, 250u) << Name(phase);
        int lost = 0;
        for (std::size_t position = 0; position < operations; ++position) {
            SCOPED_TRACE(std::string(Name(phase)) + ", operation " + std::to_string(position) + " fails");
            // Refused access and plain failure alternate: the runs must treat both alike.
            const StoreStatus status = position % 2 == 0 ? StoreStatus::Failed : StoreStatus::AccessDenied;
            lost += RunWithFaults(phase, {FaultyRegistryStore::At(position, status)});
            if (::testing::Test::HasFailure()) {
                return; // the first case that fails tells the story
            }
        }
        Measured(std::string("one failed operation in the ") + Name(phase), operations, lost);
    }
}

TEST_F(RunsUnderFaults, EveryOperationOfAKindFailingFromSomePointOn) {
    const StoreOperation kinds[] = {StoreOperation::Open, StoreOperation::Create, StoreOperation::Query,
                                    StoreOperation::Set,  StoreOperation::Delete, StoreOperation::DeleteKey};
    for (const Phase phase : {Phase::FirstOptimize, Phase::Restore, Phase::SecondOptimize}) {
        for (const StoreOperation kind : kinds) {
            MemoryRegistryStore memory;
            memory.Load(StartOf(phase));
            FaultyRegistryStore counting(memory);
            RunPhase(phase, counting);
            const std::size_t count = counting.OperationCount(kind);
            for (std::size_t from = 0; from < count; from += 7) {
                SCOPED_TRACE(std::string(Name(phase)) + ", kind " + std::to_string(static_cast<int>(kind)) +
                             " failing from " + std::to_string(from));
                RunWithFaults(phase, {FaultyRegistryStore::KindFrom(kind, from)});
                if (::testing::Test::HasFailure()) {
                    return;
                }
            }
        }
    }
}

TEST_F(RunsUnderFaults, TwoFailedOperationsAtRandomPlaces) {
    std::mt19937 random(20261209);
    for (const Phase phase : {Phase::FirstOptimize, Phase::Restore, Phase::SecondOptimize}) {
        const std::size_t operations = OperationsOf(phase);
        std::uniform_int_distribution<std::size_t> position(0, operations - 1);
        constexpr std::size_t kCases = 700;
        int lost = 0;
        for (std::size_t i = 0; i < kCases; ++i) {
            const std::size_t first = position(random);
            const std::size_t second = position(random);
            SCOPED_TRACE(std::string(Name(phase)) + ", operations " + std::to_string(first) + " and " +
                         std::to_string(second) + " fail");
            lost += RunWithFaults(phase, {FaultyRegistryStore::At(first), FaultyRegistryStore::At(second)});
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
        Measured(std::string("two failed operations in the ") + Name(phase), kCases, lost);
    }
}

// A value that always fails, wherever it is met: its reads, writes and deletions.
TEST_F(RunsUnderFaults, AValueThatAlwaysFails) {
    for (const std::u16string_view name :
         {u"Restore", u"Win32PrioritySeparation", u"Start", u"MinAnimate",
          u"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Messenger\\\\Start"}) {
        for (const Phase phase : {Phase::FirstOptimize, Phase::Restore, Phase::SecondOptimize}) {
            SCOPED_TRACE(std::string(Name(phase)) + ", value " + ToUtf8(name));
            MemoryRegistryStore memory;
            memory.Load(StartOf(phase));
            const Machine before = LiveValues(memory);
            FaultyRegistryStore faulty(memory);
            faulty.FailValueName(std::u16string(name));
            const RunReport report = RunPhase(phase, faulty);
            EXPECT_TRUE(report.warned) << "a value failed, yet all went well";
            if (phase == Phase::FirstOptimize) {
                EXPECT_EQ(LiveValues(memory), before);
                // "&Restore" may be offered when the key cannot be read; with the value still
                // failing, a restore then changes nothing either.
                if (report.restoreEnabled) {
                    Restore(faulty, kFirstProfile);
                    EXPECT_EQ(LiveValues(memory), before) << "a restore with nothing held changed values";
                }
            }
        }
    }
}

} // namespace
} // namespace zentrim
