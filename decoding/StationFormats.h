// Header readers of the station and raw-frame formats that are not 16-bit
// station recordings: SSB/Orbit, ESS HRPT with its NCI ASDA/PVL variant, and
// the 10-bit raw-frame family (".n10", ".c10", ".s10", ".wsd").
#pragma once

#include "decoding/FrameReader.h"

#include <cstdint>

namespace kestrune {

struct TLoadContext;

// Length of the PVL text header at the file start, 0 when its keys are
// missing; the input is left after the bytes examined. EConvertError when
// the length is not a number.
int64_t ReadPvlHeader(TInputFile& input);

// Settles a provisional NCI ASDA/PVL code: ESS HRPT or 16-bit GTI.
void ResolveProvisionalPvlCode(TLoadContext& load);

void ReadSsbHeader(TLoadContext& load);
void ReadEssHeader(TLoadContext& load);
void ReadTenBitHeader(TLoadContext& load);

}  // namespace kestrune
