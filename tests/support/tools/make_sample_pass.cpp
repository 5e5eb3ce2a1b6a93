// Writes a sample pass for the program: a NOAA-18 ".wsd" file (10-bit
// frames with the element set in its header) of a southbound pass over the
// British Isles, the North Sea and northern France on 3 May 2023 at 12:00.
// Each pixel is placed on the earth by the element set, as the program will
// place it, and the land/sea mask says whether it shows land or sea; made-up
// clouds lie on top. The scene is drawn in temperatures and albedos as they
// are in early May at noon, and each is turned into the count that the
// pass's own telemetry calibrates to it, so the program reads the scene back.
// Gzip-packed when the name ends in ".gz"; an ESS station's file of the same
// scene when the name ends in ".hpt"; a NOAA-15 16-bit file (no element set
// inside) when the name ends in ".raw16", whose element set is then written
// to the archive file given last (a "Keps/NOAA-15.txt" of the program or the
// user).
//   make_sample_pass <output file> <OdpsLandMask.dat> [lines [element set file]]
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "decoding/Telemetry.h"
#include "platform/ProgramFolder.h"
#include "platform/SysUtils.h"
#include "render/qelODPSdata.h"
#include "tests/support/PassFileWriter.h"
#include "tests/support/PassGeometry.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace kestrune::test;

constexpr int32_t DefaultLines = 1200;
constexpr double ZeroCelsius = 273.15;
// The input formats the program gives a ".wsd" file of a NOAA satellite and
// a 16-bit HRPT file.
constexpr uint8_t WsdNoaaFormat = 39;
constexpr uint8_t Hrpt16Format = 26;
constexpr int32_t Noaa15SpacecraftId = 7;

// The satellite a pass is of, and the format its file is read as.
struct TPassKind {
    const char* Satellite;
    int CatalogNumber;
    uint8_t FormatCode;
};

double Lattice(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

// Value noise in 0..1, three octaves, features about `scale` samples across.
double Noise(double line, double sample, double scale, uint32_t seed) {
    double total = 0;
    double weight = 0.5;
    for (int octave = 0; octave < 3; ++octave, scale /= 2, weight /= 2) {
        const double x = sample / scale;
        const double y = line / scale;
        const auto x0 = static_cast<int32_t>(std::floor(x));
        const auto y0 = static_cast<int32_t>(std::floor(y));
        const double fx = Smooth(x - x0);
        const double fy = Smooth(y - y0);
        const double top = Lattice(x0, y0, seed + octave) * (1 - fx) + Lattice(x0 + 1, y0, seed + octave) * fx;
        const double bottom =
            Lattice(x0, y0 + 1, seed + octave) * (1 - fx) + Lattice(x0 + 1, y0 + 1, seed + octave) * fx;
        total += weight * (top * (1 - fy) + bottom * fy);
    }
    return total / 0.875;
}

double Ramp(double value, double low, double high) { return Smooth(std::clamp((value - low) / (high - low), 0.0, 1.0)); }

// The count whose entry in a count-indexed table lies nearest a value;
// entries of 0 (no temperature) are never chosen.
class TInverseTable {
public:
    template <typename TEntry>
    explicit TInverseTable(const TEntry* table) {
        for (int count = 0; count < kestrune::CountTableSize; ++count)
            if (table[count] != 0) entries_.emplace_back(static_cast<double>(table[count]), static_cast<uint16_t>(count));
        if (entries_.empty()) throw std::runtime_error("a channel of the sample is not calibrated");
        std::stable_sort(entries_.begin(), entries_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }

    uint16_t CountOf(double value) const {
        const auto above = std::lower_bound(entries_.begin(), entries_.end(), value,
                                            [](const auto& entry, double v) { return entry.first < v; });
        if (above == entries_.begin()) return above->second;
        if (above == entries_.end()) return entries_.back().second;
        const auto below = std::prev(above);
        return value - below->first <= above->first - value ? below->second : above->second;
    }

private:
    std::vector<std::pair<double, uint16_t>> entries_;
};

// The calibration the program works out for the pass from the telemetry
// its frames carry. The program folder points at an empty scratch folder
// for the while, so that no edited parameter file of a user takes part.
kestrune::TSensor CalibrationOfPass(const THrptPassSpec& passSpec, int32_t lines, const TPassKind& kind) {
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("make_sample_pass-" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    setenv("XDG_DATA_HOME", scratch.c_str(), 1);
    kestrune::SetProgramFolderOverride(scratch.string());
    kestrune::TSensor sensor;
    kestrune::TTelemetryData telemetry;
    telemetry.Reset(kind.FormatCode, kestrune::SensorAvhrr, kestrune::EncodeDate(2023, 5, 3), lines, nullptr);
    telemetry.NamedSatellite = kind.Satellite;
    THrptPassSpec telemetryOnly = passSpec;
    telemetryOnly.Samples = [](int32_t, int, int32_t) { return uint16_t{0}; };
    uint8_t lineFlag = 0;
    for (int32_t line = 0; line < lines; ++line)
        telemetry.LineInfoText(BuildMinorFrame(telemetryOnly, line), line, lineFlag);
    telemetry.PassSummary(sensor, true);
    kestrune::SetProgramFolderOverride("");
    std::filesystem::remove_all(scratch);
    if (!sensor.Calibrated()) throw std::runtime_error("the sample's telemetry does not calibrate");
    return sensor;
}

// What one pixel shows, in brightness temperatures (K) and albedos (0..1).
struct TPixelScene {
    std::array<double, 3> Kelvin;  // channels 3B, 4, 5
    std::array<double, 2> Albedo;  // channels 1, 2
};

// The scene of 3 May at noon: the sea at 10-13 degrees C, cooler to the
// north; land warmed by the sun to about 13-20 degrees C; clouds whose tops
// lie between -48 and -13 degrees C. Channel 5 reads below channel 4 by the
// water vapour between, least over thick cloud and most through the thin
// cloud at its edges (which the SST's cloud test then rejects); over land the
// surface's own emissivity widens the difference. By day channel 3B adds
// sunlight reflected, most by cloud.
TPixelScene Scene(double latitude, bool land, int32_t line, int32_t sample) {
    const double cloud = Ramp(Noise(line, sample, 260, 7), 0.6, 0.78);
    const double cloudTop = ZeroCelsius - 48 + 35 * Noise(line, sample, 90, 11);
    const double north = latitude - 50;
    const double seaSurface = ZeroCelsius + 12.5 - 0.25 * north + (Noise(line, sample, 150, 3) - 0.5);
    const double landSurface = ZeroCelsius + 17.5 - 0.5 * north + 3 * (Noise(line, sample, 300, 5) - 0.5);
    // The water vapour above the sea takes about 1.5 K off its 11 um brightness temperature.
    const double surface = land ? landSurface : seaSurface - 1.5;
    const double t4 = surface * (1 - cloud) + cloudTop * cloud;
    const double split = (land ? 2.6 : 0.6) * (1 - cloud) + 0.4 * cloud + 10 * cloud * (1 - cloud);
    const double reflected = (land ? 6 : 2) * (1 - cloud) + 25 * cloud;
    const double vegetation = Noise(line, sample, 300, 13);
    const double albedo1 = land ? 0.07 + 0.03 * vegetation : 0.05;
    const double albedo2 = land ? 0.22 + 0.08 * vegetation : 0.03;
    const double cloudAlbedo = 0.45 + 0.35 * (ZeroCelsius - 13 - cloudTop) / 35;
    return {{t4 + reflected, t4, t4 - split},
            {albedo1 * (1 - cloud) + cloudAlbedo * cloud, albedo2 * (1 - cloud) + 0.9 * cloudAlbedo * cloud}};
}

// Counts of every pixel: the scene at the pixel's place on the earth,
// through the inverse of the pass's calibration tables.
class TSampleScene {
public:
    TSampleScene(const std::string& maskFile, const TElementLines& elements, const THrptPassSpec& passSpec,
                 int32_t lines, const TPassKind& kind)
        : mask_(maskFile), geometry_(elements, passSpec, 2023, 5, 3) {
        const kestrune::TSensor sensor = CalibrationOfPass(passSpec, lines, kind);
        tables_ = {TInverseTable(sensor.VisibleTable1()), TInverseTable(sensor.VisibleTable2()),
                   TInverseTable(sensor.ThermalTable3()), TInverseTable(sensor.ThermalTable4()),
                   TInverseTable(sensor.ThermalTable5())};
    }

    uint16_t Sample(int32_t line, int channel, int32_t sample) {
        const kestrune::TGroundPoint& point = geometry_.Line(line)[static_cast<size_t>(sample)];
        const TPixelScene scene =
            Scene(point.Latitude, mask_.IsLand(point.Longitude, point.Latitude), line, sample);
        const double value = channel <= 2 ? scene.Albedo[static_cast<size_t>(channel - 1)]
                                          : scene.Kelvin[static_cast<size_t>(channel - 3)];
        return tables_[static_cast<size_t>(channel - 1)].CountOf(value);
    }

private:
    kestrune::TODPSdata mask_;
    TPassGeometry geometry_;
    std::vector<TInverseTable> tables_;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::cerr << "usage: make_sample_pass <output file> <OdpsLandMask.dat> [lines [element set file]]\n";
        return 2;
    }
    try {
        const std::string output = argv[1];
        const int32_t lines = argc > 3 ? std::atoi(argv[3]) : DefaultLines;
        const auto endsWith = [&](const std::string& end) {
            return output.size() > end.size() && output.compare(output.size() - end.size(), end.size(), end) == 0;
        };
        const bool sixteenBit = endsWith(".raw16");
        const TPassKind kind = sixteenBit ? TPassKind{"NOAA-15", 25338, Hrpt16Format}
                                          : TPassKind{"NOAA-18", 28654, WsdNoaaFormat};
        THrptPassSpec passSpec;  // NOAA-18 (or NOAA-15), 3 May (day 123) at 12:00
        if (sixteenBit) passSpec.SpacecraftId = Noaa15SpacecraftId;
        const TElementLines elements =
            MakeElementLines(kind.CatalogNumber, 2023, 123.4, 98.9, 208.0, 232.0, 14.125, 30000);
        auto scene = std::make_shared<TSampleScene>(argv[2], elements, passSpec, lines, kind);
        passSpec.Samples = [scene](int32_t line, int channel, int32_t sample) {
            return scene->Sample(line, channel, sample);
        };
        TBytes file = sixteenBit        ? Build16BitHrptFile(passSpec, lines, false)
                      : endsWith(".hpt") ? BuildEssFile(passSpec, lines)
                                         : BuildWsdFile(passSpec, lines, elements.Line1, elements.Line2);
        if (argc > 4) {
            const std::string set = elements.Line1 + "\n" + elements.Line2 + "\n";
            WriteFileBytes(argv[4], TBytes(set.begin(), set.end()));
        }
        if (endsWith(".gz")) file = GzipBytes(file);
        WriteFileBytes(output, file);
    } catch (const std::exception& error) {
        std::cerr << "make_sample_pass: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
