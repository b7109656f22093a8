#include "updater/updater_system_win32.h"

#include "base/unique_handle_win32.h"
#include "engine/product_key.h"
#include "updater/update_crypto.h"
#include "updater/update_system.h"

#include <windows.h>

#include <shellapi.h>

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

namespace zentrim {

namespace {

constexpr wchar_t kProgramName[] = L"Zentrim.exe";

class Win32ScratchFolder final : public ScratchFolder {
public:
    const std::filesystem::path& Path() const override { return folder_.Path(); }
    bool Ready() const { return folder_.Ready(); }

private:
    DownloadFolder folder_;
};

} // namespace

Win32UpdaterSystem::Win32UpdaterSystem(std::filesystem::path programFolder, const CustomRegistry& registry,
                                       std::unique_ptr<UpdateTransport> transport,
                                       std::span<const std::uint8_t, 64> publicKey)
    : programFolder_(std::move(programFolder)), registry_(registry), transport_(std::move(transport)),
      publicKey_(publicKey) {}

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
    return VerifyEcdsaP256Sha256(manifest, signature, publicKey_);
}

std::optional<std::array<std::uint8_t, 32>>
Win32UpdaterSystem::FileSha256(const std::filesystem::path& file) {
    return zentrim::FileSha256(file);
}

std::uint64_t Win32UpdaterSystem::FileSize(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
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
    return registry_.TryWrite(kProductKeyRoot, ProductKeyPath, product_value::kUpdated, ValueType::Dword,
                              EncodeDword(1), kProductKeyView) == StoreStatus::Ok &&
           registry_.ReadRegistryBool(kProductKeyRoot, ProductKeyPath, product_value::kUpdated, false,
                                      kProductKeyView);
}

bool Win32UpdaterSystem::StartProgram() {
    const std::wstring program = (programFolder_ / kProgramName).wstring();
    const std::wstring folder = programFolder_.wstring();
    return reinterpret_cast<INT_PTR>(
               ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL)) > 32;
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
