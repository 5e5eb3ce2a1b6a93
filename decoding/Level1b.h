// NOAA Level 1b files as this program reads them: the 6-byte time code, the
// archive (ARS) header with its data set name, the data set header of the
// older layout and the header record of the newer one, each decoded into
// readable lines for the diagnostics. Every field is read big-endian from
// the bytes as stored; bytes beyond the given block read as zero.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

class TOrbit;

constexpr int32_t ArsHeaderBytes = 512;       // archive header in front of newer-layout files
constexpr int32_t OlderArsHeaderBytes = 122;  // the part of it older-layout files keep
constexpr int32_t HeaderRecordBytes = 688;    // what is read of the newer header record
constexpr int32_t DataSetNameOffset = 30;     // of the archive header
constexpr int32_t DataSetNameLength = 42;
constexpr int32_t LayoutTestOffset = 193;  // a blank here marks the newer layout

// Big-endian fields of a block; zero where the field does not lie wholly inside it.
uint16_t BigEndianWordAt(std::span<const uint8_t> block, size_t offset);
int32_t BigEndianLongAt(std::span<const uint8_t> block, size_t offset);
// count characters of a block from offset (fewer at its end).
std::string CharsAt(std::span<const uint8_t> block, size_t offset, size_t count);

// A 6-byte time code: 7-bit year of the century and 9-bit day of the year,
// then signed milliseconds of the day. Years below 57 are 20xx.
TDateTime DecodeL1BTime(std::span<const uint8_t> code);
// The same, with the date-time as "yyyy-mm-dd hh:nn:ss".
void DecodeL1BTime(std::span<const uint8_t> code, TDateTime& when, std::string& text);

// Where a record's earth locations start: newer records hold 51 pairs of
// 32-bit words in 1/10000 degree, older ones 51 pairs of 16-bit words in 1/128.
constexpr size_t NewerLocationsAt = 640;
constexpr size_t OlderLocationsAt = 104;
// The latitude of the centre pair of a record's locations (from their
// first byte), when it lies on the earth and is not 0, 0.
std::optional<double> CentreLatitudeOnEarth(std::span<const uint8_t> locations, bool newerLayout);

// Satellite of the spacecraft code at positions 9 and 10 of a data set name; "" when unknown.
std::string L1BSpacecraftName(std::string_view dataSetName);

// What the archive header says of its pass. Start and Stop stay 0 when the
// data set name gives no date; the texts then stay empty.
struct TArsSummary {
    TDateTime Start = 0;
    TDateTime Stop = 0;
    std::string SatelliteName;
    std::string Description;  // three lines: satellite and times, station, processing centre
    std::string Summary;      // one line: satellite, data type, date, times
};

// The pass as the data set name tells it; all empty when its date or times
// are not numbers.
TArsSummary DataSetNameSummary(std::string_view dataSetName);

// Describes the archive header (the first 512 bytes of the file, or fewer)
// line by line into lines, with the older data set header that follows it
// when byte 193 is not a blank. Tells the orbit the satellite where given.
TArsSummary DecodeARSHeader(std::span<const uint8_t> header, std::vector<std::string>& lines, TOrbit* orbit);

// Describes the first 688 bytes of a newer-layout header record.
void DumpL1BHeaderRecord(std::span<const uint8_t> record, std::vector<std::string>& lines);

}  // namespace kestrune
