// Replies of a scripted update service and the result the update check must draw from each.
// Both the libcurl client (natively) and the WinHTTP client (under Wine) are run through them.
#pragma once

#include "launch/http_client.h"
#include "launch/update_check.h"
#include "support/loopback_http_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <iostream>
#include <string>
#include <vector>

namespace zentrim::test_support {

struct UpdateServerCase {
    const char* name;
    std::vector<ServerReply> replies;
    int expected;
};

// A body of `size` bytes of filler with `token` written at `position`.
inline std::string LargeBody(std::size_t size, std::size_t position, std::string_view token) {
    std::string body(size, 'x');
    body.replace(position, token.size(), token);
    return body;
}

inline std::vector<UpdateServerCase> UpdateServerCases() {
    constexpr std::size_t kTenMegabytes = 10 * 1024 * 1024;
    constexpr std::size_t kLimit = 64 * 1024;
    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                          "4\r\nORVA\r\n4\r\nNE|2\r\n0\r\n\r\n";
    std::string closeDelimited = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nversion news: ORVANE|1";
    return {
        {"token 0", {HttpReply(200, "OK", "ORVANE|0")}, 0},
        {"token 1 and a line break", {HttpReply(200, "OK", "ORVANE|1\r\n")}, 1},
        {"token 2 amid text", {HttpReply(200, "OK", "<html>ORVANE|2</html>")}, 2},
        {"token 1 before token 0 gives 0", {HttpReply(200, "OK", "ORVANE|1 ORVANE|0")}, 0},
        {"lower-case token", {HttpReply(200, "OK", "orvane|1")}, -1},
        {"404 with a token", {HttpReply(404, "Not Found", "ORVANE|1")}, -1},
        {"500 with a token", {HttpReply(500, "Internal Server Error", "ORVANE|1")}, -1},
        {"empty body", {HttpReply(200, "OK", "")}, -1},
        // Redirects are not followed, and a redirect's own body is no answer.
        {"redirect",
         {HttpReply(302, "Found", "ORVANE|1", "Location: /moved\r\n"), HttpReply(200, "OK", "ORVANE|0")},
         -1},
        {"chunked body", {{chunked, ServerReply::Then::Close}}, 2},
        {"body that ends with the connection", {{closeDelimited, ServerReply::Then::Close}}, 1},
        {"connection reset", {{"", ServerReply::Then::Reset}}, -1},
        {"reset in the middle of the body",
         {{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nORVANE|1", ServerReply::Then::Reset}},
         -1},
        // Only the first 64 KiB of the body count.
        {"10 MB body, token at the start",
         {HttpReply(200, "OK", LargeBody(kTenMegabytes, 0, "ORVANE|1"))},
         1},
        {"10 MB body, token ends at 64 KiB",
         {HttpReply(200, "OK", LargeBody(kTenMegabytes, kLimit - 8, "ORVANE|1"))},
         1},
        {"10 MB body, token across 64 KiB",
         {HttpReply(200, "OK", LargeBody(kTenMegabytes, kLimit - 4, "ORVANE|1"))},
         -1},
        {"10 MB body, token after 64 KiB",
         {HttpReply(200, "OK", LargeBody(kTenMegabytes, kLimit, "ORVANE|1"))},
         -1},
    };
}

// The request line every check must send.
inline constexpr std::string_view kExpectedRequestLine =
    "GET /downloads/update/?product=zentrim&version=2.10.21.2024 HTTP/1.1";
inline constexpr std::string_view kExpectedUserAgentLine = "User-Agent: Mozilla/4.0 (compatible; ORVANE)";

// Short time-outs, so that the cases of a silent server end in seconds.
inline constexpr HttpTimeouts kTestTimeouts{std::chrono::seconds(1), std::chrono::seconds(1),
                                            std::chrono::seconds(1), std::chrono::seconds(1)};

inline HttpAddress LoopbackService(std::uint16_t port) {
    HttpAddress service = MakerUpdateService();
    service.host = u"127.0.0.1";
    service.port = port;
    return service;
}

// Runs every case against a fresh server and a fresh client.
inline void ExpectEveryServerCase() {
    for (const UpdateServerCase& serverCase : UpdateServerCases()) {
        SCOPED_TRACE(serverCase.name);
        LoopbackHttpServer server(serverCase.replies);
        ASSERT_TRUE(server.Listening());
        const auto client = CreatePlatformHttpClient(kTestTimeouts);
        EXPECT_EQ(CheckForUpdate(*client, LoopbackService(server.Port())), serverCase.expected);
        EXPECT_GE(server.ConnectionCount(), 1);
    }
}

// The request line and the User-Agent reach the server exactly as the service expects them.
inline void ExpectTheExactRequest() {
    LoopbackHttpServer server(HttpReply(200, "OK", "ORVANE|1"));
    ASSERT_TRUE(server.Listening());
    const auto client = CreatePlatformHttpClient(kTestTimeouts);
    EXPECT_EQ(CheckForUpdate(*client, LoopbackService(server.Port())), 1);

    const std::string head = server.FirstRequestHead();
    const std::string_view requestLine = std::string_view(head).substr(0, head.find("\r\n"));
    EXPECT_EQ(requestLine, kExpectedRequestLine);
    std::size_t userAgents = 0;
    std::size_t start = head.find("\r\n");
    while (start != std::string::npos) {
        start += 2;
        const std::size_t end = head.find("\r\n", start);
        const std::string_view line =
            std::string_view(head).substr(start, end == std::string::npos ? end : end - start);
        if (line.substr(0, 11) == "User-Agent:") {
            ++userAgents;
            EXPECT_EQ(line, kExpectedUserAgentLine);
        }
        start = end;
    }
    EXPECT_EQ(userAgents, 1u) << head;
    EXPECT_EQ(server.ConnectionCount(), 1);
}

inline void ExpectNoServerGivesNoAnswer() {
    const std::uint16_t port = LoopbackHttpServer::UnusedPort();
    ASSERT_NE(port, 0);
    const auto client = CreatePlatformHttpClient(kTestTimeouts);
    EXPECT_EQ(CheckForUpdate(*client, LoopbackService(port)), -1);
}

// A server that takes the connection and never answers, or stops in the middle of its body: the
// check ends with -1 within its time-outs.
inline void ExpectASilentServerEndsTheCheckInTime(ServerReply reply, const char* what) {
    LoopbackHttpServer server(std::move(reply));
    ASSERT_TRUE(server.Listening());
    const auto client = CreatePlatformHttpClient(kTestTimeouts);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CheckForUpdate(*client, LoopbackService(server.Port())), -1);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_LE(elapsed, kTestTimeouts.Total()) << what;
    std::cout << "[ measured ] " << what << ": the check ended after " << elapsed.count() << " ms\n";
}

} // namespace zentrim::test_support
