#include "engine/windows_version.h"

#include <gtest/gtest.h>

namespace zentrim {
namespace {

TEST(WindowsVersionQuery, ExtendedRecordReportsAProductType) {
    Win32VersionSource source;
    VersionRecord record;
    record.size = kExtendedVersionRecordSize;
    ASSERT_TRUE(source.QueryVersion(record));
    EXPECT_GE(record.majorVersion, 5u);
    EXPECT_GE(record.productType, 1);
    EXPECT_LE(record.productType, 3);
}

TEST(WindowsVersionQuery, BasicRecordReportsTheSameVersion) {
    Win32VersionSource source;
    VersionRecord extended;
    extended.size = kExtendedVersionRecordSize;
    ASSERT_TRUE(source.QueryVersion(extended));

    VersionRecord basic;
    basic.size = kBasicVersionRecordSize;
    ASSERT_TRUE(source.QueryVersion(basic));
    EXPECT_EQ(basic.majorVersion, extended.majorVersion);
    EXPECT_EQ(basic.minorVersion, extended.minorVersion);
    EXPECT_EQ(basic.buildNumber, extended.buildNumber);
    EXPECT_EQ(basic.productType, 0);
}

TEST(WindowsVersionQuery, UnknownRecordSizeFails) {
    Win32VersionSource source;
    VersionRecord record;
    record.size = 100;
    EXPECT_FALSE(source.QueryVersion(record));
}

TEST(WindowsVersionQuery, DetectionAgreesWithTheReportedVersion) {
    Win32VersionSource source;
    VersionRecord record;
    record.size = kExtendedVersionRecordSize;
    ASSERT_TRUE(source.QueryVersion(record));

    const int code = DetectWindowsVersion();
    EXPECT_EQ(code, DecideWindowsVersion(record.majorVersion, record.minorVersion, record.buildNumber,
                                         record.productType));
    EXPECT_GE(code, 0) << record.majorVersion << "." << record.minorVersion << "." << record.buildNumber;
    EXPECT_LE(code, 9);
    // Wine's default prefix reports Windows 7 workstation.
    if (record.majorVersion == 6 && record.minorVersion == 1 && record.productType == 1) {
        EXPECT_EQ(code, detection_code::kWindows7);
    }
}

} // namespace
} // namespace zentrim
