// Counts of integer values in a fixed number of bins, with the total, the
// most populated bin and percentile bins computed lazily after a change.
// Callers fill the bins directly through Counts; they call Clear before a
// refill and Calculate (or any query) afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrune {

class TqelHistogram {
public:
    TqelHistogram() : TqelHistogram(1024) {}
    explicit TqelHistogram(int32_t bins);

    // Every bin 0; the statistics are recomputed at the next query.
    void Clear();
    // Recomputes Total, Mode, Median, Low and High from the bins.
    void Calculate();

    int32_t Total() { return Fresh().total_; }
    int32_t Mode() { return Fresh().mode_; }
    int32_t Median() { return Fresh().median_; }
    int32_t Low() { return Fresh().low_; }
    int32_t High() { return Fresh().high_; }
    bool Valid() const { return valid_; }

    // Accepted only when 0.01 < value < HighPercent.
    void SetLowPercent(float value);
    // Accepted only when LowPercent < value < 99.99.
    void SetHighPercent(float value);
    float LowPercent() const { return lowPercent_; }
    float HighPercent() const { return highPercent_; }

    int32_t BinCount() const { return static_cast<int32_t>(counts_.size()); }
    int32_t* Counts() { return counts_.data(); }
    const int32_t* Counts() const { return counts_.data(); }
    // Adds one count to a bin; values outside the bins are dropped.
    void Add(int32_t bin) {
        if (bin >= 0 && bin < BinCount()) ++counts_[static_cast<std::size_t>(bin)];
    }

private:
    TqelHistogram& Fresh() {
        if (!valid_) Calculate();
        return *this;
    }

    std::vector<int32_t> counts_;
    int32_t median_ = 0;
    int32_t high_ = 0;
    int32_t mode_ = 0;
    int32_t low_ = 0;
    int32_t total_ = 0;
    float lowPercent_ = 0.5f;
    float highPercent_ = 99.5f;
    bool valid_ = false;
};

}  // namespace kestrune
