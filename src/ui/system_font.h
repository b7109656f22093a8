// The uniform window font: every window and its components take the face of the Windows desktop
// font, at a size of at most 9 points for the window itself. The desktop font reaches a form
// through its DesktopFont switch, which asks the toolkit's backend (on Windows the icon-title
// font, else the stock system font; a fixed font in the headless backend).
#pragma once

namespace zentrim {

namespace toolkit {
class Form;
} // namespace toolkit

// The largest font size a window keeps from the desktop font, in points.
inline constexpr int kMaxWindowFontSize = 9;

// Makes the form's font and the fonts of its components uniform. The caller turns the form's
// DesktopFont switch on just before, so the form's font is the desktop font; then:
// - the form's font is reduced to 9 points when it is larger (setting it turns the DesktopFont
//   switch off, as setting any font does; the next preparation turns it on again);
// - every component with a font of its own, in the form's component order, takes the form
//   font's face and at least its size, keeping its style, colour and any larger size;
// - components that follow their parent's font, and kinds without a font, are left alone.
// Any failure ends the walk quietly; fonts changed before it stay changed.
void ApplySystemFont(toolkit::Form& form) noexcept;

} // namespace zentrim
