#include "render/ScanAngleCorrection.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "orbit/EarthLocations.h"
#include "orbit/qelMapping.h"
#include "platform/SysUtils.h"

namespace kestrune {

namespace {

// Scan angle of the outermost sample centre, radians (55.4 degrees).
constexpr double MaximumScanAngle = 0.9669124056;
// Altitude over earth radius of the nominal 848 km orbit of GAC data.
constexpr double GacAltitudeRatio = 0.13295422565;
constexpr double GroundStepKm = 1.09;
constexpr double MeteorGroundStepKm = 1.2;
constexpr double GacGroundStepKm = 3.3;
constexpr int GacWidth = 409;
constexpr int GacCentre = 204;
constexpr int MeteorScanWidth = 2048;

bool Correctable(const TExtBitmap& bitmap) {
    return bitmap.PixelFormat() == TPixelFormat::pf8bit || bitmap.PixelFormat() == TPixelFormat::pf24bit;
}

// Pixel offsets from nadir (scale per maximum scan angle) of the ground
// distances first, first + step, ... up to and including the first one seen
// beyond the scan edge. Beyond a quarter of the earth nothing more is seen,
// so the walk ends there even when the scan edge is never reached.
std::vector<double> OffsetsTowardsTheEdge(double firstKm, double stepKm, double altitudeRatio, double scale) {
    std::vector<double> offsets;
    for (double distance = firstKm; distance / EarthRadiusKm <= std::numbers::pi / 2; distance += stepKm) {
        const double a = distance / EarthRadiusKm;
        const double theta = std::atan(std::sin(a) / (1 - std::cos(a) + altitudeRatio));
        offsets.push_back(scale * theta / MaximumScanAngle);
        if (theta > MaximumScanAngle) break;
    }
    return offsets;
}

uint8_t ToByte(float value) { return static_cast<uint8_t>(std::clamp(std::trunc(value), 0.0f, 255.0f)); }

template <int BytesPerPixel>
void ResampleRow(const uint8_t* source, uint8_t* destination, const std::vector<int>& left,
                 const std::vector<int>& right, const std::vector<float>& weight) {
    for (size_t i = 0; i < left.size(); ++i) {
        const uint8_t* a = source + left[i] * BytesPerPixel;
        const uint8_t* b = source + right[i] * BytesPerPixel;
        const float f = weight[i];
        for (int byte = 0; byte < BytesPerPixel; ++byte)
            destination[static_cast<int>(i) * BytesPerPixel + byte] = ToByte((1 - f) * a[byte] + f * b[byte]);
    }
}

// A Meteor scan's 1568 active columns, stretched to 2048, in 24 bits.
void StretchMeteorScan(const TExtBitmap& source, TExtBitmap& stretched) {
    TExtBitmap colour;
    colour.Assign(source);
    colour.SetPixelFormat(TPixelFormat::pf24bit);
    stretched.SetPixelFormat(TPixelFormat::pf24bit);
    stretched.SetSize(TenBMeteorColumns, source.Height());
    for (int y = 0; y < source.Height(); ++y)
        std::memcpy(stretched.ScanLine(y), colour.ScanLine(y) + TenBMeteorFirstColumn * 3, TenBMeteorColumns * 3);
    Interpolate(stretched, MeteorScanWidth, source.Height(), -1);
}

}  // namespace

std::vector<float> PanoramaColumns(int sourceWidth, bool meteor, float altitude) {
    const int width = sourceWidth + sourceWidth % 2;
    const double half = width / 2;
    const double step = meteor ? MeteorGroundStepKm : GroundStepKm;
    const std::vector<double> offsets = OffsetsTowardsTheEdge(step / 2, step, altitude / EarthRadiusKm, half - 1);
    const size_t n = offsets.size();
    std::vector<float> columns(2 * n);
    for (size_t j = 0; j < n; ++j) {
        columns[n + j] = static_cast<float>(offsets[j] + half - 0.5);
        columns[n - 1 - j] = static_cast<float>(-offsets[j] + half - 0.5);
    }
    return columns;
}

std::vector<float> GacPanoramaColumns() {
    const std::vector<double> offsets = OffsetsTowardsTheEdge(0, GacGroundStepKm, GacAltitudeRatio, GacCentre);
    const size_t n = offsets.size();
    std::vector<float> columns(2 * n - 1);
    for (size_t j = 0; j < n; ++j) {
        columns[n - 1 + j] = static_cast<float>(offsets[j] + GacCentre);
        columns[n - 1 - j] = static_cast<float>(-offsets[j] + GacCentre);
    }
    return columns;
}

void ResampleColumns(const TExtBitmap& image, TExtBitmap& Dest, std::span<const float> columns,
                     TRenderHost* Progress) {
    TExtBitmap copy;
    if (&image == &Dest) copy.Assign(image);
    const TExtBitmap& source = &image == &Dest ? copy : image;
    const int width = source.Width(), height = source.Height();
    Dest.SetSize(0, 0);
    Dest.SetPixelFormat(source.PixelFormat());
    if (source.PixelFormat() == TPixelFormat::pf8bit) Dest.SetPalette(source.Palette());
    Dest.SetSize(static_cast<int>(columns.size()), height);
    if (width == 0) return;
    // Columns and weights once per image; a fraction stays with its own
    // entry even where the column is held inside the image.
    std::vector<int> left(columns.size()), right(columns.size());
    std::vector<float> weight(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        const float whole = std::trunc(columns[i]);
        left[i] = std::clamp(static_cast<int>(std::clamp(whole, -1.0e6f, 1.0e6f)), 0, std::max(width - 2, 0));
        right[i] = std::min(left[i] + 1, width - 1);
        weight[i] = columns[i] - whole;
    }
    if (Progress != nullptr) Progress->SetProgressMax(height - 1);
    const bool grey = source.PixelFormat() == TPixelFormat::pf8bit;
    for (int y = 0; y < height; ++y) {
        if (grey)
            ResampleRow<1>(source.ScanLine(y), Dest.ScanLine(y), left, right, weight);
        else
            ResampleRow<3>(source.ScanLine(y), Dest.ScanLine(y), left, right, weight);
        if (Progress != nullptr && y % 100 == 0) Progress->SetProgressPosition(y);
    }
}

void CorrectPanorama(const TExtBitmap& Source, TExtBitmap& Dest, TRenderHost* Progress, bool Meteor, float Altitude) {
    if (!Correctable(Source)) return;
    if (Source.Empty()) {
        Dest.Assign(Source);
        return;
    }
    const std::vector<float> columns = PanoramaColumns(Source.Width(), Meteor, Altitude);
    if (Meteor && Source.Width() == MeteorScanWidth) {
        TExtBitmap stretched;
        StretchMeteorScan(Source, stretched);
        ResampleColumns(stretched, Dest, columns, Progress);
    } else {
        ResampleColumns(Source, Dest, columns, Progress);
    }
}

void CorrectPanoramaGAC(const TExtBitmap& Source, TExtBitmap& Dest) {
    if (&Source != &Dest) Dest.Assign(Source);
    if (!Correctable(Source) || Source.Width() != GacWidth) return;
    ResampleColumns(Dest, Dest, GacPanoramaColumns(), nullptr);
}

}  // namespace kestrune
