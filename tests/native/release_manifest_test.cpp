#include "update/manifest.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zentrim {
namespace {

using Parts = std::array<std::uint32_t, 4>;

constexpr std::string_view kX86Hash = "00112233445566778899aabbccddeeff0123456789abcdeffedcba9876543210";
constexpr std::string_view kX64Hash = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

// A well-formed manifest, written out by hand.
const std::string kGoodManifest = "ZENTRIM-UPDATE-MANIFEST 2\n"
                                  "product zentrim\n"
                                  "version 2.10.21.2024\n"
                                  "expires 2027-01-09T12:00:00Z\n"
                                  "package x86 Zentrim-2.10.21.2024-x86.msi 826880 " +
                                  std::string(kX86Hash) +
                                  "\n"
                                  "package x64 Zentrim-2.10.21.2024-x64.msi 770048 " +
                                  std::string(kX64Hash) + "\n";

// `text` with the first `from` replaced by `to`.
std::string Replaced(std::string text, std::string_view from, std::string_view to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

ReleaseVersion Version(std::string_view text) {
    const auto version = ReleaseVersion::Parse(text);
    EXPECT_TRUE(version) << text;
    return version.value_or(ReleaseVersion{});
}

TEST(ReleaseVersionParse, AcceptsOneToFourPartsAndFillsTheRestWithZeros) {
    const struct {
        std::string_view text;
        Parts parts;
    } cases[] = {
        {"2.10.21.2024", {2, 10, 21, 2024}},
        {"2.10.21", {2, 10, 21, 0}},
        {"2.10", {2, 10, 0, 0}},
        {"7", {7, 0, 0, 0}},
        {"0", {0, 0, 0, 0}},
        {"0.0.0.0", {0, 0, 0, 0}},
        {"65535.65535.65535.65535", {65535, 65535, 65535, 65535}},
        {"00007.010", {7, 10, 0, 0}}, // leading zeros within five digits
        {"09.08", {9, 8, 0, 0}},
    };
    for (const auto& testCase : cases) {
        const auto version = ReleaseVersion::Parse(testCase.text);
        ASSERT_TRUE(version) << testCase.text;
        EXPECT_EQ(version->parts, testCase.parts) << testCase.text;
    }
}

TEST(ReleaseVersionParse, RefusesAnythingElse) {
    const std::string_view refused[] = {
        "",
        ".",
        "2.",
        ".2",
        "2..1",
        "1.2.3.4.5",
        "1.2.3.4.",
        "65536",
        "1.65536",
        "99999",
        "123456",
        "000000",
        "4294967297",
        "+1",
        "-1",
        "1.-2",
        " 1",
        "1 ",
        "1. 2",
        "1,2",
        "v1",
        "1.2a",
        "0x10",
        "1e3",
        "\t1",
        "1\n",
        "\xef\xbc\x91", // a full-width digit one in UTF-8
        std::string_view("1\0", 2),
    };
    for (std::string_view text : refused) {
        EXPECT_FALSE(ReleaseVersion::Parse(text)) << "'" << text << "'";
    }
}

TEST(ReleaseVersionText, AlwaysFourPartsWithoutLeadingZeros) {
    EXPECT_EQ(Version("2.10").Text(), "2.10.0.0");
    EXPECT_EQ(Version("002.010.0021").Text(), "2.10.21.0");
    EXPECT_EQ(Version("65535.0.1.2").Text(), "65535.0.1.2");
    EXPECT_EQ(ReleaseVersion{}.Text(), "0.0.0.0");
}

TEST(ReleaseVersionOrder, ComparesPartByPartAsNumbers) {
    EXPECT_EQ(Version("2.10"), Version("2.10.0.0"));
    EXPECT_EQ(Version("02.010"), Version("2.10"));
    EXPECT_LT(Version("2.10.21.2024"), Version("2.10.21.2025"));
    EXPECT_LT(Version("2.9"), Version("2.10"));  // not text order
    EXPECT_LT(Version("9.99"), Version("10.0")); // not text order either
    EXPECT_LT(Version("2.10"), Version("2.10.0.1"));
    EXPECT_LT(Version("2.65535.65535.65535"), Version("3"));
    EXPECT_GT(Version("2.10.22"), Version("2.10.21.65535"));
    EXPECT_LT(Version("0"), Version("0.0.0.1"));
}

TEST(ReleaseManifestParse, ReadsEveryField) {
    const auto manifest = ParseManifest(kGoodManifest);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->version.parts, (Parts{2, 10, 21, 2024}));
    EXPECT_EQ(manifest->expires, 1799496000); // 2027-01-09 12:00:00 UTC
    ASSERT_EQ(manifest->packages.size(), 2u);
    const ManifestPackage* x86 = manifest->PackageFor("x86");
    const ManifestPackage* x64 = manifest->PackageFor("x64");
    ASSERT_TRUE(x86 && x64);
    EXPECT_EQ(x86->fileName, "Zentrim-2.10.21.2024-x86.msi");
    EXPECT_EQ(x86->size, 826880u);
    const std::array<std::uint8_t, 32> x86Hash = {
        0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff,
        0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};
    EXPECT_EQ(x86->sha256, x86Hash);
    EXPECT_EQ(x64->fileName, "Zentrim-2.10.21.2024-x64.msi");
    EXPECT_EQ(x64->size, 770048u);
    EXPECT_EQ(x64->sha256[0], 0xe3);
    EXPECT_EQ(x64->sha256[31], 0x55);
    EXPECT_EQ(manifest->PackageFor("arm64"), nullptr);
    EXPECT_EQ(manifest->PackageFor("X86"), nullptr);
}

TEST(ReleaseManifestParse, OnePackageOfEitherArchitectureIsEnough) {
    const std::string header =
        "ZENTRIM-UPDATE-MANIFEST 2\nproduct zentrim\nversion 1.0.0.0\nexpires 2030-06-30T00:00:00Z\n";
    const auto onlyX64 = ParseManifest(header + "package x64 a.msi 1 " + std::string(kX64Hash) + "\n");
    ASSERT_TRUE(onlyX64);
    EXPECT_EQ(onlyX64->PackageFor("x86"), nullptr);
    ASSERT_NE(onlyX64->PackageFor("x64"), nullptr);
    EXPECT_EQ(onlyX64->PackageFor("x64")->size, 1u);
    const auto onlyX86 =
        ParseManifest(header + "package x86 a.msi 2147483648 " + std::string(kX86Hash) + "\n");
    ASSERT_TRUE(onlyX86);
    ASSERT_NE(onlyX86->PackageFor("x86"), nullptr);
    EXPECT_EQ(onlyX86->PackageFor("x86")->size, 2147483648u); // 2^31, the largest
    EXPECT_EQ(onlyX86->PackageFor("x64"), nullptr);
}

TEST(ReleaseManifestFormat, WritesTheTextAndReadsItBack) {
    const auto manifest = ParseManifest(kGoodManifest);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(FormatManifest(*manifest), kGoodManifest);

    ReleaseManifest made;
    made.version = Version("3.1");
    made.expires = 951868799; // 2000-02-29 23:59:59 UTC
    ManifestPackage package;
    package.architecture = "x64";
    package.fileName = std::string(96, 'Z') + ".msi"; // 100 characters, the longest name
    package.size = 12;
    package.sha256.fill(0xA5);
    made.packages.push_back(package);
    const std::string text = FormatManifest(made);
    EXPECT_EQ(text, "ZENTRIM-UPDATE-MANIFEST 2\nproduct zentrim\nversion 3.1.0.0\nexpires "
                    "2000-02-29T23:59:59Z\npackage x64 " +
                        std::string(96, 'Z') +
                        ".msi 12 a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5\n");
    EXPECT_EQ(ParseManifest(text), made);

    made.packages.insert(made.packages.begin(), ManifestPackage{"x86", "_-.x.msi", 1, {}});
    EXPECT_EQ(ParseManifest(FormatManifest(made)), made);
}

TEST(ReleaseManifestParse, RefusesEveryOtherForm) {
    const std::string header = "ZENTRIM-UPDATE-MANIFEST 2\nproduct zentrim\nversion 2.10.21.2024\nexpires "
                               "2027-01-09T12:00:00Z\n";
    const std::string x86Line =
        "package x86 Zentrim-2.10.21.2024-x86.msi 826880 " + std::string(kX86Hash) + "\n";
    const std::string x64Line =
        "package x64 Zentrim-2.10.21.2024-x64.msi 770048 " + std::string(kX64Hash) + "\n";
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"no final line end", kGoodManifest.substr(0, kGoodManifest.size() - 1)},
        {"CR LF line ends",
         Replaced(Replaced(kGoodManifest, "MANIFEST 2\n", "MANIFEST 2\r\n"), "zentrim\n", "zentrim\r\n")},
        {"a CR at the end", kGoodManifest.substr(0, kGoodManifest.size() - 1) + "\r\n"},
        {"an empty line at the end", kGoodManifest + "\n"},
        {"an empty line inside", Replaced(kGoodManifest, "zentrim\n", "zentrim\n\n")},
        {"an unknown line", kGoodManifest + "signature 1234\n"},
        {"an unknown line inside", Replaced(kGoodManifest, "product", "comment hello\nproduct")},
        {"another format version", Replaced(kGoodManifest, "MANIFEST 2", "MANIFEST 3")},
        // The first form had no expiry: a signed manifest of it would count for ever.
        {"the first format, without an expiry",
         Replaced(Replaced(kGoodManifest, "MANIFEST 2", "MANIFEST 1"), "expires 2027-01-09T12:00:00Z\n", "")},
        {"the first format's number with an expiry", Replaced(kGoodManifest, "MANIFEST 2", "MANIFEST 1")},
        {"no expiry", Replaced(kGoodManifest, "expires 2027-01-09T12:00:00Z\n", "")},
        {"expiry before the version", Replaced(Replaced(kGoodManifest, "expires 2027-01-09T12:00:00Z\n", ""),
                                               "version", "expires 2027-01-09T12:00:00Z\nversion")},
        {"expiry twice", Replaced(kGoodManifest, "expires", "expires 2027-01-09T12:00:00Z\nexpires")},
        {"expiry without its zone", Replaced(kGoodManifest, ":00Z\n", ":00\n")},
        {"expiry as a number", Replaced(kGoodManifest, "2027-01-09T12:00:00Z", "1799496000")},
        {"lower-case header", Replaced(kGoodManifest, "ZENTRIM-UPDATE-MANIFEST", "zentrim-update-manifest")},
        {"another product", Replaced(kGoodManifest, "product zentrim", "product zentrimx")},
        {"product in capitals", Replaced(kGoodManifest, "product zentrim", "product Zentrim")},
        {"lines swapped",
         Replaced(Replaced(kGoodManifest, "product zentrim\n", ""), "2024\n", "2024\nproduct zentrim\n")},
        {"no version line", Replaced(kGoodManifest, "version 2.10.21.2024\n", "")},
        {"version of two parts", Replaced(kGoodManifest, "version 2.10.21.2024", "version 2.10")},
        {"version with a leading zero", Replaced(kGoodManifest, "version 2.10", "version 2.010")},
        {"version too large", Replaced(kGoodManifest, "version 2.10.21.2024", "version 2.10.21.65536")},
        {"version missing", Replaced(kGoodManifest, "version 2.10.21.2024", "version ")},
        {"two spaces after version", Replaced(kGoodManifest, "version ", "version  ")},
        {"a trailing space", Replaced(kGoodManifest, "zentrim\n", "zentrim \n")},
        {"a leading space", Replaced(kGoodManifest, "package x86", " package x86")},
        {"a tab", Replaced(kGoodManifest, "package x86 ", "package\tx86 ")},
        {"two spaces in a package line", Replaced(kGoodManifest, "x86 Zentrim", "x86  Zentrim")},
        {"a trailing space after the hash",
         Replaced(kGoodManifest, std::string(kX64Hash), std::string(kX64Hash) + " ")},
        {"no package", header},
        {"x64 before x86", header + x64Line + x86Line},
        {"x86 twice", header + x86Line + x86Line},
        {"x64 twice", header + x64Line + x64Line},
        {"three packages", header + x86Line + x64Line + x64Line},
        {"an unknown architecture", header + Replaced(x64Line, "x64", "arm64")},
        {"architecture in capitals", header + Replaced(x86Line, "x86", "X86")},
        {"a field missing", header + Replaced(x86Line, " 826880", "")},
        {"package in capitals", header + Replaced(x86Line, "package", "Package")},
        {"upper-case hex", header + Replaced(x86Line, "aabbcc", "AABBCC")},
        {"63 hex digits", header + Replaced(x86Line, "3210\n", "321\n")},
        {"65 hex digits", header + Replaced(x86Line, "3210\n", "32100\n")},
        {"a non-hex digit", header + Replaced(x86Line, "aabb", "aagb")},
        {"size 0", header + Replaced(x86Line, " 826880 ", " 0 ")},
        {"size with a leading zero", header + Replaced(x86Line, " 826880 ", " 0826880 ")},
        {"size with a sign", header + Replaced(x86Line, " 826880 ", " +826880 ")},
        {"negative size", header + Replaced(x86Line, " 826880 ", " -826880 ")},
        {"size over 2^31", header + Replaced(x86Line, " 826880 ", " 2147483649 ")},
        {"size over 2^64", header + Replaced(x86Line, " 826880 ", " 18446744073709551617 ")},
        {"size in hex", header + Replaced(x86Line, " 826880 ", " 0xC9E00 ")},
        {"file name with a slash", header + Replaced(x86Line, "Zentrim-", "sub/Zentrim-")},
        {"file name with a backslash", header + Replaced(x86Line, "Zentrim-", "sub\\Zentrim-")},
        {"file name leaving the folder", header + Replaced(x86Line, "Zentrim-", "../Zentrim-")},
        {"file name starting with a dot", header + Replaced(x86Line, "Zentrim-", ".Zentrim-")},
        {"file name that is only the extension",
         header + Replaced(x86Line, "Zentrim-2.10.21.2024-x86.msi", ".msi")},
        {"file name without .msi", header + Replaced(x86Line, ".msi", ".exe")},
        {"file name with .MSI", header + Replaced(x86Line, ".msi", ".MSI")},
        {"file name with a colon", header + Replaced(x86Line, "Zentrim-", "C:Zentrim-")},
        {"file name with a percent sign", header + Replaced(x86Line, "Zentrim-", "%2e%2e%2fZentrim-")},
        {"file name of 101 characters",
         header + Replaced(x86Line, "Zentrim-2.10.21.2024-x86.msi", std::string(97, 'a') + ".msi")},
        {"a NUL byte", Replaced(kGoodManifest, "zentrim\n", std::string("zentrim\0\n", 9))},
        {"a NUL byte after the end", kGoodManifest + std::string(1, '\0')},
        {"non-ASCII", Replaced(kGoodManifest, "Zentrim-2.10.21.2024-x86", "Zentr\xc3\xaem-2.10.21.2024-x86")},
        {"a byte of 0x7F",
         Replaced(kGoodManifest, "Zentrim-2.10.21.2024-x86", "Zentrim\x7f-2.10.21.2024-x86")},
    };
    for (const auto& testCase : cases) {
        EXPECT_FALSE(ParseManifest(testCase.text)) << testCase.what;
    }
}

TEST(ReleaseManifestExpiry, UtcTimesReadAndWriteInOneFormOnly) {
    // Seconds since 1970 worked out apart from this code.
    const struct {
        std::string_view text;
        std::int64_t seconds;
    } times[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"2000-02-29T23:59:59Z", 951868799}, // a leap day of a year divisible by 400
        {"2024-12-31T12:34:56Z", 1735648496},
        {"2027-01-09T12:00:00Z", 1799496000},
        {"2100-03-01T00:00:00Z", 4107542400}, // 2100 has no leap day
        {"9999-12-31T23:59:59Z", kLatestExpiry},
    };
    for (const auto& time : times) {
        EXPECT_EQ(ParseUtcTime(time.text), time.seconds) << time.text;
        EXPECT_EQ(FormatUtcTime(time.seconds), time.text);
    }
    for (const std::string_view refused : {"1969-12-31T23:59:59Z",
                                           "2027-02-29T00:00:00Z",
                                           "2100-02-29T00:00:00Z",
                                           "2027-04-31T00:00:00Z",
                                           "2027-13-01T00:00:00Z",
                                           "2027-00-10T00:00:00Z",
                                           "2027-01-00T00:00:00Z",
                                           "2027-01-09T24:00:00Z",
                                           "2027-01-09T12:60:00Z",
                                           "2027-01-09T12:00:60Z",
                                           "2027-01-09 12:00:00Z",
                                           "2027-01-09T12:00:00z",
                                           "2027-01-09T12:00:00",
                                           "2027-01-09T12:00:00+00:00",
                                           "2027-1-09T12:00:00Z",
                                           "+027-01-09T12:00:00Z",
                                           "20270109T120000Z",
                                           "2027-01-09T12:00:00Z ",
                                           "",
                                           "10000-01-01T00:00:00Z"}) {
        EXPECT_FALSE(ParseUtcTime(refused)) << refused;
    }
}

TEST(ReleaseManifestExpiry, AManifestCountsUpToItsExpirySecond) {
    const auto manifest = ParseManifest(kGoodManifest);
    ASSERT_TRUE(manifest);
    EXPECT_TRUE(ManifestCurrent(*manifest, 1799496000 - 30 * 86400));
    EXPECT_TRUE(ManifestCurrent(*manifest, 1799496000));
    EXPECT_FALSE(ManifestCurrent(*manifest, 1799496001));
}

} // namespace
} // namespace zentrim
