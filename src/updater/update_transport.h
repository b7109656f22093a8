// The updater's HTTP seam: GET into memory or into a file, with progress and cancellation.
#pragma once

#include "launch/http_client.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zentrim {

enum class TransferOutcome {
    Done,
    Cancelled,
    NoConnection,
    Refused,
    Broken,
    TimedOut,
    ErrorStatus,
    TooLarge,
    Failed
};

struct TransferResult {
    TransferOutcome outcome = TransferOutcome::Done;
    int httpStatus = 0;            // the reply's status when one came
    std::uint32_t systemError = 0; // the system's error code behind a failure, for the message
};

// Told the bytes so far and the total the reply announced (0 when it announced none).
using TransferProgress = std::function<void(std::uint64_t received, std::uint64_t total)>;

struct UpdateAddress {
    bool secure = false;
    std::u16string host;
    std::uint16_t port = 80;
    std::u16string path; // starts with '/'
    static std::optional<UpdateAddress> Parse(std::u16string_view url);
};

class UpdateTransport {
public:
    virtual ~UpdateTransport() = default;
    virtual TransferResult Fetch(const UpdateAddress& address, std::size_t limit, std::string& body,
                                 const TransferProgress& progress) = 0;
    virtual TransferResult Download(const UpdateAddress& address, const std::filesystem::path& file,
                                    std::uint64_t limit, const TransferProgress& progress) = 0;
    virtual void Cancel() = 0;
};

std::unique_ptr<UpdateTransport> CreateWinHttpTransport(const HttpTimeouts& timeouts = kHttpTimeouts);

} // namespace zentrim
