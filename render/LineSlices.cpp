#include "render/LineSlices.h"

#include "platform/ParallelLines.h"
#include "platform/SystemUtils.h"

#include <algorithm>
#include <atomic>

namespace kestrune {

void ForLineSlices(int32_t first, int32_t last, int32_t linesPerSlice,
                   const std::function<void(int32_t from, int32_t to)>& work, bool idlePriority) {
    if (last <= first) return;
    const int32_t slices = (last - first + linesPerSlice - 1) / linesPerSlice;
    std::atomic<int32_t> next{0};
    const auto takeSlices = [&](int32_t, int32_t) {
        for (int32_t slice = next++; slice < slices; slice = next++)
            work(first + slice * linesPerSlice, std::min(first + (slice + 1) * linesPerSlice, last));
    };
    const auto takers = std::min(slices, static_cast<int32_t>(LinePoolThreads()) + 1);
    ForLineRanges(0, takers, takeSlices, idlePriority);
}

void ForLineSlices(int32_t first, int32_t last, int32_t linesPerSlice,
                   const std::function<void(int32_t from, int32_t to)>& work) {
    ForLineSlices(first, last, linesPerSlice, work, RunsAtIdlePriority());
}

}  // namespace kestrune
