// One behavioural suite for every RegistryStore, run through the registry access layer. Each
// store type provides a small harness:
//   RegistryStore& Store();                 the store under test
//   void Clean(RegistryRoot, path);          removes a scratch key tree (before and after a test)
//   bool DenyWrites(RegistryRoot, path);     acts like an account without write rights under the
//                                            root (at least in the scratch key tree at `path`);
//                                            false when the store cannot (the test is skipped)
//   static constexpr bool kRefusesSubkeysOfReadOnlyKeys   whether a denied key also refuses new
//                                            subkeys (Wine's registry lets them be created)
#pragma once

#include "base/text.h"
#include "engine/custom_registry.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace zentrim {

template <typename Harness> class RegistryStoreConformance : public ::testing::Test {
protected:
    static constexpr auto HKLM = RegistryRoot::LocalMachine;
    static constexpr auto HKCU = RegistryRoot::CurrentUser;

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        scratch_ = u"\\Software\\ZentrimTests\\" + FromUtf8(info->name());
        for (auto root : {HKLM, HKCU}) {
            harness_.Clean(root, scratch_.substr(1));
        }
    }
    void TearDown() override {
        for (auto root : {HKLM, HKCU}) {
            harness_.Clean(root, scratch_.substr(1));
        }
    }

    // A key path below this test's scratch key, written with a leading backslash.
    std::u16string Path(std::u16string_view sub = {}) const {
        return sub.empty() ? scratch_ + u"\\" : scratch_ + u"\\" + std::u16string(sub);
    }
    bool KeyExists(RegistryRoot root, const std::u16string& path) {
        OpenStoreKey key(Store());
        return Store().OpenKey(root, std::u16string_view(path).substr(1), access::kRead, key.receive()) ==
               StoreStatus::Ok;
    }
    void SetRaw(RegistryRoot root, const std::u16string& path, std::u16string_view name, ValueType type,
                std::vector<std::uint8_t> data) {
        registry().WriteRegistryRaw(root, path, name, RawValue{type, std::move(data)},
                                    RegistryView::Default());
    }
    std::optional<RawValue> Raw(RegistryRoot root, const std::u16string& path, std::u16string_view name) {
        return registry().ReadRegistryRaw(root, path, name, RegistryView::Default());
    }

    RegistryStore& Store() { return harness_.Store(); }
    CustomRegistry registry() { return CustomRegistry(harness_.Store()); }

    Harness harness_;
    std::u16string scratch_;
};

TYPED_TEST_SUITE_P(RegistryStoreConformance);

TYPED_TEST_P(RegistryStoreConformance, TextIsStoredAsUtf16WithItsTerminator) {
    const auto reg = this->registry();
    const auto path = this->Path();
    reg.WriteRegistryString(this->HKCU, path, u"Text", u"Zentrim \u00AE \u4E2D", RegistryView::Default());
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"Text", u"x", RegistryView::Default()),
              u"Zentrim \u00AE \u4E2D");

    reg.WriteRegistryString(this->HKCU, path, u"Ab", u"Ab", RegistryView::Default());
    EXPECT_EQ(this->Raw(this->HKCU, path, u"Ab"), (RawValue{ValueType::String, {'A', 0, 'b', 0, 0, 0}}));

    // An empty text is a 2-byte REG_SZ, and reads as the caller's default like a missing value.
    reg.WriteRegistryString(this->HKCU, path, u"Language", u"", RegistryView::Default());
    EXPECT_EQ(this->Raw(this->HKCU, path, u"Language"), (RawValue{ValueType::String, {0, 0}}));
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"Language", u"english", RegistryView::Default()),
              u"english");
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"Missing", u"english", RegistryView::Default()),
              u"english");
}

TYPED_TEST_P(RegistryStoreConformance, DwordsAreSigned32BitLittleEndian) {
    const auto reg = this->registry();
    const auto path = this->Path();
    reg.WriteRegistryInteger(this->HKCU, path, u"Minus", -1, RegistryView::Default());
    EXPECT_EQ(this->Raw(this->HKCU, path, u"Minus"), (RawValue{ValueType::Dword, {0xFF, 0xFF, 0xFF, 0xFF}}));
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKCU, path, u"Minus", 0, RegistryView::Default()), -1);

    reg.WriteRegistryInteger(this->HKCU, path, u"Order", 0x01020304, RegistryView::Default());
    EXPECT_EQ(this->Raw(this->HKCU, path, u"Order"), (RawValue{ValueType::Dword, {4, 3, 2, 1}}));

    for (int value : {INT_MIN, INT_MAX, 0, 7200000}) {
        reg.WriteRegistryInteger(this->HKCU, path, u"Value", value, RegistryView::Default());
        EXPECT_EQ(reg.ReadRegistryInteger(this->HKCU, path, u"Value", 12345, RegistryView::Default()), value);
    }
    this->SetRaw(this->HKCU, path, u"Stored", ValueType::Dword, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKCU, path, u"Stored", 0, RegistryView::Default()), -1);
}

TYPED_TEST_P(RegistryStoreConformance, BooleansAreDwordsReadAsNonZero) {
    const auto reg = this->registry();
    const auto path = this->Path();
    reg.WriteRegistryBool(this->HKCU, path, u"On", true, RegistryView::Default());
    reg.WriteRegistryBool(this->HKCU, path, u"Off", false, RegistryView::Default());
    EXPECT_EQ(this->Raw(this->HKCU, path, u"On"), (RawValue{ValueType::Dword, {1, 0, 0, 0}}));
    EXPECT_EQ(this->Raw(this->HKCU, path, u"Off"), (RawValue{ValueType::Dword, {0, 0, 0, 0}}));
    reg.WriteRegistryInteger(this->HKCU, path, u"Two", 2, RegistryView::Default());
    EXPECT_TRUE(reg.ReadRegistryBool(this->HKCU, path, u"Two", false, RegistryView::Default()));
    EXPECT_FALSE(reg.ReadRegistryBool(this->HKCU, path, u"Off", true, RegistryView::Default()));
    EXPECT_TRUE(reg.ReadRegistryBool(this->HKCU, path, u"Missing", true, RegistryView::Default()));
    EXPECT_FALSE(reg.ReadRegistryBool(this->HKCU, path, u"Missing", false, RegistryView::Default()));
}

TYPED_TEST_P(RegistryStoreConformance, ReadsOfAnotherTypeGiveTheDefault) {
    const auto reg = this->registry();
    const auto path = this->Path();
    reg.WriteRegistryInteger(this->HKCU, path, u"Number", 1, RegistryView::Default());
    reg.WriteRegistryString(this->HKCU, path, u"Text", u"1", RegistryView::Default());
    this->SetRaw(this->HKCU, path, u"Qword", ValueType::Qword, {1, 0, 0, 0, 0, 0, 0, 0});
    this->SetRaw(this->HKCU, path, u"LongBinary", ValueType::Binary, {1, 0, 0, 0, 0, 0, 0, 0});
    this->SetRaw(this->HKCU, path, u"LongDword", ValueType::Dword, {1, 0, 0, 0, 0, 0, 0, 0});
    this->SetRaw(this->HKCU, path, u"ShortDword", ValueType::Dword, {1, 0});
    this->SetRaw(this->HKCU, path, u"BinaryFour", ValueType::Binary, {1, 0, 0, 0});
    this->SetRaw(this->HKCU, path, u"BigEndian", ValueType::DwordBigEndian, {0, 0, 0, 1});
    this->SetRaw(this->HKCU, path, u"Multi", ValueType::MultiString, {'a', 0, 0, 0, 0, 0});
    this->SetRaw(this->HKCU, path, u"Binary", ValueType::Binary, {'a', 0, 0, 0});

    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"Number", u"default", RegistryView::Default()),
              u"default");
    for (const char16_t* name :
         {u"Text", u"Qword", u"LongBinary", u"LongDword", u"ShortDword", u"BinaryFour", u"BigEndian"}) {
        EXPECT_EQ(reg.ReadRegistryInteger(this->HKCU, path, name, -7, RegistryView::Default()), -7)
            << ToUtf8(name);
        EXPECT_TRUE(reg.ReadRegistryBool(this->HKCU, path, name, true, RegistryView::Default()))
            << ToUtf8(name);
    }
    for (const char16_t* name : {u"Multi", u"Binary"}) {
        EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, name, u"default", RegistryView::Default()),
                  u"default")
            << ToUtf8(name);
    }
}

TYPED_TEST_P(RegistryStoreConformance, TextReadingIsSafeOnAnyStoredData) {
    const auto reg = this->registry();
    const auto path = this->Path();
    // Expandable text comes back raw, with nothing expanded.
    this->SetRaw(this->HKCU, path, u"Expand", ValueType::ExpandString,
                 EncodeRegistryText(u"%SystemRoot%\\x"));
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"Expand", u"", RegistryView::Default()),
              u"%SystemRoot%\\x");
    // No terminator, an odd byte count, an embedded NUL: never read past the data, cut at the NUL.
    this->SetRaw(this->HKCU, path, u"NoNul", ValueType::String, {'a', 0, 'b', 0});
    this->SetRaw(this->HKCU, path, u"Odd", ValueType::String, {'a', 0, 'b', 0, 'c'});
    this->SetRaw(this->HKCU, path, u"Embedded", ValueType::String, {'a', 0, 0, 0, 'b', 0, 0, 0});
    this->SetRaw(this->HKCU, path, u"NulFirst", ValueType::String, {0, 0, 'b', 0, 0, 0});
    this->SetRaw(this->HKCU, path, u"Empty", ValueType::String, {});
    this->SetRaw(this->HKCU, path, u"EmptyBinary", ValueType::Binary, {});
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"NoNul", u"d", RegistryView::Default()), u"ab");
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"Odd", u"d", RegistryView::Default()), u"ab");
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"Embedded", u"d", RegistryView::Default()), u"a");
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"NulFirst", u"d", RegistryView::Default()), u"d");
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"Empty", u"d", RegistryView::Default()), u"d");
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"EmptyBinary", u"d", RegistryView::Default()), u"d");
    // A large value is read whole.
    const std::u16string big(300000, u'z');
    reg.WriteRegistryString(this->HKCU, path, u"Big", big, RegistryView::Default());
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, path, u"Big", u"", RegistryView::Default()), big);
}

// A value is kept byte for byte whatever its type and bytes, texts without their terminating NUL
// included. Each datum lies inside a larger buffer of NULs, as a value read from the registry may:
// nothing beyond its own bytes may be read or stored (Windows' RegSetValueExW adds a NUL to text
// data whose next character is NUL).
TYPED_TEST_P(RegistryStoreConformance, ValuesAreStoredExactlyWhateverTheirTypeAndBytes) {
    const auto reg = this->registry();
    const auto path = this->Path();
    struct Case {
        const char16_t* name;
        ValueType type;
        std::vector<std::uint8_t> data;
    };
    const std::vector<Case> cases = {
        {u"NoNul", ValueType::String, {'a', 0, 'b', 0}},
        {u"OddEndingInNul", ValueType::String, {'a', 0, 'b', 0, 0}},
        {u"OddEndingInText", ValueType::String, {'a', 0, 'b', 0, 'c'}},
        {u"OneByte", ValueType::String, {0}},
        {u"ExpandNoNul", ValueType::ExpandString, {'%', 0, 'x', 0}},
        {u"MultiWithoutEnd", static_cast<ValueType>(7), {'a', 0, 0, 0, 'b', 0}},
        {u"Qword", static_cast<ValueType>(11), {1, 2, 3, 4, 5, 6, 7, 8}},
        {u"ShortDword", ValueType::Dword, {5, 0}},
        {u"UnknownType", static_cast<ValueType>(0x12345678), {0xDE, 0xAD}},
        {u"NoneEmpty", ValueType::None, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> surrounded(2, 0);
        surrounded.insert(surrounded.end(), c.data.begin(), c.data.end());
        surrounded.resize(surrounded.size() + 4, 0);
        EXPECT_EQ(reg.TryWrite(this->HKCU, path, c.name, c.type,
                               std::span<const std::uint8_t>(surrounded).subspan(2, c.data.size()),
                               RegistryView::Default()),
                  StoreStatus::Ok)
            << ToUtf8(c.name);
        EXPECT_EQ(this->Raw(this->HKCU, path, c.name), (RawValue{c.type, c.data})) << ToUtf8(c.name);
    }
}

TYPED_TEST_P(RegistryStoreConformance, KeyPathsIgnoreCaseAndTrailingBackslash) {
    const auto reg = this->registry();
    // The catalogue names one key as "...\Parameters" and as "...\Parameters\": one key, one value.
    const auto withSlash = this->Path(u"Services\\Tcpip\\Parameters\\");
    const auto withoutSlash = this->Path(u"SERVICES\\tcpip\\parameters");
    reg.WriteRegistryInteger(this->HKLM, withSlash, u"KeepAliveTime", 300000, RegistryView::Default());
    reg.WriteRegistryInteger(this->HKLM, withoutSlash, u"keepalivetime", 7200000, RegistryView::Default());
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKLM, withSlash, u"KEEPALIVETIME", 0, RegistryView::Default()),
              7200000);
    reg.DeleteRegistryValue(this->HKLM, withoutSlash, u"KeepAliveTime", RegistryView::Default());
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKLM, withSlash, u"KeepAliveTime", -5, RegistryView::Default()),
              -5);

    // The unnamed (default) value of a key is a value like any other.
    reg.WriteRegistryString(this->HKCU, this->Path(), u"", u"default value", RegistryView::Default());
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, this->Path(), u"", u"", RegistryView::Default()),
              u"default value");
}

TYPED_TEST_P(RegistryStoreConformance, WritesCreateThePathAndReadsOrDeletesCreateNothing) {
    const auto reg = this->registry();
    const auto deep = this->Path(u"A\\B\\C\\D\\");
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKCU, deep, u"V", 3, RegistryView::Default()), 3);
    EXPECT_EQ(reg.ReadRegistryString(this->HKCU, deep, u"V", u"d", RegistryView::Default()), u"d");
    reg.DeleteRegistryValue(this->HKCU, deep, u"V", RegistryView::Default());
    EXPECT_FALSE(this->KeyExists(this->HKCU, this->Path(u"A")));

    reg.WriteRegistryInteger(this->HKCU, deep, u"V", 9, RegistryView::Default());
    EXPECT_TRUE(this->KeyExists(this->HKCU, this->Path(u"A\\B\\C\\D")));
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKCU, deep, u"V", 3, RegistryView::Default()), 9);

    // Binary data is written exactly, an empty array included.
    reg.WriteRegistryBinary(this->HKCU, deep, u"Smooth", {0, 0, 0, 0}, RegistryView::Default());
    reg.WriteRegistryBinary(this->HKCU, deep, u"None", {}, RegistryView::Default());
    EXPECT_EQ(this->Raw(this->HKCU, deep, u"Smooth"), (RawValue{ValueType::Binary, {0, 0, 0, 0}}));
    EXPECT_EQ(this->Raw(this->HKCU, deep, u"None"), (RawValue{ValueType::Binary, {}}));
}

TYPED_TEST_P(RegistryStoreConformance, WritesReplaceAnyTypeAndDeletesAreQuiet) {
    const auto reg = this->registry();
    const auto path = this->Path();
    reg.WriteRegistryString(this->HKCU, path, u"MinAnimate", u"1", RegistryView::Default());
    reg.WriteRegistryInteger(this->HKCU, path, u"minanimate", 1, RegistryView::Default());
    EXPECT_EQ(this->Raw(this->HKCU, path, u"MinAnimate"), (RawValue{ValueType::Dword, {1, 0, 0, 0}}));
    this->SetRaw(this->HKCU, path, u"Qword", ValueType::Qword, {1, 2, 3, 4, 5, 6, 7, 8});
    reg.WriteRegistryInteger(this->HKCU, path, u"Qword", 5, RegistryView::Default());
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKCU, path, u"Qword", 0, RegistryView::Default()), 5);

    reg.DeleteRegistryValue(this->HKCU, path, u"MINANIMATE", RegistryView::Default());
    EXPECT_FALSE(this->Raw(this->HKCU, path, u"MinAnimate").has_value());
    reg.DeleteRegistryValue(this->HKCU, path, u"MinAnimate",
                            RegistryView::Default()); // already gone: nothing happens
    EXPECT_EQ(reg.TryDelete(this->HKCU, path, u"MinAnimate", RegistryView::Default()), StoreStatus::NotFound);
    EXPECT_EQ(reg.TryDelete(this->HKCU, this->Path(u"Nowhere"), u"MinAnimate", RegistryView::Default()),
              StoreStatus::NotFound);
}

TYPED_TEST_P(RegistryStoreConformance, KeysWithoutSubkeysAreDeletedWithTheirValues) {
    const auto reg = this->registry();
    reg.WriteRegistryInteger(this->HKLM, this->Path(u"Parent\\Record"), u"Entry", 1, RegistryView::Default());
    reg.WriteRegistryInteger(this->HKLM, this->Path(u"Parent"), u"Kept", 2, RegistryView::Default());

    // A key with a subkey stays, and so does everything in it.
    EXPECT_EQ(reg.TryDeleteKey(this->HKLM, this->Path(u"Parent"), RegistryView::Default()),
              StoreStatus::AccessDenied);
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKLM, this->Path(u"Parent\\Record"), u"Entry", 0,
                                      RegistryView::Default()),
              1);

    // An open key fails once its key is deleted; names compare without regard to case and a
    // trailing backslash adds nothing.
    auto& store = this->Store();
    OpenStoreKey open(store);
    ASSERT_EQ(store.OpenKey(this->HKLM, std::u16string_view(this->Path(u"Parent\\Record")).substr(1),
                            access::kRead, open.receive()),
              StoreStatus::Ok);
    EXPECT_EQ(reg.TryDeleteKey(this->HKLM, this->Path(u"PARENT\\record\\"), RegistryView::Default()),
              StoreStatus::Ok);
    EXPECT_FALSE(this->KeyExists(this->HKLM, this->Path(u"Parent\\Record")));
    EXPECT_TRUE(this->KeyExists(this->HKLM, this->Path(u"Parent")));
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKLM, this->Path(u"Parent"), u"Kept", 0, RegistryView::Default()),
              2);
    ValueType type = ValueType::None;
    std::uint32_t size = 0;
    EXPECT_NE(store.QueryValue(open.get(), u"Entry", type, {}, size), StoreStatus::Ok);

    EXPECT_EQ(reg.TryDeleteKey(this->HKLM, this->Path(u"Parent\\Record"), RegistryView::Default()),
              StoreStatus::NotFound);
    EXPECT_EQ(reg.TryDeleteKey(this->HKLM, this->Path(u"Nowhere\\Record"), RegistryView::Default()),
              StoreStatus::NotFound);
    EXPECT_EQ(reg.TryDeleteKey(this->HKLM, this->Path(u"Parent"), RegistryView::Default()), StoreStatus::Ok);
    EXPECT_FALSE(this->KeyExists(this->HKLM, this->Path(u"Parent")));
}

// What a key holds, counted: an empty key is told from one with values or subkeys.
TYPED_TEST_P(RegistryStoreConformance, KeysCountTheirSubkeysAndValues) {
    const auto reg = this->registry();
    reg.WriteRegistryInteger(this->HKLM, this->Path(u"Parent\\Child"), u"A", 1, RegistryView::Default());
    reg.WriteRegistryInteger(this->HKLM, this->Path(u"Parent"), u"B", 2, RegistryView::Default());
    reg.WriteRegistryString(this->HKLM, this->Path(u"Parent"), u"C", u"c", RegistryView::Default());
    CustomRegistry::KeyInfo info;
    const StoreStatus status =
        reg.TryReadKeyInfo(this->HKLM, this->Path(u"Parent"), RegistryView::Default(), info);
    if (status == StoreStatus::Failed) {
        GTEST_SKIP() << "this store cannot count what a key holds";
    }
    ASSERT_EQ(status, StoreStatus::Ok);
    EXPECT_EQ(info.subkeyCount, 1u);
    EXPECT_EQ(info.valueCount, 2u);
    reg.DeleteRegistryValue(this->HKLM, this->Path(u"Parent\\Child"), u"A", RegistryView::Default());
    ASSERT_EQ(reg.TryReadKeyInfo(this->HKLM, this->Path(u"PARENT\\child\\"), RegistryView::Default(), info),
              StoreStatus::Ok);
    EXPECT_EQ(info.subkeyCount, 0u);
    EXPECT_EQ(info.valueCount, 0u);
    EXPECT_EQ(reg.TryReadKeyInfo(this->HKLM, this->Path(u"Nowhere"), RegistryView::Default(), info),
              StoreStatus::NotFound);
}

TYPED_TEST_P(RegistryStoreConformance, StoreReportsSizesAndEnforcesHandleAccess) {
    const auto path = this->Path(u"Handles");
    this->registry().WriteRegistryString(this->HKCU, path, u"Text", u"abcdef", RegistryView::Default());
    auto& store = this->Store();
    OpenStoreKey key(store);
    ASSERT_EQ(store.OpenKey(this->HKCU, std::u16string_view(path).substr(1), access::kRead, key.receive()),
              StoreStatus::Ok);
    ValueType type = ValueType::None;
    std::uint32_t size = 0;
    EXPECT_EQ(store.QueryValue(key.get(), u"Text", type, {}, size), StoreStatus::Ok);
    EXPECT_EQ(type, ValueType::String);
    EXPECT_EQ(size, 14u);
    std::uint8_t small[4] = {};
    size = sizeof small;
    EXPECT_EQ(store.QueryValue(key.get(), u"Text", type, small, size), StoreStatus::MoreData);
    EXPECT_EQ(size, 14u);
    // A key opened for reading cannot be written through.
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(store.SetValue(key.get(), u"New", ValueType::Dword, one), StoreStatus::AccessDenied);
    EXPECT_EQ(store.DeleteValue(key.get(), u"Text"), StoreStatus::AccessDenied);
    EXPECT_EQ(this->registry().ReadRegistryString(this->HKCU, path, u"Text", u"", RegistryView::Default()),
              u"abcdef");
}

TYPED_TEST_P(RegistryStoreConformance, WithoutWriteRightsNothingChangesAndNothingFails) {
    const auto reg = this->registry();
    const auto path = this->Path(u"Locked");
    reg.WriteRegistryInteger(this->HKLM, path, u"Existing", 5, RegistryView::Default());
    if (!this->harness_.DenyWrites(this->HKLM, this->scratch_.substr(1))) {
        GTEST_SKIP() << "this store runs with full rights";
    }
    reg.WriteRegistryInteger(this->HKLM, path, u"Existing", 6, RegistryView::Default());
    reg.WriteRegistryString(this->HKLM, path, u"New", u"x", RegistryView::Default());
    reg.WriteRegistryInteger(this->HKLM, this->Path(u"Locked\\Child"), u"New", 1, RegistryView::Default());
    reg.DeleteRegistryValue(this->HKLM, path, u"Existing", RegistryView::Default());
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKLM, path, u"Existing", 0, RegistryView::Default()), 5);
    EXPECT_FALSE(this->Raw(this->HKLM, path, u"New").has_value());
    if (TypeParam::kRefusesSubkeysOfReadOnlyKeys) {
        EXPECT_FALSE(this->KeyExists(this->HKLM, this->Path(u"Locked\\Child")));
    }
    EXPECT_EQ(reg.TryWrite(this->HKLM, path, u"New", ValueType::Dword, {}, RegistryView::Default()),
              StoreStatus::AccessDenied);
    EXPECT_EQ(reg.TryDeleteKey(this->HKLM, path, RegistryView::Default()), StoreStatus::AccessDenied);
    EXPECT_TRUE(this->KeyExists(this->HKLM, path));
    // The other root is not affected.
    reg.WriteRegistryInteger(this->HKCU, path, u"User", 1, RegistryView::Default());
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKCU, path, u"User", 0, RegistryView::Default()), 1);
}

// Windows keeps keys at most 512 levels below a root: the deepest key works like any other, one
// level more is refused with its own status and creates nothing.
TYPED_TEST_P(RegistryStoreConformance, KeysDeeperThan512LevelsAreRefused) {
    const auto reg = this->registry();
    std::u16string levels; // the scratch key is three levels deep: Software\ZentrimTests\<test>
    for (int level = 3; level < 512; ++level) {
        levels += u"k\\";
    }
    const std::u16string deepest = this->Path(levels);
    ASSERT_EQ(
        reg.TryWrite(this->HKCU, deepest, u"V", ValueType::Dword, EncodeDword(7), RegistryView::Default()),
        StoreStatus::Ok);
    EXPECT_EQ(reg.ReadRegistryInteger(this->HKCU, deepest, u"V", 0, RegistryView::Default()), 7);

    const std::u16string tooDeep = deepest + u"k\\";
    EXPECT_EQ(
        reg.TryWrite(this->HKCU, tooDeep, u"V", ValueType::Dword, EncodeDword(8), RegistryView::Default()),
        StoreStatus::TooDeep);
    std::u16string text;
    EXPECT_EQ(reg.TryReadString(this->HKCU, tooDeep, u"V", RegistryView::Default(), text),
              StoreStatus::TooDeep);
    EXPECT_EQ(reg.TryDeleteKey(this->HKCU, tooDeep, RegistryView::Default()), StoreStatus::TooDeep);
    EXPECT_FALSE(this->KeyExists(this->HKCU, tooDeep));
    EXPECT_EQ(reg.TryDelete(this->HKCU, deepest, u"V", RegistryView::Default()), StoreStatus::Ok);
}

REGISTER_TYPED_TEST_SUITE_P(
    RegistryStoreConformance, TextIsStoredAsUtf16WithItsTerminator, DwordsAreSigned32BitLittleEndian,
    BooleansAreDwordsReadAsNonZero, ReadsOfAnotherTypeGiveTheDefault, TextReadingIsSafeOnAnyStoredData,
    KeyPathsIgnoreCaseAndTrailingBackslash, WritesCreateThePathAndReadsOrDeletesCreateNothing,
    WritesReplaceAnyTypeAndDeletesAreQuiet, KeysWithoutSubkeysAreDeletedWithTheirValues,
    StoreReportsSizesAndEnforcesHandleAccess, WithoutWriteRightsNothingChangesAndNothingFails,
    KeysDeeperThan512LevelsAreRefused, ValuesAreStoredExactlyWhateverTheirTypeAndBytes,
    KeysCountTheirSubkeysAndValues);

} // namespace zentrim
