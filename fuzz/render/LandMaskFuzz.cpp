// The land/sea mask over any index entries, detail records and lookups: the
// input's first bytes set index entries (cell, entry pairs), the next ones
// are the queried points, the rest the detail records after the index.
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "render/qelODPSdata.h"
#include "tools/mapdata/MapDataWriters.h"

#include <cstring>

namespace {

using namespace kestrune;

constexpr size_t EntryBytes = 4;  // 16-bit cell number (taken modulo the cells), 16-bit entry
constexpr size_t Entries = 16;
constexpr size_t Queries = 32;    // longitude and latitude, two floats each

const fuzz::TFuzzFolder& Folder() {
    static const fuzz::TFuzzFolder folder("landmask");
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t head = Entries * EntryBytes + Queries * 8;
    if (size < head) return 0;
    std::vector<uint8_t> file(static_cast<size_t>(LandMaskIndexRecords) * LandMaskRecordBytes, 0);
    for (size_t i = 0; i < Entries; ++i) {
        const uint8_t* entry = data + i * EntryBytes;
        const size_t cell = static_cast<size_t>(entry[0] << 8 | entry[1]) % LandMaskIndexEntries;
        file[2 * cell] = entry[2];
        file[2 * cell + 1] = entry[3];
    }
    file.insert(file.end(), data + head, data + size);
    TODPSdata mask(Folder().WriteInput("data/OdpsLandMask.dat", file.data(), file.size()));
    for (size_t q = 0; q < Queries; ++q) {
        float point[2];
        std::memcpy(point, data + Entries * EntryBytes + q * 8, sizeof point);
        mask.IsLand(point[0], point[1]);
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    // Cells of a small island off the Cape, and lookups in and around it.
    const mapdata::TBytes mask = mapdata::BuildLandMask({{{18.2f, -34}, {18.6f, -34}, {18.6f, -33.7f}, {18.2f, -33.7f}}});
    std::string seed;
    const size_t cell = (-34 + 90) * 360 + 18 + 180;
    for (size_t i = 0; i < Entries; ++i) {
        const size_t c = cell + i;
        seed += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF), static_cast<char>(mask[2 * c]),
                 static_cast<char>(mask[2 * c + 1])};
    }
    for (size_t q = 0; q < Queries; ++q) {
        const float point[2] = {18.0f + static_cast<float>(q) * 0.05f, -33.95f + static_cast<float>(q % 4) * 0.1f};
        seed.append(reinterpret_cast<const char*>(point), sizeof point);
    }
    seed.append(mask.begin() + LandMaskIndexRecords * LandMaskRecordBytes, mask.end());
    return {seed};
}
