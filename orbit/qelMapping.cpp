#include "orbit/qelMapping.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/SysUtils.h"

namespace kestrune {

const char* const ProjectionNames[ProjectionKindCount] = {
    "Unknown",
    "Cylindrical equidistant (full)",
    "Cylindrical equidistant (zoomed)",
    "Azimuthal equidistant",
    "Azimuthal equidistant (wide)",
    "Mercator (full)",
    "Mercator (zoomed)",
    "Orthographic",
    "Linearised Orthographic",
    "Polar Stereographic",
    "Lambert Conformal Conic",
    "Gnomonic",
    "Van der Grinten",
    "Great Circle",
    "Linear-based",
};

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Radians = Pi / 180.0;
constexpr double Degrees = 180.0 / Pi;
constexpr double EccentricitySquared = 0.006694318;
constexpr double GrintenRadius = 0.155;
constexpr double MercatorLatitudeLimit = 89.999;

enum Kind : uint8_t {
    kUnknown, kCylindricalFull, kCylindricalZoomed, kAzimuthal, kAzimuthalWide, kMercatorFull,
    kMercatorZoomed, kOrthographic, kLinearisedOrthographic, kPolarStereographic, kConic, kGnomonic,
    kGrinten, kGreatCircle, kLinearBased
};

// Longitude in -180 .. below 180.
double WrapLongitudeHalfOpen(double degrees) {
    degrees = WrapLongitude(degrees);
    return degrees >= 180.0 ? degrees - 360.0 : degrees;
}

bool FitsInteger(double value) {
    return std::isfinite(value) && std::fabs(value) < 2147483647.0;
}

int RoundToInt(double value) { return static_cast<int>(Round(value)); }

double Sign(double value) { return value < 0 ? -1.0 : 1.0; }

// Angle between two points on the sphere, radians, argument held in range.
double CentralAngle(double dlonRadians, double sinLat1, double cosLat1, double latitude2) {
    const double cosine = sinLat1 * std::sin(latitude2) + cosLat1 * std::cos(latitude2) * std::cos(dlonRadians);
    return std::acos(std::clamp(cosine, -1.0, 1.0));
}

}  // namespace

double WrapLongitude(double degrees) {
    if (std::fabs(degrees) > 180.0) degrees = std::fmod(degrees, 360.0);
    if (degrees > 180.0) degrees -= 360.0;
    if (degrees < -180.0) degrees += 360.0;
    return degrees;
}

void AzimuthalEquidistant(double sinCentre, double cosCentre, double lambda, double phi, double scale, double& x,
                          double& y) {
    const double cosC = sinCentre * std::sin(phi) + cosCentre * std::cos(phi) * std::cos(lambda);
    x = y = 0;
    if (!(std::fabs(cosC) < 1.0)) return;
    const double c = std::acos(cosC);
    const double k = scale * c / std::sin(c);
    x = k * std::cos(phi) * std::sin(lambda);
    y = k * (cosCentre * std::sin(phi) - sinCentre * std::cos(phi) * std::cos(lambda));
}

TMapping::TMapping() { Recalculate(); }

int TMapping::GetSize() const { return std::max(GetWidth(), GetHeight()); }

int TMapping::GetOffsetX() const { return RoundToInt(offsetX_); }
int TMapping::GetOffsetY() const { return RoundToInt(offsetY_); }

bool TMapping::IsGeographic() const {
    return projection_ >= kCylindricalFull && projection_ <= kGreatCircle && projection_ != kLinearisedOrthographic;
}

// ---------------------------------------------------------------- settings

void TMapping::SetProjection(uint8_t kind) {
    projection_ = kind;
    switch (kind) {
        case kCylindricalZoomed: centreLongitude_ = 0; break;
        case kAzimuthal: scale_ = 0.75f; break;
        case kAzimuthalWide: scale_ = 0.4f; break;
        case kMercatorFull:
            centreLongitude_ = 0;
            longitudeSpan_ = 360;
            break;
        case kOrthographic:
        case kLinearisedOrthographic: scale_ = 0.8f; break;
        case kPolarStereographic: scale_ = 1.7f; break;
        case kGnomonic: scale_ = 0.4f; break;
        case kGreatCircle: scale_ = 0.2f; break;
        default: break;
    }
    Recalculate();
}

void TMapping::SetWidth(int value) {
    width_ = value;
    Recalculate();
}

void TMapping::SetHeight(int value) {
    height_ = value;
    if (value != 0) inverseHeight_ = 1.0f / static_cast<float>(value);
    Recalculate();
}

void TMapping::SetTile(uint8_t value) {
    tile_ = value;
    Recalculate();
}

void TMapping::SetRotation(float degrees) {
    rotation_ = degrees;
    Recalculate();
}

void TMapping::SetLongitudeSpan(float value) {
    longitudeSpan_ = value;
    Recalculate();
}

void TMapping::SetLatitudeSpan(float value) {
    latitudeSpan_ = value;
    Recalculate();
}

void TMapping::SetCentreLongitude(float value) {
    centreLongitude_ = value;
    Recalculate();
}

void TMapping::SetCentreLatitude(float value) {
    // The polar and conic kinds need a hemisphere, so the equator is kept off.
    if ((projection_ == kPolarStereographic || projection_ == kConic) && std::fabs(value) < 0.001f)
        value = value > 0 ? 0.001f : -0.001f;
    centreLatitude_ = value;
    standardParallel1_ = std::fabs(value);
    standardParallel2_ = std::fabs(value);
    southernHemisphere_ = value < 0;
    sinCentreLatitude_ = static_cast<float>(std::sin(value * Radians));
    cosCentreLatitude_ = static_cast<float>(std::cos(value * Radians));
    Recalculate();
}

void TMapping::SetStandardParallel1(float value) {
    standardParallel1_ = std::fabs(value);
    Recalculate();
}

void TMapping::SetStandardParallel2(float value) {
    standardParallel2_ = std::fabs(value);
    Recalculate();
}

void TMapping::Assign(const TMapping& source) {
    SetProjection(source.Projection());
    SetWidth(source.GetWidth());
    SetHeight(source.GetHeight());
    SetTile(source.tile_);
    SetRotation(source.rotation_);
    SetLongitudeSpan(source.longitudeSpan_);
    SetLatitudeSpan(source.latitudeSpan_);
    SetCentreLongitude(source.centreLongitude_);
    SetCentreLatitude(source.centreLatitude_);
    SetStandardParallel1(source.standardParallel1_);
    SetStandardParallel2(source.standardParallel2_);
    SetOffsetX(source.GetOffsetX());
    SetOffsetY(source.GetOffsetY());
}

void TMapping::Recalculate() {
    if (projection_ != kGreatCircle && latitudeSpan_ > 180) latitudeSpan_ = 180;
    eccentricity_ = static_cast<float>(std::sqrt(EccentricitySquared));
    halfEccentricity_ = eccentricity_ / 2;
    RecalculateCone();
    westLongitude_ = centreLongitude_ - longitudeSpan_ / 2;
    bottomLatitude_ = centreLatitude_ - latitudeSpan_ / 2;
    halfWidth_ = width_ / 2;
    RecalculateKind();
}

void TMapping::RecalculateCone() {
    const double e = eccentricity_;
    const auto t = [e](double phi) {
        const double s = e * std::sin(phi);
        return std::tan(Pi / 4 - phi / 2) / std::pow((1 - s) / (1 + s), e / 2);
    };
    const auto m = [](double phi) {
        return std::cos(phi) / std::sqrt(1 - EccentricitySquared * std::sin(phi) * std::sin(phi));
    };
    // The parallels enter as their distance from the pole.
    const double phi1 = (90.0 - standardParallel1_) * Radians;
    const double phi2 = (90.0 - standardParallel2_) * Radians;
    double n = std::sin(phi1);
    if (phi1 != phi2 && std::fabs(standardParallel1_) > 0.1f && std::fabs(standardParallel2_) > 0.1f)
        n = (std::log(m(phi1)) - std::log(m(phi2))) / (std::log(t(phi1)) - std::log(t(phi2)));
    const double factor = 1.095 * m(phi1) / (n * std::pow(t(phi1), n));
    const double rho0 = factor * std::pow(t(std::fabs(centreLatitude_) * Radians), n);
    coneConstant_ = static_cast<float>(n);
    coneFactor_ = static_cast<float>(factor);
    coneRho0_ = static_cast<float>(rho0);
    coneRadians_ = static_cast<float>(n * Radians);
    coneScale_ = static_cast<float>(1.0 / (n * Radians));
    inverseConeConstant_ = static_cast<float>(1.0 / n);
    inverseConeFactor_ = static_cast<float>(1.0 / factor);
    // A cone with its apex at the centre (a polar centre) cannot be drawn.
    coneDegenerate_ = !(std::isfinite(n) && n != 0 && std::isfinite(factor) && factor != 0 && std::isfinite(rho0) &&
                        std::isfinite(coneScale_));
}

void TMapping::RecalculateKind() {
    const double low = centreLatitude_ - latitudeSpan_ / 2.0;
    const double high = centreLatitude_ + latitudeSpan_ / 2.0;
    const bool windowed = latitudeSpan_ != 0 && width_ != 0 && height_ != 0;
    switch (projection_) {
        case kAzimuthalWide:
        case kOrthographic:
        case kLinearisedOrthographic:
        case kGnomonic:
            if (windowed) {
                const double spread = std::sin((low - centreLatitude_) * Radians) -
                                      std::sin((high - centreLatitude_) * Radians);
                scale_ = static_cast<float>((static_cast<double>(width_) / height_) / std::fabs(spread));
            } else {
                scale_ = (projection_ == kAzimuthalWide || projection_ == kGnomonic) ? 0.4f : 0.8f;
            }
            break;
        case kMercatorZoomed:
            mercatorScale_ = (MercatorY(static_cast<float>(high)) - MercatorY(static_cast<float>(low))) /
                             static_cast<float>(high - low);
            mercatorOffset_ = MercatorY(centreLatitude_) - mercatorScale_ * latitudeSpan_ / 2;
            break;
        case kPolarStereographic:
            if (latitudeSpan_ != 0) {
                const double sign = southernHemisphere_ ? 1.0 : -1.0;
                const double q1 = (Pi / 2 + sign * low * Radians) / 2;
                const double q2 = (Pi / 2 + sign * high * Radians) / 2;
                scale_ = static_cast<float>(1.0 / std::fabs(std::tan(q1) - std::tan(q2)));
                polarRho0_ = static_cast<float>((std::tan(q1) + std::tan(q2)) * scale_ / 2);
            } else {
                scale_ = 1.7f;
                polarRho0_ = cosCentreLatitude_ * cosCentreLatitude_ * scale_;
            }
            inverseScale_ = 1.0f / scale_;
            break;
        case kGrinten:
            scale_ = static_cast<float>(GrintenRadius);
            grintenScale_ = static_cast<float>(Pi * GrintenRadius);
            inverseGrinten_ = 1.0f / grintenScale_;
            break;
        case kGreatCircle:
            if (windowed)
                scale_ = static_cast<float>(1.0 / std::fabs(latitudeSpan_ * Radians) * width_ / height_);
            else if (width_ <= height_)
                scale_ = static_cast<float>(static_cast<double>(width_) * inverseHeight_ / (2 * Pi));
            else
                scale_ = 0.15915494f;
            break;
        default: break;
    }
}

// ---------------------------------------------------------------- forward

bool TMapping::LatLonToXY(int& X, int& Y, float Longitude, float Latitude) {
    const TProjected p = Project(Longitude, Latitude);
    if (p.computed) {
        if (!FitsInteger(p.x) || !FitsInteger(p.y)) return false;
        X = RoundToInt(p.x);
        Y = RoundToInt(p.y);
    }
    X += GetOffsetX();
    Y -= GetOffsetY();
    return p.visible;
}

bool TMapping::LatLonToMapXY(float& X, float& Y, float Longitude, float Latitude) {
    const TProjected p = Project(Longitude, Latitude);
    if (p.computed) {
        if (!FitsInteger(p.x) || !FitsInteger(p.y)) return false;
        X = static_cast<float>(p.x);
        Y = static_cast<float>(p.y);
    }
    X += static_cast<float>(GetOffsetX());
    Y -= static_cast<float>(GetOffsetY());
    return p.visible;
}

TMapping::TProjected TMapping::Project(double longitude, double latitude) const {
    const double dlon = WrapLongitude(longitude - centreLongitude_);
    TProjected p;
    switch (projection_) {
        case kCylindricalFull:
            p.x = height_ * (WrapLongitude(longitude) + 180.0) / 360.0;
            p.y = (1.0 - (latitude + 90.0) / 180.0) * width_;
            break;
        case kCylindricalZoomed:
        case kLinearBased:
            p.x = (dlon + centreLongitude_ - westLongitude_) * height_ / longitudeSpan_;
            p.y = (1.0 - (latitude - bottomLatitude_) / latitudeSpan_) * width_;
            break;
        case kAzimuthal:
        case kAzimuthalWide: return ProjectAzimuthal(dlon, latitude);
        case kMercatorFull:
            p.x = height_ * (dlon + 180.0) / 360.0;
            p.y = halfWidth_ - height_ * static_cast<double>(MercatorY(static_cast<float>(latitude))) / 360.0;
            break;
        case kMercatorZoomed: {
            p.x = (dlon + centreLongitude_ - westLongitude_) * height_ / longitudeSpan_;
            const double fromBottom = (MercatorY(static_cast<float>(latitude)) - mercatorOffset_) / mercatorScale_;
            p.y = (1.0 - fromBottom / latitudeSpan_) * width_;
            p.computed = true;
            p.visible = FitsInteger(p.x) && FitsInteger(p.y) && RoundToInt(p.x) >= 0 && RoundToInt(p.x) < height_ &&
                        RoundToInt(p.y) >= 0 && RoundToInt(p.y) < width_;
            return p;
        }
        case kOrthographic: return ProjectOrthographic(dlon, latitude);
        case kLinearisedOrthographic: return ProjectLinearisedOrthographic(dlon, latitude);
        case kPolarStereographic: return ProjectPolarStereographic(dlon, latitude);
        case kConic: return ProjectConic(dlon, latitude);
        case kGnomonic: return ProjectGnomonic(dlon, latitude);
        case kGrinten: return ProjectGrinten(dlon, latitude);
        case kGreatCircle: return ProjectGreatCircle(longitude, latitude);
        default: return p;
    }
    p.computed = true;
    p.visible = true;
    return p;
}

double TMapping::DistanceFromCentre(double dlon, double latitude) const {
    return EarthRadiusKm * CentralAngle(dlon * Radians, sinCentreLatitude_, cosCentreLatitude_, latitude * Radians);
}

TMapping::TProjected TMapping::PixelStep(double x, double y, bool rotate) const {
    if (rotate) {
        const double r = rotation_ * Radians;
        const double rotatedX = x * std::cos(r) + y * std::sin(r);
        y = -x * std::sin(r) + y * std::cos(r);
        x = rotatedX;
    }
    TProjected p;
    p.x = (0.5 + x) * height_;
    p.y = halfWidth_ - height_ * y;
    p.computed = true;
    p.visible = true;
    return p;
}

TMapping::TProjected TMapping::ProjectAzimuthal(double dlon, double latitude) const {
    if (DistanceFromCentre(dlon, latitude) >= 12000.0) return {};
    double x = 0, y = 0;
    AzimuthalEquidistant(sinCentreLatitude_, cosCentreLatitude_, dlon * Radians, latitude * Radians, scale_, x, y);
    return PixelStep(x, y, true);
}

TMapping::TProjected TMapping::ProjectOrthographic(double dlon, double latitude) const {
    if (DistanceFromCentre(dlon, latitude) >= 6300.0) return {};
    const double phi = latitude * Radians;
    const double lambda = dlon * Radians;
    const double x = scale_ * std::cos(phi) * std::sin(lambda);
    const double y =
        scale_ * (cosCentreLatitude_ * std::sin(phi) - sinCentreLatitude_ * std::cos(phi) * std::cos(lambda));
    return PixelStep(x, y, true);
}

TMapping::TProjected TMapping::ProjectLinearisedOrthographic(double dlon, double latitude) const {
    if (DistanceFromCentre(dlon, latitude) >= 6300.0) return {};
    const double phi = latitude * Radians;
    const double lambda = dlon * Radians;
    const double alpha = std::atan2(std::sin(lambda) * std::cos(phi), std::cos(lambda) * std::cos(phi) * cosCentreLatitude_ +
                                                                           std::sin(phi) * sinCentreLatitude_);
    const double beta = std::asin(std::sin(phi) * cosCentreLatitude_ - std::cos(lambda) * std::cos(phi) * sinCentreLatitude_);
    const double limit = 60.0 * Radians;
    if (!(std::fabs(alpha) < limit && std::fabs(beta) < limit)) return {};
    const double x = scale_ * std::atan2(std::sin(alpha) * std::cos(beta),
                                         std::hypot(std::sin(beta), std::cos(alpha) * std::cos(beta)));
    const double y = scale_ * std::atan2(std::sin(beta), std::cos(alpha) * std::cos(beta));
    return PixelStep(x, y, true);
}

TMapping::TProjected TMapping::ProjectPolarStereographic(double dlon, double latitude) const {
    const double phi = latitude * Radians;
    const double lambda = dlon * Radians;
    TProjected p;
    double x, y;
    if (southernHemisphere_) {
        const double rho = scale_ * std::tan((Pi / 2 + phi) / 2);
        x = rho * std::sin(lambda);
        y = rho * std::cos(lambda) - polarRho0_;
    } else {
        const double rho = scale_ * std::tan((Pi / 2 - phi) / 2);
        x = rho * std::sin(lambda);
        y = polarRho0_ - rho * std::cos(lambda);
    }
    p.x = width_ * x + height_ / 2.0;
    p.y = halfWidth_ - width_ * y;
    p.computed = true;
    p.visible = true;
    return p;
}

TMapping::TProjected TMapping::ProjectConic(double dlon, double latitude) const {
    if (coneDegenerate_ || DistanceFromCentre(dlon, latitude) >= 10000.0) return {};
    const double phi = (southernHemisphere_ ? -latitude : latitude) * Radians;
    const double s = eccentricity_ * std::sin(phi);
    const double q = std::pow((1 - s) / (1 + s), static_cast<double>(halfEccentricity_));
    const double tq = std::tan(Pi / 4 - phi / 2);
    const double tn = std::fabs(tq) >= 0.00001 ? std::pow(tq / q, static_cast<double>(coneConstant_)) : 0.0;
    const double rho = coneFactor_ * tn;
    const double theta = coneRadians_ * dlon;
    const double x = rho * std::sin(theta);
    double y = coneRho0_ - rho * std::cos(theta);
    if (southernHemisphere_) y = -y;
    return PixelStep(x, y, false);
}

TMapping::TProjected TMapping::ProjectGnomonic(double dlon, double latitude) const {
    if (DistanceFromCentre(dlon, latitude) >= 12000.0) return {};
    const double phi = latitude * Radians;
    const double lambda = dlon * Radians;
    const double cosC = sinCentreLatitude_ * std::sin(phi) + cosCentreLatitude_ * std::cos(phi) * std::cos(lambda);
    if (!(cosC >= 0.000001 && cosC < 1.0)) return {};
    const double k = scale_ / cosC;
    const double x = k * std::cos(phi) * std::sin(lambda);
    const double y = k * (cosCentreLatitude_ * std::sin(phi) - sinCentreLatitude_ * std::cos(phi) * std::cos(lambda));
    return PixelStep(x, y, true);
}

TMapping::TProjected TMapping::ProjectGrinten(double dlon, double latitude) const {
    const double piR = Pi * scale_;
    double x = 0, y = 0;
    if (std::fabs(latitude) > 89.999) {
        y = Sign(latitude) * piR;
    } else if (std::fabs(dlon) < 0.0001) {
        const double theta = std::asin(std::fabs(2 * latitude / 180.0));
        y = Sign(latitude) * piR * std::tan(theta / 2);
    } else if (std::fabs(latitude) < 0.0001) {
        x = scale_ * Pi * dlon / 180.0;
    } else {
        const double theta = std::asin(std::fabs(2 * latitude / 180.0));
        const double a = std::fabs(180.0 / dlon - dlon / 180.0) / 2;
        const double g = std::cos(theta) / (std::sin(theta) + std::cos(theta) - 1);
        const double p = g * (2 / std::sin(theta) - 1);
        const double q = a * a + g;
        const double p2 = p * p, a2 = a * a;
        x = Sign(dlon) * piR *
            (a * (g - p2) + std::sqrt(a2 * (g - p2) * (g - p2) - (p2 + a2) * (g * g - p2))) / (p2 + a2);
        y = Sign(latitude) * piR * (p * q - a * std::sqrt((a2 + 1) * (p2 + a2) - q * q)) / (p2 + a2);
    }
    MapToTile(x, y);
    return PixelStep(x, y, false);
}

TMapping::TProjected TMapping::ProjectGreatCircle(double longitude, double latitude) const {
    const double phi0 = centreLatitude_ * Radians;
    const double phi = latitude * Radians;
    const double dlambda = (centreLongitude_ - longitude) * Radians;
    const double sinHalfLat = std::sin((phi0 - phi) / 2);
    const double sinHalfLon = std::sin(dlambda / 2);
    const double haversine = sinHalfLat * sinHalfLat + std::cos(phi0) * std::cos(phi) * sinHalfLon * sinHalfLon;
    const double c = 2 * std::asin(std::sqrt(std::clamp(haversine, 0.0, 1.0)));
    double azimuth = 0;
    if (c >= 1e-10) {
        const double across = std::sin(dlambda) * std::cos(phi);
        const double along = std::cos(phi0) * std::sin(phi) - std::sin(phi0) * std::cos(phi) * std::cos(dlambda);
        if (std::fabs(along) < 1e-10)
            azimuth = across <= 0 ? -Pi / 2 : Pi / 2;
        else
            azimuth = std::atan2(across, along);
    }
    const double r = scale_ * c;
    return PixelStep(-r * std::sin(azimuth), r * std::cos(azimuth), false);
}

// Van der Grinten mosaics: 1..4 quarters of a 2 x 2, 5..13 ninths of a 3 x 3
// mosaic, numbered row by row.
void TMapping::MapToTile(double& x, double& y) const {
    if (height_ == 0) return;
    const double aspect = static_cast<double>(width_) / height_;
    if (tile_ >= 1 && tile_ <= 4) {
        const int column = (tile_ - 1) % 2, row = (tile_ - 1) / 2;
        x = 2 * x + (column == 0 ? 0.5 : -0.5);
        y = 2 * y + (row == 0 ? -aspect / 2 : aspect / 2);
    } else if (tile_ >= 5 && tile_ <= 13) {
        const int column = (tile_ - 5) % 3, row = (tile_ - 5) / 3;
        x = 3 * x + (1 - column);
        y = 3 * y + (row - 1) * aspect;
    }
}

void TMapping::TileToMap(double& x, double& y) const {
    if (height_ == 0) return;
    const double aspect = static_cast<double>(width_) / height_;
    if (tile_ >= 1 && tile_ <= 4) {
        const int column = (tile_ - 1) % 2, row = (tile_ - 1) / 2;
        x = (x - (column == 0 ? 0.5 : -0.5)) / 2;
        y = (y - (row == 0 ? -aspect / 2 : aspect / 2)) / 2;
    } else if (tile_ >= 5 && tile_ <= 13) {
        const int column = (tile_ - 5) % 3, row = (tile_ - 5) / 3;
        x = (x - (1 - column)) / 3;
        y = (y - (row - 1) * aspect) / 3;
    }
}

// ---------------------------------------------------------------- inverse

bool TMapping::XYToLatLon(int X, int Y, float& Longitude, float& Latitude) {
    if (width_ == 0 || height_ == 0) return false;
    double longitude = 0, latitude = 0;
    if (!Invert(X, Y, longitude, latitude)) return false;
    if (!std::isfinite(longitude) || !std::isfinite(latitude)) return false;
    Longitude = static_cast<float>(WrapLongitudeHalfOpen(longitude));
    Latitude = static_cast<float>(latitude);
    return true;
}

bool TMapping::Invert(int X, int Y, double& longitude, double& latitude) const {
    const double column = X - GetOffsetX();
    const double rowWithOffset = Y + GetOffsetY();
    const double x = column / height_ - 0.5;
    switch (projection_) {
        case kCylindricalFull:
            longitude = column * 360.0 / height_ - 180.0;
            latitude = (1.0 - static_cast<double>(Y) / width_) * 180.0 - 90.0;
            return true;
        case kCylindricalZoomed:
        case kLinearBased:
            longitude = column * longitudeSpan_ / height_ + westLongitude_;
            latitude = (1.0 - rowWithOffset / width_) * latitudeSpan_ + bottomLatitude_;
            return true;
        case kAzimuthal:
        case kAzimuthalWide: return InvertAzimuthal(x, (halfWidth_ - Y) / static_cast<double>(height_), longitude, latitude);
        case kMercatorFull:
            longitude = X * 360.0 / height_ + westLongitude_;
            latitude = MercatorLatitude(static_cast<float>((halfWidth_ - Y) * 360.0 / height_));
            return true;
        case kMercatorZoomed:
            longitude = X * static_cast<double>(longitudeSpan_) / height_ + westLongitude_;
            latitude = MercatorLatitude(
                static_cast<float>(mercatorScale_ * (1.0 - static_cast<double>(Y) / width_) * latitudeSpan_ + mercatorOffset_));
            return true;
        case kOrthographic:
            return InvertOrthographic(x, (halfWidth_ - rowWithOffset) / height_, longitude, latitude);
        case kGnomonic: return InvertGnomonic(x, (halfWidth_ - Y) / static_cast<double>(height_), longitude, latitude);
        case kPolarStereographic: return InvertPolarStereographic(X, Y, longitude, latitude);
        case kConic: return InvertConic(X, Y, longitude, latitude);
        case kGrinten: {
            double mapX = x, mapY = (halfWidth_ - rowWithOffset) / height_;
            TileToMap(mapX, mapY);
            return InvertGrinten(mapX, mapY, longitude, latitude);
        }
        case kGreatCircle:
            return InvertGreatCircle(x, (halfWidth_ - rowWithOffset) / height_, longitude, latitude);
        default: return false;
    }
}

namespace {

// Point at angular distance c (given by its sine and cosine) from the centre
// along the direction of map position (x, y) at radius rho.
void AzimuthalPoint(double x, double y, double rho, double sinC, double cosC, double centreLongitude,
                    double centreLatitude, double& longitude, double& latitude) {
    const double sinPhi0 = std::sin(centreLatitude * Radians);
    const double cosPhi0 = std::cos(centreLatitude * Radians);
    latitude = std::asin(cosC * sinPhi0 + y * sinC * cosPhi0 / rho) * Degrees;
    double direction;
    if (centreLatitude == 90.0f)
        direction = std::atan2(x, -y);
    else if (centreLatitude == -90.0f)
        direction = std::atan2(x, y);
    else
        direction = std::atan2(x * sinC, rho * cosPhi0 * cosC - y * sinPhi0 * sinC);
    longitude = centreLongitude + direction * Degrees;
}

}  // namespace

bool TMapping::InvertAzimuthal(double x, double y, double& longitude, double& latitude) const {
    const double rho = std::hypot(x, y);
    longitude = centreLongitude_;
    latitude = centreLatitude_;
    if (rho < 0.00001) return true;
    const double c = rho / scale_;
    if (c > Pi) return false;  // beyond the antipode
    AzimuthalPoint(x, y, rho, std::sin(c), std::cos(c), centreLongitude_, centreLatitude_, longitude, latitude);
    return true;
}

bool TMapping::InvertOrthographic(double x, double y, double& longitude, double& latitude) const {
    const double rho = std::hypot(x, y);
    longitude = centreLongitude_;
    latitude = centreLatitude_;
    if (rho < 0.00001) return true;
    const double sinC = rho / scale_;
    if (sinC > 1.0) return false;  // off the globe
    AzimuthalPoint(x, y, rho, sinC, std::sqrt(1.0 - sinC * sinC), centreLongitude_, centreLatitude_, longitude, latitude);
    return true;
}

bool TMapping::InvertGnomonic(double x, double y, double& longitude, double& latitude) const {
    const double rho = std::hypot(x, y);
    longitude = centreLongitude_;
    latitude = centreLatitude_;
    if (rho < 0.00001) return true;
    const double c = std::atan(rho / scale_);
    AzimuthalPoint(x, y, rho, std::sin(c), std::cos(c), centreLongitude_, centreLatitude_, longitude, latitude);
    return true;
}

bool TMapping::InvertPolarStereographic(int X, int Y, double& longitude, double& latitude) const {
    const double x = (X - height_ / 2.0 - GetOffsetX()) / width_;
    double y = 0.5 - static_cast<double>(Y + GetOffsetY()) / width_;
    y += southernHemisphere_ ? polarRho0_ : -polarRho0_;
    if (x == 0 && y == 0) {
        longitude = centreLongitude_;
        latitude = centreLatitude_;
        return true;
    }
    const double c = 2 * std::atan(std::hypot(x, y) * inverseScale_);
    if (southernHemisphere_) {
        longitude = centreLongitude_ + std::atan2(x, y) * Degrees;
        latitude = std::asin(-std::cos(c)) * Degrees;
    } else {
        longitude = centreLongitude_ + std::atan2(x, -y) * Degrees;
        latitude = std::asin(std::cos(c)) * Degrees;
    }
    return true;
}

bool TMapping::InvertConic(int X, int Y, double& longitude, double& latitude) const {
    if (coneDegenerate_) return false;
    const double x = static_cast<double>(X - GetOffsetX()) / height_ - 0.5;
    double y = (halfWidth_ - static_cast<double>(Y + GetOffsetY())) / height_;
    if (southernHemisphere_) y = -y;
    longitude = centreLongitude_ + coneScale_ * std::atan(x / (coneRho0_ - y));
    const double rho = std::hypot(coneRho0_ - y, x);
    const double t = std::pow(rho * inverseConeFactor_, static_cast<double>(inverseConeConstant_));
    const double e = eccentricity_;
    double phi = Pi / 2 - 2 * std::atan(t);
    for (int i = 0; i < 100; ++i) {
        const double s = e * std::sin(phi);
        const double next = Pi / 2 - 2 * std::atan(t * std::pow((1 - s) / (1 + s), static_cast<double>(halfEccentricity_)));
        const double change = std::fabs(next - phi);
        phi = next;
        if (change <= 0.00001) break;
    }
    latitude = (southernHemisphere_ ? -phi : phi) * Degrees;
    return true;
}

// The algebraic inverse of the Van der Grinten projection (Snyder).
bool TMapping::InvertGrinten(double x, double y, double& longitude, double& latitude) const {
    const double X = x * inverseGrinten_;
    const double Y = y * inverseGrinten_;
    const double r2 = X * X + Y * Y;
    if (r2 > 1.0) return false;  // outside the circle of the world
    longitude = centreLongitude_;
    latitude = 0;
    if (std::fabs(Y) < 1e-9) {
        longitude += 180.0 * X;
        return true;
    }
    if (std::fabs(X) < 1e-9) {
        latitude = Sign(Y) * 90.0 * std::sin(2 * std::atan(std::fabs(Y)));
        return true;
    }
    const double c1 = -std::fabs(Y) * (1 + r2);
    const double c2 = c1 - 2 * Y * Y + X * X;
    const double c3 = -2 * c1 + 1 + 2 * Y * Y + r2 * r2;
    const double d = Y * Y / c3 + (2 * c2 * c2 * c2 / (c3 * c3 * c3) - 9 * c1 * c2 / (c3 * c3)) / 27;
    const double a1 = (c1 - c2 * c2 / (3 * c3)) / c3;
    const double m1 = 2 * std::sqrt(-a1 / 3);
    const double theta1 = std::acos(std::clamp(3 * d / (a1 * m1), -1.0, 1.0)) / 3;
    latitude = Sign(Y) * 180.0 * (-m1 * std::cos(theta1 + Pi / 3) - c2 / (3 * c3));
    longitude += 180.0 * (r2 - 1 + std::sqrt(1 + 2 * (X * X - Y * Y) + r2 * r2)) / (2 * X);
    return true;
}

bool TMapping::InvertGreatCircle(double x, double y, double& longitude, double& latitude) const {
    const double rho = std::hypot(x, y);
    longitude = centreLongitude_;
    latitude = centreLatitude_;
    if (rho < 1e-10) return true;
    const double c = rho / scale_;
    if (c > Pi) return false;  // beyond the antipode
    const double bearing = std::atan2(x, y);
    const double phi0 = centreLatitude_ * Radians;
    const double phi = std::asin(std::sin(phi0) * std::cos(c) + std::cos(phi0) * std::sin(c) * std::cos(bearing));
    latitude = phi * Degrees;
    longitude = centreLongitude_ +
                std::atan2(std::sin(bearing) * std::sin(c) * std::cos(phi0), std::cos(c) - std::sin(phi0) * std::sin(phi)) *
                    Degrees;
    return true;
}

// ---------------------------------------------------------------- grid

void TMapping::DrawGrid(TGridCanvas* canvas, const TGridSettings& settings) {
    if (canvas == nullptr || projection_ == kUnknown) return;
    DrawGridOnCanvas(*canvas, settings);
    canvas->Changed();
}

void TMapping::DrawGridOnCanvas(TGridCanvas& canvas, const TGridSettings& settings) {
    float meridianStep = settings.MeridianStep;
    float parallelStep = settings.ParallelStep;
    if (projection_ == kAzimuthal) {
        meridianStep = 30;
        parallelStep = 15;
    } else if (projection_ == kAzimuthalWide && latitudeSpan_ == 0) {
        meridianStep = 30;
        parallelStep = 30;
    } else if (projection_ == kMercatorZoomed) {
        if (meridianStep == 15) meridianStep = 5;
        if (parallelStep == 15) parallelStep = 5;
    }
    if (!(meridianStep > 0 && parallelStep > 0)) return;
    canvas.BeginGrid(settings.GridColour);
    DrawGridLines(canvas, settings, meridianStep, parallelStep);
    canvas.EndGrid();
}

namespace {

struct TDegreeRange {
    double from;
    double to;
};

// A longitude range that passes the date line becomes two ranges.
std::vector<TDegreeRange> SplitAtDateLine(double from, double to) {
    if (from < -180.0) return {{from + 360.0, 180.0}, {-180.0, to}};
    if (to > 180.0) return {{from, 180.0}, {-180.0, to - 360.0}};
    return {{from, to}};
}

std::string DegreeLabel(int degrees, const char* positive, const char* negative, const std::string& degreeSign) {
    if (degrees == 0) return "0" + degreeSign;
    if (std::abs(degrees) == 180) return "180" + degreeSign;
    return Format("%d%s%s", std::abs(degrees), degreeSign.c_str(), degrees > 0 ? positive : negative);
}

// Multiples of step inside [from, to].
std::vector<double> MultiplesInside(double from, double to, double step) {
    std::vector<double> values;
    for (double k = std::ceil(from / step); k * step <= to + 1e-9; k += 1.0) values.push_back(k * step);
    return values;
}

// Whole degrees from from to to, one apart.
std::vector<float> DegreesBetween(double from, double to) {
    std::vector<float> values;
    for (double d = std::ceil(from); d <= to + 1e-9; d += 1.0) values.push_back(static_cast<float>(d));
    return values;
}

void OutlinedText(TGridCanvas& canvas, int x, int y, const std::string& text, const TGridSettings& settings) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0) canvas.TextOut(x + dx, y + dy, text, settings.OutlineColour);
    canvas.TextOut(x, y, text, settings.LabelColour);
}

// Draws the label centred on the point when it lies wholly inside the canvas.
bool TryLabel(TGridCanvas& canvas, int x, int y, const std::string& text, const TGridSettings& settings) {
    const int width = canvas.TextWidth(text);
    const int height = canvas.TextHeight(text);
    const int left = x - width / 2, top = y - height / 2;
    if (left < 0 || top < 0 || left + width > canvas.ClientWidth() || top + height > canvas.ClientHeight())
        return false;
    OutlinedText(canvas, left, top, text, settings);
    return true;
}

}  // namespace

bool TMapping::DrawsStraightLines() const {
    return projection_ == kCylindricalFull || projection_ == kCylindricalZoomed || projection_ == kMercatorFull ||
           projection_ == kMercatorZoomed;
}

void TMapping::DrawGridLines(TGridCanvas& canvas, const TGridSettings& settings, float meridianStep,
                             float parallelStep) {
    double lonFrom = -179, lonTo = 179, latFrom = -89, latTo = 89;
    if (projection_ == kCylindricalZoomed || projection_ == kMercatorZoomed || projection_ == kLinearBased) {
        lonFrom = centreLongitude_ - longitudeSpan_ / 2.0 - 1;
        lonTo = centreLongitude_ + longitudeSpan_ / 2.0 + 1;
        latFrom = centreLatitude_ - latitudeSpan_ / 2.0 - 1;
        latTo = centreLatitude_ + latitudeSpan_ / 2.0 + 1;
    }
    if (projection_ == kLinearBased) {
        latFrom = 0;
        latTo = 89;
    }
    if (projection_ == kGrinten) {
        lonFrom = centreLongitude_ - 179.0;
        lonTo = centreLongitude_ + 179.0;
    }
    latFrom = std::max(latFrom, -89.0);
    latTo = std::min(latTo, 89.0);
    const std::vector<TDegreeRange> longitudeRanges = SplitAtDateLine(lonFrom, lonTo);
    for (const TDegreeRange& range : longitudeRanges)
        for (double meridian : MultiplesInside(range.from, range.to, meridianStep))
            DrawMeridian(canvas, settings, RoundToInt(WrapLongitude(meridian)), RoundToInt(std::ceil(latFrom)),
                         RoundToInt(std::floor(latTo)));
    for (double parallel : MultiplesInside(latFrom, latTo, parallelStep))
        for (const TDegreeRange& range : longitudeRanges)
            DrawParallel(canvas, settings, RoundToInt(parallel), RoundToInt(std::ceil(range.from)),
                         RoundToInt(std::floor(range.to)));
}

void TMapping::DrawMeridian(TGridCanvas& canvas, const TGridSettings& settings, int longitude, int latFrom, int latTo) {
    const std::string label = DegreeLabel(longitude, "E", "W", settings.DegreeSign);
    if (DrawsStraightLines()) {
        DrawStraightLine(canvas, settings, true, longitude, RoundToInt(centreLatitude_), label);
        return;
    }
    const std::vector<float> latitudes = DegreesBetween(latFrom, latTo);
    const std::vector<float> longitudes(latitudes.size(), static_cast<float>(longitude));
    DrawRuns(canvas, settings, longitudes, latitudes, label);
}

void TMapping::DrawParallel(TGridCanvas& canvas, const TGridSettings& settings, int latitude, int lonFrom, int lonTo) {
    const std::string label = DegreeLabel(latitude, "N", "S", settings.DegreeSign);
    if (DrawsStraightLines()) {
        DrawStraightLine(canvas, settings, false, RoundToInt(centreLongitude_), latitude, label);
        return;
    }
    const std::vector<float> longitudes = DegreesBetween(lonFrom, lonTo);
    const std::vector<float> latitudes(longitudes.size(), static_cast<float>(latitude));
    DrawRuns(canvas, settings, longitudes, latitudes, label);
}

TGridPoint TMapping::ClampGridPoint(int x, int y) const {
    return {std::clamp(x, -100, GetLines() + 100), std::clamp(y, -100, GetSize() + std::abs(GetOffsetY()) + 100)};
}

// Every run of visible points is one polyline; the label goes at the first
// point where it fits.
void TMapping::DrawRuns(TGridCanvas& canvas, const TGridSettings& settings, std::span<const float> longitudes,
                        std::span<const float> latitudes, const std::string& label) {
    std::vector<TGridPoint> run;
    bool labelled = !settings.ShowLabels;
    const auto flush = [&]() {
        if (settings.ShowLines && run.size() >= 2) canvas.Polyline(run);
        run.clear();
    };
    for (size_t i = 0; i < longitudes.size(); ++i) {
        int x = 0, y = 0;
        if (!LatLonToXY(x, y, longitudes[i], latitudes[i])) {
            flush();
            continue;
        }
        run.push_back(ClampGridPoint(x, y));
        if (!labelled) labelled = TryLabel(canvas, x, y, label, settings);
    }
    flush();
}

void TMapping::DrawStraightLine(TGridCanvas& canvas, const TGridSettings& settings, bool meridian, int longitude,
                                int latitude, const std::string& label) {
    int x = 0, y = 0;
    if (!LatLonToXY(x, y, static_cast<float>(longitude), static_cast<float>(latitude))) return;
    const TGridPoint line[2] = {meridian ? ClampGridPoint(x, 0) : ClampGridPoint(0, y),
                                meridian ? ClampGridPoint(x, GetWidth()) : ClampGridPoint(GetLines(), y)};
    if (settings.ShowLines) canvas.Polyline(line);
    if (settings.ShowLabels) {
        const int height = canvas.TextHeight(label);
        if (meridian)
            TryLabel(canvas, x, height / 2 + 2, label, settings);
        else
            TryLabel(canvas, canvas.TextWidth(label) / 2 + 2, y, label, settings);
    }
}

// ---------------------------------------------------------------- sphere

bool GreatCircleAngle(float Lon1, float Lat1, float Lon2, float Lat2, float& Distance) {
    const double phi1 = Lat1 * Radians, phi2 = Lat2 * Radians;
    const double cosine =
        std::sin(phi1) * std::sin(phi2) + std::cos(phi1) * std::cos(phi2) * std::cos((Lon1 - Lon2) * Radians);
    if (!(std::fabs(cosine) <= 1.0)) return false;
    Distance = static_cast<float>(EarthRadiusKm * std::acos(cosine));
    return true;
}

bool GreatCircleDistance(float Lon1, float Lat1, float Lon2, float Lat2, float& Distance, float& Bearing) {
    const double phi1 = Lat1 * Radians, phi2 = Lat2 * Radians;
    const double sinHalfLat = std::sin((phi1 - phi2) / 2);
    const double sinHalfLon = std::sin((Lon1 - Lon2) * Radians / 2);
    const double haversine = sinHalfLat * sinHalfLat + std::cos(phi1) * std::cos(phi2) * sinHalfLon * sinHalfLon;
    Distance = static_cast<float>(EarthRadiusKm * 2 * std::asin(std::sqrt(std::clamp(haversine, 0.0, 1.0))));
    if (std::cos(phi1) >= 0.00001) {
        // The ruler takes the latitudes as geodetic on the ellipsoid.
        const double geodetic1 = std::atan(std::tan(phi1) / 0.9933056822217333);
        const double geodetic2 = std::atan(std::tan(phi2) / 0.9933056822217333);
        const double dlambda = (Lon2 - Lon1) * Radians;
        double bearing = std::atan2(std::cos(geodetic2) * std::sin(dlambda),
                                    std::cos(geodetic1) * std::sin(geodetic2) -
                                        std::sin(geodetic1) * std::cos(geodetic2) * std::cos(dlambda)) *
                         Degrees;
        if (bearing < 0) bearing += 360.0;
        Bearing = static_cast<float>(bearing);
    } else {
        Bearing = Lat1 <= 0 ? 0.0f : 180.0f;
    }
    return true;
}

float MercatorY(float Latitude) {
    if (Latitude == 0) return 0;
    const double latitude = std::min(std::fabs(static_cast<double>(Latitude)), MercatorLatitudeLimit);
    const double y = Degrees * std::log(std::tan(Pi / 4 + latitude * Radians / 2));
    return static_cast<float>(Latitude < 0 ? -y : y);
}

float MercatorLatitude(float Y) {
    if (Y == 0) return 0;
    const double latitude = (std::atan(std::exp(std::fabs(Y) * Radians)) - Pi / 4) * 360.0 / Pi;
    return static_cast<float>(Y < 0 ? -latitude : latitude);
}

}  // namespace kestrune
