// An HTTP client for unit tests of the update check: records every request and gives a scripted
// answer.
#pragma once

#include "launch/http_client.h"

#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zentrim {

struct ScriptedRequest {
    HttpAddress address;
    std::size_t limit = 0;
    ReplyTaking taking = ReplyTaking::WholeOf200;
};

class ScriptedHttpClient final : public HttpClient {
public:
    // Answers every GET with `body` (status 200), or fails every GET when it holds nothing.
    explicit ScriptedHttpClient(std::optional<std::string> body) : body_(std::move(body)) {}

    // A client whose every request throws, as an allocation failure inside a real client would.
    static ScriptedHttpClient Throwing() {
        ScriptedHttpClient client(std::nullopt);
        client.throws_ = true;
        return client;
    }

    TransferResult Fetch(const HttpAddress& address, std::size_t limit, std::string& body,
                         const TransferProgress&, ReplyTaking taking) override {
        requests_.push_back({address, limit, taking});
        if (throws_) {
            throw std::bad_alloc();
        }
        if (!body_) {
            body.clear();
            return {TransferOutcome::Refused, 0, 0};
        }
        // Handed over whole, past the limit too, as a client that ignores it would.
        body = *body_;
        return {TransferOutcome::Done, 200, 0};
    }
    TransferResult Download(const HttpAddress& address, const std::filesystem::path&, std::uint64_t limit,
                            const TransferProgress&) override {
        requests_.push_back({address, static_cast<std::size_t>(limit), ReplyTaking::WholeOf200});
        return {TransferOutcome::Failed, 0, 0};
    }
    void Cancel() override {}

    const std::vector<ScriptedRequest>& Requests() const { return requests_; }

private:
    std::optional<std::string> body_;
    bool throws_ = false;
    std::vector<ScriptedRequest> requests_;
};

} // namespace zentrim
