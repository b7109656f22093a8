#include "engine/system_profile.h"

#include "base/text.h"
#include "engine/memory_registry_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace zentrim {
namespace {

constexpr std::u16string_view kCpuKey = u"\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\\";
constexpr std::u16string_view kProductKey = u"\\Software\\ORVANE\\Zentrim\\";

TEST(SystemProfile, ConvertWindowsVersionCoversEveryIndex) {
    const std::pair<int, int> cases[] = {
        {INT_MIN, -1}, {-2, -1}, {-1, -1}, {0, 8}, {1, 6},  {2, 5},   {3, 3},        {4, 1},
        {5, 7},        {6, 4},   {7, 2},   {8, 0}, {9, -1}, {10, -1}, {INT_MAX, -1},
    };
    for (const auto& [index, osClass] : cases) {
        EXPECT_EQ(ConvertWindowsVersion(index), osClass) << "list index " << index;
    }
}

TEST(SystemProfile, DetectionCodePreselectsItsEntry) {
    const std::pair<int, int> cases[] = {
        {9, 0}, {8, 1}, {6, 2}, {5, 3},  {3, 4},  {1, 5},  {7, 6},
        {4, 7}, {2, 8}, {0, 9}, {-1, 0}, {10, 0}, {-7, 0},
    };
    for (const auto& [code, index] : cases) {
        EXPECT_EQ(WindowsListIndexForDetectionCode(code), index) << "detection code " << code;
    }
}

// From the version the system reports to the OS class the catalogue sees.
TEST(SystemProfile, ReportedVersionToOsClass) {
    struct Case {
        std::uint32_t major, minor, build;
        int productType;
        int listIndex;
        int osClass;
    };
    const Case cases[] = {
        {6, 1, 7601, 3, 7, 2},   // Server 2008 R2 shows as Server 2008
        {6, 1, 7601, 1, 3, 3},   // Windows 7
        {6, 3, 9600, 1, 2, 5},   // 8.1 shows as Windows 8
        {6, 2, 9200, 2, 6, 4},   // Server 2012
        {10, 0, 21999, 1, 1, 6}, // Windows 10
        {10, 0, 22000, 1, 0, 8}, // Windows 11
        {5, 0, 2195, 1, 9, -1},  // Windows 2000: the class of no selection
        {5, 2, 3790, 2, 8, 0},   // Server 2003
        {5, 1, 2600, 1, 5, 7},   // XP
        {6, 0, 6002, 1, 4, 1},   // Vista
        {4, 0, 1381, 1, 0, 8},   // unknown versions preselect Windows 11
        {7, 0, 0, 1, 0, 8},      {11, 0, 0, 1, 0, 8}, {6, 1, 7601, 0, 0, 8}, // no product type
    };
    for (const auto& c : cases) {
        const int index =
            WindowsListIndexForDetectionCode(DecideWindowsVersion(c.major, c.minor, c.build, c.productType));
        EXPECT_EQ(index, c.listIndex) << c.major << "." << c.minor << "." << c.build;
        EXPECT_EQ(ConvertWindowsVersion(index), c.osClass) << c.major << "." << c.minor << "." << c.build;
    }
}

TEST(SystemProfile, ListCaptionsAreIndentedAndServerEntriesHaveTheServerImage) {
    for (const auto& entry : kWindowsList) {
        EXPECT_EQ(entry.caption.substr(0, 3), u"  M") << ToUtf8(entry.caption);
        EXPECT_NE(entry.caption.find(u" \u00AE Windows "), std::u16string_view::npos)
            << ToUtf8(entry.caption);
        const bool server = entry.caption.find(u"Server") != std::u16string_view::npos;
        EXPECT_EQ(entry.imageIndex, server ? 1 : 0) << ToUtf8(entry.caption);
    }
    for (const auto& entry : kProcessorList) {
        EXPECT_EQ(entry.caption.substr(0, 2), u"  ");
        EXPECT_NE(entry.caption.find(u" \u00AE Processor"), std::u16string_view::npos)
            << ToUtf8(entry.caption);
    }
    for (const auto& entry : kInternetTypeList) {
        EXPECT_EQ(entry.caption.substr(0, 2), u"  ");
        EXPECT_NE(entry.caption[2], u' ') << ToUtf8(entry.caption);
    }
    EXPECT_EQ(kInternetTypeList[internet_type::kDialUp].caption, u"  Dial-up 56k");
    EXPECT_EQ(kInternetTypeList[internet_type::kIsdn].caption, u"  ISDN");
}

TEST(SystemProfile, ProcessorVendorFromStoredName) {
    struct Case {
        std::optional<std::u16string_view> name; // nothing: no value stored
        int expected;
    };
    const Case cases[] = {
        {u"Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz", 0},
        {u"AMD Ryzen 7 5800X 8-Core Processor", 1},
        {u"VIA Nano X2 L4350E", 2},
        {u"GENUINEINTEL", 0},
        {u"AMD RYZEN", 1},
        {u"Via Eden", 2},
        {u"AMD chip made by Intel", 0}, // Intel is tested first wherever it stands
        {u"VIA chip with AMD cores", 1},
        {u"Qualcomm Snapdragon X Elite", 0},
        {u"", 0},
        {std::nullopt, 0},
    };
    for (const auto& c : cases) {
        MemoryRegistryStore store;
        const CustomRegistry registry(store);
        if (c.name) {
            registry.WriteRegistryString(RegistryRoot::LocalMachine, kCpuKey, u"ProcessorNameString", *c.name,
                                         RegistryView::Default());
        }
        EXPECT_EQ(DetectProcessorVendor(registry), c.expected) << (c.name ? ToUtf8(*c.name) : "(absent)");
    }

    // A name that is not text reads as absent.
    MemoryRegistryStore store;
    const CustomRegistry registry(store);
    registry.WriteRegistryInteger(RegistryRoot::LocalMachine, kCpuKey, u"ProcessorNameString", 1,
                                  RegistryView::Default());
    EXPECT_EQ(DetectProcessorVendor(registry), 0);
    // Only the first processor's key is consulted.
    registry.WriteRegistryString(RegistryRoot::LocalMachine,
                                 u"\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\1",
                                 u"ProcessorNameString", u"AMD", RegistryView::Default());
    EXPECT_EQ(DetectProcessorVendor(registry), 0);
}

TEST(SystemProfile, SpeedSettingIsClamped) {
    const std::pair<int, int> cases[] = {{INT_MIN, 0}, {-3, 0}, {0, 0}, {1, 1}, {5, 1}, {INT_MAX, 1}};
    for (const auto& [stored, position] : cases) {
        EXPECT_EQ(ClampSpeedSetting(stored), position) << stored;
    }
}

TEST(SystemProfile, NothingStoredDetectsTheProcessor) {
    MemoryRegistryStore store;
    const CustomRegistry registry(store);
    registry.WriteRegistryString(RegistryRoot::LocalMachine, kCpuKey, u"ProcessorNameString", u"AMD Athlon",
                                 RegistryView::Default());

    const StoredChoices stored = ReadStoredChoices(registry);
    EXPECT_EQ(stored.processorType, -1);
    EXPECT_EQ(stored.internetType, 0);
    EXPECT_EQ(stored.speedSetting, 0);

    const ProfileSelection selection = PreselectProfile(5, stored, registry);
    EXPECT_EQ(selection.windowsIndex, 3);
    EXPECT_EQ(selection.processorIndex, 1);
    EXPECT_EQ(selection.internetType, 0);
    EXPECT_EQ(selection.speedPosition, 0);
}

TEST(SystemProfile, StoredChoicesArePreselected) {
    struct Case {
        int processorType, internetType, speedSetting;
        int processorIndex, internetIndex, speedPosition;
    };
    const Case cases[] = {
        {2, 7, 1, 2, 7, 1},                            // a stored VIA wins over the AMD name
        {0, 8, 0, 0, 8, 0},      {7, 12, 5, 7, 12, 1}, // out of range: applied unchanged, the speed clamped
        {-5, -1, -3, -5, -1, 0}, {-1, 3, 1, 1, 3, 1},  // -1 stored means detect
    };
    for (const auto& c : cases) {
        MemoryRegistryStore store;
        const CustomRegistry registry(store);
        registry.WriteRegistryString(RegistryRoot::LocalMachine, kCpuKey, u"ProcessorNameString", u"AMD",
                                     RegistryView::Default());
        registry.WriteRegistryInteger(RegistryRoot::LocalMachine, kProductKey, u"ProcessorType",
                                      c.processorType, RegistryView::Default());
        registry.WriteRegistryInteger(RegistryRoot::LocalMachine, kProductKey, u"InternetType",
                                      c.internetType, RegistryView::Default());
        registry.WriteRegistryInteger(RegistryRoot::LocalMachine, kProductKey, u"SpeedSetting",
                                      c.speedSetting, RegistryView::Default());

        const ProfileSelection selection = PreselectProfile(-1, ReadStoredChoices(registry), registry);
        EXPECT_EQ(selection.windowsIndex, 0);
        EXPECT_EQ(selection.processorIndex, c.processorIndex) << c.processorType;
        EXPECT_EQ(selection.internetType, c.internetIndex) << c.internetType;
        EXPECT_EQ(selection.speedPosition, c.speedPosition) << c.speedSetting;
    }
}

} // namespace
} // namespace zentrim
