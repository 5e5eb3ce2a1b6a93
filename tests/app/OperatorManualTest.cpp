// What the README's operator's manual and the help pages tell a station
// operator, held against the files and lines the built program really
// leaves: each test runs kestrune as the manual says and reads its output.
#include "tests/app/EndToEndRun.h"

#include "render/BMPExtImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using testing::Base;
using testing::LinesHolding;
using testing::LinesOf;
using testing::PassLines;
using testing::PassWidth;
using testing::TRunResult;
using testing::TTempFolder;
using std::chrono::steady_clock;

constexpr const char* Raw16Name = "2023-05-03-1200-NOAA18.raw16";
constexpr const char* Raw16Base = "2023-05-03-1200-NOAA18";

// Little-endian 16-bit words of a raster product.
std::vector<uint16_t> Words(const std::string& file) {
    const std::string bytes = TTempFolder::Read(file);
    std::vector<uint16_t> words(bytes.size() / 2);
    for (size_t k = 0; k < words.size(); ++k)
        words[k] = static_cast<uint16_t>(static_cast<uint8_t>(bytes[2 * k]) | static_cast<uint8_t>(bytes[2 * k + 1]) << 8);
    return words;
}

// Latitudes of the first and last record of a ".lcn" file: 51 pairs of
// little-endian floats a line, latitude first.
std::pair<float, float> FirstAndLastLatitude(const std::string& file) {
    constexpr size_t Record = 51 * 2 * sizeof(float);
    const std::string bytes = TTempFolder::Read(file);
    if (bytes.size() < Record) return {0.0f, 0.0f};
    float first = 0.0f, last = 0.0f;
    std::memcpy(&first, bytes.data(), sizeof(float));
    std::memcpy(&last, bytes.data() + bytes.size() - Record, sizeof(float));
    return {first, last};
}

// The line of processed.lst that names the pass.
std::string LineOf(const std::string& processed, const std::string& passName) {
    for (const std::string& line : LinesOf(processed))
        if (line.rfind(passName + ";", 0) == 0) return line;
    return {};
}

class OperatorManualTest : public testing::TEndToEndRun {
protected:
    // A 16-bit station pass named as such stations name them, located from
    // the Keps/ archive: mean anomaly 131.5 at the epoch carries the
    // satellite northwards over 2023-05-03 12:00, 0.0 southwards.
    std::string WriteRaw16Pass(double meanAnomaly) {
        const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, meanAnomaly, 14.125, 30000);
        folder.Write("program/Keps/NOAA-18.txt", set.Line1 + "\n" + set.Line2 + "\n");
        const std::string file = Data(Raw16Name);
        test::WriteFileBytes(file, test::Build16BitHrptFile(passSpec, PassLines, false));
        return file;
    }

    // The sample a product's first pixel holds when the pass is turned
    // north up: the last recorded line's last pixel.
    uint16_t LastRecordedSample(int channel) const {
        return static_cast<uint16_t>(passSpec.Samples(PassLines - 1, channel, PassWidth - 1) & 1023);
    }
    uint16_t FirstRecordedSample(int channel) const {
        return static_cast<uint16_t>(passSpec.Samples(0, channel, 0) & 1023);
    }

    std::string Processed() const { return TTempFolder::Read(folder / "program/processed.lst"); }
};

// Channel 4 bright in the first 20 recorded lines' first 200 pixels, dark elsewhere.
uint16_t CornerSample(int32_t line, int channel, int32_t sample) {
    if (channel == 4 && line < 20 && sample < 200) return 900;
    return testing::SeaSample(line, channel, sample);
}

// A northbound pass is turned 180 degrees, north up: the rasters, the ".lcn"
// records and the images hold the last recorded line first, its pixels
// reversed; "N" in processed.lst says so. A southbound pass stays as recorded.
TEST_F(OperatorManualTest, ANorthboundPassIsTurnedNorthUp) {
    passSpec.Samples = CornerSample;
    for (const bool northbound : {true, false}) {
        SCOPED_TRACE(northbound ? "northbound" : "southbound");
        const std::string file = WriteRaw16Pass(northbound ? 131.5 : 0.0);
        const std::string out = folder / (northbound ? "out/north/" : "out/south/");
        const TRunResult run = RunWith({file, "-OUTPUT:" + out, "-CH4:c.bmp", "-GROUPA:"});
        ASSERT_EQ(run.Status, 0) << Log();
        const std::string line = LineOf(Processed(), Raw16Base);
        ASSERT_EQ(line.rfind(std::string(Raw16Base) + "; NOAA-18; 2023-05-03; 12:00-", 0), 0u) << line;
        EXPECT_EQ(line.back(), northbound ? 'N' : 'S') << line;

        const std::vector<uint16_t> raw = Words(out + Raw16Base + "-4.raw");
        ASSERT_EQ(raw.size(), static_cast<size_t>(PassLines) * PassWidth);
        EXPECT_EQ(raw.front(), northbound ? LastRecordedSample(4) : FirstRecordedSample(4));
        EXPECT_EQ(raw.back(), northbound ? FirstRecordedSample(4) : LastRecordedSample(4));

        EXPECT_EQ(fs::file_size(out + Raw16Base + ".lcn"), static_cast<uintmax_t>(PassLines) * 408);
        const auto [first, last] = FirstAndLastLatitude(out + Raw16Base + ".lcn");
        EXPECT_GT(first, last) << "the first record lies north of the last";

        TExtBitmap image;
        image.LoadFromFile(out + Raw16Base + "-c4.bmp");
        ASSERT_EQ(image.Width(), PassWidth);
        const auto grey = [&](int x, int y) { return image.ScanLine(y)[3 * x]; };
        const int corner = northbound ? grey(PassWidth - 5, PassLines - 5) : grey(5, 5);
        const int opposite = northbound ? grey(5, 5) : grey(PassWidth - 5, PassLines - 5);
        EXPECT_NE(corner, opposite) << "the first recorded pixels are drawn where the pass began";
        EXPECT_EQ(corner, northbound ? grey(PassWidth - 100, PassLines - 10) : grey(100, 10));
    }
}

// Without element sets nothing tells the direction: every pass is taken as
// northbound and turned, so a southbound one shows upside down. Such a pass
// has no earth locations and gets no line in processed.lst.
TEST_F(OperatorManualTest, WithoutElementSetsAPassIsTakenAsNorthbound) {
    test::WriteFileBytes(pass, test::BuildWsdFile(passSpec, PassLines, "", ""));
    const TRunResult run = Run({"-OUTPUT:" + (folder / "out/"), "-GROUPA:"});
    EXPECT_EQ(run.Status, 3) << "no SST can be given: " << Log();
    EXPECT_EQ(LinesHolding(LinesOf(Log()), "The pass is not located"), 1) << Log();
    const std::vector<uint16_t> raw = Words(Out(Base + std::string("-4.raw")));
    ASSERT_EQ(raw.size(), static_cast<size_t>(PassLines) * PassWidth);
    EXPECT_EQ(raw.front(), LastRecordedSample(4));
    EXPECT_EQ(raw.back(), FirstRecordedSample(4));
    EXPECT_EQ(LinesHolding(LinesOf(Processed()), Base), 0) << Processed();

    // Given as southbound, it keeps the order it was recorded in.
    ASSERT_EQ(RunWith({pass, "-DIRECTION:SOUTH", "-OUTPUT:" + (folder / "out/"), "-GROUPA:"}).Status, 3) << Log();
    EXPECT_EQ(Words(Out(Base + std::string("-4.raw"))).front(), FirstRecordedSample(4));
}

// Of the date a name gives, only the year is used; the day and the time of
// day come from the frames (recorded on day 123 from 12:00).
TEST_F(OperatorManualTest, OnlyTheYearComesFromTheName) {
    const std::string frames = TTempFolder::Read(pass);
    for (const auto& [name, dated] : {std::pair{"230610_0800_noaa18", "2023-05-03; 12:00-"},
                                      std::pair{"240610_0800_noaa18", "2024-05-02; 12:00-"}}) {
        const std::string renamed = folder.Write("data/" + std::string(name) + ".wsd", frames);
        ASSERT_EQ(RunWith({renamed, "-DIAGNOSTICS:", "-CLOSE"}).Status, 0) << Log();
        EXPECT_EQ(LineOf(Processed(), name).rfind(std::string(name) + "; NOAA-18; " + dated, 0), 0u) << Processed();
    }
}

// processed.lst, the diagnostics, the fire list, the debug log, the
// satellite's parameter file end every line in CR LF.
TEST_F(OperatorManualTest, TextFilesEndTheirLinesInCrLf) {
    const TRunResult run = Run({"-OUTPUT:" + (folder / "out/"), "-DIAGNOSTICS:", "-FIRETEXT:", "-debug", "-CLOSE"});
    ASSERT_EQ(run.Status, 0) << Log();
    for (const std::string& file :
         {folder / "program/processed.lst", Out(Base + std::string("_diag.txt")), Out(Base + std::string(".fire.txt")),
          folder / "program/HHDebug.txt", folder / "program/NOAA-18.ini"}) {
        SCOPED_TRACE(file);
        const std::string text = TTempFolder::Read(file);
        ASSERT_NE(text.find("\r\n"), std::string::npos) << text;
        for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
            ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << "a bare line feed at " << at;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    }
}

// The SST raster has no land mask: with the view's "Land mask" ticked the
// picture greys the land of the scene (south-east Asia) but the raster stays
// the same, sea-surface temperatures over land and sea alike wherever the
// split window gives one.
TEST_F(OperatorManualTest, TheSstRasterHasNoLandMask) {
    const fs::path built = fs::path(ExecutablePath()).parent_path() / ".." / "app" / "OdpsLandMask.dat";
    std::error_code error;
    fs::create_hard_link(built, folder / "program/OdpsLandMask.dat", error);
    if (error) fs::copy_file(built, folder / "program/OdpsLandMask.dat");
    const auto runWithMask = [&](int ticked, const std::string& out) {
        ProgramKey().WriteInteger("SstLandSeaMask", ticked);
        return Run({"-OUTPUT:" + (folder / out), "-GROUPA:"}).Status;
    };
    ASSERT_EQ(runWithMask(1, "out/masked/"), 0) << Log();
    ASSERT_EQ(runWithMask(0, "out/plain/"), 0) << Log();
    const std::string sst = Base + std::string(".sst");
    const std::string image = Base + std::string("-st.bmp");
    EXPECT_FALSE(SameContent(Out("masked/" + image), Out("plain/" + image)))
        << "the view's land mask was in force";
    EXPECT_TRUE(SameContent(Out("masked/" + sst), Out("plain/" + sst)));
    const std::vector<uint16_t> words = Words(Out("masked/" + sst));
    EXPECT_GT(std::count(words.begin(), words.end(), uint16_t{9000}), 0) << "the scan's edges are too slanted";
    // The clear sea of the pass: 5 to 25 C, tenths plus 10000.
    std::vector<uint16_t> values;
    std::copy_if(words.begin(), words.end(), std::back_inserter(values), [](uint16_t word) { return word != 9000; });
    ASSERT_GT(values.size(), words.size() / 4);
    EXPECT_GE(*std::min_element(values.begin(), values.end()), 10000);
    EXPECT_LE(*std::max_element(values.begin(), values.end()), 10300);
}

// 65535 is the no-data word: it stands in ".t3.alb" on every line whose
// channel 3 is thermal (3B), and in no other raster of such a pass.
TEST_F(OperatorManualTest, TheNoDataWordStandsOnlyForChannel3OfTheOtherKind) {
    ASSERT_EQ(Run({"-OUTPUT:" + (folder / "out/"), "-GROUPB:"}).Status, 0) << Log();
    for (const char* raster : {".t1.alb", ".t2.alb", ".t3.alb", ".t3.bt", ".t4.bt", ".t5.bt", ".sst"}) {
        SCOPED_TRACE(raster);
        const std::vector<uint16_t> words = Words(Out(Base + std::string(raster)));
        ASSERT_EQ(words.size(), static_cast<size_t>(PassLines) * PassWidth);
        const auto blank = std::count(words.begin(), words.end(), uint16_t{65535});
        EXPECT_EQ(blank, std::string(raster) == ".t3.alb" ? static_cast<long>(words.size()) : 0L);
    }
}

// An SST palette is a text file of 256 lines "r,g,b", named between the
// keyword and the colon ("-SSTwarm.pal:s.bmp") as written or in the
// program's folder; a file of another length is no palette. The vegetation
// palette is named the same way.
TEST_F(OperatorManualTest, PaletteItemsNameTheirFileBeforeTheColon) {
    std::string warm, shortOne;
    for (int i = 0; i < 256; ++i) warm += std::to_string(i) + "," + std::to_string(255 - i) + ",0\r\n";
    for (int i = 0; i < 255; ++i) shortOne += "0,0," + std::to_string(i) + "\r\n";
    folder.Write("program/warm.pal", warm);
    const std::string asWritten = folder.Write("palettes/warm.pal", warm);
    folder.Write("program/short.pal", shortOne);
    std::string greens = "JASC-PAL\r\n0100\r\n256\r\n";
    for (int i = 0; i < 256; ++i) greens += "0 " + std::to_string(i) + " 0\r\n";
    folder.Write("program/green.pal", greens);
    const std::string out = folder / "out/";
    // A palette once loaded stays for the rest of the run: each form runs on its own.
    const auto runOf = [&](std::vector<std::string> items) {
        items.push_back("-CLOSE");
        return Run(items).Status;
    };
    ASSERT_EQ(runOf({"-OUTPUT:" + out + "plain", "-SST(0,27):s.bmp", "-NDVI:n.bmp"}), 0) << Log();
    ASSERT_EQ(runOf({"-OUTPUT:" + out + "named", "-SSTwarm.pal:s.bmp", "-NDVIgreen.pal:n.bmp"}), 0) << Log();
    ASSERT_EQ(runOf({"-OUTPUT:" + out + "path", "-SST" + asWritten + ":s.bmp"}), 0) << Log();
    // A file of 255 lines is no palette: told, and the SST view keeps its own colours.
    ASSERT_EQ(runOf({"-OUTPUT:" + out + "short", "-SSTshort.pal:s.bmp"}), 4) << Log();
    EXPECT_FALSE(SameContent(out + "plain-st.bmp", out + "named-st.bmp"));
    EXPECT_TRUE(SameContent(out + "named-st.bmp", out + "path-st.bmp"));
    EXPECT_FALSE(SameContent(out + "plain-vg.bmp", out + "named-vg.bmp"));
    EXPECT_TRUE(SameContent(out + "plain-st.bmp", out + "short-st.bmp"));
}

// Setting QT_QPA_PLATFORM=offscreen by hand names a platform: the run no
// longer ends by itself after its items, only with "-CLOSE" or a group.
TEST_F(OperatorManualTest, OffscreenSetByHandTurnsOffTheAutomaticEnd) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string image = Data(Base + std::string("-fc.jpg"));
    std::optional<steady_clock::time_point> written;
    const TRunResult run = Run({"-FC:x.jpg"}, [&] {
        if (!written && FileExists(image)) written = steady_clock::now();
        return written && steady_clock::now() - *written > std::chrono::seconds(3);
    });
    EXPECT_TRUE(run.Stopped) << "the run ended by itself: " << run.Status << Log();
    EXPECT_TRUE(written.has_value());
    EXPECT_EQ(Run({"-FC:x.jpg", "-CLOSE"}).Status, 0) << Log();
}

// Sets of an archive are put in order of epoch; from the third set on, a
// set whose revolution number is lower than the last kept one's is dropped.
// The second set is never dropped, whatever its number.
TEST_F(OperatorManualTest, TheArchiveRevolutionRuleStartsAtTheThirdSet) {
    const auto setText = [](double day, int revolution) {
        const test::TElementLines set = test::MakeElementLines(28654, 2023, day, 98.9, 150.0, 0.0, 14.125, revolution);
        return set.Line1 + "\n" + set.Line2 + "\n";
    };
    const std::string bare = Data("230503_1200_noaa18.wsd");
    test::WriteFileBytes(bare, test::BuildWsdFile(passSpec, PassLines, "", ""));
    const auto ageTold = [&](const std::string& archive) {
        folder.Write("program/Keps/NOAA-18.txt", archive);
        EXPECT_EQ(RunWith({bare, "-DIAGNOSTICS:", "-CLOSE"}).Status, 0) << Log();
        const std::vector<std::string> lines = LinesOf(TTempFolder::Read(Data(Base + std::string("_diag.txt"))));
        for (const std::string& line : lines)
            if (line.find("days stale - OK") != std::string::npos) return line.substr(line.find("only ") + 5);
        return std::string("none");
    };
    // The pass is at day 123.5: sets at 120.5, 123.0 and 123.3 are 3.0, 0.5 and 0.2 days off.
    EXPECT_EQ(ageTold(setText(120.5, 30000) + setText(123.0, 29000) + setText(123.3, 28500)),
              "0.5 days stale - OK");
    EXPECT_EQ(ageTold(setText(120.5, 30000) + setText(123.0, 30014) + setText(123.3, 30018)),
              "0.2 days stale - OK");
    // Out of order in the file, in order of epoch: nothing is dropped.
    EXPECT_EQ(ageTold(setText(123.3, 30018) + setText(120.5, 30000) + setText(123.0, 30014)),
              "0.2 days stale - OK");
}

// The value at a fraction (0..1) of the way through the sorted words.
double Celsius(std::vector<uint16_t> words, double fraction) {
    if (words.empty()) return 0.0;
    const auto at = words.begin() + static_cast<std::ptrdiff_t>(fraction * static_cast<double>(words.size() - 1));
    std::nth_element(words.begin(), at, words.end());
    return (*at - 10000) / 10.0;
}

// The bundled sample reads as the README says: the sea (where the split
// window gives an SST) at 8-11 C in channel 4 and 10-13 C as SST, land at
// about 17 C, cloud tops down to -44 C.
TEST_F(OperatorManualTest, TheSampleReadsAsDescribed) {
    const fs::path sample = fs::path(KESTRUNE_SOURCE_DIR) / "data/sample/230503_1200_noaa18.wsd.gz";
    fs::copy_file(sample, Data(sample.filename().string()));
    ASSERT_EQ(RunWith({Data(sample.filename().string()), "-OUTPUT:" + (folder / "out/"), "-GROUPB:"}).Status, 0)
        << Log();
    const std::vector<uint16_t> t4 = Words(Out(Base + std::string(".t4.bt")));
    const std::vector<uint16_t> sst = Words(Out(Base + std::string(".sst")));
    ASSERT_EQ(t4.size(), sst.size());
    ASSERT_EQ(t4.size(), 1200u * PassWidth);
    std::vector<uint16_t> sea, seaSurface, land;
    for (size_t k = 0; k < t4.size(); ++k) {
        if (sst[k] != 9000) {
            sea.push_back(t4[k]);
            seaSurface.push_back(sst[k]);
        } else if (t4[k] >= 10130) {
            land.push_back(t4[k]);
        }
    }
    EXPECT_EQ(Celsius(t4, 0.0), -44.0);
    EXPECT_GE(Celsius(sea, 0.05), 8.0);
    EXPECT_LT(Celsius(sea, 0.95), 12.0);
    EXPECT_GE(Celsius(seaSurface, 0.05), 10.0);
    EXPECT_LT(Celsius(seaSurface, 0.95), 13.5);
    EXPECT_NEAR(Celsius(land, 0.5), 17.0, 1.0);
}

}  // namespace
}  // namespace kestrune
