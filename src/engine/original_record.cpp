#include "engine/original_record.h"

namespace zentrim {

namespace {

constexpr std::size_t kTypeSize = 4;

std::u16string_view TrimBackslashes(std::u16string_view path) {
    while (!path.empty() && path.front() == u'\\') {
        path.remove_prefix(1);
    }
    while (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    return path;
}

std::u16string_view RootEntryName(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
}

} // namespace

std::vector<const TweakRow*> RecordedRows() {
    std::vector<const TweakRow*> rows;
    for (const TweakRow& row : kTweakRows) {
        if (IsRecordedRow(row)) {
            rows.push_back(&row);
        }
    }
    return rows;
}

std::u16string OriginalEntryName(const TweakRow& row) {
    std::u16string name(RootEntryName(row.key.root));
    name += u'\\';
    name += TrimBackslashes(row.key.path);
    name += u"\\\\";
    name += row.valueName;
    return name;
}

std::vector<std::uint8_t> EncodeOriginal(const OriginalValue& value) {
    std::vector<std::uint8_t> data;
    if (!value) {
        return data;
    }
    const auto type = static_cast<std::uint32_t>(value->type);
    data.reserve(kTypeSize + value->data.size());
    for (std::size_t i = 0; i < kTypeSize; ++i) {
        data.push_back(static_cast<std::uint8_t>(type >> (8 * i)));
    }
    data.insert(data.end(), value->data.begin(), value->data.end());
    return data;
}

std::optional<OriginalValue> DecodeOriginal(std::span<const std::uint8_t> data) {
    if (data.empty()) {
        return OriginalValue{};
    }
    if (data.size() < kTypeSize) {
        return std::nullopt;
    }
    std::uint32_t type = 0;
    for (std::size_t i = 0; i < kTypeSize; ++i) {
        type |= std::uint32_t{data[i]} << (8 * i);
    }
    return OriginalValue{RawValue{static_cast<ValueType>(type), {data.begin() + kTypeSize, data.end()}}};
}

void RecordOriginal(const CustomRegistry& registry, const TweakRow& row) {
    RawValue live;
    const StoreStatus status =
        registry.TryReadRaw(row.key.root, row.key.path, row.valueName, kLiveValueUse64BitView, live);
    OriginalValue original;
    if (status == StoreStatus::Ok) {
        original = std::move(live);
    } else if (status != StoreStatus::NotFound) {
        DeleteOriginalEntry(registry, row); // unknown: restore it as if never recorded
        return;
    }
    registry.WriteRegistryBinary(kProductKeyRoot, kOriginalsKeyPath, OriginalEntryName(row),
                                 EncodeOriginal(original), kProductKeyUse64BitView);
}

std::optional<OriginalValue> ReadRecordedOriginal(const CustomRegistry& registry, const TweakRow& row) {
    const auto entry = registry.ReadRegistryRaw(kProductKeyRoot, kOriginalsKeyPath, OriginalEntryName(row),
                                                kProductKeyUse64BitView);
    if (!entry || entry->type != ValueType::Binary) {
        return std::nullopt;
    }
    return DecodeOriginal(entry->data);
}

void DeleteOriginalEntry(const CustomRegistry& registry, const TweakRow& row) {
    registry.DeleteRegistryValue(kProductKeyRoot, kOriginalsKeyPath, OriginalEntryName(row),
                                 kProductKeyUse64BitView);
}

} // namespace zentrim
