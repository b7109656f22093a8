// The program's WinHTTP client against a scripted server on the loopback address: the transfers of
// the updater (the update check's are in update_check_test.cpp).
#include "launch/http_client.h"

#include "support/loopback_http_server.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zentrim {
namespace {

using namespace std::chrono_literals;
using test_support::HttpReply;
using test_support::LoopbackHttpServer;
using test_support::ServerReply;
using Clock = std::chrono::steady_clock;

constexpr HttpTimeouts kShortTimeouts{2s, 2s, 2s, 1s};
constexpr HttpTimeouts kLongTimeouts{10s, 10s, 10s, 10s};

HttpAddress Address(const LoopbackHttpServer& server, std::u16string path = u"/downloads/Zentrim.msi") {
    return {HttpAddress::Scheme::Http, u"127.0.0.1", server.Port(), std::move(path)};
}

// A body whose every position differs from its neighbours', so a lost or doubled piece shows.
std::string Pattern(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        body[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    }
    return body;
}

std::string HeadOnly(int status, std::string_view reason, std::uint64_t contentLength) {
    return "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) +
           "\r\nContent-Length: " + std::to_string(contentLength) + "\r\nConnection: close\r\n\r\n";
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("zentrim-transport-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path File() const { return folder_ / L"Zentrim.msi"; }

    static std::string Content(const std::filesystem::path& file) {
        std::ifstream input(file, std::ios::binary);
        std::ostringstream content;
        content << input.rdbuf();
        return content.str();
    }

    std::filesystem::path folder_;
};

TEST_F(HttpClientTest, FetchGivesTheBodyOfA200) {
    LoopbackHttpServer server(HttpReply(200, "OK", "ORVANE update 2.10.22.2025\r\n"));
    ASSERT_TRUE(server.Listening());
    auto transport = CreatePlatformHttpClient(kShortTimeouts);
    std::string body = "left over";
    const TransferResult result =
        transport->Fetch(Address(server, u"/downloads/update/latest.txt?x=1"), 1024, body, {});
    EXPECT_EQ(result.outcome, TransferOutcome::Done);
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_EQ(body, "ORVANE update 2.10.22.2025\r\n");

    const std::string head = server.FirstRequestHead();
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /downloads/update/latest.txt?x=1 HTTP/1.1");
    EXPECT_NE(head.find("\r\nUser-Agent: Mozilla/4.0 (compatible; ORVANE)\r\n"), std::string::npos) << head;
}

TEST_F(HttpClientTest, FetchEndsAtTheLimit) {
    auto transport = CreatePlatformHttpClient(kShortTimeouts);
    std::string body;
    {
        LoopbackHttpServer server(HttpReply(200, "OK", std::string(100, 'x')));
        EXPECT_EQ(transport->Fetch(Address(server), 100, body, {}).outcome, TransferOutcome::Done)
            << "exactly";
        EXPECT_EQ(body.size(), 100u);
    }
    {
        LoopbackHttpServer server(HttpReply(200, "OK", std::string(101, 'x')));
        EXPECT_EQ(transport->Fetch(Address(server), 100, body, {}).outcome, TransferOutcome::TooLarge)
            << "one byte over, announced";
    }
    {
        // Without a length the body is read only to one byte past the limit.
        LoopbackHttpServer server(
            ServerReply{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(10 * 1024 * 1024, 'x'),
                        ServerReply::Then::Close});
        const auto started = Clock::now();
        EXPECT_EQ(transport->Fetch(Address(server), 1000, body, {}).outcome, TransferOutcome::TooLarge)
            << "unannounced";
        EXPECT_TRUE(body.empty()) << "a part of the body is given as if it were all";
        EXPECT_LT(Seconds(Clock::now() - started), 5.0);
    }
}

TEST_F(HttpClientTest, OtherStatusesAreErrorStatus) {
    auto transport = CreatePlatformHttpClient(kShortTimeouts);
    for (const auto& [status, reason] : std::vector<std::pair<int, std::string>>{
             {404, "Not Found"}, {500, "Internal Server Error"}, {204, "No Content"}}) {
        LoopbackHttpServer server(HttpReply(status, reason, "ORVANE"));
        std::string body;
        const TransferResult result = transport->Fetch(Address(server), 1024, body, {});
        EXPECT_EQ(result.outcome, TransferOutcome::ErrorStatus) << status;
        EXPECT_EQ(result.httpStatus, status);
    }
    // A redirect is not followed: one connection, and the redirect's status.
    LoopbackHttpServer server(
        {HttpReply(302, "Found", "", "Location: /elsewhere\r\n"), HttpReply(200, "OK", "no")});
    std::string body;
    const TransferResult result = transport->Fetch(Address(server), 1024, body, {});
    EXPECT_EQ(result.outcome, TransferOutcome::ErrorStatus);
    EXPECT_EQ(result.httpStatus, 302);
    EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST_F(HttpClientTest, NothingListeningIsRefused) {
    auto transport = CreatePlatformHttpClient(kShortTimeouts);
    const HttpAddress address{HttpAddress::Scheme::Http, u"127.0.0.1", LoopbackHttpServer::UnusedPort(),
                              u"/"};
    std::string body;
    const TransferResult fetched = transport->Fetch(address, 1024, body, {});
    EXPECT_EQ(fetched.outcome, TransferOutcome::Refused);
    EXPECT_EQ(fetched.systemError, static_cast<std::uint32_t>(ERROR_WINHTTP_CANNOT_CONNECT));
    EXPECT_EQ(fetched.httpStatus, 0);

    EXPECT_EQ(transport->Download(address, File(), 1024, {}).outcome, TransferOutcome::Refused);
    EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(HttpClientTest, AHostWithoutAddressIsNoConnection) {
    // ".invalid" never resolves (RFC 2606); the resolver's answer may take up to its time-out.
    auto transport = CreatePlatformHttpClient(kShortTimeouts);
    const auto started = Clock::now();
    std::string body;
    const TransferResult result = transport->Fetch(
        {HttpAddress::Scheme::Http, u"update.zentrim-test.invalid", 80, u"/"}, 1024, body, {});
    EXPECT_EQ(result.outcome, TransferOutcome::NoConnection) << "system error " << result.systemError;
    EXPECT_LT(Seconds(Clock::now() - started), 9.0);
}

TEST_F(HttpClientTest, DownloadWritesTheBodyAndReportsProgress) {
    const std::string package = Pattern(3 * 1024 * 1024 + 17);
    LoopbackHttpServer server(HttpReply(200, "OK", package));
    auto transport = CreatePlatformHttpClient(kShortTimeouts);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    const TransferResult result = transport->Download(
        Address(server), File(), package.size(),
        [&](std::uint64_t received, std::uint64_t total) { calls.emplace_back(received, total); });
    EXPECT_EQ(result.outcome, TransferOutcome::Done);
    EXPECT_TRUE(Content(File()) == package) << "the file differs from what was sent";

    ASSERT_GE(calls.size(), 2u);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].second, package.size()) << "call " << i;
        if (i > 0) {
            EXPECT_GT(calls[i].first, calls[i - 1].first) << "call " << i;
        }
    }
    EXPECT_EQ(calls.back().first, package.size());
}

TEST_F(HttpClientTest, DownloadWithoutAnnouncedLengthReportsTotalZero) {
    const std::string package = Pattern(100000);
    LoopbackHttpServer server(
        ServerReply{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + package, ServerReply::Then::Close});
    auto transport = CreatePlatformHttpClient(kShortTimeouts);
    std::uint64_t lastReceived = 0;
    std::uint64_t lastTotal = 1;
    const TransferResult result = transport->Download(Address(server), File(), 1024 * 1024,
                                                      [&](std::uint64_t received, std::uint64_t total) {
                                                          lastReceived = received;
                                                          lastTotal = total;
                                                      });
    EXPECT_EQ(result.outcome, TransferOutcome::Done);
    EXPECT_EQ(lastReceived, package.size());
    EXPECT_EQ(lastTotal, 0u);
    EXPECT_TRUE(Content(File()) == package);
}

TEST_F(HttpClientTest, DownloadsThatFailLeaveNoFile) {
    auto transport = CreatePlatformHttpClient(kShortTimeouts);
    const std::string part = Pattern(200000);
    struct Case {
        const char* name;
        ServerReply reply;
        std::uint64_t limit;
        TransferOutcome expected;
    };
    const std::vector<Case> cases = {
        {"shorter than its length, then closed",
         {HeadOnly(200, "OK", 500000) + part, ServerReply::Then::Close},
         1000000,
         TransferOutcome::Broken},
        {"reset in the middle of the body",
         {HeadOnly(200, "OK", 500000) + part, ServerReply::Then::Reset},
         1000000,
         TransferOutcome::Broken},
        {"announced over the limit", HttpReply(200, "OK", part), 199999, TransferOutcome::TooLarge},
        {"unannounced over the limit",
         {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + part, ServerReply::Then::Close},
         199999,
         TransferOutcome::TooLarge},
        {"not found", HttpReply(404, "Not Found", "gone"), 1000000, TransferOutcome::ErrorStatus},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server(c.reply);
        const TransferResult result = transport->Download(Address(server), File(), c.limit, {});
        EXPECT_EQ(result.outcome, c.expected) << c.name << " (system error " << result.systemError << ")";
        EXPECT_FALSE(std::filesystem::exists(File())) << c.name;
    }
}

TEST_F(HttpClientTest, AProgressCallbackThatThrowsLeavesNoFile) {
    LoopbackHttpServer server(HttpReply(200, "OK", Pattern(100000)));
    auto transport = CreatePlatformHttpClient(kShortTimeouts);
    EXPECT_THROW(
        transport->Download(Address(server), File(), 1000000,
                            [](std::uint64_t, std::uint64_t) { throw std::runtime_error("window gone"); }),
        std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(HttpClientTest, BodyThatStopsTimesOutInTime) {
    auto transport = CreatePlatformHttpClient(kShortTimeouts); // 1 s to receive
    LoopbackHttpServer server(
        ServerReply{HeadOnly(200, "OK", 500000) + Pattern(100000), ServerReply::Then::Hold});
    const auto started = Clock::now();
    const TransferResult result = transport->Download(Address(server), File(), 1000000, {});
    const double took = Seconds(Clock::now() - started);
    EXPECT_EQ(result.outcome, TransferOutcome::TimedOut) << "system error " << result.systemError;
    EXPECT_GE(took, 0.9);
    EXPECT_LT(took, 4.0);
    EXPECT_FALSE(std::filesystem::exists(File()));
    std::cout << "[          ] a stalled body ended after " << took << " s (receive time-out 1 s)\n";
}

TEST_F(HttpClientTest, CancelEndsAStalledDownloadAtOnce) {
    auto transport = CreatePlatformHttpClient(kLongTimeouts);
    LoopbackHttpServer server(
        ServerReply{HeadOnly(200, "OK", 500000) + Pattern(100000), ServerReply::Then::Hold});
    std::atomic<std::uint64_t> received{0};
    std::atomic<bool> ended{false};
    std::atomic<bool> cancelling{false};
    Clock::time_point cancelledAt;
    std::thread window([&] {
        // Cancel once the body has begun to arrive and the server has gone quiet.
        while (received == 0 && !ended) {
            std::this_thread::sleep_for(10ms);
        }
        std::this_thread::sleep_for(300ms);
        cancelledAt = Clock::now();
        cancelling = true;
        transport->Cancel();
    });
    const TransferResult result = transport->Download(
        Address(server), File(), 1000000, [&](std::uint64_t bytes, std::uint64_t) { received = bytes; });
    const auto endedAt = Clock::now();
    ended = true;
    window.join();
    ASSERT_TRUE(cancelling);
    const double latency = Seconds(endedAt - cancelledAt);
    EXPECT_EQ(result.outcome, TransferOutcome::Cancelled) << "system error " << result.systemError;
    EXPECT_EQ(received, 100000u) << "all that was sent before the server went quiet";
    EXPECT_LT(latency, 2.0);
    EXPECT_FALSE(std::filesystem::exists(File()));
    std::cout << "[          ] a stalled download ended " << latency * 1000 << " ms after Cancel\n";

    // Every later transfer ends as cancelled without reaching out.
    const int connections = server.ConnectionCount();
    std::string body;
    EXPECT_EQ(transport->Fetch(Address(server), 1024, body, {}).outcome, TransferOutcome::Cancelled);
    EXPECT_EQ(transport->Download(Address(server), File(), 1024, {}).outcome, TransferOutcome::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(File()));
    EXPECT_EQ(server.ConnectionCount(), connections);
}

TEST_F(HttpClientTest, CancelEndsTheWaitForASilentServer) {
    auto transport = CreatePlatformHttpClient(kLongTimeouts);
    LoopbackHttpServer server(ServerReply{"", ServerReply::Then::Hold});
    Clock::time_point cancelledAt;
    std::atomic<bool> ended{false};
    std::thread window([&] {
        while (server.ConnectionCount() == 0 && !ended) {
            std::this_thread::sleep_for(10ms);
        }
        std::this_thread::sleep_for(300ms);
        cancelledAt = Clock::now();
        transport->Cancel();
    });
    std::string body;
    const TransferResult result = transport->Fetch(Address(server), 1024, body, {});
    const auto endedAt = Clock::now();
    ended = true;
    window.join();
    const double latency = Seconds(endedAt - cancelledAt);
    EXPECT_EQ(result.outcome, TransferOutcome::Cancelled);
    EXPECT_LT(latency, 2.0);
    std::cout << "[          ] the wait for a silent server ended " << latency * 1000 << " ms after Cancel\n";
}

TEST_F(HttpClientTest, AnExistingFileIsNeitherReplacedNorRemoved) {
    LoopbackHttpServer server(HttpReply(200, "OK", "new package"));
    { std::ofstream(File(), std::ios::binary) << "the user's own file"; }
    auto transport = CreatePlatformHttpClient(kShortTimeouts);
    const TransferResult result = transport->Download(Address(server), File(), 1024, {});
    EXPECT_EQ(result.outcome, TransferOutcome::Failed);
    EXPECT_EQ(result.systemError, static_cast<std::uint32_t>(ERROR_FILE_EXISTS));
    EXPECT_EQ(Content(File()), "the user's own file");
    EXPECT_EQ(server.ConnectionCount(), 0);
}

} // namespace
} // namespace zentrim
