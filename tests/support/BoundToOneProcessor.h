// Binds the calling thread, and the programs it starts, to its first
// processor while it lives, as taskset binds a program: a program started so
// makes its pool of line workers empty and does all its work in one piece.
#pragma once

#include <sched.h>

namespace kestrune::testing {

class TBoundToOneProcessor {
public:
    TBoundToOneProcessor() {
        sched_getaffinity(0, sizeof all_, &all_);
        int first = 0;
        while (first < CPU_SETSIZE - 1 && !CPU_ISSET(first, &all_)) ++first;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(first, &one);
        sched_setaffinity(0, sizeof one, &one);
    }
    ~TBoundToOneProcessor() { sched_setaffinity(0, sizeof all_, &all_); }
    TBoundToOneProcessor(const TBoundToOneProcessor&) = delete;
    TBoundToOneProcessor& operator=(const TBoundToOneProcessor&) = delete;

private:
    cpu_set_t all_{};
};

}  // namespace kestrune::testing
