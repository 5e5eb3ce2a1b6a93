// Header readers of the NOAA Level 1b family for the pass loader: newer-layout
// files with or without their archive header, older-layout HRPT/LAC and GAC
// files, and AAPP files. Each settles record size, sample width, where record
// 0 starts, the channels, satellite, date and direction; a file they cannot
// read ends the load with a message saying why.
#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

struct TLoadContext;

// Codes 7, 8, 9, 10, 11, 14, 15, 16, 17 and 18.
bool IsLevel1bCode(uint8_t code);
void ReadLevel1bHeader(TLoadContext& load);

// Scan lines in one record: older-layout GAC records of 8- and 16-bit
// samples hold two.
int32_t L1BLinesPerRecord(uint8_t code, uint8_t sampleKind);

// Whether the pass moves north, from records spread over the pass: the
// latitudes of those whose earth locations are valid, or else (newer and
// AAPP layouts) the scan-line bit that marks a southbound satellite. Where
// most of them agree the direction is known; otherwise, and with 20 records
// or fewer, true (northbound) for the earth locations to settle.
bool PrescanLevel1bNorthbound(TLoadContext& load);

// Shared with the L1F and 10B readers. Refuses the file: a message box
// (logged instead in an unattended run) and the end of the load.
[[noreturn]] void RefuseFile(TLoadContext& load, const std::string& message);
// Places record 0 at dataStart, counts the records and positions the input
// there; a file without a whole record refuses.
void StartRecordsAt(TLoadContext& load, int64_t dataStart);

}  // namespace kestrune
