#include "decoding/GZfiles.h"

#include "decoding/MN2unpacker.h"
#include "platform/FileIO.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string_view>
#include <system_error>
#include <vector>

namespace kestrune {

namespace {

constexpr size_t ChunkSize = 1 << 18;
constexpr int GzipWindowBits = 16 + MAX_WBITS;  // gzip wrapper only

using TUnpackedSink = std::function<void(std::string_view)>;

class TInflater {
public:
    TInflater() {
        if (inflateInit2(&stream_, GzipWindowBits) != Z_OK) throw EGZipError("zlib could not start inflating");
    }
    ~TInflater() { inflateEnd(&stream_); }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    // Inflates one chunk of packed bytes into the sink; a new gzip member may
    // start right after the end of the previous one, and zero bytes may pad
    // the file after its last member, as gzip allows.
    int64_t Feed(uint8_t* packed, size_t count, const TUnpackedSink& sink) {
        std::array<uint8_t, ChunkSize> out{};
        int64_t written = 0;
        stream_.next_in = packed;
        stream_.avail_in = static_cast<uInt>(count);
        while (stream_.avail_in > 0) {
            if (padding_ || (finished_ && *stream_.next_in == 0)) {
                TakePadding();
                break;
            }
            stream_.next_out = out.data();
            stream_.avail_out = static_cast<uInt>(out.size());
            const int status = inflate(&stream_, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
                throw EGZipError(stream_.msg ? stream_.msg : "invalid gzip data");
            const size_t produced = out.size() - stream_.avail_out;
            sink(std::string_view(reinterpret_cast<const char*>(out.data()), produced));
            written += static_cast<int64_t>(produced);
            finished_ = status == Z_STREAM_END;
            if (finished_) inflateReset(&stream_);
            else if (status == Z_BUF_ERROR && produced == 0) break;
        }
        return written;
    }

    bool Finished() const { return finished_; }

private:
    void TakePadding() {
        padding_ = true;
        const uint8_t* first = stream_.next_in;
        if (std::any_of(first, first + stream_.avail_in, [](uint8_t byte) { return byte != 0; }))
            throw EGZipError("data after the end of the gzip data");
        stream_.avail_in = 0;
    }

    z_stream stream_{};
    bool finished_ = false;
    bool padding_ = false;
};

// Unpacks every gzip member of the file into the sink; returns the bytes unpacked.
int64_t GunzipFileInto(const std::string& fileName, const TUnpackedSink& sink) {
    std::ifstream packed(fileName, std::ios::binary);
    if (!packed) throw EGZipError(FormatResStr(res::SPackedFileCannotOpen, {ShownFileNameText(fileName)}));
    TInflater inflater;
    std::vector<uint8_t> chunk(ChunkSize);
    int64_t written = 0;
    while (packed) {
        packed.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
        const auto count = static_cast<size_t>(packed.gcount());
        if (count == 0) break;
        written += inflater.Feed(chunk.data(), count, sink);
    }
    if (!inflater.Finished()) throw EGZipError("unexpected end of gzip data in " + fileName);
    return written;
}

// The widest record of the formats whose extension decides them whatever
// the file holds (FengYun CHRPT when the name speaks of FengYun, as the
// format detection reads it); 0 for the rest.
int64_t WidestRecordOfName(const std::string& unpackedName) {
    struct TExtensionRecord {
        std::string_view Extension;
        int64_t RecordBytes;
        int64_t FengYunRecordBytes;
    };
    static constexpr std::array<TExtensionRecord, 15> Records = {{
        {".wsd", 13864, 27725},
        {".n10", 13864, 27728},
        {".s10", 13864, 13864},
        {".c10", 27728, 27728},
        {".raw16", 22180, 22180},
        {".rhd", 22180, 22180},
        {".hrpt", 22528, 44360},
        {".hmf", 22180, 44708},
        {".fy1c", 44360, 44360},
        {".fy1d", 44360, 44360},
        {".fy8", 20480, 20480},  // ten 8-bit channels side by side
        {".hrp8", 10240, 10240},
        {".img", 11216, 11216},
        {".fi5", 11264, 11264},
        {".gaca", 9080, 9080},   // older GAC of 16-bit samples
    }};
    const std::string name = LowerCase(ExtractFileName(unpackedName));
    const std::string extension = LowerCase(ExtractFileExt(name));
    const bool fengYun = name.find("fy") != std::string::npos || name.find("fengyun") != std::string::npos;
    // A ".wsd" name without its satellite leaves the format to the contents.
    if (extension == ".wsd" && !fengYun && name.find("noaa") == std::string::npos) return 0;
    for (const TExtensionRecord& record : Records)
        if (record.Extension == extension) return fengYun ? record.FengYunRecordBytes : record.RecordBytes;
    return 0;
}

}  // namespace

int64_t MostUnpackedBytesOf(const std::string& unpackedName) {
    // A Meteor recording has a bound of its own; a ".dat" may hold one or
    // any format its contents tell.
    const std::string extension = LowerCase(ExtractFileExt(unpackedName));
    if (extension == ".mn2") return MostMeteorRecordingBytes;
    if (extension == ".dat") return std::max(MostMeteorRecordingBytes, MostUnpackedBytes);
    const int64_t recordBytes = WidestRecordOfName(unpackedName);
    if (recordBytes == 0) return MostUnpackedBytes;
    // Room for the header records some formats carry and for a header block.
    constexpr int64_t HeaderRecords = 2;
    return (int64_t{MostPassLines} + HeaderRecords) * recordBytes + (int64_t{1} << 20);
}

bool GunzipFile(const std::string& fileName, const std::string& targetFolder, int64_t mostBytes) {
    namespace fs = std::filesystem;
    std::error_code error;
    struct stat packed {};
    if (stat(fileName.c_str(), &packed) != 0 || !S_ISREG(packed.st_mode)) return false;
    const std::string unpacked = ChangeFileExt(fileName, "");
    const std::string target = targetFolder.empty() ? unpacked : targetFolder + ExtractFileName(unpacked);
    if (mostBytes == BoundByName) mostBytes = MostUnpackedBytesOf(unpacked);
    try {
        TAtomicFileWriter writer(target);
        int64_t unpackedBytes = 0;
        const int64_t size = GunzipFileInto(fileName, [&](std::string_view bytes) {
            unpackedBytes += static_cast<int64_t>(bytes.size());
            if (unpackedBytes > mostBytes)
                throw EGZipError(FormatResStr(res::SUnpacksTooLarge, {ShownFileNameText(ExtractFileName(fileName)), std::to_string(mostBytes)}));
            writer.Write(bytes);
        });
        if (size <= 0) return false;
        // Readable by whoever may read the packed pass.
        writer.SetMode(packed.st_mode & 0777);
        writer.Commit();
    } catch (const EWriteError& failure) {
        throw EGZipError(failure.what());
    }
    fs::last_write_time(target, fs::last_write_time(fileName), error);
    return true;
}

TUnpackFolder::TUnpackFolder() {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "kestrune-unpacked-XXXXXX").string();
    // mkdtemp makes the folder readable by its owner only.
    if (error || mkdtemp(pattern.data()) == nullptr) throw EGZipError(resStr(res::SNoUnpackFolder));
    path_ = pattern + "/";
}

TUnpackFolder::~TUnpackFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

}  // namespace kestrune
