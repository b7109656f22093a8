#include "conformance/registry_store_conformance.h"
#include "engine/memory_registry_store.h"

namespace zentrim {
namespace {

struct MemoryHarness {
    MemoryRegistryStore store;
    RegistryStore& Store() { return store; }
    void Clean(RegistryRoot, std::u16string_view) {} // every test starts with a fresh store
    static constexpr bool kRefusesSubkeysOfReadOnlyKeys = true;
    bool DenyWrites(RegistryRoot root, std::u16string_view /*scratchPath*/) {
        store.DenyWrites(root);
        return true;
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RegistryStoreConformance, MemoryHarness);

TEST(MemoryRegistryStore, EveryOperationClosesTheKeyItOpened) {
    MemoryRegistryStore store;
    const CustomRegistry reg(store);
    const auto hkcu = RegistryRoot::CurrentUser;
    reg.WriteRegistryString(hkcu, u"\\A\\", u"S", u"x", RegistryView::Default());
    reg.WriteRegistryInteger(hkcu, u"\\A\\", u"I", 1, RegistryView::Default());
    reg.WriteRegistryBinary(hkcu, u"\\A\\", u"B", {1}, RegistryView::Default());
    reg.WriteRegistryBool(hkcu, u"\\A\\", u"F", true, RegistryView::Default());
    reg.ReadRegistryString(hkcu, u"\\A\\", u"S", u"", RegistryView::Default());
    reg.ReadRegistryInteger(hkcu, u"\\A\\", u"S", 0, RegistryView::Default()); // type mismatch path
    reg.ReadRegistryBool(hkcu, u"\\Missing\\", u"F", false, RegistryView::Default());
    reg.DeleteRegistryValue(hkcu, u"\\A\\", u"Nothing", RegistryView::Default());
    EXPECT_EQ(store.OpenKeyCount(), 0u);
}

TEST(MemoryRegistryStore, SnapshotAndLoadKeepNamesTypesAndFirstSpelling) {
    MemoryRegistryStore store;
    const CustomRegistry reg(store);
    reg.WriteRegistryInteger(RegistryRoot::LocalMachine, u"\\Software\\ORVANE\\Zentrim\\", u"Restore", 1,
                             RegistryView::Default());
    reg.WriteRegistryInteger(RegistryRoot::LocalMachine, u"\\SOFTWARE\\orvane\\zentrim\\Sub", u"X", 2,
                             RegistryView::Default());
    const auto snapshot = store.Snapshot();
    ASSERT_EQ(snapshot.size(), 4u);
    EXPECT_EQ(snapshot[2].path, u"Software\\ORVANE\\Zentrim");
    EXPECT_EQ(snapshot[3].path, u"Software\\ORVANE\\Zentrim\\Sub");
    EXPECT_EQ(snapshot[2].values.at(0).name, u"Restore");

    MemoryRegistryStore copy;
    copy.Load(snapshot);
    EXPECT_EQ(CustomRegistry(copy).ReadRegistryInteger(RegistryRoot::LocalMachine,
                                                       u"\\software\\orvane\\zentrim\\sub", u"x", 0,
                                                       RegistryView::Default()),
              2);
    EXPECT_EQ(copy.Snapshot().size(), snapshot.size());
}

} // namespace
} // namespace zentrim
