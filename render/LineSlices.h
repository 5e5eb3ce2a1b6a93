// Lines of a picture or a table drawn on all processors a few at a time:
// each slice goes to whichever thread of the line pool is free, so that a
// thread held up by other work (the run's product jobs) delays only its
// slice, and slices that cost more than others even out.
#pragma once

#include <cstdint>
#include <functional>

namespace kestrune {

// Runs work(from, to) over slices of linesPerSlice lines that together cover
// first..last - 1 exactly once, and returns when all have run; the rules of
// ForLineRanges apply to work. The pool follows the calling thread's
// priority, or the idle class when idlePriority.
void ForLineSlices(int32_t first, int32_t last, int32_t linesPerSlice,
                   const std::function<void(int32_t from, int32_t to)>& work, bool idlePriority);
void ForLineSlices(int32_t first, int32_t last, int32_t linesPerSlice,
                   const std::function<void(int32_t from, int32_t to)>& work);

}  // namespace kestrune
