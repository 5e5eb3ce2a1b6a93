#include "decoding/qelHistogram.h"

#include "platform/SysUtils.h"

#include <algorithm>
#include <numeric>

namespace kestrune {

TqelHistogram::TqelHistogram(int32_t bins) : counts_(static_cast<size_t>(std::max(bins, 1)), 0) {
    Clear();
}

void TqelHistogram::Clear() {
    std::fill(counts_.begin(), counts_.end(), 0);
    high_ = 0;
    low_ = 0;
    valid_ = false;
}

void TqelHistogram::SetLowPercent(float value) {
    if (value > 0.01f && value < highPercent_) {
        lowPercent_ = value;
        valid_ = false;
    }
}

void TqelHistogram::SetHighPercent(float value) {
    if (value > lowPercent_ && value < 99.99f) {
        highPercent_ = value;
        valid_ = false;
    }
}

void TqelHistogram::Calculate() {
    const int64_t total = std::accumulate(counts_.begin(), counts_.end(), int64_t{0});
    total_ = static_cast<int32_t>(total);
    low_ = 0;
    high_ = BinCount() - 1;
    // The median follows the bins on every recalculation, so it never tells
    // of counts that have since been cleared.
    median_ = 0;
    const int64_t nHalf = Round(static_cast<double>(total) / 2.0);
    const bool percentiles = total > BinCount();
    const int64_t nLow = percentiles ? Round(static_cast<double>(total) * lowPercent_ / 100.0) : 0;
    const int64_t nHigh = percentiles ? Round(static_cast<double>(total) * highPercent_ / 100.0) : 0;
    int64_t below = 0;
    int32_t largest = 0;
    mode_ = 0;
    for (int32_t i = 0; i < BinCount(); ++i) {
        if (percentiles) {
            if (below < nLow) low_ = i;
            if (below < nHigh) high_ = i;
        }
        if (below < nHalf) median_ = i;
        const int32_t count = counts_[static_cast<size_t>(i)];
        if (count > largest) {
            largest = count;
            mode_ = i;
        }
        below += count;
    }
    valid_ = true;
}

}  // namespace kestrune
