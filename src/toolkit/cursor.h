// Cursor numbers of the toolkit's cursor table (the classic framework's numbering).
#pragma once

namespace zentrim::toolkit {

enum class Cursor : int {
    Default = 0, // the class cursor of the control, or its parent's cursor
    Arrow = -2,
    HourGlass = -11,
    HandPoint = -21,
};

} // namespace zentrim::toolkit
