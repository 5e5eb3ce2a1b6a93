#include "decoding/FormatDetect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {
namespace {

// Header bytes set at offsets (texts may hold any byte), the file's path, and
// what the detection must give.
struct TDetectCase {
    std::vector<std::pair<size_t, std::string>> Bytes;
    std::string Path;
    int Code;
    int Kind = 0;
};

std::string Word(uint16_t value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }

TFormatDetection Detect(std::vector<uint8_t>& header, const std::string& path) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const size_t dot = name.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return DetectInputFormat(std::span<uint8_t, HeaderBufferSize>(header), path, extension, name.substr(0, dot));
}

TFormatDetection Detect(const TDetectCase& test) {
    std::vector<uint8_t> header(HeaderBufferSize, 0);
    for (const auto& [offset, bytes] : test.Bytes) std::memcpy(header.data() + offset, bytes.data(), bytes.size());
    return Detect(header, test.Path);
}

// The first matching header test decides; the extension and name overrides
// then apply in turn, later ones winning; the instrument follows the code.
TEST(FormatDetect, HeaderNameAndExtensionDecideCodeAndInstrument) {
    const std::string meteorMarker = "\x1A\xCF\xFC\x1D";
    const std::string ssbSync = "\x0A\x10";  // word 2 = 284 hex, packed high bit first
    const std::vector<TDetectCase> cases = {
        {{{22, "COA.HRPT"}}, "/d/pass.l1b", 16},
        {{{22, "MSC.HRPT"}}, "/d/pass.l1b", 16},
        {{{22, "CSR.HRPT"}}, "/d/pass.l1b", 16},
        {{{22, "QOS.HRPT"}}, "/d/pass.l1b", 16},
        {{{22, "sar.HRPT"}}, "/d/pass.l1b", 18},
        {{{22, "CMS.HRPT"}}, "/d/pass.l1b", 17},
        {{{26, "GHRR"}}, "/d/pass.l1b", 15},
        {{{26, "LHRR"}}, "/d/pass.l1b", 14},
        {{{26, "HRPT"}}, "/d/pass.l1b", 14},
        {{{256, meteorMarker}, {512, meteorMarker}}, "/d/pass.dat", 36, 4},
        {{{0, "MHRP"}}, "/d/pass.dat", 36, 4},
        {{{1000, "XHEADRP"}}, "/d/pass.dat", 2},
        {{{200, "XRAWFMT"}}, "/d/pass.dat", 1},
        {{{200, "XRAWFMT+FY1D"}}, "/d/pass.dat", 1, 2},
        {{{30, "NSS.HRPT"}, {193, " "}}, "/d/pass.l1b", 7},
        {{{30, "NSS.HRPT"}, {193, "X"}}, "/d/pass.l1b", 8},
        {{{30, "NSS.HRPT"}, {70, "DU"}}, "/d/pass.l1b", 7},
        {{{30, "DTP.GHRR"}, {193, " "}}, "/d/pass.l1b", 9},
        {{{30, "DTP.GHRR"}, {193, "Y"}}, "/d/pass.l1b", 10},
        {{{30, "BRN.FRAC"}, {193, "Y"}}, "/d/pass.l1b", 8},
        {{{0, Word(248) + Word(530)}}, "/d/pass.dat", 19},
        {{{0, Word(32768) + Word(32768)}}, "/d/pass.dat", 32},
        {{{0, "CHRP"}, {104, Word(16000)}}, "/d/pass.dat", 20, 2},
        {{{0, "HRPT"}, {104, Word(16000)}}, "/d/pass.dat", 20},
        {{{0, "\x02\x84\x01\x6F"}}, "/d/pass.dat", 27, 1},
        {{{0, "HRPT20"}}, "/d/pass.dat", 33},
        {{}, "/d/pass.raw", 24},
        {{}, "/d/pass.fy1c", 28, 2},
        {{}, "/d/pass.FY1D", 28, 2},
        {{}, "/d/pass.native", 6},
        {{}, "/d/pass.asda1", 6},
        {{}, "/d/pass.xnative", 6},
        {{}, "/d/pass.hpt", 5},
        {{}, "/d/pass.lac", 8},
        // Nothing recognised; SSB/Orbit only when records of 13,590 bytes carry its sync word.
        {{}, "/d/pass.dat", 0},
        {{}, "/d/pass", 0},
        {{{2, ssbSync}, {13592, ssbSync}, {27182, ssbSync}, {40772, ssbSync}}, "/d/pass.dat", 4},
        {{{2, ssbSync}, {13592, ssbSync}, {27182, ssbSync}}, "/d/pass.dat", 0},
        {{}, "/d/pass.gaca", 11},
        {{}, "/d/pass.n10", 21},
        {{}, "/d/pass.c10", 22, 2},
        {{}, "/d/fengyun1d.n10", 22, 2},
        {{}, "/d/x_fy1c.n10", 22, 2},
        {{}, "/d/pass_fengyun.wsd", 40, 2},
        {{}, "/d/pass_noaa19.wsd", 39},
        {{}, "/d/pass.s10", 23, 1},
        {{}, "/d/SeaStar.N10", 23, 1},
        {{}, "/d/pass.img", 34, 3},
        {{}, "/d/pass.fi5", 35, 3},
        {{}, "/d/pass.mn1", 36, 4},
        {{}, "/d/pass.mn2", 37, 5},
        {{}, "/d/pass.msu2", 38, 5},
        {{}, "/d/pass.raw16", 26},
        {{}, "/data/seawifs/pass.raw16", 26, 1},
        {{}, "/d/pass.hmf", 26},
        {{}, "/d/FengYun_pass.hmf", 28, 2},
        {{}, "/d/pass.hrpt", 26},
        {{}, "/d/fy1d_pass.hrpt", 28, 2},
        {{}, "/d/pass.rhd", 31},
        {{}, "/d/pass.fy8", 25, 2},
        {{}, "/d/pass.hrp8", 3},
        {{{0, Word(149)}, {22016, Word(149)}, {44032, Word(149)}, {66048, Word(149)}}, "/d/pass.raw16", 29},
        {{{0, Word(149)}, {44150, Word(149)}, {88300, Word(149)}, {132450, Word(149)}}, "/d/pass.dat", 30, 2},
        // A header that names its format is not outranked by samples that
        // happen to equal a Dartcom record marker where its later records would begin.
        {{{0, "HRPT20"}, {44150, Word(149)}, {88300, Word(149)}, {132450, Word(149)}}, "/d/23124_19.svw", 33},
        {{{0, "HRPT20"}, {22016, Word(149)}, {44032, Word(149)}, {66048, Word(149)}}, "/d/23124_19.svw", 33},
        {{{30, "NSS.HRPT"}, {193, " "}, {22016, Word(149)}, {44032, Word(149)}, {66048, Word(149)}},
         "/d/NSS.HRPT.NP.D23124.S1330.E1340.B7289596.WI", 7},
        {{{0, "CHRP"}, {104, Word(16000)}, {44150, Word(149)}, {88300, Word(149)}, {132450, Word(149)}},
         "/d/pass.dat", 20, 2},
        {{{0, Word(32768) + Word(32768)}, {22016, Word(149)}, {44032, Word(149)}, {66048, Word(149)}}, "/d/pass.qrm", 32},
    };
    for (const TDetectCase& test : cases) {
        const TFormatDetection found = Detect(test);
        EXPECT_EQ(found.InputFormatCode, test.Code) << test.Path << " " << (test.Bytes.empty() ? "" : test.Bytes[0].second);
        EXPECT_EQ(found.SensorKind, test.Kind) << test.Path << " " << test.Code;
        EXPECT_TRUE(found.Message.empty());
    }
}

// A Dartcom recording whose first record is noise (or whose first records
// are) is still Dartcom when most of the records the header holds begin with
// the last sync word; two such records are not enough in a file not named
// ".drt", which is Dartcom whatever its first records hold.
TEST(FormatDetect, DartcomBehindNoisyRecords) {
    const auto starts = [](size_t recordBytes, std::vector<size_t> records, const char* path = "/d/2019-01-01-1200.drt") {
        TDetectCase test{{}, path, 0};
        for (size_t record : records) test.Bytes.push_back({record * recordBytes, Word(149)});
        return test;
    };
    EXPECT_EQ(Detect(starts(22016, {1, 2, 3, 4, 5, 6, 7, 8})).InputFormatCode, 29);
    EXPECT_EQ(Detect(starts(22016, {0, 2, 5})).InputFormatCode, 29) << "a pass of noise here and there";
    EXPECT_EQ(Detect(starts(22016, {6, 7, 8})).InputFormatCode, 29) << "the last three records the header holds";
    EXPECT_NE(Detect(starts(22016, {3, 8}, "/d/2019-01-01-1200.raw16")).InputFormatCode, 29);
    EXPECT_EQ(Detect(starts(22016, {})).InputFormatCode, 29) << "a pass whose first eight records are noise";
    const TFormatDetection chrpt = Detect(starts(44150, {1, 2, 3}));
    EXPECT_EQ(chrpt.InputFormatCode, 30);
    EXPECT_EQ(chrpt.SensorKind, 2);
    EXPECT_NE(Detect(starts(44150, {0, 3}, "/d/2019-01-01-1200.raw16")).InputFormatCode, 30);
    // Noise is tolerated before the marked records, not between them: video
    // samples equal to the marker at scattered record starts are no records.
    EXPECT_EQ(Detect(starts(22016, {1, 2, 3}, "/d/2019-01-01-1200.raw16")).InputFormatCode, 29);
    EXPECT_EQ(Detect(starts(22016, {0, 1, 2, 3, 4}, "/d/2019-01-01-1200.raw16")).InputFormatCode, 29)
        << "a short recording, zeros past its end";
    EXPECT_NE(Detect(starts(22016, {0, 2, 5}, "/d/2019-01-01-1200.raw16")).InputFormatCode, 29);
    EXPECT_NE(Detect(starts(22016, {1, 2, 4, 5}, "/d/2019-01-01-1200.raw16")).InputFormatCode, 29);
    EXPECT_NE(Detect(starts(44150, {0, 1, 3}, "/d/2019-01-01-1200.hpt")).InputFormatCode, 30);
    // Where a header names its format, no marked records after it make a Dartcom file.
    TDetectCase smartView = starts(22016, {1, 2, 3, 4, 5, 6, 7, 8}, "/d/23124_19.svw");
    smartView.Bytes.push_back({0, "HRPT20"});
    EXPECT_EQ(Detect(smartView).InputFormatCode, 33);
}

TEST(FormatDetect, LevelOneBOfAnotherTypeIsRefused) {
    const TFormatDetection found = Detect({{{30, "NSS.AMSU"}}, "/d/pass.l1b", 0});
    EXPECT_EQ(found.InputFormatCode, 0);
    EXPECT_EQ(found.Message, "Level-1B data must be HRPT, GAC or LAC format");
}

}  // namespace
}  // namespace kestrune
