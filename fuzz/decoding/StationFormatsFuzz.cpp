// The pass loader over files of the station formats: the first byte picks
// a name that detection and the name rules take for one of the Timestep,
// SSB, 8-bit, 16-bit station, SPOT or Meteor formats; the rest is the file.
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "fuzz/decoding/UnattendedLoader.h"
#include "tests/support/MeteorFileWriter.h"
#include "tests/support/StationFileWriter.h"

#include <array>

namespace {

using namespace kestrune;

constexpr std::array<const char*, 16> Names = {
    "ts_win.hrp",   "ts_dos8.hrp8",      "N1830010.hrp",       "noaa18_pass.raw", "fy1d_pass.fy8",
    "pass.sw16",    "20230503_fy1d.fy1d", "2019_dartcom.drt",  "NOAA-18_050323.rhd", "quorum.qrm",
    "23123_18.svw", "spot.img",          "spot.fi5",           "2023-05-03-1200_MN2.msu2", "meteor_n1.mn1",
    "meteor_pass.mn2"};

std::string Seed(size_t nameIndex, const test::TBytes& bytes) {
    std::string seed(1, static_cast<char>(nameIndex));
    seed.append(bytes.begin(), bytes.end());
    return seed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const fuzz::TFuzzFolder folder("stations");
    static fuzz::TUnattendedLoader underTest;
    underTest.loader.LoadDataFile(folder.WriteInput("data/" + std::string(Names[data[0] % Names.size()]), data + 1, size - 1));
    // A raw Meteor file leaves its conversion beside it.
    folder.ClearData();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    const test::THrptPassSpec passSpec;
    const test::TMeteorSpec meteor;
    constexpr int32_t Lines = 24;  // files under the header buffer's size are refused at once
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 122.5, 98.9, 150.0, 0.0, 14.125, 30000);
    return {
        Seed(0, test::BuildTimestepFile(passSpec, Lines, {}, test::TTimestepKind::Windows)),
        Seed(1, test::BuildTimestepFile(passSpec, Lines, {}, test::TTimestepKind::Dos8Bit)),
        Seed(2, test::BuildSsbFile(passSpec, Lines)),
        Seed(4, test::BuildEightBitFile(passSpec, 2 * Lines, 10)),
        Seed(6, test::BuildLayoutPass(passSpec, Lines, test::ChrptVideo, test::TWordPacking::LittleEndian16)),
        Seed(7, test::BuildDartcomFile(passSpec, Lines, false)),
        Seed(8, test::BuildGtiFile(passSpec, Lines)),
        Seed(9, test::BuildQuorumFile(passSpec, Lines, true, "FENGYUN 1D", set, 1683115200)),
        Seed(10, test::BuildSmartViewFile(passSpec, Lines)),
        Seed(11, test::BuildSpotFile(passSpec, Lines, false, 1683115200)),
        Seed(13, test::BuildMsu2File(passSpec, meteor, Lines)),
        Seed(14, test::BuildMhrpFile(passSpec, meteor, Lines)),
        Seed(15, test::BuildMn2File(passSpec, meteor, 60)),
    };
}
