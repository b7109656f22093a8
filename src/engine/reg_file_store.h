// A registry store kept in a file in the text format of regedit exports ("Windows Registry Editor
// Version 5.00"): the store the program uses where there is no Windows registry. The content lives
// in a MemoryRegistryStore; every change that succeeds rewrites the whole file atomically, and a
// change whose save fails is undone, so memory and file always agree.
#pragma once

#include "engine/memory_registry_store.h"
#include "engine/registry_store.h"

#include <chrono>
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

// What a file held when it was read: compared again before the file is replaced, so that a change
// another program made meanwhile is never overwritten.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0; // the last write: nanoseconds since 1970 (on Windows, its FILETIME)
    // The file's identity: device and inode (on Windows, volume serial and file index).
    std::uint64_t device = 0;
    std::uint64_t identity = 0;
    std::uint64_t hash = 0; // FNV-1a of the bytes

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

struct StampedFile {
    std::vector<std::uint8_t> bytes;
    FileStamp stamp;
    std::string error; // why the file could not be read; empty when it was

    explicit operator bool() const { return error.empty(); }
};

// Reads a whole regular file through one open handle and stamps it from that same handle.
StampedFile ReadStampedFile(const std::filesystem::path& file);

// Whether an account may replace a file, decided from the file's owner, group and mode bits alone
// (POSIX): never by trying, since root may write a file whose mode forbids it.
struct FileOwnership {
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint32_t mode = 0; // the permission bits
};
struct FileAccount {
    std::uint32_t user = 0;            // the effective user
    std::uint32_t group = 0;           // the effective group
    std::vector<std::uint32_t> groups; // the supplementary groups
};
enum class ReplaceVerdict {
    Allowed,
    ReadOnly,     // no one is meant to write it: no write bit at all
    NotWritable,  // its mode does not let this account write it
    OwnerNotKept, // the new file would belong to this account, not to the file's owner
    GroupNotKept, // the new file would have another group, which gives other accounts other rights
};
ReplaceVerdict DecideReplace(const FileOwnership& file, const FileAccount& account);

// Why a save may not replace the file (it is read-only, or this account may not write it, or the
// new file could not keep its owner); empty when it may, or when there is no file yet.
std::string ReplaceRefusal(const std::filesystem::path& target);

enum class SaveStatus {
    Saved,
    Refused,          // ReplaceRefusal said no, or the owner could not be kept: nothing was written
    ChangedMeanwhile, // the file no longer holds what `expected` says: it was left as it is
    Failed,           // the file could not be replaced: it was left as it was
};
struct SaveResult {
    SaveStatus status = SaveStatus::Failed;
    std::string reason; // for Refused

    explicit operator bool() const { return status == SaveStatus::Saved; }
};

// As WriteFileAtomically, and tells why a save did not happen. With `expected`, the file must still
// hold exactly what it held when it was read, checked just before it is replaced. A file that is
// replaced keeps its owner and group (a save that cannot keep them is refused) and its mode.
SaveResult SaveFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                              const FileStamp* expected = nullptr, const TemporaryFileNamer& namer = {});

// Whether `name` is the name of a temporary file that a save of `fileName` makes:
// "<fileName>.<16 hex digits>.tmp".
bool IsTemporaryFileName(const std::filesystem::path& fileName, const std::filesystem::path& name);

// How long a run waits for another run that holds a registry file's lock.
inline constexpr std::chrono::milliseconds kRegFileLockWait = std::chrono::seconds(5);

// The advisory lock that every run of ours takes on a registry file, held for the whole run: on
// "<file>.lock" beside the file (beside the file a link leads to), with flock on POSIX and
// LockFileEx on Windows. The lock file is never deleted, so that two runs can never lock two
// different files of the same name; a lock taken on a file that was deleted meanwhile is given up
// and taken again on the new one.
class RegFileLock {
    struct Token {
        explicit Token() = default;
    };

public:
    enum class Mode {
        Shared,    // a reader: creates no lock file, reads unlocked when there is none
        Exclusive, // a run that changes the file: creates the lock file when there is none
    };
    enum class Status {
        Locked,
        Busy,        // another run held it for all of the wait
        NoLockFile,  // (Shared) no run of ours has ever changed the file
        Unavailable, // the lock file cannot be made or opened: `error` says why
    };
    struct Result {
        std::unique_ptr<RegFileLock> lock; // held while it lives; null unless Locked
        Status status = Status::Unavailable;
        std::string error;
    };

    static Result Acquire(const std::filesystem::path& file, Mode mode,
                          std::chrono::milliseconds wait = kRegFileLockWait);
    // The lock file of a registry file.
    static std::filesystem::path LockFileOf(const std::filesystem::path& file);

    struct Held;
    RegFileLock(Token, std::filesystem::path file, std::unique_ptr<Held> held);
    ~RegFileLock();
    RegFileLock(const RegFileLock&) = delete;
    RegFileLock& operator=(const RegFileLock&) = delete;

    // Removes the temporary files that saves of this file left behind when they were killed: with
    // the exclusive lock held no run of ours is writing one, so every one there is stale. Gives how
    // many were removed; does nothing under a shared lock.
    std::size_t RemoveStaleTemporaryFiles() const;

private:
    std::filesystem::path file_; // the file at the end of any links
    std::unique_ptr<Held> held_;
};

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
