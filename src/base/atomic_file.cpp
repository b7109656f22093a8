#include "base/atomic_file.h"

#include "base/atomic_file_parts.h"
#include "base/text.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <random>
#include <string_view>

namespace zentrim {

namespace {

// The digits of a temporary file's random part, and what follows them.
constexpr std::size_t kTemporaryDigits = 16;
constexpr std::u16string_view kTemporarySuffix = u".tmp";

// Appends the number as exactly `digits` lower-case hex digits.
void AppendHexDigits(std::u16string& out, std::uint32_t number, std::size_t digits) {
    constexpr std::u16string_view kDigits = u"0123456789abcdef";
    for (std::size_t shift = digits * 4; shift > 0;) {
        shift -= 4;
        out += kDigits[(number >> shift) & 0xF];
    }
}

std::filesystem::path RandomTemporaryName(const std::filesystem::path& fileName) {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    std::u16string suffix = u".";
    AppendHexDigits(suffix, static_cast<std::uint32_t>(generator()), kTemporaryDigits / 2);
    AppendHexDigits(suffix, static_cast<std::uint32_t>(generator()), kTemporaryDigits / 2);
    suffix += kTemporarySuffix;
    std::filesystem::path name = fileName;
    name += std::filesystem::path(suffix);
    return name;
}

} // namespace

namespace atomic_file_parts {

std::filesystem::path TemporaryName(const TemporaryFileNamer& namer, const std::filesystem::path& fileName,
                                    int attempt) {
    return namer ? namer(fileName, attempt) : RandomTemporaryName(fileName);
}

std::uint64_t HashBytes(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const std::uint8_t byte : bytes) {
        hash = (hash ^ byte) * 0x100000001b3ull;
    }
    return hash;
}

std::string RefusalText(ReplaceVerdict verdict) {
    switch (verdict) {
    case ReplaceVerdict::Allowed:
        return {};
    case ReplaceVerdict::ReadOnly:
        return "the file is read-only";
    case ReplaceVerdict::NotWritable:
        return "this account may not write the file";
    case ReplaceVerdict::OwnerNotKept:
        return "the file belongs to another account, and a saved file would belong to this one";
    case ReplaceVerdict::GroupNotKept:
        return "the file's group cannot be kept, and another group would give other accounts other rights";
    }
    return "the file cannot be replaced";
}

} // namespace atomic_file_parts

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         const TemporaryFileNamer& namer) {
    return static_cast<bool>(SaveFileAtomically(target, bytes, nullptr, namer));
}

SaveResult SaveFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                              const FileStamp* expected, const TemporaryFileNamer& namer) {
    try {
        return atomic_file_parts::ReplaceAtomically(target, bytes, expected, namer);
    } catch (const std::exception&) {
        return {SaveStatus::Failed, {}};
    }
}

StampedFile ReadStampedFile(const std::filesystem::path& file) {
    try {
        return atomic_file_parts::ReadStamped(file);
    } catch (const std::exception& exception) {
        StampedFile result;
        result.error = exception.what();
        return result;
    }
}

ReplaceVerdict DecideReplace(const FileOwnership& file, const FileAccount& account) {
    constexpr std::uint32_t kOwnerWrite = 0200;
    constexpr std::uint32_t kGroupWrite = 0020;
    constexpr std::uint32_t kOtherWrite = 0002;
    if ((file.mode & (kOwnerWrite | kGroupWrite | kOtherWrite)) == 0) {
        return ReplaceVerdict::ReadOnly; // for root too, who could write it
    }
    if (account.user == 0) {
        return ReplaceVerdict::Allowed; // root may write it, and gives the new file its owner and group
    }
    const bool owner = account.user == file.owner;
    const bool member =
        account.group == file.group || std::ranges::find(account.groups, file.group) != account.groups.end();
    const std::uint32_t writeBit = owner ? kOwnerWrite : member ? kGroupWrite : kOtherWrite;
    if ((file.mode & writeBit) == 0) {
        return ReplaceVerdict::NotWritable;
    }
    if (!owner) {
        return ReplaceVerdict::OwnerNotKept; // only root may give a file to another account
    }
    // An owner may give the file only a group of their own; another one's rights must then be
    // those every other account has, or the save would change who may do what.
    if (!member && ((file.mode >> 3) & 07) != (file.mode & 07)) {
        return ReplaceVerdict::GroupNotKept;
    }
    return ReplaceVerdict::Allowed;
}

std::string ReplaceRefusal(const std::filesystem::path& target) {
    try {
        const std::optional<std::filesystem::path> file = FileToReplace(target);
        if (!file) {
            return "the link leads nowhere";
        }
        return atomic_file_parts::RefusalOfFile(*file);
    } catch (const std::exception& exception) {
        return exception.what();
    }
}

bool IsTemporaryFileName(const std::filesystem::path& fileName, const std::filesystem::path& name) {
    using String = std::filesystem::path::string_type;
    const String& file = fileName.native();
    const String& candidate = name.native();
    const std::size_t length = file.size() + 1 + kTemporaryDigits + kTemporarySuffix.size();
    if (candidate.size() != length || candidate.compare(0, file.size(), file) != 0 ||
        candidate[file.size()] != '.') {
        return false;
    }
    for (std::size_t i = 0; i < kTemporaryDigits; ++i) {
        const auto c = candidate[file.size() + 1 + i];
        if (!(IsDigit(c) || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    const std::size_t suffix = file.size() + 1 + kTemporaryDigits;
    for (std::size_t i = 0; i < kTemporarySuffix.size(); ++i) {
        if (static_cast<char16_t>(candidate[suffix + i]) != kTemporarySuffix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace zentrim
