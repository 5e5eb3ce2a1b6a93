// The year and satellite of a pass that nothing dates (a receiving machine
// without a clock, a copy without its time, a name that gives no date): the
// frames give the day of the year and a spacecraft id, which several
// satellites carried in their years; the element sets a station keeps give
// the years in which it received them.
#pragma once

#include "decoding/PassIdentity.h"
#include "platform/SysUtils.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrune {

// The epochs of a satellite's element sets; none where it has none.
using TElementEpochs = std::function<std::vector<TDateTime>(const std::string& satellite)>;

struct TElementYear {
    std::string Satellite;                // "" when no satellite of the id has sets
    std::vector<TDateTime> Epochs{};      // its sets' epochs
    TDateChoice Year{};                   // the year its sets fit (Year 0 when none)
};

// Among the satellites whose spacecraft id the frames carry (framed: the
// satellite the frames were read as, in any year), the one whose element
// sets lie nearest the frames' day in a year the id was its own, and that
// year; where the sets of several lie within two days of it, the latest. A satellite the file or the question named (named) is the only one
// weighed.
TElementYear NearestElementYear(const std::string& framed, const std::string& named, int framesDay,
                                const TElementEpochs& epochsOf, TDateTime now);

}  // namespace kestrune
