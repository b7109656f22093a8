// The 32-bit and the 64-bit program on one 64-bit Windows share one product key: the one in the
// 32-bit registry view, HKEY_LOCAL_MACHINE\Software\WOW6432Node\ORVANE\Zentrim, where the updater
// keeps it too. The tweaked values stay in the 64-bit view. A backup taken by either build is
// restored by either.
#include "engine/backup.h"
#include "engine/product_key.h"
#include "engine/runs.h"

#include "run_fakes.h"
#include "support/design_catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using enum RegistryRoot;
using Kind = MemoryRegistryStore::ProgramKind;
using testing::FakeRunView;

constexpr std::uint32_t kView64 = 0x0100; // KEY_WOW64_64KEY
constexpr std::uint32_t kView32 = 0x0200; // KEY_WOW64_32KEY

// Passes everything to a memory store and notes the access asked for with every key opened,
// created or deleted.
class AccessRecordingStore final : public testing::ForwardingRegistryStore {
public:
    using ForwardingRegistryStore::ForwardingRegistryStore;

    struct Access {
        std::u16string path;
        std::uint32_t mask;
    };
    const std::vector<Access>& Accesses() const { return accesses_; }

    StoreStatus OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                        StoreKey& key) override {
        Note(path, access);
        return ForwardingRegistryStore::OpenKey(root, path, access, key);
    }
    StoreStatus CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                          StoreKey& key) override {
        Note(path, access);
        return ForwardingRegistryStore::CreateKey(root, path, access, key);
    }
    StoreStatus DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) override {
        Note(path, access);
        return ForwardingRegistryStore::DeleteKey(root, path, access);
    }

private:
    void Note(std::u16string_view path, std::uint32_t access) {
        accesses_.push_back({std::u16string(path), access});
    }

    std::vector<Access> accesses_;
};

bool UnderProductKey(std::u16string_view path) {
    const std::u16string lower = ToLowerText(path);
    return lower.starts_with(u"software\\orvane\\zentrim");
}

// Every value of the machine by "key|name", lower case.
std::map<std::u16string, RawValue> Values(const MemoryRegistryStore& store) {
    std::map<std::u16string, RawValue> values;
    for (const StoredKey& key : store.Snapshot()) {
        for (const StoredValue& value : key.values) {
            values[ToLowerText(key.rootName + u"\\" + key.path + u"|" + value.name)] = {value.type,
                                                                                        value.data};
        }
    }
    return values;
}

// A machine where every tweaked value and a neighbour of each already exist with values of the
// user's own, in the 64-bit view, plus a 32-bit copy of one of them that no run may touch.
void PlantMachine(MemoryRegistryStore& store) {
    store.EmulateWow64Redirection(Kind::Bits64);
    const CustomRegistry registry(store);
    for (const design::Row& row : design::DesignTable()) {
        const RegistryRoot root =
            row.key.root == std::string_view(design::kHklm) ? LocalMachine : CurrentUser;
        registry.WriteRegistryInteger(root, row.key.path, row.name, 5000 + row.number,
                                      RegistryView::Bits64());
        registry.WriteRegistryString(root, row.key.path, u"Neighbour", u"mine", RegistryView::Bits64());
    }
    registry.WriteRegistryInteger(LocalMachine,
                                  u"\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer",
                                  u"ThumbnailSize", 77, RegistryView::Bits64());
}

void Optimize(const CustomRegistry& registry) {
    FakeRunView view;
    view.windowsIndex = 1; // Windows 10
    view.internetType = 0;
    view.speedSetting = 1;
    RecordingSystemRestart restart;
    RunOptimize(view, registry, restart);
}

void Restore(const CustomRegistry& registry) {
    FakeRunView view;
    view.windowsIndex = 1;
    view.internetType = 0;
    view.answers = {message_box::kIdOk, message_box::kIdNo};
    RecordingSystemRestart restart;
    RunRestore(view, registry, restart);
}

TEST(SharedProductKey, EveryBuildAsksForThe32BitViewForTheProductKeyAndThe64BitViewForTweaks) {
    MemoryRegistryStore memory;
    PlantMachine(memory);
    AccessRecordingStore store(memory);
    const CustomRegistry registry(store);
    RunStartupUpkeep(registry, FixedClock(EncodeDateTime({2026, 3, 1, 12}).value()));
    Optimize(registry);
    Restore(registry);

    int productKeyAccesses = 0;
    int tweakAccesses = 0;
    for (const auto& access : store.Accesses()) {
        const std::uint32_t view = access.mask & (kView64 | kView32);
        if (UnderProductKey(access.path)) {
            ++productKeyAccesses;
            EXPECT_EQ(view, kView32) << ToUtf8(access.path);
        } else {
            ++tweakAccesses;
            EXPECT_EQ(view, kView64) << ToUtf8(access.path);
        }
    }
    EXPECT_GT(productKeyAccesses, 47) << "the backup, the record and the flag";
    EXPECT_GT(tweakAccesses, 47) << "the backup's reads, the writes and the restore";
}

struct Builds {
    Kind takesBackup;
    Kind restores;
};

class SharedProductKeyAcrossBuilds : public ::testing::TestWithParam<Builds> {};

TEST_P(SharedProductKeyAcrossBuilds, BackupTakenByOneBuildIsRestoredByTheOther) {
    MemoryRegistryStore store;
    PlantMachine(store);
    const auto before = Values(store);
    const CustomRegistry registry(store);

    store.EmulateWow64Redirection(GetParam().takesBackup);
    Optimize(registry);
    ASSERT_NE(Values(store), before);
    EXPECT_TRUE(store.KeyExists(LocalMachine, u"Software\\WOW6432Node\\ORVANE\\Zentrim"));
    EXPECT_FALSE(store.KeyExists(LocalMachine, u"Software\\ORVANE"))
        << "no second product key in the 64-bit view";
    EXPECT_EQ(registry.ReadRegistryInteger(LocalMachine,
                                           u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer",
                                           u"ThumbnailSize", 0, RegistryView::Bits64()),
              96);

    store.EmulateWow64Redirection(GetParam().restores);
    EXPECT_TRUE(IsBackupHeld(registry)) << "the other build sees the backup and offers \"&Restore\"";
    Restore(registry);

    auto after = Values(store);
    // What the runs leave in the product key: the choices the optimize run stored.
    for (auto it = after.begin(); it != after.end();) {
        it = it->first.starts_with(u"hkey_local_machine\\software\\wow6432node\\orvane") ? after.erase(it)
                                                                                         : ++it;
    }
    EXPECT_EQ(after, before);
    EXPECT_FALSE(store.KeyExists(LocalMachine, u"Software\\WOW6432Node\\ORVANE\\Zentrim\\Originals"));
}

INSTANTIATE_TEST_SUITE_P(Builds, SharedProductKeyAcrossBuilds,
                         ::testing::Values(Builds{Kind::Bits64, Kind::Bits32},
                                           Builds{Kind::Bits32, Kind::Bits64},
                                           Builds{Kind::Bits64, Kind::Bits64}),
                         [](const auto& param) {
                             const auto name = [](Kind kind) { return kind == Kind::Bits32 ? "32" : "64"; };
                             return std::string("TakenBy") + name(param.param.takesBackup) + "RestoredBy" +
                                    name(param.param.restores);
                         });

TEST(SharedProductKey, The64BitBuildSeesTheUpdatersFlag) {
    MemoryRegistryStore store;
    store.EmulateWow64Redirection(Kind::Bits32); // the updater is a 32-bit program
    const CustomRegistry updater(store);
    updater.WriteRegistryBool(LocalMachine, u"\\Software\\ORVANE\\Zentrim\\", u"Updated", true,
                              RegistryView::Default());

    store.EmulateWow64Redirection(Kind::Bits64);
    const CustomRegistry registry(store);
    RunStartupUpkeep(registry, FixedClock(EncodeDateTime({2026, 3, 1, 12}).value()));
    EXPECT_FALSE(updater.ReadRegistryBool(LocalMachine, u"\\Software\\WOW6432Node\\ORVANE\\Zentrim",
                                          u"Updated", true, RegistryView::Bits64()));
    EXPECT_TRUE(registry.ReadRegistryRaw(LocalMachine, u"\\Software\\WOW6432Node\\ORVANE\\Zentrim",
                                         u"UpdatedDate", RegistryView::Bits64()));
    EXPECT_FALSE(store.KeyExists(LocalMachine, u"Software\\ORVANE"));
}

} // namespace
} // namespace zentrim
