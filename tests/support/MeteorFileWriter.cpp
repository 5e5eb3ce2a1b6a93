#include "tests/support/MeteorFileWriter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <tuple>
#include <utility>

namespace kestrune::test {

namespace {

constexpr std::array<uint8_t, 8> FrameMarker = {0x02, 0x18, 0xA7, 0xA3, 0x92, 0xDD, 0x9A, 0xBF};
constexpr std::array<uint8_t, 4> TransferSync = {0x1A, 0xCF, 0xFC, 0x1D};
constexpr size_t VideoOffset = 35;
constexpr int MeteorClockAheadHours = 3;

void Append(TBytes& to, const TBytes& from) { to.insert(to.end(), from.begin(), from.end()); }

// Words of the video: group g of four samples of channel c at 24 g + 4 c + 12.
std::vector<uint16_t> VideoWords(const THrptPassSpec& passSpec, int32_t line, int32_t width) {
    std::vector<uint16_t> words(static_cast<size_t>(24 * (width / 4) + 12), 0);
    for (int c = 0; c < 6; ++c)
        for (int32_t i = 0; i < width; ++i) {
            const uint16_t value = passSpec.Samples(line, c + 1, i) & 1023;
            words[static_cast<size_t>(24 * (i / 4) + 4 * c + 12 + i % 4)] =
                c >= 3 ? static_cast<uint16_t>(1023 - value) : value;
        }
    return words;
}

}  // namespace

TBytes BuildMsuMrFrame(const THrptPassSpec& passSpec, const TMeteorSpec& meteor, int32_t line, int32_t width) {
    TBytes frame(MsuMrBytes, 0);
    std::copy(FrameMarker.begin(), FrameMarker.end(), frame.begin());
    const int64_t ms = ((meteor.Hour + MeteorClockAheadHours) * 60 + meteor.Minute) * 60000LL + line * 1000LL / 6;
    frame[8] = static_cast<uint8_t>(ms / 3600000 % 24);
    frame[9] = static_cast<uint8_t>(ms / 60000 % 60);
    frame[10] = static_cast<uint8_t>(ms / 1000 % 60);
    frame[11] = static_cast<uint8_t>(ms % 1000 / 4);
    const TBytes video = PackFrame(VideoWords(passSpec, line, width), TWordPacking::Packed10MsbFirst);
    std::copy_n(video.begin(), std::min(video.size(), MsuMrBytes - VideoOffset), frame.begin() + VideoOffset);
    return frame;
}

TBytes MeteorHeader(const TMeteorSpec& meteor, const char* magic, size_t bytes) {
    TBytes header(bytes, 0);
    std::memcpy(header.data(), magic, 4);
    std::copy_n(meteor.Satellite.begin(), std::min<size_t>(meteor.Satellite.size(), 16), header.begin() + 4);
    const int words[] = {0, meteor.Minute, meteor.Hour, meteor.Day, meteor.Month - 1, meteor.Year - 1900};
    for (size_t k = 0; k < 6; ++k) {
        header[30 + 2 * k] = static_cast<uint8_t>(words[k]);
        header[31 + 2 * k] = static_cast<uint8_t>(words[k] >> 8);
    }
    return header;
}

TBytes BuildMsu2File(const THrptPassSpec& passSpec, const TMeteorSpec& meteor, int32_t lines) {
    TBytes file = meteor.Header ? MeteorHeader(meteor, "M2HR", 1024) : TBytes();
    for (int32_t line = 0; line < lines; ++line) Append(file, BuildMsuMrFrame(passSpec, meteor, line, MsuMrWidth));
    return file;
}

TBytes BuildMn2File(const THrptPassSpec& passSpec, const TMeteorSpec& meteor, int32_t lines) {
    static constexpr size_t Offsets[4] = {22, 278, 534, 790};
    static constexpr size_t Lengths[4] = {238, 238, 238, 234};
    TBytes payload(100, 0x55);  // fill before the first frame
    for (int32_t line = 0; line < lines; ++line) Append(payload, BuildMsuMrFrame(passSpec, meteor, line, MsuMrWidth));
    payload.resize(payload.size() + 2 * 948, 0x55);
    TBytes file = meteor.Header ? MeteorHeader(meteor, "M2HR", 1024) : TBytes();
    file.resize(file.size() + 1024, 0);  // a block before the first synchronised one
    for (size_t at = 0; at < payload.size();) {
        TBytes block(1024, 0);
        std::copy(TransferSync.begin(), TransferSync.end(), block.begin());
        for (size_t part = 0; part < 4 && at < payload.size(); ++part) {
            const size_t n = std::min(Lengths[part], payload.size() - at);
            std::copy_n(payload.begin() + static_cast<std::ptrdiff_t>(at), n, block.begin() + static_cast<std::ptrdiff_t>(Offsets[part]));
            at += n;
        }
        Append(file, block);
    }
    return file;
}

TBytes BuildMeteorRawWalkFile(const THrptPassSpec& passSpec, const TMeteorSpec& meteor, int32_t lines) {
    static constexpr size_t Offsets[4] = {19, 275, 531, 787};
    static constexpr size_t Lengths[4] = {238, 238, 238, 234};
    TBytes file;
    size_t position = 0;
    size_t blockBase = 0;
    size_t part = 0;
    const auto nextPart = [&]() {
        if (part == 0) {
            blockBase = position;
            position += 1024;
        }
        const size_t at = blockBase + Offsets[part];
        const size_t length = Lengths[part];
        part = (part + 1) % 4;
        if (file.size() < at + length) file.resize(at + length, 0);
        return std::pair{at, length};
    };
    size_t written = 0;
    bool oddFrame = true;
    for (int32_t line = 0; line < lines; ++line) {
        const TBytes frame = BuildMsuMrFrame(passSpec, meteor, line, MsuMrWidth);
        auto [at, length] = nextPart();
        while (at < written) std::tie(at, length) = nextPart();
        size_t taken = length - 8;
        std::copy_n(frame.begin(), taken, file.begin() + static_cast<std::ptrdiff_t>(at + 8));
        for (int k = 0; k < 49; ++k) {
            std::tie(at, length) = nextPart();
            const size_t n = std::min(length, frame.size() - std::min(taken, frame.size()));
            std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(taken), n, file.begin() + static_cast<std::ptrdiff_t>(at));
            taken += n;
            written = at + length;
        }
        position -= oddFrame ? 1026 : 1022;
        oddFrame = !oddFrame;
        part = 0;
    }
    file.resize(std::max(file.size(), position) + 2 * 12800, 0);
    return file;
}

TBytes BuildMhrpFile(const THrptPassSpec& passSpec, const TMeteorSpec& meteor, int32_t lines) {
    TBytes file = meteor.Header ? MeteorHeader(meteor, "MHRP", 256) : TBytes();
    for (int32_t line = 0; line < lines; ++line) {
        const TBytes frame = BuildMsuMrFrame(passSpec, meteor, line, MhrpWidth);
        for (size_t k = 0; k < 50; ++k) {
            TBytes block(256, 0);
            std::copy(TransferSync.begin(), TransferSync.end(), block.begin());
            std::copy_n(frame.begin() + 8, 4, block.begin() + 8);
            std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(232 * k), 232, block.begin() + 22);
            Append(file, block);
        }
    }
    return file;
}

}  // namespace kestrune::test
