#include "engine/windows_version.h"

namespace zentrim {

namespace {

// Families told apart by the product type: desktop when 1, server when 2 or more, unknown when
// the record did not report it.
int ByProductType(int productType, int desktopCode, int serverCode) {
    if (productType == product_type::kWorkstation) {
        return desktopCode;
    }
    if (productType >= product_type::kDomainController) {
        return serverCode;
    }
    return detection_code::kUnknown;
}

} // namespace

int DecideWindowsVersion(std::uint32_t majorVersion, std::uint32_t minorVersion, std::uint32_t buildNumber,
                         int productType) noexcept {
    using namespace detection_code;
    switch (majorVersion) {
    case 5:
        switch (minorVersion) {
        case 0:
            return kWindows2000;
        case 1:
            return kWindowsXp;
        case 2:
            return ByProductType(productType, kWindowsXp, kServer2003); // XP x64 is 5.2 workstation
        default:
            return kUnknown;
        }
    case 6:
        switch (minorVersion) {
        case 0:
            return ByProductType(productType, kWindowsVista, kServer2008);
        case 1:
            return ByProductType(productType, kWindows7, kServer2008); // 2008 R2 shows as 2008
        case 2:
        case 3:
            return ByProductType(productType, kWindows8, kServer2012); // 8.1 and 2012 R2 alike
        default:
            return kUnknown;
        }
    case 10:
        // Desktop and server editions share major version 10; only the build tells 11 from 10.
        return buildNumber >= 22000 ? kWindows11 : kWindows10;
    default:
        return kUnknown;
    }
}

int DetectWindowsVersion(VersionSource& source) noexcept {
    try {
        VersionRecord record;
        record.size = kExtendedVersionRecordSize;
        if (source.QueryVersion(record)) {
            return DecideWindowsVersion(record.majorVersion, record.minorVersion, record.buildNumber,
                                        record.productType);
        }
        record = VersionRecord{};
        record.size = kBasicVersionRecordSize;
        if (source.QueryVersion(record)) {
            // The basic record has no product type, whatever the source left in the field.
            return DecideWindowsVersion(record.majorVersion, record.minorVersion, record.buildNumber,
                                        product_type::kNotReported);
        }
    } catch (...) {
        // a failing query counts as no answer
    }
    return detection_code::kUnknown;
}

} // namespace zentrim
