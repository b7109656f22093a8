// Reading several values of one key with the key opened once: each value must read exactly as a
// read of that value alone would, failures included.
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"

#include "support/faulty_registry_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrim {
namespace {

using testing::FaultyRegistryStore;
using testing::StoreOperation;

constexpr RegistryRoot kRoot = RegistryRoot::LocalMachine;
constexpr std::u16string_view kKey = u"\\Software\\Maker\\Product";

class ReadValues : public ::testing::Test {
protected:
    void SetUp() override {
        const CustomRegistry registry(memory_);
        registry.WriteRegistryInteger(kRoot, kKey, u"Number", 38, RegistryView::Default());
        registry.WriteRegistryString(kRoot, kKey, u"Text", u"cable", RegistryView::Default());
        registry.WriteRegistryBinary(kRoot, kKey, u"Bytes", std::vector<std::uint8_t>{1, 2, 3},
                                     RegistryView::Default());
        registry.WriteRegistryString(kRoot, kKey, u"Empty", u"", RegistryView::Default());
    }

    MemoryRegistryStore memory_;
};

TEST_F(ReadValues, EachValueReadsAsItsOwnReadWithOneOpeningOfTheKey) {
    FaultyRegistryStore counting(memory_);
    const CustomRegistry registry(counting);
    const std::vector<std::u16string> names{u"Number", u"Missing", u"Text", u"bytes", u"Empty"};

    const auto results = registry.TryReadRawValues(kRoot, kKey, names, RegistryView::Default());
    EXPECT_EQ(counting.OperationCount(StoreOperation::Open), 1u);
    ASSERT_EQ(results.size(), names.size());

    EXPECT_EQ(results[0].status, StoreStatus::Ok);
    EXPECT_EQ(results[0].value.type, ValueType::Dword);
    EXPECT_EQ(results[0].value.data, (std::vector<std::uint8_t>{38, 0, 0, 0}));
    EXPECT_EQ(results[1].status, StoreStatus::NotFound);
    EXPECT_EQ(results[2].status, StoreStatus::Ok);
    EXPECT_EQ(results[2].value.type, ValueType::String);
    EXPECT_EQ(results[2].value.data,
              (std::vector<std::uint8_t>{'c', 0, 'a', 0, 'b', 0, 'l', 0, 'e', 0, 0, 0}));
    EXPECT_EQ(results[3].status, StoreStatus::Ok); // value names ignore case, as the registry's do
    EXPECT_EQ(results[3].value.data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(results[4].status, StoreStatus::Ok);
    EXPECT_EQ(results[4].value.data, (std::vector<std::uint8_t>{0, 0}));

    // The same answers, one read at a time.
    for (std::size_t i = 0; i < names.size(); ++i) {
        RawValue alone;
        EXPECT_EQ(registry.TryReadRaw(kRoot, kKey, names[i], RegistryView::Default(), alone),
                  results[i].status)
            << i;
        if (results[i].status == StoreStatus::Ok) {
            EXPECT_EQ(alone.type, results[i].value.type) << i;
            EXPECT_EQ(alone.data, results[i].value.data) << i;
        }
    }
}

TEST_F(ReadValues, AKeyThatCannotBeOpenedGivesItsFailureToEveryValue) {
    const std::vector<std::u16string> names{u"Number", u"Text"};
    {
        const CustomRegistry registry(memory_);
        for (const auto& result :
             registry.TryReadRawValues(kRoot, u"\\Software\\Maker\\Absent", names, RegistryView::Default())) {
            EXPECT_EQ(result.status, StoreStatus::NotFound);
        }
    }
    FaultyRegistryStore refusing(memory_);
    refusing.Add(FaultyRegistryStore::At(0, StoreStatus::AccessDenied)); // the opening
    const CustomRegistry registry(refusing);
    for (const auto& result : registry.TryReadRawValues(kRoot, kKey, names, RegistryView::Default())) {
        EXPECT_EQ(result.status, StoreStatus::AccessDenied);
    }
}

TEST_F(ReadValues, AFailedQueryAffectsOnlyItsOwnValue) {
    FaultyRegistryStore faulty(memory_);
    faulty.FailValueName(u"Text", StoreStatus::Failed);
    const CustomRegistry registry(faulty);
    const std::vector<std::u16string> names{u"Number", u"Text", u"Bytes"};
    const auto results = registry.TryReadRawValues(kRoot, kKey, names, RegistryView::Default());
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].status, StoreStatus::Ok);
    EXPECT_EQ(results[1].status, StoreStatus::Failed);
    EXPECT_EQ(results[2].status, StoreStatus::Ok);
    EXPECT_EQ(results[2].value.data, (std::vector<std::uint8_t>{1, 2, 3}));
}

} // namespace
} // namespace zentrim
