// The HTTP client of the native build, on libcurl. Windows builds use WinHTTP instead
// (winhttp_client_win32.cpp), so this file is empty there.
#if !defined(_WIN32)

#include "launch/http_client.h"

#include "base/text.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace zentrim {

namespace {

struct EasyHandleCloser {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyHandleCloser>;

// libcurl's global set-up, once per process and before the first handle.
bool CurlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

struct BodyBuffer {
    std::string body;
    std::size_t limit = 0;
    bool cut = false;
    bool failed = false;
};

// Keeps the body up to its limit; at the limit it ends the transfer, which libcurl then reports
// as a write error that Get tells apart by `cut`.
std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& buffer = *static_cast<BodyBuffer*>(user);
    const std::size_t length = size * count;
    try {
        const std::size_t room = buffer.limit - buffer.body.size();
        if (length <= room) {
            buffer.body.append(data, length);
            return length;
        }
        buffer.body.append(data, room);
        buffer.cut = true;
    } catch (...) {
        buffer.failed = true;
    }
    return 0;
}

// Watches a transfer for stalls: once connected, a transfer in which no byte moves for the stall
// time is ended. libcurl's own low-speed check averages over several seconds, which lets a reply
// that stops after its first bytes run on for far longer than the time-out.
struct StallWatch {
    using Clock = std::chrono::steady_clock;
    CURL* curl = nullptr;
    std::chrono::milliseconds stallTime{};
    bool connected = false;
    Clock::time_point lastActivity{};
    curl_off_t moved = 0;

    void MarkActivity() { lastActivity = Clock::now(); }
};

std::size_t NoteHeader(char*, std::size_t size, std::size_t count, void* user) {
    static_cast<StallWatch*>(user)->MarkActivity();
    return size * count;
}

int CheckForStall(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
    auto& watch = *static_cast<StallWatch*>(user);
    if (!watch.connected) {
        // Until the connection stands, the connect time-out governs.
        curl_off_t connectTime = 0;
        if (curl_easy_getinfo(watch.curl, CURLINFO_CONNECT_TIME_T, &connectTime) == CURLE_OK &&
            connectTime > 0) {
            watch.connected = true;
            watch.MarkActivity();
        }
        return 0;
    }
    if (received + sent != watch.moved) {
        watch.moved = received + sent;
        watch.MarkActivity();
        return 0;
    }
    return StallWatch::Clock::now() - watch.lastActivity > watch.stallTime ? 1 : 0;
}

class CurlHttpClient final : public HttpClient {
public:
    explicit CurlHttpClient(const HttpTimeouts& timeouts) : timeouts_(timeouts) {}

    std::optional<std::string> Get(const HttpRequest& request) override {
        if (!CurlReady()) {
            return std::nullopt;
        }
        const EasyHandle handle(curl_easy_init());
        if (!handle) {
            return std::nullopt;
        }
        CURL* const curl = handle.get();
        const std::string url = "http://" + ToUtf8(request.host) + ":" + std::to_string(request.port) +
                                ToUtf8(request.pathAndQuery);
        const std::string userAgent = ToUtf8(request.userAgent);
        BodyBuffer buffer;
        buffer.limit = request.maxBodySize;
        StallWatch watch;
        watch.curl = curl;
        watch.stallTime = std::max(timeouts_.send, timeouts_.receive);

        const bool configured =
            curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str()) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            // Name resolution counts towards libcurl's connect time-out.
            curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                             static_cast<long>((timeouts_.resolve + timeouts_.connect).count())) ==
                CURLE_OK &&
            // Sending and receiving: a transfer that moves nothing for this long has stalled.
            curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &NoteHeader) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_HEADERDATA, &watch) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CheckForStall) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
            // And a bound on the whole request.
            curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts_.Total().count())) ==
                CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendBody) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, &buffer) == CURLE_OK;
        if (!configured) {
            return std::nullopt;
        }

        const CURLcode result = curl_easy_perform(curl);
        const bool finished =
            result == CURLE_OK || (result == CURLE_WRITE_ERROR && buffer.cut && !buffer.failed);
        long status = 0;
        if (!finished || curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK ||
            status < 200 || status > 299) {
            return std::nullopt;
        }
        return std::move(buffer.body);
    }

private:
    HttpTimeouts timeouts_;
};

} // namespace

std::unique_ptr<HttpClient> CreatePlatformHttpClient(const HttpTimeouts& timeouts) {
    return std::make_unique<CurlHttpClient>(timeouts);
}

} // namespace zentrim

#endif
