#include "decoding/Raw8Format.h"

#include "decoding/LoadContext.h"
#include "platform/ProgramStrings.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"

#include <cmath>

namespace kestrune {

namespace {

// Begins every file at its first byte with lines of channels side by side.
void StartEightBitLines(TLoadContext& load, int32_t channels) {
    TPassState& state = load.State;
    load.SeekInput(0);
    state.DataStart = 0;
    state.RecordSize = channels * state.ImageWidth;
}

}  // namespace

void ReadNoaa95Header(TLoadContext& load) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    load.SetCaption(" (8 bit raw format)");
    load.Log("8-bit data only format");
    TPassDirectionRequest& request = load.Dialog;
    request.DateMode = TDateMode::DateAndTime;
    request.SatellitePreset.clear();
    // Nothing of the file dates the pass: the question starts at a fixed date.
    request.PassDate = EncodeDate(2015, 4, 5) + EncodeTime(10, 11, 0, 0);
    request.DateRule = TIdentityRule::None;
    orbit.SetSatelliteName("");
    load.AskPassDirection(resStr(res::SHintConfirmSatelliteStart), true);
    orbit.SetSatelliteName(request.SatelliteText);
    orbit.SelectElements(request.PassDate);
    load.EarthLocations().BaseDate = std::trunc(orbit.PassTime);
    state.PassDateTime = orbit.PassTime;
    load.RememberNudge = true;
    state.PackedInput = true;
    StartEightBitLines(load, 5);
}

void ReadEightBitChrptHeader(TLoadContext& load) {
    load.SetCaption(" (8-bit raw CHRPT format)");
    load.Log("8-bit raw CHRPT format");
    load.AskPassDirection("", true);
    load.State.PackedInput = false;
    StartEightBitLines(load, 10);
}

}  // namespace kestrune
