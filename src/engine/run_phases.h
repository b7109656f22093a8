// The registry work of the two runs, done after their progress steps: the backup phase and the
// write phase of the optimize run, the restore sequence of the restore run, and the check that
// every live value they changed took.
//
// Both runs keep the backup consistent at every moment, so that a run stopped anywhere (power
// cut, killed process, Windows shutting down) never costs the user the values from before the
// first optimize run:
// - the optimize run stores every backup value and the record of originals first, then sets
//   "Restore" = true, and only then writes the first tweak. Until "Restore" is set, no live
//   value has changed; once it is set, the backup is complete.
// - the restore run puts back or deletes every live value first, then deletes "Restore", then
//   removes the backup values and the record. While "Restore" is set, the backup is complete.
#pragma once

#include "engine/custom_registry.h"
#include "engine/tweak_catalogue.h"

#include <optional>
#include <string>
#include <vector>

namespace zentrim {

// What the live values a run wrote or deleted should hold afterwards, checked by reading them back.
// A later expectation on the same value (K7 and K8 name one key) replaces the earlier one.
class LiveValueCheck {
public:
    void ExpectValue(const TweakKey& key, std::u16string_view valueName, RawValue value);
    void ExpectAbsent(const TweakKey& key, std::u16string_view valueName);

    // Whether every value holds what was expected: the same type and bytes, or no value at all.
    // A value that cannot be read back counts as not taken.
    bool AllTook(const CustomRegistry& registry) const;

private:
    struct Expectation {
        TweakKey key;
        std::u16string valueName;
        std::optional<RawValue> value; // nothing: the value must not exist
    };
    void Expect(const TweakKey& key, std::u16string_view valueName, std::optional<RawValue> value);

    std::vector<Expectation> expectations_;
};

// Backup phase: the eleven backup values from the live values (their defaults where unreadable)
// and the record of the other rows' originals.
void TakeBackup(const CustomRegistry& registry);

// The optimize run's registry work after its steps: the backup phase when no backup exists,
// "Restore" = true, then the write phase for the profile. Gives whether every tweak took.
bool OptimizeRegistry(const CustomRegistry& registry, bool backupExists, const TweakProfile& profile);

// The restore run's registry work after its steps, for the profile chosen now: every live value
// restored from its backup value, put back from the record or deleted; then "Restore" deleted;
// then the backup values and the record removed. Rows without an entry in the record (a backup of
// an older version) are deleted as before, and "ThumbnailSize" and "ThumbnailQuality" left alone.
// Gives whether every live value took.
bool RestoreRegistry(const CustomRegistry& registry, const TweakProfile& profile);

} // namespace zentrim
