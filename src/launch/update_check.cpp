#include "launch/update_check.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace zentrim {

namespace {

// Tested in this order; the first one the reply contains decides, wherever it stands.
constexpr std::array<std::pair<std::string_view, int>, 3> kReplyTokens{{
    {"ORVANE|0", 0},
    {"ORVANE|1", 1},
    {"ORVANE|2", 2},
}};

} // namespace

int UpdateReplyResult(std::string_view reply) {
    reply = reply.substr(0, kMaxUpdateReplySize);
    for (const auto& [token, result] : kReplyTokens) {
        if (reply.find(token) != std::string_view::npos) {
            return result;
        }
    }
    return kUpdateCheckFailed;
}

HttpAddress MakerUpdateService() {
    HttpAddress service;
    service.host = std::u16string(kUpdateHost);
    service.path = std::u16string(kUpdateFolderPath);
    return service;
}

std::u16string UpdateQueryPath(std::u16string_view version) {
    std::u16string path = std::u16string(kUpdateFolderPath) + u"?product=";
    path += kProductQueryName;
    path += u"&version=";
    path += version;
    return path;
}

int CheckForUpdate(HttpClient& client, const HttpAddress& service) noexcept {
    try {
        std::string reply;
        const TransferResult result =
            client.Fetch(service.At(UpdateQueryPath(kProductVersion)), kMaxUpdateReplySize, reply, {},
                         ReplyTaking::StartOfAny2xx);
        return result.outcome == TransferOutcome::Done ? UpdateReplyResult(reply) : kUpdateCheckFailed;
    } catch (...) {
        // Whatever went wrong, the check has no answer.
        return kUpdateCheckFailed;
    }
}

int CheckForUpdate() noexcept {
    try {
        const std::unique_ptr<HttpClient> client = CreatePlatformHttpClient(kHttpTimeouts);
        return client ? CheckForUpdate(*client) : kUpdateCheckFailed;
    } catch (...) {
        return kUpdateCheckFailed;
    }
}

} // namespace zentrim
