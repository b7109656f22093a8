// The system profile: the Windows, processor and internet-type lists the main window offers, the
// speed setting, the OS class the tweak catalogue is written in, the detection that preselects
// the lists, and the choices the product key remembers between runs.
#pragma once

#include "engine/custom_registry.h"
#include "engine/windows_version.h"

#include <array>
#include <string_view>

namespace zentrim {

// OS classes: the Windows family as the tweak catalogue's conditions see it. The numbering
// follows neither the Windows list nor the detection codes.
namespace os_class {
inline constexpr int kWindows2000 = -1; // also: no Windows list entry selected
inline constexpr int kServer2003 = 0;
inline constexpr int kWindowsVista = 1;
inline constexpr int kServer2008 = 2;
inline constexpr int kWindows7 = 3;
inline constexpr int kServer2012 = 4;
inline constexpr int kWindows8 = 5;
inline constexpr int kWindows10 = 6;
inline constexpr int kWindowsXp = 7;
inline constexpr int kWindows11 = 8;
} // namespace os_class

// Image indexes of the Windows list: desktop and server edition.
inline constexpr int kDesktopImage = 0;
inline constexpr int kServerImage = 1;

struct WindowsListEntry {
    std::u16string_view caption;
    int imageIndex;
    int detectionCode; // the detection code that preselects this entry
    int osClass;
};

struct ProfileListEntry {
    std::u16string_view caption;
    int imageIndex;
};

// The Windows list. Captions are the same in every language; "\u00AE" is the registered sign.
inline constexpr std::array<WindowsListEntry, 10> kWindowsList{{
    {u"  Microsoft \u00AE Windows 11", kDesktopImage, detection_code::kWindows11, os_class::kWindows11},
    {u"  Microsoft \u00AE Windows 10", kDesktopImage, detection_code::kWindows10, os_class::kWindows10},
    {u"  Microsoft \u00AE Windows 8", kDesktopImage, detection_code::kWindows8, os_class::kWindows8},
    {u"  Microsoft \u00AE Windows 7", kDesktopImage, detection_code::kWindows7, os_class::kWindows7},
    {u"  Microsoft \u00AE Windows Vista", kDesktopImage, detection_code::kWindowsVista,
     os_class::kWindowsVista},
    {u"  Microsoft \u00AE Windows XP", kDesktopImage, detection_code::kWindowsXp, os_class::kWindowsXp},
    {u"  Microsoft \u00AE Windows Server 2012", kServerImage, detection_code::kServer2012,
     os_class::kServer2012},
    {u"  Microsoft \u00AE Windows Server 2008", kServerImage, detection_code::kServer2008,
     os_class::kServer2008},
    {u"  Microsoft \u00AE Windows Server 2003", kServerImage, detection_code::kServer2003,
     os_class::kServer2003},
    {u"  Microsoft \u00AE Windows Server 2000", kServerImage, detection_code::kWindows2000,
     os_class::kWindows2000},
}};

// Processor list indexes.
namespace processor_type {
inline constexpr int kIntel = 0;
inline constexpr int kAmd = 1;
inline constexpr int kVia = 2;
} // namespace processor_type

inline constexpr std::array<ProfileListEntry, 3> kProcessorList{{
    {u"  Intel \u00AE Processor", 0},
    {u"  AMD \u00AE Processor", 0},
    {u"  VIA \u00AE Processor", 0},
}};

// Internet-type list indexes the tweak catalogue's conditions test.
namespace internet_type {
inline constexpr int kNone = -1; // no entry selected
inline constexpr int kDialUp = 2;
inline constexpr int kIsdn = 7;
} // namespace internet_type

inline constexpr std::array<ProfileListEntry, 9> kInternetTypeList{{
    {u"  Cable | DSL | Wi-Fi", 0},
    {u"  Verizon FiOS | Wi-Fi", 0},
    {u"  Dial-up 56k", 0},
    {u"  Satellite", 0},
    {u"  Android | iPhone | Windows Phone | BlackBerry", 0},
    {u"  LTE | 4G | 3G | 2G | Edge Modem", 0},
    {u"  Local Area Network", 0},
    {u"  ISDN", 0},
    {u"  T1 | T3 | OC3 | OC12+", 0},
}};

// Speed setting positions.
inline constexpr int kSpeedBoost = 0;
inline constexpr int kSpeedMaximumBoost = 1;

// Where the processor's name is found (HKEY_LOCAL_MACHINE, the process's default view).
inline constexpr std::u16string_view kProcessorKeyPath =
    u"\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\\";
inline constexpr std::u16string_view kProcessorNameValue = u"ProcessorNameString";

// Read defaults of the user's last choices ("ProcessorType", "InternetType", "SpeedSetting" in the
// product key).
inline constexpr int kDetectProcessorType = -1; // nothing stored: detect the processor
inline constexpr int kDefaultInternetType = 0;
inline constexpr int kDefaultSpeedSetting = kSpeedBoost;

// The OS class of a Windows list index; -1 for index 9 (Windows 2000), -1 (nothing selected) and
// every index outside the list.
int ConvertWindowsVersion(int winVer) noexcept;

// The Windows list index a detection code preselects; codes of no entry (-1 included) select the
// first entry.
int WindowsListIndexForDetectionCode(int detectionCode) noexcept;

// The processor list index for a processor name: the first of "intel", "amd", "via" it contains in
// any letter case; Intel when it contains none.
int ProcessorVendorFromName(std::u16string_view processorName);

// The processor list index for this machine's processor, from its name in the registry; Intel
// when the name is absent or unreadable.
int DetectProcessorVendor(const CustomRegistry& registry);

// A speed position set from outside, clamped to the track bar's 0..1.
int ClampSpeedSetting(int position) noexcept;

struct StoredChoices {
    int processorType = kDetectProcessorType;
    int internetType = kDefaultInternetType;
    int speedSetting = kDefaultSpeedSetting;
};

// The stored choices from the product key, each with its read default when absent or unreadable.
StoredChoices ReadStoredChoices(const CustomRegistry& registry);

// What the main window selects when it opens.
struct ProfileSelection {
    int windowsIndex = 0;
    int processorIndex = processor_type::kIntel;
    int internetType = kDefaultInternetType; // applied unchanged: out of range selects nothing
    int speedPosition = kDefaultSpeedSetting;
};

// Preselection from a detection code and the stored choices. The processor is detected only when
// none is stored; a stored index outside the list is applied unchanged, like the internet type.
ProfileSelection PreselectProfile(int detectionCode, const StoredChoices& stored,
                                  const CustomRegistry& registry);

} // namespace zentrim
