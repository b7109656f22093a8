// The main window ("TZTMainForm"): the system profile for the user to confirm, the installed
// version and last update, the optimize, restore and update buttons, and the links to help, the
// maker's pages and the About window. It owns the About and progress windows, created right after
// it, and offers itself to the runs as their view and to the help request as the program's windows.
#pragma once

#include "app/about/about_form.h"
#include "app/progress/progress_form.h"
#include "app/startup/startup.h"
#include "engine/run_view.h"
#include "launch/shell.h"
#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/form.h"
#include "toolkit/image.h"
#include "toolkit/image_list.h"
#include "toolkit/label.h"
#include "toolkit/menu.h"
#include "toolkit/panel.h"
#include "toolkit/picture_combo_box.h"
#include "toolkit/track_bar.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace zentrim {

class CaptionCatalogue;
class ClickSound;
class Clock;
class CustomRegistry;
class DateTextFormatter;
class SystemRestart;
class VersionSource;

// Everything the main window works with, passed in; all of it outlives the window.
struct MainFormDependencies {
    toolkit::Application& app;
    const CustomRegistry& registry;
    const CaptionCatalogue& captions;
    ClickSound& clickSound;
    Shell& shell;
    SystemRestart& restart;
    VersionSource& versionSource;
    const Clock& clock;
    const DateTextFormatter& dateFormatter;
    ProgressPacing pacing = StandardPacing();
    ProgressForm::PauseFunction pause = [](int) {};
    // Whether the process has administrator rights, which the runs need to change the settings of
    // HKEY_LOCAL_MACHINE and to keep their backup. Without them "&Optimize now" and "&Restore"
    // carry the shield and offer to start Zentrim as an administrator instead.
    bool elevated = true;
    // The start lock (start-up's), held from the start of the elevated instance until this process
    // ends, so that the new instance finds no main window and becomes the one.
    std::function<std::unique_ptr<StartLock>()> lockStart{};
};

// The F1 key's virtual key code.
inline constexpr int kVirtualKeyF1 = 0x70;

class MainForm final : public RunView, public ProgramWindows {
public:
    // Builds the layout and runs the preparation (FormCreate), then creates the About window and
    // the progress window, in this order. The window stays hidden until the message loop shows it.
    explicit MainForm(const MainFormDependencies& deps);
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;
    ~MainForm() override;

    toolkit::Form& Form() { return form_; }
    AboutForm& About() { return *about_; }
    ProgressForm& Progress() { return *progress_; }

    // Handlers of the window's events.
    void GoButtonClick();
    void RestoreButtonClick();
    void UpdatesButtonClick();
    void NavButton1Click();
    void NavButton2Click();
    void NavButton3Click();
    void NavButton4Click();
    void HelpFilePopupClick();
    void NavButtonMouseEnter(toolkit::Component& sender);
    void NavButtonMouseLeave(toolkit::Component& sender);
    void LabelMouseEnter(toolkit::Component& sender);
    void LabelMouseLeave(toolkit::Component& sender);
    void ApplicationEventsShortCut(int virtualKey, bool& handled);

    // True while an optimize or restore run is under way.
    bool RunInProgress() const { return runInProgress_; }

    // The screen point the pop-up menu's top right corner is placed at: just below the Help
    // button's bottom right corner.
    toolkit::Point PopupAnchor() const;

    // RunView.
    int WindowsIndex() override;
    int InternetType() override;
    int ProcessorType() override;
    int SpeedSetting() override;
    int ConvertWindowsVersion(int windowsIndex) override;
    void EnableMainWindow(bool enabled) override;
    void EnableRestoreButton(bool enabled) override;
    std::u16string MainWindowTitle() override;
    void ShowProgressWindow() override;
    void SetProgressStepTotal(int total) override;
    void SetProgressStepCount(int count) override;
    void SetProgressHeading(std::u16string_view text) override;
    void ShowProgressStep(std::u16string_view text) override;
    void CloseProgressWindow() override;
    std::u16string GetCaption(std::u16string_view windowName, std::u16string_view key) override;
    void PlayClickSound() override;
    int ShowMessageBox(std::u16string_view text, std::u16string_view title, std::uint32_t flags) override;

    // ProgramWindows.
    bool IsAboutWindowVisible() const override;
    bool IsProgressWindowVisible() const override;
    bool IsMainWindowVisible() const override;

    toolkit::Image& BackgroundImage() { return backgroundImage_; }
    toolkit::Image& TopLogoImage() { return topLogoImage_; }
    toolkit::Image& NavButton(int number) { return *navButtons_.at(number - 1); }
    toolkit::Label& NavStatic(int number) { return *navStatics_.at(number - 1); }
    toolkit::Label& NavLabel2() { return navLabel2_; }
    toolkit::Label& LinkLabel(int number) { return *linkLabels_.at(number - 4); }
    toolkit::Panel& MainPanel() { return mainPanel_; }
    toolkit::Panel& BenefitsPanel() { return benefitsPanel_; }
    toolkit::Label& BenefitsLabel() { return benefitsLabel_; }
    toolkit::Label& BenefitsDescription() { return benefitsDescription_; }
    toolkit::PictureComboBox& WindowsCombo() { return windowsCombo_; }
    toolkit::PictureComboBox& ProcessorCombo() { return processorCombo_; }
    toolkit::PictureComboBox& ModemCombo() { return modemCombo_; }
    toolkit::TrackBar& SpeedTrackBar() { return speedTrackBar_; }
    toolkit::Label& FastLabel() { return fastLabel_; }
    toolkit::Label& FasterLabel() { return fasterLabel_; }
    toolkit::Button& GoButton() { return goButton_; }
    toolkit::Button& RestoreButton() { return restoreButton_; }
    toolkit::Button& UpdatesButton() { return updatesButton_; }
    toolkit::Label& VersionInstalledLabel() { return versionInstalledLabel_; }
    toolkit::Label& SoftwareLastUpdateLabel() { return softwareLastUpdateLabel_; }
    toolkit::PopupMenu& PopupMenu() { return popupMenu_; }
    toolkit::MenuItem& HelpFilePopup() { return helpFilePopup_; }
    toolkit::MenuItem& TechSupportPopup() { return techSupportPopup_; }

private:
    void ConnectEvents();
    void FormCreate() noexcept;
    // Runs an optimize or restore run; a close request that arrives meanwhile is held and carried
    // out once the run has ended.
    template <typename Run> void RunWithHeldClose(Run run);
    // The navigation label that goes with a navigation button or label, by their common place.
    toolkit::Label* NavStaticFor(const toolkit::Component& sender) const;
    // Without administrator rights: asks whether to start Zentrim as an administrator and, once
    // that instance has started, closes this one. Gives whether it did.
    bool OfferAdministratorStart();

    toolkit::Application& app_;
    const CustomRegistry& registry_;
    const CaptionCatalogue& captions_;
    ClickSound& clickSound_;
    Shell& shell_;
    SystemRestart& restart_;
    VersionSource& versionSource_;
    const Clock& clock_;
    const DateTextFormatter& dateFormatter_;
    const bool elevated_;
    std::function<std::unique_ptr<StartLock>()> lockStart_;
    // Declared before the window so that it is let go after the window has gone.
    std::unique_ptr<StartLock> handoverLock_;

    toolkit::Form form_;
    toolkit::ImageList& windowsImages_;
    toolkit::ImageList& listImages_;
    toolkit::Image& backgroundImage_;
    toolkit::Image& topLogoImage_;
    std::array<toolkit::Image*, 4> navButtons_{};
    std::array<toolkit::Label*, 4> navStatics_{};
    toolkit::Label& navLabel2_;
    std::array<toolkit::Label*, 4> linkLabels_{};
    toolkit::Panel& mainPanel_;
    toolkit::Panel& benefitsPanel_;
    toolkit::Label& benefitsLabel_;
    toolkit::Label& benefitsDescription_;
    toolkit::Label& osVersionLabel_;
    toolkit::PictureComboBox& windowsCombo_;
    toolkit::Label& processorTypeLabel_;
    toolkit::PictureComboBox& processorCombo_;
    toolkit::Label& modemTypeLabel_;
    toolkit::PictureComboBox& modemCombo_;
    toolkit::Label& speedLabel_;
    toolkit::TrackBar& speedTrackBar_;
    toolkit::Label& fastLabel_;
    toolkit::Label& fasterLabel_;
    toolkit::Bevel& lineSeparator1_;
    toolkit::Button& goButton_;
    toolkit::Button& restoreButton_;
    toolkit::Bevel& lineSeparator2_;
    toolkit::Label& versionInstalledLabel_;
    toolkit::Label& softwareLastUpdateLabel_;
    toolkit::Button& updatesButton_;
    toolkit::PopupMenu& popupMenu_;
    toolkit::MenuItem& helpFilePopup_;
    toolkit::MenuItem& n1_;
    toolkit::MenuItem& techSupportPopup_;

    std::optional<AboutForm> about_;
    std::optional<ProgressForm> progress_;
    const toolkit::Form* progressWindow_ = nullptr;

    bool runInProgress_ = false;
    bool closeHeld_ = false;
};

} // namespace zentrim
