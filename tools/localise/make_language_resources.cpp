// Build step: writes the program's resource image (as C++ source that embeds
// it in the executable) and the native language file "talvessa.ntv.lng",
// both from the program's resource strings.
//   make_language_resources <image source .cpp> <native language file>
#include "platform/FileIO.h"
#include "tools/localise/LangFileWriter.h"
#include "tools/localise/ProgramResources.h"

#include <cstdio>
#include <exception>

using namespace kestrune;

namespace {

std::string ImageSource(const TBytes& image) {
    std::string source =
        "// Written by make_language_resources: the program's own resources.\n"
        "#include \"localise/LocResources.h\"\n\n"
        "namespace {\n\nconst unsigned char Image[] = {";
    for (size_t i = 0; i < image.size(); ++i) {
        source += (i % 24 == 0 ? "\n    " : " ") + std::to_string(static_cast<uint8_t>(image[i])) + ",";
    }
    source += "\n};\n\nconst bool Registered = (kestrune::SetProgramResourceImage({reinterpret_cast<const char*>(Image), sizeof Image}), true);\n\n}  // namespace\n";
    return source;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_language_resources <image source .cpp> <native language file>\n");
        return 2;
    }
    try {
        const TLocStorage storage = ProgramNativeDictionary();
        const TLangFile header = ProgramNativeHeader(storage);
        WriteFileAtomically(argv[1], ImageSource(WriteProgramResources(storage, {}, header)));
        WriteFileAtomically(argv[2], WriteLangFile(header, storage, 0));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_language_resources: %s\n", error.what());
        return 1;
    }
    return 0;
}
