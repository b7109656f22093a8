#include "engine/original_record.h"

namespace zentrim {

namespace {

constexpr std::size_t kTypeSize = 4;

std::u16string_view RootEntryName(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
}

} // namespace

std::vector<const TweakRow*> RecordedRows() {
    std::vector<const TweakRow*> rows;
    for (const TweakRow& row : kTweakRows) {
        const bool seen = std::ranges::any_of(rows, [&](const TweakRow* earlier) {
            return NameSameValue(earlier->key, earlier->valueName, row.key, row.valueName);
        });
        if (!seen) {
            rows.push_back(&row);
        }
    }
    return rows;
}

std::u16string OriginalEntryName(const TweakRow& row) {
    std::u16string name(RootEntryName(row.key.root));
    name += u'\\';
    name += BareKeyPath(row.key.path);
    name += u"\\\\";
    name += row.valueName;
    return name;
}

std::vector<std::uint8_t> EncodeOriginal(const OriginalValue& value) {
    std::vector<std::uint8_t> data;
    if (!value) {
        return data;
    }
    data.reserve(kTypeSize + value->data.size());
    const auto type = EncodeDword(static_cast<std::uint32_t>(value->type));
    data.insert(data.end(), type.begin(), type.end());
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
    const auto type = static_cast<ValueType>(DecodeDword(data.first<kTypeSize>()));
    return OriginalValue{RawValue{type, {data.begin() + kTypeSize, data.end()}}};
}

RecordedOriginal ReadRecordedOriginal(const CustomRegistry& registry, const TweakRow& row) {
    RawValue entry;
    const StoreStatus status = registry.TryReadRaw(kProductKeyRoot, kOriginalsKeyPath, OriginalEntryName(row),
                                                   kProductKeyView, entry);
    return ToRecordedOriginal(status, entry);
}

std::vector<RecordedOriginal> ReadRecordedOriginals(const CustomRegistry& registry,
                                                    std::span<const TweakRow* const> rows) {
    std::vector<std::u16string> names;
    names.reserve(rows.size());
    for (const TweakRow* row : rows) {
        names.push_back(OriginalEntryName(*row));
    }
    std::vector<RecordedOriginal> originals;
    originals.reserve(rows.size());
    for (const auto& read :
         registry.TryReadRawValues(kProductKeyRoot, kOriginalsKeyPath, names, kProductKeyView)) {
        originals.push_back(ToRecordedOriginal(read.status, read.value));
    }
    return originals;
}

RecordedOriginal ToRecordedOriginal(StoreStatus status, const RawValue& entry) {
    using enum RecordedOriginal::State;
    if (status == StoreStatus::NotFound) {
        return {Missing, {}};
    }
    if (status != StoreStatus::Ok) {
        return {Unreadable, {}};
    }
    if (entry.type != ValueType::Binary) {
        return {Unusable, {}};
    }
    auto original = DecodeOriginal(entry.data);
    if (!original) {
        return {Unusable, {}};
    }
    return {Recorded, std::move(*original)};
}

StoreStatus WriteOriginalEntry(const CustomRegistry& registry, const TweakRow& row,
                               const OriginalValue& value) {
    return registry.TryWrite(kProductKeyRoot, kOriginalsKeyPath, OriginalEntryName(row), ValueType::Binary,
                             EncodeOriginal(value), kProductKeyView);
}

StoreStatus DeleteOriginalEntry(const CustomRegistry& registry, const TweakRow& row) {
    return registry.TryDelete(kProductKeyRoot, kOriginalsKeyPath, OriginalEntryName(row), kProductKeyView);
}

} // namespace zentrim
