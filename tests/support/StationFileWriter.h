// Whole input files of the station formats that are not plain HRPT frame
// dumps: Timestep (Windows, DOS, DOS 8-bit), SSB/Orbit, 8-bit raw, CHRPT
// frames of ten channels, 16-bit SeaWiFS, Dartcom, GTI, Quorum, SmartView
// and SPOT. Each is built from the samples of a pass description, so that a test can
// tell every stored sample from what the writer put there.
#pragma once

#include "tests/support/PassFileWriter.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrune::test {

// Video of a frame: channels interleaved from a first word.
struct TVideoLayout {
    int32_t FirstWord;
    int32_t Channels;
    int32_t Samples;     // per channel and line
    int32_t FrameWords;  // words of the whole frame
};
constexpr TVideoLayout HrptVideo = {750, 5, 2048, 11090};
constexpr TVideoLayout ChrptVideo = {1600, 10, 2048, 22180};
constexpr TVideoLayout SeaWifsVideo = {700, 8, 1280, 11090};

// A frame of the layout: sync, id, time code and telemetry words of the
// HRPT minor frame in front of the video, the video interleaved.
THrptFrame BuildLayoutFrame(const THrptPassSpec& passSpec, int32_t line, const TVideoLayout& layout);
// Frames of the layout, packed, each cut or padded to recordBytes (0: natural).
TBytes BuildLayoutPass(const THrptPassSpec& passSpec, int32_t lines, const TVideoLayout& layout, TWordPacking packing,
                       size_t recordBytes = 0, int32_t skipWords = 0);

// What a load stores at (line, sample) of a channel for a pass of width
// samples a line; 8-bit formats keep the top eight bits only.
uint16_t StoredLayoutSample(const THrptPassSpec& passSpec, int32_t lines, bool northbound, int32_t storeLine,
                            int channel, int32_t storeSample, int32_t width, bool eightBit = false);

// The 2,048-byte Timestep header.
struct TTimestepHeader {
    bool Descending = true;
    std::array<bool, 5> Channels = {true, true, true, true, true};
    bool Packed = true;              // Windows records 10-bit packed
    int Year = 2023, Month = 5, Day = 3, Hour = 12, Minute = 0, Second = 0, Millisecond = 0;
    uint16_t SatelliteWord = 18;
    std::string FengYun;             // "+FY1C", "+FY1D" or ""
};
enum class TTimestepKind { Windows, Dos, Dos8Bit };
constexpr size_t TimestepHeaderBytes = 2048;
TBytes TimestepHeader(const TTimestepHeader& header, TTimestepKind kind);
// The header, then records: Windows packed 13,868 bytes (FengYun 27,728, ten
// channels), unpacked 22,180; DOS (channels + 1) x 2,560 bytes of 10-bit
// channels and the frame's words 6..749; DOS 8-bit (channels + 1) x 2,048.
TBytes BuildTimestepFile(const THrptPassSpec& passSpec, int32_t lines, const TTimestepHeader& header,
                         TTimestepKind kind);

// SSB/Orbit: 13,590-byte records of 10-bit words, two words before the
// minor frame's first 630 words, then the five channels one after another.
constexpr size_t SsbRecordBytes = 13590;
TBytes BuildSsbFile(const THrptPassSpec& passSpec, int32_t lines);

// 8-bit raw lines: channels side by side, sample i of channel c at byte channels x i + c.
TBytes BuildEightBitFile(const THrptPassSpec& passSpec, int32_t lines, int32_t channels);

// Dartcom: frames without their first five words (22,016 or 44,150 bytes).
TBytes BuildDartcomFile(const THrptPassSpec& passSpec, int32_t lines, bool chrpt);
// GTI: a 52-byte file header, then 22,180-byte little-endian frames.
constexpr size_t GtiHeaderBytes = 52;
TBytes BuildGtiFile(const THrptPassSpec& passSpec, int32_t lines);
// Quorum: a header frame (satellite name and element lines as 16-bit texts),
// a frame with the seconds since 1970 in words 3 and 4, then the frames;
// FengYun recordings have frames of 44,360 bytes.
TBytes BuildQuorumFile(const THrptPassSpec& passSpec, int32_t lines, bool fengYun, const std::string& satellite,
                       const TElementLines& elements, int64_t unixSeconds);
// FengYun ".wsd": a 1,024-byte header with the element lines at 80 and 150,
// then CHRPT frames of 10-bit words packed least significant bit first, 27,725 bytes each.
TBytes BuildFengYunWsdFile(const THrptPassSpec& passSpec, int32_t lines, const TElementLines& elements);
// SmartView: one 22,180-byte record of "HRPT20..." text, then the frames.
TBytes BuildSmartViewFile(const THrptPassSpec& passSpec, int32_t lines);

// SPOT: records of 416 header bytes (seconds since 1970 big-endian at 0,
// microseconds at 4) and five 1,728-sample channels packed 10-bit with the
// bits of every byte reversed. Level 0 records take 11,216 bytes, Fi5 11,264.
TBytes BuildSpotFile(const THrptPassSpec& passSpec, int32_t lines, bool fi5, int64_t unixSeconds);

}  // namespace kestrune::test
