// A reader of the PNG pictures the artwork uses, with its own inflate: decoding them this way
// needs neither COM nor the imaging component at start, which under Wine cost more than the
// decoding itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace zentrim::toolkit {

// Pixels as 32-bit premultiplied BGRA, rows top-down, no padding.
struct PngPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgra;
};

// The largest width or height a picture may have, here and in the other decoder; a larger one is
// refused.
inline constexpr int kMaxPngSide = 16384;

// Decodes a non-interlaced PNG of 8 bits per sample in any colour type (grey, grey with alpha,
// truecolour, truecolour with alpha, palette; a tRNS chunk is honoured). Returns nothing for
// anything else (other bit depths, interlacing, damaged data): the caller may try another decoder.
std::optional<PngPixels> ReadPng(std::span<const std::uint8_t> bytes);

// The same, into memory of the caller's: once the picture is known to decode, `target(width,
// height)` gives width * height * 4 bytes for the pixels (null gives up). False when the picture
// could not be decoded; the target may then hold part of it.
bool ReadPngInto(std::span<const std::uint8_t> bytes,
                 const std::function<std::uint8_t*(int width, int height)>& target);

// Inflates a zlib stream (RFC 1950 around RFC 1951), checking its Adler-32. Returns nothing when
// the stream is damaged or would inflate to more than `limit` bytes.
std::optional<std::vector<std::uint8_t>> Inflate(std::span<const std::uint8_t> zlibStream, std::size_t limit);

} // namespace zentrim::toolkit
