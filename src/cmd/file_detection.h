// Detection over a registry file taken from another computer: the Windows version from the keys
// Windows keeps it in, where the main window asks the running system, and whether the file comes
// from 32-bit or 64-bit Windows, which decides where Zentrim's product key lies in it.
#pragma once

#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"

#include <optional>
#include <string>
#include <vector>

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

enum class WindowsArchitecture { X86, X64 };

struct ArchitectureDecision {
    std::optional<WindowsArchitecture> architecture; // nothing when the file is refused
    std::string reason;                              // how the file told it, or why it is refused
};

// Which Windows a registry file comes from. 64-bit Windows has "SOFTWARE\WOW6432Node" and keeps the
// product key there; a product key only outside it is one of 32-bit Windows; else the
// "PROCESSOR_ARCHITECTURE" of the system environment tells; else it is taken as 64-bit. `given`
// (--arch) decides a file that does not tell, and must agree with one that does. A file holding
// the product key in both places with different content is refused: no one can tell which of the
// two backups is the user's.
ArchitectureDecision DecideFileArchitecture(const std::vector<StoredKey>& keys,
                                            std::optional<WindowsArchitecture> given);

} // namespace zentrim
