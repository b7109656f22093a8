#include "updater/updater_system_win32.h"

#include "base/unique_handle_win32.h"
#include "engine/product_key.h"
#include "updater/update_crypto.h"
#include "updater/update_system.h"

#include <windows.h>

#include <exception>
#include <thread>
#include <utility>

namespace zentrim {

namespace {

constexpr wchar_t kProgramName[] = L"Zentrim.exe";

class Win32HeldPackage final : public HeldPackage {
public:
    explicit Win32HeldPackage(const std::filesystem::path& file) : file_(file) {}
    bool Held() const { return file_.Held(); }
    const std::filesystem::path& Path() const override { return file_.Path(); }
    std::optional<std::uint64_t> Size() override { return file_.Size(); }
    std::optional<Sha256Digest> Sha256() override { return file_.Sha256(); }

private:
    HeldFile file_;
};

class Win32ScratchFolder final : public ScratchFolder {
public:
    const std::filesystem::path& Path() const override { return folder_.Path(); }
    bool Ready() const { return folder_.Ready(); }
    std::unique_ptr<HeldPackage> Hold(const std::filesystem::path& file) override {
        auto held = std::make_unique<Win32HeldPackage>(file);
        if (!held->Held() || file.parent_path() != folder_.Path()) {
            return nullptr;
        }
        return held;
    }

private:
    DownloadFolder folder_;
};

} // namespace

Win32UpdaterSystem::Win32UpdaterSystem(std::filesystem::path programFolder, const CustomRegistry& registry,
                                       std::unique_ptr<HttpClient> transport,
                                       std::span<const std::array<std::uint8_t, 64>> trustedKeys,
                                       std::function<void()> closeRunningProgram)
    : programFolder_(std::move(programFolder)), registry_(registry), transport_(std::move(transport)),
      trustedKeys_(trustedKeys), closeRunningProgram_(std::move(closeRunningProgram)) {}

void Win32UpdaterSystem::CloseRunningProgram() {
    if (closeRunningProgram_) {
        closeRunningProgram_();
    }
}

std::optional<std::u16string> Win32UpdaterSystem::InstalledVersion() {
    return ProgramFileVersion(programFolder_ / kProgramName);
}

std::string_view Win32UpdaterSystem::Architecture() const {
#if defined(_WIN64)
    return "x64";
#else
    return "x86";
#endif
}

bool Win32UpdaterSystem::VerifyManifest(std::span<const std::uint8_t> manifest,
                                        std::span<const std::uint8_t> signature) {
    for (const std::array<std::uint8_t, 64>& key : trustedKeys_) {
        if (VerifyEcdsaP256Sha256(manifest, signature, key)) {
            return true;
        }
    }
    return false;
}

std::int64_t Win32UpdaterSystem::UtcNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    // 100-nanosecond steps since 1601-01-01 UTC.
    const std::uint64_t steps = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr std::uint64_t kStepsPerSecond = 10000000;
    constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600;
    return static_cast<std::int64_t>(steps / kStepsPerSecond) -
           static_cast<std::int64_t>(kSecondsFrom1601To1970);
}

std::unique_ptr<ScratchFolder> Win32UpdaterSystem::NewDownloadFolder() {
    auto folder = std::make_unique<Win32ScratchFolder>();
    if (!folder->Ready()) {
        return nullptr;
    }
    return folder;
}

InstallerOutcome Win32UpdaterSystem::RunInstaller(const std::filesystem::path& package) {
    const InstallerRun run = RunWindowsInstaller(package);
    return {run.started, run.exitCode, run.systemError};
}

bool Win32UpdaterSystem::SetUpdatedFlag() {
    return registry_.TryWrite(kProductKeyPlace, product_value::kUpdated, ValueType::Dword, EncodeDword(1)) ==
               StoreStatus::Ok &&
           registry_.ReadRegistryBool(kProductKeyPlace, product_value::kUpdated, false);
}

bool Win32UpdaterSystem::StartProgram() {
    // Not with the updater's administrator rights: the desktop shell starts it for the user.
    return StartAsDesktopUser(programFolder_ / kProgramName, programFolder_);
}

void ThreadWorkRunner::Run(const std::function<void()>& work, const std::function<void()>& refresh) {
    const UniqueKernelHandle finished(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!finished) {
        work();
        refresh();
        return;
    }
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        SetEvent(finished.get());
    });
    const HANDLE handles[] = {finished.get()};
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, handles, FALSE, 100, QS_ALLINPUT);
        app_.ProcessMessages();
        if (woke == WAIT_OBJECT_0) {
            break;
        }
        refresh();
    }
    worker.join();
    refresh();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace zentrim
