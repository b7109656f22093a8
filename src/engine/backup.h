// The backup in the product key: the record of originals (every live value as the user had it),
// the eleven backup values under the tweaked values' own names (which older versions and the
// updater read), and the flag "Restore".
//
// The rules that keep the user's values safe whatever single operation fails:
// - A backup is held when "Restore" reads as true or when any backup value or record entry exists.
//   A held backup is never overwritten; a new one is taken only when every part is known to be
//   absent (a read that fails is never taken for "absent").
// - A new backup is written record first (the values' entries, then the list of the keys that do
//   not exist yet), then backup values, and the flag last; tweaks are written only after all of it
//   reads back as written and the live values read again as recorded. When anything fails, what
//   was written is removed again, so that the next run starts clean.
// - A backup is removed flag first, then the backup values, then the list of created keys, then
//   the values' entries, stopping at the first part that cannot be removed: what remains always
//   still describes the user's values. So a record with gaps beside neither the flag nor a backup
//   value is a removal cut short, and a record with gaps beside either was damaged from outside.
#pragma once

#include "engine/custom_registry.h"
#include "engine/original_record.h"
#include "engine/tweak_catalogue.h"

#include <vector>

namespace zentrim {

// "Restore" as it was read.
enum class BackupFlag {
    Absent,
    False,      // a DWORD 0
    True,       // a DWORD that is not 0
    Foreign,    // another type or size, which no version writes: says nothing
    Unreadable, // the read failed
};

// One of the eleven backup values as it was read.
struct BackupValueRead {
    const TweakRow* row;
    StoreStatus status; // Ok: exists (whatever its type); NotFound; anything else: unreadable
    friend bool operator==(const BackupValueRead&, const BackupValueRead&) = default;
};

// What the missing entries of a record that has some mean (see the removal order above).
enum class RecordGaps {
    None,            // no entry is missing, or all are (a backup of an older version)
    RemovalCutShort, // neither the flag nor a backup value is left: those values are the user's already
    Damage,          // the flag or a backup value is still there: the entries were lost from outside
    Unknown,         // the flag or a backup value could not be read
};

// A record entry that says nothing of what the user had: one that is not an entry, or one missing
// where RecordGaps::Damage says it should be. The backup value of the same value, when there is
// one, stands in for it.
struct DamagedEntry {
    const TweakRow* row;
    bool backupValueStandsIn;
};

// Everything of a backup that the product key holds, read in full.
struct BackupInventory {
    BackupFlag flag = BackupFlag::Absent;
    std::vector<BackupValueRead> backupValues;                        // in backup order
    std::vector<std::pair<const TweakRow*, RecordedOriginal>> record; // in the order of RecordedRows()
    RecordedKeys createdKeys;                                         // the keys the tweaks created

    // Every part was read: each exists or is known to be absent.
    bool Certain() const;
    // The flag reads as true, or some part of a backup exists.
    bool Held() const;
    // The record holds a usable entry for every live value.
    bool RecordComplete() const;
    // The record holds no entry at all, and that is certain: a backup of an older version.
    bool RecordCertainlyEmpty() const;
    RecordGaps Gaps() const;
    // The damaged entries, in record order.
    std::vector<DamagedEntry> DamagedEntries() const;

    friend bool operator==(const BackupInventory&, const BackupInventory&) = default;
};

BackupInventory ReadBackupInventory(const CustomRegistry& registry);

// Whether "&Restore" should be offered: a backup is held, or the product key could not be read
// well enough to tell (a restore then puts back only what it can read, and keeps the backup).
bool IsBackupHeld(const CustomRegistry& registry) noexcept;

// Takes a new backup of the live values as they are now and checks it by reading it back. On any
// failure it removes what it wrote and gives false; the caller must then write no tweak.
bool TakeBackup(const CustomRegistry& registry);

// Whether a removal of the backup also deletes "Restore": a backup whose taking failed before the
// flag was written must leave a flag another version set alone.
enum class FlagRemoval { KeepFlag, RemoveFlag };

// Removes the backup, in the order that keeps any remainder usable. Gives whether every part is gone.
bool RemoveBackup(const CustomRegistry& registry, FlagRemoval flag);

// Removes the keys the record lists as created by the tweaks that hold nothing now (no value, no
// subkey), deepest first. A key that holds anything, or cannot be counted, stays; so does one that
// refuses to go, which then costs nothing but an empty key.
void RemoveCreatedKeys(const CustomRegistry& registry, std::span<const LiveKey> keys);

// Sets "Restore" = true; gives whether it reads back so.
bool MarkBackupHeld(const CustomRegistry& registry);

} // namespace zentrim
