// The object that shows hints. The application creates it through a replaceable factory the
// first time it shows a hint, and hides hints through a replaceable routine, so a program can
// show hints any way it likes (a native tooltip, for instance).
#pragma once

#include "toolkit/geometry.h"

#include <string>
#include <string_view>

namespace zentrim::toolkit {

class HintWindow {
public:
    HintWindow() = default;
    HintWindow(const HintWindow&) = delete;
    HintWindow& operator=(const HintWindow&) = delete;
    virtual ~HintWindow() = default;

    // The rectangle the hint needs, with its top-left at (0, 0).
    virtual Rect CalcHintRect(int maxWidth, std::u16string_view hint) = 0;
    // Shows the hint in a rectangle in screen pixels.
    virtual void ActivateHint(const Rect& rect, std::u16string_view hint) = 0;
    // Takes the hint off the screen.
    virtual void ReleaseHandle() = 0;
};

// A hint "short|long": the short part is shown under the mouse, the long part becomes the
// application's hint. Without "|" both are the whole text.
std::u16string_view ShortHint(std::u16string_view hint);
std::u16string_view LongHint(std::u16string_view hint);

} // namespace zentrim::toolkit
