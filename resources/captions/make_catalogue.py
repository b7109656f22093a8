#!/usr/bin/env python3
"""Writes the English caption catalogue, ENGLISH, beside this script.

The program reads the catalogue byte for byte, so the file is generated rather than edited:
Windows-1252 text without a byte-order mark, CR LF line ends, one line per entry of the form
    Window, Key, "Text"
and one empty line between the sections of different windows. Run it after changing an entry
and commit the generated file with the script.
"""

import pathlib

SECTIONS = [
    ("ZTMainForm", [
        ("ZTMainForm", "Zentrim - Make your computer, games & internet run faster"),
        ("BenefitsLabel", "Benefits of Zentrim"),
        ("BenefitsDescription",
         "Zentrim will optimize this computer and internet speed by adjusting several settings within "
         "Windows.  These changes may improve computer, gaming and internet performance to run faster."),
        ("PerformanceHeading", "Choose the correct settings below"),
        ("OSVersionLabel", "Operating System : "),
        ("ProcessorTypeLabel", "Processor : "),
        ("SpeedLabel", "Speed Setting : "),
        ("ModemTypeLabel", "Internet Type : "),
        ("FastLabel", "Boost"),
        ("FasterLabel", "Maximum Boost"),
        ("VersionInstalledLabel", "Version installed : "),
        ("SoftwareLastUpdateLabel", "Last updated : "),
        ("NavStatic1", "Help"),
        ("NavStatic2", "Home"),
        ("NavStatic3", "Support"),
        ("NavStatic4", "About"),
        ("NavLabel2", "Choose a link below"),
        ("LinkLabel4", "Help with Zentrim"),
        ("LinkLabel5", "Contact tech support"),
        ("LinkLabel6", "Click to visit our website"),
        ("LinkLabel7", "About Zentrim"),
        ("GoButton", "&Optimize now"),
        ("RestoreButton", "&Restore"),
        ("UpdatesButton", " &Check for updates ..."),
        ("HelpFilePopup", "Get &help with Zentrim"),
        ("TechSupportPopup", "&Contact technical support"),
        ("MessageBoxReset1",
         "This will restore all changes made to the computer's system, gaming and internet settings to "
         "their original recommended values."),
        ("MessageBoxReset2", "Click OK to continue."),
        ("MessageBoxChangeRestart1",
         "The changes to the computer's system, gaming and internet performance settings have finished."),
        ("MessageBoxChangeRestart2", "You will need to restart Windows for the changes to become active."),
        ("MessageBoxChangeRestart3", "Click Yes to restart the computer now, or click No to restart later."),
        # Told after a run when some values under HKEY_LOCAL_MACHINE could not be written.
        ("MessageBoxAccessDenied1",
         "Some settings could not be changed because this user account is not allowed to change them."),
        ("MessageBoxAccessDenied2", "Start Zentrim as an administrator to change every setting."),
        # Told when the optimize run could not store a complete backup and so changed nothing.
        ("MessageBoxBackupFailed1",
         "Zentrim could not save a backup of the current settings, so it changed nothing."),
        ("MessageBoxBackupFailed2", "Start Zentrim as an administrator and try again."),
        # Asked when "&Optimize now" or "&Restore" is pressed without administrator rights.
        ("MessageBoxElevate1",
         "Zentrim needs administrator rights to change the computer's system, gaming and internet settings "
         "and to keep a backup of them."),
        ("MessageBoxElevate2",
         "Click Yes to start Zentrim as an administrator, or click No to leave the settings as they are."),
        # Told after a restore that left settings alone because the record of their values from
        # before Zentrim is damaged; the settings are listed between the two paragraphs.
        ("MessageBoxRecordDamaged1",
         "These settings were left as they are, because Zentrim's record of their values from before it "
         "changed them is damaged:"),
        ("MessageBoxRecordDamaged2",
         "Every other setting was restored. Zentrim keeps its backup of the settings; check the settings "
         "above and set them by hand if they should be different."),
    ]),
    ("ZTAboutForm", [
        ("ZTAboutForm", "About Zentrim"),
        ("BannerLabel", "More information about this software"),
        ("VersionLabel", "Zentrim 2  (Version : "),
        ("CopyrightLabel", "Copyright \u00a9 2024 ORVANE. All rights reserved."),
        ("LicenseAgreementLabel", "Click to view the end-user license terms"),
        ("CopyrightWarningLabel",
         "Warning: This computer program is protected by copyright law and international treaties.  "
         "Unauthorized reproduction or distribution of this program, or any portion of it, may result in "
         "severe civil and criminal penalties, and will be prosecuted to the maximum extent possible under "
         "the law."),
        ("HelpButton", "&Help"),
        ("CloseButton", "&Close"),
        ("LicensedMemo",
         "Zentrim is built on the Windows common controls and the tooltip control of the system. Its PNG "
         "pictures are decoded by the Windows Imaging Component, and its update check uses Windows HTTP "
         "Services (WinHTTP). The icons, banners and other artwork in its windows were made for Zentrim "
         "and are \u00a9 2024 ORVANE. Microsoft\u00ae and Windows\u00ae are trademarks of Microsoft "
         "Corporation in the United States and other countries; all other product and company names are "
         "the property of their respective owners. For support and updates, please visit the ORVANE web "
         "site."),
    ]),
    ("ZTSettingsForm", [
        ("ZTSettingsForm", "Updating computer's system, gaming & internet settings"),
        ("MessageUpdate", "Optimizing the computer's system, gaming && internet settings"),
        ("MessageRestore", "Restoring the computer's system, gaming && internet settings"),
        ("MessageChange0", "Finding modem information"),
        ("MessageChange1", "Finding computer information"),
        ("MessageChange2", "Finding total physical memory installed"),
        ("MessageChange3", "Finding hardware adapters"),
        ("MessageChange4", "Finding display device"),
        ("MessageChange5", "Finding 3D graphics device"),
        ("MessageChange6", "Finding processor information"),
        ("MessageChange7", "Finding input devices"),
        ("MessageChange8", "Finding hard drives"),
        ("MessageChange9", "Backing up system, gaming && internet settings"),
        ("MessageChange10", "Writing new system and internet settings"),
        ("MessageChange11", "Restoring system, gaming && internet settings"),
    ]),
    ("ZTUpdateForm", [
        ("ZTUpdateForm", "Update Zentrim"),
        ("BannerLabel", "Download and install updates for Zentrim"),
        ("UpdateHeading", "Check for updates to Zentrim"),
        ("UpdateDescription", "Click the Update button below to download and install updates for Zentrim."),
        ("UpdateLabel1", "Find update"),
        ("UpdateLabel2", "Download update"),
        ("UpdateLabel3", "Install update"),
        ("HelpButton", "&Help"),
        ("UpdateButton", "&Update"),
        ("CloseButton", "&Close"),
        ("MessageBoxAdmin1", "You do not have the proper privilege level to update this software."),
        ("MessageBoxAdmin2", "Please login to the computer as an Administrator."),
        ("MessageBoxNoConnection1", "Could not connect to the internet to check for software updates."),
        ("MessageBoxNoConnection2", "Please check if your internet connection is available."),
        ("MessageBoxNoUpdate1", "There are no updates available for this software."),
        ("MessageBoxNoUpdate2", "You have the current version of the software installed."),
        ("MessageBoxUpdate1", "An update for this software is available to download."),
        ("MessageBoxUpdate2", "Do you want to download and install a new version of this software?"),
        ("MessageBoxManualUpdate1", "This software could not be automatically updated."),
        ("MessageBoxManualUpdate2",
         "Do you want to manually download and install a new version of this software?"),
        ("MessageBoxUpdateRestart1", "The updater could not update some files."),
        ("MessageBoxUpdateRestart2", "You will need to restart Windows for the files to be updated."),
        ("MessageBoxUpdateRestart3", "Click Yes to restart the computer now, or click No to restart later."),
        # The updater's window: its buttons, and its status line with %1, %2, %3 standing for the
        # versions, sizes and reasons it fills in.
        ("InstallButton", "&Install"),
        ("CancelButton", "Cancel"),
        ("StartButton", "&Start Zentrim"),
        ("DevelopmentLabel", "Development build: trusts only the public development key, not ORVANE's."),
        ("StatusChecking", "Asking the update service whether a newer version of Zentrim exists ..."),
        ("StatusUpToDate", "There are no updates available: Zentrim %1 is the current version."),
        ("StatusOffer", "Zentrim %1 is available (you have %2). Click Install to download it (%3) and install it."),
        ("StatusDownloading", "Downloading Zentrim %1 ..."),
        ("ProgressText", "%1 of %2"),
        ("StatusVerifying", "Checking that the download is the file ORVANE published ..."),
        ("StatusInstalling", "Windows Installer is installing Zentrim %1 ..."),
        ("StatusClosingProgram",
         "Closing Zentrim, so that Windows Installer can replace it (a run in progress is finished first) ..."),
        ("StatusFinished", "Zentrim %1 has been installed. Click Start Zentrim to start it."),
        ("StatusStartByHand",
         "Zentrim %1 has been installed, but the updater could not have Windows start it for you. Please "
         "start Zentrim from the Start menu."),
        ("FailNoProgram", "Zentrim.exe was not found beside the updater. Install Zentrim again to update it."),
        ("FailService", "The update service could not be asked: %1. Please check your internet connection and try again later."),
        ("FailServiceUnavailable",
         "The update service is not available at the moment (it answered with the error %1). Please try again "
         "later."),
        ("FailServiceAnswer", "The update service gave an answer the updater does not understand. Please try again later."),
        ("FailManifest", "The description of the new version could not be fetched: %1. Nothing was installed."),
        ("FailSignature", "The description of the new version is not signed by ORVANE. Nothing was installed."),
        ("FailBadManifest", "The description of the new version cannot be read. Nothing was installed."),
        ("FailExpired",
         "The description of the new version expired on %1, so it may be an old one sent again. Nothing was "
         "installed. Please try again later."),
        ("FailNotNewer",
         "The update service offers version %1, which is not newer than the installed version %2. Nothing was installed."),
        ("FailNoPackage", "The new version offers no package for this computer. Nothing was installed."),
        ("FailFolder",
         "No protected folder for the download could be made (the updater needs administrator rights). Nothing "
         "was installed."),
        ("FailDownload", "The download failed: %1. Nothing was installed."),
        ("FailHeld",
         "The download could not be protected against changes until it is installed. Nothing was installed."),
        ("FailSize", "The download does not have the size ORVANE published. Nothing was installed."),
        ("FailHash", "The download is not the file ORVANE published. Nothing was installed."),
        ("FailCancelled", "The update was cancelled. Nothing was installed."),
        ("FailInstallerStart", "Windows Installer could not be started (error %1). Nothing was installed."),
        ("FailInstallerCancelled", "The installation was cancelled. Zentrim stays as it was."),
        ("FailInstaller", "Windows Installer could not install the new version (exit code %1). Zentrim stays as it was."),
        ("FailFlag", "Zentrim %1 has been installed, but the updater could not record the update in the registry."),
        ("ReasonNoConnection", "there is no connection to it"),
        ("ReasonRefused", "it refused the connection"),
        ("ReasonBroken", "the connection broke off"),
        ("ReasonTimedOut", "it stopped answering"),
        ("ReasonErrorStatus", "it answered with the error %1"),
        ("ReasonTooLarge", "the answer was larger than allowed"),
        ("ReasonCancelled", "it was cancelled"),
        ("ReasonFailed", "error %1"),
    ]),
]


def entry_line(window: str, key: str, text: str) -> str:
    # Texts are always quoted, so spaces and commas stay text; a quote inside is doubled.
    return '%s, %s, "%s"' % (window, key, text.replace('"', '""'))


def catalogue_text() -> str:
    sections = []
    for window, entries in SECTIONS:
        sections.append("\r\n".join(entry_line(window, key, text) for key, text in entries) + "\r\n")
    return "\r\n".join(sections)


def main() -> None:
    data = catalogue_text().encode("cp1252")  # fails loudly on a character cp1252 lacks
    target = pathlib.Path(__file__).resolve().parent / "ENGLISH"
    target.write_bytes(data)
    print("%s: %d bytes" % (target, len(data)))


if __name__ == "__main__":
    main()
