// Unpacking of gzip-compressed input files beside themselves. The packed file
// is never changed; the unpacked file appears only when it is complete.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace kestrune {

// A packed file that cannot be read or that zlib rejects.
class EGZipError : public Exception {
public:
    using Exception::Exception;
};

// Unpacks NAME.gz to NAME (replacing it) with the packed file's date. False
// when the file does not exist or unpacks to nothing (no NAME is written
// then); raises EGZipError when it cannot be unpacked.
bool GunzipFile(const std::string& fileName);

// Unpacks every gzip member of the file into destination; returns the bytes written.
int64_t GunzipFileToStream(const std::string& fileName, std::ostream& destination);

}  // namespace kestrune
