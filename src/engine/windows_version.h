// Windows version detection: which Windows family the running system belongs to, as a detection
// code that only preselects an entry of the Windows list. The decision is a pure function of four
// numbers of the version record; the query that fills the record is a seam.
#pragma once

#include <cstdint>

namespace zentrim {

// Detection codes, the result of DetectWindowsVersion.
namespace detection_code {
inline constexpr int kUnknown = -1;
inline constexpr int kWindows2000 = 0;
inline constexpr int kWindowsXp = 1; // XP, and XP x64 (5.2 workstation)
inline constexpr int kServer2003 = 2;
inline constexpr int kWindowsVista = 3;
inline constexpr int kServer2008 = 4; // Server 2008 and 2008 R2
inline constexpr int kWindows7 = 5;
inline constexpr int kWindows8 = 6;   // 8 and 8.1
inline constexpr int kServer2012 = 7; // Server 2012 and 2012 R2
inline constexpr int kWindows10 = 8;
inline constexpr int kWindows11 = 9;
} // namespace detection_code

// Product types as the extended version record reports them; 0 when not reported.
namespace product_type {
inline constexpr int kNotReported = 0;
inline constexpr int kWorkstation = 1;
inline constexpr int kDomainController = 2;
inline constexpr int kServer = 3;
} // namespace product_type

// Sizes of the two version records: the extended one (with service pack, suite and product type)
// and the basic one, which reports no product type.
inline constexpr std::uint32_t kExtendedVersionRecordSize = 284;
inline constexpr std::uint32_t kBasicVersionRecordSize = 276;

// The part of a version record the detection uses. `size` is set by the caller before a query and
// tells the source which record it is asked to fill.
struct VersionRecord {
    std::uint32_t size = 0;
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    int productType = product_type::kNotReported;
};

// One version query of the system: fills the record whose size is given in `record.size` and
// reports whether it succeeded. A source asked for the basic record leaves productType alone.
class VersionSource {
public:
    virtual ~VersionSource() = default;
    virtual bool QueryVersion(VersionRecord& record) = 0;
};

// The detection code for a version: the first matching family, or -1. A product type of 0 where
// the family depends on it, and any minor version of 5 or 6 that names no family, give -1.
int DecideWindowsVersion(std::uint32_t majorVersion, std::uint32_t minorVersion, std::uint32_t buildNumber,
                         int productType) noexcept;

// Queries the extended record; when that fails, the basic one (the product type then stays 0).
// Both failing, or any failure inside, gives -1.
int DetectWindowsVersion(VersionSource& source) noexcept;

#if defined(_WIN32)
// The system's own version query (GetVersionExW).
class Win32VersionSource final : public VersionSource {
public:
    bool QueryVersion(VersionRecord& record) override;
};

// DetectWindowsVersion over the system's own query.
int DetectWindowsVersion() noexcept;
#endif

} // namespace zentrim
