#include "orbit/MapWithWarp.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/SysUtils.h"

namespace kestrune {

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Radians = Pi / 180.0;
constexpr double DefaultSemiAngle = 55.37;
// Azimuthal scale of the unwarped view: one unit is 1/4.3 radian of arc.
constexpr double ViewScale = 4.3;

bool IsMeteorMode(uint8_t mode) { return mode == 4 || mode == 5; }

int RoundIndex(double value) {
    return std::isfinite(value) ? static_cast<int>(Round(std::clamp(value, -1.0e9, 1.0e9))) : 0;
}

// Ground column g whose scan position is pixel j (relative to centre), by
// Newton steps on the scan table; 0 when it does not settle in 11 steps.
double GroundColumnOfPixel(const TGroundTable& groundToScan, int j, double centre, double limit) {
    double g = j;
    for (int step = 0; step < 11; ++step) {
        const int r = RoundIndex(g);
        if (!TGroundTable::Contains(r) || !TGroundTable::Contains(r - 1)) return 0.0;
        const double difference = j - (groundToScan[r] - centre);
        const double slope = groundToScan[r] - groundToScan[r - 1];
        const double next = std::clamp(g + (slope > 0.1 ? difference / slope : 0.8 * difference), -limit, limit);
        const bool settled = std::fabs(next - g) < 1.0;
        g = next;
        if (settled) return g;
    }
    return 0.0;
}

template <class Table>
void InvertScanTable(const TGroundTable& groundToScan, Table& table, double centre, double limit) {
    for (int j = Table::First; j <= Table::Last; ++j)
        table[j] = static_cast<float>(GroundColumnOfPixel(groundToScan, j, centre, limit));
}

void MarkGround(TGroundTable& table, double ground, int pixel) {
    const int index = RoundIndex(ground);
    if (TGroundTable::Contains(index)) table[index] = static_cast<float>(pixel);
}

struct TLayoutPixel {
    double ground;  // ground column of the 2048-pixel scan
    double source;  // source pixel, 0 at the scan centre
};

// Pixel a weighted twice with pixel b.
TLayoutPixel Weighted(const TScanTable2048& scan, int a, int b) {
    return {(2.0 * scan[a] + scan[b]) / 3.0, (2.0 * a + b) / 3.0};
}

TLayoutPixel MeanOf(const TScanTable2048& scan, int first, int count) {
    double sum = 0;
    for (int s = first; s < first + count; ++s) sum += scan[s];
    return {sum / count, first + (count - 1) / 2.0};
}

// The 909-pixel layout: full resolution at the edges, then pairs, triples
// and groups of four towards the centre, with thirds in the transitions.
TLayoutPixel Mode3Pixel(const TScanTable2048& scan, int v) {
    const bool odd = v % 2 != 0;
    if (v <= -334) return {scan[v - 570], static_cast<double>(v - 570)};
    if (v <= -272) {
        const int b = 3 * ((v + 333) / 2) - 903;
        return odd ? Weighted(scan, b, b + 1) : Weighted(scan, b + 2, b + 1);
    }
    if (v <= -189) return MeanOf(scan, 2 * v - 268, 2);
    if (v <= -79) return MeanOf(scan, 3 * v - 80, 3);
    if (v <= 78) return MeanOf(scan, 4 * v - 2, 4);
    if (v <= 188) return MeanOf(scan, 3 * v + 77, 3);
    if (v <= 271) return MeanOf(scan, 2 * v + 266, 2);
    if (v <= 333) {
        const int b = 3 * ((v - 272) / 2) + 810;
        return odd ? Weighted(scan, b + 2, b + 1) : Weighted(scan, b, b + 1);
    }
    return {scan[v + 569], static_cast<double>(v + 569)};
}

void Extrapolate(TGroundTable& table, int from, int to, int origin, double slope) {
    for (int i = from; i <= to; ++i) table[i] = static_cast<float>(table[origin] + slope * (i - origin));
}

}  // namespace

void FillTableGaps(TGroundTable& table, float slope) {
    int first = TGroundTable::First;
    while (first <= TGroundTable::Last && table[first] == UnknownEntry) ++first;
    if (first > TGroundTable::Last) return;
    double gapSlope = 0;
    int previous = first, lastClosing = -1, lastKnown = first;
    for (int i = first + 1; i <= TGroundTable::Last; ++i) {
        if (table[i] == UnknownEntry) continue;
        if (i - previous > 1) {
            gapSlope = (table[i] - table[previous]) / static_cast<double>(i - previous);
            Extrapolate(table, previous + 1, i - 1, previous, gapSlope);
            lastClosing = i;
        }
        previous = lastKnown = i;
    }
    const double outward = std::max(static_cast<double>(slope), gapSlope);
    const int end = lastClosing >= 0 ? lastClosing : lastKnown;
    Extrapolate(table, end + 1, TGroundTable::Last, end, outward);
    Extrapolate(table, TGroundTable::First, first - 1, first, outward);
}

TWarpedMapping::TWarpedMapping() { ReferenceLongitude = UnknownEntry; }

bool TWarpedMapping::LatLonToXY(int& X, int& Y, float Longitude, float Latitude) {
    return LatLonToPixel(X, Y, true, Longitude, Latitude);
}

bool TWarpedMapping::LatLonToPixel(int& X, int& Y, bool Warp, float Longitude, float Latitude) {
    float x = 0, y = 0;
    if (!LatLonToImage(x, y, Warp, Longitude, Latitude)) return false;
    X = RoundIndex(x);
    Y = RoundIndex(y);
    return true;
}

bool TWarpedMapping::LatLonToImage(float& X, float& Y, bool Warp, float Longitude, float Latitude) const {
    if (!Fitted()) return false;
    double x = 0, y = 0;
    AzimuthalEquidistant(sinReferenceLatitude_, cosReferenceLatitude_,
                         WrapLongitude(static_cast<double>(Longitude) - ReferenceLongitude) * Radians,
                         Latitude * Radians, ViewScale, x, y);
    const TPlanePoint warped = ApplyWarp(x, y);
    if (!std::isfinite(warped.x) || !std::isfinite(warped.y)) return false;
    float column = 0;
    if (!Warp)
        column = static_cast<float>((0.5 * warped.x + 0.5) * outputWidth_);
    else if (!GroundToPixel(warped.x, warped.y, column))
        return false;
    float row = static_cast<float>(centreLine_ - outputWidth_ * warped.y / 2);
    ApplyResiduals(column, row);
    if (!ImageRowOf(row) || std::binary_search(rowsWithoutLocation_.begin(), rowsWithoutLocation_.end(), RoundIndex(row)))
        return false;
    X = column;
    Y = row;
    return true;
}

bool TWarpedMapping::RowWithoutLocationBetween(int row, int otherRow) const {
    const auto above = std::upper_bound(rowsWithoutLocation_.begin(), rowsWithoutLocation_.end(), std::min(row, otherRow));
    return above != rowsWithoutLocation_.end() && *above < std::max(row, otherRow);
}

TWarpedMapping::TPlanePoint TWarpedMapping::ApplyWarp(double x, double y) const {
    const double x1 = x * cosWarpRotation_ - y * sinWarpRotation_;
    const double y1 = x * sinWarpRotation_ + y * cosWarpRotation_;
    const double x2 = horizontalWarp3_ * x1 * x1 * x1 + horizontalWarp2_ * x1 * x1 + horizontalWarp1_ * x1;
    const double y2 = std::fabs(y1) < WarpStep ? verticalWarp2_ * y1 * y1 + verticalWarp1_ * y1 + verticalWarp0_ : y1;
    return {skew2_ * y2 * y2 + x2 + skew1_ * y2 + skew0_, y2};
}

int TWarpedMapping::ImageColumnOffset() const { return IsMeteorMode(scanMode_) ? scanColumnOffset_ : 0; }

// Scan pixel of ground position x3 (and along-track y2) by the scan mode.
bool TWarpedMapping::GroundToPixel(double x3, double y2, float& X) const {
    if (!(std::fabs(x3) <= 1.4)) return false;
    const double halfWidth = outputWidth_ / 2.0;
    switch (scanMode_) {
        case 2: {
            const int i = RoundIndex(x3 * halfWidth);
            if (i < -1900 || i > 1900) return false;
            X = groundToGac_[i] + 204.0f;
            return true;
        }
        case 3: {
            if (std::fabs(y2) > 2.6) return false;
            const int i = RoundIndex(x3 * halfWidth);
            if (i < -600 || i > 600) return false;
            X = groundToMode3_[i] + 454.0f;
            return true;
        }
        default: {
            const int limit = IsMeteorMode(scanMode_) ? 1540 : 2048;
            const int i = RoundIndex(x3 * halfWidth - 0.5);
            if (i < -limit || i >= limit) return false;
            X = groundToScan_[i] + static_cast<float>(ImageColumnOffset());
            return true;
        }
    }
}

// The correction at an image position, interpolated between the rows and
// between the anchors; left of the first anchor and right of the last the
// end anchors apply, past the last row the last row.
TResidual TWarpedMapping::ResidualAt(double X, double Y) const {
    const int lastRow = std::min(residualRows_, static_cast<int>(residuals_->size())) - 1;
    const int lastAnchor = std::min(residualAnchors_, LocationAnchorCount) - 1;
    const double row = std::clamp(Y, 0.0, static_cast<double>(lastRow));
    const double anchor =
        std::clamp((X - residualFirstPixel_) / residualSpacing_, 0.0, static_cast<double>(lastAnchor));
    const int r0 = static_cast<int>(row), s0 = static_cast<int>(anchor);
    const int r1 = std::min(r0 + 1, lastRow), s1 = std::min(s0 + 1, lastAnchor);
    const double ty = row - r0, tx = anchor - s0;
    const TResidualRow& upper = (*residuals_)[static_cast<size_t>(r0)];
    const TResidualRow& lower = (*residuals_)[static_cast<size_t>(r1)];
    const auto blend = [&](float TResidual::*part) {
        const double top = (1 - tx) * (upper[static_cast<size_t>(s0)].*part) + tx * (upper[static_cast<size_t>(s1)].*part);
        const double bottom =
            (1 - tx) * (lower[static_cast<size_t>(s0)].*part) + tx * (lower[static_cast<size_t>(s1)].*part);
        return static_cast<float>((1 - ty) * top + ty * bottom);
    };
    return {blend(&TResidual::X), blend(&TResidual::Y)};
}

// The residuals are the corrections at the anchors' own pixels, so the
// correction of a point is the one found where the corrected point lies:
// a few fixed-point steps, which converge because the corrections change
// slowly across the image.
void TWarpedMapping::ApplyResiduals(float& X, float& Y) const {
    if (!residuals_ || residuals_->empty() || residualRows_ <= 0 || residualAnchors_ <= 0) return;
    double x = X, y = Y;
    for (int step = 0; step < 8; ++step) {
        const TResidual correction = ResidualAt(x, y);
        const double nextX = X + correction.X, nextY = Y + correction.Y;
        const bool settled = std::fabs(nextX - x) < 1e-4 && std::fabs(nextY - y) < 1e-4;
        x = nextX;
        y = nextY;
        if (settled) break;
    }
    X = static_cast<float>(x);
    Y = static_cast<float>(y);
}

// A row falls into a gap from half a line after the line before it to half
// a line before the line after it.
bool TWarpedMapping::ImageRowOf(float& Y) const {
    int missingBefore = 0;
    for (const TSignalGap& gap : signalGaps_) {
        const double lastBefore = gap.Line + missingBefore + 0.5;
        if (Y <= lastBefore) break;
        if (Y < lastBefore + gap.Missing) return false;
        missingBefore += gap.Missing;
    }
    Y -= static_cast<float>(missingBefore);
    return true;
}

void TWarpedMapping::SetWarpRotation(float degrees) {
    warpRotation_ = static_cast<float>(degrees * Radians);
    sinWarpRotation_ = std::sin(warpRotation_);
    cosWarpRotation_ = std::cos(warpRotation_);
}

float TWarpedMapping::GetWarpRotation() const { return static_cast<float>(warpRotation_ / Radians); }

void TWarpedMapping::SetHorizontalWarp(float a1, float a2, float a3) {
    horizontalWarp1_ = a1;
    horizontalWarp2_ = a2;
    horizontalWarp3_ = a3;
}

void TWarpedMapping::SetVerticalWarp(float b0, float b1, float b2) {
    verticalWarp0_ = b0;
    verticalWarp1_ = b1;
    verticalWarp2_ = b2;
}

void TWarpedMapping::SetSkew(float s0, float s1, float s2) {
    skew0_ = s0;
    skew1_ = s1;
    skew2_ = s2;
}

void TWarpedMapping::SetResiduals(std::shared_ptr<const TResidualTable> table, int rows, float, float, int spacing,
                                  int firstPixel, int anchors) {
    residuals_ = std::move(table);
    residualRows_ = rows;
    residualSpacing_ = std::max(spacing, 1);
    residualFirstPixel_ = firstPixel;
    residualAnchors_ = anchors;
}

void TWarpedMapping::ResetFit() {
    SetWarpRotation(0);
    SetVerticalWarp(0, 1, 0);
    SetHorizontalWarp(1, 0, 0);
    SetSkew(0, 0, 0);
    residuals_.reset();
    residualRows_ = 0;
    signalGaps_.clear();
    rowsWithoutLocation_.clear();
}

void TWarpedMapping::BuildWarpTables(uint8_t Mode, int CentreLine, float Longitude, float Latitude, float Altitude,
                                     float TrackStep, float SemiAngle) {
    ReferenceLongitude = Longitude;
    sinReferenceLatitude_ = static_cast<float>(std::sin(Latitude * Radians));
    cosReferenceLatitude_ = static_cast<float>(std::cos(Latitude * Radians));
    ResetFit();
    centreLine_ = CentreLine;
    scanMode_ = Mode;
    if (Mode == 0) scanMode_ = TrackStep < 1.05f ? 4 : (TrackStep < 2.2f ? 1 : 2);
    const double halfWidth = IsMeteorMode(scanMode_) ? 769.5 : 1023.5;
    const double step = TrackStep > 2.2f ? TrackStep / 3.0 : TrackStep;
    const double semiAngle = (SemiAngle == 0 ? DefaultSemiAngle : SemiAngle) * Radians;
    BuildScanGeometry(halfWidth, Altitude, step, semiAngle);
    InvertScanTable(groundToScan_, scanToGround2048_, 1024.0, 1800.0);
    InvertScanTable(groundToScan_, scanToGround1540_, 770.0, 1400.0);
    InvertScanTable(groundToScan_, scanToGround1540b_, 770.0, 1400.0);
    InvertScanTable(groundToScan_, scanToGround1568_, 784.0, 1500.0);
    groundToMode3_.Fill(UnknownEntry);
    groundToGac_.Fill(UnknownEntry);
    BuildGacTables();
    BuildMode3Tables();
    switch (scanMode_) {
        case 2: outputWidth_ = RoundIndex(gacToGround_[204] - gacToGround_[-204]); break;
        case 3: outputWidth_ = RoundIndex(mode3ToGround_[454] - mode3ToGround_[-454]); break;
        case 4: outputWidth_ = RoundIndex(scanToGround1540_[769] - scanToGround1540_[-770]); break;
        case 5: outputWidth_ = RoundIndex(scanToGround1540b_[769] - scanToGround1540b_[-770]); break;
        default: break;
    }
}

// Scan pixel seen at each ground column, out to the edge of the swath and
// beyond it by the last increment. Every pass starts again from the
// constructor's width, and the table never grows past its 2048 columns a side.
void TWarpedMapping::BuildScanGeometry(double halfWidth, double altitude, double trackStep, double semiAngle) {
    outputWidth_ = 2;
    double previous = 0, p = 0;
    int i = 0;
    for (; i <= TGroundTable::Last; ++i) {
        const double theta = (i + 0.5) * trackStep / EarthRadiusKm;
        const double alpha = std::atan(std::sin(theta) / (1 - std::cos(theta) + altitude / EarthRadiusKm));
        p = (halfWidth + 0.5) * alpha / semiAngle;
        scanIncrement_ = static_cast<float>(p - previous);
        previous = p;
        groundToScan_[-(i + 1)] = static_cast<float>(halfWidth - p);
        groundToScan_[i] = static_cast<float>(halfWidth + p);
        outputWidth_ += 2;
        if (alpha >= semiAngle) break;
    }
    for (int j = i + 1; j <= TGroundTable::Last; ++j) {
        p += scanIncrement_;
        groundToScan_[-(j + 1)] = static_cast<float>(halfWidth - p);
        groundToScan_[j] = static_cast<float>(halfWidth + p);
    }
}

// Reduced resolution: each of the 409 pixels averages four full-resolution
// pixels, in columns of three ground steps.
void TWarpedMapping::BuildGacTables() {
    for (int v = TGacTable::First; v <= TGacTable::Last; ++v) {
        const double ground = MeanOf(scanToGround2048_, 5 * v - 2, 4).ground / 3.0;
        gacToGround_[v] = static_cast<float>(ground);
        MarkGround(groundToGac_, ground, v);
    }
    FillTableGaps(groundToGac_, 0.0f);
}

void TWarpedMapping::BuildMode3Tables() {
    for (int v = TMode3Table::First; v <= TMode3Table::Last; ++v) {
        const TLayoutPixel pixel = Mode3Pixel(scanToGround2048_, v);
        mode3SourcePixel_[v] = static_cast<float>(pixel.source);
        mode3ToGround_[v] = static_cast<float>(pixel.ground / 3.0);
        MarkGround(groundToMode3_, pixel.ground / 3.0, v);
    }
    FillTableGaps(groundToMode3_, 0.9f);
    for (int k = 0; k < LocationAnchorCount; ++k) {
        const int ground = std::clamp(RoundIndex(scanToGround2048_[40 * k - 1000] / 3.0), TGroundTable::First,
                                      TGroundTable::Last);
        mode3Anchors_[static_cast<size_t>(k)] = groundToMode3_[ground] + 454.0f;
    }
}

}  // namespace kestrune
