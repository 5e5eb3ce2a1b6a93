// Where each sample of a written pass lies on the earth, worked out from the
// pass's element set and line times as the program will work it out (the 51
// anchors of a scan line, linear between them), so that writers can draw a
// scene of known geography.
#pragma once

#include "orbit/Orbits.h"
#include "tests/support/HrptFrameWriter.h"
#include "tests/support/PassFileWriter.h"

#include <cstdint>
#include <vector>

namespace kestrune::test {

class TPassGeometry {
public:
    // Lines are timed from passSpec on the date given; raises when the
    // element set cannot be propagated.
    TPassGeometry(const TElementLines& elements, const THrptPassSpec& passSpec, int year, int month, int day);

    // Longitude and latitude of every sample of a line (2048 a line).
    const std::vector<TGroundPoint>& Line(int32_t line);

private:
    TOrbit orbit_;
    THrptPassSpec passSpec_;
    TDateTime date_;
    int32_t line_ = -1;
    std::vector<TGroundPoint> points_;
};

}  // namespace kestrune::test
