// "processed.lst" over any bytes: a located pass adds its line, and no line
// the list held is lost (lines that differ only in case count as one).
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "fuzz/decoding/UnattendedLoader.h"
#include "platform/FileIO.h"
#include "platform/SysUtils.h"
#include "tests/support/PassFileWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace kestrune;

// A pass of NOAA-18 whose orbit the program folder's Kepler archive gives.
struct TLocatedPass {
    fuzz::TFuzzFolder folder{"processed"};
    std::string passFile;
    TLocatedPass() {
        const test::TElementLines set = test::MakeElementLines(28654, 2023, 122.5, 98.9, 150.0, 0.0, 14.125, 30000);
        const std::string archive = set.Line1 + "\n" + set.Line2 + "\n";
        folder.WriteInput("program/Keps/NOAA-18.txt", reinterpret_cast<const uint8_t*>(archive.data()), archive.size());
        const test::TBytes pass = test::Build16BitHrptFile(test::THrptPassSpec{}, 14, false);
        passFile = folder.WriteInput("data/2023-05-03-1250_NOAA18.raw16", pass.data(), pass.size());
    }
};

// The lines of a list as the program reads them: a byte-order mark before the first is nothing.
std::vector<std::string> LinesAsRead(const test::TBytes& bytes) {
    std::string text(bytes.begin(), bytes.end());
    DropByteOrderMark(text);
    return SplitLines(text);
}

bool Holds(const std::vector<std::string>& lines, const std::string& line) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& held) { return SameText(held, line); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TLocatedPass located;
    const std::string list = located.folder.WriteInput("program/processed.lst", data, size);
    fuzz::TUnattendedLoader underTest;
    underTest.loader.LoadDataFile(located.passFile);
    const std::vector<std::string> after = LinesAsRead(test::ReadFileBytes(list));
    std::vector<std::string> expected = LinesAsRead(test::TBytes(data, data + size));
    expected.push_back(underTest.state.PassDescription);
    for (const std::string& line : expected) {
        if (line.empty() || Holds(after, line)) continue;
        std::fprintf(stderr, "processed.lst lost the line \"%s\"\n", line.c_str());
        std::abort();
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    const std::string line = "2023-05-03-1200_NOAA18; NOAA-18; 2023-05-03; 12:00-12:14; 60; -10; 45; 20; "
                             "70; 5; 55; 35; S";
    return {"", line + "\r\n", line + "\r\n" + "pass; NOAA-19; 12345; N; (orbit information not available)\n\r\n",
            "\r\r\n\n" + line};
}
