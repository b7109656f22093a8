// Detection over a registry file taken from another computer: the Windows version from the keys
// Windows keeps it in, where the main window asks the running system.
#pragma once

#include "engine/custom_registry.h"

namespace zentrim {

inline constexpr std::u16string_view kCurrentVersionKeyPath =
    u"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
inline constexpr std::u16string_view kProductOptionsKeyPath =
    u"\\SYSTEM\\CurrentControlSet\\Control\\ProductOptions\\";

// The detection code for the Windows whose registry this is (HKEY_LOCAL_MACHINE, 64-bit view):
// "CurrentMajorVersionNumber" and "CurrentMinorVersionNumber", else "CurrentVersion" ("6.1");
// "CurrentBuildNumber" (or "CurrentBuild"); the product type from "ProductType" of the product
// options ("WinNT", "LanmanNT", "ServerNT"), else from "InstallationType" ("Client", "Server").
// -1 when the values do not tell.
int DetectWindowsFromRegistry(const CustomRegistry& registry);

// Whether the registry holds the processor's name, which detection reads.
bool HasProcessorName(const CustomRegistry& registry);

} // namespace zentrim
