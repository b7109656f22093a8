#include "engine/tweak_catalogue.h"

#include <string>

namespace zentrim {

namespace {

// Checks of the catalogue's own consistency, made once by the compiler so that an edit of one
// table cannot silently disagree with another.

constexpr bool RowsAreNumberedInOrder() {
    for (std::size_t i = 0; i < kTweakRows.size(); ++i) {
        if (kTweakRows[i].number != static_cast<int>(i) + 1) {
            return false;
        }
    }
    return true;
}
static_assert(RowsAreNumberedInOrder());

constexpr bool RowKeysAreCatalogueKeys() {
    return std::ranges::all_of(kTweakRows, [](const TweakRow& row) {
        return std::ranges::find(kTweakKeys, row.key) != kTweakKeys.end();
    });
}
static_assert(RowKeysAreCatalogueKeys());

// A backup exists exactly for rows restored from it; it has the row's type, never binary (binary
// values are never read), and such rows are written in every run.
constexpr bool BackupsMatchRestoreActions() {
    return std::ranges::all_of(kTweakRows, [](const TweakRow& row) {
        if (row.backupDefault.has_value() != (row.restoreAction == RestoreAction::FromBackup)) {
            return false;
        }
        return !row.backupDefault ||
               (row.backupDefault->type == row.type() && row.type() != TweakType::Binary &&
                row.condition == TweakCondition::Always);
    });
}
static_assert(BackupsMatchRestoreActions());

constexpr bool SpeedRowsAreDwords() {
    return std::ranges::all_of(kTweakRows, [](const TweakRow& row) {
        return row.writtenFrom == WrittenFrom::Constant || row.type() == TweakType::Dword;
    });
}
static_assert(SpeedRowsAreDwords());

constexpr bool BackupListIsTheBackedUpRows() {
    std::size_t next = 0;
    for (const TweakRow& row : kTweakRows) {
        if (row.backupDefault) {
            if (next == kBackupRowNumbers.size() || kBackupRowNumbers[next] != row.number) {
                return false;
            }
            ++next;
        }
    }
    return next == kBackupRowNumbers.size();
}
static_assert(BackupListIsTheBackedUpRows());

// Every restore step names valid rows whose restore action is the step's, under the rows' own
// condition; every row restored from backup is restored once and its backup deleted once, every
// row to delete is deleted once, and rows without a restore action appear nowhere.
constexpr bool RestoreSequenceCoversEveryRowOnce() {
    std::array<int, kTweakRows.size()> restored{}, backupDeleted{}, deleted{};
    for (const RestoreStep& step : kRestoreSequence) {
        if (step.firstRow < 1 || step.lastRow > static_cast<int>(kTweakRows.size()) ||
            step.firstRow > step.lastRow) {
            return false;
        }
        for (int number = step.firstRow; number <= step.lastRow; ++number) {
            const TweakRow& row = TweakRowByNumber(number);
            const auto index = static_cast<std::size_t>(number - 1);
            if (row.condition != step.condition) {
                return false;
            }
            switch (step.kind) {
            case RestoreOperationKind::RestoreFromBackup:
                ++restored[index];
                break;
            case RestoreOperationKind::DeleteBackup:
                ++backupDeleted[index];
                break;
            case RestoreOperationKind::DeleteLive:
                ++deleted[index];
                break;
            }
        }
    }
    for (const TweakRow& row : kTweakRows) {
        const auto index = static_cast<std::size_t>(row.number - 1);
        const bool fromBackup = row.restoreAction == RestoreAction::FromBackup;
        const bool toDelete = row.restoreAction == RestoreAction::Delete;
        if (restored[index] != (fromBackup ? 1 : 0) || backupDeleted[index] != (fromBackup ? 1 : 0) ||
            deleted[index] != (toDelete ? 1 : 0)) {
            return false;
        }
    }
    return true;
}
static_assert(RestoreSequenceCoversEveryRowOnce());

constexpr bool kView64 = false; // every catalogue access uses the default registry view

void WriteValue(const CustomRegistry& registry, const TweakKey& key, std::u16string_view name,
                const TweakValue& value) {
    switch (value.type) {
    case TweakType::Dword:
        registry.WriteRegistryInteger(key.root, key.path, name, value.number, kView64);
        break;
    case TweakType::String:
        registry.WriteRegistryString(key.root, key.path, name, value.text, kView64);
        break;
    case TweakType::Binary:
        registry.WriteRegistryBinary(key.root, key.path, name, {value.bytes.begin(), value.bytes.end()},
                                     kView64);
        break;
    }
}

// Reads a value with the read operation of its type (the default when unreadable) and writes the
// result under the same name in another key. Binary values are never read, so never copied.
void CopyValue(const CustomRegistry& registry, const TweakKey& from, const TweakKey& to,
               std::u16string_view name, const TweakValue& defaultValue) {
    switch (defaultValue.type) {
    case TweakType::Dword: {
        const int number =
            registry.ReadRegistryInteger(from.root, from.path, name, defaultValue.number, kView64);
        registry.WriteRegistryInteger(to.root, to.path, name, number, kView64);
        break;
    }
    case TweakType::String: {
        const std::u16string text =
            registry.ReadRegistryString(from.root, from.path, name, defaultValue.text, kView64);
        registry.WriteRegistryString(to.root, to.path, name, text, kView64);
        break;
    }
    case TweakType::Binary:
        break;
    }
}

} // namespace

std::vector<PlannedWrite> PlanWrites(const TweakProfile& profile) {
    std::vector<PlannedWrite> writes;
    writes.reserve(kTweakRows.size());
    for (const TweakRow& row : kTweakRows) {
        if (ConditionHolds(row.condition, profile)) {
            writes.push_back({&row, WrittenValue(row, profile)});
        }
    }
    return writes;
}

std::vector<PlannedBackup> PlanBackup() {
    std::vector<PlannedBackup> backups;
    backups.reserve(kBackupRowNumbers.size());
    for (int number : kBackupRowNumbers) {
        const TweakRow& row = TweakRowByNumber(number);
        backups.push_back({&row, *row.backupDefault});
    }
    return backups;
}

std::vector<RestoreOperation> PlanRestore(const TweakProfile& profile) {
    std::vector<RestoreOperation> operations;
    for (const RestoreStep& step : kRestoreSequence) {
        if (!ConditionHolds(step.condition, profile)) {
            continue;
        }
        for (int number = step.firstRow; number <= step.lastRow; ++number) {
            const TweakRow& row = TweakRowByNumber(number);
            operations.push_back({step.kind, &row, row.backupDefault.value_or(row.written)});
        }
    }
    return operations;
}

void ApplyWrite(const CustomRegistry& registry, const PlannedWrite& write) {
    WriteValue(registry, write.row->key, write.row->valueName, write.value);
}

void ApplyBackup(const CustomRegistry& registry, const PlannedBackup& backup) {
    CopyValue(registry, backup.row->key, kBackupKey, backup.row->valueName, backup.defaultValue);
}

void ApplyRestoreOperation(const CustomRegistry& registry, const RestoreOperation& operation) {
    const TweakRow& row = *operation.row;
    switch (operation.kind) {
    case RestoreOperationKind::RestoreFromBackup:
        CopyValue(registry, kBackupKey, row.key, row.valueName, operation.defaultValue);
        break;
    case RestoreOperationKind::DeleteBackup:
        registry.DeleteRegistryValue(kBackupKey.root, kBackupKey.path, row.valueName, kView64);
        break;
    case RestoreOperationKind::DeleteLive:
        registry.DeleteRegistryValue(row.key.root, row.key.path, row.valueName, kView64);
        break;
    }
}

} // namespace zentrim
