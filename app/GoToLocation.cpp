#include "app/GoToLocation.h"

#include "app/CommaText.h"
#include "platform/ProgramStrings.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace kestrune {

namespace {

// A comma inside a cell is kept as this character in the stored text.
constexpr std::string_view CommaStandIn = "\xC2\xAC";

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

const char* const DefaultPlacesText = "\"Kelbourne,55.9,-3.2\"";

TPlaces ParsePlaces(const std::string& text) {
    TPlaces places;
    const std::vector<std::string> rows = SplitCommaText(text);
    for (size_t row = 0; row < places.size() && row < rows.size(); ++row) {
        const std::vector<std::string> cells = SplitCommaText(rows[row]);
        std::string* targets[3] = {&places[row].Name, &places[row].Latitude, &places[row].Longitude};
        for (size_t cell = 0; cell < 3 && cell < cells.size(); ++cell)
            *targets[cell] = Replace(cells[cell], CommaStandIn, ",");
    }
    return places;
}

std::string PlacesText(const TPlaces& places) {
    std::vector<std::string> rows;
    for (const TPlace& place : places)
        rows.push_back(JoinCommaText({Replace(place.Name, ",", CommaStandIn), Replace(place.Latitude, ",", CommaStandIn),
                                      Replace(place.Longitude, ",", CommaStandIn)}));
    return JoinCommaText(rows);
}

std::optional<double> StrToCoordinate(const std::string& text) {
    std::string number = text;
    if (const size_t comma = number.find(','); comma != std::string::npos) number[comma] = '.';
    while (!number.empty() && number.back() == ' ') number.pop_back();
    size_t start = 0;
    while (start < number.size() && number[start] == ' ') ++start;
    number = number.substr(start);
    if (number.empty()) return std::nullopt;
    // from_chars reads a point whatever the user's locale.
    const char* first = number.c_str();
    if (*first == '+') ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, number.c_str() + number.size(), value);
    if (error != std::errc() || end != number.c_str() + number.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

TGoToResult GoToPlace(const TPlace& place) {
    TGoToResult result;
    const std::optional<double> latitude = StrToCoordinate(place.Latitude);
    const std::optional<double> longitude = StrToCoordinate(place.Longitude);
    if (!latitude || !longitude) {
        result.Message = FormatResStr(res::SPlaceWithoutCoordinates, {place.Name});
        return result;
    }
    result.Latitude = *latitude;
    result.Longitude = *longitude;
    const bool inRange = *latitude >= -90 && *latitude <= 90 && *longitude >= -180 && *longitude < 360;
    result.Kind = inRange ? TGoToResult::Go : TGoToResult::OutOfRange;
    return result;
}

}  // namespace kestrune
