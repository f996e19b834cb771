#pragma once

// Counts the bytes the process holds on the malloc heap (every allocation of both
// libraries, C and C++ alike, goes through malloc) and the peak since the last reset.

#include <cstdint>

namespace Bench {

void HeapResetPeak();
// Counting costs every allocation an update of shared counters, which threads contend for;
// timings of threaded work turn it off (the counts are then not kept).
void HeapCounting(bool on);
// Bytes held now, and the most held since HeapResetPeak.
std::int64_t HeapCurrent();
std::int64_t HeapPeak();

} // namespace Bench
