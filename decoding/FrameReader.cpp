#include "decoding/FrameReader.h"

#include "decoding/FormatDetect.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "platform/SystemUtils.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace kestrune {

static_assert(std::endian::native == std::endian::little, "frames hold words in little-endian machine order");

namespace {

constexpr std::array<uint8_t, 8> MeteorFrameMarker = {0x02, 0x18, 0xA7, 0xA3, 0x92, 0xDD, 0x9A, 0xBF};
constexpr std::array<uint8_t, 4> AttachedSyncMarker = {0x1A, 0xCF, 0xFC, 0x1D};
constexpr int32_t MeteorBlockBytes = 256;
constexpr int32_t MeteorFrameBytes = 12800;
constexpr int32_t MeteorVideoBytes = 11805;
constexpr int32_t MeteorVideoOffset = 35;
constexpr int32_t NoTimeCode = -1;
constexpr double MillisecondsPerDay = 86400000.0;

constexpr std::array<uint8_t, 256> MakeBitReversal() {
    std::array<uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        int r = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (b & (1 << bit)) r |= 1 << (7 - bit);
        table[static_cast<size_t>(b)] = static_cast<uint8_t>(r);
    }
    return table;
}
constexpr std::array<uint8_t, 256> BitReversal = MakeBitReversal();

// Runs one group routine over whole groups of the source that fit the destination.
template <size_t GroupBytes, size_t GroupSamples, typename Group>
int32_t UnpackGroups(std::span<const uint8_t> source, std::span<uint16_t> destination, Group group) {
    const size_t groups = std::min(source.size() / GroupBytes, destination.size() / GroupSamples);
    const uint8_t* in = source.data();
    uint16_t* out = destination.data();
    for (size_t g = 0; g < groups; ++g, in += GroupBytes, out += GroupSamples) group(in, out);
    return static_cast<int32_t>(groups * GroupSamples);
}

// Inlined wherever it is used: called for every four samples of a pass, a call costs as much as the work.
[[gnu::always_inline]] inline void LsbFirstGroup(const uint8_t* b, uint16_t* s) {
    const uint64_t v = static_cast<uint64_t>(b[0]) | static_cast<uint64_t>(b[1]) << 8 |
                       static_cast<uint64_t>(b[2]) << 16 | static_cast<uint64_t>(b[3]) << 24 |
                       static_cast<uint64_t>(b[4]) << 32;
    for (int k = 0; k < 4; ++k) s[k] = static_cast<uint16_t>((v >> (10 * k)) & SampleMask);
}

// Copies bytes of a record into the frame's memory at a word position.
size_t CopyBytesToFrame(TFrame& frame, int32_t word, std::span<const uint8_t> bytes) {
    if (word < 0 || word >= FrameWords || bytes.empty()) return 0;
    const size_t count = std::min(bytes.size(), static_cast<size_t>(FrameWords - word) * 2);
    std::memcpy(reinterpret_cast<uint8_t*>(frame.data() + word), bytes.data(), count);
    return count;
}

// Bytes from offset of a record, at most count (fewer near its end).
std::span<const uint8_t> Field(std::span<const uint8_t> record, int64_t offset, int64_t count) {
    if (offset < 0 || count <= 0 || offset >= static_cast<int64_t>(record.size())) return {};
    return record.subspan(static_cast<size_t>(offset),
                          static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(record.size()) - offset)));
}

bool HasField(std::span<const uint8_t> record, int64_t offset, int64_t count) {
    return offset >= 0 && offset + count <= static_cast<int64_t>(record.size());
}

// Words of a frame from a word position to its end.
std::span<uint16_t> FrameFrom(TFrame& frame, int32_t word) {
    if (word < 0 || word >= FrameWords) return {};
    return std::span<uint16_t>(frame).subspan(static_cast<size_t>(word));
}

// Copies 16-bit words, optionally swapping their bytes and masking them to 10 bits.
template <bool Swap, bool Mask>
void CopyWords(const uint8_t* in, uint16_t* out, size_t words) {
    // Four words at a time in one 64-bit register.
    constexpr uint64_t LowBytes = 0x00FF00FF00FF00FFull;
    constexpr uint64_t TenBits = 0x03FF03FF03FF03FFull;
    size_t i = 0;
    for (; i + 4 <= words; i += 4) {
        uint64_t x;
        std::memcpy(&x, in + 2 * i, 8);
        if constexpr (Swap) x = ((x & LowBytes) << 8) | ((x >> 8) & LowBytes);
        if constexpr (Mask) x &= TenBits;
        std::memcpy(out + i, &x, 8);
    }
    for (; i < words; ++i) {
        uint16_t w;
        std::memcpy(&w, in + 2 * i, 2);
        if constexpr (Swap) w = ByteSwap16(w);
        if constexpr (Mask) w &= SampleMask;
        out[i] = w;
    }
}

// Every stride-th word from in, masked to 10 bits; fixed strides let the compiler unroll.
template <int32_t Stride>
void GatherSamples(const uint16_t* in, uint16_t* out, int32_t count, int32_t stride) {
    const int32_t step = Stride > 0 ? Stride : stride;
    for (int32_t i = 0; i < count; ++i) out[i] = in[static_cast<ptrdiff_t>(i) * step] & SampleMask;
}

void GatherSamples(const uint16_t* in, uint16_t* out, int32_t count, int32_t stride) {
    switch (stride) {
        case 5: GatherSamples<5>(in, out, count, stride); break;
        case 8: GatherSamples<8>(in, out, count, stride); break;
        case 10: GatherSamples<10>(in, out, count, stride); break;
        default: GatherSamples<0>(in, out, count, stride); break;
    }
}

void CopyWords(const uint8_t* in, uint16_t* out, size_t words, bool swap, bool mask) {
    if (swap && mask)
        CopyWords<true, true>(in, out, words);
    else if (swap)
        CopyWords<true, false>(in, out, words);
    else if (mask)
        CopyWords<false, true>(in, out, words);
    else
        CopyWords<false, false>(in, out, words);
}

void MaskWords(std::span<uint16_t> words) {
    for (uint16_t& w : words) w &= SampleMask;
}

bool IsSpot(uint8_t code) { return code == 34 || code == 35; }

// Meteor's three infrared channels come inverted in 10-bit records.
bool InvertsMeteorChannels(const TFrameFormat& format) {
    return format.FormatCode == 20 && format.MeteorPass && format.ChannelCount == 6;
}

}  // namespace

// ---------------------------------------------------------------------------
// Unpackers and frame tests

uint8_t ReverseBits(uint8_t b) { return BitReversal[b]; }

int32_t Unpack10BitLsbFirst(std::span<const uint8_t> source, std::span<uint16_t> destination) {
    return UnpackGroups<5, 4>(source, destination, LsbFirstGroup);
}

int32_t Unpack10BitMsbFirst(std::span<const uint8_t> source, std::span<uint16_t> destination) {
    return UnpackGroups<5, 4>(source, destination, [](const uint8_t* b, uint16_t* s) {
        s[0] = static_cast<uint16_t>(b[0] << 2 | b[1] >> 6);
        s[1] = static_cast<uint16_t>((b[1] & 63) << 4 | b[2] >> 4);
        s[2] = static_cast<uint16_t>((b[2] & 15) << 6 | b[3] >> 2);
        s[3] = static_cast<uint16_t>((b[3] & 3) << 8 | b[4]);
    });
}

int32_t Unpack10BitReversed(std::span<const uint8_t> source, std::span<uint16_t> destination) {
    return UnpackGroups<5, 4>(source, destination, [](const uint8_t* b, uint16_t* s) {
        const uint8_t reversed[5] = {BitReversal[b[0]], BitReversal[b[1]], BitReversal[b[2]], BitReversal[b[3]],
                                     BitReversal[b[4]]};
        LsbFirstGroup(reversed, s);
    });
}

int32_t Unpack10BitSplitLow(std::span<const uint8_t> source, std::span<uint16_t> destination) {
    return UnpackGroups<5, 4>(source, destination, [](const uint8_t* b, uint16_t* s) {
        for (int k = 0; k < 4; ++k) s[k] = static_cast<uint16_t>(b[k] << 2 | ((b[4] >> (6 - 2 * k)) & 3));
    });
}

int32_t Unpack10BitWords(std::span<const uint8_t> source, std::span<uint16_t> destination) {
    return UnpackGroups<10, 8>(source, destination, [](const uint8_t* b, uint16_t* s) {
        uint64_t w[5];
        for (int i = 0; i < 5; ++i) w[i] = static_cast<uint64_t>(b[2 * i] | b[2 * i + 1] << 8);
        const uint64_t high = w[0] << 24 | w[1] << 8 | w[2] >> 8;           // bits 79..40
        const uint64_t low = (w[2] & 255) << 32 | w[3] << 16 | w[4];        // bits 39..0
        for (int j = 0; j < 4; ++j) {
            s[j] = static_cast<uint16_t>((high >> (30 - 10 * j)) & SampleMask);
            s[j + 4] = static_cast<uint16_t>((low >> (30 - 10 * j)) & SampleMask);
        }
    });
}

int32_t UnpackL1BWords(std::span<const uint8_t> source, std::span<uint16_t> destination, int32_t count) {
    const int64_t available = static_cast<int64_t>(source.size() / 4) * 3;
    const int32_t n = static_cast<int32_t>(
        std::min<int64_t>({std::max(count, 0), available, static_cast<int64_t>(destination.size())}));
    uint32_t word = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (i % 3 == 0) word = ReadBigEndian32(&source[static_cast<size_t>(i / 3) * 4]);
        destination[static_cast<size_t>(i)] = static_cast<uint16_t>((word >> (20 - 10 * (i % 3))) & SampleMask);
    }
    return n;
}

namespace {

int32_t MatchingBytes(std::span<const uint8_t> data, size_t offset, std::span<const uint8_t> marker) {
    int32_t count = 0;
    for (size_t i = 0; i < marker.size(); ++i)
        if (offset + i < data.size() && data[offset + i] == marker[i]) ++count;
    return count;
}

}  // namespace

bool IsFrameSync(std::span<const uint8_t> payload) {
    return MatchingBytes(payload, 8, MeteorFrameMarker) * 100 / 8 > 90;
}

bool StartsWithFrameMarker(std::span<const uint8_t> frame) {
    return MatchingBytes(frame, 0, MeteorFrameMarker) * 100 / 8 > 90;
}

bool HoldsFrameMarker(std::span<const uint8_t> data) {
    return std::search(data.begin(), data.end(), MeteorFrameMarker.begin(), MeteorFrameMarker.end()) != data.end();
}

int32_t SyncMarkerScore(std::span<const uint8_t> data) { return MatchingBytes(data, 0, AttachedSyncMarker) * 100 / 4; }

int32_t FramePatternScore(std::span<const uint8_t> data) { return MatchingBytes(data, 22, MeteorFrameMarker) * 100 / 8; }

bool IsPatternFrame(std::span<const uint8_t> record) {
    return SyncMarkerScore(record) > 50 && FramePatternScore(record) > 65;
}

int32_t L1BHalfOffset(uint8_t sampleKind, int32_t channelCount, int32_t recordSize) {
    const bool sixteenBit = sampleKind == 3;
    int32_t offset = channelCount * (sixteenBit ? 816 : 408) + 452;
    if (recordSize > 4176) offset += 4;
    if (sixteenBit && recordSize > 7448) offset += 4;
    return offset;
}

// ---------------------------------------------------------------------------
// Input

TInputFile::TInputFile(const uint8_t* data, int64_t size, int64_t position)
    : data_(data), size_(data == nullptr ? 0 : std::max<int64_t>(size, 0)) {
    Seek(position);
}

std::span<const uint8_t> TInputFile::Take(int64_t count) {
    const int64_t n = std::clamp<int64_t>(count, 0, Remaining());
    std::span<const uint8_t> bytes(data_ + position_, static_cast<size_t>(n));
    position_ += n;
    return bytes;
}

int64_t TInputFile::Read(void* destination, int64_t count) {
    const std::span<const uint8_t> bytes = Take(count);
    if (!bytes.empty()) std::memcpy(destination, bytes.data(), bytes.size());
    return static_cast<int64_t>(bytes.size());
}

void TInputFile::Seek(int64_t position) { position_ = std::clamp<int64_t>(position, 0, size_); }

TRecordReader MappedRecordReader(const uint8_t* data, int64_t size, int64_t dataStart, int32_t recordSize) {
    return [=](int32_t index, uint8_t* buffer) -> int32_t {
        if (data == nullptr || index < 0 || recordSize <= 0) return 0;
        const int64_t offset = dataStart + static_cast<int64_t>(index) * recordSize;
        if (offset < 0 || offset + recordSize > size) return 0;
        std::memcpy(buffer, data + offset, static_cast<size_t>(recordSize));
        return recordSize;
    };
}

// ---------------------------------------------------------------------------
// Reading state

TFrameReader::TFrameReader(const TFrameFormat& format, TInputFile& input, TRecordReader recordReader,
                           TEarthLocations* earthLocations, TTelemetryData* telemetry)
    : format_(format),
      input_(input),
      recordReader_(std::move(recordReader)),
      earthLocations_(earthLocations),
      telemetry_(telemetry),
      record_(static_cast<size_t>(std::max(format.RecordSize, MeteorFrameBytes)), 0),
      frames_(3, TFrame{}),
      previous_(&frames_[0]),
      current_(&frames_[1]),
      next_(&frames_[2]),
      halfOffset_(L1BHalfOffset(format.L1BSampleKind, format.ChannelCount, format.RecordSize)) {}

void TFrameReader::NoteFrameExtent(int64_t words) {
    frameExtent_ = static_cast<int32_t>(std::clamp<int64_t>(std::max<int64_t>(words, frameExtent_), 0, FrameWords));
}

int32_t TFrameReader::ReadRecordByIndex() {
    const int32_t n = recordReader_ ? recordReader_(recordIndex_, record_.data()) : 0;
    recordBytes_ = static_cast<size_t>(std::clamp(n, 0, static_cast<int32_t>(record_.size())));
    return static_cast<int32_t>(recordBytes_);
}

int32_t TFrameReader::ReadBlock() {
    recordBytes_ = static_cast<size_t>(input_.Read(record_.data(), std::max(format_.RecordSize, 0)));
    return static_cast<int32_t>(recordBytes_);
}

void TFrameReader::StoreTimeCode(const void* code) {
    if (earthLocations_ != nullptr && recordIndex_ < format_.LineCount)
        earthLocations_->StoreTimeCode(recordIndex_, code, 8);
}

void TFrameReader::FinishIndexedRecord(const TFrame& frame, int32_t timeCodeWord) {
    if (timeCodeWord != NoTimeCode && timeCodeWord >= 0 && timeCodeWord + 4 <= FrameWords)
        StoreTimeCode(frame.data() + timeCodeWord);
    ++recordIndex_;
}

void TFrameReader::PrimeFrames() {
    *previous_ = *current_;
    *next_ = *current_;
}

void TFrameReader::RotateFrames() {
    TFrame* oldest = previous_;
    previous_ = current_;
    current_ = next_;
    next_ = oldest;
    // A read that fails or falls short leaves the current frame's words in place.
    std::copy_n(current_->begin(), frameExtent_, next_->begin());
}

void TFrameReader::ReadNextFrame(TFrame& frame, bool first) {
    lineTime_ = 0;
    const uint8_t code = format_.FormatCode;
    switch (code) {
        case 1: ReadTimestepWindows(frame); break;
        case 2: ReadTimestepDos(frame, true); break;
        case 3: ReadTimestepDos(frame, false); break;
        case 4: ReadPackedRecord(frame, 10); break;
        case 5: ReadPackedRecord(frame, TimeCodeWord); break;
        case 7:
        case 9: ReadL1BNewer(frame); break;
        case 8: ReadL1BOlder(frame); break;
        case 10:
        case 11: ReadL1BGeneric(frame); break;
        case 16:
        case 17:
        case 18: ReadAapp(frame); break;
        case 19: ReadL1F(frame); break;
        case 20: Read10B(frame); break;
        case 21:
        case 22:
        case 23: ReadPackedBlock(frame, true); break;
        case 39:
        case 40: ReadPackedBlock(frame, false); break;
        case 24: Read16BitBlock(frame, false, false, NoTimeCode, false); break;
        case 25:
        case 31:
        case 32:
        case 33: Read16BitBlock(frame, false, false, TimeCodeWord, true); break;
        case 28: Read16BitBlock(frame, !format_.LittleEndian16, !format_.LittleEndian16, TimeCodeWord, true); break;
        case 26: Read16BitBlock(frame, !format_.LittleEndian16, true, TimeCodeWord, true); break;
        case 27: Read16BitBlock(frame, true, false, NoTimeCode, false); break;
        case 29:
        case 30: Read16BitBlock(frame, false, false, 3, true); break;
        case 34:
        case 35: ReadSpot(frame); break;
        case 36: ReadMeteorBlocks(frame); break;
        case 37: ReadMeteorCadus(frame, first); break;
        case 38: ReadMeteorConverted(frame); break;
        default: break;  // not a frame format: the frame stays as it is
    }
}

// ---------------------------------------------------------------------------
// Frame rules of the format families

void TFrameReader::ReadTimestepWindows(TFrame& frame) {
    if (format_.PackedInput) {
        ReadRecordByIndex();
        const auto bytes = RecordBuffer();
        const int32_t n = format_.SensorKind == 2 ? Unpack10BitMsbFirst(bytes, frame) : Unpack10BitLsbFirst(bytes, frame);
        NoteFrameExtent(n);
    } else {
        NoteFrameExtent(static_cast<int64_t>(CopyBytesToFrame(frame, 0, input_.Take(HrptFrameWords * 2)) + 1) / 2);
        MaskWords(std::span<uint16_t>(frame).first(HrptFrameWords));
        NoteFrameExtent(HrptFrameWords);
    }
    FinishIndexedRecord(frame, TimeCodeWord);
}

void TFrameReader::ReadTimestepDos(TFrame& frame, bool tenBit) {
    const int32_t n = ReadRecordByIndex();
    const auto record = RecordBuffer();
    const int32_t width = format_.Width;
    const bool avhrr = format_.SensorKind == 0;
    int64_t written = 0;
    if (tenBit) {
        const int64_t cleared = std::clamp<int64_t>(static_cast<int64_t>(width) * 6, 0, FrameWords);
        std::fill_n(frame.begin(), cleared, 0);
        written = std::max<int64_t>(cleared, Unpack10BitLsbFirst(Field(record, 0, static_cast<int64_t>(n) * 5 / 6), frame));
    } else {
        const auto video = Field(record, 0, static_cast<int64_t>(format_.ChannelCount) * 2048);
        const size_t count = std::min(video.size(), frame.size());
        for (size_t i = 0; i < count; ++i) frame[i] = static_cast<uint16_t>(video[i] * 4);
        written = static_cast<int64_t>(count);
    }
    const int32_t telemetryWord = width * 5 + 6;
    if (avhrr) {
        const int64_t telemetryAt = static_cast<int64_t>(format_.ChannelCount) * (tenBit ? 2560 : 2048);
        const size_t copied = CopyBytesToFrame(frame, telemetryWord, Field(record, telemetryAt, 1488));
        written = std::max<int64_t>(written, telemetryWord + static_cast<int64_t>(copied + 1) / 2);
    }
    NoteFrameExtent(written);
    FinishIndexedRecord(frame, avhrr ? width * 5 + 8 : NoTimeCode);
}

void TFrameReader::ReadPackedRecord(TFrame& frame, int32_t timeCodeWord) {
    ReadRecordByIndex();
    NoteFrameExtent(Unpack10BitMsbFirst(RecordBuffer(), frame));
    FinishIndexedRecord(frame, timeCodeWord);
}

bool TFrameReader::NextReadCovers(int32_t words) const {
    const int64_t bytes = std::min<int64_t>(std::max(format_.RecordSize, 0), input_.Remaining());
    const uint8_t code = format_.FormatCode;
    if (IsFormatOneOf(code, {21, 22, 23, 39, 40})) return std::min<int64_t>(bytes / 5, FrameWords / 4) * 4 >= words;
    if (code < 24 || code > 33) return false;
    // Whole words only: an odd last byte is merged into the word already there.
    const int64_t count = std::min<int64_t>(bytes, FrameBytes);
    return count % 2 == 0 && count / 2 >= words;
}

void TFrameReader::ReadPackedBlock(TFrame& frame, bool msbFirst) {
    const auto bytes = input_.Take(format_.RecordSize);
    NoteFrameExtent(msbFirst ? Unpack10BitMsbFirst(bytes, frame) : Unpack10BitLsbFirst(bytes, frame));
    FinishIndexedRecord(frame, TimeCodeWord);
}

void TFrameReader::Read16BitBlock(TFrame& frame, bool swap, bool mask, int32_t timeCodeWord, bool advance) {
    const auto bytes = input_.Take(format_.RecordSize);
    const size_t count = std::min<size_t>(bytes.size(), FrameBytes);
    CopyWords(bytes.data(), frame.data(), count / 2, swap, mask);
    if (count % 2 == 1) {
        uint16_t& last = frame[count / 2];
        last = static_cast<uint16_t>((last & 0xFF00) | bytes[count - 1]);
        if (swap) last = ByteSwap16(last);
        if (mask) last &= SampleMask;
    }
    NoteFrameExtent(static_cast<int64_t>(count + 1) / 2);
    if (advance) FinishIndexedRecord(frame, timeCodeWord);
}

void TFrameReader::ReadAapp(TFrame& frame) {
    ReadRecordByIndex();
    if (format_.FormatCode != 16) {
        for (size_t i = 0; i + 1 < recordBytes_; i += 2) std::swap(record_[i], record_[i + 1]);
    }
    const auto record = RecordBuffer();
    CopyBytesToFrame(frame, 0, Field(record, 1056, 206));
    CopyBytesToFrame(frame, HrptVideoWord, Field(record, 1264, 20480));
    MaskWords(std::span<uint16_t>(frame).subspan(HrptVideoWord, HrptFrameWords - HrptVideoWord));
    NoteFrameExtent(HrptFrameWords);
    if (HasField(record, 1072, 8)) StoreTimeCode(record.data() + 1072);
    ++recordIndex_;
}

void TFrameReader::ReadL1F(TFrame& frame) {
    ReadRecordByIndex();
    NoteFrameExtent(6 + static_cast<int64_t>(Unpack10BitWords(Field(RecordBuffer(), 68, 13730), FrameFrom(frame, 6))));
    FinishIndexedRecord(frame, TimeCodeWord);
}

void TFrameReader::Read10B(TFrame& frame) {
    ReadBlock();
    NoteFrameExtent(Unpack10BitSplitLow(Field(RecordBuffer(), 7, format_.RecordSize - 7), frame));
    if (InvertsMeteorChannels(format_)) {
        for (int32_t i = 0; i <= 1567; ++i)
            for (int32_t k = 4; k <= 6; ++k) {
                uint16_t& w = frame[static_cast<size_t>(2231 + 6 * i + k)];
                w = static_cast<uint16_t>(SampleMask - (w & SampleMask));
            }
        lineTime_ = 0;
    }
    FinishIndexedRecord(frame, TimeCodeWord);
}

void TFrameReader::ReadSpot(TFrame& frame) {
    ReadBlock();
    const auto record = RecordBuffer();
    NoteFrameExtent(Unpack10BitReversed(Field(record, 416, format_.RecordSize - 416), frame));
    if (format_.FormatCode == 35 && HasField(record, 0, 8)) StoreTimeCode(record.data());
    ++recordIndex_;
}

// ---------------------------------------------------------------------------
// Meteor

bool TFrameReader::SetMeteorLineTime(const uint8_t* code) {
    // A corrupt time code gives no line time rather than ending the load.
    TDateTime time = 0;
    lineTimeValid_ = TryEncodeTime(code[0], code[1], code[2], code[3] * 4, time);
    lineTime_ = lineTimeValid_ ? time : 0;
    return lineTimeValid_;
}

void TFrameReader::ReadMeteorBlocks(TFrame& frame) {
    ReadBlock();
    if (!IsPatternFrame(RecordBuffer())) {
        while (input_.Read(record_.data(), MeteorBlockBytes) == MeteorBlockBytes) {
            if (IsPatternFrame(std::span<const uint8_t>(record_).first(MeteorBlockBytes))) {
                input_.SeekBy(-MeteorBlockBytes);
                break;
            }
        }
    }
    lineTimeValid_ = false;
    if (earthLocations_ != nullptr && recordIndex_ < format_.LineCount)
        earthLocations_->StoreTimeCode(recordIndex_, record_.data() + 8, 4);
    if (input_.Remaining() > MeteorFrameBytes) {
        for (size_t k = 0; k < 50; ++k) std::memmove(&record_[232 * k], &record_[22 + 256 * k], 232);
        NoteFrameExtent(Unpack10BitMsbFirst(std::span<const uint8_t>(record_).subspan(MeteorVideoOffset, 11565), frame));
        if (recordIndex_ < format_.LineCount) SetMeteorLineTime(&record_[8]);
    }
    ++recordIndex_;
}

int32_t TFrameReader::ReadInputBlock(uint8_t* destination) {
    static constexpr int32_t Offsets[4] = {19, 275, 531, 787};
    static constexpr int32_t Sizes[4] = {238, 238, 238, 234};
    if (input_.Remaining() <= 1024) return 0;
    if (meteor_.Part == 0 && input_.Read(meteor_.Block.data(), 1024) < 1024) return 0;
    const int32_t part = meteor_.Part;
    std::memcpy(destination, &meteor_.Block[static_cast<size_t>(Offsets[part])], static_cast<size_t>(Sizes[part]));
    meteor_.Part = (part + 1) % 4;
    return Sizes[part];
}

void TFrameReader::ReadMeteorCadus(TFrame& frame, bool first) {
    if (first) {
        meteor_.Part = 0;
        meteor_.OddFrame = true;
        meteor_.PayloadLength = ReadInputBlock(meteor_.Payload.data());
    }
    lineTimeValid_ = false;
    for (int32_t tries = 0; tries < 2000 && !IsFrameSync(meteor_.Payload); ++tries) {
        if (const int32_t n = ReadInputBlock(meteor_.Payload.data()); n > 0) meteor_.PayloadLength = n;
    }
    if (earthLocations_ != nullptr && recordIndex_ < format_.LineCount)
        earthLocations_->StoreTimeCode(recordIndex_, meteor_.Payload.data() + 16, 4);
    SetMeteorLineTime(meteor_.Payload.data() + 16);
    if (input_.Remaining() > format_.RecordSize) {
        // The frame starts at byte 8 of the sync payload; its video bytes from
        // frame offset 35 run on through the next 49 payloads.
        const size_t head = static_cast<size_t>(std::max(meteor_.PayloadLength - 8 - MeteorVideoOffset, 0));
        std::memcpy(record_.data(), meteor_.Payload.data() + 8 + MeteorVideoOffset, head);
        size_t joined = head;
        // The payloads pass through the payload buffer, so that the next
        // frame's search starts after this frame, not at its sync payload.
        for (int32_t k = 0; k < 49; ++k) {
            const int32_t n = ReadInputBlock(meteor_.Payload.data());
            if (n > 0) meteor_.PayloadLength = n;
            std::memcpy(record_.data() + joined, meteor_.Payload.data(), static_cast<size_t>(n));
            joined += static_cast<size_t>(n);
        }
        std::fill_n(reinterpret_cast<uint8_t*>(frame.data()), MeteorVideoBytes, uint8_t{0});
        NoteFrameExtent(Unpack10BitMsbFirst(std::span<const uint8_t>(record_).first(MeteorVideoBytes), frame));
    }
    input_.SeekBy(meteor_.OddFrame ? -1026 : -1022);
    meteor_.OddFrame = !meteor_.OddFrame;
    meteor_.Part = 0;
    ++recordIndex_;
}

void TFrameReader::ReadMeteorConverted(TFrame& frame) {
    ReadRecordByIndex();
    const auto record = RecordBuffer();
    if (HasField(record, 8, 4)) {
        if (earthLocations_ != nullptr && recordIndex_ < format_.LineCount)
            earthLocations_->StoreTimeCode(recordIndex_, record.data() + 8, 4);
        SetMeteorLineTime(record.data() + 8);
    }
    std::fill_n(reinterpret_cast<uint8_t*>(frame.data()), MeteorVideoBytes, uint8_t{0});
    NoteFrameExtent(Unpack10BitMsbFirst(Field(record, MeteorVideoOffset, MeteorVideoBytes), frame));
    ++recordIndex_;
}

// ---------------------------------------------------------------------------
// Level 1b

void TFrameReader::StoreL1BVideo(TFrame& frame, int32_t offset, bool swap16, bool mask16) {
    const auto record = RecordBuffer();
    const int64_t count = std::min<int64_t>(static_cast<int64_t>(format_.ChannelCount) * format_.Width, FrameWords);
    int64_t written = 0;
    switch (format_.L1BSampleKind) {
        case 1: {
            const auto video = Field(record, offset, count);
            for (size_t i = 0; i < video.size(); ++i) frame[i] = static_cast<uint16_t>(video[i] * 4);
            written = static_cast<int64_t>(video.size());
            break;
        }
        case 2: written = UnpackL1BWords(Field(record, offset, record.size()), frame, static_cast<int32_t>(count)); break;
        case 3: {
            const auto video = Field(record, offset, count * 2);
            written = static_cast<int64_t>(video.size() / 2);
            CopyWords(video.data(), frame.data(), static_cast<size_t>(written), swap16, mask16);
            break;
        }
        default: break;
    }
    NoteFrameExtent(written);
}

void TFrameReader::StoreL1BTelemetry(TFrame& frame, int32_t offset) {
    UnpackL1BWords(Field(RecordBuffer(), offset, 4 * 35), FrameFrom(frame, L1BTelemetryWord), 103);
    NoteFrameExtent(L1BTelemetryWord + 103);
}

void TFrameReader::StoreL1BLine(bool valid, int32_t locationsAt, int32_t locationBytes, int32_t anglesAt,
                                int32_t angleBytes, int32_t timeAt) {
    if (earthLocations_ == nullptr || !valid || recordIndex_ >= format_.LineCount) return;
    const auto record = RecordBuffer();
    if (HasField(record, locationsAt, locationBytes))
        earthLocations_->StoreRawLocations(recordIndex_, record.data() + locationsAt, static_cast<size_t>(locationBytes));
    if (angleBytes > 0 && HasField(record, anglesAt, angleBytes))
        earthLocations_->StoreRawAngles(recordIndex_, record.data() + anglesAt, static_cast<size_t>(angleBytes));
    if (HasField(record, timeAt, 4))
        earthLocations_->SetLineTime(recordIndex_, ReadBigEndian32(record.data() + timeAt) / MillisecondsPerDay);
}

void TFrameReader::ReadL1BNewer(TFrame& frame) {
    ReadRecordByIndex();
    const auto record = RecordBuffer();
    const uint32_t quality = HasField(record, 312, 4) ? (ReadBigEndian32(record.data() + 312) >> 12) & 15 : 15;
    const bool valid = quality == 0 || quality == 8;
    if (earthLocations_ != nullptr) earthLocations_->AddLocationFlags(valid ? 1 : 0);
    StoreL1BLine(valid, 640, 408, 328, RawAngleBytes, 8);
    StoreL1BVideo(frame, 1264, !format_.LittleEndian16, false);
    CopyBytesToFrame(frame, L1BTelemetryWord, Field(record, 1056, 206));
    NoteFrameExtent(L1BTelemetryWord + 103);
    if (earthLocations_ != nullptr && valid && HasField(record, 320, 8))
        earthLocations_->StoreRawNavigation(recordIndex_, record.data() + 320, 8);
    ++recordIndex_;
}

void TFrameReader::ReadL1BOlder(TFrame& frame) {
    ReadRecordByIndex();
    const auto record = RecordBuffer();
    const bool valid = HasField(record, 52, 1) && record[52] == '3';
    if (earthLocations_ != nullptr) earthLocations_->AddLocationFlags(valid ? 1 : 0);
    if (telemetry_ != nullptr) telemetry_->AddL1BCalibration(Field(record, 12, 40));
    StoreL1BLine(valid, 104, 204, 53, 51, 4);
    StoreL1BVideo(frame, 448, !format_.L1BWordsMod1024, format_.L1BWordsMod1024);
    StoreL1BTelemetry(frame, 308);
    ++recordIndex_;
}

void TFrameReader::ReadL1BGeneric(TFrame& frame) {
    int32_t half = 0;
    if (format_.L1BSampleKind == 2) {
        ReadBlock();
    } else if (!secondHalfPending_) {
        if (format_.L1BSampleKind == 3) {
            ReadRecordByIndex();
            ++recordIndex_;
        } else {
            ReadBlock();
        }
        secondHalfPending_ = true;
    } else {
        secondHalfPending_ = false;
        half = halfOffset_;
    }
    const auto record = RecordBuffer();
    if (format_.L1BSampleKind != 3) {
        const bool valid = HasField(record, 52, 1) && record[52] == '3';
        if (earthLocations_ != nullptr) earthLocations_->AddLocationFlags(valid ? 1 : 0);
        StoreL1BLine(valid, half + 104, 204, 0, 0, half + 4);
        ++recordIndex_;
    }
    StoreL1BVideo(frame, half + 448, true, false);
    StoreL1BTelemetry(frame, half + 308);
}

// ---------------------------------------------------------------------------
// Channel extraction

namespace {

constexpr int32_t NoChannels = -1;
constexpr int32_t SpotLineSamples = 1728;

// Where SPOT channel c starts in a frame; -1 when it does not lie wholly inside.
int32_t SpotChannelWord(int32_t c) {
    const int32_t first = SpotLineSamples * c;
    return first < 0 || first + SpotLineSamples > FrameWords ? -1 : first;
}

// The fifth SPOT channel has dead detector columns: each takes the mean of its neighbours.
void MendSpotColumns(TFrame& frame) {
    static constexpr int32_t BadColumns[] = {73, 286, 399, 586, 614, 645, 659, 715, 817,
                                             886, 924, 949, 1111, 1120, 1186, 1486, 1546};
    uint16_t* channel = frame.data() + SpotChannelWord(4);
    for (int32_t column : BadColumns)
        channel[column] = static_cast<uint16_t>((channel[column - 1] + channel[column + 1]) >> 1);
    channel[647] = channel[648] = static_cast<uint16_t>((channel[646] + channel[649]) >> 1);
}

// Takes the channels of one line from its frames; changes nothing, so
// lines are taken on several threads at once.
class TLineExtraction {
public:
    TLineExtraction(const TFrameFormat& format, const TFrameNeighbours& frames) : format_(format), frames_(frames) {}

    int32_t Channel(uint16_t* destination, int32_t channelOffset, int32_t count) const;
    uint16_t Despiked(int32_t position, int32_t stride) const;

private:
    int32_t Strided(uint16_t* destination, int32_t first, int32_t stride, int32_t count, bool despeckle) const;
    int32_t SeaWifsBlocks(uint16_t* destination, int32_t channelOffset, int32_t count) const;
    int32_t Spot(uint16_t* destination, int32_t channelOffset, int32_t count) const;
    void MeteorGroups(uint16_t* destination, int32_t channelOffset, int32_t count) const;
    void Bytes(uint16_t* destination, int32_t first, int32_t stride, int32_t count) const;
    int32_t Samples(uint16_t* destination, int32_t channelOffset, int32_t count) const;

    const TFrameFormat& format_;
    const TFrameNeighbours& frames_;
};

int32_t TLineExtraction::Strided(uint16_t* destination, int32_t first, int32_t stride, int32_t count,
                                 bool despeckle) const {
    // Samples whose words would lie beyond the frame stay 0.
    const int64_t inFrame = first >= FrameWords ? 0 : (static_cast<int64_t>(FrameWords) - 1 - first) / stride + 1;
    const int32_t n = static_cast<int32_t>(std::clamp<int64_t>(inFrame, 0, count));
    std::fill(destination + n, destination + count, uint16_t{0});
    const uint16_t* in = frames_.Current.data() + first;
    if (!despeckle || !format_.Despeckle || n <= 2) {
        GatherSamples(in, destination, n, stride);
        return stride;
    }
    destination[0] = in[0] & SampleMask;
    for (int32_t i = 1; i < n - 1; ++i) destination[i] = Despiked(first + i * stride, stride) & SampleMask;
    destination[n - 1] = in[static_cast<ptrdiff_t>(n - 1) * stride] & SampleMask;
    return stride;
}

int32_t TLineExtraction::SeaWifsBlocks(uint16_t* destination, int32_t channelOffset, int32_t count) const {
    static constexpr int32_t BandStarts[5] = {0, 6145, 2051, 8196, 4102};
    const TFrame& frame = frames_.Current;
    for (int32_t g = 0; g < count / 5; ++g)
        for (int32_t k = 0; k < 5; ++k) {
            const int32_t word = 8 * g + channelOffset + BandStarts[k];
            destination[5 * g + k] = word < FrameWords ? frame[static_cast<size_t>(word)] & SampleMask : 0;
        }
    return 1;
}

int32_t TLineExtraction::Spot(uint16_t* destination, int32_t channelOffset, int32_t count) const {
    const int32_t first = SpotChannelWord(channelOffset);
    if (first < 0) return 0;
    return Strided(destination, first, 1, std::min(count, SpotLineSamples), false);
}

void TLineExtraction::MeteorGroups(uint16_t* destination, int32_t channelOffset, int32_t count) const {
    const bool inverted = channelOffset >= 3 && channelOffset <= 5;
    const TFrame& frame = frames_.Current;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t word = 24 * (i / 4) + 4 * channelOffset + 12 + i % 4;
        const uint16_t value = word < FrameWords ? frame[static_cast<size_t>(word)] & SampleMask : 0;
        destination[i] = inverted ? static_cast<uint16_t>(SampleMask - value) : value;
    }
}

void TLineExtraction::Bytes(uint16_t* destination, int32_t first, int32_t stride, int32_t count) const {
    const auto* bytes = reinterpret_cast<const uint8_t*>(frames_.Current.data());
    for (int32_t i = 0; i < count; ++i) {
        const int64_t at = first + static_cast<int64_t>(stride) * i;
        destination[i] = at < FrameBytes ? static_cast<uint16_t>(bytes[at] * 4) : 0;
    }
}

// The samples in frame order; returns the despeckle neighbour distance (0:
// none), NoChannels for a format without channels.
int32_t TLineExtraction::Samples(uint16_t* destination, int32_t channelOffset, int32_t count) const {
    const uint8_t code = format_.FormatCode;
    const int32_t c = channelOffset;
    const uint8_t kind = format_.SensorKind;
    if (IsFormatOneOf(code, {1, 5, 16, 17, 18, 19, 21, 22, 23, 26, 28, 31, 32, 33, 39, 40})) {
        if (kind == 1) return Strided(destination, HrptVideoWord + c, 8, count, true);
        if (kind == 2) return Strided(destination, ChrptVideoWord + c, 10, count, true);
        return Strided(destination, HrptVideoWord + c, 5, count, true);
    }
    if (code == 2 || code == 3) {
        if (kind == 1) return SeaWifsBlocks(destination, c, count);
        return Strided(destination, format_.Width * c, 1, count, false);
    }
    if (code == 4) return Strided(destination, 632 + format_.Width * c, 1, count, true);
    if (code >= 7 && code <= 13) return Strided(destination, c, std::max(format_.ChannelCount, 1), count, true);
    if (code == 20)
        return Strided(destination, (kind == 2 ? ChrptVideoWord : HrptVideoWord) + c, std::max(format_.ChannelCount, 1),
                       count, true);
    if (code == 24 || code == 25) {
        Bytes(destination, c, code == 24 ? 5 : 10, count);
        return 0;
    }
    if (code == 27) return Strided(destination, 700 + c, 8, count, false);
    if (code == 29) return Strided(destination, 745 + c, 5, count, false);
    if (code == 30) return Strided(destination, 1595 + c, 10, count, false);
    if (code == 34 || code == 35) return Spot(destination, c, count);
    if (code >= 36 && code <= 38) {
        MeteorGroups(destination, c, count);
        return 0;
    }
    return NoChannels;
}

int32_t TLineExtraction::Channel(uint16_t* destination, int32_t channelOffset, int32_t count) const {
    if (destination == nullptr || count <= 0 || channelOffset < 0) return 0;
    const int32_t stride = Samples(destination, channelOffset, count);
    if (stride == NoChannels) return 0;
    if (format_.MirrorLines) std::reverse(destination, destination + count);
    return stride;
}

uint16_t TLineExtraction::Despiked(int32_t position, int32_t stride) const {
    const int32_t s = stride;
    const uint16_t v = frames_.Current[static_cast<size_t>(position)];
    if (format_.SensorKind == 1 || !format_.Despeckle || position < s || position + s >= FrameWords) return v;
    const int32_t a = frames_.Previous[static_cast<size_t>(position - s)];
    const int32_t b = frames_.Previous[static_cast<size_t>(position + s)];
    const int32_t c = frames_.Next[static_cast<size_t>(position - s)];
    const int32_t d = frames_.Next[static_cast<size_t>(position + s)];
    if ((a > 767 && b > 767) || (c >= 768 && d >= 768)) return v;  // bright areas stay as they are
    const int32_t m = (a + b + c + d) >> 2;
    return std::abs(v - m) >= 255 ? static_cast<uint16_t>(m) : v;
}

}  // namespace

int32_t ExtractFrameChannel(const TFrameFormat& format, const TFrameNeighbours& frames, uint16_t* destination,
                            int32_t channelOffset, int32_t count) {
    return TLineExtraction(format, frames).Channel(destination, channelOffset, count);
}

uint16_t DespikeFrameSample(const TFrameFormat& format, const TFrameNeighbours& frames, int32_t position,
                            int32_t stride) {
    return TLineExtraction(format, frames).Despiked(position, stride);
}

bool FramesMayBeReadAhead(const TFrameFormat& format) {
    return !IsSpot(format.FormatCode) && !InvertsMeteorChannels(format);
}

void TFrameReader::ExtractChannel(uint16_t* destination, int32_t channelOffset, int32_t count) {
    if (destination == nullptr || count <= 0) return;
    if (IsSpot(format_.FormatCode) && channelOffset == 4) MendSpotColumns(*current_);
    const int32_t stride = ExtractFrameChannel(format_, {*previous_, *current_, *next_}, destination, channelOffset, count);
    if (stride > 0) despikeStride_ = stride;
}

uint16_t TFrameReader::DespikeSample(int32_t position) const {
    return DespikeFrameSample(format_, {*previous_, *current_, *next_}, position, despikeStride_);
}

}  // namespace kestrune
