// The updater's way to the update service: GETs of the update's description into memory and of the
// package into a file, each of which the window can cancel from its own thread.
// WinHTTP on Windows; the updater's steps take an UpdateTransport, so tests can give them another.
#pragma once

#include "launch/http_client.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zentrim {

enum class TransferOutcome {
    Done,         // status 200 and the whole body
    Cancelled,    // Cancel() was called
    NoConnection, // the host's name could not be resolved (offline, no DNS, no proxy)
    Refused,      // the host was found but no connection to it could be made (refused or unreachable)
    Broken,       // the connection closed or reset before the reply was complete
    TimedOut,     // a stage waited longer than its time-out
    ErrorStatus,  // a status other than 200 (redirects are not followed)
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

// Where a transfer goes, parsed from "http://host[:port]/path" or "https://host[:port]/path".
struct UpdateAddress {
    bool secure = false;
    std::u16string host;
    std::uint16_t port = 80;
    std::u16string path; // starts with '/'; may carry a query, never a fragment

    // The scheme is matched in any letter case. The host is a name of ASCII letters, digits, '-' and
    // '.', or an IPv6 literal in brackets (kept without them); user names are refused. The path is
    // printable ASCII without spaces; a missing path is "/", a fragment is dropped. Nothing for
    // anything else.
    static std::optional<UpdateAddress> Parse(std::u16string_view url);

    bool operator==(const UpdateAddress&) const = default;
};

class UpdateTransport {
public:
    virtual ~UpdateTransport() = default;

    // GETs into memory (`body` is replaced). A body over `limit` bytes is TooLarge: reading stops at
    // limit + 1, or at once when the reply announces more. Only status 200 is Done; any other is
    // ErrorStatus with httpStatus. The whole request may take at most the sum of the time-outs.
    virtual TransferResult Fetch(const UpdateAddress& address, std::size_t limit, std::string& body,
                                 const TransferProgress& progress) = 0;

    // GETs into `file`, which is created new: an existing file is refused (Failed with
    // ERROR_FILE_EXISTS) and left as it is. More than `limit` bytes is TooLarge; a body shorter than
    // its Content-Length, or a connection that closes or resets mid-body, is Broken; no byte for
    // the receive time-out is TimedOut. The file is deleted on every outcome but Done.
    virtual TransferResult Download(const UpdateAddress& address, const std::filesystem::path& file,
                                    std::uint64_t limit, const TransferProgress& progress) = 0;

    // Thread-safe: callable from any thread while Fetch or Download runs on another. The running
    // transfer ends promptly with Cancelled, also while it waits for a server that sends nothing,
    // and so does every later one. One transfer at a time per transport.
    virtual void Cancel() = 0;
};

// WinHTTP with the system's proxy settings, the given time-outs for each stage, the update check's
// User-Agent, http or https as the address says, and redirects not followed.
std::unique_ptr<UpdateTransport> CreateWinHttpTransport(const HttpTimeouts& timeouts = kHttpTimeouts);

} // namespace zentrim
