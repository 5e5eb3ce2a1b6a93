#include "decoding/SpotFormat.h"

#include "decoding/LoadContext.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/SystemUtils.h"

#include <cmath>

namespace kestrune {

namespace {

constexpr int32_t Level0Record = 11216;
constexpr int32_t Fi5Record = 11264;

}  // namespace

void ReadSpotHeader(TLoadContext& load) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    load.SetCaption(" (16-bit raw SPOT Level 0 format)");
    load.Log("16-bit SPOT Fi5 format");
    orbit.SetSatelliteName("SPOT-4");
    const bool level0 = state.InputFormatCode == 34;
    if (level0) {
        const int32_t seconds = ReadBigEndianInt32(load.HeaderBuffer.data());
        orbit.SelectElements(UnixDayDate(seconds / SecsPerDay));
    }
    load.AskPassDirection("", load.ProposeOrbitDirection(orbit.PassTime));
    load.EarthLocations().BaseDate = std::trunc(orbit.PassTime);
    load.SeekInput(0);
    state.DataStart = 0;
    state.PackedInput = true;
    state.RecordSize = level0 ? Level0Record : Fi5Record;
}

}  // namespace kestrune
