// The registry work of the two runs, done after their progress steps: the backup and write phases
// of the optimize run, the restore of the restore run, and the check that every live value they
// changed took. How the backup is kept safe is described in backup.h.
#pragma once

#include "engine/custom_registry.h"
#include "engine/tweak_catalogue.h"

#include <optional>
#include <string>
#include <vector>

namespace zentrim {

// What the live values a run wrote or deleted should hold afterwards, checked by reading them back.
// A later expectation on the same value (one key written two ways) replaces the earlier one.
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

enum class OptimizeOutcome {
    Done,          // backup held, every tweak took
    SomeRefused,   // backup held, some tweak did not take
    NoBackupSaved, // no complete backup could be made sure of: no tweak was written
};

// The optimize run's registry work after its steps: a new backup when none is held, checked
// before anything else; then the tweaks for the profile, each read back.
OptimizeOutcome OptimizeRegistry(const CustomRegistry& registry, const TweakProfile& profile);

enum class RestoreOutcome {
    Done,       // every live value is back and the backup is gone
    BackupKept, // something could not be put back, read or removed: the backup stays for a later try
};

// What a restore achieved.
struct RestoreReport {
    RestoreOutcome outcome = RestoreOutcome::BackupKept;
    // Values whose original the backup no longer holds (a damaged record entry, or one lost from
    // outside, without a backup value to stand in), one row each in record order: they were left as
    // they are, and the backup stays.
    std::vector<const TweakRow*> damagedRows;
    // Some value did not take, or some part of the backup could not be read or removed.
    bool someRefused = false;
};

// The restore run's registry work after its steps. With a record of originals, every recorded
// value goes back exactly as recorded, whatever the profile; a backup of an older version (no
// record) is restored by the restore sequence for the profile chosen now. A value already as it
// should be is left untouched. Only when every live value reads back as intended are the keys the
// tweaks created removed (those that hold nothing) and then the backup. With no backup held it
// changes nothing.
RestoreReport RestoreRegistry(const CustomRegistry& registry, const TweakProfile& profile);

} // namespace zentrim
