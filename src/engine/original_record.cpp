#include "engine/original_record.h"

#include "base/text.h"

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

std::vector<CustomRegistry::ReadResult> ReadLiveValues(const CustomRegistry& registry,
                                                       std::span<const TweakRow* const> rows) {
    std::vector<CustomRegistry::ReadResult> results(rows.size());
    std::vector<bool> done(rows.size(), false);
    for (std::size_t first = 0; first < rows.size(); ++first) {
        if (done[first]) {
            continue;
        }
        const TweakKey& key = rows[first]->key;
        std::vector<std::size_t> sameKey;
        std::vector<std::u16string> names;
        for (std::size_t i = first; i < rows.size(); ++i) {
            if (!done[i] && rows[i]->key.root == key.root &&
                EqualsIgnoringCase(BareKeyPath(rows[i]->key.path), BareKeyPath(key.path))) {
                sameKey.push_back(i);
                names.emplace_back(rows[i]->valueName);
                done[i] = true;
            }
        }
        auto reads = registry.TryReadRawValues(LivePlace(key), names);
        for (std::size_t j = 0; j < sameKey.size(); ++j) {
            results[sameKey[j]] = std::move(reads[j]);
        }
    }
    return results;
}

std::optional<OriginalValue> ToOriginal(const CustomRegistry::ReadResult& read) {
    if (read.status == StoreStatus::Ok) {
        return OriginalValue{read.value};
    }
    if (read.status == StoreStatus::NotFound) {
        return OriginalValue{};
    }
    return std::nullopt;
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

std::vector<RecordedOriginal> ReadRecordedOriginals(const CustomRegistry& registry,
                                                    std::span<const TweakRow* const> rows) {
    std::vector<std::u16string> names;
    names.reserve(rows.size());
    for (const TweakRow* row : rows) {
        names.push_back(OriginalEntryName(*row));
    }
    std::vector<RecordedOriginal> originals;
    originals.reserve(rows.size());
    for (const auto& read : registry.TryReadRawValues(kOriginalsPlace, names)) {
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
    return registry.TryWrite(kOriginalsPlace, OriginalEntryName(row), ValueType::Binary,
                             EncodeOriginal(value));
}

StoreStatus DeleteOriginalEntry(const CustomRegistry& registry, const TweakRow& row) {
    return registry.TryDelete(kOriginalsPlace, OriginalEntryName(row));
}

std::vector<LiveKey> CatalogueKeysAndParents() {
    std::vector<LiveKey> keys;
    for (const TweakKey& key : kTweakKeys) {
        const std::u16string_view path = BareKeyPath(key.path);
        for (std::size_t end = 0; end != std::u16string_view::npos;) {
            end = path.find(u'\\', end + 1);
            const std::u16string_view prefix = path.substr(0, end);
            const bool known = std::ranges::any_of(keys, [&](const LiveKey& seen) {
                return seen.root == key.root && EqualsIgnoringCase(seen.path, prefix);
            });
            if (!known) {
                keys.push_back({key.root, std::u16string(prefix)});
            }
        }
    }
    return keys;
}

std::vector<std::uint8_t> EncodeCreatedKeys(std::span<const LiveKey> keys) {
    std::u16string text;
    for (const LiveKey& key : keys) {
        text += RootEntryName(key.root);
        text += u'\\';
        text += key.path;
        text += u'\0';
    }
    text += u'\0'; // the empty text that ends the list
    std::vector<std::uint8_t> data;
    data.reserve(text.size() * 2);
    for (const char16_t c : text) {
        data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return data;
}

std::optional<std::vector<LiveKey>> DecodeCreatedKeys(const RawValue& entry) {
    if (entry.type != ValueType::MultiString) {
        return std::nullopt;
    }
    const std::vector<LiveKey> known = CatalogueKeysAndParents();
    std::vector<LiveKey> keys;
    const auto take = [&](std::u16string_view text) {
        for (const LiveKey& key : known) {
            const std::u16string_view root = RootEntryName(key.root);
            if (text.size() == root.size() + 1 + key.path.size() &&
                EqualsIgnoringCase(text.substr(0, root.size()), root) && text[root.size()] == u'\\' &&
                EqualsIgnoringCase(text.substr(root.size() + 1), key.path) &&
                std::ranges::find(keys, key) == keys.end()) {
                keys.push_back(key);
                return;
            }
        }
    };
    // Texts end at a NUL; the list ends at an empty text or with the data (an odd byte is dropped).
    std::u16string text;
    for (std::size_t i = 0; i + 1 < entry.data.size(); i += 2) {
        const auto c = static_cast<char16_t>(entry.data[i] | (entry.data[i + 1] << 8));
        if (c != 0) {
            text.push_back(c);
            continue;
        }
        if (text.empty()) {
            return keys;
        }
        take(text);
        text.clear();
    }
    if (!text.empty()) {
        take(text);
    }
    return keys;
}

RecordedKeys ToRecordedKeys(StoreStatus status, const RawValue& entry) {
    using enum RecordedOriginal::State;
    if (status == StoreStatus::NotFound) {
        return {Missing, {}};
    }
    if (status != StoreStatus::Ok) {
        return {Unreadable, {}};
    }
    auto keys = DecodeCreatedKeys(entry);
    if (!keys) {
        return {Unusable, {}};
    }
    return {Recorded, std::move(*keys)};
}

StoreStatus WriteCreatedKeys(const CustomRegistry& registry, std::span<const LiveKey> keys) {
    return registry.TryWrite(kOriginalsPlace, kCreatedKeysEntryName, ValueType::MultiString,
                             EncodeCreatedKeys(keys));
}

} // namespace zentrim
