#include "render/qelODPSdata.h"

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>

namespace kestrune {

namespace {

constexpr size_t CacheSlots = 64;
constexpr int FirstColumn = -180;
constexpr int FirstRow = -90;
constexpr float NorthernmostLatitude = 89.999f;

}  // namespace

// Read record by record, never whole, so no size is too large; but what is no
// file (a named pipe, a device) is not read at all.
TODPSdata::TODPSdata(const std::string& fileName) : cache_(CacheSlots) {
    TExaminedFile examined = OpenExamined(fileName);
    if (!examined.Regular()) throw ELandMaskError("Cannot open the land mask " + fileName);
    fileSize_ = examined.Info.st_size;
    file_ = std::move(examined.Handle);
    std::vector<uint8_t> bytes(LandMaskIndexEntries * 2);
    if (ReadAt(file_.Get(), bytes.data(), static_cast<int64_t>(bytes.size()), 0) !=
        static_cast<int64_t>(bytes.size()))
        throw ELandMaskError("The land mask " + fileName + " is too short to hold its index");
    index_.resize(LandMaskIndexEntries);
    for (size_t i = 0; i < index_.size(); ++i)
        index_[i] = static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
}

bool TODPSdata::IsLand(float longitude, float latitude) {
    if (!std::isfinite(longitude) || !std::isfinite(latitude)) return false;
    // Degrees east of -180 and north of -90, folded and clamped onto the grid.
    double east = std::fmod(static_cast<double>(longitude) - FirstColumn, 360.0);
    if (east < 0) east += 360.0;
    if (east >= 360.0) east = 0;
    const double north = std::clamp(static_cast<double>(std::min(latitude, NorthernmostLatitude)) - FirstRow, 0.0,
                                    179.99999);
    const int column = static_cast<int>(east);
    const int row = static_cast<int>(north);
    const uint16_t entry = index_[static_cast<size_t>(row * 360 + column)];
    if (entry == LandMaskSea || entry == LandMaskLand) return entry == LandMaskLand;
    const TCachedRecord& detail = Detail(entry);
    if (!detail.Readable) return false;
    const int x = std::min(static_cast<int>((east - column) * LandMaskCellBits), LandMaskCellBits - 1);
    const int y = std::min(static_cast<int>((north - row) * LandMaskCellBits), LandMaskCellBits - 1);
    const uint8_t byte = detail.Bits[static_cast<size_t>(y * LandMaskCellBits / 8 + x / 8)];
    return (byte >> (7 - x % 8) & 1) != 0;
}

const TODPSdata::TCachedRecord& TODPSdata::Detail(uint16_t record) {
    TCachedRecord& slot = cache_[record % CacheSlots];
    if (slot.Record == record) return slot;
    slot.Record = record;
    const int64_t offset = int64_t{record} * LandMaskRecordBytes;
    // A record inside the index is no detail record.
    slot.Readable = record >= LandMaskIndexRecords && offset + LandMaskRecordBytes <= fileSize_ &&
                    ReadAt(file_.Get(), slot.Bits.data(), LandMaskRecordBytes, offset) == LandMaskRecordBytes;
    ++detailReads_;
    return slot;
}

}  // namespace kestrune
