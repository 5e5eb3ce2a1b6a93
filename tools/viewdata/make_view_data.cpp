// Makes the pictures the views read beside the program:
// "GroundPathMaster.jpg" (the world map, checked and copied as it is),
// "ash-palette.bmp" (from a diverging colour scale), "CLUT_Standard.bmp"
// (the computed false colour hues) and "CLUT_<name>.bmp" for each further
// colour scale, named by its file.
//   make_view_data <world map.jpg> <diverging.cpt> <output folder> [<scale.cpt> ...]
#include "platform/FileIO.h"
#include "render/JPEG_IO.h"
#include "tools/viewdata/ViewDataWriters.h"

#include <iostream>
#include <string>

namespace {

using namespace kestrune;
using namespace kestrune::viewdata;

std::string ReadWhole(const std::string& path) {
    std::string content;
    if (!ReadFileText(path, content)) throw Exception("Cannot read " + path);
    return content;
}

TColourScale ReadScale(const std::string& path) {
    try {
        return TColourScale::Read(ReadWhole(path));
    } catch (const EColourScaleError& error) {
        throw Exception(path + ": " + error.what());
    }
}

void CopyWorldMap(const std::string& path, const std::string& folder) {
    TExtBitmap map;
    map.SetPixelFormat(TPixelFormat::pf24bit);
    if (!LoadJPEGFile(&map, path, false, 0)) throw Exception("Cannot read the JPEG picture " + path);
    CheckWorldMap(map, path);
    WriteFileAtomically(folder + "GroundPathMaster.jpg", ReadWhole(path));
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::cerr << "usage: make_view_data <world map.jpg> <diverging.cpt> <output folder> [<scale.cpt> ...]\n";
        return 2;
    }
    try {
        const std::string folder = IncludeTrailingPathDelimiter(argv[3]);
        CopyWorldMap(argv[1], folder);
        TExtBitmap picture;
        BuildAshPalette(picture, ReadScale(argv[2]));
        picture.SaveToFile(folder + "ash-palette.bmp");
        BuildStandardClut(picture);
        picture.SaveToFile(folder + "CLUT_Standard.bmp");
        for (int i = 4; i < argc; ++i) {
            BuildScaleClut(picture, ReadScale(argv[i]));
            picture.SaveToFile(folder + "CLUT_" + ChangeFileExt(ExtractFileName(argv[i]), "") + ".bmp");
        }
    } catch (const std::exception& error) {
        std::cerr << "make_view_data: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
