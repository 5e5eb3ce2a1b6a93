#include "decoding/FormatDetect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kestrune {
namespace {

class FormatDetectTest : public ::testing::Test {
protected:
    std::vector<uint8_t> header = std::vector<uint8_t>(HeaderBufferSize, 0);

    void Put(size_t offset, const std::string& text) { std::memcpy(header.data() + offset, text.data(), text.size()); }
    void PutWord(size_t offset, uint16_t value) {
        header[offset] = static_cast<uint8_t>(value);
        header[offset + 1] = static_cast<uint8_t>(value >> 8);
    }
    TFormatDetection Detect(const std::string& path) {
        const std::string name = path.substr(path.find_last_of('/') + 1);
        const size_t dot = name.find_last_of('.');
        std::string extension = dot == std::string::npos ? "" : name.substr(dot);
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return DetectInputFormat(std::span<uint8_t, HeaderBufferSize>(header), path, extension, name.substr(0, dot));
    }
    int Code(const std::string& path) { return Detect(path).InputFormatCode; }
};

TEST_F(FormatDetectTest, LevelOneBAappHeadersByDataSetName) {
    for (const char* centre : {"COA.HRPT", "MSC.HRPT", "CSR.HRPT", "QOS.HRPT"}) {
        Put(22, centre);
        EXPECT_EQ(Code("/d/pass.l1b"), 16) << centre;
    }
    Put(22, "sar.HRPT");
    EXPECT_EQ(Code("/d/pass.l1b"), 18);
    Put(22, "CMS.HRPT");
    EXPECT_EQ(Code("/d/pass.l1b"), 17);
}

TEST_F(FormatDetectTest, LevelOneBTypeFieldsAt26) {
    Put(26, "GHRR");
    EXPECT_EQ(Code("/d/pass.l1b"), 15);
    Put(26, "LHRR");
    EXPECT_EQ(Code("/d/pass.l1b"), 14);
    Put(26, "HRPT");
    EXPECT_EQ(Code("/d/pass.l1b"), 14);
}

TEST_F(FormatDetectTest, MeteorByMarkersOrMagic) {
    for (const size_t offset : {256u, 512u}) {
        const uint8_t marker[] = {0x1A, 0xCF, 0xFC, 0x1D};
        std::memcpy(header.data() + offset, marker, 4);
    }
    TFormatDetection found = Detect("/d/pass.dat");
    EXPECT_EQ(found.InputFormatCode, 36);
    EXPECT_EQ(found.SensorKind, 4);
    header.assign(HeaderBufferSize, 0);
    Put(0, "MHRP");
    EXPECT_EQ(Code("/d/pass.dat"), 36);
}

TEST_F(FormatDetectTest, TimestepFormats) {
    Put(1000, "XHEADRP");
    EXPECT_EQ(Code("/d/pass.dat"), 2);
    header.assign(HeaderBufferSize, 0);
    Put(200, "XRAWFMT");
    TFormatDetection found = Detect("/d/pass.dat");
    EXPECT_EQ(found.InputFormatCode, 1);
    EXPECT_EQ(found.SensorKind, 0);
    Put(207, "+FY1D");
    EXPECT_EQ(Detect("/d/pass.dat").SensorKind, 2);
}

TEST_F(FormatDetectTest, LevelOneBDataSets) {
    Put(30, "NSS.HRPT");
    header[193] = ' ';
    EXPECT_EQ(Code("/d/pass.l1b"), 7);
    header[193] = 'X';
    EXPECT_EQ(Code("/d/pass.l1b"), 8);
    header[193] = 0;
    Put(70, "DU");
    EXPECT_EQ(Code("/d/pass.l1b"), 7);
    Put(30, "DTP.GHRR");
    header[193] = ' ';
    TFormatDetection found = Detect("/d/pass.l1b");
    EXPECT_EQ(found.InputFormatCode, 9);
    EXPECT_TRUE(found.DtpAvailable);
    header[193] = 'Y';
    EXPECT_EQ(Code("/d/pass.l1b"), 10);
    Put(30, "BRN.FRAC");
    EXPECT_EQ(Code("/d/pass.l1b"), 8);
    EXPECT_FALSE(Detect("/d/pass.l1b").DtpAvailable);
}

TEST_F(FormatDetectTest, LevelOneBOfAnotherTypeIsRefused) {
    Put(30, "NSS.AMSU");
    const TFormatDetection found = Detect("/d/pass.l1b");
    EXPECT_EQ(found.InputFormatCode, 0);
    EXPECT_EQ(found.Message, "Level-1B data must be HRPT, GAC or LAC format");
}

TEST_F(FormatDetectTest, ArchiveNameStandsInForAnEmptyDataSetName) {
    const std::string name = "NSS.GHRR.NK.D99001.S0000.E0100.B0000000.GC";
    ASSERT_EQ(name.size(), 42u);
    header[193] = ' ';
    EXPECT_EQ(Code("/d/" + name), 9);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header.data()) + 30, 42), name);
    header.assign(HeaderBufferSize, 0);
    EXPECT_EQ(Code("/d/" + name.substr(0, 41) + "X"), 4) << "another extension is not an archive name";
    EXPECT_EQ(Code("/d/NSS_GHRR.NK.D99001.S0000.E0100.B0000000.GC"), 4) << "a dot out of place";
}

TEST_F(FormatDetectTest, HeaderWordsAndMagic) {
    PutWord(0, 248);
    PutWord(2, 530);
    EXPECT_EQ(Code("/d/pass.dat"), 19);
    PutWord(0, 32768);
    PutWord(2, 32768);
    EXPECT_EQ(Code("/d/pass.dat"), 32);
    header.assign(HeaderBufferSize, 0);
    Put(0, "CHRP");
    PutWord(104, 16000);
    TFormatDetection found = Detect("/d/pass.dat");
    EXPECT_EQ(found.InputFormatCode, 20);
    EXPECT_EQ(found.SensorKind, 2);
    Put(0, "HRPT");
    EXPECT_EQ(Detect("/d/pass.dat").SensorKind, 0);
    header.assign(HeaderBufferSize, 0);
    const uint8_t seaWifs[] = {0x02, 0x84, 0x01, 0x6F};
    std::memcpy(header.data(), seaWifs, 4);
    found = Detect("/d/pass.dat");
    EXPECT_EQ(found.InputFormatCode, 27);
    EXPECT_EQ(found.SensorKind, 1);
    header.assign(HeaderBufferSize, 0);
    Put(0, "HRPT20");
    EXPECT_EQ(Code("/d/pass.dat"), 33);
}

TEST_F(FormatDetectTest, ExtensionsOfTheFirstTests) {
    EXPECT_EQ(Code("/d/pass.raw"), 24);
    EXPECT_EQ(Code("/d/pass.fy1c"), 28);
    EXPECT_EQ(Code("/d/pass.FY1D"), 28);
    EXPECT_EQ(Code("/d/pass.native"), 6);
    EXPECT_EQ(Code("/d/pass.asda1"), 6);
    EXPECT_EQ(Code("/d/pass.xnative"), 6);
    EXPECT_EQ(Code("/d/pass.hpt"), 5);
    EXPECT_EQ(Code("/d/pass.lac"), 8);
    EXPECT_EQ(Code("/d/pass.dat"), 4);
    EXPECT_EQ(Code("/d/pass"), 4);
}

TEST_F(FormatDetectTest, ExtensionAndNameOverrides) {
    EXPECT_EQ(Code("/d/pass.gaca"), 11);
    EXPECT_EQ(Code("/d/pass.n10"), 21);
    EXPECT_EQ(Code("/d/pass.c10"), 22);
    EXPECT_EQ(Code("/d/fengyun1d.n10"), 22);
    EXPECT_EQ(Code("/d/x_fy1c.n10"), 22);
    EXPECT_EQ(Code("/d/pass_fengyun.wsd"), 40);
    EXPECT_EQ(Code("/d/pass_noaa19.wsd"), 39);
    EXPECT_EQ(Code("/d/pass.s10"), 23);
    EXPECT_EQ(Code("/d/SeaStar.N10"), 23);
    EXPECT_EQ(Code("/d/pass.raw16"), 26);
    EXPECT_EQ(Code("/d/pass.hmf"), 26);
    EXPECT_EQ(Code("/d/pass.hrpt"), 26);
    EXPECT_EQ(Code("/d/fy1d_pass.hrpt"), 28);
    EXPECT_EQ(Code("/d/FengYun_pass.hmf"), 28);
    EXPECT_EQ(Code("/d/pass.rhd"), 31);
    EXPECT_EQ(Code("/d/pass.fy8"), 25);
    EXPECT_EQ(Code("/d/pass.hrp8"), 3);
}

TEST_F(FormatDetectTest, InstrumentFamilies) {
    const auto kind = [&](const std::string& path) { return Detect(path).SensorKind; };
    EXPECT_EQ(kind("/d/pass.img"), 3);
    EXPECT_EQ(Code("/d/pass.img"), 34);
    EXPECT_EQ(Code("/d/pass.fi5"), 35);
    EXPECT_EQ(kind("/d/pass.fi5"), 3);
    EXPECT_EQ(Code("/d/pass.mn1"), 36);
    EXPECT_EQ(kind("/d/pass.mn1"), 4);
    EXPECT_EQ(Code("/d/pass.mn2"), 37);
    EXPECT_EQ(kind("/d/pass.mn2"), 5);
    EXPECT_EQ(Code("/d/pass.msu2"), 38);
    EXPECT_EQ(kind("/d/pass.msu2"), 5);
    EXPECT_EQ(kind("/d/pass.c10"), 2);
    EXPECT_EQ(kind("/d/pass_fengyun.wsd"), 2);
    EXPECT_EQ(kind("/d/pass.fy8"), 2);
    EXPECT_EQ(kind("/d/pass.s10"), 1);
    EXPECT_EQ(kind("/data/seawifs/pass.raw16"), 1);
    EXPECT_EQ(kind("/d/pass.raw16"), 0);
    EXPECT_EQ(kind("/d/pass.n10"), 0);
}

TEST_F(FormatDetectTest, DartcomFramesByTheirSyncWords) {
    for (const size_t offset : {0u, 22016u, 44032u, 66048u}) PutWord(offset, 149);
    EXPECT_EQ(Code("/d/pass.raw16"), 29);
    header.assign(HeaderBufferSize, 0);
    for (const size_t offset : {0u, 44150u, 88300u, 132450u}) PutWord(offset, 149);
    const TFormatDetection found = Detect("/d/pass.dat");
    EXPECT_EQ(found.InputFormatCode, 30);
    EXPECT_EQ(found.SensorKind, 2);
}

TEST_F(FormatDetectTest, EveryCodeHasItsDisplayName) {
    const std::vector<std::pair<int, std::string>> names = {
        {1, "Timestep Windows"}, {2, "Timestep DOS"}, {3, "Timestep DOS (8-bit)"}, {4, "SSB"}, {5, "ESS HRPT"},
        {6, "NCI ASDA/PVL"}, {7, "L1B"}, {8, "L1B"}, {9, "GAC"}, {10, "GAC"}, {11, "GAC (pre 1992-Sep-08)"},
        {12, ""}, {13, ""}, {14, ""}, {15, ""}, {16, "L1B-AAPP"}, {17, "L1B-AAPP"}, {18, "L1B-AAPP-3"},
        {19, "L1F"}, {20, "10B"}, {21, "10-bit HRPT"}, {22, "10-bit CHRPT"}, {23, "10-bit SeaWiFS"},
        {24, "NOAA-95"}, {25, "8-bit CHRPT"}, {26, "16-bit HRPT"}, {27, "16-bit SeaWIFS"}, {28, "16-bit CHRPT"},
        {29, "16-bit Dartcom"}, {30, "16-bit Dartcom CHRPT"}, {31, "16-bit GTI HRPT"}, {32, "16-bit Quorum"},
        {33, "16-bit SmartView"}, {34, "16-bit SPOT L0"}, {35, "16-bit SPOT Fi5"}, {36, " "}, {37, " "},
        {38, " "}, {39, "10-bit HRPT"}, {40, "10-bit CHRPT"}, {0, ""}, {41, ""}};
    for (const auto& [code, name] : names) EXPECT_EQ(InputFormatName(code), name) << code;
}

TEST(DetectSamplePackingTest, SixteenBitWordsHaveQuietHighBytes) {
    std::vector<uint8_t> words(1000);
    for (size_t i = 0; i < words.size(); i += 2) {
        words[i] = static_cast<uint8_t>(17 + i);
        words[i + 1] = static_cast<uint8_t>(i % 4);
    }
    EXPECT_TRUE(DetectSamplePacking(words));
    std::vector<uint8_t> packed(1000);
    for (size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<uint8_t>(i * 37 + 11);
    EXPECT_FALSE(DetectSamplePacking(packed));
    EXPECT_FALSE(DetectSamplePacking({}));
}

}  // namespace
}  // namespace kestrune
