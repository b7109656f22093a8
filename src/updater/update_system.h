// The updater's other contacts with Windows: the installed program's version, a protected folder for
// the download and the package held in it, Windows Installer, and the start of the new program
// with the signed-in user's rights.
#pragma once

#include "base/unique_handle_win32.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zentrim {

// The file version of a program from its version resource, as "a.b.c.d"; nothing when the file
// has none or cannot be read.
std::optional<std::u16string> ProgramFileVersion(const std::filesystem::path& program);

// A file opened for reading with only read sharing: while it is held no one can write, rename or
// delete it, and other readers (Windows Installer) can still open it.
class HeldFile {
public:
    // Opens `file` itself, never what a link there points to; a link, a folder, a file with more
    // than one name or one another handle may still write is refused (Held() is false then).
    explicit HeldFile(const std::filesystem::path& file);

    bool Held() const { return static_cast<bool>(handle_); }
    const std::filesystem::path& Path() const { return path_; }
    std::optional<std::uint64_t> Size() const;
    // The SHA-256 of the whole content, read through the held handle.
    std::optional<std::array<std::uint8_t, 32>> Sha256() const;

private:
    std::filesystem::path path_;
    UniqueKernelHandle handle_;
};

// A fresh folder for the download in the program data folder ("ZentrimUpdate-<random>"), created
// with a protected access list that lets only the system and the administrators in, so that no
// program of the user can replace what the updater checks before Windows Installer reads it. The
// updater holds the folder open from its creation, so it cannot be renamed or replaced meanwhile.
// When the object goes the folder is removed with what is in it, by handle: nothing is ever
// followed through a link.
class DownloadFolder {
public:
    DownloadFolder();
    // The same in another parent folder (tests).
    explicit DownloadFolder(const std::filesystem::path& parent);
    DownloadFolder(const DownloadFolder&) = delete;
    DownloadFolder& operator=(const DownloadFolder&) = delete;
    ~DownloadFolder();

    // False when no folder could be made; Path() is empty then.
    bool Ready() const { return static_cast<bool>(handle_); }
    const std::filesystem::path& Path() const { return path_; }

    // Removes the folder now (the destructor does it otherwise). Only what lies in the folder the
    // updater made is removed: when its name no longer leads to that folder, nothing inside is
    // touched; an entry that is a link is removed itself, never followed; an entry that changed
    // between the listing and its opening is left alone. Whatever is left keeps the folder.
    // `beforeEntry` is called with each entry's name just before it is opened (tests change the
    // folder there).
    void Remove(const std::function<void(std::wstring_view name)>& beforeEntry = {});

private:
    void Create(const std::filesystem::path& parent);

    std::filesystem::path path_;
    UniqueKernelHandle handle_;
    std::uint64_t volume_ = 0;
    std::uint64_t fileId_ = 0;
};

// The program data folder ("C:\ProgramData"), where download folders are made.
std::optional<std::filesystem::path> ProgramDataFolder();

struct InstallerRun {
    bool started = false;
    std::uint32_t exitCode = 0;    // when started: the installer's exit code (0 done, 3010 restart, 1602 ...)
    std::uint32_t systemError = 0; // when not started: why
};

// Runs Windows Installer on a package as the user sees it: msiexec.exe from the system folder with
// /i "<package>" /qb through the shell (Windows asks for elevation itself), and waits until it ends.
// Blocking: the caller runs it on a worker thread.
InstallerRun RunWindowsInstaller(const std::filesystem::path& package);
// The same with another installer program, given the same arguments (tests pass a stand-in).
InstallerRun RunWindowsInstaller(const std::filesystem::path& package,
                                 const std::filesystem::path& installerProgram);

// Starts `program` in `folder` with the rights of the user signed in at the desktop rather than
// this process's: the desktop shell starts it (its IShellDispatch2::ShellExecute, reached through
// the shell's own window). False when the shell could not be asked; nothing is started then.
bool StartAsDesktopUser(const std::filesystem::path& program, const std::filesystem::path& folder);

} // namespace zentrim
