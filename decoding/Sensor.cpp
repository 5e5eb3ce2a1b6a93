#include "decoding/Sensor.h"

#include "decoding/HueScale.h"
#include "orbit/CurveFit.h"
#include "orbit/TextLines.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace kestrune {
namespace {

constexpr double Pi = std::numbers::pi;
constexpr double PlanckC1 = 1.1910427e-5;
constexpr double PlanckC2 = 1.4387752;
constexpr uint8_t DefaultSatellite = 6;
constexpr uint8_t MeteorSatellite = 15;

bool IsNonLinearSatellite(uint8_t id) { return id >= 7 && id <= 14; }

int ChannelIndex(int channel) { return channel - FirstThermalChannel; }
bool IsThermalChannel(int channel) { return channel >= 3 && channel <= 5; }

// The counts 0..1023 as abscissae of the radiance fits.
const std::array<double, CountTableSize>& Counts() {
    static const std::array<double, CountTableSize> counts = [] {
        std::array<double, CountTableSize> values{};
        for (int c = 0; c < CountTableSize; ++c) values[c] = c;
        return values;
    }();
    return counts;
}

// Least-squares count-to-radiance polynomial with the given number of terms
// (2 or 3); the square term is kept only when asked for.
TSensor::TRadianceFit FitRadiance(const std::array<double, CountTableSize>& radiance, int terms, bool keepSquare) {
    TSensor::TRadianceFit fit{};
    double correlation = 0.0;
    PolyFit(Counts(), radiance, terms, CountTableSize, correlation, std::span<double>(fit.data(), terms));
    if (!keepSquare) fit[2] = 0.0;
    return fit;
}

double TemperatureOf(double vc, double radiance) { return radiance > 0.0 ? PlanckTemperature(vc, radiance) : 0.0; }

bool IsCount(int32_t count) { return count >= 0 && count < CountTableSize; }

// Albedo fraction per count from two lines in percent meeting at the
// intersection, clamped to 0..100 %; a zero first slope gives a plain ramp.
void FillAlbedoTable(const TVisibleCalibration& r, TSensor::TVisibleTable& table) {
    for (int c = 0; c < CountTableSize; ++c) {
        if (r.Slope1 == 0.0f) {
            table[c] = static_cast<float>(c / 1023.0);
            continue;
        }
        const double line = c <= r.Intersection ? static_cast<double>(r.Slope1) * c + r.Intercept1
                                                : static_cast<double>(r.Slope2) * c + r.Intercept2;
        float percent = static_cast<float>(line);
        if (!(percent >= 0.0f)) percent = 0.0f;
        if (percent > 100.0f) percent = 100.0f;
        table[c] = static_cast<float>(percent / 100.0);
    }
}

// Palette entry components in the order a palette file line gives them.
constexpr std::array<uint8_t TPaletteEntry::*, 3> PaletteComponents{&TPaletteEntry::Red, &TPaletteEntry::Green,
                                                                     &TPaletteEntry::Blue};

bool IsBlank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }

// Token of a quoted text: what lies between the quotes, a doubled quote
// standing for one; an unclosed quote runs to the end.
std::string QuotedToken(std::string_view text, std::size_t& p) {
    std::string token;
    for (++p; p < text.size(); ++p) {
        if (text[p] != '"') {
            token += text[p];
        } else if (p + 1 < text.size() && text[p + 1] == '"') {
            token += '"';
            ++p;
        } else {
            ++p;
            break;
        }
    }
    return token;
}

// Tokens separated by commas or blanks, each optionally in double quotes;
// an empty token between two commas or after a final comma counts.
std::vector<std::string> SplitDelimitedText(std::string_view text) {
    std::vector<std::string> tokens;
    std::size_t p = 0;
    const auto skipBlanks = [&] {
        while (p < text.size() && IsBlank(text[p])) ++p;
    };
    skipBlanks();
    while (p < text.size()) {
        if (text[p] == '"') {
            tokens.push_back(QuotedToken(text, p));
        } else {
            const std::size_t start = p;
            while (p < text.size() && !IsBlank(text[p]) && text[p] != ',') ++p;
            tokens.emplace_back(text.substr(start, p - start));
        }
        skipBlanks();
        if (p < text.size() && text[p] == ',') {
            if (p + 1 == text.size()) tokens.emplace_back();
            ++p;
            skipBlanks();
        }
    }
    return tokens;
}

// Meteor-M's nominal table: 256 levels, four neighbouring counts per level,
// the warmest level at count 0.
void FillNominalThermalTable(TSensor::TThermalTable& table) {
    for (int c = 0; c < CountTableSize; ++c) {
        const double level = 255 - c / 4;
        table[c] = -0.0017 * level * level + 0.8248 * level - 55.0 + 273.15;
    }
}

}  // namespace

double CelsiusToFahrenheit(double C) { return C * 1.8 + 32.0; }

double PlanckRadiance(double Vc, double T) {
    if (!(T > 0.0)) return 0.0;
    return PlanckC1 * Vc * Vc * Vc / std::expm1(PlanckC2 * Vc / T);
}

double PlanckTemperature(double Vc, double N) {
    if (!(N > 0.0)) return 0.0;
    return PlanckC2 * Vc / std::log1p(PlanckC1 * Vc * Vc * Vc / N);
}

TSensor::TSensor() { SetSatellite(DefaultSatellite); }

void TSensor::SetSatellite(uint8_t Id) {
    if (Id == SatelliteId_) return;
    SatelliteId_ = Id;
    LoadSatelliteParameters();
}

void TSensor::LoadSatelliteParameters() {
    Calibrated_ = false;
    TSatelliteFileResult file = LoadSatelliteParameterFile(SatelliteId_);
    FileValues_ = file.Values;
    ParameterFileError_ = std::move(file.WriteError);
    CentralWaveNumber_ = BuiltInCentralWaveNumbers(SatelliteId_);
    PrtCoefficients_ = BuiltInPrtCoefficients(SatelliteId_);
    EffectiveCoefficients_ = BuiltInEffectiveCoefficients(SatelliteId_);
    Sst_ = BuiltInSstCoefficients(SatelliteId_);
    BuildVisibleTables();
}

double TSensor::BlackbodyTemperature(double P1, double P2, double P3, double P4) {
    const std::array<double, 4> readings{P1, P2, P3, P4};
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        const double p = readings[i];
        const auto& d = PrtCoefficients_;
        const double t = (((d[4][i] * p + d[3][i]) * p + d[2][i]) * p + d[1][i]) * p + d[0][i];
        sum += static_cast<float>(t);
    }
    PrtTemperature_ = sum * 0.25;
    for (int c = 0; c < ThermalChannelCount; ++c) {
        EffectiveBlackbody_[c] = EffectiveCoefficients_[c].A + EffectiveCoefficients_[c].B * PrtTemperature_;
        BlackbodyRadiance_[c] = PlanckRadiance(CentralWaveNumber_[c], EffectiveBlackbody_[c]);
    }
    return PrtTemperature_;
}

double TSensor::EffectiveBlackbody(int Channel) const {
    return IsThermalChannel(Channel) ? EffectiveBlackbody_[ChannelIndex(Channel)] : 0.0;
}

double TSensor::BlackbodyRadiance(int Channel) const {
    return IsThermalChannel(Channel) ? BlackbodyRadiance_[ChannelIndex(Channel)] : 0.0;
}

double TSensor::CentralWaveNumber(int Channel) const {
    return IsThermalChannel(Channel) ? CentralWaveNumber_[ChannelIndex(Channel)] : 0.0;
}

TSensor::TRadianceFit TSensor::RadianceFit(int Channel) const {
    return IsThermalChannel(Channel) ? RadianceFit_[ChannelIndex(Channel)] : TRadianceFit{};
}

void TSensor::CalibrateThermal(int32_t Target3, int32_t Space3, double Tbb, int32_t Target4, int32_t Space4,
                               int32_t Target5, int32_t Space5) {
    Calibrated_ = false;
    RadianceFit_ = {};
    if (Target4 == Space4 || Target5 == Space5) return;
    const bool channel3Thermal = Target3 != Space3 && Target3 > 400 && Space3 > 500;

    if (SatelliteId_ == MeteorSatellite) {
        FillNominalThermalTable(Thermal5_);
        Thermal6_ = Thermal5_;
        Thermal3_.fill(0.0);
        Thermal4_.fill(0.0);
    } else {
        if (IsNonLinearSatellite(SatelliteId_)) {
            CalibrateThermalKLM(4, Target4, Space4, Thermal4_);
            CalibrateThermalKLM(5, Target5, Space5, Thermal5_);
        } else {
            CalibrateThermalLinear(5, Target5, Space5, Tbb, Thermal5_);
            CalibrateThermalLinear(4, Target4, Space4, Tbb, Thermal4_);
        }
        if (channel3Thermal)
            CalibrateThermalLinear(3, Target3, Space3, Tbb, Thermal3_);
        else
            Thermal3_.fill(0.0);
        Thermal6_.fill(0.0);
    }
    Calibrated_ = true;
}

void TSensor::CalibrateThermalKLM(int Channel, int32_t Target, int32_t Space, TThermalTable& table) {
    const int index = ChannelIndex(Channel);
    const TNonLinearCorrection k = BuiltInNonLinearCorrection(SatelliteId_, Channel);
    const double nbb = BlackbodyRadiance_[index];
    const double vc = CentralWaveNumber_[index];
    const TEffectiveCoefficients e = EffectiveCoefficients_[index];
    std::array<double, CountTableSize> radiance{};
    for (int c = 0; c < CountTableSize; ++c) {
        const double linear = k.Ns + (nbb - k.Ns) * (Space - c) / (Space - Target);
        const double n = linear + k.b0 + k.b1 * linear + k.b2 * linear * linear;
        radiance[c] = n;
        table[c] = n > 0.0 ? (PlanckTemperature(vc, n) - e.A) / e.B : 0.0;
    }
    RadianceFit_[index] = FitRadiance(radiance, 3, true);
}

void TSensor::CalibrateThermalLinear(int Channel, int32_t Target, int32_t Space, double Tbb, TThermalTable& table) {
    const int index = ChannelIndex(Channel);
    const TLinearCorrection k = BuiltInLinearCorrection(SatelliteId_, Channel);
    const double vc = CentralWaveNumber_[index];
    const double nbb = PlanckRadiance(vc, Tbb);
    const double gain = (nbb - k.Ns) / (Target - Space);
    const double intercept = k.Ns - gain * Space;
    std::array<double, CountTableSize> radiance{};
    for (int c = 0; c < CountTableSize; ++c) {
        const double linear = gain * c + intercept;
        const double n = k.A * linear * linear + k.B * linear + k.D;
        radiance[c] = n;
        table[c] = TemperatureOf(vc, n);
    }
    // Channel 3 is fitted with a square term that is then dropped.
    RadianceFit_[index] = FitRadiance(radiance, Channel == 3 ? 3 : 2, false);
}

void TSensor::CalibrateThermalFromL1B(double Slope4, double Intercept4, double Slope5, double Intercept5) {
    Calibrated_ = false;
    RadianceFit_ = {};
    if (Slope4 == 0.0 || Intercept4 == 0.0 || Slope5 == 0.0 || Intercept5 == 0.0) return;
    CalibrateFromSlopeIntercept(5, Slope5, Intercept5, Thermal5_);
    CalibrateFromSlopeIntercept(4, Slope4, Intercept4, Thermal4_);
    Thermal3_.fill(0.0);
    Thermal6_.fill(0.0);
    Calibrated_ = true;
}

void TSensor::CalibrateFromSlopeIntercept(int Channel, double Slope, double Intercept, TThermalTable& table) {
    // Level 1b coefficients are corrected with the default satellite's row.
    const TLinearCorrection k = BuiltInLinearCorrection(DefaultSatellite, Channel);
    const double vc = CentralWaveNumber_[ChannelIndex(Channel)];
    for (int c = 0; c < CountTableSize; ++c) {
        const double linear = c * Slope + Intercept;
        table[c] = TemperatureOf(vc, k.B * linear + k.A * linear * linear + k.D);
    }
}

TThermalFileValue TSensor::ThermalFileValues(int Channel) const {
    return IsThermalChannel(Channel) ? FileValues_.Thermal[ChannelIndex(Channel)] : TThermalFileValue{};
}

TVisibleCalibration TSensor::VisibleCalibration(int Channel) const {
    return Channel >= 1 && Channel <= VisibleChannelCount ? FileValues_.Visible[Channel - 1] : TVisibleCalibration{};
}

void TSensor::BuildVisibleTables() {
    // Channel 3A is rebuilt for every satellite, so a satellite without it
    // never shows the previous satellite's albedos.
    const std::array<TVisibleTable*, VisibleChannelCount> tables{&Visible1_, &Visible2_, &Visible3_};
    for (int c = 0; c < VisibleChannelCount; ++c) FillAlbedoTable(FileValues_.Visible[c], *tables[c]);
}

float TSensor::Ndvi(int32_t Count1, int32_t Count2) const {
    if (!IsCount(Count1) || !IsCount(Count2)) return -1.0f;
    const float a1 = Visible1_[Count1];
    const float a2 = Visible2_[Count2];
    const float sum = a2 + a1;
    if (sum == 0.0f) return -1.0f;
    return static_cast<float>((static_cast<double>(a2) - a1) / sum);
}

namespace {
constexpr float NoSst = -100.0f;
}  // namespace

bool TSensor::SstSecant(float Zenith, float& Secant) const {
    Secant = 0.52f;
    if (Zenith == -1.0f) return true;
    // A grazing or invalid angle has no secant: no SST rather than a division by zero.
    if (!(Zenith <= SstMaxZenith_) || !(std::fabs(Zenith) < 90.0f)) return false;
    Secant = static_cast<float>(1.0 / std::cos(Zenith * Pi / 180.0) - 1.0);
    return true;
}

namespace {

// The split-window SST of brightness temperatures t4 and t5 (K), NoSst where the rule rejects the pixel.
// Worked out whole and then chosen, without branches: the tests fail unpredictably pixel by pixel.
inline float SplitWindowSst(float t4, float t5, const TSstRule& rule) {
    const bool cold = t4 - 273.16 < rule.MinT4;
    const float predicted = static_cast<float>(1.0439 * t5 - 11.49);
    const bool cloudy = rule.CloudTest & (std::fabs(static_cast<double>(predicted) - t4) > 1.0);
    const float difference = t4 - t5;
    const TSstCoefficients& g = rule.FirstGuess;
    const float guess = static_cast<float>(g.Gain * t4 + g.Split * difference +
                                           g.Slant * difference * rule.Secant - g.Offset);
    const TSstCoefficients& k = rule.Final;
    const float sst = static_cast<float>(k.Gain * t4 + k.Split * difference * guess +
                                         k.Slant * difference * rule.Secant - k.Offset);
    return (cold | cloudy) ? NoSst : sst;
}

}  // namespace

float TSensor::SstWithSecant(int32_t Count4, int32_t Count5, float Secant, bool Day) const {
    if (!Calibrated_ || !IsCount(Count4) || !IsCount(Count5)) return NoSst;
    return SplitWindowSst(static_cast<float>(Thermal4_[Count4]), static_cast<float>(Thermal5_[Count5]),
                          SstRule(Secant, Day));
}

TSstRule TSensor::SstRule(float Secant, bool Day) const {
    return {Day ? Sst_.FirstGuessDay : Sst_.FirstGuessNight, Day ? Sst_.SstDay : Sst_.SstNight, Secant, SstMinT4_,
            SstCloudTest_};
}

float TSensor::SeaSurfaceTemperature(int32_t Count4, int32_t Count5, float Zenith, bool Day) const {
    float secant = 0;
    return SstSecant(Zenith, secant) ? SstWithSecant(Count4, Count5, secant, Day) : NoSst;
}

void TSensor::SeaSurfaceTemperatures(const uint16_t* Samples4, const uint16_t* Samples5, int32_t n, float Zenith,
                                     bool Day, float* Sst) const {
    float secant = 0;
    if (!Calibrated_ || !SstSecant(Zenith, secant)) {
        std::fill(Sst, Sst + std::max(n, 0), NoSst);
        return;
    }
    const TSstRule rule = SstRule(secant, Day);
    for (int32_t i = 0; i < n; ++i)
        Sst[i] = SplitWindowSst(static_cast<float>(Thermal4_[Samples4[i] & 0x3FF]),
                                static_cast<float>(Thermal5_[Samples5[i] & 0x3FF]), rule);
}

void TSensor::SetPaletteFile(const std::string& Name) {
    PaletteFile_ = Name;
    LoadPalette();
}

void TSensor::SetPaletteLow(int32_t Value) {
    PaletteLow_ = Value;
    LoadPalette();
}

void TSensor::SetPaletteHigh(int32_t Value) {
    PaletteHigh_ = Value;
    LoadPalette();
}

void TSensor::LoadPalette() {
    if (PaletteFile_.empty()) return;
    const bool loaded = PaletteRange() > 1 && ReadPaletteFile();
    if (!loaded) PaletteFile_.clear();
}

bool TSensor::ReadPaletteFile() {
    std::vector<std::string> lines;
    if (ReadKeptLines(PaletteFile_, MostPaletteFileBytes, lines).Kind != TKeptFile::TKind::Read ||
        lines.size() != Palette_.size())
        return false;
    bool lastLineRead = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string> tokens = SplitDelimitedText(lines[i]);
        if (tokens.size() != 3) continue;
        // Components are stored as they are read; a bad one ends the file.
        for (int k = 0; k < 3; ++k) {
            int value = 0;
            if (!TryStrToInt(tokens[k], value)) return false;
            Palette_[i].*PaletteComponents[k] = static_cast<uint8_t>(value & 0xFF);
        }
        lastLineRead = i + 1 == lines.size();
    }
    return lastLineRead;
}

void TSensor::TemperatureToColour(double T, int32_t& R, int32_t& G, int32_t& B) const {
    const int64_t range = PaletteRange();
    if (PaletteFile_.empty() || range < 1) {
        ValueToHueRgb(T, PaletteLow_, PaletteHigh_, R, G, B);
        return;
    }
    // Truncation toward zero: just below the low end still gives entry 0.
    const double position = (T - PaletteLow_) * 255.0 / static_cast<double>(range);
    if (!(position > -1.0 && position < 256.0)) {
        R = G = B = 30;
        return;
    }
    const TPaletteEntry& entry = Palette_[static_cast<int>(position)];
    R = entry.Red;
    G = entry.Green;
    B = entry.Blue;
}

}  // namespace kestrune
