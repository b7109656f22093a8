// What atomic_file.cpp and its two system halves (atomic_file_posix.cpp, atomic_file_win32.cpp)
// share; no other code includes it.
#pragma once

#include "base/atomic_file.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace zentrim::atomic_file_parts {

// How many names a save tries for its temporary file before it gives up: another name is drawn
// only when one is taken, which random names all but never are.
inline constexpr int kTemporaryAttempts = 8;

// The name of the temporary file for an attempt: the namer's, or a random one.
std::filesystem::path TemporaryName(const TemporaryFileNamer& namer, const std::filesystem::path& fileName,
                                    int attempt);

// FNV-1a, 64 bits: with the size, the time of the last write and the file's identity, it tells a
// file that another program changed from the one that was read.
std::uint64_t HashBytes(std::span<const std::uint8_t> bytes);

// The reason a save gives for a verdict other than Allowed.
std::string RefusalText(ReplaceVerdict verdict);

// ---- in each system's half ----

// Writes the temporary file and moves it over the file; may throw.
SaveResult ReplaceAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                             const FileStamp* expected, const TemporaryFileNamer& namer);

// ReadStampedFile, which may throw.
StampedFile ReadStamped(const std::filesystem::path& file);

// Why the file (the one at the end of any links) may not be replaced; empty when it may or when
// there is none.
std::string RefusalOfFile(const std::filesystem::path& file);

} // namespace zentrim::atomic_file_parts
