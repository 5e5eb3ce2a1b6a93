// Unpacking of gzip-compressed input files beside themselves. The packed file
// is never changed; the unpacked file appears only when it is complete.
#pragma once

#include "decoding/FrameCheck.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <string>

namespace kestrune {

// A packed file that cannot be read or that zlib rejects.
class EGZipError : public Exception {
public:
    using Exception::Exception;
};

// No pass unpacks to more than its longest length in the widest records
// (FengYun frames of 44,360 bytes) behind a header.
constexpr int64_t MostUnpackedBytes = int64_t{MostPassLines} * 44360 + (int64_t{1} << 20);

// The most a file of this name unpacks to: the longest pass in the records
// of the formats its extension names (and its name's satellite, for ".wsd"),
// behind a header; MostUnpackedBytes for a name whose format only its
// contents tell. A Meteor recording (".mn2") unpacks to at most its own
// bound, a ".dat" (a Meteor recording, or any format its contents tell) to
// the larger of the two.
int64_t MostUnpackedBytesOf(const std::string& unpackedName);

// Unpacks NAME.gz to NAME (replacing it) with the packed file's date and
// permissions, beside the packed file or in targetFolder. False when the file
// does not exist or unpacks to nothing (no NAME is written then); raises
// EGZipError when it cannot be unpacked or would unpack to more than
// mostBytes, by default MostUnpackedBytesOf(NAME) (nothing is written then either).
constexpr int64_t BoundByName = -1;
bool GunzipFile(const std::string& fileName, const std::string& targetFolder = "", int64_t mostBytes = BoundByName);

// A private folder of the user's for unpacked files, removed with all it
// holds when the object goes.
class TUnpackFolder {
public:
    TUnpackFolder();  // EGZipError when it cannot be made
    ~TUnpackFolder();
    TUnpackFolder(const TUnpackFolder&) = delete;
    TUnpackFolder& operator=(const TUnpackFolder&) = delete;
    // With a trailing "/".
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace kestrune
