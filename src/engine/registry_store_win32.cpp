#include "engine/registry_store_win32.h"

#include "base/unique_handle_win32.h"
#include "engine/custom_registry.h"

#include <string>
#include <vector>

namespace zentrim {

namespace {

HKEY RootHandle(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

HKEY AsHkey(StoreKey key) {
    return reinterpret_cast<HKEY>(key);
}

StoreStatus FromError(LSTATUS error) {
    switch (error) {
    case ERROR_SUCCESS:
        return StoreStatus::Ok;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return StoreStatus::NotFound;
    case ERROR_ACCESS_DENIED:
        return StoreStatus::AccessDenied;
    case ERROR_MORE_DATA:
        return StoreStatus::MoreData;
    default:
        return StoreStatus::Failed;
    }
}

// Deeper than Windows keeps keys; refused before the system is asked, as every store does.
bool TooDeep(std::u16string_view path) {
    std::size_t levels = 0;
    bool inName = false;
    for (const char16_t c : path) {
        if (c == u'\\') {
            inName = false;
        } else if (!inName) {
            inName = true;
            ++levels;
        }
    }
    return levels > kMaxKeyDepth;
}

} // namespace

StoreStatus Win32RegistryStore::OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                        StoreKey& key) {
    key = 0;
    if (TooDeep(path)) {
        return StoreStatus::TooDeep;
    }
    HKEY handle = nullptr;
    const auto status = FromError(RegOpenKeyExW(RootHandle(root), ToWide(path).c_str(), 0, access, &handle));
    if (status == StoreStatus::Ok) {
        key = reinterpret_cast<StoreKey>(handle);
    }
    return status;
}

StoreStatus Win32RegistryStore::CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                          StoreKey& key) {
    key = 0;
    if (TooDeep(path)) {
        return StoreStatus::TooDeep;
    }
    HKEY handle = nullptr;
    const auto status =
        FromError(RegCreateKeyExW(RootHandle(root), ToWide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  access, nullptr, &handle, nullptr));
    if (status == StoreStatus::Ok) {
        key = reinterpret_cast<StoreKey>(handle);
    }
    return status;
}

StoreStatus Win32RegistryStore::QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                                           std::span<std::uint8_t> buffer, std::uint32_t& size) {
    DWORD rawType = REG_NONE;
    DWORD rawSize = static_cast<DWORD>(buffer.size());
    const LSTATUS error = RegQueryValueExW(AsHkey(key), ToWide(name).c_str(), nullptr, &rawType,
                                           buffer.empty() ? nullptr : buffer.data(), &rawSize);
    if (error == ERROR_SUCCESS || error == ERROR_MORE_DATA) {
        type = static_cast<ValueType>(rawType);
        size = rawSize;
    }
    return FromError(error);
}

StoreStatus Win32RegistryStore::SetValue(StoreKey key, std::u16string_view name, ValueType type,
                                         std::span<const std::uint8_t> data) {
    if (data.empty()) {
        return FromError(
            RegSetValueExW(AsHkey(key), ToWide(name).c_str(), 0, static_cast<DWORD>(type), nullptr, 0));
    }
    // For text types RegSetValueExW looks at the character after the data (and, for one byte, the
    // one before it) and stores one NUL more when the data lacks one and that character is NUL. The
    // data goes between bytes that never trigger this, so it is stored exactly and nothing outside
    // it is read.
    const std::vector<std::uint8_t> padded = PadForRegSetValue(data);
    return FromError(RegSetValueExW(AsHkey(key), ToWide(name).c_str(), 0, static_cast<DWORD>(type),
                                    padded.data() + kRegSetValueLeadingPad, static_cast<DWORD>(data.size())));
}

StoreStatus Win32RegistryStore::DeleteValue(StoreKey key, std::u16string_view name) {
    return FromError(RegDeleteValueW(AsHkey(key), ToWide(name).c_str()));
}

StoreStatus Win32RegistryStore::DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) {
    if (path.find_first_not_of(u'\\') == std::u16string_view::npos) {
        return StoreStatus::AccessDenied; // a root is never deleted
    }
    if (TooDeep(path)) {
        return StoreStatus::TooDeep;
    }
    const REGSAM view = access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    return FromError(RegDeleteKeyExW(RootHandle(root), ToWide(path).c_str(), view, 0));
}

StoreStatus Win32RegistryStore::QueryKeyInfo(StoreKey key, std::uint32_t& subkeyCount,
                                             std::uint32_t& valueCount) {
    DWORD subkeys = 0;
    DWORD values = 0;
    const LSTATUS error = RegQueryInfoKeyW(AsHkey(key), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                           &values, nullptr, nullptr, nullptr, nullptr);
    if (error == ERROR_SUCCESS) {
        subkeyCount = subkeys;
        valueCount = values;
    }
    return FromError(error);
}

void Win32RegistryStore::CloseKey(StoreKey key) {
    RegCloseKey(AsHkey(key));
}

} // namespace zentrim
