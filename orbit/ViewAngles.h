// The sun and the satellite as seen from a ground point: solar zenith,
// satellite zenith and their relative azimuth, the angles that decide day or
// night and the slant path through the atmosphere of every located pixel.
#pragma once

#include "orbit/OrbitMath.h"

namespace kestrune {

struct TViewAngles {
    float SolarZenith = 0;      // degrees from the local vertical
    float SatelliteZenith = 0;  // degrees from the local vertical
    float RelativeAzimuth = 0;  // degrees between the sun's and the satellite's azimuth, 0..180
};

// Unit vector towards the sun in the orbit model's inertial frame at a
// Julian date, from the low-precision solar coordinates of the Astronomical
// Almanac (good to about 0.01 degree between 1950 and 2050).
TVector SunDirection(double jd);

// Angles at a ground point, given as its inertial position in km and its
// geodetic latitude and right ascension, seen from the satellite's inertial
// position in km, with the sun's direction.
TViewAngles ViewAnglesAt(const TVector& ground, const TGeodetic& groundGeodetic, const TVector& satellite,
                         const TVector& sun);

}  // namespace kestrune
