// A picture for an image or an image list: PNG bytes, or the name of a resource of the program
// that holds PNG bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrim::toolkit {

struct Picture {
    std::vector<std::uint8_t> png{};
    std::u16string resourceName{};
    std::u16string resourceType{}; // empty: RCDATA

    static Picture FromPng(std::vector<std::uint8_t> bytes) { return {std::move(bytes), {}, {}}; }
    static Picture FromResource(std::u16string name, std::u16string type = {}) {
        return {{}, std::move(name), std::move(type)};
    }
    bool Empty() const { return png.empty() && resourceName.empty(); }
    bool operator==(const Picture&) const = default;
};

} // namespace zentrim::toolkit
