// The update check's HTTP seam: one plain HTTP GET that gives the reply body or nothing.
// WinHTTP on Windows, libcurl natively, a scripted fake in unit tests.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace zentrim {

// How long each stage of a request may wait. A request as a whole also ends after the sum of the
// four, so a server that trickles its reply cannot hold it for ever either.
struct HttpTimeouts {
    std::chrono::milliseconds resolve;
    std::chrono::milliseconds connect;
    std::chrono::milliseconds send;
    std::chrono::milliseconds receive;

    std::chrono::milliseconds Total() const { return resolve + connect + send + receive; }
};

// The time-outs the program uses. Tests pass shorter ones.
inline constexpr HttpTimeouts kHttpTimeouts{std::chrono::seconds(10), std::chrono::seconds(10),
                                            std::chrono::seconds(10), std::chrono::seconds(10)};

struct HttpRequest {
    std::u16string host;
    std::uint16_t port = 80;
    std::u16string pathAndQuery; // starts with "/"; sent as it stands
    std::u16string userAgent;
    // At most this many bytes of the body are read; the rest is left unread.
    std::size_t maxBodySize = 64 * 1024;
};

class HttpClient {
public:
    virtual ~HttpClient() = default;

    // GETs http://host:port/pathAndQuery, setting only the User-Agent of our own; redirects are
    // not followed. Gives the body (cut after maxBodySize bytes) when the reply status is 2xx,
    // and nothing on every failure: no connection, a host that does not resolve, a reset or
    // broken connection, a time-out, any other status.
    virtual std::optional<std::string> Get(const HttpRequest& request) = 0;
};

// The platform's client: WinHTTP on Windows, libcurl elsewhere.
std::unique_ptr<HttpClient> CreatePlatformHttpClient(const HttpTimeouts& timeouts = kHttpTimeouts);

} // namespace zentrim
