#include "render/ViewOptions.h"

#include <algorithm>
#include <utility>

namespace kestrune {

namespace {

void KeepInOrder(int& low, int& high, TUpDownRange lowRange, TUpDownRange highRange) {
    low = std::clamp(low, lowRange.Lowest, lowRange.Highest);
    high = std::clamp(high, highRange.Lowest, highRange.Highest);
    // Both ends of an inverted range lie within both up-downs' ranges.
    if (low > high) std::swap(low, high);
    while (high - low < NarrowestUserRange) {
        if (low > lowRange.Lowest)
            --low;
        else
            ++high;
    }
}

}  // namespace

void KeepUserRangesInOrder(TViewOptions& options) {
    KeepInOrder(options.UpDownUserMinTemp, options.UpDownUserMaxTemp, UserMinTempRange, UserMaxTempRange);
    KeepInOrder(options.UpDownUserMinSST, options.UpDownUserMaxSST, UserMinSstRange, UserMaxSstRange);
}

bool UserSstRangeWithinLimits(int low, int high) {
    const auto within = [](int value, TUpDownRange range) { return value >= range.Lowest && value <= range.Highest; };
    return within(low, UserMinSstRange) && within(high, UserMaxSstRange);
}

}  // namespace kestrune
