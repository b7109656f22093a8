#include "engine/product_key.h"

#include "base/text.h"
#include "engine/memory_registry_store.h"

#include <gtest/gtest.h>

namespace zentrim {
namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int millisecond = 0) {
    return EncodeDateTime({year, month, day, hour, minute, second, millisecond}).value();
}

class ProductKeyTest : public ::testing::Test {
protected:
    std::u16string ReadText(std::u16string_view name) const {
        return registry_.ReadRegistryString(kProductKeyRoot, ProductKeyPath, name, u"<absent>",
                                            RegistryView::Default());
    }
    int ReadNumber(std::u16string_view name) const {
        return registry_.ReadRegistryInteger(kProductKeyRoot, ProductKeyPath, name, -99,
                                             RegistryView::Default());
    }
    void WriteText(std::u16string_view name, std::u16string_view value) const {
        registry_.WriteRegistryString(kProductKeyRoot, ProductKeyPath, name, value, RegistryView::Default());
    }

    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FixedClock clock_{At(2024, 1, 2, 3, 4, 5, 250)};
    DateTextFormatter formatter_{EnglishUnitedStatesFormatSettings(), EnglishUnitedStatesFormatSettings()};
};

TEST_F(ProductKeyTest, FirstStartRecordsTheInstallationOnce) {
    RunStartupUpkeep(registry_, clock_);
    EXPECT_EQ(ReadText(product_value::kInstalledDate), u"1704164645");
    EXPECT_FALSE(registry_.ReadRegistryRaw(kProductKeyRoot, ProductKeyPath, product_value::kUpdatedDate,
                                           RegistryView::Default()));
    EXPECT_FALSE(registry_.ReadRegistryRaw(kProductKeyRoot, ProductKeyPath, product_value::kUpdated,
                                           RegistryView::Default()));

    // The key lies under HKEY_LOCAL_MACHINE and nowhere else.
    const std::vector<StoredKey> keys = store_.Snapshot();
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back().rootName, u"HKEY_LOCAL_MACHINE");
    EXPECT_EQ(keys.back().path, u"Software\\ORVANE\\Zentrim");
    EXPECT_FALSE(store_.KeyExists(RegistryRoot::CurrentUser, u"Software"));

    clock_.Set(At(2024, 6, 1));
    RunStartupUpkeep(registry_, clock_);
    EXPECT_EQ(ReadText(product_value::kInstalledDate), u"1704164645");
    EXPECT_EQ(LastUpdatedText(registry_, formatter_), u"Tuesday, January 2, 2024 - 3:04:05 AM");
}

TEST_F(ProductKeyTest, AnEmptyInstallationDateIsWrittenAgain) {
    WriteText(product_value::kInstalledDate, u"");
    RunStartupUpkeep(registry_, clock_);
    EXPECT_EQ(ReadText(product_value::kInstalledDate), u"1704164645");
}

TEST_F(ProductKeyTest, TheUpdatedFlagBecomesTheUpdateDate) {
    WriteText(product_value::kInstalledDate, u"1600000000");
    registry_.WriteRegistryBool(kProductKeyRoot, ProductKeyPath, product_value::kUpdated, true,
                                RegistryView::Default());
    RunStartupUpkeep(registry_, clock_);
    EXPECT_EQ(ReadNumber(product_value::kUpdated), 0);
    EXPECT_EQ(ReadText(product_value::kUpdatedDate), u"1704164645");
    EXPECT_EQ(ReadText(product_value::kInstalledDate), u"1600000000");

    // Without the flag the update date stays.
    clock_.Set(At(2024, 6, 1));
    RunStartupUpkeep(registry_, clock_);
    EXPECT_EQ(ReadText(product_value::kUpdatedDate), u"1704164645");
}

TEST_F(ProductKeyTest, WithoutRightsNothingIsStoredAndNothingFails) {
    store_.DenyWrites(RegistryRoot::LocalMachine);
    RunStartupUpkeep(registry_, clock_);
    RunStartupUpkeep(registry_, clock_);
    EXPECT_TRUE(store_.Snapshot().empty());
    EXPECT_EQ(LastUpdatedText(registry_, formatter_), u"");
    EXPECT_FALSE(IsUpdateCheckDue(registry_, formatter_, clock_));
}

TEST_F(ProductKeyTest, LastUpdatedFallsBackToTheInstallationDate) {
    struct Case {
        const char16_t* updated; // nullptr: absent
        const char16_t* installed;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"1704164645", u"1600000000", u"Tuesday, January 2, 2024 - 3:04:05 AM"},
        {u"1/2/2024 3:04:05 PM", u"1600000000", u"Tuesday, January 2, 2024 - 3:04:05 PM"},
        {u"garbage", u"1704153600", u"Tuesday, January 2, 2024 - 12:00:00 AM"},
        {u"", u"1704153600", u"Tuesday, January 2, 2024 - 12:00:00 AM"},
        {nullptr, u"1704153600", u"Tuesday, January 2, 2024 - 12:00:00 AM"},
        {u"99:99", u"nonsense", u""},
        {nullptr, nullptr, u""},
    };
    for (const Case& c : cases) {
        MemoryRegistryStore store;
        const CustomRegistry registry(store);
        if (c.updated) {
            registry.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kUpdatedDate,
                                         c.updated, RegistryView::Default());
        }
        if (c.installed) {
            registry.WriteRegistryString(kProductKeyRoot, ProductKeyPath, product_value::kInstalledDate,
                                         c.installed, RegistryView::Default());
        }
        EXPECT_EQ(ToUtf8(LastUpdatedText(registry, formatter_)), ToUtf8(c.expected))
            << ToUtf8(c.updated ? c.updated : u"(absent)");
    }
}

TEST_F(ProductKeyTest, UpdateCheckIsDueAfterMoreThan45WholeDays) {
    clock_.Set(At(2024, 1, 2, 3, 4, 5)); // stored dates keep whole seconds
    const DateTime now = clock_.Now();
    struct Case {
        DateTime updated;
        bool due;
    };
    const Case cases[] = {
        {now - 46.0, true},   {now - 45.0, false},
        {now - 45.99, false}, {now + 46.0, true}, // a date in the future counts too
        {now + 45.0, false},
    };
    for (const Case& c : cases) {
        WriteText(product_value::kUpdatedDate, IntToText(EncodeStoredDate(c.updated)));
        EXPECT_EQ(IsUpdateCheckDue(registry_, formatter_, clock_), c.due) << c.updated;
    }
    WriteText(product_value::kUpdatedDate, u"11/1/2023 3:04:05 AM");
    EXPECT_TRUE(IsUpdateCheckDue(registry_, formatter_, clock_));
    EXPECT_EQ(LastUpdateMoment(registry_, formatter_, clock_), At(2023, 11, 1, 3, 4, 5));
}

TEST_F(ProductKeyTest, UpdateCheckIsNotDueWithoutAReadableUpdateDate) {
    // A missing value reads as now; a value of another type the same.
    EXPECT_FALSE(IsUpdateCheckDue(registry_, formatter_, clock_));
    ASSERT_TRUE(LastUpdateMoment(registry_, formatter_, clock_));
    EXPECT_EQ(EncodeStoredDate(*LastUpdateMoment(registry_, formatter_, clock_)), 1704164645);
    registry_.WriteRegistryInteger(kProductKeyRoot, ProductKeyPath, product_value::kUpdatedDate, 1,
                                   RegistryView::Default());
    EXPECT_FALSE(IsUpdateCheckDue(registry_, formatter_, clock_));

    WriteText(product_value::kUpdatedDate, u"soon");
    EXPECT_FALSE(LastUpdateMoment(registry_, formatter_, clock_));
    EXPECT_FALSE(IsUpdateCheckDue(registry_, formatter_, clock_));
}

} // namespace
} // namespace zentrim
