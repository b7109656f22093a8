// The registry as the program left it, read and set from outside with the plain Win32 calls (the
// same wineserver holds the program's registry and ours). Every access is in the native view.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentrim::e2e {

// A value as the registry keeps it: its type number and its exact bytes.
struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
    friend bool operator==(const StoredValue&, const StoredValue&) = default;
};
// Nothing: the value does not exist.
using MaybeValue = std::optional<StoredValue>;

StoredValue DwordValue(std::uint32_t number);
StoredValue StringValue(std::wstring_view text); // REG_SZ with its terminating NUL
StoredValue BinaryValue(std::vector<std::uint8_t> bytes);

// "REG_DWORD 7200000", "REG_SZ \"Yes\"", "REG_BINARY 00 00 00 00", "(absent)".
std::wstring Describe(const MaybeValue& value);
// The text of a REG_SZ or REG_EXPAND_SZ value without its terminating NUL.
std::optional<std::wstring> TextOf(const MaybeValue& value);
// The number of a four-byte REG_DWORD value.
std::optional<std::uint32_t> NumberOf(const MaybeValue& value);

// A path as the program's registry layer writes it ("\System\...\") turned into a key path for
// RegOpenKeyExW: no leading or trailing backslash.
std::wstring BareKeyPath(std::wstring_view path);

MaybeValue ReadValue(HKEY root, std::wstring_view keyPath, std::wstring_view name);
// Writes the value exactly as given (type and bytes), creating the key; nothing deletes it.
bool WriteValue(HKEY root, std::wstring_view keyPath, std::wstring_view name, const MaybeValue& value);
// Removes a key with everything beneath it; a missing key is no failure.
bool DeleteKeyTree(HKEY root, std::wstring_view keyPath);
// The names of a key's values; empty for a missing key.
std::vector<std::wstring> ValueNames(HKEY root, std::wstring_view keyPath);
bool KeyExists(HKEY root, std::wstring_view keyPath);

// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
std::wstring RootName(HKEY root);

} // namespace zentrim::e2e
