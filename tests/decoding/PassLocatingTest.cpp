// The loader's locating step: the element set it takes from the archives and
// what it tells about them, and the angles every located line gets.
#include "decoding/PassLoader.h"

#include "decoding/HRPTvideo.h"
#include "orbit/EarthLocations.h"
#include "orbit/MapWithWarp.h"
#include "orbit/Orbits.h"
#include "orbit/qelMapping.h"
#include "platform/FileUtils.h"
#include "tests/support/HrptFrameWriter.h"
#include "tests/support/Level1bWriter.h"
#include "tests/support/LoaderTest.h"
#include "tests/support/MeteorFileWriter.h"
#include "tests/support/PassFileWriter.h"
#include "tests/support/PassGeometry.h"
#include "tests/support/StationFileWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

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

    static test::TElementLines MeteorSet(int catalogNumber, int year, double epochDay) {
        return test::MakeElementLines(catalogNumber, year, epochDay, 98.6, 150.0, 0.0, 14.21, 20000);
    }

    // The same orbit for both Meteor-M2 satellites, each set under its own number.
    void WriteMeteorArchives(int year, double epochDay) const {
        for (const auto& [name, number] : {std::pair{"METEOR-M2", 40069}, std::pair{"METEOR-M2-2", 44387}}) {
            const test::TElementLines set = MeteorSet(number, year, epochDay);
            WriteKeps(std::string(name) + ".txt", set.Line1 + "\n" + set.Line2 + "\n");
        }
    }

    // The set the NOAA-18 archive holds (WriteArchive) and where it puts
    // the frames of a recording of 3 May 2023, 12:00.
    static test::TElementLines Noaa18Set() {
        return test::MakeElementLines(28654, 2023, 122.5, 98.9, 150.0, 0.0, 14.125, 30000);
    }
    static test::TPassGeometry Noaa18NoonGeometry() { return {Noaa18Set(), test::THrptPassSpec{}, 2023, 5, 3}; }
    // The archive written and the pass taken as southbound, as a station's gapped passes are here.
    test::TPassGeometry SouthboundNoaa18Noon() {
        WriteArchive("NOAA-18", 28654);
        settings.ForcedDirection = 2;
        return Noaa18NoonGeometry();
    }

    // Every line's anchors of the pass loaded last.
    std::vector<TScanLineLocations> Locations() {
        std::vector<TScanLineLocations> lines;
        for (int32_t line = 0; line < state.DataLineCount; ++line)
            lines.push_back(*state.EarthLocations->LineLocations(line));
        return lines;
    }

    static void ExpectSameLocations(const std::vector<TScanLineLocations>& a, const std::vector<TScanLineLocations>& b) {
        ASSERT_EQ(a.size(), b.size());
        for (size_t line = 0; line < a.size(); ++line)
            for (size_t k = 0; k < a[line].Anchors.size(); ++k) {
                ASSERT_EQ(a[line].Anchors[k].Latitude, b[line].Anchors[k].Latitude) << line << " " << k;
                ASSERT_EQ(a[line].Anchors[k].Longitude, b[line].Anchors[k].Longitude) << line << " " << k;
            }
    }

    // The centre of a line of the pass loaded last lies within 100 m of where
    // the set puts the centre of the frame written as frame of the recording.
    void ExpectLineShows(test::TPassGeometry& geometry, int32_t line, int32_t frame) {
        const TGroundPoint predicted = geometry.Line(frame)[1024];
        const TAnchorLocation& located = state.EarthLocations->LineLocations(line)->Anchors[CentreAnchor];
        float km = 0, bearing = 0;
        GreatCircleDistance(located.Longitude, located.Latitude, predicted.Longitude, predicted.Latitude, km, bearing);
        EXPECT_LT(km, 0.1) << "line " << line;
    }

    struct TLost {
        int32_t First;
        int32_t Last;  // frames of the recording lost, inclusive
    };
    // A station format as a station names and writes a NOAA-18 pass of 3 May 2023, 12:00.
    struct TStationFormat {
        const char* Name;
        test::TBytes (*Build)(const test::THrptPassSpec& frames, int32_t lines);
        size_t RecordBytes;
        bool DatedByFile;  // the name gives no date: the file's time, 12:03, does
    };
    static std::vector<TStationFormat> StationFormats() {
        return {
            {"2023-05-03-1200-NOAA18.raw16",
             [](const test::THrptPassSpec& f, int32_t n) { return test::Build16BitHrptFile(f, n, false); },
             test::Hrpt16RecordBytes, false},
            {"2023-05-03-1200-NOAA18.hpt", [](const test::THrptPassSpec& f, int32_t n) { return test::BuildEssFile(f, n); },
             test::Packed10RecordBytes, false},
            {"NOAA18_20230503_1200.drt",
             [](const test::THrptPassSpec& f, int32_t n) { return test::BuildDartcomFile(f, n, false); }, 22016, true},
            {"NOAA-18_030523.rhd", [](const test::THrptPassSpec& f, int32_t n) { return test::BuildGtiFile(f, n); },
             test::Hrpt16RecordBytes, false},
            {"23123_18.svw", [](const test::THrptPassSpec& f, int32_t n) { return test::BuildSmartViewFile(f, n); },
             test::Hrpt16RecordBytes, false},
        };
    }
    // A recording of written frames with the frames lost left out, as a loss of signal leaves it, and
    // some frames repeated in another frame's place (carrier, carried).
    static test::TBytes RecordingWithout(const TStationFormat& format, const test::THrptPassSpec& frames,
                                         int32_t written, const std::vector<TLost>& lost,
                                         const std::vector<std::pair<int32_t, int32_t>>& repeated = {}) {
        test::TBytes recorded = format.Build(frames, written);
        const size_t header = recorded.size() - static_cast<size_t>(written) * format.RecordBytes;
        for (const auto& [carrier, carried] : repeated)
            std::copy_n(recorded.begin() + static_cast<std::ptrdiff_t>(header + carried * format.RecordBytes),
                        format.RecordBytes,
                        recorded.begin() + static_cast<std::ptrdiff_t>(header + carrier * format.RecordBytes));
        test::TBytes bytes(recorded.begin(), recorded.begin() + static_cast<std::ptrdiff_t>(header));
        for (int32_t frame = 0; frame < written; ++frame) {
            const bool kept = std::none_of(lost.begin(), lost.end(),
                                           [&](const TLost& gap) { return frame >= gap.First && frame <= gap.Last; });
            const auto at = recorded.begin() + static_cast<std::ptrdiff_t>(header + frame * format.RecordBytes);
            if (kept) bytes.insert(bytes.end(), at, at + static_cast<std::ptrdiff_t>(format.RecordBytes));
        }
        return bytes;
    }
    void LoadRecording(const TStationFormat& format, const test::TBytes& bytes) {
        const std::string path = Write(format.Name, bytes);
        if (format.DatedByFile) SetFileDateTime(path, EncodeDate(2023, 5, 3) + EncodeTime(12, 3, 0, 0));
        loader.LoadDataFile(path);
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

// Meteor-M2-2 scans with the MSU-MR geometry of Meteor-M2: the same frames
// under the same orbit lie at the same places whichever name they carry.
TEST_F(PassLocatingTest, MeteorM22IsLocatedAsMeteorM2) {
    settings.ForcedDirection = 2;
    const test::THrptPassSpec passSpec;
    WriteMeteorArchives(2023, 123.4);
    test::TMeteorSpec meteor;
    loader.LoadDataFile(Write("2023-05-03-1200_MN2.msu2", test::BuildMsu2File(passSpec, meteor, Lines)));
    ASSERT_TRUE(state.Orbit->ElementsValid);
    const std::vector<TScanLineLocations> asMeteorM2 = Locations();
    meteor.Satellite = "METEOR-MN2-2";
    loader.LoadDataFile(Write("2023-05-03-1200_MN22.msu2", test::BuildMsu2File(passSpec, meteor, Lines)));
    const TOrbit& orbit = *state.Orbit;
    EXPECT_EQ(orbit.SatelliteName, "METEOR-M2-2");
    EXPECT_EQ(orbit.CatalogNumber, "44387");
    EXPECT_TRUE(orbit.IsMeteorM2());
    ASSERT_TRUE(orbit.ElementsValid);
    EXPECT_EQ(orbit.Satellite->CatalogNumber, "44387");
    ExpectSameLocations(Locations(), asMeteorM2);

    // The frames' day 123 at 12:00 in the name's year: 3 May 2019.
    WriteMeteorArchives(2019, 123.4);
    loader.LoadDataFile(Write("2019-03-15-1234.10b", test::Build10BFile(passSpec, Lines, "METEOM2", {}, true)));
    ASSERT_TRUE(state.Orbit->ElementsValid);
    const std::vector<TScanLineLocations> tenBAsMeteorM2 = Locations();
    loader.LoadDataFile(Write("2019-03-15-1234.10b", test::Build10BFile(passSpec, Lines, "METEOM22", {}, true)));
    EXPECT_EQ(state.Orbit->SatelliteName, "METEOR-M2-2");
    ASSERT_TRUE(state.Orbit->ElementsValid);
    ExpectSameLocations(Locations(), tenBAsMeteorM2);
}

// A Meteor-M2 10B pass of 3 May 2023 from 12:00: the name's date and the
// frames' day and time are one date, not two to be added; the lines follow
// the scan's own period; and the scan's samples, columns 248 to 1815 of the
// line, are located where the satellite saw them, its nadir under the
// satellite.
TEST_F(PassLocatingTest, AMeteorTenBPassIsDatedOnceTimedByItsScanAndLocatedWhereItsLineHoldsTheScan) {
    test::THrptPassSpec passSpec;  // day 123 of 2023, 12:00
    passSpec.ScanMicroseconds = 153900;
    WriteMeteorArchives(2023, 123.4);
    loader.LoadDataFile(Write("2_HRPT_20230503_1200.10b", test::Build10BFile(passSpec, Lines, "METEOM2", {}, false)));
    const TEarthLocations& locations = *state.EarthLocations;
    ASSERT_TRUE(locations.LocationsValid) << testing::PrintToString(state.DiagnosticLines);
    const TDateTime may3 = EncodeDate(2023, 5, 3);
    EXPECT_NEAR(locations.StartTime, may3 + 0.5, 0.5 / SecsPerDay);
    EXPECT_NEAR(locations.EndTime, may3 + 0.5 + Lines * 0.1539 / SecsPerDay, 0.5 / SecsPerDay);
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "Over 192 lines, the scan interval was 0.1539s"));
    EXPECT_FALSE(test::Contains(state.DiagnosticLines, "Can't determine scan period"));

    const TAnchorLayout layout = locations.AnchorLayout();
    EXPECT_EQ(layout.Width, 2048);
    EXPECT_EQ(layout.First, 282) << "the scan's sample 20 in a line whose scan starts at column 262";
    EXPECT_EQ(layout.First + CentreAnchor * layout.Step, 1032) << "nadir in the middle of columns 248..1815";
    EXPECT_LE(layout.First + 50 * layout.Step, 1815);

    TOrbit seen;
    seen.SetSatelliteName("METEOR-M2");
    const test::TElementLines set = MeteorSet(40069, 2023, 123.4);
    seen.UseEmbeddedKeplers(set.Line1, set.Line2, may3 + 0.5);
    ASSERT_TRUE(seen.ElementsValid);
    for (const int32_t line : {0, Lines / 2, Lines - 1}) {
        TScanLinePoints points{};
        double altitude = 0;
        seen.LocateScanLine(may3 + static_cast<double>(test::LineMilliseconds(passSpec, line)) / MSecsPerDay, points,
                            altitude);
        for (const size_t k : {size_t{0}, size_t{CentreAnchor}, size_t{50}}) {
            const TAnchorLocation& located = locations.LineLocations(line)->Anchors[k];
            float km = 0, bearing = 0;
            GreatCircleDistance(located.Longitude, located.Latitude, static_cast<float>(points[k].Longitude),
                                static_cast<float>(points[k].Latitude), km, bearing);
            EXPECT_LT(km, 0.1) << "line " << line << ", anchor " << k;
        }
    }
    // The map drawn over the picture meets the scan's anchors where the line holds them.
    ASSERT_TRUE(locations.MapFitted);
    for (const int k : {0, CentreAnchor, 50}) {
        const TAnchorLocation& anchor = locations.LineLocations(Lines / 2)->Anchors[static_cast<size_t>(k)];
        float x = 0, y = 0;
        ASSERT_TRUE(state.WarpedMapping->LatLonToImage(x, y, true, anchor.Longitude, anchor.Latitude));
        EXPECT_NEAR(x, layout.First + k * layout.Step, 2.0) << "anchor " << k;
        EXPECT_NEAR(y, Lines / 2, 2.0) << "anchor " << k;
    }
    // ... by its own geometry, not by a correction as wide as the fill in front of the scan.
    ASSERT_TRUE(locations.Residuals);
    float widest = 0;
    for (const TResidualRow& row : *locations.Residuals)
        for (const TResidual& residual : row) widest = std::max(widest, std::fabs(residual.X));
    EXPECT_LT(widest, 3.0f);
    // Its location file holds the anchors at the scan's own columns, line by line.
    const std::string lcn = Write("meteor.lcn", {});
    locations.SaveLocations(lcn);
    const test::TBytes saved = test::ReadFileBytes(lcn);
    ASSERT_EQ(saved.size(), static_cast<size_t>(Lines) * 408);
    float latitude = 0;
    std::memcpy(&latitude, saved.data() + 408 * (Lines / 2) + 8 * 50, 4);
    EXPECT_EQ(latitude, locations.LineLocations(Lines / 2)->Anchors[50].Latitude);
}

// Meteor-M2-2's sets are its own also where another satellite's outnumber
// them in its archive.
TEST_F(PassLocatingTest, MeteorM22SetsAreFoundByTheirNumber) {
    settings.ForcedDirection = 2;
    const test::TElementLines own = test::MakeElementLines(44387, 2023, 123.4, 98.6, 150.0, 0.0, 14.21, 20000);
    std::string text = own.Line1 + "\n" + own.Line2 + "\n";
    for (const double day : {121.0, 122.0, 123.0}) {
        const test::TElementLines other = test::MakeElementLines(40069, 2023, day, 98.6, 30.0, 0.0, 14.21, 40000);
        text += other.Line1 + "\n" + other.Line2 + "\n";
    }
    WriteKeps("METEOR-M2-2.txt", text);
    test::TMeteorSpec meteor;
    meteor.Satellite = "METEOR-MN2-2";
    loader.LoadDataFile(Write("2023-05-03-1200_MN22.msu2", test::BuildMsu2File(test::THrptPassSpec(), meteor, Lines)));
    ASSERT_TRUE(state.Orbit->ElementsValid);
    EXPECT_EQ(state.Orbit->Satellite->CatalogNumber, "44387");
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "3 element sets of another satellite (catalogue number 40069"));

    // Without an archive, from a downloaded catalogue that names it "METEOR-M2 2".
    std::filesystem::remove(folder / "program" / "Keps" / "METEOR-M2-2.txt");
    const test::TElementLines other = test::MakeElementLines(40069, 2023, 123.4, 98.6, 30.0, 0.0, 14.21, 40000);
    const std::string catalogue =
        "METEOR-M2\n" + other.Line1 + "\n" + other.Line2 + "\nMETEOR-M2 2\n" + own.Line1 + "\n" + own.Line2 + "\n";
    std::filesystem::create_directories(folder / "tle");
    test::WriteFileBytes((folder / "tle" / "weather.txt").string(), test::TBytes(catalogue.begin(), catalogue.end()));
    state.Orbit->LoadSatelliteList((folder / "tle").string());
    loader.LoadDataFile(Write("2023-05-03-1200_MN22.msu2", test::BuildMsu2File(test::THrptPassSpec(), meteor, Lines)));
    ASSERT_TRUE(state.Orbit->ElementsValid);
    EXPECT_EQ(state.Orbit->Satellite->CatalogNumber, "44387");
    EXPECT_EQ(state.Orbit->MainElementSource, (folder / "tle").string() + "/weather.txt");
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

// A pass with a 10-second gap in its frames after line 120: the line just
// before the gap is located at its own time, not halfway across the gap.
TEST_F(PassLocatingTest, NoLineIsInterpolatedAcrossATimeGap) {
    WriteArchive("NOAA-18", 28654);
    settings.ForcedDirection = 2;
    constexpr int32_t GapAfter = 120;
    const test::THrptPassSpec before;  // 3 May 2023, 12:00
    test::THrptPassSpec after = before;
    after.StartMilliseconds += 10000;
    test::TBytes bytes = test::Build16BitHrptFile(before, Lines, false);
    const test::TBytes later = test::Build16BitHrptFile(after, Lines, false);
    const auto cut = static_cast<std::ptrdiff_t>(GapAfter * test::Hrpt16RecordBytes);
    std::copy(later.begin() + cut, later.end(), bytes.begin() + cut);
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", bytes));
    const TEarthLocations& locations = *state.EarthLocations;
    ASSERT_TRUE(locations.LocationsValid) << testing::PrintToString(state.DiagnosticLines);
    const test::TElementLines set = Noaa18Set();
    test::TPassGeometry beforeGap(set, before, 2023, 5, 3);
    test::TPassGeometry afterGap(set, after, 2023, 5, 3);
    for (const int32_t line : {GapAfter - 3, GapAfter - 2, GapAfter - 1, GapAfter, GapAfter + 1}) {
        const TGroundPoint predicted = (line < GapAfter ? beforeGap : afterGap).Line(line)[1024];
        const TAnchorLocation& located = locations.LineLocations(line)->Anchors[CentreAnchor];
        float km = 0, bearing = 0;
        GreatCircleDistance(located.Longitude, located.Latitude, predicted.Longitude, predicted.Latitude, km, bearing);
        EXPECT_LT(km, 0.1) << "line " << line;
    }
}

// Frames lost as a loss of signal loses them: 35 s or 100 s of a NOAA-18
// pass cut out before or after its middle. The lines on both sides of the
// gap lie where the set puts them at their own times, the gap is told and
// the pass's end lies beyond it; a lone line whose code agrees with neither
// neighbour is still re-timed.
TEST_F(PassLocatingTest, LinesBeyondALongGapKeepTheirOwnTimes) {
    constexpr int32_t PassLines = 600;
    const test::THrptPassSpec frames;  // 3 May 2023, 12:00
    test::TPassGeometry geometry = SouthboundNoaa18Noon();
    const auto expectLineAt = [&](int32_t stored, int32_t written) { ExpectLineShows(geometry, stored, written); };
    struct TGapCase {
        int32_t After;
        int32_t Frames;
        const char* Told;
    };
    for (const TGapCase gap : {TGapCase{99, 210, "The signal has a gap of 35.0 s after line 99"},
                               TGapCase{449, 210, "The signal has a gap of 35.0 s after line 449"},
                               TGapCase{99, 600, "The signal has a gap of 100.0 s after line 99"}}) {
        SCOPED_TRACE(gap.Told);
        test::TBytes bytes = test::Build16BitHrptFile(frames, PassLines + gap.Frames, false);
        const auto from = bytes.begin() + static_cast<std::ptrdiff_t>((gap.After + 1) * test::Hrpt16RecordBytes);
        bytes.erase(from, from + static_cast<std::ptrdiff_t>(gap.Frames * test::Hrpt16RecordBytes));
        loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", bytes));
        const TEarthLocations& locations = *state.EarthLocations;
        ASSERT_TRUE(locations.LocationsValid) << testing::PrintToString(state.DiagnosticLines);
        EXPECT_TRUE(test::Contains(state.DiagnosticLines, gap.Told)) << testing::PrintToString(state.DiagnosticLines);
        for (const int32_t line : {0, 1, gap.After - 1, gap.After, gap.After + 1, gap.After + 2, PassLines - 1})
            expectLineAt(line, line > gap.After ? line + gap.Frames : line);
        EXPECT_NEAR(locations.StartTime, EncodeDate(2023, 5, 3) + 0.5, 0.01 / SecsPerDay);
        const double seconds = (PassLines + gap.Frames) / 6.0;
        EXPECT_NEAR(locations.EndTime, EncodeDate(2023, 5, 3) + 0.5 + seconds / SecsPerDay, 0.01 / SecsPerDay);
    }

    // One line 40 s off among lines on time, before and after the line the
    // pass is timed from (the first timed line from its middle, 300): a
    // corrupt code, not a gap. A late one after it agrees with neither
    // neighbour (the last line has but one); kept, it would shift every
    // later line by 40 s. The last line has no later line to confirm its
    // slot: it looks like a lone line after a gap and is left unlocated.
    struct TStrayCase {
        int32_t Line;
        int64_t Milliseconds;  // how far its code is off
        bool Located;
    };
    for (const TStrayCase stray : {TStrayCase{100, 40000, true}, TStrayCase{100, -40000, true},
                                   TStrayCase{450, 40000, true}, TStrayCase{450, -40000, true},
                                   TStrayCase{599, 40000, false}}) {
        SCOPED_TRACE(testing::Message() << "line " << stray.Line << ", " << stray.Milliseconds << " ms");
        test::TBytes bytes = test::Build16BitHrptFile(frames, PassLines, false);
        test::THrptPassSpec off = frames;
        off.StartMilliseconds += stray.Milliseconds;
        const test::TBytes offBytes = test::Build16BitHrptFile(off, PassLines, false);
        const auto at = static_cast<std::ptrdiff_t>(stray.Line * test::Hrpt16RecordBytes);
        std::copy(offBytes.begin() + at, offBytes.begin() + at + test::Hrpt16RecordBytes, bytes.begin() + at);
        loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", bytes));
        ASSERT_TRUE(state.EarthLocations->LocationsValid);
        for (const int32_t line : {stray.Line - 1, stray.Line, stray.Line + 1, PassLines - 1})
            if (line < PassLines && (stray.Located || line != stray.Line)) expectLineAt(line, line);
        EXPECT_FALSE(test::Contains(state.DiagnosticLines, "The signal has a gap"));
        const int32_t linesTimed = stray.Located ? PassLines : PassLines - 1;
        EXPECT_NEAR(state.EarthLocations->EndTime, EncodeDate(2023, 5, 3) + 0.5 + linesTimed / 6.0 / SecsPerDay,
                    0.01 / SecsPerDay);
    }
}

// Two good lines between losses of signal, as a station records them: two
// lines before a 40 s gap at the start, two after one at the end, two
// between two gaps of 35 s. Two lines one scan period apart agree with each
// other and keep their times, each gap is told on its own, and the pass
// runs from its first line's time to its last line's, as its log says.
TEST_F(PassLocatingTest, TwoLinesBetweenLossesOfSignalKeepTheirTimes) {
    constexpr int32_t PassLines = 600;
    const test::THrptPassSpec frames;  // 3 May 2023, 12:00
    test::TPassGeometry geometry = SouthboundNoaa18Noon();
    struct TTwoLinesCase {
        const char* Name;
        std::vector<TLost> Lost;
        std::vector<std::string> Told;
        std::vector<std::pair<int32_t, int32_t>> Lines;  // line of the pass, frame it shows
        const char* Logged;                              // the pass log's times
    };
    const std::vector<TTwoLinesCase> cases = {
        {"two lines, then 40 s lost", {{2, 241}}, {"The signal has a gap of 40.0 s after line 1"},
         {{0, 0}, {1, 1}, {2, 242}, {599, 839}}, "; 12:00-12:02; "},
        {"40 s lost, then two lines", {{598, 837}}, {"The signal has a gap of 40.0 s after line 597"},
         {{0, 0}, {597, 597}, {598, 838}, {599, 839}}, "; 12:00-12:02; "},
        {"two lines between two gaps of 35 s", {{200, 409}, {412, 621}},
         {"The signal has a gap of 35.0 s after line 199", "The signal has a gap of 35.0 s after line 201"},
         {{199, 199}, {200, 410}, {201, 411}, {202, 622}, {599, 1019}}, "; 12:00-12:02; "},
    };
    for (const TTwoLinesCase& lines : cases) {
        SCOPED_TRACE(lines.Name);
        int32_t written = PassLines;
        for (const TLost& lost : lines.Lost) written += lost.Last + 1 - lost.First;
        const test::TBytes bytes = RecordingWithout(StationFormats().front(), frames, written, lines.Lost);
        loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", bytes));
        const TEarthLocations& locations = *state.EarthLocations;
        ASSERT_TRUE(locations.LocationsValid) << testing::PrintToString(state.DiagnosticLines);
        for (const std::string& told : lines.Told)
            EXPECT_TRUE(test::Contains(state.DiagnosticLines, told)) << told;
        // The gaps in the order of their lines, as the diagnostics read from the start.
        std::vector<std::string> gapsTold;
        for (const std::string& line : state.DiagnosticLines)
            if (line.starts_with("The signal has a gap")) gapsTold.push_back(line);
        EXPECT_EQ(gapsTold, lines.Told);
        for (const auto& [line, frame] : lines.Lines) ExpectLineShows(geometry, line, frame);
        EXPECT_NEAR(locations.StartTime, EncodeDate(2023, 5, 3) + 0.5, 0.01 / SecsPerDay);
        EXPECT_NEAR(locations.EndTime, EncodeDate(2023, 5, 3) + 0.5 + written / 6.0 / SecsPerDay, 0.01 / SecsPerDay);
        EXPECT_NE(state.PassDescription.find(lines.Logged), std::string::npos) << state.PassDescription;
    }
}

// A line that no neighbour confirms, as a station's loss of signal leaves
// it, in each station format: alone at the start or the end of the pass
// beside a gap it is left without location and said so, with the gap its
// code would open; alone in order between two gaps it keeps its own time and
// both gaps are told. The pass log's times and corners are those of the
// first and last located lines at their own times: a pass whose first line
// was recorded at 12:00:00.000 is logged from 12:00. A row left without
// location carries no overlay and no located value.
TEST_F(PassLocatingTest, ALoneLineIsPlacedOnlyAtItsOwnTime) {
    const test::THrptPassSpec frames;  // 3 May 2023, 12:00
    test::TPassGeometry geometry = SouthboundNoaa18Noon();
    struct TLoneCase {
        const char* Name;
        int32_t Written;  // frames of the recording
        std::vector<TLost> Lost;
        std::vector<std::string> Told;
        std::vector<std::pair<int32_t, int32_t>> Lines;  // located line, frame it shows
        int32_t Unlocated;                               // -1: none
        const char* Start;                               // first located line's time
        const char* Logged;
        std::vector<std::pair<int32_t, int32_t>> Repeated = {};  // frame, frame it repeats
    };
    const std::vector<TLoneCase> cases = {
        {"line 0 alone, then 40 s", 840, {{1, 240}},
         {"Line 0's time code 12:00:00.000 (a gap of 40.0 s after line 0) is confirmed by no neighbouring line: the "
          "line is left without earth location"},
         {{1, 241}, {2, 242}, {599, 839}}, 0, "12:00:40.167", "; 12:00-12:02; "},
        {"line 0 alone, then 300 s", 2400, {{1, 1800}},
         {"Line 0's time code 12:00:00.000 (a gap of 300.0 s after line 0) is confirmed by no neighbouring line: the "
          "line is left without earth location"},
         {{1, 1801}, {599, 2399}}, 0, "12:05:00.167", "; 12:05-12:06; "},
        {"40 s, then the last line alone", 840, {{598, 838}},
         {"Line 598's time code 12:02:19.833 (a gap of 40.2 s after line 597) is confirmed by no neighbouring line: "
          "the line is left without earth location"},
         {{0, 0}, {597, 597}}, 598, "12:00:00.000", "; 12:00-12:01; "},
        {"one line between gaps of 35 s and 100 s", 1410, {{200, 409}, {411, 1010}},
         {"The signal has a gap of 35.0 s after line 199", "The signal has a gap of 100.0 s after line 200"},
         {{199, 199}, {200, 410}, {201, 1011}, {599, 1409}}, -1, "12:00:00.000", "; 12:00-12:03; "},
        {"two lines between gaps of 35 s and 100 s", 1410, {{100, 309}, {312, 911}},
         {"The signal has a gap of 35.0 s after line 99", "The signal has a gap of 100.0 s after line 101"},
         {{0, 0}, {100, 310}, {101, 311}, {102, 912}}, -1, "12:00:00.000", "; 12:00-12:03; "},
        {"five lines between gaps of 20 s", 840, {{100, 219}, {225, 344}},
         {"The signal has a gap of 20.0 s after line 99", "The signal has a gap of 20.0 s after line 104"},
         {{0, 0}, {100, 220}, {104, 224}, {105, 345}}, -1, "12:00:00.000", "; 12:00-12:02; "},
        {"45 s lost across the middle line", 870, {{300, 569}}, {"The signal has a gap of 45.0 s after line 299"},
         {{0, 0}, {299, 299}, {300, 570}, {599, 869}}, -1, "12:00:00.000", "; 12:00-12:02; "},
        {"the middle line repeats the next", 600, {}, {}, {{299, 299}, {300, 300}, {301, 301}, {599, 599}}, -1,
         "12:00:00.000", "; 12:00-12:01; ", {{300, 301}}},
        {"the first line's code two periods early", 602, {{0, 1}},
         {"Line 0's time code 12:00:00.000 is confirmed by no neighbouring line: the line is left without earth "
          "location"},
         {{1, 3}, {599, 601}}, 0, "12:00:00.500", "; 12:00-12:01; ", {{2, 0}}},
        {"the last line's code two periods late", 602, {{600, 601}},
         {"Line 599's time code 12:01:40.167 is confirmed by no neighbouring line: the line is left without earth "
          "location"},
         {{0, 0}, {598, 598}}, 599, "12:00:00.000", "; 12:00-12:01; ", {{599, 601}}},
        {"10 s lost before the middle line, which repeats the next", 660, {{300, 359}},
         {"The signal has a gap of 10.0 s after line 299",
          "Line 300's time code 12:01:00.167 is confirmed by no neighbouring line: the line is left without earth "
          "location"},
         {{0, 0}, {299, 299}, {301, 361}, {599, 659}}, 300, "12:00:00.000", "; 12:00-12:01; ", {{360, 361}}},
        {"one frame lost after line 100", 601, {{101, 101}}, {}, {{100, 100}, {101, 102}, {599, 600}}, -1,
         "12:00:00.000", "; 12:00-12:01; "},
        {"lines 297 to 299 carry codes 2 s on", 600, {}, {}, {{296, 296}, {297, 297}, {299, 299}, {300, 300}}, -1,
         "12:00:00.000", "; 12:00-12:01; ", {{297, 309}, {298, 310}, {299, 311}}},
        {"the middle lines carry codes 60 s on", 700, {{600, 699}}, {}, {{298, 298}, {299, 299}, {301, 301}, {599, 599}},
         -1, "12:00:00.000", "; 12:00-12:01; ", {{299, 659}, {300, 660}, {301, 661}}},
        {"lines 200 and 201 carry codes 60 s on before 10 s lost", 660, {{202, 261}},
         {"The signal has a gap of 10.0 s after line 199",
          "Lines 200 to 201 carry time codes from 12:01:33.333 to 12:01:33.500 that agree with each other but not with "
          "the lines around them: the lines are left without earth location"},
         {{0, 0}, {199, 199}, {599, 659}, {202, 262}}, 200, "12:00:00.000", "; 12:00-12:01; ", {{200, 560}, {201, 561}}},
    };
    for (const TStationFormat& format : StationFormats()) {
        for (const TLoneCase& pass : cases) {
            SCOPED_TRACE(testing::Message() << format.Name << ": " << pass.Name);
            LoadRecording(format, RecordingWithout(format, frames, pass.Written, pass.Lost, pass.Repeated));
            const TEarthLocations& locations = *state.EarthLocations;
            ASSERT_TRUE(locations.MapFitted) << testing::PrintToString(state.DiagnosticLines);
            std::vector<std::string> told;
            for (const std::string& line : state.DiagnosticLines)
                if (line.starts_with("The signal has a gap") || line.starts_with("Line ") || line.starts_with("Lines "))
                    told.push_back(line);
            EXPECT_EQ(told, pass.Told);
            EXPECT_TRUE(state.PassDescription.ends_with("; S")) << state.PassDescription;
            for (const auto& [line, frame] : pass.Lines) ExpectLineShows(geometry, line, frame);
            EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", locations.StartTime), pass.Start);
            EXPECT_NE(state.PassDescription.find(pass.Logged), std::string::npos) << state.PassDescription;
            // The corners logged are the first and last located lines' own,
            // every one of the six (latitudes, then longitudes, at the
            // line's start, centre and end).
            const int32_t first = pass.Unlocated == 0 ? 1 : 0;
            const int32_t last = locations.LineCount() - (pass.Unlocated == locations.LineCount() - 1 ? 2 : 1);
            for (const auto& [corners, line] : {std::pair{locations.FirstLineCorners, first},
                                                std::pair{locations.LastLineCorners, last}}) {
                const TScanLineLocations& record = *locations.LineLocations(line);
                EXPECT_EQ(corners, (TLineCorners{record.Anchors[0].Latitude, record.Anchors[25].Latitude,
                                                 record.Anchors[50].Latitude, record.Anchors[0].Longitude,
                                                 record.Anchors[25].Longitude, record.Anchors[50].Longitude}))
                    << "line " << line;
                EXPECT_NE(record.Anchors[CentreAnchor].Latitude, 0.0f) << "line " << line;
            }
            if (pass.Unlocated < 0) continue;
            EXPECT_TRUE(locations.LineWithoutLocation(pass.Unlocated));
            // The ground of the frame next to the located neighbour, outwards,
            // is where the map fitted on the other lines puts this row: no
            // overlay point may land on it, for the row shows other ground.
            const auto [beside, frame] = pass.Unlocated == 0 ? pass.Lines.front() : pass.Lines.back();
            const int32_t outwards = pass.Unlocated < beside ? -1 : 1;
            for (const int32_t column : {100, 1024, 1900}) {
                const TGroundPoint point = geometry.Line(frame + outwards)[static_cast<size_t>(column)];
                int x = 0, y = 0;
                const bool placed = state.WarpedMapping->LatLonToXY(x, y, static_cast<float>(point.Longitude),
                                                                   static_cast<float>(point.Latitude));
                EXPECT_FALSE(placed && y == pass.Unlocated) << column << " at " << x << "," << y;
            }
        }
    }
}

// The pass log's times are the first and last located lines' own: a pass
// recorded from 12:00:00.000 to 12:08:19.833 is logged 12:00-12:08 whatever
// it lost in between, never from a start counted back across the gaps.
TEST_F(PassLocatingTest, ThePassLogRunsFromTheFirstLinesTimeToTheLastLines) {
    constexpr int32_t Written = 3000;
    const test::THrptPassSpec frames;  // 3 May 2023, 12:00
    SouthboundNoaa18Noon();
    struct TLogCase {
        const char* Name;
        std::vector<TLost> Lost;
    };
    for (const TLogCase& pass : {TLogCase{"whole", {}}, TLogCase{"35 s, 2 lines, 100 s", {{1000, 1209}, {1212, 1811}}},
                                 TLogCase{"20 s, 5 lines, 20 s", {{1000, 1119}, {1125, 1244}}}}) {
        SCOPED_TRACE(pass.Name);
        LoadRecording(StationFormats().front(), RecordingWithout(StationFormats().front(), frames, Written, pass.Lost));
        const TEarthLocations& locations = *state.EarthLocations;
        ASSERT_TRUE(locations.MapFitted) << testing::PrintToString(state.DiagnosticLines);
        EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", locations.StartTime), "12:00:00.000");
        EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", locations.EndTime), "12:08:20.000");
        EXPECT_NE(state.PassDescription.find("; 12:00-12:08; "), std::string::npos) << state.PassDescription;
    }
}

// The map drawn over a pass with 35 s of frames lost after line 199 (the
// coastlines, borders and grid go through it): ground seen on either side of
// the gap lands on the pixel that shows it, ground the receiver never saw is
// not on the image, and turning the pass round keeps both true.
TEST_F(PassLocatingTest, TheMapLiesOnTheGroundOnBothSidesOfAGap) {
    WriteArchive("NOAA-18", 28654);
    constexpr int32_t PassLines = 600, LostAfter = 199, Lost = 210;
    const test::THrptPassSpec frames;  // 3 May 2023, 12:00
    test::TPassGeometry geometry = Noaa18NoonGeometry();
    test::TBytes bytes = test::Build16BitHrptFile(frames, PassLines + Lost, false);
    const auto from = bytes.begin() + static_cast<std::ptrdiff_t>((LostAfter + 1) * test::Hrpt16RecordBytes);
    bytes.erase(from, from + static_cast<std::ptrdiff_t>(Lost * test::Hrpt16RecordBytes));
    const std::string file = Write("2023-05-03-1200_NOAA18.raw16", bytes);
    for (const bool turned : {false, true}) {
        SCOPED_TRACE(turned ? "turned round" : "as received");
        settings.ForcedDirection = turned ? 1 : 2;
        loader.LoadDataFile(file);
        ASSERT_TRUE(state.EarthLocations->MapFitted) << testing::PrintToString(state.DiagnosticLines);
        EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", state.EarthLocations->StartTime), "12:00:00.000");
        for (int32_t written = 2; written < PassLines + Lost; written += 9) {
            const bool seen = written < LostAfter || written > LostAfter + Lost + 1;
            const bool neverSeen = written > LostAfter + 1 && written < LostAfter + Lost;
            const int32_t row = written > LostAfter ? written - Lost : written;
            for (const int32_t column : {60, 1024, 1990}) {
                const TGroundPoint point = geometry.Line(written)[static_cast<size_t>(column)];
                int x = 0, y = 0;
                const bool placed = state.WarpedMapping->LatLonToXY(x, y, static_cast<float>(point.Longitude),
                                                                   static_cast<float>(point.Latitude));
                if (neverSeen) {
                    EXPECT_FALSE(placed) << written << " " << column << " at " << x << "," << y;
                }
                if (!seen) continue;
                ASSERT_TRUE(placed) << written << " " << column;
                EXPECT_NEAR(x, turned ? 2047 - column : column, 2) << written << " " << column;
                EXPECT_NEAR(y, turned ? PassLines - 1 - row : row, 1) << written << " " << column;
            }
        }
    }
}

// A pass shown turned round is checked round its reference line where it
// now stands: the line recorded before it, after 10 s lost and carrying the
// reference line's code, is left without location and is no centre of the pass.
TEST_F(PassLocatingTest, ATurnedPassIsCheckedRoundItsReferenceLine) {
    SouthboundNoaa18Noon();
    settings.ForcedDirection = 1;
    const TStationFormat format = StationFormats().front();
    LoadRecording(format, RecordingWithout(format, test::THrptPassSpec{}, 660, {{299, 358}}, {{359, 360}}));
    ASSERT_TRUE(state.EarthLocations->MapFitted) << testing::PrintToString(state.DiagnosticLines);
    EXPECT_TRUE(state.EarthLocations->LineWithoutLocation(300));
}

// A pass dated by its file is first taken as northbound and turned back
// when its locations say southbound: it lies exactly where the same frames
// lie when a name dates the pass and tells its direction.
TEST_F(PassLocatingTest, APassTurnedBackLiesAsTheSameFramesReadAsANamedPass) {
    WriteArchive("NOAA-18", 28654);
    settings.ForcedDirection = 0;
    const test::TBytes bytes = test::Build16BitHrptFile(test::THrptPassSpec{}, Lines, false);
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", bytes));
    ASSERT_TRUE(state.EarthLocations->LocationsValid);
    ASSERT_FALSE(state.Northbound);
    const std::vector<TScanLineLocations> named = Locations();
    const std::string path = Write("hrpt_pass.raw16", bytes);
    SetFileDateTime(path, EncodeDate(2023, 5, 3) + EncodeTime(12, 5, 0, 0));
    loader.LoadDataFile(path);
    ASSERT_TRUE(test::Contains(state.DiagnosticLines, "The pass was read as northbound, but its earth locations show "
                                                      "it southbound: it has been turned round"));
    ExpectSameLocations(named, Locations());
}

// Whatever a pass was first taken as, its frames give the same picture: a
// pass dated by its file, read northbound and turned back, has the stretches
// of the same frames read southbound as a named pass (the false colour
// picture is drawn through them).
TEST_F(PassLocatingTest, APassTurnedBackIsStretchedAsTheSameFramesReadAsANamedPass) {
    constexpr int32_t PassLines = 600;  // the histograms sample every 13th line
    WriteArchive("NOAA-18", 28654);
    settings.ForcedDirection = 0;
    const test::THrptPassSpec frames;
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", test::Build16BitHrptFile(frames, PassLines, false)));
    ASSERT_FALSE(state.Northbound);
    std::vector<TCountTable> named;
    for (int channel = 1; channel <= 5; ++channel) named.push_back(*state.Video->EqualisedStretch(channel, 3.0f));
    struct TTurnedCase {
        const char* Name;
        test::TBytes Bytes;
    };
    for (const TTurnedCase& turned : {TTurnedCase{"hrpt_pass.raw16", test::Build16BitHrptFile(frames, PassLines, false)},
                                      TTurnedCase{"station_pass.drt", test::BuildDartcomFile(frames, PassLines, false)}}) {
        SCOPED_TRACE(turned.Name);
        const std::string path = Write(turned.Name, turned.Bytes);
        SetFileDateTime(path, EncodeDate(2023, 5, 3) + EncodeTime(12, 0, 0, 0));
        loader.LoadDataFile(path);
        ASSERT_TRUE(test::Contains(state.DiagnosticLines, "The pass was read as northbound, but its earth locations show "
                                                          "it southbound: it has been turned round"));
        for (int channel = 1; channel <= 5; ++channel)
            EXPECT_EQ(*state.Video->EqualisedStretch(channel, 3.0f), named[static_cast<size_t>(channel - 1)]) << channel;
    }
}

}  // namespace
}  // namespace kestrune
