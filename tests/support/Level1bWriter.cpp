#include "tests/support/Level1bWriter.h"

#include "platform/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestrune::test {

namespace {

constexpr int32_t AnchorCount = 51;
constexpr int32_t TelemetryWords = 103;
constexpr int32_t ArsBytes = 512;
constexpr int32_t OlderArsBytes = 122;
constexpr int32_t AappRecordBytes = 22016;
constexpr int32_t L1FHeaderBytes = 248;
constexpr int32_t L1FRecordBytes = 13798;
constexpr int32_t TenBHeaderBytes = 16000;

void PutBig16(TBytes& bytes, size_t at, int64_t value) {
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value);
}

void PutBig32(TBytes& bytes, size_t at, int64_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void PutLittle16(TBytes& bytes, size_t at, int64_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutText(TBytes& bytes, size_t at, const std::string& text) {
    std::memcpy(bytes.data() + at, text.data(), text.size());
}

// Right-aligned decimal text in width characters.
std::string Field(int64_t value, int width) {
    std::string text = std::to_string(value);
    return std::string(static_cast<size_t>(std::max<int>(width - static_cast<int>(text.size()), 0)), ' ') + text;
}

int64_t Scaled(double value, double scale) { return std::llround(value * scale); }

// The 6-byte time code of the older layout.
void PutTimeCode(TBytes& bytes, size_t at, int year, int day, int64_t milliseconds) {
    PutBig16(bytes, at, ((year % 100) << 9) | day);
    PutBig32(bytes, at + 2, milliseconds);
}

// Three 10-bit samples to each big-endian 32-bit word.
void PutPackedWords(TBytes& bytes, size_t at, const std::vector<uint16_t>& samples) {
    for (size_t i = 0; i < samples.size(); i += 3) {
        uint32_t word = 0;
        for (size_t k = 0; k < 3; ++k) {
            const uint32_t sample = i + k < samples.size() ? samples[i + k] : 0u;
            word |= (sample & 1023u) << (20 - 10 * k);
        }
        PutBig32(bytes, at + 4 * (i / 3), word);
    }
}

// The channel-interleaved samples of one line, as the sample kind stores them.
void PutVideo(TBytes& bytes, size_t at, const TL1BPassSpec& passSpec, int32_t line) {
    std::vector<uint16_t> samples;
    const int32_t width = L1BWidth(passSpec);
    samples.reserve(static_cast<size_t>(width * passSpec.Channels));
    for (int32_t i = 0; i < width; ++i)
        for (int channel = 1; channel <= passSpec.Channels; ++channel) samples.push_back(L1BSample(passSpec, line, channel, i));
    switch (passSpec.SampleKind) {
        case 1:
            for (size_t i = 0; i < samples.size(); ++i) bytes[at + i] = static_cast<uint8_t>(samples[i] >> 2);
            break;
        case 3:
            for (size_t i = 0; i < samples.size(); ++i) {
                if (passSpec.VideoLowByteFirst)
                    PutLittle16(bytes, at + 2 * i, samples[i]);
                else
                    PutBig16(bytes, at + 2 * i, samples[i]);
            }
            break;
        default: PutPackedWords(bytes, at, samples); break;
    }
}

std::vector<uint16_t> TelemetryOf(const TL1BPassSpec& passSpec, int32_t line) {
    const THrptFrame frame = BuildMinorFrame(passSpec.Frames, line);
    return std::vector<uint16_t>(frame.begin(), frame.begin() + TelemetryWords);
}

int DayOfYearOf(const TL1BPassSpec& passSpec) { return passSpec.Frames.DayOfYear; }

void PutNewerRecord(TBytes& record, const TL1BPassSpec& passSpec, int32_t line) {
    // A line after midnight is of the next day, its milliseconds counted from 0.
    constexpr int64_t MillisecondsInDay = 86400000;
    const int64_t milliseconds = L1BLineMilliseconds(passSpec, line);
    PutBig16(record, 0, line + 1);
    PutBig16(record, 2, passSpec.Year);
    PutBig16(record, 4, DayOfYearOf(passSpec) + static_cast<int>(milliseconds / MillisecondsInDay));
    PutBig32(record, 8, milliseconds % MillisecondsInDay);
    PutBig16(record, 12, passSpec.Southbound ? 0x8000 : 0);
    for (size_t k = 0; k < 3; ++k) {
        const auto& visible = NewerVisibleCalibration[k];
        PutBig32(record, 48 + 60 * k, Scaled(visible[0], 1e7));
        PutBig32(record, 52 + 60 * k, Scaled(visible[1], 1e6));
        PutBig32(record, 56 + 60 * k, Scaled(visible[2], 1e7));
        PutBig32(record, 60 + 60 * k, Scaled(visible[3], 1e6));
        PutBig32(record, 64 + 60 * k, Scaled(visible[4], 1));
        const auto& thermal = NewerThermalCalibration[k];
        const double a2Scale = passSpec.Version == 3 && k >= 1 ? 1e7 : 1e6;
        PutBig32(record, 228 + 24 * k, Scaled(thermal[0], 1e6));
        PutBig32(record, 232 + 24 * k, Scaled(thermal[1], 1e6));
        PutBig32(record, 236 + 24 * k, Scaled(thermal[2], a2Scale));
    }
    PutBig32(record, 312, passSpec.LocationsValid ? 0 : 0x3000);
    PutBig16(record, 320, 12);
    PutBig16(record, 322, -34 & 0xFFFF);
    PutBig16(record, 324, 56);
    PutBig16(record, 326, 8512);
    for (int k = 0; k < AnchorCount; ++k) {
        const size_t angle = 328 + 6 * static_cast<size_t>(k);
        PutBig16(record, angle, 4000 + k);
        PutBig16(record, angle + 2, std::abs(k - 25) * 250);
        PutBig16(record, angle + 4, 9000 - k);
        PutBig32(record, 640 + 8 * static_cast<size_t>(k), Scaled(L1BLatitude(passSpec, line, k), 1e4));
        PutBig32(record, 644 + 8 * static_cast<size_t>(k), Scaled(L1BLongitude(passSpec, line, k), 1e4));
    }
    const std::vector<uint16_t> telemetry = TelemetryOf(passSpec, line);
    for (size_t w = 0; w < telemetry.size(); ++w) PutBig16(record, 1056 + 2 * w, telemetry[w]);
    PutVideo(record, 1264, passSpec, line);
}

// One line of an older record, from start: everything of a line but the
// location test byte, which serves the whole record.
void PutOlderLine(TBytes& record, size_t start, const TL1BPassSpec& passSpec, int32_t line) {
    PutBig16(record, start, line + 1);
    PutTimeCode(record, start + 2, passSpec.Year, DayOfYearOf(passSpec), L1BLineMilliseconds(passSpec, line));
    for (int k = 0; k < AnchorCount; ++k) {
        record[start + 53 + static_cast<size_t>(k)] = static_cast<uint8_t>(60 + k);
        PutBig16(record, start + 104 + 4 * static_cast<size_t>(k), Scaled(L1BLatitude(passSpec, line, k), 128) & 0xFFFF);
        PutBig16(record, start + 106 + 4 * static_cast<size_t>(k), Scaled(L1BLongitude(passSpec, line, k), 128) & 0xFFFF);
    }
    std::vector<uint16_t> telemetry = TelemetryOf(passSpec, line);
    PutPackedWords(record, start + 308, telemetry);
    PutVideo(record, start + 448, passSpec, line);
}

// Where the second line of a two-line older GAC record starts.
size_t OlderHalfOffset(const TL1BPassSpec& passSpec, int32_t recordBytes) {
    const bool sixteen = passSpec.SampleKind == 3;
    size_t offset = static_cast<size_t>(passSpec.Channels * (sixteen ? 816 : 408) + 452);
    if (recordBytes > 4176) offset += 4;
    if (sixteen && recordBytes > 7448) offset += 4;
    return offset;
}

TBytes OlderRecord(const TL1BPassSpec& passSpec, int32_t record, int32_t recordBytes) {
    TBytes bytes(static_cast<size_t>(recordBytes), 0);
    for (size_t c = 0; c < OlderCalibration.size(); ++c) {
        PutBig32(bytes, 12 + 8 * c, Scaled(OlderCalibration[c][0], 1073741824.0));
        PutBig32(bytes, 16 + 8 * c, Scaled(OlderCalibration[c][1], 4194304.0));
    }
    bytes[52] = passSpec.LocationsValid ? '3' : 0;
    const int32_t lines = L1BLinesPerRecord(passSpec);
    for (int32_t half = 0; half < lines; ++half)
        PutOlderLine(bytes, half == 0 ? 0 : OlderHalfOffset(passSpec, recordBytes), passSpec, record * lines + half);
    return bytes;
}

char DataBitsOf(const TL1BPassSpec& passSpec) { return passSpec.SampleKind == 1 ? '8' : passSpec.SampleKind == 3 ? '6' : '0'; }

// The archive header's first 122 bytes, common to both layouts.
TBytes ArchiveStart(const TL1BPassSpec& passSpec, size_t size) {
    TBytes ars(size, ' ');
    PutText(ars, 0, "012345SAA00042202312 S");
    PutText(ars, 22, "ARCH1.00");
    PutText(ars, 30, passSpec.DataSetName);
    PutText(ars, 74, "T+60+70+010+020120010");
    std::fill_n(ars.begin() + 96, 21, uint8_t{0});
    ars[96] = 'N';
    for (int channel = 1; channel <= 5; ++channel)
        ars[96 + static_cast<size_t>(channel)] = channel <= passSpec.Channels ? 'Y' : 'N';
    ars[117] = passSpec.SampleKind == 1 ? '0' : '1';
    ars[118] = static_cast<uint8_t>(DataBitsOf(passSpec));
    return ars;
}

TBytes NewerHeaderRecord(const TL1BPassSpec& passSpec, int32_t recordBytes) {
    TBytes record(static_cast<size_t>(recordBytes), 0);
    PutText(record, 0, "NSS");
    PutBig16(record, 4, passSpec.Version);
    PutBig16(record, 14, passSpec.HeaderRecords);
    PutText(record, 22, passSpec.DataSetName);
    const auto days =
        static_cast<int64_t>(EncodeDate(passSpec.Year, 1, 1) - EncodeDate(1950, 1, 1)) + DayOfYearOf(passSpec) - 1;
    PutBig32(record, 80, days);
    PutBig32(record, 88, L1BLineMilliseconds(passSpec, 0));
    PutBig32(record, 92, days);
    PutBig32(record, 100, L1BLineMilliseconds(passSpec, L1BLines(passSpec) - 1));
    PutBig16(record, 128, passSpec.Records);
    PutBig32(record, 256, 1390);
    PutBig32(record, 260, 117);
    PutBig32(record, 292, 927154);
    PutBig32(record, 296, 250000);
    PutText(record, 328, "WGS-84  ");
    PutBig16(record, 336, 25);
    PutBig16(record, 348, 2023);
    PutBig16(record, 350, 122);
    PutBig32(record, 352, 43200000);
    PutBig32(record, 356, 722621000);
    return record;
}

TBytes OlderDataSetHeader(const TL1BPassSpec& passSpec) {
    TBytes header(OlderArsBytes, 0);
    header[0] = 3;  // NOAA-14
    header[1] = passSpec.Gac ? 0x20 : 0x30;
    PutTimeCode(header, 2, passSpec.Year, DayOfYearOf(passSpec), L1BLineMilliseconds(passSpec, 0));
    PutBig16(header, 8, passSpec.ScanCount >= 0 ? passSpec.ScanCount : passSpec.Records);
    PutTimeCode(header, 10, passSpec.Year, DayOfYearOf(passSpec), L1BLineMilliseconds(passSpec, L1BLines(passSpec) - 1));
    PutText(header, 16, "ABCDEFG");
    PutBig16(header, 24, 2);
    header[36] = 25;
    PutBig16(header, 38, passSpec.Year);
    PutBig16(header, 84, passSpec.Year);
    PutBig16(header, 86, 122);
    PutBig32(header, 88, 43200000);
    PutBig32(header, 92, 7229000);
    PutBig32(header, 100, 9906000);
    PutBig32(header, 116, -12345678);
    return header;
}

// Eight 10-bit samples in five 16-bit little-endian words, most significant bit first.
void PutTenBitWords(TBytes& bytes, size_t at, const uint16_t* samples) {
    std::array<uint16_t, 5> words{};
    for (int bit = 0; bit < 80; ++bit)
        if ((samples[bit / 10] >> (9 - bit % 10)) & 1)
            words[static_cast<size_t>(bit / 16)] |= static_cast<uint16_t>(1u << (15 - bit % 16));
    for (size_t w = 0; w < words.size(); ++w) PutLittle16(bytes, at + 2 * w, words[w]);
}

// Four 10-bit samples as four high bytes and one byte of the low parts, first sample in its top bits.
void PutSplitLowGroup(TBytes& bytes, size_t at, const uint16_t* samples) {
    uint8_t low = 0;
    for (size_t k = 0; k < 4; ++k) {
        bytes[at + k] = static_cast<uint8_t>((samples[k] & 1023) >> 2);
        low = static_cast<uint8_t>(low | ((samples[k] & 3) << (6 - 2 * k)));
    }
    bytes[at + 4] = low;
}

TBytes BuildNewerFile(const TL1BPassSpec& passSpec) {
    const int32_t recordBytes = L1BRecordBytes(passSpec);
    TBytes file;
    if (passSpec.ArchiveHeader) {
        file = ArchiveStart(passSpec, ArsBytes);
        PutText(file, 146, "A+50+65+005+017");
        PutText(file, 161, "KLM Level 1b        ");
        const int count =
            passSpec.ArchiveRecordCount >= 0 ? passSpec.ArchiveRecordCount : passSpec.Records + 1 + passSpec.HeaderRecords;
        PutText(file, 181, Field(recordBytes, 6));
        PutText(file, 187, Field(count, 6));
    }
    // A stated count beyond two still gives two records: the reader must not trust it.
    for (int h = 0; h < std::clamp(passSpec.HeaderRecords, 1, 2); ++h) {
        const TBytes header = NewerHeaderRecord(passSpec, recordBytes);
        file.insert(file.end(), header.begin(), header.end());
    }
    TBytes record(static_cast<size_t>(recordBytes), 0);
    for (int32_t line = 0; line < passSpec.Records; ++line) {
        std::fill(record.begin(), record.end(), uint8_t{0});
        PutNewerRecord(record, passSpec, line);
        file.insert(file.end(), record.begin(), record.end());
    }
    return file;
}

TBytes BuildOlderFile(const TL1BPassSpec& passSpec) {
    const int32_t recordBytes = L1BRecordBytes(passSpec);
    TBytes file = passSpec.ArchiveHeader ? ArchiveStart(passSpec, OlderArsBytes) : TBytes();
    const TBytes dataSetHeader = OlderDataSetHeader(passSpec);
    TBytes header(static_cast<size_t>(recordBytes) * (passSpec.Gac ? 2 : 1), 0);
    std::copy(dataSetHeader.begin(), dataSetHeader.end(), header.begin());
    file.insert(file.end(), header.begin(), header.end());
    for (int32_t record = 0; record < passSpec.Records; ++record) {
        const TBytes bytes = OlderRecord(passSpec, record, recordBytes);
        file.insert(file.end(), bytes.begin(), bytes.end());
    }
    return file;
}

int32_t NewerRecordBytes(const TL1BPassSpec& passSpec) {
    // By channel count 1..5: 8-bit, then 16-bit records.
    static constexpr int32_t Hrpt[2][5] = {{4096, 6144, 8192, 10240, 12288}, {6144, 10240, 14336, 18432, 22528}};
    static constexpr int32_t Gac[2][5] = {{1952, 2360, 2768, 3176, 3584}, {2360, 3176, 3992, 4816, 5632}};
    if (passSpec.SampleKind == 2) return passSpec.Gac ? 4608 : 15872;
    const size_t wide = passSpec.SampleKind == 3 ? 1 : 0;
    const size_t channels = static_cast<size_t>(std::clamp(passSpec.Channels, 1, 5) - 1);
    return passSpec.Gac ? Gac[wide][channels] : Hrpt[wide][channels];
}

int32_t OlderRecordBytes(const TL1BPassSpec& passSpec) {
    const int32_t n = passSpec.Channels;
    if (!passSpec.Gac) {
        if (passSpec.SampleKind == 2) return 14800;
        return n * (passSpec.SampleKind == 3 ? 4096 : 2048) + 448;
    }
    if (passSpec.SampleKind == 2) return 3220;
    if (passSpec.SampleKind == 1) return n == 5 ? 4992 : n * 816 + 904;
    int32_t size = n * 1632 + 904;
    if (size > 4168) size += 8;
    if (size > 7440) size += 8;
    return size;
}

}  // namespace

int32_t L1BWidth(const TL1BPassSpec& passSpec) { return passSpec.Gac ? 409 : 2048; }

int32_t L1BLinesPerRecord(const TL1BPassSpec& passSpec) { return passSpec.Older && passSpec.Gac && passSpec.SampleKind != 2 ? 2 : 1; }

int32_t L1BLines(const TL1BPassSpec& passSpec) { return passSpec.Records * L1BLinesPerRecord(passSpec); }

int32_t L1BRecordBytes(const TL1BPassSpec& passSpec) {
    return passSpec.Older ? OlderRecordBytes(passSpec) : NewerRecordBytes(passSpec);
}

uint16_t L1BSample(const TL1BPassSpec& passSpec, int32_t line, int channel, int32_t sample) {
    const uint16_t value = static_cast<uint16_t>(passSpec.Frames.Samples(line, channel, sample) & 1023);
    return passSpec.SampleKind == 1 ? static_cast<uint16_t>(value & ~3u) : value;
}

double L1BLatitude(int32_t line, int anchor) { return 50.0 + 0.03125 * line - 0.125 * anchor; }

double L1BLongitude(int32_t line, int anchor) { return 5.0 + 0.25 * anchor - 0.0078125 * line; }

double L1BLatitude(const TL1BPassSpec& passSpec, int32_t line, int anchor) {
    return passSpec.Southbound ? L1BLatitude(L1BLines(passSpec) - 1 - line, AnchorCount - 1 - anchor) : L1BLatitude(line, anchor);
}

double L1BLongitude(const TL1BPassSpec& passSpec, int32_t line, int anchor) {
    return passSpec.Southbound ? L1BLongitude(L1BLines(passSpec) - 1 - line, AnchorCount - 1 - anchor) : L1BLongitude(line, anchor);
}

int64_t L1BLineMilliseconds(const TL1BPassSpec& passSpec, int32_t line) {
    const int64_t gap = passSpec.GapAfterLine >= 0 && line > passSpec.GapAfterLine ? 20 * 60000 : 0;
    return gap + (passSpec.Gac ? passSpec.Frames.StartMilliseconds + 500LL * line : LineMilliseconds(passSpec.Frames, line));
}

TBytes BuildL1BFile(const TL1BPassSpec& passSpec) { return passSpec.Older ? BuildOlderFile(passSpec) : BuildNewerFile(passSpec); }

TBytes BuildAappFile(const THrptPassSpec& frames, int32_t records, bool littleEndian, int year) {
    TBytes file(static_cast<size_t>(AappRecordBytes) * (static_cast<size_t>(records) + 1), 0);
    PutBig16(file, 128, records);
    for (int32_t line = 0; line < records; ++line) {
        const size_t at = static_cast<size_t>(AappRecordBytes) * (static_cast<size_t>(line) + 1);
        const THrptFrame frame = BuildMinorFrame(frames, line);
        PutBig16(file, at + 2, year);
        for (size_t w = 0; w < TelemetryWords; ++w) PutBig16(file, at + 1056 + 2 * w, frame[w]);
        for (size_t w = 0; w < 10240; ++w) PutBig16(file, at + 1264 + 2 * w, frame[750 + w]);
    }
    if (littleEndian)
        for (size_t i = 0; i + 1 < file.size(); i += 2) std::swap(file[i], file[i + 1]);
    PutText(file, 22, littleEndian ? "COA.HRPT" : "CMS.HRPT");
    return file;
}

TBytes BuildL1FFile(const THrptPassSpec& frames, int32_t lines, const std::string& satellite, TStationDate date,
                    int yearWord) {
    TBytes file(L1FHeaderBytes, 0);
    PutLittle16(file, 0, L1FHeaderBytes);
    PutLittle16(file, 2, 530);
    PutText(file, 14, satellite);
    const int fields[] = {yearWord, date.Month, date.Day, date.Hour, date.Minute, 0};
    for (size_t i = 0; i < 6; ++i) PutLittle16(file, 46 + 2 * i, fields[i]);
    TBytes record(L1FRecordBytes, 0);
    for (int32_t line = 0; line < lines; ++line) {
        std::fill(record.begin(), record.end(), uint8_t{0});
        const THrptFrame frame = BuildMinorFrame(frames, line);
        for (size_t group = 0; group < 1373; ++group) PutTenBitWords(record, 68 + 10 * group, &frame[6 + 8 * group]);
        file.insert(file.end(), record.begin(), record.end());
    }
    return file;
}

TBytes Build10BFile(const THrptPassSpec& frames, int32_t lines, const std::string& satellite, TStationDate date,
                    bool northbound, int pixelsPerLine, int storedLineBytes) {
    constexpr size_t LineBytes = 13872;  // 11,092 words in groups of four, and the prefix
    TBytes file(TenBHeaderBytes, 0);
    PutText(file, 0, "HRPT");
    PutText(file, 4, satellite);
    PutLittle16(file, 22, pixelsPerLine);
    const int fields[] = {0, date.Minute, date.Hour, date.Day, date.Month - 1, date.Year - 1900};
    for (size_t i = 0; i < 6; ++i) PutLittle16(file, 30 + 2 * i, fields[i]);
    PutLittle16(file, 104, TenBHeaderBytes);
    file[110] = northbound ? 1 : 0;
    std::fill_n(file.begin() + 270, 5, uint8_t{1});
    TBytes line(LineBytes, 0);
    for (int32_t index = 0; index < lines; ++index) {
        std::fill(line.begin(), line.end(), uint8_t{0});
        PutLittle16(line, 5, (storedLineBytes > 0 ? storedLineBytes : static_cast<int>(LineBytes)) - 7);
        THrptFrame frame = BuildMinorFrame(frames, index);
        frame.resize(11092, 0);
        for (size_t group = 0; group < frame.size() / 4; ++group)
            PutSplitLowGroup(line, 7 + 5 * group, &frame[4 * group]);
        file.insert(file.end(), line.begin(), line.end());
    }
    return file;
}

}  // namespace kestrune::test
