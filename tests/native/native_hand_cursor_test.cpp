// The hand-point entry of the application's cursor table.
#include "ui/native_hand_cursor.h"

#include "toolkit/application.h"
#include "toolkit/headless_backend.h"

#include <gtest/gtest.h>

namespace zentrim {
namespace {

using toolkit::Cursor;

TEST(NativeHandCursor, ReplacesOnlyTheHandPointEntry) {
    toolkit::HeadlessBackend backend;
    toolkit::Application app(backend);
    void* const hourGlass = app.Cursors().Get(Cursor::HourGlass);
    void* const arrow = app.Cursors().Get(Cursor::Default);
    int systemHand = 0;

    SetHandPointCursor(app, &systemHand);
    EXPECT_EQ(app.Cursors().Resolve(Cursor::HandPoint), &systemHand);
    EXPECT_EQ(app.Cursors().Get(Cursor::HourGlass), hourGlass);

    // No hand to be had: links show the default cursor, and the old hand is not kept.
    SetHandPointCursor(app, nullptr);
    EXPECT_EQ(app.Cursors().Get(Cursor::HandPoint), nullptr);
    EXPECT_EQ(app.Cursors().Resolve(Cursor::HandPoint), arrow);
    EXPECT_EQ(app.Cursors().Get(Cursor::HourGlass), hourGlass);
}

} // namespace
} // namespace zentrim
