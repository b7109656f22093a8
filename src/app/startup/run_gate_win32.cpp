#include "app/startup/run_gate_win32.h"

namespace zentrim {

RunGate::RunGate(std::chrono::milliseconds limit) : mutex_(CreateMutexW(nullptr, FALSE, kRunGateName)) {
    if (!mutex_) {
        return;
    }
    const DWORD waited = WaitForSingleObject(mutex_.get(), static_cast<DWORD>(limit.count()));
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

RunGate::~RunGate() {
    if (owned_) {
        ReleaseMutex(mutex_.get());
    }
}

} // namespace zentrim
