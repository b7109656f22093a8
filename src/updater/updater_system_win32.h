// The updater's system on Windows: the "Zentrim.exe" beside it, WinHTTP, CNG, a protected download
// folder in the program data folder, Windows Installer, the product key and the desktop shell that
// starts the new program; and the runner that keeps the window responsive while blocking work runs
// on a worker thread.
#pragma once

#include "engine/custom_registry.h"
#include "toolkit/application.h"
#include "updater/update_session.h"

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>

namespace zentrim {

class Win32UpdaterSystem final : public UpdaterSystem {
public:
    // `programFolder` holds "Zentrim.exe"; `trustedKeys` are the maker's public keys (X||Y of P-256
    // keys): a manifest signed with any of them verifies.
    // `closeRunningProgram` closes the running Zentrim's windows and waits for it (start-up's way).
    Win32UpdaterSystem(std::filesystem::path programFolder, const CustomRegistry& registry,
                       std::unique_ptr<HttpClient> transport,
                       std::span<const std::array<std::uint8_t, 64>> trustedKeys,
                       std::function<void()> closeRunningProgram);

    std::optional<std::u16string> InstalledVersion() override;
    std::string_view Architecture() const override;
    HttpClient& Transport() override { return *transport_; }
    bool VerifyManifest(std::span<const std::uint8_t> manifest,
                        std::span<const std::uint8_t> signature) override;
    std::int64_t UtcNow() override;
    std::unique_ptr<ScratchFolder> NewDownloadFolder() override;
    void CloseRunningProgram() override;
    InstallerOutcome RunInstaller(const std::filesystem::path& package) override;
    bool SetUpdatedFlag() override;
    bool StartProgram() override;

private:
    std::filesystem::path programFolder_;
    const CustomRegistry& registry_;
    std::unique_ptr<HttpClient> transport_;
    std::span<const std::array<std::uint8_t, 64>> trustedKeys_;
    std::function<void()> closeRunningProgram_;
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
