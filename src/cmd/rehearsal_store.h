// A store for rehearsing a run: reads see the store beneath with the rehearsal's own changes laid
// over it, and every change is recorded in order instead of being made. Running the real optimize
// or restore run over it gives exactly the writes and deletions that run would make, as long as
// every one of them succeeds.
#pragma once

#include "engine/custom_registry.h"
#include "engine/registry_store.h"

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace zentrim {

class RehearsalStore final : public RegistryStore {
public:
    explicit RehearsalStore(RegistryStore& beneath) : beneath_(beneath) {}

    struct Change {
        enum class Kind { CreateKey, SetValue, DeleteValue, DeleteKey };
        Kind kind;
        RegistryRoot root;
        RegistryView view;
        std::u16string path; // key names joined by single backslashes, as first written
        std::u16string name; // the value's name; empty for the key changes
        std::optional<RawValue> before;
        std::optional<RawValue> after;
    };
    const std::vector<Change>& Changes() const { return changes_; }

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
    void CloseKey(StoreKey key) override;

private:
    // A key as the registry tells keys apart: root, view and path without regard to case.
    struct KeyId {
        RegistryRoot root;
        std::uint32_t viewFlags;
        std::u16string foldedPath;
        friend auto operator<=>(const KeyId&, const KeyId&) = default;
    };
    struct ValueState {
        std::u16string name;
        std::optional<RawValue> value; // nothing: deleted
    };
    struct KeyState {
        std::optional<bool> exists;                  // nothing: as the store beneath says
        bool valuesCleared = false;                  // deleted once: none of the values beneath show
        std::map<std::u16string, ValueState> values; // by folded name
    };
    struct Handle {
        KeyId id;
        std::u16string path;
        std::uint32_t viewFlags;
    };

    static KeyId IdOf(RegistryRoot root, std::u16string_view path, std::uint32_t access);
    StoreStatus Exists(const KeyId& id, std::u16string_view path, bool& exists);
    StoreStatus Read(const Handle& handle, std::u16string_view name, std::optional<RawValue>& value);
    // Read through an open key's handle; Failed for a handle this store did not give.
    StoreStatus ReadOpen(StoreKey key, std::u16string_view name, const Handle*& handle,
                         std::optional<RawValue>& value);
    StoreKey Register(KeyId id, std::u16string path, std::uint32_t viewFlags);
    void Record(Change::Kind kind, const Handle& handle, std::u16string_view name,
                std::optional<RawValue> before, std::optional<RawValue> after);

    RegistryStore& beneath_;
    std::map<KeyId, KeyState> keys_;
    std::map<StoreKey, Handle> handles_;
    StoreKey nextHandle_ = 1;
    std::vector<Change> changes_;
};

} // namespace zentrim
