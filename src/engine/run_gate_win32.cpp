#include "engine/run_gate_win32.h"

namespace zentrim {

RunGateMutex::RunGateMutex(std::chrono::milliseconds limit)
    : mutex_(CreateMutexW(nullptr, FALSE, kRunGateName)) {
    if (!mutex_) {
        return;
    }
    const DWORD waited = WaitForSingleObject(mutex_.get(), static_cast<DWORD>(limit.count()));
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

RunGateMutex::~RunGateMutex() {
    if (owned_) {
        ReleaseMutex(mutex_.get());
    }
}

} // namespace zentrim
