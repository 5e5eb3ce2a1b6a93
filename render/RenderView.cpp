#include "render/RenderView.h"

#include "render/ScaledDisplay.h"

#include "decoding/HRPTvideo.h"
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "platform/ResCodePages.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/FileUtils.h"
#include "platform/ParallelLines.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/SystemUtils.h"
#include "render/ClutImages.h"
#include "render/ColourScales.h"
#include "render/GroundPath.h"
#include "render/JPEG_IO.h"
#include "render/IPLbitmap.h"
#include "render/LineSlices.h"
#include "render/ScaledDisplay.h"
#include "render/ViewLookups.h"
#include "render/qelODPSdata.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <numeric>

namespace kestrune {

namespace {

constexpr int MinimumRenderWidth = 400;
constexpr int TopCount = CountRange - 1;
constexpr int LinesBetweenEvents = 100;
constexpr int LinesPerSlice = 8;
constexpr int MaxIlluminatedWidth = 2048;
// A shorter land mask file is taken as damaged and not used.
constexpr int64_t SmallestLandMaskBytes = 15511552;


// Sets a flag for the life of the guard.
class TBusyFlag {
public:
    explicit TBusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~TBusyFlag() { flag_ = false; }
    TBusyFlag(const TBusyFlag&) = delete;
    TBusyFlag& operator=(const TBusyFlag&) = delete;

private:
    bool& flag_;
};

const TCountTable& IdentityTable() {
    static const TCountTable identity = [] {
        TCountTable table{};
        std::iota(table.begin(), table.end(), 0);
        return table;
    }();
    return identity;
}

// A stretch table, or the identity when there is none.
const int32_t* OrIdentity(const TCountTable* table) { return (table ? *table : IdentityTable()).data(); }

inline int Count(const uint16_t* line, int x) { return line[x] & TopCount; }

inline void PutGrey(uint8_t* pixel, int grey) {
    pixel[0] = pixel[1] = pixel[2] = static_cast<uint8_t>(grey);
}

inline void PutColour(uint8_t* pixel, const TBgrEntry& colour) { std::memcpy(pixel, &colour, 3); }

inline int ClampCount(int v) { return std::clamp(v, 0, TopCount); }
inline int ClampByte(int v) { return std::clamp(v, 0, 255); }

TBgrEntry EntryOf(TColor colour) { return {BlueOf(colour), GreenOf(colour), RedOf(colour)}; }

constexpr uint8_t WhiteByte = 0xFF;

// Calls the action when the scope ends, however it ends.
class TScopeExit {
public:
    explicit TScopeExit(std::function<void()> action) : action_(std::move(action)) {}
    ~TScopeExit() { action_(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    std::function<void()> action_;
};

void WhitenRows(TExtBitmap& bitmap, int first, int last) {
    if (first >= last) return;
    std::memset(bitmap.ScanLine(first), WhiteByte, bitmap.RowStride() * static_cast<size_t>(last - first));
}

}  // namespace

// One render: the tables of the view, built before the line loop and freed
// after it, and the line loop itself.
class TRenderView::TRenderer {
public:
    explicit TRenderer(TRenderView& owner)
        : owner_(owner), pass_(owner.pass_), video_(*owner.pass_.Video), telemetry_(*owner.pass_.TelemetryData),
          sensor_(*owner.pass_.Sensor.get()), host_(owner.host_), options_(owner.Options),
          settings_(owner.Settings), services_(owner.Services) {}

    void Render();

private:
    using TLineFill = std::function<void(int y, uint8_t* pixels)>;

    const uint16_t* Line(int channel, int y) const { return video_.SampleAddress(channel, y); }
    bool Present(int channel) const {
        return channel >= 1 && channel <= VideoChannels && video_.SampleAddress(channel, 0) != nullptr;
    }
    int Width() const { return video_.Width(); }
    void Status(uint16_t text) { host_.SetStatusText(resStr(text)); }

    void Draw();
    void RestoreHistograms();
    TLineFill Prepare(uint8_t view);
    TLineFill AllChannels();
    TLineFill ChannelView(int channel);
    TLineFill FalseColour();
    void BuildFalseColourTable(int colour);
    bool IlluminateBrightness(int brightness, int32_t space);
    const int32_t* BrightnessStretch(int brightness);
    std::array<const int32_t*, 3> PrepareBlend(int colour);
    TLineFill Mvl();
    TLineFill ThreeChannels(const std::array<int, 3>& channels, const std::array<const int32_t*, 3>& stretch,
                            const std::array<bool, 3>& inverted);
    TLineFill Rgb();
    TLineFill UserRgb();
    std::array<const int32_t*, 3> ColourStretches(const std::array<int, 3>& channels, bool stretch);
    TLineFill Noaa();
    TLineFill Snow();
    TLineFill Paletted();
    TLineFill Temperature();
    TLineFill Vegetation();
    TLineFill ThroughPalette(int channel);
    TLineFill ThroughColourTable(int first, int second);
    TLineFill Sst();
    // The land/sea mask of the SST view, when it is asked for and usable.
    bool OpenLandMask();
    TLineFill ChannelDifference();
    TLineFill Channel3Raw();
    TLineFill FireFilterImage(int image);
    TLineFill Fire();
    TLineFill GroundPath();
    TLineFill Black();

    // gain[x] = ((ramp x + W) x scale) div (divisor x W), mirrored for a southbound pass.
    std::vector<int32_t> IlluminationGain(int ramp, int scale, int divisor);
    void ApplyIllumination(const std::vector<int32_t>& gain, int32_t space);
    bool Crispen(int channel);
    bool BuildFireTable();
    const IplImage* FilterImage(int image) const;
    // Channel 3, or the difference image with the advanced algorithm.
    const uint16_t* FireSourceRow(int y) const;

    void SizeBitmap(uint8_t view);
    void RunLineLoop(const TLineFill& fill);

    TRenderView& owner_;
    TPassState& pass_;
    THRPTvideo& video_;
    TTelemetryData& telemetry_;
    TSensor& sensor_;
    TRenderHost& host_;
    TViewOptions& options_;
    const TRenderSettings& settings_;
    const TRenderServices& services_;

    std::unique_ptr<TFalseColourTable> colourTable_;
    std::unique_ptr<TPalette1D> palette_;
    std::unique_ptr<TBlendScreen> blend_;
    TFireClassTable fireTable_;
    TCountTable gammaTable_{};
    TSnowGammaTable snowGamma_{};
    std::vector<int32_t> illumGain_;
    TIplImg crispImage_;
    TExtBitmap groundPathMaster_;
    std::unique_ptr<TODPSdata> landMask_;
    // The land mask reads its file as it goes: its lines are drawn one at a time.
    bool oneLineAtATime_ = false;
    // The picture was made for this render: none of its pixels is drawn yet.
    bool freshPicture_ = false;
    bool histogramsCorrected_ = false;
    bool autoStretch_ = false;
};

void TRenderView::TRenderer::Render() {
    const TProgressFrame frame(host_, pass_.DataLineCount - 1);
    host_.SetProgressPosition(0);
    try {
        Draw();
    } catch (...) {
        RestoreHistograms();
        throw;
    }
    RestoreHistograms();
}

void TRenderView::TRenderer::Draw() {
    const uint8_t view = owner_.viewIndex_;
    const TLineFill fill = Prepare(view);
    SizeBitmap(fill ? view : NoView);
    if (owner_.displayBitmap_.Height() == 0) {
        TDialogService::Instance().ShowMessage(resStr(res::SInvalidChannels));
        return;
    }
    Status(res::SMappingChannels);
    RunLineLoop(fill);
    if (autoStretch_) AutoStretchBitmap(owner_.displayBitmap_);
}

// Histograms made with an illumination correction describe the plain
// samples again; untouched ones already do.
void TRenderView::TRenderer::RestoreHistograms() {
    if (histogramsCorrected_) video_.ComputeHistograms({}, 0);
}

void TRenderView::TRenderer::SizeBitmap(uint8_t view) {
    TExtBitmap& bitmap = owner_.displayBitmap_;
    if (bitmap.PixelFormat() != TPixelFormat::pf24bit) bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    if (view < ViewCount) freshPicture_ = bitmap.SetSizeForOverwrite(Width(), video_.LineCount());
    else bitmap.SetHeight(0);
}

void TRenderView::TRenderer::RunLineLoop(const TLineFill& fill) {
    const int lines = std::min(pass_.DataLineCount, video_.LineCount());
    TExtBitmap& bitmap = owner_.displayBitmap_;
    const size_t rowBytes = bitmap.RowBytes();
    const size_t padding = bitmap.RowStride() - rowBytes;
    const auto draw = [&](int32_t from, int32_t to) {
        for (int32_t y = from; y < to; ++y) {
            uint8_t* row = bitmap.ScanLine(y);
            fill(y, row);
            if (freshPicture_) std::memset(row + rowBytes, WhiteByte, padding);
        }
    };
    int drawn = 0;
    // A new picture is white where the loop draws nothing: past the data,
    // after a stop, and from the lines whose drawing failed.
    const TScopeExit whitenUndrawn([&] {
        if (freshPicture_) WhitenRows(bitmap, drawn, bitmap.Height());
    });
    // Every processor draws about as many lines between two looks at the
    // events as one drawing alone would: the picture comes as often.
    const int step = oneLineAtATime_ ? LinesBetweenEvents
                                     : LinesBetweenEvents * static_cast<int>(LinePoolThreads() + 1);
    for (int first = 0; first < lines; first += step) {
        host_.SetProgressPosition(first);
        host_.ProcessPendingEvents();
        if (pass_.AbortRequested) break;
        const int last = std::min(first + step, lines);
        if (oneLineAtATime_) draw(first, last);
        else ForLineSlices(first, last, LinesPerSlice, draw, settings_.ReceiverRunning);
        drawn = last;
    }
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Prepare(uint8_t view) {
    switch (view) {
        case ViewAll: return AllChannels();
        case ViewFalseColour: return FalseColour();
        case ViewMvl: return Mvl();
        case ViewRgb: return Rgb();
        case ViewUser: return UserRgb();
        case ViewNoaa: return Noaa();
        case ViewPaletted: return Paletted();
        case ViewTemperature: return Temperature();
        case ViewSst: return Sst();
        case ViewVegetation: return Vegetation();
        case ViewCh4MinusCh5: return ChannelDifference();
        case ViewCh3Raw: return Channel3Raw();
        case ViewCh3AvgFilt: return FireFilterImage(1);
        case ViewCh3MedianFilt: return FireFilterImage(2);
        case ViewCh3RawMinusFilt: return FireFilterImage(3);
        case ViewFire: return Fire();
        case ViewGroundPath: return GroundPath();
        case ViewOverlay: return Black();
        default:
            if (view >= ViewChannel1 && view < ViewChannel1 + VideoChannels) return ChannelView(view);
            return {};
    }
}

// ---- all channels, single channels ------------------------------------------

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::AllChannels() {
    int strips = 1;
    switch (pass_.SensorKind) {
        case SensorAvhrr:
        case SensorSpot: strips = 5; break;
        case SensorSeaWifs: strips = 8; break;
        case SensorFengYun1: strips = 10; break;
        default: break;
    }
    std::vector<int> channelOfColumn(Width());
    for (int x = 0; x < Width(); ++x) channelOfColumn[x] = x * strips / Width() + 1;
    return [this, channelOfColumn](int y, uint8_t* pixels) {
        std::array<const uint16_t*, VideoChannels + 1> lines{};
        for (int channel = 1; channel <= VideoChannels; ++channel) lines[channel] = Line(channel, y);
        for (int x = 0; x < Width(); ++x, pixels += 3) {
            const uint16_t* line = lines[channelOfColumn[x]];
            PutGrey(pixels, line ? Count(line, x) >> 2 : 64);
        }
    };
}

std::vector<int32_t> TRenderView::TRenderer::IlluminationGain(int ramp, int scale, int divisor) {
    const int w = Width();
    std::vector<int32_t> gain(w);
    for (int x = 0; x < w; ++x)
        gain[x] = static_cast<int32_t>((int64_t{ramp} * x + w) * scale / (int64_t{divisor} * w));
    if (!pass_.Northbound) std::reverse(gain.begin(), gain.end());
    return gain;
}

void TRenderView::TRenderer::ApplyIllumination(const std::vector<int32_t>& gain, int32_t space) {
    video_.ComputeHistograms(gain, space);
    histogramsCorrected_ = true;
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::ChannelView(int channel) {
    if (!Present(channel)) return {};
    const TCountTable* stretch = video_.EqualisedStretch(channel, 3.0f);
    bool illumination = false;
    int32_t space = 0;
    float gamma = 1.0f;
    if (channel <= 5) gamma = GammaForSelection(options_.ComboBoxGammaCorrectCh(channel));
    if (channel <= 3) {
        illumination = options_.CheckBoxIllumEqCh(channel);
        if (!options_.EqHistChan(channel) || illumination) stretch = nullptr;
        space = telemetry_.SpaceCount(channel);
        if (channel == 3 && space > 100) illumination = false;
    } else if (channel <= 5 && !options_.EqHistChan(channel)) {
        stretch = nullptr;
    }
    const bool gammaCorrected = gamma != 1.0f;
    if (gammaCorrected) BuildChannelGammaTable(gammaTable_, gamma);
    if (Width() > MaxIlluminatedWidth) illumination = false;
    if (illumination) {
        illumGain_ = IlluminationGain(1, 512, 3);
        ApplyIllumination(illumGain_, space);
    }
    const int32_t* table = OrIdentity(stretch);
    return [this, channel, table, illumination, space, gammaCorrected](int y, uint8_t* pixels) {
        const uint16_t* line = Line(channel, y);
        for (int x = 0; x < Width(); ++x, pixels += 3) {
            int v = table[Count(line, x)];
            if (illumination) v = ClampCount(((std::max(v - space, 0) * illumGain_[x]) >> 8) + space);
            PutGrey(pixels, gammaCorrected ? gammaTable_[v] : v >> 2);
        }
    };
}

// ---- false colour -----------------------------------------------------------

bool TRenderView::TRenderer::Crispen(int channel) {
    try {
        Status(res::SCrispening);
        TChannelView source = video_.ChannelView(channel);
        source.Height = std::min(pass_.DataLineCount, source.Height);
        crispImage_.SetWidth(source.Width);
        crispImage_.SetHeight(source.Height);
        iplConvolve2D(IplImageOfChannel(source), crispImage_.Image(),
                      options_.RadioGroupCrispenFC == 1 ? CrispenKernel() : CrispenMoreKernel());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TRenderView::TRenderer::BuildFireTable() {
    // The advanced algorithm classifies difference values: without a
    // difference image that fits the pass there is nothing to classify.
    if (!services_.BuildFireClassTable || !Present(3) || !Present(4) || (settings_.FireUseAvg && !FilterImage(3)))
        return false;
    Status(res::SBuildingFireOverlay);
    fireTable_.assign(FireClassTableSize, 0);
    services_.BuildFireClassTable(fireTable_);
    return fireTable_.size() == FireClassTableSize;
}

// A filter image of the fire detection, when it is one of this pass's size
// (an earlier pass's images are not to be read).
const IplImage* TRenderView::TRenderer::FilterImage(int image) const {
    const IplImage* filtered = services_.FireImage ? services_.FireImage(image) : nullptr;
    const int lines = std::min(pass_.DataLineCount, video_.LineCount());
    if (!filtered || filtered->Empty() || filtered->Depth() != IplDepth::U16 || filtered->Width() < Width() ||
        filtered->Height() < lines)
        return nullptr;
    return filtered;
}

const uint16_t* TRenderView::TRenderer::FireSourceRow(int y) const {
    return settings_.FireUseAvg ? FilterImage(3)->RowAs<uint16_t>(y) : Line(3, y);
}

void TRenderView::TRenderer::BuildFalseColourTable(int colour) {
    const std::optional<TClutImage> clut = LoadClut(settings_.ClutFileName, &owner_.clutTold_);
    BuildFalseColourLookup(*colourTable_,
                           {ColourChannelThermalTable(sensor_, colour),
                            options_.CheckBoxSeaBlue ? settings_.SeaColourThreshold : 0,
                            options_.ColorDialogSeaColour, GammaForSelection(options_.ComboBoxGammaCorrectFC),
                            clut ? &*clut : nullptr},
                           &host_);
}

// "Hist eq. illum" ramps the gain fully across the line, "Hist eq. mild"
// not at all; neither applies to the thermal channels or to wide lines.
bool TRenderView::TRenderer::IlluminateBrightness(int brightness, int32_t space) {
    const int adjust = options_.RadioGroupThermalBrightAdjust;
    if (adjust != AdjustHistEqIllum && adjust != AdjustHistEqMild) return false;
    if (brightness == 4 || brightness == 5 || Width() > MaxIlluminatedWidth) return false;
    illumGain_ = IlluminationGain(adjust == AdjustHistEqIllum ? 1 : 0, 256, 1);
    ApplyIllumination(illumGain_, space);
    return true;
}

const int32_t* TRenderView::TRenderer::BrightnessStretch(int brightness) {
    switch (options_.RadioGroupThermalBrightAdjust) {
        case AdjustStretch: return OrIdentity(video_.LinearStretch(brightness));
        case AdjustHistEq:
        case AdjustHistEqIllum: return OrIdentity(video_.EqualisedStretch(brightness, 3.0f));
        case AdjustHistEqFull: return OrIdentity(video_.EqualisedStretch(brightness, 0.0f));
        case AdjustHistEqMild: return OrIdentity(video_.EqualisedStretch(brightness, 0.6f));
        default: return IdentityTable().data();
    }
}

// The brightness of "VI": the screen blend of the brighter of channels 1 and
// 2 with the colour channel. Returns the stretches of channel 1, channel 2
// and the colour channel.
std::array<const int32_t*, 3> TRenderView::TRenderer::PrepareBlend(int colour) {
    const float clip = options_.RadioGroupThermalBrightAdjust == AdjustHistEqFull ? 0.0f : 3.0f;
    const std::array<const int32_t*, 3> stretch{OrIdentity(video_.EqualisedStretch(1, clip)),
                                                OrIdentity(video_.EqualisedStretch(2, clip)),
                                                OrIdentity(video_.EqualisedStretch(colour, 3.0f))};
    Status(res::SBuildingBlendScreen);
    blend_ = std::make_unique<TBlendScreen>();
    BuildBlendScreen(*blend_);
    autoStretch_ = true;
    return stretch;
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::FalseColour() {
    colourTable_ = std::make_unique<TFalseColourTable>();
    Status(res::SBuildingLookup);
    const bool vi = options_.RadioGroupBrightness == BrightnessVI;
    const int brightness = vi ? 1 : options_.RadioGroupBrightness + 1;
    const int32_t space = telemetry_.SpaceCount(brightness);
    const int colour = options_.RadioGroupColour == 1 ? 5 : options_.RadioGroupColour == 2 ? 6 : 4;
    if (!Present(brightness) || !Present(colour) || (vi && !Present(2))) return {};

    BuildFalseColourTable(colour);
    const bool crisp = options_.RadioGroupCrispenFC > 0 && !vi && Crispen(brightness);
    const bool illumination = IlluminateBrightness(brightness, space);
    const int32_t* brightStretch = BrightnessStretch(brightness);
    const std::array<const int32_t*, 3> viStretch = vi ? PrepareBlend(colour) : std::array<const int32_t*, 3>{};
    const bool fire = SidePanelShows(owner_.sidePanel_, TSidePanelControl::GroupBoxFire) &&
                      options_.CheckBoxShowFire && BuildFireTable();
    const TBgrEntry fireColour = EntryOf(settings_.FirePixelColour);

    const TBgrEntry* table = colourTable_->Row(0);
    const int32_t* gain = illumGain_.data();
    const int32_t* blend = blend_ ? blend_->Row(0) : nullptr;
    const uint8_t* fireClasses = fireTable_.data();
    return [=, this](int y, uint8_t* pixels) {
        const uint16_t* bright = crisp ? crispImage_.ScanLine(y) : Line(brightness, y);
        const uint16_t* colours = Line(colour, y);
        const uint16_t* ch1 = vi ? Line(1, y) : nullptr;
        const uint16_t* ch2 = vi ? Line(2, y) : nullptr;
        const bool fireLine = fire && video_.GetLineFlag(y) != 0;
        const uint16_t* fire3 = fireLine ? FireSourceRow(y) : nullptr;
        const uint16_t* fire4 = fireLine ? Line(4, y) : nullptr;
        const int width = Width();
        for (int x = 0; x < width; ++x, pixels += 3) {
            int v = crisp ? bright[x] : Count(bright, x);
            if (illumination) v = ((std::max(v - space, 0) * gain[x]) >> 8) + space;
            if (crisp || illumination) v = ClampCount(v);
            v = brightStretch[v];
            const int c = Count(colours, x);
            if (vi)
                v = blend[static_cast<ptrdiff_t>(viStretch[2][c]) * CountRange +
                          std::max(viStretch[0][Count(ch1, x)], viStretch[1][Count(ch2, x)])];
            PutColour(pixels, table[static_cast<ptrdiff_t>(c) * CountRange + v]);
            if (fireLine && fireClasses[static_cast<size_t>(Count(fire3, x)) * CountRange + Count(fire4, x)] > 0)
                PutColour(pixels, fireColour);
        }
    };
}

// ---- colour mixes ---------------------------------------------------------------

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::ThreeChannels(
    const std::array<int, 3>& channels, const std::array<const int32_t*, 3>& stretch,
    const std::array<bool, 3>& inverted) {
    for (int channel : channels)
        if (!Present(channel)) return {};
    std::array<const int32_t*, 3> tables{};
    for (int k = 0; k < 3; ++k) tables[k] = stretch[k] ? stretch[k] : IdentityTable().data();
    return [this, channels, tables, inverted](int y, uint8_t* pixels) {
        // Red, green, blue sources; pixels are written blue first.
        const std::array<const uint16_t*, 3> lines{Line(channels[0], y), Line(channels[1], y), Line(channels[2], y)};
        for (int x = 0; x < Width(); ++x, pixels += 3)
            for (int k = 0; k < 3; ++k) {
                const int byte = ClampByte(tables[k][Count(lines[k], x)] >> 2);
                pixels[2 - k] = static_cast<uint8_t>(inverted[k] ? 255 - byte : byte);
            }
    };
}

std::array<const int32_t*, 3> TRenderView::TRenderer::ColourStretches(const std::array<int, 3>& channels,
                                                                       bool stretch) {
    std::array<const int32_t*, 3> tables{};
    for (int k = 0; k < 3; ++k) {
        if (stretch) tables[k] = OrIdentity(video_.LinearStretch(channels[k]));
        else if (services_.AdjustTransfer) tables[k] = services_.AdjustTransfer(k);
    }
    return tables;
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Rgb() {
    std::array<int, 3> channels{options_.RadioGroupRed + 1, options_.RadioGroupGreen + 1, options_.RadioGroupBlue + 1};
    if (!Present(channels[0]) || !Present(channels[1]) || !Present(channels[2])) {
        TDialogService::Instance().ShowMessage(resStr(res::SInvalidRgb));
        options_.RadioGroupRed = 0;
        options_.RadioGroupGreen = 1;
        options_.RadioGroupBlue = 3;
        channels = {1, 2, 4};
    }
    if (services_.SetAdjustChannels) services_.SetAdjustChannels(channels[0], channels[1], channels[2]);
    return ThreeChannels(channels, ColourStretches(channels, options_.ColourStretch), {});
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::UserRgb() {
    const std::array<int, 3> items{options_.RadioGroupUserRed, options_.RadioGroupUserGreen,
                                   options_.RadioGroupUserBlue};
    std::array<int, 3> channels{};
    std::array<bool, 3> inverted{};
    for (int k = 0; k < 3; ++k) {
        channels[k] = items[k] >= 0 ? items[k] % 6 + 1 : 0;
        inverted[k] = items[k] >= 6;
    }
    if (!Present(channels[0]) || !Present(channels[1]) || !Present(channels[2])) {
        TDialogService::Instance().ShowMessage(resStr(res::SInvalidUserRgb));
        options_.RadioGroupUserRed = 0;
        options_.RadioGroupUserGreen = 1;
        options_.RadioGroupUserBlue = 3;
        channels = {1, 2, 4};
        inverted = {};
    }
    if (services_.SetAdjustChannels) services_.SetAdjustChannels(channels[0], channels[1], channels[2]);
    return ThreeChannels(channels, ColourStretches(channels, options_.UserColourStretch), inverted);
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Mvl() {
    switch (pass_.InputFormatCode) {
        case 7: case 8: case 12: case 13: case 21: case 22: case 39: case 40:
            if (!Present(2) || !Present(4)) return {};
            colourTable_ = std::make_unique<TFalseColourTable>();
            BuildMvlLookup(*colourTable_);
            return ThroughColourTable(2, 4);
        case 23: {
            const std::array<int, 3> channels{6, 4, 3};
            return ThreeChannels(channels, ColourStretches(channels, true), {});
        }
        case 34:
        case 35:
            return ThreeChannels(options_.RadioGroupSPOTmap == 1 ? std::array<int, 3>{3, 4, 1}
                                                                  : std::array<int, 3>{5, 4, 3},
                                 {}, {});
        default:
            TDialogService::Instance().ShowMessage(resStr(res::SMappingNotAvailable));
            return {};
    }
}

// ---- thermal and product views ------------------------------------------------

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Noaa() {
    const int item = options_.RadioGroupNOAAalgorithm;
    if (item <= 0) return Snow();
    palette_ = std::make_unique<TPalette1D>();
    const int curve = item < static_cast<int>(NoaaAlgorithmItems.size())
                          ? EnhancementCurveByName(NoaaAlgorithmItems[item]) : -1;
    BuildNoaaPalette(*palette_, curve, SensorThermalTable(sensor_, 4));
    return ThroughPalette(4);
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Snow() {
    if (!Present(1) || !Present(3) || !Present(4)) return {};
    BuildSnowGammaTable(snowGamma_);
    const std::array<const int32_t*, 3> stretch{OrIdentity(video_.LinearStretch(1)), OrIdentity(video_.LinearStretch(3)),
                                                OrIdentity(video_.LinearStretch(4))};
    return [this, stretch](int y, uint8_t* pixels) {
        const uint16_t* ch1 = Line(1, y);
        const uint16_t* ch3 = Line(3, y);
        const uint16_t* ch4 = Line(4, y);
        for (int x = 0; x < Width(); ++x, pixels += 3) {
            const int a = stretch[0][Count(ch1, x)] >> 2;
            const int b = stretch[1][Count(ch3, x)] >> 2;
            const int c = stretch[2][Count(ch4, x)] >> 2;
            pixels[2] = snowGamma_[ClampByte((3 * a - c) / 2)];
            pixels[1] = snowGamma_[ClampByte((3 * a + c) / 4)];
            pixels[0] = snowGamma_[ClampByte(a - b)];
        }
    };
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Paletted() {
    palette_ = std::make_unique<TPalette1D>();
    LoadPaletteFile(*palette_, pass_.PaletteFileName);
    return ThroughPalette(4);
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Temperature() {
    palette_ = std::make_unique<TPalette1D>();
    BuildTemperaturePalette(*palette_, SensorThermalTable(sensor_, 4), options_.CheckBoxUserRange,
                            options_.UpDownUserMinTemp, options_.UpDownUserMaxTemp);
    return ThroughPalette(4);
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Vegetation() {
    if (!Present(1) || !Present(2)) return {};
    Status(res::SBuildingVegLookup);
    colourTable_ = std::make_unique<TFalseColourTable>();
    palette_ = std::make_unique<TPalette1D>();
    BuildVegetationLookup(*colourTable_, *palette_, sensor_, video_, options_, settings_.NdviPaletteFileName);
    return ThroughColourTable(1, 2);
}

// The line loops read their tables and the width through locals: every
// byte written might otherwise be one of them, to be read again.
TRenderView::TRenderer::TLineFill TRenderView::TRenderer::ThroughPalette(int channel) {
    if (!Present(channel)) return {};
    return [this, channel, palette = palette_->data()](int y, uint8_t* pixels) {
        const uint16_t* line = Line(channel, y);
        const int width = Width();
        for (int x = 0; x < width; ++x, pixels += 3) PutColour(pixels, palette[Count(line, x)]);
    };
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::ThroughColourTable(int first, int second) {
    if (!Present(first) || !Present(second)) return {};
    return [this, first, second, table = colourTable_->Row(0)](int y, uint8_t* pixels) {
        const uint16_t* a = Line(first, y);
        const uint16_t* b = Line(second, y);
        const int width = Width();
        for (int x = 0; x < width; ++x, pixels += 3)
            PutColour(pixels, table[static_cast<ptrdiff_t>(Count(a, x)) * CountRange + Count(b, x)]);
    };
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Sst() {
    if (!Present(4) || !Present(5)) return {};
    Status(res::SBuildingSstLookup);
    colourTable_ = std::make_unique<TFalseColourTable>();
    BuildSstLookup(*colourTable_, sensor_, options_);
    TLineFill sea = ThroughColourTable(4, 5);
    if (!OpenLandMask()) return sea;
    oneLineAtATime_ = true;
    return [this, sea](int y, uint8_t* pixels) {
        sea(y, pixels);
        for (int x = 0; x < Width(); ++x, pixels += 3) {
            float latitude = 0, longitude = 0;
            if (services_.PixelLocation(x, y, latitude, longitude) && landMask_->IsLand(longitude, latitude))
                PutColour(pixels, {85, 70, 70});
        }
    };
}

bool TRenderView::TRenderer::OpenLandMask() {
    if (!options_.CheckBoxSstLandSeaMask || !pass_.EarthLocations || !pass_.EarthLocations->MapFitted ||
        !services_.PixelLocation)
        return false;
    const std::string path =
        settings_.LandSeaMaskPath.empty() ? ProgramFolder() + "OdpsLandMask.dat" : settings_.LandSeaMaskPath;
    // A named pipe or a device in its place is told; the mask is then not used.
    if (const std::string leftAlone = LeftAloneNote(path, std::numeric_limits<int64_t>::max()); !leftAlone.empty()) {
        TDialogService::Instance().ShowMessage(leftAlone, {}, TMsgDlgType::mtWarning);
        return false;
    }
    if (GetFileSizeBytes(path) < SmallestLandMaskBytes) return false;
    try {
        landMask_ = std::make_unique<TODPSdata>(path);
    } catch (const ELandMaskError&) {
        return false;
    }
    return true;
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::ChannelDifference() {
    if (!Present(4) || !Present(5)) return {};
    if (options_.CheckBoxShowAsh) {
        Status(res::SBuildingAshLookup);
        colourTable_ = std::make_unique<TFalseColourTable>();
        BuildAshLookup(*colourTable_, SensorThermalTable(sensor_, 4), SensorThermalTable(sensor_, 5),
                       LoadAshPalette(ReadableProgramFile("ash-palette.bmp"), &owner_.ashPaletteTold_));
        return ThroughColourTable(4, 5);
    }
    const int offset = (telemetry_.TargetCount(5) - telemetry_.TargetCount(4)) * 24 + 640;
    return [this, offset](int y, uint8_t* pixels) {
        const uint16_t* ch4 = Line(4, y);
        const uint16_t* ch5 = Line(5, y);
        for (int x = 0; x < Width(); ++x, pixels += 3)
            PutGrey(pixels, ClampCount((Count(ch4, x) - Count(ch5, x)) * 24 + offset) >> 2);
    };
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Channel3Raw() {
    if (!Present(3)) return {};
    return [this](int y, uint8_t* pixels) {
        const uint16_t* line = Line(3, y);
        for (int x = 0; x < Width(); ++x, pixels += 3) PutGrey(pixels, Count(line, x) >> 2);
    };
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::FireFilterImage(int image) {
    const IplImage* filtered = FilterImage(image);
    if (!filtered) return {};
    return [this, filtered](int y, uint8_t* pixels) {
        const uint16_t* row = filtered->RowAs<uint16_t>(y);
        for (int x = 0; x < Width(); ++x, pixels += 3) PutGrey(pixels, Count(row, x) >> 2);
    };
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Fire() {
    if (!Present(3) || !Present(4)) return {};
    const bool fire = BuildFireTable();
    const TBgrEntry fireColour = EntryOf(settings_.FirePixelColour);
    return [this, fire, fireColour](int y, uint8_t* pixels) {
        std::memset(pixels, 0, static_cast<size_t>(Width()) * 3);
        if (!fire || video_.GetLineFlag(y) == 0) return;
        const uint16_t* ch3 = FireSourceRow(y);
        const uint16_t* ch4 = Line(4, y);
        for (int x = 0; x < Width(); ++x, pixels += 3)
            if (fireTable_[static_cast<size_t>(Count(ch3, x)) * CountRange + Count(ch4, x)] > 0)
                PutColour(pixels, fireColour);
    };
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::GroundPath() {
    const std::string masterFile = ReadableProgramFile(GroundPathMasterFileName);
    if (!LoadGroundPathMaster(groundPathMaster_, masterFile)) {
        // A named pipe, a device or a file far too large in its place is told as what it is.
        const std::string leftAlone = LeftAloneNote(masterFile, MostJpegFileBytes);
        TDialogService::Instance().ShowMessage(
            leftAlone.empty() ? FormatResStr(res::SGroundPathMissing, {ShownFileNameText(masterFile)}) : leftAlone);
    }
    const bool useMaster = groundPathMaster_.Height() > 200 && services_.PixelLocation;
    return [this, useMaster](int y, uint8_t* pixels) {
        for (int x = 0; x < Width(); ++x, pixels += 3) {
            float latitude = 0, longitude = 0;
            if (useMaster && services_.PixelLocation(x, y, latitude, longitude))
                PutColour(pixels, GroundPathColour(groundPathMaster_, latitude, longitude));
            else
                PutColour(pixels, GroundPathNoData);
        }
    };
}

TRenderView::TRenderer::TLineFill TRenderView::TRenderer::Black() {
    return [this](int, uint8_t* pixels) { std::memset(pixels, 0, static_cast<size_t>(Width()) * 3); };
}

// ---- the view -----------------------------------------------------------------

TRenderView::TRenderView(TPassState& pass, TRenderHost& host) : pass_(pass), host_(host) {}

void TRenderView::SetViewTabs(std::vector<std::string> names) {
    // New tabs come with a new pass: nothing shown is current any more.
    shown_.reset();
    viewTabs_ = std::move(names);
    if (std::find(viewTabs_.begin(), viewTabs_.end(), selectedTab_) == viewTabs_.end()) selectedTab_.clear();
}

bool TRenderView::IsViewOffered(uint8_t view) const {
    return view < ViewCount &&
           std::find(viewTabs_.begin(), viewTabs_.end(), ViewNames[view]) != viewTabs_.end();
}

bool TRenderView::ShowsCurrent(std::string_view name) const {
    return shown_ && name == selectedTab_ && shown_->View == ViewIndexOfName(selectedTab_) &&
           shown_->Options == Options && shown_->Settings == Settings && shown_->OverlayShown == OverlayShown;
}

bool TRenderView::SelectView(std::string_view name) {
    if (std::find(viewTabs_.begin(), viewTabs_.end(), name) == viewTabs_.end()) return false;
    selectedTab_ = std::string(name);
    Redisplay();
    return true;
}

void TRenderView::ApplySstRange() {
    const TSstRange range =
        SstDisplayRange(Options.RadioGroupSstDisplayRange, Options.UpDownUserMinSST, Options.UpDownUserMaxSST);
    pass_.Sensor->SetPaletteLow(range.Low);
    pass_.Sensor->SetPaletteHigh(range.High);
    if (range.User) Options.UpDownUserMaxSST = range.UserMax;
}

void TRenderView::LayOutSidePanel() {
    TSidePanelInputs inputs;
    inputs.SensorKind = pass_.SensorKind;
    inputs.InputFormatCode = pass_.InputFormatCode;
    inputs.Channel3TargetCount = pass_.TelemetryData ? pass_.TelemetryData->TargetCount(3) : 0;
    inputs.CheckBoxUserRange = Options.CheckBoxUserRange;
    inputs.RadioGroupSstDisplayRange = Options.RadioGroupSstDisplayRange;
    sidePanel_ = SidePanelForView(viewIndex_, inputs);
    if (viewIndex_ == ViewSst && pass_.Sensor) ApplySstRange();
    mappingCaption_ = ViewMappingCaption(viewIndex_, pass_.SensorKind);
    mappingHelpContext_ = ViewInfo(viewIndex_).HelpContext;
    host_.ShowSidePanel(sidePanel_, mappingCaption_, mappingHelpContext_);
}

bool TRenderView::OverlaysApply() const {
    return pass_.EarthLocations && pass_.EarthLocations->LocationFlags != 0 && OverlayShown;
}

bool TRenderView::DrawOverlays(TOverlayCanvas& canvas, bool reportErrors) {
    bool drawn = false;
    try {
        if (Services.DrawOverlay) drawn = Services.DrawOverlay(canvas);
    } catch (const std::exception&) {
        if (!reportErrors) return false;
        const std::string file = Services.BoundaryFileName ? Services.BoundaryFileName() : std::string();
        TDialogService::Instance().ShowMessage(FormatResStr(res::SBoundaryError, {ShownFileNameText(file)}), {}, TMsgDlgType::mtError);
    }
    if (viewIndex_ == ViewFire && Services.DrawFireRegion) drawn = Services.DrawFireRegion(canvas) || drawn;
    return drawn;
}

void TRenderView::ScreenPicture(TExtBitmap& picture, int width, int height) {
    const bool overlaid = !pictureWithoutOverlays_.Empty();
    ScaleSmoothly(overlaid ? pictureWithoutOverlays_ : displayBitmap_, picture, width, height);
    if (!overlaid || picture.Empty()) return;
    TBitmapOverlayCanvas canvas(picture, displayBitmap_.Width(), displayBitmap_.Height());
    // Drawing them on the display already told of any error.
    DrawOverlays(canvas, false);
}

bool TRenderView::Redisplay() {
    if (redisplayBusy_) return false;
    TBusyFlag busy(redisplayBusy_);
    THourglass hourglass(host_, Settings.ReceiverRunning);

    ++redisplays_;
    viewIndex_ = ViewIndexOfName(selectedTab_);
    LayOutSidePanel();
    bool changed = viewIndex_ < ViewCount && RenderView();
    bool overlaid = false;
    pictureWithoutOverlays_.SetSize(0, 0);
    if (OverlaysApply()) {
        TBitmapOverlayCanvas canvas(displayBitmap_);
        // Overlays that mark nothing (none chosen, none over the pass) leave nothing to keep.
        if (KeepsPictureForScreen) canvas.BeforeFirstMark = [this] { pictureWithoutOverlays_.Assign(displayBitmap_); };
        overlaid = DrawOverlays(canvas, true);
    }
    if (!overlaid) pictureWithoutOverlays_.SetSize(0, 0);
    changed = overlaid || changed;

    displayBitmap_.SetModified(changed);
    host_.EnableResultMenus(displayBitmap_.Height() > 0);
    if (!CacheFileName.empty() && !displayBitmap_.Empty()) {
        try {
            displayBitmap_.SaveToFile(CacheFileName);
        } catch (const std::exception&) {
            // The cache only speeds up later saves; they fall back to the display.
        }
    }
    imageSuffix_ = AddImgFileSuffix ? std::string(ViewInfo(viewIndex_).Suffix) : std::string();
    if (pass_.AbortRequested) shown_.reset();
    else shown_ = TShown{viewIndex_, Options, Settings, OverlayShown};
    return changed;
}

void TRenderView::HandOver(TRenderView& receiver) {
    receiver.Options = Options;
    receiver.Settings = Settings;
    receiver.OverlayShown = OverlayShown;
    receiver.AddImgFileSuffix = AddImgFileSuffix;
    receiver.viewTabs_ = viewTabs_;
    receiver.selectedTab_ = selectedTab_;
    receiver.viewIndex_ = viewIndex_;
    receiver.imageSuffix_ = imageSuffix_;
    receiver.sidePanel_ = sidePanel_;
    receiver.shown_ = shown_;
    receiver.redisplays_ = redisplays_;
    receiver.displayBitmap_.SwapPixels(displayBitmap_);
    shown_.reset();
}

void TRenderView::TakeBack(TRenderView& receiver) {
    if (receiver.redisplays_ != redisplays_ || !displayBitmap_.Empty() || receiver.displayBitmap_.Empty()) return;
    displayBitmap_.SwapPixels(receiver.displayBitmap_);
    shown_ = receiver.shown_;
}

bool TRenderView::RenderView() {
    if (renderBusy_ || !pass_.Video || !pass_.TelemetryData || !pass_.Sensor) return false;
    if (pass_.Video->Width() < MinimumRenderWidth || pass_.Video->LineCount() < 2 || pass_.ChannelCount < 1 ||
        pass_.AbortRequested)
        return false;
    TBusyFlag busy(renderBusy_);
    THourglass hourglass(host_, Settings.ReceiverRunning);
    TRenderer(*this).Render();
    return true;
}

}  // namespace kestrune
