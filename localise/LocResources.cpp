#include "localise/LocResources.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kestrune {

namespace {

constexpr std::array<TResourceString, 25> Strings = {{
    {65200, "LocLangFile", "SErrorSavingDLL", "Error saving language DLL"},
    {65201, "LocLangFile", "SInvalidIndex", "Invalid index"},
    {65202, "qcompress", "SSourceNotDefined", "Source stream is not defined"},
    {65203, "qcompress", "SDestNotDefined", "Destination stream is not defined"},
    {65204, "qcompress", "SWrongStreamFormat", "Wrong stream format"},
    {65216, "LocOnFly", "SInvalidQLangs", "Invalid QLANGS resource"},
    {65217, "LocFormProc", "SNoRCDataBlock", "Can't find RCDATA block"},
    {65219, "PEReader", "SMapViewFailed", "MapViewOfFile failed"},
    {65220, "PEReader", "SUnrecognizedFormat", "Unrecognized file format"},
    {65221, "PEReader", "SNotPEFile", "Not a PE (WIN32 Executable) file"},
    {65222, "PEReader", "SNoResources", "No resources in this file."},
    {65223, "PEReader", "SNotAList", "ResourceItem is not a list"},
    {65224, "LocStorage", "SCannotAddLanguage", "Could not add language"},
    {65225, "LocStorage", "SCannotRemoveLanguage", "Could not remove language"},
    {65226, "LocStorage", "SEmptyDictionary", "Empty dictionary"},
    {65227, "LocOnFly", "SFileDoesNotExist", "File does not exist"},
    {65228, "LocLangFile", "SInvalidFileFormat", "Invalid file format"},
    {65229, "LocLangFile", "SNewerVersion", "The language file can not be read. You need to download the latest Language Manager"},
    {65230, "LocLangFile", "SInvalidNativeDLL", "Can't create DLL. The native DLL is invalid"},
    {65231, "LocLangFile", "SInvalidLocStorage", "Invalid LocStorage"},
    {65243, "LocOnFly", "SLangFileNotFound", "Language file \"%s\" is not found"},
    {65244, "LocOnFly", "SPathNotFound", "Specified path \"%s\" does not exist"},
    {65245, "LocOnFly", "SNotInitialized", "Localizer is not initialized"},
    {65246, "LocOnFly", "SLanguageNotFound", "Language \"%s\" is not found"},
    {65247, "LocOnFly", "SCannotDeleteFile", "Can not delete file \"%s\""},
}};

std::string_view& Image() {
    static std::string_view image;
    return image;
}

// The program's texts and the library's own, in id order.
const std::vector<TResourceString>& AllStrings() {
    static const std::vector<TResourceString> all = [] {
        std::vector<TResourceString> strings(ProgramTexts().begin(), ProgramTexts().end());
        strings.insert(strings.end(), Strings.begin(), Strings.end());
        std::sort(strings.begin(), strings.end(), [](const TResourceString& a, const TResourceString& b) { return a.id < b.id; });
        return strings;
    }();
    return all;
}

}  // namespace

std::span<const TResourceString> ProgramResourceStrings() { return AllStrings(); }

std::string ResourceText(uint16_t id) {
    const auto& all = AllStrings();
    const auto it = std::lower_bound(all.begin(), all.end(), id, [](const TResourceString& s, uint16_t v) { return s.id < v; });
    return it != all.end() && it->id == id ? it->text : "";
}

std::string_view ProgramResourceImage() { return Image(); }

void SetProgramResourceImage(std::string_view image) { Image() = image; }

}  // namespace kestrune
