#include "decoding/HeaderFields.h"

#include "decoding/FramePrescan.h"
#include "decoding/Telemetry.h"
#include "platform/SystemUtils.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>
#include <initializer_list>
#include <optional>
#include <utility>

namespace kestrune {

namespace {

// Bytes beyond the end of the header read as 0.
uint8_t ByteAt(std::span<const uint8_t> bytes, size_t offset) { return offset < bytes.size() ? bytes[offset] : 0; }

uint16_t LittleWord(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint16_t>(ByteAt(bytes, offset) | (ByteAt(bytes, offset + 1) << 8));
}

// Dartcom records start five words into the minor frame: the last sync
// word, the identity word, then the day and time code at words 3 to 6.
constexpr uint16_t LastSyncWord = 149;
constexpr size_t DartcomIdWord = 1;
constexpr size_t DartcomDayWord = 3;
constexpr size_t DartcomSoundWords = 7;
constexpr uint32_t MillisecondsPerDay = 86400000;

// The last sync word, 10-bit words, a day of the year and a time of the day.
bool SoundDartcomRecord(const std::array<uint16_t, DartcomSoundWords>& w) {
    if (w[0] != LastSyncWord || std::any_of(w.begin(), w.end(), [](uint16_t word) { return word > 1023; })) return false;
    const TFrameTimeCode code = DecodeFrameTimeCode(w, DartcomDayWord);
    return code.Valid && code.DayOfYear >= 1 && code.DayOfYear <= 366 && code.Milliseconds < MillisecondsPerDay;
}

void SetFirstChannels(TChannelFlags& available, int count) {
    available = {};
    for (int channel = 1; channel <= count; ++channel) available[channel] = true;
}

int CountAndSet(TChannelFlags& available, const TChannelFlags& found) {
    const int count = static_cast<int>(std::count(found.begin() + 1, found.end(), true));
    if (count > 0) available = found;
    return count > 0 ? count : 5;
}

// Channels 1..count start available; channel n counts when the header byte
// at base + n is not 0, every channel when there is no base.
int FlaggedChannels(std::span<const uint8_t> header, int count, std::optional<size_t> base, TChannelFlags& available) {
    SetFirstChannels(available, count);
    TChannelFlags found{};
    for (int channel = 1; channel <= count; ++channel)
        found[channel] = !base || ByteAt(header, *base + static_cast<size_t>(channel)) != 0;
    return CountAndSet(available, found);
}

struct TSizeKind {
    int32_t Size;
    int Channels;
    uint8_t Kind;
};

int32_t HeaderRecordSize(std::span<const uint8_t> header) {
    if (header.size() < 187) return 0;
    return StrToIntDef(Trim(std::string(header.begin() + 181, header.begin() + 187)), 0);
}

// The record size the header states (or the fixed size of a format that
// states none) and the sample kind of that size with channelCount channels;
// 0 for a pair that is not one of the layouts.
int32_t RecordSizeKind(std::span<const uint8_t> header, int32_t fixedSize, int channelCount, uint8_t& sampleKind,
                       std::initializer_list<TSizeKind> layouts) {
    if (fixedSize != 0) return fixedSize;
    const int32_t size = HeaderRecordSize(header);
    for (const TSizeKind& layout : layouts) {
        if (layout.Size == size && layout.Channels == channelCount) {
            sampleKind = layout.Kind;
            return size;
        }
    }
    return 0;
}

}  // namespace

std::string WideText(std::span<const uint8_t> bytes, size_t& used) {
    std::string text;
    used = 0;
    while (used + 1 < bytes.size()) {
        const uint16_t character = LittleWord(bytes, used);
        used += 2;
        if (character == 0) break;
        text += character > 255 ? '?' : static_cast<char>(character);
    }
    return text;
}

TDateTime UnixDayDate(std::span<const uint8_t> block) {
    if (block.size() < 10) return 0;
    const double seconds = 65536.0 * LittleWord(block, 6) + LittleWord(block, 8);
    return UnixDayDate(seconds / SecsPerDay);
}

TDateTime HeaderDate(std::span<const uint8_t> bytes) {
    if (bytes.size() < 5) throw EConvertError("Header date is cut short");
    return EncodeDate(bytes[0] + 1900, bytes[1] + 1, bytes[2]) + EncodeTime(bytes[3], bytes[4], 0, 0);
}

int LevelBChannels(std::span<const uint8_t> header, uint8_t formatCode, TChannelFlags& available) {
    TChannelFlags found{};
    for (int channel = 1; channel <= 5; ++channel) {
        const uint8_t flag = ByteAt(header, static_cast<size_t>(96 + channel));
        found[channel] = formatCode == 14 || formatCode == 15 || (flag != 0 && flag != 'N');
    }
    SetFirstChannels(available, 5);
    return CountAndSet(available, found);
}

int StationChannels10(std::span<const uint8_t> header, uint8_t sensorKind, TChannelFlags& available) {
    if (sensorKind == SensorFengYun1) return FlaggedChannels(header, 10, 301, available);
    return FlaggedChannels(header, 8, 269, available);
}

int StationChannels5(std::span<const uint8_t> header, uint8_t sensorKind, TChannelFlags& available) {
    if (sensorKind == SensorFengYun1) return FlaggedChannels(header, 10, std::nullopt, available);
    return FlaggedChannels(header, 5, 0, available);
}

int32_t L1BRecordSizeKindGac(std::span<const uint8_t> header, uint8_t formatCode, int channelCount,
                             uint8_t& sampleKind) {
    return RecordSizeKind(header, formatCode == 15 ? 4608 : 0, channelCount, sampleKind,
                          {{1952, 1, 1}, {2360, 1, 3}, {2360, 2, 1}, {2768, 3, 1}, {3176, 2, 3}, {3176, 4, 1},
                           {3584, 5, 1}, {3992, 3, 3}, {4608, 5, 2}, {4816, 4, 3}, {5632, 5, 3}});
}

int32_t L1BRecordSizeKind(std::span<const uint8_t> header, uint8_t formatCode, int channelCount, uint8_t& sampleKind) {
    return RecordSizeKind(header, formatCode == 14 ? 15872 : 0, channelCount, sampleKind,
                          {{4096, 1, 1}, {6144, 1, 3}, {6144, 2, 1}, {8192, 3, 1}, {10240, 2, 3}, {10240, 4, 1},
                           {12288, 5, 1}, {14336, 3, 3}, {15872, 5, 2}, {18432, 4, 3}, {22528, 5, 3}});
}

TFramesSatellite SpacecraftNameFromFrames(std::span<const uint8_t> records, TDateTime fileDate) {
    constexpr int32_t RecordsLooked = 64;
    const auto count = static_cast<int32_t>(std::min<size_t>(records.size() / DartcomRecordBytes, std::numeric_limits<int32_t>::max()));
    TFramesSatellite found;
    found.Looked = std::min(count, RecordsLooked);
    // Satellites in the order first named, with the days of the records naming each.
    std::vector<std::pair<std::string, std::vector<double>>> named;
    for (int32_t k = 0; k < found.Looked; ++k) {
        const auto index = static_cast<size_t>(static_cast<int64_t>(k) * count / found.Looked);
        const std::span<const uint8_t> record = records.subspan(index * DartcomRecordBytes, DartcomRecordBytes);
        std::array<uint16_t, DartcomSoundWords> words{};
        for (size_t w = 0; w < words.size(); ++w) words[w] = LittleWord(record, 2 * w);
        if (!SoundDartcomRecord(words)) continue;
        const std::string satellite = SpacecraftNameFromId(words[DartcomIdWord], fileDate);
        if (satellite.empty()) continue;
        auto it = std::find_if(named.begin(), named.end(), [&](const auto& entry) { return entry.first == satellite; });
        if (it == named.end()) it = named.insert(named.end(), {satellite, {}});
        it->second.push_back(words[DartcomDayWord] >> 1);
    }
    // The first named wins a tie.
    const auto most = std::max_element(named.begin(), named.end(), [](const auto& a, const auto& b) {
        return a.second.size() < b.second.size();
    });
    if (most == named.end()) return found;
    found.Satellite = most->first;
    found.Naming = static_cast<int32_t>(most->second.size());
    found.DayOfYear = static_cast<int>(Round(MedianOfDoubles(most->second)));
    return found;
}

}  // namespace kestrune
