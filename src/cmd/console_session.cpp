#include "cmd/console_session.h"

#include "base/text.h"
#include "cmd/console_commands.h"
#include "cmd/embedded_catalogue.h"
#include "engine/product_key.h"
#include "engine/reg_file_format.h"
#include "engine/windows_version.h"

#include <iterator>

namespace zentrim {

namespace {

// The console carries the program's catalogues, each under its resource name.
constexpr bool EmbedsTheProgramCatalogues() {
    if (kEmbeddedCatalogues.size() != kProgramCatalogues.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kProgramCatalogues.size(); ++i) {
        if (kEmbeddedCatalogues[i].name != kProgramCatalogues[i] || kEmbeddedCatalogues[i].bytes.empty()) {
            return false;
        }
    }
    return true;
}
static_assert(EmbedsTheProgramCatalogues(),
              "src/CMakeLists.txt embeds other catalogues than kProgramCatalogues");

} // namespace

Session::Session(const ConsoleRequest& request, ConsoleHost& host, FileUse use)
    : request_(request), host_(host) {
    for (const EmbeddedCatalogue& embedded : kEmbeddedCatalogues) {
        catalogue_.Add(embedded.name,
                       std::vector<std::uint8_t>(embedded.bytes.begin(), embedded.bytes.end()));
    }
    if (request.registryFile.empty()) {
        store_ = host.LiveRegistry();
        if (store_ == nullptr) {
            throw CommandFailure{console_exit::kUsage,
                                 "this build has no live registry to work on: give --registry FILE.reg"};
        }
    } else {
        LockFile(use);
        LoadFile();
        if (use == FileUse::Change) {
            // Refused before the run, not only at its save: a run that cannot be saved changes nothing.
            if (const std::string refusal = ReplaceRefusal(FilePath()); !refusal.empty()) {
                throw CommandFailure{console_exit::kUsage,
                                     FileText() + ": " + refusal + "; nothing was changed"};
            }
        }
    }
    registry_.emplace(*store_);
}

RegistryReport Session::Describe() const {
    RegistryReport report;
    report.onFile = OnFile();
    if (report.onFile) {
        report.file = FileText();
    }
    report.architecture = architecture_;
    report.architectureReason = architectureReason_;
    return report;
}

void Session::SaveFile() {
    if (!OnFile()) {
        return;
    }
    const std::vector<std::uint8_t> bytes = FormatRegFile(fileStore_.Snapshot());
    if (bytes == fileBytes_) {
        return;
    }
    const SaveResult saved = SaveFileAtomically(FilePath(), bytes, &fileStamp_);
    switch (saved.status) {
    case SaveStatus::Saved:
        return;
    case SaveStatus::ChangedMeanwhile:
        throw CommandFailure{console_exit::kInUse, FileText() +
                                                       ": another program changed the file during the run, "
                                                       "so nothing of the run was saved; run it again"};
    case SaveStatus::Refused:
        throw CommandFailure{console_exit::kUsage,
                             FileText() + ": " + saved.reason + "; the file was left as it was"};
    case SaveStatus::Failed:
        break;
    }
    throw CommandFailure{console_exit::kUsage,
                         FileText() + ": the file cannot be written; it was left as it was"};
}

Profile Session::ResolveProfile(ProfileUse use) {
    const ProfileOptions& given = request_.profile;
    const StoredChoices stored = ReadStoredChoices(*registry_);
    int detection = detection_code::kUnknown;
    bool untold = false; // a choice the file does not tell, where it decides nothing
    if (!given.windowsIndex) {
        detection = OnFile() ? DetectWindowsFromRegistry(*registry_) : host_.DetectWindows();
        if (OnFile() && detection == detection_code::kUnknown) {
            if (use == ProfileUse::Optimize) {
                throw CommandFailure{console_exit::kUsage,
                                     FileText() + " does not tell which Windows it is from: give --os"};
            }
            if (use == ProfileUse::RestoreWithoutRecord) {
                throw CommandFailure{console_exit::kUsage,
                                     FileText() +
                                         " does not tell which Windows it is from, and its backup has no "
                                         "record of the values from before (it was taken by an older "
                                         "version), so the restore follows the choices: give --os"};
            }
            untold = true;
        }
    }
    // No restore looks at the processor.
    if (use == ProfileUse::Optimize && OnFile() && !given.processorIndex &&
        stored.processorType == kDetectProcessorType && !HasProcessorName(*registry_)) {
        throw CommandFailure{console_exit::kUsage,
                             FileText() + " does not name the processor and no choice is stored: give --cpu"};
    }
    Profile profile;
    // Detection of the processor is skipped when it is given.
    StoredChoices forSelection = stored;
    if (given.processorIndex) {
        forSelection.processorType = *given.processorIndex;
    }
    profile.selection = PreselectProfile(detection, forSelection, *registry_);
    const bool anyGiven =
        given.windowsIndex || given.processorIndex || given.internetType || given.speedPosition;
    if (given.windowsIndex) {
        profile.selection.windowsIndex = *given.windowsIndex;
    }
    if (given.internetType) {
        profile.selection.internetType = *given.internetType;
    }
    if (given.speedPosition) {
        profile.selection.speedPosition = *given.speedPosition;
    }
    profile.source =
        anyGiven ? "options, then the stored choices and detection" : "the stored choices and detection";
    if (untold) {
        profile.source += "; not needed: the backup's record puts every value back";
    }
    return profile;
}

// Every run of ours on the file holds its lock from before the file is read until the run is
// saved: a run that changes it alone, readers side by side. Readers of a file that no run has
// ever changed read it unlocked: a save replaces the whole file in one step anyway.
void Session::LockFile(FileUse use) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(FilePath(), error)) {
        throw CommandFailure{console_exit::kUsage, FileText() + ": no such registry file"};
    }
    RegFileLock::Result locked = RegFileLock::Acquire(
        FilePath(), use == FileUse::Change ? RegFileLock::Mode::Exclusive : RegFileLock::Mode::Shared);
    switch (locked.status) {
    case RegFileLock::Status::Locked:
        lock_ = std::move(locked.lock);
        // No run of ours is writing now: temporary files of the file's saves are left over
        // from runs that were killed.
        lock_->RemoveStaleTemporaryFiles();
        return;
    case RegFileLock::Status::Busy:
        throw CommandFailure{console_exit::kInUse,
                             FileText() + ": another run is using this file; nothing was changed"};
    case RegFileLock::Status::NoLockFile:
        return;
    case RegFileLock::Status::Unavailable:
        if (use == FileUse::Read) {
            return;
        }
        throw CommandFailure{console_exit::kUsage, locked.error + "; nothing was changed"};
    }
}

void Session::LoadFile() {
    StampedFile file = ReadStampedFile(FilePath());
    if (!file) {
        throw CommandFailure{console_exit::kUsage, FileText() + ": " + file.error};
    }
    fileStamp_ = file.stamp;
    const RegFileParseResult parsed = ParseRegFile(file.bytes);
    if (!parsed) {
        throw CommandFailure{console_exit::kUsage, FileText() + ": " + parsed.error};
    }
    const ArchitectureDecision architecture = DecideFileArchitecture(parsed.keys, request_.architecture);
    if (!architecture.architecture) {
        throw CommandFailure{console_exit::kUsage, FileText() + ": " + architecture.reason};
    }
    architecture_ = architecture.architecture;
    architectureReason_ = architecture.reason;
    fileStore_.Load(parsed.keys);
    if (architecture_ == WindowsArchitecture::X64) {
        // 64-bit Windows: the product key lies in the registry's 32-bit copy (Software\WOW6432Node),
        // where Zentrim keeps it on such a computer. 32-bit Windows has one view of everything.
        fileStore_.EmulateWow64Redirection(MemoryRegistryStore::ProgramKind::Bits64);
    }
    // What this store writes, for telling whether a run changed anything.
    fileBytes_ = FormatRegFile(fileStore_.Snapshot());
    store_ = &fileStore_;
}

} // namespace zentrim
