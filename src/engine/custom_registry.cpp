#include "engine/custom_registry.h"

#include "base/phase_trace.h"

#include <utility>

namespace zentrim {

namespace {

// The path handed to the store: without its one leading backslash.
std::u16string_view StorePath(std::u16string_view keyPath) {
    if (!keyPath.empty() && keyPath.front() == u'\\') {
        keyPath.remove_prefix(1);
    }
    return keyPath;
}

std::uint32_t Access(std::uint32_t mask, RegistryView view) {
    return mask | view.AccessFlags();
}

// Reads the whole of a value whose size is not known beforehand. The data may grow between the
// size query and the read, so a MoreData answer is retried a few times with the new size.
StoreStatus QueryWhole(RegistryStore& store, StoreKey key, std::u16string_view name, ValueType& type,
                       std::vector<std::uint8_t>& data) {
    std::uint32_t size = 0;
    StoreStatus status = store.QueryValue(key, name, type, {}, size);
    for (int attempt = 0; attempt < 4 && status == StoreStatus::Ok; ++attempt) {
        data.resize(size);
        if (size == 0) {
            return StoreStatus::Ok;
        }
        status = store.QueryValue(key, name, type, data, size);
        if (status == StoreStatus::Ok) {
            data.resize(size);
            return StoreStatus::Ok;
        }
        if (status == StoreStatus::MoreData) {
            status = StoreStatus::Ok; // try again with the size just reported
        }
    }
    return status == StoreStatus::Ok ? StoreStatus::MoreData : status;
}

// Runs one operation so that nothing escapes it: any exception becomes a failure.
template <typename Operation> StoreStatus Guarded(Operation&& operation) noexcept {
    try {
        return operation();
    } catch (...) {
        return StoreStatus::Failed;
    }
}

} // namespace

std::u16string_view BareKeyPath(std::u16string_view keyPath) {
    while (!keyPath.empty() && keyPath.front() == u'\\') {
        keyPath.remove_prefix(1);
    }
    while (!keyPath.empty() && keyPath.back() == u'\\') {
        keyPath.remove_suffix(1);
    }
    return keyPath;
}

std::array<std::uint8_t, 4> EncodeDword(std::uint32_t number) {
    return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

std::uint32_t DecodeDword(std::span<const std::uint8_t, 4> data) {
    return std::uint32_t{data[0]} | (std::uint32_t{data[1]} << 8) | (std::uint32_t{data[2]} << 16) |
           (std::uint32_t{data[3]} << 24);
}

std::vector<std::uint8_t> EncodeRegistryText(std::u16string_view text) {
    std::vector<std::uint8_t> data;
    data.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
        data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::u16string DecodeRegistryText(std::span<const std::uint8_t> data) {
    std::u16string text;
    text.reserve(data.size() / 2);
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) {
            break;
        }
        text.push_back(c);
    }
    return text;
}

std::vector<std::uint8_t> PadForRegSetValue(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> padded;
    padded.reserve(data.size() + kRegSetValueLeadingPad + 2);
    padded.insert(padded.end(), kRegSetValueLeadingPad, 0x00);
    padded.insert(padded.end(), data.begin(), data.end());
    padded.insert(padded.end(), 2, 0xFF);
    return padded;
}

StoreStatus CustomRegistry::TryReadString(RegistryRoot root, std::u16string_view keyPath,
                                          std::u16string_view valueName, RegistryView use64BitView,
                                          std::u16string& text) const {
    const trace::Scope scope(trace::Phase::RegistryReads);
    return Guarded([&] {
        OpenStoreKey key(store_);
        if (auto status =
                store_.OpenKey(root, StorePath(keyPath), Access(access::kRead, use64BitView), key.receive());
            status != StoreStatus::Ok) {
            return status;
        }
        ValueType type = ValueType::None;
        std::vector<std::uint8_t> data;
        if (auto status = QueryWhole(store_, key.get(), valueName, type, data); status != StoreStatus::Ok) {
            return status;
        }
        if (data.empty()) {
            text.clear(); // an empty value reads as empty text whatever its type
            return StoreStatus::Ok;
        }
        if (type != ValueType::String && type != ValueType::ExpandString) {
            return StoreStatus::TypeMismatch;
        }
        text = DecodeRegistryText(data);
        return StoreStatus::Ok;
    });
}

StoreStatus CustomRegistry::TryReadInteger(RegistryRoot root, std::u16string_view keyPath,
                                           std::u16string_view valueName, RegistryView use64BitView,
                                           int& value) const {
    const trace::Scope scope(trace::Phase::RegistryReads);
    return Guarded([&] {
        OpenStoreKey key(store_);
        if (auto status =
                store_.OpenKey(root, StorePath(keyPath), Access(access::kRead, use64BitView), key.receive());
            status != StoreStatus::Ok) {
            return status;
        }
        std::uint8_t buffer[4] = {};
        std::uint32_t size = sizeof buffer;
        ValueType type = ValueType::None;
        if (auto status = store_.QueryValue(key.get(), valueName, type, buffer, size);
            status != StoreStatus::Ok) {
            return status; // MoreData: longer than a DWORD
        }
        // Only a well-formed DWORD is a number; shorter data would leave bytes undefined.
        if (type != ValueType::Dword || size != sizeof buffer) {
            return StoreStatus::TypeMismatch;
        }
        value = static_cast<int>(DecodeDword(buffer)); // two's complement: 0xFFFFFFFF reads as -1
        return StoreStatus::Ok;
    });
}

StoreStatus CustomRegistry::TryReadRaw(RegistryRoot root, std::u16string_view keyPath,
                                       std::u16string_view valueName, RegistryView use64BitView,
                                       RawValue& value) const {
    const trace::Scope scope(trace::Phase::RegistryReads);
    return Guarded([&] {
        OpenStoreKey key(store_);
        if (auto status =
                store_.OpenKey(root, StorePath(keyPath), Access(access::kRead, use64BitView), key.receive());
            status != StoreStatus::Ok) {
            return status;
        }
        return QueryWhole(store_, key.get(), valueName, value.type, value.data);
    });
}

RegistryRead<int> CustomRegistry::ReadInteger(const RegistryPlace& place,
                                              std::u16string_view valueName) const {
    RegistryRead<int> read;
    int value = 0;
    read.status = TryReadInteger(place.root, place.keyPath, valueName, place.view, value);
    if (read.status == StoreStatus::Ok) {
        read.value = value;
    }
    return read;
}

RegistryRead<std::u16string> CustomRegistry::ReadString(const RegistryPlace& place,
                                                        std::u16string_view valueName) const {
    RegistryRead<std::u16string> read;
    std::u16string text;
    read.status = TryReadString(place.root, place.keyPath, valueName, place.view, text);
    if (read.status == StoreStatus::Ok) {
        read.value = std::move(text);
    }
    return read;
}

RegistryRead<RawValue> CustomRegistry::ReadRaw(const RegistryPlace& place,
                                               std::u16string_view valueName) const {
    RegistryRead<RawValue> read;
    RawValue value;
    read.status = TryReadRaw(place.root, place.keyPath, valueName, place.view, value);
    if (read.status == StoreStatus::Ok) {
        read.value = std::move(value);
    }
    return read;
}

std::vector<CustomRegistry::ReadResult>
CustomRegistry::TryReadRawValues(RegistryRoot root, std::u16string_view keyPath,
                                 std::span<const std::u16string> valueNames,
                                 RegistryView use64BitView) const {
    const trace::Scope scope(trace::Phase::RegistryReads);
    std::vector<ReadResult> results(valueNames.size());
    OpenStoreKey key(store_);
    const StoreStatus opened = Guarded([&] {
        return store_.OpenKey(root, StorePath(keyPath), Access(access::kRead, use64BitView), key.receive());
    });
    for (std::size_t i = 0; i < valueNames.size(); ++i) {
        ReadResult& result = results[i];
        result.status = opened != StoreStatus::Ok ? opened : Guarded([&] {
            return QueryWhole(store_, key.get(), valueNames[i], result.value.type, result.value.data);
        });
    }
    return results;
}

StoreStatus CustomRegistry::TryWrite(RegistryRoot root, std::u16string_view keyPath,
                                     std::u16string_view valueName, ValueType type,
                                     std::span<const std::uint8_t> data, RegistryView use64BitView) const {
    return Guarded([&] {
        OpenStoreKey key(store_);
        if (auto status = store_.CreateKey(root, StorePath(keyPath), Access(access::kWrite, use64BitView),
                                           key.receive());
            status != StoreStatus::Ok) {
            return status;
        }
        return store_.SetValue(key.get(), valueName, type, data);
    });
}

StoreStatus CustomRegistry::TryDelete(RegistryRoot root, std::u16string_view keyPath,
                                      std::u16string_view valueName, RegistryView use64BitView) const {
    return Guarded([&] {
        OpenStoreKey key(store_);
        if (auto status = store_.OpenKey(root, StorePath(keyPath), Access(access::kAllAccess, use64BitView),
                                         key.receive());
            status != StoreStatus::Ok) {
            return status;
        }
        return store_.DeleteValue(key.get(), valueName);
    });
}

StoreStatus CustomRegistry::TryDeleteKey(RegistryRoot root, std::u16string_view keyPath,
                                         RegistryView use64BitView) const {
    return Guarded([&] { return store_.DeleteKey(root, StorePath(keyPath), Access(0, use64BitView)); });
}

StoreStatus CustomRegistry::TryReadKeyInfo(RegistryRoot root, std::u16string_view keyPath,
                                           RegistryView use64BitView, KeyInfo& info) const {
    const trace::Scope scope(trace::Phase::RegistryReads);
    return Guarded([&] {
        OpenStoreKey key(store_);
        if (auto status =
                store_.OpenKey(root, StorePath(keyPath), Access(access::kRead, use64BitView), key.receive());
            status != StoreStatus::Ok) {
            return status;
        }
        return store_.QueryKeyInfo(key.get(), info.subkeyCount, info.valueCount);
    });
}

std::u16string CustomRegistry::ReadRegistryString(RegistryRoot root, std::u16string_view keyPath,
                                                  std::u16string_view valueName,
                                                  std::u16string_view defaultValue,
                                                  RegistryView use64BitView) const {
    try {
        std::u16string text;
        if (TryReadString(root, keyPath, valueName, use64BitView, text) == StoreStatus::Ok && !text.empty()) {
            return text;
        }
        return std::u16string(defaultValue);
    } catch (...) {
        return {}; // only the copy of the default can fail here, for want of memory
    }
}

int CustomRegistry::ReadRegistryInteger(RegistryRoot root, std::u16string_view keyPath,
                                        std::u16string_view valueName, int defaultValue,
                                        RegistryView use64BitView) const {
    int value = 0;
    return TryReadInteger(root, keyPath, valueName, use64BitView, value) == StoreStatus::Ok ? value
                                                                                            : defaultValue;
}

bool CustomRegistry::ReadRegistryBool(RegistryRoot root, std::u16string_view keyPath,
                                      std::u16string_view valueName, bool defaultValue,
                                      RegistryView use64BitView) const {
    int value = 0;
    return TryReadInteger(root, keyPath, valueName, use64BitView, value) == StoreStatus::Ok ? value != 0
                                                                                            : defaultValue;
}

void CustomRegistry::WriteRegistryString(RegistryRoot root, std::u16string_view keyPath,
                                         std::u16string_view valueName, std::u16string_view value,
                                         RegistryView use64BitView) const {
    Guarded([&] {
        return TryWrite(root, keyPath, valueName, ValueType::String, EncodeRegistryText(value), use64BitView);
    });
}

void CustomRegistry::WriteRegistryInteger(RegistryRoot root, std::u16string_view keyPath,
                                          std::u16string_view valueName, int value,
                                          RegistryView use64BitView) const {
    TryWrite(root, keyPath, valueName, ValueType::Dword, EncodeDword(static_cast<std::uint32_t>(value)),
             use64BitView);
}

void CustomRegistry::WriteRegistryBinary(RegistryRoot root, std::u16string_view keyPath,
                                         std::u16string_view valueName, std::vector<std::uint8_t> value,
                                         RegistryView use64BitView) const {
    TryWrite(root, keyPath, valueName, ValueType::Binary, value, use64BitView);
}

void CustomRegistry::WriteRegistryBool(RegistryRoot root, std::u16string_view keyPath,
                                       std::u16string_view valueName, bool value,
                                       RegistryView use64BitView) const {
    WriteRegistryInteger(root, keyPath, valueName, value ? 1 : 0, use64BitView);
}

void CustomRegistry::DeleteRegistryValue(RegistryRoot root, std::u16string_view keyPath,
                                         std::u16string_view valueName, RegistryView use64BitView) const {
    TryDelete(root, keyPath, valueName, use64BitView);
}

std::optional<RawValue> CustomRegistry::ReadRegistryRaw(RegistryRoot root, std::u16string_view keyPath,
                                                        std::u16string_view valueName,
                                                        RegistryView use64BitView) const {
    try {
        RawValue value;
        if (TryReadRaw(root, keyPath, valueName, use64BitView, value) == StoreStatus::Ok) {
            return value;
        }
    } catch (...) {
        // out of memory while returning the value: reads as unreadable
    }
    return std::nullopt;
}

void CustomRegistry::WriteRegistryRaw(RegistryRoot root, std::u16string_view keyPath,
                                      std::u16string_view valueName, const RawValue& value,
                                      RegistryView use64BitView) const {
    TryWrite(root, keyPath, valueName, value.type, value.data, use64BitView);
}

} // namespace zentrim
