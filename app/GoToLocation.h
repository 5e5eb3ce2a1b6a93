// The go-to-location window's table of named places: six rows of name,
// latitude and longitude kept in the setting "GoToLocations", the reading
// of a coordinate typed with a decimal point or comma, and the choice of a
// row to go to.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace kestrune {

constexpr int PlaceRows = 6;

struct TPlace {
    std::string Name;
    std::string Latitude;
    std::string Longitude;
};
using TPlaces = std::array<TPlace, PlaceRows>;

// The stored value of a first run: one place, Kelbourne.
extern const char* const DefaultPlacesText;

// The stored text into rows; missing rows and cells stay empty.
TPlaces ParsePlaces(const std::string& text);
// The rows as stored text; ParsePlaces gives them back.
std::string PlacesText(const TPlaces& places);

// A coordinate typed with a decimal point or a decimal comma; nullopt when it is no number.
std::optional<double> StrToCoordinate(const std::string& text);

struct TGoToResult {
    enum TKind { Go, OutOfRange, NotFound } Kind = NotFound;
    double Latitude = 0;
    double Longitude = 0;
    // The message for NotFound.
    std::string Message;
};
// Going to a row: latitude -90..90, longitude -180 up to (not including) 360.
TGoToResult GoToPlace(const TPlace& place);

}  // namespace kestrune
