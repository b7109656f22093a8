// What comes over the network for updates: the update service's reply to the check, the release
// manifest, the versions in it, and the update addresses. The first byte chooses the reader; the
// rest is its input.
#include "base/text.h"
#include "fuzz_support.h"
#include "launch/http_client.h"
#include "launch/update_check.h"
#include "update/manifest.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace zentrim;

namespace {

void CheckReply(std::string_view reply) {
    const int result = UpdateReplyResult(reply);
    // The tokens in the order they are tested, with the result each gives.
    const std::string_view window = reply.substr(0, 64 * 1024);
    const bool has0 = window.find("ORVANE|0") != std::string_view::npos;
    const bool has1 = window.find("ORVANE|1") != std::string_view::npos;
    const bool has2 = window.find("ORVANE|2") != std::string_view::npos;
    const int expected = has0 ? 0 : has1 ? 1 : has2 ? 2 : -1;
    fuzz::Check(result == expected, "the reply gives the first token found in its first 64 KiB");
}

void CheckManifest(std::string_view text) {
    const std::optional<ReleaseManifest> manifest = ParseManifest(text);
    if (!manifest) {
        return;
    }
    fuzz::Check(text.size() <= kManifestSizeLimit, "no manifest over the size limit is read");
    fuzz::Check(FormatManifest(*manifest) == text, "a manifest has exactly one text");
    fuzz::Check(ParseManifest(FormatManifest(*manifest)) == manifest, "a written manifest reads back");
    fuzz::Check(!manifest->packages.empty() && manifest->packages.size() <= 2, "one or two packages");
    fuzz::Check(manifest->expires >= 0 && manifest->expires <= kLatestExpiry &&
                    ParseUtcTime(FormatUtcTime(manifest->expires)) == manifest->expires,
                "an expiry is a moment of the years 1970 to 9999 and reads back");
    for (const ManifestPackage& package : manifest->packages) {
        fuzz::Check(IsPackageFileName(package.fileName), "a package's name is a plain file name");
        fuzz::Check(package.fileName.find_first_of("/\\:") == std::string::npos && package.fileName[0] != '.',
                    "a package's name never leaves its folder");
        fuzz::Check(package.size >= 1 && package.size <= kPackageSizeLimit, "a package's size is in range");
        fuzz::Check(package.architecture == "x86" || package.architecture == "x64", "a known architecture");
    }
}

void CheckVersion(std::string_view text) {
    const std::optional<ReleaseVersion> version = ReleaseVersion::Parse(text);
    if (!version) {
        return;
    }
    for (const std::uint32_t part : version->parts) {
        fuzz::Check(part <= 65535, "a version part is at most 65535");
    }
    fuzz::Check(ReleaseVersion::Parse(version->Text()) == version, "a version's text reads back");
}

void CheckAddress(std::u16string_view url) {
    const std::optional<HttpAddress> address = HttpAddress::Parse(url);
    if (!address) {
        return;
    }
    fuzz::Check(!address->host.empty(), "an address has a host");
    fuzz::Check(address->port != 0, "an address has a port");
    fuzz::Check(!address->path.empty() && address->path.front() == u'/', "a path begins with '/'");
    for (const char16_t c : address->path) {
        fuzz::Check(c > 0x20 && c < 0x7F && c != u'#', "a path is printable ASCII without a fragment");
    }
    for (const char16_t c : address->host) {
        fuzz::Check(c > 0x20 && c < 0x7F && c != u'/' && c != u'@', "a host is plain ASCII");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 4) {
    case 0:
        CheckReply(text);
        break;
    case 1:
        CheckManifest(text);
        break;
    case 2:
        CheckVersion(text);
        break;
    default:
        CheckAddress(FromUtf8(text));
        break;
    }
    return 0;
}
