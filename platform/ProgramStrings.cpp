#include "platform/ProgramStrings.h"

#include <algorithm>
#include <array>

namespace kestrune {

namespace {

constexpr std::array<TResourceString, 175> Texts = {{
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
    {4100, "TalvessaForm", "SOpen", "Open"},
    {4101, "TalvessaForm", "SStop", "Stop"},
    {4102, "MostRecentFilesMenu", "SFileNoLongerExists", "The file\r\"%s\"\rno longer exists."},
    {4103, "EventGuard", "SUnexpectedError", "Unexpected error"},
    {4104, "VideoAdjustForm", "SCannotOpenFile", "Cannot open file \"%s\"."},
    {4105, "PrintForm", "SPrinting", "Printing"},
    {4120, "PassLoader", "SReadingData", "Reading data..."},
    {4121, "PassLoader", "SCouldNotUnzip", "Could not unzip file: %s"},
    {4122, "PassLoader", "SFileTooSmall", "Error - file is to small to determine the data type.  At least %s bytes are required."},
    {4123, "PassLoader", "SFewDataLines", "Warning - your input data file has less than 100 data lines.  Some parts of this program may not function correctly"},
    {4124, "L1FTenB", "STenBLineLength", "Warning: in 10B file header the bytes-per-line %s is not the expected value: %s.  Using the expected value."},
    {4125, "HRPTvideo", "SRegionTooSmall", "Selected region area is too small for histogram measurement"},
    {4126, "LoadContext", "SConfirmPassDirection", "Confirm %s %s pass %s direction"},
    {4127, "PassLoader", "SFormatNotRecognised", "The data format of \"%s\" was not recognised (extension \"%s\")"},
    {4128, "PassLoader", "SFormatNotReadable", "Files of the format \"%s\" (code %s) cannot be read by this version"},
    {4129, "PassLoader", "SReadingCancelled", "Reading was cancelled"},
    {4130, "PassLoader", "SNoRecordSize", "The header gives no record size"},
    {4131, "PassLoader", "STooFewLines", "The file holds %s data lines; at least %s are needed"},
    {4132, "PassLoader", "SNoChannel", "No channel was selected"},
    {4133, "PassLoader", "SNoSync", "Out of %s frames in the data, only %s had a valid first sync word (284 hex): the file holds no readable %s frames"},
    {4134, "QuorumFormat", "SQuorumNotRecognised", "The Quorum header of the file was not recognised"},
    {4140, "RenderView", "SMappingChannels", "Mapping channels..."},
    {4141, "RenderView", "SCrispening", "Crispening image..."},
    {4142, "RenderView", "SBuildingFireOverlay", "Building fire overlay..."},
    {4143, "RenderView", "SBuildingBlendScreen", "Building blend screen..."},
    {4144, "RenderView", "SBuildingLookup", "Building lookup..."},
    {4145, "RenderView", "SBuildingVegLookup", "Building veg. lookup..."},
    {4146, "RenderView", "SBuildingSstLookup", "Building SST lookup..."},
    {4147, "RenderView", "SBuildingAshLookup", "Building ash lookup..."},
    {4148, "RenderView", "SInvalidRgb", "Invalid RGB channel number selection, defaults have been substituted.\rRed = ch 1  Green = ch 2,  Blue = ch 4"},
    {4149, "RenderView", "SInvalidUserRgb", "Invalid User RGB channel number selection, defaults have been substituted.\rRed = ch 1  Green = ch 2,  Blue = ch 4"},
    {4150, "RenderView", "SGroundPathMissing", "Ground path master file not found\r%s"},
    {4151, "RenderView", "SBoundaryError", "Error with boundary overlay data?\r%s"},
    {4152, "DataProducts", "SWritingFile", "Writing file..."},
    {4153, "DataProducts", "SNoSstWithoutLocation", "Without valid earth location data (which requires Kepler data) accurate sea-surface temperature data cannot be saved."},
    {4154, "DataProducts", "SDataSavedTo", "%s data saved to file: %s"},
    {4155, "DataProducts", "STemperature", "Temperature"},
    {4156, "DataProducts", "SSst", "SST"},
    {4160, "SavedImages", "SCorrectGeometry", "Correct geometry"},
    {4161, "SavedImages", "SSavingTo", "Saving to %s"},
    {4162, "SavedImages", "SSavedAsOther", "As the image: %s was already present on your system, the image was actually saved as: %s"},
    {4163, "SavedImages", "SNoCorrectedImage", "No corrected image saved: the geometry correction is not available."},
    {4164, "SavedImages", "SNoAptImage", "No APT image saved: APT images are made from full-resolution views 2048 pixels wide."},
    {4165, "SavedImages", "SNoGacImage", "No GAC image saved: the pass is not a GAC pass."},
    {4166, "SavedImages", "SSavedElsewhere", "Could not save to %s folder: %s, saved to %s instead"},
    {4167, "SavedImages", "SResultsFolder", "results"},
    {4168, "SavedImages", "SSourceFolder", "source"},
    {4169, "SavedImages", "SNoWriteAccess", "Error saving image to disk, do you have write access?"},
    {4170, "FireDetection", "SDetectingFires", "Detecting fires..."},
    {4171, "qelCartography", "SBadPairs", "Bad pair: %s (%s bad pairs in %s)"},
    {4180, "AnalystWindows", "SHistogramTitle", "Multi-channel histogram - %s"},
    {4181, "HistogramForm", "SRedMarks", "Red marks indicate %s% and %s% limits"},
    {4182, "ResidualForm", "SRmsError", "RMS error: %s"},
    {4183, "SmallForms", "SAbout", "About %s"},
    {4184, "OverlayOptionsForm", "SSelectBoundarySource", "Select source of boundary data"},
    {4185, "OverlayOptionsForm", "SSelectUserOverlaySource", "Select source of user-overlay data"},
    {4186, "OverlayOptionsForm", "SAnnotationCodes", "%D => date,  %T => time,  %Y => year\r%S => satellite,  %NS => pass direction"},
    {4187, "AvhrrBrowserForm", "SBrowseMetop", "Talvessa - browse for Global Metop files"},
    {4188, "AvhrrBrowserForm", "SBrowseEars", "Talvessa - browse for EARS AVHRR files"},
    {4189, "AvhrrBrowserForm", "SFrom", "From:"},
    {4190, "VideoAdjustForm", "SGammaRed", "Red: %s"},
    {4191, "VideoAdjustForm", "SGammaGreen", "Green: %s"},
    {4192, "VideoAdjustForm", "SGammaBlue", "Blue: %s"},
    {4200, "ViewNames", "SViewAll", "All"},
    {4201, "ViewNames", "SViewCh1", "Ch 1"},
    {4202, "ViewNames", "SViewCh2", "Ch 2"},
    {4203, "ViewNames", "SViewCh3", "Ch 3"},
    {4204, "ViewNames", "SViewCh4", "Ch 4"},
    {4205, "ViewNames", "SViewCh5", "Ch 5"},
    {4206, "ViewNames", "SViewCh6", "Ch 6"},
    {4207, "ViewNames", "SViewCh7", "Ch 7"},
    {4208, "ViewNames", "SViewCh8", "Ch 8"},
    {4209, "ViewNames", "SViewCh9", "Ch 9"},
    {4210, "ViewNames", "SViewCh10", "Ch 10"},
    {4211, "ViewNames", "SViewFalseColour", "False colour"},
    {4212, "ViewNames", "SViewMvl", "MVL"},
    {4213, "ViewNames", "SViewRgb", "RGB"},
    {4214, "ViewNames", "SViewUser", "User"},
    {4215, "ViewNames", "SViewNoaa", "NOAA"},
    {4216, "ViewNames", "SViewPaletted", "Paletted"},
    {4217, "ViewNames", "SViewTemperature", "Temperature"},
    {4218, "ViewNames", "SViewSst", "SST"},
    {4219, "ViewNames", "SViewVegetation", "Vegetation"},
    {4220, "ViewNames", "SViewCh4MinusCh5", "Ch.4 - Ch.5"},
    {4221, "ViewNames", "SViewCh3Raw", "Ch.3 raw"},
    {4222, "ViewNames", "SViewCh3AvgFilt", "Ch.3 avg filt"},
    {4223, "ViewNames", "SViewCh3MedianFilt", "Ch.3 median filt"},
    {4224, "ViewNames", "SViewCh3RawMinusFilt", "Ch.3 raw-filt"},
    {4225, "ViewNames", "SViewFire", "Fire"},
    {4226, "ViewNames", "SViewGroundPath", "Ground Path"},
    {4227, "ViewNames", "SViewOverlay", "Overlay"},
    {4230, "ViewTable", "SMappingAll", "All channels"},
    {4241, "ViewTable", "SMappingFalseColour", "False colour"},
    {4242, "ViewTable", "SMappingMvl", "MVL"},
    {4243, "ViewTable", "SMappingRgb", "RGB"},
    {4244, "ViewTable", "SMappingUser", "User RGB"},
    {4245, "ViewTable", "SMappingNoaa", "NOAA"},
    {4246, "ViewTable", "SMappingPaletted", "Paletted"},
    {4247, "ViewTable", "SMappingTemperature", "Temperature"},
    {4248, "ViewTable", "SMappingSst", "Sea surface"},
    {4249, "ViewTable", "SMappingVegetation", "Vegetation"},
    {4250, "ViewTable", "SMappingCh4MinusCh5", "Ch.4 - Ch.5"},
    {4251, "ViewTable", "SMappingCh3Raw", "Ch.3"},
    {4252, "ViewTable", "SMappingCh3AvgFilt", "Ch.3 avg"},
    {4253, "ViewTable", "SMappingCh3MedianFilt", "Ch.3 median"},
    {4254, "ViewTable", "SMappingCh3RawMinusFilt", "Ch.3 delta"},
    {4255, "ViewTable", "SMappingFire", "Fire"},
    {4256, "ViewTable", "SMappingGroundPath", "Ground path"},
    {4257, "ViewTable", "SMappingOverlay", "Overlay"},
    {4260, "ViewTable", "SMappingChannel", "Channel %s"},
    {4261, "ViewTable", "SMappingChannelMir", "Channel MIR"},
    {4262, "ViewTable", "SMappingChannelB", "Channel B%s"},
    {4300, "AvhrrBrowserForm", "SBrowseSelectedFile", "Selected file"},
    {4310, "Level1bLoader", "SLevel1bHeaderCut", "The Level-1B file ends inside its header record."},
    {4311, "Level1bLoader", "SLevel1bVersion", "The Level-1B header record gives format version %s; versions 1 to %s are known: it is read as they are."},
    {4312, "Level1bLoader", "SLevel1bNoHeaderRecords", "The Level-1B header record gives a count of 0 header records."},
    {4313, "Level1bLoader", "SLevel1bNotSupported", "Sorry, but this format of Level-1B data is not supported.  This data has RecordSize =%s bytes.\r%s expects Level-1B data using all 5 HRPT channels at 10-bits per pixel, or 16-bit data on any number of channels."},
    {4314, "Level1bLoader", "SLevel1bDataType", "The Level-1B data set header gives the data type %s, not LAC (1), GAC (2) or HRPT (3)."},
    {4315, "Level1bLoader", "SLevel1bScans", "The Level-1B header gives %s scans, which does not fit a file of %s bytes with %s channels of 8-bit samples."},
    {4316, "Level1bLoader", "SEndsBeforeData", "The file ends before its first data record (%s bytes of header, records of %s bytes, a file of %s bytes)."},
    {4317, "L1FTenB", "SNoHeaderDate", "The file header gives the date %s, which is no date."},
    {4318, "L1FTenB", "STenBFractionLines", "Cannot deal with fraction lines < 2048 pixels in 10B format"},
    {4319, "LoadContext", "SCannotSeek", "Cannot seek to byte %s of a file of %s bytes"},
    {4320, "LoadContext", "SReadBeyondEnd", "Read beyond end of file"},
    {4321, "PassLoader", "SFileTooSmallShort", "File too small"},
    {4322, "PassLoader", "SFileTooBig", "The file is too big!  %s data records were expected, but the file size is large enough for %s records.  Only the expected portion of the data will now be read.  Please check that the file is not corrupt."},
    {4323, "FireDetection", "SFireRegionSize", "[%s x %s pixels]"},
    {4324, "PassLoader", "SReadFailed", "Read cancelled or error while reading..."},
    {4325, "PassLoader", "SPressShiftForBrowser", "Press Shift for AVHRR browser"},
    {4326, "PassLoader", "SReadingTook", "Reading %s took %s secs "},
    {4327, "PassLoader", "SLargeMemory", "(large memory)"},
    {4328, "PassLoader", "SSmallMemory", "(small memory)"},
    {4329, "RenderView", "SInvalidChannels", "Invalid channels for colour model specified"},
    {4330, "RenderView", "SMappingNotAvailable", "This mapping is not available"},
    {4331, "FileIO", "SUnableToWrite", "Unable to write to %s"},
    {4332, "JPEGwriter", "SJpegWriteError", "Error writing JPEG to file"},
    {4333, "StandardNameForm", "SExamplePass", "Example pass using that format:  %s"},
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
