// WinHTTP against a scripted update service on the loopback address.
#include "launch/update_check.h"

#include "support/update_server_cases.h"

#include <gtest/gtest.h>

namespace zentrim {
namespace {

using test_support::ServerReply;

TEST(WinHttpUpdateCheck, RepliesGiveTheirResults) {
    test_support::ExpectEveryServerCase();
}

TEST(WinHttpUpdateCheck, SendsTheExactRequest) {
    test_support::ExpectTheExactRequest();
}

TEST(WinHttpUpdateCheck, NoServerGivesMinusOne) {
    test_support::ExpectNoServerGivesNoAnswer();
}

TEST(WinHttpUpdateCheck, ServerThatNeverAnswersEndsWithinTheTimeOut) {
    test_support::ExpectASilentServerEndsTheCheckInTime({"", ServerReply::Then::Hold},
                                                        "server that never answers");
}

TEST(WinHttpUpdateCheck, BodyThatStallsEndsWithinTheTimeOut) {
    test_support::ExpectASilentServerEndsTheCheckInTime(
        {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nORVANE|1", ServerReply::Then::Hold},
        "body that stalls");
}

} // namespace
} // namespace zentrim
