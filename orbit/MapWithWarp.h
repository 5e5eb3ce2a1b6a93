// The mapping from geographic positions to pixels of one received pass: an
// azimuthal equidistant view around the mid-picture point, corrected by a
// rotation, three fitted polynomials and a per-line residual table, then
// turned from ground columns into the scanner's pixel positions through
// tables built from the scan geometry. Unusable (every projection false)
// until the first BuildWarpTables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "orbit/EarthLocations.h"
#include "orbit/qelMapping.h"

namespace kestrune {

// Marks a table entry not yet known and a mapping not yet fitted.
constexpr float UnknownEntry = -123456.0f;

// Table indexed by signed pixel or column numbers, Low..High inclusive.
template <int Low, int High>
class TSignedTable {
public:
    static constexpr int First = Low;
    static constexpr int Last = High;
    static constexpr bool Contains(int index) { return index >= Low && index <= High; }
    float& operator[](int index) { return values_[static_cast<size_t>(index - Low)]; }
    float operator[](int index) const { return values_[static_cast<size_t>(index - Low)]; }
    void Fill(float value) { values_.fill(value); }

private:
    std::array<float, static_cast<size_t>(High - Low + 1)> values_{};
};

using TGroundTable = TSignedTable<-2048, 2047>;
using TScanTable2048 = TSignedTable<-1024, 1023>;
using TScanTable1540 = TSignedTable<-770, 769>;
using TScanTable1568 = TSignedTable<-784, 783>;
using TMode3Table = TSignedTable<-454, 454>;
using TGacTable = TSignedTable<-204, 204>;

// Lines lost from the signal after image line Line: the ground jumps there
// while the image rows run on.
struct TSignalGap {
    int Line;
    int Missing;
};

class TWarpedMapping : public TMapping {
public:
    TWarpedMapping();

    int GetHeight() const override { return outputWidth_; }
    // The pass's raw scan pixel of a point (warped and with residuals).
    bool LatLonToXY(int& X, int& Y, float Longitude, float Latitude) override;
    // LatLonToImage rounded to whole pixels; X and Y untouched when false.
    bool LatLonToPixel(int& X, int& Y, bool Warp, float Longitude, float Latitude);
    // Warp gives raw scan pixel positions; without it, positions in the
    // ground-column image of width OutputWidth.
    bool LatLonToImage(float& X, float& Y, bool Warp, float Longitude, float Latitude) const;

    // Resets the fit and builds every table for the pass around the
    // mid-picture point (degrees), at the altitude (km) and ground step (km
    // per line); a semi-angle of 0 means 55.37 degrees; mode 0 chooses the
    // scan mode from the ground step.
    void BuildWarpTables(uint8_t Mode, int CentreLine, float Longitude, float Latitude, float Altitude,
                         float TrackStep, float SemiAngle);

    void SetWarpRotation(float degrees);
    float GetWarpRotation() const;
    void SetHorizontalWarp(float a1, float a2, float a3);
    void SetVerticalWarp(float b0, float b1, float b2);
    void SetSkew(float s0, float s1, float s2);
    // Shares the table (rows of anchors) and takes its layout.
    void SetResiduals(std::shared_ptr<const TResidualTable> table, int rows, float largestY, float largestX,
                      int spacing, int firstPixel, int anchors);

    // The pass's gaps in line order. The fit was made in rows as if no line
    // were missing; the gaps turn those rows into image rows, and a point
    // that falls where lines are missing is not on the image.
    void SetSignalGaps(std::vector<TSignalGap> gaps) { signalGaps_ = std::move(gaps); }
    // Image rows, ascending, whose lines have no location of their own: the
    // fit spans them, but the ground they show is not known, so no point is
    // placed on them.
    void SetRowsWithoutLocation(std::vector<int> rows) { rowsWithoutLocation_ = std::move(rows); }
    bool RowWithoutLocationBetween(int row, int otherRow) const override;

    // Image columns in front of a Meteor scan's first sample (the scan inside
    // a 10B line); scan pixels of the Meteor modes are moved on by them.
    void SetScanColumnOffset(int columns) { scanColumnOffset_ = columns; }
    int ImageColumnOffset() const;

    bool Fitted() const { return ReferenceLongitude != UnknownEntry; }
    uint8_t ScanMode() const { return scanMode_; }
    int OutputWidth() const { return outputWidth_; }
    int CentreLine() const { return centreLine_; }
    float ScanIncrement() const { return scanIncrement_; }
    const TScanTable2048& ScanToGround2048() const { return scanToGround2048_; }
    const TScanTable1540& ScanToGround1540() const { return scanToGround1540_; }
    const TScanTable1540& ScanToGround1540b() const { return scanToGround1540b_; }
    const TScanTable1568& ScanToGround1568() const { return scanToGround1568_; }
    const TGacTable& GacToGround() const { return gacToGround_; }
    const TMode3Table& Mode3ToGround() const { return mode3ToGround_; }
    const TMode3Table& Mode3SourcePixel() const { return mode3SourcePixel_; }
    const TGroundTable& GroundToScan() const { return groundToScan_; }
    const TGroundTable& GroundToGac() const { return groundToGac_; }
    const TGroundTable& GroundToMode3() const { return groundToMode3_; }
    const std::array<float, LocationAnchorCount>& Mode3Anchors() const { return mode3Anchors_; }

    // The vertical warp applies only where |y| is below this.
    float WarpStep = 4.0f;

private:
    struct TPlanePoint {
        double x;
        double y;
    };
    TPlanePoint ApplyWarp(double x, double y) const;
    bool GroundToPixel(double x3, double y2, float& X) const;
    TResidual ResidualAt(double X, double Y) const;
    void ApplyResiduals(float& X, float& Y) const;
    bool ImageRowOf(float& Y) const;
    void ResetFit();
    void BuildScanGeometry(double halfWidth, double altitude, double trackStep, double semiAngle);
    void BuildGacTables();
    void BuildMode3Tables();

    float warpRotation_ = 0;
    float sinReferenceLatitude_ = 0, cosReferenceLatitude_ = 1;
    float sinWarpRotation_ = 0, cosWarpRotation_ = 1;
    int centreLine_ = 0;
    TMode3Table mode3SourcePixel_;
    TMode3Table mode3ToGround_;
    TScanTable2048 scanToGround2048_;
    TGacTable gacToGround_;
    TScanTable1540 scanToGround1540_;
    TScanTable1540 scanToGround1540b_;
    TGroundTable groundToMode3_;
    TGroundTable groundToScan_;
    TGroundTable groundToGac_;
    std::array<float, LocationAnchorCount> mode3Anchors_{};
    uint8_t scanMode_ = 0;
    int scanColumnOffset_ = 0;
    float horizontalWarp3_ = 0, horizontalWarp2_ = 0, horizontalWarp1_ = 1;
    float verticalWarp2_ = 0, verticalWarp1_ = 1, verticalWarp0_ = 0;
    float skew2_ = 0, skew1_ = 0, skew0_ = 0;
    int residualAnchors_ = 0;
    int residualRows_ = 0;
    int residualFirstPixel_ = 0;
    int residualSpacing_ = 1;
    std::shared_ptr<const TResidualTable> residuals_;
    std::vector<TSignalGap> signalGaps_;
    std::vector<int> rowsWithoutLocation_;
    float scanIncrement_ = 0;
    int outputWidth_ = 2;
    TScanTable1568 scanToGround1568_;
};

// Linear interpolation over unknown entries between known ones, and linear
// extrapolation beyond them with the larger of slope and the last gap's slope.
void FillTableGaps(TGroundTable& table, float slope);

}  // namespace kestrune
