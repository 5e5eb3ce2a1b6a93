// Conversion of raw Meteor-M N2 recordings (".DAT", ".MN2": a stream of
// 1,024-byte transfer frames) into a ".msu2" file of whole 11,850-byte
// MSU-MR instrument frames, which the loader then reads. The input is never
// changed; the output appears only when the conversion found a pass.
#pragma once

#include "decoding/FrameCheck.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

constexpr int32_t MsuMrFrameBytes = 11850;
// More frames than this make a pass worth keeping.
constexpr int32_t FewestMeteorFrames = 50;
// The longest recording converted: twice the transfer frames that carry the
// instrument frames of the longest pass read (a recording also carries fill
// and the other instruments' data), after a header block. Anything longer is
// no recording of one pass and is not read.
constexpr int32_t MeteorTransferFrameBytes = 1024;
constexpr int32_t MeteorPayloadPerTransferFrame = 948;
constexpr int64_t MostMeteorRecordingBytes =
    MeteorTransferFrameBytes + 2 * MeteorTransferFrameBytes *
                                   ((int64_t{MostPassLines} * MsuMrFrameBytes + MeteorPayloadPerTransferFrame - 1) /
                                    MeteorPayloadPerTransferFrame);

class EMeteorRecordingError : public Exception {
public:
    using Exception::Exception;
};

// The instrument frames of a transfer-frame recording, with its "M2HR"
// header block in front when it has one; frameCount tells how many.
std::string ConvertMN2(std::string_view recording, int32_t& frameCount);

// Converts fileName to fileName with the extension ".msu2" (in targetFolder
// when given, else beside it), with the recording's date and permissions,
// and sets fileName to it: true when more than 50 frames were found.
// Otherwise nothing is written, fileName stays and the result is false.
// The recording is read piece by piece, never whole. EWriteError when the
// conversion cannot be written; EMeteorRecordingError, before anything is
// read, for a recording longer than MostMeteorRecordingBytes.
bool UnpackMN2Stream(std::string& fileName, int32_t& frameCount, const std::string& targetFolder = "");

// For a ".DAT" or ".MN2" file (extension in any case): makes sure the
// ".msu2" file exists (an existing one beside it is used as it is) and gives
// its name. False only when a conversion was tried and failed; fileName then stays.
bool UnpackMN2File(std::string& fileName, int32_t& frameCount, const std::string& targetFolder = "");

// ".DAT" or ".MN2", in any case.
bool IsMeteorRecordingName(const std::string& fileName);

}  // namespace kestrune
