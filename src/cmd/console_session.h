// What every console command works in: the registry it reads and changes (the live one, or a
// registry file held locked from before it is read until the run is saved), the caption
// catalogues, and the profile the command line and the stored choices give.
#pragma once

#include "base/atomic_file.h"
#include "base/text.h"
#include "catalogue/catalogue_source.h"
#include "cmd/console_host.h"
#include "cmd/console_options.h"
#include "cmd/console_reports.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "engine/reg_file_lock.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zentrim {

// A failure that ends the command with an exit code and a message on the error stream.
struct CommandFailure {
    int exitCode;
    std::string message;
};

// What a command does with a registry file: reads it, or runs a run that changes it.
enum class FileUse { Read, Change };

// What the profile decides. An optimize run writes by all four choices. A restore from a record
// puts every value back whatever the choices; only a backup without a record (taken by an older
// version) is restored by the Windows and internet choices.
enum class ProfileUse { Optimize, RestoreFromRecord, RestoreWithoutRecord };

class Session {
public:
    Session(const ConsoleRequest& request, ConsoleHost& host, FileUse use = FileUse::Read);

    const CustomRegistry& Registry() const { return *registry_; }
    RegistryStore& Store() { return *store_; }
    bool OnFile() const { return !request_.registryFile.empty(); }
    const CatalogueSource& Catalogue() const { return catalogue_; }
    std::string FileText() const { return ToUtf8(request_.registryFile); }
    RegistryReport Describe() const;

    // Saves the file after a run changed it; the file is replaced in one step or left as it was.
    void SaveFile();

    // The command line's choices over the stored choices and detection, as the main window would
    // preselect them. A registry file that does not tell what detection needs ends the command,
    // where the choice decides anything.
    Profile ResolveProfile(ProfileUse use = ProfileUse::Optimize);

private:
    std::filesystem::path FilePath() const {
        return std::filesystem::path(std::u16string(request_.registryFile));
    }
    void LockFile(FileUse use);
    void LoadFile();

    const ConsoleRequest& request_;
    ConsoleHost& host_;
    MemoryCatalogueSource catalogue_;
    std::unique_ptr<RegFileLock> lock_; // released after everything else: declared before the file
    MemoryRegistryStore fileStore_;
    FileStamp fileStamp_; // the file as it was read, checked again before it is replaced
    std::optional<WindowsArchitecture> architecture_;
    std::string architectureReason_;
    std::vector<std::uint8_t> fileBytes_;
    RegistryStore* store_ = nullptr;
    std::optional<CustomRegistry> registry_;
};

} // namespace zentrim
