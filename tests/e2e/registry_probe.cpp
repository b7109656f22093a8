#include "e2e/registry_probe.h"

#include "support/key_security_win32.h"

#include <cstdio>

namespace zentrim::e2e {

namespace {

constexpr REGSAM kNativeView = KEY_WOW64_64KEY;

struct Key {
    HKEY handle = nullptr;
    ~Key() {
        if (handle != nullptr) {
            RegCloseKey(handle);
        }
    }
};

} // namespace

StoredValue DwordValue(std::uint32_t number) {
    return {REG_DWORD,
            {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
             static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}

StoredValue StringValue(std::wstring_view text) {
    StoredValue value{REG_SZ, {}};
    for (const wchar_t c : text) {
        value.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        value.data.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    value.data.push_back(0);
    value.data.push_back(0);
    return value;
}

StoredValue BinaryValue(std::vector<std::uint8_t> bytes) {
    return {REG_BINARY, std::move(bytes)};
}

std::optional<std::wstring> TextOf(const MaybeValue& value) {
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::wstring text;
    for (std::size_t i = 0; i + 1 < value->data.size(); i += 2) {
        const auto c = static_cast<wchar_t>(value->data[i] | (value->data[i + 1] << 8));
        if (c == L'\0') {
            break;
        }
        text += c;
    }
    return text;
}

std::optional<std::uint32_t> NumberOf(const MaybeValue& value) {
    if (!value || value->type != REG_DWORD || value->data.size() != 4) {
        return std::nullopt;
    }
    const auto& d = value->data;
    return static_cast<std::uint32_t>(d[0]) | static_cast<std::uint32_t>(d[1]) << 8 |
           static_cast<std::uint32_t>(d[2]) << 16 | static_cast<std::uint32_t>(d[3]) << 24;
}

std::wstring Describe(const MaybeValue& value) {
    if (!value) {
        return L"(absent)";
    }
    switch (value->type) {
    case REG_DWORD:
        if (const auto number = NumberOf(value)) {
            return L"REG_DWORD " + std::to_wstring(*number);
        }
        break;
    case REG_SZ:
        return L"REG_SZ \"" + *TextOf(value) + L"\"";
    case REG_EXPAND_SZ:
        return L"REG_EXPAND_SZ \"" + *TextOf(value) + L"\"";
    default:
        break;
    }
    std::wstring text = value->type == REG_BINARY ? L"REG_BINARY" : L"type " + std::to_wstring(value->type);
    for (const std::uint8_t byte : value->data) {
        wchar_t hex[4];
        swprintf(hex, 4, L"%02X", byte);
        text += L" ";
        text += hex;
    }
    return text;
}

std::wstring BareKeyPath(std::wstring_view path) {
    while (!path.empty() && path.front() == L'\\') {
        path.remove_prefix(1);
    }
    while (!path.empty() && path.back() == L'\\') {
        path.remove_suffix(1);
    }
    return std::wstring(path);
}

MaybeValue ReadValue(HKEY root, std::wstring_view keyPath, std::wstring_view name) {
    Key key;
    const std::wstring path = BareKeyPath(keyPath);
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | kNativeView, &key.handle) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::wstring valueName(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.handle, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    StoredValue value{type, std::vector<std::uint8_t>(size)};
    if (RegQueryValueExW(key.handle, valueName.c_str(), nullptr, &type, value.data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.type = type;
    value.data.resize(size);
    return value;
}

bool WriteValue(HKEY root, std::wstring_view keyPath, std::wstring_view name, const MaybeValue& value) {
    const std::wstring path = BareKeyPath(keyPath);
    const std::wstring valueName(name);
    if (!value) {
        Key key;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE | kNativeView, &key.handle) != ERROR_SUCCESS) {
            return true; // no key, no value
        }
        const LSTATUS status = RegDeleteValueW(key.handle, valueName.c_str());
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    Key key;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kNativeView, nullptr, &key.handle,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    // RegSetValueExW adds a NUL to text data that lacks one when the character after the data is
    // NUL (reading it, and the one before the data for a single byte). The data sits between bytes
    // that make it store exactly what it is given.
    std::vector<std::uint8_t> padded(2, 0);
    padded.insert(padded.end(), value->data.begin(), value->data.end());
    padded.insert(padded.end(), {0xFF, 0xFF});
    return RegSetValueExW(key.handle, valueName.c_str(), 0, value->type, padded.data() + 2,
                          static_cast<DWORD>(value->data.size())) == ERROR_SUCCESS;
}

bool DeleteKeyTree(HKEY root, std::wstring_view keyPath) {
    const std::wstring path = BareKeyPath(keyPath);
    testing::SetKeyTreeSecurity(root, path, testing::kFullAccessKeySecurity); // undo a read-only test key
    const LSTATUS status = RegDeleteTreeW(root, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    const LSTATUS removed = RegDeleteKeyExW(root, path.c_str(), kNativeView, 0);
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

std::vector<std::wstring> ValueNames(HKEY root, std::wstring_view keyPath) {
    Key key;
    const std::wstring path = BareKeyPath(keyPath);
    std::vector<std::wstring> names;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | kNativeView, &key.handle) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD length = 16384;
        if (RegEnumValueW(key.handle, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

bool KeyExists(HKEY root, std::wstring_view keyPath) {
    Key key;
    const std::wstring path = BareKeyPath(keyPath);
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | kNativeView, &key.handle) == ERROR_SUCCESS;
}

std::wstring RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) {
        return L"HKEY_LOCAL_MACHINE";
    }
    if (root == HKEY_CURRENT_USER) {
        return L"HKEY_CURRENT_USER";
    }
    return L"?";
}

} // namespace zentrim::e2e
