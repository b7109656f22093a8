// The Windows half of the atomic file write; atomic_file_posix.cpp is the other.
#include "base/atomic_file.h"

#include "base/atomic_file_parts.h"
#include "base/unique_handle_win32.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

namespace zentrim {

// The file a save replaces: the target itself, or the file its link leads to, so that a link
// stays a link. Empty when the target is a link that leads nowhere.
std::optional<std::filesystem::path> FileToReplace(const std::filesystem::path& target) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return target; // a new file
        }
        return std::nullopt;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return target;
    }
    // Opening the name follows every link on the way; the handle then names the file at the end.
    const UniqueKernelHandle file(
        NullIfInvalid(::CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
    if (!file) {
        return std::nullopt;
    }
    std::wstring name(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            file.get(), name.data(), static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) {
            return std::nullopt;
        }
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name);
        }
        name.resize(length); // the size needed, with the terminating NUL
    }
}

namespace atomic_file_parts {

namespace {

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

} // namespace

StampedFile ReadStamped(const std::filesystem::path& file) {
    StampedFile result;
    const UniqueKernelHandle handle(NullIfInvalid(
        ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) {
        result.error = "the file cannot be read";
        return result;
    }
    if (::GetFileType(handle.get()) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.error = "not a regular file";
        return result;
    }
    std::uint8_t buffer[1 << 16];
    while (true) {
        DWORD read = 0;
        if (!::ReadFile(handle.get(), buffer, sizeof buffer, &read, nullptr)) {
            result.error = "the file cannot be read";
            return result;
        }
        if (read == 0) {
            break;
        }
        result.bytes.insert(result.bytes.end(), buffer, buffer + read);
    }
    // The stamp of the file as it was read to its end.
    if (!::GetFileInformationByHandle(handle.get(), &info)) {
        result.error = "the file cannot be read";
        return result;
    }
    const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    if (size != result.bytes.size()) {
        result.error = "the file changed while it was read";
        return result;
    }
    result.stamp.size = size;
    result.stamp.modified = static_cast<std::int64_t>(
        (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime);
    result.stamp.device = info.dwVolumeSerialNumber;
    result.stamp.identity = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    result.stamp.hash = HashBytes(result.bytes);
    return result;
}

// Why the file (the one at the end of any links) may not be replaced; empty when it may. Windows
// has no mode bits: a read-only file is refused, and one that this account may not open for
// writing.
std::string RefusalOfFile(const std::filesystem::path& file) {
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? std::string()
                   : "the file cannot be looked at";
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return "not a regular file";
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return RefusalText(ReplaceVerdict::ReadOnly);
    }
    const UniqueKernelHandle writable(NullIfInvalid(
        ::CreateFileW(file.c_str(), FILE_WRITE_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!writable && ::GetLastError() == ERROR_ACCESS_DENIED) {
        return RefusalText(ReplaceVerdict::NotWritable);
    }
    return {};
}

// Writes a temporary file beside the file it replaces, flushes it to disk and moves it over that
// file, so the file holds either its old content or the new one, never a part. The temporary file
// is always created new (never opened through a name that exists, a link included) and takes the
// permissions a new file in its folder inherits.
SaveResult ReplaceAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                             const FileStamp* expected, const TemporaryFileNamer& namer) {
    const std::optional<std::filesystem::path> file = FileToReplace(target);
    if (!file) {
        return {SaveStatus::Failed, {}};
    }
    if (std::string refusal = RefusalOfFile(*file); !refusal.empty()) {
        return {SaveStatus::Refused, std::move(refusal)};
    }
    std::filesystem::path temporary;
    UniqueKernelHandle handle;
    for (int attempt = 0; attempt < kTemporaryAttempts && !handle; ++attempt) {
        temporary = file->parent_path() / TemporaryName(namer, file->filename(), attempt);
        const HANDLE created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        const DWORD error = ::GetLastError();
        if (created == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return {SaveStatus::Failed, {}}; // anything but a name that is taken: another would fail alike
        }
        handle.reset(NullIfInvalid(created));
    }
    if (!handle) {
        return {SaveStatus::Failed, {}};
    }
    bool written = WriteAll(handle.get(), bytes) && ::FlushFileBuffers(handle.get());
    written = ::CloseHandle(handle.release()) && written;
    SaveStatus status = SaveStatus::Failed;
    if (written) {
        // Checked as late as can be: a change made after this point is outside any program's reach.
        const bool unchanged = expected == nullptr || [&] {
            const StampedFile now = ReadStamped(*file);
            return now && now.stamp == *expected;
        }();
        if (!unchanged) {
            status = SaveStatus::ChangedMeanwhile;
        } else if (::MoveFileExW(temporary.c_str(), file->c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return {SaveStatus::Saved, {}};
        }
    }
    ::DeleteFileW(temporary.c_str());
    return {status, {}};
}

} // namespace atomic_file_parts
} // namespace zentrim
