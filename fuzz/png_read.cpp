// The PNG reader and its inflate with damaged and hostile pictures: chunk lengths beyond the
// data, huge sizes, broken Huffman codes, distances before the start. Whatever it reads has the
// size its header gives and premultiplied colours; the inflate never gives more than its limit.
#include "fuzz_support.h"
#include "toolkit/png_reader.h"

#include <cstddef>
#include <cstdint>
#include <span>

using namespace zentrim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto pixels = toolkit::ReadPng(bytes)) {
        fuzz::Check(pixels->width > 0 && pixels->height > 0 && pixels->width <= toolkit::kMaxPngSide &&
                        pixels->height <= toolkit::kMaxPngSide,
                    "a picture read has a size within the limits");
        fuzz::Check(pixels->bgra.size() == static_cast<std::size_t>(pixels->width) * pixels->height * 4,
                    "a picture read has four bytes for each pixel");
        for (std::size_t i = 0; i < pixels->bgra.size(); i += 4) {
            const std::uint8_t alpha = pixels->bgra[i + 3];
            fuzz::Check(pixels->bgra[i] <= alpha && pixels->bgra[i + 1] <= alpha &&
                            pixels->bgra[i + 2] <= alpha,
                        "premultiplied colours never exceed their alpha");
        }
    }
    // The same bytes as a zlib stream, with a limit the input chooses.
    const std::size_t limit = size > 0 ? data[0] * 64u : 0;
    if (const auto inflated = toolkit::Inflate(bytes.subspan(size > 0 ? 1 : 0), limit)) {
        fuzz::Check(inflated->size() <= limit, "inflating never goes beyond its limit");
    }
    return 0;
}
