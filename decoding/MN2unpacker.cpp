#include "decoding/MN2unpacker.h"

#include "platform/FileIO.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

#include <sys/stat.h>

#include <array>
#include <cstring>
#include <filesystem>

namespace kestrune {

namespace {

constexpr size_t TransferFrameBytes = 1024;
constexpr std::array<uint8_t, 4> TransferSync = {0x1A, 0xCF, 0xFC, 0x1D};
constexpr std::array<uint8_t, 8> FrameMarker = {0x02, 0x18, 0xA7, 0xA3, 0x92, 0xDD, 0x9A, 0xBF};
constexpr std::array<size_t, 4> PartOffsets = {22, 278, 534, 790};
constexpr std::array<size_t, 4> PartLengths = {238, 238, 238, 234};
constexpr size_t PayloadPerFrame = 948;
// The search stops this far before the end of the payload.
constexpr size_t SearchMargin = MsuMrFrameBytes + 8;

bool StartsWith(std::string_view bytes, size_t offset, const uint8_t* pattern, size_t count) {
    return offset + count <= bytes.size() && std::memcmp(bytes.data() + offset, pattern, count) == 0;
}

bool HasHeaderBlock(std::string_view recording) {
    return recording.size() >= TransferFrameBytes && recording.substr(0, 4) == "M2HR";
}

// The payload of every transfer frame from the first synchronised one on.
std::string PayloadStream(std::string_view recording, size_t firstBlock) {
    std::string payload;
    payload.reserve((recording.size() / TransferFrameBytes) * PayloadPerFrame);
    bool synchronised = false;
    for (size_t block = firstBlock; block + TransferFrameBytes <= recording.size(); block += TransferFrameBytes) {
        synchronised = synchronised || StartsWith(recording, block, TransferSync.data(), TransferSync.size());
        if (!synchronised) continue;
        for (size_t part = 0; part < PartOffsets.size(); ++part) payload.append(recording.substr(block + PartOffsets[part], PartLengths[part]));
    }
    return payload;
}

}  // namespace

std::string ConvertMN2(std::string_view recording, int32_t& frameCount) {
    frameCount = 0;
    const bool header = HasHeaderBlock(recording);
    std::string output = header ? std::string(recording.substr(0, TransferFrameBytes)) : std::string();
    const std::string payload = PayloadStream(recording, header ? TransferFrameBytes : 0);
    if (payload.size() < SearchMargin) return output;
    const size_t last = payload.size() - SearchMargin;
    size_t at = 0;
    while (at <= last) {
        // Four bytes first, then the whole marker.
        const void* found = std::memchr(payload.data() + at, FrameMarker[0], last + 1 - at);
        if (found == nullptr) break;
        at = static_cast<size_t>(static_cast<const char*>(found) - payload.data());
        if (!StartsWith(payload, at, FrameMarker.data(), 4) || !StartsWith(payload, at, FrameMarker.data(), FrameMarker.size())) {
            ++at;
            continue;
        }
        output.append(payload, at, MsuMrFrameBytes);
        ++frameCount;
        at += MsuMrFrameBytes;
    }
    return output;
}

bool UnpackMN2Stream(std::string& fileName, int32_t& frameCount, const std::string& targetFolder) {
    frameCount = 0;
    struct stat original {};
    if (stat(fileName.c_str(), &original) != 0 || !S_ISREG(original.st_mode)) return false;
    const TDateTime date = GetFileDate(fileName);
    std::string recording;
    if (!ReadFileText(fileName, recording)) return false;
    const std::string frames = ConvertMN2(recording, frameCount);
    // A failed conversion leaves no file that a later open would take for a converted pass.
    if (frameCount <= FewestMeteorFrames) return false;
    const std::string converted = ChangeFileExt(fileName, ".msu2");
    const std::string output = targetFolder.empty() ? converted : targetFolder + ExtractFileName(converted);
    TAtomicFileWriter writer(output);
    writer.Write(frames);
    // Readable by whoever may read the recording.
    writer.SetMode(original.st_mode & 0777);
    writer.Commit();
    SetFileDateTime(output, date);
    fileName = output;
    return true;
}

bool UnpackMN2File(std::string& fileName, int32_t& frameCount, const std::string& targetFolder) {
    frameCount = 0;
    std::error_code error;
    if (!IsMeteorRecordingName(fileName) || !std::filesystem::is_regular_file(fileName, error)) return true;
    const std::string output = ChangeFileExt(fileName, ".msu2");
    if (std::filesystem::is_regular_file(output, error)) {
        fileName = output;
        return true;
    }
    return UnpackMN2Stream(fileName, frameCount, targetFolder);
}

bool IsMeteorRecordingName(const std::string& fileName) {
    const std::string extension = UpperCase(ExtractFileExt(fileName));
    return extension == ".DAT" || extension == ".MN2";
}

}  // namespace kestrune
