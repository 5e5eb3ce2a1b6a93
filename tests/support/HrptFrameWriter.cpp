#include "tests/support/HrptFrameWriter.h"

#include <algorithm>

namespace kestrune::test {

namespace {

constexpr uint16_t Mask10 = 1023;
constexpr int32_t IdWord = 6;
constexpr int32_t TimeCodeWord = 8;
constexpr int32_t CalibrationSamples = 10;

void WriteIdWord(THrptFrame& frame, const THrptPassSpec& passSpec, int32_t line) {
    const uint32_t minorFrame = static_cast<uint32_t>(line % 3 + 1);
    frame[IdWord] = static_cast<uint16_t>((minorFrame << 7) | ((static_cast<uint32_t>(passSpec.SpacecraftId) & 15) << 3) |
                                          (IsChannel3ALine(passSpec, line) ? 1u : 0u));
}

void WriteTimeCode(THrptFrame& frame, const THrptPassSpec& passSpec, int32_t line) {
    // A pass across midnight goes on with the next day, and on 31 December with day 1.
    constexpr int64_t MillisecondsPerDay = 86400000;
    const int64_t lineMs = LineMilliseconds(passSpec, line);
    const int64_t ms = lineMs % MillisecondsPerDay;
    int64_t day = passSpec.DayOfYear + lineMs / MillisecondsPerDay;
    if (day > passSpec.DaysInYear) day -= passSpec.DaysInYear;
    frame[TimeCodeWord] = static_cast<uint16_t>((day & 511) << 1);
    frame[TimeCodeWord + 1] = static_cast<uint16_t>((1u << 9) | (1u << 7) | ((ms >> 20) & 127));
    frame[TimeCodeWord + 2] = static_cast<uint16_t>((ms >> 10) & Mask10);
    frame[TimeCodeWord + 3] = static_cast<uint16_t>(ms & Mask10);
}

void WriteCalibrationViews(THrptFrame& frame, const THrptPassSpec& passSpec, int32_t line) {
    const int32_t prt = PrtIndexOfLine(line);
    const uint16_t prtValue = prt == 0 ? passSpec.PrtReference : passSpec.Prt[static_cast<size_t>(prt - 1)];
    std::fill_n(frame.begin() + PrtFirstWord, 3, prtValue);
    const bool channel3A = IsChannel3ALine(passSpec, line);
    for (int32_t j = 0; j < CalibrationSamples; ++j) {
        for (size_t c = 0; c < 3; ++c) frame[static_cast<size_t>(BlackbodyFirstWord + 3 * j) + c] = passSpec.Blackbody[c];
        for (size_t c = 0; c < 5; ++c) frame[static_cast<size_t>(SpaceFirstWord + 5 * j) + c] = passSpec.Space[c];
        if (!channel3A) continue;
        frame[static_cast<size_t>(BlackbodyFirstWord + 3 * j)] = passSpec.Channel3AViewCount;
        frame[static_cast<size_t>(SpaceFirstWord + 5 * j + 2)] = passSpec.Channel3AViewCount;
    }
}

void WriteVideo(THrptFrame& frame, const THrptPassSpec& passSpec, int32_t line) {
    for (int32_t i = 0; i < VideoSamples; ++i)
        for (int c = 0; c < 5; ++c)
            frame[static_cast<size_t>(FirstVideoWord + 5 * i + c)] =
                static_cast<uint16_t>(passSpec.Samples(line, c + 1, i) & Mask10);
}

void PackGroup10(const uint16_t* s, TWordPacking packing, uint8_t* out) {
    const uint64_t w0 = s[0] & Mask10, w1 = s[1] & Mask10, w2 = s[2] & Mask10, w3 = s[3] & Mask10;
    const uint64_t v = packing == TWordPacking::Packed10LsbFirst ? (w0 | w1 << 10 | w2 << 20 | w3 << 30)
                                                                  : (w0 << 30 | w1 << 20 | w2 << 10 | w3);
    for (int b = 0; b < 5; ++b) {
        const int shift = packing == TWordPacking::Packed10LsbFirst ? 8 * b : 8 * (4 - b);
        out[b] = static_cast<uint8_t>(v >> shift);
    }
}

}  // namespace

uint16_t DefaultSample(int32_t line, int channel, int32_t sample) {
    return static_cast<uint16_t>((line * 37 + channel * 211 + sample * 7 + (sample >> 5) * 3) & Mask10);
}

bool IsChannel3ALine(const THrptPassSpec& passSpec, int32_t line) {
    return passSpec.Channel3AOnLine ? passSpec.Channel3AOnLine(line) : passSpec.Channel3A;
}

int64_t LineMilliseconds(const THrptPassSpec& passSpec, int32_t line) {
    if (passSpec.ScanMicroseconds > 0) return passSpec.StartMilliseconds + (line * passSpec.ScanMicroseconds + 500) / 1000;
    return passSpec.StartMilliseconds + (static_cast<int64_t>(line) * 1000 + 3) / 6;
}

int32_t PrtIndexOfLine(int32_t line) { return line % 5; }

THrptFrame BuildMinorFrame(const THrptPassSpec& passSpec, int32_t line) {
    THrptFrame frame(MinorFrameWords, 0);
    std::copy(HrptSyncWords.begin(), HrptSyncWords.end(), frame.begin());
    WriteIdWord(frame, passSpec, line);
    WriteTimeCode(frame, passSpec, line);
    WriteCalibrationViews(frame, passSpec, line);
    WriteVideo(frame, passSpec, line);
    return frame;
}

size_t NaturalRecordBytes(TWordPacking packing, size_t words) {
    if (packing == TWordPacking::BigEndian16 || packing == TWordPacking::LittleEndian16) return 2 * words;
    return (words + 3) / 4 * 5;
}

std::vector<uint8_t> PackFrame(std::span<const uint16_t> words, TWordPacking packing, size_t recordBytes) {
    std::vector<uint8_t> packed(NaturalRecordBytes(packing, words.size()), 0);
    if (packing == TWordPacking::BigEndian16 || packing == TWordPacking::LittleEndian16) {
        const bool big = packing == TWordPacking::BigEndian16;
        for (size_t i = 0; i < words.size(); ++i) {
            packed[2 * i + (big ? 0 : 1)] = static_cast<uint8_t>(words[i] >> 8);
            packed[2 * i + (big ? 1 : 0)] = static_cast<uint8_t>(words[i]);
        }
    } else {
        std::vector<uint16_t> padded(words.begin(), words.end());
        padded.resize((words.size() + 3) / 4 * 4, 0);
        for (size_t g = 0; g < padded.size() / 4; ++g) PackGroup10(&padded[4 * g], packing, &packed[5 * g]);
    }
    if (recordBytes != 0) packed.resize(recordBytes, 0);
    return packed;
}

void AppendPass(std::vector<uint8_t>& file, const THrptPassSpec& passSpec, int32_t lineCount, TWordPacking packing,
                size_t recordBytes) {
    for (int32_t line = 0; line < lineCount; ++line) {
        const std::vector<uint8_t> record = PackFrame(BuildMinorFrame(passSpec, line), packing, recordBytes);
        file.insert(file.end(), record.begin(), record.end());
    }
}

std::vector<uint8_t> BuildPass(const THrptPassSpec& passSpec, int32_t lineCount, TWordPacking packing,
                               size_t recordBytes) {
    std::vector<uint8_t> file;
    AppendPass(file, passSpec, lineCount, packing, recordBytes);
    return file;
}

}  // namespace kestrune::test
