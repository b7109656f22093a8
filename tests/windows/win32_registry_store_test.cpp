// The conformance suite against the registry of the Wine prefix the test run made.
#include "base/unique_handle_win32.h"
#include "conformance/registry_store_conformance.h"
#include "engine/product_key.h"
#include "engine/registry_store_win32.h"
#include "engine/runs.h"
#include "native/run_fakes.h"
#include "support/key_security_win32.h"

#include <optional>
#include <string>
#include <vector>

namespace zentrim {
namespace {

HKEY RootHandle(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

using testing::kFullAccessKeySecurity;
using testing::kReadOnlyKeySecurity;
using testing::SetKeyTreeSecurity;

struct Win32Harness {
    Win32RegistryStore store;
    RegistryStore& Store() { return store; }
    void Clean(RegistryRoot root, std::u16string_view path) {
        SetKeyTreeSecurity(RootHandle(root), ToWide(path), kFullAccessKeySecurity); // undo a DenyWrites
        RegDeleteTreeW(RootHandle(root), ToWide(path).c_str());
    }
    // Wine runs every program with full rights, but it checks a key's own security when values are
    // set or deleted: the scratch tree is made read-only, as HKEY_LOCAL_MACHINE is to an ordinary
    // account. Wine still lets such a key gain subkeys, which Windows refuses.
    static constexpr bool kRefusesSubkeysOfReadOnlyKeys = false;
    bool DenyWrites(RegistryRoot root, std::u16string_view scratchPath) {
        return SetKeyTreeSecurity(RootHandle(root), ToWide(scratchPath), kReadOnlyKeySecurity);
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryStoreConformance, Win32Harness);

TEST(Win32RegistryStore, SixtyFourBitViewFlagReachesTheSameKeyForA64BitProgram) {
    Win32RegistryStore store;
    const CustomRegistry reg(store);
    const auto path = u"\\Software\\ZentrimTests\\View\\";
    reg.WriteRegistryInteger(RegistryRoot::LocalMachine, path, u"V", 42, RegistryView::Bits64());
    EXPECT_EQ(reg.ReadRegistryInteger(RegistryRoot::LocalMachine, path, u"V", 0, RegistryView::Default()),
              42);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\ZentrimTests\\View");
}

// The product key lies in the 32-bit view, where the updater and the 32-bit build keep it: for this
// 64-bit program that is the redirected copy under WOW6432Node, and nothing lands in the 64-bit view.
TEST(Win32RegistryStore, ProductKeyLiesInThe32BitView) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\WOW6432Node\\ORVANE");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\ORVANE");
    Win32RegistryStore store;
    const CustomRegistry reg(store);
    reg.WriteRegistryInteger(kProductKeyRoot, ProductKeyPath, u"Restore", 1, kProductKeyView);

    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\WOW6432Node\\ORVANE\\Zentrim", L"Restore",
                           RRF_RT_REG_DWORD, nullptr, &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    HKEY raw = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ORVANE", 0, KEY_READ | KEY_WOW64_64KEY, &raw),
              ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(reg.ReadRegistryBool(kProductKeyRoot, ProductKeyPath, u"Restore", false, kProductKeyView));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\WOW6432Node\\ORVANE");
}

// An optimize run on a machine whose product key refuses writes, as it does to an account without
// administrator rights: the real registry refuses the backup, so the run changes nothing at all,
// not even the current user's values, and says so.
TEST(Win32RegistryStore, OptimizeRunWithARefusedProductKeyChangesNothing) {
    const std::wstring product = L"Software\\WOW6432Node\\ORVANE\\Zentrim";
    const std::wstring priority = L"System\\CurrentControlSet\\Control\\PriorityControl";
    const std::wstring internet = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    Win32RegistryStore store;
    const CustomRegistry reg(store);
    const auto original = [&](HKEY root, const std::wstring& path, const wchar_t* name) {
        DWORD value = 0;
        DWORD size = sizeof value;
        const bool found =
            RegGetValueW(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
        return found ? std::optional<DWORD>(value) : std::nullopt;
    };
    const auto keptPriority = original(HKEY_LOCAL_MACHINE, priority, L"Win32PrioritySeparation");
    const auto keptConnections = original(HKEY_CURRENT_USER, internet, L"MaxConnectionsPerServer");

    SetKeyTreeSecurity(HKEY_LOCAL_MACHINE, product, kFullAccessKeySecurity);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, product.c_str());
    reg.WriteRegistryInteger(kProductKeyRoot, ProductKeyPath, u"InstalledDate", 1, kProductKeyView);
    reg.WriteRegistryInteger(RegistryRoot::LocalMachine, FromWide(priority), u"Win32PrioritySeparation", 38,
                             RegistryView::Bits64());
    reg.WriteRegistryInteger(RegistryRoot::CurrentUser, FromWide(internet), u"MaxConnectionsPerServer", 10,
                             RegistryView::Bits64());
    ASSERT_TRUE(SetKeyTreeSecurity(HKEY_LOCAL_MACHINE, product, kReadOnlyKeySecurity));

    testing::FakeRunView view;
    RecordingSystemRestart restart;
    RunOptimize(view, reg, restart);

    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_NE(ToUtf8(view.boxes[0].text).find("MessageBoxBackupFailed1"), std::string::npos);
    EXPECT_FALSE(view.restoreButtonEnabled);
    EXPECT_EQ(original(HKEY_LOCAL_MACHINE, priority, L"Win32PrioritySeparation"), 38u);
    EXPECT_EQ(original(HKEY_CURRENT_USER, internet, L"MaxConnectionsPerServer"), 10u);
    EXPECT_FALSE(original(HKEY_LOCAL_MACHINE, product, L"Restore").has_value());
    // Wine lets a read-only key gain a subkey, so the record may have been written before the
    // backup values were refused; it must have been taken back.
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (product + L"\\Originals").c_str(), 0, KEY_READ, &raw) ==
        ERROR_SUCCESS) {
        const UniqueHandle<HKEY, RegCloseKey> record(raw);
        DWORD values = 1;
        RegQueryInfoKeyW(record.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr);
        EXPECT_EQ(values, 0u) << "a record is left behind";
    }
    EXPECT_TRUE(restart.calls.empty());

    SetKeyTreeSecurity(HKEY_LOCAL_MACHINE, product, kFullAccessKeySecurity);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, product.c_str());
    const auto putBack = [&](HKEY root, const std::wstring& path, const wchar_t* name,
                             std::optional<DWORD> value) {
        if (value) {
            RegSetKeyValueW(root, path.c_str(), name, REG_DWORD, &*value, sizeof *value);
        } else {
            RegDeleteKeyValueW(root, path.c_str(), name);
        }
    };
    putBack(HKEY_LOCAL_MACHINE, priority, L"Win32PrioritySeparation", keptPriority);
    putBack(HKEY_CURRENT_USER, internet, L"MaxConnectionsPerServer", keptConnections);
}

} // namespace
} // namespace zentrim
