// Station formats loaded through the whole loader from files the writers
// make: each stores every sample the writer put there, with the satellite,
// date, direction and channels its header or name gives.
#include "decoding/FramePrescan.h"
#include "decoding/HRPTvideo.h"
#include "decoding/HeaderFields.h"
#include "decoding/HeadlessHost.h"
#include "decoding/LoadContext.h"
#include "decoding/MN2unpacker.h"
#include "decoding/MeteorFormat.h"
#include "decoding/Station16Formats.h"
#include "decoding/PassLoader.h"
#include "decoding/Telemetry.h"
#include "decoding/TimestepFormat.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/DialogService.h"
#include "tests/platform/SmallDisk.h"
#include "tests/platform/Unprivileged.h"
#include "tests/support/LoaderTest.h"
#include "tests/support/MeteorFileWriter.h"
#include "tests/support/StationFileWriter.h"
#include "platform/FileUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

namespace kestrune {
namespace {

using test::TBytes;

constexpr int32_t Lines = 240;
constexpr const char* AnySatellite = "*";  // the file names none

// One station file and what its load must settle.
struct TStationCase {
    std::string Name;
    TBytes Bytes;
    int Code;
    int32_t RecordSize;
    int64_t HeaderLength;
    std::string Satellite;
    int Channels;
    TDateTime BaseDate;
    bool EightBit = false;
};

class StationLoadTest : public test::TLoaderTest {
protected:
    test::THrptPassSpec passSpec;

    void SetUp() override {
        TLoaderTest::SetUp();
        WriteArchive("NOAA-18", 28654);
    }

    std::string Load(const std::string& name, const TBytes& bytes) {
        const std::string path = Write(name, bytes);
        loader.LoadDataFile(path);
        return path;
    }

    bool Failed() const { return host.StatusText == "Read cancelled or error while reading..."; }

    // Every sample of every channel in the store is the writer's.
    void ExpectStoredPass(int32_t lines, bool eightBit, int32_t linesChecked = Lines) {
        const THRPTvideo& video = *state.Video;
        ASSERT_EQ(video.LineCount(), lines);
        for (int channel = 1; channel <= MaxChannels; ++channel) {
            if (!state.ChannelInStore(channel)) continue;
            for (int32_t line = 0; line < linesChecked; ++line) {
                const uint16_t* stored = video.SampleAddress(channel, line);
                ASSERT_NE(stored, nullptr);
                for (int32_t sample = 0; sample < video.Width(); ++sample)
                    ASSERT_EQ(stored[sample], test::StoredLayoutSample(passSpec, lines, state.Northbound, line, channel,
                                                                       sample, video.Width(), eightBit))
                        << "channel " << channel << " line " << line << " sample " << sample;
            }
        }
    }

    void ExpectCase(const TStationCase& file) {
        EXPECT_FALSE(Failed()) << state.DiagnosticLines.back();
        EXPECT_EQ(state.InputFormatCode, file.Code);
        EXPECT_EQ(state.RecordSize, file.RecordSize);
        EXPECT_EQ(state.HeaderLength, file.HeaderLength);
        if (file.Satellite != AnySatellite) {
            EXPECT_EQ(state.Orbit->SatelliteName, file.Satellite);
        }
        EXPECT_EQ(state.SelectedChannelCount(), file.Channels);
        EXPECT_EQ(state.EarthLocations->BaseDate, file.BaseDate);
        // Meteor-M N1 frames within the last 12,800 bytes of the file are not unpacked.
        ExpectStoredPass(Lines, file.EightBit, file.Code == 36 ? Lines - 2 : Lines);
    }

    // A damaged copy either loads the lines it holds or ends through the
    // failure handler; either way nobody is asked and the copy is kept.
    void ExpectDamagedCopiesEndCleanly(const TStationCase& file, std::mt19937& random) {
        const int64_t size = static_cast<int64_t>(file.Bytes.size());
        std::vector<TBytes> copies;
        for (const int64_t cut : {int64_t{0}, file.HeaderLength + 1, file.HeaderLength + file.RecordSize + 7, size / 2,
                                  size - 1})
            copies.emplace_back(file.Bytes.begin(), file.Bytes.begin() + std::clamp<int64_t>(cut, 0, size));
        for (int run = 0; run < 4; ++run) {
            TBytes copy = file.Bytes;
            const int64_t headerSpan = std::max<int64_t>(file.HeaderLength, 64);
            for (int k = 0; k < 24; ++k) copy[random() % static_cast<uint64_t>(headerSpan)] = static_cast<uint8_t>(random());
            copies.push_back(std::move(copy));
        }
        for (const TBytes& copy : copies) {
            SCOPED_TRACE(file.Name + ", " + std::to_string(copy.size()) + " bytes");
            TDialogService::Instance().ClearScript();
            std::filesystem::remove(folder / "data" / ChangeFileExt(file.Name, ".msu2"));
            const std::string path = Load(file.Name, copy);
            if (!Failed()) {
                EXPECT_GE(state.DataLineCount, 2);
                EXPECT_EQ(state.Video->LineCount(), state.DataLineCount);
            }
            for (const TDialogRequest& request : TDialogService::Instance().Requests())
                EXPECT_EQ(request.buttons, mbOK) << request.text;
            EXPECT_FALSE(state.Loading);
            EXPECT_EQ(test::ReadFileBytes(path), copy);
        }
    }

    std::vector<TStationCase> FirstFamily();
    std::vector<TStationCase> SixteenBitFamily();
    std::vector<TStationCase> SpotAndMeteorFamily();
};

std::vector<TStationCase> StationLoadTest::FirstFamily() {
    using test::TTimestepKind;
    test::TTimestepHeader windows;
    test::TTimestepHeader unpacked;
    unpacked.Packed = false;
    test::TTimestepHeader fengYun;
    fengYun.FengYun = "+FY1C";
    test::TTimestepHeader dos;
    dos.Channels = {true, true, false, true, false};
    const TDateTime newYear = EncodeDate(2023, 1, 1);
    return {
        {"ts_win.hrp", test::BuildTimestepFile(passSpec, Lines, windows, TTimestepKind::Windows), 1, 13868, 2048,
         "NOAA-18", 5, newYear},
        {"ts_words.hrp", test::BuildTimestepFile(passSpec, Lines, unpacked, TTimestepKind::Windows), 1, 22180, 2048,
         "NOAA-18", 5, newYear},
        {"ts_fy.hrp", test::BuildTimestepFile(passSpec, Lines, fengYun, TTimestepKind::Windows), 1, 27728, 2048, "FY1C",
         10, EncodeDate(2023, 5, 3)},
        {"ts_dos.hrp", test::BuildTimestepFile(passSpec, Lines, dos, TTimestepKind::Dos), 2, 4 * 2560, 2048, "NOAA-18",
         3, newYear},
        {"ts_dos8.hrp8", test::BuildTimestepFile(passSpec, Lines, windows, TTimestepKind::Dos8Bit), 3, 6 * 2048, 2048,
         "NOAA-18", 5, newYear, true},
        {"N1830010.hrp", test::BuildSsbFile(passSpec, Lines), 4, 13590, 0, "NOAA-18", 5, newYear},
        // The locator keeps only the year of a NOAA-95 date base.
        {"noaa18_pass.raw", test::BuildEightBitFile(passSpec, Lines, 5), 24, 5 * 2048, 0, "NOAA-18", 5,
         EncodeDate(2015, 1, 1), true},
        {"fy1d_pass.fy8", test::BuildEightBitFile(passSpec, Lines, 10), 25, 10 * 2048, 0, AnySatellite, 10, 0, true},
    };
}

TEST_F(StationLoadTest, TimestepSsbAndEightBitFilesStoreTheWritersSamples) {
    for (const TStationCase& file : FirstFamily()) {
        SCOPED_TRACE(file.Name);
        Load(file.Name, file.Bytes);
        ExpectCase(file);
    }
}

TEST_F(StationLoadTest, TimestepHeaderGivesDirectionTextAndCaption) {
    test::TTimestepHeader header;
    header.Descending = false;
    Load("ts_win.hrp", test::BuildTimestepFile(passSpec, Lines, header, test::TTimestepKind::Windows));
    EXPECT_TRUE(state.Northbound) << "an ascending pass is proposed northbound";
    EXPECT_EQ(state.HeaderText, "Timestep format, NOAA-18 captured: 2023-May-03  12:00");
    EXPECT_EQ(host.WindowCaption, state.HeaderText + " - ts_win - Talvessa");
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "  Decoded base date is 2023-May-03 and satellite name \"NOAA-18\""));
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "  Format string:  XRAWFMT"));
    EXPECT_EQ(state.TelemetryData->GoodSyncCount, Lines);
}

TEST_F(StationLoadTest, DamagedCopiesEndCleanly) {
    std::mt19937 random(15);
    for (const TStationCase& file : FirstFamily()) ExpectDamagedCopiesEndCleanly(file, random);
}

std::vector<TStationCase> StationLoadTest::SixteenBitFamily() {
    using test::TWordPacking;
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    const int64_t start = 1683115200;  // 2023-05-03 12:00
    const TDateTime newYear = EncodeDate(2023, 1, 1);
    const TDateTime may3 = EncodeDate(2023, 5, 3);
    return {
        {"pass.sw16", test::BuildLayoutPass(passSpec, Lines, test::SeaWifsVideo, TWordPacking::BigEndian16, 22180), 27,
         22180, 0, AnySatellite, 8, 0},
        {"20230503_fy1d.fy1d", test::BuildLayoutPass(passSpec, Lines, test::ChrptVideo, TWordPacking::LittleEndian16),
         28, 44360, 0, "FY1D", 10, may3},
        {"20230503_fy1c.fy1c", test::BuildLayoutPass(passSpec, Lines, test::ChrptVideo, TWordPacking::BigEndian16), 28,
         44360, 0, "FY1C", 10, may3},
        {"2019_dartcom.drt", test::BuildDartcomFile(passSpec, Lines, false), 29, 22016, 0, "NOAA-18", 5,
         EncodeDate(2019, 1, 1)},
        {"20230503_dartcom.drt", test::BuildDartcomFile(passSpec, Lines, true), 30, 44150, 0, "FY1C", 10, may3},
        {"NOAA-18_050323.rhd", test::BuildGtiFile(passSpec, Lines), 31, 22180, 52, "NOAA-18", 5, newYear},
        {"quorum.qrm", test::BuildQuorumFile(passSpec, Lines, false, "NOAA 18", set, start), 32, 22180, 44360,
         "NOAA-18", 5, newYear},
        {"quorum_fy.qrm", test::BuildQuorumFile(passSpec, Lines, true, "FENGYUN 1D", set, start), 32, 44360, 88720,
         "FY1D", 10, may3},
        // The recorder's text header is not a line of the picture.
        {"23123_18.svw", test::BuildSmartViewFile(passSpec, Lines), 33, 22180, 22180, "NOAA-18", 5, newYear},
    };
}

TEST_F(StationLoadTest, SixteenBitStationFilesStoreTheWritersSamples) {
    for (const TStationCase& file : SixteenBitFamily()) {
        SCOPED_TRACE(file.Name);
        Load(file.Name, file.Bytes);
        ExpectCase(file);
        if (file.Code == 32) {
            EXPECT_EQ(state.EarthLocations->EmbeddedTleLine1.substr(0, 7), "1 28654") << "the header's elements";
        }
    }
}

TEST_F(StationLoadTest, SixteenBitDamagedCopiesEndCleanly) {
    std::mt19937 random(16);
    for (const TStationCase& file : SixteenBitFamily()) ExpectDamagedCopiesEndCleanly(file, random);
}

// A Dartcom recording that began before the receiver locked: its first
// record is noise, the rest are frames. It loads as Dartcom, its satellite
// from its frames, every later line as the writer made it.
TEST_F(StationLoadTest, DartcomWhoseFirstRecordIsNoiseLoads) {
    TBytes bytes = test::BuildDartcomFile(passSpec, Lines, false);
    std::mt19937 random(29);
    for (size_t at = 0; at < 22016; ++at) bytes[at] = static_cast<uint8_t>(random());
    Load("2019_dartcom.drt", bytes);
    ASSERT_FALSE(Failed()) << state.DiagnosticLines.back();
    EXPECT_EQ(state.InputFormatCode, 29);
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
    const THRPTvideo& video = *state.Video;
    ASSERT_EQ(video.LineCount(), Lines);
    for (int32_t line = 1; line < Lines; line += 7) {
        const int32_t stored = state.Northbound ? Lines - 1 - line : line;
        const uint16_t* samples = video.SampleAddress(4, stored);
        ASSERT_NE(samples, nullptr);
        for (int32_t sample = 0; sample < video.Width(); sample += 97)
            ASSERT_EQ(samples[sample], test::StoredLayoutSample(passSpec, Lines, state.Northbound, stored, 4, sample,
                                                                video.Width(), false))
                << line << " " << sample;
    }
}

// A NOAA-18 Dartcom recording dated by its file whose first five records
// are noise, twelve fillings of it, or the tail of a NOAA-14 recording the
// station's recorder still held: the satellite comes from the records whose
// frames are sound, most of them, and is told as the frames' own. Of the 64
// records looked at, every 3.75th, the first two are of the start.
TEST_F(StationLoadTest, DartcomWhoseFirstRecordsAreNoiseIsTheSatelliteItsFramesName) {
    const TBytes pass = test::BuildDartcomFile(passSpec, Lines, false);
    test::THrptPassSpec noaa14 = passSpec;
    noaa14.SpacecraftId = 5;
    const TBytes otherFrames = test::BuildDartcomFile(noaa14, 5, false);
    struct TStartCase {
        std::string Name;
        std::function<void(TBytes&)> Spoil;  // the first five records
    };
    std::vector<TStartCase> cases;
    for (uint32_t filling = 0; filling < 12; ++filling)
        cases.push_back({"five records of noise, filling " + std::to_string(filling), [filling](TBytes& bytes) {
                             std::mt19937 random(filling);
                             for (size_t at = 0; at < 5 * static_cast<size_t>(DartcomRecordBytes); ++at)
                                 bytes[at] = static_cast<uint8_t>(random());
                         }});
    cases.push_back({"five records of a NOAA-14 pass",
                     [&](TBytes& bytes) { std::copy(otherFrames.begin(), otherFrames.end(), bytes.begin()); }});
    for (const TStartCase& start : cases) {
        SCOPED_TRACE(start.Name);
        TBytes bytes = pass;
        start.Spoil(bytes);
        const std::string path = Write("dartcom_pass.drt", bytes);
        SetFileDateTime(path, EncodeDate(2023, 5, 3) + EncodeTime(12, 5, 0, 0));
        loader.LoadDataFile(path);
        ASSERT_FALSE(Failed()) << state.DiagnosticLines.back();
        EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
        EXPECT_EQ(state.TelemetryData->NamedSatellite, "NOAA-18");
        EXPECT_TRUE(state.SatelliteFromFrames);
        EXPECT_TRUE(test::Contains(state.DiagnosticLines, "  Satellite NOAA-18 named by 62 of the 64 records looked at"))
            << ::testing::PrintToString(state.DiagnosticLines);
        EXPECT_TRUE(test::Contains(state.DiagnosticLines, "  From direction form:  estimated date: 2023-May-03  satellite: NOAA-18"));
    }
}

// What the frames of a Dartcom recording propose is the operator's to
// change: a satellite chosen instead holds once the pass is read, and is no
// proposal of the frames. A file loaded after one whose frames proposed its
// satellite names its own.
TEST_F(StationLoadTest, TheSatelliteTheOperatorChoosesForADartcomRecordingHolds) {
    settings.Unattended = false;
    settings.ForcedDirection = 2;
    std::string chosen;
    host.OnDirection = [&chosen](const TPassDirectionRequest& request, const TPassDirectionProposal& proposal) {
        TPassDirectionAnswer answer = DefaultPassDirectionAnswer(request, proposal);
        if (!chosen.empty()) answer.SatelliteText = chosen;
        return answer;
    };
    const TBytes dartcom = test::BuildDartcomFile(passSpec, Lines, false);
    struct TChoiceCase {
        const char* Name;
        TBytes Bytes;
        std::string Chosen;  // "": the proposal kept
        const char* Satellite;
        bool FromFrames;
    };
    const std::vector<TChoiceCase> loads = {
        {"dartcom_pass.drt", dartcom, "", "NOAA-18", true},
        {"dartcom_pass.drt", dartcom, "NOAA-19", "NOAA-19", false},
        {"dartcom_pass.drt", dartcom, "", "NOAA-18", true},
        {"2023-05-03-1200-NOAA18.raw16", test::Build16BitHrptFile(passSpec, Lines, false), "", "NOAA-18", false},
    };
    for (const TChoiceCase& file : loads) {
        SCOPED_TRACE(file.Name + (" " + file.Chosen));
        chosen = file.Chosen;
        const std::string path = Write(file.Name, file.Bytes);
        SetFileDateTime(path, EncodeDate(2023, 5, 3) + EncodeTime(12, 5, 0, 0));
        loader.LoadDataFile(path);
        EXPECT_EQ(state.Orbit->SatelliteName, file.Satellite);
        EXPECT_EQ(state.SatelliteFromFrames, file.FromFrames);
    }
}

TEST_F(StationLoadTest, QuorumWithoutHeaderOrInstrumentStartsFromNothing) {
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    TBytes bytes = test::BuildQuorumFile(passSpec, Lines, false, "NOAA 18", set, 1683115200);
    settings.ForcedDirection = 1;
    Load("NOAA-18_050323.rhd", test::BuildGtiFile(passSpec, Lines));
    settings.ForcedDirection = 0;
    // A SeaWiFS path gives an instrument the Quorum reader asks nothing for:
    // direction and date base stay as every load starts them.
    Load("seawifs_quorum.qrm", bytes);
    EXPECT_FALSE(Failed());
    EXPECT_EQ(state.SensorKind, SensorSeaWifs);
    EXPECT_FALSE(state.Northbound);
    EXPECT_TRUE(host.DirectionRequests.empty());
    bytes[22181] = 0;  // no date frame: the header is not recognised
    Load("quorum.qrm", bytes);
    EXPECT_TRUE(Failed());
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "The Quorum header of the file was not recognised"));
}

TEST_F(StationLoadTest, SmartViewAndGtiNames) {
    EXPECT_EQ(StationTwoDigitYear(57), 2057);
    EXPECT_EQ(StationTwoDigitYear(58), 1958);
    passSpec.SpacecraftId = 7;  // NOAA-15
    Load("99123_15.svw", test::BuildSmartViewFile(passSpec, Lines));
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-15");
    EXPECT_EQ(state.EarthLocations->BaseDate, EncodeDate(1999, 1, 1));
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "16-bit pre-scan, pass date & time from timestamp is: 1999-May-03 at 12:00"));
    // Frames 106-110 (45 % of the pass among them) a minute late and naming
    // NOAA-19, as they agree with each other: the rest of the pass outvotes them.
    TBytes late = test::BuildSmartViewFile(passSpec, Lines);
    // Each pair of frames a minute further on than the pair before: a frame and the next confirm each
    // other, but no two frames looked at across the pass agree, and none is believed.
    TBytes spread = late;
    for (size_t frame = 0; frame < static_cast<size_t>(Lines); ++frame) {
        const size_t at = 22180 * (frame + 1);
        const auto word = [&](size_t w) { return spread[at + 2 * w] | spread[at + 2 * w + 1] << 8; };
        const int milliseconds = ((word(9) & 127) << 20 | word(10) << 10 | word(11)) + 60000 * static_cast<int>(frame / 2);
        for (const auto& [w, value] : {std::pair{9, 0x280 | milliseconds >> 20}, std::pair{10, milliseconds >> 10 & 1023},
                                       std::pair{11, milliseconds & 1023}}) {
            spread[at + 2 * static_cast<size_t>(w)] = static_cast<uint8_t>(value);
            spread[at + 2 * static_cast<size_t>(w) + 1] = static_cast<uint8_t>(value >> 8);
        }
    }
    Load("99123_15.svw", spread);
    EXPECT_FALSE(test::Contains(state.DiagnosticLines, "16-bit pre-scan, pass date & time from timestamp is"))
        << ::testing::PrintToString(state.DiagnosticLines);
    for (size_t frame = 106; frame <= 110; ++frame) {
        const size_t at = 22180 * (frame + 1);
        const auto word = [&](size_t w) { return late[at + 2 * w] | late[at + 2 * w + 1] << 8; };
        const auto put = [&](size_t w, int value) {
            late[at + 2 * w] = static_cast<uint8_t>(value);
            late[at + 2 * w + 1] = static_cast<uint8_t>(value >> 8);
        };
        const int milliseconds = ((word(9) & 127) << 20 | word(10) << 10 | word(11)) + 60000;
        put(9, 0x280 | milliseconds >> 20);
        put(10, milliseconds >> 10 & 1023);
        put(11, milliseconds & 1023);
        put(6, (word(6) & ~0x78) | 15 << 3);
    }
    Load("99123_15.svw", late);
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-15");
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "16-bit pre-scan, pass date & time from timestamp is: 1999-May-03 at 12:00"));
    // Its first 16 frames name NOAA-14, their times right: the satellite is what most frames name.
    TBytes named = test::BuildSmartViewFile(passSpec, Lines);
    for (size_t frame = 0; frame < 16; ++frame) {
        uint8_t& identity = named[22180 * (frame + 1) + 12];  // the low byte of word 6
        identity = static_cast<uint8_t>((identity & ~0x78) | 5 << 3);
    }
    Load("99123_15.svw", named);
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-15");
    // A pass from 11:59:50 is timed at its frame nearest 45 % of it, 12:00:08, not at its first.
    test::THrptPassSpec early = passSpec;
    early.StartMilliseconds -= 10000;
    Load("99123_15.svw", test::BuildSmartViewFile(early, Lines));
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "16-bit pre-scan, pass date & time from timestamp is: 1999-May-03 at 12:00"));
    // The frame names another satellite than the GTI name.
    Load("NOAA-18_050323.rhd", test::BuildGtiFile(passSpec, Lines));
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "16-bit pre-scan, satellite re-selected as: NOAA-15"));
}

// SPOT channel 5 has columns the reader repairs from their neighbours: the
// pattern keeps it the same along a line.
uint16_t SpotSample(int32_t line, int channel, int32_t sample) {
    return channel == 5 ? static_cast<uint16_t>(line * 3 % 1024) : test::DefaultSample(line, channel, sample);
}

std::vector<TStationCase> StationLoadTest::SpotAndMeteorFamily() {
    passSpec.Samples = SpotSample;
    const test::THrptPassSpec& spot = passSpec;
    const test::TMeteorSpec meteor;
    test::TMeteorSpec meteorN1;
    meteorN1.Satellite = "METEOR-M1";
    const TDateTime newYear = EncodeDate(2023, 1, 1);
    return {
        {"spot.img", test::BuildSpotFile(spot, Lines, false, 1683115200), 34, 11216, 0, "SPOT-4", 5, EncodeDate(2023, 5, 3)},
        {"spot.fi5", test::BuildSpotFile(spot, Lines, true, 1683115200), 35, 11264, 0, "SPOT-4", 5, 0},
        {"2023-05-03-1200_MN2.msu2", test::BuildMsu2File(passSpec, meteor, Lines), 38, 11850, 1024, "METEOR-M2", 6,
         newYear},
        {"meteor_n1.mn1", test::BuildMhrpFile(passSpec, meteorN1, Lines), 36, 12800, 256, "METEOR-M1", 6, newYear},
    };
}

TEST_F(StationLoadTest, SpotAndMeteorFilesStoreTheWritersSamples) {
    settings.ForcedDirection = 2;
    for (const TStationCase& file : SpotAndMeteorFamily()) {
        SCOPED_TRACE(file.Name);
        Load(file.Name, file.Bytes);
        ExpectCase(file);
    }
}

TEST_F(StationLoadTest, SpotAndMeteorDamagedCopiesEndCleanly) {
    std::mt19937 random(17);
    for (const TStationCase& file : SpotAndMeteorFamily()) ExpectDamagedCopiesEndCleanly(file, random);
}

// A raw Meteor-M N2 file is converted beside itself once; the conversion is
// then used as it is.
TEST_F(StationLoadTest, RawMeteorFileIsConvertedOnce) {
    settings.ForcedDirection = 2;
    const TBytes raw = test::BuildMn2File(passSpec, test::TMeteorSpec(), Lines);
    const std::string path = Load("meteor_pass.mn2", raw);
    const std::string converted = ChangeFileExt(path, ".msu2");
    EXPECT_EQ(state.InputFormatCode, 38);
    EXPECT_EQ(state.LoadedFileName, "meteor_pass");
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "Meteor M-N2 file converted ..."));
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, Format("%d frames", Lines)));
    EXPECT_EQ(test::ReadFileBytes(converted), test::BuildMsu2File(passSpec, test::TMeteorSpec(), Lines));
    EXPECT_NEAR(GetFileDate(converted), GetFileDate(path), 2.5 / SecsPerDay) << "file dates keep two-second steps";
    EXPECT_EQ(host.RecentFiles.front(), converted);
    ExpectStoredPass(Lines, false);
    EXPECT_EQ(test::ReadFileBytes(path), raw);

    Load("meteor_pass.mn2", raw);
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "Using converted Meteor M-N2 file"));
}

// A raw Meteor file in a folder the user cannot write to is converted into a
// private folder that goes with the load; the recent-file list keeps the
// recording. Beside a recording, the conversion takes the recording's permissions.
TEST_F(StationLoadTest, RawMeteorFileInAReadOnlyFolderIsConvertedPrivately) {
    settings.ForcedDirection = 2;
    const TBytes raw = test::BuildMn2File(passSpec, test::TMeteorSpec(), Lines);
    const std::string shared = Write("meteor_shared.mn2", raw);
    std::filesystem::permissions(shared, std::filesystem::perms(0644), std::filesystem::perm_options::replace);
    loader.LoadDataFile(shared);
    EXPECT_EQ(std::filesystem::status(ChangeFileExt(shared, ".msu2")).permissions(), std::filesystem::perms(0644));

    const std::string path = Write("meteor_pass.mn2", raw);
    std::filesystem::create_directories(folder / "tmp");
    const std::string report = testing::RunUnprivileged(folder.string(), [&] {
        setenv("TMPDIR", (folder / "tmp").c_str(), 1);
        std::filesystem::permissions(folder / "data", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        loader.LoadDataFile(path);
        std::string problems;
        if (state.InputFormatCode != 38 || state.DataLineCount != Lines) problems += "not loaded as converted; ";
        if (host.RecentFiles.front() != path) problems += "the recording is not the recent file; ";
        if (std::filesystem::exists(ChangeFileExt(path, ".msu2"))) problems += "converted beside; ";
        if (!std::filesystem::is_empty(folder / "tmp")) problems += "the private folder stayed; ";
        return problems;
    });
    EXPECT_EQ(report, "");
}

// A raw Meteor recording alone on a disk too full for its conversion: it is
// converted where a recording in a read-only folder is, or, when that
// cannot take it either, the load is refused with the cause. Its transfer
// frames are never read as a raw pass.
TEST_F(StationLoadTest, RawMeteorFileOnAFullDiskIsConvertedPrivatelyOrRefused) {
    SKIP_WITHOUT_SMALL_DISKS();
    settings.ForcedDirection = 2;
    const TBytes raw = test::BuildMn2File(passSpec, test::TMeteorSpec(), Lines);
    const std::filesystem::path disk = folder / "disk";
    std::filesystem::create_directories(folder / "tmp");
    std::filesystem::create_directories(disk);
    // Room for the recording, not for the recording and its conversion.
    const size_t diskBytes = raw.size() + Lines * static_cast<size_t>(MsuMrFrameBytes) / 2;
    struct TFullDiskCase {
        const char* Name;
        std::filesystem::path PrivateFolders;  // where TMPDIR points
        bool Loaded;
    };
    for (const TFullDiskCase& full : {TFullDiskCase{"a private folder with room", folder / "tmp", true},
                                      TFullDiskCase{"private folders on the full disk too", disk, false}}) {
        SCOPED_TRACE(full.Name);
        EXPECT_EQ(testing::RunWithSmallDisk(disk.string(), diskBytes, [&] {
            setenv("TMPDIR", full.PrivateFolders.c_str(), 1);
            const std::string path = (disk / "2023-05-03-0900-METEOR.mn2").string();
            test::WriteFileBytes(path, raw);
            loader.LoadDataFile(path);
            std::string problems;
            if (std::filesystem::exists(ChangeFileExt(path, ".msu2"))) problems += "a conversion beside; ";
            if (state.InputFormatCode == 37) problems += "read as a raw pass; ";
            if (full.Loaded) {
                if (state.InputFormatCode != 38 || state.DataLineCount != Lines) problems += "not loaded as converted; ";
                if (!std::filesystem::is_empty(folder / "tmp")) problems += "the private folder stayed; ";
                if (host.RecentFiles.empty() || host.RecentFiles.front() != path) problems += "not the recording in the recent files; ";
                if (!test::Contains(state.DiagnosticLines, "No space left on device")) problems += "why not beside untold; ";
                return problems;
            }
            if (state.DataLineCount != 0) problems += "loaded; ";
            for (const char* told : {"The Meteor M-N2 file could not be converted: Unable to write to ",
                                     "No space left on device; nor in a private folder: Unable to write to "})
                if (state.LoadFailure.find(told) == std::string::npos) problems += "not told: " + std::string(told) + "; ";
            return problems;
        }), "");
    }
}

// 50 frames or fewer are no pass: no ".msu2" is left, and the raw file is read as it stands.
TEST_F(StationLoadTest, ShortMeteorConversionLeavesNoFile) {
    const TBytes raw = test::BuildMn2File(passSpec, test::TMeteorSpec(), 50);
    const std::string path = Load("meteor_short.mn2", raw);
    EXPECT_FALSE(std::filesystem::exists(ChangeFileExt(path, ".msu2")));
    EXPECT_EQ(state.InputFormatCode, 37);
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "METEOR-M2")) << "the header's satellite, logged unattended";
    for (const TDialogRequest& request : TDialogService::Instance().Requests())
        EXPECT_NE(request.text, "METEOR-M2") << "only the orbit's notes, which never wait";
    int32_t frames = -1;
    std::string name = path;
    EXPECT_FALSE(UnpackMN2Stream(name, frames));
    EXPECT_EQ(frames, 50);
    EXPECT_EQ(name, path);
}

// Read as it stands, a raw Meteor-M2 file gives every frame's samples.
TEST_F(StationLoadTest, RawMeteorFileReadWithoutConversion) {
    settings.ForcedDirection = 2;
    test::TMeteorSpec meteor;
    meteor.Header = false;
    constexpr int32_t Frames = 40;  // too few to convert
    Load("MN2_20230503_1200.mn2", test::BuildMeteorRawWalkFile(passSpec, meteor, Frames));
    ASSERT_FALSE(Failed()) << state.DiagnosticLines.back();
    EXPECT_EQ(state.InputFormatCode, 37);
    EXPECT_EQ(state.Orbit->SatelliteName, "METEOR-M2");
    ExpectStoredPass(state.DataLineCount, false, Frames);
}

TEST_F(StationLoadTest, MeteorHeaderDates) {
    test::TMeteorSpec meteor;
    EXPECT_EQ(MeteorHeaderDate(test::MeteorHeader(meteor, "M2HR", 1024)), EncodeDate(2023, 5, 3) + EncodeTime(12, 0, 0, 0));
    meteor.Month = 13;
    EXPECT_THROW(MeteorHeaderDate(test::MeteorHeader(meteor, "M2HR", 1024)), EConvertError);
    // An invalid header date fails the load.
    Load("bad_date.msu2", test::BuildMsu2File(passSpec, meteor, Lines));
    EXPECT_TRUE(Failed());
}

// The satellite word, the year pivot and the NOAA-10 service dates, as the
// header decoder reads them.
TEST_F(StationLoadTest, TimestepSatelliteWordsAndYears) {
    const struct {
        uint16_t Word;
        int Year;
        const char* Satellite;
        int DecodedYear;
    } rows[] = {{9, 23, "NOAA-17", 2023},    {13, 2023, "NOAA-16", 2023}, {65535, 56, "NOAA-18", 2056},
                {10, 2023, "NOAA-19", 2023}, {10, 90, "NOAA-10", 1990},   {12, 57, "NOAA-12", 1957},
                {99, 2005, "", 2005}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Word);
        TLoadContext load(state, host, settings);
        test::TTimestepHeader header;
        header.SatelliteWord = row.Word;
        header.Year = row.Year;
        const TBytes bytes = test::TimestepHeader(header, test::TTimestepKind::Windows);
        std::copy(bytes.begin(), bytes.end(), load.HeaderBuffer.begin());
        DecodeTimestepHeader(load);
        EXPECT_EQ(state.Orbit->SatelliteName, row.Satellite);
        EXPECT_EQ(state.EarthLocations->BaseDate, EncodeDate(row.DecodedYear, 1, 1));
    }
    // A capture date that is no date leaves no header text and the date base as it was.
    TLoadContext load(state, host, settings);
    state.HeaderText.clear();
    test::TTimestepHeader header;
    header.Month = 13;
    const TBytes bytes = test::TimestepHeader(header, test::TTimestepKind::Windows);
    std::copy(bytes.begin(), bytes.end(), load.HeaderBuffer.begin());
    state.EarthLocations->BaseDate = 7;
    DecodeTimestepHeader(load);
    EXPECT_EQ(state.HeaderText, "");
    EXPECT_EQ(state.EarthLocations->BaseDate, 7);
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
}

// The SSB name gives satellite and orbit number; the orbit number's date is
// refined by the frame at 45 % of the pass.
TEST_F(StationLoadTest, SsbPassTimeFromTheMidPassFrame) {
    Load("N1830010.hrp", test::BuildSsbFile(passSpec, Lines));
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "SSB/Orbit pre-scan, satellite is: NOAA-18"));
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "SSB/Orbit pre-scan, pass date & time from timestamp is: 2023-May-03 at 12:00"));
    EXPECT_EQ(host.WindowCaption, "Talvessa - N1830010, NOAA-18 (Orbit/SSB format)");
    EXPECT_TRUE(state.Orbit->ElementsValid);

    Load("X1830010.hrp", test::BuildSsbFile(passSpec, Lines));
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "SSB/Orbit format could not determine satellite name"));
    EXPECT_EQ(host.WindowCaption, "Talvessa - X1830010 (Orbit/SSB format)");
}

// An estimate near New Year and a frame of the other side of midnight: the
// frame's year is the one whose New Year lies between them.
TEST(FrameYearTest, AFrameAcrossNewYearFromTheEstimateTakesItsOwnYear) {
    const TDateTime lateDecember = EncodeDate(2023, 12, 31) + 0.99;
    const TDateTime earlyJanuary = EncodeDate(2024, 1, 1) + 0.004;
    EXPECT_EQ(FrameYear(lateDecember, 1), 2024);
    EXPECT_EQ(FrameYear(lateDecember, 365), 2023);
    EXPECT_EQ(FrameYear(earlyJanuary, 365), 2023) << "dated by its 1 January part";
    EXPECT_EQ(FrameYear(earlyJanuary, 366), 2023);
    EXPECT_EQ(FrameYear(earlyJanuary, 1), 2024);
    EXPECT_EQ(FrameYear(EncodeDate(2024, 2, 28), 340), 2023) << "within 60 days of New Year";
    EXPECT_EQ(FrameYear(EncodeDate(2024, 3, 15), 340), 2024) << "an estimate far from New Year keeps its year";
    EXPECT_EQ(FrameYear(EncodeDate(2024, 7, 1), 1), 2024);
}

TEST_F(StationLoadTest, Noaa95AsksForSatelliteAndStart) {
    settings.Unattended = false;
    host.OnDirection = [](const TPassDirectionRequest& request, const TPassDirectionProposal& proposal) {
        TPassDirectionAnswer answer = DefaultPassDirectionAnswer(request, proposal);
        answer.SatelliteText = "NOAA-18";
        answer.PassDate = EncodeDate(2023, 5, 3) + EncodeTime(12, 0, 0, 0);
        return answer;
    };
    Load("pass.raw", test::BuildEightBitFile(passSpec, Lines, 5));
    ASSERT_EQ(host.DirectionRequests.size(), 1u);
    EXPECT_EQ(host.DirectionRequests[0].HintText, "Confirm satellite, pass start date and time");
    EXPECT_EQ(host.DirectionRequests[0].DateMode, TDateMode::DateAndTime);
    EXPECT_EQ(host.DirectionRequests[0].PassDate, EncodeDate(2015, 4, 5) + EncodeTime(10, 11, 0, 0));
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
    EXPECT_EQ(state.PassDateTime, EncodeDate(2023, 5, 3) + EncodeTime(12, 0, 0, 0));
    EXPECT_EQ(state.EarthLocations->BaseDate, EncodeDate(2023, 1, 1));
}

}  // namespace
}  // namespace kestrune
