// The record of originals: how the live values of the rows without a backup value looked when the
// first backup was taken, so that the restore run can put back what the user had instead of
// deleting it. The record sits in a subkey of the product key, one entry per value, named after the
// key and value it stands for:
//     "HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Tcpip\Parameters\\KeepAliveTime"
// that is the root, the key path without its outer backslashes, a doubled backslash and the value
// name. Key names never contain a backslash, so the first doubled one always ends the key path,
// whatever the value name holds. Rows naming the same value (K7 and K8) share one entry.
#pragma once

#include "engine/custom_registry.h"
#include "engine/tweak_catalogue.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zentrim {

// HKEY_LOCAL_MACHINE, default view, like the product key itself.
inline constexpr std::u16string_view kOriginalsKeyPath = u"\\Software\\ORVANE\\Zentrim\\Originals\\";

// The rows whose live values the record keeps: every row without a backup value (36 rows).
constexpr bool IsRecordedRow(const TweakRow& row) {
    return !row.backupDefault.has_value();
}

// The recorded rows in number order.
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

// Records the live value of a row as it is now (native view). When it cannot be read at all, any
// older entry is removed, so that the restore run treats the row as not recorded.
void RecordOriginal(const CustomRegistry& registry, const TweakRow& row);

// The recorded original of a row; nothing when the record holds no usable entry for it (a backup
// taken by an older version, or an entry already removed).
std::optional<OriginalValue> ReadRecordedOriginal(const CustomRegistry& registry, const TweakRow& row);

void DeleteOriginalEntry(const CustomRegistry& registry, const TweakRow& row);

} // namespace zentrim
