// Whole input files as stations write them, built from HRPT minor frames:
// 16-bit HRPT in either byte order (with or without a "[Stati" text header,
// in 22,180- or 22,528-byte records), 10-bit ".n10" and ".wsd" files, ESS
// files with or without a PVL text header, and gzip copies of any file.
#pragma once

#include "tests/support/HrptFrameWriter.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrune::test {

constexpr size_t Hrpt16RecordBytes = 22180;
constexpr size_t Hrpt16PaddedRecordBytes = 22528;
constexpr size_t Packed10RecordBytes = 13864;
constexpr size_t WsdHeaderBytes = 1024;

using TBytes = std::vector<uint8_t>;

void WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes);
TBytes ReadFileBytes(const std::string& path);

// 16-bit HRPT: records of recordBytes (22,180 or 22,528); a station text
// header takes one 22,180-byte record in front (its frames are then low byte first).
TBytes Build16BitHrptFile(const THrptPassSpec& passSpec, int32_t lines, bool littleEndian, bool stationHeader = false,
                          size_t recordBytes = Hrpt16RecordBytes);
// ".n10" and ESS records: 10-bit words packed most significant bit first, 13,864 bytes each.
TBytes BuildN10File(const THrptPassSpec& passSpec, int32_t lines);
// ".wsd": a 1,024-byte header with the element lines at 80 and 150, then
// 10-bit words packed least significant bit first, 13,864 bytes each.
TBytes BuildWsdFile(const THrptPassSpec& passSpec, int32_t lines, const std::string& elementLine1,
                    const std::string& elementLine2);
// The PVL text header of NCI ASDA files, padded with blanks to length bytes.
TBytes PvlHeader(int64_t length);
// ESS HRPT, with a PVL header in front when pvlHeaderLength > 0.
TBytes BuildEssFile(const THrptPassSpec& passSpec, int32_t lines, int64_t pvlHeaderLength = 0);
// One gzip member holding bytes.
TBytes GzipBytes(std::span<const uint8_t> bytes);

// The last character of an element line: its digits added up, with 1 for
// each "-", modulo 10.
char ElementLineChecksum(const std::string& line);

// A two-line element set with valid checksums for a NOAA-like orbit: epoch
// as year and fractional day of the year, mean motion in revolutions a day.
struct TElementLines {
    std::string Line1;
    std::string Line2;
};
TElementLines MakeElementLines(int catalogNumber, int year, double epochDay, double inclination,
                               double ascendingNode, double meanAnomaly, double meanMotion, int revolution);

// The sample a pass of passSpec stores at (line, sample) of a channel: northbound
// passes are turned by 180 degrees.
uint16_t StoredSample(const THrptPassSpec& passSpec, int32_t lines, bool northbound, int32_t storeLine, int channel,
                      int32_t storeSample);

}  // namespace kestrune::test
