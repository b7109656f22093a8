// The updater's steps against a scripted update service and a recording system: what it asks for,
// what it refuses, and that nothing is installed and no "Updated" flag is set unless the signature,
// the version, the size and the hash all hold. Its window on the headless toolkit with the English
// catalogue.
#include "app/update/update_form.h"
#include "base/text.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"
#include "ui/sound.h"
#include "updater/update_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using namespace std::string_literals;

// The manifest as the maker publishes it, written out here.
const std::string kDigestHex = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
const std::string kManifest = "ZENTRIM-UPDATE-MANIFEST 2\n"
                              "product zentrim\n"
                              "version 2.10.22.2025\n"
                              "expires 2027-01-09T12:00:00Z\n"
                              "package x86 Zentrim-2.10.22.2025-x86.msi 11 " +
                              kDigestHex +
                              "\n"
                              "package x64 Zentrim-2.10.22.2025-x64.msi 12 " +
                              kDigestHex + "\n";
const std::array<std::uint8_t, 32> kDigest{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa,
                                           0xbb, 0xcc, 0xdd, 0xee, 0xff, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55,
                                           0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
const std::string kGoodSignature(64, 'S');
constexpr std::int64_t kManifestExpiry = 1799496000; // 2027-01-09 12:00:00 UTC
const std::string kPackage = "twelve bytes";         // the x64 package's content

// Answers each path with a scripted result; notes every request.
class ScriptedTransport final : public HttpClient {
public:
    struct Answer {
        TransferOutcome outcome = TransferOutcome::Done;
        std::string body;
        int status = 200;
    };
    std::map<std::u16string, Answer> answers;
    std::vector<HttpAddress> requests;
    std::function<void()> duringDownload; // runs in the middle of a download
    int cancels = 0;

    TransferResult Fetch(const HttpAddress& address, std::size_t limit, std::string& body,
                         const TransferProgress& progress, ReplyTaking) override {
        requests.push_back(address);
        const Answer answer = Find(address);
        if (answer.outcome != TransferOutcome::Done) {
            return {answer.outcome, answer.status, 0};
        }
        if (answer.body.size() > limit) {
            return {TransferOutcome::TooLarge, 200, 0};
        }
        body = answer.body;
        progress(body.size(), body.size());
        return {};
    }
    TransferResult Download(const HttpAddress& address, const std::filesystem::path& file,
                            std::uint64_t limit, const TransferProgress& progress) override {
        requests.push_back(address);
        const Answer answer = Find(address);
        progress(answer.body.size() / 2, answer.body.size());
        if (duringDownload) {
            duringDownload();
        }
        if (cancels > 0) {
            return {TransferOutcome::Cancelled, 0, 0};
        }
        if (answer.outcome != TransferOutcome::Done) {
            return {answer.outcome, answer.status, 0};
        }
        if (answer.body.size() > limit) {
            return {TransferOutcome::TooLarge, 200, 0};
        }
        std::ofstream(file, std::ios::binary) << answer.body;
        progress(answer.body.size(), answer.body.size());
        return {};
    }
    void Cancel() override { ++cancels; }

private:
    Answer Find(const HttpAddress& address) const {
        const auto it = answers.find(address.path);
        return it == answers.end() ? Answer{TransferOutcome::ErrorStatus, "", 404} : it->second;
    }
};

std::string Content(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// What happened to the download, in order: "hold", "install", "let go", "folder removed".
using Events = std::vector<std::string>;

// A held package as the system holds it: its content as it was when the hold began.
class FakeHeldPackage final : public HeldPackage {
public:
    FakeHeldPackage(std::filesystem::path path, Events& events,
                    const std::map<std::string, std::array<std::uint8_t, 32>>& digests)
        : path_(std::move(path)), content_(Content(path_)), events_(events), digests_(digests) {
        events_.push_back("hold");
    }
    ~FakeHeldPackage() override { events_.push_back("let go"); }
    const std::filesystem::path& Path() const override { return path_; }
    std::optional<std::uint64_t> Size() override { return content_.size(); }
    std::optional<Sha256Digest> Sha256() override {
        const auto it = digests_.find(content_);
        return it == digests_.end() ? Sha256Digest{} : it->second;
    }

private:
    std::filesystem::path path_;
    std::string content_;
    Events& events_;
    const std::map<std::string, std::array<std::uint8_t, 32>>& digests_;
};

class ScratchDirectory final : public ScratchFolder {
public:
    ScratchDirectory(std::filesystem::path path, Events& events,
                     const std::map<std::string, std::array<std::uint8_t, 32>>& digests, bool holdFails)
        : path_(std::move(path)), events_(events), digests_(digests), holdFails_(holdFails) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchDirectory() override {
        std::filesystem::remove_all(path_);
        events_.push_back("folder removed");
    }
    const std::filesystem::path& Path() const override { return path_; }
    std::unique_ptr<HeldPackage> Hold(const std::filesystem::path& file) override {
        if (holdFails_ || file.parent_path() != path_) {
            return nullptr;
        }
        return std::make_unique<FakeHeldPackage>(file, events_, digests_);
    }

private:
    std::filesystem::path path_;
    Events& events_;
    const std::map<std::string, std::array<std::uint8_t, 32>>& digests_;
    bool holdFails_;
};

class RecordingSystem final : public UpdaterSystem {
public:
    ScriptedTransport transport;
    std::optional<std::u16string> installedVersion = u"2.10.21.2024";
    std::string architecture = "x64";
    std::map<std::string, std::array<std::uint8_t, 32>> digests{{kPackage, kDigest}};
    InstallerOutcome installer{true, 0, 0};
    bool flagSticks = true;
    bool holdFails = false;
    std::int64_t now = kManifestExpiry - 30 * 86400;
    Events events;
    std::filesystem::path scratchRoot =
        std::filesystem::temp_directory_path() /
        ("zentrim-update-session-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));

    std::vector<std::string> installedPackages; // the content of each package the installer ran on
    std::filesystem::path lastFolder;
    bool flagSet = false;
    int programStarts = 0;

    std::optional<std::u16string> InstalledVersion() override { return installedVersion; }
    std::string_view Architecture() const override { return architecture; }
    HttpClient& Transport() override { return transport; }
    // The manifests the maker signed; the good signature fits only them.
    std::set<std::string> signedManifests{kManifest};
    bool VerifyManifest(std::span<const std::uint8_t> manifest,
                        std::span<const std::uint8_t> signature) override {
        return signedManifests.contains(std::string(manifest.begin(), manifest.end())) &&
               std::string(signature.begin(), signature.end()) == kGoodSignature;
    }
    std::int64_t UtcNow() override { return now; }
    std::unique_ptr<ScratchFolder> NewDownloadFolder() override {
        lastFolder = scratchRoot / std::to_string(++folders_);
        return std::make_unique<ScratchDirectory>(lastFolder, events, digests, holdFails);
    }
    void CloseRunningProgram() override { events.push_back("close the program"); }
    InstallerOutcome RunInstaller(const std::filesystem::path& package) override {
        installedPackages.push_back(Content(package));
        events.push_back("install");
        return installer;
    }
    bool SetUpdatedFlag() override {
        flagSet = flagSticks;
        return flagSticks;
    }
    bool StartProgram() override {
        ++programStarts;
        return true;
    }

private:
    int folders_ = 0;
};

class InlineRunner final : public WorkRunner {
public:
    void Run(const std::function<void()>& work, const std::function<void()>& refresh) override {
        work();
        refresh();
    }
};

class RecordingView final : public UpdateView {
public:
    std::vector<UpdateStatus> shown;
    void ShowStatus(const UpdateStatus& status) override { shown.push_back(status); }
};

class UpdateSessionTest : public ::testing::Test {
protected:
    UpdateSessionTest() {
        auto& answers = system_.transport.answers;
        answers[u"/downloads/update/?product=zentrim&version=2.10.21.2024"] = {TransferOutcome::Done,
                                                                               "news: ORVANE|1\n"};
        answers[u"/downloads/update/manifest.txt"] = {TransferOutcome::Done, kManifest, 200};
        answers[u"/downloads/update/manifest.sig"] = {TransferOutcome::Done, kGoodSignature, 200};
        answers[u"/downloads/update/Zentrim-2.10.22.2025-x64.msi"] = {TransferOutcome::Done, kPackage, 200};
    }
    ~UpdateSessionTest() override { std::filesystem::remove_all(system_.scratchRoot); }

    // Nothing installed, no flag, no download left behind.
    void ExpectNothingInstalled() {
        EXPECT_TRUE(system_.installedPackages.empty());
        EXPECT_FALSE(system_.flagSet);
        if (!system_.lastFolder.empty()) {
            EXPECT_FALSE(std::filesystem::exists(system_.lastFolder));
        }
    }
    UpdateFailure CheckAndInstall() {
        session_.Check();
        if (session_.Status().step == UpdateStep::Offering) {
            session_.Install();
        }
        return session_.Status().failure;
    }

    RecordingSystem system_;
    InlineRunner runner_;
    RecordingView view_;
    UpdateSession session_{
        system_, runner_, view_, {HttpAddress::Scheme::Http, u"update.example", 8080, u"/downloads/update/"}};
};

TEST_F(UpdateSessionTest, VerifiedNewerVersionIsOfferedDownloadedCheckedInstalledAndRecorded) {
    session_.Check();
    ASSERT_EQ(session_.Status().step, UpdateStep::Offering);
    EXPECT_EQ(session_.Status().offeredVersion, u"2.10.22.2025");
    EXPECT_EQ(session_.Status().installedVersion, u"2.10.21.2024");
    EXPECT_EQ(session_.Status().packageSize, 12u);
    EXPECT_TRUE(system_.installedPackages.empty()) << "nothing before \"&Install\"";

    session_.Install();
    EXPECT_EQ(session_.Status().step, UpdateStep::Finished);
    EXPECT_EQ(system_.installedPackages, std::vector<std::string>{kPackage});
    EXPECT_TRUE(system_.flagSet);
    EXPECT_FALSE(std::filesystem::exists(system_.lastFolder)) << "the download folder goes afterwards";

    std::vector<std::u16string> paths;
    for (const HttpAddress& request : system_.transport.requests) {
        EXPECT_EQ(request.host, u"update.example");
        EXPECT_EQ(request.port, 8080);
        EXPECT_FALSE(request.Secure());
        paths.push_back(request.path);
    }
    EXPECT_EQ(paths, (std::vector<std::u16string>{u"/downloads/update/?product=zentrim&version=2.10.21.2024",
                                                  u"/downloads/update/manifest.txt",
                                                  u"/downloads/update/manifest.sig",
                                                  u"/downloads/update/Zentrim-2.10.22.2025-x64.msi"}));
    std::vector<UpdateStep> steps;
    for (const UpdateStatus& status : view_.shown) {
        if (steps.empty() || steps.back() != status.step) {
            steps.push_back(status.step);
        }
    }
    EXPECT_EQ(steps,
              (std::vector<UpdateStep>{UpdateStep::Checking, UpdateStep::Offering, UpdateStep::Downloading,
                                       UpdateStep::Verifying, UpdateStep::ClosingProgram,
                                       UpdateStep::Installing, UpdateStep::Finished}));

    EXPECT_TRUE(session_.StartProgram());
    EXPECT_EQ(system_.programStarts, 1);
}

TEST_F(UpdateSessionTest, The32BitUpdaterFetchesThe32BitPackage) {
    system_.architecture = "x86";
    system_.transport.answers[u"/downloads/update/Zentrim-2.10.22.2025-x86.msi"] = {TransferOutcome::Done,
                                                                                    "eleven byte"};
    system_.digests = {{"eleven byte", kDigest}};
    EXPECT_EQ(CheckAndInstall(), UpdateFailure::None);
    EXPECT_EQ(system_.installedPackages, std::vector<std::string>{"eleven byte"});
}

TEST_F(UpdateSessionTest, ServiceAnswersOtherThanNewsEndWithoutFetchingAnything) {
    const std::u16string query = u"/downloads/update/?product=zentrim&version=2.10.21.2024";
    const struct {
        ScriptedTransport::Answer answer;
        UpdateStep step;
        UpdateFailure failure;
    } cases[] = {
        {{TransferOutcome::Done, "ORVANE|0", 200}, UpdateStep::UpToDate, UpdateFailure::None},
        {{TransferOutcome::Done, "ORVANE|2", 200}, UpdateStep::UpToDate, UpdateFailure::None},
        {{TransferOutcome::Done, "ORVANE|1 ORVANE|0", 200}, UpdateStep::UpToDate, UpdateFailure::None},
        {{TransferOutcome::Done, "orvane|1", 200}, UpdateStep::Failed, UpdateFailure::ServiceAnswerUnknown},
        // Reached, but not serving: not the user's connection's fault.
        {{TransferOutcome::ErrorStatus, "ORVANE|1", 503},
         UpdateStep::Failed,
         UpdateFailure::ServiceUnavailable},
        {{TransferOutcome::NoConnection, "", 0}, UpdateStep::Failed, UpdateFailure::ServiceUnreachable},
        {{TransferOutcome::TimedOut, "", 0}, UpdateStep::Failed, UpdateFailure::ServiceUnreachable},
    };
    for (const auto& example : cases) {
        system_.transport.answers[query] = example.answer;
        system_.transport.requests.clear();
        session_.Check();
        EXPECT_EQ(session_.Status().step, example.step) << example.answer.body;
        EXPECT_EQ(session_.Status().failure, example.failure) << example.answer.body;
        EXPECT_EQ(system_.transport.requests.size(), 1u) << example.answer.body;
    }
    EXPECT_EQ(session_.Status().transfer.outcome, TransferOutcome::TimedOut);
    ExpectNothingInstalled();
}

TEST_F(UpdateSessionTest, ManifestsThatCannotBeTrustedAreRefusedBeforeAnyDownload) {
    auto& answers = system_.transport.answers;
    const auto manifestWith = [](std::string_view version) {
        std::string text = kManifest;
        text.replace(text.find("2.10.22.2025"), 12, version);
        return text;
    };
    const struct {
        const char* what;
        std::string manifest;
        std::string signature;
        ScriptedTransport::Answer signatureAnswer;
        UpdateFailure failure;
    } cases[] = {
        {"a wrong signature", kManifest, std::string(64, 'X'), {}, UpdateFailure::BadSignature},
        {"a signature of the wrong length", kManifest, kGoodSignature + "S", {}, UpdateFailure::BadSignature},
        {"a changed manifest", kManifest + "\n", kGoodSignature, {}, UpdateFailure::BadSignature},
        {"no signature",
         kManifest,
         "",
         {TransferOutcome::ErrorStatus, "", 404},
         UpdateFailure::ManifestUnavailable},
    };
    for (const auto& example : cases) {
        answers[u"/downloads/update/manifest.txt"] = {TransferOutcome::Done, example.manifest, 200};
        answers[u"/downloads/update/manifest.sig"] =
            example.signatureAnswer.outcome == TransferOutcome::Done
                ? ScriptedTransport::Answer{TransferOutcome::Done, example.signature}
                : example.signatureAnswer;
        system_.transport.requests.clear();
        EXPECT_EQ(CheckAndInstall(), example.failure) << example.what;
        EXPECT_EQ(system_.transport.requests.size(), 3u) << example.what << ": no download";
    }
    ExpectNothingInstalled();

    // Signed, but not newer: an old manifest replayed must not take the program back.
    for (const auto& [signedVersion, installed] :
         {std::pair{"2.10.21.2024"s, u"2.10.21.2024"s}, std::pair{"2.10.20.2024"s, u"2.10.21.2024"s},
          std::pair{"2.10.22.2025"s, u"2.10.22.2025"s}, std::pair{"2.9.99.9999"s, u"2.10.0"s}}) {
        const std::string manifest = manifestWith(signedVersion);
        system_.signedManifests.insert(manifest);
        system_.installedVersion = installed;
        answers[u"/downloads/update/?product=zentrim&version=" + installed] = {TransferOutcome::Done,
                                                                               "ORVANE|1", 200};
        answers[u"/downloads/update/manifest.txt"] = {TransferOutcome::Done, manifest, 200};
        answers[u"/downloads/update/manifest.sig"] = {TransferOutcome::Done, kGoodSignature, 200};
        session_.Check();
        EXPECT_EQ(session_.Status().failure, UpdateFailure::NotNewer) << signedVersion;
    }
    ExpectNothingInstalled();
}

TEST_F(UpdateSessionTest, PackagesThatDifferFromTheManifestAreNeverInstalled) {
    const std::u16string package = u"/downloads/update/Zentrim-2.10.22.2025-x64.msi";
    const struct {
        const char* what;
        ScriptedTransport::Answer answer;
        UpdateFailure failure;
    } cases[] = {
        {"one byte changed", {TransferOutcome::Done, "twelve bytez", 200}, UpdateFailure::HashMismatch},
        {"one byte more", {TransferOutcome::Done, "twelve bytes!", 200}, UpdateFailure::SizeMismatch},
        {"cut short", {TransferOutcome::Done, "twelve", 200}, UpdateFailure::SizeMismatch},
        {"a broken connection", {TransferOutcome::Broken, "", 0}, UpdateFailure::DownloadFailed},
        {"a service that stopped answering",
         {TransferOutcome::TimedOut, "", 0},
         UpdateFailure::DownloadFailed},
        {"an error status", {TransferOutcome::ErrorStatus, "", 404}, UpdateFailure::DownloadFailed},
    };
    for (const auto& example : cases) {
        system_.transport.answers[package] = example.answer;
        EXPECT_EQ(CheckAndInstall(), example.failure) << example.what;
        ExpectNothingInstalled();
    }
}

TEST_F(UpdateSessionTest, CancelDuringTheDownloadInstallsNothing) {
    session_.Check();
    ASSERT_EQ(session_.Status().step, UpdateStep::Offering);
    system_.transport.duringDownload = [&] {
        EXPECT_TRUE(session_.Working());
        session_.Cancel();
    };
    session_.Install();
    EXPECT_EQ(session_.Status().failure, UpdateFailure::Cancelled);
    EXPECT_EQ(system_.transport.cancels, 1);
    ExpectNothingInstalled();
}

TEST_F(UpdateSessionTest, InstallerOutcomesDecideWhetherTheUpdateCounts) {
    const struct {
        InstallerOutcome installer;
        UpdateFailure failure;
        bool flag;
    } cases[] = {
        {{true, 0, 0}, UpdateFailure::None, true},
        {{true, 3010, 0}, UpdateFailure::None, true}, // installed, a restart finishes it
        {{true, 1603, 0}, UpdateFailure::InstallerFailed, false},
        {{true, 1602, 0}, UpdateFailure::InstallerCancelled, false},
        {{false, 0, 740}, UpdateFailure::InstallerNotStarted, false},
    };
    for (const auto& example : cases) {
        system_.installer = example.installer;
        system_.flagSet = false;
        EXPECT_EQ(CheckAndInstall(), example.failure) << example.installer.exitCode;
        EXPECT_EQ(system_.flagSet, example.flag) << example.installer.exitCode;
        EXPECT_EQ(session_.Status().installerExitCode, example.installer.exitCode);
        EXPECT_FALSE(std::filesystem::exists(system_.lastFolder));
    }
    system_.installer = {true, 0, 0};
    system_.flagSticks = false;
    EXPECT_EQ(CheckAndInstall(), UpdateFailure::FlagNotSet);
}

TEST_F(UpdateSessionTest, WithoutAnInstalledProgramNothingIsAsked) {
    for (const std::optional<std::u16string>& version :
         {std::optional<std::u16string>{}, std::optional<std::u16string>{u"not a version"}}) {
        system_.installedVersion = version;
        session_.Check();
        EXPECT_EQ(session_.Status().failure, UpdateFailure::NoInstalledProgram);
    }
    EXPECT_TRUE(system_.transport.requests.empty());
}

TEST_F(UpdateSessionTest, AManifestPastItsExpiryIsRefusedAsAnOldOneReplayed) {
    const struct {
        std::int64_t now;
        UpdateStep step;
        UpdateFailure failure;
    } cases[] = {
        {kManifestExpiry - 1, UpdateStep::Offering, UpdateFailure::None},
        {kManifestExpiry, UpdateStep::Offering, UpdateFailure::None},
        {kManifestExpiry + 1, UpdateStep::Failed, UpdateFailure::ManifestExpired},
        {kManifestExpiry + 400 * 86400, UpdateStep::Failed, UpdateFailure::ManifestExpired},
    };
    for (const auto& example : cases) {
        system_.now = example.now;
        system_.transport.requests.clear();
        session_.Check();
        EXPECT_EQ(session_.Status().step, example.step) << example.now;
        EXPECT_EQ(session_.Status().failure, example.failure) << example.now;
        EXPECT_EQ(session_.Status().manifestExpires, kManifestExpiry);
        EXPECT_EQ(system_.transport.requests.size(), 3u) << "no download";
    }
    ExpectNothingInstalled();

    // A manifest of the first format, without an expiry, is not read at all, even when signed.
    std::string firstFormat = kManifest;
    firstFormat.replace(firstFormat.find("MANIFEST 2"), 10, "MANIFEST 1");
    firstFormat.erase(firstFormat.find("expires "), std::string("expires 2027-01-09T12:00:00Z\n").size());
    system_.signedManifests.insert(firstFormat);
    system_.transport.answers[u"/downloads/update/manifest.txt"] = {TransferOutcome::Done, firstFormat, 200};
    system_.now = kManifestExpiry - 1;
    EXPECT_EQ(CheckAndInstall(), UpdateFailure::BadManifest);
    ExpectNothingInstalled();
}

TEST_F(UpdateSessionTest, ThePackageIsHeldFromItsCheckUntilTheInstallerHasEnded) {
    EXPECT_EQ(CheckAndInstall(), UpdateFailure::None);
    // The running program is closed once the package is checked, right before the installer.
    EXPECT_EQ(system_.events, (Events{"hold", "close the program", "install", "let go", "folder removed"}));
    EXPECT_EQ(system_.installedPackages, std::vector<std::string>{kPackage});

    // A package that cannot be held is not checked, let alone installed.
    system_.events.clear();
    system_.holdFails = true;
    EXPECT_EQ(CheckAndInstall(), UpdateFailure::PackageNotHeld);
    EXPECT_EQ(system_.events, (Events{"folder removed"}));
    EXPECT_EQ(system_.installedPackages.size(), 1u);
}

// ---- The window ---------------------------------------------------------------------------------

class UpdateFormTest : public ::testing::Test {
protected:
    toolkit::HeadlessBackend backend_;
    toolkit::Application app_{backend_};
    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FolderCatalogueSource catalogues_{std::string(ZENTRIM_RESOURCES_DIR) + "/captions"};
    CaptionCatalogue captions_{registry_, catalogues_};
    RecordingClickSound sound_;
    UpdateForm form_{app_, captions_, sound_, false};
};

TEST_F(UpdateFormTest, EachStepShowsItsTextAndOnlyTheButtonsItNeeds) {
    form_.Form().Show();
    EXPECT_EQ(form_.Form().Caption(), u"Update Zentrim");
    EXPECT_EQ(form_.InstallButton().Caption(), u"&Install");
    EXPECT_EQ(form_.CloseButton().Caption(), u"&Close");

    UpdateStatus status;
    status.installedVersion = u"2.10.21.2024";
    status.offeredVersion = u"2.10.22.2025";
    status.packageSize = 3 * 1024 * 1024 + 300 * 1024;
    const auto shows = [&](UpdateStep step, std::vector<const toolkit::Button*> buttons) {
        status.step = step;
        form_.ShowStatus(status);
        for (toolkit::Button* button :
             {&form_.InstallButton(), &form_.StartButton(), &form_.CancelButton(), &form_.CloseButton()}) {
            const bool wanted = std::find(buttons.begin(), buttons.end(), button) != buttons.end();
            EXPECT_EQ(button->Visible(), wanted) << ToUtf8(button->Caption());
            EXPECT_EQ(button->Enabled() && button->Visible(), wanted && (step != UpdateStep::Installing))
                << ToUtf8(button->Caption());
        }
        return ToUtf8(form_.StatusLabel().Caption());
    };
    EXPECT_EQ(shows(UpdateStep::Checking, {&form_.CancelButton()}),
              "Asking the update service whether a newer version of Zentrim exists ...");
    EXPECT_EQ(shows(UpdateStep::Offering, {&form_.InstallButton(), &form_.CloseButton()}),
              "Zentrim 2.10.22.2025 is available (you have 2.10.21.2024). Click Install to download it (3.2 "
              "MB) and "
              "install it.");
    status.received = 1024 * 1024 + 512 * 1024;
    EXPECT_EQ(shows(UpdateStep::Downloading, {&form_.CancelButton()}),
              "Downloading Zentrim 2.10.22.2025 ...");
    EXPECT_EQ(form_.ProgressLabel().Caption(), u"1.5 MB of 3.2 MB");
    EXPECT_EQ(form_.DownloadProgress().Position(), 455); // 1,572,864 of 3,452,928 bytes in per mille
    shows(UpdateStep::Installing, {&form_.CancelButton()});
    EXPECT_EQ(shows(UpdateStep::Finished, {&form_.StartButton(), &form_.CloseButton()}),
              "Zentrim 2.10.22.2025 has been installed. Click Start Zentrim to start it.");
    status.failure = UpdateFailure::DownloadFailed;
    status.transfer = {TransferOutcome::ErrorStatus, 404, 0};
    EXPECT_EQ(shows(UpdateStep::Failed, {&form_.CloseButton()}),
              "The download failed: it answered with the error 404. Nothing was installed.");
    status.failure = UpdateFailure::NotNewer;
    EXPECT_EQ(shows(UpdateStep::Failed, {&form_.CloseButton()}),
              "The update service offers version 2.10.22.2025, which is not newer than the installed version "
              "2.10.21.2024. Nothing was installed.");
}

TEST_F(UpdateFormTest, EveryFailureHasItsOwnText) {
    std::set<std::u16string> texts;
    UpdateStatus status;
    status.step = UpdateStep::Failed;
    for (int failure = static_cast<int>(UpdateFailure::NoInstalledProgram);
         failure <= static_cast<int>(UpdateFailure::FlagNotSet); ++failure) {
        status.failure = static_cast<UpdateFailure>(failure);
        const std::u16string text = form_.StatusText(status);
        EXPECT_FALSE(text.empty()) << failure;
        EXPECT_EQ(text.find(u'%'), std::u16string::npos) << ToUtf8(text);
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), static_cast<std::size_t>(UpdateFailure::FlagNotSet));
}

TEST_F(UpdateFormTest, ADevelopmentBuildSaysSoAndAnExpiredManifestSaysSince) {
    form_.Form().Show();
    EXPECT_FALSE(form_.DevelopmentLabel().Visible()) << "a release build";
    UpdateForm development{app_, captions_, sound_, true};
    development.Form().Show();
    EXPECT_TRUE(development.DevelopmentLabel().Visible());
    EXPECT_EQ(development.DevelopmentLabel().Caption(),
              u"Development build: trusts only the public development key, not ORVANE's.");

    UpdateStatus status;
    status.step = UpdateStep::Failed;
    status.failure = UpdateFailure::ManifestExpired;
    status.manifestExpires = 1799496000;
    EXPECT_EQ(
        ToUtf8(form_.StatusText(status)),
        "The description of the new version expired on 2027-01-09 12:00 UTC, so it may be an old one sent "
        "again. Nothing was installed. Please try again later.");
}

TEST_F(UpdateFormTest, TheBarShowsOnlyForTheDownloadAndEnterAndEscActOnTheStepsButton) {
    form_.Form().Show();
    UpdateStatus status;
    status.packageSize = 1000;
    const struct {
        UpdateStep step;
        UpdateFailure failure;
        bool bar;
        const toolkit::Button* enter; // the default button, which has the focus
        const toolkit::Button* esc;
    } steps[] = {
        {UpdateStep::Checking, UpdateFailure::None, false, nullptr, &form_.CancelButton()},
        {UpdateStep::Offering, UpdateFailure::None, false, &form_.InstallButton(), &form_.CloseButton()},
        {UpdateStep::Downloading, UpdateFailure::None, true, nullptr, &form_.CancelButton()},
        {UpdateStep::Verifying, UpdateFailure::None, true, nullptr, &form_.CancelButton()},
        {UpdateStep::ClosingProgram, UpdateFailure::None, true, nullptr, nullptr},
        {UpdateStep::Installing, UpdateFailure::None, true, nullptr, nullptr},
        {UpdateStep::Finished, UpdateFailure::None, false, &form_.StartButton(), &form_.CloseButton()},
        {UpdateStep::UpToDate, UpdateFailure::None, false, &form_.CloseButton(), &form_.CloseButton()},
        {UpdateStep::Failed, UpdateFailure::ServiceUnavailable, false, &form_.CloseButton(),
         &form_.CloseButton()},
    };
    for (const auto& example : steps) {
        SCOPED_TRACE(static_cast<int>(example.step));
        status.step = example.step;
        status.failure = example.failure;
        form_.ShowStatus(status);
        EXPECT_EQ(form_.DownloadProgress().Visible(), example.bar);
        EXPECT_EQ(form_.Form().DefaultButton(), example.enter);
        if (example.enter != nullptr) {
            EXPECT_EQ(form_.Form().ActiveControl(), example.enter);
        }
        // Esc presses the button the step offers for it, and nothing while nothing may stop.
        int pressed = 0;
        for (toolkit::Button* button :
             {&form_.InstallButton(), &form_.StartButton(), &form_.CancelButton(), &form_.CloseButton()}) {
            button->onClick = [&, button](toolkit::Component&) { pressed = button == example.esc ? 1 : -1; };
        }
        EXPECT_EQ(backend_.PressEscape(form_.Form()), example.esc != nullptr);
        EXPECT_EQ(pressed, example.esc != nullptr ? 1 : 0);
    }
    status.step = UpdateStep::Failed;
    status.failure = UpdateFailure::ServiceUnavailable;
    status.transfer = {TransferOutcome::ErrorStatus, 503, 0};
    EXPECT_EQ(
        ToUtf8(form_.StatusText(status)),
        "The update service is not available at the moment (it answered with the error 503). Please try "
        "again later.");
}

TEST(UpdateFormText, SizesAndPlaceholders) {
    EXPECT_EQ(SizeText(0), u"0 bytes");
    EXPECT_EQ(SizeText(1023), u"1023 bytes");
    EXPECT_EQ(SizeText(1024), u"1.0 KB");
    EXPECT_EQ(SizeText(1024 * 1024 - 1), u"1023.9 KB");
    EXPECT_EQ(SizeText(5 * 1024 * 1024 + 1024 * 1024 / 2), u"5.5 MB");
    EXPECT_EQ(FillIn(u"%1 of %2, %3%", u"a", u"b", u"c"), u"a of b, c%");
    EXPECT_EQ(FillIn(u"%4 %1%1", u"x"), u"%4 xx");
}

} // namespace
} // namespace zentrim
