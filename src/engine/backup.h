// The backup in the product key: the record of originals (every live value as the user had it),
// the eleven backup values under the tweaked values' own names (which older versions and the
// updater read), and the flag "Restore".
//
// The rules that keep the user's values safe whatever single operation fails:
// - A backup is held when "Restore" reads as true or when any backup value or record entry exists.
//   A held backup is never overwritten; a new one is taken only when every part is known to be
//   absent (a read that fails is never taken for "absent").
// - A new backup is written record first, then backup values, each read back, and the flag last;
//   tweaks are written only after all of it reads back as written. When anything fails, what was
//   written is removed again, so that the next run starts clean.
// - A backup is removed flag first, then the backup values, then the record, stopping at the first
//   part that cannot be removed: what remains always still describes the user's values.
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
};

// Everything of a backup that the product key holds, read in full.
struct BackupInventory {
    BackupFlag flag = BackupFlag::Absent;
    std::vector<BackupValueRead> backupValues;                        // in backup order
    std::vector<std::pair<const TweakRow*, RecordedOriginal>> record; // in the order of RecordedRows()

    // Every part was read: each exists or is known to be absent.
    bool Certain() const;
    // The flag reads as true, or some part of a backup exists.
    bool Held() const;
    // The record holds a usable entry for every live value.
    bool RecordComplete() const;
    // The record holds no entry at all, and that is certain: a backup of an older version.
    bool RecordCertainlyEmpty() const;
};

BackupInventory ReadBackupInventory(const CustomRegistry& registry);

// Whether "&Restore" should be offered: a backup is held, or the product key could not be read
// well enough to tell (a restore then puts back only what it can read, and keeps the backup).
bool IsBackupHeld(const CustomRegistry& registry) noexcept;

// Takes a new backup of the live values as they are now and checks it by reading it back. On any
// failure it removes what it wrote and gives false; the caller must then write no tweak.
bool TakeBackup(const CustomRegistry& registry);

// Removes the backup (with the flag or without it), in the order that keeps any remainder usable.
// Gives whether every part is gone.
bool RemoveBackup(const CustomRegistry& registry, bool withFlag);

// Sets "Restore" = true; gives whether it reads back so.
bool MarkBackupHeld(const CustomRegistry& registry);

} // namespace zentrim
