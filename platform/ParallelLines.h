// Work on the lines of a picture or a pass split over the processors: a
// pool of threads made once for the program, one fewer than the processors
// the program may run on, takes ranges of lines while the calling thread
// works on one of its own. Any thread may call, also from inside the work;
// each call waits for its own ranges only.
#pragma once

#include <cstdint>
#include <functional>

namespace kestrune {

// Runs work(first, last) over ranges that together cover first..last - 1
// exactly once, at the same time, and returns when all have run. The work
// of one range must not touch what another range's work changes. With
// idlePriority (a reception program runs) the pool works on the call's
// ranges in the idle scheduling class. What work raises is raised here,
// after every range has ended.
void ForLineRanges(int32_t first, int32_t last, const std::function<void(int32_t first, int32_t last)>& work,
                   bool idlePriority);

// As above, the pool working at the calling thread's priority: idle while
// the caller runs idle beside a reception program.
void ForLineRanges(int32_t first, int32_t last, const std::function<void(int32_t first, int32_t last)>& work);

// Threads of the pool (0 on a machine of one processor: the caller does all).
unsigned LinePoolThreads();

}  // namespace kestrune
