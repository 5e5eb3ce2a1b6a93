// Median filter and integer convolution. Rows and columns beyond the image
// repeat its edge pixels, so every output pixel has a full neighbourhood.
#include "platform/Ipl.h"

#include <algorithm>
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

// Histogram of the values in a sliding window, with the running median:
// `median` is the value at rank `rank` of the window sorted ascending, and
// `below` counts the window's values smaller than it. A coarse histogram of
// 32-value blocks lets the median cross empty stretches quickly.
class SlidingMedian {
public:
    SlidingMedian(int values, int rank)
        : fine_(static_cast<std::size_t>((values + BlockSize - 1) / BlockSize * BlockSize), 0),
          coarse_(fine_.size() / BlockSize, 0), rank_(rank) {}

    void Add(int value) {
        ++fine_[value];
        ++coarse_[value >> BlockShift];
        below_ += value < median_;
    }
    void Remove(int value) {
        --fine_[value];
        --coarse_[value >> BlockShift];
        below_ -= value < median_;
    }
    int Median() {
        while (below_ + fine_[median_] <= rank_)
            StepUp();
        while (below_ > rank_)
            StepDown();
        return median_;
    }

private:
    static constexpr int BlockShift = 5;
    static constexpr int BlockSize = 1 << BlockShift;

    void StepUp() {
        const int block = median_ >> BlockShift;
        if ((median_ & (BlockSize - 1)) == 0 && below_ + coarse_[block] <= rank_) {
            below_ += coarse_[block];
            median_ += BlockSize;
        } else {
            below_ += fine_[median_];
            ++median_;
        }
    }
    void StepDown() {
        const int block = (median_ >> BlockShift) - 1;
        if ((median_ & (BlockSize - 1)) == 0 && below_ - coarse_[block] > rank_) {
            below_ -= coarse_[block];
            median_ -= BlockSize;
        } else {
            --median_;
            below_ -= fine_[median_];
        }
    }

    std::vector<int> fine_;
    std::vector<int> coarse_;
    int rank_;
    int median_ = 0;
    int below_ = 0;
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

template <typename T>
void MedianOfChannel(const IplImage& source, IplImage& destination, int size, int channel) {
    const int width = source.Width();
    const int height = source.Height();
    const int channels = source.Channels();
    const int radius = size / 2;
    const int values = sizeof(T) == 1 ? 256 : LargestSample<T>(source, channel) + 1;
    SlidingMedian window(values, size * size / 2);
    std::vector<const T*> rows(static_cast<std::size_t>(size));
    auto column = [&](int x, auto change) {
        const int offset = std::clamp(x, 0, width - 1) * channels + channel;
        for (const T* row : rows)
            change(row[offset]);
    };
    auto add = [&](int value) { window.Add(value); };
    auto remove = [&](int value) { window.Remove(value); };
    for (int y = 0; y < height; ++y) {
        for (int j = 0; j < size; ++j)
            rows[j] = source.RowAs<T>(std::clamp(y - radius + j, 0, height - 1));
        for (int x = -radius; x <= radius; ++x)
            column(x, add);
        T* out = destination.RowAs<T>(y);
        for (int x = 0;; ++x) {
            out[x * channels + channel] = static_cast<T>(window.Median());
            if (x == width - 1)
                break;
            column(x - radius, remove);
            column(x + radius + 1, add);
        }
        for (int x = width - 1 - radius; x <= width - 1 + radius; ++x)
            column(x, remove);
    }
}

template <typename T> void Median(const IplImage& source, IplImage& destination, int size) {
    for (int channel = 0; channel < source.Channels(); ++channel)
        MedianOfChannel<T>(source, destination, size, channel);
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

// One source row widened by the kernel's reach on each side (the edge
// pixels repeated), as int, with room for a last whole block.
template <typename T>
void FillPaddedRow(const T* row, int width, int channels, int before, int after,
                   std::vector<int>& padded) {
    padded.resize(static_cast<std::size_t>((width + before + after) * channels) + Lanes);
    int* out = padded.data();
    for (int p = 0; p < before; ++p)
        out = std::copy(row, row + channels, out);
    out = std::copy(row, row + width * channels, out);
    const T* last = row + (width - 1) * channels;
    for (int p = 0; p < after; ++p)
        out = std::copy(last, last + channels, out);
}

template <typename TIn>
void ConvolveRow(const IplImage& source, int y, const TIplConvKernel& kernel,
                 std::vector<int>& padded, std::vector<int>& sums) {
    const int width = source.Width();
    const int channels = source.Channels();
    std::fill(sums.begin(), sums.end(), 0);
    for (int j = 0; j < kernel.Rows; ++j) {
        const int sourceRow = std::clamp(y - kernel.AnchorY + j, 0, source.Height() - 1);
        FillPaddedRow(source.RowAs<TIn>(sourceRow), width, channels, kernel.AnchorX,
                      kernel.Columns - 1 - kernel.AnchorX, padded);
        for (int i = 0; i < kernel.Columns; ++i) {
            const int weight = kernel.Values[static_cast<std::size_t>(j) * kernel.Columns + i];
            if (weight != 0)
                MultiplyAdd(sums.data(), padded.data() + i * channels, weight, sums.size());
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
    const auto samples = static_cast<std::size_t>(source.Width()) * source.Channels();
    std::vector<int> padded;
    std::vector<int> sums(WholeBlocks(samples));
    std::vector<int64_t> total(kernels.size() > 1 ? samples : 0);
    for (int y = 0; y < source.Height(); ++y) {
        TOut* out = destination.RowAs<TOut>(y);
        if (kernels.size() == 1) {
            ConvolveRow<TIn>(source, y, kernels[0], padded, sums);
            StoreSaturated(sums, samples, kernels[0].Shift, out);
            continue;
        }
        std::fill(total.begin(), total.end(), 0);
        for (const TIplConvKernel& kernel : kernels) {
            ConvolveRow<TIn>(source, y, kernel, padded, sums);
            for (std::size_t n = 0; n < samples; ++n)
                total[n] += sums[n] >> kernel.Shift;
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
    if (size < 1 || size % 2 == 0)
        throw EIplError(Format("Median window must be odd, not %d", size));
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
