#include "orbit/FitMap.h"

#include "OneProcessorCopy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "orbit/CurveFit.h"
#include "platform/DialogService.h"

using namespace kestrune;

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Radians = Pi / 180.0;

using Vec = std::array<double, 3>;

Vec Combine(double a, const Vec& u, double b, const Vec& v) {
    return {a * u[0] + b * v[0], a * u[1] + b * v[1], a * u[2] + b * v[2]};
}

// A pass over a spherical earth from a circular sun-synchronous orbit, with
// the earth turning under it: what a scanner with equal angle steps sees.
struct SyntheticPass {
    double altitude = 850;               // km
    double linePeriod = 1.0 / 6.0;       // s
    double semiAngle = 55.37;            // degrees
    double halfScan = 1023.5;            // pixels from centre to the outer sample
    int firstPixel = 24, spacing = 40;   // anchor layout in a 2048-sample line
    double startArgument = 30;           // degrees of argument of latitude at line 0 (ascending side)
    double ascendingNode = 10;           // degrees
    bool southbound = true;

    std::vector<TScanLineLocations> Lines(int count) const {
        std::vector<TScanLineLocations> lines(static_cast<size_t>(count));
        for (int line = 0; line < count; ++line) LocateLine(line, lines[static_cast<size_t>(line)]);
        return lines;
    }

    void LocateLine(int line, TScanLineLocations& record) const {
        const double radius = EarthRadiusKm + altitude;
        const double period = 2 * Pi * std::sqrt(radius * radius * radius / 398600.8);
        const double t = line * linePeriod;
        const double inclination = 98.7 * Radians, node = ascendingNode * Radians;
        const double direction = southbound ? -1.0 : 1.0;
        const double u = (southbound ? 180.0 - startArgument : startArgument) * Radians + direction * 0.0 +
                         2 * Pi * t / period;
        const Vec nadir = {std::cos(node) * std::cos(u) - std::sin(node) * std::sin(u) * std::cos(inclination),
                           std::sin(node) * std::cos(u) + std::cos(node) * std::sin(u) * std::cos(inclination),
                           std::sin(u) * std::sin(inclination)};
        // Orbit normal; for a southbound pass it lies to the east of the track.
        Vec across = {std::sin(node) * std::sin(inclination), -std::cos(node) * std::sin(inclination),
                      std::cos(inclination)};
        if (!southbound) across = Combine(-1, across, 0, across);
        const double earthTurn = 7.292115e-5 * t;
        for (int k = 0; k < LocationAnchorCount; ++k) {
            const double pixel = firstPixel + spacing * k - (halfScan + 0.5) + 0.5;
            const double alpha = pixel / halfScan * semiAngle * Radians;
            const double gamma = std::asin(radius / EarthRadiusKm * std::sin(alpha)) - alpha;
            const Vec ground = Combine(std::cos(gamma), nadir, std::sin(gamma), across);
            double longitude = std::atan2(ground[1], ground[0]) / Radians - earthTurn / Radians;
            longitude = std::remainder(longitude, 360.0);
            record.Anchors[static_cast<size_t>(k)] = {static_cast<float>(std::asin(ground[2]) / Radians),
                                                     static_cast<float>(longitude)};
        }
    }
};

struct FitRun {
    std::vector<std::string> log;
    std::shared_ptr<const TResidualTable> residuals;
    TWarpedMapping mapping;
    bool fitted = false;

    void Run(const std::vector<TScanLineLocations>& lines, uint8_t mode = 0, float altitude = 850) {
        fitted = FitMapToImage(lines, &log, true, residuals, mapping, mode, 55.37f, altitude);
    }
    bool Logged(const std::string& text) const { return std::find(log.begin(), log.end(), text) != log.end(); }
    bool LoggedPrefix(const std::string& prefix) const {
        return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    }
};

// Largest distance in pixels from where the mapping puts each anchor to the
// anchor's own pixel.
double LargestAnchorError(TWarpedMapping& mapping, const std::vector<TScanLineLocations>& lines, int first,
                          int spacing) {
    double largest = 0;
    for (size_t line = 0; line < lines.size(); ++line) {
        for (int k = 0; k < LocationAnchorCount; ++k) {
            const TAnchorLocation& a = lines[line].Anchors[static_cast<size_t>(k)];
            float x = 0, y = 0;
            if (!mapping.LatLonToImage(x, y, true, a.Longitude, a.Latitude)) return 1e9;
            largest = std::max(largest, std::fabs(static_cast<double>(x) - (first + k * spacing)));
            largest = std::max(largest, std::fabs(y - static_cast<double>(line)));
        }
    }
    return largest;
}

// Fits the lines and expects every tie point on its own pixel.
void ExpectTiePointsOnTheirPixels(const std::vector<TScanLineLocations>& lines, uint8_t mode, int first,
                                  int spacing) {
    FitRun run;
    run.Run(lines);
    ASSERT_TRUE(run.fitted);
    EXPECT_EQ(run.mapping.ScanMode(), mode);
    EXPECT_LT(LargestAnchorError(run.mapping, lines, first, spacing), 0.01);
}

}  // namespace

TEST(FitMap, FullResolutionPassTiePointsLandOnTheirPixels) {
    const std::vector<TScanLineLocations> lines = SyntheticPass().Lines(1200);
    FitRun run;
    run.Run(lines);
    ASSERT_TRUE(run.fitted);
    EXPECT_EQ(run.mapping.ScanMode(), 1);
    ASSERT_TRUE(run.residuals);
    EXPECT_EQ(run.residuals->size(), 1200u);
    EXPECT_LT(LargestAnchorError(run.mapping, lines, 24, 40), 0.01);
    EXPECT_TRUE(run.LoggedPrefix("  Mid-picture line num: 600,  lon = "));
    EXPECT_TRUE(run.LoggedPrefix("  Vertical map warp:    "));
    EXPECT_TRUE(run.LoggedPrefix("  Horizontal map warp:  "));
    EXPECT_TRUE(run.LoggedPrefix("  Horizontal map skew:  "));
    // The rotation used is the third estimate.
    std::string original, used;
    for (const std::string& line : run.log) {
        if (line.find("(across track, original)") != std::string::npos) original = line.substr(27, 10);
        if (line.rfind("  Image rotation used: ", 0) == 0) used = line.substr(23, 10);
    }
    EXPECT_FALSE(used.empty());
    EXPECT_EQ(original, used);
}

TEST(FitMap, NorthboundPassNearThePoleAndAcrossTheDateLine) {
    SyntheticPass pass;
    pass.southbound = false;
    pass.startArgument = 60;
    pass.ascendingNode = 150;
    ExpectTiePointsOnTheirPixels(pass.Lines(3000), 1, 24, 40);
}

TEST(FitMap, GacPass) {
    SyntheticPass gac;
    gac.linePeriod = 0.5;
    gac.halfScan = 204.5;
    gac.firstPixel = 4;
    gac.spacing = 8;
    ExpectTiePointsOnTheirPixels(gac.Lines(800), 2, 4, 8);
}

TEST(FitMap, AnyPixelToLatitudeLongitudeAndBack) {
    const std::vector<TScanLineLocations> lines = SyntheticPass().Lines(1200);
    FitRun run;
    run.Run(lines);
    ASSERT_TRUE(run.fitted);
    for (int line = 5; line < 1200; line += 97) {
        for (int x = 30; x < 2020; x += 53) {
            // Latitude and longitude of the pixel between its two anchors.
            const int k = std::min((x - 24) / 40, 49);
            const double t = (x - 24 - 40.0 * k) / 40.0;
            const TAnchorLocation& a = lines[static_cast<size_t>(line)].Anchors[static_cast<size_t>(k)];
            const TAnchorLocation& b = lines[static_cast<size_t>(line)].Anchors[static_cast<size_t>(k + 1)];
            const float lat = static_cast<float>((1 - t) * a.Latitude + t * b.Latitude);
            const double step = std::remainder(static_cast<double>(b.Longitude) - a.Longitude, 360.0);
            const float lon = static_cast<float>(std::remainder(a.Longitude + t * step, 360.0));
            int px = 0, py = 0;
            ASSERT_TRUE(run.mapping.LatLonToPixel(px, py, true, lon, lat)) << line << "," << x << " " << lon << "," << lat;
            EXPECT_NEAR(px, x, 1) << line << "," << x;
            EXPECT_EQ(py, line) << line << "," << x;
        }
    }
}

// ---------------------------------------------------------------- gaps in the signal

namespace {

// A southbound pass of 810 lines of which the receiver lost 210 after line
// 199, as a loss of signal loses them: the image has 600 rows, the ground
// jumps 35 s between rows 199 and 200.
struct GappedPass {
    static constexpr int LostAfter = 199, Lost = 210, Written = 810;
    std::vector<TScanLineLocations> whole = SyntheticPass().Lines(Written);
    std::vector<TScanLineLocations> received;
    GappedPass() {
        received = whole;
        const auto from = received.begin() + LostAfter + 1;
        received.erase(from, from + Lost);
    }
    // The image row of a line as written, or -1 for a lost line.
    static int RowOf(int written) {
        if (written <= LostAfter) return written;
        return written <= LostAfter + Lost ? -1 : written - Lost;
    }
};

}  // namespace

TEST(FitMapAcrossAGap, EveryAnchorOnBothSidesOfTheGapLandsOnItsOwnPixel) {
    const GappedPass pass;
    const std::vector<TSignalGap> gaps = {{GappedPass::LostAfter, GappedPass::Lost}};
    FitRun run;
    run.fitted = FitMapToImage(pass.received, &run.log, true, run.residuals, run.mapping, 0, 55.37f, 850, gaps);
    ASSERT_TRUE(run.fitted);
    // The fit is made over the whole pass, round its middle.
    EXPECT_TRUE(run.LoggedPrefix("  Mid-picture line num: 405,  lon = "));
    EXPECT_LT(LargestAnchorError(run.mapping, pass.received, 24, 40), 0.01);
}

TEST(FitMapAcrossAGap, GroundWithinTheGapIsNotOnTheImageAndTheRestLiesAsOnTheWholePass) {
    const GappedPass pass;
    const std::vector<TSignalGap> gaps = {{GappedPass::LostAfter, GappedPass::Lost}};
    FitRun gapped, whole;
    gapped.fitted = FitMapToImage(pass.received, &gapped.log, true, gapped.residuals, gapped.mapping, 0, 55.37f, 850,
                                  gaps);
    whole.Run(pass.whole);
    ASSERT_TRUE(gapped.fitted && whole.fitted);
    // Points between the anchors too, halfway along the line; the pass
    // crosses the date line.
    for (int written = 3; written < GappedPass::Written; written += 13) {
        for (int k = 0; k < LocationAnchorCount - 1; k += 7) {
            const TAnchorLocation& a = pass.whole[static_cast<size_t>(written)].Anchors[static_cast<size_t>(k)];
            const TAnchorLocation& b = pass.whole[static_cast<size_t>(written)].Anchors[static_cast<size_t>(k + 1)];
            const float lat = (a.Latitude + b.Latitude) / 2;
            const double step = std::remainder(static_cast<double>(b.Longitude) - a.Longitude, 360.0);
            const auto lon = static_cast<float>(std::remainder(a.Longitude + step / 2, 360.0));
            float wholeX = 0, wholeY = 0, x = 0, y = 0;
            ASSERT_TRUE(whole.mapping.LatLonToImage(wholeX, wholeY, true, lon, lat));
            const bool placed = gapped.mapping.LatLonToImage(x, y, true, lon, lat);
            const int row = GappedPass::RowOf(written);
            if (row < 0) {
                EXPECT_FALSE(placed) << written << " anchor " << k << " at row " << y;
                continue;
            }
            ASSERT_TRUE(placed) << written << " anchor " << k;
            EXPECT_NEAR(x, wholeX, 1.0) << written << " anchor " << k;
            EXPECT_NEAR(y, wholeY - static_cast<float>(written - row), 0.5)
                << written << " anchor " << k;
        }
    }
}

TEST(FitMapAcrossAGap, GapsAreFoundInLineTimesEitherWayRound) {
    constexpr double Period = 1.0 / 6.0 / SecsPerDay;
    std::vector<TDateTime> times;
    for (int line = 0; line < 400; ++line) times.push_back(45000.5 + line * Period + (line > 199 ? 35.0 / SecsPerDay : 0));
    // Half a second late is not yet a gap; a line without time is passed over.
    times[300] = 0;
    for (int line = 351; line < 400; ++line) times[static_cast<size_t>(line)] += 0.5 / SecsPerDay;
    std::vector<TSignalGap> gaps = FindSignalGaps(times, Period);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_EQ(gaps[0].Line, 199);
    EXPECT_EQ(gaps[0].Missing, 210);
    // A turned pass: its times run backwards.
    std::reverse(times.begin(), times.end());
    gaps = FindSignalGaps(times, Period);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_EQ(gaps[0].Line, 199);
    EXPECT_EQ(gaps[0].Missing, 210);
    EXPECT_TRUE(FindSignalGaps(std::vector<TDateTime>(50, 45000.5), Period).empty());
}

TEST(FitMapAcrossAGap, MissingLinesArePutBackOnTheGroundBetween) {
    const GappedPass pass;
    const std::vector<TSignalGap> gaps = {{GappedPass::LostAfter, GappedPass::Lost}};
    const std::vector<TScanLineLocations> back = WithMissingLines(pass.received, gaps);
    ASSERT_EQ(back.size(), pass.whole.size());
    for (size_t line = 0; line < back.size(); line += 11) {
        for (size_t k = 0; k < LocationAnchorCount; k += 10) {
            float km = 0, bearing = 0;
            const TAnchorLocation& a = back[line].Anchors[k];
            const TAnchorLocation& b = pass.whole[line].Anchors[k];
            GreatCircleDistance(a.Longitude, a.Latitude, b.Longitude, b.Latitude, km, bearing);
            EXPECT_LT(km, 2.0) << line << " anchor " << k;
        }
    }
    // Next to a line without location the missing lines have none either.
    std::vector<TScanLineLocations> unlocated = pass.received;
    unlocated[GappedPass::LostAfter] = TScanLineLocations{};
    EXPECT_EQ(WithMissingLines(unlocated, gaps)[300].Anchors[0].Latitude, 0.0f);
}

// ---------------------------------------------------------------- on all processors

namespace {

std::string Hex(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char text[9];
    std::snprintf(text, sizeof text, "%08x", bits);
    return text;
}

// Everything a fit leaves, to the bit: its verdict and log, every residual,
// and where the fitted mapping puts a spread of anchors with and without warp.
std::string FitRecord(const std::vector<TScanLineLocations>& lines, uint8_t mode = 0) {
    FitRun run;
    run.Run(lines, mode);
    std::string record = run.fitted ? "fitted\n" : "not fitted\n";
    for (const std::string& line : run.log) record += line + "\n";
    if (run.residuals) {
        for (size_t line = 0; line < run.residuals->size(); ++line) {
            record += "row " + std::to_string(line) + ":";
            for (const TResidual& pair : (*run.residuals)[line]) record += " " + Hex(pair.X) + "," + Hex(pair.Y);
            record += "\n";
        }
    }
    for (size_t line = 0; line < lines.size(); line += 37) {
        for (size_t k = 0; k < LocationAnchorCount; k += 5) {
            const TAnchorLocation& a = lines[line].Anchors[k];
            for (const bool warp : {false, true}) {
                float x = 0, y = 0;
                const bool placed = run.mapping.LatLonToImage(x, y, warp, a.Longitude, a.Latitude);
                record += "line " + std::to_string(line) + " anchor " + std::to_string(k) + (warp ? " warped " : " ") +
                          (placed ? Hex(x) + "," + Hex(y) : "none") + "\n";
            }
        }
    }
    return record;
}

// Lines without location: the first five, eleven in the middle, the last
// five, and the line where a band of work starts on two to eight
// processors, except next to the mid-picture line the fit is built around.
std::vector<TScanLineLocations> PassWithGaps(int count) {
    std::vector<TScanLineLocations> lines = SyntheticPass().Lines(count);
    const auto drop = [&lines](int line) { lines[static_cast<size_t>(line)] = TScanLineLocations{}; };
    for (int line = 0; line < 5; ++line) drop(line);
    for (int line = count * 5 / 16; line <= count * 5 / 16 + 10; ++line) drop(line);
    for (int line = count - 5; line < count; ++line) drop(line);
    for (int bands = 2; bands <= 8; ++bands) {
        for (int band = 1; band < bands; ++band) {
            const int start = count * band / bands;
            if (std::abs(start - count / 2) > 13) drop(start);
        }
    }
    return lines;
}

}  // namespace

TEST(FitMapOnAllProcessors, LinesWithoutLocationTakeTheRowBeforeAsOnOneProcessor) {
    constexpr int Count = 2400;
    const std::vector<TScanLineLocations> lines = PassWithGaps(Count);
    FitRun run;
    run.Run(lines);
    ASSERT_TRUE(run.fitted);
    const TResidualTable& table = *run.residuals;
    ASSERT_EQ(table.size(), static_cast<size_t>(Count));
    const auto sameRows = [](const TResidualRow& a, const TResidualRow& b) {
        return std::memcmp(a.data(), b.data(), sizeof(TResidualRow)) == 0;
    };
    for (int line = 0; line < 5; ++line) EXPECT_TRUE(sameRows(table[static_cast<size_t>(line)], TResidualRow{})) << line;
    const int gap = Count * 5 / 16;
    EXPECT_FALSE(sameRows(table[gap - 1], TResidualRow{}));
    for (int line = gap; line <= gap + 10; ++line) EXPECT_TRUE(sameRows(table[static_cast<size_t>(line)], table[gap - 1])) << line;
    for (int line : {Count / 8, Count / 3, Count - 5, Count - 1})
        EXPECT_TRUE(sameRows(table[static_cast<size_t>(line)], table[static_cast<size_t>(line - 1)])) << line;
    EXPECT_FALSE(sameRows(table[Count - 6], table[Count - 7]));
    kestrune::testing::ExpectSameOnOneProcessor(FitRecord(lines));
}

TEST(FitMapOnAllProcessors, NorthboundPassFitsAsOnOneProcessor) {
    SyntheticPass pass;
    pass.southbound = false;
    pass.startArgument = 60;
    pass.ascendingNode = 150;
    const std::vector<TScanLineLocations> lines = pass.Lines(3000);
    // The reduced layout of mode 3 places its anchors by its own table.
    kestrune::testing::ExpectSameOnOneProcessor(FitRecord(lines) + FitRecord(lines, 3));
}
