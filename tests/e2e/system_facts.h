// What the system under the tests says for itself, worked out with the system's own calls rather
// than the program's: the local clock as the program stores moments, the system's long date and
// time, and the Windows and processor list entries that detection should pick.
#pragma once

#include <windows.h>

#include <string>

namespace zentrim::e2e {

// The moment now as the program stores it: seconds since 1970 on the local wall clock.
long long LocalSecondsNow();

// A stored moment written the way the "Last updated" line shows it: the system locale's long
// date, " - ", its long time.
std::wstring SystemLongDateTime(long long seconds);

// The Windows list entry for the version the system reports, by the detection rules.
int ExpectedWindowsEntry();

// The processor list entry for the processor's name: Intel, AMD, VIA, in that order of testing.
int ExpectedProcessorEntry();

} // namespace zentrim::e2e
