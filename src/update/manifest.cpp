#include "update/manifest.h"

#include "base/text.h"

#include <algorithm>

namespace zentrim {

namespace {

constexpr std::string_view kHeaderLine = "ZENTRIM-UPDATE-MANIFEST 2";
static_assert(kManifestFormat == 2, "the header line names the format");
constexpr std::string_view kProductLine = "product zentrim";
constexpr std::string_view kVersionPrefix = "version ";
constexpr std::string_view kExpiresPrefix = "expires ";
constexpr std::size_t kFixedLines = 4; // header, product, version, expires
constexpr std::string_view kPackagePrefix = "package ";
constexpr std::string_view kArchitectures[] = {"x86", "x64"}; // in the order the lines must take
constexpr std::size_t kVersionPartDigits = 5;
constexpr std::uint32_t kVersionPartLimit = 65535;

// A decimal number without sign or leading zeros, at most `limit`.
std::optional<std::uint64_t> ParseCanonicalNumber(std::string_view text, std::uint64_t limit) {
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > limit) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::array<std::uint8_t, 32>> ParseLowerHex(std::string_view text) {
    std::array<std::uint8_t, 32> bytes{};
    if (text.size() != bytes.size() * 2) {
        return std::nullopt;
    }
    auto nibble = [](char c) -> int {
        if (IsDigit(c)) {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        return -1;
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = nibble(text[2 * i]);
        const int low = nibble(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return bytes;
}

std::string LowerHex(const std::array<std::uint8_t, 32>& bytes) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

bool IsLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(std::int64_t year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar (the civil-from-days
// method counted from March, so that the leap day ends a year).
std::int64_t DaysSince1970(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = year / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// A fixed-width field of digits; nothing for anything else.
std::optional<int> Digits(std::string_view text, std::size_t offset, std::size_t count) {
    int value = 0;
    for (std::size_t i = offset; i < offset + count; ++i) {
        if (!IsDigit(text[i])) {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Splits off the text up to the next single space; false when there is none.
bool TakeField(std::string_view& rest, std::string_view& field) {
    const std::size_t space = rest.find(' ');
    if (space == std::string_view::npos) {
        return false;
    }
    field = rest.substr(0, space);
    rest.remove_prefix(space + 1);
    return true;
}

// "package <arch> <name> <size> <hex>", with single spaces and nothing else.
std::optional<ManifestPackage> ParsePackageLine(std::string_view line) {
    if (!line.starts_with(kPackagePrefix)) {
        return std::nullopt;
    }
    std::string_view rest = line.substr(kPackagePrefix.size());
    std::string_view architecture, fileName, sizeText;
    if (!TakeField(rest, architecture) || !TakeField(rest, fileName) || !TakeField(rest, sizeText)) {
        return std::nullopt;
    }
    const auto size = ParseCanonicalNumber(sizeText, kPackageSizeLimit);
    const auto sha256 = ParseLowerHex(rest);
    if (!IsPackageFileName(fileName) || !size || *size == 0 || !sha256) {
        return std::nullopt;
    }
    return ManifestPackage{std::string(architecture), std::string(fileName), *size, *sha256};
}

} // namespace

std::optional<ReleaseVersion> ReleaseVersion::Parse(std::string_view text) {
    ReleaseVersion version;
    std::size_t part = 0;
    std::size_t digits = 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            if (digits == 0 || part == version.parts.size()) {
                return std::nullopt; // an empty part or a fifth one
            }
            version.parts[part++] = value;
            digits = 0;
            value = 0;
        } else if (IsDigit(text[i]) && digits < kVersionPartDigits) {
            value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
            if (value > kVersionPartLimit) {
                return std::nullopt;
            }
            ++digits;
        } else {
            return std::nullopt;
        }
    }
    return version;
}

std::string ReleaseVersion::Text() const {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            text += '.';
        }
        text += std::to_string(parts[i]);
    }
    return text;
}

const ManifestPackage* ReleaseManifest::PackageFor(std::string_view architecture) const {
    const auto found = std::find_if(packages.begin(), packages.end(), [&](const ManifestPackage& package) {
        return package.architecture == architecture;
    });
    return found == packages.end() ? nullptr : &*found;
}

bool IsPackageFileName(std::string_view name) {
    constexpr std::string_view kExtension = ".msi";
    if (name.size() > kPackageFileNameLimit || name.size() <= kExtension.size() || name.front() == '.' ||
        !name.ends_with(kExtension)) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' || c == '_' ||
               c == '-';
    });
}

std::optional<std::int64_t> ParseUtcTime(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SSZ
    constexpr std::string_view kShape = "0000-00-00T00:00:00Z";
    if (text.size() != kShape.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        if (kShape[i] != '0' && text[i] != kShape[i]) {
            return std::nullopt;
        }
    }
    const auto year = Digits(text, 0, 4);
    const auto month = Digits(text, 5, 2);
    const auto day = Digits(text, 8, 2);
    const auto hour = Digits(text, 11, 2);
    const auto minute = Digits(text, 14, 2);
    const auto second = Digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *year < 1970 || *month < 1 || *month > 12 ||
        *day < 1 || *day > DaysInMonth(*year, *month) || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    return DaysSince1970(*year, *month, *day) * 86400 + *hour * 3600 + *minute * 60 + *second;
}

std::string FormatUtcTime(std::int64_t secondsSince1970) {
    const std::int64_t seconds = std::clamp<std::int64_t>(secondsSince1970, 0, kLatestExpiry);
    std::int64_t days = seconds / 86400;
    const std::int64_t inDay = seconds % 86400;
    // The inverse of DaysSince1970.
    days += 719468;
    const std::int64_t era = days / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
    const std::int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    const auto two = [](std::int64_t value) {
        return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
    };
    return std::to_string(year) + "-" + two(month) + "-" + two(day) + "T" + two(inDay / 3600) + ":" +
           two(inDay / 60 % 60) + ":" + two(inDay % 60) + "Z";
}

std::optional<ReleaseManifest> ParseManifest(std::string_view text) {
    if (text.size() > kManifestSizeLimit || text.empty() || text.back() != '\n') {
        return std::nullopt;
    }
    // Printable ASCII and LF only: this refuses CR, tabs, NUL bytes and anything non-ASCII at once.
    if (!std::all_of(text.begin(), text.end(),
                     [](char c) { return c == '\n' || (c >= 0x20 && c <= 0x7E); })) {
        return std::nullopt;
    }
    std::vector<std::string_view> lines;
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        lines.push_back(rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
    if (lines.size() < kFixedLines + 1 || lines.size() > kFixedLines + std::size(kArchitectures) ||
        lines[0] != kHeaderLine || lines[1] != kProductLine || !lines[2].starts_with(kVersionPrefix) ||
        !lines[3].starts_with(kExpiresPrefix)) {
        return std::nullopt;
    }
    ReleaseManifest manifest;
    const std::string_view versionText = lines[2].substr(kVersionPrefix.size());
    const auto version = ReleaseVersion::Parse(versionText);
    if (!version || version->Text() != versionText) {
        return std::nullopt;
    }
    manifest.version = *version;
    const auto expires = ParseUtcTime(lines[3].substr(kExpiresPrefix.size()));
    if (!expires) {
        return std::nullopt;
    }
    manifest.expires = *expires;

    // The package lines follow the fixed order of architectures, each at most once.
    std::size_t nextArchitecture = 0;
    for (std::size_t i = kFixedLines; i < lines.size(); ++i) {
        auto package = ParsePackageLine(lines[i]);
        if (!package) {
            return std::nullopt;
        }
        while (nextArchitecture < std::size(kArchitectures) &&
               kArchitectures[nextArchitecture] != package->architecture) {
            ++nextArchitecture;
        }
        if (nextArchitecture == std::size(kArchitectures)) {
            return std::nullopt; // unknown, repeated or out of order
        }
        ++nextArchitecture;
        manifest.packages.push_back(std::move(*package));
    }
    return manifest;
}

std::string FormatManifest(const ReleaseManifest& manifest) {
    std::string text;
    text += kHeaderLine;
    text += '\n';
    text += kProductLine;
    text += '\n';
    text += kVersionPrefix;
    text += manifest.version.Text();
    text += '\n';
    text += kExpiresPrefix;
    text += FormatUtcTime(manifest.expires);
    text += '\n';
    for (const ManifestPackage& package : manifest.packages) {
        text += kPackagePrefix;
        text += package.architecture + ' ' + package.fileName + ' ' + std::to_string(package.size) + ' ' +
                LowerHex(package.sha256) + '\n';
    }
    return text;
}

} // namespace zentrim
