#include "decoding/GZfiles.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace kestrune {

namespace {

constexpr size_t ChunkSize = 1 << 18;
constexpr int GzipWindowBits = 16 + MAX_WBITS;  // gzip wrapper only

class TInflater {
public:
    TInflater() {
        if (inflateInit2(&stream_, GzipWindowBits) != Z_OK) throw EGZipError("zlib could not start inflating");
    }
    ~TInflater() { inflateEnd(&stream_); }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    // Inflates one chunk of packed bytes into destination; a new gzip member
    // may start right after the end of the previous one.
    int64_t Feed(uint8_t* packed, size_t count, std::ostream& destination) {
        std::array<uint8_t, ChunkSize> out{};
        int64_t written = 0;
        stream_.next_in = packed;
        stream_.avail_in = static_cast<uInt>(count);
        while (stream_.avail_in > 0) {
            stream_.next_out = out.data();
            stream_.avail_out = static_cast<uInt>(out.size());
            const int status = inflate(&stream_, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
                throw EGZipError(stream_.msg ? stream_.msg : "invalid gzip data");
            const size_t produced = out.size() - stream_.avail_out;
            destination.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(produced));
            written += static_cast<int64_t>(produced);
            finished_ = status == Z_STREAM_END;
            if (finished_) inflateReset(&stream_);
            else if (status == Z_BUF_ERROR && produced == 0) break;
        }
        return written;
    }

    bool Finished() const { return finished_; }

private:
    z_stream stream_{};
    bool finished_ = false;
};

// Name of a not yet existing file beside target.
std::string TemporaryBeside(const std::string& target) {
    std::string pattern = target + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw EGZipError("Cannot create a file beside " + target);
    close(fd);
    return pattern;
}

}  // namespace

int64_t GunzipFileToStream(const std::string& fileName, std::ostream& destination) {
    std::ifstream packed(fileName, std::ios::binary);
    if (!packed) throw EGZipError("Cannot open " + fileName);
    TInflater inflater;
    std::vector<uint8_t> chunk(ChunkSize);
    int64_t written = 0;
    while (packed) {
        packed.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
        const auto count = static_cast<size_t>(packed.gcount());
        if (count == 0) break;
        written += inflater.Feed(chunk.data(), count, destination);
    }
    if (!inflater.Finished()) throw EGZipError("unexpected end of gzip data in " + fileName);
    if (!destination) throw EGZipError("Cannot write the unpacked data of " + fileName);
    return written;
}

bool GunzipFile(const std::string& fileName, const std::string& targetFolder) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_regular_file(fileName, error)) return false;
    const std::string unpacked = ChangeFileExt(fileName, "");
    const std::string target = targetFolder.empty() ? unpacked : targetFolder + ExtractFileName(unpacked);
    const std::string temporary = TemporaryBeside(target);
    try {
        int64_t size = 0;
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            size = GunzipFileToStream(fileName, out);
            out.close();
            if (!out) throw EGZipError("Cannot write " + temporary);
        }
        if (size <= 0) {
            fs::remove(temporary, error);
            return false;
        }
        fs::last_write_time(temporary, fs::last_write_time(fileName));
        fs::rename(temporary, target);
        return true;
    } catch (...) {
        fs::remove(temporary, error);
        throw;
    }
}

TUnpackFolder::TUnpackFolder() {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "kestrune-unpacked-XXXXXX").string();
    // mkdtemp makes the folder readable by its owner only.
    if (error || mkdtemp(pattern.data()) == nullptr) throw EGZipError("Cannot make a folder to unpack into");
    path_ = pattern + "/";
}

TUnpackFolder::~TUnpackFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

}  // namespace kestrune
