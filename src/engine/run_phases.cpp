#include "engine/run_phases.h"

#include "engine/backup.h"
#include "engine/original_record.h"
#include "engine/product_key.h"

#include <utility>

namespace zentrim {

namespace {

// The backed-up row that names the same value as `row`, if any.
const BackupValueRead* BackupValueFor(const BackupInventory& inventory, const TweakRow& row) {
    for (const BackupValueRead& read : inventory.backupValues) {
        if (NameSameValue(read.row->key, read.row->valueName, row.key, row.valueName)) {
            return &read;
        }
    }
    return nullptr;
}

// Puts one live value back to what the user had: a value of the same type and data, or none.
bool PutBack(const CustomRegistry& registry, const TweakRow& row, const OriginalValue& original,
             LiveValueCheck& check) {
    if (original) {
        check.ExpectValue(row.key, row.valueName, *original);
        return registry.TryWrite(row.key.root, row.key.path, row.valueName, original->type, original->data,
                                 kLiveValueUse64BitView) == StoreStatus::Ok;
    }
    check.ExpectAbsent(row.key, row.valueName);
    const StoreStatus status =
        registry.TryDelete(row.key.root, row.key.path, row.valueName, kLiveValueUse64BitView);
    return status == StoreStatus::Ok || status == StoreStatus::NotFound;
}

// Restores from the record: each recorded value exactly; a value the record lacks from its backup
// value when there is one, and otherwise it stays as it is (a record that lost entries was being
// removed after a complete restore, so those values are the user's already). Gives whether
// everything that was known could be put back.
bool RestoreFromRecord(const CustomRegistry& registry, const BackupInventory& inventory,
                       LiveValueCheck& check) {
    bool complete = true;
    for (const auto& [row, entry] : inventory.record) {
        switch (entry.state) {
        case RecordedOriginal::State::Recorded:
            complete = PutBack(registry, *row, entry.value, check) && complete;
            break;
        case RecordedOriginal::State::Missing:
            if (const BackupValueRead* backup = BackupValueFor(inventory, *row);
                backup != nullptr && backup->status != StoreStatus::NotFound) {
                const auto operation = RestoreOperation{RestoreOperationKind::RestoreFromBackup, backup->row,
                                                        *backup->row->backupDefault};
                RestoreResult result = ApplyRestoreOperation(registry, operation);
                if (result.written) {
                    check.ExpectValue(row->key, row->valueName, std::move(*result.written));
                }
                complete = result.status == StoreStatus::Ok && complete;
            }
            break;
        case RecordedOriginal::State::Unusable:
        case RecordedOriginal::State::Unreadable:
            complete = false; // what the user had is unknown: leave the value alone
            break;
        }
    }
    return complete;
}

// Restores a backup without a record, as older versions kept it, by the restore sequence for the
// profile: backup values written back (their defaults when missing), the other rows deleted.
bool RestoreWithoutRecord(const CustomRegistry& registry, const TweakProfile& profile,
                          LiveValueCheck& check) {
    bool complete = true;
    for (const RestoreOperation& operation : PlanRestore(profile)) {
        const TweakRow& row = *operation.row;
        if (operation.kind == RestoreOperationKind::DeleteBackup) {
            continue; // with the rest of the backup, once every live value is back
        }
        RestoreResult result = ApplyRestoreOperation(registry, operation);
        if (operation.kind == RestoreOperationKind::DeleteLive) {
            check.ExpectAbsent(row.key, row.valueName);
            complete =
                (result.status == StoreStatus::Ok || result.status == StoreStatus::NotFound) && complete;
        } else {
            if (result.written) {
                check.ExpectValue(row.key, row.valueName, std::move(*result.written));
            }
            complete = result.status == StoreStatus::Ok && complete;
        }
    }
    return complete;
}

} // namespace

void LiveValueCheck::ExpectValue(const TweakKey& key, std::u16string_view valueName, RawValue value) {
    Expect(key, valueName, std::move(value));
}

void LiveValueCheck::ExpectAbsent(const TweakKey& key, std::u16string_view valueName) {
    Expect(key, valueName, std::nullopt);
}

void LiveValueCheck::Expect(const TweakKey& key, std::u16string_view valueName,
                            std::optional<RawValue> value) {
    for (Expectation& expectation : expectations_) {
        if (NameSameValue(expectation.key, expectation.valueName, key, valueName)) {
            expectation.value = std::move(value);
            return;
        }
    }
    expectations_.push_back({key, std::u16string(valueName), std::move(value)});
}

bool LiveValueCheck::AllTook(const CustomRegistry& registry) const {
    for (const Expectation& expectation : expectations_) {
        RawValue found;
        const StoreStatus status = registry.TryReadRaw(expectation.key.root, expectation.key.path,
                                                       expectation.valueName, kLiveValueUse64BitView, found);
        const bool took = expectation.value ? status == StoreStatus::Ok && found == *expectation.value
                                            : status == StoreStatus::NotFound;
        if (!took) {
            return false;
        }
    }
    return true;
}

OptimizeOutcome OptimizeRegistry(const CustomRegistry& registry, const TweakProfile& profile) {
    const BackupInventory inventory = ReadBackupInventory(registry);
    if (!inventory.Certain()) {
        return OptimizeOutcome::NoBackupSaved;
    }
    if (!inventory.Held()) {
        if (!TakeBackup(registry)) {
            return OptimizeOutcome::NoBackupSaved;
        }
    } else if (inventory.RecordComplete() || inventory.RecordCertainlyEmpty()) {
        // The held backup stays as it is; only the flag is set again, as every run sets it.
        MarkBackupHeld(registry);
    } else {
        return OptimizeOutcome::NoBackupSaved; // a record with gaps: "&Restore" completes it first
    }

    LiveValueCheck check;
    for (const PlannedWrite& write : PlanWrites(profile)) {
        ApplyWrite(registry, write);
        check.ExpectValue(write.row->key, write.row->valueName, ToRawValue(write.value));
    }
    return check.AllTook(registry) ? OptimizeOutcome::Done : OptimizeOutcome::SomeRefused;
}

RestoreOutcome RestoreRegistry(const CustomRegistry& registry, const TweakProfile& profile) {
    const BackupInventory inventory = ReadBackupInventory(registry);
    if (!inventory.Held()) {
        // Nothing is held: nothing was changed, or what is held cannot be read. Either way there is
        // nothing to put back, and the restore sequence's defaults must not replace what is there.
        return inventory.Certain() ? RestoreOutcome::Done : RestoreOutcome::BackupKept;
    }
    LiveValueCheck check;
    const bool complete = inventory.RecordCertainlyEmpty() ? RestoreWithoutRecord(registry, profile, check)
                                                           : RestoreFromRecord(registry, inventory, check);
    if (complete && check.AllTook(registry) && RemoveBackup(registry, true)) {
        return RestoreOutcome::Done;
    }
    return RestoreOutcome::BackupKept;
}

} // namespace zentrim
