// Element files and Kepler archives spoilt at random (fixed seeds): cut
// lines, wrong checksums, junk in the numeric fields, stray bytes, CR-only
// line ends and files of pure garbage. Whatever they hold, reading them ends
// in a smaller catalogue, a refused archive or an EMathError from the model;
// never a crash, and never a position that is not a finite number.
#include "orbit/Keplers.h"
#include "orbit/Orbits.h"

#include "OrbitTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {
namespace {

class Spoiler {
public:
    explicit Spoiler(uint32_t seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    double Between(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }

    // A plausible set: near-earth or deep-space, any inclination, epochs
    // on both sides of the two-digit-year pivot.
    testing::TleElements Elements() {
        testing::TleElements e;
        e.catalog = Below(100000);
        e.epochYear = Below(100);
        e.epochDay = Between(1.0, 366.0);
        e.inclination = Between(0.0, 180.0);
        e.rightAscension = Between(0.0, 360.0);
        e.eccentricity = Below(4) == 0 ? Between(0.0, 0.95) : Between(0.0, 0.02);
        e.argOfPerigee = Between(0.0, 360.0);
        e.meanAnomaly = Between(0.0, 360.0);
        e.meanMotion = Below(4) == 0 ? Between(0.9, 6.5) : Between(11.0, 16.9);
        e.revolution = Below(100000);
        return e;
    }

    // One of the ways a line is found spoilt, or the line as it was.
    std::string Line(std::string line) {
        static const char* const nastyNumbers[] = {"9e99", "-9e99", "1e-300", "nan", "inf", "-0", "0x1F", "1,5", " . ",
                                                   "+-1", "99999999999999", "-", "e", "--1", "1e308", "-1", "-300.5"};
        const auto column = [&] { return static_cast<size_t>(Below(static_cast<int>(line.size()) + 1)); };
        switch (Below(13)) {
            case 0: return line.substr(0, column());
            case 1:
                if (!line.empty()) line.back() = static_cast<char>('0' + Below(10));
                return line;
            case 2:
                if (!line.empty()) line[column() % line.size()] = static_cast<char>(32 + Below(95));
                return line;
            case 3: {
                const std::string nasty = nastyNumbers[Below(static_cast<int>(std::size(nastyNumbers)))];
                return line.replace(std::min(column(), line.size()), nasty.size(), nasty);
            }
            case 4:
                if (!line.empty()) line[column() % line.size()] = static_cast<char>(Below(256));
                return line;
            case 5: return std::string(static_cast<size_t>(Below(4)), ' ') + line + std::string(static_cast<size_t>(Below(4)), ' ');
            case 6: return Below(2) == 0 ? "" : "--";
            case 7:
            case 8:
            case 9: {
                // A whole numeric field of either line, padded or cut to its width.
                static constexpr std::pair<size_t, size_t> fields[] = {
                    {19, 14}, {21, 12}, {34, 10}, {45, 6}, {51, 2}, {54, 6}, {60, 2}, {66, 3},
                    {9, 8},   {18, 8},  {27, 7},  {35, 8}, {44, 8}, {53, 11}, {64, 5}};
                const auto [start, width] = fields[Below(static_cast<int>(std::size(fields)))];
                std::string nasty = nastyNumbers[Below(static_cast<int>(std::size(nastyNumbers)))];
                nasty.resize(width, ' ');
                if (line.size() >= start - 1 + width) line.replace(start - 1, width, nasty);
                return line;
            }
            default: return line;
        }
    }

    // Records of name, line 1 and line 2, each line perhaps spoilt, some
    // records without a name, joined by LF, CR LF or CR alone.
    std::string ElementText(int records, bool names) {
        std::vector<std::string> lines;
        for (int i = 0; i < records; ++i) {
            const testing::TleElements e = Elements();
            if (names && Below(5) != 0) lines.push_back(Line("SAT " + std::to_string(e.catalog)));
            lines.push_back(Line(testing::TleLine1(e)));
            lines.push_back(Line(testing::TleLine2(e)));
        }
        return Join(lines);
    }

    std::string Join(const std::vector<std::string>& lines) {
        static const char* const ends[] = {"\n", "\r\n", "\r"};
        const int style = Below(4);  // one kind of line end throughout, or a mixture
        std::string text;
        for (const std::string& line : lines) text += line + ends[style < 3 ? style : Below(3)];
        if (Below(3) == 0 && !text.empty()) text.pop_back();  // no line end after the last line
        return text;
    }

    std::string Garbage(size_t bytes) {
        std::string text(bytes, ' ');
        for (char& c : text) c = static_cast<char>(Below(256));
        return text;
    }

    std::string NotesText(int lines) {
        std::vector<std::string> notes;
        for (int i = 0; i < lines; ++i)
            notes.push_back(Line(std::to_string(Below(100000)) + " 137." + std::to_string(Below(1000)) + " +" +
                                 std::to_string(Below(10)) + " LD=" + std::to_string(1950 + Below(80)) + "/" +
                                 std::to_string(Below(14)) + "/" + std::to_string(Below(33)) + "@" +
                                 std::to_string(Below(26)) + ":" + std::to_string(Below(61)) + " notes ; comment"));
        return Join(notes);
    }

private:
    std::mt19937 random_;
};

// An epoch is a date element sets can hold, or 0 for none.
void ExpectDateOrZero(TDateTime epoch) {
    EXPECT_TRUE(epoch == 0 || (epoch >= EncodeDate(1956, 12, 31) && epoch < EncodeDate(2058, 1, 1))) << epoch;
}

bool Finite(const TVector& v) { return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z); }

// Propagates the set a few times around its epoch; each time either a finite
// state or the model's EMathError.
void ExpectFiniteOrMathError(TSatellite& satellite, Spoiler& spoiler) {
    for (int i = 0; i < 3; ++i) {
        TVector position, velocity;
        try {
            satellite.Propagate(position, velocity, satellite.EpochJD + spoiler.Between(-20.0, 20.0));
        } catch (const EMathError&) {
            continue;
        }
        ASSERT_TRUE(Finite(position) && Finite(velocity)) << satellite.Line1 << "\n" << satellite.Line2;
        ScaleStateToKm(position, velocity);
        TGeodetic geodetic;
        EciToGeodetic(position, geodetic, satellite.EpochJD);
        EXPECT_TRUE(std::isfinite(geodetic.Latitude) && std::isfinite(geodetic.Height)) << satellite.Line1 << "\n" << satellite.Line2;
    }
}

TEST(MalformedElements, LinePairsOfAnyContentLoadOrRaise) {
    Spoiler spoiler(20240611);
    for (int round = 0; round < 3000; ++round) {
        const testing::TleElements e = spoiler.Elements();
        TSatellite satellite;
        try {
            satellite.LoadTLE(spoiler.Line(spoiler.Line(testing::TleLine1(e))), spoiler.Line(testing::TleLine2(e)));
        } catch (const EMathError&) {
            continue;
        }
        ExpectFiniteOrMathError(satellite, spoiler);
    }
}

TEST(MalformedElements, FilesOfGarbageReadAsNothing) {
    testing::TempFolder temp;
    Spoiler spoiler(7);
    std::string noLineEnds = spoiler.Garbage(3 << 20);
    std::replace(noLineEnds.begin(), noLineEnds.end(), '\n', 'x');
    std::replace(noLineEnds.begin(), noLineEnds.end(), '\r', 'x');
    TSatelliteList list("");
    list.LoadFromFile(temp.Write("garbage.tle", spoiler.Garbage(3 << 20)));
    list.LoadFromFile(temp.Write("one-line.tle", noLineEnds));
    list.LoadFromFile(temp.Write("empty.tle", ""));
    EXPECT_EQ(list.Count(), 0);

    TKeplerData keplers;
    temp.Write("base/Keps/NOAA-15.txt", spoiler.Garbage(3 << 20));
    std::string message, mainFile, updateFile;
    std::vector<std::string> lines;
    EXPECT_FALSE(keplers.FindKeplerFile("NOAA-15", temp.Path() + "base", message, mainFile, updateFile, lines));
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(message.empty());
}

TEST(MalformedElements, ArchivesAreRefusedOrSearchedSafely) {
    testing::TempFolder temp;
    TDialogService& dialogs = TDialogService::Instance();
    Spoiler spoiler(99999);
    TOrbit orbit;
    orbit.LoadSatelliteList(temp.Path() + "elements");
    orbit.SetSatelliteName("NOAA 15");
    TKeplerData& keplers = *orbit.Keplers;
    for (int round = 0; round < 300; ++round) {
        dialogs.ClearScript();
        // Dated sets with a few spoilt lines among them, and perhaps an update file.
        std::vector<std::string> lines;
        const TDateTime start = EncodeDate(1990 + spoiler.Below(60), 1, 1);
        const int count = spoiler.Below(40);
        for (int i = 0; i < count; ++i) {
            const testing::TleElements e =
                testing::SetAt(start + i * spoiler.Between(0.0, 3.0), spoiler.Below(100000));
            for (const std::string& line : {testing::TleLine1(e), testing::TleLine2(e)})
                lines.push_back(spoiler.Below(4) == 0 ? spoiler.Line(line) : line);
        }
        for (const std::string& line : lines) ExpectDateOrZero(ArchiveEpoch(line));
        temp.Write("elements/Keps/NOAA-15.txt", spoiler.Join(lines));
        temp.Write("elements/Keps/Updates/NOAA-15.txt",
                   spoiler.Below(2) == 0 ? spoiler.ElementText(spoiler.Below(4), true) : spoiler.Garbage(100));

        const TDateTime pass = start + spoiler.Between(-400.0, 400.0);
        std::string message, mainFile, updateFile, line1, line2;
        double age = 0;
        if (keplers.SelectArchiveSet("NOAA-15", keplers.KeplerBaseFolder, spoiler.Below(2) == 0, message, age,
                                     mainFile, updateFile, line1, line2, pass)) {
            EXPECT_LT(std::fabs(age), 100000.0);
        }
        for (int revolution : {spoiler.Below(100000), -1, 0, 99999, 100000, INT_MAX, INT_MIN})
            ExpectDateOrZero(keplers.KeplerEpochForOrbit("NOAA-15", revolution));
        orbit.SelectElements(pass);
        TScanLinePoints points{};
        double altitude = 0;
        try {
            orbit.LocateScanLine(pass, points, altitude);
        } catch (const EMathError&) {
            continue;
        }
        for (const TGroundPoint& point : points)
            EXPECT_TRUE(std::isfinite(point.Latitude) && std::isfinite(point.Longitude));
        EXPECT_TRUE(std::isfinite(altitude));
    }
    dialogs.ClearScript();
}

}  // namespace
}  // namespace kestrune
