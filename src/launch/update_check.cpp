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

std::u16string UpdateQueryPath(std::u16string_view version) {
    std::u16string path = u"/downloads/update/?product=";
    path += kProductQueryName;
    path += u"&version=";
    path += version;
    return path;
}

HttpRequest UpdateRequest(const UpdateService& service) {
    HttpRequest request;
    request.host = service.host;
    request.port = service.port;
    request.pathAndQuery = UpdateQueryPath(kProductVersion);
    request.userAgent = kUpdateUserAgent;
    request.maxBodySize = kMaxUpdateReplySize;
    return request;
}

int CheckForUpdate(HttpClient& client, const UpdateService& service) noexcept {
    try {
        const std::optional<std::string> reply = client.Get(UpdateRequest(service));
        return reply ? UpdateReplyResult(*reply) : kUpdateCheckFailed;
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
