// The tweak catalogue against the design's table (support/design_catalogue.h, written out by hand):
// every field of every row (root, key path, value name, type, the value for each speed,
// condition, backup default, restore action), the backup list and the restore sequence. The
// program's own tables are never used to build an expectation, so a wrong row cannot go unnoticed.
#include "engine/tweak_catalogue.h"
#include "support/design_catalogue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using namespace design;

// A value of the program's as the registry stores it, for comparison with the design's.
Value Stored(const RawValue& value) {
    return {static_cast<std::uint32_t>(value.type), value.data};
}

const char* RootOf(const TweakRow& row) {
    return row.key.root == RegistryRoot::LocalMachine ? kHklm : kHkcu;
}

Restore RestoreOf(const TweakRow& row) {
    switch (row.restoreAction) {
    case RestoreAction::FromBackup:
        return FromBackup;
    case RestoreAction::Delete:
        return Delete;
    case RestoreAction::None:
        break;
    }
    return None;
}

TEST(CatalogueAgainstTheDesign, EveryFieldOfEveryRow) {
    ASSERT_EQ(kTweakRows.size(), DesignTable().size());
    for (const Row& expected : DesignTable()) {
        const TweakRow& row = kTweakRows[static_cast<std::size_t>(expected.number - 1)];
        SCOPED_TRACE("row " + std::to_string(expected.number));
        EXPECT_EQ(row.number, expected.number);
        EXPECT_STREQ(RootOf(row), expected.key.root);
        EXPECT_TRUE(row.key.path == expected.key.path) << "key path";
        EXPECT_TRUE(row.valueName == expected.name) << "value name";
        for (int speed = 0; speed <= 1; ++speed) {
            EXPECT_EQ(Stored(ToRawValue(WrittenValue(row, {8, 0, speed}))),
                      speed == 0 ? expected.boost : expected.maximumBoost)
                << "written with speed " << speed;
        }
        EXPECT_EQ(Stored(ToRawValue(WrittenValue(row, {8, 0, -3}))), expected.boost) << "speed below 0";
        EXPECT_EQ(Stored(ToRawValue(WrittenValue(row, {8, 0, 5}))), expected.maximumBoost) << "speed above 1";
        for (int osClass = -2; osClass <= 10; ++osClass) {
            for (int internetType = -1; internetType <= 9; ++internetType) {
                EXPECT_EQ(ConditionHolds(row.condition, {osClass, internetType, 0}),
                          Holds(expected.condition, osClass, internetType))
                    << "condition for OS class " << osClass << ", internet type " << internetType;
            }
        }
        ASSERT_EQ(row.backupDefault.has_value(), expected.backupDefault.has_value()) << "backup default";
        if (expected.backupDefault) {
            EXPECT_EQ(Stored(ToRawValue(*row.backupDefault)), *expected.backupDefault) << "backup default";
        }
        EXPECT_EQ(RestoreOf(row), expected.restore) << "restore action";
        if (::testing::Test::HasFailure()) {
            return; // one row at a time
        }
    }
}

TEST(CatalogueAgainstTheDesign, BackupListIsTheElevenRowsInTableOrder) {
    std::vector<int> numbers;
    for (const PlannedBackup& backup : PlanBackup()) {
        numbers.push_back(backup.row->number);
    }
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 12, 13, 14, 15, 16, 28, 29, 30, 31}));
}

// The restore sequence for a profile, stepped out as the design lists its fourteen steps.
std::vector<std::pair<RestoreOperationKind, int>> DesignRestoreSequence(int osClass, int internetType) {
    using enum RestoreOperationKind;
    std::vector<std::pair<RestoreOperationKind, int>> operations;
    const auto add = [&](RestoreOperationKind kind, int first, int last) {
        for (int number = first; number <= last; ++number) {
            operations.emplace_back(kind, number);
        }
    };
    add(RestoreFromBackup, 1, 2);
    add(DeleteBackup, 1, 2);
    add(DeleteLive, 3, 11);
    add(RestoreFromBackup, 12, 16);
    add(DeleteBackup, 12, 16);
    add(DeleteLive, 17, 27);
    add(RestoreFromBackup, 28, 29);
    add(DeleteBackup, 28, 29);
    add(RestoreFromBackup, 30, 31);
    add(DeleteBackup, 30, 31);
    if (Holds(NotDialUpOrIsdn, osClass, internetType)) {
        add(DeleteLive, 35, 44);
    }
    if (Holds(NotServer2003, osClass, internetType)) {
        add(DeleteLive, 34, 34);
    }
    if (Holds(ServerOrXp, osClass, internetType)) {
        add(DeleteLive, 45, 45);
    }
    if (Holds(VistaOrLaterDesktop, osClass, internetType)) {
        add(DeleteLive, 46, 47);
    }
    return operations;
}

TEST(CatalogueAgainstTheDesign, RestoreSequenceForEveryProfile) {
    for (int osClass = -1; osClass <= 8; ++osClass) {
        for (int internetType = -1; internetType <= 8; ++internetType) {
            std::vector<std::pair<RestoreOperationKind, int>> planned;
            for (const RestoreOperation& operation : PlanRestore({osClass, internetType, 0})) {
                planned.emplace_back(operation.kind, operation.row->number);
            }
            EXPECT_EQ(planned, DesignRestoreSequence(osClass, internetType))
                << "OS class " << osClass << ", internet type " << internetType;
        }
    }
}

} // namespace
} // namespace zentrim
