#include "engine/windows_version.h"

#include <windows.h>

namespace zentrim {

static_assert(sizeof(OSVERSIONINFOEXW) == kExtendedVersionRecordSize);
static_assert(sizeof(OSVERSIONINFOW) == kBasicVersionRecordSize);

namespace {

// GetVersionExW is marked deprecated by some SDKs; the program relies on its manifest-governed
// answer on purpose, so the warning is silenced for this one call only.
BOOL QuerySystemVersion(OSVERSIONINFOW* info) {
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    return GetVersionExW(info);
#if defined(_MSC_VER)
#pragma warning(pop)
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
}

} // namespace

bool Win32VersionSource::QueryVersion(VersionRecord& record) {
    if (record.size == kExtendedVersionRecordSize) {
        OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!QuerySystemVersion(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
            return false;
        }
        record.majorVersion = info.dwMajorVersion;
        record.minorVersion = info.dwMinorVersion;
        record.buildNumber = info.dwBuildNumber;
        record.productType = info.wProductType;
        return true;
    }
    if (record.size == kBasicVersionRecordSize) {
        OSVERSIONINFOW info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!QuerySystemVersion(&info)) {
            return false;
        }
        record.majorVersion = info.dwMajorVersion;
        record.minorVersion = info.dwMinorVersion;
        record.buildNumber = info.dwBuildNumber;
        return true;
    }
    return false; // no other record exists
}

int DetectWindowsVersion() noexcept {
    Win32VersionSource source;
    return DetectWindowsVersion(source);
}

} // namespace zentrim
