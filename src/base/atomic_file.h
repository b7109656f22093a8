// Replacing a file so that it holds either all of its old content or all of the new, never a part:
// the new content is written to a temporary file beside it, flushed and renamed over it. Also the
// checks around such a save: what the file held when it was read, and whether this account may
// replace it without changing who may do what with it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zentrim {

// A path as UTF-8 text, for messages.
std::string PathText(const std::filesystem::path& path);

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

// The file a save of `target` replaces: the target itself (also when there is no file yet), or the
// file at the end of its chain of links, so that a link stays a link. Empty when the target is a
// link that leads nowhere (to a missing file, or round in a loop) or cannot be looked at.
std::optional<std::filesystem::path> FileToReplace(const std::filesystem::path& target);

} // namespace zentrim
