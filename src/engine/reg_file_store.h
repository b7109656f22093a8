// A registry store kept in a file in the text format of regedit exports ("Windows Registry Editor
// Version 5.00"): the store the program uses where there is no Windows registry. The content lives
// in a MemoryRegistryStore; every change that succeeds rewrites the whole file atomically, and a
// change whose save fails is undone, so memory and file always agree.
#pragma once

#include "engine/memory_registry_store.h"
#include "engine/registry_store.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zentrim {

struct RegFileParseResult {
    std::vector<StoredKey> keys; // the content, once every deletion in the file has been applied
    std::string error;           // what is wrong and on which line; empty when the file was read
    std::size_t line = 0;        // the line of the fault, counted from 1; 0 when it concerns the whole file

    explicit operator bool() const { return error.empty(); }
};

// Reads a .reg file: UTF-16LE with its byte order mark, or UTF-8 with or without one (8-bit text
// that is not UTF-8 is read as Windows-1252); the "Windows Registry Editor Version 5.00" or the
// older "REGEDIT4" header; CR LF or LF line ends. Keys are merged by name without regard to case,
// and root names are given in their long form (HKLM becomes HKEY_LOCAL_MACHINE).
RegFileParseResult ParseRegFile(std::span<const std::uint8_t> bytes);

// Applies a .reg file to existing content as "reg import" applies it to the registry: values are
// set or replaced, "name"=- deletes a value and [-key] a key with everything below it.
RegFileParseResult ImportRegFile(std::span<const std::uint8_t> bytes, std::vector<StoredKey> base);

// Writes keys as regedit exports them: UTF-16LE with its byte order mark, CR LF line ends, the
// version 5 header, and each key followed by its values and an empty line. Data that the quoted
// or dword forms cannot carry exactly is written as hex, so every value reads back byte for byte.
std::vector<std::uint8_t> FormatRegFile(const std::vector<StoredKey>& keys);

// One value line of a file that edits the registry: the value to set, or (deleted) the name of one
// to delete, written "name"=-.
struct RegFileValueEdit {
    StoredValue value;
    bool deleted = false;
};

struct RegFileKeyEdits {
    std::u16string rootName;
    std::u16string path;
    std::vector<RegFileValueEdit> values;
};

// A file of edits in the same form as FormatRegFile, which "reg import" and a double-click apply.
std::vector<std::uint8_t> FormatRegEditFile(const std::vector<RegFileKeyEdits>& keys);

// The name of the temporary file for the attempt given (0, 1, ...), from the name of the file it
// will replace. The default draws random names.
using TemporaryFileNamer =
    std::function<std::filesystem::path(const std::filesystem::path& fileName, int attempt)>;

// Writes a file beside the target, flushes it and renames it over the target, so that the target
// holds either its old content or all of the new; nothing is left behind when it fails. The
// temporary file is always a new one, never opened through a name that exists; on POSIX it has the
// target's permission bits from its creation. A target that is a symbolic link stays one: the file
// it leads to is replaced, and a link that leads nowhere is refused.
bool WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         const TemporaryFileNamer& namer = {});

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
