// COM on the calling thread, set up on first need rather than at start.
#pragma once

namespace zentrim {

// Enters a single-threaded COM apartment on the calling thread the first time it is called there
// (picture decoding, the shell); the apartment is left when the thread ends. Deferred because
// loading ole32 and setting up the apartment is start-up time that a window needing neither
// should not pay. Returns whether COM is usable on the thread (also when someone else set it up).
bool EnsureComApartment() noexcept;

} // namespace zentrim
