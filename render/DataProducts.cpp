#include "render/DataProducts.h"

#include "decoding/HRPTvideo.h"
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "decoding/Telemetry.h"
#include "decoding/ViewNames.h"
#include "orbit/EarthLocations.h"
#include "platform/ResCodePages.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ParallelLines.h"
#include "platform/ProgramStrings.h"
#include "platform/UnclearedAllocator.h"
#include "render/FireDetection.h"
#include "render/PixelLocation.h"
#include "render/ViewLookups.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

namespace kestrune {
namespace {

constexpr double NoSst = -100.0;
constexpr int32_t WidestTemperatureRaster = 2048;
constexpr int32_t ProgressStep = 50;
constexpr char LineEnd[] = "\r\n";

using TWordTable = std::array<uint16_t, CountRange>;

uint16_t WordOf(double value) {
    // Rounded halves to even as Round does, without its library call for the millions of SST pixels:
    // adding and taking away 2^52 leaves a value this small a whole number.
    if (value >= 0.0 && value <= 65535.0) return static_cast<uint16_t>((value + 0x1p52) - 0x1p52);
    return static_cast<uint16_t>(std::clamp<int64_t>(Round(value), 0, 65535));
}

unsigned Count(uint16_t sample) { return sample & (CountRange - 1u); }

// A calibration table that holds at least one temperature (uncalibrated channels hold 0.0 throughout).
bool HoldsTemperatures(const double* table) {
    return table != nullptr && std::any_of(table, table + CountRange, [](double t) { return t != 0.0; });
}

const float* VisibleTable(const TSensor& sensor, int channel) {
    switch (channel) {
        case 1: return sensor.VisibleTable1();
        case 2: return sensor.VisibleTable2();
        case 3: return sensor.VisibleTable3();
        default: return nullptr;
    }
}

template <typename TTable, typename TConvert>
TWordTable WordTable(const TTable* table, const TConvert& convert) {
    TWordTable words{};
    for (int c = 0; c < CountRange; ++c) words[static_cast<size_t>(c)] = convert(table[c]);
    return words;
}

// Headerless raster written to fileName: lines records of width
// little-endian words, each filled by fillLine(line, words) and streamed to
// the file in batches; lineDone(line) follows every record, on the calling
// thread. Lines are filled at the same time: fillLine must only read what
// it shares.
template <typename TFill, typename TLineDone>
void WriteRaster(const std::string& fileName, int32_t width, int32_t lines, const TFill& fillLine,
                 const TLineDone& lineDone) {
    constexpr int32_t LinesPerWrite = 256;
    const size_t recordWords = static_cast<size_t>(width);
    std::vector<uint16_t, TUnclearedAllocator<uint16_t>> batch(recordWords * LinesPerWrite);
    TAtomicFileWriter file(fileName);
    for (int32_t first = 0; first < lines; first += LinesPerWrite) {
        const int32_t count = std::min(LinesPerWrite, lines - first);
        // The batch's lines are filled on all processors, then told and written here in order.
        ForLineRanges(first, first + count, [&](int32_t from, int32_t to) {
            for (int32_t y = from; y < to; ++y) {
                uint16_t* record = batch.data() + recordWords * static_cast<size_t>(y - first);
                fillLine(y, record);
                if constexpr (std::endian::native != std::endian::little)
                    for (size_t x = 0; x < recordWords; ++x)
                        record[x] = static_cast<uint16_t>((record[x] >> 8) | (record[x] << 8));
            }
        });
        for (int32_t y = first; y < first + count; ++y) lineDone(y);
        file.Write({reinterpret_cast<const char*>(batch.data()),
                    recordWords * static_cast<size_t>(count) * sizeof(uint16_t)});
    }
    file.Commit();
}

using TLineTest = std::function<bool(int32_t line)>;

// Words of a channel's samples through a table (the samples themselves
// without one); the lines noDataLine picks hold NoDataWord instead.
void WriteChannelRaster(const std::string& fileName, const THRPTvideo& video, int channel, int32_t lines,
                        const TWordTable* words, const std::function<void(int32_t)>& lineDone,
                        const TLineTest& noDataLine) {
    const int32_t width = video.Width();
    WriteRaster(
        fileName, width, lines,
        [&](int32_t y, uint16_t* record) {
            const uint16_t* samples = video.SampleAddress(channel, y);
            if (noDataLine && noDataLine(y))
                std::fill(record, record + width, NoDataWord);
            else if (words == nullptr)
                std::memcpy(record, samples, static_cast<size_t>(width) * sizeof(uint16_t));
            else
                for (int32_t x = 0; x < width; ++x) record[x] = (*words)[Count(samples[x])];
        },
        lineDone);
}

void AppendFixed(std::string& text, double value, int decimals) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    text.append(digits, result.ptr);
    text += ' ';
}

struct TPixelValues {
    float Latitude = 0;
    float Longitude = 0;
    double T4 = 0;  // degrees Celsius
    double T5 = 0;
    float Ndvi = -1;
};

void AppendImageTextLine(std::string& text, TImageTextKind kind, const TPixelValues& pixel) {
    AppendFixed(text, pixel.Latitude, 2);
    AppendFixed(text, pixel.Longitude, 2);
    AppendFixed(text, pixel.T4, 1);
    switch (kind) {
        case TImageTextKind::T4Ndvi: AppendFixed(text, pixel.Ndvi, 2); break;
        case TImageTextKind::T4T5Ndvi:
            AppendFixed(text, pixel.T5, 1);
            AppendFixed(text, pixel.Ndvi, 2);
            break;
        case TImageTextKind::T4T5Difference:
            AppendFixed(text, pixel.T5, 1);
            AppendFixed(text, pixel.T4 - pixel.T5, 1);
            break;
    }
    text += LineEnd;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + LineEnd;
    return StoredText(text);
}

// A raster in writing: the progress frame with "Writing file...", the bar
// moved every 50 lines.
class TWritingFrame {
public:
    TWritingFrame(TRenderHost& host, int32_t lines) : host_(host), frame_(host, lines) {
        host_.SetStatusText(resStr(res::SWritingFile));
    }

    void LineDone(int32_t line) {
        if (line % ProgressStep == 0) host_.SetProgressPosition(line);
    }

private:
    TRenderHost& host_;
    const TProgressFrame frame_;
};

}  // namespace

uint16_t AlbedoWord(double albedo) { return WordOf(10000.0 * albedo); }

uint16_t TemperatureWord(double kelvin) { return WordOf(10.0 * (kelvin - KelvinOffset) + 10000.0); }

namespace {
// Inlined into the loop over the millions of pixels of an SST raster.
[[gnu::always_inline]] inline uint16_t SstWordOf(double celsius) { return WordOf(10.0 * celsius + 10000.0); }
}  // namespace

uint16_t SstWord(double celsius) { return SstWordOf(celsius); }

std::string ProductFolder(const TSaveSettings& settings, const TPassState& pass) {
    return settings.ResultsFolder.empty() ? pass.InputFolder : IncludeTrailingPathDelimiter(settings.ResultsFolder);
}

TDataProducts::TDataProducts(TPassState& pass, TRenderHost& host, const TSaveSettings& settings)
    : pass_(pass), host_(host), settings_(settings) {}

void TDataProducts::ReportWriteFailure(const std::exception& error) {
    ++writeFailures_;
    TDialogService::Instance().ShowMessage(error.what(), {}, TMsgDlgType::mtError);
}

int32_t TDataProducts::LineCount() const { return std::min(pass_.DataLineCount, pass_.Video->LineCount()); }

int32_t TDataProducts::Width() const { return pass_.Video->Width(); }

bool TDataProducts::PassLoaded(const std::string& baseName) const {
    return !baseName.empty() && LineCount() > 0 && Width() > 0;
}

// The base name has already lost its extension, so suffixes are appended:
// replacing a "last extension" would cut dated names such as
// "pass.2024-05-01" down to one shared name.
std::string TDataProducts::ProductName(const std::string& baseName, const std::string& suffix) const {
    return ProductFolder(settings_, pass_) + baseName + suffix;
}

void TDataProducts::SaveImageText(const std::string& baseName, TImageTextKind kind, int32_t pictureWidth,
                                  int32_t pictureHeight) {
    if (!PassLoaded(baseName) || pictureWidth <= 0 || pictureHeight <= 0) return;
    const THourglass hourglass(host_, false);
    const THRPTvideo& video = *pass_.Video;
    const TSensor& sensor = *pass_.Sensor;
    const bool samples = pass_.SensorKind == SensorAvhrr || pass_.SensorKind == SensorFengYun1;
    const double* table4 = sensor.ThermalTable4();
    const double* table5 = sensor.ThermalTable5();
    const TPixelLocator locator(pass_);
    std::string text;
    text.reserve(static_cast<size_t>(pictureWidth) * static_cast<size_t>(pictureHeight) * 32);
    TPixelValues pixel;
    for (int32_t y = 0; y < pictureHeight; ++y) {
        const auto row = [&](int channel) { return samples ? video.SampleAddress(channel, y) : nullptr; };
        const uint16_t* channel1 = row(1);
        const uint16_t* channel2 = row(2);
        const uint16_t* channel4 = table4 ? row(4) : nullptr;
        const uint16_t* channel5 = table5 ? row(5) : nullptr;
        pixel.T4 = 0;
        for (int32_t x = 0; x < pictureWidth; ++x) {
            locator.PixelLocation(x, y, pixel.Latitude, pixel.Longitude);
            const bool inLine = x < video.Width();
            if (inLine && channel4) pixel.T4 = table4[Count(channel4[x])] - KelvinOffset;
            if (inLine && channel5) pixel.T5 = table5[Count(channel5[x])] - KelvinOffset;
            pixel.Ndvi = inLine && channel1 && channel2 ? sensor.Ndvi(Count(channel1[x]), Count(channel2[x])) : -1.0f;
            AppendImageTextLine(text, kind, pixel);
        }
    }
    try {
        WriteFileAtomically(ProductName(baseName, ".as.txt"), text);
    } catch (const std::exception& error) {
        ReportWriteFailure(error);
    }
}

void TDataProducts::SaveChannelRasters(const std::string& baseName, bool albedos) {
    if (!PassLoaded(baseName)) return;
    const THourglass hourglass(host_, settings_.ReceiverRunning);
    std::vector<int> channels;
    for (int channel = 1; channel <= (albedos ? 3 : MaxChannels); ++channel)
        if (pass_.ChannelAvailable[channel] && pass_.ChannelSelected[channel] && pass_.Video->SampleAddress(channel, 0))
            channels.push_back(channel);
    // The channels' files are written at the same time, so that one file's
    // wait for the disk overlaps the others' filling; a failure is told
    // afterwards, in channel order, and the other channels are still written.
    std::vector<std::exception_ptr> failures(channels.size());
    ForLineRanges(0, static_cast<int32_t>(channels.size()), [&](int32_t first, int32_t last) {
        for (int32_t k = first; k < last; ++k) {
            try {
                WriteChannelFile(baseName, channels[static_cast<size_t>(k)], albedos);
            } catch (...) {
                failures[static_cast<size_t>(k)] = std::current_exception();
            }
        }
    });
    for (const std::exception_ptr& failure : failures) {
        if (!failure) continue;
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            ReportWriteFailure(error);
        }
    }
}

void TDataProducts::WriteChannelFile(const std::string& baseName, int channel, bool albedo) const {
    std::optional<TWordTable> words;
    if (albedo) words = WordTable(VisibleTable(*pass_.Sensor, channel), AlbedoWord);
    const std::string suffix = albedo ? Format(".t%d.alb", channel) : Format("-%d.raw", channel);
    // Channel 3 is 3B, a thermal channel, on the flagged lines: their
    // counts have no albedo.
    TLineTest thermalLine;
    if (albedo && channel == 3) thermalLine = [this](int32_t y) { return pass_.Video->GetLineFlag(y) != 0; };
    WriteChannelRaster(ProductName(baseName, suffix), *pass_.Video, channel, LineCount(), words ? &*words : nullptr,
                       [](int32_t) {}, thermalLine);
}

void TDataProducts::SaveAlbedoFiles(const std::string& baseName) { SaveChannelRasters(baseName, true); }

void TDataProducts::SaveRawChannels(const std::string& baseName) { SaveChannelRasters(baseName, false); }

void TDataProducts::SaveDiagnostics(const std::string& baseName) {
    if (baseName.empty()) return;
    try {
        WriteFileAtomically(ProductName(baseName, "_diag.txt"), JoinLines(pass_.DiagnosticLines));
    } catch (const std::exception& error) {
        ReportWriteFailure(error);
    }
}

void TDataProducts::SaveFireText(const std::string& baseName, const TFireSettings& fireSettings,
                                 const TFireFilterImages& fireImages) {
    if (!PassLoaded(baseName)) return;
    // The list names the pass it was found in, whatever name the list is given.
    const std::string pass = pass_.InputFolder + pass_.LoadedFileName;
    const std::vector<std::string> lines = FirePixelListText(pass_, fireSettings, fireImages, pass);
    try {
        WriteFileAtomically(ProductName(baseName, ".fire.txt"), JoinLines(lines));
    } catch (const std::exception& error) {
        ReportWriteFailure(error);
    }
}

void TDataProducts::SaveLocationFile(const std::string& baseName) {
    if (!PassLoaded(baseName)) return;
    try {
        pass_.EarthLocations->SaveLocations(ProductName(baseName, ".lcn"));
    } catch (const std::exception& error) {
        ReportWriteFailure(error);
    }
}

std::string TDataProducts::SaveTemperatureData(int channel, const std::string& suffix, const std::string& baseName) {
    const double* table = channel <= 5 ? SensorThermalTable(*pass_.Sensor, channel) : nullptr;
    const bool calibrated = HoldsTemperatures(table);
    // Channel 3 has temperatures on its 3B lines only; its 3A lines hold
    // the no-data word, so a pass 3A throughout still gets its file.
    const bool switching = channel == 3 && pass_.TelemetryData->Channel3ALines > 0;
    if (!PassLoaded(baseName) || !pass_.Video->SampleAddress(channel, 0) || !(calibrated || switching) ||
        Width() > WidestTemperatureRaster)
        return {};
    const TWordTable words = calibrated ? WordTable(table, TemperatureWord) : TWordTable{};
    TLineTest noDataLine;
    if (!calibrated) noDataLine = [](int32_t) { return true; };
    else if (switching) noDataLine = [this](int32_t y) { return Channel3AOnLine(pass_, y); };
    const std::string fileName = ProductName(baseName, Format(".t%d", channel) + suffix);
    TWritingFrame frame(host_, LineCount());
    try {
        WriteChannelRaster(fileName, *pass_.Video, channel, LineCount(), &words,
                           [&frame](int32_t y) { frame.LineDone(y); }, noDataLine);
    } catch (const std::exception& error) {
        ReportWriteFailure(error);
        return {};
    }
    return fileName;
}

std::string TDataProducts::SaveSstData(const std::string& suffix, const std::string& baseName) {
    if (!PassLoaded(baseName)) return {};
    if (!pass_.EarthLocations->MapFitted) {
        // Unattended, the dialog service logs this instead of showing it.
        // A Level 1b file carries its own locations: what is missing is those.
        // One whose locations were refused says why.
        const std::string& cause = pass_.EarthLocations->NotLocatedCause;
        const bool ownLocationsMissing = pass_.EarthLocations->Level1bLinesUnlocated > 0;
        TDialogService::Instance().ShowMessage(
            !cause.empty()        ? FormatResStr(res::SNoSstWithoutMap, {cause})
            : ownLocationsMissing ? resStr(res::SNoSstWithoutRecordLocations)
                                  : resStr(res::SNoSstWithoutLocation),
            {}, TMsgDlgType::mtWarning);
        return {};
    }
    const THRPTvideo& video = *pass_.Video;
    if (!video.SampleAddress(4, 0) || !video.SampleAddress(5, 0) || Width() > WidestTemperatureRaster) return {};
    const TSensor& sensor = *pass_.Sensor;
    const TPixelLocator locator(pass_);
    const std::string fileName = ProductName(baseName, suffix);
    TWritingFrame frame(host_, LineCount());
    // Pixel by pixel as LocatePixel and SeaSurfaceTemperature would give
    // them, in runs of pixels that share one anchor's angles.
    const auto fillLine = [&](int32_t y, uint16_t* record) {
        std::vector<float> sst(static_cast<size_t>(Width()));
        const TPixelLocator::TLocatedLine line = locator.LocatedLine(y, Width());
        // Pixels beyond the located ones hold no SST.
        const bool located = line.First <= line.Last;
        std::fill(record, record + (located ? line.First : Width()), SstWord(NoSst));
        if (located) std::fill(record + line.Last + 1, record + Width(), SstWord(NoSst));
        const uint16_t* channel4 = video.SampleAddress(4, y);
        const uint16_t* channel5 = video.SampleAddress(5, y);
        for (int32_t x = line.First; x <= line.Last;) {
            const size_t anchor = locator.AngleIndex(x);
            const int32_t end = std::min(locator.AngleRunEnd(x), line.Last + 1);
            const TSstAngles angles = SstAnglesOf(line.Angles->SolarZenith[anchor], line.Angles->SatelliteZenith[anchor]);
            sensor.SeaSurfaceTemperatures(channel4 + x, channel5 + x, end - x, angles.Zenith, angles.Day, sst.data());
            std::transform(sst.data(), sst.data() + (end - x), record + x, [](float value) { return SstWordOf(value); });
            x = end;
        }
    };
    try {
        WriteRaster(fileName, Width(), LineCount(), fillLine, [&frame](int32_t y) { frame.LineDone(y); });
    } catch (const std::exception& error) {
        ReportWriteFailure(error);
        return {};
    }
    return fileName;
}

std::string TDataProducts::SaveTemperaturesOfView(uint8_t viewIndex, const std::string& baseName) {
    std::string fileName;
    std::string what = resStr(res::STemperature);
    if (viewIndex == ViewChannel1 + 3 || viewIndex == ViewTemperature)
        fileName = SaveTemperatureData(4, ".raw", baseName);
    else if (viewIndex == ViewChannel1 + 4)
        fileName = SaveTemperatureData(5, ".raw", baseName);
    else if (viewIndex == ViewSst) {
        fileName = SaveSstData(".sst.raw", baseName);
        what = resStr(res::SSst);
    }
    if (!fileName.empty()) TDialogService::Instance().ShowMessage(FormatResStr(res::SDataSavedTo, {what, ShownFileNameText(fileName)}));
    return fileName;
}

}  // namespace kestrune
