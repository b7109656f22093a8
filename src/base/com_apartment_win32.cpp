#include "base/com_apartment_win32.h"

#include <windows.h>

#include <objbase.h>

namespace zentrim {

namespace {

// The apartment of one thread: entered once, left with the thread when this call entered it.
class ThreadApartment {
public:
    ThreadApartment() {
        const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        entered_ = SUCCEEDED(result);
        // Another part of the thread chose a multithreaded apartment: COM works all the same.
        usable_ = entered_ || result == RPC_E_CHANGED_MODE;
    }
    ThreadApartment(const ThreadApartment&) = delete;
    ThreadApartment& operator=(const ThreadApartment&) = delete;
    ~ThreadApartment() {
        if (entered_) {
            CoUninitialize();
        }
    }
    bool Usable() const { return usable_; }

private:
    bool entered_ = false;
    bool usable_ = false;
};

} // namespace

bool EnsureComApartment() noexcept {
    thread_local const ThreadApartment apartment;
    return apartment.Usable();
}

} // namespace zentrim
