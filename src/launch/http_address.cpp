// The addresses of HTTP requests: taken apart from their text, and moved to another path.
#include "launch/http_client.h"

#include "base/text.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace zentrim {

namespace {

bool IsLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsHexDigit(char16_t c) {
    return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsHostName(std::u16string_view host) {
    if (host.empty() || host.size() > 253) {
        return false;
    }
    for (const char16_t c : host) {
        if (!IsLetter(c) && !IsDigit(c) && c != u'-' && c != u'.') {
            return false;
        }
    }
    return true;
}

bool IsIpv6Literal(std::u16string_view host) {
    if (host.size() < 2 || host.size() > 45 || host.find(u':') == std::u16string_view::npos) {
        return false;
    }
    for (const char16_t c : host) {
        if (!IsHexDigit(c) && c != u':' && c != u'.') {
            return false;
        }
    }
    return true;
}

std::optional<std::uint16_t> ParsePort(std::u16string_view text) {
    if (text.empty() || text.size() > 5) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char16_t c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - u'0');
    }
    if (value == 0 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

// What goes into the request line as it stands: printable ASCII, no spaces.
bool IsRequestTarget(std::u16string_view path) {
    for (const char16_t c : path) {
        if (c < 0x21 || c > 0x7e) {
            return false;
        }
    }
    return true;
}

} // namespace

HttpAddress HttpAddress::At(std::u16string_view otherPath) const {
    HttpAddress address = *this;
    address.path = std::u16string(otherPath);
    return address;
}

std::optional<HttpAddress> HttpAddress::Parse(std::u16string_view url) {
    HttpAddress address;
    std::u16string_view rest;
    if (StartsWithIgnoringCase(url, u"http://")) {
        rest = url.substr(7);
        address.scheme = Scheme::Http;
        address.port = 80;
    } else if (StartsWithIgnoringCase(url, u"https://")) {
        rest = url.substr(8);
        address.scheme = Scheme::Https;
        address.port = 443;
    } else {
        return std::nullopt;
    }

    const std::size_t authorityEnd = rest.find_first_of(u"/?#");
    const std::u16string_view authority = rest.substr(0, authorityEnd);
    std::u16string_view target =
        authorityEnd == std::u16string_view::npos ? std::u16string_view() : rest.substr(authorityEnd);

    std::u16string_view host;
    std::u16string_view afterHost;
    if (!authority.empty() && authority.front() == u'[') {
        const std::size_t close = authority.find(u']');
        if (close == std::u16string_view::npos) {
            return std::nullopt;
        }
        host = authority.substr(1, close - 1);
        afterHost = authority.substr(close + 1);
        if (!IsIpv6Literal(host)) {
            return std::nullopt;
        }
    } else {
        const std::size_t colon = authority.find(u':');
        host = authority.substr(0, colon);
        afterHost = colon == std::u16string_view::npos ? std::u16string_view() : authority.substr(colon);
        if (!IsHostName(host)) {
            return std::nullopt;
        }
    }
    if (!afterHost.empty()) {
        if (afterHost.front() != u':') {
            return std::nullopt;
        }
        const auto port = ParsePort(afterHost.substr(1));
        if (!port) {
            return std::nullopt;
        }
        address.port = *port;
    }
    address.host = std::u16string(host);

    // The fragment stays with the client; a bare query gets the root path.
    target = target.substr(0, target.find(u'#'));
    if (!IsRequestTarget(target)) {
        return std::nullopt;
    }
    address.path =
        target.empty() || target.front() != u'/' ? u"/" + std::u16string(target) : std::u16string(target);
    return address;
}

} // namespace zentrim
