#include "decoding/FramePrescan.h"

#include "decoding/FrameCheck.h"
#include "decoding/FrameReader.h"
#include "decoding/LoadContext.h"
#include "decoding/Telemetry.h"
#include "orbit/Orbits.h"
#include "platform/ProgramStrings.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace kestrune {

namespace {

constexpr int32_t FewestPrescanRecords = 21;
// Neighbouring frames are a sixth of a second apart; their codes count whole milliseconds.
constexpr int64_t FramePeriodMs = 167;
constexpr int32_t MidPassFramesTried = 12;
// A name's start and the middle of its pass lie minutes apart; a name in
// another time zone's time lies half an hour or more off.
constexpr double NameTimeTolerance = 20.0 / MinsPerDay;

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
    if (reader(state.RecordCount * 9 / 20, record.data()) == 0) return true;
    const std::vector<uint16_t> words = RecordWords(record, ssb);
    const TFrameTimeCode code = DecodeFrameTimeCode(words, ssb ? 10 : 8);
    const int year = FrameYear(orbit.PassTime, code.DayOfYear);
    if (!code.Valid || !DayInYear(year, code.DayOfYear)) {
        load.Log(prefix + "found invalid time code");
        return true;
    }
    if (!ssb) {
        const std::string named = SpacecraftNameFromId(words[6], orbit.PassTime);
        if (!named.empty() && named != orbit.SatelliteName) {
            load.Log(prefix + "satellite re-selected as: " + named);
            orbit.SetSatelliteName(named);
        }
    }
    const TDateTime time = EncodeDate(year, 1, 1) + (code.DayOfYear - 1) + static_cast<double>(code.Milliseconds) / MSecsPerDay;
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
    TFrameTimeCode before;
    for (int32_t k = 0, index = records.RecordCount * 9 / 20; k < MidPassFramesTried && index < records.RecordCount; ++k, ++index) {
        ReadRecordFrame(format, load.Input, records, index, *frame);
        const std::span<const uint16_t> words(frame->data() + start + 6, 6);
        const TFrameTimeCode code = DecodeFrameTimeCode(words, 2);
        const int year = FrameYear(estimate, code.DayOfYear);
        const bool agree = before.Valid && code.Valid && code.DayOfYear == before.DayOfYear &&
                           std::abs(code.Milliseconds - before.Milliseconds - FramePeriodMs) <= 1;
        before = code;
        if (!agree || !DayInYear(year, code.DayOfYear)) continue;
        found.Time = EncodeDate(year, 1, 1) + (code.DayOfYear - 1) + static_cast<double>(code.Milliseconds) / MSecsPerDay;
        found.SinceStart = index / 518400.0;
        found.Satellite = SpacecraftNameFromId(words[0], found.Time);
        break;
    }
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
