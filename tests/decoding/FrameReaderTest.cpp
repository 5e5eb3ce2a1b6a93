#include "decoding/FrameReader.h"

#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "tests/support/HrptFrameWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace kestrune {
namespace {

using test::BuildPass;
using test::DefaultSample;
using test::THrptPassSpec;
using test::TWordPacking;

std::vector<uint16_t> Unpacked(int32_t (*unpack)(std::span<const uint8_t>, std::span<uint16_t>),
                               std::vector<uint8_t> bytes, size_t samples = 4) {
    std::vector<uint16_t> out(samples, 0xFFFF);
    unpack(bytes, out);
    return out;
}

TEST(Unpackers, KnownGroups) {
    EXPECT_EQ(Unpacked(Unpack10BitLsbFirst, {0xFF, 0x03, 0, 0, 0}), (std::vector<uint16_t>{1023, 0, 0, 0}));
    EXPECT_EQ(Unpacked(Unpack10BitMsbFirst, {0xFF, 0xC0, 0, 0, 0}), (std::vector<uint16_t>{1023, 0, 0, 0}));
    EXPECT_EQ(Unpacked(Unpack10BitSplitLow, {0, 0, 0, 0, 0xC0}), (std::vector<uint16_t>{3, 0, 0, 0}));
    // Bits reversed: 0xFF 0xC0 reversed are 0xFF 0x03, so as the LSB-first group.
    EXPECT_EQ(Unpacked(Unpack10BitReversed, {0xFF, 0xC0, 0, 0, 0}), (std::vector<uint16_t>{1023, 0, 0, 0}));
    EXPECT_EQ(ReverseBits(0x01), 0x80);
    EXPECT_EQ(ReverseBits(0xA0), 0x05);
}

TEST(Unpackers, WordsOfEightySamples) {
    // Sample 0 = 1023 (top 10 bits of w0), sample 7 = 1 (lowest bits of w4); words in machine order.
    std::vector<uint8_t> bytes = {0xC0, 0xFF, 0, 0, 0, 0, 0, 0, 0x01, 0x00};
    EXPECT_EQ(Unpacked(Unpack10BitWords, bytes, 8), (std::vector<uint16_t>{1023, 0, 0, 0, 0, 0, 0, 1}));
}

TEST(Unpackers, L1BWords) {
    std::vector<uint16_t> out(4, 0xFFFF);
    const std::vector<uint8_t> bytes = {0x3F, 0xF0, 0, 0, 0x00, 0x00, 0x00, 0x05};
    EXPECT_EQ(UnpackL1BWords(bytes, out, 3), 3);
    EXPECT_EQ(out, (std::vector<uint16_t>{1023, 0, 0, 0xFFFF}));
    EXPECT_EQ(UnpackL1BWords(bytes, out, 4), 4);  // the fourth sample comes from the second word
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(UnpackL1BWords(std::span(bytes).first(6), out, 6), 3);  // a partial word is not read
}

TEST(InputFile, ReadsStopAtTheEnd) {
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
    TInputFile input(bytes.data(), 5, 3);
    uint8_t buffer[8] = {};
    EXPECT_EQ(input.Read(buffer, 8), 2);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(input.Read(buffer, 8), 0);
    input.SeekBy(-100);
    EXPECT_EQ(input.Position(), 0);
    input.Seek(99);
    EXPECT_EQ(input.Position(), 5);
    const TRecordReader records = MappedRecordReader(bytes.data(), 5, 1, 2);
    EXPECT_EQ(records(0, buffer), 2);
    EXPECT_EQ(buffer[0], 2);
    EXPECT_EQ(records(1, buffer), 2);
    EXPECT_EQ(records(2, buffer), 0);  // would end past the file
    EXPECT_EQ(records(-1, buffer), 0);
}

// Reads every line of a pass and checks all five channels against the writer's pattern.
class FramePass : public ::testing::Test {
protected:
    void Load(std::vector<uint8_t> file, TFrameFormat format, int64_t dataStart = 0) {
        bytes_ = std::move(file);
        format.LineCount = lines_;
        format_ = format;
        input_ = TInputFile(bytes_.data(), static_cast<int64_t>(bytes_.size()), dataStart);
        locations_.SetLineCount(lines_);
        reader_ = std::make_unique<TFrameReader>(
            format, input_, MappedRecordReader(bytes_.data(), static_cast<int64_t>(bytes_.size()), dataStart, format.RecordSize),
            &locations_, &telemetry_);
    }

    void ExpectEverySample() {
        std::vector<uint16_t> line(2048);
        for (int32_t y = 0; y < lines_; ++y) {
            reader_->ReadNextFrame(reader_->CurrentFrame(), y == 0);
            for (int c = 0; c < 5; ++c) {
                reader_->ExtractChannel(line.data(), c, 2048);
                for (int32_t x = 0; x < 2048; ++x)
                    ASSERT_EQ(line[static_cast<size_t>(x)], DefaultSample(y, c + 1, x)) << "line " << y << " ch " << c + 1;
            }
            ExpectTimeCode(y);
        }
        EXPECT_EQ(reader_->RecordIndex(), lines_);
    }

    void ExpectTimeCode(int32_t y) {
        const test::THrptFrame frame = test::BuildMinorFrame(spec_, y);
        EXPECT_EQ(std::memcmp(locations_.LineLocations(y)->Bytes(), &frame[8], 8), 0) << "time code of line " << y;
    }

    THrptPassSpec spec_;
    int32_t lines_ = 6;
    std::vector<uint8_t> bytes_;
    TFrameFormat format_;
    TInputFile input_;
    TEarthLocations locations_;
    TTelemetryData telemetry_;
    std::unique_ptr<TFrameReader> reader_;
};

// Every frame format the writers make gives back every sample and time code.
TEST_F(FramePass, EveryPackingGivesTheWritersSamples) {
    std::vector<uint8_t> wsd(1024, 'x');
    test::AppendPass(wsd, spec_, lines_, TWordPacking::Packed10LsbFirst, 13864);
    std::vector<uint8_t> noisy = BuildPass(spec_, lines_, TWordPacking::LittleEndian16);
    for (size_t i = 1; i < noisy.size(); i += 2) noisy[i] |= 0xF0;  // noise above the 10 bits
    const struct {
        const char* Name;
        std::vector<uint8_t> File;
        TFrameFormat Format;
        int64_t DataStart;
    } cases[] = {
        {"16-bit big-endian", BuildPass(spec_, lines_, TWordPacking::BigEndian16), {.FormatCode = 26, .RecordSize = 22180}, 0},
        {"16-bit little-endian", BuildPass(spec_, lines_, TWordPacking::LittleEndian16),
         {.FormatCode = 26, .RecordSize = 22180, .LittleEndian16 = true}, 0},
        {"16-bit in 22,528-byte records", BuildPass(spec_, lines_, TWordPacking::BigEndian16, 22528),
         {.FormatCode = 26, .RecordSize = 22528}, 0},
        {"n10", BuildPass(spec_, lines_, TWordPacking::Packed10MsbFirst, 13864), {.FormatCode = 21, .RecordSize = 13864}, 0},
        {"wsd after its 1024-byte header", wsd, {.FormatCode = 39, .RecordSize = 13864}, 1024},
        {"ESS", BuildPass(spec_, lines_, TWordPacking::Packed10MsbFirst, 13864), {.FormatCode = 5, .RecordSize = 13864}, 0},
        {"Timestep Windows packed", BuildPass(spec_, lines_, TWordPacking::Packed10LsbFirst, 13868),
         {.FormatCode = 1, .RecordSize = 13868, .PackedInput = true}, 0},
        {"Timestep Windows unpacked, masked", noisy, {.FormatCode = 1, .RecordSize = 22180}, 0},
    };
    for (const auto& file : cases) {
        SCOPED_TRACE(file.Name);
        Load(file.File, file.Format, file.DataStart);
        ExpectEverySample();
    }
}

TEST_F(FramePass, TruncatedFileFillsFromWhatIsThere) {
    lines_ = 4;
    std::vector<uint8_t> file = BuildPass(spec_, 3, TWordPacking::BigEndian16);
    file.resize(2 * 22180 + 1001);  // the third record is cut after 1001 bytes
    Load(file, {.FormatCode = 26, .RecordSize = 22180});
    reader_->ReadNextFrame(reader_->CurrentFrame(), true);
    reader_->PrimeFrames();
    reader_->ReadNextFrame(reader_->NextFrame(), false);
    reader_->RotateFrames();
    reader_->ReadNextFrame(reader_->NextFrame(), false);  // 1001 bytes of line 2
    const test::THrptFrame line1 = test::BuildMinorFrame(spec_, 1);
    const test::THrptFrame line2 = test::BuildMinorFrame(spec_, 2);
    const TFrame& next = reader_->NextFrame();
    EXPECT_EQ(next[499], line2[499]);
    EXPECT_EQ(next[500] & 0xFF, (line2[500] >> 8) & 3);  // the odd last byte
    EXPECT_EQ(next[750], line1[750]);                   // beyond: the previous frame stays
    reader_->RotateFrames();
    reader_->ReadNextFrame(reader_->NextFrame(), false);  // nothing left
    EXPECT_EQ(reader_->NextFrame(), reader_->CurrentFrame());
}

TEST_F(FramePass, MirroredLinesAreReversed) {
    Load(BuildPass(spec_, lines_, TWordPacking::BigEndian16), {.FormatCode = 26, .RecordSize = 22180, .MirrorLines = true});
    reader_->ReadNextFrame(reader_->CurrentFrame(), true);
    std::vector<uint16_t> line(2048);
    reader_->ExtractChannel(line.data(), 1, 2048);
    EXPECT_EQ(line[0], DefaultSample(0, 2, 2047));
    EXPECT_EQ(line[2047], DefaultSample(0, 2, 0));
}

// Frames set by hand for the despeckle rules (stride 5, channel 0 at word 750).
class Despeckle : public FramePass {
protected:
    void SetUp() override {
        Load({}, {.FormatCode = 26, .RecordSize = 22180, .Despeckle = true});
        reader_->CurrentFrame().fill(0);
        reader_->PrimeFrames();
    }
    void Neighbours(uint16_t previous, uint16_t next) {
        for (int32_t p : {745, 755}) {
            reader_->PreviousFrame()[static_cast<size_t>(p)] = previous;
            reader_->NextFrame()[static_cast<size_t>(p)] = next;
        }
    }
    uint16_t Middle(uint16_t value) {
        reader_->CurrentFrame()[750] = value;
        std::vector<uint16_t> line(3);
        reader_->ExtractChannel(line.data(), 0, 3);  // sets the neighbour distance: 5 words
        return reader_->DespikeSample(750);
    }
};

TEST_F(Despeckle, SpikeBetweenDarkNeighbours) {
    Neighbours(100, 100);
    EXPECT_EQ(Middle(900), 100);
    EXPECT_EQ(Middle(300), 300);  // differs by 200 only
}

TEST_F(FramePass, MeteorInfraredChannelsAreInverted) {
    Load({}, {.FormatCode = 38, .RecordSize = 11850});
    for (int32_t c = 0; c < 6; ++c) reader_->CurrentFrame()[static_cast<size_t>(4 * c + 12)] = 100;
    std::vector<uint16_t> line(4);
    for (int32_t c = 0; c < 6; ++c) {
        reader_->ExtractChannel(line.data(), c, 4);
        EXPECT_EQ(line[0], c >= 3 ? 923 : 100) << "offset " << c;
    }
}

TEST_F(FramePass, MeteorConvertedRecordsGiveLineTimes) {
    std::vector<uint8_t> record(11850, 0);
    record[8] = 10, record[9] = 20, record[10] = 30, record[11] = 100;
    std::vector<uint8_t> file = record;
    record[8] = 99;  // a corrupt time code gives no time rather than an error
    file.insert(file.end(), record.begin(), record.end());
    Load(file, {.FormatCode = 38, .RecordSize = 11850});
    reader_->ReadNextFrame(reader_->CurrentFrame(), true);
    EXPECT_TRUE(reader_->LineTimeValid());
    EXPECT_DOUBLE_EQ(reader_->LineTime(), EncodeTime(10, 20, 30, 400));
    reader_->ReadNextFrame(reader_->CurrentFrame(), false);
    EXPECT_FALSE(reader_->LineTimeValid());
    EXPECT_EQ(reader_->LineTime(), 0);
}

// Random bytes under every format code and reading switch, with record sizes
// that fit, fall short of or exceed the frame: every read stays within the
// file and the buffers, every stored sample within 10 bits.
TEST(HostileFrames, EveryFormatStaysWithinItsBuffers) {
    std::mt19937 random(7031);
    const auto below = [&random](uint32_t n) { return static_cast<int32_t>(random() % n); };
    const int32_t recordSizes[] = {0, 1, 7, 440, 4608, 11850, 12800, 13864, 22180, 22528, 27725, 44360, 50000};
    const int32_t widths[] = {409, 1280, 1540, 1572, 1728, 2048};
    for (int run = 0; run < 400; ++run) {
        TFrameFormat format{.FormatCode = static_cast<uint8_t>(run % 42),
                            .SensorKind = static_cast<uint8_t>(below(6)),
                            .L1BSampleKind = static_cast<uint8_t>(below(4)),
                            .RecordSize = recordSizes[below(std::size(recordSizes))],
                            .ChannelCount = 1 + below(10),
                            .Width = widths[below(std::size(widths))],
                            .LineCount = 1 + below(4),
                            .PackedInput = below(2) == 0,
                            .LittleEndian16 = below(2) == 0,
                            .Despeckle = below(2) == 0,
                            .MirrorLines = below(2) == 0,
                            .MeteorPass = below(2) == 0,
                            .L1BWordsMod1024 = below(2) == 0};
        std::vector<uint8_t> file(static_cast<size_t>(below(120000)));
        for (uint8_t& b : file) b = static_cast<uint8_t>(random());
        // Meteor markers now and then, so that the frame searches find something.
        for (size_t at = static_cast<size_t>(below(4096)); at + 30 < file.size(); at += 256 + static_cast<size_t>(below(3000))) {
            const uint8_t marker[] = {0x1A, 0xCF, 0xFC, 0x1D, 0x02, 0x18, 0xA7, 0xA3, 0x92, 0xDD, 0x9A, 0xBF};
            std::memcpy(&file[at], marker, 4);
            std::memcpy(&file[at + (below(2) == 0 ? 8 : 22)], marker + 4, 8);
        }
        SCOPED_TRACE("run " + std::to_string(run) + ", code " + std::to_string(format.FormatCode));
        const int64_t dataStart = below(2) == 0 ? 0 : below(3000);
        TInputFile input(file.data(), static_cast<int64_t>(file.size()), dataStart);
        TEarthLocations locations;
        locations.SetLineCount(format.LineCount);
        TTelemetryData telemetry;
        telemetry.Reset(format.FormatCode, format.SensorKind, 0, format.LineCount, nullptr);
        TFrameReader reader(format, input,
                            MappedRecordReader(file.data(), static_cast<int64_t>(file.size()), dataStart, format.RecordSize),
                            &locations, &telemetry);
        std::vector<uint16_t> line(static_cast<size_t>(format.Width), 0);
        uint8_t flag = 0;
        reader.ReadNextFrame(reader.CurrentFrame(), true);
        reader.PrimeFrames();
        for (int32_t y = 0; y < format.LineCount; ++y) {
            reader.ReadNextFrame(reader.NextFrame(), false);
            telemetry.LineInfoText(reader.CurrentFrame(), y, flag);
            for (int32_t c = 0; c < format.ChannelCount; ++c) {
                reader.ExtractChannel(line.data(), c, format.Width);
                ASSERT_LE(*std::max_element(line.begin(), line.end()), 1023);
            }
            reader.RotateFrames();
        }
        EXPECT_LE(input.Position(), input.Size());
    }
}

TEST(L1BHalfOffset, ByKindAndRecordSize) {
    EXPECT_EQ(L1BHalfOffset(1, 5, 4992), 5 * 408 + 452 + 4);
    EXPECT_EQ(L1BHalfOffset(3, 5, 9080), 5 * 816 + 452 + 8);
    EXPECT_EQ(L1BHalfOffset(3, 1, 2536), 816 + 452);
}

}  // namespace
}  // namespace kestrune
