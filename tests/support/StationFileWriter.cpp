#include "tests/support/StationFileWriter.h"

#include "decoding/FrameReader.h"

#include <algorithm>
#include <cstring>

namespace kestrune::test {

namespace {

constexpr int32_t FrameTelemetryFirst = 6;   // DOS records keep words 6..749 of the frame
constexpr size_t FrameTelemetryBytes = 1488;
constexpr int32_t SsbFrameWords = 630;
constexpr int32_t SpotSamples = 1728;
constexpr size_t SpotHeaderBytes = 416;

void Append(TBytes& to, const TBytes& from) { to.insert(to.end(), from.begin(), from.end()); }

void PutWord(TBytes& bytes, size_t offset, uint16_t word) {
    bytes[offset] = static_cast<uint8_t>(word);
    bytes[offset + 1] = static_cast<uint8_t>(word >> 8);
}

void PutBigEndian32(TBytes& bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// Zero-ended 16-bit characters at offset; returns the offset after the zero.
size_t PutWideText(TBytes& bytes, size_t offset, const std::string& text) {
    for (const char c : text) {
        PutWord(bytes, offset, static_cast<uint8_t>(c));
        offset += 2;
    }
    PutWord(bytes, offset, 0);
    return offset + 2;
}

std::vector<uint16_t> ChannelLine(const THrptPassSpec& passSpec, int32_t line, int channel, int32_t samples) {
    std::vector<uint16_t> words(static_cast<size_t>(samples));
    for (int32_t i = 0; i < samples; ++i) words[static_cast<size_t>(i)] = passSpec.Samples(line, channel, i) & 1023;
    return words;
}

TBytes FrameTelemetry(const THrptFrame& frame, size_t areaBytes) {
    const TBytes words = PackFrame(std::span(frame).subspan(FrameTelemetryFirst, FrameTelemetryBytes / 2),
                                   TWordPacking::LittleEndian16);
    TBytes area(words);
    area.resize(areaBytes, 0);
    return area;
}

TBytes TimestepRecord(const THrptPassSpec& passSpec, int32_t line, const TTimestepHeader& header, TTimestepKind kind) {
    const bool fengYun = !header.FengYun.empty();
    if (kind == TTimestepKind::Windows) {
        if (fengYun) return PackFrame(BuildLayoutFrame(passSpec, line, ChrptVideo), TWordPacking::Packed10MsbFirst, 27728);
        if (header.Packed) return PackFrame(BuildMinorFrame(passSpec, line), TWordPacking::Packed10LsbFirst, 13868);
        return PackFrame(BuildMinorFrame(passSpec, line), TWordPacking::LittleEndian16);
    }
    const bool tenBit = kind == TTimestepKind::Dos;
    const size_t channelBytes = tenBit ? 2560 : 2048;
    TBytes record;
    for (int c = 1; c <= 5; ++c) {
        if (!header.Channels[static_cast<size_t>(c - 1)]) continue;
        const std::vector<uint16_t> samples = ChannelLine(passSpec, line, c, VideoSamples);
        if (tenBit) {
            Append(record, PackFrame(samples, TWordPacking::Packed10LsbFirst));
        } else {
            for (const uint16_t s : samples) record.push_back(static_cast<uint8_t>(s >> 2));
        }
    }
    Append(record, FrameTelemetry(BuildMinorFrame(passSpec, line), channelBytes));
    return record;
}

}  // namespace

THrptFrame BuildLayoutFrame(const THrptPassSpec& passSpec, int32_t line, const TVideoLayout& layout) {
    THrptFrame frame = BuildMinorFrame(passSpec, line);
    frame.resize(static_cast<size_t>(layout.FrameWords), 0);
    std::fill(frame.begin() + FirstVideoWord, frame.end(), 0);
    for (int32_t i = 0; i < layout.Samples; ++i)
        for (int c = 0; c < layout.Channels; ++c)
            frame[static_cast<size_t>(layout.FirstWord + layout.Channels * i + c)] =
                static_cast<uint16_t>(passSpec.Samples(line, c + 1, i) & 1023);
    return frame;
}

TBytes BuildLayoutPass(const THrptPassSpec& passSpec, int32_t lines, const TVideoLayout& layout, TWordPacking packing,
                       size_t recordBytes, int32_t skipWords) {
    TBytes file;
    for (int32_t line = 0; line < lines; ++line) {
        const THrptFrame frame = BuildLayoutFrame(passSpec, line, layout);
        Append(file, PackFrame(std::span(frame).subspan(static_cast<size_t>(skipWords)), packing, recordBytes));
    }
    return file;
}

uint16_t StoredLayoutSample(const THrptPassSpec& passSpec, int32_t lines, bool northbound, int32_t storeLine,
                            int channel, int32_t storeSample, int32_t width, bool eightBit) {
    const int32_t line = northbound ? lines - 1 - storeLine : storeLine;
    const int32_t sample = northbound ? width - 1 - storeSample : storeSample;
    const uint16_t value = passSpec.Samples(line, channel, sample) & 1023;
    return eightBit ? static_cast<uint16_t>(value & ~3u) : value;
}

TBytes TimestepHeader(const TTimestepHeader& header, TTimestepKind kind) {
    TBytes bytes(TimestepHeaderBytes, 0);
    bytes[0] = header.Descending ? 1 : 0;
    for (size_t c = 0; c < 5; ++c) bytes[1 + c] = header.Channels[c] ? 1 : 0;
    bytes[7] = header.Packed ? 1 : 0;
    const int fields[] = {header.Year, header.Month, header.Day, header.Hour, header.Minute, header.Second,
                          header.Millisecond};
    for (size_t i = 0; i < std::size(fields); ++i) PutWord(bytes, 8 + 2 * i, static_cast<uint16_t>(fields[i]));
    PutWord(bytes, 88, header.SatelliteWord);
    const std::string format = kind == TTimestepKind::Windows ? "XRAWFMT" + header.FengYun : "RAWDOS";
    std::memcpy(bytes.data() + 200, format.data(), format.size());
    if (kind != TTimestepKind::Windows) std::memcpy(bytes.data() + 1000, "XHEADRP", 7);
    return bytes;
}

TBytes BuildTimestepFile(const THrptPassSpec& passSpec, int32_t lines, const TTimestepHeader& header,
                         TTimestepKind kind) {
    TBytes file = TimestepHeader(header, kind);
    for (int32_t line = 0; line < lines; ++line) Append(file, TimestepRecord(passSpec, line, header, kind));
    return file;
}

TBytes BuildSsbFile(const THrptPassSpec& passSpec, int32_t lines) {
    TBytes file;
    for (int32_t line = 0; line < lines; ++line) {
        const THrptFrame frame = BuildMinorFrame(passSpec, line);
        std::vector<uint16_t> words(2, 0);
        words.insert(words.end(), frame.begin(), frame.begin() + SsbFrameWords);
        for (int c = 1; c <= 5; ++c) {
            const std::vector<uint16_t> channel = ChannelLine(passSpec, line, c, VideoSamples);
            words.insert(words.end(), channel.begin(), channel.end());
        }
        Append(file, PackFrame(words, TWordPacking::Packed10MsbFirst, SsbRecordBytes));
    }
    return file;
}

TBytes BuildEightBitFile(const THrptPassSpec& passSpec, int32_t lines, int32_t channels) {
    TBytes file;
    for (int32_t line = 0; line < lines; ++line)
        for (int32_t i = 0; i < VideoSamples; ++i)
            for (int c = 1; c <= channels; ++c) file.push_back(static_cast<uint8_t>((passSpec.Samples(line, c, i) & 1023) >> 2));
    return file;
}

TBytes BuildDartcomFile(const THrptPassSpec& passSpec, int32_t lines, bool chrpt) {
    return BuildLayoutPass(passSpec, lines, chrpt ? ChrptVideo : HrptVideo, TWordPacking::LittleEndian16,
                           chrpt ? 44150 : 22016, 5);
}

TBytes BuildGtiFile(const THrptPassSpec& passSpec, int32_t lines) {
    TBytes file(GtiHeaderBytes, 0);
    Append(file, BuildPass(passSpec, lines, TWordPacking::LittleEndian16));
    return file;
}

TBytes BuildQuorumFile(const THrptPassSpec& passSpec, int32_t lines, bool fengYun, const std::string& satellite,
                       const TElementLines& elements, int64_t unixSeconds) {
    const size_t record = fengYun ? 2 * Hrpt16RecordBytes : Hrpt16RecordBytes;
    TBytes file(2 * record, 0);
    PutWord(file, 0, 0x8000);
    PutWord(file, 2, 0x8000);
    size_t at = PutWideText(file, 6, satellite);
    at = PutWideText(file, at, elements.Line1);
    PutWideText(file, at, elements.Line2);
    PutWord(file, record, 0x8000);
    PutWord(file, record + 2, 0x8100);
    PutWord(file, record + 6, static_cast<uint16_t>(unixSeconds >> 16));
    PutWord(file, record + 8, static_cast<uint16_t>(unixSeconds));
    Append(file, BuildLayoutPass(passSpec, lines, fengYun ? ChrptVideo : HrptVideo, TWordPacking::LittleEndian16));
    return file;
}

TBytes BuildFengYunWsdFile(const THrptPassSpec& passSpec, int32_t lines, const TElementLines& elements) {
    TBytes file = BuildWsdFile(passSpec, 0, elements.Line1, elements.Line2);
    Append(file, BuildLayoutPass(passSpec, lines, ChrptVideo, TWordPacking::Packed10LsbFirst));
    return file;
}

TBytes BuildSmartViewFile(const THrptPassSpec& passSpec, int32_t lines) {
    const std::string text = "HRPT20230503 SmartView station recording\r\n";
    TBytes file(text.begin(), text.end());
    file.resize(Hrpt16RecordBytes, 0);
    Append(file, BuildPass(passSpec, lines, TWordPacking::LittleEndian16));
    return file;
}

TBytes BuildSpotFile(const THrptPassSpec& passSpec, int32_t lines, bool fi5, int64_t unixSeconds) {
    TBytes file;
    for (int32_t line = 0; line < lines; ++line) {
        TBytes record(SpotHeaderBytes, 0);
        PutBigEndian32(record, 0, static_cast<uint32_t>(unixSeconds + line / 6));
        PutBigEndian32(record, 4, static_cast<uint32_t>(line % 6 * 166667));
        std::vector<uint16_t> samples;
        for (int c = 1; c <= 5; ++c) {
            const std::vector<uint16_t> channel = ChannelLine(passSpec, line, c, SpotSamples);
            samples.insert(samples.end(), channel.begin(), channel.end());
        }
        TBytes video = PackFrame(samples, TWordPacking::Packed10LsbFirst);
        for (uint8_t& b : video) b = ReverseBits(b);
        Append(record, video);
        record.resize(fi5 ? 11264 : 11216, 0);
        Append(file, record);
    }
    return file;
}

}  // namespace kestrune::test
