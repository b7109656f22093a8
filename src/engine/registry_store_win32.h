// The Windows registry itself behind the store interface.
#pragma once

#include "engine/registry_store.h"

namespace zentrim {

class Win32RegistryStore final : public RegistryStore {
public:
    StoreStatus OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                        StoreKey& key) override;
    StoreStatus CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                          StoreKey& key) override;
    StoreStatus QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                           std::span<std::uint8_t> buffer, std::uint32_t& size) override;
    StoreStatus SetValue(StoreKey key, std::u16string_view name, ValueType type,
                         std::span<const std::uint8_t> data) override;
    StoreStatus DeleteValue(StoreKey key, std::u16string_view name) override;
    StoreStatus DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) override;
    StoreStatus QueryKeyInfo(StoreKey key, std::uint32_t& subkeyCount, std::uint32_t& valueCount) override;
    void CloseKey(StoreKey key) override;
};

} // namespace zentrim
