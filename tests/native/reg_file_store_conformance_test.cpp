// The conformance suite over the .reg file store, each test with a file of its own.
#include "conformance/registry_store_conformance.h"
#include "engine/reg_file_store.h"

#include <atomic>
#include <filesystem>

namespace zentrim {
namespace {

struct RegFileHarness {
    RegFileHarness() {
        static std::atomic<int> counter{0};
        folder = std::filesystem::temp_directory_path() /
                 ("zentrim-conformance-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "-" + std::to_string(counter++));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        auto opened = RegFileRegistryStore::Open(folder / "registry.reg");
        EXPECT_TRUE(opened.store) << opened.error;
        store = std::move(opened.store);
    }
    ~RegFileHarness() {
        store.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    RegistryStore& Store() { return *store; }
    void Clean(RegistryRoot, std::u16string_view) {} // every test starts with a fresh file
    static constexpr bool kRefusesSubkeysOfReadOnlyKeys = true;
    bool DenyWrites(RegistryRoot root, std::u16string_view /*scratchPath*/) {
        store->DenyWrites(root);
        return true;
    }

    std::filesystem::path folder;
    std::unique_ptr<RegFileRegistryStore> store;
};

INSTANTIATE_TYPED_TEST_SUITE_P(RegFile, RegistryStoreConformance, RegFileHarness);

} // namespace
} // namespace zentrim
