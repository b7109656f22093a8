// A version source that answers as Windows 10 (a workstation, build 19045) for window tests.
#pragma once

#include "engine/windows_version.h"

namespace zentrim::testing {

struct Windows10Source final : VersionSource {
    bool QueryVersion(VersionRecord& record) override {
        record.majorVersion = 10;
        record.minorVersion = 0;
        record.buildNumber = 19045;
        record.productType = product_type::kWorkstation;
        return true;
    }
};

} // namespace zentrim::testing
