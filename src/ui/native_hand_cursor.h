// The hand over links: the toolkit's hand-point cursor becomes the system's own hand, so the
// pointer over a link is the one the user sees everywhere else and follows the cursor scheme.
#pragma once

namespace zentrim {

namespace toolkit {
class Application;
} // namespace toolkit

// Removes the application's hand-point entry and enters `handCursor` (a cursor handle) in its
// place; with no handle the entry stays removed, and controls with the hand-point cursor show the
// default cursor. The other entries (the hourglass among them) are left alone.
void SetHandPointCursor(toolkit::Application& app, void* handCursor) noexcept;

} // namespace zentrim
