#include "decoding/FramePrescan.h"

#include "decoding/FrameReader.h"
#include "decoding/LoadContext.h"
#include "decoding/Telemetry.h"
#include "orbit/Orbits.h"

#include <cstring>

namespace kestrune {

namespace {

constexpr int32_t FewestPrescanRecords = 21;

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
