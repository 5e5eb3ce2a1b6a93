// The pass saved as numbers: temperature, sea-surface temperature, albedo
// and raw channel rasters, the per-pixel text table, the location records,
// the fire pixel list and the diagnostics. Rasters are headerless, one
// record per scan line of the pass width in 16-bit little-endian words.
// Every file goes to a temporary name renamed into place, in the results
// folder (else the input file's folder), named from the base name given
// (the loaded file's name without extension). Nothing is written without a
// base name or a loaded pass.
#pragma once

#include "render/RenderHost.h"
#include "render/ViewOptions.h"

#include <cstdint>
#include <exception>
#include <string>

namespace kestrune {

struct TPassState;
struct TFireSettings;
class TFireFilterImages;

// Columns of the per-pixel text table.
enum class TImageTextKind : int {
    T4Ndvi = 0,         // latitude longitude T4 NDVI
    T4T5Ndvi = 1,       // latitude longitude T4 T5 NDVI
    T4T5Difference = 2  // latitude longitude T4 T5 T4-T5
};

// Raster words; values beyond a word are held at 0 or 65535.
// The word of a pixel without a value: channel 3's albedo on a line where
// channel 3 is 3B (thermal).
constexpr uint16_t NoDataWord = 65535;
// Round(10000 x albedo).
uint16_t AlbedoWord(double albedo);
// Tenths of a degree Celsius plus 10000: Round(10 x (kelvin - 273.16) + 10000).
uint16_t TemperatureWord(double kelvin);
// Round(10 x celsius + 10000); the "no SST" value -100 gives 9000.
uint16_t SstWord(double celsius);

// Folder of every product: the results folder when set, else the input
// file's folder; with a trailing separator unless it is empty.
std::string ProductFolder(const TSaveSettings& settings, const TPassState& pass);

class TDataProducts {
public:
    TDataProducts(TPassState& pass, TRenderHost& host, const TSaveSettings& settings);

    // base + ".as.txt": one line per pixel of a displayed picture of that size.
    void SaveImageText(const std::string& baseName, TImageTextKind kind, int32_t pictureWidth,
                       int32_t pictureHeight);
    // base + ".t1.alb" .. ".t3.alb" for channels 1..3 available and selected.
    void SaveAlbedoFiles(const std::string& baseName);
    // base + "_diag.txt": the line-by-line diagnostics.
    void SaveDiagnostics(const std::string& baseName);
    // base + ".fire.txt": the fire pixel list.
    void SaveFireText(const std::string& baseName, const TFireSettings& fireSettings,
                      const TFireFilterImages& fireImages);
    // base + ".lcn": the per-line location records.
    void SaveLocationFile(const std::string& baseName);
    // base + "-1.raw" .. "-10.raw" for channels available and selected.
    void SaveRawChannels(const std::string& baseName);
    // base + ".t" + channel + suffix for channel 3..5; returns the name
    // written, "" when nothing was (no samples or temperatures, wider than 2048).
    std::string SaveTemperatureData(int channel, const std::string& suffix, const std::string& baseName);
    // base + suffix; needs the map fitted to the image and channels 4 and 5.
    std::string SaveSstData(const std::string& suffix, const std::string& baseName);
    // The side panel's save-temperatures button in a view: channel 4 in
    // views 4 and 17, channel 5 in view 5, SST in view 18; tells the user
    // the file written. Returns it ("" for other views or nothing written).
    std::string SaveTemperaturesOfView(uint8_t viewIndex, const std::string& baseName);

    // Files that could not be written (each told as it failed), so far.
    int WriteFailures() const { return writeFailures_; }

private:
    void ReportWriteFailure(const std::exception& error);
    bool PassLoaded(const std::string& baseName) const;
    int32_t LineCount() const;
    int32_t Width() const;
    std::string ProductName(const std::string& baseName, const std::string& suffix) const;
    // One raster per channel available and selected (albedos of channels
    // 1..3, else raw samples of 1..10); a channel whose file fails is skipped.
    void SaveChannelRasters(const std::string& baseName, bool albedos);
    // One channel's albedo file (or raw counts); raises what the write raised.
    void WriteChannelFile(const std::string& baseName, int channel, bool albedo) const;

    TPassState& pass_;
    TRenderHost& host_;
    const TSaveSettings& settings_;
    int writeFailures_ = 0;
};

}  // namespace kestrune
