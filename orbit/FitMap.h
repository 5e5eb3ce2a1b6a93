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
bool FitMapToImage(std::span<const TScanLineLocations> Lines, std::vector<std::string>* Log, bool ReportToLog,
                   std::shared_ptr<const TResidualTable>& Residuals, TWarpedMapping& Mapping, uint8_t Mode,
                   float SemiAngle, float Altitude);

}  // namespace kestrune
