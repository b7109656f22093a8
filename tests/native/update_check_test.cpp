#include "launch/update_check.h"

#include "launch/scripted_http_client.h"
#include "support/update_server_cases.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zentrim {
namespace {

using test_support::ServerReply;

int CheckWithReply(std::optional<std::string> body) {
    ScriptedHttpClient client(std::move(body));
    return CheckForUpdate(client);
}

TEST(UpdateCheckTokens, FirstTokenInTheFixedOrderDecides) {
    const struct {
        const char* body;
        int expected;
    } cases[] = {
        {"ORVANE|0", 0},
        {"ORVANE|1", 1},
        {"ORVANE|2", 2},
        {"ORVANE|1\n", 1},
        {"A new version is ready: ORVANE|1. Thank you.", 1},
        {"ORVANE|17", 1}, // what follows a token does not matter
        {"ORVANE|1 ORVANE|0", 0},
        {"ORVANE|2 ORVANE|1", 1},
        {"ORVANE|2ORVANE|0", 0},
        {"orvane|1", -1},
        {"Orvane|1", -1},
        {"ORVANE|3", -1},
        {"ORVANE|", -1},
        {"ORVANE 1", -1},
        {"", -1},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(CheckWithReply(testCase.body), testCase.expected) << testCase.body;
    }
}

TEST(UpdateCheckTokens, ATokenAfterANulByteStillCounts) {
    // The reply is searched as bytes, not as a C string.
    EXPECT_EQ(CheckWithReply(std::string("\0\0ORVANE|1", 10)), 1);
}

TEST(UpdateCheckTokens, NoReplyOrAFailingClientGivesMinusOne) {
    EXPECT_EQ(CheckWithReply(std::nullopt), -1);
    ScriptedHttpClient throwing = ScriptedHttpClient::Throwing();
    EXPECT_EQ(CheckForUpdate(throwing), -1);
    EXPECT_EQ(throwing.Requests().size(), 1u);
}

TEST(UpdateCheckTokens, OnlyTheFirst64KiBAreSearched) {
    // A client that hands over more than it was asked for is cut here too.
    std::string body(kMaxUpdateReplySize + 100, 'x');
    body.replace(kMaxUpdateReplySize, 8, "ORVANE|1");
    EXPECT_EQ(CheckWithReply(body), -1);
    body.replace(kMaxUpdateReplySize - 8, 8, "ORVANE|2");
    EXPECT_EQ(CheckWithReply(body), 2);
}

TEST(UpdateCheckRequest, AsksTheMakersServiceOnce) {
    ScriptedHttpClient client("ORVANE|0");
    EXPECT_EQ(CheckForUpdate(client), 0);
    ASSERT_EQ(client.Requests().size(), 1u);
    const ScriptedRequest& request = client.Requests().front();
    EXPECT_EQ(request.address.host, u"update.orvane.com");
    EXPECT_EQ(request.address.port, 80);
    EXPECT_FALSE(request.address.Secure());
    EXPECT_EQ(request.address.path, u"/downloads/update/?product=zentrim&version=2.10.21.2024");
    EXPECT_EQ(request.limit, 64u * 1024u);
    EXPECT_EQ(request.taking, ReplyTaking::StartOfAny2xx); // the start of any 2xx reply
}

// libcurl against a real server on the loopback address.
TEST(UpdateCheckOverHttp, RepliesGiveTheirResults) {
    test_support::ExpectEveryServerCase();
}

TEST(UpdateCheckOverHttp, SendsTheExactRequest) {
    test_support::ExpectTheExactRequest();
}

TEST(UpdateCheckOverHttp, NoServerGivesMinusOne) {
    test_support::ExpectNoServerGivesNoAnswer();
}

TEST(UpdateCheckOverHttp, ServerThatNeverAnswersEndsWithinTheTimeOut) {
    test_support::ExpectASilentServerEndsTheCheckInTime({"", ServerReply::Then::Hold},
                                                        "server that never answers");
}

TEST(UpdateCheckOverHttp, BodyThatStallsEndsWithinTheTimeOut) {
    test_support::ExpectASilentServerEndsTheCheckInTime(
        {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nORVANE|1", ServerReply::Then::Hold},
        "body that stalls");
}

TEST(UpdateCheckOverHttp, HostThatDoesNotResolveGivesMinusOne) {
    const auto client = CreatePlatformHttpClient(test_support::kTestTimeouts);
    EXPECT_EQ(CheckForUpdate(*client, {HttpAddress::Scheme::Http, u"update.invalid", 80, u"/"}), -1);
}

} // namespace
} // namespace zentrim
