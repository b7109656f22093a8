#include "engine/tweak_catalogue.h"

#include "base/text.h"
#include "engine/memory_registry_store.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace zentrim {
namespace {

using enum RegistryRoot;

// Paths as the registry knows them, written out here so that a wrong path in the catalogue shows.
constexpr std::u16string_view kTcpip = u"\\System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr std::u16string_view kInternetSettings =
    u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr std::u16string_view kExplorer = u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr std::u16string_view kSessionManager = u"\\System\\CurrentControlSet\\Control\\Session Manager";
constexpr std::u16string_view kWindowMetrics = u"\\Control Panel\\Desktop\\WindowMetrics";
constexpr std::u16string_view kMessenger = u"\\System\\CurrentControlSet\\Services\\Messenger";
constexpr std::u16string_view kPriorityControl = u"\\System\\CurrentControlSet\\Control\\PriorityControl";
constexpr std::u16string_view kFileSystem = u"\\System\\CurrentControlSet\\Control\\FileSystem";
constexpr std::u16string_view kPsched = u"\\Software\\Policies\\Microsoft\\Windows\\Psched";
constexpr std::u16string_view kBootOptimize = u"\\Software\\Microsoft\\Dfrg\\BootOptimizeFunction";
constexpr std::u16string_view kP3 = u"\\System\\CurrentControlSet\\Services\\P3\\Parameters";
constexpr TweakKey kProductKey{LocalMachine, u"\\Software\\ORVANE\\Zentrim\\"};

std::vector<int> Rows(std::initializer_list<std::pair<int, int>> ranges) {
    std::vector<int> numbers;
    for (const auto& [first, last] : ranges) {
        for (int n = first; n <= last; ++n) {
            numbers.push_back(n);
        }
    }
    return numbers;
}

std::vector<int> Numbers(const std::vector<PlannedWrite>& writes) {
    std::vector<int> numbers;
    for (const auto& write : writes) {
        numbers.push_back(write.row->number);
    }
    return numbers;
}

TEST(TweakCatalogue, ConditionsForEveryOsClass) {
    struct Case {
        int osClass;
        bool notServer2003, serverOrXp, vistaOrLaterDesktop;
    };
    const Case cases[] = {
        {-2, true, false, false}, {-1, true, false, false}, {0, false, true, false}, {1, true, false, true},
        {2, true, true, false},   {3, true, false, true},   {4, true, true, false},  {5, true, false, true},
        {6, true, false, true},   {7, true, true, false},   {8, true, false, true},  {9, true, false, true},
        {42, true, false, true},
    };
    for (const auto& c : cases) {
        for (int internet = -1; internet <= 8; ++internet) {
            const TweakProfile profile{c.osClass, internet, 0};
            EXPECT_TRUE(ConditionHolds(TweakCondition::Always, profile));
            EXPECT_EQ(ConditionHolds(TweakCondition::NotServer2003, profile), c.notServer2003)
                << "OS class " << c.osClass;
            EXPECT_EQ(ConditionHolds(TweakCondition::ServerOrXp, profile), c.serverOrXp)
                << "OS class " << c.osClass;
            EXPECT_EQ(ConditionHolds(TweakCondition::VistaOrLaterDesktop, profile), c.vistaOrLaterDesktop)
                << "OS class " << c.osClass;
        }
    }
}

TEST(TweakCatalogue, ConditionsForEveryInternetType) {
    for (int internet = -2; internet <= 9; ++internet) {
        const bool slowLine = internet == 2 || internet == 7; // dial-up and ISDN
        for (int osClass = -1; osClass <= 8; ++osClass) {
            EXPECT_EQ(ConditionHolds(TweakCondition::NotDialUpOrIsdn, TweakProfile{osClass, internet, 1}),
                      !slowLine)
                << "internet type " << internet;
        }
    }
}

TEST(TweakCatalogue, WritePlanFollowsTheProfile) {
    struct Case {
        TweakProfile profile;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {{0, 2, 0}, Rows({{1, 31}, {45, 45}})},           // Server 2003, dial-up
        {{8, 0, 1}, Rows({{1, 44}, {46, 47}})},           // Windows 11, cable
        {{-1, -1, 0}, Rows({{1, 44}})},                   // nothing selected: not Server 2003, not dial-up
        {{7, 7, 0}, Rows({{1, 34}, {45, 45}})},           // XP, ISDN
        {{2, 8, 1}, Rows({{1, 44}, {45, 45}})},           // Server 2008, T1
        {{1, 2, 0}, Rows({{1, 34}, {46, 47}})},           // Vista, dial-up
        {{0, 0, 0}, Rows({{1, 31}, {35, 44}, {45, 45}})}, // Server 2003, cable
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Numbers(PlanWrites(c.profile)), c.rows)
            << "OS class " << c.profile.osClass << ", internet type " << c.profile.internetType;
    }
}

// The runs' loops, as the optimize and restore runs make them, over an in-memory registry.
class TweakCatalogueRegistry : public ::testing::Test {
protected:
    void Optimize(const TweakProfile& profile) {
        for (const auto& write : PlanWrites(profile)) {
            ApplyWrite(registry_, write);
        }
    }
    void BackUp() {
        for (const auto& backup : PlanBackup()) {
            RawValue stored;
            ApplyBackup(registry_, backup, stored);
        }
    }
    void Restore(const TweakProfile& profile) {
        for (const auto& operation : PlanRestore(profile)) {
            ApplyRestoreOperation(registry_, operation);
        }
    }

    std::optional<int> Dword(RegistryRoot root, std::u16string_view path, std::u16string_view name) const {
        int value = 0;
        if (registry_.TryReadInteger(root, path, name, RegistryView::Default(), value) != StoreStatus::Ok) {
            return std::nullopt;
        }
        return value;
    }
    std::optional<std::u16string> Text(RegistryRoot root, std::u16string_view path,
                                       std::u16string_view name) const {
        auto raw = registry_.ReadRegistryRaw(root, path, name, RegistryView::Default());
        if (!raw || raw->type != ValueType::String) {
            return std::nullopt;
        }
        return DecodeRegistryText(raw->data);
    }
    bool Exists(RegistryRoot root, std::u16string_view path, std::u16string_view name) const {
        return registry_.ReadRegistryRaw(root, path, name, RegistryView::Default()).has_value();
    }
    // The values a key holds, as stored.
    std::vector<StoredValue> Values(RegistryRoot root, std::u16string_view path) const {
        for (const auto& key : store_.Snapshot()) {
            if (key.rootName == RootName(root) && EqualsIgnoringCase(u"\\" + key.path, path)) {
                return key.values;
            }
        }
        return {};
    }
    // How many values of that name a key holds (names compared without regard to case).
    int CountValues(RegistryRoot root, std::u16string_view path, std::u16string_view name) const {
        int count = 0;
        for (const auto& value : Values(root, path)) {
            count += EqualsIgnoringCase(value.name, name) ? 1 : 0;
        }
        return count;
    }

    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
};

TEST_F(TweakCatalogueRegistry, Server2003DialUpWritesTheCommonRowsAndAutoChk) {
    const TweakProfile profile{0, 2, 0};
    EXPECT_EQ(PlanWrites(profile).size(), 32u);
    Optimize(profile);

    // Rows 8 and 30 (and 6 alone here) name one value under the key written two ways.
    EXPECT_EQ(Dword(LocalMachine, kTcpip, u"KeepAliveTime"), 7200000);
    EXPECT_EQ(Dword(LocalMachine, std::u16string(kTcpip) + u"\\", u"KeepAliveTime"), 7200000);
    EXPECT_EQ(CountValues(LocalMachine, kTcpip, u"KeepAliveTime"), 1);
    EXPECT_EQ(Dword(LocalMachine, kTcpip, u"EnablePMTUDiscovery"), 0);
    EXPECT_EQ(CountValues(LocalMachine, kTcpip, u"EnablePMTUDiscovery"), 1);

    EXPECT_EQ(Dword(LocalMachine, kSessionManager, u"AutoChkTimeOut"), 0);
    EXPECT_FALSE(Exists(LocalMachine, kExplorer, u"ThumbnailSize"));
    EXPECT_FALSE(Exists(LocalMachine, kTcpip, u"DefaultTTL"));
    EXPECT_FALSE(Exists(LocalMachine, kBootOptimize, u"Enable"));
    EXPECT_EQ(Dword(CurrentUser, kInternetSettings, u"MaxConnectionsPerServer"), 4);
}

TEST_F(TweakCatalogueRegistry, Windows11CableMaximumBoost) {
    Optimize({8, 0, 1});
    EXPECT_EQ(Dword(CurrentUser, kInternetSettings, u"MaxConnectionsPerServer"), 8);
    EXPECT_EQ(Dword(CurrentUser, kInternetSettings, u"MaxConnectionsPer1_0Server"), 8);
    EXPECT_EQ(Dword(LocalMachine, kTcpip, u"EnablePMTUDiscovery"), 1); // row 37 after row 6
    EXPECT_EQ(CountValues(LocalMachine, kTcpip, u"EnablePMTUDiscovery"), 1);
    EXPECT_EQ(Dword(LocalMachine, kTcpip, u"KeepAliveTime"), 7200000);
    EXPECT_FALSE(Exists(LocalMachine, kSessionManager, u"AutoChkTimeOut"));
    EXPECT_EQ(Dword(LocalMachine, kSessionManager, u"EnablePrefetcher"), 1);
    EXPECT_EQ(Dword(LocalMachine, kPsched, u"MaxOutstandingSends"), 65535);
    EXPECT_EQ(Dword(LocalMachine, kP3, u"HackFlags"), 1);
}

TEST_F(TweakCatalogueRegistry, SpeedSettingGivesConnectionsPerServer) {
    const std::pair<int, int> cases[] = {{-5, 4}, {0, 4}, {1, 8}, {7, 8}};
    for (const auto& [speed, connections] : cases) {
        Optimize({6, 0, speed});
        EXPECT_EQ(Dword(CurrentUser, kInternetSettings, u"MaxConnectionsPerServer"), connections) << speed;
        EXPECT_EQ(Dword(CurrentUser, kInternetSettings, u"MaxConnectionsPer1_0Server"), connections) << speed;
    }
}

TEST_F(TweakCatalogueRegistry, ValuesAreWrittenWithTheirTypes) {
    Optimize({5, 0, 0});
    EXPECT_EQ(Text(CurrentUser, kWindowMetrics, u"MinAnimate"), u"1");
    EXPECT_EQ(Text(CurrentUser, u"\\Software\\Microsoft\\Internet Explorer\\Main", u"Use StyleSheets"),
              u"Yes");
    EXPECT_EQ(Text(LocalMachine, kBootOptimize, u"Enable"), u"Y");
    const auto smoothScroll = registry_.ReadRegistryRaw(CurrentUser, u"\\Control Panel\\Desktop",
                                                        u"SmoothScroll", RegistryView::Default());
    ASSERT_TRUE(smoothScroll.has_value());
    EXPECT_EQ(*smoothScroll, (RawValue{ValueType::Binary, {0, 0, 0, 0}}));
    // The name is spelled with a lower-case "u"; the registry matches it regardless of case.
    EXPECT_EQ(Dword(LocalMachine, kFileSystem, u"NtfsDisableLastAccessUpdate"), 1);
}

TEST_F(TweakCatalogueRegistry, WithoutMachineRightsOnlyUserRowsChange) {
    store_.DenyWrites(LocalMachine);
    Optimize({8, 0, 1});
    std::set<std::u16string> written;
    for (const auto& key : store_.Snapshot()) {
        EXPECT_EQ(key.rootName, u"HKEY_CURRENT_USER") << ToUtf8(key.path);
        for (const auto& value : key.values) {
            written.insert(value.name);
        }
    }
    const std::set<std::u16string> userRows{u"MinAnimate",
                                            u"SmoothScroll",
                                            u"Use StyleSheets",
                                            u"Append Completion",
                                            u"MaxConnectionsPerServer",
                                            u"MaxConnectionsPer1_0Server"};
    EXPECT_EQ(written, userRows);
}

// The backup value of each backed-up row when nothing can be read: what a backup of an empty
// machine stores and what a restore without a backup writes back.
using Expected = std::variant<int, std::u16string_view>;
struct BackedUpValue {
    RegistryRoot root;
    std::u16string_view path;
    std::u16string_view name;
    Expected defaultValue;
};
const BackedUpValue kBackedUp[] = {
    {LocalMachine, kFileSystem, u"NtfsDisableLastAccessupdate", 1},
    {LocalMachine, kFileSystem, u"NtfsMftZoneReservation", 0},
    {CurrentUser, kWindowMetrics, u"MinAnimate", u"1"},
    {LocalMachine, u"\\System\\CurrentControlSet\\Control\\Session Manager\\Memory Management",
     u"DisablePagingExecutive", 0},
    {LocalMachine, u"\\System\\CurrentControlSet\\Control\\Session Manager\\Memory Management",
     u"LargeSystemCache", 0},
    {LocalMachine, kPriorityControl, u"Win32PrioritySeparation", 2},
    {LocalMachine, u"\\System\\CurrentControlSet\\Control\\CrashControl", u"AutoReboot", 1},
    {CurrentUser, kInternetSettings, u"MaxConnectionsPerServer", 2},
    {CurrentUser, kInternetSettings, u"MaxConnectionsPer1_0Server", 2},
    {LocalMachine, kTcpip, u"KeepAliveTime", 7200000},
    {LocalMachine, kTcpip, u"KeepAliveInterval", 1000},
};

TEST_F(TweakCatalogueRegistry, BackupOfAnEmptyMachineStoresTheDefaults) {
    BackUp();
    for (const auto& row : kBackedUp) {
        if (const int* number = std::get_if<int>(&row.defaultValue)) {
            EXPECT_EQ(Dword(LocalMachine, kProductKey.path, row.name), *number) << ToUtf8(row.name);
        } else {
            EXPECT_EQ(Text(LocalMachine, kProductKey.path, row.name),
                      std::get<std::u16string_view>(row.defaultValue));
        }
    }
    EXPECT_EQ(Values(LocalMachine, u"\\Software\\ORVANE\\Zentrim").size(), std::size(kBackedUp));
}

TEST_F(TweakCatalogueRegistry, BackupCopiesLiveValues) {
    registry_.WriteRegistryInteger(LocalMachine, kFileSystem, u"NtfsMftZoneReservation", 3,
                                   RegistryView::Default());
    registry_.WriteRegistryString(CurrentUser, kWindowMetrics, u"MinAnimate", u"0", RegistryView::Default());
    registry_.WriteRegistryInteger(LocalMachine, kPriorityControl, u"Win32PrioritySeparation", 38,
                                   RegistryView::Default());
    registry_.WriteRegistryInteger(LocalMachine, std::u16string(kTcpip) + u"\\", u"KeepAliveTime", 12345,
                                   RegistryView::Default());
    registry_.WriteRegistryString(CurrentUser, kInternetSettings, u"MaxConnectionsPerServer", u"10",
                                  RegistryView::Default());
    BackUp();
    EXPECT_EQ(Dword(LocalMachine, kProductKey.path, u"NtfsMftZoneReservation"), 3);
    EXPECT_EQ(Text(LocalMachine, kProductKey.path, u"MinAnimate"), u"0");
    EXPECT_EQ(Dword(LocalMachine, kProductKey.path, u"Win32PrioritySeparation"), 38);
    EXPECT_EQ(Dword(LocalMachine, kProductKey.path, u"KeepAliveTime"), 12345);
    EXPECT_EQ(Dword(LocalMachine, kProductKey.path, u"MaxConnectionsPerServer"),
              2); // text: unreadable as DWORD
}

TEST_F(TweakCatalogueRegistry, NumericMinAnimateIsBackedUpAsTextDefault) {
    registry_.WriteRegistryInteger(CurrentUser, kWindowMetrics, u"MinAnimate", 0, RegistryView::Default());
    BackUp();
    EXPECT_EQ(Text(LocalMachine, kProductKey.path, u"MinAnimate"), u"1");
}

TEST_F(TweakCatalogueRegistry, RestorePutsBackTheBackupAndDeletesTheRest) {
    registry_.WriteRegistryString(CurrentUser, kWindowMetrics, u"MinAnimate", u"0", RegistryView::Default());
    registry_.WriteRegistryInteger(LocalMachine, kPriorityControl, u"Win32PrioritySeparation", 38,
                                   RegistryView::Default());
    registry_.WriteRegistryInteger(LocalMachine, kTcpip, u"KeepAliveTime", 12345, RegistryView::Default());
    registry_.WriteRegistryInteger(LocalMachine, kTcpip, u"EnablePMTUDiscovery", 1, RegistryView::Default());
    registry_.WriteRegistryInteger(LocalMachine, kMessenger, u"Start", 2, RegistryView::Default());
    const TweakProfile profile{8, 0, 1};
    BackUp();
    Optimize(profile);
    Restore(profile);

    EXPECT_EQ(Text(CurrentUser, kWindowMetrics, u"MinAnimate"), u"0");
    EXPECT_EQ(Dword(LocalMachine, kPriorityControl, u"Win32PrioritySeparation"), 38);
    EXPECT_EQ(Dword(LocalMachine, kTcpip, u"KeepAliveTime"), 12345); // deleted as row 8, restored as row 30
    EXPECT_EQ(Dword(LocalMachine, kFileSystem, u"NtfsMftZoneReservation"), 0); // absent before: its default
    EXPECT_EQ(Dword(CurrentUser, kInternetSettings, u"MaxConnectionsPerServer"), 2);
    // Values with a delete action go, whether or not they existed before.
    EXPECT_FALSE(Exists(LocalMachine, kMessenger, u"Start"));
    EXPECT_FALSE(Exists(LocalMachine, kTcpip, u"EnablePMTUDiscovery"));
    for (const auto& write : PlanWrites(profile)) {
        // Row 8's value is also row 30's, which is restored after the delete.
        if (write.row->restoreAction == RestoreAction::Delete && write.row->valueName != u"KeepAliveTime") {
            EXPECT_FALSE(Exists(write.row->key.root, write.row->key.path, write.row->valueName))
                << "row " << write.row->number;
        }
    }
    // The thumbnail rows have no restore action.
    EXPECT_EQ(Dword(LocalMachine, kExplorer, u"ThumbnailSize"), 96);
    EXPECT_EQ(Dword(LocalMachine, kExplorer, u"ThumbnailQuality"), 80);
    // The backup is gone from the product key.
    for (const auto& row : kBackedUp) {
        EXPECT_FALSE(Exists(LocalMachine, kProductKey.path, row.name)) << ToUtf8(row.name);
    }
}

TEST_F(TweakCatalogueRegistry, RestoreConditionsFollowTheProfileAtRestoreTime) {
    BackUp();
    Optimize({8, 0, 1});
    Restore({0, 2, 0}); // Server 2003 and dial-up now: rows 32 to 44 and 46 to 47 are not restored

    for (const auto name : {u"DefaultTTL", u"EnablePMTUBHDetect", u"SackOpts", u"Tcp1323Opts",
                            u"GlobalMaxTcpWindowSize", u"TcpWindowSize", u"TcpMaxDupAcks"}) {
        EXPECT_TRUE(Exists(LocalMachine, kTcpip, name)) << ToUtf8(name);
    }
    EXPECT_TRUE(Exists(LocalMachine, kPsched, u"NonBestEffortLimit"));
    EXPECT_TRUE(Exists(LocalMachine, kPsched, u"MaxOutstandingSends"));
    // Row 37 shares its value with row 6, which is deleted unconditionally.
    EXPECT_FALSE(Exists(LocalMachine, kTcpip, u"EnablePMTUDiscovery"));
    EXPECT_TRUE(Exists(LocalMachine, kSessionManager, u"EnablePrefetcher"));
    EXPECT_TRUE(Exists(LocalMachine, kBootOptimize, u"Enable"));
    EXPECT_TRUE(Exists(LocalMachine, kP3, u"HackFlags"));
    EXPECT_FALSE(Exists(LocalMachine, kSessionManager, u"AutoChkTimeOut"));

    Optimize({7, 0, 0}); // XP writes AutoChkTimeOut; a Windows 10 restore leaves it
    Restore({6, 0, 0});
    EXPECT_TRUE(Exists(LocalMachine, kSessionManager, u"AutoChkTimeOut"));
    EXPECT_FALSE(Exists(LocalMachine, kTcpip, u"DefaultTTL"));
    EXPECT_FALSE(Exists(LocalMachine, kSessionManager, u"EnablePrefetcher"));
    EXPECT_FALSE(Exists(LocalMachine, kBootOptimize, u"Enable"));
}

TEST_F(TweakCatalogueRegistry, RestoreWithoutBackupWritesTheDefaults) {
    Optimize({6, 0, 1});
    Restore({6, 0, 1});
    for (const auto& row : kBackedUp) {
        if (const int* number = std::get_if<int>(&row.defaultValue)) {
            EXPECT_EQ(Dword(row.root, row.path, row.name), *number) << ToUtf8(row.name);
        } else {
            EXPECT_EQ(Text(row.root, row.path, row.name), std::get<std::u16string_view>(row.defaultValue));
        }
    }
}

TEST_F(TweakCatalogueRegistry, RestoreWithoutMachineRightsChangesOnlyUserRows) {
    registry_.WriteRegistryInteger(CurrentUser, kInternetSettings, u"MaxConnectionsPerServer", 6,
                                   RegistryView::Default());
    registry_.WriteRegistryInteger(LocalMachine, kTcpip, u"KeepAliveTime", 12345, RegistryView::Default());
    const TweakProfile profile{8, 0, 1};
    BackUp();
    Optimize(profile);
    store_.DenyWrites(LocalMachine);
    Restore(profile);

    EXPECT_EQ(Dword(CurrentUser, kInternetSettings, u"MaxConnectionsPerServer"), 6);
    EXPECT_FALSE(Exists(CurrentUser, u"\\Control Panel\\Desktop", u"SmoothScroll"));
    EXPECT_EQ(Dword(LocalMachine, kTcpip, u"KeepAliveTime"), 7200000);
    EXPECT_EQ(Dword(LocalMachine, kProductKey.path, u"KeepAliveTime"), 12345);
    EXPECT_EQ(Dword(LocalMachine, kMessenger, u"Start"), 4);
}

} // namespace
} // namespace zentrim
