// The buffer the Windows store hands to RegSetValueExW: text data without a terminating NUL, or
// with an odd byte count, must be stored as it is, and nothing outside the buffer may be read.
#include "engine/custom_registry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace zentrim {
namespace {

// What RegSetValueExW does with text data of `count` bytes at `offset` in `buffer`: it reads the
// last whole character of the data and the one after it, and stores one NUL character more when
// the first is not NUL and the second is. Gives the count it stores; fails the test when a read
// falls outside the buffer.
std::size_t CountStoredByWindows(const std::vector<std::uint8_t>& buffer, std::size_t offset,
                                 std::size_t count) {
    const auto charAt = [&](long long index) -> unsigned {
        const long long first = static_cast<long long>(offset) + 2 * index;
        if (first < 0 || first + 1 >= static_cast<long long>(buffer.size())) {
            ADD_FAILURE() << "read outside the buffer at " << first << " for " << count << " bytes";
            return 0;
        }
        return buffer[static_cast<std::size_t>(first)] | (buffer[static_cast<std::size_t>(first) + 1] << 8);
    };
    const auto last = static_cast<long long>(count / 2) - 1;
    return charAt(last) != 0 && charAt(last + 1) == 0 ? count + 2 : count;
}

TEST(RegistryWriteBuffer, TextDataOfAnyLengthAndContentIsStoredExactlyAndReadInBounds) {
    for (std::size_t count = 1; count <= 9; ++count) {
        for (const std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0x41}}) {
            SCOPED_TRACE(testing::Message() << count << " bytes of " << int{fill});
            std::vector<std::uint8_t> data(count, fill);
            data[0] = 'a'; // a text that does not start with its end
            const std::vector<std::uint8_t> padded = PadForRegSetValue(data);
            ASSERT_GE(padded.size(), kRegSetValueLeadingPad + count);
            EXPECT_EQ(std::vector<std::uint8_t>(padded.begin() + kRegSetValueLeadingPad,
                                                padded.begin() + kRegSetValueLeadingPad + count),
                      data);
            EXPECT_EQ(CountStoredByWindows(padded, kRegSetValueLeadingPad, count), count);
        }
    }
    // The same data straight from a buffer of NULs gets its NUL added: what the padding prevents.
    const std::vector<std::uint8_t> unpadded{'a', 0, 'b', 0, 0, 0};
    EXPECT_EQ(CountStoredByWindows(unpadded, 0, 4), 6u);
}

} // namespace
} // namespace zentrim
