// The installer packages as an administrator uses them, under Wine in a prefix of their own: silent
// install and uninstall, the files side by side, the Start-menu shortcut, the entry in Apps and
// Features, the installed program started from there, a major upgrade from an older package, an
// older package refused over a newer one, and a backup in the product key that outlives an
// uninstall. Run with --packages=DIR (the release set) and --older-packages=DIR (the same packages
// with a lower version).
#include "e2e/help_window.h"
#include "e2e/installer_probe.h"
#include "e2e/program_session.h"
#include "e2e/registry_probe.h"

#include <gtest/gtest.h>
#include <msi.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zentrim::e2e {
namespace {

// Where Windows Installer put the Start-menu shortcut: the common Start menu on Windows; Wine
// puts a per-machine package's shortcuts into the installing user's.
std::optional<std::wstring> FindShortcut() {
    for (const auto& folder : {KnownFolder(FOLDERID_CommonPrograms), KnownFolder(FOLDERID_Programs)}) {
        const std::wstring path = folder + L"\\Zentrim.lnk";
        if (FileExists(path)) {
            return path;
        }
    }
    return std::nullopt;
}

struct ShortcutTarget {
    std::wstring program;
    std::wstring workingFolder;
};
std::optional<ShortcutTarget> ReadShortcut(const std::wstring& path) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) {
        return std::nullopt;
    }
    std::optional<ShortcutTarget> target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(&file)))) {
        wchar_t program[MAX_PATH] = {};
        wchar_t folder[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
            SUCCEEDED(link->GetPath(program, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
            SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH))) {
            target = ShortcutTarget{program, folder};
        }
        file->Release();
    }
    link->Release();
    return target;
}

bool SameFolder(std::wstring a, std::wstring b) {
    const auto trim = [](std::wstring& path) {
        while (!path.empty() && path.back() == L'\\') {
            path.pop_back();
        }
        CharLowerBuffW(path.data(), static_cast<DWORD>(path.size()));
    };
    trim(a);
    trim(b);
    return a == b;
}

std::optional<FILETIME> LastWrite(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return data.ftLastWriteTime;
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        if (Options().packages.empty() || Options().olderPackages.empty()) {
            GTEST_SKIP() << "needs --packages=DIR and --older-packages=DIR";
        }
        x64_ = FindPackage(Options().packages, L"x64");
        x86_ = FindPackage(Options().packages, L"x86");
        older_ = FindPackage(Options().olderPackages, L"x64");
        ASSERT_TRUE(x64_ && x86_ && older_) << "the release set and the older packages must be built first";
        ASSERT_NE(x64_->version, older_->version);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_TRUE(RemoveEveryZentrim());
    }
    void TearDown() override {
        if (x64_) {
            RemoveEveryZentrim();
            DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKeyPath);
            CoUninitialize();
        }
    }

    // One installed Zentrim at `version`: one product of the family, one entry in Apps and Features.
    void ExpectOneInstalledCopy(const std::wstring& version) {
        const std::vector<std::wstring> products = InstalledProducts();
        ASSERT_EQ(products.size(), 1u);
        EXPECT_EQ(Narrow(ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING)), Narrow(version));
        EXPECT_EQ(Narrow(ProductInfo(products[0], INSTALLPROPERTY_INSTALLEDPRODUCTNAME)), "Zentrim");
        EXPECT_EQ(Narrow(ProductInfo(products[0], INSTALLPROPERTY_PUBLISHER)), "ORVANE");
    }

    std::optional<Package> x64_, x86_, older_;
};

TEST_F(Installer, X64PackageInstallsSilentlyAndItsProgramRunsFromThere) {
    ASSERT_EQ(Install(*x64_), 0u);

    const std::wstring folder = InstallFolder(FOLDERID_ProgramFiles);
    for (const wchar_t* file :
         {L"Zentrim.exe", L"ZentrimUpdate.exe", L"ZentrimCmd.exe", L"Zentrim.chm", L"License.rtf"}) {
        EXPECT_TRUE(FileExists(folder + file)) << Narrow(folder + file);
    }
    ExpectOneInstalledCopy(x64_->version);
    const std::wstring product = InstalledProducts().front();
    EXPECT_TRUE(SameFolder(ProductInfo(product, INSTALLPROPERTY_INSTALLLOCATION), folder));
    const std::wstring icon = ProductInfo(product, INSTALLPROPERTY_PRODUCTICON);
    EXPECT_TRUE(!icon.empty() && FileExists(icon)) << "Apps and Features shows the icon: " << Narrow(icon);
    EXPECT_EQ(Narrow(ProductInfo(product, INSTALLPROPERTY_HELPLINK)), "http://www.orvane.com/support/");

    const auto shortcut = FindShortcut();
    ASSERT_TRUE(shortcut) << "no Start-menu shortcut";
    const auto target = ReadShortcut(*shortcut);
    ASSERT_TRUE(target);
    EXPECT_TRUE(SameFolder(target->program, folder + L"Zentrim.exe")) << Narrow(target->program);
    EXPECT_TRUE(SameFolder(target->workingFolder, folder)) << Narrow(target->workingFolder);

    // Started from the install folder with another working folder, it finds its catalogue.
    ChildProcess program =
        ChildProcess::Start(folder + L"Zentrim.exe", L"", {}, KnownFolder(FOLDERID_Windows));
    ASSERT_TRUE(program.Started());
    const HWND main = WaitForMainWindow(program.Id());
    ASSERT_NE(main, nullptr);
    SaveArtifact(main, L"installed-main-window");
    EXPECT_EQ(Narrow(WindowText(main)), "Zentrim - Make your computer, games & internet run faster");
    const MainWindowView view(main);
    EXPECT_NE(view.GoButton(), nullptr) << "the catalogue's \"&Optimize now\" caption";
    EXPECT_NE(view.RestoreButton(), nullptr) << "the catalogue's \"&Restore\" caption";
    // Its help request opens the installed "Zentrim.chm" in the window type "HelpWindow".
    ExpectF1OpensMainTopic(program.Id(), main, L"installed-help-window");
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(20s), 0u);
}

TEST_F(Installer, UpgradeFromAnOlderVersionLeavesOneCopyAtTheNewerVersion) {
    ASSERT_EQ(Install(*older_, L"LANGUAGE=polish /qn"), 0u);
    ExpectOneInstalledCopy(older_->version);
    ASSERT_EQ(Install(*x64_), 0u);
    ExpectOneInstalledCopy(x64_->version);
    // The upgrade, as the updater starts it without LANGUAGE, keeps the language chosen before.
    EXPECT_EQ(TextOf(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Language")), std::wstring(L"polish"));
    EXPECT_TRUE(FileExists(InstallFolder(FOLDERID_ProgramFiles) + L"Zentrim.exe"));
    EXPECT_TRUE(FindShortcut());
}

TEST_F(Installer, AnOlderPackageNeverReplacesANewerVersion) {
    ASSERT_EQ(Install(*x64_), 0u);
    const std::wstring product = InstalledProducts().front();
    const std::wstring program = InstallFolder(FOLDERID_ProgramFiles) + L"Zentrim.exe";
    const auto written = LastWrite(program);
    ASSERT_TRUE(written);

    const auto silent = Install(*older_);
    EXPECT_TRUE(silent && *silent != 0u) << "a silent downgrade must fail";

    // With the basic interface the administrator reads why.
    ChildProcess shown = ChildProcess::Start(
        [] {
            wchar_t system[MAX_PATH] = {};
            GetSystemDirectoryW(system, MAX_PATH);
            return std::wstring(system) + L"\\msiexec.exe";
        }(),
        L"/i \"" + older_->path + L"\" /qb", {});
    const auto box = WaitForMessageBoxOfProcess(shown.Id(), 30s);
    ASSERT_TRUE(box) << "no message about the newer version";
    EXPECT_NE(Narrow(box->text).find("A newer version of Zentrim is already installed"), std::string::npos)
        << Narrow(box->text);
    SaveArtifact(box->window, L"downgrade-message");
    AnswerMessageBox(*box, IDOK);
    const auto code = shown.WaitForExit(30s);
    EXPECT_TRUE(code && *code != 0u);

    EXPECT_EQ(InstalledProducts(), std::vector<std::wstring>{product});
    ExpectOneInstalledCopy(x64_->version);
    const auto after = LastWrite(program);
    ASSERT_TRUE(after);
    EXPECT_EQ(CompareFileTime(&*written, &*after), 0) << "the installed program was replaced";
}

TEST_F(Installer, UninstallRemovesTheProgramButKeepsAProductKeyWithABackup) {
    ASSERT_EQ(Install(*x64_), 0u);
    // What an optimize run leaves: the flag, a backup value and an entry of the record.
    ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Restore", DwordValue(1)));
    ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"MaxConnectionsPerServer", DwordValue(2)));
    ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kOriginalsKeyPath, L"entry", BinaryValue({1, 2, 3})));

    ASSERT_EQ(RunInstaller(L"/x \"" + x64_->path + L"\" /qn"), 0u);

    const std::wstring folder = InstallFolder(FOLDERID_ProgramFiles);
    for (const wchar_t* file :
         {L"Zentrim.exe", L"ZentrimUpdate.exe", L"ZentrimCmd.exe", L"Zentrim.chm", L"License.rtf"}) {
        EXPECT_FALSE(FileExists(folder + file)) << Narrow(folder + file);
    }
    EXPECT_FALSE(FindShortcut());
    EXPECT_TRUE(InstalledProducts().empty());
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Restore"), DwordValue(1));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"MaxConnectionsPerServer"), DwordValue(2));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kOriginalsKeyPath, L"entry"), BinaryValue({1, 2, 3}));
}

TEST_F(Installer, LanguagePropertyIsWrittenAndUninstallRemovesOnlyThatValue) {
    ASSERT_EQ(Install(*x64_, L"LANGUAGE=french /qn"), 0u);
    EXPECT_EQ(TextOf(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Language")), L"french");
    EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE, kProductKeyPath), std::vector<std::wstring>{L"Language"})
        << "the package writes nothing else in the product key";

    ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Restore", DwordValue(1)));
    ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kOriginalsKeyPath, L"entry", BinaryValue({1, 2, 3})));
    ASSERT_EQ(RunInstaller(L"/x \"" + x64_->path + L"\" /qn"), 0u);
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Language"));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Restore"), DwordValue(1));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kOriginalsKeyPath, L"entry"), BinaryValue({1, 2, 3}));
}

// Which language an install writes: LANGUAGE in any letter case (one that names no catalogue gives
// english), else a "Language" already stored (an update started without LANGUAGE keeps the
// administrator's choice), else the installing user's display language. Wine takes a process's
// display language from its Unix locale only when started from a shell, so the display languages
// are checked on the package's conditions (release_checks) and here only as English.
TEST_F(Installer, LanguageComesFromThePropertyOrTheStoredValue) {
    struct Case {
        const wchar_t* stored; // "Language" before the install, or none
        const wchar_t* property;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {nullptr, L"LANGUAGE=RUSSIAN", L"russian"},
        {nullptr, L"LANGUAGE=klingon", L"english"},
        {L"dutch", L"LANGUAGE=italian", L"italian"},
        {L"Polish", L"", L"polish"},
        {L"klingon", L"", L"english"},
        {nullptr, L"LANGUAGE=", L"english"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(std::wstring(c.stored ? c.stored : L"-") + L" " + c.property));
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKeyPath);
        if (c.stored) {
            ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Language", StringValue(c.stored)));
        }
        ASSERT_EQ(RunInstaller(L"/i \"" + x64_->path + L"\" " + c.property + L" /qn"), 0u);
        EXPECT_EQ(TextOf(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Language")),
                  std::wstring(c.expected));
        ASSERT_EQ(RunInstaller(L"/x \"" + x64_->path + L"\" /qn"), 0u);
    }
}

// Its program cannot run here; the package installs into the 32-bit program files folder and
// goes again without a trace.
TEST_F(Installer, X86PackageInstallsAndUninstallsSilently) {
    ASSERT_EQ(Install(*x86_), 0u);
    const std::wstring folder = InstallFolder(FOLDERID_ProgramFilesX86);
    for (const wchar_t* file :
         {L"Zentrim.exe", L"ZentrimUpdate.exe", L"ZentrimCmd.exe", L"Zentrim.chm", L"License.rtf"}) {
        EXPECT_TRUE(FileExists(folder + file)) << Narrow(folder + file);
    }
    EXPECT_FALSE(FileExists(InstallFolder(FOLDERID_ProgramFiles) + L"Zentrim.exe"));
    ExpectOneInstalledCopy(x86_->version);
    EXPECT_TRUE(FindShortcut());

    ASSERT_EQ(RunInstaller(L"/x \"" + x86_->path + L"\" /qn"), 0u);
    EXPECT_FALSE(FileExists(folder + L"Zentrim.exe"));
    EXPECT_TRUE(InstalledProducts().empty());
    EXPECT_FALSE(FindShortcut());
}

} // namespace
} // namespace zentrim::e2e
