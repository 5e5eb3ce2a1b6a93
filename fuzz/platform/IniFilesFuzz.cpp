// INI files over any bytes: reading never fails, and writing one value
// never changes what another key reads back.
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "platform/IniFiles.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace kestrune;

// Keys the seeds hold, and a few the bytes may make up.
const std::vector<std::pair<std::string, std::string>> Probes = {
    {"Chan-3", "Slope"}, {"Chan-4", "Intercept"}, {"Orbit", "Name"}, {"A", "a"}, {"A", "b"}, {"", ""}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::TFuzzFolder folder("ini");
    const std::string file = folder.WriteInput("data/file.ini", data, size);
    TIniFile before(file);
    std::vector<std::string> values;
    for (const auto& [section, key] : Probes) {
        values.push_back(before.ReadString(section, key, "<none>"));
        before.ReadInteger(section, key, -1);
        before.ReadFloat(section, key, -1.0);
    }
    before.WriteString("Chan-3", "Slope", "0.125");
    const TIniFile after(file);
    for (size_t k = 0; k < Probes.size(); ++k) {
        const auto& [section, key] = Probes[k];
        if (section == "Chan-3" && key == "Slope") continue;
        if (after.ReadString(section, key, "<none>") != values[k]) std::abort();
    }
    if (after.ReadString("Chan-3", "Slope", "") != "0.125") std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"[Chan-3]\r\nSlope=0.0568\r\nIntercept=-2.1\r\n[Chan-4]\r\nIntercept=3\r\n[Orbit]\r\nName=NOAA 18\r\n",
            "[A]\na=1\nb = two words \n\n[Chan-3]\n=odd\nSlope\n", "[A]\ra=x\\\r"};
}
