#include "decoding/Level1b.h"
#include "decoding/Level1bTimes.h"

#include "orbit/Orbits.h"
#include "tests/support/Level1bWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kestrune {
namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Level1bTime, YearsOfTheCenturyAndMilliseconds) {
    struct TCase {
        std::vector<uint8_t> Code;
        std::string Text;
    };
    const TCase cases[] = {{{0x71, 0x2C, 0, 0, 0, 0}, "2056-10-26 00:00:00"},              // year 56, day 300
                           {{0x72, 0x01, 0x03, 0x9B, 0xC4, 0x60}, "1957-01-01 16:49:00"},  // year 57, day 1
                           {{0xA0, 0x03, 0x02, 0x87, 0x83, 0x8D}, "1980-01-03 11:47:15"}};
    for (const TCase& c : cases) {
        TDateTime when = 0;
        std::string text;
        DecodeL1BTime(c.Code, when, text);
        EXPECT_EQ(text, c.Text);
    }
    EXPECT_EQ(DecodeL1BTime(std::vector<uint8_t>{0xA0, 0x03, 0x02, 0x87, 0x83, 0x8D}),
              EncodeDate(1980, 1, 3) + 42435469 / MSecsPerDay);
}

TEST(Level1bNames, SpacecraftCodes) {
    const std::pair<const char*, const char*> cases[] = {
        {"NSS.GHRR.NK.D98123", "NOAA-15"}, {"NSS.GHRR.NP.D09001", "NOAA-19"}, {"NSS.GHRR.NA.D80001", "NOAA-6"},
        {"NSS.GHRR.NO.D98123", ""},        {"NSS.GHRR.NB.D98123", ""},        {"NSS.GHRR.TN.D80003", "TIROS-N"},
        {"NSS.GHRR.TX.D80003", "TIROS-N"}, {"NSS.HRPT.M2.D10001", "METOP-A"}, {"NSS.HRPT.M1.D13001", "METOP-B"},
        {"NSS.HRPT.M3.D19001", "METOP-C"}, {"NSS.HRPT.M4.D19001", ""},        {"NSS.HRPT", ""}};
    for (const auto& [name, satellite] : cases) EXPECT_EQ(L1BSpacecraftName(name), satellite) << name;
}

std::vector<uint8_t> ArsHeader(const std::string& name, char layout) {
    std::vector<uint8_t> header(512, ' ');
    std::copy(name.begin(), name.end(), header.begin() + 30);
    header[193] = static_cast<uint8_t>(layout);
    return header;
}

TEST(Level1bArchiveHeader, DataSetNameGivesThePass) {
    std::vector<std::string> lines;
    TOrbit orbit;
    const TArsSummary ars =
        DecodeARSHeader(ArsHeader("NSS.GHRR.NK.D98123.S1234.E1456.B1234567.GC", ' '), lines, &orbit);
    EXPECT_EQ(ars.SatelliteName, "NOAA-15");
    EXPECT_EQ(orbit.SatelliteName, "NOAA-15");
    EXPECT_EQ(ars.Start, EncodeDate(1998, 5, 3) + EncodeTime(12, 34, 0, 0));
    EXPECT_EQ(ars.Stop, EncodeDate(1998, 5, 3) + EncodeTime(14, 56, 0, 0));
    EXPECT_EQ(ars.Summary, "NOAA-15, GAC, 1998 May 03, 12:34-14:56 UTC");
    EXPECT_EQ(ars.Description,
              "NOAA-15, 1998 May 03 12:34-14:56 UTC\nAcquired: Fairbanks, Alaska, USA\n"
              "Processed: NOAA/NESDIS - Suitland, Maryland, USA");
    EXPECT_TRUE(Has(lines, "  Satellite: NOAA-15"));
    EXPECT_TRUE(Has(lines, "  Data Set Header details... (KLM)"));
    EXPECT_TRUE(Has(lines, "    Number of records:        (includes 2 header records)"));
    EXPECT_TRUE(Has(lines, "  Select flag \" \" unrecognised"));
    EXPECT_EQ(lines.back(), " ");
}

TEST(Level1bArchiveHeader, TimesOverMidnightAndOutOfRange) {
    std::vector<std::string> lines;
    const TArsSummary midnight =
        DecodeARSHeader(ArsHeader("NSS.HRPT.NN.D23365.S2350.E0010.B1234567.WI", ' '), lines, nullptr);
    EXPECT_EQ(midnight.Start, EncodeDate(2023, 12, 31) + EncodeTime(23, 50, 0, 0));
    EXPECT_EQ(midnight.Stop, EncodeDate(2024, 1, 1) + EncodeTime(0, 10, 0, 0));
    const TArsSummary minute =
        DecodeARSHeader(ArsHeader("NSS.HRPT.NN.D23001.S1275.E1300.B1234567.WI", ' '), lines, nullptr);
    EXPECT_EQ(minute.Start, EncodeDate(2023, 1, 1) + EncodeTime(12, 59, 0, 0));
    for (const char* broken :
         {"NSS.HRPT.NN.D2300X.S1200.E1300.B1234567.WI", "NSS.HRPT.NN.D23001.S2500.E1300.B1234567.WI"}) {
        const TArsSummary none = DecodeARSHeader(ArsHeader(broken, ' '), lines, nullptr);
        EXPECT_EQ(none.Start, 0.0) << broken;
        EXPECT_EQ(none.Summary, "") << broken;
    }
}

// The older data set header is read big-endian from the bytes as stored;
// the buffer is not converted in place first.
TEST(Level1bArchiveHeader, OlderDataSetHeaderFromTheWriter) {
    test::TL1BPassSpec passSpec;
    passSpec.Older = true;
    passSpec.Records = 7;
    passSpec.DataSetName = "NSS.HRPT.NJ.D23123.S1200.E1210.B9012345.WI";
    const test::TBytes file = test::BuildL1BFile(passSpec);
    const std::vector<uint8_t> before(file.begin(), file.begin() + 512);
    std::vector<std::string> lines;
    TOrbit orbit;
    const TArsSummary ars = DecodeARSHeader(std::span(file).first(512), lines, &orbit);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), file.begin()));
    EXPECT_EQ(ars.SatelliteName, "NOAA-14");
    for (const char* line : {"    Spacecraft ID: 3 => NOAA-14", "    Data type: 48 => HRPT",
                             "    Start time: 2023-05-03 12:00:00", "    Number of scans: 7", "    Data gaps: 2",
                             "    Epoch time: 2023-May-02 12:00:00.000", "          X : -1234.57 km"})
        EXPECT_TRUE(Has(lines, line)) << line;
}

TEST(Level1bHeaderRecord, DumpReadsItsOwnByteOrder) {
    test::TL1BPassSpec passSpec;
    passSpec.ArchiveHeader = false;
    const test::TBytes file = test::BuildL1BFile(passSpec);
    std::vector<std::string> lines;
    DumpL1BHeaderRecord(std::span(file).first(HeaderRecordBytes), lines);
    for (const char* line : {"  Data records: 120", "  Nadir earth location tolerance: 2.5 km",
                             "  Orbit vector epoch: 2023-May-02 12:00:00.000  (day 122)",
                             "  Ch4: Wavenumber:927.1540 C1:2.500000 C2:0.000000"})
        EXPECT_TRUE(Has(lines, line)) << line;
    // An epoch of year 0 is left out; the elements still follow.
    std::vector<uint8_t> noEpoch(file.begin(), file.begin() + HeaderRecordBytes);
    noEpoch[348] = noEpoch[349] = 0;
    lines.clear();
    DumpL1BHeaderRecord(noEpoch, lines);
    EXPECT_FALSE(std::any_of(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.find("epoch") != std::string::npos; }));
    EXPECT_TRUE(Has(lines, "              Semi-major axis: 7226.21000 km"));
}

// Times of day of a NOAA-18 pass of 400 lines from 11:00 (or 23:59:50),
// damaged as copies are: a record's time set to 03:12 or shifted, a few
// records' times, a real loss of signal, a second pass 20 minutes on.
TEST(Level1bTimes, OnlyTimesTheRecordsAroundThemContradictAreLeftOut) {
    struct TCase {
        const char* Name;
        std::vector<std::pair<int, double>> Set;  // record, seconds of the day (-1: no time)
        std::vector<int> Contradicted;
        double Start = 11 * 3600;
        int GapAfter = -1;     // records after this one come later by GapSeconds
        double GapSeconds = 0;
    };
    const double wild = 3 * 3600 + 12 * 60;
    const TCase cases[] = {
        {"intact", {}, {}},
        {"across midnight", {}, {}, 86390},
        {"record 200 at 03:12", {{200, wild}}, {200}},
        {"record 0 at 03:12", {{0, wild}}, {0}},
        {"record 399 at 03:12", {{399, wild}}, {399}},
        {"record 0 a minute late", {{0, 11 * 3600 + 60}}, {0}},
        {"record 0 a minute early", {{0, 11 * 3600 - 60}}, {0}},
        {"record 399 ten minutes late", {{399, 11 * 3600 + 399 / 6.0 + 600}}, {399}},
        {"records 200-202 at 03:12, 201 without time", {{200, wild}, {201, -1}, {202, wild}}, {200, 202}},
        {"records 100-104 two seconds on", {{100, 39618.667}, {101, 39618.833}, {102, 39619}, {103, 39619.167},
                                            {104, 39619.333}}, {100, 101, 102, 103, 104}},
        {"a loss of signal of 10 s after record 199", {}, {}, 11 * 3600, 199, 10},
        {"a second pass 20 minutes on", {}, {}, 11 * 3600, 199, 1200},
        {"record 200 at 03:12 beside a loss of signal", {{200, wild}}, {200}, 11 * 3600, 200, 10},
        {"across midnight, record 61 (just after it) at 03:12", {{61, wild}}, {61}, 86390},
        {"record 200 half a line late", {{200, 11 * 3600 + 200.5 / 6}}, {200}},
        {"record 200 at 15:00 beside a loss of signal", {{200, 15 * 3600}}, {200}, 11 * 3600, 200, 10},
        // Long runs that go back in time (the records after 199 ten minutes
        // earlier): the few between them cannot be judged by their order and keep their times.
        {"records after 199 ten minutes earlier", {}, {}, 11 * 3600, 199, -600},
        {"record 200 at 03:12 between runs going back ten minutes", {{200, wild}}, {}, 11 * 3600, 199, -600},
        {"records 200-202 between runs going back ten minutes", {{200, 39600 + 200 / 6.0 - 300}, {201, wild}}, {},
         11 * 3600, 199, -600},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<TDateTime> times(400);
        for (int line = 0; line < 400; ++line) {
            const double seconds = c.Start + line / 6.0 + (c.GapAfter >= 0 && line > c.GapAfter ? c.GapSeconds : 0);
            times[static_cast<size_t>(line)] = std::fmod(seconds, 86400.0) / 86400.0;
        }
        for (const auto& [record, seconds] : c.Set) times[static_cast<size_t>(record)] = seconds < 0 ? 0 : seconds / 86400;
        EXPECT_EQ(ContradictedRecordTimes(times), c.Contradicted);
    }
}

}  // namespace
}  // namespace kestrune
