#include "engine/backup.h"

#include "base/text.h"
#include "engine/product_key.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace zentrim {

namespace {

// Deletes a value of the product key; gives whether it is gone. A value that does not exist is gone
// even where the key refuses changes (deleting asks for write access to the key).
bool Remove(const CustomRegistry& registry, const RegistryPlace& place, std::u16string_view name) {
    const StoreStatus status = registry.TryDelete(place, name);
    return status == StoreStatus::Ok || status == StoreStatus::NotFound ||
           registry.ReadRaw(place, name).Missing();
}

BackupFlag ReadFlag(const CustomRegistry& registry) {
    const RegistryRead<int> read = registry.ReadInteger(kProductKeyPlace, product_value::kRestore);
    switch (read.status) {
    case StoreStatus::Ok:
        return *read.value != 0 ? BackupFlag::True : BackupFlag::False;
    case StoreStatus::NotFound:
        return BackupFlag::Absent;
    case StoreStatus::TypeMismatch:
    case StoreStatus::MoreData: // a DWORD longer than four bytes
        return BackupFlag::Foreign;
    default:
        return BackupFlag::Unreadable;
    }
}

// The keys of CatalogueKeysAndParents() that do not exist now, parents first: the keys the tweaks
// will create. A key whose existence cannot be told counts as existing, so that it is never removed.
std::vector<LiveKey> AbsentLiveKeys(const CustomRegistry& registry) {
    const std::vector<LiveKey> keys = CatalogueKeysAndParents();
    enum class Known { Unknown, Exists, Absent };
    std::vector<Known> known(keys.size(), Known::Unknown);
    const auto parentOf = [&](std::size_t index) -> std::optional<std::size_t> {
        const std::u16string_view path = keys[index].path;
        const std::size_t end = path.rfind(u'\\');
        if (end == std::u16string_view::npos) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < index; ++i) { // parents come first
            if (keys[i].root == keys[index].root && EqualsIgnoringCase(keys[i].path, path.substr(0, end))) {
                return i;
            }
        }
        return std::nullopt;
    };
    const auto find = [&](std::size_t index) {
        CustomRegistry::KeyInfo ignored;
        return registry.TryReadKeyInfo(LivePlace(keys[index]), ignored) == StoreStatus::NotFound
                   ? Known::Absent
                   : Known::Exists;
    };
    // The keys the values sit in first: where one exists, so does every key above it, which is the
    // common case and spares asking for those.
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const bool holdsValues = std::ranges::any_of(kTweakKeys, [&](const TweakKey& key) {
            return key.root == keys[i].root && EqualsIgnoringCase(BareKeyPath(key.path), keys[i].path);
        });
        if (holdsValues && known[i] == Known::Unknown && (known[i] = find(i)) == Known::Exists) {
            for (auto parent = parentOf(i); parent; parent = parentOf(*parent)) {
                known[*parent] = Known::Exists;
            }
        }
    }
    std::vector<LiveKey> absent;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (known[i] == Known::Unknown) {
            const auto parent = parentOf(i);
            known[i] = parent && known[*parent] == Known::Absent ? Known::Absent : find(i);
        }
        if (known[i] == Known::Absent) {
            absent.push_back(keys[i]);
        }
    }
    return absent;
}

// Writes the record and the backup values, reads all of it back and the live values once more,
// then sets the flag. Stops at the first failure; `flagWritten` tells whether the flag may have
// been touched. Reading the live values twice catches a read that gave other data and a value
// changed meanwhile; reading back what was written catches a write that stored other data.
bool WriteCheckedBackup(const CustomRegistry& registry, bool& flagWritten) {
    const std::vector<const TweakRow*> rows = RecordedRows();
    const auto live = ReadLiveValues(registry, rows);
    std::vector<std::pair<const TweakRow*, OriginalValue>> record;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto original = ToOriginal(live[i]);
        if (!original || WriteOriginalEntry(registry, *rows[i], *original) != StoreStatus::Ok) {
            return false;
        }
        record.emplace_back(rows[i], std::move(*original));
    }
    const std::vector<LiveKey> createdKeys = AbsentLiveKeys(registry);
    if (WriteCreatedKeys(registry, createdKeys) != StoreStatus::Ok) {
        return false;
    }

    std::vector<std::pair<const PlannedBackup*, RawValue>> backupValues;
    const std::vector<PlannedBackup> backups = PlanBackup();
    for (const PlannedBackup& backup : backups) {
        RawValue stored;
        if (ApplyBackup(registry, backup, stored) != StoreStatus::Ok) {
            return false;
        }
        backupValues.emplace_back(&backup, std::move(stored));
    }

    const auto entries = ReadRecordedOriginals(registry, rows);
    const auto liveAgain = ReadLiveValues(registry, rows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const OriginalValue& original = record[i].second;
        if (entries[i] != RecordedOriginal{RecordedOriginal::State::Recorded, original} ||
            ToOriginal(liveAgain[i]) != std::optional<OriginalValue>(original)) {
            return false;
        }
    }
    const RegistryRead<RawValue> list = registry.ReadRaw(kOriginalsPlace, kCreatedKeysEntryName);
    if (ToRecordedKeys(list.status, list.value.value_or(RawValue{})) !=
        RecordedKeys{RecordedOriginal::State::Recorded, createdKeys}) {
        return false;
    }
    for (const auto& [backup, stored] : backupValues) {
        const TweakRow& row = *backup->row;
        if (registry.ReadRaw(kBackupKey, row.valueName).value != std::optional<RawValue>(stored) ||
            ReadBackedUpValue(registry, LivePlace(row.key), row.valueName, backup->defaultValue) !=
                std::optional<RawValue>(stored)) {
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

RecordGaps BackupInventory::Gaps() const {
    const bool someMissing = std::ranges::any_of(
        record, [](const auto& entry) { return entry.second.state == RecordedOriginal::State::Missing; });
    if (!someMissing || RecordCertainlyEmpty()) {
        return RecordGaps::None;
    }
    if (flag == BackupFlag::True || std::ranges::any_of(backupValues, [](const BackupValueRead& read) {
            return read.status == StoreStatus::Ok;
        })) {
        return RecordGaps::Damage;
    }
    if (flag == BackupFlag::Unreadable || std::ranges::any_of(backupValues, [](const BackupValueRead& read) {
            return read.status != StoreStatus::NotFound;
        })) {
        return RecordGaps::Unknown;
    }
    return RecordGaps::RemovalCutShort;
}

std::vector<DamagedEntry> BackupInventory::DamagedEntries() const {
    const bool missingIsDamage = Gaps() == RecordGaps::Damage;
    std::vector<DamagedEntry> damaged;
    for (const auto& [row, entry] : record) {
        if (entry.state == RecordedOriginal::State::Unusable ||
            (missingIsDamage && entry.state == RecordedOriginal::State::Missing)) {
            const bool standsIn = std::ranges::any_of(backupValues, [&](const BackupValueRead& read) {
                return read.status == StoreStatus::Ok &&
                       NameSameValue(read.row->key, read.row->valueName, row->key, row->valueName);
            });
            damaged.push_back({row, standsIn});
        }
    }
    return damaged;
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
    const auto reads = registry.TryReadRawValues(kBackupKey, names);
    for (std::size_t i = 0; i < backups.size(); ++i) {
        inventory.backupValues.push_back({backups[i].row, reads[i].status});
    }
    const std::vector<const TweakRow*> rows = RecordedRows();
    std::vector<std::u16string> entryNames;
    entryNames.reserve(rows.size() + 1);
    for (const TweakRow* row : rows) {
        entryNames.push_back(OriginalEntryName(*row));
    }
    entryNames.emplace_back(kCreatedKeysEntryName);
    const auto entries = registry.TryReadRawValues(kOriginalsPlace, entryNames);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        inventory.record.emplace_back(rows[i], ToRecordedOriginal(entries[i].status, entries[i].value));
    }
    inventory.createdKeys = ToRecordedKeys(entries.back().status, entries.back().value);
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
    RemoveBackup(registry, flagWritten ? FlagRemoval::RemoveFlag : FlagRemoval::KeepFlag);
    return false;
}

bool RemoveBackup(const CustomRegistry& registry, FlagRemoval flag) {
    if (flag == FlagRemoval::RemoveFlag && !Remove(registry, kProductKeyPlace, product_value::kRestore)) {
        return false;
    }
    for (const PlannedBackup& backup : PlanBackup()) {
        if (!Remove(registry, kBackupKey, backup.row->valueName)) {
            return false;
        }
    }
    if (!Remove(registry, kOriginalsPlace, kCreatedKeysEntryName)) {
        return false;
    }
    for (const TweakRow* row : RecordedRows()) {
        if (!Remove(registry, kOriginalsPlace, OriginalEntryName(*row))) {
            return false;
        }
    }
    // The record's key goes with its last entry, so that the product key looks as it did before. An
    // empty key that stays holds nothing of a backup, so its fate does not decide the outcome.
    registry.TryDeleteKey(kOriginalsPlace);
    return true;
}

void RemoveCreatedKeys(const CustomRegistry& registry, std::span<const LiveKey> keys) {
    std::vector<const LiveKey*> deepestFirst;
    for (const LiveKey& key : keys) {
        deepestFirst.push_back(&key);
    }
    const auto depth = [](const LiveKey* key) { return std::ranges::count(key->path, u'\\'); };
    std::ranges::stable_sort(deepestFirst,
                             [&](const LiveKey* a, const LiveKey* b) { return depth(a) > depth(b); });
    for (const LiveKey* key : deepestFirst) {
        CustomRegistry::KeyInfo info;
        if (registry.TryReadKeyInfo(LivePlace(*key), info) == StoreStatus::Ok && info.subkeyCount == 0 &&
            info.valueCount == 0) {
            registry.TryDeleteKey(LivePlace(*key));
        }
    }
}

bool MarkBackupHeld(const CustomRegistry& registry) {
    if (registry.TryWrite(kProductKeyPlace, product_value::kRestore, ValueType::Dword, EncodeDword(1)) !=
        StoreStatus::Ok) {
        return false;
    }
    return ReadFlag(registry) == BackupFlag::True;
}

} // namespace zentrim
