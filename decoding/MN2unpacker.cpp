#include "decoding/MN2unpacker.h"

#include "platform/ResCodePages.h"
#include "platform/FileIO.h"
#include "platform/FileUtils.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <functional>

namespace kestrune {

namespace {

constexpr size_t TransferFrameBytes = MeteorTransferFrameBytes;
constexpr std::array<uint8_t, 4> TransferSync = {0x1A, 0xCF, 0xFC, 0x1D};
constexpr std::array<uint8_t, 8> FrameMarker = {0x02, 0x18, 0xA7, 0xA3, 0x92, 0xDD, 0x9A, 0xBF};
constexpr std::array<size_t, 4> PartOffsets = {22, 278, 534, 790};
constexpr std::array<size_t, 4> PartLengths = {238, 238, 238, 234};
// The search stops this far before the end of the payload.
constexpr size_t SearchMargin = MsuMrFrameBytes + 8;
// Whole transfer frames read at a time.
constexpr size_t RecordingPiece = 1024 * TransferFrameBytes;

bool StartsWith(std::string_view bytes, size_t offset, const uint8_t* pattern, size_t count) {
    return offset + count <= bytes.size() && std::memcmp(bytes.data() + offset, pattern, count) == 0;
}

bool HasHeaderBlock(std::string_view recording) {
    return recording.size() >= TransferFrameBytes && recording.substr(0, 4) == "M2HR";
}

using TFrameSink = std::function<void(std::string_view frame)>;

// Finds the instrument frames in the payload as it arrives, holding no more
// of it than one search needs. A frame may start wherever the whole search
// over the whole payload would have looked: up to SearchMargin from its end.
class TFrameSearch {
public:
    explicit TFrameSearch(TFrameSink sink) : sink_(std::move(sink)) {}

    void Add(std::string_view part) {
        payload_.append(part);
        if (payload_.size() >= SearchEvery + SearchMargin) Search();
    }

    int32_t Finish() {
        Search();
        return frames_;
    }

private:
    static constexpr size_t SearchEvery = size_t{1} << 20;

    void Search() {
        size_t at = 0;
        while (at + SearchMargin <= payload_.size()) {
            const size_t last = payload_.size() - SearchMargin;
            // Four bytes first, then the whole marker.
            const void* found = std::memchr(payload_.data() + at, FrameMarker[0], last + 1 - at);
            if (found == nullptr) {
                at = last + 1;
                break;
            }
            at = static_cast<size_t>(static_cast<const char*>(found) - payload_.data());
            if (!StartsWith(payload_, at, FrameMarker.data(), 4) || !StartsWith(payload_, at, FrameMarker.data(), FrameMarker.size())) {
                ++at;
                continue;
            }
            sink_(std::string_view(payload_).substr(at, MsuMrFrameBytes));
            ++frames_;
            at += MsuMrFrameBytes;
        }
        payload_.erase(0, at);
    }

    TFrameSink sink_;
    std::string payload_;
    int32_t frames_ = 0;
};

// The payload of every transfer frame from the first synchronised one on, in order.
class TTransferFrames {
public:
    explicit TTransferFrames(TFrameSink sink) : search_(std::move(sink)) {}

    // Whole transfer frames; a piece of one left at the end of the recording is none.
    void Take(std::string_view blocks) {
        for (size_t block = 0; block + TransferFrameBytes <= blocks.size(); block += TransferFrameBytes) {
            synchronised_ = synchronised_ || StartsWith(blocks, block, TransferSync.data(), TransferSync.size());
            if (!synchronised_) continue;
            for (size_t part = 0; part < PartOffsets.size(); ++part)
                search_.Add(blocks.substr(block + PartOffsets[part], PartLengths[part]));
        }
    }

    int32_t Finish() { return search_.Finish(); }

private:
    TFrameSearch search_;
    bool synchronised_ = false;
};

// Reads whole transfer frames from the file, a piece at a time, up to its end.
class TRecordingReader {
public:
    explicit TRecordingReader(const std::string& fileName) : file_(open(fileName.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (!file_.Valid()) throw EMeteorRecordingError(FormatResStr(res::SRecordingCannotOpen, {ShownFileNameText(fileName)}));
    }

    // The next piece, empty at the end; a read that fails is an error, not an end.
    std::string_view Next(size_t most) {
        piece_.resize(most);
        const int64_t got = ReadAt(file_.Get(), piece_.data(), static_cast<int64_t>(most), offset_);
        if (got < 0) throw EMeteorRecordingError(resStr(res::SRecordingUnreadable));
        offset_ += got;
        return std::string_view(piece_).substr(0, static_cast<size_t>(got));
    }

private:
    TFileHandle file_;
    std::string piece_;
    int64_t offset_ = 0;
};

}  // namespace

std::string ConvertMN2(std::string_view recording, int32_t& frameCount) {
    const bool header = HasHeaderBlock(recording);
    std::string output = header ? std::string(recording.substr(0, TransferFrameBytes)) : std::string();
    TTransferFrames frames([&](std::string_view frame) { output.append(frame); });
    frames.Take(recording.substr(header ? TransferFrameBytes : 0));
    frameCount = frames.Finish();
    return output;
}

bool UnpackMN2Stream(std::string& fileName, int32_t& frameCount, const std::string& targetFolder) {
    frameCount = 0;
    struct stat original {};
    if (stat(fileName.c_str(), &original) != 0 || !S_ISREG(original.st_mode)) return false;
    if (original.st_size > MostMeteorRecordingBytes)
        throw EMeteorRecordingError(FormatResStr(res::SRecordingTooLarge,
                                                 {ExtractFileName(fileName), std::to_string(original.st_size),
                                                  std::to_string(MostMeteorRecordingBytes)}));
    const TDateTime date = GetFileDate(fileName);
    const std::string converted = ChangeFileExt(fileName, ".msu2");
    const std::string output = targetFolder.empty() ? converted : targetFolder + ExtractFileName(converted);
    // Written aside and put in place only when the recording held a pass.
    TAtomicFileWriter writer(output);
    TTransferFrames frames([&](std::string_view frame) { writer.Write(frame); });
    TRecordingReader recording(fileName);
    const std::string_view first = recording.Next(TransferFrameBytes);
    if (HasHeaderBlock(first)) writer.Write(first);
    else frames.Take(first);
    // Never past the bound, even when the file grows while it is read.
    for (int64_t read = TransferFrameBytes; read < MostMeteorRecordingBytes; read += static_cast<int64_t>(RecordingPiece)) {
        const std::string_view piece = recording.Next(RecordingPiece);
        if (piece.empty()) break;
        frames.Take(piece);
    }
    frameCount = frames.Finish();
    // A failed conversion leaves no file that a later open would take for a converted pass.
    if (frameCount <= FewestMeteorFrames) return false;
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
