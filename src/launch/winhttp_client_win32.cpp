// The HTTP client of the Windows program, on WinHTTP in its synchronous mode.
#include "launch/http_client.h"

#include "base/unique_handle_win32.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace zentrim {

namespace {

using UniqueInternet = UniqueHandle<HINTERNET, &::WinHttpCloseHandle>;

int Milliseconds(std::chrono::milliseconds duration) {
    return static_cast<int>(std::clamp<long long>(duration.count(), 1, 0x7fffffff));
}

class WinHttpClient final : public HttpClient {
public:
    explicit WinHttpClient(const HttpTimeouts& timeouts) : timeouts_(timeouts) {}

    std::optional<std::string> Get(const HttpRequest& request) override {
        const auto deadline = std::chrono::steady_clock::now() + timeouts_.Total();

        // The system's WinHTTP proxy configuration, and no session of our own beyond this call.
        const UniqueInternet session(WinHttpOpen(ToWide(request.userAgent).c_str(),
                                                 WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                                 WINHTTP_NO_PROXY_BYPASS, 0));
        if (!session || !WinHttpSetTimeouts(session.get(), Milliseconds(timeouts_.resolve),
                                            Milliseconds(timeouts_.connect), Milliseconds(timeouts_.send),
                                            Milliseconds(timeouts_.receive))) {
            return std::nullopt;
        }
        const UniqueInternet connection(
            WinHttpConnect(session.get(), ToWide(request.host).c_str(), request.port, 0));
        if (!connection) {
            return std::nullopt;
        }
        const UniqueInternet get(WinHttpOpenRequest(connection.get(), L"GET",
                                                    ToWide(request.pathAndQuery).c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
        if (!get) {
            return std::nullopt;
        }
        // WinHttpSetTimeouts leaves the wait for the reply's headers at its own default (90
        // seconds); it gets the receive time-out too.
        DWORD responseTimeout = static_cast<DWORD>(Milliseconds(timeouts_.receive));
        DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
        if (!WinHttpSetOption(get.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                              sizeof responseTimeout) ||
            !WinHttpSetOption(get.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects) ||
            !WinHttpSendRequest(get.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                                0) ||
            !WinHttpReceiveResponse(get.get(), nullptr)) {
            return std::nullopt;
        }

        DWORD status = 0;
        DWORD statusSize = sizeof status;
        if (!WinHttpQueryHeaders(get.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                                 WINHTTP_NO_HEADER_INDEX) ||
            status < 200 || status > 299) {
            return std::nullopt;
        }

        // A reply that announced its length must deliver all of it (up to the limit): a shorter
        // one came over a connection that broke.
        DWORD announcedLength = 0;
        DWORD lengthSize = sizeof announcedLength;
        const bool lengthKnown =
            WinHttpQueryHeaders(get.get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &announcedLength, &lengthSize,
                                WINHTTP_NO_HEADER_INDEX) != FALSE;

        // Read up to the limit and leave the rest unread; closing the handles drops it.
        std::string body;
        std::array<char, 8192> chunk;
        while (body.size() < request.maxBodySize) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return std::nullopt;
            }
            const DWORD wanted =
                static_cast<DWORD>(std::min(chunk.size(), request.maxBodySize - body.size()));
            DWORD read = 0;
            if (!WinHttpReadData(get.get(), chunk.data(), wanted, &read)) {
                return std::nullopt;
            }
            if (read == 0) {
                break;
            }
            body.append(chunk.data(), read);
        }
        if (lengthKnown && body.size() < request.maxBodySize && body.size() != announcedLength) {
            return std::nullopt;
        }
        return body;
    }

private:
    HttpTimeouts timeouts_;
};

} // namespace

std::unique_ptr<HttpClient> CreatePlatformHttpClient(const HttpTimeouts& timeouts) {
    return std::make_unique<WinHttpClient>(timeouts);
}

} // namespace zentrim
