// The updater end to end, in the installer tests' prefix: an installed Zentrim is updated through
// "/checkupdate" and through the main window's button by the installed "ZentrimUpdate.exe",
// against the update service serving a signed newer release on loopback; and every refusal leaves
// the installed version and the product key as they were. Run with --update-packages=DIR (its
// "installed" release set holds the test variants at the current version, its "newer" one a
// signed update folder) and --update-service=FILE (the running service's "host:port").
#include "e2e/installer_probe.h"
#include "e2e/program_session.h"
#include "e2e/registry_probe.h"
#include "support/loopback_http_server.h"

#include <bcrypt.h>
#include <gtest/gtest.h>
#include <msi.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace zentrim::e2e {
namespace {

using test_support::HttpReply;
using test_support::LoopbackHttpServer;
using test_support::ServerReply;

constexpr wchar_t kUpdaterClass[] = L"TZTUpdateForm";
constexpr wchar_t kServiceVariable[] = L"ZENTRIM_TEST_UPDATE_SERVICE";
constexpr Milliseconds kUpdateLimit = 120s;

// The development key pair of packaging/keys (for tests only; it signs nothing shipped): the
// private scalar and the public point, as `openssl ec -text` prints them.
constexpr std::array<std::uint8_t, 32> kDevelopmentKeyD{
    0x6b, 0x64, 0xd4, 0x06, 0x15, 0x42, 0x40, 0x84, 0x70, 0x64, 0xf2, 0xa5, 0xea, 0xd4, 0x94, 0x36,
    0xab, 0xba, 0xb2, 0xb5, 0xcc, 0x0a, 0x95, 0x56, 0x00, 0x50, 0x08, 0xb3, 0xbb, 0x33, 0xe3, 0x44};
constexpr std::array<std::uint8_t, 64> kDevelopmentKeyXY{
    0x11, 0x92, 0x9b, 0x65, 0x1c, 0x2c, 0xdc, 0x26, 0x31, 0x40, 0xc8, 0xda, 0x1e, 0x9d, 0x18, 0xed,
    0xa0, 0xe1, 0xd1, 0xb9, 0xdb, 0x78, 0xa9, 0x70, 0x57, 0x29, 0x75, 0x0d, 0x2d, 0xa9, 0x52, 0xb1,
    0x6c, 0xe1, 0x3a, 0xab, 0x8f, 0xc8, 0x7e, 0x88, 0xb6, 0xf2, 0x1c, 0x5f, 0x9d, 0xa6, 0xc9, 0x19,
    0x13, 0x1c, 0x83, 0xb1, 0xcc, 0xff, 0x67, 0xac, 0xc0, 0xbc, 0xe1, 0xdd, 0x6b, 0xce, 0x69, 0xa7};

std::string ReadWholeFile(const std::wstring& path) {
    std::ifstream stream(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// SHA-256 of `data` with the system's CNG.
std::array<std::uint8_t, 32> Sha256(std::string_view data) {
    std::array<std::uint8_t, 32> digest{};
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) >= 0) {
        if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) >= 0) {
            BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                           static_cast<ULONG>(data.size()), 0);
            BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
            BCryptDestroyHash(hash);
        }
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    return digest;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xf];
    }
    return text;
}

// The manifest signed as the maker signs it: ECDSA P-256 over SHA-256, r||s.
std::string SignWithDevelopmentKey(std::string_view manifest) {
    std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB));
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PRIVATE_P256_MAGIC;
    header->cbKey = 32;
    blob.insert(blob.end(), kDevelopmentKeyXY.begin(), kDevelopmentKeyXY.end());
    blob.insert(blob.end(), kDevelopmentKeyD.begin(), kDevelopmentKeyD.end());
    std::string signature(64, '\0');
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_KEY_HANDLE key = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) >= 0) {
        if (BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPRIVATE_BLOB, &key, blob.data(),
                                static_cast<ULONG>(blob.size()), 0) >= 0) {
            std::array<std::uint8_t, 32> digest = Sha256(manifest);
            ULONG size = 0;
            BCryptSignHash(key, nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                           reinterpret_cast<PUCHAR>(signature.data()), static_cast<ULONG>(signature.size()),
                           &size, 0);
            BCryptDestroyKey(key);
        }
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    return signature;
}

// The program file name of the process that started `process` ("explorer.exe"); empty when unknown.
std::wstring StarterOf(DWORD process) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::map<DWORD, std::pair<DWORD, std::wstring>> processes; // id: parent, program
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        processes[entry.th32ProcessID] = {entry.th32ParentProcessID, entry.szExeFile};
    }
    CloseHandle(snapshot);
    const auto self = processes.find(process);
    if (self == processes.end()) {
        return {};
    }
    const auto parent = processes.find(self->second.first);
    return parent == processes.end() ? std::wstring() : parent->second.second;
}

class Updater : public ::testing::Test {
protected:
    void SetUp() override {
        if (Options().updatePackages.empty()) {
            GTEST_SKIP() << "needs --update-packages=DIR and --update-service=FILE";
        }
        const std::wstring root = Options().updatePackages + L"\\";
        installed_ = FindPackage(root + L"installed", L"x64");
        ASSERT_TRUE(installed_) << "the installed release set must be built first";
        newer_ = root + L"newer\\update\\";
        manifest_ = ReadWholeFile(newer_ + L"manifest.txt");
        signature_ = ReadWholeFile(newer_ + L"manifest.sig");
        ASSERT_EQ(signature_.size(), 64u);
        newerVersion_ = Field(manifest_, "version ");
        // "package x64 <name> <size> <hash>"
        packageName_ = Field(manifest_, "package x64 ");
        packageName_ = packageName_.substr(0, packageName_.find(' '));
        ASSERT_FALSE(newerVersion_.empty() || packageName_.empty()) << manifest_;
        package_ = ReadWholeFile(newer_ + std::wstring(packageName_.begin(), packageName_.end()));
        ASSERT_FALSE(package_.empty());

        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_TRUE(RemoveEveryZentrim());
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKeyPath);
        ASSERT_EQ(Install(*installed_), 0u);
        folder_ = InstallFolder(FOLDERID_ProgramFiles);
        temporaryBefore_ = DownloadFolders();
    }
    void TearDown() override {
        if (!installed_) {
            return;
        }
        KillProgramsIn(folder_);
        RemoveEveryZentrim();
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKeyPath);
        CoUninitialize();
    }

    // The rest of the manifest line that starts with `prefix`.
    static std::string Field(const std::string& manifest, const std::string& prefix) {
        std::size_t start = 0;
        while (start < manifest.size() && manifest.compare(start, prefix.size(), prefix) != 0) {
            start = manifest.find('\n', start);
            start = start == std::string::npos ? manifest.size() : start + 1;
        }
        if (start >= manifest.size()) {
            return {};
        }
        start += prefix.size();
        return manifest.substr(start, manifest.find('\n', start) - start);
    }

    static std::wstring RealServiceAddress() {
        const std::string text = ReadWholeFile(Options().updateService);
        std::wstring address(text.begin(), text.end());
        while (!address.empty() && (address.back() == L'\n' || address.back() == L'\r')) {
            address.pop_back();
        }
        return address;
    }

    // The updater's download folders ("ZentrimUpdate-<random>") in the program data folder, where
    // the updater makes them, and in the temporary folder, where it must not.
    static std::vector<std::wstring> DownloadFolders() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        std::vector<std::wstring> folders;
        for (const std::wstring& parent : {std::wstring(temp), KnownFolder(FOLDERID_ProgramData)}) {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(parent, error)) {
                if (entry.path().filename().wstring().starts_with(L"ZentrimUpdate-")) {
                    folders.push_back(entry.path().wstring());
                }
            }
        }
        return folders;
    }

    ChildProcess StartInstalled(const std::wstring& program, const std::wstring& arguments,
                                const std::wstring& service) const {
        return ChildProcess::Start(folder_ + program, arguments, {{kServiceVariable, service}}, folder_);
    }

    // The updater's window once it says `text`, waiting up to `timeout`.
    HWND WaitForUpdater(const std::wstring& text, Milliseconds timeout = kUpdateLimit) {
        HWND window = nullptr;
        WaitUntil(
            [&] {
                window = FindVisibleTopLevel(kUpdaterClass);
                return window != nullptr && VisibleTexts(window).find(text) != std::wstring::npos;
            },
            timeout);
        if (window == nullptr || VisibleTexts(window).find(text) == std::wstring::npos) {
            ADD_FAILURE() << "the updater did not say \"" << Narrow(text)
                          << "\"; it says: " << (window ? Narrow(VisibleTexts(window)) : "(no window)");
            return nullptr;
        }
        return window;
    }

    // Presses "&Install" on the offer, answering a Windows Installer error box when one comes.
    void ExpectOffer(HWND updater) {
        const std::wstring offer = L"Zentrim " + std::wstring(newerVersion_.begin(), newerVersion_.end()) +
                                   L" is available (you have " + installed_->version + L").";
        EXPECT_NE(VisibleTexts(updater).find(offer), std::wstring::npos) << Narrow(VisibleTexts(updater));
    }

    static void Press(HWND window, const wchar_t* caption) {
        HWND button = FindDescendant(window, L"Button", caption);
        ASSERT_NE(button, nullptr) << Narrow(caption);
        ASSERT_TRUE(IsWindowVisible(button) && IsWindowEnabled(button)) << Narrow(caption);
        PressButton(button);
    }

    // Closes the updater at its end with a key from the keyboard, as a user does who has read the
    // last line: the final step's button has the focus and is the default (Enter), and Esc closes.
    void CloseUpdater(HWND updater, WORD key = VK_RETURN) {
        ASSERT_TRUE(WaitUntil(
            [&] {
                SetForegroundWindow(updater);
                return GetForegroundWindow() == updater;
            },
            10s))
            << "the updater did not come to the front";
        INPUT presses[2] = {};
        for (INPUT& press : presses) {
            press.type = INPUT_KEYBOARD;
            press.ki.wVk = key;
        }
        presses[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ASSERT_EQ(SendInput(2, presses, sizeof(INPUT)), 2u);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(updater) || !IsWindowVisible(updater); }, 20s))
            << (key == VK_RETURN ? "Enter" : "Esc") << " did not close the updater at its end";
    }

    // After a refusal: the installed version as it was, no "Updated", no download left behind.
    void ExpectNothingChanged() {
        const std::vector<std::wstring> products = InstalledProducts();
        ASSERT_EQ(products.size(), 1u);
        EXPECT_EQ(ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING), installed_->version);
        EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Updated").has_value());
        EXPECT_EQ(DownloadFolders(), temporaryBefore_) << "a download folder was left behind";
    }

    // The installed updater started directly against a scripted service.
    HWND StartUpdaterAgainst(const LoopbackHttpServer& server, ChildProcess& updater) {
        updater = StartInstalled(L"ZentrimUpdate.exe", L"", L"127.0.0.1:" + std::to_wstring(server.Port()));
        return updater.Started() ? WaitForUpdater(L"", 40s) : nullptr;
    }

    std::string ManifestWith(std::string_view version, std::string_view package,
                             std::string_view expires = "2099-12-31T23:59:59Z") const {
        return "ZENTRIM-UPDATE-MANIFEST 2\nproduct zentrim\nversion " + std::string(version) + "\nexpires " +
               std::string(expires) + "\npackage x64 " + packageName_ + " " + std::to_string(package.size()) +
               " " + Hex(Sha256(package)) + "\n";
    }

    std::optional<Package> installed_;
    std::wstring newer_;
    std::wstring folder_;
    std::string manifest_;
    std::string signature_;
    std::string newerVersion_;
    std::string packageName_;
    std::string package_;
    std::vector<std::wstring> temporaryBefore_;
};

void ExpectUpdateRecordedAndShown(const std::wstring& folder, HWND updater, DWORD oldProgram = 0) {
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Updated"), DwordValue(1));
    // "&Start Zentrim" starts the new program, which turns the flag into "UpdatedDate".
    HWND start = FindDescendant(updater, L"Button", L"&Start Zentrim");
    ASSERT_NE(start, nullptr);
    PressButton(start);
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = FindVisibleTopLevel(kMainClass)) != nullptr; }, kStartLimit))
        << "the new Zentrim did not start";
    // Not with the updater's administrator rights: the desktop shell started it for the user.
    DWORD program = 0;
    GetWindowThreadProcessId(main, &program);
    EXPECT_NE(program, oldProgram) << "the old program's window was brought forward";
    const std::wstring starter = StarterOf(program);
    EXPECT_NE(starter, L"ZentrimUpdate.exe");
    EXPECT_EQ(Narrow(starter), "explorer.exe") << "started by the desktop shell";
    EXPECT_TRUE(WaitUntil(
        [&] {
            return !ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Updated").has_value() ||
                   ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Updated") == DwordValue(0);
        },
        10s));
    const auto updatedDate = TextOf(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"UpdatedDate"));
    ASSERT_TRUE(updatedDate.has_value());
    HWND lastUpdated = MainWindowView(main).LabelStartingWith(L"Last updated : ");
    ASSERT_NE(lastUpdated, nullptr);
    EXPECT_GT(WindowText(lastUpdated).size(), std::wstring(L"Last updated : ").size()) << "no date shown";
    SaveArtifact(main, L"main-window-after-update");
    PostMessageW(main, WM_CLOSE, 0, 0);
    KillProgramsIn(folder);
}

TEST_F(Updater, CheckQuestionLeadsToTheInstalledUpdaterWhichInstallsTheSignedNewerVersion) {
    ChildProcess check = StartInstalled(L"Zentrim.exe", L"/checkupdate", RealServiceAddress());
    ASSERT_TRUE(check.Started());
    const auto question = WaitForMessageBoxOfProcess(check.Id(), 60s);
    ASSERT_TRUE(question) << "no update question";
    ASSERT_TRUE(AnswerMessageBox(*question, IDYES));

    HWND updater = WaitForUpdater(L"Click Install to download it");
    ASSERT_NE(updater, nullptr);
    ExpectOffer(updater);
    // The installed test set is a development set: its updater says so.
    EXPECT_NE(VisibleTexts(updater).find(L"Development build: trusts only the public development key"),
              std::wstring::npos);
    SaveArtifact(updater, L"offer");
    Press(updater, L"&Install");
    ASSERT_NE(WaitForUpdater(L"has been installed"), nullptr);
    SaveArtifact(updater, L"installed");

    const std::vector<std::wstring> products = InstalledProducts();
    ASSERT_EQ(products.size(), 1u) << "one installed copy";
    EXPECT_EQ(Narrow(ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING)), newerVersion_);
    EXPECT_EQ(DownloadFolders(), temporaryBefore_) << "the download folder was left behind";
    ExpectUpdateRecordedAndShown(folder_, updater);
}

TEST_F(Updater, MainWindowButtonLeadsThroughTheSameSteps) {
    ChildProcess program = StartInstalled(L"Zentrim.exe", L"", RealServiceAddress());
    const HWND main = WaitForMainWindow(program.Id());
    ASSERT_NE(main, nullptr);
    HWND button = FindDescendant(main, L"Button", L" &Check for updates ...");
    ASSERT_NE(button, nullptr);
    PressButton(button);

    HWND updater = WaitForUpdater(L"Click Install to download it");
    ASSERT_NE(updater, nullptr);
    ExpectOffer(updater);
    // The program stays open: the updater closes it before Windows Installer replaces its files.
    Press(updater, L"&Install");
    ASSERT_NE(WaitForUpdater(L"has been installed"), nullptr);
    EXPECT_EQ(program.WaitForExit(0ms), std::optional<DWORD>(0u)) << "the old program still runs";
    const std::vector<std::wstring> products = InstalledProducts();
    ASSERT_EQ(products.size(), 1u);
    EXPECT_EQ(Narrow(ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING)), newerVersion_);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Updated"), DwordValue(1));

    // "&Start Zentrim" starts the new version: a new process of the installed program, which
    // turns "Updated" into the date it shows, not the old window brought forward.
    ExpectUpdateRecordedAndShown(folder_, updater, program.Id());
}

// The updater against a scripted service: the replies in the order it asks (question, manifest,
// signature, package). When `install`, "&Install" is pressed on the offer. Afterwards it must say
// `says`, and nothing may have changed.
class UpdaterRefusal : public Updater {
protected:
    void Expect(std::vector<ServerReply> replies, bool install, const std::wstring& says,
                const std::function<void(HWND)>& duringDownload = {}) {
        LoopbackHttpServer server(std::move(replies), std::chrono::seconds(120));
        ASSERT_TRUE(server.Listening());
        ChildProcess updater;
        HWND window = StartUpdaterAgainst(server, updater);
        ASSERT_NE(window, nullptr);
        if (install) {
            ASSERT_NE(WaitForUpdater(L"Click Install to download it", 60s), nullptr);
            Press(window, L"&Install");
            if (duringDownload) {
                duringDownload(window);
            }
        }
        ASSERT_NE(WaitForUpdater(says), nullptr);
        SaveArtifact(window, L"refusal");
        CloseUpdater(window, closeKey_);
        EXPECT_TRUE(updater.WaitForExit(20s).has_value()) << "the updater did not end";
        ExpectNothingChanged();
    }

    std::vector<ServerReply> Replies(const std::string& manifest, const std::string& signature,
                                     ServerReply package) const {
        return {HttpReply(200, "OK", "ORVANE|1"), HttpReply(200, "OK", manifest),
                HttpReply(200, "OK", signature), std::move(package)};
    }
    WORD closeKey_ = VK_RETURN;

    // The package's reply head announcing all of it, followed by only its first half.
    ServerReply HalfPackage(ServerReply::Then then) const {
        std::string bytes = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(package_.size()) +
                            "\r\nConnection: close\r\n\r\n" + package_.substr(0, package_.size() / 2);
        return {std::move(bytes), then};
    }
};

TEST_F(UpdaterRefusal, AManifestWithAWrongSignature) {
    std::string forged = signature_;
    forged[10] = static_cast<char>(forged[10] ^ 0x01);
    Expect(Replies(manifest_, forged, HttpReply(200, "OK", package_)), false,
           L"The description of the new version is not signed by ORVANE. Nothing was installed.");
}

TEST_F(UpdaterRefusal, ASignedManifestOfTheSameVersion) {
    const std::string manifest = ManifestWith(Narrow(installed_->version), package_);
    Expect(Replies(manifest, SignWithDevelopmentKey(manifest), HttpReply(200, "OK", package_)), false,
           L"which is not newer than the installed version");
}

TEST_F(UpdaterRefusal, ASignedManifestOfAnOlderVersion) {
    const std::string manifest = ManifestWith("2.10.20.0", package_);
    Expect(Replies(manifest, SignWithDevelopmentKey(manifest), HttpReply(200, "OK", package_)), false,
           L"The update service offers version 2.10.20.0, which is not newer than the installed version");
}

TEST_F(UpdaterRefusal, ASignedManifestThatHasExpired) {
    // Signed for a newer version, but its signature ran out: perhaps kept and sent again.
    const std::string manifest = ManifestWith("2.10.99.0", package_, "2024-06-01T08:30:00Z");
    Expect(Replies(manifest, SignWithDevelopmentKey(manifest), HttpReply(200, "OK", package_)), false,
           L"The description of the new version expired on 2024-06-01 08:30 UTC");
}

TEST_F(UpdaterRefusal, APackageWithOneByteChanged) {
    std::string changed = package_;
    changed[changed.size() / 3] = static_cast<char>(changed[changed.size() / 3] ^ 0x20);
    Expect(Replies(manifest_, signature_, HttpReply(200, "OK", changed)), true,
           L"The download is not the file ORVANE published. Nothing was installed.");
}

TEST_F(UpdaterRefusal, APackageCutShort) {
    Expect(Replies(manifest_, signature_, HalfPackage(ServerReply::Then::Close)), true,
           L"The download failed: the connection broke off. Nothing was installed.");
}

TEST_F(UpdaterRefusal, AServiceThatStopsAnsweringMidDownload) {
    Expect(Replies(manifest_, signature_, HalfPackage(ServerReply::Then::Hold)), true,
           L"The download failed: it stopped answering. Nothing was installed.");
}

TEST_F(UpdaterRefusal, CancelDuringTheDownload) {
    closeKey_ = VK_ESCAPE;
    Expect(Replies(manifest_, signature_, HalfPackage(ServerReply::Then::Hold)), true,
           L"The update was cancelled. Nothing was installed.", [&](HWND window) {
               ASSERT_NE(WaitForUpdater(L" of ", 30s), nullptr) << "no progress shown";
               SaveArtifact(window, L"downloading");
               Press(window, L"Cancel");
           });
}

TEST_F(UpdaterRefusal, AnInstallerThatFails) {
    // Signed and exactly as described, but not a package Windows Installer can install.
    const std::string broken(64 * 1024, 'Z');
    const std::string manifest = ManifestWith("2.10.99.0", broken);
    Expect(Replies(manifest, SignWithDevelopmentKey(manifest), HttpReply(200, "OK", broken)), true,
           L"Windows Installer could not install the new version (exit code", [&](HWND window) {
               // Windows Installer may show why with its basic interface, and wait for OK.
               WaitUntil(
                   [&] {
                       const auto box = WaitForMessageBox(
                           [](const MessageBoxView& view) {
                               return view.text.find(L"Zentrim") == std::wstring::npos;
                           },
                           0ms);
                       if (box) {
                           SaveArtifact(box->window, L"installer-error");
                           AnswerMessageBox(*box, box->buttons.empty() ? IDOK : box->buttons.front());
                       }
                       return VisibleTexts(window).find(L"Windows Installer could not install") !=
                              std::wstring::npos;
                   },
                   kUpdateLimit);
           });
}

} // namespace
} // namespace zentrim::e2e
