// The lock that every run of ours takes on a registry file, so that two runs never change the
// same file at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

namespace zentrim {

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

} // namespace zentrim
