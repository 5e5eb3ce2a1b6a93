// The frames read on one thread while the lines read so far are taken into
// the store on all processors: the store, the line flags, the time codes and
// the telemetry must come out as when every line is read and taken in turn.
#include "decoding/HRPTvideo.h"
#include "decoding/ReadChannels.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "platform/ParallelLines.h"
#include "tests/support/HrptFrameWriter.h"
#include "tests/support/Level1bWriter.h"
#include "tests/support/MeteorFileWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace kestrune {
namespace {

using test::THrptPassSpec;
using test::TWordPacking;

// Counts that jump about, so that despeckling mends some samples and a wrong neighbour frame shows.
uint16_t Speckled(int32_t line, int channel, int32_t sample) {
    uint32_t h = static_cast<uint32_t>(line) * 2654435761u ^ static_cast<uint32_t>(channel * 40503 + sample * 97);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<uint16_t>(h % 16 == 0 ? 1000 : h & 511);  // dark, with bright spikes
}

struct TPassFile {
    const char* Name;
    std::vector<uint8_t> Bytes;
    TFrameFormat Format;
    int64_t DataStart = 0;
    int32_t Lines = 0;
    int Channels = 5;
};

// Everything one read leaves behind.
struct TReadOutcome {
    TReadPassResult Result = TReadPassResult::Completed;
    std::vector<uint16_t> Samples;
    std::vector<uint8_t> LineFlags;
    std::vector<uint8_t> Locations;
    std::vector<TDateTime> LineTimes;
    uint8_t LocationFlags = 0;
    std::vector<std::string> Diagnostics;
    int32_t Frames = 0, GoodSyncs = 0, Lines3A = 0, Lines3B = 0;
    std::vector<int32_t> Progress;
};

TReadOutcome ReadPass(const TPassFile& pass, int32_t linesPerTask, int32_t stopAt = -1) {
    TReadPassOptions options{.Format = pass.Format, .LinesPerTask = linesPerTask};
    for (int c = 1; c <= pass.Channels; ++c) options.ChannelAvailable[static_cast<size_t>(c)] = true;
    for (int c = 1; c <= pass.Channels; ++c) options.ChannelSelected[static_cast<size_t>(c)] = c != 2;
    THRPTvideo video;
    TChannelFlags present = options.ChannelSelected;
    video.SetSlotCount(video.AssignSlots(present));
    video.SetWidth(pass.Format.Width);
    video.SetLineCount(pass.Lines);
    TEarthLocations locations;
    locations.SetLineCount(pass.Lines);
    TTelemetryData telemetry;
    TReadOutcome out;
    telemetry.Reset(pass.Format.FormatCode, pass.Format.SensorKind, 0, pass.Lines, &out.Diagnostics);
    bool stop = false;
    const std::thread::id caller = std::this_thread::get_id();
    const TReadPassProgress progress{[&](int32_t line) {
                                         out.Progress.push_back(line);
                                         // Shown on the calling thread: the one events run on.
                                         EXPECT_EQ(std::this_thread::get_id(), caller);
                                         stop = line == stopAt;
                                     },
                                     &stop};
    TInputFile input(pass.Bytes.data(), static_cast<int64_t>(pass.Bytes.size()), pass.DataStart);
    out.Result = ReadPassChannels(options, input,
                                  MappedRecordReader(pass.Bytes.data(), static_cast<int64_t>(pass.Bytes.size()),
                                                     pass.DataStart, pass.Format.RecordSize),
                                  video, &locations, telemetry, &out.Diagnostics, progress);
    for (int32_t l = 0; l < pass.Lines; ++l) {
        for (int c = 1; c <= pass.Channels; ++c)
            if (const uint16_t* line = video.SampleAddress(c, l)) out.Samples.insert(out.Samples.end(), line, line + video.Width());
        out.LineFlags.push_back(video.GetLineFlag(l));
        const uint8_t* bytes = locations.LineLocations(l)->Bytes();
        out.Locations.insert(out.Locations.end(), bytes, bytes + sizeof(TScanLineLocations));
        out.LineTimes.push_back(locations.LineTimes(l));
    }
    out.LocationFlags = locations.LocationFlags;
    out.Frames = telemetry.FrameCount;
    out.GoodSyncs = telemetry.GoodSyncCount;
    out.Lines3A = telemetry.Channel3ALines;
    out.Lines3B = telemetry.Channel3BLines;
    return out;
}

// Index of the first difference, or -1.
template <typename T>
int64_t FirstDifference(const std::vector<T>& a, const std::vector<T>& b) {
    if (a.size() != b.size()) return static_cast<int64_t>(std::min(a.size(), b.size()));
    const auto [left, right] = std::mismatch(a.begin(), a.end(), b.begin());
    return left == a.end() ? -1 : left - a.begin();
}

void ExpectSameOutcome(const TReadOutcome& expected, const TReadOutcome& actual) {
    EXPECT_EQ(actual.Result, expected.Result);
    EXPECT_EQ(FirstDifference(expected.Samples, actual.Samples), -1) << "of " << expected.Samples.size() << " samples";
    EXPECT_EQ(actual.LineFlags, expected.LineFlags);
    EXPECT_EQ(FirstDifference(expected.Locations, actual.Locations), -1) << "time codes and locations";
    EXPECT_EQ(actual.LineTimes, expected.LineTimes);
    EXPECT_EQ(actual.LocationFlags, expected.LocationFlags);
    EXPECT_EQ(actual.Diagnostics, expected.Diagnostics);
    EXPECT_EQ(actual.Frames, expected.Frames);
    EXPECT_EQ(actual.GoodSyncs, expected.GoodSyncs);
    EXPECT_EQ(actual.Lines3A, expected.Lines3A);
    EXPECT_EQ(actual.Lines3B, expected.Lines3B);
    EXPECT_EQ(actual.Progress, expected.Progress);
}

THrptPassSpec SpeckledPass() {
    THrptPassSpec passSpec;
    passSpec.SpacecraftId = 7;  // NOAA-15
    passSpec.Samples = Speckled;
    passSpec.Channel3AOnLine = [](int32_t line) { return line % 20 < 7; };
    return passSpec;
}

TPassFile Hrpt16(const char* name, int32_t records, int32_t lines) {
    return {name, test::BuildPass(SpeckledPass(), records, TWordPacking::BigEndian16),
            {.FormatCode = 26, .RecordSize = 22180, .Width = 2048, .Despeckle = true}, 0, lines};
}

std::vector<TPassFile> Passes() {
    std::vector<TPassFile> passes;
    // 53 lines: no whole number of tasks, and many times round the ring of frames.
    passes.push_back(Hrpt16("2023-05-03-1200_NOAA15.raw16", 53, 53));
    TPassFile northbound = Hrpt16("2023-05-03-0712_NOAA15.raw16", 40, 40);
    northbound.Format.MirrorLines = true;
    passes.push_back(northbound);
    for (const int32_t lines : {1, 2, 3}) passes.push_back(Hrpt16("2023-05-03-1214_NOAA15.raw16", lines, lines));
    // The last record cut short, and a store of more lines than the file holds.
    TPassFile truncated = Hrpt16("2023-05-03-1221_NOAA15.raw16", 12, 15);
    truncated.Bytes.resize(11 * 22180 + 1001);
    passes.push_back(truncated);
    passes.push_back({"2023-05-03-1200_NOAA15.n10", test::BuildPass(SpeckledPass(), 41, TWordPacking::Packed10MsbFirst, 13864),
                      {.FormatCode = 21, .RecordSize = 13864, .Width = 2048, .Despeckle = true}, 0, 41});
    test::TL1BPassSpec level1b{.Frames = SpeckledPass(), .Records = 37, .ArchiveHeader = false};
    level1b.DataSetName = "NSS.HRPT.NK.D23123.S1200.E1210.B9012345.WI";
    const int32_t recordBytes = test::L1BRecordBytes(level1b);
    passes.push_back({"NSS.HRPT.NK.D23123.S1200.E1210.B9012345.WI", test::BuildL1BFile(level1b),
                      {.FormatCode = 7, .L1BSampleKind = 2, .RecordSize = recordBytes, .Width = 2048, .Despeckle = true},
                      recordBytes, 37});
    passes.push_back({"2023_05_03_12_00_METEOR-M2.msu2", test::BuildMsu2File(SpeckledPass(), {.Header = false}, 29),
                      {.FormatCode = 38, .SensorKind = 4, .RecordSize = static_cast<int32_t>(test::MsuMrBytes),
                       .ChannelCount = 6, .Width = test::MsuMrWidth, .MeteorPass = true},
                      0, 29, 6});
    return passes;
}

TEST(ReadInTasks, EveryFormatGivesWhatLineByLineReadingGives) {
    for (const TPassFile& pass : Passes()) {
        SCOPED_TRACE(pass.Name);
        const TReadOutcome lineByLine = ReadPass(pass, 0);
        for (const int32_t linesPerTask : {1, 3, 8}) {
            SCOPED_TRACE("lines a task: " + std::to_string(linesPerTask));
            ExpectSameOutcome(lineByLine, ReadPass(pass, linesPerTask));
        }
    }
}

// The passes above must be able to show a wrong neighbour frame: despeckling changes them.
TEST(ReadInTasks, TheSpeckledPassIsDespeckled) {
    TPassFile pass = Passes().front();
    const TReadOutcome despeckled = ReadPass(pass, 8);
    pass.Format.Despeckle = false;
    EXPECT_NE(FirstDifference(despeckled.Samples, ReadPass(pass, 8).Samples), -1);
}

// Stopped at line 200: every line before it is in the store, none from it on.
TEST(ReadInTasks, StopLeavesTheLinesBeforeIt) {
    const TPassFile pass = Hrpt16("2023-05-03-1200_NOAA15.raw16", 260, 260);
    const TReadOutcome lineByLine = ReadPass(pass, 0, 200);
    EXPECT_EQ(lineByLine.Result, TReadPassResult::Aborted);
    EXPECT_EQ(lineByLine.Progress, (std::vector<int32_t>{0, 100, 200}));
    for (const int32_t linesPerTask : {3, 8}) {
        SCOPED_TRACE("lines a task: " + std::to_string(linesPerTask));
        const TReadOutcome inTasks = ReadPass(pass, linesPerTask, 200);
        ExpectSameOutcome(lineByLine, inTasks);
        const size_t lineSamples = 4 * 2048;  // channels 1, 3, 4 and 5
        const auto line = [&](size_t l) { return inTasks.Samples.begin() + static_cast<ptrdiff_t>(l * lineSamples); };
        EXPECT_TRUE(std::any_of(line(199), line(200), [](uint16_t v) { return v != 0; }));
        EXPECT_TRUE(std::all_of(line(200), inTasks.Samples.end(), [](uint16_t v) { return v == 0; }));
    }
}

}  // namespace
}  // namespace kestrune
