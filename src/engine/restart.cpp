#include "engine/restart.h"

namespace zentrim {

void RestartWindows(SystemRestart& system) noexcept {
    try {
        system.SetShutdownPrivilege(true);
        // The privilege goes off again even when the request itself fails.
        struct DisableAgain {
            SystemRestart& system;
            ~DisableAgain() {
                try {
                    system.SetShutdownPrivilege(false);
                } catch (...) {
                    // nothing to report
                }
            }
        } disableAgain{system};
        system.RequestExit(kRestartFlags);
    } catch (...) {
        // a failed restart loses nothing: the run's work is done
    }
}

} // namespace zentrim
