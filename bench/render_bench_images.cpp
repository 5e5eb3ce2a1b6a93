// Image machinery on a full 15-minute pass (2048 samples x 5400 lines):
// the fire background's median filter, the sharpening convolution, the
// scan-angle stretch and a JPEG save.
#include "platform/Ipl.h"
#include "render/BMPExtImage.h"
#include "render/IPLbitmap.h"
#include "render/JPEGwriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace kestrune {
namespace {

constexpr int PassWidth = 2048;
constexpr int PassLines = 5400;

// 10-bit counts: smooth scenery with sensor noise.
IplImage ChannelCounts() {
    IplImage image = IplImage::Allocate(PassWidth, PassLines, 1, IplDepth::U16);
    std::mt19937 random(3);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < PassLines; ++y) {
        uint16_t* row = image.RowAs<uint16_t>(y);
        for (int x = 0; x < PassWidth; ++x)
            row[x] = static_cast<uint16_t>(std::clamp(300 + (x * 3 + y) % 500 + noise(random), 0, 1023));
    }
    return image;
}

void FillPicture(TExtBitmap& bitmap) {
    std::mt19937 random(5);
    const int bytes = BytesPerPixel(bitmap.PixelFormat());
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            for (int c = 0; c < bytes; ++c)
                row[x * bytes + c] = static_cast<uint8_t>((x / 4 + y / 8 + c * 60 + random() % 16) & 0xFF);
    }
}

void MedianFilter(benchmark::State& state) {
    const IplImage source = ChannelCounts();
    IplImage destination = IplImage::Allocate(PassWidth, PassLines, 1, IplDepth::U16);
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        iplMedianFilter(source, destination, size);
        benchmark::DoNotOptimize(destination.Row(0));
    }
}
BENCHMARK(MedianFilter)->Arg(3)->Arg(5)->Arg(7)->Unit(benchmark::kMillisecond);

void Crispen(benchmark::State& state) {
    const IplImage source = ChannelCounts();
    TIplImg crisp;
    crisp.SetWidth(PassWidth);
    crisp.SetHeight(PassLines);
    const TIplConvKernel kernel = state.range(0) == 0 ? CrispenKernel() : CrispenMoreKernel();
    for (auto _ : state) {
        iplConvolve2D(source, crisp.Image(), kernel);
        benchmark::DoNotOptimize(crisp.ScanLine(0));
    }
}
BENCHMARK(Crispen)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The scan-angle correction's stretch of a 1568-column work image.
void InterpolateWorkImage(benchmark::State& state) {
    TExtBitmap work;
    work.SetSize(1568, PassLines);
    FillPicture(work);
    TExtBitmap bitmap;
    for (auto _ : state) {
        state.PauseTiming();
        bitmap.Assign(work);
        state.ResumeTiming();
        Interpolate(bitmap, PassWidth, PassLines, -1);
    }
}
BENCHMARK(InterpolateWorkImage)->Unit(benchmark::kMillisecond);

void SaveJpeg(benchmark::State& state) {
    TExtBitmap bitmap;
    bitmap.SetSize(PassWidth, PassLines);
    FillPicture(bitmap);
    const std::string file = TempFolderPath() + "kestrune-bench-save.jpg";
    for (auto _ : state)
        SaveBitmapAsJPEG(bitmap, file, 1);
    std::remove(file.c_str());
}
BENCHMARK(SaveJpeg)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrune
