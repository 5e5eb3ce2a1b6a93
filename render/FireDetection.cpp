#include "render/FireDetection.h"

#include "decoding/HRPTvideo.h"
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "orbit/EarthLocations.h"
#include "platform/ProgramStrings.h"
#include "platform/RegistryVariables.h"
#include "platform/SystemUtils.h"
#include "render/IPLbitmap.h"
#include "render/PixelLocation.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>

namespace kestrune {
namespace {

// An up-down's stored position is held in its range; a combo box index
// outside its items means nothing chosen.
struct TIntegerSetting {
    const char* Name;
    int TFireSettings::*Field;
    int Min;
    int Max;
    bool ChoiceIndex;
};

constexpr std::array<TIntegerSetting, 12> IntegerSettings{{
    {"FireDeltaT", &TFireSettings::FireDeltaT, 1, 30, false},
    {"FireThresholdT", &TFireSettings::FireThresholdT, 295, 340, false},
    {"FireAvgMethod", &TFireSettings::FireAvgMethod, -1, 1, true},
    {"FireAvgRegionSize", &TFireSettings::FireAvgRegionSize, 1, 10, false},
    {"FireAvgDeltaReq", &TFireSettings::FireAvgDeltaReq, 0, 400, false},
    {"FireAvgMinTch4", &TFireSettings::FireAvgMinTch4, 0, 360, false},
    {"FireAvgMinTch3", &TFireSettings::FireAvgMinTch3, 10, 360, false},
    {"FireAvgEdgeMargin", &TFireSettings::FireAvgEdgeMargin, 20, 512, false},
    {"FireSaveNorthLat", &TFireSettings::FireSaveNorthLat, -90, 90, false},
    {"FireSaveSouthLat", &TFireSettings::FireSaveSouthLat, -90, 90, false},
    {"FireSaveWestLon", &TFireSettings::FireSaveWestLon, -180, 180, false},
    {"FireSaveEastLon", &TFireSettings::FireSaveEastLon, -180, 180, false},
}};

struct TBooleanSetting {
    const char* Name;
    bool TFireSettings::*Field;
};

constexpr std::array<TBooleanSetting, 3> BooleanSettings{{
    {"FireIncludeDeltaT", &TFireSettings::FireIncludeDeltaT},
    {"FireUseAvg", &TFireSettings::FireUseAvg},
    {"FireSaveLimitRegion", &TFireSettings::FireSaveLimitRegion},
}};

constexpr char FirePixelColourName[] = "FirePixelColour";

int InControlRange(const TIntegerSetting& setting, int value) {
    if (setting.ChoiceIndex) return value < setting.Min || value > setting.Max ? -1 : value;
    return std::clamp(value, setting.Min, setting.Max);
}

// The difference image's values.
constexpr int NoDifference = 800;
constexpr int LowestDifference = 10;
constexpr int HighestDifference = 1000;
// Without a channel-3 calibration no pixel is rejected as too cold.
constexpr double UncalibratedT3 = 999.0;
constexpr uint8_t FireClass = 255;
constexpr int FireListWidth = 2048;
// Pixels whose locations span a line for the region test.
constexpr int32_t RegionTestFirstPixel = 24;
constexpr int32_t RegionTestLastPixel = 2024;

int RegionSize(const TFireSettings& settings) { return std::clamp(settings.FireAvgRegionSize, 1, 10); }

IplImage NewGreyImage(int width, int height) { return IplImage::Allocate(width, height, 1, IplDepth::U16); }

// Integer division of every sample, through a table of quotients: a
// division instruction per sample would cost more than the box sums.
void DivideAll(IplImage& image, int divisor) {
    std::vector<uint16_t> quotient(size_t{1} << 16);
    for (size_t v = 0; v < quotient.size(); ++v) quotient[v] = static_cast<uint16_t>(v / static_cast<size_t>(divisor));
    for (int y = 0; y < image.Height(); ++y) {
        uint16_t* row = image.RowAs<uint16_t>(y);
        for (int x = 0; x < image.Width(); ++x) row[x] = quotient[row[x]];
    }
}

// Sum over a run of 2n+1 pixels along x or y, then divided by its length.
void BoxAverage(const IplImage& source, IplImage& destination, int regionSize, bool alongLines) {
    const int side = 2 * regionSize + 1;
    const TIplConvKernel kernel =
        alongLines ? iplCreateConvKernel(side, 1, regionSize, 0, std::vector<int>(static_cast<size_t>(side), 1), 0)
                   : iplCreateConvKernel(1, side, 0, regionSize, std::vector<int>(static_cast<size_t>(side), 1), 0);
    iplConvolve2D(source, destination, kernel);
    DivideAll(destination, side);
}

// Channel 3 of every line of the store, seen in place (the filters only
// read it), or an empty image without channel 3.
IplImage Channel3Image(const TPassState& pass) {
    if (!pass.Video->ChannelPresent[3]) return {};
    return IplImageOfChannel(pass.Video->ChannelView(3));
}

// Counts warm enough in channel 3 to be examined at all.
std::array<bool, CountRange> ExaminedCounts(const TSensor& sensor, const TFireSettings& settings) {
    std::array<bool, CountRange> examined{};
    const double* table3 = sensor.ThermalTable3();
    for (int c = 0; c < CountRange; ++c) {
        const double t3 = table3 ? table3[c] : UncalibratedT3;
        examined[static_cast<size_t>(c)] = !(t3 < settings.FireAvgMinTch3);
    }
    return examined;
}

// FireImage3 := 800 + raw - background inside the examined area, 800 elsewhere.
void BuildDifferenceImage(const IplImage& raw, const IplImage& background, const std::array<bool, CountRange>& examined,
                          int regionSize, int edgeMargin, IplImage& difference) {
    const int width = raw.Width();
    const int height = raw.Height();
    const int margin = std::max(edgeMargin, 2 * regionSize);
    for (int y = 0; y < height; ++y) {
        uint16_t* out = difference.RowAs<uint16_t>(y);
        const bool lineExamined = y >= 2 * regionSize && y <= height - 2 * regionSize;
        const uint16_t* counts = raw.RowAs<uint16_t>(y);
        const uint16_t* backgroundRow = background.RowAs<uint16_t>(y);
        for (int x = 0; x < width; ++x) {
            const int count = counts[x] & (CountRange - 1);
            int value = NoDifference;
            if (lineExamined && x >= margin && x <= width - margin && examined[static_cast<size_t>(count)])
                value = std::clamp(NoDifference + count - backgroundRow[x], LowestDifference, HighestDifference);
            out[x] = static_cast<uint16_t>(value);
        }
    }
}

void FillFireRow(TFireClassTable& table, int first, const std::array<uint8_t, CountRange>& row) {
    std::memcpy(table.data() + static_cast<size_t>(first) * CountRange, row.data(), row.size());
}

// Advanced: a raw count far enough below its background, and a warm channel 4.
void BuildAdvancedClasses(const double* table4, const TFireSettings& settings, TFireClassTable& table) {
    std::array<uint8_t, CountRange> row{};
    for (int j = 0; j < CountRange; ++j)
        row[static_cast<size_t>(j)] = static_cast<float>(table4[j]) >= static_cast<float>(settings.FireAvgMinTch4)
                                          ? FireClass
                                          : 0;
    const int firstValues = std::clamp(NoDifference - settings.FireAvgDeltaReq, 0, CountRange);
    for (int i = 0; i < firstValues; ++i) FillFireRow(table, i, row);
}

// Standard: a hot channel 3, and with the difference test a channel 3 hotter than channel 4.
void BuildStandardClasses(const double* table3, const double* table4, const TFireSettings& settings,
                          TFireClassTable& table) {
    const auto threshold = static_cast<float>(settings.FireThresholdT);
    const auto delta = static_cast<float>(settings.FireDeltaT);
    std::array<uint8_t, CountRange> row{};
    for (int i = 0; i < CountRange; ++i) {
        const auto t3 = static_cast<float>(table3[i]);
        if (!(t3 >= threshold)) continue;
        for (int j = 0; j < CountRange; ++j) {
            const bool fire = !settings.FireIncludeDeltaT || t3 - static_cast<float>(table4[j]) >= delta;
            row[static_cast<size_t>(j)] = fire ? FireClass : 0;
        }
        FillFireRow(table, i, row);
    }
}

struct TFireRegion {
    float North;
    float South;
    float West;
    float East;

    bool Contains(float latitude, float longitude) const {
        return latitude >= South && latitude <= North && longitude >= West && longitude <= East;
    }
};

// The line's span from pixel 24 to pixel 2024 overlaps the region.
bool LineTouchesRegion(const TPixelLocator& locator, int32_t line, const TFireRegion& region) {
    float latitude1 = 0;
    float longitude1 = 0;
    float latitude2 = 0;
    float longitude2 = 0;
    if (!locator.PixelLocation(RegionTestFirstPixel, line, latitude1, longitude1) ||
        !locator.PixelLocation(RegionTestLastPixel, line, latitude2, longitude2))
        return false;
    return std::min(latitude1, latitude2) <= region.North && std::max(latitude1, latitude2) >= region.South &&
           std::min(longitude1, longitude2) <= region.East && std::max(longitude1, longitude2) >= region.West;
}

std::string FireListHeading(const TPassState& pass, const std::string& sourceFileName) {
    const TEarthLocations& locations = *pass.EarthLocations;
    const TDateTime midPass = (locations.StartTime + locations.EndTime) / 2.0;
    return std::string("Fire pixel locations: ") + DegreeSign + "latitude (-S +N)  " + DegreeSign +
           "longitude (-W +E), mid-pass at " + FormatDateTime("yyyy-mm-dd hh:nn \"UTC, \"", midPass) +
           "from file: " + sourceFileName;
}

// Rows of the first value: the difference image (advanced) or channel 3.
std::function<const uint16_t*(int32_t)> FirstValueRows(const TPassState& pass, const TFireSettings& settings,
                                                       const TFireFilterImages& images, int32_t lines) {
    const THRPTvideo& video = *pass.Video;
    if (!settings.FireUseAvg) {
        if (!video.ChannelPresent[3] || video.SampleAddress(3, 0) == nullptr) return {};
        return [&video](int32_t y) { return video.SampleAddress(3, y); };
    }
    const IplImage* difference = images.Image(3);
    if (!difference || difference->Width() < video.Width() || difference->Height() < lines) return {};
    return [difference](int32_t y) { return difference->RowAs<uint16_t>(y); };
}

void AppendFirePixels(const TPassState& pass, const TFireSettings& settings,
                      const std::function<const uint16_t*(int32_t)>& firstRows, std::vector<std::string>& lines) {
    const THRPTvideo& video = *pass.Video;
    TFireClassTable table;
    BuildFireClassTable(*pass.Sensor, settings, table);
    const TPixelLocator locator(pass);
    const TFireRegion region{static_cast<float>(settings.FireSaveNorthLat), static_cast<float>(settings.FireSaveSouthLat),
                             static_cast<float>(settings.FireSaveWestLon), static_cast<float>(settings.FireSaveEastLon)};
    const bool limited = settings.FireSaveLimitRegion;
    const int32_t lineCount = std::min(pass.DataLineCount, video.LineCount());
    for (int32_t y = 0; y < lineCount; ++y) {
        if (video.GetLineFlag(y) == 0 || (limited && !LineTouchesRegion(locator, y, region))) continue;
        const uint16_t* first = firstRows(y);
        const uint16_t* channel4 = video.SampleAddress(4, y);
        for (int32_t x = 0; x < video.Width(); ++x) {
            const size_t index = static_cast<size_t>(first[x] & (CountRange - 1)) * CountRange +
                                 (channel4[x] & (CountRange - 1));
            float latitude = 0;
            float longitude = 0;
            if (table[index] == 0 || !locator.PixelLocation(x, y, latitude, longitude)) continue;
            if (limited && !region.Contains(latitude, longitude)) continue;
            lines.push_back(Format("%.2f %.2f", latitude, longitude));
        }
    }
}

}  // namespace

struct TFireSettingsStore::TVariables {
    std::vector<std::unique_ptr<TRegistryInteger>> Integers;
    std::vector<std::unique_ptr<TRegistryBoolean>> Booleans;
    std::unique_ptr<TRegistryInteger> Colour;
};

TFireSettingsStore::TFireSettingsStore() : variables_(std::make_unique<TVariables>()) {
    for (const TIntegerSetting& setting : IntegerSettings) {
        auto& variable = variables_->Integers.emplace_back(
            std::make_unique<TRegistryInteger>(setting.Name, Values.*setting.Field));
        Values.*setting.Field = InControlRange(setting, variable->Value);
    }
    // A region stored south side up would hold no pixel at all.
    if (Values.FireSaveNorthLat < Values.FireSaveSouthLat) std::swap(Values.FireSaveNorthLat, Values.FireSaveSouthLat);
    for (const TBooleanSetting& setting : BooleanSettings) {
        auto& variable = variables_->Booleans.emplace_back(
            std::make_unique<TRegistryBoolean>(setting.Name, Values.*setting.Field));
        Values.*setting.Field = variable->Value;
    }
    variables_->Colour =
        std::make_unique<TRegistryInteger>(FirePixelColourName, static_cast<int32_t>(Values.FirePixelColour), 0,
                                           StoredColourLimit);
    Values.FirePixelColour = static_cast<TColor>(variables_->Colour->Value);
}

TFireSettingsStore::~TFireSettingsStore() {
    for (size_t i = 0; i < IntegerSettings.size(); ++i)
        variables_->Integers[i]->Value = Values.*IntegerSettings[i].Field;
    for (size_t i = 0; i < BooleanSettings.size(); ++i)
        variables_->Booleans[i]->Value = Values.*BooleanSettings[i].Field;
    variables_->Colour->Value = static_cast<int32_t>(Values.FirePixelColour);
    // Freeing the variables writes them.
}

std::string FireRegionSizeText(int regionSize) {
    const int side = 2 * regionSize + 1;
    return FormatResStr(res::SFireRegionSize, {std::to_string(side), std::to_string(side)});
}

const IplImage* TFireFilterImages::Image(int image) const {
    const IplImage* chosen = image == 1 ? &FireImage1 : image == 2 ? &FireImage2 : image == 3 ? &FireImage3 : nullptr;
    return chosen && !chosen->Empty() ? chosen : nullptr;
}

void TFireFilterImages::Clear() {
    FireImage1 = IplImage();
    FireImage2 = IplImage();
    FireImage3 = IplImage();
}

void BuildFireFilterImages(const TPassState& pass, const TFireSettings& settings, TFireFilterImages& images,
                           const TFireStatusText& showStatus) {
    const THRPTvideo& video = *pass.Video;
    if (!settings.FireUseAvg || video.Width() <= 0 || video.LineCount() <= 0) return;
    if (showStatus) showStatus(resStr(res::SDetectingFires));
    images.Clear();
    try {
        const IplImage raw = Channel3Image(pass);
        if (raw.Empty()) return;
        const int n = RegionSize(settings);
        TFireFilterImages built;
        built.FireImage2 = NewGreyImage(raw.Width(), raw.Height());
        iplMedianFilter(raw, built.FireImage2, 2 * n + 1);
        // The horizontal pass goes through image 3, which the difference replaces.
        built.FireImage3 = NewGreyImage(raw.Width(), raw.Height());
        BoxAverage(raw, built.FireImage3, n, true);
        built.FireImage1 = NewGreyImage(raw.Width(), raw.Height());
        BoxAverage(built.FireImage3, built.FireImage1, n, false);
        const IplImage& background = settings.FireUseMedian() ? built.FireImage2 : built.FireImage1;
        BuildDifferenceImage(raw, background, ExaminedCounts(*pass.Sensor, settings), n, settings.FireAvgEdgeMargin,
                             built.FireImage3);
        images = std::move(built);
    } catch (const std::exception&) {
        // Fire detection reports nothing: without memory for the images the fire views stay empty.
        images.Clear();
    }
}

void BuildFireFilterImagesAfterLoad(const TPassState& pass, const TFireSettings& settings,
                                    TFireFilterImages& images, const TFireStatusText& showStatus) {
    images.Clear();
    BuildFireFilterImages(pass, settings, images, showStatus);
}

void BuildFireClassTable(const TSensor& sensor, const TFireSettings& settings, TFireClassTable& table) {
    BuildFireClassTable(sensor.ThermalTable3(), sensor.ThermalTable4(), settings, table);
}

void BuildFireClassTable(const double* thermal3, const double* thermal4, const TFireSettings& settings,
                         TFireClassTable& table) {
    table.assign(FireClassTableSize, 0);
    if (!thermal4) return;
    if (settings.FireUseAvg)
        BuildAdvancedClasses(thermal4, settings, table);
    else if (thermal3)
        BuildStandardClasses(thermal3, thermal4, settings, table);
}

std::vector<std::string> FirePixelListText(const TPassState& pass, const TFireSettings& settings,
                                           const TFireFilterImages& images, const std::string& sourceFileName) {
    std::vector<std::string> lines;
    const THRPTvideo& video = *pass.Video;
    if (video.Width() != FireListWidth) return lines;
    lines.push_back(FireListHeading(pass, sourceFileName));
    const int32_t lineCount = std::min(pass.DataLineCount, video.LineCount());
    const auto firstRows = FirstValueRows(pass, settings, images, lineCount);
    const bool channel4 = video.ChannelPresent[4] && video.SampleAddress(4, 0) != nullptr;
    if (firstRows && channel4) AppendFirePixels(pass, settings, firstRows, lines);
    lines.insert(lines.begin() + 1, Format("%d pixels found", static_cast<int>(lines.size() - 1)));
    return lines;
}

}  // namespace kestrune
