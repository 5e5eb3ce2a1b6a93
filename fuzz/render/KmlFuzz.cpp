// KML coordinates over any bytes (the XML parser, the tuples, the bad-pair report).
#include "fuzz/FuzzTarget.h"
#include "fuzz/render/OverlayFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kestrune::TCartogList list;
    list.LoadKML(kestrune::fuzz::Text(data, size), "fuzz.kml");
    kestrune::fuzz::DrawAll(list);
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"<?xml version=\"1.0\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document><Placemark><LineString>"
            "<coordinates>-3.5,55.9,0\n-3.4,56.0,0 -3.3,56.1 x,y</coordinates></LineString></Placemark>"
            "<Placemark><Point><coordinates>350,10</coordinates></Point></Placemark></Document></kml>"};
}
