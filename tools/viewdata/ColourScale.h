// A published colour scale as GMT keeps it in a colour palette table
// (".cpt"): lines "z0 colour0 z1 colour1", each colour red/green/blue (or
// red green blue) 0..255, linear between the two, perhaps followed by an
// annotation flag and a label after ";"; comments after "#", and the
// background, foreground and not-a-number lines (B, F, N), are skipped.
#pragma once

#include "platform/SysUtils.h"
#include "render/ViewLookups.h"

#include <string_view>
#include <vector>

namespace kestrune::viewdata {

class EColourScaleError : public Exception {
public:
    using Exception::Exception;
};

class TColourScale {
public:
    // Raises EColourScaleError, naming the line, for a line that is not a
    // slice of RGB colours, for slices out of order or overlapping, and for
    // a table without slices.
    static TColourScale Read(std::string_view text);

    // The colour at a fraction 0..1 of the scale's range (clamped), linear
    // within its slice and rounded.
    TBgrEntry At(double fraction) const;

private:
    struct TSlice {
        double Low, High;
        double LowColour[3], HighColour[3];  // red, green, blue
    };
    std::vector<TSlice> slices_;
};

}  // namespace kestrune::viewdata
