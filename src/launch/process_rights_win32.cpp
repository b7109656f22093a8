#include "launch/process_rights_win32.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

namespace zentrim {

bool ProcessIsElevated() noexcept {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return true;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) {
        return true;
    }
    return elevation.TokenIsElevated != 0;
}

} // namespace zentrim
