#include "e2e/catalogue_expectations.h"

#include "engine/tweak_catalogue.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <optional>

namespace zentrim::e2e {

namespace {

HKEY RootHandle(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring Wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

// The OS class of each Windows list entry, index 0 to 9.
constexpr std::array<int, 10> kOsClassOfEntry{8, 6, 5, 3, 1, 7, 4, 2, 0, -1};

// Whether a row is written for a profile: rows 1 to 31 always; 32 to 34 unless the OS is Windows
// Server 2003; 35 to 44 unless the connection is dial-up or ISDN; 45 on the server families and
// XP; 46 and 47 on Vista and the later desktops.
bool RowWritten(int row, int osClass, int internetType) {
    if (row <= 31) {
        return true;
    }
    if (row <= 34) {
        return osClass != 0;
    }
    if (row <= 44) {
        return internetType != 2 && internetType != 7;
    }
    if (row == 45) {
        return osClass == 0 || osClass == 2 || osClass == 4 || osClass == 7;
    }
    return osClass == 1 || osClass == 3 || osClass == 5 || osClass == 6 || osClass >= 8;
}

// The backed-up rows and the defaults stored when the live value cannot be read.
struct BackedRow {
    int row;
    std::optional<std::uint32_t> number; // a DWORD row
    const wchar_t* text;                 // the one string row
};
constexpr std::array<BackedRow, 11> kBackedRows{{
    {1, 1, nullptr},
    {2, 0, nullptr},
    {12, std::nullopt, L"1"},
    {13, 0, nullptr},
    {14, 0, nullptr},
    {15, 2, nullptr},
    {16, 1, nullptr},
    {28, 2, nullptr},
    {29, 2, nullptr},
    {30, 7200000, nullptr},
    {31, 1000, nullptr},
}};

// What a backup of the live value holds: the value itself when it reads as the row's type (a
// DWORD, or a non-empty text), the row's default otherwise.
StoredValue BackupOf(const BackedRow& backed, const MaybeValue& live) {
    if (backed.number) {
        const auto number = NumberOf(live);
        return DwordValue(number ? *number : *backed.number);
    }
    const auto text = TextOf(live);
    return StringValue(text && !text->empty() ? *text : std::wstring(backed.text));
}

StoredValue WrittenValue(const TweakRow& row, int speedSetting) {
    if (row.number == 28 || row.number == 29) {
        return DwordValue(speedSetting <= 0 ? 4 : 8);
    }
    switch (row.written.type) {
    case TweakType::Dword:
        return DwordValue(static_cast<std::uint32_t>(row.written.number));
    case TweakType::String:
        return StringValue(Wide(row.written.text));
    case TweakType::Binary:
        return BinaryValue(std::vector<std::uint8_t>(row.written.bytes.begin(), row.written.bytes.end()));
    }
    return {};
}

} // namespace

std::wstring LiveValue::Label() const {
    return RootName(root) + L"\\" + keyPath + L" : " + name;
}

const std::vector<LiveValue>& CatalogueValues() {
    static const std::vector<LiveValue> values = [] {
        std::vector<LiveValue> list;
        for (const TweakRow& row : kTweakRows) {
            LiveValue value{
                RootHandle(row.key.root), BareKeyPath(Wide(row.key.path)), Wide(row.valueName), {}};
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
                expected[i] = WrittenValue(TweakRowByNumber(number), choices.speedSetting);
            }
        }
    }
    return expected;
}

std::vector<std::pair<std::wstring, StoredValue>> ExpectedBackupValues(const ValueState& before) {
    std::vector<std::pair<std::wstring, StoredValue>> backups;
    const auto& values = CatalogueValues();
    for (const BackedRow& backed : kBackedRows) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (std::find(values[i].rows.begin(), values[i].rows.end(), backed.row) != values[i].rows.end()) {
                backups.emplace_back(values[i].name, BackupOf(backed, before[i]));
            }
        }
    }
    return backups;
}

} // namespace zentrim::e2e
