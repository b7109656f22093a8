#include "toolkit/png_reader.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace zentrim::toolkit {

namespace {

// ---- inflate (RFC 1951) ----

constexpr int kMaxCodeBits = 15;
constexpr int kLiteralCodes = 288;
constexpr int kDistanceCodes = 30;

// Bits of the stream, least significant first, as deflate packs them.
class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // Takes the next `count` bits; false when the stream ends first.
    bool Bits(int count, unsigned& value) {
        if (Peek(count, value) < count) {
            return false;
        }
        Drop(count);
        return true;
    }

    // The next `count` bits without taking them, zero past the end of the stream; returns how
    // many of them the stream really has.
    int Peek(int count, unsigned& value) {
        while (held_ < count && next_ < bytes_.size()) {
            buffer_ |= static_cast<std::uint32_t>(bytes_[next_++]) << held_;
            held_ += 8;
        }
        value = buffer_ & ((1u << count) - 1u);
        return std::min(held_, count);
    }

    // Takes bits already peeked at.
    void Drop(int count) {
        buffer_ >>= count;
        held_ -= count;
    }

    // Drops the bits left of the current byte; stored blocks and the trailer start on a byte.
    // Whole bytes a look ahead took are given back.
    void SkipToByte() {
        next_ -= static_cast<std::size_t>(held_ / 8);
        buffer_ = 0;
        held_ = 0;
    }

    std::span<const std::uint8_t> TakeBytes(std::size_t count) {
        if (held_ != 0 || bytes_.size() - next_ < count) {
            return {};
        }
        const std::span<const std::uint8_t> taken = bytes_.subspan(next_, count);
        next_ += count;
        return taken;
    }

    std::size_t Offset() const { return next_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t next_ = 0;
    std::uint32_t buffer_ = 0;
    int held_ = 0;
};

// Codes up to this long are decoded by one look-up of the next bits (most of a stream's codes).
constexpr int kFastBits = 9;

// A canonical Huffman code: how many codes each length has, and the symbols in code order; and
// for the short codes, indexed by the next kFastBits bits of the stream, the code's length
// (shifted by kFastBits) and symbol, zero where the code is longer.
struct HuffmanCode {
    std::array<std::uint16_t, kMaxCodeBits + 1> counts{};
    std::array<std::uint16_t, kLiteralCodes> symbols{};
    std::array<std::uint16_t, 1u << kFastBits> fast{};
};

// Builds the code from each symbol's length (0: unused). Refuses a set of lengths that has more
// codes than fit; an incomplete code is accepted, and reading an unused code then fails.
bool BuildCode(HuffmanCode& code, std::span<const std::uint8_t> lengths) {
    code.counts.fill(0);
    for (const std::uint8_t length : lengths) {
        ++code.counts[length];
    }
    code.counts[0] = 0;
    int left = 1;
    for (int length = 1; length <= kMaxCodeBits; ++length) {
        left = left * 2 - code.counts[static_cast<std::size_t>(length)];
        if (left < 0) {
            return false;
        }
    }
    std::array<std::uint16_t, kMaxCodeBits + 2> offsets{};
    for (int length = 1; length <= kMaxCodeBits; ++length) {
        offsets[static_cast<std::size_t>(length) + 1] = static_cast<std::uint16_t>(
            offsets[static_cast<std::size_t>(length)] + code.counts[static_cast<std::size_t>(length)]);
    }
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        if (lengths[symbol] != 0) {
            code.symbols[offsets[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
        }
    }
    // The first code of each length; codes are packed from their first bit on, so the table is
    // indexed by the code's bits reversed.
    std::array<unsigned, kMaxCodeBits + 1> next{};
    unsigned first = 0;
    for (int length = 1; length <= kMaxCodeBits; ++length) {
        first = (first + code.counts[static_cast<std::size_t>(length) - 1]) << 1;
        next[static_cast<std::size_t>(length)] = first;
    }
    code.fast.fill(0);
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        const int length = lengths[symbol];
        if (length == 0) {
            continue;
        }
        const unsigned value = next[static_cast<std::size_t>(length)]++;
        if (length > kFastBits) {
            continue;
        }
        unsigned reversed = 0;
        for (int bit = 0; bit < length; ++bit) {
            reversed |= ((value >> bit) & 1u) << (length - 1 - bit);
        }
        const auto entry = static_cast<std::uint16_t>((length << kFastBits) | static_cast<int>(symbol));
        for (unsigned index = reversed; index < code.fast.size(); index += 1u << length) {
            code.fast[index] = entry;
        }
    }
    return true;
}

// One symbol of a code longer than kFastBits (or near the stream's end), read a bit at a time.
int DecodeSlowly(BitReader& reader, const HuffmanCode& code) {
    int value = 0; // the code read so far
    int first = 0; // the first code of the current length
    int index = 0; // where the current length's symbols start
    for (int length = 1; length <= kMaxCodeBits; ++length) {
        unsigned bit = 0;
        if (!reader.Bits(1, bit)) {
            return -1;
        }
        value |= static_cast<int>(bit);
        const int count = code.counts[static_cast<std::size_t>(length)];
        if (value - count < first) {
            return code.symbols[static_cast<std::size_t>(index + (value - first))];
        }
        index += count;
        first = (first + count) << 1;
        value <<= 1;
    }
    return -1;
}

int DecodeSymbol(BitReader& reader, const HuffmanCode& code) {
    unsigned bits = 0;
    const int available = reader.Peek(kFastBits, bits);
    const unsigned entry = code.fast[bits];
    const int length = static_cast<int>(entry >> kFastBits);
    if (entry != 0 && length <= available) {
        reader.Drop(length);
        return static_cast<int>(entry & ((1u << kFastBits) - 1u));
    }
    return DecodeSlowly(reader, code);
}

constexpr std::array<std::uint16_t, 29> kLengthBase{3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                    15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                    67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                    2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, kDistanceCodes> kDistanceBase{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, kDistanceCodes> kDistanceExtra{
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class Inflater {
public:
    Inflater(std::span<const std::uint8_t> deflate, std::size_t limit) : reader_(deflate), limit_(limit) {
        // A copy of 258 bytes takes two bits at the least, so the output is at most 1,032 times the
        // input: room for that (or the limit, when less) is made once.
        constexpr std::size_t kMostPerByte = 258 * 4;
        out_.reserve(deflate.size() <= limit / kMostPerByte ? deflate.size() * kMostPerByte : limit);
    }

    bool Run() {
        unsigned last = 0;
        do {
            unsigned type = 0;
            if (!reader_.Bits(1, last) || !reader_.Bits(2, type)) {
                return false;
            }
            const bool done = type == 0 ? Stored() : type == 1 ? Fixed() : type == 2 ? Dynamic() : false;
            if (!done) {
                return false;
            }
        } while (last == 0);
        reader_.SkipToByte();
        return true;
    }

    std::vector<std::uint8_t>& Output() { return out_; }
    std::size_t Consumed() const { return reader_.Offset(); }

private:
    bool Stored() {
        reader_.SkipToByte();
        const std::span<const std::uint8_t> header = reader_.TakeBytes(4);
        if (header.size() != 4) {
            return false;
        }
        const unsigned length = header[0] | (header[1] << 8);
        const unsigned complement = header[2] | (header[3] << 8);
        if ((length ^ 0xFFFFu) != complement || out_.size() + length > limit_) {
            return false;
        }
        const std::span<const std::uint8_t> data = reader_.TakeBytes(length);
        if (data.size() != length) {
            return false;
        }
        out_.insert(out_.end(), data.begin(), data.end());
        return true;
    }

    bool Fixed() {
        std::array<std::uint8_t, kLiteralCodes> literalLengths{};
        for (std::size_t symbol = 0; symbol < literalLengths.size(); ++symbol) {
            literalLengths[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
        }
        std::array<std::uint8_t, kDistanceCodes> distanceLengths{};
        distanceLengths.fill(5);
        HuffmanCode literals;
        HuffmanCode distances;
        return BuildCode(literals, literalLengths) && BuildCode(distances, distanceLengths) &&
               Codes(literals, distances);
    }

    bool Dynamic() {
        unsigned literalCount = 0;
        unsigned distanceCount = 0;
        unsigned lengthCodeCount = 0;
        if (!reader_.Bits(5, literalCount) || !reader_.Bits(5, distanceCount) ||
            !reader_.Bits(4, lengthCodeCount)) {
            return false;
        }
        literalCount += 257;
        distanceCount += 1;
        lengthCodeCount += 4;
        if (literalCount > 286 || distanceCount > kDistanceCodes) {
            return false;
        }
        static constexpr std::array<std::uint8_t, 19> kOrder{16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                             11, 4,  12, 3, 13, 2, 14, 1, 15};
        std::array<std::uint8_t, 19> codeLengthLengths{};
        for (unsigned i = 0; i < lengthCodeCount; ++i) {
            unsigned length = 0;
            if (!reader_.Bits(3, length)) {
                return false;
            }
            codeLengthLengths[kOrder[i]] = static_cast<std::uint8_t>(length);
        }
        HuffmanCode lengthCode;
        if (!BuildCode(lengthCode, codeLengthLengths)) {
            return false;
        }
        // The literal/length and distance code lengths, read as one sequence.
        std::array<std::uint8_t, 286 + kDistanceCodes> lengths{};
        const unsigned total = literalCount + distanceCount;
        unsigned filled = 0;
        while (filled < total) {
            const int symbol = DecodeSymbol(reader_, lengthCode);
            if (symbol < 0) {
                return false;
            }
            if (symbol < 16) {
                lengths[filled++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            unsigned repeat = 0;
            std::uint8_t value = 0;
            if (symbol == 16) {
                if (filled == 0 || !reader_.Bits(2, repeat)) {
                    return false;
                }
                value = lengths[filled - 1];
                repeat += 3;
            } else if (symbol == 17) {
                if (!reader_.Bits(3, repeat)) {
                    return false;
                }
                repeat += 3;
            } else {
                if (!reader_.Bits(7, repeat)) {
                    return false;
                }
                repeat += 11;
            }
            if (filled + repeat > total) {
                return false;
            }
            for (unsigned i = 0; i < repeat; ++i) {
                lengths[filled++] = value;
            }
        }
        if (lengths[256] == 0) {
            return false; // no end-of-block code
        }
        HuffmanCode literals;
        HuffmanCode distances;
        return BuildCode(literals, std::span(lengths).first(literalCount)) &&
               BuildCode(distances, std::span(lengths).subspan(literalCount, distanceCount)) &&
               Codes(literals, distances);
    }

    bool Codes(const HuffmanCode& literals, const HuffmanCode& distances) {
        for (;;) {
            const int symbol = DecodeSymbol(reader_, literals);
            if (symbol < 0) {
                return false;
            }
            if (symbol < 256) {
                if (out_.size() >= limit_) {
                    return false;
                }
                out_.push_back(static_cast<std::uint8_t>(symbol));
                continue;
            }
            if (symbol == 256) {
                return true;
            }
            const auto lengthIndex = static_cast<std::size_t>(symbol - 257);
            if (lengthIndex >= kLengthBase.size()) {
                return false;
            }
            unsigned extra = 0;
            if (!reader_.Bits(kLengthExtra[lengthIndex], extra)) {
                return false;
            }
            const std::size_t length = kLengthBase[lengthIndex] + extra;
            const int distanceSymbol = DecodeSymbol(reader_, distances);
            if (distanceSymbol < 0 || distanceSymbol >= kDistanceCodes) {
                return false;
            }
            const auto distanceIndex = static_cast<std::size_t>(distanceSymbol);
            if (!reader_.Bits(kDistanceExtra[distanceIndex], extra)) {
                return false;
            }
            const std::size_t distance = kDistanceBase[distanceIndex] + extra;
            if (distance > out_.size() || out_.size() + length > limit_) {
                return false;
            }
            // A copy may overlap the bytes it makes (a run repeats the last `distance` bytes): it
            // goes in pieces that do not, each twice as long as the one before, since the bytes
            // copied so far repeat the run as well.
            const std::size_t start = out_.size();
            out_.resize(start + length);
            std::uint8_t* to = out_.data() + start;
            const std::uint8_t* from = to - distance;
            std::size_t piece = distance;
            for (std::size_t done = 0; done < length;) {
                const std::size_t count = std::min(piece, length - done);
                std::memcpy(to + done, from, count);
                done += count;
                piece = done + distance;
            }
        }
    }

    BitReader reader_;
    std::size_t limit_;
    std::vector<std::uint8_t> out_;
};

std::uint32_t Adler32(std::span<const std::uint8_t> bytes) {
    constexpr std::uint32_t kBase = 65521;
    // The most bytes after which the sums still fit in 32 bits before they are reduced.
    constexpr std::size_t kRun = 5552;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    while (!bytes.empty()) {
        const std::size_t run = std::min(bytes.size(), kRun);
        for (const std::uint8_t byte : bytes.first(run)) {
            a += byte;
            b += a;
        }
        a %= kBase;
        b %= kBase;
        bytes = bytes.subspan(run);
    }
    return (b << 16) | a;
}

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
    return (static_cast<std::uint32_t>(bytes[0]) << 24) | (static_cast<std::uint32_t>(bytes[1]) << 16) |
           (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
}

// ---- PNG ----

enum ColourType : std::uint8_t {
    kGrey = 0,
    kTruecolour = 2,
    kPalette = 3,
    kGreyAlpha = 4,
    kTruecolourAlpha = 6
};

int SamplesPerPixel(std::uint8_t colourType) {
    switch (colourType) {
    case kGrey:
    case kPalette:
        return 1;
    case kGreyAlpha:
        return 2;
    case kTruecolour:
        return 3;
    case kTruecolourAlpha:
        return 4;
    default:
        return 0;
    }
}

int Paeth(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left);
    const int toUp = std::abs(estimate - up);
    const int toUpLeft = std::abs(estimate - upLeft);
    return toLeft <= toUp && toLeft <= toUpLeft ? left : toUp <= toUpLeft ? up : upLeft;
}

// Undoes the row filters in place; `rows` holds each row's filter byte before its samples.
bool Unfilter(std::vector<std::uint8_t>& rows, std::size_t rowBytes, std::size_t height,
              std::size_t pixelBytes) {
    const std::size_t stride = rowBytes + 1;
    // The row above the first is all zero.
    const std::vector<std::uint8_t> zeros(rowBytes, 0);
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = rows.data() + y * stride + 1;
        const std::uint8_t* above = y > 0 ? rows.data() + (y - 1) * stride + 1 : zeros.data();
        const auto left = [&](std::size_t x) -> int { return x >= pixelBytes ? row[x - pixelBytes] : 0; };
        const auto add = [&](std::size_t x, int predicted) {
            row[x] = static_cast<std::uint8_t>(row[x] + predicted);
        };
        switch (row[-1]) {
        case 0:
            break;
        case 1:
            for (std::size_t x = pixelBytes; x < rowBytes; ++x) {
                add(x, row[x - pixelBytes]);
            }
            break;
        case 2:
            for (std::size_t x = 0; x < rowBytes; ++x) {
                add(x, above[x]);
            }
            break;
        case 3:
            for (std::size_t x = 0; x < rowBytes; ++x) {
                add(x, (left(x) + above[x]) / 2);
            }
            break;
        case 4:
            for (std::size_t x = 0; x < rowBytes; ++x) {
                add(x, Paeth(left(x), above[x], x >= pixelBytes ? above[x - pixelBytes] : 0));
            }
            break;
        default:
            return false;
        }
    }
    return true;
}

std::uint8_t Premultiply(std::uint8_t colour, std::uint8_t alpha) {
    // (colour * alpha + 127) / 255, with a multiplication that is exact for every colour and
    // alpha (a build for size would divide).
    const unsigned scaled = static_cast<unsigned>(colour) * alpha + 127u;
    return static_cast<std::uint8_t>((scaled * 0x8081u) >> 23);
}

} // namespace

std::optional<std::vector<std::uint8_t>> Inflate(std::span<const std::uint8_t> zlibStream,
                                                 std::size_t limit) {
    // The zlib header: deflate with a window of at most 32 KiB, no preset dictionary.
    if (zlibStream.size() < 6 || (zlibStream[0] & 0x0F) != 8 || (zlibStream[0] >> 4) > 7 ||
        ((zlibStream[0] << 8) | zlibStream[1]) % 31 != 0 || (zlibStream[1] & 0x20) != 0) {
        return std::nullopt;
    }
    Inflater inflater(zlibStream.subspan(2), limit);
    if (!inflater.Run()) {
        return std::nullopt;
    }
    const std::size_t trailer = 2 + inflater.Consumed();
    if (zlibStream.size() - trailer < 4 ||
        BigEndian32(zlibStream.data() + trailer) != Adler32(inflater.Output())) {
        return std::nullopt;
    }
    return std::move(inflater.Output());
}

std::optional<PngPixels> ReadPng(std::span<const std::uint8_t> bytes) {
    PngPixels pixels;
    const bool read = ReadPngInto(bytes, [&pixels](int width, int height) {
        pixels.width = width;
        pixels.height = height;
        pixels.bgra.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
        return pixels.bgra.data();
    });
    return read ? std::optional<PngPixels>(std::move(pixels)) : std::nullopt;
}

bool ReadPngInto(std::span<const std::uint8_t> bytes,
                 const std::function<std::uint8_t*(int width, int height)>& target) {
    static constexpr std::array<std::uint8_t, 8> kSignature{137, 80, 78, 71, 13, 10, 26, 10};
    if (bytes.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), bytes.begin())) {
        return false;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t colourType = 0;
    bool headerSeen = false;
    bool ended = false;
    std::vector<std::uint8_t> palette; // RGB triples
    std::vector<std::uint8_t> transparency;
    std::vector<std::uint8_t> compressed;
    std::size_t at = kSignature.size();
    while (!ended) {
        if (bytes.size() - at < 12) {
            return false;
        }
        const std::uint32_t length = BigEndian32(bytes.data() + at);
        const std::span<const std::uint8_t> type = bytes.subspan(at + 4, 4);
        if (length > bytes.size() - at - 12) {
            return false;
        }
        const std::span<const std::uint8_t> data = bytes.subspan(at + 8, length);
        at += 12 + static_cast<std::size_t>(length);
        const auto is = [&](const char* name) { return std::equal(type.begin(), type.end(), name); };
        if (!headerSeen) {
            // IHDR first: the size, 8 bits per sample, the standard compression and filters, no
            // interlacing.
            if (!is("IHDR") || length != 13 || data[8] != 8 || data[10] != 0 || data[11] != 0 ||
                data[12] != 0) {
                return false;
            }
            width = BigEndian32(data.data());
            height = BigEndian32(data.data() + 4);
            colourType = data[9];
            if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide ||
                SamplesPerPixel(colourType) == 0) {
                return false;
            }
            headerSeen = true;
        } else if (is("PLTE")) {
            if (length % 3 != 0 || length == 0 || length > 3 * 256) {
                return false;
            }
            palette.assign(data.begin(), data.end());
        } else if (is("tRNS")) {
            transparency.assign(data.begin(), data.end());
        } else if (is("IDAT")) {
            compressed.insert(compressed.end(), data.begin(), data.end());
        } else if (is("IEND")) {
            ended = true;
        } else if ((type[0] & 0x20) == 0) {
            return false; // a critical chunk this reader does not know
        }
    }
    if (colourType == kPalette && palette.empty()) {
        return false;
    }
    const auto samples = static_cast<std::size_t>(SamplesPerPixel(colourType));
    const std::size_t rowBytes = width * samples;
    std::optional<std::vector<std::uint8_t>> rows = Inflate(compressed, (rowBytes + 1) * height);
    if (!rows || rows->size() != (rowBytes + 1) * height || !Unfilter(*rows, rowBytes, height, samples)) {
        return false;
    }

    // A tRNS chunk of a grey or truecolour picture names one colour (16-bit samples) that is
    // transparent.
    const auto keyed = [&](std::size_t sample) -> int {
        return transparency.size() >= 2 * (sample + 1)
                   ? transparency[2 * sample + 1] | (transparency[2 * sample] << 8)
                   : -1;
    };
    const std::array<int, 3> key{keyed(0), keyed(1), keyed(2)};
    std::uint8_t* out = target(static_cast<int>(width), static_cast<int>(height));
    if (out == nullptr) {
        return false;
    }
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* in = rows->data() + y * (rowBytes + 1) + 1;
        for (std::size_t x = 0; x < width; ++x, in += samples, out += 4) {
            std::uint8_t red = in[0];
            std::uint8_t green = in[0];
            std::uint8_t blue = in[0];
            std::uint8_t alpha = 255;
            switch (colourType) {
            case kGrey:
                if (key[0] == in[0]) {
                    alpha = 0;
                }
                break;
            case kGreyAlpha:
                alpha = in[1];
                break;
            case kTruecolour:
                green = in[1];
                blue = in[2];
                if (key[0] == in[0] && key[1] == in[1] && key[2] == in[2]) {
                    alpha = 0;
                }
                break;
            case kTruecolourAlpha:
                green = in[1];
                blue = in[2];
                alpha = in[3];
                break;
            case kPalette: {
                const std::size_t entry = in[0];
                if (3 * entry + 2 >= palette.size()) {
                    return false;
                }
                red = palette[3 * entry];
                green = palette[3 * entry + 1];
                blue = palette[3 * entry + 2];
                alpha = entry < transparency.size() ? transparency[entry] : 255;
                break;
            }
            default:
                return false;
            }
            out[0] = Premultiply(blue, alpha);
            out[1] = Premultiply(green, alpha);
            out[2] = Premultiply(red, alpha);
            out[3] = alpha;
        }
    }
    return true;
}

} // namespace zentrim::toolkit
