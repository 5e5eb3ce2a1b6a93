// Every Level 1b record carries its own time of day. A damaged record may
// carry any time while its earth locations are intact: such a time would
// stretch the pass it lies in, so the times are checked against each other
// before they time the pass.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrune {

class TEarthLocations;

// The records (indices into times, days since midnight; 0 for a record
// without a time) whose times the records around them contradict. The
// records fall into runs that keep the pass's rhythm; a few records (up to
// five) between two long runs are contradicted where the long runs agree
// with each other across them and the few do not fit their slots, or where
// they do not lie between the two; at either end of the pass, where they do
// not keep the rhythm of the long run beside them. Nothing is contradicted
// in a pass without a long run.
std::vector<int> ContradictedRecordTimes(std::span<const TDateTime> times);

// Before the stored records are decoded: leaves out the contradicted times
// of the lines whose records hold locations on the earth (the lines keep
// their locations but no time) and tells of them in diagnostics; the text
// told, "" when there were none.
std::string LeaveOutContradictedTimes(TEarthLocations& locations, uint8_t formatCode, std::vector<std::string>& diagnostics);

}  // namespace kestrune
