// Median filter and integer convolution. Rows and columns beyond the image
// repeat its edge pixels, so every output pixel has a full neighbourhood.
#include "platform/Ipl.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

namespace kestrune {

namespace {

template <typename T> constexpr int MaxSample() { return std::numeric_limits<T>::max(); }

// Runs filter(source, destination), through a copy of the source when both
// are the same pixels, since every output pixel needs unfiltered neighbours.
template <typename Filter>
void FilterApart(const IplImage& source, IplImage& destination, Filter filter) {
    if (source.Row(0) != destination.Row(0)) {
        filter(source, destination);
        return;
    }
    const IplImage copy = iplCloneImage(source);
    filter(copy, destination);
}

void CheckSizes(const IplImage& source, const IplImage& destination) {
    if (source.Empty() || destination.Empty())
        throw EIplError("Filtering needs a source and a destination with pixels");
    if (source.Width() != destination.Width() || source.Height() != destination.Height() ||
        source.Channels() != destination.Channels())
        throw EIplError("Filtering between images of different size or channels");
}

// ---------------------------------------------------------------- median

// Histogram of the values in a sliding window (Huang's algorithm) with the
// running median tracked incrementally, in blocks of 8 values: `block` holds
// the value at rank `rank` of the window sorted ascending, `below` counts
// the window's values in lower blocks and `inBlock` those in the block, so
// the bins are read only when the median changes block (reading bins just
// written stalls the processor). A block's 16-bit bins are read as two
// words of four lanes: its count and the median's place in it take a few
// word operations, not a loop whose unpredictable exits would cost more
// than the histogram updates themselves.
static_assert(std::endian::native == std::endian::little, "bins are read as words, lowest bin first");

class SlidingMedian {
public:
    // Counts of 16 bits whose sums stay below the lanes' top bit.
    static constexpr int LargestWindow = 181;

    SlidingMedian(int values, int rank)
        : bins_(static_cast<std::size_t>((values + BlockSize - 1) / BlockSize * BlockSize), 0), rank_(rank) {}

    void Add(int value) {
        ++bins_[value];
        below_ += (value >> BlockShift) < block_;
        inBlock_ += (value >> BlockShift) == block_;
    }
    void Remove(int value) {
        --bins_[value];
        below_ -= (value >> BlockShift) < block_;
        inBlock_ -= (value >> BlockShift) == block_;
    }
    int Median() {
        while (below_ + inBlock_ <= rank_) {
            below_ += inBlock_;
            inBlock_ = BlockCount(++block_);
        }
        while (below_ > rank_) {
            inBlock_ = BlockCount(--block_);
            below_ -= inBlock_;
        }
        return block_ * BlockSize + PlaceInBlock(rank_ - below_);
    }

private:
    static constexpr int BlockShift = 3;
    static constexpr int BlockSize = 1 << BlockShift;
    // Multiplying by Lanes sums each lane with the lanes below it.
    static constexpr uint64_t Lanes = 0x0001000100010001u;
    static constexpr uint64_t TopBits = 0x8000800080008000u;

    struct TBlockWords {
        uint64_t low, high;  // bins 0..3 and 4..7, bin 0 in the lowest lane
    };
    TBlockWords Words(int block) const {
        TBlockWords words;
        std::memcpy(&words, bins_.data() + block * BlockSize, sizeof words);
        return words;
    }
    int BlockCount(int block) const {
        const TBlockWords words = Words(block);
        return static_cast<int>(((words.low + words.high) * Lanes) >> 48);
    }
    // The first bin of the median's block whose running count exceeds the
    // values of lower rank; the block holds one.
    int PlaceInBlock(int lowerRanks) const {
        const TBlockWords words = Words(block_);
        const uint64_t limit = static_cast<uint64_t>(lowerRanks + 1) * Lanes;
        const uint64_t low = words.low * Lanes;
        const uint64_t high = (words.high + (low >> 48)) * Lanes;
        // A lane's top bit stays set where its running count reaches limit.
        const uint64_t lowOver = ((low | TopBits) - limit) & TopBits;
        const uint64_t highOver = ((high | TopBits) - limit) & TopBits;
        return (std::countr_zero(lowOver) + static_cast<int>(lowOver == 0) * std::countr_zero(highOver)) / 16;
    }

    std::vector<uint16_t> bins_;
    int rank_;
    int block_ = 0;
    int below_ = 0;
    int inBlock_ = 0;  // the window's values in the median's block
};

template <typename T> int LargestSample(const IplImage& image, int channel) {
    int largest = 0;
    const int channels = image.Channels();
    for (int y = 0; y < image.Height(); ++y) {
        const T* row = image.RowAs<T>(y);
        for (int x = 0; x < image.Width(); ++x)
            largest = std::max<int>(largest, row[x * channels + channel]);
    }
    return largest;
}

// Channels is the image's channel count, or 0 for "read it from the image":
// grey images, the common case, get their own copy with a constant stride.
template <typename T, int Channels>
void MedianOfChannel(const IplImage& source, IplImage& destination, int size, int channel) {
    const int width = source.Width();
    const int height = source.Height();
    const int channels = Channels > 0 ? Channels : source.Channels();
    const int radius = size / 2;
    const int values = sizeof(T) == 1 ? 256 : LargestSample<T>(source, channel) + 1;
    SlidingMedian window(values, size * size / 2);
    std::vector<const T*> rows(static_cast<std::size_t>(size));
    auto offset = [&](int x) { return std::clamp(x, 0, width - 1) * channels + channel; };
    for (int y = 0; y < height; ++y) {
        for (int j = 0; j < size; ++j)
            rows[j] = source.RowAs<T>(std::clamp(y - radius + j, 0, height - 1));
        for (int x = -radius; x <= radius; ++x)
            for (const T* row : rows)
                window.Add(row[offset(x)]);
        T* out = destination.RowAs<T>(y);
        for (int x = 0;; ++x) {
            out[x * channels + channel] = static_cast<T>(window.Median());
            if (x == width - 1)
                break;
            const int leaving = offset(x - radius);
            const int entering = offset(x + radius + 1);
            for (const T* row : rows) {
                window.Remove(row[leaving]);
                window.Add(row[entering]);
            }
        }
        for (int x = width - 1 - radius; x <= width - 1 + radius; ++x)
            for (const T* row : rows)
                window.Remove(row[offset(x)]);
    }
}

template <typename T> void Median(const IplImage& source, IplImage& destination, int size) {
    if (source.Channels() == 1) {
        MedianOfChannel<T, 1>(source, destination, size, 0);
        return;
    }
    for (int channel = 0; channel < source.Channels(); ++channel)
        MedianOfChannel<T, 0>(source, destination, size, channel);
}

// ----------------------------------------------------------- convolution

// Sums are kept in blocks of Lanes ints, a count the compiler turns into
// vector operations; buffers are rounded up to whole blocks.
constexpr std::size_t Lanes = 8;

std::size_t WholeBlocks(std::size_t count) { return (count + Lanes - 1) / Lanes * Lanes; }

void MultiplyAdd(int* __restrict sum, const int* __restrict in, int weight, std::size_t count) {
    for (std::size_t n = 0; n < count; n += Lanes)
        for (std::size_t k = 0; k < Lanes; ++k)
            sum[n + k] += weight * in[n + k];
}

// The source rows under a kernel, each widened by the kernel's reach on
// both sides (the edge pixels repeated) as int, with room for a last whole
// block. As the kernel moves down a row, one new row is widened; the others
// are kept in a ring of kernel-height slots.
template <typename T> class PaddedRows {
public:
    PaddedRows(const IplImage& source, const TIplConvKernel& kernel)
        : source_(source), kernel_(kernel), slots_(static_cast<std::size_t>(kernel.Rows)),
          rowOfSlot_(slots_.size(), std::numeric_limits<int>::min()) {
        const auto padded = static_cast<std::size_t>((source.Width() + kernel.Columns - 1) * source.Channels());
        for (std::vector<int>& slot : slots_)
            slot.resize(padded + Lanes);
    }

    // Kernel row j laid over output row y.
    const int* Row(int y, int j) {
        const int row = y - kernel_.AnchorY + j;  // before clamping: each slot holds one
        const auto slot = static_cast<std::size_t>(((row % kernel_.Rows) + kernel_.Rows) % kernel_.Rows);
        if (rowOfSlot_[slot] != row) {
            Fill(source_.RowAs<T>(std::clamp(row, 0, source_.Height() - 1)), slots_[slot].data());
            rowOfSlot_[slot] = row;
        }
        return slots_[slot].data();
    }

private:
    void Fill(const T* row, int* out) const {
        const int channels = source_.Channels();
        for (int p = 0; p < kernel_.AnchorX; ++p)
            out = std::copy(row, row + channels, out);
        out = std::copy(row, row + source_.Width() * channels, out);
        const T* last = row + (source_.Width() - 1) * channels;
        for (int p = kernel_.AnchorX + 1; p < kernel_.Columns; ++p)
            out = std::copy(last, last + channels, out);
    }

    const IplImage& source_;
    const TIplConvKernel& kernel_;
    std::vector<std::vector<int>> slots_;
    std::vector<int> rowOfSlot_;
};

template <typename TIn>
void ConvolveRow(int y, const TIplConvKernel& kernel, int channels, PaddedRows<TIn>& rows,
                 std::vector<int>& sums) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int j = 0; j < kernel.Rows; ++j) {
        const int* padded = rows.Row(y, j);
        for (int i = 0; i < kernel.Columns; ++i) {
            const int weight = kernel.Values[static_cast<std::size_t>(j) * kernel.Columns + i];
            if (weight != 0)
                MultiplyAdd(sums.data(), padded + i * channels, weight, sums.size());
        }
    }
}

template <typename TOut, typename TSum>
void StoreSaturated(const std::vector<TSum>& sums, std::size_t count, int shift, TOut* out) {
    for (std::size_t n = 0; n < count; ++n)
        out[n] = static_cast<TOut>(std::clamp<TSum>(sums[n] >> shift, 0, MaxSample<TOut>()));
}

template <typename TIn, typename TOut>
void Convolve(const IplImage& source, IplImage& destination,
              const std::vector<TIplConvKernel>& kernels) {
    const int channels = source.Channels();
    const auto samples = static_cast<std::size_t>(source.Width()) * channels;
    std::vector<PaddedRows<TIn>> rows;
    for (const TIplConvKernel& kernel : kernels)
        rows.emplace_back(source, kernel);
    std::vector<int> sums(WholeBlocks(samples));
    std::vector<int64_t> total(kernels.size() > 1 ? samples : 0);
    for (int y = 0; y < source.Height(); ++y) {
        TOut* out = destination.RowAs<TOut>(y);
        if (kernels.size() == 1) {
            ConvolveRow(y, kernels[0], channels, rows[0], sums);
            StoreSaturated(sums, samples, kernels[0].Shift, out);
            continue;
        }
        std::fill(total.begin(), total.end(), 0);
        for (std::size_t k = 0; k < kernels.size(); ++k) {
            ConvolveRow(y, kernels[k], channels, rows[k], sums);
            for (std::size_t n = 0; n < samples; ++n)
                total[n] += sums[n] >> kernels[k].Shift;
        }
        StoreSaturated(total, samples, 0, out);
    }
}

template <typename TIn>
void ConvolveFrom(const IplImage& source, IplImage& destination,
                  const std::vector<TIplConvKernel>& kernels) {
    if (destination.Depth() == IplDepth::U16)
        Convolve<TIn, uint16_t>(source, destination, kernels);
    else
        Convolve<TIn, uint8_t>(source, destination, kernels);
}

}  // namespace

void iplMedianFilter(const IplImage& source, IplImage& destination, int size) {
    CheckSizes(source, destination);
    if (source.Depth() != destination.Depth())
        throw EIplError("Median filter between images of different depth");
    if (size < 1 || size % 2 == 0 || size > SlidingMedian::LargestWindow)
        throw EIplError(Format("Median window must be odd and at most %d, not %d",
                               SlidingMedian::LargestWindow, size));
    FilterApart(source, destination, [size](const IplImage& in, IplImage& out) {
        if (in.Depth() == IplDepth::U16)
            Median<uint16_t>(in, out, size);
        else
            Median<uint8_t>(in, out, size);
    });
}

void iplConvolve2D(const IplImage& source, IplImage& destination,
                   const std::vector<TIplConvKernel>& kernels) {
    CheckSizes(source, destination);
    if (kernels.empty())
        throw EIplError("Convolution needs a kernel");
    for (const TIplConvKernel& kernel : kernels)
        iplCheckConvKernel(kernel);
    FilterApart(source, destination, [&kernels](const IplImage& in, IplImage& out) {
        if (in.Depth() == IplDepth::U16)
            ConvolveFrom<uint16_t>(in, out, kernels);
        else
            ConvolveFrom<uint8_t>(in, out, kernels);
    });
}

void iplConvolve2D(const IplImage& source, IplImage& destination, const TIplConvKernel& kernel) {
    iplConvolve2D(source, destination, std::vector<TIplConvKernel>{kernel});
}

}  // namespace kestrune
