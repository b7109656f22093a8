// A font as the window layouts describe it: face name, size in points, style bits and colour.
#pragma once

#include "toolkit/color.h"

#include <string>

namespace zentrim::toolkit {

using FontStyles = unsigned;
inline constexpr FontStyles kFontBold = 1;
inline constexpr FontStyles kFontItalic = 2;
inline constexpr FontStyles kFontUnderline = 4;
inline constexpr FontStyles kFontStrikeOut = 8;

struct Font {
    std::u16string name = u"Tahoma";
    int size = 8; // points
    FontStyles style = 0;
    Color color = colors::kWindowText;

    bool Has(FontStyles styles) const { return (style & styles) == styles; }
    bool operator==(const Font&) const = default;
};

// Character height in pixels at a resolution, as Windows' LOGFONT wants it (negative: the
// character height without internal leading).
inline int FontHeightForDpi(int points, int dpi) {
    const long long product = static_cast<long long>(points) * dpi;
    return -static_cast<int>((product + 36) / 72);
}

} // namespace zentrim::toolkit
