// An HTTP client for unit tests: records every request and gives a scripted answer.
#pragma once

#include "launch/http_client.h"

#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zentrim {

class ScriptedHttpClient final : public HttpClient {
public:
    // Answers every request with `body`, or fails every request when it holds nothing.
    explicit ScriptedHttpClient(std::optional<std::string> body) : body_(std::move(body)) {}

    // A client whose every request throws, as an allocation failure inside a real client would.
    static ScriptedHttpClient Throwing() {
        ScriptedHttpClient client(std::nullopt);
        client.throws_ = true;
        return client;
    }

    std::optional<std::string> Get(const HttpRequest& request) override {
        requests_.push_back(request);
        if (throws_) {
            throw std::bad_alloc();
        }
        return body_;
    }

    const std::vector<HttpRequest>& Requests() const { return requests_; }

private:
    std::optional<std::string> body_;
    bool throws_ = false;
    std::vector<HttpRequest> requests_;
};

} // namespace zentrim
