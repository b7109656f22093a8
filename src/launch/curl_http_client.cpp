// The HTTP client of the native build, on libcurl. Windows builds use WinHTTP instead
// (http_client_win32.cpp), so this file is empty there.
#if !defined(_WIN32)

#include "launch/http_client.h"

#include "base/text.h"
#include "launch/update_check.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace zentrim {

namespace {

struct EasyHandleCloser {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyHandleCloser>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// libcurl's global set-up, once per process and before the first handle.
bool CurlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

// Where a transfer's body goes: kept in memory or written to a file, up to a limit.
struct BodySink {
    std::string* memory = nullptr;
    std::FILE* file = nullptr;
    std::uint64_t limit = 0;
    bool cutAtLimit = false;
    std::uint64_t received = 0;
    bool cut = false;      // the body reached the limit and was cut there
    bool tooLarge = false; // the body went past the limit
    bool failed = false;   // the file could not be written, or memory ran out
    int systemError = 0;
};

// Keeps the body up to its limit; past it the transfer ends, which libcurl then reports as a
// write error that Run tells apart by the sink's flags.
std::size_t TakeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& sink = *static_cast<BodySink*>(user);
    const std::size_t length = size * count;
    const std::uint64_t room = sink.limit - sink.received;
    std::size_t take = length;
    if (length > room) {
        if (!sink.cutAtLimit) {
            sink.tooLarge = true;
            return 0;
        }
        take = static_cast<std::size_t>(room);
        sink.cut = true;
    }
    try {
        if (sink.memory != nullptr) {
            sink.memory->append(data, take);
        } else if (take > 0 && std::fwrite(data, 1, take, sink.file) != take) {
            sink.failed = true;
            sink.systemError = errno;
            return 0;
        }
    } catch (...) {
        sink.failed = true;
        return 0;
    }
    sink.received += take;
    return sink.cut ? 0 : length;
}

// Watches a transfer for stalls and for Cancel: once connected, a transfer in which no byte moves
// for the stall time is ended. libcurl's own low-speed check averages over several seconds, which
// lets a reply that stops after its first bytes run on for far longer than the time-out.
struct StallWatch {
    using Clock = std::chrono::steady_clock;
    CURL* curl = nullptr;
    std::chrono::milliseconds stallTime{};
    const std::atomic<bool>* cancelled = nullptr;
    const TransferProgress* progress = nullptr;
    bool connected = false;
    bool stalled = false;
    Clock::time_point lastActivity{};
    curl_off_t moved = 0;

    void MarkActivity() { lastActivity = Clock::now(); }
};

std::size_t NoteHeader(char*, std::size_t size, std::size_t count, void* user) {
    static_cast<StallWatch*>(user)->MarkActivity();
    return size * count;
}

int WatchTransfer(void* user, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t sent) {
    auto& watch = *static_cast<StallWatch*>(user);
    if (watch.cancelled->load()) {
        return 1;
    }
    if (*watch.progress && received > 0) {
        (*watch.progress)(static_cast<std::uint64_t>(received),
                          static_cast<std::uint64_t>(std::max<curl_off_t>(total, 0)));
    }
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
    watch.stalled = StallWatch::Clock::now() - watch.lastActivity > watch.stallTime;
    return watch.stalled ? 1 : 0;
}

TransferOutcome OutcomeOf(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return TransferOutcome::NoConnection;
    case CURLE_COULDNT_CONNECT:
        return TransferOutcome::Refused;
    case CURLE_OPERATION_TIMEDOUT:
        return TransferOutcome::TimedOut;
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
        return TransferOutcome::Broken;
    default:
        return TransferOutcome::Failed;
    }
}

class CurlHttpClient final : public HttpClient {
public:
    explicit CurlHttpClient(const HttpTimeouts& timeouts) : timeouts_(timeouts) {}

    TransferResult Fetch(const HttpAddress& address, std::size_t limit, std::string& body,
                         const TransferProgress& progress, ReplyTaking taking) override {
        body.clear();
        BodySink sink;
        sink.memory = &body;
        sink.limit = limit;
        sink.cutAtLimit = taking == ReplyTaking::StartOfAny2xx;
        TransferResult result = Run(address, sink, progress, true, sink.cutAtLimit);
        if (result.outcome != TransferOutcome::Done) {
            body.clear();
        }
        return result;
    }

    TransferResult Download(const HttpAddress& address, const std::filesystem::path& file,
                            std::uint64_t limit, const TransferProgress& progress) override {
        if (cancelled_) {
            return {TransferOutcome::Cancelled, 0, 0};
        }
        // "x": created new, never an existing file.
        FilePtr output(std::fopen(file.c_str(), "wbx"));
        if (!output) {
            return {TransferOutcome::Failed, 0, static_cast<std::uint32_t>(errno)};
        }
        BodySink sink;
        sink.file = output.get();
        sink.limit = limit;
        TransferResult result = Run(address, sink, progress, false, false);
        const bool closed = std::fclose(output.release()) == 0;
        if (result.outcome == TransferOutcome::Done && !closed) {
            result = {TransferOutcome::Failed, result.httpStatus, static_cast<std::uint32_t>(errno)};
        }
        if (result.outcome != TransferOutcome::Done) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
        return result;
    }

    void Cancel() override { cancelled_ = true; }

private:
    TransferResult Run(const HttpAddress& address, BodySink& sink, const TransferProgress& progress,
                       bool wholeRequestBounded, bool anySuccess) {
        if (cancelled_) {
            return {TransferOutcome::Cancelled, 0, 0};
        }
        if (!CurlReady()) {
            return {TransferOutcome::Failed, 0, 0};
        }
        const EasyHandle handle(curl_easy_init());
        if (!handle) {
            return {TransferOutcome::Failed, 0, 0};
        }
        CURL* const curl = handle.get();
        const std::string host = address.host.find(u':') != std::u16string::npos
                                     ? "[" + ToUtf8(address.host) + "]"
                                     : ToUtf8(address.host);
        const std::string url = std::string(address.Secure() ? "https://" : "http://") + host + ":" +
                                std::to_string(address.port) + ToUtf8(address.path);
        const std::string userAgent = ToUtf8(kUpdateUserAgent);
        StallWatch watch;
        watch.curl = curl;
        watch.stallTime = std::max(timeouts_.send, timeouts_.receive);
        watch.cancelled = &cancelled_;
        watch.progress = &progress;

        const bool configured =
            curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str()) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            // Name resolution counts towards libcurl's connect time-out.
            curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                             static_cast<long>((timeouts_.resolve + timeouts_.connect).count())) ==
                CURLE_OK &&
            // Sending and receiving: a transfer that moves nothing for this long has stalled.
            curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &NoteHeader) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_HEADERDATA, &watch) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &WatchTransfer) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
            // A body in memory is small: a bound on the whole request.
            (!wholeRequestBounded ||
             curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts_.Total().count())) ==
                 CURLE_OK) &&
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &TakeBody) == CURLE_OK &&
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink) == CURLE_OK;
        if (!configured) {
            return {TransferOutcome::Failed, 0, 0};
        }

        const CURLcode code = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        const int httpStatus = static_cast<int>(status);
        if (code == CURLE_ABORTED_BY_CALLBACK) {
            return {watch.stalled ? TransferOutcome::TimedOut : TransferOutcome::Cancelled, httpStatus, 0};
        }
        if (status != 0 && (anySuccess ? status < 200 || status > 299 : status != 200)) {
            return {TransferOutcome::ErrorStatus, httpStatus, 0};
        }
        if (code == CURLE_WRITE_ERROR) {
            if (sink.cut && !sink.failed) {
                return {TransferOutcome::Done, httpStatus, 0};
            }
            if (sink.tooLarge) {
                return {TransferOutcome::TooLarge, httpStatus, 0};
            }
            return {TransferOutcome::Failed, httpStatus, static_cast<std::uint32_t>(sink.systemError)};
        }
        if (code == CURLE_FILESIZE_EXCEEDED) {
            return {TransferOutcome::TooLarge, httpStatus, 0};
        }
        if (code != CURLE_OK) {
            return {OutcomeOf(code), httpStatus, 0};
        }
        return {TransferOutcome::Done, httpStatus, 0};
    }

    HttpTimeouts timeouts_;
    std::atomic<bool> cancelled_{false};
};

} // namespace

std::unique_ptr<HttpClient> CreatePlatformHttpClient(const HttpTimeouts& timeouts) {
    return std::make_unique<CurlHttpClient>(timeouts);
}

} // namespace zentrim

#endif
