// The orbit of the pass being shown: which satellite recorded it, the scanner
// geometry of that satellite, and the element set chosen for the pass; gives
// the 51 ground points of a scan line and the direction of travel.
#pragma once

#include "orbit/Keplers.h"
#include "orbit/Satellite.h"
#include "orbit/ViewAngles.h"

#include <array>
#include <memory>
#include <string>

namespace kestrune {

constexpr int ScanLinePointCount = 51;

// Degrees; longitude in (-180, 180].
struct TGroundPoint {
    float Longitude;
    float Latitude;
};
using TScanLinePoints = std::array<TGroundPoint, ScanLinePointCount>;
using TScanLineViewAngles = std::array<TViewAngles, ScanLinePointCount>;

// Both coordinates of a point whose look ray misses the earth.
constexpr float UnlocatedCoordinate = -123456.0f;
inline bool IsLocated(const TGroundPoint& point) {
    return point.Latitude != UnlocatedCoordinate && point.Longitude != UnlocatedCoordinate;
}

// NORAD catalogue number of a canonical satellite name; empty when unknown.
std::string CatalogNumberOf(const std::string& satelliteName);
// A satellite's name as the program spells it: "NOAA 18" and "noaa-18" are
// "NOAA-18", "FENGYUN 1D" is "FY1D".
std::string StandardSatelliteName(const std::string& name);

class TOrbit {
public:
    TOrbit();
    ~TOrbit();
    TOrbit(const TOrbit&) = delete;
    TOrbit& operator=(const TOrbit&) = delete;

    std::string CatalogNumber;        // NORAD number, empty while unknown
    std::string MainElementSource;    // archive or catalogue file, or "embedded Keplers in source data"
    std::string UpdateElementSource;  // update file whose set was taken, or empty
    std::unique_ptr<TKeplerData> Keplers;
    double ElementAge = 0.0;          // element epoch minus pass time, days
    TDateTime PassTime = 0.0;         // instant for which elements were last chosen
    double YawCorrection = 0.0;       // fixed yaw of the scan plane, degrees
    std::unique_ptr<TSatellite> Satellite;
    std::string SatelliteName;        // canonical upper-case name
    float SemiAngle = 55.37f;         // scan angle of the outermost sample centre, degrees
    std::string ShortName;            // code used in file names, empty when none
    bool Quiet = false;               // no message when no element set is found
    bool ElementsValid = false;
    bool YawSteering = false;         // MetOp steers its yaw

    // Drops the element set; identity and geometry stay.
    void Clear();
    // Builds the element-set catalogue of the configured folder.
    void LoadSatelliteList(const std::string& directory);
    // Identity and scanner geometry from a satellite name.
    void SetSatelliteName(const std::string& name);
    // Chooses and loads the element set for the satellite at that time. A set
    // the model cannot take leaves ElementsValid false, as when none is found.
    void SelectElements(TDateTime time);
    // Loads an element set found in the data file; ElementsValid tells
    // whether the model could take it.
    void UseEmbeddedKeplers(const std::string& line1, const std::string& line2, TDateTime time);
    // The 51 ground points of the scan line taken at time and the satellite's
    // altitude in km, and when asked the sun and view angles at the points.
    // Leaves all untouched while ElementsValid is false. A point whose look
    // ray misses the earth is UnlocatedCoordinate, with angles of 0. Raises
    // EMathError when the element set cannot be propagated to that time.
    void LocateScanLine(TDateTime time, TScanLinePoints& points, double& altitude,
                        TScanLineViewAngles* angles = nullptr);
    // As LocateScanLine, propagating satellite, a copy of this orbit's set.
    void LocateScanLineWith(TSatellite& satellite, TDateTime time, TScanLinePoints& points, double& altitude,
                            TScanLineViewAngles* angles) const;
    // A near-earth set carries nothing from one time to the next: copies of
    // it on several threads place every line as the set itself would.
    bool PropagatesWithoutHistory() const { return ElementsValid && Satellite && !Satellite->DeepSpace; }
    // The satellite moves north at that time; true without elements, and
    // when the set cannot be propagated to that time.
    bool IsNorthbound(TDateTime time);
    bool IsMeteorM2() const;

private:
    bool LoadElements(const std::string& line1, const std::string& line2);
};

}  // namespace kestrune
