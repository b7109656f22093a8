// Windows Installer as the end-to-end tests use it: the packages of a release set, silent
// installs and uninstalls through msiexec, and the installed products of the Zentrim family.
#pragma once

#include "e2e/automation.h"
#include "e2e/catalogue_expectations.h"

#include <shlobj.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentrim::e2e {

// The one UpgradeCode every Zentrim package carries, whatever its version and architecture.
inline constexpr wchar_t kUpgradeCode[] = L"{6F6DAF57-4559-4F9F-9BC7-128498759872}";
inline constexpr Milliseconds kInstallLimit = 120s;

struct Package {
    std::wstring path;
    std::wstring version; // as the file name states it: Zentrim-<version>-<arch>[-development].msi
};

// The package of an architecture in a folder of the release set.
std::optional<Package> FindPackage(const std::wstring& folder, std::wstring_view arch);

std::wstring KnownFolder(REFKNOWNFOLDERID id);
// "<program files>\ORVANE\Zentrim\".
std::wstring InstallFolder(REFKNOWNFOLDERID programFiles);

// Runs Windows Installer as an administrator's script would; gives its exit code.
std::optional<DWORD> RunInstaller(const std::wstring& arguments);
std::optional<DWORD> Install(const Package& package, std::wstring_view ui = L"/qn");
// Uninstalls every product of the Zentrim family; gives whether none is left.
bool RemoveEveryZentrim();

// The installed products of the Zentrim family.
std::vector<std::wstring> InstalledProducts();
std::wstring ProductInfo(const std::wstring& product, const wchar_t* property);

} // namespace zentrim::e2e
