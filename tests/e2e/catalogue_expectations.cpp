#include "e2e/catalogue_expectations.h"

#include "e2e/program_session.h"
#include "support/design_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <optional>

namespace zentrim::e2e {

namespace {

std::wstring Wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

// The OS class of each Windows list entry, index 0 to 9.
constexpr std::array<int, 10> kOsClassOfEntry{8, 6, 5, 3, 1, 7, 4, 2, 0, -1};

const design::Row& DesignRow(int number) {
    return design::DesignTable()[static_cast<std::size_t>(number - 1)];
}

// Whether a row is written for a profile: when its condition holds.
bool RowWritten(int number, int osClass, int internetType) {
    return design::Holds(DesignRow(number).condition, osClass, internetType);
}

StoredValue AsStored(const design::Value& value) {
    return {value.type, value.data};
}

// What a backup of the live value holds: the value itself when it reads as the row's type (a
// DWORD, or a non-empty text), the row's default otherwise.
StoredValue BackupOf(const design::Row& row, const MaybeValue& live) {
    const StoredValue fallback = AsStored(*row.backupDefault);
    if (fallback.type == REG_DWORD) {
        const auto number = NumberOf(live);
        return number ? DwordValue(*number) : fallback;
    }
    const auto text = TextOf(live);
    return text && !text->empty() ? StringValue(*text) : fallback;
}

StoredValue WrittenValue(int number, int speedSetting) {
    const design::Row& row = DesignRow(number);
    return AsStored(speedSetting <= 0 ? row.boost : row.maximumBoost);
}

} // namespace

std::wstring LiveValue::Label() const {
    return RootName(root) + L"\\" + keyPath + L" : " + name;
}

const std::vector<LiveValue>& CatalogueValues() {
    static const std::vector<LiveValue> values = [] {
        std::vector<LiveValue> list;
        for (const design::Row& row : design::DesignTable()) {
            LiveValue value{std::string_view(row.key.root) == design::kHklm ? HKEY_LOCAL_MACHINE
                                                                            : HKEY_CURRENT_USER,
                            BareKeyPath(Wide(row.key.path)),
                            Wide(row.name),
                            {}};
            auto same = std::find_if(list.begin(), list.end(), [&](const LiveValue& other) {
                return other.root == value.root && Lower(other.keyPath) == Lower(value.keyPath) &&
                       Lower(other.name) == Lower(value.name);
            });
            if (same == list.end()) {
                value.rows.push_back(row.number);
                list.push_back(std::move(value));
            } else {
                same->rows.push_back(row.number);
            }
        }
        return list;
    }();
    return values;
}

ValueState ReadCatalogueState() {
    ValueState state;
    for (const LiveValue& value : CatalogueValues()) {
        state.push_back(ReadValue(value.root, value.keyPath, value.name));
    }
    return state;
}

void WriteCatalogueState(const ValueState& state) {
    const auto& values = CatalogueValues();
    for (std::size_t i = 0; i < values.size() && i < state.size(); ++i) {
        WriteValue(values[i].root, values[i].keyPath, values[i].name, state[i]);
    }
}

int OsClassOf(int windowsIndex) {
    return windowsIndex >= 0 && windowsIndex < static_cast<int>(kOsClassOfEntry.size())
               ? kOsClassOfEntry[static_cast<std::size_t>(windowsIndex)]
               : -1;
}

ValueState ExpectedAfterOptimize(const ValueState& before, const Choices& choices) {
    const int osClass = OsClassOf(choices.windowsIndex);
    const auto& values = CatalogueValues();
    ValueState expected = before;
    for (std::size_t i = 0; i < values.size(); ++i) {
        // Rows are written in number order, so of two rows naming one value the later one stays.
        for (const int number : values[i].rows) {
            if (RowWritten(number, osClass, choices.internetType)) {
                expected[i] = WrittenValue(number, choices.speedSetting);
            }
        }
    }
    return expected;
}

std::vector<std::pair<std::wstring, StoredValue>> ExpectedBackupValues(const ValueState& before) {
    std::vector<std::pair<std::wstring, StoredValue>> backups;
    const auto& values = CatalogueValues();
    for (const design::Row& row : design::DesignTable()) {
        if (!row.backupDefault) {
            continue;
        }
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (std::find(values[i].rows.begin(), values[i].rows.end(), row.number) != values[i].rows.end()) {
                backups.emplace_back(values[i].name, BackupOf(row, before[i]));
            }
        }
    }
    return backups;
}

void ExpectCatalogueState(const ValueState& actual, const ValueState& expected, const char* when) {
    const auto& values = CatalogueValues();
    ASSERT_EQ(actual.size(), values.size());
    ASSERT_EQ(expected.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(Describe(actual[i]), Describe(expected[i])) << when << ": " << Narrow(values[i].Label());
    }
}

} // namespace zentrim::e2e
