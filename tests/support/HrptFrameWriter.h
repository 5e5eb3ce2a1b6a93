// Writes HRPT minor frames as a receiving station records them: the six
// sync words, the id word with the spacecraft id, the time code, telemetry
// with the blackbody thermometers, the blackbody and space views and five
// interleaved video channels, packed as 16-bit words in either byte order or
// as 10-bit groups. Tests build whole files by putting headers in front.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace kestrune::test {

constexpr int32_t MinorFrameWords = 11090;
constexpr int32_t VideoSamples = 2048;
constexpr int32_t FirstVideoWord = 750;
constexpr std::array<uint16_t, 6> HrptSyncWords = {644, 367, 860, 413, 527, 149};
constexpr int32_t PrtFirstWord = 17;        // three words of one thermometer
constexpr int32_t BlackbodyFirstWord = 22;  // 10 x (ch3, ch4, ch5)
constexpr int32_t SpaceFirstWord = 52;      // 10 x (ch1 .. ch5)

// Sample value of channel 1..5 at a sample of a line (10-bit).
using TSamplePattern = std::function<uint16_t(int32_t line, int channel, int32_t sample)>;
// A pattern that differs by line, channel and sample and covers all 10 bits.
uint16_t DefaultSample(int32_t line, int channel, int32_t sample);

struct THrptPassSpec {
    int32_t SpacecraftId = 13;                     // id bits 3..6 of word 6 (13: NOAA-18)
    bool Channel3A = false;                        // id word bit 0: 1 = 3A, 0 = 3B
    // Lines whose channel 3 is 3A, for a pass that switches (unset: Channel3A on every line).
    std::function<bool(int32_t line)> Channel3AOnLine;
    // On a 3A line channel 3's blackbody and space views see no heat: its
    // words there hold counts like a visible channel's space view.
    uint16_t Channel3AViewCount = 45;
    int32_t DayOfYear = 123;
    int32_t DaysInYear = 365;                      // of the year the pass starts in
    int64_t StartMilliseconds = 12 * 3600000LL;    // time of day of line 0
    int64_t ScanMicroseconds = 0;                  // line period; 0: six lines a second
    // Thermometers 1..4: frames cycle reference, PRT1, PRT2, PRT3, PRT4; the
    // reference frame carries words below 32.
    std::array<uint16_t, 4> Prt = {400, 410, 420, 430};
    uint16_t PrtReference = 10;
    std::array<uint16_t, 3> Blackbody = {726, 391, 387};    // channels 3, 4, 5
    std::array<uint16_t, 5> Space = {41, 40, 990, 995, 1000};
    TSamplePattern Samples = DefaultSample;
};

using THrptFrame = std::vector<uint16_t>;  // MinorFrameWords words

bool IsChannel3ALine(const THrptPassSpec& passSpec, int32_t line);
// Line times advance six lines a second, or by the pass's own scan period.
int64_t LineMilliseconds(const THrptPassSpec& passSpec, int32_t line);
// The thermometer (1..4) a line's PRT words carry, 0 for a reference line.
int32_t PrtIndexOfLine(int32_t line);
THrptFrame BuildMinorFrame(const THrptPassSpec& passSpec, int32_t line);

enum class TWordPacking {
    BigEndian16,      // high byte first
    LittleEndian16,   // low byte first
    Packed10MsbFirst, // 5 bytes hold 4 words, first word in the top bits
    Packed10LsbFirst  // 5 bytes hold 4 words, first word in the low bits
};

// Bytes of the packing for a number of words (10-bit packings round up to whole groups).
size_t NaturalRecordBytes(TWordPacking packing, size_t words);
// One record: the words packed, cut or zero-padded to recordBytes (0: natural size).
std::vector<uint8_t> PackFrame(std::span<const uint16_t> words, TWordPacking packing, size_t recordBytes = 0);
// Appends lineCount records of the pass to file.
void AppendPass(std::vector<uint8_t>& file, const THrptPassSpec& passSpec, int32_t lineCount, TWordPacking packing,
                size_t recordBytes = 0);
std::vector<uint8_t> BuildPass(const THrptPassSpec& passSpec, int32_t lineCount, TWordPacking packing,
                               size_t recordBytes = 0);

}  // namespace kestrune::test
