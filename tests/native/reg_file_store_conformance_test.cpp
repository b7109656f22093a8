// The conformance suite over the .reg file store, each test with a file of its own.
#include "conformance/registry_store_conformance.h"
#include "engine/reg_file_store.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>

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

namespace zentrim {
namespace {

// Whatever the file store accepts, it reads back identically: random keys, names and values of
// every type are written, the file is opened again, and both stores must hold the same. Names the
// format cannot hold on one line (a key name with CR or LF) are refused and change nothing.
TEST(RegFileRegistryStore, RandomContentReadsBackIdentically) {
    // A folder of this run's own: another test run may be doing the same at the same time.
    const auto folder = std::filesystem::temp_directory_path() /
                        ("zentrim-round-trip-" + std::to_string(std::random_device{}()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto file = folder / "registry.reg";

    std::mt19937 random(1209);
    const std::u16string alphabet =
        u"aZ09 _-.\"\\[]=@;:,{}()#%\t\r\n\u00e9\u00df\u4e2d\u20ac\xd83d\xde00\x7f\x01";
    const auto randomName = [&](bool keyName) {
        std::u16string name;
        const std::size_t length = 1 + random() % 8;
        while (name.size() < length) {
            const char16_t c = alphabet[random() % alphabet.size()];
            if (!(keyName && c == u'\\')) {
                name.push_back(c);
            }
        }
        return name;
    };
    const ValueType types[] = {ValueType::None,         ValueType::String,
                               ValueType::ExpandString, ValueType::Binary,
                               ValueType::Dword,        ValueType::DwordBigEndian,
                               ValueType::Link,         ValueType::MultiString,
                               ValueType::Qword,        static_cast<ValueType>(0x1234)};

    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::filesystem::remove(file);
        auto opened = RegFileRegistryStore::Open(file);
        ASSERT_TRUE(opened.store) << opened.error;
        RegFileRegistryStore& store = *opened.store;
        const CustomRegistry registry(store);
        std::vector<std::u16string> paths{u"Software"};
        for (int change = 0; change < 60; ++change) {
            const RegistryRoot root =
                random() % 2 == 0 ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
            if (random() % 4 == 0) {
                paths.push_back(paths[random() % paths.size()] + u"\\" + randomName(true));
            }
            const std::u16string path = paths[random() % paths.size()];
            const std::u16string name = random() % 10 == 0 ? std::u16string() : randomName(false);
            RawValue value{types[random() % std::size(types)], {}};
            value.data.resize(random() % 12);
            for (auto& byte : value.data) {
                byte = static_cast<std::uint8_t>(random());
            }
            if (value.type == ValueType::String && random() % 2 == 0) {
                value.data = EncodeRegistryText(randomName(false));
            }
            const auto before = store.Snapshot();
            const StoreStatus status =
                registry.TryWrite(root, u"\\" + path, name, value.type, value.data, RegistryView::Default());
            const bool unwritable = path.find_first_of(u"\r\n") != std::u16string::npos;
            if (unwritable) {
                EXPECT_EQ(status, StoreStatus::InvalidName) << ToUtf8(path);
                EXPECT_EQ(store.Snapshot().size(), before.size()) << "a refused key was created";
                paths.erase(std::find(paths.begin(), paths.end(), path));
            } else {
                ASSERT_EQ(status, StoreStatus::Ok) << ToUtf8(path) << " | " << ToUtf8(name);
            }
            if (random() % 8 == 0) {
                registry.TryDelete(root, u"\\" + path, name, RegistryView::Default());
            }
        }
        auto reopened = RegFileRegistryStore::Open(file);
        ASSERT_TRUE(reopened.store) << reopened.error;
        const auto written = store.Snapshot();
        const auto read = reopened.store->Snapshot();
        ASSERT_EQ(read.size(), written.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(read[i].rootName, written[i].rootName);
            EXPECT_EQ(read[i].path, written[i].path);
            ASSERT_EQ(read[i].values.size(), written[i].values.size()) << ToUtf8(written[i].path);
            for (std::size_t j = 0; j < read[i].values.size(); ++j) {
                EXPECT_EQ(read[i].values[j].name, written[i].values[j].name);
                EXPECT_EQ(read[i].values[j].type, written[i].values[j].type);
                EXPECT_EQ(read[i].values[j].data, written[i].values[j].data);
            }
        }
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace zentrim
