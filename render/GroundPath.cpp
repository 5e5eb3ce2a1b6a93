#include "render/GroundPath.h"

#include "platform/SysUtils.h"
#include "render/BMPExtImage.h"
#include "render/ColourScales.h"
#include "render/JPEG_IO.h"

#include <cmath>

namespace kestrune {

bool LoadGroundPathMaster(TExtBitmap& master, const std::string& fileName) {
    master.SetPixelFormat(TPixelFormat::pf24bit);
    if (!FileExists(fileName)) return false;
    if (LoadJPEGFile(&master, fileName, false, 0)) return true;
    master.SetSize(0, 0);
    return false;
}

TBgrEntry GroundPathColour(const TExtBitmap& master, float latitude, float longitude) {
    if (master.Empty() || master.PixelFormat() != TPixelFormat::pf24bit) return GroundPathNoData;
    double lon = std::fmod(static_cast<double>(longitude) + 180.0, 360.0);
    if (lon < 0.0) lon += 360.0;  // now 0 .. 360, that is longitude + 180
    const int column = RoundToRange(master.Width() * lon / 360.0, 0, master.Width() - 1);
    const int row = RoundToRange(master.Height() * (90.0 - latitude) / 180.0, 0, master.Height() - 1);
    const uint8_t* pixel = master.ScanLine(row) + 3 * column;
    return {pixel[0], pixel[1], pixel[2]};
}

}  // namespace kestrune
