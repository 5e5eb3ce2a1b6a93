// Map projections: geographic positions (longitude, latitude, degrees) to
// integer pixels of a map raster and back, for 15 projection kinds, with
// latitude/longitude grids drawn through an abstract canvas, and the sphere
// helpers used by the ruler and the map fit. Projection operations never
// throw: a false result means the point is not visible (or the pixel is off
// the earth).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kestrune {

constexpr double EarthRadiusKm = 6378.135;
constexpr int ProjectionKindCount = 15;

// Names of the projection kinds, indexed by TMapping::Projection().
extern const char* const ProjectionNames[ProjectionKindCount];

struct TGridPoint {
    int X;
    int Y;
};

// Drawing surface of the grid, implemented by the renderer over its canvas.
class TGridCanvas {
public:
    virtual ~TGridCanvas() = default;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // Transparent brush, pen in the grid colour and the small label font
    // ("Small Fonts", 7) until EndGrid puts the caller's font back.
    virtual void BeginGrid(uint32_t gridColour) = 0;
    virtual void EndGrid() = 0;
    virtual void Polyline(std::span<const TGridPoint> points) = 0;
    virtual int TextWidth(const std::string& text) = 0;
    virtual int TextHeight(const std::string& text) = 0;
    virtual void TextOut(int x, int y, const std::string& text, uint32_t colour) = 0;
    // The surface's picture has changed.
    virtual void Changed() {}
};

struct TGridSettings {
    float MeridianStep = 10;  // degrees between meridians
    float ParallelStep = 10;  // degrees between parallels
    bool ShowLines = true;
    bool ShowLabels = true;
    uint32_t GridColour = 0;
    uint32_t LabelColour = 0;
    uint32_t OutlineColour = 0;
    std::string DegreeSign = "\xC2\xB0";
};

class TMapping {
public:
    TMapping();
    virtual ~TMapping() = default;

    virtual void SetProjection(uint8_t kind);
    virtual int GetWidth() const { return width_; }    // rows
    virtual int GetHeight() const { return height_; }  // columns
    virtual int GetSize() const;
    virtual int GetLines() const { return GetHeight(); }
    virtual void Assign(const TMapping& source);
    virtual void CopyFrom(const TMapping& source) { Assign(source); }
    // Draws on the canvas when one is given and the kind is not 0, then
    // tells the canvas that its picture changed.
    virtual void DrawGrid(TGridCanvas* canvas, const TGridSettings& settings);
    virtual void DrawGridOnCanvas(TGridCanvas& canvas, const TGridSettings& settings);
    virtual bool IsGeographic() const;
    virtual bool LatLonToXY(int& X, int& Y, float Longitude, float Latitude);
    // Some image row strictly between the two shows no ground of its own
    // (a record without location): no overlay line may cross it.
    virtual bool RowWithoutLocationBetween(int /*row*/, int /*otherRow*/) const { return false; }
    // Same projection without rounding the result (the offsets still rounded).
    virtual bool LatLonToMapXY(float& X, float& Y, float Longitude, float Latitude);
    virtual bool XYToLatLon(int X, int Y, float& Longitude, float& Latitude);

    void SetWidth(int value);
    void SetHeight(int value);
    void SetTile(uint8_t value);
    void SetRotation(float degrees);
    void SetLongitudeSpan(float value);
    void SetLatitudeSpan(float value);
    void SetCentreLongitude(float value);
    void SetCentreLatitude(float value);
    void SetStandardParallel1(float value);
    void SetStandardParallel2(float value);
    void SetOffsetX(int value) { offsetX_ = static_cast<float>(value); }
    void SetOffsetY(int value) { offsetY_ = static_cast<float>(value); }
    int GetOffsetX() const;
    int GetOffsetY() const;

    uint8_t Projection() const { return projection_; }
    uint8_t Tile() const { return tile_; }
    float Rotation() const { return rotation_; }
    float Scale() const { return scale_; }
    float LongitudeSpan() const { return longitudeSpan_; }
    float LatitudeSpan() const { return latitudeSpan_; }
    float CentreLongitude() const { return centreLongitude_; }
    float CentreLatitude() const { return centreLatitude_; }
    float StandardParallel1() const { return standardParallel1_; }
    float StandardParallel2() const { return standardParallel2_; }
    float WestLongitude() const { return westLongitude_; }
    float BottomLatitude() const { return bottomLatitude_; }
    bool SouthernHemisphere() const { return southernHemisphere_; }
    float ConeConstant() const { return coneConstant_; }
    float ConeFactor() const { return coneFactor_; }
    float ConeRho0() const { return coneRho0_; }
    float PolarRho0() const { return polarRho0_; }
    float MercatorScale() const { return mercatorScale_; }
    float MercatorOffset() const { return mercatorOffset_; }

protected:
    void Recalculate();

    // Used only by the warped mapping.
    float ReferenceLongitude = 0;

private:
    // Map coordinates before the offsets; visible tells whether the point
    // shows, computed whether x and y were worked out.
    struct TProjected {
        double x = 0, y = 0;
        bool visible = false;
        bool computed = false;
    };
    TProjected Project(double longitude, double latitude) const;
    TProjected ProjectAzimuthal(double dlon, double latitude) const;
    TProjected ProjectOrthographic(double dlon, double latitude) const;
    TProjected ProjectLinearisedOrthographic(double dlon, double latitude) const;
    TProjected ProjectPolarStereographic(double dlon, double latitude) const;
    TProjected ProjectConic(double dlon, double latitude) const;
    TProjected ProjectGnomonic(double dlon, double latitude) const;
    TProjected ProjectGrinten(double dlon, double latitude) const;
    TProjected ProjectGreatCircle(double longitude, double latitude) const;
    TProjected PixelStep(double x, double y, bool rotate) const;
    double DistanceFromCentre(double longitude, double latitude) const;

    // Inverse per kind, from map pixel to degrees; false off the earth.
    bool InvertAzimuthal(double x, double y, double& longitude, double& latitude) const;
    bool InvertOrthographic(double x, double y, double& longitude, double& latitude) const;
    bool InvertGnomonic(double x, double y, double& longitude, double& latitude) const;
    bool InvertPolarStereographic(int X, int Y, double& longitude, double& latitude) const;
    bool InvertConic(int X, int Y, double& longitude, double& latitude) const;
    bool InvertGrinten(double x, double y, double& longitude, double& latitude) const;
    bool InvertGreatCircle(double x, double y, double& longitude, double& latitude) const;
    bool Invert(int X, int Y, double& longitude, double& latitude) const;

    void MapToTile(double& x, double& y) const;
    void TileToMap(double& x, double& y) const;
    void RecalculateCone();
    void RecalculateKind();

    void DrawGridLines(TGridCanvas& canvas, const TGridSettings& settings, float meridianStep,
                       float parallelStep);
    void DrawMeridian(TGridCanvas& canvas, const TGridSettings& settings, int longitude, int latFrom,
                      int latTo);
    void DrawParallel(TGridCanvas& canvas, const TGridSettings& settings, int latitude, int lonFrom,
                      int lonTo);
    void DrawRuns(TGridCanvas& canvas, const TGridSettings& settings, std::span<const float> longitudes,
                  std::span<const float> latitudes, const std::string& label);
    void DrawStraightLine(TGridCanvas& canvas, const TGridSettings& settings, bool meridian, int longitude,
                          int latitude, const std::string& label);
    bool DrawsStraightLines() const;
    TGridPoint ClampGridPoint(int x, int y) const;

    float eccentricity_ = 0;
    float halfEccentricity_ = 0;
    float coneScale_ = 0;
    float coneConstant_ = 0;
    float inverseConeConstant_ = 0;
    float coneFactor_ = 0;
    float inverseConeFactor_ = 0;
    float coneRadians_ = 0;
    float coneRho0_ = 0;
    bool coneDegenerate_ = true;
    float scale_ = 0;
    float inverseScale_ = 0;
    float bottomLatitude_ = 0;
    float latitudeSpan_ = 0;
    float westLongitude_ = 0;
    float longitudeSpan_ = 0;
    int width_ = 0;
    int height_ = 0;
    float inverseHeight_ = 0;
    float centreLongitude_ = 0;
    float mercatorScale_ = 0;
    float mercatorOffset_ = 0;
    int halfWidth_ = 0;
    float centreLatitude_ = 0;
    uint8_t projection_ = 0;
    uint8_t tile_ = 0;
    float rotation_ = 0;
    float sinCentreLatitude_ = 0;
    float cosCentreLatitude_ = 1;
    float standardParallel1_ = 0;
    float standardParallel2_ = 0;
    float inverseGrinten_ = 0;
    float grintenScale_ = 0;
    float polarRho0_ = 0;
    bool southernHemisphere_ = false;
    float offsetX_ = 0;
    float offsetY_ = 0;
};

// A longitude or longitude difference brought into -180..180.
double WrapLongitude(double degrees);

// Azimuthal equidistant position (x east, y north, radians of arc times
// scale) of a point at latitude phi and longitude lambda from a centre on the
// meridian lambda = 0 whose latitude has the given sine and cosine; angles in
// radians. The centre and its antipode both give (0, 0).
void AzimuthalEquidistant(double sinCentre, double cosCentre, double lambda, double phi, double scale, double& x,
                          double& y);

// Great-circle distance in km by the law of cosines; false (Distance
// untouched) when the arithmetic fails.
bool GreatCircleAngle(float Lon1, float Lat1, float Lon2, float Lat2, float& Distance);
// Haversine distance in km and the initial bearing (0..360 from north) with
// the latitudes taken as geodetic on the ellipsoid; always true.
bool GreatCircleDistance(float Lon1, float Lat1, float Lon2, float Lat2, float& Distance, float& Bearing);
// Mercator ordinate in degrees of a latitude; latitudes are held inside
// +/-89.999 degrees so that the poles give a finite ordinate.
float MercatorY(float Latitude);
float MercatorLatitude(float Y);

}  // namespace kestrune
