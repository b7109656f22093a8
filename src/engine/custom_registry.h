// The registry access layer: eight self-contained operations (plus a raw pair for values of any
// type). Each opens one key, does one thing, closes the key and never reports a failure: reads
// give the caller's default, writes and deletions that cannot be done do nothing.
#pragma once

#include "engine/registry_store.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zentrim {

// A value of any type, as stored.
struct RawValue {
    ValueType type = ValueType::None;
    std::vector<std::uint8_t> data;
    friend bool operator==(const RawValue&, const RawValue&) = default;
};

// A read that keeps "missing" apart from "failed": the value when the read succeeded, and
// otherwise why not (NotFound when the value or its key does not exist).
template <typename T> struct RegistryRead {
    StoreStatus status = StoreStatus::Failed;
    std::optional<T> value; // set exactly when status is Ok

    bool Missing() const { return status == StoreStatus::NotFound; }
};

class CustomRegistry {
public:
    explicit CustomRegistry(RegistryStore& store) : store_(store) {}

    std::u16string ReadRegistryString(RegistryRoot root, std::u16string_view keyPath,
                                      std::u16string_view valueName, std::u16string_view defaultValue,
                                      RegistryView use64BitView) const;
    int ReadRegistryInteger(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                            int defaultValue, RegistryView use64BitView) const;
    bool ReadRegistryBool(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                          bool defaultValue, RegistryView use64BitView) const;

    void WriteRegistryString(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                             std::u16string_view value, RegistryView use64BitView) const;
    void WriteRegistryInteger(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                              int value, RegistryView use64BitView) const;
    void WriteRegistryBinary(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                             std::vector<std::uint8_t> value, RegistryView use64BitView) const;
    void WriteRegistryBool(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                           bool value, RegistryView use64BitView) const;

    void DeleteRegistryValue(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                             RegistryView use64BitView) const;

    // A value of any type with its exact bytes; nothing when it cannot be read.
    std::optional<RawValue> ReadRegistryRaw(RegistryRoot root, std::u16string_view keyPath,
                                            std::u16string_view valueName, RegistryView use64BitView) const;
    void WriteRegistryRaw(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                          const RawValue& value, RegistryView use64BitView) const;

    // The layer beneath the operations above: the same work, reporting what happened.
    StoreStatus TryReadString(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                              RegistryView use64BitView, std::u16string& text) const;
    StoreStatus TryReadInteger(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                               RegistryView use64BitView, int& value) const;
    StoreStatus TryReadRaw(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                           RegistryView use64BitView, RawValue& value) const;
    // Several values of one key, the key opened once: each value's status and data as TryReadRaw
    // gives them for that value alone (a key that cannot be opened gives its status to every
    // value). Under Wine every opening and closing of a key is a round trip to the server.
    struct ReadResult {
        StoreStatus status = StoreStatus::Failed;
        RawValue value;
    };
    std::vector<ReadResult> TryReadRawValues(RegistryRoot root, std::u16string_view keyPath,
                                             std::span<const std::u16string> valueNames,
                                             RegistryView use64BitView) const;
    StoreStatus TryWrite(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                         ValueType type, std::span<const std::uint8_t> data, RegistryView use64BitView) const;
    StoreStatus TryDelete(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName,
                          RegistryView use64BitView) const;
    // Deletes a key without subkeys, with its values.
    StoreStatus TryDeleteKey(RegistryRoot root, std::u16string_view keyPath, RegistryView use64BitView) const;
    // How many subkeys and values a key holds; NotFound when the key does not exist, Failed when
    // the store cannot count.
    struct KeyInfo {
        std::uint32_t subkeyCount = 0;
        std::uint32_t valueCount = 0;
    };
    StoreStatus TryReadKeyInfo(RegistryRoot root, std::u16string_view keyPath, RegistryView use64BitView,
                               KeyInfo& info) const;

    // The same operations on a place.
    std::u16string ReadRegistryString(const RegistryPlace& place, std::u16string_view valueName,
                                      std::u16string_view defaultValue) const {
        return ReadRegistryString(place.root, place.keyPath, valueName, defaultValue, place.view);
    }
    int ReadRegistryInteger(const RegistryPlace& place, std::u16string_view valueName,
                            int defaultValue) const {
        return ReadRegistryInteger(place.root, place.keyPath, valueName, defaultValue, place.view);
    }
    bool ReadRegistryBool(const RegistryPlace& place, std::u16string_view valueName,
                          bool defaultValue) const {
        return ReadRegistryBool(place.root, place.keyPath, valueName, defaultValue, place.view);
    }
    void WriteRegistryString(const RegistryPlace& place, std::u16string_view valueName,
                             std::u16string_view value) const {
        WriteRegistryString(place.root, place.keyPath, valueName, value, place.view);
    }
    void WriteRegistryInteger(const RegistryPlace& place, std::u16string_view valueName, int value) const {
        WriteRegistryInteger(place.root, place.keyPath, valueName, value, place.view);
    }
    void WriteRegistryBool(const RegistryPlace& place, std::u16string_view valueName, bool value) const {
        WriteRegistryBool(place.root, place.keyPath, valueName, value, place.view);
    }
    void WriteRegistryBinary(const RegistryPlace& place, std::u16string_view valueName,
                             std::vector<std::uint8_t> value) const {
        WriteRegistryBinary(place.root, place.keyPath, valueName, std::move(value), place.view);
    }
    RegistryRead<int> ReadInteger(const RegistryPlace& place, std::u16string_view valueName) const;
    RegistryRead<std::u16string> ReadString(const RegistryPlace& place, std::u16string_view valueName) const;
    RegistryRead<RawValue> ReadRaw(const RegistryPlace& place, std::u16string_view valueName) const;
    std::vector<ReadResult> TryReadRawValues(const RegistryPlace& place,
                                             std::span<const std::u16string> valueNames) const {
        return TryReadRawValues(place.root, place.keyPath, valueNames, place.view);
    }
    StoreStatus TryWrite(const RegistryPlace& place, std::u16string_view valueName, ValueType type,
                         std::span<const std::uint8_t> data) const {
        return TryWrite(place.root, place.keyPath, valueName, type, data, place.view);
    }
    StoreStatus TryDelete(const RegistryPlace& place, std::u16string_view valueName) const {
        return TryDelete(place.root, place.keyPath, valueName, place.view);
    }
    StoreStatus TryReadKeyInfo(const RegistryPlace& place, KeyInfo& info) const {
        return TryReadKeyInfo(place.root, place.keyPath, place.view, info);
    }
    StoreStatus TryDeleteKey(const RegistryPlace& place) const {
        return TryDeleteKey(place.root, place.keyPath, place.view);
    }

private:
    RegistryStore& store_;
};

// A key path as the registry compares it: without its leading and trailing backslashes.
std::u16string_view BareKeyPath(std::u16string_view keyPath);

// The stored form of a REG_DWORD: four bytes, little-endian.
std::array<std::uint8_t, 4> EncodeDword(std::uint32_t number);
std::uint32_t DecodeDword(std::span<const std::uint8_t, 4> data);

// The stored form of text: UTF-16LE followed by one NUL, so the size counts the terminator.
std::vector<std::uint8_t> EncodeRegistryText(std::u16string_view text);
// Text from stored bytes: an odd trailing byte is dropped and the text ends at its first NUL.
std::u16string DecodeRegistryText(std::span<const std::uint8_t> data);

// Windows' RegSetValueExW stores one NUL more for text data that lacks one when the character after
// the data is NUL, and for a single byte it also reads the character before. Data handed to it from
// this buffer, at kRegSetValueLeadingPad, is stored exactly: two NUL bytes come before it and two
// 0xFF bytes after it, all read in bounds.
inline constexpr std::size_t kRegSetValueLeadingPad = 2;
std::vector<std::uint8_t> PadForRegSetValue(std::span<const std::uint8_t> data);

} // namespace zentrim
