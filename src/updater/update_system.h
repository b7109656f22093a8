// The updater's other contacts with Windows: the installed program's version, a private folder for
// the download, and Windows Installer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace zentrim {

// The file version of a program from its version resource, as "a.b.c.d"; nothing when the file
// has none or cannot be read.
std::optional<std::u16string> ProgramFileVersion(const std::filesystem::path& program);

// A fresh folder of our own under the user's temporary folder: a new name, created here, so an
// existing folder is never reused. It is removed with everything in it (read-only files too; links
// inside are removed, never followed) when the object goes, whatever happened.
class DownloadFolder {
public:
    DownloadFolder();
    DownloadFolder(const DownloadFolder&) = delete;
    DownloadFolder& operator=(const DownloadFolder&) = delete;
    ~DownloadFolder();

    // False when no folder could be made; Path() is empty then.
    bool Ready() const { return !path_.empty(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

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

} // namespace zentrim
