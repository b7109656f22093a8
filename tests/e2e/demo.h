// One optimize run through the windows, as scripts/run shows it on a machine without a display.
#pragma once

namespace zentrim::e2e {

// Starts the program, makes the choices a user might make, presses "&Optimize now", answers No
// to the restart, closes the program, and prints the registry values the run changed, before and
// after. Screenshots of every window it passed through go to the artefacts folder. Gives the
// process exit code: 0 when the run went through.
int RunDemo();

} // namespace zentrim::e2e
