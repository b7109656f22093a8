// What the optimize and restore runs need from the windows, in the runs' own words. The main
// window implements it over its controls, the progress window, the caption catalogue, the click
// sound and the message box; tests implement it with a recording fake.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zentrim {

// MessageBoxW flags and answers the runs use, by their Windows values.
namespace message_box {
inline constexpr std::uint32_t kOk = 0x000;
inline constexpr std::uint32_t kOkCancel = 0x001;
inline constexpr std::uint32_t kYesNo = 0x004;
inline constexpr std::uint32_t kIconWarning = 0x030;
inline constexpr std::uint32_t kDefaultButton2 = 0x100;

inline constexpr std::uint32_t kRestartQuestion =
    kYesNo | kIconWarning | kDefaultButton2; // No is the default
inline constexpr std::uint32_t kRestoreConfirmation = kOkCancel | kIconWarning;
inline constexpr std::uint32_t kAccessWarning = kOk | kIconWarning;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
} // namespace message_box

class RunView {
public:
    virtual ~RunView() = default;

    // The main window's four choices, read at the moment the run needs them.
    virtual int WindowsIndex() = 0;  // WindowsCombo; -1 when nothing is selected
    virtual int InternetType() = 0;  // ModemCombo; -1 when nothing is selected
    virtual int ProcessorType() = 0; // ProcessorCombo; -1 when nothing is selected
    virtual int SpeedSetting() = 0;  // SpeedTrackBar position
    // The OS class of a Windows list index, as the main window offers it.
    virtual int ConvertWindowsVersion(int windowsIndex) = 0;

    // The main window taking input or not.
    virtual void EnableMainWindow(bool enabled) = 0;
    virtual void EnableRestoreButton(bool enabled) = 0;
    virtual std::u16string MainWindowTitle() = 0;

    // The progress window: shown centred over the main window without being modal; its two
    // counters; its heading; one step (returns when the step is over and the bar has moved); hidden.
    virtual void ShowProgressWindow() = 0;
    virtual void SetProgressStepTotal(int total) = 0;
    virtual void SetProgressStepCount(int count) = 0;
    virtual void SetProgressHeading(std::u16string_view text) = 0;
    virtual void ShowProgressStep(std::u16string_view text) = 0;
    virtual void CloseProgressWindow() = 0;

    // A text of the caption catalogue; empty when the key is missing.
    virtual std::u16string GetCaption(std::u16string_view windowName, std::u16string_view key) = 0;
    // Plays the click sound to its end.
    virtual void PlayClickSound() = 0;
    // A message box owned by the main window; gives the button pressed (IDOK, IDYES, ...).
    virtual int ShowMessageBox(std::u16string_view text, std::u16string_view title, std::uint32_t flags) = 0;
};

} // namespace zentrim
