#include "orbit/Orbits.h"

#include "orbit/TextLines.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

namespace kestrune {

namespace {

using namespace sgp;

constexpr const char* EmbeddedSource = "embedded Keplers in source data";
constexpr float DefaultSemiAngle = 55.37f;

// Ellipsoid of the ground points: x^2 + y^2 + (a/b)^2 z^2 = a^2.
constexpr double AxisRatio = 1.0033640584;
constexpr double AxisRatioSquaredMinusOne = AxisRatio * AxisRatio - 1.0;
// Yaw steering angle per km/s of northward velocity, radians.
constexpr double YawSteeringDivisor = 115.0;

struct TNameRule {
    std::string_view contained;
    std::string_view name;
};

// Names as the loaders pass them, to canonical names; later rows win.
constexpr TNameRule CanonicalNames[] = {
    {"FENGYUN 1C", "FY1C"}, {"FENGYUN 1D", "FY1D"}, {"METOP A", "METOP-A"}, {"METOP B", "METOP-B"},
    {"METOP C", "METOP-C"}, {"NOAA 7", "NOAA-7"},   {"NOAA 10", "NOAA-10"}, {"NOAA 11", "NOAA-11"},
    {"NOAA 12", "NOAA-12"}, {"NOAA 13", "NOAA-13"}, {"NOAA 14", "NOAA-14"}, {"NOAA 15", "NOAA-15"},
    {"NOAA 16", "NOAA-16"}, {"NOAA 17", "NOAA-17"}, {"NOAA 18", "NOAA-18"}, {"NOAA 19", "NOAA-19"},
    {"SEASTAR", "SEASTAR"}, {"SPOT 4", "SPOT-4"},   {"SPOT-4", "SPOT-4"},
};

using TNameValue = std::pair<std::string_view, std::string_view>;

constexpr TNameValue ShortNames[] = {
    {"FY1C", "fy1c"},   {"FY1D", "fy1d"},       {"METOP-A", "metopA"}, {"NOAA-7", "n7"},
    {"NOAA-10", "n10"}, {"NOAA-11", "n11"},     {"NOAA-12", "n12"},    {"NOAA-13", "n13"},
    {"NOAA-14", "n14"}, {"NOAA-15", "n15"},     {"NOAA-16", "n16"},    {"NOAA-17", "n17"},
    {"NOAA-18", "n18"}, {"NOAA-19", "n19"},     {"SEASTAR", "seastar"}, {"SPOT-4", "spot-4"},
    {"TIROS-N", "Tiros-N"},
};

constexpr TNameValue CatalogNumbers[] = {
    {"FY1C", "25730"},      {"FY1D", "27431"},        {"FY3A", "32958"},      {"FY3B", "37214"},
    {"FY3C", "39260"},      {"METEOR-M1", "35865"},   {"METEOR-M2", "40069"}, {"METEOR-M 2", "40069"},
    {"METEOR-M2 2", "44387"}, {"METEOR-M2-2", "44387"}, {"METOP-A", "29499"},   {"METOP-B", "38771"},   {"METOP-C", "43689"},
    {"NOAA-7", "12553"},    {"NOAA-10", "16969"},     {"NOAA-11", "19531"},   {"NOAA-12", "21263"},
    {"NOAA-13", "22739"},   {"NOAA-14", "23455"},     {"NOAA-15", "25338"},   {"NOAA-16", "26536"},
    {"NOAA-17", "27453"},   {"NOAA-18", "28654"},     {"NOAA-19", "33591"},   {"SEASTAR", "24883"},
    {"SPOT-4", "25260"},    {"TIROS-N", "11060"},     {"AQUA", "27424"},      {"TERRA", "25994"},
    {"ENVISAT", "27386"},
};

template <size_t N>
std::string LookUp(const TNameValue (&table)[N], std::string_view name) {
    for (const TNameValue& row : table)
        if (row.first == name) return std::string(row.second);
    return {};
}

TVector Unit(const TVector& v) {
    TVector u = v;
    VectorMagnitude(u);
    VectorNormalise(u);
    u.W = 1.0;
    return u;
}

// n turned towards the direction of flight by the angle psi (radians).
TVector Yawed(const TVector& n, const TVector& velocity, double psi) {
    TVector along;
    VectorScale(Unit(velocity), along, psi);
    TVector sum;
    VectorAdd(n, along, sum);
    return Unit(sum);
}

TGroundPoint GroundPoint(const TGeodetic& geodetic) {
    auto longitude = static_cast<float>(geodetic.Longitude * 180.0 / Pi);
    if (longitude > 180.0f) longitude -= 360.0f;
    return {longitude, static_cast<float>(geodetic.Latitude * 180.0 / Pi)};
}

}  // namespace

std::string CatalogNumberOf(const std::string& satelliteName) { return LookUp(CatalogNumbers, satelliteName); }

TOrbit::TOrbit() : Keplers(std::make_unique<TKeplerData>()) {}

TOrbit::~TOrbit() = default;

void TOrbit::Clear() {
    Satellite.reset();
    MainElementSource.clear();
    UpdateElementSource.clear();
    ElementsValid = false;
}

void TOrbit::LoadSatelliteList(const std::string& directory) { Keplers->SetCatalogueDirectory(directory); }

std::string StandardSatelliteName(const std::string& name) {
    std::string standard = UpperCase(name);
    for (const TNameRule& rule : CanonicalNames)
        if (name.find(rule.contained) != std::string::npos) standard = rule.name;
    return standard;
}

void TOrbit::SetSatelliteName(const std::string& name) {
    SatelliteName = StandardSatelliteName(name);
    SemiAngle = DefaultSemiAngle;
    YawCorrection = 0.0;
    ShortName = LookUp(ShortNames, SatelliteName);
    CatalogNumber = CatalogNumberOf(SatelliteName);
    if (SatelliteName == "NOAA-16") SemiAngle = 55.25f;
    if (SatelliteName == "SPOT-4") SemiAngle = 50.5f;
    if (SatelliteName == "METEOR-M1") {
        SemiAngle = 54.0f;
        YawCorrection = -1.1;
    }
    YawSteering = SatelliteName == "METOP-A" || SatelliteName == "METOP-B" || SatelliteName == "METOP-C";
}

void TOrbit::SelectElements(TDateTime time) {
    PassTime = time;
    Clear();
    Satellite = std::make_unique<TSatellite>();
    std::string line1, line2;
    if (!Keplers->GetElements(SatelliteName, CatalogNumber, PassTime, Quiet, line1, line2, MainElementSource,
                              UpdateElementSource, ElementAge))
        return;
    ElementsValid = LoadElements(line1, line2);
}

// A set the file carries but that cannot be used leaves the pass to the
// archives' sets, and the user is told why.
void TOrbit::UseEmbeddedKeplers(const std::string& line1, const std::string& line2, TDateTime time) {
    PassTime = time;
    Clear();
    Satellite = std::make_unique<TSatellite>();
    MainElementSource = EmbeddedSource;
    // Told to the user: in the language in effect.
    std::string fault = ElementSetFault(line1, line2, resStr);
    ElementsValid = fault.empty() && LoadElements(line1, line2);
    if (ElementsValid) {
        ElementAge = Satellite->EpochJD - DateTimeToJulian(PassTime);
        return;
    }
    if (fault.empty()) fault = resStr(res::SOrbitModelRefusesSet);
    const std::string warning = FormatResStr(res::SEmbeddedSetUnusable, {PrintableText(fault)});
    std::vector<std::string>& warnings = Keplers->Warnings;
    if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end()) warnings.push_back(warning);
    SelectElements(time);
}

// A set the model cannot take is as good as none: the pass loads without
// earth locations instead of failing as a whole.
bool TOrbit::LoadElements(const std::string& line1, const std::string& line2) {
    try {
        Satellite->LoadTLE(line1, line2);
        return true;
    } catch (const EMathError&) {
        return false;
    }
}

void TOrbit::LocateScanLine(TDateTime time, TScanLinePoints& points, double& altitude, TScanLineViewAngles* angles) {
    if (ElementsValid) LocateScanLineWith(*Satellite, time, points, altitude, angles);
}

void TOrbit::LocateScanLineWith(TSatellite& satellite, TDateTime time, TScanLinePoints& points, double& altitude,
                                TScanLineViewAngles* angles) const {
    if (!ElementsValid) return;
    const double jd = DateTimeToJulian(time);
    TVector position, velocity;
    satellite.Propagate(position, velocity, jd);
    ScaleStateToKm(position, velocity);
    TGeodetic subSatellite;
    EciToGeodetic(position, subSatellite, jd);

    const TVector up = Unit(position);
    TVector normal;
    VectorCross(position, velocity, normal);
    normal = Unit(normal);
    if (YawSteering) normal = Yawed(normal, velocity, -velocity.Z / YawSteeringDivisor);
    if (YawCorrection != 0.0) normal = Yawed(normal, velocity, YawCorrection * Pi / 180.0);

    const bool meteor = IsMeteorM2();
    const double spacing = meteor ? 30.0 : 40.0;
    const double anglePerSample = (Pi / 180.0) * SemiAngle / (meteor ? 769.5 : 1023.5);
    const double r = position.W;
    const double z = position.Z;
    constexpr double a = EarthRadiusKm;
    constexpr double e2 = AxisRatioSquaredMinusOne;
    const double c = a * a - r * r - e2 * z * z;
    const int half = ScanLinePointCount / 2;
    const TVector sun = SunDirection(jd);
    TScanLinePoints located;
    TScanLineViewAngles seen{};
    for (int k = -half; k <= half; ++k) {
        const double theta = (spacing * k + 0.5) * anglePerSample;
        const double cosTheta = std::cos(theta);
        const double sinTheta = std::sin(theta);
        const TVector look{-cosTheta * up.X + sinTheta * normal.X, -cosTheta * up.Y + sinTheta * normal.Y,
                           -cosTheta * up.Z + sinTheta * normal.Z, 1.0};
        const double qa = 1.0 + e2 * look.Z * look.Z;
        const double qb = r * cosTheta - e2 * z * look.Z;
        const double discriminant = (qb * qb + qa * c) / (qa * qa);
        TGroundPoint& point = located[static_cast<size_t>(k + half)];
        // A ray that misses the earth, or meets it only behind the satellite.
        const double slant = discriminant >= 0.0 ? qb / qa - std::sqrt(discriminant) : -1.0;
        if (!(slant >= 0.0)) {
            point = {UnlocatedCoordinate, UnlocatedCoordinate};
            continue;
        }
        const TVector ground{position.X + slant * look.X, position.Y + slant * look.Y, position.Z + slant * look.Z, 0.0};
        TGeodetic geodetic;
        EciToGeodetic(ground, geodetic, jd);
        point = GroundPoint(geodetic);
        seen[static_cast<size_t>(k + half)] = ViewAnglesAt(ground, geodetic, position, sun);
    }
    points = located;
    altitude = subSatellite.Height;
    if (angles != nullptr) *angles = seen;
}

bool TOrbit::IsNorthbound(TDateTime time) {
    if (!ElementsValid) return true;
    TVector position, velocity;
    try {
        Satellite->Propagate(position, velocity, DateTimeToJulian(time));
    } catch (const EMathError&) {
        return true;  // as without elements: the set cannot reach that time
    }
    return velocity.Z > 0.0;
}

bool TOrbit::IsMeteorM2() const { return CatalogNumber == "40069" || CatalogNumber == "44387"; }

}  // namespace kestrune
