// The POSIX half of the atomic file write. Windows builds use atomic_file_win32.cpp instead, so
// this file is empty there.
#if !defined(_WIN32)

#include "base/atomic_file.h"

#include "base/atomic_file_parts.h"
#include "base/descriptor_posix.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zentrim {

// The file a save replaces: the target itself, or the file at the end of its chain of links, so
// that a link stays a link. Empty when the target is a link that leads nowhere (to a missing file,
// or round in a loop) or cannot be looked at.
std::optional<std::filesystem::path> FileToReplace(const std::filesystem::path& target) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(target, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return target; // a new file
    }
    if (error) {
        return std::nullopt;
    }
    if (!std::filesystem::is_symlink(status)) {
        return target;
    }
    std::filesystem::path file = std::filesystem::canonical(target, error);
    if (error) {
        return std::nullopt;
    }
    return file;
}

namespace atomic_file_parts {

namespace {

bool WriteAll(int descriptor, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

void SyncFolder(const std::filesystem::path& folder) {
    // Makes the rename itself durable; a failure here leaves the file intact either way.
    const Descriptor descriptor(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor) {
        ::fsync(descriptor.get());
    }
}

FileAccount CurrentAccount() {
    FileAccount account;
    account.user = ::geteuid();
    account.group = ::getegid();
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        const int filled = ::getgroups(count, groups.data());
        account.groups.assign(groups.begin(), groups.begin() + std::max(filled, 0));
    }
    return account;
}

FileOwnership OwnershipOf(const struct stat& info) {
    return {static_cast<std::uint32_t>(info.st_uid), static_cast<std::uint32_t>(info.st_gid),
            static_cast<std::uint32_t>(info.st_mode & 0777)};
}

} // namespace

StampedFile ReadStamped(const std::filesystem::path& file) {
    StampedFile result;
    // Not blocking: a FIFO planted at the name must not hold the program up.
    const Descriptor descriptor(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!descriptor || ::fstat(descriptor.get(), &info) != 0) {
        result.error = "the file cannot be read (" + ErrorText(errno) + ")";
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = "not a regular file";
        return result;
    }
    std::uint8_t buffer[1 << 16];
    while (true) {
        const ssize_t read = ::read(descriptor.get(), buffer, sizeof buffer);
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0) {
            result.error = "the file cannot be read (" + ErrorText(errno) + ")";
            return result;
        }
        if (read == 0) {
            break;
        }
        result.bytes.insert(result.bytes.end(), buffer, buffer + read);
    }
    // The stamp of the file as it was read to its end.
    if (::fstat(descriptor.get(), &info) != 0) {
        result.error = "the file cannot be read (" + ErrorText(errno) + ")";
        return result;
    }
    if (static_cast<std::uint64_t>(info.st_size) != result.bytes.size()) {
        result.error = "the file changed while it was read";
        return result;
    }
    result.stamp.size = result.bytes.size();
    result.stamp.modified =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    result.stamp.device = static_cast<std::uint64_t>(info.st_dev);
    result.stamp.identity = static_cast<std::uint64_t>(info.st_ino);
    result.stamp.hash = HashBytes(result.bytes);
    return result;
}

namespace {

// Why the file (the one at the end of any links) may not be replaced; empty when it may. `info` is
// its status, when it exists.
std::string Refusal(const struct stat* info) {
    if (info == nullptr) {
        return {};
    }
    if (!S_ISREG(info->st_mode)) {
        return "not a regular file";
    }
    return RefusalText(DecideReplace(OwnershipOf(*info), CurrentAccount()));
}

// Gives the temporary file the replaced file's owner and group. A group that cannot be kept is let
// go only where it makes no difference to anyone: when its rights are those of every other account.
bool KeepOwner(int descriptor, const struct stat& info) {
    const FileAccount account = CurrentAccount();
    if (info.st_uid == account.user && info.st_gid == account.group) {
        return true; // a new file is ours and has our group already
    }
    if (::fchown(descriptor, info.st_uid, info.st_gid) == 0) {
        return true;
    }
    if (info.st_uid != account.user) {
        return false;
    }
    const mode_t mode = info.st_mode & 0777;
    return ((mode >> 3) & 07) == (mode & 07);
}

} // namespace

std::string RefusalOfFile(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return errno == ENOENT ? std::string() : "the file cannot be looked at (" + ErrorText(errno) + ")";
    }
    return Refusal(&info);
}

// Writes a temporary file beside the file it replaces, flushes it to disk and renames it over that
// file, so the file holds either its old content or the new one, never a part. The temporary file
// is always a new one (never a name that exists, never opened through a link) and has the
// replaced file's permission bits from the start, so it is never readable by more accounts than
// that file; a new file gets the default ones. A replaced file keeps its owner and group.
SaveResult ReplaceAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                             const FileStamp* expected, const TemporaryFileNamer& namer) {
    const std::optional<std::filesystem::path> file = FileToReplace(target);
    if (!file) {
        return {SaveStatus::Failed, {}};
    }
    mode_t mode = 0666; // as the umask allows
    struct stat info {};
    const bool replacing = ::stat(file->c_str(), &info) == 0;
    if (!replacing && errno != ENOENT) {
        return {SaveStatus::Failed, {}}; // its permissions cannot be known
    }
    if (std::string refusal = Refusal(replacing ? &info : nullptr); !refusal.empty()) {
        return {SaveStatus::Refused, std::move(refusal)};
    }
    if (replacing) {
        mode = info.st_mode & 0777; // not set-user-ID and its kin: the file is data
    }

    std::filesystem::path temporary;
    Descriptor descriptor(-1);
    for (int attempt = 0; attempt < kTemporaryAttempts && !descriptor; ++attempt) {
        temporary = file->parent_path() / TemporaryName(namer, file->filename(), attempt);
        const int opened =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (opened < 0 && errno != EEXIST) {
            return {SaveStatus::Failed, {}}; // anything but a name that is taken: another would fail alike
        }
        descriptor.Reset(opened);
    }
    if (!descriptor) {
        return {SaveStatus::Failed, {}};
    }
    if (replacing) {
        if (!KeepOwner(descriptor.get(), info)) {
            descriptor.Close();
            ::unlink(temporary.c_str());
            return {SaveStatus::Refused, RefusalText(ReplaceVerdict::OwnerNotKept)};
        }
        // The umask may have taken bits the replaced file has; the file keeps exactly its own.
        ::fchmod(descriptor.get(), mode);
    }
    bool written = WriteAll(descriptor.get(), bytes) && ::fsync(descriptor.get()) == 0;
    written = descriptor.Close() && written;
    SaveStatus status = SaveStatus::Failed;
    if (written) {
        // Checked as late as can be: a change made after this point is outside any program's reach.
        const bool unchanged = expected == nullptr || [&] {
            const StampedFile now = ReadStamped(*file);
            return now && now.stamp == *expected;
        }();
        if (!unchanged) {
            status = SaveStatus::ChangedMeanwhile;
        } else if (::rename(temporary.c_str(), file->c_str()) == 0) {
            SyncFolder(file->parent_path());
            return {SaveStatus::Saved, {}};
        }
    }
    ::unlink(temporary.c_str());
    return {status, {}};
}

} // namespace atomic_file_parts
} // namespace zentrim

#endif
