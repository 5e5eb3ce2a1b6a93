// Meteor-M recordings built from the samples of a pass description: MSU-MR frames
// of six channels (channels 4 to 6 stored inverted, as the instrument sends
// them), ".msu2" files of whole frames, raw ".mn2" files of 1,024-byte
// transfer frames that carry the frames as payload, and Meteor-M N1 ".mn1"
// files of 256-byte blocks.
#pragma once

#include "tests/support/PassFileWriter.h"

#include <cstdint>
#include <string>

namespace kestrune::test {

constexpr int32_t MsuMrWidth = 1572;   // samples a line of Meteor-M2 frames
constexpr int32_t MhrpWidth = 1540;    // of Meteor-M N1 frames
constexpr size_t MsuMrBytes = 11850;

struct TMeteorSpec {
    bool Header = true;                       // an "M2HR" (or "MHRP") header block in front
    std::string Satellite = "METEOR-M2";
    int Year = 2023, Month = 5, Day = 3, Hour = 12, Minute = 0;  // UTC pass start
};

// One frame: marker, line time on the Meteor clock (UTC + 3 h), video from byte 35.
TBytes BuildMsuMrFrame(const THrptPassSpec& passSpec, const TMeteorSpec& meteor, int32_t line, int32_t width);
// The header block: magic, satellite field at 4, the start as six words from byte 30.
TBytes MeteorHeader(const TMeteorSpec& meteor, const char* magic, size_t bytes);
TBytes BuildMsu2File(const THrptPassSpec& passSpec, const TMeteorSpec& meteor, int32_t lines);
// Transfer frames whose payload parts (22, 278, 534, 790) carry the frames
// one after another, behind fill; one unsynchronised block comes first.
TBytes BuildMn2File(const THrptPassSpec& passSpec, const TMeteorSpec& meteor, int32_t lines);
// Transfer frames as the raw reader walks them when no conversion was made:
// payloads of 238, 238, 238 and 234 bytes at 19, 275, 531 and 787 of each
// 1,024-byte block, a frame starting at byte 8 of a payload and running on
// through the next 49, the reader stepping back 1,026 and 1,022 bytes after
// alternate frames.
TBytes BuildMeteorRawWalkFile(const THrptPassSpec& passSpec, const TMeteorSpec& meteor, int32_t lines);
// 50 blocks of 256 bytes a frame: sync marker, line time at 8, 232 frame bytes from 22.
TBytes BuildMhrpFile(const THrptPassSpec& passSpec, const TMeteorSpec& meteor, int32_t lines);

}  // namespace kestrune::test
