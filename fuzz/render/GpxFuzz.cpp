// GPX tracks over any bytes.
#include "fuzz/FuzzTarget.h"
#include "fuzz/render/OverlayFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kestrune::TCartogList list;
    list.LoadGPX(kestrune::fuzz::Text(data, size));
    kestrune::fuzz::DrawAll(list);
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"<gpx>\n<trk>\n<trkseg>\n<trkpt lat=\"41.5\" lon=\"350.25\"><ele>3</ele></trkpt>\n"
            "<trkpt lon=\"355\" lat=\"42\"/>\n</trkseg>\n<trkseg>\n<trkpt lat=\"1\" lon=\"2\"/>\n</trkseg>\n</trk>\n</gpx>\n",
            "<gpx><trk><trkseg><trkpt lat=\"41.5\" lon=\"350.25\"/><trkpt\n lat=\"42\"\tlon=\"355\"></trkpt></trkseg>"
            "<trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk></gpx>"};
}
