#include "platform/Ipl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace kestrune {
namespace {

template <typename T>
IplImage MakeImage(int width, int height, int channels, const std::vector<int>& samples) {
    const IplDepth depth = sizeof(T) == 1 ? IplDepth::U8 : IplDepth::U16;
    IplImage image = IplImage::Allocate(width, height, channels, depth);
    std::size_t k = 0;
    for (int y = 0; y < height; ++y)
        for (int s = 0; s < width * channels; ++s)
            image.RowAs<T>(y)[s] = static_cast<T>(samples[k++]);
    return image;
}

template <typename T> std::vector<int> Samples(const IplImage& image) {
    std::vector<int> samples;
    for (int y = 0; y < image.Height(); ++y)
        for (int s = 0; s < image.Width() * image.Channels(); ++s)
            samples.push_back(image.RowAs<T>(y)[s]);
    return samples;
}

template <typename T>
IplImage RandomImage(int width, int height, int channels, int maximum, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(0, maximum);
    std::vector<int> samples(static_cast<std::size_t>(width) * height * channels);
    for (int& s : samples)
        s = value(random);
    return MakeImage<T>(width, height, channels, samples);
}

// One-row resampling of 8-bit grey samples.
std::vector<int> ResampleRow(const std::vector<int>& row, int newWidth, IplInterpolation method) {
    const IplImage source = MakeImage<uint8_t>(static_cast<int>(row.size()), 1, 1, row);
    IplImage destination = IplImage::Allocate(newWidth, 1, 1, IplDepth::U8);
    if (newWidth >= static_cast<int>(row.size()))
        iplZoom(source, destination, method);
    else
        iplDecimate(source, destination, method);
    return Samples<uint8_t>(destination);
}

TEST(IplResample, EachInterpolationOnOneRow) {
    struct TCase {
        std::vector<int> row;
        int width;
        IplInterpolation method;
        std::vector<int> expected;
    };
    const TCase cases[] = {
        {{10, 20}, 4, IplInterpolation::Nearest, {10, 10, 20, 20}},     // repeats
        {{10, 20, 30, 50}, 2, IplInterpolation::Nearest, {20, 50}},     // picks centres
        {{0, 100}, 4, IplInterpolation::Linear, {0, 25, 75, 100}},      // the two nearest centres
        {{0, 100}, 4, IplInterpolation::Cubic, {0, 20, 80, 107}},       // Catmull-Rom, may overshoot
        {{10, 20, 30, 50}, 2, IplInterpolation::SuperSample, {15, 40}}, // covered areas averaged
        {{10, 10, 30}, 2, IplInterpolation::SuperSample, {10, 23}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ResampleRow(c.row, c.width, c.method), c.expected) << static_cast<int>(c.method);
}

template <typename T> std::vector<int> BruteForceMedian(const IplImage& image, int size) {
    const int radius = size / 2;
    const int channels = image.Channels();
    std::vector<int> result;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            for (int c = 0; c < channels; ++c) {
                std::vector<int> window;
                for (int j = -radius; j <= radius; ++j)
                    for (int i = -radius; i <= radius; ++i) {
                        const int yy = std::clamp(y + j, 0, image.Height() - 1);
                        const int xx = std::clamp(x + i, 0, image.Width() - 1);
                        window.push_back(image.RowAs<T>(yy)[xx * channels + c]);
                    }
                std::nth_element(window.begin(), window.begin() + window.size() / 2, window.end());
                result.push_back(window[window.size() / 2]);
            }
    return result;
}

template <typename T> void ExpectMedianMatchesBruteForce(const IplImage& source, int size) {
    IplImage destination = IplImage::Allocate(source.Width(), source.Height(), source.Channels(),
                                              source.Depth());
    iplMedianFilter(source, destination, size);
    EXPECT_EQ(Samples<T>(destination), BruteForceMedian<T>(source, size))
        << source.Width() << " x " << source.Height() << " window " << size;
}

TEST(IplMedian, EqualsBruteForceOnRandomImages) {
    unsigned seed = 10;
    for (const int size : {1, 3, 5, 7})
        for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {2, 3}, {17, 11}, {40, 23}}) {
            ExpectMedianMatchesBruteForce<uint8_t>(RandomImage<uint8_t>(width, height, 1, 255, ++seed), size);
            ExpectMedianMatchesBruteForce<uint16_t>(RandomImage<uint16_t>(width, height, 1, 1023, ++seed), size);
        }
}

TEST(IplConvolve, CrispenKeepsFlatAreasAndSharpensAPeak) {
    std::vector<int> samples(5 * 5, 512);
    samples[2 * 5 + 2] = 576;
    const IplImage source = MakeImage<uint16_t>(5, 5, 1, samples);
    IplImage destination = IplImage::Allocate(5, 5, 1, IplDepth::U16);
    iplConvolve2D(source, destination, CrispenKernel());
    EXPECT_EQ(destination.RowAs<uint16_t>(2)[2], 608);  // (32 * 512 + 48 * 64) >> 5
    EXPECT_EQ(destination.RowAs<uint16_t>(2)[1], 506);  // (32 * 512 - 3 * 64) >> 5
    EXPECT_EQ(destination.RowAs<uint16_t>(1)[1], 510);  // (32 * 512 - 64) >> 5
    EXPECT_EQ(destination.RowAs<uint16_t>(0)[0], 512);
    EXPECT_EQ(destination.RowAs<uint16_t>(4)[4], 512);
}

TEST(IplConvolve, BoxSumRepeatsEdgesAndHonoursTheAnchor) {
    const IplImage row = MakeImage<uint16_t>(4, 1, 1, {1, 2, 3, 4});
    IplImage sums = IplImage::Allocate(4, 1, 1, IplDepth::U16);
    iplConvolve2D(row, sums, iplCreateConvKernel(3, 1, 1, 0, {1, 1, 1}, 0));
    EXPECT_EQ(Samples<uint16_t>(sums), (std::vector<int>{4, 6, 9, 11}));
    // The kernel is laid over the pixels as written: weight 1 at column 0
    // with the anchor at column 1 takes the left neighbour.
    iplConvolve2D(row, sums, iplCreateConvKernel(2, 1, 1, 0, {1, 0}, 0));
    EXPECT_EQ(Samples<uint16_t>(sums), (std::vector<int>{1, 1, 2, 3}));
    // A vertical kernel over a column.
    const IplImage column = MakeImage<uint8_t>(1, 3, 1, {10, 20, 40});
    IplImage out = IplImage::Allocate(1, 3, 1, IplDepth::U8);
    iplConvolve2D(column, out, iplCreateConvKernel(1, 3, 0, 1, {1, 2, 1}, 2));
    EXPECT_EQ(Samples<uint8_t>(out), (std::vector<int>{12, 22, 35}));
}

}  // namespace
}  // namespace kestrune
