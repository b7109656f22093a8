// The tweak catalogue against the design's table, written out here a second time by hand: every
// field of every row (root, key path, value name, type, the value for each speed, condition,
// backup default, restore action), the backup list and the restore sequence. The program's own
// tables are never used to build an expectation, so that a wrong row cannot go unnoticed.
#include "engine/tweak_catalogue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zentrim {
namespace {

constexpr const char* kHklm = "HKLM";
constexpr const char* kHkcu = "HKCU";

struct Key {
    const char* root;
    std::u16string_view path;
};

const Key kFileSystem{kHklm, u"\\System\\CurrentControlSet\\Control\\FileSystem\\"};
const Key kWindowMetrics{kHkcu, u"\\Control Panel\\Desktop\\WindowMetrics\\"};
const Key kMemoryManagement{kHklm,
                            u"\\System\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\"};
const Key kPriorityControl{kHklm, u"\\System\\CurrentControlSet\\Control\\PriorityControl\\"};
const Key kCrashControl{kHklm, u"\\System\\CurrentControlSet\\Control\\CrashControl\\"};
const Key kInternetSettings{kHkcu, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"};
const Key kTcpip{kHklm, u"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters"};
const Key kTcpipSlash{kHklm, u"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\"};
const Key kNetbt{kHklm, u"\\System\\CurrentControlSet\\Services\\Netbt\\Parameters\\"};
const Key kInterfaces{kHklm, u"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\"};
const Key kDesktop{kHkcu, u"\\Control Panel\\Desktop\\"};
const Key kIeMain{kHkcu, u"\\Software\\Microsoft\\Internet Explorer\\Main\\"};
const Key kAutoComplete{kHkcu, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete\\"};
const Key kPolicies{kHklm, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\"};
const Key kNtWindows{kHklm, u"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows\\"};
const Key kMessenger{kHklm, u"\\System\\CurrentControlSet\\Services\\Messenger\\"};
const Key kExplorer{kHklm, u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"};
const Key kSessionManager{kHklm, u"\\System\\CurrentControlSet\\Control\\Session Manager\\"};
const Key kPsched{kHklm, u"\\Software\\Policies\\Microsoft\\Windows\\Psched"};
const Key kBootOptimize{kHklm, u"\\Software\\Microsoft\\Dfrg\\BootOptimizeFunction\\"};
const Key kP3{kHklm, u"\\System\\CurrentControlSet\\Services\\P3\\Parameters\\"};

// A value as the registry stores it, from how the table writes it.
RawValue D(std::uint32_t number) {
    return {ValueType::Dword,
            {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
             static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}
RawValue S(std::u16string_view text) {
    RawValue value{ValueType::String, {}};
    for (const char16_t c : text) {
        value.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        value.data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    value.data.insert(value.data.end(), {0, 0});
    return value;
}
RawValue FourZeroBytes() {
    return {ValueType::Binary, {0, 0, 0, 0}};
}

enum class Condition { Always, C1, C2, C3, C4 };
enum class Restore { FromBackup, Delete, None };

struct Row {
    int number;
    Key key;
    std::u16string_view name;
    RawValue boost;        // written with the speed setting 0
    RawValue maximumBoost; // written with the speed setting 1
    Condition condition;
    std::optional<RawValue> backupDefault;
    Restore restore;
};

using enum Condition;
using enum Restore;
const std::nullopt_t kNone = std::nullopt;

const std::vector<Row>& DesignTable() {
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
        {32, kExplorer, u"ThumbnailSize", D(96), D(96), C1, kNone, None},
        {33, kExplorer, u"ThumbnailQuality", D(80), D(80), C1, kNone, None},
        {34, kSessionManager, u"EnablePrefetcher", D(1), D(1), C1, kNone, Delete},
        {35, kTcpip, u"DefaultTTL", D(64), D(64), C2, kNone, Delete},
        {36, kTcpip, u"EnablePMTUBHDetect", D(0), D(0), C2, kNone, Delete},
        {37, kTcpip, u"EnablePMTUDiscovery", D(1), D(1), C2, kNone, Delete},
        {38, kTcpip, u"SackOpts", D(1), D(1), C2, kNone, Delete},
        {39, kTcpip, u"Tcp1323Opts", D(3), D(3), C2, kNone, Delete},
        {40, kTcpip, u"GlobalMaxTcpWindowSize", D(256960), D(256960), C2, kNone, Delete},
        {41, kTcpip, u"TcpWindowSize", D(256960), D(256960), C2, kNone, Delete},
        {42, kTcpip, u"TcpMaxDupAcks", D(2), D(2), C2, kNone, Delete},
        {43, kPsched, u"NonBestEffortLimit", D(50), D(50), C2, kNone, Delete},
        {44, kPsched, u"MaxOutstandingSends", D(65535), D(65535), C2, kNone, Delete},
        {45, kSessionManager, u"AutoChkTimeOut", D(0), D(0), C3, kNone, Delete},
        {46, kBootOptimize, u"Enable", S(u"Y"), S(u"Y"), C4, kNone, Delete},
        {47, kP3, u"HackFlags", D(1), D(1), C4, kNone, Delete},
    };
    return rows;
}

// The conditions as the design states them, over the OS class and the internet type.
bool Holds(Condition condition, int osClass, int internetType) {
    switch (condition) {
    case Always:
        return true;
    case C1:
        return osClass != 0;
    case C2:
        return internetType != 2 && internetType != 7;
    case C3:
        return osClass == 0 || osClass == 2 || osClass == 4 || osClass == 7;
    case C4:
        return osClass == 1 || osClass == 3 || osClass == 5 || osClass == 6 || osClass >= 8;
    }
    return false;
}

const char* RootOf(const TweakRow& row) {
    return row.key.root == RegistryRoot::LocalMachine ? kHklm : kHkcu;
}

Restore RestoreOf(const TweakRow& row) {
    switch (row.restoreAction) {
    case RestoreAction::FromBackup:
        return FromBackup;
    case RestoreAction::Delete:
        return Delete;
    case RestoreAction::None:
        break;
    }
    return None;
}

TEST(CatalogueAgainstTheDesign, EveryFieldOfEveryRow) {
    ASSERT_EQ(kTweakRows.size(), DesignTable().size());
    for (const Row& expected : DesignTable()) {
        const TweakRow& row = kTweakRows[static_cast<std::size_t>(expected.number - 1)];
        SCOPED_TRACE("row " + std::to_string(expected.number));
        EXPECT_EQ(row.number, expected.number);
        EXPECT_STREQ(RootOf(row), expected.key.root);
        EXPECT_TRUE(row.key.path == expected.key.path) << "key path";
        EXPECT_TRUE(row.valueName == expected.name) << "value name";
        for (int speed = 0; speed <= 1; ++speed) {
            EXPECT_EQ(ToRawValue(WrittenValue(row, {8, 0, speed})),
                      speed == 0 ? expected.boost : expected.maximumBoost)
                << "written with speed " << speed;
        }
        EXPECT_EQ(ToRawValue(WrittenValue(row, {8, 0, -3})), expected.boost) << "speed below 0";
        EXPECT_EQ(ToRawValue(WrittenValue(row, {8, 0, 5})), expected.maximumBoost) << "speed above 1";
        for (int osClass = -2; osClass <= 10; ++osClass) {
            for (int internetType = -1; internetType <= 9; ++internetType) {
                EXPECT_EQ(ConditionHolds(row.condition, {osClass, internetType, 0}),
                          Holds(expected.condition, osClass, internetType))
                    << "condition for OS class " << osClass << ", internet type " << internetType;
            }
        }
        ASSERT_EQ(row.backupDefault.has_value(), expected.backupDefault.has_value()) << "backup default";
        if (expected.backupDefault) {
            EXPECT_EQ(ToRawValue(*row.backupDefault), *expected.backupDefault) << "backup default";
        }
        EXPECT_EQ(RestoreOf(row), expected.restore) << "restore action";
        if (::testing::Test::HasFailure()) {
            return; // one row at a time
        }
    }
}

TEST(CatalogueAgainstTheDesign, BackupListIsTheElevenRowsInTableOrder) {
    std::vector<int> numbers;
    for (const PlannedBackup& backup : PlanBackup()) {
        numbers.push_back(backup.row->number);
    }
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 12, 13, 14, 15, 16, 28, 29, 30, 31}));
}

// The restore sequence for a profile, stepped out as the design lists its fourteen steps.
std::vector<std::pair<RestoreOperationKind, int>> DesignRestoreSequence(int osClass, int internetType) {
    using enum RestoreOperationKind;
    std::vector<std::pair<RestoreOperationKind, int>> operations;
    const auto add = [&](RestoreOperationKind kind, int first, int last) {
        for (int number = first; number <= last; ++number) {
            operations.emplace_back(kind, number);
        }
    };
    add(RestoreFromBackup, 1, 2);
    add(DeleteBackup, 1, 2);
    add(DeleteLive, 3, 11);
    add(RestoreFromBackup, 12, 16);
    add(DeleteBackup, 12, 16);
    add(DeleteLive, 17, 27);
    add(RestoreFromBackup, 28, 29);
    add(DeleteBackup, 28, 29);
    add(RestoreFromBackup, 30, 31);
    add(DeleteBackup, 30, 31);
    if (Holds(C2, osClass, internetType)) {
        add(DeleteLive, 35, 44);
    }
    if (Holds(C1, osClass, internetType)) {
        add(DeleteLive, 34, 34);
    }
    if (Holds(C3, osClass, internetType)) {
        add(DeleteLive, 45, 45);
    }
    if (Holds(C4, osClass, internetType)) {
        add(DeleteLive, 46, 47);
    }
    return operations;
}

TEST(CatalogueAgainstTheDesign, RestoreSequenceForEveryProfile) {
    for (int osClass = -1; osClass <= 8; ++osClass) {
        for (int internetType = -1; internetType <= 8; ++internetType) {
            std::vector<std::pair<RestoreOperationKind, int>> planned;
            for (const RestoreOperation& operation : PlanRestore({osClass, internetType, 0})) {
                planned.emplace_back(operation.kind, operation.row->number);
            }
            EXPECT_EQ(planned, DesignRestoreSequence(osClass, internetType))
                << "OS class " << osClass << ", internet type " << internetType;
        }
    }
}

} // namespace
} // namespace zentrim
