#include "decoding/FrameCheck.h"

#include "decoding/FormatDetect.h"
#include "platform/ProgramStrings.h"
#include "platform/SystemUtils.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace kestrune {

namespace {

constexpr uint16_t FirstSyncWord = 644;  // 284 hex
constexpr uint32_t MillisecondsPerDay = 86400000;
constexpr int32_t MeteorBlockBytes = 256;
constexpr int32_t FewestMarkedPercent = 10;
// Neighbouring samples of an image line differ by a few counts; random bytes
// by 85 on average.
constexpr int32_t MostMeanStep = 40;
// SPOT-1 was launched in February 1986.
constexpr int64_t FirstSpotSecond = 504921600;   // 1986-01-01
constexpr int64_t LastSpotSecond = 4102444800;   // 2100-01-01

enum class TMark {
    None,
    Sync,             // first sync word at a frame word
    TimeCode,         // HRPT time code at a frame word
    NewerRecordTime,  // Level 1b record time, newer layout
    OlderRecordTime,  // Level 1b record time, older layout
    SpotTime,         // seconds and microseconds at the head of a SPOT record
    MeteorPattern,    // Meteor-M N1 block with sync marker and frame pattern
    MeteorCadu,       // Meteor-M2 transfer frames carrying a frame marker
    MeteorFrame,      // converted Meteor-M2 frame starting with its frame marker
    ImageLine         // 8-bit lines: samples that vary, and smoothly
};

struct TMarkRule {
    TMark Mark = TMark::None;
    int32_t Word = 0;  // the frame word the sync or time code starts at
};

TMarkRule MarkRule(const TFrameFormat& format) {
    const uint8_t code = format.FormatCode;
    if (code == 20 && format.MeteorPass) return {};
    if (IsFormatOneOf(code, {1, 5, 16, 17, 18, 20, 21, 22, 23, 26, 27, 28, 32, 33, 39, 40})) return {TMark::Sync, 0};
    if (code == 4) return {TMark::Sync, 2};  // two words precede the minor frame
    if (code == 2 || code == 3)
        return format.SensorKind == 0 ? TMarkRule{TMark::TimeCode, format.Width * 5 + TimeCodeWord} : TMarkRule{};
    if (code == 19 || code == 31) return {TMark::TimeCode, TimeCodeWord};
    if (code == 29 || code == 30) return {TMark::TimeCode, TimeCodeWord - 5};  // frames lack their first five words
    if (IsFormatOneOf(code, {7, 9, 14, 15})) return {TMark::NewerRecordTime, 0};
    if (IsFormatOneOf(code, {8, 10, 11})) return {TMark::OlderRecordTime, 0};
    if (code == 24 || code == 25) return {TMark::ImageLine, 0};
    if (code == 34 || code == 35) return {TMark::SpotTime, 0};
    if (code == 36) return {TMark::MeteorPattern, 0};
    if (code == 37) return {TMark::MeteorCadu, 0};
    if (code == 38) return {TMark::MeteorFrame, 0};
    return {};
}

std::string MarkText(TMark mark) {
    switch (mark) {
        case TMark::Sync: return resStr(res::SMarkSync);
        case TMark::TimeCode: return resStr(res::SMarkTimeCode);
        case TMark::NewerRecordTime:
        case TMark::OlderRecordTime:
        case TMark::SpotTime: return resStr(res::SMarkRecordTime);
        case TMark::MeteorPattern: return resStr(res::SMarkMeteorSync);
        case TMark::MeteorCadu:
        case TMark::MeteorFrame: return resStr(res::SMarkMeteorFrame);
        case TMark::ImageLine: return resStr(res::SMarkImageLine);
        case TMark::None: break;
    }
    return {};
}

bool DayAndTimeValid(uint32_t day, uint32_t milliseconds) {
    return day >= 1 && day <= 366 && milliseconds < MillisecondsPerDay;
}

// Words 8..11 of a minor frame: bit 0 of the day word clear, bits 9 and 7 of
// the next word set, a day of the year and a time of the day.
bool TimeCodeValid(const TFrame& frame, int32_t word) {
    if (word < 0 || word + 4 > FrameWords) return false;
    const uint16_t* w = frame.data() + word;
    if (std::any_of(w, w + 4, [](uint16_t value) { return value > SampleMask; })) return false;
    if ((w[0] & 1) != 0 || (w[1] & 0x280) != 0x280) return false;
    const uint32_t milliseconds = (static_cast<uint32_t>(w[1] & 127) << 20) | (static_cast<uint32_t>(w[2]) << 10) | w[3];
    return DayAndTimeValid(w[0] >> 1, milliseconds);
}

bool RecordTimeValid(std::span<const uint8_t> record, bool newerLayout) {
    if (record.size() < 12) return false;
    if (newerLayout) return DayAndTimeValid(ReadBigEndian16(&record[4]), ReadBigEndian32(&record[8]));
    return DayAndTimeValid(ReadBigEndian16(&record[2]) & 511u, ReadBigEndian32(&record[4]));
}

bool SpotTimeValid(std::span<const uint8_t> record) {
    if (record.size() < 8) return false;
    const int64_t seconds = ReadBigEndian32(&record[0]);
    return seconds >= FirstSpotSecond && seconds < LastSpotSecond && ReadBigEndian32(&record[4]) < 1000000;
}

// Samples of the same channel stand stride bytes apart in an 8-bit line.
bool LooksLikeImageLine(const TFrame& frame, int32_t bytes, int32_t stride) {
    const auto* samples = reinterpret_cast<const uint8_t*>(frame.data());
    const int32_t count = std::clamp(bytes, 0, FrameBytes) - stride;
    if (count <= 0 || stride <= 0) return false;
    int64_t steps = 0;
    for (int32_t i = 0; i < count; ++i) steps += std::abs(samples[i + stride] - samples[i]);
    const auto [low, high] = std::minmax_element(samples, samples + count + stride);
    return *low != *high && steps < static_cast<int64_t>(MostMeanStep) * count;
}

bool MeteorPatternNear(const TInputFile& input, int64_t at, int32_t recordSize) {
    for (int64_t block = at; block < at + recordSize && block + MeteorBlockBytes <= input.Size(); block += MeteorBlockBytes)
        if (IsPatternFrame(std::span<const uint8_t>(input.Data() + block, MeteorBlockBytes))) return true;
    return false;
}

// A frame spreads over about twelve transfer frames; the reader finds its
// marker inside a payload, so two records' bytes hold one where it could.
bool MeteorMarkerNear(const TInputFile& input, int64_t at, int32_t recordSize) {
    if (at < 0 || at >= input.Size()) return false;
    const int64_t count = std::min<int64_t>(2 * static_cast<int64_t>(recordSize), input.Size() - at);
    return HoldsFrameMarker(std::span<const uint8_t>(input.Data() + at, static_cast<size_t>(count)));
}

// Record index of the file, read as the pass reader reads it.
struct TRecordRead {
    TRecordRead(const TFrameFormat& format, const TInputFile& input, const TRecordSpan& records, int32_t index)
        : Input(input.Data(), input.Size(), records.FirstRecordAt + static_cast<int64_t>(index) * format.RecordSize),
          Reader(format, Input,
                 MappedRecordReader(input.Data(), input.Size(),
                                    records.DataStart + static_cast<int64_t>(index) * format.RecordSize, format.RecordSize),
                 nullptr, nullptr) {
        Reader.ReadNextFrame(Reader.CurrentFrame(), true);
    }
    const TFrame& Frame() { return Reader.CurrentFrame(); }

    TInputFile Input;
    TFrameReader Reader;
};

// Reads record index of the file as the pass reader would and asks it for the mark.
bool RecordCarriesMark(const TFrameFormat& format, const TInputFile& input, const TRecordSpan& records,
                       TMarkRule rule, int32_t index) {
    const int64_t offset = static_cast<int64_t>(index) * format.RecordSize;
    if (rule.Mark == TMark::MeteorCadu) return MeteorMarkerNear(input, records.FirstRecordAt + offset, format.RecordSize);
    if (rule.Mark == TMark::MeteorPattern)
        return MeteorPatternNear(input, records.FirstRecordAt + offset, format.RecordSize);
    TRecordRead read(format, input, records, index);
    const TFrame& frame = read.Frame();
    const TFrameReader& reader = read.Reader;
    switch (rule.Mark) {
        case TMark::Sync: return frame[static_cast<size_t>(rule.Word)] == FirstSyncWord;
        case TMark::TimeCode: return TimeCodeValid(frame, rule.Word);
        case TMark::NewerRecordTime: return RecordTimeValid(reader.RecordBuffer(), true);
        case TMark::OlderRecordTime: return RecordTimeValid(reader.RecordBuffer(), false);
        case TMark::SpotTime: return SpotTimeValid(reader.RecordBuffer());
        case TMark::MeteorFrame: return StartsWithFrameMarker(reader.RecordBuffer());
        case TMark::ImageLine: return LooksLikeImageLine(frame, format.RecordSize, format.FormatCode == 24 ? 5 : 10);
        default: return false;
    }
}

}  // namespace

void ReadRecordFrame(const TFrameFormat& format, const TInputFile& input, const TRecordSpan& records, int32_t index,
                     TFrame& frame) {
    frame = TRecordRead(format, input, records, index).Frame();
}

TFrameSurvey SurveyFrames(const TFrameFormat& format, const TInputFile& input, const TRecordSpan& records) {
    TFrameSurvey survey;
    const TMarkRule rule = MarkRule(format);
    survey.Mark = MarkText(rule.Mark);
    if (rule.Mark == TMark::None || records.RecordCount <= 0 || format.RecordSize <= 0) return survey;
    survey.Looked = std::min(records.RecordCount, SurveyedFrames);
    for (int32_t k = 0; k < survey.Looked; ++k) {
        const auto index = static_cast<int32_t>(static_cast<int64_t>(k) * records.RecordCount / survey.Looked);
        if (RecordCarriesMark(format, input, records, rule, index)) ++survey.Marked;
    }
    return survey;
}

bool FramesRecognised(const TFrameSurvey& survey) {
    return survey.Mark.empty() || static_cast<int64_t>(survey.Marked) * 100 >=
                                      static_cast<int64_t>(FewestMarkedPercent) * survey.Looked;
}

}  // namespace kestrune
