// The tweak catalogue as the design's table states it, written out by hand a second time, with
// nothing taken from the program's own tables: every row's root, key path, value name, the value
// it writes for each speed (as the registry stores it: type and bytes), its condition, backup
// default and restore action, and the conditions themselves. Tests compare the program with it,
// and the end-to-end expectations are built from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace zentrim::design {

// A value as the registry stores it: the type number and the exact bytes.
struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    friend bool operator==(const Value&, const Value&) = default;
};

constexpr const char* kHklm = "HKLM";
constexpr const char* kHkcu = "HKCU";

struct Key {
    const char* root;
    std::u16string_view path;
};

inline const Key kFileSystem{kHklm, u"\\System\\CurrentControlSet\\Control\\FileSystem\\"};
inline const Key kWindowMetrics{kHkcu, u"\\Control Panel\\Desktop\\WindowMetrics\\"};
inline const Key kMemoryManagement{
    kHklm, u"\\System\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\"};
inline const Key kPriorityControl{kHklm, u"\\System\\CurrentControlSet\\Control\\PriorityControl\\"};
inline const Key kCrashControl{kHklm, u"\\System\\CurrentControlSet\\Control\\CrashControl\\"};
inline const Key kInternetSettings{kHkcu,
                                   u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"};
inline const Key kTcpip{kHklm, u"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters"};
inline const Key kTcpipSlash{kHklm, u"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\"};
inline const Key kNetbt{kHklm, u"\\System\\CurrentControlSet\\Services\\Netbt\\Parameters\\"};
inline const Key kInterfaces{kHklm,
                             u"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\"};
inline const Key kDesktop{kHkcu, u"\\Control Panel\\Desktop\\"};
inline const Key kIeMain{kHkcu, u"\\Software\\Microsoft\\Internet Explorer\\Main\\"};
inline const Key kAutoComplete{kHkcu,
                               u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete\\"};
inline const Key kPolicies{kHklm, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\"};
inline const Key kNtWindows{kHklm, u"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows\\"};
inline const Key kMessenger{kHklm, u"\\System\\CurrentControlSet\\Services\\Messenger\\"};
inline const Key kExplorer{kHklm, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"};
inline const Key kSessionManager{kHklm, u"\\System\\CurrentControlSet\\Control\\Session Manager\\"};
inline const Key kPsched{kHklm, u"\\Software\\Policies\\Microsoft\\Windows\\Psched"};
inline const Key kBootOptimize{kHklm, u"\\Software\\Microsoft\\Dfrg\\BootOptimizeFunction\\"};
inline const Key kP3{kHklm, u"\\System\\CurrentControlSet\\Services\\P3\\Parameters\\"};

// A value as the registry stores it, from how the table writes it.
inline Value D(std::uint32_t number) {
    return {4,
            {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
             static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}
inline Value S(std::u16string_view text) {
    Value value{1, {}};
    for (const char16_t c : text) {
        value.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        value.data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    value.data.insert(value.data.end(), {0, 0});
    return value;
}
inline Value FourZeroBytes() {
    return {3, {0, 0, 0, 0}};
}

// The conditions: the OS class is not Windows Server 2003's; the internet type is neither dial-up
// nor ISDN; the OS class is a server's or Windows XP's; the OS class is Vista's or a later desktop's.
enum class Condition { Always, NotServer2003, NotDialUpOrIsdn, ServerOrXp, VistaOrLaterDesktop };
enum class Restore { FromBackup, Delete, None };

struct Row {
    int number;
    Key key;
    std::u16string_view name;
    Value boost;        // written with the speed setting 0
    Value maximumBoost; // written with the speed setting 1
    Condition condition;
    std::optional<Value> backupDefault;
    Restore restore;
};

using enum Condition;
using enum Restore;
inline constexpr std::nullopt_t kNone = std::nullopt;

inline const std::vector<Row>& DesignTable() {
    static const std::vector<Row> rows{
        {1, kFileSystem, u"NtfsDisableLastAccessupdate", D(1), D(1), Always, D(1), FromBackup},
        {2, kFileSystem, u"NtfsMftZoneReservation", D(2), D(2), Always, D(0), FromBackup},
        {3, kTcpipSlash, u"SynAttackProtect", D(2), D(2), Always, kNone, Delete},
        {4, kTcpipSlash, u"TcpMaxHalfOpen", D(100), D(100), Always, kNone, Delete},
        {5, kTcpipSlash, u"TcpMaxHalfOpenRetried", D(50), D(50), Always, kNone, Delete},
        {6, kTcpipSlash, u"EnablePMTUDiscovery", D(0), D(0), Always, kNone, Delete},
        {7, kTcpipSlash, u"EnableDeadGWDetect", D(0), D(0), Always, kNone, Delete},
        {8, kTcpipSlash, u"KeepAliveTime", D(300000), D(300000), Always, kNone, Delete},
        {9, kTcpipSlash, u"EnableICMPRedirects", D(0), D(0), Always, kNone, Delete},
        {10, kNetbt, u"NoNameReleaseOnDemand", D(1), D(1), Always, kNone, Delete},
        {11, kInterfaces, u"PerformRouterDiscovery", D(0), D(0), Always, kNone, Delete},
        {12, kWindowMetrics, u"MinAnimate", S(u"1"), S(u"1"), Always, S(u"1"), FromBackup},
        {13, kMemoryManagement, u"DisablePagingExecutive", D(0), D(0), Always, D(0), FromBackup},
        {14, kMemoryManagement, u"LargeSystemCache", D(0), D(0), Always, D(0), FromBackup},
        {15, kPriorityControl, u"Win32PrioritySeparation", D(1), D(1), Always, D(2), FromBackup},
        {16, kCrashControl, u"AutoReboot", D(1), D(1), Always, D(1), FromBackup},
        {17, kDesktop, u"SmoothScroll", FourZeroBytes(), FourZeroBytes(), Always, kNone, Delete},
        {18, kIeMain, u"Use StyleSheets", S(u"Yes"), S(u"Yes"), Always, kNone, Delete},
        {19, kAutoComplete, u"Append Completion", S(u"Yes"), S(u"Yes"), Always, kNone, Delete},
        {20, kFileSystem, u"ContigFileAllocSize", D(1536), D(1536), Always, kNone, Delete},
        {21, kPolicies, u"LinkResolveIgnoreLinkInfo", D(0), D(0), Always, kNone, Delete},
        {22, kPolicies, u"NoResolveSearch", D(1), D(1), Always, kNone, Delete},
        {23, kMemoryManagement, u"IoPageLockLimit", D(4096), D(4096), Always, kNone, Delete},
        {24, kCrashControl, u"SendAlert", D(1), D(1), Always, kNone, Delete},
        {25, kNtWindows, u"NoPopUpsOnBoot", D(1), D(1), Always, kNone, Delete},
        {26, kNtWindows, u"Error Mode", D(1), D(1), Always, kNone, Delete},
        {27, kMessenger, u"Start", D(4), D(4), Always, kNone, Delete},
        {28, kInternetSettings, u"MaxConnectionsPerServer", D(4), D(8), Always, D(2), FromBackup},
        {29, kInternetSettings, u"MaxConnectionsPer1_0Server", D(4), D(8), Always, D(2), FromBackup},
        {30, kTcpip, u"KeepAliveTime", D(7200000), D(7200000), Always, D(7200000), FromBackup},
        {31, kTcpip, u"KeepAliveInterval", D(1000), D(1000), Always, D(1000), FromBackup},
        {32, kExplorer, u"ThumbnailSize", D(96), D(96), NotServer2003, kNone, None},
        {33, kExplorer, u"ThumbnailQuality", D(80), D(80), NotServer2003, kNone, None},
        {34, kSessionManager, u"EnablePrefetcher", D(1), D(1), NotServer2003, kNone, Delete},
        {35, kTcpip, u"DefaultTTL", D(64), D(64), NotDialUpOrIsdn, kNone, Delete},
        {36, kTcpip, u"EnablePMTUBHDetect", D(0), D(0), NotDialUpOrIsdn, kNone, Delete},
        {37, kTcpip, u"EnablePMTUDiscovery", D(1), D(1), NotDialUpOrIsdn, kNone, Delete},
        {38, kTcpip, u"SackOpts", D(1), D(1), NotDialUpOrIsdn, kNone, Delete},
        {39, kTcpip, u"Tcp1323Opts", D(3), D(3), NotDialUpOrIsdn, kNone, Delete},
        {40, kTcpip, u"GlobalMaxTcpWindowSize", D(256960), D(256960), NotDialUpOrIsdn, kNone, Delete},
        {41, kTcpip, u"TcpWindowSize", D(256960), D(256960), NotDialUpOrIsdn, kNone, Delete},
        {42, kTcpip, u"TcpMaxDupAcks", D(2), D(2), NotDialUpOrIsdn, kNone, Delete},
        {43, kPsched, u"NonBestEffortLimit", D(50), D(50), NotDialUpOrIsdn, kNone, Delete},
        {44, kPsched, u"MaxOutstandingSends", D(65535), D(65535), NotDialUpOrIsdn, kNone, Delete},
        {45, kSessionManager, u"AutoChkTimeOut", D(0), D(0), ServerOrXp, kNone, Delete},
        {46, kBootOptimize, u"Enable", S(u"Y"), S(u"Y"), VistaOrLaterDesktop, kNone, Delete},
        {47, kP3, u"HackFlags", D(1), D(1), VistaOrLaterDesktop, kNone, Delete},
    };
    return rows;
}

// The conditions as the design states them, over the OS class and the internet type.
inline bool Holds(Condition condition, int osClass, int internetType) {
    switch (condition) {
    case Always:
        return true;
    case NotServer2003:
        return osClass != 0;
    case NotDialUpOrIsdn:
        return internetType != 2 && internetType != 7;
    case ServerOrXp:
        return osClass == 0 || osClass == 2 || osClass == 4 || osClass == 7;
    case VistaOrLaterDesktop:
        return osClass == 1 || osClass == 3 || osClass == 5 || osClass == 6 || osClass >= 8;
    }
    return false;
}

} // namespace zentrim::design
