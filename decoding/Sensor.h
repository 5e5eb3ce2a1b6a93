// Calibration of one AVHRR pass: the satellite's constants, the thermal
// count-to-brightness-temperature tables, the visible count-to-albedo
// tables, sea-surface temperature, vegetation index and the temperature
// palette. One object lives for the whole run and every pass reuses it.
#pragma once

#include "decoding/SatelliteParameters.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrune {

// Every count-indexed table has one entry per 10-bit count.
constexpr int CountTableSize = 1024;
// A palette file holds at most 1024 short lines, far below this; a larger
// file is no palette and is not read.
inline constexpr int64_t MostPaletteFileBytes = 1 << 20;

double CelsiusToFahrenheit(double C);
// Radiance, mW/(m2 sr cm-1), of temperature T (K) at wave number Vc (cm-1); 0 when T <= 0.
double PlanckRadiance(double Vc, double T);
// Brightness temperature (K) of radiance N at wave number Vc; 0 when N <= 0.
double PlanckTemperature(double Vc, double N);

struct TPaletteEntry {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
};

// What the SST pixels of one zenith share: day or night coefficients, the zenith's secant, the tests.
struct TSstRule {
    TSstCoefficients FirstGuess;
    TSstCoefficients Final;
    float Secant = 0.0f;
    float MinT4 = 0.0f;
    bool CloudTest = false;
};

class TSensor {
public:
    using TThermalTable = std::array<double, CountTableSize>;
    using TVisibleTable = std::array<float, CountTableSize>;
    using TRadianceFit = std::array<double, 3>;

    // Identity 6 with its constants; no table calibrated; palette range -1..27.
    TSensor();

    // Loads the constants of another satellite (and its parameter file);
    // the thermal tables are invalid until the next calibration. Setting the
    // current identity again changes nothing.
    void SetSatellite(uint8_t Id);
    uint8_t SatelliteId() const { return SatelliteId_; }
    // Text of the last failed write of a parameter file, "" when the last
    // load wrote it (or had none). The calibration goes on with the values read.
    const std::string& ParameterFileError() const { return ParameterFileError_; }

    // Mean blackbody temperature (K) from the four PRT counts; also sets the
    // effective blackbody temperatures and their radiances per channel.
    double BlackbodyTemperature(double P1, double P2, double P3, double P4);
    double PrtTemperature() const { return PrtTemperature_; }
    // Channels 3..5; 0 for others.
    double EffectiveBlackbody(int Channel) const;
    double BlackbodyRadiance(int Channel) const;
    double CentralWaveNumber(int Channel) const;

    // Builds the thermal tables from blackbody (target) and space counts and
    // the blackbody temperature. Equal target and space counts of channel 4
    // or 5 leave the pass uncalibrated. Tables the pass does not calibrate
    // (channel 3 when its counts fail the test, channel 6 except for Meteor-M,
    // channels 3 and 4 for Meteor-M) hold 0.0, "no temperature".
    void CalibrateThermal(int32_t Target3, int32_t Space3, double Tbb, int32_t Target4, int32_t Space4,
                          int32_t Target5, int32_t Space5);
    // Channels 4 and 5 from the pass's averaged Level 1b slopes and intercepts;
    // any zero argument leaves the pass uncalibrated. Channels 3 and 6 hold 0.0.
    void CalibrateThermalFromL1B(double Slope4, double Intercept4, double Slope5, double Intercept5);
    bool Calibrated() const { return Calibrated_; }

    // 1024 temperatures in kelvin indexed by count (0.0 = none), or nullptr
    // while the pass is not calibrated.
    const double* ThermalTable3() const { return Table(Thermal3_); }
    const double* ThermalTable4() const { return Table(Thermal4_); }
    const double* ThermalTable5() const { return Table(Thermal5_); }
    const double* ThermalTable6() const { return Table(Thermal6_); }
    // Count-to-radiance quadratic (c0, c1, c2) of channels 3..5 from the last
    // calibration; zeros when the channel was not fitted.
    TRadianceFit RadianceFit(int Channel) const;

    // 1024 albedo fractions 0..1 of channels 1, 2 and 3A; always valid.
    const float* VisibleTable1() const { return Visible1_.data(); }
    const float* VisibleTable2() const { return Visible2_.data(); }
    const float* VisibleTable3() const { return Visible3_.data(); }
    // Channels 1..3; a zero record for other channels.
    TVisibleCalibration VisibleCalibration(int Channel) const;
    // Thermal values of the parameter file, channels 3..5.
    TThermalFileValue ThermalFileValues(int Channel) const;

    // (albedo2 - albedo1) / (albedo2 + albedo1); -1 when the sum is 0 or a
    // count lies outside 0..1023.
    float Ndvi(int32_t Count1, int32_t Count2) const;
    // Split-window SST in degrees C, -100.0 when none can be given. Zenith is
    // the satellite zenith angle in degrees, -1.0 when unknown.
    float SeaSurfaceTemperature(int32_t Count4, int32_t Count5, float Zenith, bool Day) const;
    // SeaSurfaceTemperature of n pixels that share one zenith and day or
    // night (samples masked to counts), the zenith's secant worked out once.
    void SeaSurfaceTemperatures(const uint16_t* Samples4, const uint16_t* Samples5, int32_t n, float Zenith, bool Day,
                                float* Sst) const;
    float SstMinT4() const { return SstMinT4_; }
    void SetSstMinT4(float Value) { SstMinT4_ = Value; }
    bool SstCloudTest() const { return SstCloudTest_; }
    void SetSstCloudTest(bool Value) { SstCloudTest_ = Value; }
    float SstMaxZenith() const { return SstMaxZenith_; }
    void SetSstMaxZenith(float Value) { SstMaxZenith_ = Value; }

    // Temperature palette: 256 colours spanning PaletteLow..PaletteHigh.
    // Each setter stores its value and reloads the palette; a file that does
    // not load empties PaletteFile and the hue scale is used instead.
    void SetPaletteFile(const std::string& Name);
    void SetPaletteLow(int32_t Value);
    void SetPaletteHigh(int32_t Value);
    const std::string& PaletteFile() const { return PaletteFile_; }
    int32_t PaletteLow() const { return PaletteLow_; }
    int32_t PaletteHigh() const { return PaletteHigh_; }
    void LoadPalette();
    // Colour of a temperature in the palette range's unit.
    void TemperatureToColour(double T, int32_t& R, int32_t& G, int32_t& B) const;

private:
    // The secant term of a zenith; false when it gives no SST.
    bool SstSecant(float Zenith, float& Secant) const;
    float SstWithSecant(int32_t Count4, int32_t Count5, float Secant, bool Day) const;
    TSstRule SstRule(float Secant, bool Day) const;

    const double* Table(const TThermalTable& table) const { return Calibrated_ ? table.data() : nullptr; }
    int64_t PaletteRange() const { return static_cast<int64_t>(PaletteHigh_) - PaletteLow_; }
    void LoadSatelliteParameters();
    void BuildVisibleTables();
    void CalibrateThermalKLM(int Channel, int32_t Target, int32_t Space, TThermalTable& table);
    void CalibrateThermalLinear(int Channel, int32_t Target, int32_t Space, double Tbb, TThermalTable& table);
    void CalibrateFromSlopeIntercept(int Channel, double Slope, double Intercept, TThermalTable& table);
    bool ReadPaletteFile();

    TSstCoefficientSets Sst_{};
    std::array<TEffectiveCoefficients, ThermalChannelCount> EffectiveCoefficients_{};
    TVisibleTable Visible1_{}, Visible2_{}, Visible3_{};
    bool Calibrated_ = false;
    TSatelliteFileValues FileValues_{};
    uint8_t SatelliteId_ = 0;
    std::string ParameterFileError_;
    float SstMinT4_ = -5.0f;
    bool SstCloudTest_ = true;
    int32_t PaletteHigh_ = 27;
    int32_t PaletteLow_ = -1;
    std::array<TPaletteEntry, 256> Palette_{};
    std::string PaletteFile_;
    float SstMaxZenith_ = 63.0f;
    TThermalTable Thermal3_{}, Thermal4_{}, Thermal5_{}, Thermal6_{};
    double PrtTemperature_ = 0.0;
    std::array<double, ThermalChannelCount> EffectiveBlackbody_{};
    std::array<double, ThermalChannelCount> BlackbodyRadiance_{};
    TPrtCoefficients PrtCoefficients_{};
    std::array<double, ThermalChannelCount> CentralWaveNumber_{};
    std::array<TRadianceFit, ThermalChannelCount> RadianceFit_{};
};

}  // namespace kestrune
