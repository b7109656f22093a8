// The program's one HTTP seam: GETs into memory or into a file, for the update check and the
// updater alike, each with a size limit, progress, outcomes that say what went wrong, and a Cancel
// callable from any thread. WinHTTP on Windows, libcurl natively, scripted fakes in unit tests.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zentrim {

// How long each stage of a request may wait. A request for a body in memory also ends after the
// sum of the four, so a server that trickles its reply cannot hold it for ever either.
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

// Where a request goes, parsed from "http://host[:port]/path" or "https://host[:port]/path".
struct HttpAddress {
    enum class Scheme { Http, Https };

    Scheme scheme = Scheme::Http;
    std::u16string host;
    std::uint16_t port = 80;
    std::u16string path = u"/"; // starts with '/'; may carry a query, never a fragment

    bool Secure() const { return scheme == Scheme::Https; }
    // The same server with another path (and query).
    HttpAddress At(std::u16string_view otherPath) const;

    // The scheme is matched in any letter case. The host is a name of ASCII letters, digits, '-' and
    // '.', or an IPv6 literal in brackets (kept without them); user names are refused. The path is
    // printable ASCII without spaces; a missing path is "/", a fragment is dropped. Nothing for
    // anything else.
    static std::optional<HttpAddress> Parse(std::u16string_view url);

    bool operator==(const HttpAddress&) const = default;
};

enum class TransferOutcome {
    Done,         // status 200 and the whole body (or, for the update check, a 2xx and its start)
    Cancelled,    // Cancel() was called
    NoConnection, // the host's name could not be resolved (offline, no DNS, no proxy)
    Refused,      // the host was found but no connection to it could be made (refused or unreachable)
    Broken,       // the connection closed or reset before the reply was complete
    TimedOut,     // a stage waited longer than its time-out
    ErrorStatus,  // a status other than 2xx (redirects are not followed)
    TooLarge,     // the body is longer than the caller's limit
    Failed,       // anything else: the file could not be created or written, TLS, out of resources
};

struct TransferResult {
    TransferOutcome outcome = TransferOutcome::Done;
    int httpStatus = 0;            // the reply's status when one came
    std::uint32_t systemError = 0; // the system's error code behind a failure, for the message
};

// Told the bytes so far and the total the reply announced (0 when it announced none). Called on the
// thread that runs the transfer.
using TransferProgress = std::function<void(std::uint64_t received, std::uint64_t total)>;

// How a GET into memory takes its reply.
enum class ReplyTaking {
    // Status 200 only, and the whole body within the limit (a longer one is TooLarge): the files
    // of the update folder, which are read whole or not at all.
    WholeOf200,
    // Any 2xx status, and the first `limit` bytes of the body (Done): the update check's answer,
    // whose tokens are looked for only there.
    StartOfAny2xx,
};

class HttpClient {
public:
    virtual ~HttpClient() = default;

    // GETs into memory (`body` is replaced), with the update check's User-Agent and no other header
    // of ours; redirects are not followed. A status the rule does not take is ErrorStatus with
    // httpStatus. Reading stops at limit + 1 (WholeOf200: TooLarge, also at once when the reply
    // announces more) or at the limit (StartOfAny2xx). A body shorter than its announced length
    // (and than the limit) is Broken. The whole request may take at most the sum of the time-outs.
    // Nothing of a body stays in `body` unless the transfer is Done.
    virtual TransferResult Fetch(const HttpAddress& address, std::size_t limit, std::string& body,
                                 const TransferProgress& progress,
                                 ReplyTaking taking = ReplyTaking::WholeOf200) = 0;

    // GETs into `file`, which is created new: an existing file is refused (Failed with the
    // system's "file exists" error) and left as it is. Only status 200 is Done. More than `limit`
    // bytes is TooLarge; a body
    // shorter than its Content-Length, or a connection that closes or resets mid-body, is Broken;
    // no byte for the receive time-out is TimedOut. The file is deleted on every outcome but Done.
    virtual TransferResult Download(const HttpAddress& address, const std::filesystem::path& file,
                                    std::uint64_t limit, const TransferProgress& progress) = 0;

    // Thread-safe: callable from any thread while Fetch or Download runs on another. The running
    // transfer ends promptly with Cancelled, also while it waits for a server that sends nothing,
    // and so does every later one. One transfer at a time per client.
    virtual void Cancel() = 0;
};

// The platform's client with the given time-outs for each stage: WinHTTP on Windows, with the
// system's proxy settings (automatic ones included, else the configured WinHTTP proxy), http or
// https as the address says; libcurl elsewhere.
std::unique_ptr<HttpClient> CreatePlatformHttpClient(const HttpTimeouts& timeouts = kHttpTimeouts);

} // namespace zentrim
