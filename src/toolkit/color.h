// Colours as the classic framework writes them: 0x00BBGGRR for a fixed colour, 0xFF0000nn for
// the system colour with the Windows COLOR_ index nn, so a theme change recolours the window.
#pragma once

#include <cstdint>

namespace zentrim::toolkit {

using Color = std::uint32_t;

namespace colors {

inline constexpr Color kSystemFlag = 0xFF000000;

constexpr Color SystemColor(int index) {
    return kSystemFlag | static_cast<Color>(index & 0xFF);
}
constexpr bool IsSystemColor(Color color) {
    return (color & 0xFF000000) == kSystemFlag;
}
constexpr int SystemColorIndex(Color color) {
    return static_cast<int>(color & 0xFF);
}
constexpr Color Rgb(int red, int green, int blue) {
    return static_cast<Color>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

inline constexpr Color kScrollBar = SystemColor(0);
inline constexpr Color kWindow = SystemColor(5);
inline constexpr Color kWindowText = SystemColor(8);
inline constexpr Color kHighlight = SystemColor(13);
inline constexpr Color kHighlightText = SystemColor(14);
inline constexpr Color kButtonFace = SystemColor(15);
inline constexpr Color kButtonShadow = SystemColor(16);
inline constexpr Color kGrayText = SystemColor(17);
inline constexpr Color kButtonText = SystemColor(18);
inline constexpr Color kButtonHighlight = SystemColor(20);
inline constexpr Color kInfoText = SystemColor(23);
inline constexpr Color kInfoBackground = SystemColor(24);

inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kGray = 0x808080;
inline constexpr Color kSilver = 0xC0C0C0;

} // namespace colors

} // namespace zentrim::toolkit
