#include "tests/support/PassFileWriter.h"

#include "platform/SysUtils.h"

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace kestrune::test {

namespace {

void PadTo(TBytes& bytes, size_t size, uint8_t fill) { bytes.resize(size, fill); }

void Append(TBytes& to, const TBytes& from) { to.insert(to.end(), from.begin(), from.end()); }

std::string WithChecksum(std::string line) {
    line.resize(68, ' ');
    return line + ElementLineChecksum(line);
}

}  // namespace

void WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

TBytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TBytes Build16BitHrptFile(const THrptPassSpec& passSpec, int32_t lines, bool littleEndian, bool stationHeader,
                          size_t recordBytes) {
    TBytes file;
    if (stationHeader) {
        const std::string text = "[Station]\r\nName=Test station\r\n";
        file.assign(text.begin(), text.end());
        PadTo(file, Hrpt16RecordBytes, 0);
        littleEndian = true;
    }
    AppendPass(file, passSpec, lines, littleEndian ? TWordPacking::LittleEndian16 : TWordPacking::BigEndian16, recordBytes);
    return file;
}

TBytes BuildN10File(const THrptPassSpec& passSpec, int32_t lines) {
    return BuildPass(passSpec, lines, TWordPacking::Packed10MsbFirst, Packed10RecordBytes);
}

TBytes BuildWsdFile(const THrptPassSpec& passSpec, int32_t lines, const std::string& elementLine1,
                    const std::string& elementLine2) {
    TBytes file(WsdHeaderBytes, 0);
    std::memcpy(file.data() + 80, elementLine1.data(), std::min<size_t>(elementLine1.size(), 69));
    std::memcpy(file.data() + 150, elementLine2.data(), std::min<size_t>(elementLine2.size(), 69));
    AppendPass(file, passSpec, lines, TWordPacking::Packed10LsbFirst, Packed10RecordBytes);
    return file;
}

TBytes PvlHeader(int64_t length) {
    const std::string text = "BEGIN_GROUP = FORMAT\r\n  BEGIN_GROUP = PVL_HEADER\r\n    LENGTH = " +
                             std::to_string(length) + "\r\n  END_GROUP = PVL_HEADER\r\nEND_GROUP = FORMAT\r\n";
    TBytes header(text.begin(), text.end());
    PadTo(header, static_cast<size_t>(length), ' ');
    return header;
}

TBytes BuildEssFile(const THrptPassSpec& passSpec, int32_t lines, int64_t pvlHeaderLength) {
    TBytes file = pvlHeaderLength > 0 ? PvlHeader(pvlHeaderLength) : TBytes();
    Append(file, BuildN10File(passSpec, lines));
    return file;
}

TBytes GzipBytes(std::span<const uint8_t> bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    TBytes packed(deflateBound(&stream, static_cast<uLong>(bytes.size())));
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = packed.data();
    stream.avail_out = static_cast<uInt>(packed.size());
    const int status = deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) throw std::runtime_error("deflate");
    return packed;
}

char ElementLineChecksum(const std::string& line) {
    int sum = 0;
    for (const char c : line) {
        if (c >= '0' && c <= '9') sum += c - '0';
        if (c == '-') sum += 1;
    }
    return static_cast<char>('0' + sum % 10);
}

TElementLines MakeElementLines(int catalogNumber, int year, double epochDay, double inclination,
                               double ascendingNode, double meanAnomaly, double meanMotion, int revolution) {
    const std::string line1 = Format("1 %05dU 05018A   %02d%012.8f  .00000000  00000-0  00000-0 0  999",
                                     catalogNumber, year % 100, epochDay);
    const std::string line2 = Format("2 %05d %8.4f %8.4f 0014000 100.0000 %8.4f %11.8f%05d", catalogNumber,
                                     inclination, ascendingNode, meanAnomaly, meanMotion, revolution);
    return {WithChecksum(line1), WithChecksum(line2)};
}

uint16_t StoredSample(const THrptPassSpec& passSpec, int32_t lines, bool northbound, int32_t storeLine, int channel,
                      int32_t storeSample) {
    const int32_t line = northbound ? lines - 1 - storeLine : storeLine;
    const int32_t sample = northbound ? VideoSamples - 1 - storeSample : storeSample;
    return static_cast<uint16_t>(passSpec.Samples(line, channel, sample) & 1023);
}

}  // namespace kestrune::test
