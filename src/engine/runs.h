// The optimize run ("&Optimize now") and the restore run ("&Restore"): the main window's click
// handlers, as procedures over the view, the registry layer and the restart seam. Each runs to
// its end on the GUI thread and lets no failure escape: a failure ends the run quietly, hands the
// main window back (enabled, progress window closed, RestoreButton showing whether a backup is
// held) and leaves the registry as far as it got, which the backup order keeps consistent.
#pragma once

#include "engine/custom_registry.h"
#include "engine/restart.h"
#include "engine/run_phases.h"
#include "engine/run_view.h"

#include <optional>

namespace zentrim {

// Stores the choices, shows 32 steps of a 33-step bar, takes the backup when none is held, writes
// the tweaks for the profile, hands the main window back with RestoreButton enabled, warns when a
// tweak did not take, and offers the restart.
void RunOptimize(RunView& view, const CustomRegistry& registry, SystemRestart& restart) noexcept;

// Asks for confirmation, shows 29 steps, restores every live value, removes the backup, hands the
// main window back with RestoreButton disabled, warns when a value did not take or names the values
// whose record is damaged, and offers the restart. Any answer but OK ends it with nothing changed
// and no sound. Gives what the registry work achieved; nothing when the run ended before it.
std::optional<RestoreReport> RunRestore(RunView& view, const CustomRegistry& registry,
                                        SystemRestart& restart) noexcept;

} // namespace zentrim
