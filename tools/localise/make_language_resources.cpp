// Build step: writes the program's resource image (as C++ source that embeds
// it in the executable) and the native language file "kestrune.ntv.lng",
// both from the program's resource strings and window texts, and the
// program's translations from their tables.
//   make_language_resources <image source .cpp> <native language file> [<table> <language file>]...
#include "localise/QLocales.h"
#include "platform/FileIO.h"
#include "platform/ResCodePages.h"
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
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: make_language_resources <image source .cpp> <native language file> [<table> <language file>]...\n");
        return 2;
    }
    try {
        std::vector<std::vector<TTranslationRow>> tables;
        std::vector<TTranslationRow> windowTexts;
        for (int i = 3; i < argc; i += 2) {
            std::string text;
            if (!ReadFileText(argv[i], text)) throw Exception(std::string("cannot read ") + argv[i]);
            tables.push_back(ReadTranslationTable(text));
            windowTexts.insert(windowTexts.end(), tables.back().begin(), tables.back().end());
        }
        TLocStorage storage = ProgramNativeDictionary(windowTexts);
        const TLangFile header = ProgramNativeHeader(storage);
        WriteFileAtomically(argv[1], ImageSource(WriteProgramResources(storage, {}, header)));
        WriteFileAtomically(argv[2], WriteLangFile(header, storage, 0));
        for (size_t i = 0; i < tables.size(); ++i) {
            const TTranslationRow& language = tables[i].at(0);  // "!language", abbreviation, "", English name, native name
            WriteFileAtomically(argv[4 + 2 * i], WriteTranslation(storage, {tables[i].begin() + 1, tables[i].end()}, AbbrevNameToLocale(language.Name),
                                                                  language.Native, Utf8ToUtf16(language.Translation)));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_language_resources: %s\n", error.what());
        return 1;
    }
    return 0;
}
