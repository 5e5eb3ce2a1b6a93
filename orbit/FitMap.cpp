#include "orbit/FitMap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <numbers>
#include <optional>

#include "orbit/CurveFit.h"
#include "platform/DialogService.h"
#include "platform/ParallelLines.h"
#include "platform/SysUtils.h"

namespace kestrune {

namespace {

constexpr double Radians = std::numbers::pi / 180.0;

// The located line nearest the middle of the image, which the fit is
// anchored on; the middle itself when no line is located.
int CentreLineOf(std::span<const TScanLineLocations> lines) {
    const int count = static_cast<int>(lines.size()), middle = count / 2;
    const auto located = [&lines](int line) {
        const TAnchorLocation& centre = lines[static_cast<size_t>(line)].Anchors[CentreAnchor];
        return centre.Latitude != 0 && centre.Longitude != 0;
    };
    for (int distance = 0; distance <= middle; ++distance) {
        if (middle + distance < count && located(middle + distance)) return middle + distance;
        if (middle - distance >= 0 && located(middle - distance)) return middle - distance;
    }
    return middle;
}

class TMapFit {
public:
    TMapFit(std::span<const TScanLineLocations> lines, std::vector<std::string>* log, bool reportToLog,
            TWarpedMapping& mapping)
        : lines_(lines),
          lineCount_(static_cast<int>(lines.size())),
          centre_(CentreLineOf(lines)),
          log_(log),
          reportToLog_(reportToLog),
          mapping_(mapping) {}

    bool Run(uint8_t mode, float semiAngle, float altitude, std::shared_ptr<const TResidualTable>& residuals);

private:
    struct TAnchorLayout {
        int centre, first, spacing;
    };

    void Report(const std::string& text) const {
        if (log_ != nullptr) log_->push_back(text);
    }
    bool Fail(const std::string& text) const {
        if (reportToLog_)
            Report(text);
        else
            TDialogService::Instance().ShowMessage(text, {}, TMsgDlgType::mtWarning);
        return false;
    }

    const TAnchorLocation& Anchor(int line, int k) const {
        return lines_[static_cast<size_t>(std::clamp(line, 0, lineCount_ - 1))].Anchors[static_cast<size_t>(k)];
    }
    static bool Usable(const TAnchorLocation& anchor) { return anchor.Latitude != 0 && anchor.Longitude != 0; }

    struct TGreatCircle {
        double km;
        double bearing;  // radians from north
    };
    TGreatCircle Between(int line1, int k1, int line2, int k2) const;
    double MeanAnchorDistance(int line1, int line2) const;
    double TrackStepAt(int line) const { return MeanAnchorDistance(line - 20, line + 20) / 40.0; }
    double MeasureTrackStep() const;
    bool ProjectUnwarped(int line, int k, float& column, float& row) const;
    TAnchorLayout LayoutOf(uint8_t mode) const;
    double GroundColumnOf(int pixel) const;

    struct TSampledCentre {
        int line;
        float column, row;
    };
    // The usable centre anchors of 51 lines spacing apart around the centre
    // line, projected without warp.
    std::vector<TSampledCentre> SampleCentreAnchors(int spacing) const;

    void EstimateRotation();
    bool FitVerticalWarp(int spacing);
    void FitHorizontalWarp(const TAnchorLayout& layout);
    bool FitSkew(int spacing);
    struct TLargestResidual {
        float x = 0, y = 0;
        void Take(const TResidual& pair) {
            x = std::max(x, std::fabs(pair.X));
            y = std::max(y, std::fabs(pair.Y));
        }
    };
    bool LineLocated(int line) const { return Anchor(line, 0).Latitude != 0; }
    void MeasureResiduals(int line, const TAnchorLayout& layout, TResidualRow& row, TLargestResidual& largest) const;
    std::shared_ptr<const TResidualTable> BuildResiduals(const TAnchorLayout& layout, TLargestResidual& largest) const;

    std::span<const TScanLineLocations> lines_;
    int lineCount_;
    int centre_;
    std::vector<std::string>* log_;
    bool reportToLog_;
    TWarpedMapping& mapping_;
};

struct TFitPoints {
    std::vector<double> x, y;
    void Add(double px, double py) {
        x.push_back(px);
        y.push_back(py);
    }
    int Count() const { return static_cast<int>(x.size()); }
};

struct TFitResult {
    std::array<double, 7> c{};
    double correlation = 0;
};

TFitResult Fit(const TFitPoints& points, int terms) {
    TFitResult result;
    PolyFit(points.x, points.y, terms, points.Count(), result.correlation, result.c);
    return result;
}

TMapFit::TGreatCircle TMapFit::Between(int line1, int k1, int line2, int k2) const {
    const TAnchorLocation& a = Anchor(line1, k1);
    const TAnchorLocation& b = Anchor(line2, k2);
    float distance = 0, bearing = 0;
    GreatCircleDistance(a.Longitude, a.Latitude, b.Longitude, b.Latitude, distance, bearing);
    return {distance, bearing * Radians};
}

double TMapFit::MeanAnchorDistance(int line1, int line2) const {
    double sum = 0;
    for (int k = 0; k < LocationAnchorCount; ++k) sum += Between(line1, k, line2, k).km;
    return sum / LocationAnchorCount;
}

double TMapFit::MeasureTrackStep() const {
    if (lineCount_ <= 41) {
        const double step = MeanAnchorDistance(centre_ - 1, centre_ + 1) / 2.0 >= 2.2 ? 3.27 : 1.09;
        Report(Format("  Ground track step per line (assumed) : %.2f km", step));
        return step;
    }
    double step = TrackStepAt(centre_);
    if (lineCount_ > 400) {
        for (int j = 1; j <= 5; ++j) {
            const double sample = TrackStepAt(j * centre_ / 3);
            if (sample > 0.4) step = std::min(step, sample);
        }
    }
    Report(Format("  Ground track step per line (from locations) : %.3f km", step));
    return step;
}

bool TMapFit::ProjectUnwarped(int line, int k, float& column, float& row) const {
    const TAnchorLocation& anchor = Anchor(line, k);
    return mapping_.LatLonToImage(column, row, false, anchor.Longitude, anchor.Latitude);
}

TMapFit::TAnchorLayout TMapFit::LayoutOf(uint8_t mode) const {
    if (mode == 2) return {204, 4, 8};
    if (mode == 4 || mode == 5) return {770, 21, 30};
    return {1024, 24, 40};
}

// Ground column of a scan pixel in the mode's own scan table.
double TMapFit::GroundColumnOf(int pixel) const {
    switch (mapping_.ScanMode()) {
        case 2: return mapping_.GacToGround()[pixel - 204];
        case 3: return mapping_.ScanToGround2048()[pixel - 1024] / 3.0;
        case 4: return mapping_.ScanToGround1540()[pixel - 770];
        case 5: return mapping_.ScanToGround1540b()[pixel - 770];
        default: return mapping_.ScanToGround2048()[pixel - 1024];
    }
}

void TMapFit::EstimateRotation() {
    const double across = Between(centre_, 24, centre_, 26).bearing - 90.0 * Radians;
    const double along = Between(centre_ + 13, CentreAnchor, centre_ - 13, CentreAnchor).bearing;
    double original = 0;
    float column5 = 0, row5 = 0, column45 = 0, row45 = 0;
    if (ProjectUnwarped(centre_, 5, column5, row5) && ProjectUnwarped(centre_, 45, column45, row45) && row5 != row45)
        original = std::atan2(static_cast<double>(row45) - row5, static_cast<double>(column45) - column5);
    Report(Format("  Image rotation estimate: %f degrees (across track, great-circle)", across / Radians));
    Report(Format("  Image rotation estimate: %f degrees (along track, great-cicle)", along / Radians));
    Report(Format("  Image rotation estimate: %f degrees (across track, original)", original / Radians));
    mapping_.SetWarpRotation(static_cast<float>(original / Radians));
    Report(Format("  Image rotation used: %f degrees", mapping_.GetWarpRotation()));
}

std::vector<TMapFit::TSampledCentre> TMapFit::SampleCentreAnchors(int spacing) const {
    std::vector<TSampledCentre> samples;
    for (int k = 0; k < LocationAnchorCount; ++k) {
        const int line = (k - CentreAnchor) * spacing + centre_;
        float column = 0, row = 0;
        if (Usable(Anchor(line, CentreAnchor)) && ProjectUnwarped(line, CentreAnchor, column, row))
            samples.push_back({line, column, row});
    }
    return samples;
}

bool TMapFit::FitVerticalWarp(int spacing) {
    TFitPoints points;
    for (const TSampledCentre& s : SampleCentreAnchors(spacing))
        points.Add((static_cast<double>(s.row) - centre_) * -2.0 / lineCount_, (centre_ - s.line) * 2.0 / lineCount_);
    if (points.Count() == 0) return Fail("No viable location data");
    const TFitResult fit = Fit(points, 3);
    Report(Format("  Vertical map warp:    %.5f Y^2 + %.5f Y + %.5f  (correl: %.6f)", fit.c[2], fit.c[1], fit.c[0],
                  fit.correlation));
    mapping_.SetVerticalWarp(static_cast<float>(fit.c[0]), static_cast<float>(fit.c[1]), static_cast<float>(fit.c[2]));
    return true;
}

void TMapFit::FitHorizontalWarp(const TAnchorLayout& layout) {
    TFitPoints points;
    for (int k = 0; k < LocationAnchorCount; ++k) {
        float column = 0, row = 0;
        ProjectUnwarped(centre_, k, column, row);
        points.Add(static_cast<double>(column) - mapping_.OutputWidth() / 2, GroundColumnOf(layout.first + k * layout.spacing));
    }
    const TFitResult fit = Fit(points, 4);
    Report(Format("  Horizontal map warp:  %.5g X^3 + %.5g X^2 + %.5g X + (offset: %.5g)  (correl: %.6f)", fit.c[3],
                  fit.c[2], fit.c[1], fit.c[0], fit.correlation));
    mapping_.SetHorizontalWarp(static_cast<float>(fit.c[1]), static_cast<float>(fit.c[2]), static_cast<float>(fit.c[3]));
}

bool TMapFit::FitSkew(int spacing) {
    const double half = mapping_.OutputWidth() / 2;
    TFitPoints points;
    for (const TSampledCentre& s : SampleCentreAnchors(spacing))
        points.Add((centre_ - s.line) / half, (s.column - half) / half);
    if (points.Count() == 0) return Fail("No viable location data");
    const TFitResult fit = Fit(points, 3);
    Report(Format("  Horizontal map skew:  %.5f Y^2 +  %.5f Y + %.5f  (correl: %.6f)", fit.c[2], fit.c[1], fit.c[0],
                  fit.correlation));
    mapping_.SetSkew(static_cast<float>(-fit.c[0]), static_cast<float>(-fit.c[1]), static_cast<float>(-fit.c[2]));
    return true;
}

// Per anchor of a located line, the pixel offset from where the mapping puts
// the anchor to where it lies in the image. An anchor the mapping cannot
// place gets no correction.
void TMapFit::MeasureResiduals(int line, const TAnchorLayout& layout, TResidualRow& row,
                               TLargestResidual& largest) const {
    const bool mode3 = mapping_.ScanMode() == 3;
    for (int k = 0; k < LocationAnchorCount; ++k) {
        const TAnchorLocation& anchor = Anchor(line, k);
        float column = 0, imageRow = 0;
        TResidual& pair = row[static_cast<size_t>(k)];
        pair = {0, 0};
        if (!mapping_.LatLonToImage(column, imageRow, true, anchor.Longitude, anchor.Latitude)) continue;
        const float expected = mode3 ? static_cast<float>(Round(mapping_.Mode3Anchors()[static_cast<size_t>(k)]))
                                     : static_cast<float>(layout.first + mapping_.ImageColumnOffset() + k * layout.spacing);
        pair = {expected - column, static_cast<float>(line) - imageRow};
        largest.Take(pair);
    }
}

// The located lines are measured in bands on all processors; a line without
// location then takes the row before it (line 0 keeps zeros), in line order,
// so that a run of such lines across a band's start copies the last located row.
std::shared_ptr<const TResidualTable> TMapFit::BuildResiduals(const TAnchorLayout& layout,
                                                              TLargestResidual& largest) const {
    auto table = std::make_shared<TResidualTable>(static_cast<size_t>(lineCount_), TResidualRow{});
    std::mutex largestGuard;
    ForLineRanges(0, lineCount_, [&](int32_t first, int32_t last) {
        TLargestResidual inBand;
        for (int line = first; line < last; ++line)
            if (LineLocated(line)) MeasureResiduals(line, layout, (*table)[static_cast<size_t>(line)], inBand);
        const std::lock_guard<std::mutex> lock(largestGuard);
        largest.Take({inBand.x, inBand.y});
    });
    for (int line = 1; line < lineCount_; ++line)
        if (!LineLocated(line)) (*table)[static_cast<size_t>(line)] = (*table)[static_cast<size_t>(line - 1)];
    return table;
}

bool TMapFit::Run(uint8_t mode, float semiAngle, float altitude, std::shared_ptr<const TResidualTable>& residuals) {
    Report("Scale and warp map projection to match image");
    if (lineCount_ < 3) {
        Report("Cannot do any mapping with less then three lines!");
        return false;
    }
    const double step = MeasureTrackStep();
    if (!(step >= 0.5)) {
        Report("Track step invalid!");
        return false;
    }
    if (mode == 0) mode = step < 1.05 ? 4 : (step >= 2.2 ? 2 : 1);
    const TAnchorLocation& middle = Anchor(centre_, CentreAnchor);
    mapping_.BuildWarpTables(mode, centre_, middle.Longitude, middle.Latitude, altitude, static_cast<float>(step),
                             semiAngle);
    Report(Format("  Mid-picture line num: %d,  lon = %.2f degrees  lat = %.2f degrees  altitude = %.1f km", centre_,
                  middle.Longitude, middle.Latitude, altitude));
    EstimateRotation();
    const int spacing = lineCount_ * 9 / 520;
    if (spacing < 1) return Fail("Cannot map earth locations with less than 60 lines of data.");
    if (!FitVerticalWarp(spacing)) return false;
    const TAnchorLayout layout = LayoutOf(mode);
    FitHorizontalWarp(layout);
    if (!FitSkew(spacing)) return false;
    TLargestResidual largest;
    residuals = BuildResiduals(layout, largest);
    if (mode == 3)
        mapping_.SetResiduals(residuals, lineCount_, largest.y, largest.x, 18, 4, LocationAnchorCount);
    else
        mapping_.SetResiduals(residuals, lineCount_, largest.y, largest.x, layout.spacing,
                              layout.first + mapping_.ImageColumnOffset(), LocationAnchorCount);
    return true;
}

}  // namespace

bool FitMapToImage(std::span<const TScanLineLocations> Lines, std::vector<std::string>* Log, bool ReportToLog,
                   std::shared_ptr<const TResidualTable>& Residuals, TWarpedMapping& Mapping, uint8_t Mode,
                   float SemiAngle, float Altitude, std::span<const TSignalGap> Gaps) {
    if (Gaps.empty()) return TMapFit(Lines, Log, ReportToLog, Mapping).Run(Mode, SemiAngle, Altitude, Residuals);
    const std::vector<TScanLineLocations> whole = WithMissingLines(Lines, Gaps);
    if (!TMapFit(whole, Log, ReportToLog, Mapping).Run(Mode, SemiAngle, Altitude, Residuals)) return false;
    Mapping.SetSignalGaps({Gaps.begin(), Gaps.end()});
    return true;
}

std::vector<TSignalGap> FindSignalGaps(std::span<const TDateTime> times, double period) {
    constexpr double shortest = 1.0 / SecsPerDay, longest = 3600.0 / SecsPerDay;
    std::vector<TSignalGap> gaps;
    if (!(period > 0)) return gaps;
    // Lines without time between two timed ones stand next to the first:
    // where they fell in the gap nothing tells.
    std::optional<size_t> timed;
    for (size_t line = 0; line < times.size(); ++line) {
        if (times[line] == 0) continue;
        if (timed) {
            const double rows = static_cast<double>(line - *timed);
            const double lost = std::fabs(times[line] - times[*timed]) - rows * period;
            if (lost >= shortest && lost <= longest)
                gaps.push_back({static_cast<int>(line) - 1, static_cast<int>(Round(lost / period))});
        }
        timed = line;
    }
    return gaps;
}

namespace {

using TUnitVector = std::array<double, 3>;

TUnitVector UnitVectorOf(const TAnchorLocation& anchor) {
    const double latitude = anchor.Latitude * Radians, longitude = anchor.Longitude * Radians;
    return {std::cos(latitude) * std::cos(longitude), std::cos(latitude) * std::sin(longitude), std::sin(latitude)};
}

// The point a fraction of the way along the great circle from a to b.
TAnchorLocation AlongGreatCircle(const TAnchorLocation& a, const TAnchorLocation& b, double fraction) {
    const TUnitVector u = UnitVectorOf(a), v = UnitVectorOf(b);
    const double angle = std::acos(std::clamp(u[0] * v[0] + u[1] * v[1] + u[2] * v[2], -1.0, 1.0));
    const double s = std::sin(angle);
    const double wu = s > 1e-12 ? std::sin((1 - fraction) * angle) / s : 1 - fraction;
    const double wv = s > 1e-12 ? std::sin(fraction * angle) / s : fraction;
    const TUnitVector p = {wu * u[0] + wv * v[0], wu * u[1] + wv * v[1], wu * u[2] + wv * v[2]};
    return {static_cast<float>(std::atan2(p[2], std::hypot(p[0], p[1])) / Radians),
            static_cast<float>(std::atan2(p[1], p[0]) / Radians)};
}

bool Usable(const TAnchorLocation& anchor) { return anchor.Latitude != 0 && anchor.Longitude != 0; }

// The missing lines of one gap between the located lines either side; next
// to a line without location they stay without location too.
void AppendMissingLines(const TScanLineLocations& before, const TScanLineLocations& after, int missing,
                        std::vector<TScanLineLocations>& whole) {
    const bool located = before.Anchors[0].Latitude != 0 && after.Anchors[0].Latitude != 0;
    for (int j = 1; j <= missing; ++j) {
        TScanLineLocations& line = whole.emplace_back();
        if (!located) continue;
        const double fraction = static_cast<double>(j) / (missing + 1);
        for (size_t k = 0; k < line.Anchors.size(); ++k)
            if (Usable(before.Anchors[k]) && Usable(after.Anchors[k]))
                line.Anchors[k] = AlongGreatCircle(before.Anchors[k], after.Anchors[k], fraction);
    }
}

}  // namespace

std::vector<TScanLineLocations> WithMissingLines(std::span<const TScanLineLocations> lines,
                                                 std::span<const TSignalGap> gaps) {
    std::vector<TScanLineLocations> whole;
    size_t next = 0;
    for (const TSignalGap& gap : gaps) {
        const auto end = static_cast<size_t>(std::clamp(gap.Line + 1, 0, static_cast<int>(lines.size())));
        if (end < next + 1 || end >= lines.size()) continue;
        whole.insert(whole.end(), lines.begin() + static_cast<std::ptrdiff_t>(next),
                     lines.begin() + static_cast<std::ptrdiff_t>(end));
        AppendMissingLines(lines[end - 1], lines[end], gap.Missing, whole);
        next = end;
    }
    whole.insert(whole.end(), lines.begin() + static_cast<std::ptrdiff_t>(next), lines.end());
    return whole;
}

}  // namespace kestrune
