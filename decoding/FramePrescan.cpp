#include "decoding/FramePrescan.h"

#include "decoding/FrameCheck.h"
#include "decoding/FrameReader.h"
#include "decoding/LoadContext.h"
#include "decoding/Telemetry.h"
#include "orbit/Orbits.h"
#include "platform/ProgramStrings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace kestrune {

namespace {

constexpr int32_t FewestPrescanRecords = 21;
// Neighbouring frames are a sixth of a second apart; their codes count whole milliseconds.
constexpr int64_t FramePeriodMs = 167;
// A name's start and the middle of its pass lie minutes apart; a name in
// another time zone's time lies half an hour or more off.
constexpr double NameTimeTolerance = 20.0 / MinsPerDay;

// Frames looked at across a pass for the time most of them agree on.
constexpr int32_t FramesSampled = 32;
// Frames that date the pass's first line within this of each other agree:
// a lost frame or two moves it by a sixth of a second each.
constexpr double AgreeingStarts = 1.0 / SecsPerDay;

// One frame looked at, with the frame after it confirming its time.
struct TFrameSample {
    int32_t Index = 0;
    TDateTime Time = 0;
    uint16_t IdentityWord = 0;
    TDateTime Start() const { return Time - Index / 518400.0; }  // six frames a second
};

// The time code (and identity word) of the frame of a record, read as the format lays it out.
struct TCodedFrame {
    TFrameTimeCode Code;
    uint16_t IdentityWord = 0;
};
using TFrameCodeReader = std::function<TCodedFrame(int32_t index)>;

// A frame at index whose time code is valid in the year the estimate
// gives, and whose next frame's code follows it by one frame period.
std::optional<TFrameSample> ConfirmedFrame(const TFrameCodeReader& read, int32_t index, TDateTime estimate) {
    const TCodedFrame frame = read(index), next = read(index + 1);
    const TFrameTimeCode& code = frame.Code;
    const int year = FrameYear(estimate, code.DayOfYear);
    const bool confirmed = code.Valid && next.Code.Valid && next.Code.DayOfYear == code.DayOfYear &&
                           std::abs(next.Code.Milliseconds - code.Milliseconds - FramePeriodMs) <= 1;
    if (!confirmed || !DayInYear(year, code.DayOfYear)) return std::nullopt;
    return TFrameSample{index,
                        EncodeDate(year, 1, 1) + (code.DayOfYear - 1) + static_cast<double>(code.Milliseconds) / MSecsPerDay,
                        frame.IdentityWord};
}

// Frames spread over the pass, and the one at 45 % of it, each date the
// pass's first line by their own times. The frames that agree with most
// others are believed, never a few that agree only with each other: of
// them, the one nearest 45 % of the pass, carrying the identity word most
// of them carry. None when no frame is confirmed, or when no two agree
// where more than one was.
std::optional<TFrameSample> AgreedFrame(int32_t records, const TFrameCodeReader& read, TDateTime estimate) {
    const int32_t preferred = records * 9 / 20;
    std::vector<TFrameSample> samples;
    const int32_t looked = std::min(records - 1, FramesSampled);
    for (int32_t k = 0; k <= looked; ++k) {
        // Spread from the first frame to the last but one, whose next confirms it.
        const auto spread = static_cast<int32_t>(static_cast<int64_t>(k) * (records - 2) / std::max(looked - 1, 1));
        const int32_t index = k == looked ? preferred : spread;
        if (const std::optional<TFrameSample> sample = ConfirmedFrame(read, index, estimate)) samples.push_back(*sample);
    }
    const auto agreeing = [&samples](const TFrameSample& with) {
        std::vector<TFrameSample> found;
        for (const TFrameSample& sample : samples)
            if (std::fabs(sample.Start() - with.Start()) <= AgreeingStarts) found.push_back(sample);
        return found;
    };
    std::vector<TFrameSample> most;
    for (const TFrameSample& sample : samples)
        if (std::vector<TFrameSample> found = agreeing(sample); found.size() > most.size()) most = std::move(found);
    if (most.empty() || (most.size() == 1 && samples.size() > 1)) return std::nullopt;
    TFrameSample chosen = *std::min_element(most.begin(), most.end(), [preferred](const TFrameSample& a, const TFrameSample& b) {
        return std::abs(a.Index - preferred) < std::abs(b.Index - preferred);
    });
    std::map<uint16_t, int> identities;
    for (const TFrameSample& sample : most) ++identities[static_cast<uint16_t>(SpacecraftIdOfWord(sample.IdentityWord))];
    const auto named = std::max_element(identities.begin(), identities.end(),
                                        [](const auto& a, const auto& b) { return a.second < b.second; });
    chosen.IdentityWord = static_cast<uint16_t>(named->first << 3);
    return chosen;
}

// The frame of a record as 16-bit words: SSB records are 10-bit packed.
std::vector<uint16_t> RecordWords(std::span<const uint8_t> record, bool packed) {
    std::vector<uint16_t> words(packed ? record.size() / 5 * 4 : record.size() / 2);
    if (packed)
        Unpack10BitMsbFirst(record, words);
    else
        std::memcpy(words.data(), record.data(), words.size() * 2);
    return words;
}

}  // namespace

TFrameTimeCode DecodeFrameTimeCode(std::span<const uint16_t> words, size_t first) {
    TFrameTimeCode code;
    if (words.size() < first + 4) return code;
    const uint16_t dayWord = words[first];
    const uint16_t high = words[first + 1];
    code.Valid = (dayWord & 1) == 0 && (high & 0x280) == 0x280;
    code.DayOfYear = dayWord >> 1;
    code.Milliseconds = (static_cast<int64_t>(high & 127) << 20) + (static_cast<int64_t>(words[first + 2] & 1023) << 10) +
                        (words[first + 3] & 1023);
    return code;
}

bool PrescanFrameSatellite(TLoadContext& load) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    if (state.RecordCount < FewestPrescanRecords) return true;
    const bool ssb = state.InputFormatCode == 4;
    const std::string prefix = ssb ? "SSB/Orbit pre-scan, " : "16-bit pre-scan, ";
    load.Log(prefix + "satellite is: " + orbit.SatelliteName);
    if (ssb) load.Log(prefix + "approx pass date from orbit number is: " + FormatDateTime("yyyy-mmm-dd", orbit.PassTime));
    std::vector<uint8_t> record(static_cast<size_t>(state.RecordSize));
    const TRecordReader reader = MappedRecordReader(load.Input.Data(), load.Input.Size(), state.DataStart, state.RecordSize);
    const auto read = [&](int32_t index) {
        if (reader(index, record.data()) == 0) return TCodedFrame{};
        const std::vector<uint16_t> words = RecordWords(record, ssb);
        return TCodedFrame{DecodeFrameTimeCode(words, ssb ? 10 : 8), words.size() > 6 ? words[6] : uint16_t{0}};
    };
    const std::optional<TFrameSample> frame = AgreedFrame(state.RecordCount, read, orbit.PassTime);
    if (!frame) {
        load.Log(prefix + "found invalid time code");
        return true;
    }
    if (!ssb) {
        const std::string named = SpacecraftNameFromId(frame->IdentityWord, orbit.PassTime);
        if (!named.empty() && named != orbit.SatelliteName) {
            load.Log(prefix + "satellite re-selected as: " + named);
            orbit.SetSatelliteName(named);
        }
    }
    const TDateTime time = frame->Time;
    orbit.SelectElements(time);
    load.Log(prefix + "pass date & time from timestamp is: " + FormatDateTime("yyyy-mmm-dd \"at\" hh:nn", time));
    return load.ProposeOrbitDirection(time);
}

}  // namespace kestrune

namespace kestrune {

namespace {

// Where the words of a minor frame start in the frame the format's reader
// fills: Dartcom records lack the first five words.
int32_t MinorFrameStart(uint8_t formatCode) { return formatCode == 29 || formatCode == 30 ? -5 : 0; }

}  // namespace

TMidPassFrames ReadMidPassFrames(const TLoadContext& load, int32_t recordSize, int64_t firstRecordAt, TDateTime estimate) {
    TMidPassFrames found;
    const TPassState& state = load.State;
    TFrameFormat format;
    format.FormatCode = state.InputFormatCode;
    format.SensorKind = state.SensorKind;
    format.RecordSize = recordSize;
    format.LittleEndian16 = load.LittleEndian16;
    // Other instruments' frames keep their time otherwise.
    if (state.SensorKind != SensorAvhrr) return found;
    if (recordSize <= 0 || firstRecordAt < 0 || firstRecordAt >= load.Input.Size()) return found;
    const TRecordSpan records{firstRecordAt, firstRecordAt,
                              static_cast<int32_t>((load.Input.Size() - firstRecordAt) / recordSize)};
    if (records.RecordCount < FewestPrescanRecords) return found;
    const int32_t start = MinorFrameStart(format.FormatCode);
    auto frame = std::make_unique<TFrame>();
    const auto read = [&](int32_t index) {
        if (index >= records.RecordCount) return TCodedFrame{};
        ReadRecordFrame(format, load.Input, records, index, *frame);
        const std::span<const uint16_t> words(frame->data() + start + 6, 6);
        return TCodedFrame{DecodeFrameTimeCode(words, 2), words[0]};
    };
    const std::optional<TFrameSample> agreed = AgreedFrame(records.RecordCount, read, estimate);
    if (!agreed) return found;
    found.Time = agreed->Time;
    found.SinceStart = agreed->Index / 518400.0;
    found.Satellite = SpacecraftNameFromId(agreed->IdentityWord, found.Time);
    return found;
}

void ProposeFramesSatellite(TLoadContext& load, int32_t recordSize, int64_t firstRecordAt) {
    if (SatelliteOfName(load.UpperName()).Rule != TIdentityRule::NameDigits) return;
    const std::string framed = ReadMidPassFrames(load, recordSize, firstRecordAt, load.State.InputFileDate).Satellite;
    if (framed.empty()) return;
    load.Dialog.SatellitePreset = framed;
    load.Dialog.PresetRule = TIdentityRule::Frames;
}

bool ProposeNamedPassDirection(TLoadContext& load, const TNameTime& start, int32_t recordSize, int64_t firstRecordAt,
                               TDateTime withoutFrames) {
    const TMidPassFrames frames = ReadMidPassFrames(load, recordSize, firstRecordAt, start.Date());
    if (frames.Time == 0) return load.ProposeOrbitDirection(withoutFrames);
    const TDateTime namedStart = start.DateTime();
    const TDateTime framedStart = frames.Time - frames.SinceStart;
    if (std::abs(framedStart - namedStart) > NameTimeTolerance)
        load.Log(FormatResStr(res::SNameTimeNotFrames, {FormatDateTime("yyyy-mm-dd hh:nn", namedStart),
                                                      FormatDateTime("yyyy-mm-dd hh:nn:ss", framedStart)}));
    return load.ProposeOrbitDirection(frames.Time);
}

}  // namespace kestrune
