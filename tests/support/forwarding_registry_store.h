// A store that passes every operation to another one. Test stores derive from it and change only
// the operations they are about.
#pragma once

#include "engine/registry_store.h"

namespace zentrim::testing {

class ForwardingRegistryStore : public RegistryStore {
public:
    explicit ForwardingRegistryStore(RegistryStore& inner) : inner_(inner) {}

    StoreStatus OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                        StoreKey& key) override {
        return inner_.OpenKey(root, path, access, key);
    }
    StoreStatus CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                          StoreKey& key) override {
        return inner_.CreateKey(root, path, access, key);
    }
    StoreStatus QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                           std::span<std::uint8_t> buffer, std::uint32_t& size) override {
        return inner_.QueryValue(key, name, type, buffer, size);
    }
    StoreStatus SetValue(StoreKey key, std::u16string_view name, ValueType type,
                         std::span<const std::uint8_t> data) override {
        return inner_.SetValue(key, name, type, data);
    }
    StoreStatus DeleteValue(StoreKey key, std::u16string_view name) override {
        return inner_.DeleteValue(key, name);
    }
    StoreStatus DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) override {
        return inner_.DeleteKey(root, path, access);
    }
    StoreStatus QueryKeyInfo(StoreKey key, std::uint32_t& subkeyCount, std::uint32_t& valueCount) override {
        return inner_.QueryKeyInfo(key, subkeyCount, valueCount);
    }
    void CloseKey(StoreKey key) override { inner_.CloseKey(key); }

private:
    RegistryStore& inner_;
};

} // namespace zentrim::testing
