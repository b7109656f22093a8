// The updater's system on Windows: the "Zentrim.exe" beside it, WinHTTP, CNG, a download folder
// under the user's temporary folder, Windows Installer and the product key; and the runner that
// keeps the window responsive while blocking work runs on a worker thread.
#pragma once

#include "engine/custom_registry.h"
#include "toolkit/application.h"
#include "updater/update_session.h"

#include <filesystem>
#include <memory>

namespace zentrim {

class Win32UpdaterSystem final : public UpdaterSystem {
public:
    // `programFolder` holds "Zentrim.exe"; `publicKey` is the maker's (X||Y of a P-256 key).
    Win32UpdaterSystem(std::filesystem::path programFolder, const CustomRegistry& registry,
                       std::unique_ptr<UpdateTransport> transport,
                       std::span<const std::uint8_t, 64> publicKey);

    std::optional<std::u16string> InstalledVersion() override;
    std::string_view Architecture() const override;
    UpdateTransport& Transport() override { return *transport_; }
    bool VerifyManifest(std::span<const std::uint8_t> manifest,
                        std::span<const std::uint8_t> signature) override;
    std::optional<std::array<std::uint8_t, 32>> FileSha256(const std::filesystem::path& file) override;
    std::uint64_t FileSize(const std::filesystem::path& file) override;
    std::unique_ptr<ScratchFolder> NewDownloadFolder() override;
    InstallerOutcome RunInstaller(const std::filesystem::path& package) override;
    bool SetUpdatedFlag() override;
    bool StartProgram() override;

private:
    std::filesystem::path programFolder_;
    const CustomRegistry& registry_;
    std::unique_ptr<UpdateTransport> transport_;
    std::span<const std::uint8_t, 64> publicKey_;
};

// Runs the work on a thread of its own and processes the window's messages until it has ended,
// refreshing the window every tenth of a second.
class ThreadWorkRunner final : public WorkRunner {
public:
    explicit ThreadWorkRunner(toolkit::Application& app) : app_(app) {}
    void Run(const std::function<void()>& work, const std::function<void()>& refresh) override;

private:
    toolkit::Application& app_;
};

} // namespace zentrim
