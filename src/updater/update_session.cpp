#include "updater/update_session.h"

#include "base/text.h"
#include "launch/update_check.h"

#include <utility>

namespace zentrim {

namespace {

// The signature is 64 bytes; anything much larger is not one.
constexpr std::size_t kSignatureFetchLimit = 1024;

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::u16string Widen(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

} // namespace

UpdateSession::UpdateSession(UpdaterSystem& system, WorkRunner& runner, UpdateView& view, HttpAddress service)
    : system_(system), runner_(runner), view_(view), service_(std::move(service)) {}

bool UpdateSession::Working() const {
    switch (status_.step) {
    case UpdateStep::Checking:
    case UpdateStep::Downloading:
    case UpdateStep::Verifying:
    case UpdateStep::ClosingProgram:
    case UpdateStep::Installing:
        return true;
    default:
        return false;
    }
}

void UpdateSession::Show(UpdateStep step) {
    status_.step = step;
    view_.ShowStatus(status_);
}

void UpdateSession::Fail(UpdateFailure failure) {
    status_.failure = failure;
    Show(UpdateStep::Failed);
}

TransferResult
UpdateSession::RunTransfer(const std::function<TransferResult(const TransferProgress&)>& transfer,
                           bool showProgress) {
    TransferResult result;
    received_ = 0;
    const TransferProgress progress = [this](std::uint64_t received, std::uint64_t) { received_ = received; };
    runner_.Run(
        [&] {
            try {
                result = transfer(progress);
            } catch (...) {
                // A transfer that throws has failed like any other.
                result = {TransferOutcome::Failed, 0, 0};
            }
        },
        [&] {
            if (showProgress && status_.received != received_) {
                status_.received = received_;
                view_.ShowStatus(status_);
            }
        });
    if (cancelled_) {
        result.outcome = TransferOutcome::Cancelled;
    }
    return result;
}

bool UpdateSession::FetchManifest(std::string& manifest, std::string& signature) {
    for (const auto& [name, limit, body] :
         {std::tuple{kManifestFileName, kManifestSizeLimit, &manifest},
          std::tuple{kSignatureFileName, kSignatureFetchLimit, &signature}}) {
        const HttpAddress address = service_.At(std::u16string(kUpdateFolderPath) + std::u16string(name));
        const TransferResult result = RunTransfer(
            [&](const TransferProgress& progress) {
                return system_.Transport().Fetch(address, limit, *body, progress);
            },
            false);
        if (result.outcome != TransferOutcome::Done) {
            status_.transfer = result;
            Fail(result.outcome == TransferOutcome::Cancelled ? UpdateFailure::Cancelled
                                                              : UpdateFailure::ManifestUnavailable);
            return false;
        }
    }
    return true;
}

void UpdateSession::Check() {
    status_ = {};
    manifest_.reset();
    cancelled_ = false;

    const std::optional<std::u16string> installed = system_.InstalledVersion();
    const std::optional<ReleaseVersion> installedVersion =
        installed ? ReleaseVersion::Parse(ToUtf8(*installed)) : std::nullopt;
    if (!installedVersion) {
        Fail(UpdateFailure::NoInstalledProgram);
        return;
    }
    status_.installedVersion = *installed;
    Show(UpdateStep::Checking);

    std::string reply;
    const HttpAddress query = service_.At(UpdateQueryPath(*installed));
    const TransferResult asked = RunTransfer(
        [&](const TransferProgress& progress) {
            // Taken as the update check takes it, so both give the same answer.
            return system_.Transport().Fetch(query, kMaxUpdateReplySize, reply, progress,
                                             ReplyTaking::StartOfAny2xx);
        },
        false);
    if (asked.outcome != TransferOutcome::Done) {
        status_.transfer = asked;
        Fail(asked.outcome == TransferOutcome::Cancelled     ? UpdateFailure::Cancelled
             : asked.outcome == TransferOutcome::ErrorStatus ? UpdateFailure::ServiceUnavailable
                                                             : UpdateFailure::ServiceUnreachable);
        return;
    }
    const int answer = UpdateReplyResult(reply);
    if (answer == kUpdateCheckFailed) {
        Fail(UpdateFailure::ServiceAnswerUnknown);
        return;
    }
    if (answer != kUpdateAvailable) {
        Show(UpdateStep::UpToDate);
        return;
    }

    std::string manifestText;
    std::string signature;
    if (!FetchManifest(manifestText, signature)) {
        return;
    }
    // Nothing of the manifest is believed before its signature is.
    if (signature.size() != kSignatureSize ||
        !system_.VerifyManifest(Bytes(manifestText), Bytes(signature))) {
        Fail(UpdateFailure::BadSignature);
        return;
    }
    std::optional<ReleaseManifest> manifest = ParseManifest(manifestText);
    if (!manifest) {
        Fail(UpdateFailure::BadManifest);
        return;
    }
    status_.offeredVersion = Widen(manifest->version.Text());
    status_.manifestExpires = manifest->expires;
    // A signature counts only until the manifest's expiry: someone on the way cannot hold the
    // program at an old release for ever by replaying its manifest.
    if (!ManifestCurrent(*manifest, system_.UtcNow())) {
        Fail(UpdateFailure::ManifestExpired);
        return;
    }
    // An old signed manifest replayed by someone else must not take the program back.
    if (!(manifest->version > *installedVersion)) {
        Fail(UpdateFailure::NotNewer);
        return;
    }
    const ManifestPackage* package = manifest->PackageFor(system_.Architecture());
    if (package == nullptr) {
        Fail(UpdateFailure::NoPackage);
        return;
    }
    status_.packageSize = package->size;
    manifest_ = std::move(manifest);
    Show(UpdateStep::Offering);
}

void UpdateSession::Install() {
    if (status_.step != UpdateStep::Offering || !manifest_) {
        return;
    }
    const ManifestPackage& package = *manifest_->PackageFor(system_.Architecture());
    cancelled_ = false;
    status_.received = 0;

    // The folder and the package in it go when this function ends, whatever happened.
    const std::unique_ptr<ScratchFolder> folder = system_.NewDownloadFolder();
    if (!folder) {
        Fail(UpdateFailure::NoDownloadFolder);
        return;
    }
    const std::filesystem::path file = folder->Path() / package.fileName;
    Show(UpdateStep::Downloading);
    const HttpAddress address = service_.At(std::u16string(kUpdateFolderPath) + Widen(package.fileName));
    const TransferResult downloaded = RunTransfer(
        [&](const TransferProgress& progress) {
            return system_.Transport().Download(address, file, package.size, progress);
        },
        true);
    if (downloaded.outcome != TransferOutcome::Done) {
        status_.transfer = downloaded;
        Fail(downloaded.outcome == TransferOutcome::Cancelled  ? UpdateFailure::Cancelled
             : downloaded.outcome == TransferOutcome::TooLarge ? UpdateFailure::SizeMismatch
                                                               : UpdateFailure::DownloadFailed);
        return;
    }
    status_.received = package.size;

    Show(UpdateStep::Verifying);
    // From here to the installer's end the package is held against change, and its size and hash
    // are read through that hold; it is let go before its folder.
    std::unique_ptr<HeldPackage> held;
    std::optional<std::uint64_t> size;
    std::optional<Sha256Digest> digest;
    runner_.Run(
        [&] {
            held = folder->Hold(file);
            if (held) {
                size = held->Size();
                if (size == package.size) {
                    digest = held->Sha256();
                }
            }
        },
        [] {});
    if (cancelled_) {
        Fail(UpdateFailure::Cancelled);
        return;
    }
    if (!held) {
        Fail(UpdateFailure::PackageNotHeld);
        return;
    }
    if (size != package.size) {
        Fail(UpdateFailure::SizeMismatch);
        return;
    }
    if (!digest || *digest != package.sha256) {
        Fail(UpdateFailure::HashMismatch);
        return;
    }

    // The running program holds its files and would go on as the old version: it goes first.
    Show(UpdateStep::ClosingProgram);
    runner_.Run([&] { system_.CloseRunningProgram(); }, [] {});
    Show(UpdateStep::Installing);
    InstallerOutcome installer;
    runner_.Run([&] { installer = system_.RunInstaller(held->Path()); }, [] {});
    status_.installerExitCode = installer.exitCode;
    status_.systemError = installer.systemError;
    constexpr std::uint32_t kInstalled = 0;
    constexpr std::uint32_t kInstalledRestartNeeded = 3010;
    constexpr std::uint32_t kInstalledRestarting = 1641;
    constexpr std::uint32_t kUserCancelled = 1602;
    if (!installer.started) {
        Fail(UpdateFailure::InstallerNotStarted);
        return;
    }
    if (installer.exitCode == kUserCancelled) {
        Fail(UpdateFailure::InstallerCancelled);
        return;
    }
    if (installer.exitCode != kInstalled && installer.exitCode != kInstalledRestartNeeded &&
        installer.exitCode != kInstalledRestarting) {
        Fail(UpdateFailure::InstallerFailed);
        return;
    }
    if (!system_.SetUpdatedFlag()) {
        Fail(UpdateFailure::FlagNotSet);
        return;
    }
    Show(UpdateStep::Finished);
}

void UpdateSession::Cancel() {
    if (status_.step == UpdateStep::Checking || status_.step == UpdateStep::Downloading ||
        status_.step == UpdateStep::Verifying) {
        cancelled_ = true;
        system_.Transport().Cancel();
    }
}

bool UpdateSession::StartProgram() {
    return status_.step == UpdateStep::Finished && system_.StartProgram();
}

} // namespace zentrim
