// The runs under failed and misleading store operations: every operation failing in turn, from
// some point on, in pairs, one value always, and reads and writes that report success with other
// data. What the runs do then is described in runs_under_faults.h.
#include "runs_under_faults.h"

#include <gtest/gtest.h>

namespace zentrim {
namespace {

using namespace fault_tests;

TEST_F(RunsUnderFaults, EverySingleFailedOperationOfEachRun) {
    for (const Phase phase : kPhases) {
        const std::size_t operations = CountsOf(phase).operations;
        // Every run is hundreds of store operations (the second optimize run, which finds the
        // backup held, about 270: the backup inventory opens each of its two keys once).
        ASSERT_GT(operations, 250u) << Name(phase);
        int lost = 0;
        for (std::size_t position = 0; position < operations; ++position) {
            SCOPED_TRACE(std::string(Name(phase)) + ", operation " + std::to_string(position) + " fails");
            // Refused access and plain failure alternate: the runs must treat both alike.
            const StoreStatus status = position % 2 == 0 ? StoreStatus::Failed : StoreStatus::AccessDenied;
            lost += RunWithFaults(phase, Faults({FaultyRegistryStore::At(position, status)}));
            if (::testing::Test::HasFailure()) {
                return; // the first case that fails tells the story
            }
        }
        Measured(std::string("one failed operation in the ") + Name(phase), operations, lost);
    }
}

TEST_F(RunsUnderFaults, EveryOperationOfAKindFailingFromSomePointOn) {
    const StoreOperation kinds[] = {StoreOperation::Open,   StoreOperation::Create, StoreOperation::Query,
                                    StoreOperation::Set,    StoreOperation::Delete, StoreOperation::DeleteKey,
                                    StoreOperation::KeyInfo};
    for (const Phase phase : kPhases) {
        const Counts counts = CountsOf(phase);
        for (const StoreOperation kind : kinds) {
            const std::size_t count = counts.ofKind[static_cast<std::size_t>(kind)];
            for (std::size_t from = 0; from < count; from += 7) {
                SCOPED_TRACE(std::string(Name(phase)) + ", kind " + std::to_string(static_cast<int>(kind)) +
                             " failing from " + std::to_string(from));
                RunWithFaults(phase, Faults({FaultyRegistryStore::KindFrom(kind, from)}));
                if (::testing::Test::HasFailure()) {
                    return;
                }
            }
        }
    }
}

TEST_F(RunsUnderFaults, TwoFailedOperationsAtRandomPlaces) {
    std::mt19937 random(20261209);
    for (const Phase phase : kPhases) {
        const std::size_t operations = CountsOf(phase).operations;
        std::uniform_int_distribution<std::size_t> position(0, operations - 1);
        constexpr std::size_t kCases = 700;
        int lost = 0;
        for (std::size_t i = 0; i < kCases; ++i) {
            const std::size_t first = position(random);
            const std::size_t second = position(random);
            SCOPED_TRACE(std::string(Name(phase)) + ", operations " + std::to_string(first) + " and " +
                         std::to_string(second) + " fail");
            lost += RunWithFaults(phase,
                                  Faults({FaultyRegistryStore::At(first), FaultyRegistryStore::At(second)}));
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
        for (const Phase phase : kPhases) {
            SCOPED_TRACE(std::string(Name(phase)) + ", value " + ToUtf8(name));
            MemoryRegistryStore memory;
            memory.Load(user_->StartOf(phase));
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

// Each read of data in turn reports success with other data: a byte short, another type, or the
// value as it was before its last change, in turn.
TEST_F(RunsUnderFaults, EveryReadThatGivesOtherData) {
    const ReadLie lies[] = {ReadLie::Truncated, ReadLie::Retyped, ReadLie::Stale};
    for (const Phase phase : kPhases) {
        const std::size_t reads = CountsOf(phase).dataReads;
        ASSERT_GT(reads, 50u) << Name(phase);
        int lost = 0;
        for (std::size_t position = 0; position < reads; ++position) {
            const ReadLie lie = lies[position % 3];
            SCOPED_TRACE(std::string(Name(phase)) + ", read " + std::to_string(position) +
                         " misleads in way " + std::to_string(static_cast<int>(lie)));
            lost += RunWithFaults(phase,
                                  {[&](FaultyRegistryStore& store) { store.LieOnRead(position, lie); }, {}});
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
        Measured(std::string("one misleading read in the ") + Name(phase), reads, lost);
    }
}

// Each value set in turn stores other data than it was given, and reports success.
TEST_F(RunsUnderFaults, EveryWriteThatStoresOtherData) {
    for (const Phase phase : kPhases) {
        const std::size_t sets = CountsOf(phase).sets;
        ASSERT_GT(sets, 10u) << Name(phase);
        int lost = 0;
        for (std::size_t position = 0; position < sets; ++position) {
            SCOPED_TRACE(std::string(Name(phase)) + ", set " + std::to_string(position) +
                         " stores other data");
            lost +=
                RunWithFaults(phase, {[&](FaultyRegistryStore& store) { store.LieOnWrite(position); }, {}});
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
        Measured(std::string("one write of other data in the ") + Name(phase), sets, lost);
    }
}

} // namespace
} // namespace zentrim
