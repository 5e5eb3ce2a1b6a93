// Level 1b, AAPP, L1F and 10B files over any bytes: the header decoders
// describe the bytes as they stand, and the pass loader reads them under a
// name the first byte picks, so that every header branch of the family is
// reached, the ones found by the data set name in the file name included.
#include "decoding/Level1b.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "fuzz/decoding/UnattendedLoader.h"
#include "tests/support/Level1bWriter.h"

#include <array>

namespace {

using namespace kestrune;

constexpr std::array<const char*, 8> Names = {"pass.l1b",
                                              "NSS.GHRR.TN.D80003.S1147.E1332.B0630506.GC",
                                              "pass.gaca",
                                              "pass.lac",
                                              "hrpt_noaa18_20090101_1200_18522",
                                              "pass.l1f",
                                              "pass.10b",
                                              "2_HRPT_20190315_1234.10b"};

std::string Seed(uint8_t name, const test::TBytes& bytes) {
    std::string seed(1, static_cast<char>(name));
    seed.append(bytes.begin(), bytes.end());
    return seed;
}

test::TL1BPassSpec PassSpec(bool older, bool gac, uint8_t kind) {
    test::TL1BPassSpec passSpec;
    passSpec.Older = older;
    passSpec.Gac = gac;
    passSpec.SampleKind = kind;
    passSpec.Records = 4;
    return passSpec;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const fuzz::TFuzzFolder folder("level1b");
    static fuzz::TUnattendedLoader underTest;
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    std::vector<std::string> lines;
    DecodeARSHeader(bytes, lines, nullptr);
    DumpL1BHeaderRecord(bytes, lines);
    underTest.loader.LoadDataFile(
        folder.WriteInput("data/" + std::string(Names[data[0] % Names.size()]), data + 1, size - 1));
    folder.ClearData();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    test::TL1BPassSpec headerless = PassSpec(true, true, 2);
    headerless.ArchiveHeader = false;
    headerless.DataSetName = Names[1];
    test::TL1BPassSpec withoutArchive = PassSpec(false, true, 2);
    withoutArchive.ArchiveHeader = false;
    const test::THrptPassSpec frames;
    return {
        Seed(0, test::BuildL1BFile(PassSpec(false, false, 2))),
        Seed(0, test::BuildL1BFile(PassSpec(false, true, 3))),
        Seed(0, test::BuildL1BFile(withoutArchive)),
        Seed(0, test::BuildL1BFile(PassSpec(true, false, 1))),
        Seed(0, test::BuildL1BFile(PassSpec(true, true, 3))),
        Seed(1, test::BuildL1BFile(headerless)),
        Seed(2, test::BuildL1BFile(PassSpec(true, true, 1))),
        Seed(4, test::BuildAappFile(frames, 3, true)),
        Seed(5, test::BuildL1FFile(frames, 3, "NOAA 18", {}, 23)),
        Seed(6, test::Build10BFile(frames, 3, "NOAA 18", {}, true)),
        Seed(7, test::Build10BFile(frames, 3, "METEOM2", {}, false)),
    };
}
