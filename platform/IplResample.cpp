// Zoom and decimation. Both are one separable resampler: each destination
// row is a weighted sum of source rows (vertical pass into a float row),
// and each destination pixel a weighted sum of that row's pixels
// (horizontal pass). The weights of every destination column and row are
// computed once per call. Pixel centres are aligned: destination pixel x
// covers source positions x * s .. (x + 1) * s with s = source / destination.
#include "platform/Ipl.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

// Source taps of every destination position along one axis.
struct Taps {
    std::vector<int> first;  // destination i uses taps first[i] .. first[i + 1] - 1
    std::vector<int> index;  // source position, clamped into the image
    std::vector<float> weight;

    int Begin(int i) const { return first[i]; }
    int End(int i) const { return first[i + 1]; }
};

class TapBuilder {
public:
    TapBuilder(int sourceSize, int destinationSize) : sourceSize_(sourceSize) {
        taps_.first.reserve(static_cast<std::size_t>(destinationSize) + 1);
        taps_.first.push_back(0);
    }
    void Add(int index, double weight) {
        if (weight == 0.0)
            return;
        taps_.index.push_back(std::clamp(index, 0, sourceSize_ - 1));
        taps_.weight.push_back(static_cast<float>(weight));
    }
    void EndPosition() { taps_.first.push_back(static_cast<int>(taps_.index.size())); }
    Taps Take() { return std::move(taps_); }

private:
    int sourceSize_;
    Taps taps_;
};

// Catmull-Rom weights of the four samples around a position t (0..1) past
// the second one.
void CubicWeights(double t, double w[4]) {
    w[0] = ((-0.5 * t + 1.0) * t - 0.5) * t;
    w[1] = (1.5 * t - 2.5) * t * t + 1.0;
    w[2] = ((-1.5 * t + 2.0) * t + 0.5) * t;
    w[3] = (0.5 * t - 0.5) * t * t;
}

void AddNearest(TapBuilder& builder, int i, double scale, int sourceSize) {
    const int source = static_cast<int>((i + 0.5) * scale);
    builder.Add(std::min(source, sourceSize - 1), 1.0);
}

void AddLinear(TapBuilder& builder, int i, double scale) {
    const double centre = (i + 0.5) * scale - 0.5;
    const double base = std::floor(centre);
    const double t = centre - base;
    builder.Add(static_cast<int>(base), 1.0 - t);
    builder.Add(static_cast<int>(base) + 1, t);
}

void AddCubic(TapBuilder& builder, int i, double scale) {
    const double centre = (i + 0.5) * scale - 0.5;
    const double base = std::floor(centre);
    double w[4];
    CubicWeights(centre - base, w);
    for (int k = 0; k < 4; ++k)
        builder.Add(static_cast<int>(base) - 1 + k, w[k]);
}

// Area average: each source pixel counts by how much of it the destination
// pixel covers.
void AddSuperSample(TapBuilder& builder, int i, double scale) {
    const double low = i * scale;
    const double high = (i + 1) * scale;
    for (int k = static_cast<int>(std::floor(low)); k < high; ++k) {
        const double overlap = std::min(high, k + 1.0) - std::max(low, static_cast<double>(k));
        builder.Add(k, overlap / scale);
    }
}

Taps BuildTaps(int sourceSize, int destinationSize, IplInterpolation method) {
    if (method < IplInterpolation::Nearest || method > IplInterpolation::SuperSample)
        throw EIplError(Format("Unknown interpolation %d", static_cast<int>(method)));
    const double scale = static_cast<double>(sourceSize) / destinationSize;
    TapBuilder builder(sourceSize, destinationSize);
    for (int i = 0; i < destinationSize; ++i) {
        if (sourceSize == destinationSize) {
            builder.Add(i, 1.0);
        } else {
            switch (method) {
            case IplInterpolation::Nearest: AddNearest(builder, i, scale, sourceSize); break;
            case IplInterpolation::Linear: AddLinear(builder, i, scale); break;
            case IplInterpolation::Cubic: AddCubic(builder, i, scale); break;
            case IplInterpolation::SuperSample: AddSuperSample(builder, i, scale); break;
            }
        }
        builder.EndPosition();
    }
    return builder.Take();
}

template <typename T>
void Resample(const IplImage& source, IplImage& destination, IplInterpolation method) {
    const int channels = source.Channels();
    const Taps columns = BuildTaps(source.Width(), destination.Width(), method);
    const Taps rows = BuildTaps(source.Height(), destination.Height(), method);
    const std::size_t sourceSamples = static_cast<std::size_t>(source.Width()) * channels;
    const float maximum = static_cast<float>((1 << (8 * sizeof(T))) - 1);
    std::vector<float> line(sourceSamples);
    for (int y = 0; y < destination.Height(); ++y) {
        std::fill(line.begin(), line.end(), 0.0f);
        for (int t = rows.Begin(y); t < rows.End(y); ++t) {
            const T* in = source.RowAs<T>(rows.index[t]);
            const float w = rows.weight[t];
            for (std::size_t s = 0; s < sourceSamples; ++s)
                line[s] += w * static_cast<float>(in[s]);
        }
        T* out = destination.RowAs<T>(y);
        for (int x = 0; x < destination.Width(); ++x) {
            for (int c = 0; c < channels; ++c) {
                float sum = 0.0f;
                for (int t = columns.Begin(x); t < columns.End(x); ++t)
                    sum += columns.weight[t] * line[static_cast<std::size_t>(columns.index[t]) * channels + c];
                out[x * channels + c] = static_cast<T>(std::clamp(sum, 0.0f, maximum) + 0.5f);
            }
        }
    }
}

enum class Direction { Enlarge, Reduce };

void ResampleChecked(const IplImage& source, IplImage& destination, IplInterpolation method,
                     Direction direction) {
    if (source.Empty() || destination.Empty())
        throw EIplError("Resampling needs a source and a destination with pixels");
    if (source.Channels() != destination.Channels() || source.Depth() != destination.Depth())
        throw EIplError("Resampling between images of different channels or depth");
    const bool enlarges = destination.Width() >= source.Width() &&
                          destination.Height() >= source.Height();
    const bool reduces = destination.Width() <= source.Width() &&
                         destination.Height() <= source.Height();
    if (direction == Direction::Enlarge && !enlarges)
        throw EIplError("Zoom cannot reduce an image");
    if (direction == Direction::Reduce && !reduces)
        throw EIplError("Decimation cannot enlarge an image");
    if (source.Depth() == IplDepth::U16)
        Resample<uint16_t>(source, destination, method);
    else
        Resample<uint8_t>(source, destination, method);
}

}  // namespace

void iplZoom(const IplImage& source, IplImage& destination, IplInterpolation method) {
    ResampleChecked(source, destination, method, Direction::Enlarge);
}

void iplDecimate(const IplImage& source, IplImage& destination, IplInterpolation method) {
    ResampleChecked(source, destination, method, Direction::Reduce);
}

}  // namespace kestrune
