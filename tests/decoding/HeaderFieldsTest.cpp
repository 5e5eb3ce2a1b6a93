#include "decoding/HeaderFields.h"

#include <gtest/gtest.h>

#include <cstring>
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

TEST(SpacecraftFromFramesTest, IdWordAndMedianDay) {
    std::vector<uint8_t> header(176600, 0);
    const auto putWord = [&](size_t offset, uint16_t word) {
        header[offset] = static_cast<uint8_t>(word);
        header[offset + 1] = static_cast<uint8_t>(word >> 8);
    };
    const uint16_t days[] = {123, 124, 123, 300};
    for (size_t frame = 0; frame < 4; ++frame) putWord(frame * 22016 + 6, static_cast<uint16_t>(days[frame] << 1));
    putWord(66050, 13 << 3);
    int day = 0;
    EXPECT_EQ(SpacecraftNameFromFrames(header, EncodeDate(2023, 5, 3), day), "NOAA-18");
    EXPECT_EQ(day, 124) << "median of 123, 123, 124, 300 rounds 123.5 to even";
    putWord(66050, 15 << 3);
    EXPECT_EQ(SpacecraftNameFromFrames(header, EncodeDate(1990, 1, 1), day), "NOAA-10");
    EXPECT_EQ(SpacecraftNameFromFrames(header, EncodeDate(2023, 1, 1), day), "NOAA-19");
    EXPECT_EQ(SpacecraftNameFromFrames(std::span<const uint8_t>(header).first(100), 0, day), "");
}

}  // namespace
}  // namespace kestrune
