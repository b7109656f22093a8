// The PNG reader and its inflate, against zlib as the independent encoder: every stream zlib
// makes must come back byte for byte, and pictures written here row filter by row filter must
// read back as the pixels they were made from.
#include "toolkit/png_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace zentrim::toolkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Deflate(const Bytes& input, int level, int strategy) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, 15, 8, strategy), Z_OK);
    Bytes out(deflateBound(&stream, input.size()) + 16);
    stream.next_in = const_cast<Bytes::value_type*>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

Bytes Inputs(int kind) {
    std::mt19937 random(7);
    Bytes bytes;
    switch (kind) {
    case 0: // nothing
        break;
    case 1: // noise: stored blocks at level 0, poor matches otherwise, several blocks of 64 KiB
        for (int i = 0; i < 200000; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(random()));
        }
        break;
    case 2: // text with repeats at every distance up to the window
        for (int i = 0; i < 40000; ++i) {
            bytes.push_back(static_cast<std::uint8_t>("the registry value "[i % 19] + (i / 997) % 3));
        }
        break;
    default: // long runs, as in flat artwork: matches of 258 at distance 1
        bytes.assign(300000, 0x7F);
        bytes.insert(bytes.begin() + 1000, 77, 0x01);
        break;
    }
    return bytes;
}

TEST(Inflate, RestoresEveryStreamZlibMakes) {
    for (int kind = 0; kind < 4; ++kind) {
        const Bytes input = Inputs(kind);
        for (const int level : {0, 1, 6, 9}) {
            for (const int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
                SCOPED_TRACE(testing::Message()
                             << "input " << kind << " level " << level << " strategy " << strategy);
                const std::optional<Bytes> output = Inflate(Deflate(input, level, strategy), input.size());
                ASSERT_TRUE(output.has_value());
                EXPECT_TRUE(*output == input);
            }
        }
    }
}

TEST(Inflate, RefusesDamagedOrOversizedStreams) {
    const Bytes input = Inputs(2);
    const Bytes good = Deflate(input, 6, Z_DEFAULT_STRATEGY);
    ASSERT_TRUE(Inflate(good, input.size()).has_value());
    const auto changed = [&](std::size_t at, std::uint8_t value) {
        Bytes bytes = good;
        bytes[at] = value;
        return bytes;
    };
    EXPECT_FALSE(Inflate(good, input.size() - 1)) << "one byte over the limit";
    EXPECT_FALSE(Inflate(Bytes(good.begin(), good.end() - 1), input.size())) << "no full checksum";
    EXPECT_FALSE(Inflate(Bytes(good.begin(), good.begin() + good.size() / 2), input.size())) << "cut short";
    EXPECT_FALSE(Inflate(changed(good.size() - 1, good.back() ^ 1), input.size())) << "wrong checksum";
    EXPECT_FALSE(Inflate(changed(0, 0x79), input.size())) << "not deflate";
    EXPECT_FALSE(Inflate(changed(1, good[1] ^ 0x20), input.size())) << "header check or dictionary";
    EXPECT_FALSE(Inflate(Bytes{0x78, 0x9C, 0x07, 0, 0, 0, 0, 0}, 100)) << "reserved block type";
    // A stored block whose length and its complement disagree.
    EXPECT_FALSE(Inflate(Bytes{0x78, 0x01, 0x01, 0x05, 0x00, 0xFA, 0xFE, 1, 2, 3, 4, 5, 0, 0, 0, 0}, 100));
    // Flipping any one byte of the compressed data never crashes and is nearly always caught.
    int caught = 0;
    for (std::size_t at = 2; at + 4 < good.size(); ++at) {
        caught += Inflate(changed(at, good[at] ^ 0x55), input.size()) ? 0 : 1;
    }
    EXPECT_EQ(caught, static_cast<int>(good.size()) - 6);
}

// ---- pictures written here ----

void AppendChunk(Bytes& png, const char* type, const Bytes& data) {
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        png.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    const uLong crc = crc32(0, typed.data(), static_cast<uInt>(typed.size()));
    for (int shift = 24; shift >= 0; shift -= 8) {
        png.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
}

struct Image {
    int width;
    int height;
    std::uint8_t colourType;
    int samples;
    Bytes raw; // samples, row by row
    Bytes palette{};
    Bytes transparency{};
    std::uint8_t bitDepth = 8;
    std::uint8_t interlace = 0;
};

// Filters row y with filter (y % 5), as an encoder would: each byte minus its prediction from the
// raw neighbours.
Bytes FilteredRows(const Image& image) {
    const int rowBytes = image.width * image.samples;
    Bytes rows;
    for (int y = 0; y < image.height; ++y) {
        const int filter = y % 5;
        rows.push_back(static_cast<std::uint8_t>(filter));
        for (int x = 0; x < rowBytes; ++x) {
            const auto at = [&](int row, int column) -> int {
                return row < 0 || column < 0 ? 0
                                             : image.raw[static_cast<std::size_t>(row * rowBytes + column)];
            };
            const int a = at(y, x - image.samples);
            const int b = at(y - 1, x);
            const int c = at(y - 1, x - image.samples);
            int prediction = 0;
            if (filter == 1) {
                prediction = a;
            } else if (filter == 2) {
                prediction = b;
            } else if (filter == 3) {
                prediction = (a + b) >> 1;
            } else if (filter == 4) {
                const int p = a + b - c;
                const int pa = std::abs(p - a);
                const int pb = std::abs(p - b);
                const int pc = std::abs(p - c);
                prediction = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            rows.push_back(static_cast<std::uint8_t>(at(y, x) - prediction));
        }
    }
    return rows;
}

Bytes WritePng(const Image& image) {
    Bytes png{137, 80, 78, 71, 13, 10, 26, 10};
    Bytes header;
    for (const int side : {image.width, image.height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            header.push_back(static_cast<std::uint8_t>(side >> shift));
        }
    }
    header.insert(header.end(), {image.bitDepth, image.colourType, 0, 0, image.interlace});
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "tEXt", Bytes{'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'});
    if (!image.palette.empty()) {
        AppendChunk(png, "PLTE", image.palette);
    }
    if (!image.transparency.empty()) {
        AppendChunk(png, "tRNS", image.transparency);
    }
    // The data in two chunks, as encoders split it.
    const Bytes data = Deflate(FilteredRows(image), 9, Z_DEFAULT_STRATEGY);
    AppendChunk(png, "IDAT", Bytes(data.begin(), data.begin() + static_cast<long>(data.size() / 2)));
    AppendChunk(png, "IDAT", Bytes(data.begin() + static_cast<long>(data.size() / 2), data.end()));
    AppendChunk(png, "IEND", {});
    return png;
}

// Samples that differ from their neighbours in every direction, so each filter has work to do.
Bytes Samples(int count) {
    Bytes bytes;
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<std::uint8_t>((i * 37 + (i / 7) * 101) & 0xFF));
    }
    return bytes;
}

TEST(PngReader, ReadsEveryColourTypeThroughEveryRowFilter) {
    constexpr int kWidth = 7;
    constexpr int kHeight = 11; // every filter on rows with and without a row above
    constexpr int kPixels = kWidth * kHeight;
    struct Case {
        const char* name;
        Image image;
    };
    const std::vector<Case> cases{
        {"grey", {kWidth, kHeight, 0, 1, Samples(kPixels)}},
        {"grey and alpha", {kWidth, kHeight, 4, 2, Samples(kPixels * 2)}},
        {"truecolour", {kWidth, kHeight, 2, 3, Samples(kPixels * 3)}},
        {"truecolour and alpha", {kWidth, kHeight, 6, 4, Samples(kPixels * 4)}},
        {"palette", {kWidth, kHeight, 3, 1, Bytes(), Samples(256 * 3), Samples(200)}},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        Image image = testCase.image;
        if (image.colourType == 3) {
            image.raw = Samples(kPixels);
        }
        const std::optional<PngPixels> read = ReadPng(WritePng(image));
        ASSERT_TRUE(read.has_value());
        ASSERT_EQ(read->width, kWidth);
        ASSERT_EQ(read->height, kHeight);
        ASSERT_EQ(read->bgra.size(), static_cast<std::size_t>(kPixels) * 4);
        for (int i = 0; i < kPixels; ++i) {
            const std::uint8_t* s = image.raw.data() + i * image.samples;
            // The pixel as red, green, blue, alpha, from the colour type's definition.
            int r = s[0], g = s[0], b = s[0], a = 255;
            if (image.colourType == 4) {
                a = s[1];
            } else if (image.colourType == 2 || image.colourType == 6) {
                g = s[1];
                b = s[2];
                a = image.colourType == 6 ? s[3] : 255;
            } else if (image.colourType == 3) {
                r = image.palette[s[0] * 3];
                g = image.palette[s[0] * 3 + 1];
                b = image.palette[s[0] * 3 + 2];
                a = s[0] < image.transparency.size() ? image.transparency[s[0]] : 255;
            }
            const std::uint8_t* out = read->bgra.data() + i * 4;
            ASSERT_EQ(out[3], a) << "pixel " << i;
            // Premultiplied: the colour scaled by alpha, rounded to the nearest.
            EXPECT_NEAR(out[0], b * a / 255.0, 0.5) << "pixel " << i;
            EXPECT_NEAR(out[1], g * a / 255.0, 0.5) << "pixel " << i;
            EXPECT_NEAR(out[2], r * a / 255.0, 0.5) << "pixel " << i;
        }
    }
}

TEST(PngReader, AColourKeyMakesItsPixelsTransparent) {
    Image image{2, 1, 2, 3, Bytes{10, 20, 30, 10, 20, 31}};
    image.transparency = {0, 10, 0, 20, 0, 30};
    const std::optional<PngPixels> read = ReadPng(WritePng(image));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->bgra, (Bytes{0, 0, 0, 0, 31, 20, 10, 255}));
}

TEST(PngReader, LeavesWhatItDoesNotReadToAnotherDecoder) {
    const Image plain{3, 2, 2, 3, Samples(18)};
    ASSERT_TRUE(ReadPng(WritePng(plain)).has_value());
    const auto refused = [](Image image) { return !ReadPng(WritePng(image)).has_value(); };
    Image sixteenBits = plain;
    sixteenBits.bitDepth = 16;
    EXPECT_TRUE(refused(sixteenBits));
    Image interlaced = plain;
    interlaced.interlace = 1;
    EXPECT_TRUE(refused(interlaced));
    Image unknownType = plain;
    unknownType.colourType = 5;
    EXPECT_TRUE(refused(unknownType));
    Image shortPalette{2, 1, 3, 1, Bytes{0, 2}, Bytes{1, 2, 3, 4, 5, 6}};
    EXPECT_TRUE(refused(shortPalette)) << "index 2 of a palette of two";
    Image noPalette{2, 1, 3, 1, Bytes{0, 0}};
    EXPECT_TRUE(refused(noPalette));

    const Bytes good = WritePng(plain);
    EXPECT_FALSE(ReadPng(Bytes(good.begin(), good.end() - 12))) << "no IEND";
    EXPECT_FALSE(ReadPng(Bytes(good.begin(), good.begin() + 40))) << "cut inside a chunk";
    Bytes signature = good;
    signature[1] = 'Q';
    EXPECT_FALSE(ReadPng(signature));
    Bytes hugeChunk = good;
    hugeChunk[8] = 0x7F; // IHDR's length
    EXPECT_FALSE(ReadPng(hugeChunk));
    Bytes critical = good;
    critical[37] = 'X'; // the tEXt chunk's type, now critical ("XEXt")
    EXPECT_FALSE(ReadPng(critical));
    EXPECT_FALSE(ReadPng({}));
}

} // namespace
} // namespace zentrim::toolkit
