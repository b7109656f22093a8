// Shared by the fuzz targets: a check that stops the run when a property fails, a reader that
// turns the fuzzer's bytes into choices, numbers and texts, and comparisons of stored content.
#pragma once

#include "engine/memory_registry_store.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zentrim::fuzz {

// A broken property ends the process like a crash, so that libFuzzer keeps the input.
inline void Check(bool condition, const char* property) {
    if (!condition) {
        std::fprintf(stderr, "fuzz property broken: %s\n", property);
        std::fflush(stderr);
        std::abort();
    }
}

// Reads the input front to back; once it is used up every read gives zeros and empty texts, so
// that every input, however short, is a complete run.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    bool AtEnd() const { return position_ >= bytes_.size(); }

    std::uint8_t Byte() { return AtEnd() ? 0 : bytes_[position_++]; }

    // A number below `limit` (which must not be 0), from one byte when `limit` fits in one.
    std::uint32_t Below(std::uint32_t limit) {
        const std::uint32_t raw = limit <= 256 ? Byte() : Uint32();
        return raw % limit;
    }

    std::uint32_t Uint32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = (value << 8) | Byte();
        }
        return value;
    }

    std::uint64_t Uint64() {
        const std::uint64_t high = Uint32();
        return (high << 32) | Uint32();
    }

    // Up to `maxCount` raw bytes, their count taken from the input first.
    std::vector<std::uint8_t> Bytes(std::size_t maxCount) {
        const std::size_t count = Below(static_cast<std::uint32_t>(maxCount + 1));
        std::vector<std::uint8_t> out;
        while (out.size() < count && !AtEnd()) {
            out.push_back(Byte());
        }
        return out;
    }

    // Up to `maxLength` characters: most from `alphabet`, some raw UTF-16 code units, so that
    // texts mix the characters that matter to a parser with anything at all.
    std::u16string Text(std::size_t maxLength, std::u16string_view alphabet) {
        const std::size_t length = Below(static_cast<std::uint32_t>(maxLength + 1));
        std::u16string out;
        while (out.size() < length && !AtEnd()) {
            const std::uint8_t choice = Byte();
            if (choice < 224 && !alphabet.empty()) {
                out.push_back(alphabet[choice % alphabet.size()]);
            } else {
                out.push_back(static_cast<char16_t>((Byte() << 8) | Byte()));
            }
        }
        return out;
    }

    // What the input still holds.
    std::span<const std::uint8_t> Rest() {
        const auto rest = bytes_.subspan(position_);
        position_ = bytes_.size();
        return rest;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

inline bool SameValues(const std::vector<StoredValue>& a, const std::vector<StoredValue>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data) {
            return false;
        }
    }
    return true;
}

// The same keys in the same order, each with the same spelling and the same values in order.
inline bool SameContent(const std::vector<StoredKey>& a, const std::vector<StoredKey>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].rootName != b[i].rootName || a[i].path != b[i].path ||
            !SameValues(a[i].values, b[i].values)) {
            return false;
        }
    }
    return true;
}

} // namespace zentrim::fuzz
