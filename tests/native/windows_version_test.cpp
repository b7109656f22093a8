#include "engine/windows_version.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace zentrim {
namespace {

struct VersionCase {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t build;
    int productType;
    int expected;
};

TEST(WindowsVersionDecision, EveryFamilyAndBoundary) {
    const VersionCase cases[] = {
        // 5.x: 2000 and XP regardless of product type; 5.2 depends on it.
        {5, 0, 2195, 0, 0},
        {5, 0, 2195, 3, 0},
        {5, 1, 2600, 0, 1},
        {5, 1, 2600, 1, 1},
        {5, 2, 3790, 0, -1},
        {5, 2, 3790, 1, 1},
        {5, 2, 3790, 2, 2},
        {5, 2, 3790, 3, 2},
        {5, 3, 0, 1, -1},
        // 6.x: desktop or server by product type; 0 is unknown.
        {6, 0, 6002, 1, 3},
        {6, 0, 6002, 2, 4},
        {6, 0, 6002, 3, 4},
        {6, 0, 6002, 0, -1},
        {6, 1, 7601, 1, 5},
        {6, 1, 7601, 2, 4},
        {6, 1, 7601, 3, 4},
        {6, 1, 7601, 0, -1},
        {6, 2, 9200, 1, 6},
        {6, 2, 9200, 3, 7},
        {6, 2, 9200, 0, -1},
        {6, 3, 9600, 1, 6},
        {6, 3, 9600, 2, 7},
        {6, 3, 9600, 3, 7},
        {6, 3, 9600, 0, -1},
        {6, 4, 9841, 1, -1},
        {6, 4, 9841, 3, -1},
        // 10.x: the build alone tells 10 from 11, servers included.
        {10, 0, 19045, 1, 8},
        {10, 0, 21999, 1, 8},
        {10, 0, 22000, 1, 9},
        {10, 0, 26100, 1, 9},
        {10, 0, 20348, 3, 8},
        {10, 0, 26100, 3, 9},
        {10, 0, 21999, 0, 8},
        {10, 0, 22000, 0, 9},
        {10, 5, 0, 1, 8},
        // Majors of no family.
        {0, 0, 0, 0, -1},
        {4, 0, 1381, 1, -1},
        {4, 10, 1998, 1, -1},
        {7, 0, 0, 1, -1},
        {11, 0, 22000, 1, -1},
        {0xFFFFFFFFu, 0, 0, 1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecideWindowsVersion(c.major, c.minor, c.build, c.productType), c.expected)
            << c.major << "." << c.minor << "." << c.build << " product type " << c.productType;
    }
}

// A scripted version query: answers (or refuses) each record size and records what it was asked.
class FakeVersionSource final : public VersionSource {
public:
    struct Answer {
        bool succeeds = false;
        VersionRecord record;
    };

    Answer extended;
    Answer basic;
    bool throws = false;
    bool scribbleOnFailure = false;
    std::vector<VersionRecord> asked; // the record as it arrived at each query

    bool QueryVersion(VersionRecord& record) override {
        asked.push_back(record);
        if (throws) {
            throw std::runtime_error("query failed");
        }
        const Answer& answer = record.size == kExtendedVersionRecordSize ? extended : basic;
        if (!answer.succeeds) {
            if (scribbleOnFailure) {
                record.majorVersion = 6;
                record.minorVersion = 1;
                record.productType = 1;
            }
            return false;
        }
        const std::uint32_t size = record.size;
        record = answer.record;
        record.size = size;
        return true;
    }
};

VersionRecord Record(std::uint32_t major, std::uint32_t minor, std::uint32_t build, int productType) {
    VersionRecord record;
    record.majorVersion = major;
    record.minorVersion = minor;
    record.buildNumber = build;
    record.productType = productType;
    return record;
}

TEST(WindowsVersionDetection, ExtendedRecordIsAskedFirstAndAlone) {
    FakeVersionSource source;
    source.extended = {true, Record(6, 1, 7601, 3)};
    EXPECT_EQ(DetectWindowsVersion(source), 4);
    ASSERT_EQ(source.asked.size(), 1u);
    EXPECT_EQ(source.asked[0].size, 284u);
    EXPECT_EQ(source.asked[0].majorVersion, 0u);
    EXPECT_EQ(source.asked[0].productType, 0);
}

TEST(WindowsVersionDetection, BasicRecordFallbackHasNoProductType) {
    struct Case {
        VersionRecord basic;
        int expected;
    };
    // The fake even reports a product type in the basic record: it must not be used.
    const Case cases[] = {
        {Record(5, 1, 2600, 1), 1},  {Record(5, 2, 3790, 3), -1},  {Record(6, 1, 7601, 1), -1},
        {Record(6, 3, 9600, 1), -1}, {Record(10, 0, 19045, 1), 8}, {Record(10, 0, 22631, 1), 9},
    };
    for (const auto& c : cases) {
        FakeVersionSource source;
        source.scribbleOnFailure = true; // the failed query leaves junk that must be cleared
        source.basic = {true, c.basic};
        EXPECT_EQ(DetectWindowsVersion(source), c.expected)
            << c.basic.majorVersion << "." << c.basic.minorVersion;
        ASSERT_EQ(source.asked.size(), 2u);
        EXPECT_EQ(source.asked[0].size, 284u);
        EXPECT_EQ(source.asked[1].size, 276u);
        EXPECT_EQ(source.asked[1].majorVersion, 0u);
        EXPECT_EQ(source.asked[1].minorVersion, 0u);
        EXPECT_EQ(source.asked[1].productType, 0);
    }
}

TEST(WindowsVersionDetection, NoAnswerGivesUnknown) {
    FakeVersionSource failing;
    failing.scribbleOnFailure = true;
    EXPECT_EQ(DetectWindowsVersion(failing), -1);
    EXPECT_EQ(failing.asked.size(), 2u);

    FakeVersionSource throwing;
    throwing.throws = true;
    throwing.extended = {true, Record(10, 0, 22000, 1)};
    EXPECT_EQ(DetectWindowsVersion(throwing), -1);
}

} // namespace
} // namespace zentrim
