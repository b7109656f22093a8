#include "app/startup/test_update_service_win32.h"

#include "app/startup/startup.h"
#include "base/text.h"
#include "base/unique_handle_win32.h"

#include <windows.h>

#include <string>

namespace zentrim {

std::optional<HttpAddress> TestUpdateServiceFromEnvironment() {
    const std::wstring name = ToWide(kTestUpdateServiceVariable);
    const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) {
        return MakerUpdateService();
    }
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), size);
    if (length == 0 || length >= size) {
        return std::nullopt;
    }
    value.resize(length);
    return ParseUpdateServiceAddress(FromWide(value));
}

} // namespace zentrim
