#include "decoding/PassState.h"

#include "decoding/HRPTvideo.h"
#include "decoding/Sensor.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "orbit/MapWithWarp.h"
#include "orbit/Orbits.h"

namespace kestrune {

TPassState::TPassState()
    : Video(std::make_unique<THRPTvideo>()),
      TelemetryData(std::make_unique<TTelemetryData>()),
      Sensor(std::make_unique<TSensor>()),
      Orbit(std::make_unique<TOrbit>()),
      WarpedMapping(std::make_unique<TWarpedMapping>()),
      EarthLocations(std::make_unique<TEarthLocations>(Orbit.get(), WarpedMapping.get())) {}

TPassState::~TPassState() = default;

bool Channel3AOnLine(const TPassState& pass, int32_t line) {
    return pass.TelemetryData->Channel3ALines > 0 && pass.Video->GetLineFlag(line) == 0;
}

}  // namespace kestrune
