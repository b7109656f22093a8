#include "e2e/installer_probe.h"

#include <msi.h>

#include <filesystem>

namespace zentrim::e2e {

// The package of an architecture in a folder of the release set.
std::optional<Package> FindPackage(const std::wstring& folder, std::wstring_view arch) {
    // Zentrim-<version>-<arch>.msi, or Zentrim-<version>-<arch>-development.msi in a development set.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::wstring name = entry.path().filename().wstring();
        for (const std::wstring& suffix :
             {L"-" + std::wstring(arch) + L".msi", L"-" + std::wstring(arch) + L"-development.msi"}) {
            if (name.starts_with(L"Zentrim-") && name.ends_with(suffix)) {
                return Package{entry.path().wstring(), name.substr(8, name.size() - 8 - suffix.size())};
            }
        }
    }
    return std::nullopt;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) {
        result = path;
    }
    CoTaskMemFree(path);
    return result;
}

std::wstring InstallFolder(REFKNOWNFOLDERID programFiles) {
    return KnownFolder(programFiles) + L"\\ORVANE\\Zentrim\\";
}

// Runs Windows Installer as an administrator's script would; gives its exit code.
std::optional<DWORD> RunInstaller(const std::wstring& arguments) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    ChildProcess installer = ChildProcess::Start(std::wstring(system) + L"\\msiexec.exe", arguments, {});
    return installer.WaitForExit(kInstallLimit);
}
std::optional<DWORD> Install(const Package& package, std::wstring_view ui) {
    return RunInstaller(L"/i \"" + package.path + L"\" " + std::wstring(ui));
}

// The installed products of the Zentrim family.
std::vector<std::wstring> InstalledProducts() {
    std::vector<std::wstring> products;
    wchar_t code[39] = {};
    for (DWORD index = 0; MsiEnumRelatedProductsW(kUpgradeCode, 0, index, code) == ERROR_SUCCESS; ++index) {
        products.emplace_back(code);
    }
    return products;
}

std::wstring ProductInfo(const std::wstring& product, const wchar_t* property) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return MsiGetProductInfoW(product.c_str(), property, value, &size) == ERROR_SUCCESS ? value : L"";
}

bool RemoveEveryZentrim() {
    for (const std::wstring& product : InstalledProducts()) {
        RunInstaller(L"/x " + product + L" /qn");
    }
    return InstalledProducts().empty();
}

} // namespace zentrim::e2e
