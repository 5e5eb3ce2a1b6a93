// Writes NOAA Level 1b files as archives hand them out: the newer layout
// with or without its 512-byte archive header, the older layout behind a
// 122-byte archive header (or none, named by its data set name), HRPT/LAC
// and GAC records of 8-, 10- and 16-bit samples; AAPP files in either word
// order; and the L1F and 10B station formats. Each line carries the samples,
// telemetry and time code of an HRPT minor frame, earth locations, angles
// and calibration values that the tests read back.
#pragma once

#include "tests/support/HrptFrameWriter.h"
#include "tests/support/PassFileWriter.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrune::test {

struct TL1BPassSpec {
    THrptPassSpec Frames;  // samples, telemetry and time of every line
    bool Older = false;    // the older layout (NOAA-14 and before)
    std::string DataSetName = "NSS.HRPT.NN.D23123.S1200.E1210.B9012345.WI";
    bool Gac = false;
    uint8_t SampleKind = 2;  // 1 8-bit, 2 10-bit packed, 3 16-bit
    int Channels = 5;        // channels 1..Channels are flagged and stored
    int32_t Records = 120;   // data records (older GAC of 8- and 16-bit samples: two lines each)
    bool ArchiveHeader = true;
    int Version = 2;              // newer header record
    int HeaderRecords = 1;        // newer header records, stated from version 3 on
    int ArchiveRecordCount = -1;  // the archive header's count; -1: records + 1 + header records
    int Year = 2023;
    bool Southbound = false;  // the scan-line bit of newer records, and the locations of a southbound pass
    bool LocationsValid = true;
    int32_t ScanCount = -1;     // older data set header's scans; -1: Records
    int32_t GapAfterLine = -1;  // lines after this one are 20 minutes later (a second pass)
    bool VideoLowByteFirst = false;  // 16-bit video words stored low byte first
};

// What the writer puts in: a reader must give these back.
int32_t L1BWidth(const TL1BPassSpec& passSpec);
int32_t L1BLinesPerRecord(const TL1BPassSpec& passSpec);
int32_t L1BLines(const TL1BPassSpec& passSpec);
int32_t L1BRecordBytes(const TL1BPassSpec& passSpec);
// The count a reader delivers for a sample (8-bit files lose the two low bits).
uint16_t L1BSample(const TL1BPassSpec& passSpec, int32_t line, int channel, int32_t sample);
// Anchor k (0..50) of a line, degrees.
double L1BLatitude(int32_t line, int anchor);
double L1BLongitude(int32_t line, int anchor);
// The same for a line of the pass: a southbound pass is the northbound one
// turned round, its last line first and each line reversed.
double L1BLatitude(const TL1BPassSpec& passSpec, int32_t line, int anchor);
double L1BLongitude(const TL1BPassSpec& passSpec, int32_t line, int anchor);
// Time of day of a line: GAC lines are half a second apart, others a sixth.
int64_t L1BLineMilliseconds(const TL1BPassSpec& passSpec, int32_t line);

// In-line calibration of every newer record: visible channels 1..3 (slope 1,
// intercept 1, slope 2, intercept 2, cross-over) and thermal channels 3..5 (A0, A1, A2).
constexpr std::array<std::array<double, 5>, 3> NewerVisibleCalibration = {
    {{0.0551, -2.103, 0.1652, -56.021, 501}, {0.0612, -2.421, 0.1833, -61.74, 499}, {0.0, 0.0, 0.0, 0.0, 0}}};
constexpr std::array<std::array<double, 3>, 3> NewerThermalCalibration = {
    {{1.512, -0.002102, 0.000001}, {155.41, -0.163, 0.000095}, {151.37, -0.161, 0.000083}}};
// Slope and intercept of channels 1..5 in every older record.
constexpr std::array<std::array<double, 2>, 5> OlderCalibration = {
    {{0.1035, -3.52}, {0.1108, -3.91}, {-0.0015, 1.52}, {-0.16, 163.4}, {-0.171, 170.2}}};

TBytes BuildL1BFile(const TL1BPassSpec& passSpec);
// AAPP: 22,016-byte records of 16-bit words; littleEndian for the "COA"
// data sets (code 16), big-endian "CMS" otherwise.
TBytes BuildAappFile(const THrptPassSpec& frames, int32_t records, bool littleEndian, int year = 2009);

// L1F: a 248-byte header (satellite, year, month 1..12, day, hour, minute)
// and 13,798-byte lines of 10-bit words.
struct TStationDate {
    int Year = 2023;
    int Month = 5;
    int Day = 3;
    int Hour = 12;
    int Minute = 0;
};
TBytes BuildL1FFile(const THrptPassSpec& frames, int32_t lines, const std::string& satellite, TStationDate date,
                    int yearWord);
// 10B: a 16,000-byte header and lines of a 7-byte prefix and the minor
// frame's words, four in five bytes.
TBytes Build10BFile(const THrptPassSpec& frames, int32_t lines, const std::string& satellite, TStationDate date,
                    bool northbound, int pixelsPerLine = 2048, int storedLineBytes = 0);

}  // namespace kestrune::test
