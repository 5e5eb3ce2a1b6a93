#include "orbit/LineTiming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <utility>

namespace kestrune {
namespace {

const TDateTime YearStart = EncodeDate(2023, 1, 1);
const TDateTime PassStart = EncodeDate(2023, 5, 3) + 0.5;  // 12:00:00.000, day 123
constexpr double Millisecond = 1.0 / MSecsPerDay;

// Frame f of a recording from 12:00, six a second, in whole milliseconds.
TDateTime FrameTime(int frame) { return PassStart + static_cast<double>(Round(frame * 1000.0 / 6.0)) * Millisecond; }

// The four HRPT time code words of a time, as a frame reader stores them.
std::array<uint16_t, 4> CodeOf(TDateTime time) {
    const int day = static_cast<int>(std::trunc(time - YearStart)) + 1;
    const auto ms = static_cast<uint32_t>(Round(Frac(time) * MSecsPerDay));
    return {static_cast<uint16_t>(day << 1), static_cast<uint16_t>(0x280 | ((ms >> 20) & 127)),
            static_cast<uint16_t>((ms >> 10) & 1023), static_cast<uint16_t>(ms & 1023)};
}

// Gives the line the code of frame's time; a frame below 0, an unreadable code.
void DecodeFrameCode(TLineTiming& timing, int line, int frame, const TTimeCodeReading& reading) {
    const std::array<uint16_t, 4> words = frame < 0 ? std::array<uint16_t, 4>{} : CodeOf(FrameTime(frame));
    uint8_t code[8];
    std::memcpy(code, words.data(), sizeof code);
    timing.DecodeTimeCode(line, code, reading);
}

// A recording of Frames frames from which the frames First..Last were lost,
// some frames carrying another frame's code (carrier, carried).
struct TTimingCase {
    const char* Name;
    int Frames;
    std::pair<int, int> Lost;  // {-1, -1}: none
    std::vector<std::pair<int, int>> Carried;  // carried -1: the carrier's code is unreadable
    int Dropped;               // line left without time; -1: none
    std::vector<std::string> Told;
    int CentreFirst;           // first of the eleven lines whose centres are checked
    int DroppedLast = -1;      // the last of a run of lines left without time
};

// Lines carrying a neighbour's code, or one two periods off, and short
// runs of lines whose codes agree with each other but not with the long
// runs around them, cost only themselves: re-timed where the lines beyond
// confirm the slots, else (at the ends, or beside a gap) left without time
// and told. A gap across the middle line is a
// gap as any other, and the centre points are checked on one side of it.
TEST(LineTimingTest, EveryLineIsTimedByTheRunItBelongsTo) {
    const std::vector<TTimingCase> cases = {
        {"none lost", 3000, {-1, -1}, {}, -1, {}, 1495},
        {"line 1600 carries 1601's code", 3000, {-1, -1}, {{1600, 1601}}, -1, {}, 1495},
        {"line 1000 carries 999's code", 3000, {-1, -1}, {{1000, 999}}, -1, {}, 1495},
        {"the middle line carries 1501's code", 3000, {-1, -1}, {{1500, 1501}}, -1, {}, 1495},
        {"line 1600 two periods on", 3000, {-1, -1}, {{1600, 1602}}, -1, {}, 1495},
        {"line 1000 two periods back", 3000, {-1, -1}, {{1000, 998}}, -1, {}, 1495},
        {"the middle line two periods back", 3000, {-1, -1}, {{1500, 1498}}, -1, {}, 1495},
        {"lines 1600 and 1601 one period on", 3000, {-1, -1}, {{1600, 1601}, {1601, 1602}}, -1, {}, 1495},
        {"the first line carries the next one's code", 3000, {-1, -1}, {{0, 1}}, 0,
         {"Line 0's time code 12:00:00.167 is confirmed by no neighbouring line: the line is left without earth location"},
         1495},
        {"the first line two periods back", 3002, {0, 1}, {{2, 0}}, 0,
         {"Line 0's time code 12:00:00.000 is confirmed by no neighbouring line: the line is left without earth location"},
         1495},
        {"the last line two periods on", 3002, {3000, 3001}, {{2999, 3001}}, 2999,
         {"Line 2999's time code 12:08:20.167 is confirmed by no neighbouring line: the line is left without earth "
          "location"},
         1495},
        {"1 s lost before the middle line", 3000, {1494, 1499}, {}, -1,
         {"The signal has a gap of 1.0 s after line 1493"}, 1494},
        {"5 s lost across the middle line", 3000, {1485, 1514}, {}, -1,
         {"The signal has a gap of 5.0 s after line 1484"}, 1485},
        {"45 s lost across the middle line", 3000, {1365, 1634}, {}, -1,
         {"The signal has a gap of 45.0 s after line 1364"}, 1365},
        {"two halves 600 s apart", 6600, {1500, 5099}, {}, -1,
         {"The signal has a gap of 600.0 s after line 1499"}, 1500},
        {"600 s lost early", 6600, {600, 4199}, {}, -1, {"The signal has a gap of 600.0 s after line 599"}, 1495},
        {"5 s lost just after the middle line", 3000, {1486, 1515}, {}, -1,
         {"The signal has a gap of 5.0 s after line 1485"}, 1475},
        {"the line after 5 s lost across the middle carries the next one's code", 3000, {1485, 1514}, {{1515, 1516}},
         1485,
         {"The signal has a gap of 5.0 s after line 1484",
          "Line 1485's time code 12:04:12.667 is confirmed by no neighbouring line: the line is left without earth "
          "location"},
         1485},
        {"5 s lost, then two unreadable codes", 3000, {1700, 1729}, {{1731, -1}, {1732, -1}}, -1,
         {"The signal has a gap of 5.0 s after line 1699"}, 1480},
        {"the first and last codes unreadable", 3000, {-1, -1}, {{0, -1}, {2999, -1}}, -1, {}, 1495},
        {"lines 1600 and 1601 carry codes 40 s and 50 s on", 3000, {-1, -1}, {{1600, 1840}, {1601, 1900}}, -1,
         {}, 1495},
        {"a code 10 s early before 20 s lost", 3000, {1700, 1819}, {{1699, 1639}}, 1699,
         {"The signal has a gap of 20.0 s after line 1699",
          "Line 1699's time code 12:04:33.167 is confirmed by no neighbouring line: the line is left without earth "
          "location"},
         1435},
        {"one frame lost before the middle line", 3000, {1496, 1496}, {}, -1, {}, 1496},
        {"two frames lost after line 1600", 3000, {1601, 1602}, {}, -1, {}, 1494},
        {"lines 1000 and 1001 carry codes 10 s on", 3000, {-1, -1}, {{1000, 1060}, {1001, 1061}}, -1, {}, 1495},
        {"lines 2000 to 2002 carry codes 10 s back", 3000, {-1, -1}, {{2000, 1940}, {2001, 1941}, {2002, 1942}}, -1, {},
         1495},
        {"lines 1499 to 1501 across the middle carry codes 60 s on", 3000, {-1, -1},
         {{1499, 1859}, {1500, 1860}, {1501, 1861}}, -1, {}, 1495},
        {"lines 2000 and 2001 carry codes 600 s on", 3000, {-1, -1}, {{2000, 5600}, {2001, 5601}}, -1, {}, 1495},
        {"lines 1000 and 1001 carry codes 60 s on before 10 s lost", 3000, {1002, 1061}, {{1000, 1360}, {1001, 1361}},
         1000,
         {"The signal has a gap of 10.0 s after line 999",
          "Lines 1000 to 1001 carry time codes from 12:03:46.667 to 12:03:46.833 that agree with each other but not "
          "with the lines around them: the lines are left without earth location"},
         1465, 1001},
        {"the first two lines carry codes 60 s on", 3000, {-1, -1}, {{0, 360}, {1, 361}}, 0,
         {"Lines 0 to 1 carry time codes from 12:01:00.000 to 12:01:00.167 that agree with each other but not with the "
          "lines around them: the lines are left without earth location"},
         1495, 1},
        {"lines 1460 to 1462, 20 lines after 10 s lost, carry codes 2 s back", 3000, {1440, 1499},
         {{1520, 1508}, {1521, 1509}, {1522, 1510}}, -1, {"The signal has a gap of 10.0 s after line 1439"}, 1465},
        {"lines 2995 to 2997, before the last two, carry codes 10 s on", 3000, {-1, -1},
         {{2995, 3055}, {2996, 3056}, {2997, 3057}}, -1, {}, 1495},
        // Runs of four to twenty lines a minute on (400 km along the track) are as short as three.
        {"lines 2000 to 2003 carry codes 60 s on", 3000, {-1, -1}, {{2000, 2360}, {2001, 2361}, {2002, 2362}, {2003, 2363}}, -1, {}, 1495},
        {"lines 1000 to 1019 carry codes 60 s on", 3000, {-1, -1}, {{1000, 1360}, {1001, 1361}, {1002, 1362}, {1003, 1363}, {1004, 1364}, {1005, 1365}, {1006, 1366}, {1007, 1367}, {1008, 1368}, {1009, 1369}, {1010, 1370}, {1011, 1371}, {1012, 1372}, {1013, 1373}, {1014, 1374}, {1015, 1375}, {1016, 1376}, {1017, 1377}, {1018, 1378}, {1019, 1379}}, -1, {}, 1495},
        {"lines 2500 to 2506 carry codes 60 s back", 3000, {-1, -1}, {{2500, 2140}, {2501, 2141}, {2502, 2142}, {2503, 2143}, {2504, 2144}, {2505, 2145}, {2506, 2146}}, -1, {}, 1495},
        // After the reference line as before it.
        {"lines 2000 and 2001 carry codes 60 s on before 10 s lost", 3000, {2002, 2061}, {{2000, 2360}, {2001, 2361}},
         2000,
         {"The signal has a gap of 10.0 s after line 2001",
          "Lines 2000 to 2001 carry time codes from 12:06:33.333 to 12:06:33.500 that agree with each other but not "
          "with the lines around them: the lines are left without earth location"},
         1465, 2001},
        {"lines 2000 to 2003 carry codes 60 s on before 10 s lost", 3000, {2004, 2063}, {{2000, 2360}, {2001, 2361}, {2002, 2362}, {2003, 2363}}, 2000,
         {"The signal has a gap of 10.0 s after line 2003",
          "Lines 2000 to 2003 carry time codes from 12:06:33.333 to 12:06:33.833 that agree with each other but not "
          "with the lines around them: the lines are left without earth location"},
         1465, 2003},
        {"the last three lines carry codes 10 s back", 3000, {-1, -1}, {{2997, 2937}, {2998, 2938}, {2999, 2939}}, 2997,
         {"Lines 2997 to 2999 carry time codes from 12:08:09.500 to 12:08:09.833 that agree with each other but not "
          "with the lines around them: the lines are left without earth location"},
         1495, 2999},
    };
    const TTimeCodeReading reading{21, 0, YearStart, 0, false};
    for (const TTimingCase& pass : cases) {
        SCOPED_TRACE(pass.Name);
        const int lost = pass.Lost.first < 0 ? 0 : pass.Lost.second - pass.Lost.first + 1;
        const auto frameOf = [&](int line) { return line < pass.Lost.first || lost == 0 ? line : line + lost; };
        const int lines = pass.Frames - lost;
        TLineTiming timing(lines, YearStart);
        for (int line = 0; line < lines; ++line) {
            int frame = frameOf(line);
            const auto carried = std::find_if(pass.Carried.begin(), pass.Carried.end(),
                                              [frame](const auto& carrier) { return carrier.first == frame; });
            if (carried != pass.Carried.end()) frame = carried->second;
            DecodeFrameCode(timing, line, frame, reading);
        }
        std::vector<std::string> diagnostics;
        timing.FindQuarterHour(diagnostics);
        timing.RejectOffPhaseLines();
        timing.SetAsideStrayRuns();
        if (!timing.FindReferenceLine(timing.MidThirdPassTime(), diagnostics)) {
            ADD_FAILURE() << "no reference line";
            continue;
        }
        diagnostics.clear();
        timing.RegulariseTimes(diagnostics);
        EXPECT_EQ(diagnostics, pass.Told);
        const std::vector<TDateTime>& times = timing.Times();
        for (int line = 0; line < lines; ++line) {
            const bool dropped = line == pass.Dropped || (line >= pass.Dropped && line <= pass.DroppedLast);
            const TDateTime expected = dropped ? 0.0 : FrameTime(frameOf(line));
            if (std::fabs(times[static_cast<size_t>(line)] - expected) <= Millisecond) continue;
            ADD_FAILURE() << "line " << line << " timed " << FormatDateTime("hh:nn:ss.zzz", times[static_cast<size_t>(line)]);
            break;
        }
        const TLineSpan centre = SteadyLinesNear(times, timing.ScanPeriod(), timing.ReferenceLine(), lines / 2 - 5, 11);
        EXPECT_EQ(centre.First, pass.CentreFirst);
        EXPECT_EQ(centre.Last, pass.CentreFirst + 10);
    }
}

// A pass whose first 400 of 600 records are noise, its middle third with
// them: it is timed by the median of the lines that have a time, and its
// lines from the first timed one on keep their own.
TEST(LineTimingTest, APassWhoseMiddleIsNoiseIsTimedByItsTimedLines) {
    const TTimeCodeReading reading{29, 0, YearStart, 0, false};
    TLineTiming timing(600, YearStart);
    for (int line = 400; line < 600; ++line) DecodeFrameCode(timing, line, line, reading);
    std::vector<std::string> diagnostics;
    timing.FindQuarterHour(diagnostics);
    timing.RejectOffPhaseLines();
    EXPECT_EQ(timing.MidThirdPassTime(), 0.0);
    const TDateTime passTime = timing.PassTime();
    EXPECT_NEAR(passTime, FrameTime(500), Millisecond);  // 12:01:23.333
    ASSERT_TRUE(timing.FindReferenceLine(passTime, diagnostics));
    EXPECT_EQ(timing.ReferenceLine(), 400);
    EXPECT_NE(std::find(diagnostics.begin(), diagnostics.end(),
                        "No line of the middle third of the picture has a valid time code: decoded pass time from the "
                        "median of the lines that have one is 2023-May-03 12:01:23 UTC"),
              diagnostics.end());
}

// Timed lines either side of a middle lost to noise: the pass time is the
// median of the 350 timed lines (the 176th, line 175), the reference line
// the confirmed one nearest the middle (199, not 450). With the middle
// third timed, its mean serves (line 250), the reference line just before
// the middle (299).
TEST(LineTimingTest, AMiddleLostToNoiseIsTimedFromTheNearestConfirmedLine) {
    const struct {
        std::vector<std::pair<int, int>> Timed;
        int PassFrame, Reference;
        std::string Told;
    } cases[] = {
        {{{0, 199}, {450, 599}}, 175, 199,
         "No line of the middle third of the picture has a valid time code: decoded pass time from the median of the "
         "lines that have one is 2023-May-03 12:00:29 UTC"},
        {{{0, 299}}, 250, 299, "Decoded averaged pass time from mid-third of the picture is 2023-May-03 12:00:41 UTC"},
    };
    const TTimeCodeReading reading{29, 0, YearStart, 0, false};
    for (const auto& pass : cases) {
        SCOPED_TRACE(pass.Told);
        TLineTiming timing(600, YearStart);
        for (const auto& [first, last] : pass.Timed)
            for (int line = first; line <= last; ++line) DecodeFrameCode(timing, line, line, reading);
        std::vector<std::string> diagnostics;
        timing.FindQuarterHour(diagnostics);
        timing.RejectOffPhaseLines();
        const TDateTime passTime = timing.PassTime();
        EXPECT_NEAR(passTime, FrameTime(pass.PassFrame), Millisecond);
        ASSERT_TRUE(timing.FindReferenceLine(passTime, diagnostics));
        EXPECT_EQ(timing.ReferenceLine(), pass.Reference);
        EXPECT_NE(std::find(diagnostics.begin(), diagnostics.end(), pass.Told), diagnostics.end());
    }
}

// Codes of noise (frames anywhere in two hours) confirm no time; codes of
// every other line do, of two lines nine lines apart do not.
TEST(LineTimingTest, OnlyCodesOfNoiseConfirmNoTime) {
    const TTimeCodeReading reading{29, 0, YearStart, 0, false};
    const std::pair<int (*)(int line), bool> cases[] = {
        {[](int line) { return static_cast<int>(std::mt19937(static_cast<unsigned>(line))() % 43200); }, false},
        {[](int line) { return line % 2 == 0 ? line : -1; }, true},
        {[](int line) { return line == 300 || line == 309 ? line : -1; }, false}};
    for (const auto& [frameOf, confirmed] : cases) {
        TLineTiming timing(600, YearStart);
        for (int line = 0; line < 600; ++line) DecodeFrameCode(timing, line, frameOf(line), reading);
        std::vector<std::string> diagnostics;
        timing.FindQuarterHour(diagnostics);
        timing.RejectOffPhaseLines();
        EXPECT_EQ(timing.AnyLineConfirmed(), confirmed) << frameOf(300);
    }
}

// A Meteor pass of 240 lines 0.1539 s apart from 12:00 whose lines 22 to
// 26 carry codes 2 s on, round line 24 that the period is first measured
// from: the period is measured from the nearest line whose neighbours are
// steady, 15, not from the corrupt run (which would give 0.1435 s).
TEST(LineTimingTest, AMeteorScanPeriodIsNotMeasuredFromACorruptRun) {
    const TDateTime may3 = EncodeDate(2023, 5, 3);
    const TTimeCodeReading reading{38, 5, may3, may3 + 0.5, false};
    TLineTiming timing(240, may3);
    for (int line = 0; line < 240; ++line) {
        // Moscow time, as the scanner counts it, in hours, minutes, seconds and 4 ms.
        const int64_t ms = (15 * 3600 + (line >= 22 && line <= 26 ? 2 : 0)) * 1000LL + Round(line * 153.9);
        const uint8_t code[8] = {static_cast<uint8_t>(ms / 3600000), static_cast<uint8_t>(ms / 60000 % 60),
                                 static_cast<uint8_t>(ms / 1000 % 60), static_cast<uint8_t>(ms % 1000 / 4)};
        timing.DecodeTimeCode(line, code, reading);
    }
    std::vector<std::string> diagnostics;
    timing.FindQuarterHour(diagnostics);
    timing.FindMeteorScanPeriod(diagnostics);
    EXPECT_EQ(diagnostics.back(), "Over 201 lines, the scan interval was 0.1539s");
    EXPECT_TRUE(diagnostics[1].starts_with("Earlier line: 15  ")) << diagnostics[1];
}

}  // namespace
}  // namespace kestrune
