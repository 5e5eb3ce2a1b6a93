// The go-to-location window's stored places over any text: six rows at
// most, and what is stored again reads back as the same rows.
#include "app/GoToLocation.h"
#include "fuzz/FuzzTarget.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrune;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TPlaces places = ParsePlaces(text);
    for (const TPlace& place : places) {
        GoToPlace(place);
        StrToCoordinate(place.Latitude);
    }
    const TPlaces again = ParsePlaces(PlacesText(places));
    for (size_t row = 0; row < places.size(); ++row)
        if (again[row].Latitude != places[row].Latitude || again[row].Longitude != places[row].Longitude)
            std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"\"Kelbourne,55.9,-3.2\"", "\"Kelbourne,55.9,3,2\"",
            "\"\"\"Dundee, roof\"\",56.46,-3.04\",\"Skye,57\xC2\xAC" "3,-6.2\",,,,,,,extra", std::string(200, ',')};
}
