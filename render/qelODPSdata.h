// The global land/sea mask "OdpsLandMask.dat" at 1/128 degree: an index of
// 1-degree cells (all sea, all land, or the number of a detail record of
// 128 x 128 bits) that lives in memory, and detail records read on demand.
// The SST view paints land pixels with it.
#pragma once

#include "platform/FileIO.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

// The file cannot be opened or is too short to hold the index.
class ELandMaskError : public Exception {
public:
    using Exception::Exception;
};

constexpr int LandMaskRecordBytes = 2048;
constexpr int LandMaskCellBits = 128;  // detail bits a cell has per degree
constexpr int LandMaskIndexEntries = 180 * 360;
// Index entries of a cell wholly at sea or wholly on land; any other entry
// is the number of the cell's detail record.
constexpr uint16_t LandMaskSea = 0;
constexpr uint16_t LandMaskLand = 1;
// The records the index fills (the last one in part).
constexpr int LandMaskIndexRecords = (LandMaskIndexEntries * 2 + LandMaskRecordBytes - 1) / LandMaskRecordBytes;

class TODPSdata {
public:
    // Opens the file and reads the index; raises ELandMaskError.
    explicit TODPSdata(const std::string& fileName);

    // Longitude first, degrees. Latitudes beyond the poles are taken at the
    // poles, any longitude is folded onto -180..180, and a point that is not
    // a number is sea. A detail record beyond the end of the file, or one
    // numbered inside the index, is sea.
    bool IsLand(float longitude, float latitude);

    // Detail records read from the file so far.
    int DetailReads() const { return detailReads_; }

private:
    // A detail record as stored: row 0 at the cell's southern edge, each row
    // 16 bytes of bits running west to east, most significant bit first.
    using TDetailBits = std::array<uint8_t, LandMaskRecordBytes>;
    struct TCachedRecord {
        uint32_t Record = 0;  // 0: empty (no detail record has number 0)
        bool Readable = false;
        TDetailBits Bits{};
    };

    const TCachedRecord& Detail(uint16_t record);

    TFileHandle file_;
    int64_t fileSize_ = 0;
    std::vector<uint16_t> index_;
    // Recently read detail records, by record number modulo the slots: a
    // scan along an image goes back and forth between a few coastal cells.
    std::vector<TCachedRecord> cache_;
    int detailReads_ = 0;
};

}  // namespace kestrune
