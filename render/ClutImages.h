// Colour tables that users keep as images: the false colour view's colour
// look-up image and the ash palette strip.
#pragma once

#include "render/ViewLookups.h"

#include <optional>
#include <string>

namespace kestrune {

// What a view that reads a colour table at every redraw has told of it: a
// file it left alone (a named pipe, a device, a file far too large) is told
// once, not at every redraw, until another file (or none, or the same one
// read) takes its place.
class TLeftAloneTold {
public:
    // Whether fileName, left alone now, is to be told.
    bool TellNow(const std::string& fileName);
    // A file was read, or none is in use: the next one left alone is told.
    void Forget() { told_.clear(); }

private:
    std::string told_;
};

// The colour look-up image; nothing when the file is missing, unreadable
// (also without the two bytes some writers append) or not exactly
// 361 x 1024 pixels of 24 bits. A file left alone is told, through told
// when one is given.
std::optional<TClutImage> LoadClut(const std::string& fileName, TLeftAloneTold* told = nullptr);

// Pixel (k + 50, 0) of a 101-pixel-wide image is the colour of a channel
// difference of k tenths of a kelvin; black entries when the file is
// missing, unreadable or of another width.
TAshPalette LoadAshPalette(const std::string& fileName, TLeftAloneTold* told = nullptr);

}  // namespace kestrune
