// Small readers of station and Level 1b header fields shared by the header
// readers: wide texts, Unix day counts, channel flags, packed dates, record
// sizes and spacecraft ids.
#pragma once

#include "decoding/PassState.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <span>
#include <string>

namespace kestrune {

// A zero-ended run of little-endian 16-bit characters (characters above 255
// become "?"); used is set to the bytes taken, the ending zero included.
std::string WideText(std::span<const uint8_t> bytes, size_t& used);

// The count of seconds since 1970-01-01 held high word first in the fourth
// and fifth little-endian words of the block, as a date; 0 for a block too short.
TDateTime UnixDayDate(std::span<const uint8_t> block);

// Date from five header bytes: years since 1900, month from 0, day, hour,
// minute. EConvertError when they do not form a date.
TDateTime HeaderDate(std::span<const uint8_t> bytes);

// Level 1b channel flags: byte 96 + n neither 0 nor "N" marks channel n
// (all five for codes 14 and 15). Returns the channels found, or 5 with
// channels 1..5 when none is marked.
int LevelBChannels(std::span<const uint8_t> header, uint8_t formatCode, TChannelFlags& available);
// Station channel flags of ten channels: byte 269 + n (AVHRR, channels 1..8)
// or 301 + n (FengYun, channels 1..10) not 0 marks channel n.
int StationChannels10(std::span<const uint8_t> header, uint8_t sensorKind, TChannelFlags& available);
// Station channel flags of five channels: header byte n not 0 (AVHRR), every
// channel of ten for FengYun.
int StationChannels5(std::span<const uint8_t> header, uint8_t sensorKind, TChannelFlags& available);

// Record size of a Level 1b GAC data set (header bytes 181..186 as a number)
// and the sample kind it implies with channelCount channels (1 8-bit,
// 2 10-bit packed, 3 16-bit); 0 for a pair that is not a known layout.
int32_t L1BRecordSizeKindGac(std::span<const uint8_t> header, uint8_t formatCode, int channelCount,
                             uint8_t& sampleKind);
// The same for LAC and HRPT data sets.
int32_t L1BRecordSizeKind(std::span<const uint8_t> header, uint8_t formatCode, int channelCount, uint8_t& sampleKind);

// What the records of a Dartcom recording say of its satellite.
struct TFramesSatellite {
    std::string Satellite;  // "" when no sound record names one
    int DayOfYear = 0;      // median of the day words of the records naming it
    int32_t Looked = 0;     // records looked at
    int32_t Naming = 0;     // of them, sound ones naming Satellite
};

// A Dartcom recording names its satellite only in its frames, and a station
// records noise before the signal locks. Records spread over the recording
// (bytes from its first record on) are looked at; a sound one begins with the
// last sync word and carries a valid day and time code, and the identity
// word most sound records name gives the satellite.
constexpr int32_t DartcomRecordBytes = 22016;
TFramesSatellite SpacecraftNameFromFrames(std::span<const uint8_t> records, TDateTime fileDate);

}  // namespace kestrune
