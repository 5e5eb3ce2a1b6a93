// The loader's locating step: the element set it takes from the archives and
// what it tells about them, and the angles every located line gets.
#include "decoding/PassLoader.h"

#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "tests/support/HrptFrameWriter.h"
#include "tests/support/LoaderTest.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrune {
namespace {

constexpr int32_t Lines = 240;

class PassLocatingTest : public test::TLoaderTest {
protected:
    void WriteKeps(const std::string& name, const std::string& text) const {
        test::WriteFileBytes((folder / "program" / "Keps" / name).string(), test::TBytes(text.begin(), text.end()));
    }

    static std::string SetText(int catalogNumber, double epochDay, double rightAscension, int revolution) {
        const test::TElementLines set =
            test::MakeElementLines(catalogNumber, 2023, epochDay, 98.9, rightAscension, 0.0, 14.125, revolution);
        return set.Line1 + "\n" + set.Line2 + "\n";
    }

    void LoadNoaa18Pass(bool northbound = false) {
        const test::THrptPassSpec passSpec;  // NOAA-18, 3 May 2023, 12:00 UTC
        settings.ForcedDirection = northbound ? 1 : 2;
        loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", test::Build16BitHrptFile(passSpec, Lines, false)));
        ASSERT_EQ(state.DataLineCount, Lines);
    }
};

// A NOAA-19 set copied into NOAA-18's archive, nearer the pass than any of
// NOAA-18's own, once placed the pass on the other side of the earth.
TEST_F(PassLocatingTest, AnotherSatellitesSetInTheArchiveIsLeftOutAndTold) {
    WriteKeps("NOAA-18.txt", SetText(28654, 122.5, 150.0, 30000) + SetText(33591, 123.4, 20.0, 50000));
    LoadNoaa18Pass();
    const TOrbit& orbit = *state.Orbit;
    ASSERT_TRUE(orbit.ElementsValid);
    EXPECT_EQ(orbit.Satellite->CatalogNumber, "28654");
    EXPECT_NEAR(orbit.ElementAge, 122.5 - 123.5, 0.01);
    ASSERT_EQ(orbit.Keplers->Warnings.size(), 1u);
    const std::string& warning = orbit.Keplers->Warnings[0];
    EXPECT_NE(warning.find("holds 1 element set of another satellite (catalogue number 33591, not NOAA-18's 28654)"),
              std::string::npos)
        << warning;
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, warning));
    EXPECT_TRUE(state.EarthLocations->LocationsValid);

    // The next file starts without the last one's warnings.
    WriteKeps("NOAA-18.txt", SetText(28654, 122.5, 150.0, 30000));
    LoadNoaa18Pass();
    EXPECT_TRUE(state.Orbit->Keplers->Warnings.empty());
}

// Sun and view angles on every line, also when the pass is turned: the
// satellite looks down at the centre and slant at both edges.
TEST_F(PassLocatingTest, EveryLocatedLineHasItsAngles) {
    WriteArchive("NOAA-18", 28654);
    for (const bool northbound : {false, true}) {
        LoadNoaa18Pass(northbound);
        const TEarthLocations& locations = *state.EarthLocations;
        ASSERT_TRUE(locations.LocationsValid) << northbound;
        for (int32_t line = 0; line < Lines; line += 7) {
            const TScanLineAngles& angles = *locations.LineAngles(line);
            EXPECT_GT(angles.SatelliteZenith[0], 60.0f) << line;
            EXPECT_GT(angles.SatelliteZenith[50], 60.0f) << line;
            EXPECT_LT(angles.SatelliteZenith[25], 1.0f) << line;
            EXPECT_GT(angles.SolarZenith[25], 0.0f) << line;
            EXPECT_NE(angles.SolarZenith[0], angles.SolarZenith[50]) << line;
        }
    }
}

}  // namespace
}  // namespace kestrune
