// The conformance suite against the registry of the Wine prefix the test run made.
#include "base/unique_handle_win32.h"
#include "conformance/registry_store_conformance.h"
#include "engine/registry_store_win32.h"

namespace zentrim {
namespace {

struct Win32Harness {
    Win32RegistryStore store;
    RegistryStore& Store() { return store; }
    void Clean(RegistryRoot root, std::u16string_view path) {
        RegDeleteTreeW(root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                       ToWide(path).c_str());
    }
    bool DenyWrites(RegistryRoot) { return false; } // Wine runs every program with full rights
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryStoreConformance, Win32Harness);

TEST(Win32RegistryStore, SixtyFourBitViewFlagReachesTheSameKeyForA64BitProgram) {
    Win32RegistryStore store;
    const CustomRegistry reg(store);
    const auto path = u"\\Software\\ZentrimTests\\View\\";
    reg.WriteRegistryInteger(RegistryRoot::LocalMachine, path, u"V", 42, true);
    EXPECT_EQ(reg.ReadRegistryInteger(RegistryRoot::LocalMachine, path, u"V", 0, false), 42);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\ZentrimTests\\View");
}

} // namespace
} // namespace zentrim
