// Reading a 15-minute pass (5,400 lines) from memory into the video store,
// with the telemetry of every line: the decoding part of a load.
#include "decoding/HRPTvideo.h"
#include "decoding/ReadChannels.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "tests/support/HrptFrameWriter.h"

#include <benchmark/benchmark.h>

namespace kestrune {
namespace {

constexpr int32_t PassLines = 5400;

std::vector<uint8_t> Pass(test::TWordPacking packing, int32_t recordSize) {
    return test::BuildPass({}, PassLines, packing, static_cast<size_t>(recordSize));
}

void ReadPass(benchmark::State& state, uint8_t formatCode, int32_t recordSize, test::TWordPacking packing) {
    const std::vector<uint8_t> file = Pass(packing, recordSize);
    THRPTvideo video;
    TEarthLocations locations;
    TTelemetryData telemetry;
    std::vector<std::string> lines;
    // The argument: lines a task (0: line by line on one thread).
    TReadPassOptions options{.Format = {.FormatCode = formatCode, .RecordSize = recordSize},
                             .LinesPerTask = static_cast<int32_t>(state.range(0))};
    for (int c = 1; c <= 5; ++c)
        options.ChannelAvailable[static_cast<size_t>(c)] = options.ChannelSelected[static_cast<size_t>(c)] = true;
    video.PrefaultOnThread = options.LinesPerTask == 0;  // as the loader
    for (auto _ : state) {
        video.SetLineCount(0);  // as the loader: release first, allocate once
        video.SetSlotCount(video.AssignSlots(options.ChannelSelected));
        video.SetWidth(2048);
        video.SetLineCount(PassLines);
        locations.SetLineCount(PassLines);
        telemetry.Reset(formatCode, 0, 0, PassLines, &lines);
        TInputFile input(file.data(), static_cast<int64_t>(file.size()));
        const TReadPassResult result =
            ReadPassChannels(options, input, MappedRecordReader(file.data(), static_cast<int64_t>(file.size()), 0, recordSize),
                             video, &locations, telemetry, &lines, {});
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(video.SampleAddress(5, PassLines - 1)[2047]);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
}

void BM_ReadPass16BitHrpt(benchmark::State& state) { ReadPass(state, 26, 22180, test::TWordPacking::BigEndian16); }
void BM_ReadPass10BitHrpt(benchmark::State& state) { ReadPass(state, 21, 13864, test::TWordPacking::Packed10MsbFirst); }

BENCHMARK(BM_ReadPass16BitHrpt)->Arg(0)->Arg(16)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ReadPass10BitHrpt)->Arg(0)->Arg(16)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace kestrune
