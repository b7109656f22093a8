#include "engine/reg_file_lock.h"

#include "base/atomic_file.h"

#include <exception>
#include <optional>
#include <thread>
#include <utility>

#ifdef _WIN32
#include "base/unique_handle_win32.h"
#else
#include "base/descriptor_posix.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zentrim {

namespace {

// How long a run that waits for a lock sleeps between two tries.
constexpr std::chrono::milliseconds kLockPollInterval{20};

} // namespace

std::filesystem::path RegFileLock::LockFileOf(const std::filesystem::path& file) {
    std::filesystem::path lock = file;
    lock += ".lock";
    return lock;
}

#ifdef _WIN32

struct RegFileLock::Held {
    UniqueKernelHandle handle;
    Mode mode;

    Held(UniqueKernelHandle lockFile, Mode lockMode) : handle(std::move(lockFile)), mode(lockMode) {}
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        // Closing the handle frees the lock too, but only when the system comes round to it.
        OVERLAPPED start{};
        ::UnlockFileEx(handle.get(), 0, 1, 0, &start);
    }
};

RegFileLock::Result RegFileLock::Acquire(const std::filesystem::path& file, Mode mode,
                                         std::chrono::milliseconds wait) {
    Result result;
    try {
        const std::optional<std::filesystem::path> resolved = FileToReplace(file);
        if (!resolved) {
            result.error = PathText(file) + ": the link leads nowhere";
            return result;
        }
        const std::filesystem::path lockFile = LockFileOf(*resolved);
        const auto deadline = std::chrono::steady_clock::now() + wait;
        // Opened without FILE_SHARE_DELETE: while any run holds it, no one can delete or rename it.
        const auto open = [&](DWORD access, DWORD disposition) {
            return UniqueKernelHandle(
                NullIfInvalid(::CreateFileW(lockFile.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)));
        };
        while (true) {
            UniqueKernelHandle handle = mode == Mode::Exclusive
                                            ? open(GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS)
                                            : open(GENERIC_READ, OPEN_EXISTING);
            DWORD error = handle ? ERROR_SUCCESS : ::GetLastError();
            if (!handle && mode == Mode::Exclusive && error == ERROR_ACCESS_DENIED) {
                handle = open(GENERIC_READ, OPEN_EXISTING); // a lock file of another account
                error = handle ? ERROR_SUCCESS : ::GetLastError();
            }
            if (!handle && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) &&
                mode == Mode::Shared) {
                result.status = Status::NoLockFile;
                return result;
            }
            if (!handle && error != ERROR_SHARING_VIOLATION) {
                result.error = PathText(lockFile) + ": the lock file cannot be made or opened";
                return result;
            }
            if (handle && ::GetFileType(handle.get()) != FILE_TYPE_DISK) {
                result.error = PathText(lockFile) + ": not a regular file";
                return result;
            }
            if (handle) {
                OVERLAPPED start{};
                const DWORD flags =
                    LOCKFILE_FAIL_IMMEDIATELY | (mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
                if (::LockFileEx(handle.get(), flags, 0, 1, 0, &start)) {
                    result.lock = std::make_unique<RegFileLock>(
                        Token{}, *resolved, std::make_unique<Held>(std::move(handle), mode));
                    result.status = Status::Locked;
                    return result;
                }
                const DWORD lockError = ::GetLastError();
                if (lockError != ERROR_LOCK_VIOLATION && lockError != ERROR_IO_PENDING) {
                    result.error = PathText(lockFile) + ": the lock file cannot be locked";
                    return result;
                }
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                result.status = Status::Busy;
                return result;
            }
            ::Sleep(static_cast<DWORD>(kLockPollInterval.count()));
        }
    } catch (const std::exception& exception) {
        result = Result{};
        result.error = PathText(file) + ": " + exception.what();
    }
    return result;
}

#else

struct RegFileLock::Held {
    // A constructor rather than an aggregate: make_unique needs one before C++20's
    // parenthesised aggregate initialisation, which clang 15 lacks.
    Held(Descriptor lockFile, Mode lockMode) : descriptor(std::move(lockFile)), mode(lockMode) {}
    Descriptor descriptor; // closing it frees the lock
    Mode mode;
};

RegFileLock::Result RegFileLock::Acquire(const std::filesystem::path& file, Mode mode,
                                         std::chrono::milliseconds wait) {
    Result result;
    try {
        const std::optional<std::filesystem::path> resolved = FileToReplace(file);
        if (!resolved) {
            result.error = PathText(file) + ": the link leads nowhere";
            return result;
        }
        const std::filesystem::path lockFile = LockFileOf(*resolved);
        const auto deadline = std::chrono::steady_clock::now() + wait;
        const auto timeLeft = [&] { return std::chrono::steady_clock::now() < deadline; };
        // Never through a link, and never blocking on a FIFO planted at the name.
        constexpr int kFlags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
        while (true) {
            Descriptor descriptor(mode == Mode::Exclusive
                                      ? ::open(lockFile.c_str(), O_RDWR | O_CREAT | kFlags, 0666)
                                      : ::open(lockFile.c_str(), O_RDONLY | kFlags));
            if (!descriptor && mode == Mode::Exclusive && errno == EACCES) {
                descriptor.Reset(
                    ::open(lockFile.c_str(), O_RDONLY | kFlags)); // a lock file of another account
                if (!descriptor && errno == ENOENT) {
                    errno = EACCES; // none there, and the folder does not let us make one
                }
            }
            if (!descriptor) {
                if (errno == ENOENT && mode == Mode::Shared) {
                    result.status = Status::NoLockFile;
                    return result;
                }
                result.error = PathText(lockFile) + ": the lock file cannot be made or opened (" +
                               ErrorText(errno) + ")";
                return result;
            }
            struct stat locked {};
            if (::fstat(descriptor.get(), &locked) != 0 || !S_ISREG(locked.st_mode)) {
                result.error = PathText(lockFile) + ": not a regular file";
                return result;
            }
            const int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
            while (::flock(descriptor.get(), operation) != 0) {
                if (errno == EINTR) {
                    continue;
                }
                if (errno != EWOULDBLOCK) {
                    result.error =
                        PathText(lockFile) + ": the lock file cannot be locked (" + ErrorText(errno) + ")";
                    return result;
                }
                if (!timeLeft()) {
                    result.status = Status::Busy;
                    return result;
                }
                std::this_thread::sleep_for(kLockPollInterval);
            }
            // A lock file deleted while we waited guards nothing: the one the name leads to now does.
            struct stat named {};
            if (::lstat(lockFile.c_str(), &named) == 0 && named.st_dev == locked.st_dev &&
                named.st_ino == locked.st_ino) {
                result.lock = std::make_unique<RegFileLock>(
                    Token{}, *resolved, std::make_unique<Held>(std::move(descriptor), mode));
                result.status = Status::Locked;
                return result;
            }
            if (!timeLeft()) {
                result.status = Status::Busy;
                return result;
            }
        }
    } catch (const std::exception& exception) {
        result = Result{};
        result.error = PathText(file) + ": " + exception.what();
    }
    return result;
}

#endif

RegFileLock::RegFileLock(Token, std::filesystem::path file, std::unique_ptr<Held> held)
    : file_(std::move(file)), held_(std::move(held)) {}

RegFileLock::~RegFileLock() = default;

std::size_t RegFileLock::RemoveStaleTemporaryFiles() const {
    if (held_->mode != Mode::Exclusive) {
        return 0;
    }
    std::size_t removed = 0;
    try {
        const std::filesystem::path folder = file_.has_parent_path() ? file_.parent_path() : ".";
        const std::filesystem::path name = file_.filename();
        std::error_code error;
        for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            // Only files: a link or a folder of that name is no temporary file of ours.
            if (IsTemporaryFileName(name, entry->path().filename()) &&
                entry->symlink_status(error).type() == std::filesystem::file_type::regular &&
                std::filesystem::remove(entry->path(), error)) {
                ++removed;
            }
            error.clear();
        }
    } catch (const std::exception&) {
        // what is left is removed by a later run
    }
    return removed;
}

} // namespace zentrim
