#!/usr/bin/env python3
"""Writes the caption catalogues beside this script: ENGLISH from the table below and one
catalogue per language from translations/<language>.py (GERMAN from translations/german.py).

The program reads the catalogues byte for byte, so the files are generated rather than edited:
CR LF line ends, one line per entry of the form
    Window, Key, "Text"
and one empty line between the sections of different windows. ENGLISH and the western languages
are Windows-1252 text without a byte-order mark; a language with characters outside that code
page (Polish, Russian) is UTF-8 with a byte-order mark. Before writing anything the script checks
that every translation has exactly the English keys in the English order and keeps what the
English texts carry beyond words (accelerators, "&&", leading and trailing spaces, %1 fill-ins);
it writes nothing and fails when one does not. Run it after changing an entry and commit the
generated files with the sources.
"""

import importlib.util
import pathlib
import re
import sys

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


# The translations, by the catalogue's resource name; each module holds ENCODING and SECTIONS,
# a dict of window name to a dict of key to text.
LANGUAGES = ["GERMAN", "FRENCH", "SPANISH", "ITALIAN", "PORTUGUESE", "DUTCH", "POLISH", "RUSSIAN"]

# The buttons and menu items that share one keyboard scope: an "&" letter must be unique in each.
ACCELERATOR_SCOPES = [
    ("ZTMainForm", ["GoButton", "RestoreButton", "UpdatesButton"]),
    ("ZTMainForm", ["HelpFilePopup", "TechSupportPopup"]),
    ("ZTAboutForm", ["HelpButton", "CloseButton"]),
    ("ZTUpdateForm", ["HelpButton", "UpdateButton", "CloseButton", "InstallButton", "CancelButton",
                      "StartButton"]),
]

HERE = pathlib.Path(__file__).resolve().parent


def entry_line(window: str, key: str, text: str) -> str:
    # Texts are always quoted, so spaces and commas stay text; a quote inside is doubled.
    return '%s, %s, "%s"' % (window, key, text.replace('"', '""'))


def catalogue_text(sections) -> str:
    parts = []
    for window, entries in sections:
        parts.append("\r\n".join(entry_line(window, key, text) for key, text in entries) + "\r\n")
    return "\r\n".join(parts)


def load_translation(language: str):
    path = HERE / "translations" / (language.lower() + ".py")
    loader_source = importlib.util.spec_from_file_location("translation_" + language.lower(), path)
    module = importlib.util.module_from_spec(loader_source)
    loader_source.loader.exec_module(module)
    return module.ENCODING, [(window, list(entries.items())) for window, entries in module.SECTIONS.items()]


def accelerator(text: str):
    """The letter after a single "&" (lower-cased), or None; "&&" is a literal ampersand."""
    found = re.search(r"(?<!&)&(?!&)(.)", text.replace("&&", "\0\0"))
    return found.group(1).lower() if found else None


def shape(text: str):
    """What a translation keeps of the English text beyond its words."""
    stripped = text.replace("&&", "")
    return {
        "&&": text.count("&&"),
        "&": stripped.count("&"),
        "leading": len(text) - len(text.lstrip(" ")),
        "trailing": len(text) - len(text.rstrip(" ")),
        "fill-ins": sorted(re.findall(r"%[0-9]", text)),
    }


def problems(language: str, encoding: str, sections) -> list:
    found = []
    english_keys = [(w, [k for k, _ in e]) for w, e in SECTIONS]
    keys = [(w, [k for k, _ in e]) for w, e in sections]
    if keys != english_keys:
        found.append("the windows and keys differ from ENGLISH's (order included)")
        return found
    english = {(w, k): t for w, e in SECTIONS for k, t in e}
    texts = {(w, k): t for w, e in sections for k, t in e}
    for place, text in texts.items():
        if shape(text) != shape(english[place]):
            found.append("%s.%s keeps %s, ENGLISH %s" % (*place, shape(text), shape(english[place])))
        if not text.strip() or "\r" in text or "\n" in text:
            found.append("%s.%s is empty or holds a line end" % place)
    if texts[("ZTAboutForm", "VersionLabel")][:12] != "Zentrim 2  (":
        found.append("VersionLabel does not begin with \"Zentrim 2  (\"")
    for window, scope in ACCELERATOR_SCOPES:
        letters = [accelerator(texts[(window, key)]) for key in scope]
        letters = [letter for letter in letters if letter is not None]
        if len(letters) != len(set(letters)) or any(not letter.isalnum() for letter in letters):
            found.append("accelerators of %s %s are not unique letters: %s" % (window, scope, letters))
    text = catalogue_text(sections)
    try:
        text.encode("cp1252")
        fits_1252 = True
    except UnicodeEncodeError:
        fits_1252 = False
    wanted = "cp1252" if fits_1252 else "utf-8-sig"
    if encoding != wanted:
        found.append("encoding %s, but the texts call for %s" % (encoding, wanted))
    return found


def main() -> None:
    outputs = [("ENGLISH", catalogue_text(SECTIONS).encode("cp1252"))]  # fails loudly outside cp1252
    failed = False
    for language in LANGUAGES:
        encoding, sections = load_translation(language)
        for problem in problems(language, encoding, sections):
            print("%s: %s" % (language, problem), file=sys.stderr)
            failed = True
        outputs.append((language, catalogue_text(sections).encode(encoding)))
    if failed:
        sys.exit(1)
    for name, data in outputs:
        target = HERE / name
        target.write_bytes(data)
        print("%s: %d bytes" % (target, len(data)))


if __name__ == "__main__":
    main()
