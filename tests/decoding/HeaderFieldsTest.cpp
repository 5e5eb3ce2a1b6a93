#include "decoding/HeaderFields.h"

#include "tests/support/StationFileWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace kestrune {
namespace {

std::vector<uint8_t> Words(std::initializer_list<uint16_t> words) {
    std::vector<uint8_t> bytes;
    for (const uint16_t word : words) {
        bytes.push_back(static_cast<uint8_t>(word));
        bytes.push_back(static_cast<uint8_t>(word >> 8));
    }
    return bytes;
}

TEST(UnixDayDateTest, SecondsHighWordFirstInWordsThreeAndFour) {
    const uint32_t seconds = 1683115200;  // 2023-05-03 12:00:00
    const std::vector<uint8_t> block = Words({0, 0, 0, static_cast<uint16_t>(seconds >> 16), static_cast<uint16_t>(seconds)});
    EXPECT_NEAR(UnixDayDate(std::span<const uint8_t>(block)), EncodeDate(2023, 5, 3) + 0.5, 1e-9);
    EXPECT_EQ(UnixDayDate(std::span<const uint8_t>(block).first(8)), 0);
}

TEST(HeaderDateTest, YearsSince1900AndMonthsFromZero) {
    const std::vector<uint8_t> bytes = {123, 4, 3, 12, 1};
    EXPECT_EQ(HeaderDate(bytes), EncodeDate(2023, 5, 3) + EncodeTime(12, 1, 0, 0));
    const std::vector<uint8_t> month13 = {123, 12, 3, 12, 1};
    EXPECT_THROW(HeaderDate(month13), EConvertError);
}

TEST(RecordSizeKindTest, KnownLayoutsOnly) {
    std::vector<uint8_t> header(512, ' ');
    const auto setSize = [&](const char* text) { std::memcpy(header.data() + 181, text, 6); };
    uint8_t kind = 0;
    setSize("  4608");
    EXPECT_EQ(L1BRecordSizeKindGac(header, 10, 5, kind), 4608);
    EXPECT_EQ(kind, 2);
    setSize("2360  ");
    EXPECT_EQ(L1BRecordSizeKindGac(header, 10, 2, kind), 2360);
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(L1BRecordSizeKindGac(header, 10, 3, kind), 0);
    EXPECT_EQ(L1BRecordSizeKindGac(header, 15, 3, kind), 4608);
    setSize(" 22528");
    EXPECT_EQ(L1BRecordSizeKind(header, 7, 5, kind), 22528);
    EXPECT_EQ(kind, 3);
    setSize("abcdef");
    EXPECT_EQ(L1BRecordSizeKind(header, 7, 5, kind), 0);
    EXPECT_EQ(L1BRecordSizeKind(header, 14, 5, kind), 15872);
}

// Four sound records (the last sync word, a valid day and time code) of
// the eight the header buffer holds; the others are zero.
TEST(SpacecraftFromFramesTest, IdWordAndMedianDay) {
    std::vector<uint8_t> header(176600, 0);
    const auto putWord = [&](size_t offset, uint16_t word) {
        header[offset] = static_cast<uint8_t>(word);
        header[offset + 1] = static_cast<uint8_t>(word >> 8);
    };
    const uint16_t days[] = {123, 124, 123, 300};
    const auto putId = [&](uint16_t id) {
        for (size_t frame = 0; frame < 4; ++frame) putWord(frame * 22016 + 2, static_cast<uint16_t>(id << 3));
    };
    for (size_t frame = 0; frame < 4; ++frame) {
        putWord(frame * 22016, 149);
        putWord(frame * 22016 + 6, static_cast<uint16_t>(days[frame] << 1));
        putWord(frame * 22016 + 8, 0x280);
    }
    putId(13);
    TFramesSatellite framed = SpacecraftNameFromFrames(header, EncodeDate(2023, 5, 3));
    EXPECT_EQ(framed.Satellite, "NOAA-18");
    EXPECT_EQ(framed.DayOfYear, 124) << "median of 123, 123, 124, 300 rounds 123.5 to even";
    EXPECT_EQ(framed.Looked, 8);
    EXPECT_EQ(framed.Naming, 4);
    putId(15);
    EXPECT_EQ(SpacecraftNameFromFrames(header, EncodeDate(1990, 1, 1)).Satellite, "NOAA-10");
    EXPECT_EQ(SpacecraftNameFromFrames(header, EncodeDate(2023, 1, 1)).Satellite, "NOAA-19");
    EXPECT_EQ(SpacecraftNameFromFrames(std::span<const uint8_t>(header).first(100), 0).Satellite, "");
}

// Records of every day of the year are sound: New Year's Eve of a leap
// year is day 366, and a pass across its midnight names the day most of its
// records were taken on.
TEST(SpacecraftFromFramesTest, RecordsOfEveryDayOfTheYearNameTheSatellite) {
    struct TDayCase {
        const char* Name;
        int32_t Day;
        int32_t DaysInYear;
        int64_t StartMilliseconds;
        TDateTime FileDate;
        int Told;
    };
    constexpr int64_t Noon = 12 * 3600000LL;
    constexpr int64_t BeforeMidnight = 86400000LL - 30000;  // 240 records: 30 s before, 10 s after
    for (const TDayCase& day : {TDayCase{"1 January", 1, 366, Noon, EncodeDate(2024, 1, 1), 1},
                                TDayCase{"31 December of a common year", 365, 365, Noon, EncodeDate(2023, 12, 31), 365},
                                TDayCase{"31 December of a leap year", 366, 366, Noon, EncodeDate(2024, 12, 31), 366},
                                TDayCase{"across midnight of a leap year's end", 366, 366, BeforeMidnight,
                                         EncodeDate(2025, 1, 1), 366}}) {
        SCOPED_TRACE(day.Name);
        test::THrptPassSpec frames;
        frames.DayOfYear = day.Day;
        frames.DaysInYear = day.DaysInYear;
        frames.StartMilliseconds = day.StartMilliseconds;
        const TFramesSatellite framed = SpacecraftNameFromFrames(test::BuildDartcomFile(frames, 240, false), day.FileDate);
        EXPECT_EQ(framed.Satellite, "NOAA-18");
        EXPECT_EQ(framed.Naming, 64);
        EXPECT_EQ(framed.DayOfYear, day.Told);
    }
}

// A NOAA-18 Dartcom recording of 240 records (day 123) whose first five a
// station recorded before the signal locked: noise, or frames of a weak
// start. The identity word most sound records name decides, not the fourth
// record's; a record of noise is never sound.
TEST(SpacecraftFromFramesTest, TheSatelliteMostSoundRecordsNameDecides) {
    constexpr int32_t Records = 240;
    const test::THrptPassSpec noaa18;
    const std::vector<uint8_t> pass = test::BuildDartcomFile(noaa18, Records, false);
    test::THrptPassSpec noaa14 = noaa18;
    noaa14.SpacecraftId = 5;
    const std::vector<uint8_t> otherFrames = test::BuildDartcomFile(noaa14, 5, false);
    struct TStartCase {
        std::string Name;
        std::function<void(std::vector<uint8_t>&)> Spoil;
        const char* Satellite;
        int32_t Naming;
    };
    std::vector<TStartCase> cases;
    for (uint32_t filling = 0; filling < 12; ++filling)
        cases.push_back({"five records of noise, filling " + std::to_string(filling),
                         [filling](std::vector<uint8_t>& bytes) {
                             std::mt19937 random(filling);
                             for (size_t at = 0; at < 5 * static_cast<size_t>(DartcomRecordBytes); ++at) bytes[at] = static_cast<uint8_t>(random());
                         },
                         "NOAA-18", 64 - 2});
    cases.push_back({"five records naming another satellite",
                     [&](std::vector<uint8_t>& bytes) { std::copy(otherFrames.begin(), otherFrames.end(), bytes.begin()); },
                     "NOAA-18", 64 - 2});
    cases.push_back({"noise throughout",
                     [](std::vector<uint8_t>& bytes) {
                         std::mt19937 random(99);
                         for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
                     },
                     "", 0});
    for (const TStartCase& start : cases) {
        SCOPED_TRACE(start.Name);
        std::vector<uint8_t> bytes = pass;
        start.Spoil(bytes);
        const TFramesSatellite framed = SpacecraftNameFromFrames(bytes, EncodeDate(2023, 5, 3));
        EXPECT_EQ(framed.Satellite, start.Satellite);
        EXPECT_EQ(framed.Looked, 64);
        EXPECT_EQ(framed.Naming, start.Naming);
        EXPECT_EQ(framed.DayOfYear, framed.Naming > 0 ? 123 : 0);
    }
}

}  // namespace
}  // namespace kestrune
