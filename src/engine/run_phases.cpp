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

// Puts one live value back to what the user had: a value of the same type and data, or none. It is
// read first (or `now` is how it was just read) and changed only where it differs, so a value
// already as the user had it counts as restored even in a key this account may not change.
bool PutBack(const CustomRegistry& registry, const TweakRow& row, const OriginalValue& original,
             LiveValueCheck& check, const CustomRegistry::ReadResult* now = nullptr) {
    CustomRegistry::ReadResult read;
    if (now == nullptr) {
        read.status = registry.TryReadRaw(row.key.root, row.key.path, row.valueName,
                                          RegistryView::From64BitFlag(kLiveValueUse64BitView), read.value);
        now = &read;
    }
    if (original) {
        check.ExpectValue(row.key, row.valueName, *original);
        return (now->status == StoreStatus::Ok && now->value == *original) ||
               registry.TryWrite(LivePlace(row.key), row.valueName, original->type, original->data) ==
                   StoreStatus::Ok;
    }
    check.ExpectAbsent(row.key, row.valueName);
    if (now->status == StoreStatus::NotFound) {
        return true;
    }
    const StoreStatus status = registry.TryDelete(LivePlace(row.key), row.valueName);
    return status == StoreStatus::Ok || status == StoreStatus::NotFound;
}

// Puts a live value back from its backup value (the row's backup default when that is missing or
// of another type). The backup value is read twice, so that a read giving other data once is never
// written over the live value.
bool PutBackFromBackupValue(const CustomRegistry& registry, const TweakRow& row, const TweakRow& backedUp,
                            LiveValueCheck& check) {
    const auto read = [&] {
        return ReadBackedUpValue(registry, kBackupKey, backedUp.valueName, *backedUp.backupDefault);
    };
    const std::optional<RawValue> value = read();
    if (!value || read() != value) {
        return false;
    }
    return PutBack(registry, row, value, check);
}

// Restores from the record: each recorded value exactly. For a value whose entry is damaged, or
// missing from a record that should be complete, its backup value stands in where there is one;
// otherwise the value is left as it is and named in `damaged`. An entry missing after a removal
// cut short leaves its value alone: it is the user's already. Gives whether everything else that
// was known could be put back.
bool RestoreFromRecord(const CustomRegistry& registry, const BackupInventory& inventory,
                       LiveValueCheck& check, std::vector<const TweakRow*>& damaged) {
    const RecordGaps gaps = inventory.Gaps();
    std::vector<const TweakRow*> rows;
    for (const auto& [row, entry] : inventory.record) {
        rows.push_back(row);
    }
    const auto live = ReadLiveValues(registry, rows); // each value once: no row changes another's
    bool complete = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TweakRow* row = rows[i];
        const RecordedOriginal& entry = inventory.record[i].second;
        switch (entry.state) {
        case RecordedOriginal::State::Recorded:
            complete = PutBack(registry, *row, entry.value, check, &live[i]) && complete;
            break;
        case RecordedOriginal::State::Missing:
            if (gaps == RecordGaps::RemovalCutShort) {
                break;
            }
            if (gaps == RecordGaps::Unknown) {
                complete = false; // whether this value is the user's already cannot be told
                break;
            }
            [[fallthrough]];
        case RecordedOriginal::State::Unusable: {
            const BackupValueRead* backup = BackupValueFor(inventory, *row);
            if (backup == nullptr || backup->status == StoreStatus::NotFound) {
                damaged.push_back(row);
            } else if (backup->status == StoreStatus::Ok) {
                complete = PutBackFromBackupValue(registry, *row, *backup->row, check) && complete;
            } else {
                complete = false; // the backup value may stand in once it can be read
            }
            break;
        }
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
        switch (operation.kind) {
        case RestoreOperationKind::DeleteBackup:
            break; // with the rest of the backup, once every live value is back
        case RestoreOperationKind::DeleteLive:
            complete = PutBack(registry, row, std::nullopt, check) && complete;
            break;
        case RestoreOperationKind::RestoreFromBackup:
            complete = PutBackFromBackupValue(registry, row, row, check) && complete;
            break;
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
    // The values of one key are read with it opened once.
    std::vector<bool> read(expectations_.size(), false);
    for (std::size_t first = 0; first < expectations_.size(); ++first) {
        if (read[first]) {
            continue;
        }
        const TweakKey& key = expectations_[first].key;
        std::vector<std::size_t> sameKey;
        std::vector<std::u16string> names;
        for (std::size_t i = first; i < expectations_.size(); ++i) {
            if (!read[i] && NameSameValue(expectations_[i].key, u"", key, u"")) {
                sameKey.push_back(i);
                names.push_back(expectations_[i].valueName);
                read[i] = true;
            }
        }
        const auto found = registry.TryReadRawValues(LivePlace(key), names);
        for (std::size_t j = 0; j < sameKey.size(); ++j) {
            const std::optional<RawValue>& expected = expectations_[sameKey[j]].value;
            const bool took = expected ? found[j].status == StoreStatus::Ok && found[j].value == *expected
                                       : found[j].status == StoreStatus::NotFound;
            if (!took) {
                return false;
            }
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

RestoreReport RestoreRegistry(const CustomRegistry& registry, const TweakProfile& profile) {
    RestoreReport report;
    const BackupInventory inventory = ReadBackupInventory(registry);
    if (!inventory.Held()) {
        // Nothing is held: nothing was changed, or what is held cannot be read. Either way there is
        // nothing to put back, and the restore sequence's defaults must not replace what is there.
        report.someRefused = !inventory.Certain();
        report.outcome = inventory.Certain() ? RestoreOutcome::Done : RestoreOutcome::BackupKept;
        return report;
    }
    // The backup is read a second time before anything is written from it: a store that answered
    // once with other data must not have that answer put over the user's values.
    if (ReadBackupInventory(registry) != inventory) {
        report.someRefused = true;
        return report;
    }
    LiveValueCheck check;
    const bool complete = inventory.RecordCertainlyEmpty()
                              ? RestoreWithoutRecord(registry, profile, check)
                              : RestoreFromRecord(registry, inventory, check, report.damagedRows);
    // A list of created keys that cannot be read now is kept with the backup for a later restore.
    report.someRefused = !complete || !check.AllTook(registry) ||
                         inventory.createdKeys.state == RecordedOriginal::State::Unreadable;
    if (report.someRefused || !report.damagedRows.empty()) {
        return report;
    }
    if (inventory.createdKeys.state == RecordedOriginal::State::Recorded) {
        RemoveCreatedKeys(registry, inventory.createdKeys.keys);
    }
    if (!RemoveBackup(registry, FlagRemoval::RemoveFlag)) {
        report.someRefused = true;
        return report;
    }
    report.outcome = RestoreOutcome::Done;
    return report;
}

} // namespace zentrim
