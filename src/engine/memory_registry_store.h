// A registry held in memory, with the semantics the program relies on from the Windows registry:
// names compared without regard to case (the first spelling is kept), missing parents created on
// writes only, any value replaced whatever its type, access checked per open key.
#pragma once

#include "engine/registry_store.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zentrim {

// One key as a flat record, for loading and saving a whole store.
struct StoredValue {
    std::u16string name;
    ValueType type = ValueType::None;
    std::vector<std::uint8_t> data;
};

struct StoredKey {
    std::u16string rootName; // "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", or any other root met in a file
    std::u16string path;     // key names joined by single backslashes, no leading or trailing one
    std::vector<StoredValue> values;
};

std::u16string_view RootName(RegistryRoot root);

class MemoryRegistryStore final : public RegistryStore {
public:
    MemoryRegistryStore();
    ~MemoryRegistryStore() override;

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

    // Behaves like an account without the right to change anything under `root`: opening or
    // creating a key there with any write access is refused.
    void DenyWrites(RegistryRoot root);

    // Behaves like a program of the given kind on 64-bit Windows: a key under
    // HKEY_LOCAL_MACHINE\Software opened in the 32-bit view is the one under
    // HKEY_LOCAL_MACHINE\Software\WOW6432Node, its 32-bit copy. A 32-bit program gets that view
    // unless it asks for KEY_WOW64_64KEY; a 64-bit program only when it asks for KEY_WOW64_32KEY.
    // Off by default: one view for everything. May be called again to switch kinds on the same
    // content, as when the other build runs on the same machine.
    enum class ProgramKind { Bits32, Bits64 };
    void EmulateWow64Redirection(ProgramKind kind = ProgramKind::Bits32);

    // Every key with its values, parents before children, in the order they were created.
    std::vector<StoredKey> Snapshot() const;
    // Replaces the whole content; keys of the records' paths are created as needed. Records deeper
    // than kMaxKeyDepth are left out, as no registry holds them.
    void Load(const std::vector<StoredKey>& keys);
    // Whether a key exists, for tests that check that reads and deletions create nothing.
    bool KeyExists(RegistryRoot root, std::u16string_view path) const;
    std::size_t OpenKeyCount() const { return handles_.size(); }

private:
    struct Node;
    struct Handle {
        Node* node; // null once the key was deleted
        std::uint32_t access;
    };

    Node* Root(std::u16string_view rootName, bool create);
    const Node* FindRoot(std::u16string_view rootName) const;
    StoreStatus Resolve(RegistryRoot root, std::u16string_view path, std::uint32_t access, bool create,
                        StoreKey& key);
    Handle* Find(StoreKey key);
    std::vector<std::u16string_view> Names(RegistryRoot root, std::u16string_view path,
                                           std::uint32_t access) const;

    std::vector<std::unique_ptr<Node>> roots_;
    std::map<StoreKey, Handle> handles_;
    StoreKey nextHandle_ = 1;
    std::set<RegistryRoot> deniedWrites_;
    std::optional<ProgramKind> wow64Redirection_;
};

// Splits a key path into its names; empty names (a trailing backslash, doubled ones) add no level.
std::vector<std::u16string_view> SplitKeyPath(std::u16string_view path);

} // namespace zentrim
