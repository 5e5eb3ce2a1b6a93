// Turns the records of an input file, line by line, into a uniform frame of
// 10-bit samples at HRPT minor-frame positions, and copies one channel of a
// frame into a line of the video store. Every read is checked against the
// bytes of the file: a truncated record fills the frame from what is there.
#pragma once

#include "platform/SysUtils.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace kestrune {

class TEarthLocations;
class TTelemetryData;

// A frame: 16-bit words, each a 10-bit sample in its low bits; room for one
// CHRPT frame. An HRPT minor frame takes the first 11,090 words.
constexpr int32_t FrameWords = 22180;
constexpr int32_t FrameBytes = FrameWords * 2;
constexpr int32_t HrptFrameWords = 11090;
constexpr int32_t HrptVideoWord = 750;        // AVHRR video: word 750 + 5 i + c
constexpr int32_t ChrptVideoWord = 1600;      // FengYun video: word 1600 + 10 i + c
constexpr int32_t L1BTelemetryWord = 10240;   // Level 1b records: 103 telemetry words here
constexpr int32_t TimeCodeWord = 8;           // words 8..11: the line's time code
constexpr uint16_t SampleMask = 1023;

using TFrame = std::array<uint16_t, FrameWords>;

// The open input file: sequential reads and seeks over the file's bytes,
// never beyond them.
class TInputFile {
public:
    TInputFile() = default;
    TInputFile(const uint8_t* data, int64_t size, int64_t position = 0);

    // Copies up to count bytes from the position; returns the bytes copied.
    int64_t Read(void* destination, int64_t count);
    // The next count bytes (fewer at the end of the file), without a copy.
    std::span<const uint8_t> Take(int64_t count);
    // Positions are limited to 0 .. Size.
    void Seek(int64_t position);
    void SeekBy(int64_t delta) { Seek(position_ + delta); }
    int64_t Position() const { return position_; }
    int64_t Size() const { return size_; }
    int64_t Remaining() const { return size_ - position_; }
    const uint8_t* Data() const { return data_; }

private:
    const uint8_t* data_ = nullptr;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

// Copies record index into buffer (RecordSize bytes) and returns the bytes
// copied; 0 for a record that does not lie wholly inside the file.
using TRecordReader = std::function<int32_t(int32_t index, uint8_t* buffer)>;
// Records of recordSize bytes from dataStart of the file's bytes.
TRecordReader MappedRecordReader(const uint8_t* data, int64_t size, int64_t dataStart, int32_t recordSize);

// What the loader settled about the file; the same for every line.
struct TFrameFormat {
    uint8_t FormatCode = 0;
    uint8_t SensorKind = 0;        // 0 AVHRR, 1 SeaWiFS, 2 FengYun, 3 SPOT, 4/5 Meteor
    uint8_t L1BSampleKind = 2;     // 1 8-bit, 2 10-bit packed, 3 16-bit Level 1b samples
    int32_t RecordSize = 0;
    int32_t ChannelCount = 5;
    int32_t Width = 2048;          // samples per line of the video store
    int32_t LineCount = 0;         // lines of the video store
    bool PackedInput = false;      // Timestep Windows records are 10-bit packed
    bool LittleEndian16 = false;   // 16-bit samples already in machine order
    bool Despeckle = false;
    bool MirrorLines = false;      // northbound: every extracted line reversed
    bool MeteorPass = false;
    // Older-layout Level 1b 16-bit video: every word mod 1024 (true) or byte-swapped (false).
    bool L1BWordsMod1024 = false;
};

// The reading state of one pass: three frames, the record buffer, the
// record index and the Meteor and two-lines Level 1b state.
class TFrameReader {
public:
    // earthLocations and telemetry may be null (pre-scans); the input and the
    // record reader must outlive the reader.
    TFrameReader(const TFrameFormat& format, TInputFile& input, TRecordReader recordReader,
                 TEarthLocations* earthLocations, TTelemetryData* telemetry);

    // Fills frame from the next record; first only for the pass's first frame.
    void ReadNextFrame(TFrame& frame, bool first);
    // After the first frame is read into Current: Previous and Next start as copies of it.
    void PrimeFrames();
    // Previous <- Current <- Next, whole frames; Next starts as a copy of Current.
    void RotateFrames();
    // Writes count samples of the channel at offset (among the channels present
    // in the frame) of the current frame, each masked to 10 bits; reversed
    // when the lines are mirrored. SPOT's bad columns are mended in the
    // current frame first, and the frames after it keep them mended.
    void ExtractChannel(uint16_t* destination, int32_t channelOffset, int32_t count);
    // The despeckled value of current-frame word position, its neighbours as
    // far apart as the samples of the channel last extracted.
    uint16_t DespikeSample(int32_t position) const;
    // Words any read has written so far; the rest of every frame is still 0.
    int32_t FrameExtent() const { return frameExtent_; }
    // The next read writes each of the first `words` words of its frame from
    // the file alone: what the frame held there before does not matter.
    bool NextReadCovers(int32_t words) const;

    TFrame& PreviousFrame() { return *previous_; }
    TFrame& CurrentFrame() { return *current_; }
    TFrame& NextFrame() { return *next_; }
    // The record last read (Level 1b calibration fields).
    std::span<const uint8_t> RecordBuffer() const { return {record_.data(), recordBytes_}; }
    int32_t RecordIndex() const { return recordIndex_; }
    // Meteor line time of the frame last read.
    TDateTime LineTime() const { return lineTime_; }
    bool LineTimeValid() const { return lineTimeValid_; }

private:
    struct MeteorBlockState {
        std::array<uint8_t, 1024> Block{};
        std::array<uint8_t, 238> Payload{};
        int32_t PayloadLength = 0;
        int32_t Part = 0;
        bool OddFrame = true;
    };

    int32_t ReadRecordByIndex();
    int32_t ReadBlock();
    void StoreTimeCode(const void* code);
    void FinishIndexedRecord(const TFrame& frame, int32_t timeCodeWord);
    void NoteFrameExtent(int64_t words);

    void ReadTimestepWindows(TFrame& frame);
    void ReadTimestepDos(TFrame& frame, bool tenBit);
    void ReadPackedRecord(TFrame& frame, int32_t timeCodeWord);
    void ReadAapp(TFrame& frame);
    void ReadL1F(TFrame& frame);
    void Read10B(TFrame& frame);
    void ReadPackedBlock(TFrame& frame, bool msbFirst);
    void ReadCopiedBlock(TFrame& frame);
    void Read16BitBlock(TFrame& frame, bool swap, bool mask, int32_t timeCodeWord, bool advance);
    void ReadSpot(TFrame& frame);
    void ReadMeteorBlocks(TFrame& frame);
    void ReadMeteorCadus(TFrame& frame, bool first);
    void ReadMeteorConverted(TFrame& frame);
    void ReadL1BNewer(TFrame& frame);
    void ReadL1BOlder(TFrame& frame);
    void ReadL1BGeneric(TFrame& frame);
    void StoreL1BVideo(TFrame& frame, int32_t offset, bool swap16, bool mask16);
    void StoreL1BTelemetry(TFrame& frame, int32_t offset);
    void StoreL1BLine(bool valid, int32_t locationsAt, int32_t locationBytes, int32_t anglesAt, int32_t angleBytes,
                      int32_t timeAt);
    int32_t ReadInputBlock(uint8_t* destination);
    bool SetMeteorLineTime(const uint8_t* code);


    TFrameFormat format_;
    TInputFile& input_;
    TRecordReader recordReader_;
    TEarthLocations* earthLocations_;
    TTelemetryData* telemetry_;

    std::vector<uint8_t> record_;
    size_t recordBytes_ = 0;
    std::vector<TFrame> frames_;
    TFrame* previous_;
    TFrame* current_;
    TFrame* next_;
    int32_t frameExtent_ = 0;  // words any read has written; the rest stay 0
    int32_t recordIndex_ = 0;
    int32_t despikeStride_ = 1;
    bool secondHalfPending_ = false;
    int32_t halfOffset_ = 0;
    MeteorBlockState meteor_;
    TDateTime lineTime_ = 0;
    bool lineTimeValid_ = false;
};

// The frames of three lines running, from which the middle line's channels
// are taken (despeckling looks at the lines before and after).
struct TFrameNeighbours {
    const TFrame& Previous;
    const TFrame& Current;
    const TFrame& Next;
};

// Writes count samples of the channel at channelOffset of frames.Current, as
// TFrameReader::ExtractChannel but changing no frame: lines may be taken on
// several threads at once. Returns the word distance of the channel's
// samples (the despeckle neighbour distance), 0 when they lie otherwise.
int32_t ExtractFrameChannel(const TFrameFormat& format, const TFrameNeighbours& frames, uint16_t* destination,
                            int32_t channelOffset, int32_t count);
// The despeckled value of the current frame's word position; its neighbours
// lie stride words to either side in the frames before and after.
uint16_t DespikeFrameSample(const TFrameFormat& format, const TFrameNeighbours& frames, int32_t position,
                            int32_t stride);
// Frames of this format may be read ahead of the lines taken from them into
// frames of their own: no extraction changes a frame (SPOT mends its bad
// columns in place) and no read writes past the frame extent (Meteor's
// inverted channels of 10-bit records).
bool FramesMayBeReadAhead(const TFrameFormat& format);

// Level 1b two-lines records: where the second line starts.
int32_t L1BHalfOffset(uint8_t sampleKind, int32_t channelCount, int32_t recordSize);

// Unpackers: each returns the samples written. Partial groups at the end of
// the source, and groups that do not fit the destination, are left out.
// 5 bytes -> 4 samples, V = b0 + 256 b1 + ... + 2^32 b4, s_k = (V >> 10k) & 1023.
int32_t Unpack10BitLsbFirst(std::span<const uint8_t> source, std::span<uint16_t> destination);
// 5 bytes -> 4 samples, most significant bit first.
int32_t Unpack10BitMsbFirst(std::span<const uint8_t> source, std::span<uint16_t> destination);
// As Unpack10BitLsbFirst after reversing the bits of every byte.
int32_t Unpack10BitReversed(std::span<const uint8_t> source, std::span<uint16_t> destination);
// 5 bytes -> 4 samples: four high bytes, then the four 2-bit low parts, first sample in the top bits.
int32_t Unpack10BitSplitLow(std::span<const uint8_t> source, std::span<uint16_t> destination);
// Five 16-bit machine-order words -> 8 samples, most significant bit first.
int32_t Unpack10BitWords(std::span<const uint8_t> source, std::span<uint16_t> destination);
// count samples from big-endian 32-bit words holding three samples each.
int32_t UnpackL1BWords(std::span<const uint8_t> source, std::span<uint16_t> destination, int32_t count);

// b with its eight bits in reverse order.
uint8_t ReverseBits(uint8_t b);

// Meteor frame tests: the 8-byte frame marker at payload bytes 8..15; the
// attached sync marker and frame marker of a 256-byte block.
bool IsFrameSync(std::span<const uint8_t> payload);
// A converted Meteor-M2 frame begins with the frame marker; raw transfer
// frames hold it somewhere in their payload.
bool StartsWithFrameMarker(std::span<const uint8_t> frame);
bool HoldsFrameMarker(std::span<const uint8_t> data);
int32_t SyncMarkerScore(std::span<const uint8_t> data);
int32_t FramePatternScore(std::span<const uint8_t> data);
bool IsPatternFrame(std::span<const uint8_t> record);

}  // namespace kestrune
