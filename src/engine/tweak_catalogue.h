// The tweak catalogue: the fixed registry values the program changes, as constant data. Each row
// names one value, what the optimize run writes there and when, whether its old content is backed
// up first, and what the restore run does with it. The runs are short loops over the plans below.
// Live values are reached in the native (64-bit) registry view, so that a 32-bit build on 64-bit
// Windows changes the keys Windows reads; the product key is always in the 32-bit view
// (kProductKeyView), where every build finds it.
#pragma once

#include "engine/custom_registry.h"
#include "engine/product_key.h"
#include "engine/system_profile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace zentrim {

// The view of every access to a row's live value: the native one. On 32-bit Windows the flag is
// ignored; on 64-bit Windows the default view of a 32-bit program would send HKEY_LOCAL_MACHINE
// \Software rows into the 32-bit copy that Windows never reads.
inline constexpr bool kLiveValueUse64BitView = true;

// One registry key: a root and a path from it, handed unchanged to the registry operations.
struct TweakKey {
    RegistryRoot root;
    std::u16string_view path;
    friend constexpr bool operator==(const TweakKey&, const TweakKey&) = default;
};

// Where a catalogue key's live values are reached: the key in the native view.
constexpr RegistryPlace LivePlace(const TweakKey& key) {
    return {key.root, key.path, RegistryView::From64BitFlag(kLiveValueUse64BitView)};
}

// The value types of the catalogue and the operations that write them: Dword with
// WriteRegistryInteger, String with WriteRegistryString, Binary with WriteRegistryBinary.
enum class TweakType { Dword, String, Binary };

// A value of one of the three types; only the field of its type is meaningful.
struct TweakValue {
    TweakType type = TweakType::Dword;
    int number = 0;
    std::u16string_view text;
    std::span<const std::uint8_t> bytes;

    friend constexpr bool operator==(const TweakValue& a, const TweakValue& b) {
        return a.type == b.type && a.number == b.number && a.text == b.text &&
               std::ranges::equal(a.bytes, b.bytes);
    }
};

constexpr TweakValue DwordValue(int number) {
    return {TweakType::Dword, number, {}, {}};
}
constexpr TweakValue StringValue(std::u16string_view text) {
    return {TweakType::String, 0, text, {}};
}
constexpr TweakValue BinaryValue(std::span<const std::uint8_t> bytes) {
    return {TweakType::Binary, 0, {}, bytes};
}

// When a row is written (and its conditional restore action done).
enum class TweakCondition {
    Always,
    NotServer2003,       // OS class is not 0: every family but Windows Server 2003
    NotDialUpOrIsdn,     // internet type is neither dial-up (2) nor ISDN (7)
    ServerOrXp,          // OS class 0, 2, 4 or 7: Server 2003, 2008, 2012 and XP
    VistaOrLaterDesktop, // OS class 1, 3, 5, 6 or 8 and above: Vista and the desktops after it
};

// Where a row's written value comes from.
enum class WrittenFrom {
    Constant,
    SpeedSetting, // connections per server: 4 for Boost (speed 0 or less), 8 above
};

// What the restore run does with a row's live value.
enum class RestoreAction {
    None,       // left as the optimize run wrote it
    FromBackup, // written back from its backup value, which is then deleted
    Delete,     // deleted
};

struct TweakRow {
    int number; // place in the catalogue and write order, 1 to 47
    TweakKey key;
    std::u16string_view valueName;
    TweakValue written; // rows written from the speed setting hold their Boost value here
    WrittenFrom writtenFrom;
    TweakCondition condition;
    std::optional<TweakValue> backupDefault; // present exactly on the backed-up rows
    RestoreAction restoreAction;

    constexpr TweakType type() const { return written.type; }
};

// The keys. Paths are written exactly as the registry operations receive them; the TCP/IP
// parameters key appears twice, without and with a trailing backslash, and is one key.
namespace tweak_keys {
using enum RegistryRoot;
inline constexpr TweakKey kFileSystem{LocalMachine, u"\\System\\CurrentControlSet\\Control\\FileSystem\\"};
inline constexpr TweakKey kWindowMetrics{CurrentUser, u"\\Control Panel\\Desktop\\WindowMetrics\\"};
inline constexpr TweakKey kMemoryManagement{
    LocalMachine, u"\\System\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\"};
inline constexpr TweakKey kPriorityControl{LocalMachine,
                                           u"\\System\\CurrentControlSet\\Control\\PriorityControl\\"};
inline constexpr TweakKey kCrashControl{LocalMachine,
                                        u"\\System\\CurrentControlSet\\Control\\CrashControl\\"};
inline constexpr TweakKey kInternetSettings{
    CurrentUser, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"};
inline constexpr TweakKey kTcpipParameters{LocalMachine,
                                           u"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters"};
inline constexpr TweakKey kTcpipParametersSlash{
    LocalMachine, u"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\"};
inline constexpr TweakKey kNetbtParameters{LocalMachine,
                                           u"\\System\\CurrentControlSet\\Services\\Netbt\\Parameters\\"};
inline constexpr TweakKey kTcpipInterfaces{
    LocalMachine, u"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\"};
inline constexpr TweakKey kDesktop{CurrentUser, u"\\Control Panel\\Desktop\\"};
inline constexpr TweakKey kInternetExplorerMain{CurrentUser,
                                                u"\\Software\\Microsoft\\Internet Explorer\\Main\\"};
inline constexpr TweakKey kAutoComplete{
    CurrentUser, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete\\"};
inline constexpr TweakKey kExplorerPolicies{
    LocalMachine, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\"};
inline constexpr TweakKey kNtWindows{LocalMachine,
                                     u"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows\\"};
inline constexpr TweakKey kMessenger{LocalMachine, u"\\System\\CurrentControlSet\\Services\\Messenger\\"};
inline constexpr TweakKey kExplorer{LocalMachine,
                                    u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"};
inline constexpr TweakKey kSessionManager{LocalMachine,
                                          u"\\System\\CurrentControlSet\\Control\\Session Manager\\"};
inline constexpr TweakKey kPsched{LocalMachine, u"\\Software\\Policies\\Microsoft\\Windows\\Psched"};
inline constexpr TweakKey kBootOptimize{LocalMachine, u"\\Software\\Microsoft\\Dfrg\\BootOptimizeFunction\\"};
inline constexpr TweakKey kP3Parameters{LocalMachine,
                                        u"\\System\\CurrentControlSet\\Services\\P3\\Parameters\\"};
} // namespace tweak_keys

// The catalogue's keys, in the order the design lists them.
inline constexpr std::array<TweakKey, 21> kTweakKeys{
    tweak_keys::kFileSystem,       tweak_keys::kWindowMetrics,
    tweak_keys::kMemoryManagement, tweak_keys::kPriorityControl,
    tweak_keys::kCrashControl,     tweak_keys::kInternetSettings,
    tweak_keys::kTcpipParameters,  tweak_keys::kTcpipParametersSlash,
    tweak_keys::kNetbtParameters,  tweak_keys::kTcpipInterfaces,
    tweak_keys::kDesktop,          tweak_keys::kInternetExplorerMain,
    tweak_keys::kAutoComplete,     tweak_keys::kExplorerPolicies,
    tweak_keys::kNtWindows,        tweak_keys::kMessenger,
    tweak_keys::kExplorer,         tweak_keys::kSessionManager,
    tweak_keys::kPsched,           tweak_keys::kBootOptimize,
    tweak_keys::kP3Parameters,
};

namespace tweak_rows {
using namespace tweak_keys;
using enum TweakCondition;
using enum WrittenFrom;
using enum RestoreAction;
inline constexpr std::uint8_t kFourZeroBytes[4] = {0, 0, 0, 0};
inline constexpr std::optional<TweakValue> kNoBackup = std::nullopt;

// clang-format off
inline constexpr std::array<TweakRow, 47> kRows{{
    {1, kFileSystem, u"NtfsDisableLastAccessupdate", DwordValue(1), Constant, Always, DwordValue(1), FromBackup},
    {2, kFileSystem, u"NtfsMftZoneReservation", DwordValue(2), Constant, Always, DwordValue(0), FromBackup},
    {3, kTcpipParametersSlash, u"SynAttackProtect", DwordValue(2), Constant, Always, kNoBackup, Delete},
    {4, kTcpipParametersSlash, u"TcpMaxHalfOpen", DwordValue(100), Constant, Always, kNoBackup, Delete},
    {5, kTcpipParametersSlash, u"TcpMaxHalfOpenRetried", DwordValue(50), Constant, Always, kNoBackup, Delete},
    {6, kTcpipParametersSlash, u"EnablePMTUDiscovery", DwordValue(0), Constant, Always, kNoBackup, Delete},
    {7, kTcpipParametersSlash, u"EnableDeadGWDetect", DwordValue(0), Constant, Always, kNoBackup, Delete},
    {8, kTcpipParametersSlash, u"KeepAliveTime", DwordValue(300000), Constant, Always, kNoBackup, Delete},
    {9, kTcpipParametersSlash, u"EnableICMPRedirects", DwordValue(0), Constant, Always, kNoBackup, Delete},
    {10, kNetbtParameters, u"NoNameReleaseOnDemand", DwordValue(1), Constant, Always, kNoBackup, Delete},
    {11, kTcpipInterfaces, u"PerformRouterDiscovery", DwordValue(0), Constant, Always, kNoBackup, Delete},
    {12, kWindowMetrics, u"MinAnimate", StringValue(u"1"), Constant, Always, StringValue(u"1"), FromBackup},
    {13, kMemoryManagement, u"DisablePagingExecutive", DwordValue(0), Constant, Always, DwordValue(0), FromBackup},
    {14, kMemoryManagement, u"LargeSystemCache", DwordValue(0), Constant, Always, DwordValue(0), FromBackup},
    {15, kPriorityControl, u"Win32PrioritySeparation", DwordValue(1), Constant, Always, DwordValue(2), FromBackup},
    {16, kCrashControl, u"AutoReboot", DwordValue(1), Constant, Always, DwordValue(1), FromBackup},
    {17, kDesktop, u"SmoothScroll", BinaryValue(kFourZeroBytes), Constant, Always, kNoBackup, Delete},
    {18, kInternetExplorerMain, u"Use StyleSheets", StringValue(u"Yes"), Constant, Always, kNoBackup, Delete},
    {19, kAutoComplete, u"Append Completion", StringValue(u"Yes"), Constant, Always, kNoBackup, Delete},
    {20, kFileSystem, u"ContigFileAllocSize", DwordValue(1536), Constant, Always, kNoBackup, Delete},
    {21, kExplorerPolicies, u"LinkResolveIgnoreLinkInfo", DwordValue(0), Constant, Always, kNoBackup, Delete},
    {22, kExplorerPolicies, u"NoResolveSearch", DwordValue(1), Constant, Always, kNoBackup, Delete},
    {23, kMemoryManagement, u"IoPageLockLimit", DwordValue(4096), Constant, Always, kNoBackup, Delete},
    {24, kCrashControl, u"SendAlert", DwordValue(1), Constant, Always, kNoBackup, Delete},
    {25, kNtWindows, u"NoPopUpsOnBoot", DwordValue(1), Constant, Always, kNoBackup, Delete},
    {26, kNtWindows, u"Error Mode", DwordValue(1), Constant, Always, kNoBackup, Delete},
    {27, kMessenger, u"Start", DwordValue(4), Constant, Always, kNoBackup, Delete},
    {28, kInternetSettings, u"MaxConnectionsPerServer", DwordValue(4), SpeedSetting, Always, DwordValue(2), FromBackup},
    {29, kInternetSettings, u"MaxConnectionsPer1_0Server", DwordValue(4), SpeedSetting, Always, DwordValue(2), FromBackup},
    {30, kTcpipParameters, u"KeepAliveTime", DwordValue(7200000), Constant, Always, DwordValue(7200000), FromBackup},
    {31, kTcpipParameters, u"KeepAliveInterval", DwordValue(1000), Constant, Always, DwordValue(1000), FromBackup},
    {32, kExplorer, u"ThumbnailSize", DwordValue(96), Constant, NotServer2003, kNoBackup, None},
    {33, kExplorer, u"ThumbnailQuality", DwordValue(80), Constant, NotServer2003, kNoBackup, None},
    {34, kSessionManager, u"EnablePrefetcher", DwordValue(1), Constant, NotServer2003, kNoBackup, Delete},
    {35, kTcpipParameters, u"DefaultTTL", DwordValue(64), Constant, NotDialUpOrIsdn, kNoBackup, Delete},
    {36, kTcpipParameters, u"EnablePMTUBHDetect", DwordValue(0), Constant, NotDialUpOrIsdn, kNoBackup, Delete},
    {37, kTcpipParameters, u"EnablePMTUDiscovery", DwordValue(1), Constant, NotDialUpOrIsdn, kNoBackup, Delete},
    {38, kTcpipParameters, u"SackOpts", DwordValue(1), Constant, NotDialUpOrIsdn, kNoBackup, Delete},
    {39, kTcpipParameters, u"Tcp1323Opts", DwordValue(3), Constant, NotDialUpOrIsdn, kNoBackup, Delete},
    {40, kTcpipParameters, u"GlobalMaxTcpWindowSize", DwordValue(256960), Constant, NotDialUpOrIsdn, kNoBackup, Delete},
    {41, kTcpipParameters, u"TcpWindowSize", DwordValue(256960), Constant, NotDialUpOrIsdn, kNoBackup, Delete},
    {42, kTcpipParameters, u"TcpMaxDupAcks", DwordValue(2), Constant, NotDialUpOrIsdn, kNoBackup, Delete},
    {43, kPsched, u"NonBestEffortLimit", DwordValue(50), Constant, NotDialUpOrIsdn, kNoBackup, Delete},
    {44, kPsched, u"MaxOutstandingSends", DwordValue(65535), Constant, NotDialUpOrIsdn, kNoBackup, Delete},
    {45, kSessionManager, u"AutoChkTimeOut", DwordValue(0), Constant, ServerOrXp, kNoBackup, Delete},
    {46, kBootOptimize, u"Enable", StringValue(u"Y"), Constant, VistaOrLaterDesktop, kNoBackup, Delete},
    {47, kP3Parameters, u"HackFlags", DwordValue(1), Constant, VistaOrLaterDesktop, kNoBackup, Delete},
}};
// clang-format on
} // namespace tweak_rows

// The catalogue in row order, which is the optimize run's write order.
inline constexpr const std::array<TweakRow, 47>& kTweakRows = tweak_rows::kRows;

// Whether two keys and value names reach the same value: the registry compares key paths without
// their outer backslashes and names without regard to case.
bool NameSameValue(const TweakKey& a, std::u16string_view aName, const TweakKey& b,
                   std::u16string_view bName);

// The row of a number from 1 to 47.
constexpr const TweakRow& TweakRowByNumber(int number) {
    return kTweakRows[static_cast<std::size_t>(number - 1)];
}

// The backed-up rows in backup order. Their backup values live in the product key under the
// rows' own value names, with the rows' types.
inline constexpr RegistryPlace kBackupKey = kProductKeyPlace;
inline constexpr std::array<int, 11> kBackupRowNumbers{1, 2, 12, 13, 14, 15, 16, 28, 29, 30, 31};

// The restore run's operations.
enum class RestoreOperationKind {
    RestoreFromBackup, // live value := backup value, or the row's backup default when unreadable
    DeleteBackup,      // delete the backup value from the product key
    DeleteLive,        // delete the live value
};

// One step of the restore sequence: an operation on rows firstRow..lastRow, in number order, when
// the condition holds.
struct RestoreStep {
    RestoreOperationKind kind;
    int firstRow;
    int lastRow;
    TweakCondition condition;
};

inline constexpr std::array<RestoreStep, 14> kRestoreSequence{{
    {RestoreOperationKind::RestoreFromBackup, 1, 2, TweakCondition::Always},
    {RestoreOperationKind::DeleteBackup, 1, 2, TweakCondition::Always},
    {RestoreOperationKind::DeleteLive, 3, 11, TweakCondition::Always},
    {RestoreOperationKind::RestoreFromBackup, 12, 16, TweakCondition::Always},
    {RestoreOperationKind::DeleteBackup, 12, 16, TweakCondition::Always},
    {RestoreOperationKind::DeleteLive, 17, 27, TweakCondition::Always},
    {RestoreOperationKind::RestoreFromBackup, 28, 29, TweakCondition::Always},
    {RestoreOperationKind::DeleteBackup, 28, 29, TweakCondition::Always},
    {RestoreOperationKind::RestoreFromBackup, 30, 31, TweakCondition::Always},
    {RestoreOperationKind::DeleteBackup, 30, 31, TweakCondition::Always},
    {RestoreOperationKind::DeleteLive, 35, 44, TweakCondition::NotDialUpOrIsdn},
    {RestoreOperationKind::DeleteLive, 34, 34, TweakCondition::NotServer2003},
    {RestoreOperationKind::DeleteLive, 45, 45, TweakCondition::ServerOrXp},
    {RestoreOperationKind::DeleteLive, 46, 47, TweakCondition::VistaOrLaterDesktop},
}};

// The profile a run evaluates the catalogue for: OS class (-1 to 8, from ConvertWindowsVersion),
// internet-type index (-1 when none is chosen) and speed position.
struct TweakProfile {
    int osClass = os_class::kWindows2000;
    int internetType = internet_type::kNone;
    int speedSetting = kSpeedBoost;
};

constexpr bool ConditionHolds(TweakCondition condition, const TweakProfile& profile) {
    const int os = profile.osClass;
    switch (condition) {
    case TweakCondition::Always:
        return true;
    case TweakCondition::NotServer2003:
        return os != os_class::kServer2003;
    case TweakCondition::NotDialUpOrIsdn:
        return profile.internetType != internet_type::kDialUp && profile.internetType != internet_type::kIsdn;
    case TweakCondition::ServerOrXp:
        return os == os_class::kServer2003 || os == os_class::kServer2008 || os == os_class::kServer2012 ||
               os == os_class::kWindowsXp;
    case TweakCondition::VistaOrLaterDesktop:
        return os == os_class::kWindowsVista || os == os_class::kWindows7 || os == os_class::kWindows8 ||
               os == os_class::kWindows10 || os >= os_class::kWindows11;
    }
    return false;
}

// Connections per server for a speed position: 4 for Boost (0 or less), 8 above.
constexpr int ConnectionsPerServer(int speedSetting) {
    return speedSetting <= 0 ? 4 : 8;
}

// The value the optimize run writes for a row under a profile.
constexpr TweakValue WrittenValue(const TweakRow& row, const TweakProfile& profile) {
    if (row.writtenFrom == WrittenFrom::SpeedSetting) {
        return DwordValue(ConnectionsPerServer(profile.speedSetting));
    }
    return row.written;
}

// A write of the optimize run: the row and the value it gets.
struct PlannedWrite {
    const TweakRow* row;
    TweakValue value;
};

// A backup of one row: its live value (or `defaultValue` when unreadable) copied into the product key.
struct PlannedBackup {
    const TweakRow* row;
    TweakValue defaultValue;
};

// An operation of the restore run. `defaultValue` is the row's backup default, used by
// RestoreFromBackup when the backup value cannot be read.
struct RestoreOperation {
    RestoreOperationKind kind;
    const TweakRow* row;
    TweakValue defaultValue;
};

// The rows whose condition holds, in write order, with the values they get.
std::vector<PlannedWrite> PlanWrites(const TweakProfile& profile);
// The backed-up rows in backup order, with their defaults. No backed-up row has a condition.
std::vector<PlannedBackup> PlanBackup();
// The restore sequence expanded into single operations, skipping steps whose condition fails.
std::vector<RestoreOperation> PlanRestore(const TweakProfile& profile);

// A value as the registry stores it: its type and exact bytes.
RawValue ToRawValue(const TweakValue& value);

// Carry out one planned operation through the registry layer: live values in the native view,
// backup values in the product key (kBackupKey, in its 32-bit view). Failures are absorbed by the registry
// operations.
void ApplyWrite(const CustomRegistry& registry, const PlannedWrite& write);

// A value as a backup keeps it, read with the read operation of its type from `from` (the live
// value, or the backup value in the product key): the default when the value is missing, of another
// type or empty text. Nothing when the read itself fails (refused access, a failing store), which
// must never pass for "missing".
std::optional<RawValue> ReadBackedUpValue(const CustomRegistry& registry, const RegistryPlace& from,
                                          std::u16string_view name, const TweakValue& defaultValue);

// Copies a live value into its backup value; `stored` is what the backup now holds. Failed when
// the live value could not be read.
StoreStatus ApplyBackup(const CustomRegistry& registry, const PlannedBackup& backup, RawValue& stored);

// One operation of the restore sequence, as a backup without a record of originals is restored:
// what the registry reported and, for RestoreFromBackup, the value written to the live value.
struct RestoreResult {
    StoreStatus status;
    std::optional<RawValue> written;
};
RestoreResult ApplyRestoreOperation(const CustomRegistry& registry, const RestoreOperation& operation);

} // namespace zentrim
