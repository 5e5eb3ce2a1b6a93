#include "localise/LocResources.h"

#include <algorithm>
#include <array>

namespace kestrune {

namespace {

constexpr std::array<TResourceString, 36> Strings = {{
    {4000, "SidePanel", "SGammaHintHeading", "Value - emphasis"},
    {4001, "SidePanel", "SGammaHintCloudStrong", "0.6 - Cloud strong"},
    {4002, "SidePanel", "SGammaHintCloud", "0.8 - Cloud"},
    {4003, "SidePanel", "SGammaHintNeutral", "1.0 - neutral"},
    {4004, "SidePanel", "SGammaHintLandWeak", "1.3 - Land weak"},
    {4005, "SidePanel", "SGammaHintLandMedium", "1.7 - Land medium"},
    {4006, "SidePanel", "SGammaHintLandStrong", "2.1 - Land strong"},
    {4007, "SidePanel", "SGammaHintLandStronger", "2.5 - Land stronger"},
    {4008, "SidePanel", "SSaveTempsSave", "Save"},
    {4009, "SidePanel", "SSaveTempsTemps", "temps"},
    {4010, "FireDetectionForm", "SFireExplain",
     "Enter the minimum mid-IR (channel 3B) temperature for a fire pixel, and the minimum difference between "
     "channel 3B and channel 4 temperature."},
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

}  // namespace

std::span<const TResourceString> ProgramResourceStrings() { return Strings; }

std::string ResourceText(uint16_t id) {
    const auto it = std::lower_bound(Strings.begin(), Strings.end(), id, [](const TResourceString& s, uint16_t v) { return s.id < v; });
    return it != Strings.end() && it->id == id ? it->text : "";
}

std::string_view ProgramResourceImage() { return Image(); }

void SetProgramResourceImage(std::string_view image) { Image() = image; }

}  // namespace kestrune
