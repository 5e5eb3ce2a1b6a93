// "hrpt.kml": a small KML file that points a virtual-globe viewer at one
// clicked location of the image, rewritten on every use.
#pragma once

#include <string>

namespace kestrune {

constexpr const char* KmlPointFileName = "hrpt.kml";

// The file's text; numbers in their shortest round-trip form with ".".
std::string KmlPointText(float latitude, float longitude);
// Writes the file into the program folder, or the per-user folder when the
// program folder is not writable. Nothing is written for a point with a zero
// latitude or longitude (no location was found). Returns the file written,
// "" when nothing was (the failure is reported).
std::string WriteKmlPoint(float latitude, float longitude);

}  // namespace kestrune
