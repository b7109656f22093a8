#include "engine/tweak_catalogue.h"

#include "base/text.h"

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

} // namespace

bool NameSameValue(const TweakKey& a, std::u16string_view aName, const TweakKey& b,
                   std::u16string_view bName) {
    return a.root == b.root && EqualsIgnoringCase(BareKeyPath(a.path), BareKeyPath(b.path)) &&
           EqualsIgnoringCase(aName, bName);
}

RawValue ToRawValue(const TweakValue& value) {
    switch (value.type) {
    case TweakType::Dword: {
        const auto bytes = EncodeDword(static_cast<std::uint32_t>(value.number));
        return {ValueType::Dword, {bytes.begin(), bytes.end()}};
    }
    case TweakType::String:
        return {ValueType::String, EncodeRegistryText(value.text)};
    case TweakType::Binary:
        return {ValueType::Binary, {value.bytes.begin(), value.bytes.end()}};
    }
    return {};
}

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
    const TweakKey& key = write.row->key;
    const std::u16string_view name = write.row->valueName;
    const TweakValue& value = write.value;
    switch (value.type) {
    case TweakType::Dword:
        registry.WriteRegistryInteger(LivePlace(key), name, value.number);
        break;
    case TweakType::String:
        registry.WriteRegistryString(LivePlace(key), name, value.text);
        break;
    case TweakType::Binary:
        registry.WriteRegistryBinary(LivePlace(key), name, {value.bytes.begin(), value.bytes.end()});
        break;
    }
}

std::optional<RawValue> ReadBackedUpValue(const CustomRegistry& registry, const RegistryPlace& from,
                                          std::u16string_view name, const TweakValue& defaultValue) {
    // Reads that find no usable value give the default; only a read that fails gives nothing.
    const auto usesDefault = [](StoreStatus status) {
        return status == StoreStatus::NotFound || status == StoreStatus::TypeMismatch;
    };
    switch (defaultValue.type) {
    case TweakType::Dword: {
        const RegistryRead<int> read = registry.ReadInteger(from, name);
        if (read.value) {
            return ToRawValue(DwordValue(*read.value));
        }
        if (usesDefault(read.status) ||
            read.status == StoreStatus::MoreData) { // MoreData: longer than a DWORD
            return ToRawValue(defaultValue);
        }
        return std::nullopt;
    }
    case TweakType::String: {
        const RegistryRead<std::u16string> read = registry.ReadString(from, name);
        if (read.value) {
            return ToRawValue(read.value->empty() ? defaultValue : StringValue(*read.value));
        }
        return usesDefault(read.status) ? std::optional<RawValue>(ToRawValue(defaultValue)) : std::nullopt;
    }
    case TweakType::Binary:
        break; // never backed up
    }
    return std::nullopt;
}

StoreStatus ApplyBackup(const CustomRegistry& registry, const PlannedBackup& backup, RawValue& stored) {
    const TweakRow& row = *backup.row;
    auto value = ReadBackedUpValue(registry, LivePlace(row.key), row.valueName, backup.defaultValue);
    if (!value) {
        return StoreStatus::Failed;
    }
    stored = std::move(*value);
    return registry.TryWrite(kBackupKey, row.valueName, stored.type, stored.data);
}

RestoreResult ApplyRestoreOperation(const CustomRegistry& registry, const RestoreOperation& operation) {
    const TweakRow& row = *operation.row;
    switch (operation.kind) {
    case RestoreOperationKind::RestoreFromBackup: {
        auto value = ReadBackedUpValue(registry, kBackupKey, row.valueName, operation.defaultValue);
        if (!value) {
            return {StoreStatus::Failed, std::nullopt};
        }
        const StoreStatus status =
            registry.TryWrite(LivePlace(row.key), row.valueName, value->type, value->data);
        return {status, std::move(value)};
    }
    case RestoreOperationKind::DeleteBackup:
        return {registry.TryDelete(kBackupKey, row.valueName), std::nullopt};
    case RestoreOperationKind::DeleteLive:
        return {registry.TryDelete(LivePlace(row.key), row.valueName), std::nullopt};
    }
    return {StoreStatus::Failed, std::nullopt};
}

} // namespace zentrim
