// Lists of texts kept in one line as comma text: the writer that matches
// the overlay reader's SplitCommaText, so that items holding commas, blanks
// or double quotes come back unchanged.
#pragma once

#include "render/qelCartography.h"

#include <string>
#include <vector>

namespace kestrune {

// Joins so that SplitCommaText gives the same items back: an item holding a
// comma, blank or double quote (or an empty one) goes in double quotes with
// inner quotes doubled.
std::string JoinCommaText(const std::vector<std::string>& items);

}  // namespace kestrune
