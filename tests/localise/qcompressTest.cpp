#include "localise/qcompress.h"

#include "tests/support/LzqWriter.h"

#include <gtest/gtest.h>

#include <random>

namespace kestrune {
namespace {

using testing::LZQCompress;
using testing::LZQHeader;
using testing::LZQMatch;

std::string Literals(std::string_view bytes) { return std::string(1, static_cast<char>(bytes.size() * 2)) + std::string(bytes); }

TEST(LZQTest, ExpandsHandMadeStreams) {
    struct {
        const char* what;
        std::string stream;
        std::string expected;
    } cases[] = {
        {"header only", LZQHeader(0), ""},
        {"literal run", LZQHeader(3) + Literals("abc"), "abc"},
        {"empty literal run is skipped", LZQHeader(2) + Literals("") + Literals("ab"), "ab"},
        {"distance 1 length 18 repeats the last byte", LZQHeader(19) + Literals("x") + LZQMatch(1, 18), std::string(19, 'x')},
        {"overlapping match repeats a pattern", LZQHeader(8) + Literals("ab") + LZQMatch(2, 6), "abababab"},
    };
    for (const auto& c : cases) EXPECT_EQ(LZQDecompressStream(c.stream), c.expected) << c.what;
}

TEST(LZQTest, MatchReachesBackTheWholeWindow) {
    std::string window;
    for (int i = 0; i < 2047; ++i) window += static_cast<char>('a' + i % 23);
    std::string stream = LZQHeader(2047 + 3);
    for (size_t i = 0; i < window.size(); i += 127) stream += Literals(window.substr(i, 127));
    stream += LZQMatch(2047, 3);
    EXPECT_EQ(LZQDecompressStream(stream), window + "abc");
}

TEST(LZQTest, CompressedDataExpandsToItself) {
    std::mt19937 random(7);
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "Constant" + std::to_string(random() % 300) + (random() % 5 ? " " : "\r\n");
    std::string binary(5000, '\0');
    for (char& c : binary) c = static_cast<char>(random());
    for (const std::string& data : {std::string(), std::string("a"), text, binary, std::string(5000, 'z')}) {
        const std::string stream = LZQCompress(data);
        EXPECT_TRUE(IsLZQCompressed(stream));
        EXPECT_EQ(LZQDecompressStream(stream), data);
    }
    EXPECT_LT(LZQCompress(text).size(), text.size() / 2);
}

TEST(LZQTest, ReportsProgressPerToken) {
    const std::string stream = LZQHeader(6) + Literals("abc") + Literals("def");
    std::vector<int64_t> positions;
    LZQDecompressStream(stream, [&](int64_t position, int64_t size) {
        positions.push_back(position);
        EXPECT_EQ(size, 8);
    });
    EXPECT_EQ(positions, (std::vector<int64_t>{4, 8}));
}

TEST(LZQTest, RecognisesItsSignatureOnly) {
    EXPECT_FALSE(IsLZQCompressed("LF\x07\x00 plain language file"));
    EXPECT_FALSE(IsLZQCompressed("LZQ0"));
    EXPECT_TRUE(IsLZQCompressed(LZQHeader(0)));
}

TEST(LZQTest, DamagedStreamsAreWrongStreamFormat) {
    const std::string good = LZQCompress("the quick brown fox jumps over the quick brown dog");
    struct {
        const char* what;
        std::string stream;
    } cases[] = {
        {"other signature", "LZQ01" + good.substr(5)},
        {"header cut", good.substr(0, 7)},
        {"match word cut", LZQHeader(4) + Literals("ab") + LZQMatch(1, 3).substr(0, 1)},
        {"literal run cut", LZQHeader(5) + Literals("abcde").substr(0, 4)},
        {"distance 0", LZQHeader(5) + Literals("ab") + LZQMatch(0, 3)},
        {"distance before the first byte", LZQHeader(5) + Literals("ab") + LZQMatch(3, 3)},
        {"fewer bytes than announced", LZQHeader(9) + Literals("abc")},
        {"more bytes than announced", LZQHeader(2) + Literals("abc")},
    };
    for (const auto& c : cases) EXPECT_THROW(LZQDecompressStream(c.stream), EQCompressError) << c.what;
    for (size_t cut = LZQHeaderSize; cut < good.size(); ++cut)
        EXPECT_THROW(LZQDecompressStream(good.substr(0, cut)), EQCompressError) << cut;
}

TEST(LZQTest, PrefixModeExpandsWhatTheFirstBytesHold) {
    std::string data;
    for (int i = 0; i < 3000; ++i) data += static_cast<char>('A' + i * 7 % 26);
    const std::string stream = LZQCompress(data);
    for (const size_t cut : {size_t{9}, size_t{100}, size_t{2048}, stream.size()}) {
        const std::string start = LZQDecompressPrefix(std::string_view(stream).substr(0, cut));
        EXPECT_EQ(start, data.substr(0, start.size())) << cut;
    }
    EXPECT_GE(LZQDecompressPrefix(std::string_view(stream).substr(0, 2048)).size(), 2000u);
    EXPECT_THROW(LZQDecompressPrefix(LZQHeader(5) + Literals("ab") + LZQMatch(0, 3)), EQCompressError);
}

}  // namespace
}  // namespace kestrune
