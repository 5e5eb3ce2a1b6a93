// Makes the warped mapping agree with the located scan lines of one pass:
// measures the ground step per line, chooses the scan mode, builds the warp
// tables around the mid-picture point, estimates the image rotation, fits
// the vertical, horizontal and skew polynomials, and stores the residual
// pixel offsets that make the mapping exact at the location anchors.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "orbit/EarthLocations.h"
#include "orbit/MapWithWarp.h"

namespace kestrune {

// Lines: the pass's location records in line order (a line whose first
// latitude is 0 has no location; an anchor at latitude or longitude 0 is
// unusable). Log lines are appended when Log is given; ReportToLog sends the
// late failures to the log instead of a message box. Mode 0 lets the fit
// choose; a SemiAngle of 0 means 55.37 degrees; Altitude in km. Returns
// whether the mapping was fitted. PolyFit's EMathError passes to the caller.
// With gaps in the signal the fit is made over the pass as if no line were
// missing, the missing lines' anchors laid between the lines either side, so
// that the ground runs smoothly through it; the residual table then has a
// row for each of those lines too.
bool FitMapToImage(std::span<const TScanLineLocations> Lines, std::vector<std::string>* Log, bool ReportToLog,
                   std::shared_ptr<const TResidualTable>& Residuals, TWarpedMapping& Mapping, uint8_t Mode,
                   float SemiAngle, float Altitude, std::span<const TSignalGap> Gaps = {});

// The gaps in line times one scan period apart (days): a second or more
// missing between two timed lines, in either direction of time.
std::vector<TSignalGap> FindSignalGaps(std::span<const TDateTime> times, double period);

// The lines with the missing ones put back, each missing anchor on the great
// circle between the same anchor of the lines either side, evenly in time.
std::vector<TScanLineLocations> WithMissingLines(std::span<const TScanLineLocations> lines,
                                                 std::span<const TSignalGap> gaps);

}  // namespace kestrune
