// The English catalogue as shipped: every entry with its text, the layout of the file, and the
// About window filled from it.
#include "ui/apply_captions.h"

#include "base/text.h"
#include "engine/memory_registry_store.h"
#include "engine/product_key.h"
#include "toolkit/application.h"
#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/form.h"
#include "toolkit/headless_backend.h"
#include "toolkit/image.h"
#include "toolkit/image_list.h"
#include "toolkit/label.h"
#include "toolkit/memo.h"
#include "toolkit/menu.h"
#include "toolkit/panel.h"
#include "toolkit/picture_combo_box.h"
#include "toolkit/progress_bar.h"
#include "toolkit/track_bar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using Fields = std::vector<std::u16string>;

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// The English catalogue as shipped, read from the source tree.
class EnglishCatalogue : public testing::Test {
protected:
    static std::string FileBytes() {
        std::ifstream file(std::string(ZENTRIM_RESOURCES_DIR) + "/captions/ENGLISH", std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FolderCatalogueSource catalogues_{std::string(ZENTRIM_RESOURCES_DIR) + "/captions"};
    CaptionCatalogue captions_{registry_, catalogues_};
};

struct Entry {
    std::u16string_view window;
    std::u16string_view key;
    std::u16string_view text;
};

// Every entry in catalogue order; the copyright notice and the acknowledgements are checked apart.
constexpr Entry kEnglishEntries[] = {
    {u"ZTMainForm", u"ZTMainForm", u"Zentrim - Make your computer, games & internet run faster"},
    {u"ZTMainForm", u"BenefitsLabel", u"Benefits of Zentrim"},
    {u"ZTMainForm", u"BenefitsDescription",
     u"Zentrim will optimize this computer and internet speed by adjusting several settings within Windows.  "
     u"These changes may improve computer, gaming and internet performance to run faster."},
    {u"ZTMainForm", u"PerformanceHeading", u"Choose the correct settings below"},
    {u"ZTMainForm", u"OSVersionLabel", u"Operating System : "},
    {u"ZTMainForm", u"ProcessorTypeLabel", u"Processor : "},
    {u"ZTMainForm", u"SpeedLabel", u"Speed Setting : "},
    {u"ZTMainForm", u"ModemTypeLabel", u"Internet Type : "},
    {u"ZTMainForm", u"FastLabel", u"Boost"},
    {u"ZTMainForm", u"FasterLabel", u"Maximum Boost"},
    {u"ZTMainForm", u"VersionInstalledLabel", u"Version installed : "},
    {u"ZTMainForm", u"SoftwareLastUpdateLabel", u"Last updated : "},
    {u"ZTMainForm", u"NavStatic1", u"Help"},
    {u"ZTMainForm", u"NavStatic2", u"Home"},
    {u"ZTMainForm", u"NavStatic3", u"Support"},
    {u"ZTMainForm", u"NavStatic4", u"About"},
    {u"ZTMainForm", u"NavLabel2", u"Choose a link below"},
    {u"ZTMainForm", u"LinkLabel4", u"Help with Zentrim"},
    {u"ZTMainForm", u"LinkLabel5", u"Contact tech support"},
    {u"ZTMainForm", u"LinkLabel6", u"Click to visit our website"},
    {u"ZTMainForm", u"LinkLabel7", u"About Zentrim"},
    {u"ZTMainForm", u"GoButton", u"&Optimize now"},
    {u"ZTMainForm", u"RestoreButton", u"&Restore"},
    {u"ZTMainForm", u"UpdatesButton", u" &Check for updates ..."},
    {u"ZTMainForm", u"HelpFilePopup", u"Get &help with Zentrim"},
    {u"ZTMainForm", u"TechSupportPopup", u"&Contact technical support"},
    {u"ZTMainForm", u"MessageBoxReset1",
     u"This will restore all changes made to the computer's system, gaming and internet settings to their "
     u"original recommended values."},
    {u"ZTMainForm", u"MessageBoxReset2", u"Click OK to continue."},
    {u"ZTMainForm", u"MessageBoxChangeRestart1",
     u"The changes to the computer's system, gaming and internet performance settings have finished."},
    {u"ZTMainForm", u"MessageBoxChangeRestart2",
     u"You will need to restart Windows for the changes to become active."},
    {u"ZTMainForm", u"MessageBoxChangeRestart3",
     u"Click Yes to restart the computer now, or click No to restart later."},
    {u"ZTMainForm", u"MessageBoxAccessDenied1",
     u"Some settings could not be changed because this user account is not allowed to change them."},
    {u"ZTMainForm", u"MessageBoxAccessDenied2",
     u"Start Zentrim as an administrator to change every setting."},
    {u"ZTMainForm", u"MessageBoxBackupFailed1",
     u"Zentrim could not save a backup of the current settings, so it changed nothing."},
    {u"ZTMainForm", u"MessageBoxBackupFailed2", u"Start Zentrim as an administrator and try again."},
    {u"ZTMainForm", u"MessageBoxElevate1",
     u"Zentrim needs administrator rights to change the computer's system, gaming and internet settings and "
     u"to "
     u"keep a backup of them."},
    {u"ZTMainForm", u"MessageBoxElevate2",
     u"Click Yes to start Zentrim as an administrator, or click No to leave the settings as they are."},
    {u"ZTMainForm", u"MessageBoxRecordDamaged1",
     u"These settings were left as they are, because Zentrim's record of their values from before it changed "
     u"them is damaged:"},
    {u"ZTMainForm", u"MessageBoxRecordDamaged2",
     u"Every other setting was restored. Zentrim keeps its backup of the settings; check the settings above "
     u"and set them by hand if they should be different."},
    {u"ZTAboutForm", u"ZTAboutForm", u"About Zentrim"},
    {u"ZTAboutForm", u"BannerLabel", u"More information about this software"},
    {u"ZTAboutForm", u"VersionLabel", u"Zentrim 2  (Version : "},
    {u"ZTAboutForm", u"CopyrightLabel", {}},
    {u"ZTAboutForm", u"LicenseAgreementLabel", u"Click to view the end-user license terms"},
    {u"ZTAboutForm", u"CopyrightWarningLabel",
     u"Warning: This computer program is protected by copyright law and international treaties.  "
     u"Unauthorized "
     u"reproduction or distribution of this program, or any portion of it, may result in severe civil and "
     u"criminal penalties, and will be prosecuted to the maximum extent possible under the law."},
    {u"ZTAboutForm", u"HelpButton", u"&Help"},
    {u"ZTAboutForm", u"CloseButton", u"&Close"},
    {u"ZTAboutForm", u"LicensedMemo", {}},
    {u"ZTSettingsForm", u"ZTSettingsForm", u"Updating computer's system, gaming & internet settings"},
    {u"ZTSettingsForm", u"MessageUpdate", u"Optimizing the computer's system, gaming && internet settings"},
    {u"ZTSettingsForm", u"MessageRestore", u"Restoring the computer's system, gaming && internet settings"},
    {u"ZTSettingsForm", u"MessageChange0", u"Finding modem information"},
    {u"ZTSettingsForm", u"MessageChange1", u"Finding computer information"},
    {u"ZTSettingsForm", u"MessageChange2", u"Finding total physical memory installed"},
    {u"ZTSettingsForm", u"MessageChange3", u"Finding hardware adapters"},
    {u"ZTSettingsForm", u"MessageChange4", u"Finding display device"},
    {u"ZTSettingsForm", u"MessageChange5", u"Finding 3D graphics device"},
    {u"ZTSettingsForm", u"MessageChange6", u"Finding processor information"},
    {u"ZTSettingsForm", u"MessageChange7", u"Finding input devices"},
    {u"ZTSettingsForm", u"MessageChange8", u"Finding hard drives"},
    {u"ZTSettingsForm", u"MessageChange9", u"Backing up system, gaming && internet settings"},
    {u"ZTSettingsForm", u"MessageChange10", u"Writing new system and internet settings"},
    {u"ZTSettingsForm", u"MessageChange11", u"Restoring system, gaming && internet settings"},
    {u"ZTUpdateForm", u"ZTUpdateForm", u"Update Zentrim"},
    {u"ZTUpdateForm", u"BannerLabel", u"Download and install updates for Zentrim"},
    {u"ZTUpdateForm", u"UpdateHeading", u"Check for updates to Zentrim"},
    {u"ZTUpdateForm", u"UpdateDescription",
     u"Click the Update button below to download and install updates for Zentrim."},
    {u"ZTUpdateForm", u"UpdateLabel1", u"Find update"},
    {u"ZTUpdateForm", u"UpdateLabel2", u"Download update"},
    {u"ZTUpdateForm", u"UpdateLabel3", u"Install update"},
    {u"ZTUpdateForm", u"HelpButton", u"&Help"},
    {u"ZTUpdateForm", u"UpdateButton", u"&Update"},
    {u"ZTUpdateForm", u"CloseButton", u"&Close"},
    {u"ZTUpdateForm", u"MessageBoxAdmin1",
     u"You do not have the proper privilege level to update this software."},
    {u"ZTUpdateForm", u"MessageBoxAdmin2", u"Please login to the computer as an Administrator."},
    {u"ZTUpdateForm", u"MessageBoxNoConnection1",
     u"Could not connect to the internet to check for software updates."},
    {u"ZTUpdateForm", u"MessageBoxNoConnection2", u"Please check if your internet connection is available."},
    {u"ZTUpdateForm", u"MessageBoxNoUpdate1", u"There are no updates available for this software."},
    {u"ZTUpdateForm", u"MessageBoxNoUpdate2", u"You have the current version of the software installed."},
    {u"ZTUpdateForm", u"MessageBoxUpdate1", u"An update for this software is available to download."},
    {u"ZTUpdateForm", u"MessageBoxUpdate2",
     u"Do you want to download and install a new version of this software?"},
    {u"ZTUpdateForm", u"MessageBoxManualUpdate1", u"This software could not be automatically updated."},
    {u"ZTUpdateForm", u"MessageBoxManualUpdate2",
     u"Do you want to manually download and install a new version of this software?"},
    {u"ZTUpdateForm", u"MessageBoxUpdateRestart1", u"The updater could not update some files."},
    {u"ZTUpdateForm", u"MessageBoxUpdateRestart2",
     u"You will need to restart Windows for the files to be updated."},
    {u"ZTUpdateForm", u"MessageBoxUpdateRestart3",
     u"Click Yes to restart the computer now, or click No to restart later."},
    // The updater's window.
    {u"ZTUpdateForm", u"InstallButton", u"&Install"},
    {u"ZTUpdateForm", u"CancelButton", u"Cancel"},
    {u"ZTUpdateForm", u"StartButton", u"&Start Zentrim"},
    {u"ZTUpdateForm", u"DevelopmentLabel",
     u"Development build: trusts only the public development key, not ORVANE's."},
    {u"ZTUpdateForm", u"StatusChecking",
     u"Asking the update service whether a newer version of Zentrim exists ..."},
    {u"ZTUpdateForm", u"StatusUpToDate",
     u"There are no updates available: Zentrim %1 is the current version."},
    {u"ZTUpdateForm", u"StatusOffer",
     u"Zentrim %1 is available (you have %2). Click Install to download it (%3) and install it."},
    {u"ZTUpdateForm", u"StatusDownloading", u"Downloading Zentrim %1 ..."},
    {u"ZTUpdateForm", u"ProgressText", u"%1 of %2"},
    {u"ZTUpdateForm", u"StatusVerifying", u"Checking that the download is the file ORVANE published ..."},
    {u"ZTUpdateForm", u"StatusInstalling", u"Windows Installer is installing Zentrim %1 ..."},
    {u"ZTUpdateForm", u"StatusClosingProgram",
     u"Closing Zentrim, so that Windows Installer can replace it (a run in progress is finished first) ..."},
    {u"ZTUpdateForm", u"StatusFinished", u"Zentrim %1 has been installed. Click Start Zentrim to start it."},
    {u"ZTUpdateForm", u"StatusStartByHand",
     u"Zentrim %1 has been installed, but the updater could not have Windows start it for you. Please start "
     u"Zentrim from the Start menu."},
    {u"ZTUpdateForm", u"FailNoProgram",
     u"Zentrim.exe was not found beside the updater. Install Zentrim again to update it."},
    {u"ZTUpdateForm", u"FailService",
     u"The update service could not be asked: %1. Please check your internet connection and try again "
     u"later."},
    {u"ZTUpdateForm", u"FailServiceUnavailable",
     u"The update service is not available at the moment (it answered with the error %1). Please try again "
     u"later."},
    {u"ZTUpdateForm", u"FailServiceAnswer",
     u"The update service gave an answer the updater does not understand. Please try again later."},
    {u"ZTUpdateForm", u"FailManifest",
     u"The description of the new version could not be fetched: %1. Nothing was installed."},
    {u"ZTUpdateForm", u"FailSignature",
     u"The description of the new version is not signed by ORVANE. Nothing was installed."},
    {u"ZTUpdateForm", u"FailBadManifest",
     u"The description of the new version cannot be read. Nothing was installed."},
    {u"ZTUpdateForm", u"FailExpired",
     u"The description of the new version expired on %1, so it may be an old one sent again. Nothing was "
     u"installed. "
     u"Please try again later."},
    {u"ZTUpdateForm", u"FailNotNewer",
     u"The update service offers version %1, which is not newer than the installed version %2. Nothing was "
     u"installed."},
    {u"ZTUpdateForm", u"FailNoPackage",
     u"The new version offers no package for this computer. Nothing was installed."},
    {u"ZTUpdateForm", u"FailFolder",
     u"No protected folder for the download could be made (the updater needs administrator rights). Nothing "
     u"was "
     u"installed."},
    {u"ZTUpdateForm", u"FailDownload", u"The download failed: %1. Nothing was installed."},
    {u"ZTUpdateForm", u"FailHeld",
     u"The download could not be protected against changes until it is installed. Nothing was installed."},
    {u"ZTUpdateForm", u"FailSize",
     u"The download does not have the size ORVANE published. Nothing was installed."},
    {u"ZTUpdateForm", u"FailHash", u"The download is not the file ORVANE published. Nothing was installed."},
    {u"ZTUpdateForm", u"FailCancelled", u"The update was cancelled. Nothing was installed."},
    {u"ZTUpdateForm", u"FailInstallerStart",
     u"Windows Installer could not be started (error %1). Nothing was installed."},
    {u"ZTUpdateForm", u"FailInstallerCancelled", u"The installation was cancelled. Zentrim stays as it was."},
    {u"ZTUpdateForm", u"FailInstaller",
     u"Windows Installer could not install the new version (exit code %1). Zentrim stays as it was."},
    {u"ZTUpdateForm", u"FailFlag",
     u"Zentrim %1 has been installed, but the updater could not record the update in the registry."},
    {u"ZTUpdateForm", u"ReasonNoConnection", u"there is no connection to it"},
    {u"ZTUpdateForm", u"ReasonRefused", u"it refused the connection"},
    {u"ZTUpdateForm", u"ReasonBroken", u"the connection broke off"},
    {u"ZTUpdateForm", u"ReasonTimedOut", u"it stopped answering"},
    {u"ZTUpdateForm", u"ReasonErrorStatus", u"it answered with the error %1"},
    {u"ZTUpdateForm", u"ReasonTooLarge", u"the answer was larger than allowed"},
    {u"ZTUpdateForm", u"ReasonCancelled", u"it was cancelled"},
    {u"ZTUpdateForm", u"ReasonFailed", u"error %1"},
};

TEST_F(EnglishCatalogue, EveryEntryIsFoundWithItsText) {
    for (const Entry& entry : kEnglishEntries) {
        if (!entry.text.empty()) {
            EXPECT_EQ(captions_.GetCaption(entry.window, entry.key), entry.text) << ToUtf8(entry.key);
        }
    }
    const std::u16string copyright = captions_.GetCaption(u"ZTAboutForm", u"CopyrightLabel");
    EXPECT_NE(copyright.find(u"Copyright \u00A9 2024 ORVANE"), std::u16string::npos) << ToUtf8(copyright);
    const std::u16string acknowledgements = captions_.GetCaption(u"ZTAboutForm", u"LicensedMemo");
    for (const std::u16string_view part : {u"common controls", u"Windows Imaging Component", u"WinHTTP",
                                           u"Microsoft\u00AE", u"trademarks", u"web site"}) {
        EXPECT_NE(acknowledgements.find(part), std::u16string::npos) << ToUtf8(part);
    }
}

// The file holds exactly the entries above, in order, four sections apart by one empty line, each
// line written as Window, Key, "Text".
TEST_F(EnglishCatalogue, LayoutOfTheFile) {
    const std::string bytes = FileBytes();
    ASSERT_FALSE(bytes.empty());
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
        }
        if (bytes[i] == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at byte " << i;
        }
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x80) {
            EXPECT_TRUE(byte == 0xA9 || byte == 0xAE) << "byte " << int{byte} << " at " << i;
        }
    }
    EXPECT_NE(bytes.find("\"Copyright \xA9 2024"), std::string::npos);

    const std::u16string text = DecodeCatalogueText(Bytes(bytes));
    std::vector<std::u16string_view> lines = SplitCatalogueLines(text);
    std::size_t next = 0;
    std::u16string_view section;
    for (const std::u16string_view line : lines) {
        if (line.empty()) {
            ASSERT_LT(next, std::size(kEnglishEntries));
            EXPECT_NE(kEnglishEntries[next].window, section) << "empty line inside a section";
            continue;
        }
        ASSERT_LT(next, std::size(kEnglishEntries)) << ToUtf8(line);
        const Entry& entry = kEnglishEntries[next++];
        const Fields fields = SplitCatalogueFields(line);
        ASSERT_EQ(fields.size(), 3u) << ToUtf8(line);
        EXPECT_EQ(fields[0], entry.window);
        EXPECT_EQ(fields[1], entry.key);
        if (!entry.text.empty()) {
            EXPECT_EQ(fields[2], entry.text);
        }
        EXPECT_EQ(line, std::u16string(entry.window) + u", " + std::u16string(entry.key) + u", \"" +
                            fields[2] + u"\"");
        section = entry.window;
    }
    EXPECT_EQ(next, std::size(kEnglishEntries));
    // One empty line between each pair of sections, none elsewhere.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::u16string_view()), 3);
}

TEST_F(EnglishCatalogue, FillsTheAboutWindow) {
    toolkit::HeadlessBackend backend;
    toolkit::Application app(backend);
    toolkit::Form form(app, {.className = u"TZTAboutForm", .name = u"ZTAboutForm"});
    auto& panel = form.Add<toolkit::Panel>({.name = u"AboutPanel"});
    auto& version = form.Add<toolkit::Label>({.name = u"VersionLabel", .parent = &panel});
    auto& memo = form.Add<toolkit::Memo>({.name = u"LicensedMemo", .parent = &panel});
    auto& help = form.Add<toolkit::Button>({.name = u"HelpButton"});
    auto& close = form.Add<toolkit::Button>({.name = u"CloseButton"});
    ApplyCaptions(captions_, form);
    EXPECT_EQ(form.Caption(), u"About Zentrim");
    EXPECT_EQ(panel.Caption(), u"");
    EXPECT_EQ(version.Caption(), u"Zentrim 2  (Version : ");
    EXPECT_EQ(memo.Text(), captions_.GetCaption(u"ZTAboutForm", u"LicensedMemo"));
    EXPECT_EQ(help.Caption(), u"&Help"); // not the update section's entry of the same key
    EXPECT_EQ(close.Caption(), u"&Close");
}

TEST_F(EnglishCatalogue, IsFoundByTheLanguageInAnyCase) {
    for (const std::u16string_view language : {u"english", u"English", u"ENGLISH", u""}) {
        registry_.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kLanguage, language,
                                      RegistryView::Default());
        EXPECT_EQ(captions_.GetCaption(u"ZTAboutForm", u"ZTAboutForm"), u"About Zentrim") << ToUtf8(language);
    }
    // Names without a catalogue of the program, a file beside the catalogue among them, use English.
    for (const std::u16string_view language : {u"klingon", u"make_catalogue.py", u"..", u"ENGLISH/.."}) {
        registry_.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kLanguage, language,
                                      RegistryView::Default());
        EXPECT_EQ(captions_.GetCaption(u"ZTAboutForm", u"ZTAboutForm"), u"About Zentrim") << ToUtf8(language);
    }
}

} // namespace
} // namespace zentrim
