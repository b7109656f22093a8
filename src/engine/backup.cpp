#include "engine/backup.h"

#include "engine/product_key.h"

#include <algorithm>
#include <utility>

namespace zentrim {

namespace {

// Deletes a value of the product key; gives whether it is gone. A value that does not exist is gone
// even where the key refuses changes (deleting asks for write access to the key).
bool Remove(const CustomRegistry& registry, std::u16string_view path, std::u16string_view name) {
    const StoreStatus status = registry.TryDelete(kProductKeyRoot, path, name, kProductKeyView);
    if (status == StoreStatus::Ok || status == StoreStatus::NotFound) {
        return true;
    }
    RawValue ignored;
    return registry.TryReadRaw(kProductKeyRoot, path, name, kProductKeyView, ignored) ==
           StoreStatus::NotFound;
}

BackupFlag ReadFlag(const CustomRegistry& registry) {
    int value = 0;
    switch (registry.TryReadInteger(kProductKeyRoot, ProductKeyPath, product_value::kRestore, kProductKeyView,
                                    value)) {
    case StoreStatus::Ok:
        return value != 0 ? BackupFlag::True : BackupFlag::False;
    case StoreStatus::NotFound:
        return BackupFlag::Absent;
    case StoreStatus::TypeMismatch:
    case StoreStatus::MoreData: // a DWORD longer than four bytes
        return BackupFlag::Foreign;
    default:
        return BackupFlag::Unreadable;
    }
}

// The live value as the record keeps it; nothing when it cannot be read.
std::optional<OriginalValue> ReadOriginal(const CustomRegistry& registry, const TweakRow& row) {
    RawValue live;
    const StoreStatus status =
        registry.TryReadRaw(row.key.root, row.key.path, row.valueName, kLiveValueUse64BitView, live);
    if (status == StoreStatus::Ok) {
        return OriginalValue{std::move(live)};
    }
    if (status == StoreStatus::NotFound) {
        return OriginalValue{};
    }
    return std::nullopt;
}

// Writes the record and the backup values, reads all of it back, then sets the flag. Stops at the
// first failure; `flagWritten` tells whether the flag may have been touched.
bool WriteCheckedBackup(const CustomRegistry& registry, bool& flagWritten) {
    std::vector<std::pair<const TweakRow*, OriginalValue>> record;
    for (const TweakRow* row : RecordedRows()) {
        auto original = ReadOriginal(registry, *row);
        if (!original || WriteOriginalEntry(registry, *row, *original) != StoreStatus::Ok) {
            return false;
        }
        record.emplace_back(row, std::move(*original));
    }

    std::vector<std::pair<const TweakRow*, RawValue>> backupValues;
    for (const PlannedBackup& backup : PlanBackup()) {
        RawValue stored;
        if (ApplyBackup(registry, backup, stored) != StoreStatus::Ok) {
            return false;
        }
        backupValues.emplace_back(backup.row, std::move(stored));
    }

    for (const auto& [row, original] : record) {
        const RecordedOriginal found = ReadRecordedOriginal(registry, *row);
        if (found.state != RecordedOriginal::State::Recorded || found.value != original) {
            return false;
        }
    }
    for (const auto& [row, stored] : backupValues) {
        RawValue found;
        if (registry.TryReadRaw(kBackupKey.root, kBackupKey.path, row->valueName, kProductKeyView, found) !=
                StoreStatus::Ok ||
            found != stored) {
            return false;
        }
    }

    flagWritten = true;
    return MarkBackupHeld(registry);
}

} // namespace

bool BackupInventory::Certain() const {
    return flag != BackupFlag::Unreadable &&
           std::ranges::none_of(backupValues,
                                [](const BackupValueRead& read) {
                                    return read.status != StoreStatus::Ok &&
                                           read.status != StoreStatus::NotFound;
                                }) &&
           std::ranges::none_of(record, [](const auto& entry) {
               return entry.second.state == RecordedOriginal::State::Unreadable;
           });
}

bool BackupInventory::Held() const {
    return flag == BackupFlag::True ||
           std::ranges::any_of(backupValues,
                               [](const BackupValueRead& read) { return read.status == StoreStatus::Ok; }) ||
           std::ranges::any_of(record, [](const auto& entry) {
               return entry.second.state == RecordedOriginal::State::Recorded ||
                      entry.second.state == RecordedOriginal::State::Unusable;
           });
}

bool BackupInventory::RecordComplete() const {
    return !record.empty() && std::ranges::all_of(record, [](const auto& entry) {
        return entry.second.state == RecordedOriginal::State::Recorded;
    });
}

bool BackupInventory::RecordCertainlyEmpty() const {
    return std::ranges::all_of(
        record, [](const auto& entry) { return entry.second.state == RecordedOriginal::State::Missing; });
}

BackupInventory ReadBackupInventory(const CustomRegistry& registry) {
    BackupInventory inventory;
    inventory.flag = ReadFlag(registry);
    // The backup values and the record each read with their key opened once.
    const std::vector<PlannedBackup> backups = PlanBackup();
    std::vector<std::u16string> names;
    names.reserve(backups.size());
    for (const PlannedBackup& backup : backups) {
        names.emplace_back(backup.row->valueName);
    }
    const auto reads = registry.TryReadRawValues(kBackupKey.root, kBackupKey.path, names, kProductKeyView);
    for (std::size_t i = 0; i < backups.size(); ++i) {
        inventory.backupValues.push_back({backups[i].row, reads[i].status});
    }
    const std::vector<const TweakRow*> rows = RecordedRows();
    std::vector<RecordedOriginal> originals = ReadRecordedOriginals(registry, rows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        inventory.record.emplace_back(rows[i], std::move(originals[i]));
    }
    return inventory;
}

bool IsBackupHeld(const CustomRegistry& registry) noexcept {
    try {
        const BackupInventory inventory = ReadBackupInventory(registry);
        return inventory.Held() || !inventory.Certain();
    } catch (...) {
        return true; // out of memory: as unknown
    }
}

bool TakeBackup(const CustomRegistry& registry) {
    bool flagWritten = false;
    if (WriteCheckedBackup(registry, flagWritten)) {
        return true;
    }
    RemoveBackup(registry, flagWritten);
    return false;
}

bool RemoveBackup(const CustomRegistry& registry, bool withFlag) {
    if (withFlag && !Remove(registry, ProductKeyPath, product_value::kRestore)) {
        return false;
    }
    for (const PlannedBackup& backup : PlanBackup()) {
        if (!Remove(registry, kBackupKey.path, backup.row->valueName)) {
            return false;
        }
    }
    for (const TweakRow* row : RecordedRows()) {
        if (!Remove(registry, kOriginalsKeyPath, OriginalEntryName(*row))) {
            return false;
        }
    }
    // The record's key goes with its last entry, so that the product key looks as it did before. An
    // empty key that stays holds nothing of a backup, so its fate does not decide the outcome.
    registry.TryDeleteKey(kProductKeyRoot, kOriginalsKeyPath, kProductKeyView);
    return true;
}

bool MarkBackupHeld(const CustomRegistry& registry) {
    if (registry.TryWrite(kProductKeyRoot, ProductKeyPath, product_value::kRestore, ValueType::Dword,
                          EncodeDword(1), kProductKeyView) != StoreStatus::Ok) {
        return false;
    }
    return ReadFlag(registry) == BackupFlag::True;
}

} // namespace zentrim
