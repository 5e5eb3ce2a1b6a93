// Per-satellite calibration constants built into the program, and the
// parameter files ("NOAA-15.ini" .. "METOP-C.ini") through which a user can
// change the visible calibration of the newer satellites.
//
// Satellite identities: 1 NOAA-7, 2 NOAA-9, 3 NOAA-10, 4 NOAA-11, 5 NOAA-12,
// 6 NOAA-14 and every satellite without its own constants, 7..11 NOAA-15..19,
// 12..14 MetOp-A..C, 15 Meteor-M.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestrune {

// Thermal channels 3, 4, 5 are stored at index channel - 3.
constexpr int FirstThermalChannel = 3;
constexpr int ThermalChannelCount = 3;
constexpr int VisibleChannelCount = 3;

// Effective blackbody temperature of a channel: A + B x PRT temperature.
struct TEffectiveCoefficients {
    double A = 0.0;
    double B = 1.0;
};

// PRT count-to-temperature polynomial: [power 0..4][PRT 1..4 at index 0..3].
using TPrtCoefficients = std::array<std::array<double, 4>, 5>;

// Non-linear correction of the newer satellites: N = Nlin + b0 + b1 Nlin + b2 Nlin^2.
struct TNonLinearCorrection {
    double Ns = 0.0;
    double b0 = 0.0, b1 = 0.0, b2 = 0.0;
};

// Quadratic correction of the older satellites: N = A Nlin^2 + B Nlin + D.
struct TLinearCorrection {
    double B = 1.0, A = 0.0, D = 0.0;
    double Ns = 0.0;
};

// One split-window coefficient set.
struct TSstCoefficients {
    double Gain = 0.0, Split = 0.0, Slant = 0.0, Offset = 0.0;
};

struct TSstCoefficientSets {
    TSstCoefficients SstDay, SstNight, FirstGuessDay, FirstGuessNight;
};

// Count-to-percent-albedo as two lines meeting at Intersection.
struct TVisibleCalibration {
    int32_t Intersection = 0;
    float Slope1 = 0.0f;
    float Intercept1 = 0.0f;
    float Slope2 = 0.0f;
    float Intercept2 = 0.0f;
    float EffectiveWidth = 0.0f;
    float SolarIrradiance = 0.0f;
};

// Thermal values of a parameter file; kept and written back, not used.
struct TThermalFileValue {
    float Vc = 0.0f;
    float A = 0.0f;
    float B = 0.0f;
};

// Everything a parameter file holds: thermal channels 3..5, visible 1..3.
struct TSatelliteFileValues {
    std::array<TThermalFileValue, ThermalChannelCount> Thermal{};
    std::array<TVisibleCalibration, VisibleChannelCount> Visible{};
};

// Built-in constants; identities without a row of their own get the default.
std::array<double, ThermalChannelCount> BuiltInCentralWaveNumbers(uint8_t SatelliteId);
std::array<TEffectiveCoefficients, ThermalChannelCount> BuiltInEffectiveCoefficients(uint8_t SatelliteId);
TPrtCoefficients BuiltInPrtCoefficients(uint8_t SatelliteId);
// Channels 4 and 5 of identities 7..14; zero for every other case.
TNonLinearCorrection BuiltInNonLinearCorrection(uint8_t SatelliteId, int Channel);
// Channels 3, 4 and 5.
TLinearCorrection BuiltInLinearCorrection(uint8_t SatelliteId, int Channel);
TSstCoefficientSets BuiltInSstCoefficients(uint8_t SatelliteId);

// Parameter file name of an identity, "" for identities without a file.
std::string SatelliteParameterFileName(uint8_t SatelliteId);
// Values of the file when it is missing; all zero for identities without a
// file (a zero visible slope gives the plain count ramp).
TSatelliteFileValues DefaultSatelliteFileValues(uint8_t SatelliteId);

// Reads the identity's parameter file from the program folder (the user's
// copy only where that one cannot be read), taking the default for every
// missing or malformed value, and writes every key back so the file is
// complete, where this user may. A failed write leaves the values as read
// and is described in WriteError, as is a file not read (far too large, and
// then set aside), a copy made in the user's folder and one there not read;
// it never throws.
struct TSatelliteFileResult {
    TSatelliteFileValues Values;
    std::string WriteError;
};
TSatelliteFileResult LoadSatelliteParameterFile(uint8_t SatelliteId);

}  // namespace kestrune
