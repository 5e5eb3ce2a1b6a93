// Header readers of the Meteor-M recordings: Meteor-M N1 files of 256-byte
// MHRP blocks, raw Meteor-M2 transfer-frame files, and the ".msu2" files of
// whole MSU-MR frames that the conversion of raw files writes; and the
// loader's conversion step itself.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <span>

namespace kestrune {

struct TLoadContext;

// Pass start from an "MHRP" or "M2HR" header: six little-endian words from
// byte 30 (seconds, minutes, hours, day, month from 0, years since 1900).
// EConvertError when they do not form a date.
TDateTime MeteorHeaderDate(std::span<const uint8_t> header);

// Converts a raw Meteor-M N2 file to its ".msu2" file before the file is
// mapped, and logs what was done.
void PrepareMeteorFile(TLoadContext& load);

void ReadMeteorN1Header(TLoadContext& load);         // code 36
void ReadMeteorRawHeader(TLoadContext& load);        // code 37
void ReadMeteorConvertedHeader(TLoadContext& load);  // code 38

}  // namespace kestrune
