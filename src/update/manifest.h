// The signed release manifest that the update service publishes and the updater checks: which
// version is released and, per architecture, the installer package's file name, size and
// SHA-256. Portable: the service, the updater and the tests share this one reading of it.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentrim {

// A version "a.b.c.d", each part 0..65535; fewer parts mean zeros ("2.10" == "2.10.0.0").
struct ReleaseVersion {
    std::array<std::uint32_t, 4> parts{};

    // Digits and dots only, 1 to 4 parts, no empty part, no sign, no surrounding space, each part
    // at most 5 digits and at most 65535.
    static std::optional<ReleaseVersion> Parse(std::string_view text);
    // Always four parts, without leading zeros: "2.10.0.0".
    std::string Text() const;

    friend auto operator<=>(const ReleaseVersion&, const ReleaseVersion&) = default;
};

struct ManifestPackage {
    std::string architecture; // "x86" or "x64"
    std::string fileName;   // a plain file name: [A-Za-z0-9._-]+, ends with ".msi", not starting with '.', at
                            // most 100 characters
    std::uint64_t size = 0; // bytes, 1 .. 2^31
    std::array<std::uint8_t, 32> sha256{};

    friend bool operator==(const ManifestPackage&, const ManifestPackage&) = default;
};

struct ReleaseManifest {
    ReleaseVersion version;
    // When the maker's signature of this manifest stops counting: seconds since 1970-01-01 00:00:00
    // UTC. A manifest never outlives it, so a signed old release cannot be replayed for ever.
    std::int64_t expires = 0;
    std::vector<ManifestPackage> packages; // at most one per architecture, x86 before x64

    const ManifestPackage* PackageFor(std::string_view architecture) const; // nullptr when none

    friend bool operator==(const ReleaseManifest&, const ReleaseManifest&) = default;
};

inline constexpr std::size_t kManifestSizeLimit = 16 * 1024;
inline constexpr std::uint64_t kPackageSizeLimit = std::uint64_t{1} << 31;
inline constexpr std::size_t kPackageFileNameLimit = 100;
// The one form of the manifest this code reads and writes; older forms carry no expiry and are refused.
inline constexpr int kManifestFormat = 2;
// The latest expiry a manifest can state: 9999-12-31T23:59:59Z.
inline constexpr std::int64_t kLatestExpiry = 253402300799;

// Whether `name` may name a package: [A-Za-z0-9._-]+, ends with ".msi", does not start with '.',
// at most 100 characters. Such a name never leaves the folder it is looked up in.
bool IsPackageFileName(std::string_view name);

// Reads a manifest in exactly this form (ASCII, LF line ends, the last line ends with LF):
//   ZENTRIM-UPDATE-MANIFEST 2
//   product zentrim
//   version 2.10.21.2024                          (four parts, as ReleaseVersion::Text writes it)
//   expires 2027-01-09T12:00:00Z                  (UTC, a real date and time of the years 1970 to 9999)
//   package x86 <file name> <size> <64 lowercase hex digits of SHA-256>
//   package x64 <file name> <size> <64 lowercase hex digits>
// with one or both package lines, x86 first; sizes in decimal without leading zeros. Anything
// else (extra spaces, CR, unknown or missing lines, a second line for an architecture, bad hex,
// text over kManifestSizeLimit, NUL bytes, non-ASCII, another format number) gives nothing. One
// manifest has exactly one text, so what is signed is what is meant.
std::optional<ReleaseManifest> ParseManifest(std::string_view text);

// "2027-01-09T12:00:00Z" and back: the manifest's form of a UTC moment in seconds since 1970.
// Nothing for text in any other form, an impossible date (February 30th) or a moment outside the
// years 1970 to 9999.
std::optional<std::int64_t> ParseUtcTime(std::string_view text);
std::string FormatUtcTime(std::int64_t secondsSince1970);

// Whether a manifest still counts at `now` (seconds since 1970 UTC): up to its expiry second included.
inline bool ManifestCurrent(const ReleaseManifest& manifest, std::int64_t now) {
    return now <= manifest.expires;
}

// The text of a manifest, its packages in the order given; ParseManifest(FormatManifest(m)) == m
// for every manifest that ParseManifest can give.
std::string FormatManifest(const ReleaseManifest& manifest);

} // namespace zentrim
