// Giving a registry key tree a security of its own, for tests that meet a key an ordinary account
// may read but not change (as HKEY_LOCAL_MACHINE is to one). Wine checks a key's own security when
// values are set or deleted, though it runs every program with full rights.
#pragma once

#include <windows.h>

#include <sddl.h>

#include <string>
#include <vector>

namespace zentrim::testing {

// Everyone may read the keys and nobody may change them; or everyone may do everything.
inline constexpr wchar_t kReadOnlyKeySecurity[] = L"D:P(A;CI;KR;;;WD)";
inline constexpr wchar_t kFullAccessKeySecurity[] = L"D:P(A;CI;KA;;;WD)";

// Gives a key and every key below it the security described, children first. The owner of a key
// may always change its security, so a key made read-only can be opened up again. Gives whether
// every key took it; a key that does not exist gives false.
inline bool SetKeyTreeSecurity(HKEY parent, const std::wstring& path, const wchar_t* sddl) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | READ_CONTROL | WRITE_DAC, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    std::vector<std::wstring> children;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        children.emplace_back(name, length);
    }
    bool done = true;
    for (const std::wstring& child : children) {
        done = SetKeyTreeSecurity(key, child, sddl) && done;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
        done = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS && done;
        LocalFree(descriptor);
    } else {
        done = false;
    }
    RegCloseKey(key);
    return done;
}

} // namespace zentrim::testing
