// Runs the built kestrune program, as a receiving station does, on written
// passes and checks the files it leaves.
#include "tests/app/EndToEndRun.h"

#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "platform/RegistryVariables.h"
#include "platform/SysUtils.h"
#include "tests/app/SettingNames.h"
#include "tests/platform/CommaLocale.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/BoundToOneProcessor.h"
#include "render/BMPExtImage.h"
#include "render/JPEG_IO.h"
#include "tests/support/PassFileWriter.h"
#include "tests/support/MeteorFileWriter.h"
#include "tests/support/PassGeometry.h"
#include "tests/support/SpawnProgram.h"
#include "tests/support/StationFileWriter.h"
#include "tools/mapdata/MapDataWriters.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <thread>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using std::chrono::steady_clock;

using EndToEndTest = testing::TEndToEndRun;
using testing::Base;
using testing::PassLines;
using testing::PassName;
using testing::PassWidth;
using testing::SeaSample;
using testing::LinesHolding;
using testing::LinesOf;
using testing::TRunResult;

TEST_F(EndToEndTest, EveryProductKeyword) {
    const TRunResult run =
        Run({"-CH1:a.bmp", "-CH2:a.bmp", "-CH3:a.bmp", "-CH4:a.bmp", "-CH5:a.bmp", "-CH6:a.bmp", "-CH10:a.bmp",
             "-FC:a.jpg", "-RGB:a.bmp", "-USERRGB:a.bmp", "-TEMP:a.bmp", "-SST:a.bmp", "-DCH4CH5:a.bmp",
             "-NDVI:a.bmp", "-DIAGNOSTICS:", "-FIRETEXT:", "-CLOSE"});
    // A NOAA pass has no channels 6 and 10: two products missing, each told.
    EXPECT_EQ(run.Status, 3) << Log();
    EXPECT_NE(Log().find("-CH6:a.bmp: the view \"Ch 6\" (not offered for this pass) was not written"),
              std::string::npos);
    std::set<std::string> expected = Named({"-c1.bmp", "-c2.bmp", "-c3.bmp", "-c4.bmp", "-c5.bmp", "-fc.jpg",
                                            "-rgb.bmp", "-usr.bmp", "-th.bmp", "-st.bmp", "-wv.bmp", "-vg.bmp",
                                            "_diag.txt", ".fire.txt"});
    expected.insert(PassName);
    EXPECT_EQ(Files(folder / "data"), expected);
    for (const char* image : {"-c1.bmp", "-th.bmp", "-st.bmp"}) {
        EXPECT_TRUE(IsBmp(Data(Base + std::string(image)))) << image;
        EXPECT_EQ(BmpWidth(Data(Base + std::string(image))), PassWidth) << image;
    }
    EXPECT_TRUE(IsJpeg(Data(Base + std::string("-fc.jpg"))));
    EXPECT_NE(testing::TTempFolder::Read(Data(Base + std::string("_diag.txt"))).find("Decode of file: " + pass),
              std::string::npos);
}

TEST_F(EndToEndTest, ViewParametersShapeTheSavedImage) {
    folder.Write("program/green.pal", [] {
        std::string palette = "JASC-PAL\r\n0100\r\n256\r\n";
        for (int i = 0; i < 256; ++i) palette += "0 " + std::to_string(i) + " 0\r\n";
        return palette;
    }());
    const std::string out = folder / "out/";
    const TRunResult run =
        Run({"-RGB:a.bmp", "-OUTPUT:" + out + "r124", "-RGBR1G2B4:a.bmp", "-OUTPUT:" + out + "r421",
             "-RGBR4G2B1:a.bmp", "-OUTPUT:" + out + "s0", "-SST:a.bmp", "-OUTPUT:" + out + "s1", "-SST(0,27):a.bmp",
             "-OUTPUT:" + out + "s2", "-SST0+27:a.bmp", "-OUTPUT:" + out + "s3", "-SST10+25:a.bmp",
             "-OUTPUT:" + out + "n0", "-NDVI:a.bmp", "-OUTPUT:" + out + "n1", "-NDVIgreen.pal:a.bmp", "-CLOSE"});
    ASSERT_EQ(run.Status, 0) << Log();
    EXPECT_TRUE(SameContent(Data(Base + std::string("-rgb.bmp")), Out("r124-rgb.bmp")));
    EXPECT_FALSE(SameContent(Out("r124-rgb.bmp"), Out("r421-rgb.bmp")));
    EXPECT_FALSE(SameContent(Out("s0-st.bmp"), Out("s1-st.bmp")));
    EXPECT_TRUE(SameContent(Out("s1-st.bmp"), Out("s2-st.bmp")));
    EXPECT_FALSE(SameContent(Out("s2-st.bmp"), Out("s3-st.bmp")));
    EXPECT_FALSE(SameContent(Out("n0-vg.bmp"), Out("n1-vg.bmp")));
}

// Without a display nobody can close the window: the program ends after
// its items, or after the open alone, as if "-CLOSE" had been given; the
// missing element-archive folder is told once.
TEST_F(EndToEndTest, RunsWithoutADisplayAndEndsByItself) {
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) unsetenv(variable);
    const TRunResult run = Run({"-FC:A.JPG"});
    EXPECT_EQ(run.Status, 0) << Log();
    EXPECT_TRUE(IsJpeg(Data(Base + std::string("-fc.jpg"))));
    EXPECT_EQ(RunWith({pass}).Status, 0) << Log();
    test::WriteFileBytes(pass, test::BuildWsdFile(passSpec, PassLines, "", ""));
    std::filesystem::remove(folder / "program.log");
    EXPECT_EQ(Run({"-FC:A.JPG", "-TEMP:A.JPG"}).Status, 0) << Log();
    const std::string log = Log();
    const std::string told = "Folder for Kepler data: ";
    EXPECT_NE(log.find(told), std::string::npos) << log;
    EXPECT_EQ(log.find(told), log.rfind(told)) << log;
}

TEST_F(EndToEndTest, CorrectedAptJpegAndBmp) {
    const TRunResult run = Run({"-FC:CORR.JPG", "-FC:apt.bmp", "-CH4:X.JPG", "-CH2:X.JPEG", "-CLOSE"});
    ASSERT_EQ(run.Status, 0) << Log();
    EXPECT_TRUE(IsJpeg(Data(Base + std::string("-fc-corrected.jpg"))));
    EXPECT_TRUE(IsBmp(Data(Base + std::string("-fc-APT.bmp"))));
    EXPECT_EQ(BmpWidth(Data(Base + std::string("-fc-APT.bmp"))), 909);
    EXPECT_TRUE(IsJpeg(Data(Base + std::string("-c4.jpg"))));
    EXPECT_TRUE(IsBmp(Data(Base + std::string("-c2.bmp"))));
}

TEST_F(EndToEndTest, OutputAppliesToTheItemsAfterIt) {
    ProgramKey().WriteString("ResultsFolder", "");
    const TRunResult run = Run({"-FC:A.JPG", "-OUTPUT:" + (folder / "out/named"), "-FC:B.JPG", "-CLOSE"});
    ASSERT_EQ(run.Status, 0) << Log();
    EXPECT_TRUE(FileExists(Data(Base + std::string("-fc.jpg"))));
    EXPECT_EQ(Files(folder / "out"), (std::set<std::string>{"named-fc.jpg"}));
    EXPECT_EQ(ProgramKey().ReadString("ResultsFolder"), "");
}

TEST_F(EndToEndTest, GroupAWritesItsFilesAndCloses) {
    const TRunResult run = Run({"-OUTPUT:" + (folder / "out/"), "-GROUPA:"});
    ASSERT_EQ(run.Status, 0) << Log();
    EXPECT_EQ(Files(folder / "out"), Named({"-1.raw", "-2.raw", "-3.raw", "-4.raw", "-5.raw", "-st.bmp", ".sst",
                                            "-vg.bmp"}));
    const auto rasterBytes = static_cast<uintmax_t>(PassLines) * PassWidth * 2;
    for (const char* raster : {"-1.raw", "-5.raw", ".sst"})
        EXPECT_EQ(fs::file_size(Out(Base + std::string(raster))), rasterBytes) << raster;
    // Raw rasters hold the samples as stored, little-endian.
    const std::string raw = testing::TTempFolder::Read(Out(Base + std::string("-4.raw")));
    const auto word = [&](size_t at) {
        return static_cast<uint16_t>(static_cast<uint8_t>(raw[2 * at]) | static_cast<uint8_t>(raw[2 * at + 1]) << 8);
    };
    const size_t last = static_cast<size_t>(PassLines) * PassWidth - 1;
    const bool northbound = word(0) == test::StoredSample(passSpec, PassLines, true, 0, 4, 0);
    EXPECT_EQ(word(0), test::StoredSample(passSpec, PassLines, northbound, 0, 4, 0));
    EXPECT_EQ(word(last), test::StoredSample(passSpec, PassLines, northbound, PassLines - 1, 4, PassWidth - 1));
}

TEST_F(EndToEndTest, GroupBWritesItsFilesAndCloses) {
    const TRunResult run = Run({"-OUTPUT:" + (folder / "out/"), "-GROUPB:"});
    ASSERT_EQ(run.Status, 0) << Log();
    EXPECT_EQ(Files(folder / "out"), Named({".t1.alb", ".t2.alb", ".t3.alb", ".t3.bt", ".t4.bt", ".t5.bt", "-st.bmp",
                                            ".sst", "-vg.bmp"}));
    // Tenths of a degree Celsius plus 10000: the sea lies between 0 and 30 C.
    const std::string t4 = testing::TTempFolder::Read(Out(Base + std::string(".t4.bt")));
    ASSERT_EQ(t4.size(), static_cast<size_t>(PassLines) * PassWidth * 2);
    for (size_t at = 0; at < t4.size(); at += 2 * 997) {
        const int word = static_cast<uint8_t>(t4[at]) | static_cast<uint8_t>(t4[at + 1]) << 8;
        EXPECT_GE(word, 10000) << at;
        EXPECT_LE(word, 10300) << at;
    }
}

// The station's located run works on every processor it may use; bound to
// one processor (as taskset binds it) it leaves the same files, byte for byte.
TEST_F(EndToEndTest, OneProcessorOrAllWriteTheSameProducts) {
    const auto runInto = [&](const std::string& name) {
        fs::create_directories(folder / name);
        return Run({"-OUTPUT:" + (folder / (name + "/")), "-FC:x.jpg", "-TEMP:t.jpg", "-GROUPB:"}).Status;
    };
    ASSERT_EQ(runInto("all"), 0) << Log();
    {
        const testing::TBoundToOneProcessor bound;
        ASSERT_EQ(runInto("one"), 0) << Log();
    }
    const std::set<std::string> written = Files(folder / "all");
    for (const char* product : {".sst", "-st.bmp", "-fc.jpg", "-th.jpg", "-vg.bmp"})
        EXPECT_TRUE(written.count(Base + std::string(product))) << product << " " << ::testing::PrintToString(written);
    EXPECT_EQ(Files(folder / "one"), written);
    for (const std::string& name : written)
        EXPECT_TRUE(SameContent(folder / ("all/" + name), folder / ("one/" + name))) << name;
}

TEST_F(EndToEndTest, OverlaySwitchesAreRestoredAndOnlyTheListedSettingsWritten) {
    {
        TRegistry registry = ProgramKey();
        registry.WriteInteger("OverlayGridlines", 1);
        registry.WriteInteger("OverlayBoundaries", 0);
    }
    const TRunResult run = Run({"-nogridlines", "-boundaries", "-gridpoles", "-FC:X.BMP", "-CLOSE"});
    ASSERT_EQ(run.Status, 0) << Log();
    TRegistry registry = ProgramKey();
    EXPECT_EQ(registry.ReadInteger("OverlayGridlines"), 1);
    EXPECT_EQ(registry.ReadInteger("OverlayBoundaries"), 0);
    EXPECT_EQ(registry.ReadInteger("OverlayGridPoleMarkers"), 0);
    EXPECT_EQ(registry.ReadString("MRU1"), pass);
    EXPECT_EQ(registry.ReadString("DataFolder"), folder / "data/");
    const std::vector<std::string> names = registry.GetValueNames();
    // An unattended run never stores the window's placement.
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              testing::Together({&testing::MainSettingNames, &testing::RecentFileNames, &testing::FireSettingNames,
                                 &testing::SidePanelSettingNames, &testing::WindowSettingNames}));
}

// With the file alone the program opens it for a user and does nothing
// else; it stays open.
TEST_F(EndToEndTest, OneParameterOnlyOpensTheFile) {
    const auto started = steady_clock::now();
    const TRunResult run = RunWith({pass}, [&] { return steady_clock::now() - started > std::chrono::seconds(2); });
    EXPECT_TRUE(run.Stopped) << "the program closed by itself";
    EXPECT_EQ(Files(folder / "data"), (std::set<std::string>{PassName}));
}

// Settings are written when the program closes, each by an atomic rename: a
// run killed while it works leaves every stored value as it was.
TEST_F(EndToEndTest, AKillMidRunLosesNoStoredSetting) {
    ProgramKey().WriteString("CaptionText", "Station %S");
    ASSERT_EQ(Run({"-FC:X.JPG", "-CLOSE"}).Status, 0) << Log();
    const std::string registryFile = folder / "config/Morvane/HKCU.reg";
    const std::string stored = testing::TTempFolder::Read(registryFile);
    ASSERT_NE(stored.find("MRU1"), std::string::npos);
    // Work enough after the first image that the kill comes before the end.
    std::vector<std::string> items{"-nogridlabels", "-CH1:a.bmp"};
    items.insert(items.end(), 40, "-FC:a.jpg");
    items.push_back("-GROUPB:");
    const TRunResult run = Run(items, [&] { return FileExists(Data(Base + std::string("-c1.bmp"))); });
    EXPECT_TRUE(run.Stopped) << "the run ended before the test could stop it";
    EXPECT_EQ(testing::TTempFolder::Read(registryFile), stored);
}

TEST_F(EndToEndTest, MissingFileIsIgnoredAndTheRunFails) {
    const TRunResult run = RunWith({Data("missing.wsd"), "-FC:X.JPG", "-GROUPB:"});
    EXPECT_EQ(run.Status, 1) << Log();
    EXPECT_EQ(Files(folder / "data"), (std::set<std::string>{PassName}));
}

// A pass that could not be loaded, missing or not a pass, leaves no empty
// folder the run's "-OUTPUT:" would have made; a folder that was there stays.
TEST_F(EndToEndTest, AFailedLoadLeavesNoEmptyOutputFolderBehind) {
    folder.Write("data/240101_0000_noaa18.wsd", std::string(5000, 'x'));
    fs::create_directories(folder / "out/there");
    for (const std::string& failing : {Data("missing.wsd"), Data("240101_0000_noaa18.wsd")}) {
        const TRunResult run = RunWith({failing, "-OUTPUT:" + (folder / "out/2024/01/01/"), "-FC:X.JPG",
                                        "-OUTPUT:" + (folder / "out/there/"), "-TEMP:x.bmp", "-CLOSE"});
        EXPECT_EQ(run.Status, 1) << Log();
        EXPECT_EQ(Files(folder / "out"), (std::set<std::string>{"there"})) << failing;
        EXPECT_TRUE(fs::is_empty(folder / "out/there"));
    }
}

// Items that write nothing (a channel the pass lacks) leave no folder their
// "-OUTPUT:" made; one that holds a product, or was there before, stays.
TEST_F(EndToEndTest, AnOutputFolderNothingWasWrittenToIsRemoved) {
    fs::create_directories(folder / "out/there");
    struct TFolderCase {
        std::string Folder, Item;
        bool Kept;
    };
    const std::vector<TFolderCase> cases{{"2024/01/ch6", "-CH6:x.jpg", false},
                                         {"2024/01/ch4", "-CH4:x.bmp", true},
                                         {"2024/02/fc", "-FC:x.jpg", true},
                                         {"there", "-CH6:x.jpg", true}};
    std::vector<std::string> items;
    for (const TFolderCase& folderCase : cases) {
        items.push_back("-OUTPUT:" + (folder / ("out/" + folderCase.Folder + "/")));
        items.push_back(folderCase.Item);
    }
    items.push_back("-CLOSE");
    const TRunResult run = Run(items);
    EXPECT_EQ(run.Status, 3) << Log();
    for (const TFolderCase& folderCase : cases)
        EXPECT_EQ(fs::is_directory(folder / ("out/" + folderCase.Folder)), folderCase.Kept) << folderCase.Item;
    EXPECT_EQ(Files(folder / "out/2024/01"), (std::set<std::string>{"ch4"}));
}

// Every message a load would show: unattended, none waits for an answer;
// each goes to the diagnostics and the debug log, and a pass that could not
// be loaded ends the run with status 1.
TEST_F(EndToEndTest, MessagesOfALoadNeverWaitAndAFailedLoadFailsTheRun) {
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    struct TMessageCase {
        std::string File;
        test::TBytes Bytes;
        int Status;
        std::string Message;
        std::string Base;  // of the written files: the name without its extension (and ".gz")
    };
    const std::vector<TMessageCase> cases{
        {"230503_1300_noaa18.wsd", test::TBytes(200, 'x'), 1, "File too small", "230503_1300_noaa18"},
        {"230503_1310_noaa18.wsd", test::BuildWsdFile(passSpec, 60, set.Line1, set.Line2), 0,
         "Warning - your input data file has less than 100 data lines.", "230503_1310_noaa18"},
        {"230503_1320_noaa18.dat", test::TBytes(200000, 0), 1, "was not recognised (extension \".dat\")",
         "230503_1320_noaa18"},
        {"230503_1330_noaa18.wsd", test::BuildWsdFile(passSpec, PassLines, "", ""), 3, "was not found", "230503_1330_noaa18"},
        // Named as the unpacked pass would be: one rule whether it unpacks or not.
        {"230503_1340_noaa18.wsd.gz", test::TBytes(3000, 0x1F), 1, "Could not unzip file: ", "230503_1340_noaa18"},
    };
    for (const TMessageCase& message : cases) {
        SCOPED_TRACE(message.File);
        const std::string file = Data(message.File);
        test::WriteFileBytes(file, message.Bytes);
        const TRunResult run = RunWith({file, "-debug", "-FC:X.JPG", "-DIAGNOSTICS:", "-GROUPB:"});
        ASSERT_FALSE(run.Stopped) << Log();
        EXPECT_EQ(run.Status, message.Status) << Log();
        // Status 3: loaded, but without locations the SST data cannot be written.
        EXPECT_EQ(FileExists(Data(message.Base + "-fc.jpg")), message.Status != 1);
        EXPECT_NE(testing::TTempFolder::Read(Data(message.Base + "_diag.txt")).find(message.Message), std::string::npos);
        EXPECT_NE(testing::TTempFolder::Read(folder / "program/HHDebug.txt").find(message.Message), std::string::npos);
    }
}

// A packed pass is unpacked beside itself; a second run on it replaces the
// unpacked copy and leaves nothing else behind.
TEST_F(EndToEndTest, PackedPassRunsAgainOverItsUnpackedCopy) {
    const std::string packed = pass + ".gz";
    test::WriteFileBytes(packed, test::GzipBytes(test::ReadFileBytes(pass)));
    fs::remove(pass);
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        const TRunResult result = RunWith({packed, "-FC:X.JPG", "-CLOSE"});
        ASSERT_EQ(result.Status, 0) << Log();
        EXPECT_EQ(Files(folder / "data"),
                  (std::set<std::string>{PassName, PassName + std::string(".gz"), Base + std::string("-fc.jpg")}));
    }
}

// Qt gives the process the user's locale; the text products keep a decimal
// point all the same.
TEST_F(EndToEndTest, TextProductsKeepADecimalPointInACommaLocale) {
    const testing::TCommaLocale comma(folder.Path());
    if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    const auto diagnostics = [&] {
        EXPECT_EQ(Run({"-DIAGNOSTICS:", "-CLOSE"}).Status, 0) << Log();
        const std::string text = testing::TTempFolder::Read(Data(Base + std::string("_diag.txt")));
        return text.substr(text.find('\n'));  // after the line with the time of the run
    };
    const std::string pointed = diagnostics();
    setenv("LC_ALL", comma.Name(), 1);
    const std::string underComma = diagnostics();
    unsetenv("LC_ALL");
    EXPECT_NE(pointed.find("0."), std::string::npos);
    EXPECT_EQ(underComma, pointed);
}

// A real archive file: TIROS-N GAC of 1980 in the older layout, named by its
// data set name and without an archive header, cut short by its publishers
// inside its 17th line. The program reads its 16 whole lines as an unattended
// station run would, and what it writes lies where and as warm as the data say.
TEST_F(EndToEndTest, RealOlderGacArchiveFile) {
    const fs::path source = fs::path(KESTRUNE_TESTDATA_DIR) / "l1b";
    const std::string real = source / "NSS.GHRR.TN.D80003.S1147.E1332.B0630506.GC";
    if (!fs::exists(real))
        GTEST_SKIP() << "no real recording " << real << ": the real recordings are read from ../shared/testdata beside the checkout";
    fs::create_directories(folder / "program/Keps");
    fs::copy_file(source / "TLE_tirosn.txt", folder / "program/Keps/TIROS-N.txt");
    const std::string out = folder / "out/";
    const TRunResult run = RunWith({real, "-OUTPUT:" + out, "-FC:fc.jpg", "-DIAGNOSTICS:", "-GROUPB:"});
    // 16 lines are too few to locate: no SST data, so the run says a product is missing.
    ASSERT_EQ(run.Status, 3) << Log();
    const std::string base = "NSS.GHRR.TN.D80003.S1147.E1332.B0630506";
    const std::string diagnostics = testing::TTempFolder::Read(out + base + "_diag.txt");
    for (const char* line : {"Level-1B GAC old 10-bit format", "File is 16 records.", "Picture is 16 lines.",
                             "    Spacecraft ID: 1 => TIROS-N", "Out of 16 frames in the data,  16 had a valid first sync"})
        EXPECT_NE(diagnostics.find(line), std::string::npos) << line;
    EXPECT_TRUE(IsJpeg(out + base + "-fc.jpg"));

    // Brightness temperatures: tenths of a degree Celsius plus 10,000. TIROS-N
    // has no 3A: channel 3 has temperatures on every line and no albedo.
    const auto word = [](const std::string& words, size_t at) {
        return static_cast<uint8_t>(words[at]) | static_cast<uint8_t>(words[at + 1]) << 8;
    };
    for (const char* thermal : {".t4.bt", ".t3.bt"}) {
        const std::string words = testing::TTempFolder::Read(out + base + thermal);
        ASSERT_EQ(words.size(), 16u * 409 * 2) << thermal;
        for (size_t at = 0; at < words.size(); at += 2) {
            const double kelvin = (word(words, at) - 10000) / 10.0 + 273.15;
            ASSERT_GT(kelvin, 180.0) << thermal << " " << at;
            ASSERT_LT(kelvin, 330.0) << thermal << " " << at;
        }
    }
    const std::string albedo3 = testing::TTempFolder::Read(out + base + ".t3.alb");
    ASSERT_EQ(albedo3.size(), 16u * 409 * 2);
    for (size_t at = 0; at < albedo3.size(); at += 2) ASSERT_EQ(word(albedo3, at), 65535) << at;
    EXPECT_EQ(diagnostics.find(" 3A "), std::string::npos);

    // The saved locations lie within the latitudes and longitudes the
    // records themselves carry (records 2..17, 51 pairs of 1/128 degree at 104).
    const std::string file = testing::TTempFolder::Read(real);
    float latLow = 90, latHigh = -90, lonLow = 180, lonHigh = -180;
    for (size_t record = 2; record < 18; ++record)
        for (size_t k = 0; k < 51; ++k) {
            const auto field = [&](size_t at) {
                const size_t offset = record * 3220 + 104 + 4 * k + at;
                return static_cast<float>(static_cast<int16_t>(static_cast<uint8_t>(file[offset]) << 8 |
                                                               static_cast<uint8_t>(file[offset + 1]))) / 128.0f;
            };
            latLow = std::min(latLow, field(0));
            latHigh = std::max(latHigh, field(0));
            lonLow = std::min(lonLow, field(2));
            lonHigh = std::max(lonHigh, field(2));
        }
    EXPECT_GT(latLow, 60.0f);
    EXPECT_LT(lonHigh, 70.0f);
    const std::string locations = testing::TTempFolder::Read(out + base + ".lcn");
    ASSERT_EQ(locations.size(), 16u * 408);
    for (size_t at = 0; at < locations.size(); at += 8) {
        float latitude = 0, longitude = 0;
        std::memcpy(&latitude, locations.data() + at, 4);
        std::memcpy(&longitude, locations.data() + at + 4, 4);
        ASSERT_GE(latitude, latLow) << at;
        ASSERT_LE(latitude, latHigh) << at;
        ASSERT_GE(longitude, lonLow) << at;
        ASSERT_LE(longitude, lonHigh) << at;
    }
}

// A scene of known geography: land east of the Greenwich meridian, sea west
// of it, on a pass over the English Channel; the boundary file's coast runs
// along that meridian. Drawn on the false-colour JPEG, the coastline lies on
// the edge between land and sea that the same run shows without it.
TEST_F(EndToEndTest, BoundaryOverlaySitsOnTheCoastOfTheScene) {
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 208.0, 232.0, 14.125, 30000);
    test::TPassGeometry geometry(set, passSpec, 2023, 5, 3);
    passSpec.Samples = [&geometry](int32_t line, int channel, int32_t sample) -> uint16_t {
        const bool land = geometry.Line(line)[static_cast<size_t>(sample)].Longitude > 0;
        switch (channel) {
            case 1: return land ? 200 : 60;
            case 2: return land ? 380 : 70;
            default: return land ? 350 : 400;  // warmer land
        }
    };
    test::WriteFileBytes(pass, test::BuildWsdFile(passSpec, PassLines, set.Line1, set.Line2));
    std::vector<TGroundPoint> coast;
    for (int minutes = 45 * 60; minutes <= 65 * 60; minutes += 3) coast.push_back({0, static_cast<float>(minutes) / 60});
    coast.push_back({20, 65});
    coast.push_back({20, 45});
    mapdata::TBytes countries;
    mapdata::AppendSegmentRecord(countries, 0, coast);
    folder.Write("program/Countries.dat", std::string(countries.begin(), countries.end()));

    ASSERT_EQ(Run({"-noboundaries", "-nogridlines", "-OUTPUT:" + Out("plain"), "-FC:x.jpg", "-CLOSE"}).Status, 0)
        << Log();
    ASSERT_EQ(Run({"-boundaries", "-nogridlines", "-OUTPUT:" + Out("drawn"), "-FC:x.jpg", "-CLOSE"}).Status, 0)
        << Log();
    TExtBitmap plain, drawn;
    ASSERT_TRUE(LoadJPEGFile(&plain, Out("plain-fc.jpg"), false, 0));
    ASSERT_TRUE(LoadJPEGFile(&drawn, Out("drawn-fc.jpg"), false, 0));
    ASSERT_EQ(plain.Width(), PassWidth);
    const auto brightness = [](const uint8_t* pixel) { return pixel[0] + pixel[1] + pixel[2]; };
    // Yellow, also where the JPEG has blended it into the land or the sea.
    const auto yellow = [](const uint8_t* pixel) {
        return pixel[2] > 120 && pixel[1] > 120 && pixel[0] * 5 < std::min(pixel[1], pixel[2]) * 3;
    };
    int rowsChecked = 0;
    for (int y = 10; y < PassLines - 10; y += 20) {
        const uint8_t* row = plain.ScanLine(y);
        const uint8_t* overlaid = drawn.ScanLine(y);
        const int sea = brightness(row + 3 * 5), land = brightness(row + 3 * (PassWidth - 5));
        int edge = -1;
        for (int x = 1; x < PassWidth && edge < 0; ++x)
            if ((brightness(row + 3 * x) > (sea + land) / 2) != (brightness(row + 3 * (x - 1)) > (sea + land) / 2))
                edge = x;
        if (edge < 0) continue;
        ++rowsChecked;
        int nearest = PassWidth;
        for (int x = 0; x < PassWidth; ++x)
            if (yellow(overlaid + 3 * x)) nearest = std::min(nearest, std::abs(x - edge));
        EXPECT_LE(nearest, 2) << "row " << y << ", edge at " << edge;
        EXPECT_FALSE(yellow(row + 3 * edge)) << "row " << y;
    }
    EXPECT_GE(rowsChecked, 10);
}

// A store with values no control could show, or a user range upside down,
// still gives every product, drawn: the false colour with its design
// channels, the temperatures through the range turned round.
TEST_F(EndToEndTest, OddStoredSettingsStillGiveEveryProduct) {
    TRegistry key = ProgramKey();
    key.WriteInteger("ColourChannel", 6);
    key.WriteInteger("BrightnessChannel", -1);
    key.WriteInteger("UserRange", 1);
    key.WriteInteger("UserMinTemp", 30);
    key.WriteInteger("UserMaxTemp", -40);
    ASSERT_EQ(Run({"-FC:a.bmp", "-TEMP:a.bmp", "-CLOSE"}).Status, 0) << Log();
    TExtBitmap temperatures;
    temperatures.LoadFromFile(Data(Base + std::string("-th.bmp")));
    ASSERT_EQ(temperatures.Width(), PassWidth);
    // The sea warms from 5 C at the left edge to 25 C at the right.
    const uint8_t* row = temperatures.ScanLine(PassLines / 2);
    EXPECT_NE(std::vector<uint8_t>(row, row + 3), std::vector<uint8_t>(row + 3 * (PassWidth - 1), row + 3 * PassWidth));
    EXPECT_TRUE(IsBmp(Data(Base + std::string("-fc.bmp"))));
    EXPECT_EQ(ProgramKey().ReadInteger("ColourChannel"), 6);
}

// One file of each station family, as a receiving station leaves it, runs
// unattended to a false-colour JPEG and the "-GROUPA:" files.
// The operator reads standard error: why a pass could not be loaded comes
// first, and a loaded pass says, one line each, what its products lack. The
// exit status stays as the products make it.
TEST_F(EndToEndTest, StandardErrorTellsTheOperatorWhy) {
    InstallHelpAndLanguage();
    const test::TElementLines oldSet = test::MakeElementLines(28654, 2021, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    test::TBytes wrongKind(200000, 0);
    const std::string archiveName = "NSS.HRPT.NN.D23123.S1200.E1210.B9012345.WI";
    std::memcpy(wrongKind.data() + 30, "NSS.AMSU", 8);
    const struct {
        std::string File;
        test::TBytes Bytes;
        std::vector<std::string> Items;
        int Status;
        std::vector<std::string> Lines;  // the first lines of standard error, in order
        long KeplerLines;                // lines that say where the element archives were sought
    } cases[] = {
        {"230503_1300_noaa18.wsd", test::TBytes(200, 'x'), {"-FC:X.JPG", "-GROUPB:"}, 1,
         {"File too small", "No pass could be loaded from"}, 0},
        {"230503_1340_noaa18.wsd.gz", test::TBytes(3000, 0x1F), {"-FC:X.JPG"}, 1,
         {"Could not unzip file: ", "No pass could be loaded from"}, 0},
        {"pass.l1b", wrongKind, {"-FC:X.JPG"}, 1,
         {"Level-1B data must be HRPT, GAC or LAC format", "No pass could be loaded from"}, 0},
        {"230503_1330_noaa18.wsd", test::BuildWsdFile(passSpec, PassLines, "", ""), {"-FC:X.JPG", "-GROUPB:"}, 3,
         {"No element sets found for NOAA-18: Folder for Kepler data: ", "The pass is not located: "}, 1},
        {"230503_1320_noaa18.wsd", test::BuildWsdFile(passSpec, PassLines, oldSet.Line1, oldSet.Line2), {"-FC:X.JPG"},
         0, {"The element set for NOAA-18 is 730 days out of date"}, 0},
        {"station_pass.raw16", test::Build16BitHrptFile(passSpec, PassLines, false), {"-FC:X.JPG"}, 0,
         {"The pass is dated by the file's date (", "No element sets found for NOAA-18: ", "The pass is not located: "},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        const std::string file = Data(c.File);
        test::WriteFileBytes(file, c.Bytes);
        fs::remove(folder / "program.log");
        std::vector<std::string> params{file};
        params.insert(params.end(), c.Items.begin(), c.Items.end());
        params.push_back("-CLOSE");
        const TRunResult run = RunWith(params);
        EXPECT_EQ(run.Status, c.Status) << Log();
        std::vector<std::string> told;
        std::istringstream log(Log());
        for (std::string line; std::getline(log, line);) told.push_back(line);
        ASSERT_GE(told.size(), c.Lines.size()) << Log();
        for (size_t k = 0; k < c.Lines.size(); ++k)
            EXPECT_EQ(told[k].rfind("kestrune: " + c.Lines[k], 0), 0u) << "line " << k << ": " << told[k];
        // One line each: the archive's own message is not told again, and a
        // run without a pass tries no product.
        EXPECT_EQ(std::count_if(told.begin(), told.end(),
                                [](const std::string& line) { return line.find("Folder for Kepler") != std::string::npos; }),
                  c.KeplerLines)
            << Log();
        EXPECT_EQ(Log().find("not offered"), std::string::npos) << Log();
    }
}

// Causes told as they are, on the line of the finding: an element-set file
// that is a named pipe for a SmartView pass as for a 16-bit one (SmartView
// seeks its sets quietly when unattended), and for a Dartcom pass whose
// middle third is noise, timed by the lines on either side.
TEST_F(EndToEndTest, TheCauseOfAPassWithoutElementSetsIsToldOnTheFindingsLine) {
    InstallHelpAndLanguage();
    constexpr int32_t Lines = 600;
    fs::create_directories(folder / "program/Keps");
    const std::string pipe = folder / "program/Keps/NOAA-18.txt";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    test::TBytes noise = test::BuildDartcomFile(passSpec, Lines, false);
    std::mt19937 random(60);
    // Records 150-449 noise: the middle third, which times the pass, has no time code left.
    constexpr size_t DartcomRecordBytes = 22016;
    for (size_t at = 150 * DartcomRecordBytes; at < 450 * DartcomRecordBytes; ++at)
        noise[at] = static_cast<uint8_t>(random());
    const struct {
        std::string File;
        test::TBytes Bytes;
        std::string Told;    // a line of standard error begins so
        std::string Untold;  // and none holds this
    } cases[] = {
        {"23123_18.svw", test::BuildSmartViewFile(passSpec, Lines),
         "No element sets found for NOAA-18: " + pipe + " is a named pipe: it is left as it is", "Kepler"},
        {"2023-05-03-1200-NOAA18.raw16", test::Build16BitHrptFile(passSpec, Lines, false),
         "No element sets found for NOAA-18: " + pipe + " is a named pipe: it is left as it is", "Kepler"},
        {"NOAA18_20230503_1200.drt", noise,
         "No element sets found for NOAA-18: " + pipe + " is a named pipe: it is left as it is", "Kepler"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        test::WriteFileBytes(Data(c.File), c.Bytes);
        fs::remove(folder / "program.log");
        RunWith({Data(c.File), "-FC:X.JPG", "-CLOSE"});
        const std::vector<std::string> told = LinesOf(Log());
        EXPECT_EQ(std::count_if(told.begin(), told.end(),
                                [&](const std::string& line) { return line.rfind("kestrune: " + c.Told, 0) == 0; }),
                  1)
            << Log();
        EXPECT_EQ(std::count_if(told.begin(), told.end(),
                                [&](const std::string& line) { return line.find(c.Untold) != std::string::npos; }),
                  0)
            << Log();
        EXPECT_EQ(std::count_if(told.begin(), told.end(),
                                [](const std::string& line) { return line.find("named pipe") != std::string::npos; }),
                  1)
            << Log();
    }
}

// A pass that is not there, or a folder given as the pass: the first line
// says so, before that no pass could be loaded.
TEST_F(EndToEndTest, TheCauseComesFirstForAMissingPassOrAFolder) {
    InstallHelpAndLanguage();
    const struct {
        std::string Pass;
        std::string Cause;
    } cases[] = {
        {Data("230503_1300_noaa18.wsd"), "The pass file \"" + Data("230503_1300_noaa18.wsd") + "\" does not exist"},
        {folder / "data", "\"" + (folder / "data") + "\" is a folder, not a pass file"},
        {Data("2023*.hpt"), "No file matches \"" + Data("2023*.hpt") + "\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Pass);
        fs::remove(folder / "program.log");
        const TRunResult run = RunWith({c.Pass, "-FC:X.JPG", "-CLOSE"});
        EXPECT_EQ(run.Status, 1) << Log();
        const std::vector<std::string> told = LinesOf(Log());
        ASSERT_GE(told.size(), 2u) << Log();
        EXPECT_EQ(told[0], "kestrune: " + c.Cause);
        EXPECT_EQ(told[1].rfind("kestrune: No pass could be loaded from", 0), 0u) << told[1];
    }
}

// Archive files holding another satellite's sets are told, one line each;
// the diagnostics of a pass without element sets say each thing once and
// never call the orbit data OK.
TEST_F(EndToEndTest, ArchivesAndMissingElementSetsAreToldOnce) {
    const auto setText = [](int number, double day) {
        const test::TElementLines set = test::MakeElementLines(number, 2023, day, 98.9, 150.0, 0.0, 14.125, 30000);
        return set.Line1 + "\n" + set.Line2 + "\n";
    };
    const std::string bare = Data("230503_1330_noaa18.wsd");
    test::WriteFileBytes(bare, test::BuildWsdFile(passSpec, PassLines, "", ""));
    fs::create_directories(folder / "program/Keps/Updates");
    const std::string main = setText(28654, 122.4) + setText(33591, 123.4) + setText(33591, 123.5);
    const std::string update = setText(28654, 123.3) + setText(25338, 123.45);
    test::WriteFileBytes(folder / "program/Keps/NOAA-18.txt", test::TBytes(main.begin(), main.end()));
    test::WriteFileBytes(folder / "program/Keps/Updates/NOAA-18.txt", test::TBytes(update.begin(), update.end()));
    TRunResult run = RunWith({bare, "-FC:X.JPG", "-DIAGNOSTICS:", "-CLOSE"});
    EXPECT_EQ(run.Status, 0) << Log();
    std::vector<std::string> told = LinesOf(Log());
    EXPECT_EQ(LinesHolding(told, "of another satellite"), 2) << Log();
    EXPECT_EQ(LinesHolding(told, "NOAA-18.txt holds 2 element sets of another satellite (catalogue number 33591"), 1)
        << Log();
    EXPECT_EQ(LinesHolding(told, "Updates/NOAA-18.txt holds 1 element set of another satellite (catalogue number "
                                 "25338"),
              1)
        << Log();
    EXPECT_EQ(LinesHolding(told, "not located"), 0) << Log();
    const std::vector<std::string> located = LinesOf(testing::TTempFolder::Read(Data("230503_1330_noaa18_diag.txt")));
    EXPECT_EQ(LinesHolding(located, "days stale - OK"), 1);
    EXPECT_EQ(LinesHolding(located, "of another satellite"), 2);

    // The update file alone, as a daily fetch of sets leaves Keps/: no main file is named.
    fs::remove(folder / "program/Keps/NOAA-18.txt");
    RunWith({bare, "-FC:X.JPG", "-DIAGNOSTICS:", "-CLOSE"});
    EXPECT_EQ(LinesHolding(LinesOf(testing::TTempFolder::Read(Data("230503_1330_noaa18_diag.txt"))),
                           "  No main orbit data file for NOAA-18: its sets were read from the update file alone"), 1);

    fs::remove_all(folder / "program/Keps");
    fs::remove(folder / "program.log");
    run = RunWith({bare, "-FC:X.JPG", "-DIAGNOSTICS:", "-CLOSE"});
    EXPECT_EQ(run.Status, 0) << Log();
    const std::vector<std::string> diagnostics =
        LinesOf(testing::TTempFolder::Read(Data("230503_1330_noaa18_diag.txt")));
    EXPECT_EQ(LinesHolding(diagnostics, "Orbit data for NOAA-18 is invalid"), 1);
    EXPECT_EQ(LinesHolding(diagnostics, "stale - OK"), 0);
    EXPECT_EQ(LinesHolding(diagnostics, "out of date"), 0);
    EXPECT_LE(LinesHolding(diagnostics, "Folder for Kepler data"), 1);
    told = LinesOf(Log());
    EXPECT_EQ(LinesHolding(told, "Folder for Kepler data"), 1) << Log();

    // A Keps folder without NOAA-18's file: that it is missing is said once.
    fs::create_directories(folder / "program/Keps");
    fs::remove(folder / "program.log");
    run = RunWith({bare, "-FC:X.JPG", "-DIAGNOSTICS:", "-CLOSE"});
    const std::string diagnosed = testing::TTempFolder::Read(Data("230503_1330_noaa18_diag.txt"));
    EXPECT_EQ(LinesHolding(LinesOf(diagnosed), "Missing Kepler data file(s)"), 1) << diagnosed;
    EXPECT_EQ(std::count(diagnosed.begin(), diagnosed.end(), '\r'), std::count(diagnosed.begin(), diagnosed.end(), '\n'))
        << "the box's lines are lines of their own: " << diagnosed;
    EXPECT_EQ(LinesHolding(LinesOf(Log()), "No element sets found for NOAA-18: neither "), 1) << Log();
    EXPECT_EQ(LinesHolding(LinesOf(Log()), "WARNING"), 0) << "a line holds no box's text: " << Log();
}

// The element-set catalogue folder is named by "TwoLineDataPath" under the
// tracking program's key; a file of many satellites there, name lines and
// all, as downloaded, locates the pass.
TEST_F(EndToEndTest, AMultiSatelliteFileInTheCatalogueFolderLocatesThePass) {
    const std::string bare = Data("230503_1330_noaa18.wsd");
    test::WriteFileBytes(bare, test::BuildWsdFile(passSpec, PassLines, "", ""));
    std::string weather;
    for (const auto& [name, number] : {std::pair{"NOAA 15", 25338}, std::pair{"NOAA 18", 28654},
                                       std::pair{"NOAA 19", 33591}, std::pair{"METEOR-M2 2", 44387}}) {
        const test::TElementLines set = test::MakeElementLines(number, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
        weather += std::string(name) + "\r\n" + set.Line1 + "\r\n" + set.Line2 + "\r\n";
    }
    folder.Write("tle/weather.txt", weather);
    const std::string store = "Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Morvane\\Quenmar]\r\n"
                              "\"TwoLineDataPath\"=\"" + (folder / "tle") + "\"\r\n";
    folder.Write("config/Morvane/HKCU.reg", store);
    const TRunResult run = RunWith({bare, "-OUTPUT:" + (folder / "out/"), "-DIAGNOSTICS:", "-GROUPB:"});
    EXPECT_EQ(run.Status, 0) << Log();
    EXPECT_EQ(Log().find("not located"), std::string::npos) << Log();
    EXPECT_EQ(Log().find("No element sets"), std::string::npos) << Log();
    EXPECT_NE(testing::TTempFolder::Read(Out("230503_1330_noaa18_diag.txt"))
                  .find("Main orbit data for NOAA-18 read from " + (folder / "tle/") + "weather.txt"),
              std::string::npos);
    EXPECT_TRUE(FileExists(Out("230503_1330_noaa18.sst")));
}

// Channel 3 is 3B on every line of the pass: its albedo file holds the
// no-data word throughout; a pass whose channel 3 is 3A keeps its albedos.
TEST_F(EndToEndTest, AlbedosOfChannel3OnlyWhereItIs3A) {
    const auto words = [](const std::string& file) {
        const std::string bytes = testing::TTempFolder::Read(file);
        std::set<int> seen;
        for (size_t at = 0; at + 1 < bytes.size(); at += 2)
            seen.insert(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
        return seen;
    };
    ASSERT_EQ(Run({"-OUTPUT:" + (folder / "out/"), "-GROUPB:"}).Status, 0) << Log();
    const std::string albedos = Out(Base + std::string(".t3.alb"));
    EXPECT_EQ(fs::file_size(albedos), static_cast<uintmax_t>(PassLines) * PassWidth * 2);
    EXPECT_EQ(words(albedos), std::set<int>{65535});
    EXPECT_NE(words(Out(Base + std::string(".t1.alb"))), std::set<int>{65535});

    passSpec.Channel3A = true;
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    test::WriteFileBytes(pass, test::BuildWsdFile(passSpec, PassLines, set.Line1, set.Line2));
    ASSERT_EQ(Run({"-OUTPUT:" + (folder / "out/"), "-GROUPB:"}).Status, 0) << Log();
    const std::set<int> channel3A = words(albedos);
    EXPECT_EQ(channel3A.count(65535), 0u);
    EXPECT_GT(channel3A.size(), 1u);
    // Both channel-3 files after "-GROUPB:": no temperature where it is 3A.
    const std::string temperatures = Out(Base + std::string(".t3.bt"));
    ASSERT_TRUE(FileExists(temperatures)) << Log();
    EXPECT_EQ(fs::file_size(temperatures), static_cast<uintmax_t>(PassLines) * PassWidth * 2);
    EXPECT_EQ(words(temperatures), std::set<int>{65535});
}

// A pass that is 3A for its first 160 lines and 3B for its last 80, with a
// hot spot of 4 x 4 pixels in each half: channel 3B is calibrated from the
// 3B lines' telemetry though 3A holds most of the pass, so the 3B half has
// temperatures and its hot spot is listed; the 3A lines hold no-data, and
// their spot (visible light) is no fire.
TEST_F(EndToEndTest, Channel3ProductsOfAPassThatSwitchesFrom3ATo3B) {
    constexpr int32_t Lines3A = 160;
    passSpec.Channel3AOnLine = [](int32_t line) { return line < Lines3A; };
    passSpec.Samples = [](int32_t line, int channel, int32_t sample) -> uint16_t {
        const bool spot = (line / 4 == 10 || line / 4 == 50) && sample / 4 == 250;
        return channel == 3 && spot ? 150 : SeaSample(line, channel, sample);
    };
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    test::WriteFileBytes(pass, test::BuildWsdFile(passSpec, PassLines, set.Line1, set.Line2));
    ASSERT_EQ(Run({"-OUTPUT:" + (folder / "out/"), "-FIRETEXT:", "-DIAGNOSTICS:", "-GROUPB:"}).Status, 0) << Log();
    const std::string raster = testing::TTempFolder::Read(Out(Base + std::string(".t3.bt")));
    ASSERT_EQ(raster.size(), static_cast<size_t>(PassLines) * PassWidth * 2) << Log();
    int noDataLines = 0;
    int warmLines = 0;  // every pixel of the sea between 0 and 40 degrees, the spot hotter
    for (int32_t y = 0; y < PassLines; ++y) {
        int noData = 0;
        int sea = 0;
        for (int32_t x = 0; x < PassWidth; ++x) {
            const size_t at = 2 * (static_cast<size_t>(y) * PassWidth + static_cast<size_t>(x));
            const int word = static_cast<uint8_t>(raster[at]) | static_cast<uint8_t>(raster[at + 1]) << 8;
            noData += word == 65535 ? 1 : 0;
            sea += word >= 10000 && word <= 10400 ? 1 : 0;
        }
        noDataLines += noData == PassWidth ? 1 : 0;
        warmLines += sea >= PassWidth - 4 && noData == 0 ? 1 : 0;
    }
    EXPECT_EQ(noDataLines, Lines3A);
    EXPECT_EQ(warmLines, PassLines - Lines3A);
    const std::vector<std::string> fires = LinesOf(testing::TTempFolder::Read(Out(Base + std::string(".fire.txt"))));
    ASSERT_GE(fires.size(), 2u);
    EXPECT_EQ(fires[1], "16 pixels found");
    EXPECT_NE(testing::TTempFolder::Read(Out(Base + std::string("_diag.txt"))).find("channel 3 per count at Tbb (ref count 726)"),
              std::string::npos);
}

// An overlay file that yields no point is told on standard error while the
// user overlay is shown; switched off, it is not drawn and not told.
TEST_F(EndToEndTest, AnOverlayFileWithoutAPointIsTold) {
    const std::string track = folder.Write("tracks/walk.gpx", "<gpx/>");
    ProgramKey().WriteString("UserOverlayPath", track);
    ProgramKey().WriteInteger("OverlayUser", 1);
    ASSERT_EQ(Run({"-FC:X.JPG", "-CLOSE"}).Status, 0) << Log();
    const std::string told = "kestrune: No point could be read from the overlay file " + track;
    EXPECT_EQ(LinesHolding(LinesOf(Log()), told), 1) << Log();
    ProgramKey().WriteInteger("OverlayUser", 0);
    fs::remove(folder / "program.log");
    ASSERT_EQ(Run({"-FC:X.JPG", "-CLOSE"}).Status, 0) << Log();
    EXPECT_EQ(LinesHolding(LinesOf(Log()), told), 0) << Log();
}

// Items done otherwise than written, run as an operator types them: each is
// told on a line of its own, the rest of the run is done, and the status is 4.
TEST_F(EndToEndTest, ItemsDoneOtherwiseThanWrittenAreTold) {
    const TRunResult run = Run({"-DIAGNOSTICS:diag.txt", "-RGBR12G2B1:x.jpg", "-RGBR9G9B9:y.jpg",
                                "-SSTnothere.pal:x.bmp", "-NDVInothere.pal:x.bmp", "-OUTPUT:", "-FC:x.jpg", "-CLOSE"});
    EXPECT_EQ(run.Status, 4) << Log();
    const std::vector<std::string> told = LinesOf(Log());
    for (const char* item : {"-DIAGNOSTICS:diag.txt: taken as an image item of the view \"All\"",
                             "-RGBR12G2B1:x.jpg: \"R12G2B1\" does not name three channels",
                             "-RGBR9G9B9:y.jpg: the pass has no channel 9", "-SSTnothere.pal:x.bmp: \"nothere.pal\"",
                             "-NDVInothere.pal:x.bmp: \"nothere.pal\"", "-OUTPUT: names no folder"})
        EXPECT_EQ(LinesHolding(told, std::string("kestrune: ") + item), 1) << item << "\n" << Log();
    EXPECT_EQ(LinesHolding(told, "defaults have been substituted"), 0) << Log();
    EXPECT_EQ(Files(folder / "data"), (std::set<std::string>{PassName, Base + std::string("-ql.bmp"), Base + std::string("-rgb.jpg"),
                                                              Base + std::string("-st.bmp"), Base + std::string("-vg.bmp"),
                                                              Base + std::string("-fc.jpg")}));

    // Without element sets a corrected image is still written, and said to be.
    test::WriteFileBytes(pass, test::BuildWsdFile(passSpec, PassLines, "", ""));
    EXPECT_EQ(Run({"-FC:corr.jpg", "-CLOSE"}).Status, 0) << Log();
    EXPECT_TRUE(FileExists(Data(Base + std::string("-fc-corrected.jpg"))));
    EXPECT_EQ(Log().find("corrected images) cannot be made"), std::string::npos) << Log();
    EXPECT_NE(Log().find("corrected images are corrected for the scan angle only"), std::string::npos) << Log();
}

// Runs killed at random moments leave every product under its final name
// whole, the same as an uninterrupted run's, and no temporary file that the
// next run into the folder does not sweep away.
TEST_F(EndToEndTest, KilledRunsLeaveWholeProductsAndNoTemporaryFiles) {
    const auto runInto = [&](const std::string& out, const std::function<bool()>& stopWhen = {}) {
        fs::create_directories(out);
        return Run({"-OUTPUT:" + out, "-FC:fc.jpg", "-TEMP:t.bmp", "-GROUPB:"}, stopWhen);
    };
    const std::string reference = folder / "out/reference/";
    const auto started = steady_clock::now();
    ASSERT_EQ(runInto(reference).Status, 0) << Log();
    const auto duration = std::chrono::duration_cast<std::chrono::milliseconds>(steady_clock::now() - started);
    const std::string killed = folder / "out/killed/";
    const auto temporary = [](const std::string& name) { return name.find(TemporaryMark) != std::string::npos; };
    std::mt19937 random(29);
    for (int run = 0; run < 8; ++run) {
        const auto delay = std::chrono::milliseconds(random() % static_cast<uint32_t>(duration.count() + 1));
        const auto start = steady_clock::now();
        runInto(killed, [&] { return steady_clock::now() - start > delay; });
        for (const std::string& name : Files(killed)) {
            if (temporary(name)) continue;
            EXPECT_TRUE(SameContent(killed + name, reference + name)) << name << " after a kill at " << delay.count() << " ms";
        }
    }
    // Whatever a kill left is old by the next run, which sweeps it.
    for (const std::string& name : Files(killed))
        if (temporary(name)) fs::last_write_time(killed + name, fs::file_time_type::clock::now() - std::chrono::hours(1));
    ASSERT_EQ(runInto(killed).Status, 0) << Log();
    EXPECT_EQ(Files(killed), Files(reference));
}

TEST_F(EndToEndTest, EveryStationFamilyRunsUnattended) {
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 122.5, 98.9, 150.0, 0.0, 14.125, 30000);
    folder.Write("program/Keps/NOAA-18.txt", set.Line1 + "\n" + set.Line2 + "\n");
    const int64_t start = 1683115200;  // 2023-05-03 12:00
    const struct {
        std::string Name;
        test::TBytes Bytes;
        std::string Base;  // of the written files
    } families[] = {
        {"timestep.hrp", test::BuildTimestepFile(passSpec, PassLines, {}, test::TTimestepKind::Windows), "timestep"},
        {"quorum_fy1d.qrm", test::BuildQuorumFile(passSpec, PassLines, true, "FENGYUN 1D", set, start), "quorum_fy1d"},
        {"NOAA-18_050323.rhd", test::BuildGtiFile(passSpec, PassLines), "NOAA-18_050323"},
        {"quorum_noaa18.qrm", test::BuildQuorumFile(passSpec, PassLines, false, "NOAA 18", set, start), "quorum_noaa18"},
        {"meteor_MN2_pass.mn2", test::BuildMn2File(passSpec, {}, PassLines), "meteor_MN2_pass"},
    };
    for (const auto& family : families) {
        SCOPED_TRACE(family.Name);
        const std::string file = Data(family.Name);
        test::WriteFileBytes(file, family.Bytes);
        const std::string out = folder / ("out/" + family.Base + "/");
        fs::create_directories(out);
        const TRunResult run = RunWith({file, "-OUTPUT:" + out, "-FC:fc.jpg", "-DIAGNOSTICS:", "-GROUPA:"});
        // A family without the SST view cannot give the group's SST image, and says so.
        ASSERT_TRUE(run.Status == 0 || (run.Status == 3 && Log().find("was not written") != std::string::npos))
            << Log();
        EXPECT_TRUE(IsJpeg(out + family.Base + "-fc.jpg"));
        EXPECT_TRUE(FileExists(out + family.Base + "-1.raw"));
        EXPECT_NE(testing::TTempFolder::Read(out + family.Base + "_diag.txt").find("Picture is 240 lines."),
                  std::string::npos);
    }
    EXPECT_TRUE(FileExists(Data("meteor_MN2_pass.msu2"))) << "the raw Meteor file is converted beside itself";
}

}  // namespace
}  // namespace kestrune
