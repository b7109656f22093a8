// The updater's steps, apart from its window and the system: ask the update service, fetch the
// release manifest and its signature, verify them, offer the new version; on "&Install" download
// the package for this program's architecture, check its size and SHA-256 against the manifest,
// run Windows Installer and, when it succeeded, set "Updated" in the product key. Every failure
// ends the session with a status that says what happened; nothing is installed unless every check
// passed, and the download folder goes whatever happened.
#pragma once

#include "launch/http_client.h"
#include "update/manifest.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zentrim {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The downloaded package, held open from the end of the download until Windows Installer has ended:
// while it is held no one can write, rename or delete it, and its size and hash are read through
// the same handle, so that what was checked is what is installed.
class HeldPackage {
public:
    virtual ~HeldPackage() = default;
    virtual const std::filesystem::path& Path() const = 0;
    virtual std::optional<std::uint64_t> Size() = 0;
    virtual std::optional<Sha256Digest> Sha256() = 0;
};

// A folder of our own for the download, which only the system and administrators can change; it
// is removed with what the updater put in it when it goes.
class ScratchFolder {
public:
    virtual ~ScratchFolder() = default;
    virtual const std::filesystem::path& Path() const = 0;
    // Holds a file of this folder (a plain file, not a link); nothing when it cannot be held, for
    // example while another handle may still write it.
    virtual std::unique_ptr<HeldPackage> Hold(const std::filesystem::path& file) = 0;
};

// What Windows Installer did with the package.
struct InstallerOutcome {
    bool started = false;
    std::uint32_t exitCode = 0;
    std::uint32_t systemError = 0; // why it could not be started
};

// What the updater needs from the system. Windows gives the real services; tests give fakes.
class UpdaterSystem {
public:
    virtual ~UpdaterSystem() = default;
    // The version of the "Zentrim.exe" beside the updater, from its version resource.
    virtual std::optional<std::u16string> InstalledVersion() = 0;
    // "x86" or "x64": the packages this updater installs.
    virtual std::string_view Architecture() const = 0;
    virtual HttpClient& Transport() = 0;
    // Whether `signature` is the maker's signature of `manifest`.
    virtual bool VerifyManifest(std::span<const std::uint8_t> manifest,
                                std::span<const std::uint8_t> signature) = 0;
    // Now, in seconds since 1970-01-01 00:00:00 UTC: a manifest past its expiry is refused.
    virtual std::int64_t UtcNow() = 0;
    // A fresh download folder that only the system and administrators can write; nothing when none
    // can be made.
    virtual std::unique_ptr<ScratchFolder> NewDownloadFolder() = 0;
    // Closes the running Zentrim's windows as a check process does (About, progress, then main
    // window, a run in progress being let finish) and waits until its main window has gone, so
    // that Windows Installer can replace the program's files. Blocking.
    virtual void CloseRunningProgram() = 0;
    // Runs Windows Installer on the package and waits for it.
    virtual InstallerOutcome RunInstaller(const std::filesystem::path& package) = 0;
    // Sets "Updated" = true in the product key; gives whether it reads back so.
    virtual bool SetUpdatedFlag() = 0;
    // Starts the installed "Zentrim.exe" with the rights of the signed-in user, not the updater's;
    // gives whether it started.
    virtual bool StartProgram() = 0;
};

// Runs blocking work off the window's thread while the window stays responsive, calling `refresh`
// on the window's thread now and then and once at the end. Returns when the work has ended.
class WorkRunner {
public:
    virtual ~WorkRunner() = default;
    virtual void Run(const std::function<void()>& work, const std::function<void()>& refresh) = 0;
};

// Where the session is.
enum class UpdateStep {
    Idle,
    Checking, // asking the service and fetching the manifest
    Offering, // a verified newer version waits for "&Install"
    Downloading,
    Verifying,      // the package's size and hash
    ClosingProgram, // the running Zentrim is asked to close
    Installing,     // Windows Installer runs
    Finished,       // the new version is installed; "Updated" is set
    UpToDate,       // the service knows no newer version
    Failed,         // ended without installing anything (see UpdateFailure)
};

enum class UpdateFailure {
    None,
    NoInstalledProgram,   // no "Zentrim.exe" with a version beside the updater
    ServiceUnreachable,   // the question to the service failed (see the transfer)
    ServiceUnavailable,   // the service was reached but answered with an error status
    ServiceAnswerUnknown, // the service answered without a token
    ManifestUnavailable,  // the manifest or its signature could not be fetched (see the transfer)
    BadSignature,         // the manifest is not signed by the maker
    BadManifest,          // signed, but not a manifest this updater reads
    ManifestExpired,      // signed, but past its expiry: perhaps an old one replayed
    NotNewer,             // the signed version is not newer than the installed one
    NoPackage,            // the manifest offers nothing for this architecture
    NoDownloadFolder,
    DownloadFailed, // see the transfer
    PackageNotHeld, // the download could not be held against change until it is installed
    SizeMismatch,   // the package's size differs from the manifest's
    HashMismatch,   // the package's SHA-256 differs from the manifest's
    Cancelled,
    InstallerNotStarted, // see systemError
    InstallerCancelled,  // the user stopped Windows Installer (1602)
    InstallerFailed,     // see installerExitCode
    FlagNotSet,          // installed, but "Updated" could not be set
};

// What the window shows for the current step.
struct UpdateStatus {
    UpdateStep step = UpdateStep::Idle;
    UpdateFailure failure = UpdateFailure::None;
    std::u16string installedVersion;
    std::u16string offeredVersion;
    std::int64_t manifestExpires = 0; // of the signed manifest, seconds since 1970 UTC
    std::uint64_t packageSize = 0;
    std::uint64_t received = 0; // during the download
    TransferResult transfer;    // of the failed transfer
    std::uint32_t installerExitCode = 0;
    std::uint32_t systemError = 0;
};

// The window as the session sees it.
class UpdateView {
public:
    virtual ~UpdateView() = default;
    virtual void ShowStatus(const UpdateStatus& status) = 0;
};

inline constexpr std::u16string_view kManifestFileName = u"manifest.txt";
inline constexpr std::u16string_view kSignatureFileName = u"manifest.sig";
inline constexpr std::size_t kSignatureSize = 64;

class UpdateSession {
public:
    // `service` is the update service's address (its folder's path is the service's own).
    UpdateSession(UpdaterSystem& system, WorkRunner& runner, UpdateView& view, HttpAddress service);

    // Asks the service and, when it knows a newer version, fetches and verifies its manifest.
    void Check();
    // Downloads, checks and installs the offered version. Only while Offering.
    void Install();
    // Ends the running transfer; the session then fails with Cancelled. Callable at any time from
    // the window's thread; does nothing while Windows Installer runs (it has its own Cancel).
    void Cancel();

    const UpdateStatus& Status() const { return status_; }
    bool Working() const;
    // Starts the new Zentrim after a finished update; false when it could not be started.
    bool StartProgram();

private:
    // Runs one transfer off the window's thread, showing its progress when `showProgress`.
    TransferResult RunTransfer(const std::function<TransferResult(const TransferProgress&)>& transfer,
                               bool showProgress);
    bool FetchManifest(std::string& manifest, std::string& signature);
    void Show(UpdateStep step);
    void Fail(UpdateFailure failure);

    UpdaterSystem& system_;
    WorkRunner& runner_;
    UpdateView& view_;
    HttpAddress service_;
    UpdateStatus status_;
    std::optional<ReleaseManifest> manifest_;
    std::atomic<bool> cancelled_{false};
    std::atomic<std::uint64_t> received_{0};
};

} // namespace zentrim
