#include "engine/run_phases.h"

#include "base/text.h"
#include "engine/original_record.h"
#include "engine/product_key.h"

#include <utility>

namespace zentrim {

namespace {

// A key path as the registry compares it: no leading or trailing backslash.
std::u16string_view BarePath(std::u16string_view path) {
    while (!path.empty() && path.front() == u'\\') {
        path.remove_prefix(1);
    }
    while (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    return path;
}

bool SameValue(const TweakKey& a, std::u16string_view aName, const TweakKey& b, std::u16string_view bName) {
    return a.root == b.root && EqualsIgnoringCase(BarePath(a.path), BarePath(b.path)) &&
           EqualsIgnoringCase(aName, bName);
}

void MarkBackupTaken(const CustomRegistry& registry) {
    registry.WriteRegistryBool(kProductKeyRoot, ProductKeyPath, product_value::kRestore, true,
                               kProductKeyUse64BitView);
}

// Puts back a recorded row's original value, or deletes the value when it did not exist. Without
// an entry in the record it does what the row's restore action says: delete, or nothing for the
// thumbnail rows.
void PutBackOriginal(const CustomRegistry& registry, const TweakRow& row, LiveValueCheck& check) {
    const auto original = ReadRecordedOriginal(registry, row);
    if (original && *original) {
        registry.WriteRegistryRaw(row.key.root, row.key.path, row.valueName, **original,
                                  kLiveValueUse64BitView);
        check.ExpectValue(row.key, row.valueName, **original);
    } else if (original || row.restoreAction == RestoreAction::Delete) {
        registry.DeleteRegistryValue(row.key.root, row.key.path, row.valueName, kLiveValueUse64BitView);
        check.ExpectAbsent(row.key, row.valueName);
    }
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
        if (SameValue(expectation.key, expectation.valueName, key, valueName)) {
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

void TakeBackup(const CustomRegistry& registry) {
    for (const PlannedBackup& backup : PlanBackup()) {
        ApplyBackup(registry, backup);
    }
    for (const TweakRow* row : RecordedRows()) {
        RecordOriginal(registry, *row);
    }
}

bool OptimizeRegistry(const CustomRegistry& registry, bool backupExists, const TweakProfile& profile) {
    if (!backupExists) {
        TakeBackup(registry);
    }
    MarkBackupTaken(registry);

    LiveValueCheck check;
    for (const PlannedWrite& write : PlanWrites(profile)) {
        ApplyWrite(registry, write);
        check.ExpectValue(write.row->key, write.row->valueName, ToRawValue(write.value));
    }
    return check.AllTook(registry);
}

bool RestoreRegistry(const CustomRegistry& registry, const TweakProfile& profile) {
    const std::vector<RestoreOperation> operations = PlanRestore(profile);
    LiveValueCheck check;

    // The live values first, in the order of the restore sequence.
    for (const RestoreOperation& operation : operations) {
        const TweakRow& row = *operation.row;
        switch (operation.kind) {
        case RestoreOperationKind::RestoreFromBackup:
            if (auto written = ApplyRestoreOperation(registry, operation)) {
                check.ExpectValue(row.key, row.valueName, std::move(*written));
            }
            break;
        case RestoreOperationKind::DeleteLive:
            PutBackOriginal(registry, row, check);
            break;
        case RestoreOperationKind::DeleteBackup:
            break; // once "Restore" is gone
        }
    }
    // The rows the sequence leaves alone (the thumbnail rows) go back to their originals too when
    // their condition holds; without an entry in the record they stay as written.
    for (const TweakRow* row : RecordedRows()) {
        if (row->restoreAction == RestoreAction::None && ConditionHolds(row->condition, profile)) {
            PutBackOriginal(registry, *row, check);
        }
    }

    registry.DeleteRegistryValue(kProductKeyRoot, ProductKeyPath, product_value::kRestore,
                                 kProductKeyUse64BitView);

    for (const RestoreOperation& operation : operations) {
        if (operation.kind == RestoreOperationKind::DeleteBackup) {
            ApplyRestoreOperation(registry, operation);
        }
    }
    for (const TweakRow* row : RecordedRows()) {
        DeleteOriginalEntry(registry, *row);
    }
    return check.AllTook(registry);
}

} // namespace zentrim
