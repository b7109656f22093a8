// What the tests of the runs over a whole machine share: the machine as a map of values, the
// catalogue's rules written out from the row table, the machine planted before the first optimize
// run, and the fixture that runs the main window's buttons over it.
#pragma once

#include "engine/backup.h"
#include "engine/original_record.h"
#include "engine/runs.h"

#include "run_fakes.h"
#include "support/design_catalogue.h"
#include "support/product_key_probe.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>

namespace zentrim::run_tests {

using enum RegistryRoot;
using testing::BackupVisible;
using testing::FakeRunView;
using testing::InProductKey;
using testing::StoppingStore;

// ---- The machine as a map of values -------------------------------------------------------------

using ValueMap = std::map<std::string, RawValue>; // "root\key path|value name", lower case

inline std::string Id(std::u16string_view rootName, std::u16string_view path, std::u16string_view name) {
    return ToUtf8(ToLowerText(std::u16string(rootName) + u"\\" + std::u16string(BareKeyPath(path)) + u"|" +
                              std::u16string(name)));
}
inline std::string Id(const TweakRow& row) {
    return Id(RootName(row.key.root), row.key.path, row.valueName);
}

inline constexpr std::u16string_view kProductKey = u"Software\\ORVANE\\Zentrim";
inline constexpr std::u16string_view kOriginals = u"Software\\ORVANE\\Zentrim\\Originals";

// The values outside the product key: the machine's own settings.
inline ValueMap LiveValues(const MemoryRegistryStore& store) {
    ValueMap values;
    for (const StoredKey& key : store.Snapshot()) {
        if (!InProductKey(key)) {
            for (const StoredValue& value : key.values) {
                values[Id(key.rootName, key.path, value.name)] = RawValue{value.type, value.data};
            }
        }
    }
    return values;
}

// The values of one key, by name in lower case.
inline std::map<std::string, RawValue> KeyValues(const MemoryRegistryStore& store, std::u16string_view path) {
    std::map<std::string, RawValue> values;
    for (const StoredKey& key : store.Snapshot()) {
        if (key.rootName == u"HKEY_LOCAL_MACHINE" && EqualsIgnoringCase(key.path, path)) {
            for (const StoredValue& value : key.values) {
                values[ToUtf8(ToLowerText(value.name))] = RawValue{value.type, value.data};
            }
        }
    }
    return values;
}

inline RawValue Dword(int number) {
    return ToRawValue(DwordValue(number));
}
inline RawValue Text(std::u16string_view text) {
    return {ValueType::String, EncodeRegistryText(text)};
}

// ---- The catalogue's rules, written out from the row table ---------------------------------------

// Windows list: 0 Windows 11, 1 Windows 10, 2 Windows 8, 3 Windows 7, 4 Vista, 5 XP, 6 Server 2012,
// 7 Server 2008, 8 Server 2003, 9 Server 2000.
struct Profile {
    int windowsIndex;
    int internetType;
    int speed;
};

inline bool NotServer2003(const Profile& p) {
    return p.windowsIndex != 8;
}
inline bool NotDialUpOrIsdn(const Profile& p) {
    return p.internetType != 2 && p.internetType != 7;
}
inline bool ServerOrXp(const Profile& p) {
    return p.windowsIndex >= 5 && p.windowsIndex <= 8;
}
inline bool VistaOrLaterDesktop(const Profile& p) {
    return p.windowsIndex >= 0 && p.windowsIndex <= 4;
}

// Rows 1-31 always; 32-34 but on Server 2003; 35-44 but on dial-up and ISDN; 45 on the servers and
// XP; 46 and 47 on Vista and the later desktops. A restore action carries the row's condition.
inline bool RowApplies(int number, const Profile& p) {
    if (number <= 31) {
        return true;
    }
    if (number <= 34) {
        return NotServer2003(p);
    }
    if (number <= 44) {
        return NotDialUpOrIsdn(p);
    }
    return number == 45 ? ServerOrXp(p) : VistaOrLaterDesktop(p);
}

// A row's value and place as the design's table states them (support/design_catalogue.h).
inline const design::Row& DesignRow(int number) {
    return design::DesignTable()[static_cast<std::size_t>(number - 1)];
}

inline std::string DesignId(int number) {
    const design::Row& row = DesignRow(number);
    const std::u16string_view root =
        std::string_view(row.key.root) == design::kHklm ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
    return Id(root, row.key.path, row.name);
}

inline RawValue WrittenValue(int number, const Profile& p) {
    const design::Value& value = p.speed > 0 ? DesignRow(number).maximumBoost : DesignRow(number).boost;
    return {static_cast<ValueType>(value.type), value.data};
}

// The backed-up rows and what their backup holds when the live value is unusable.
using Default = std::variant<int, std::u16string_view>;
inline const std::map<int, Default> kBackupDefaults{
    {1, 1},  {2, 0},  {12, u"1"}, {13, 0},       {14, 0},    {15, 2},
    {16, 1}, {28, 2}, {29, 2},    {30, 7200000}, {31, 1000},
};

// A backup value: the live value when it reads as the row's type, otherwise the default.
inline RawValue BackupOf(int number, const std::optional<RawValue>& live) {
    const Default& fallback = kBackupDefaults.at(number);
    if (const int* numberDefault = std::get_if<int>(&fallback)) {
        const bool readable = live && live->type == ValueType::Dword && live->data.size() == 4;
        return readable ? *live : Dword(*numberDefault);
    }
    if (live && (live->type == ValueType::String || live->type == ValueType::ExpandString)) {
        const std::u16string text = DecodeRegistryText(live->data);
        if (!text.empty()) {
            return Text(text);
        }
    }
    return Text(std::get<std::u16string_view>(fallback));
}

inline std::optional<RawValue> Find(const ValueMap& values, const std::string& id) {
    const auto it = values.find(id);
    return it == values.end() ? std::nullopt : std::optional<RawValue>(it->second);
}

inline ValueMap AfterWrites(ValueMap values, const Profile& p) {
    for (int number = 1; number <= 47; ++number) {
        if (RowApplies(number, p)) {
            values[DesignId(number)] = WrittenValue(number, p);
        }
    }
    return values;
}

// What a restore without a record of originals (a backup of an older version) makes of `values`:
// the restore sequence for the profile, with the backed-up rows from their backup values and every
// other applicable row deleted; the thumbnail rows stay. Row 8 names row 30's value, which comes
// back after row 8's delete.
inline ValueMap AfterRestoreWithoutRecord(ValueMap values, const ValueMap& originals, const Profile& p) {
    for (int number = 1; number <= 47; ++number) {
        if (!RowApplies(number, p) || number == 32 || number == 33) {
            continue;
        }
        const std::string id = DesignId(number);
        if (kBackupDefaults.contains(number)) {
            values[id] = BackupOf(number, Find(originals, id));
        } else {
            values.erase(id);
        }
    }
    return values;
}

// ---- The machine before the first optimize run -------------------------------------------------

// Every row's value in one of four states by its number: absent, a DWORD, a text, or 8 raw bytes;
// rows naming one value (6 and 37, 8 and 30) end with the later row's state. Each key also holds a
// value of its own that no run may touch.
inline void PlantMachine(const CustomRegistry& registry, int variant) {
    for (const TweakRow& row : kTweakRows) {
        const int kind = (row.number + variant) % 4;
        const auto& key = row.key;
        registry.WriteRegistryInteger(key.root, key.path, u"Neighbour", 7, RegistryView::Bits64());
        switch (kind) {
        case 0:
            registry.DeleteRegistryValue(key.root, key.path, row.valueName, RegistryView::Bits64());
            break;
        case 1:
            registry.WriteRegistryInteger(key.root, key.path, row.valueName, 1000 + row.number,
                                          RegistryView::Bits64());
            break;
        case 2:
            registry.WriteRegistryString(key.root, key.path, row.valueName, u"was " + IntToText(row.number),
                                         RegistryView::Bits64());
            break;
        default:
            registry.WriteRegistryRaw(
                key.root, key.path, row.valueName,
                {ValueType::Qword, {static_cast<std::uint8_t>(row.number), 0, 0, 0, 0, 0, 0, 1}},
                RegistryView::Bits64());
            break;
        }
    }
}

class RunsOverMachine : public ::testing::Test {
protected:
    void Optimize(const Profile& p) {
        view_.windowsIndex = p.windowsIndex;
        view_.internetType = p.internetType;
        view_.speedSetting = p.speed;
        RunOptimize(view_, registry_, restart_);
    }
    void Restore(const Profile& p) {
        view_.windowsIndex = p.windowsIndex;
        view_.internetType = p.internetType;
        view_.answers = {message_box::kIdOk, message_box::kIdNo};
        RunRestore(view_, registry_, restart_);
    }
    // A machine planted with the variant, each variant planted once.
    void Reset(int variant) {
        static std::map<int, std::pair<std::vector<StoredKey>, ValueMap>> planted;
        auto [it, added] = planted.try_emplace(variant);
        if (added) {
            MemoryRegistryStore store;
            PlantMachine(CustomRegistry(store), variant);
            it->second = {store.Snapshot(), LiveValues(store)};
        }
        store_.Load(it->second.first);
        originals_ = it->second.second;
    }

    // A catalogue row's value as a number (-1 when there is none), and setting it, in the 64-bit
    // view.
    int StoredInteger(const TweakRow& row) const {
        return registry_.ReadRegistryInteger(row.key.root, row.key.path, row.valueName, -1,
                                             RegistryView::Bits64());
    }
    void StoreInteger(const TweakRow& row, int value) const {
        registry_.WriteRegistryInteger(row.key.root, row.key.path, row.valueName, value,
                                       RegistryView::Bits64());
    }

    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FakeRunView view_;
    RecordingSystemRestart restart_;
    ValueMap originals_;
};

inline std::string Describe(const Profile& p) {
    return "Windows entry " + std::to_string(p.windowsIndex) + ", internet type " +
           std::to_string(p.internetType) + ", speed " + std::to_string(p.speed);
}

inline std::vector<Profile> EveryProfile() {
    std::vector<Profile> profiles;
    for (int windows = 0; windows < 10; ++windows) {
        for (int internet = -1; internet < 9; ++internet) {
            for (int speed = 0; speed < 2; ++speed) {
                profiles.push_back({windows, internet, speed});
            }
        }
    }
    return profiles;
}

} // namespace zentrim::run_tests
