#include "render/ViewLookups.h"

#include "decoding/HueScale.h"
#include "decoding/Sensor.h"
#include "orbit/TextLines.h"
#include "platform/ParallelLines.h"
#include "platform/SysUtils.h"
#include "render/ColourScales.h"
#include "render/LineSlices.h"
#include "render/RenderHost.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <numeric>
#include <thread>

namespace kestrune {

namespace {

constexpr int TopCount = CountRange - 1;
constexpr int32_t RowsPerSlice = 16;

TBgrEntry Grey(int level) {
    const auto g = static_cast<uint8_t>(level);
    return {g, g, g};
}

TBgrEntry FromRgb(int32_t red, int32_t green, int32_t blue) {
    return {static_cast<uint8_t>(std::clamp(blue, 0, 255)), static_cast<uint8_t>(std::clamp(green, 0, 255)),
            static_cast<uint8_t>(std::clamp(red, 0, 255))};
}

TBgrEntry FromBytes(const TRgbBytes& colour) { return {colour.blue, colour.green, colour.red}; }

TBgrEntry FromFraction(const TRgbFraction& colour) { return FromBytes(FractionToBytes(colour)); }

// x ^ (1 / gamma) computed as the original did, through logarithms.
double GammaPower(double x, double gamma) { return x > 0.0 ? std::exp(std::log(x) / gamma) : 0.0; }

// Progress of a table build, shown at most every 70 ms.
class TThrottledProgress {
public:
    TThrottledProgress(TRenderHost* host, int maximum) : host_(host) {
        if (!host_) return;
        host_->SetProgressMax(maximum);
        host_->SetProgressPosition(0);
        host_->ShowProgress(true);
        last_ = std::chrono::steady_clock::now();
    }
    ~TThrottledProgress() {
        if (host_) host_->ShowProgress(false);
    }
    TThrottledProgress(const TThrottledProgress&) = delete;
    TThrottledProgress& operator=(const TThrottledProgress&) = delete;

    void Step(int position) {
        if (!host_) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ <= std::chrono::milliseconds(70)) return;
        last_ = now;
        host_->SetProgressPosition(position);
    }

private:
    TRenderHost* host_;
    std::chrono::steady_clock::time_point last_{};
};

// Fills every entry of a 2-D table from a function of the two counts, rows
// on all processors: colour must only read what it shares.
template <typename Colour>
void FillPairs(TFalseColourTable& table, Colour colour) {
    ForLineRanges(0, CountRange, [&table, &colour](int32_t first, int32_t last) {
        for (int a = first; a < last; ++a) {
            TBgrEntry* row = table.Row(a);
            for (int b = 0; b < CountRange; ++b) row[b] = colour(a, b);
        }
    });
}

}  // namespace

float GammaForSelection(int itemIndex) {
    static constexpr std::array<float, 7> gammas{0.6f, 0.8f, 1.0f, 1.3f, 1.7f, 2.1f, 2.5f};
    return itemIndex >= 0 && itemIndex < static_cast<int>(gammas.size()) ? gammas[itemIndex] : 1.0f;
}

void BuildChannelGammaTable(TCountTable& table, double gamma) {
    table[0] = 0;
    for (int i = 1; i < CountRange; ++i) table[i] = RoundToRange(255.0 * GammaPower(i / 1023.0, gamma), 0, 255);
}

void BuildSnowGammaTable(TSnowGammaTable& table) {
    table[0] = 0;
    for (int i = 1; i < 256; ++i)
        table[i] = static_cast<uint8_t>(RoundToRange(255.0 * GammaPower(i / 255.0, 1.7), 0, 255));
}

void BuildBlendScreen(TBlendScreen& blend) {
    std::array<int32_t, CountRange> curve{};
    for (int i = 0; i < CountRange; ++i) curve[i] = RoundToRange(1023.0 * GammaPower(i / 1023.0, 0.75), 0, TopCount);
    for (int i = 0; i < CountRange; ++i) {
        int32_t* row = blend.Row(i);
        for (int j = 0; j < CountRange; ++j) row[j] = TopCount - (((TopCount - j) * (TopCount - curve[i])) >> 10);
    }
}

const double* SensorThermalTable(const TSensor& sensor, int channel) {
    switch (channel) {
        case 3: return sensor.ThermalTable3();
        case 4: return sensor.ThermalTable4();
        case 5: return sensor.ThermalTable5();
        case 6: return sensor.ThermalTable6();
        default: return nullptr;
    }
}

const double* ColourChannelThermalTable(const TSensor& sensor, int colourChannel) {
    return SensorThermalTable(sensor, colourChannel == 5 || colourChannel == 6 ? colourChannel : 4);
}

namespace {

// The rows of the false-colour table: what every row shares, and rows filled
// band by band (a band copies a row from the one before it in the band).
class TFalseColourRows {
public:
    TFalseColourRows(TFalseColourTable& table, const TFalseColourParams& params)
        : table_(table), params_(params), threshold_(std::clamp(params.seaThreshold, 0, TopCount)) {
        for (int v = 0; v < CountRange; ++v) lightness_[v] = GammaPower(v / 1023.0, params.gamma);
        // Sea rows rise from a quarter of the sea colour to three eighths of it.
        const std::array<int, 3> base{BlueOf(params.seaColour) / 4, GreenOf(params.seaColour) / 4,
                                      RedOf(params.seaColour) / 4};
        for (int v = 0; v < threshold_; ++v) {
            auto sea = [&](int k) {
                return static_cast<uint8_t>(
                    RoundToRange((base[k] >> 1) * v / static_cast<double>(threshold_) + base[k], 0, 255));
            };
            seaLevels_[v] = {sea(0), sea(1), sea(2)};
        }
    }

    void Fill(int first, int last, const std::function<void(int)>& step) const {
        const TBgrEntry* previousRow = nullptr;
        THueAndFactor previousHue{};
        for (int c = first; c < last; ++c) {
            step(c);
            TBgrEntry* row = table_.Row(c);
            const double t = params_.thermal[c] - KelvinOffset;
            // The sea levels are the same in every row.
            std::copy_n(seaLevels_.begin(), threshold_, row);
            if (params_.clut) {
                const int hueColumn = RoundToRange((t + 120.0) * 2.0, 0, TClutImage::Width - 1);
                for (int v = threshold_; v < CountRange; ++v) row[v] = params_.clut->Pixel(hueColumn, TopCount - v);
                continue;
            }
            const THueAndFactor hue = TemperatureToHueLightness(true, t);
            // Temperatures beyond the scale's ends share their colours: those rows are copies.
            if (previousRow != nullptr && hue.hue == previousHue.hue && hue.factor == previousHue.factor) {
                std::copy(previousRow + threshold_, previousRow + CountRange, row + threshold_);
                continue;
            }
            FillHueRow(row, hue);
            previousRow = row;
            previousHue = hue;
        }
    }

private:
    void FillHueRow(TBgrEntry* row, const THueAndFactor& hue) const {
        for (int v = threshold_; v < CountRange; ++v) {
            const double f = lightness_[v];
            row[v] = FromFraction(HslToRgb(hue.hue, (f * f + 0.75) * hue.factor, f));
        }
    }

    TFalseColourTable& table_;
    const TFalseColourParams& params_;
    const int threshold_;
    std::array<double, CountRange> lightness_{};
    std::array<TBgrEntry, CountRange> seaLevels_{};
};

}  // namespace

void BuildFalseColourLookup(TFalseColourTable& table, const TFalseColourParams& params, TRenderHost* host) {
    if (!params.thermal) return;
    const TFalseColourRows rows(table, params);
    TThrottledProgress progress(host, TopCount);
    const std::thread::id caller = std::this_thread::get_id();
    // Rows beyond the scale's ends are cheap copies: slices even the work out.
    ForLineSlices(0, CountRange, RowsPerSlice, [&](int32_t first, int32_t last) {
        // Only the calling thread may tell the progress.
        rows.Fill(first, last, [&](int c) {
            if (std::this_thread::get_id() == caller) progress.Step(c);
        });
    });
}

void BuildAshLookup(TFalseColourTable& table, const double* thermal4, const double* thermal5,
                    const TAshPalette& palette) {
    if (!thermal4 || !thermal5) return;
    FillPairs(table, [&](int a, int b) {
        return palette[RoundToRange((thermal4[a] - thermal5[b]) * 10.0, -50, 50) + 50];
    });
}

void BuildNoaaPalette(TPalette1D& palette, int curve, const double* thermal4) {
    if (!thermal4) return;
    for (int c = 0; c < CountRange; ++c) palette[c] = Grey(TemperatureToGrey(curve, thermal4[c] - KelvinOffset));
}

namespace {

// Blank-separated decimal integers; nothing when a word is not one.
std::optional<std::vector<int>> ParseIntegers(const std::string& line) {
    std::vector<int> values;
    for (const std::string& word : SplitString(Trim(line), ' ')) {
        if (word.empty()) continue;
        int value = 0;
        if (!TryStrToInt(word, value)) return std::nullopt;
        values.push_back(value);
    }
    return values;
}

bool IsColourByte(int value) { return value >= 0 && value <= 255; }

// Colour from the last three numbers of an entry line.
std::optional<TBgrEntry> ParseColour(const std::vector<int>& values, size_t first) {
    if (values.size() < first + 3) return std::nullopt;
    const int red = values[first], green = values[first + 1], blue = values[first + 2];
    if (!IsColourByte(red) || !IsColourByte(green) || !IsColourByte(blue)) return std::nullopt;
    return FromRgb(red, green, blue);
}

void SetFileEntry(TPalette1D& palette, int entry, const TBgrEntry& colour) {
    std::fill_n(palette.begin() + 4 * entry, 4, colour);
}

// "JASC-PAL", version, count, then the colours; lines counted from 0. The
// number of colours read.
int ReadJascEntries(TPalette1D& palette, const std::vector<std::string>& lines) {
    if (lines.size() < 3) return 0;
    int count = 0;
    if (!TryStrToInt(Trim(lines[2]), count)) return 0;
    count = std::min(count, 256);
    int read = 0;
    for (int k = 0; k < count && static_cast<size_t>(k) + 3 < lines.size(); ++k, ++read) {
        const auto values = ParseIntegers(lines[k + 3]);
        const auto colour = values ? ParseColour(*values, 0) : std::nullopt;
        if (!colour) break;
        SetFileEntry(palette, k, *colour);
    }
    return read;
}

// "Palette" and one more line, then "index red green blue" lines. The
// number of colours read.
int ReadIndexedEntries(TPalette1D& palette, const std::vector<std::string>& lines) {
    int read = 0;
    for (int k = 0; k < 256 && static_cast<size_t>(k) + 2 < lines.size(); ++k) {
        const auto values = ParseIntegers(lines[k + 2]);
        if (!values || values->empty()) break;
        if ((*values)[0] != k) continue;
        const auto colour = ParseColour(*values, 1);
        if (!colour) break;
        SetFileEntry(palette, k, *colour);
        ++read;
    }
    return read;
}

}  // namespace

bool LoadPaletteFile(TPalette1D& palette, const std::string& fileName) {
    for (int i = 0; i < CountRange; ++i) palette[i] = Grey(i >> 2);
    if (fileName.empty() || !FileExists(fileName)) return false;
    std::vector<std::string> lines;
    if (ReadKeptLines(fileName, MostPaletteFileBytes, lines).Kind != TKeptFile::TKind::Read || lines.empty()) return false;
    if (StartsText("JASC-PAL", lines[0])) return ReadJascEntries(palette, lines) > 0;
    if (StartsText("Palette", lines[0])) return ReadIndexedEntries(palette, lines) > 0;
    return false;
}

void BuildTemperaturePalette(TPalette1D& palette, const double* thermal4, bool userRange, int userMin,
                             int userMax) {
    if (!thermal4) return;
    for (int c = 0; c < CountRange; ++c) {
        const double t = thermal4[c] - KelvinOffset;
        if (!userRange) {
            palette[c] = FromBytes(TemperatureToGreyRgb(t));
            continue;
        }
        int32_t red = 0, green = 0, blue = 0;
        ValueToHueRgb(t, userMin, userMax, red, green, blue);
        palette[c] = FromRgb(red, green, blue);
    }
}

TBgrEntry SstPaletteColour(const TSensor& sensor, double celsius) {
    int32_t red = 0, green = 0, blue = 0;
    sensor.TemperatureToColour(celsius, red, green, blue);
    return FromRgb(red, green, blue);
}

void BuildSstLookup(TFalseColourTable& table, TSensor& sensor, const TViewOptions& options) {
    sensor.SetSstCloudTest(options.CheckBoxSSTIrCloudCheck);
    sensor.SetSstMaxZenith(options.CheckBoxSSTZenithCheck ? 53.0f : 88.0f);
    sensor.SetSstMinT4(static_cast<float>(options.UpDownSSTCh4Reject));
    // No zenith angle in the lookup: the zenith limit does not apply here,
    // and one rule serves every pair, worked out a row at a time. Neighbours
    // of one temperature (the rejected pairs, mostly) share one colour.
    std::array<uint16_t, CountRange> columns{};
    std::iota(columns.begin(), columns.end(), uint16_t{0});
    ForLineRanges(0, CountRange, [&](int32_t first, int32_t last) {
        std::array<uint16_t, CountRange> row{};
        std::array<float, CountRange> sst{};
        for (int count4 = first; count4 < last; ++count4) {
            row.fill(static_cast<uint16_t>(count4));
            sensor.SeaSurfaceTemperatures(row.data(), columns.data(), CountRange, -1.0f, true, sst.data());
            TBgrEntry* colours = table.Row(count4);
            colours[0] = SstPaletteColour(sensor, sst[0]);
            for (int b = 1; b < CountRange; ++b)
                colours[b] = sst[b] == sst[b - 1] ? colours[b - 1] : SstPaletteColour(sensor, sst[b]);
        }
    });
}

int VegetationLevel(double ndvi) {
    if (ndvi < -0.05) return 255;
    if (ndvi > 0.6) return 0;
    return RoundToRange(240.0 - (ndvi + 0.05) * 350.0, 0, 255);
}

namespace {

// Green shades of the vegetation index over the channel-2 brightness.
TBgrEntry GreenVegetation(double ndvi, int32_t stretched2) {
    double s = ndvi > 0.0 ? std::min(ndvi / 0.6, 1.0) : 0.0;
    const double hue = 70.0 * s + 30.0;
    const double value = stretched2 / 1023.0;
    if (value < 0.5 && s < 0.05) s = 0.05;
    if (s > 0.0) s = std::pow(s, 0.67);
    double red = 0, green = 0, blue = 0;
    HsvToRgb(hue, 0.75 * s, value, red, green, blue);
    return FromFraction({red, green, blue});
}

}  // namespace

void BuildVegetationLookup(TFalseColourTable& table, TPalette1D& palette, const TSensor& sensor,
                           THRPTvideo& video, const TViewOptions& options,
                           const std::string& ndviPaletteFileName) {
    const bool paletteNamed = !ndviPaletteFileName.empty();
    if (paletteNamed) LoadPaletteFile(palette, ndviPaletteFileName);
    const TCountTable* stretch1 = video.LinearStretch(1);
    const TCountTable* stretch2 = video.LinearStretch(2);
    const bool colour = options.CheckBoxColourVegetation && stretch1 && stretch2 && !paletteNamed;
    const TCountTable* equalised2 =
        colour && options.CheckBoxColourVegetationGreen ? video.EqualisedStretch(2, 3.0f) : nullptr;
    const bool green = equalised2 != nullptr;

    FillPairs(table, [&](int a, int b) {
        const double ndvi = sensor.Ndvi(a, b);
        const int level = VegetationLevel(ndvi);
        if (green) return GreenVegetation(ndvi, (*equalised2)[b]);
        if (colour) {
            const int k = (*stretch1)[a] / 6;
            return FromRgb(k + 255 - level, k, k);
        }
        if (paletteNamed) return palette[4 * level];
        return Grey(level);
    });
}

void BuildMvlLookup(TFalseColourTable& table) {
    FillPairs(table, [](int a, int b) {
        const int green = std::min(2 * (a >> 2), 255);
        const int blue = b >> 2;
        const int red = std::min(green + std::max(green - blue, 0), 255);
        return FromRgb(red, green, blue);
    });
}

}  // namespace kestrune
