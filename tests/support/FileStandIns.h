// What a station may find in place of a file the program reads: a named
// pipe, a link to a device, or a sparse file of zeros far larger than any
// real one of its kind.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace kestrune::testing {

enum class TFileStandIn { Pipe, LinkToZero, Sparse };

// Puts the stand-in at path, in place of whatever stood there; path back.
inline std::string PutStandIn(const std::string& path, TFileStandIn standIn, uintmax_t sparseBytes = uintmax_t{300} << 20) {
    std::filesystem::remove(path);
    switch (standIn) {
        case TFileStandIn::Pipe:
            if (mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("no named pipe made at " + path);
            break;
        case TFileStandIn::LinkToZero: std::filesystem::create_symlink("/dev/zero", path); break;
        case TFileStandIn::Sparse:
            std::ofstream(path, std::ios::binary).close();
            std::filesystem::resize_file(path, sparseBytes);
            break;
    }
    return path;
}

}  // namespace kestrune::testing
