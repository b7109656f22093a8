// A registry store kept in a file in the text format of regedit exports (reg_file_format.h): the
// store the program uses where there is no Windows registry. The content lives in a
// MemoryRegistryStore; every change that succeeds rewrites the whole file atomically, and a change
// whose save fails is undone, so memory and file always agree.
#pragma once

#include "engine/memory_registry_store.h"
#include "engine/registry_store.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zentrim {

class RegFileRegistryStore final : public RegistryStore {
    struct Token {
        explicit Token() = default;
    };

public:
    struct OpenResult {
        std::unique_ptr<RegFileRegistryStore> store; // null when the file was refused
        std::string error;                           // why it was refused
    };

    // A missing file gives an empty store and is written at the first change. A file that cannot
    // be read or parsed is refused and left as it is.
    static OpenResult Open(const std::filesystem::path& file);

    RegFileRegistryStore(Token, std::filesystem::path file, const std::vector<StoredKey>& content);
    ~RegFileRegistryStore() override;
    RegFileRegistryStore(const RegFileRegistryStore&) = delete;
    RegFileRegistryStore& operator=(const RegFileRegistryStore&) = delete;

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

    // As MemoryRegistryStore::DenyWrites: acts like an account without rights under `root`.
    void DenyWrites(RegistryRoot root) { memory_.DenyWrites(root); }
    std::vector<StoredKey> Snapshot() const { return memory_.Snapshot(); }
    bool KeyExists(RegistryRoot root, std::u16string_view path) const {
        return memory_.KeyExists(root, path);
    }
    std::size_t OpenKeyCount() const { return handles_.size(); }
    const std::filesystem::path& File() const { return file_; }

private:
    // An open key as the caller sees it. The key is found again by its path when the content is
    // rolled back, which invalidates the memory store's own handles.
    struct Handle {
        RegistryRoot root;
        std::u16string path;
        std::uint32_t access;
        StoreKey inner; // the memory store's handle; 0 when the key no longer exists
    };

    StoreKey Inner(StoreKey key) const;
    StoreKey Register(RegistryRoot root, std::u16string_view path, std::uint32_t access, StoreKey inner);
    // Writes the content to the file; false when the file could not be replaced.
    bool Save();
    // Puts back the content the file holds and reopens every open key.
    void RollBack();
    // Saves after a change that succeeded in memory, and undoes it when the save fails.
    StoreStatus Commit(StoreStatus status);

    std::filesystem::path file_;
    MemoryRegistryStore memory_;
    std::vector<StoredKey> saved_;         // what the file holds (nothing while there is no file)
    std::vector<std::uint8_t> savedBytes_; // saved_ as this store formats it
    std::map<StoreKey, Handle> handles_;
    StoreKey nextHandle_ = 1;
};

} // namespace zentrim
