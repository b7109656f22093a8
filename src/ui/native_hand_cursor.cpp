#include "ui/native_hand_cursor.h"

#include "toolkit/application.h"

namespace zentrim {

void SetHandPointCursor(toolkit::Application& app, void* handCursor) noexcept {
    toolkit::CursorTable& cursors = app.Cursors();
    cursors.Remove(toolkit::Cursor::HandPoint);
    if (handCursor == nullptr) {
        return;
    }
    try {
        cursors.Set(toolkit::Cursor::HandPoint, handCursor);
    } catch (...) {
        // Out of memory for one table entry: the link shows the default cursor.
    }
}

} // namespace zentrim
