#include "platform/ProgramStrings.h"

#include <algorithm>
#include <array>

namespace kestrune {

namespace {

constexpr std::array<TResourceString, 38> Texts = {{
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
    {4020, "MainCore", "SHelpFileMissing", "Warning: Help function will be inoperative because the help file is missing (%s)"},
    {4021, "MainCore", "SNoPassLoaded", "No pass could be loaded from \"%s\""},
    {4022, "MainCore", "SFlipping", "Flipping..."},
    {4040, "CommandLine", "SNotWritten", "%s: %s was not written"},
    {4041, "CommandLine", "SNoSuchSwitch", "%s: matches no switch or item and was ignored"},
    {4042, "CommandLine", "SChannelTemperatures", "the channel %s temperatures"},
    {4043, "CommandLine", "SSstData", "the SST data"},
    {4044, "CommandLine", "SFirePixelList", "the fire pixel list"},
    {4045, "CommandLine", "SRawChannelFile", "a raw channel file"},
    {4046, "CommandLine", "SAlbedoFile", "an albedo file"},
    {4047, "CommandLine", "SDiagnostics", "the diagnostics"},
    {4048, "CommandLine", "SViewNotOffered", "the view \"%s\" (not offered for this pass)"},
    {4049, "CommandLine", "STheImage", "the image"},
    {4060, "MainMenus", "SLowMemoryNextRun", "The new value for low memory threshold will be used next time you run the %s"},
    {4061, "MainMenus", "SLowMemoryChanged", "%s - low memory threshold changed"},
    {4062, "MainMenus", "SOpenAgainForDespeckle", "You will need to Open the file again to see the effect of this change.\rClick on Open to do this - you should find the file name already loaded."},
    {4063, "MainMenus", "SRestartNeeded", "Please restart the %s for this change to take effect"},
    {4064, "MainMenus", "SNoHrptData", "No HRPT data has yet been read."},
    {4065, "MainMenus", "STelemetry", "%s   Satellite: %s [%s]\r\rLook-at-space values: %s\r\rCalibration patch PRT values: %s\r\rCalibration patch channel values: %s"},
    {4066, "MainMenus", "SChooseResultsPath", "Choose path for results"},
    {4067, "MainMenus", "SResultsPathCancel", "Cancel => default (no location)"},
    {4080, "SidePanel", "SNudgeHint", "Nudge overlay  (X: %s   Y:%s)"},
    {4081, "SidePanel", "SOpenPalette", "Open palette"},
    {4082, "SidePanel", "SPaletteFiles", "Palette files (*.pal *.PAL)"},
    {4083, "SidePanel", "SAllFiles", "All files (*)"},
    {4084, "SidePanel", "SPaletteFrom", "Palette from: %s"},
    {4085, "SidePanel", "SUncheckStretch", "Please uncheck the Stretch box to use the Adjust dialog."},
}};

std::function<std::string(uint16_t)>& Lookup() {
    static std::function<std::string(uint16_t)> lookup;
    return lookup;
}

}  // namespace

std::span<const TResourceString> ProgramTexts() { return Texts; }

std::string ProgramText(uint16_t id) {
    const auto it = std::lower_bound(Texts.begin(), Texts.end(), id, [](const TResourceString& s, uint16_t v) { return s.id < v; });
    return it != Texts.end() && it->id == id ? it->text : "";
}

std::string resStr(uint16_t id) { return Lookup() ? Lookup()(id) : ProgramText(id); }

void SetResStrLookup(std::function<std::string(uint16_t id)> lookup) { Lookup() = std::move(lookup); }

std::string FormatRes(std::string_view text, std::initializer_list<std::string_view> arguments) {
    std::string result(text);
    size_t at = 0;
    for (const std::string_view argument : arguments) {
        at = result.find("%s", at);
        if (at == std::string::npos) break;
        result.replace(at, 2, argument);
        at += argument.size();
    }
    return result;
}

}  // namespace kestrune
