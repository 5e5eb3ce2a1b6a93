// Round patches of the earth (spherical caps) that bound overlay lines and
// the ground a picture shows, so that lines far from the picture are passed
// over without placing each of their points through the pass's mapping.
#pragma once

#include "orbit/Orbits.h"

#include <array>
#include <span>

namespace kestrune {

struct TGroundCap {
    std::array<double, 3> Centre{0, 0, 1};  // unit vector from the earth's centre
    double Radius = 4.0;                    // radians; a cap of the whole earth by default
};

// The cap round the points' mean direction reaching each of them; the whole
// earth for points that have none (spread all round) or that reach beyond
// a quarter turn from it.
TGroundCap CapAround(std::span<const TGroundPoint> points);

// The cap round a place reaching the given places, with room to spare
// (radians) added.
TGroundCap CapFrom(const TGroundPoint& centre, std::span<const TGroundPoint> reached, double spare);

// The angle (radians) between two places seen from the earth's centre.
double GroundAngle(const TGroundPoint& a, const TGroundPoint& b);

// Whether the two caps share any ground.
bool CapsMeet(const TGroundCap& a, const TGroundCap& b);

}  // namespace kestrune
