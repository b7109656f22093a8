// The record of originals: how every live value of the catalogue looked when the first backup was
// taken, so that the restore run can put back exactly what the user had (the same type and data,
// or no value at all). The record sits in a subkey of the product key, one entry per value, named
// after the key and value it stands for:
//     "HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Tcpip\Parameters\\KeepAliveTime"
// that is the root, the key path without its outer backslashes, a doubled backslash and the value
// name. Key names never contain a backslash, so the first doubled one always ends the key path,
// whatever the value name holds. Rows naming the same value (one key written with and without its
// trailing backslash) share one entry.
#pragma once

#include "engine/custom_registry.h"
#include "engine/tweak_catalogue.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zentrim {

// HKEY_LOCAL_MACHINE, in the 32-bit view (kProductKeyView), like the product key itself.
inline constexpr std::u16string_view kOriginalsKeyPath = u"\\Software\\ORVANE\\Zentrim\\Originals\\";
inline constexpr RegistryPlace kOriginalsPlace{kProductKeyRoot, kOriginalsKeyPath, kProductKeyView};

// One row for each distinct live value of the catalogue, in row order: the first row that names it.
std::vector<const TweakRow*> RecordedRows();

// The name of a row's entry in the record.
std::u16string OriginalEntryName(const TweakRow& row);

// A live value as it was found: its type and bytes, or nothing when it did not exist.
using OriginalValue = std::optional<RawValue>;

// An entry's data, a REG_BINARY: the registry type number (4 bytes, little-endian) followed by the
// value's own bytes; no bytes at all for a value that did not exist. Any type and content survives,
// and an absent value is never confused with a real one.
std::vector<std::uint8_t> EncodeOriginal(const OriginalValue& value);
// Nothing when the data is not an entry (one to three bytes).
std::optional<OriginalValue> DecodeOriginal(std::span<const std::uint8_t> data);

// The live values of rows as TryReadRaw gives them, each key opened once for all its rows.
std::vector<CustomRegistry::ReadResult> ReadLiveValues(const CustomRegistry& registry,
                                                       std::span<const TweakRow* const> rows);
// A live value as the record keeps it; nothing when it could not be read.
std::optional<OriginalValue> ToOriginal(const CustomRegistry::ReadResult& read);

// A row's entry as the record holds it.
struct RecordedOriginal {
    enum class State {
        Missing,    // no entry: the record does not know this value
        Recorded,   // `value` is what the user had
        Unusable,   // an entry exists but is not one (wrong type or too short)
        Unreadable, // the entry could not be read: whether it exists is unknown
    };
    State state = State::Missing;
    OriginalValue value;
    friend bool operator==(const RecordedOriginal&, const RecordedOriginal&) = default;
};
// The entries of several rows, read with the record's key opened once.
std::vector<RecordedOriginal> ReadRecordedOriginals(const CustomRegistry& registry,
                                                    std::span<const TweakRow* const> rows);
// What an entry read with `status` means.
RecordedOriginal ToRecordedOriginal(StoreStatus status, const RawValue& entry);

// Writes a row's entry; gives what the registry layer reported.
StoreStatus WriteOriginalEntry(const CustomRegistry& registry, const TweakRow& row,
                               const OriginalValue& value);
StoreStatus DeleteOriginalEntry(const CustomRegistry& registry, const TweakRow& row);

// A key of the live values (reached in their view): its root and its path without outer backslashes.
struct LiveKey {
    RegistryRoot root;
    std::u16string path;
    friend bool operator==(const LiveKey&, const LiveKey&) = default;
};
// Where the key's live values are reached; the place refers to the key's path.
inline RegistryPlace LivePlace(const LiveKey& key) {
    return LivePlace(TweakKey{key.root, key.path});
}

// Every key a live value of the catalogue sits in and every key above it, each once, parents first.
std::vector<LiveKey> CatalogueKeysAndParents();

// The record's list of the keys that did not exist when the backup was taken, which the tweaks then
// create and a restore removes again while they hold nothing. A REG_MULTI_SZ of "ROOT\key path"
// texts, parents first. Its name holds no doubled backslash, so it never names a value's entry, and
// versions that know nothing of it never meet it: they read entries by their values' names only.
inline constexpr std::u16string_view kCreatedKeysEntryName = u"CreatedKeys";

std::vector<std::uint8_t> EncodeCreatedKeys(std::span<const LiveKey> keys);
// The keys of a list, as CatalogueKeysAndParents() spells them; a text naming any other key is
// skipped, so that a damaged list never leads to another key. Nothing when it is not a list.
std::optional<std::vector<LiveKey>> DecodeCreatedKeys(const RawValue& entry);

// The list as the record holds it, in the states of a value's entry.
struct RecordedKeys {
    RecordedOriginal::State state = RecordedOriginal::State::Missing;
    std::vector<LiveKey> keys;
    friend bool operator==(const RecordedKeys&, const RecordedKeys&) = default;
};
RecordedKeys ToRecordedKeys(StoreStatus status, const RawValue& entry);

StoreStatus WriteCreatedKeys(const CustomRegistry& registry, std::span<const LiveKey> keys);

} // namespace zentrim
