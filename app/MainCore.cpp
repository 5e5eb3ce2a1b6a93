#include "app/MainCore.h"

#include "app/RunReport.h"
#include "app/hh_funcs.h"
#include "orbit/MapWithWarp.h"
#include "decoding/HRPTvideo.h"
#include "decoding/PassFileTypes.h"
#include "decoding/Sensor.h"
#include "localise/QLocales.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "orbit/TextLines.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/FileUtils.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/Registry.h"
#include "platform/StandardError.h"
#include "platform/SystemUtils.h"
#include "render/PixelLocation.h"
#include "render/ScanAngleCorrection.h"
#include "render/ViewLookups.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace kestrune {

namespace {

constexpr int RecentFileCount = 8;
constexpr const char* HelpFolder = "help/";
constexpr const char* DefaultHelpFile = "Kestrune.html";
constexpr const char* NudgeFile = "mru_list.ini";
constexpr const char* StationFile = "stations.dat";
// A station list names a handful of places, a few dozen bytes each: a
// megabyte is tens of thousands of them.
constexpr int64_t MostStationFileBytes = int64_t{1} << 20;
constexpr const char* ProductCaption = "Talvessa";
constexpr float DefaultHomeLatitude = 55.9f;
constexpr float DefaultHomeLongitude = -3.2f;
constexpr int DefaultGammaItem = 2;  // "Gamma 1.0"

// A file beside the program that was not read, or was set aside: told, and the run goes on.
void TellOfFileBeside(const std::string& note) {
    if (!note.empty()) TDialogService::Instance().ShowMessage(note, {}, TMsgDlgType::mtWarning);
}

// Ranges of stored settings.
constexpr int HighestJpegQuality = 2;  // 0 low, 1 medium, 2 high
constexpr int LastImagePlace = 6;      // of a caption or scale on a saved image, 0 none
constexpr int MinutesPerDay = 24 * 60;
// A station run asks for about as many products.
constexpr unsigned MostProductThreads = 8;

std::unique_ptr<TRegistryBoolean> Boolean(const char* name, bool defaultValue) {
    return std::make_unique<TRegistryBoolean>(name, defaultValue);
}
std::unique_ptr<TRegistryInteger> Integer(const char* name, int32_t defaultValue) {
    return std::make_unique<TRegistryInteger>(name, defaultValue);
}
// A stored value outside lowest..highest reads as the default.
std::unique_ptr<TRegistryInteger> Integer(const char* name, int32_t defaultValue, int32_t lowest, int32_t highest) {
    return std::make_unique<TRegistryInteger>(name, defaultValue, lowest, highest);
}
std::unique_ptr<TRegistryInteger> Colour(const char* name, TColor defaultValue) {
    return Integer(name, static_cast<int32_t>(defaultValue), 0, StoredColourLimit);
}
std::unique_ptr<TRegistryString> String(const char* name, std::string defaultValue) {
    return std::make_unique<TRegistryString>(name, std::move(defaultValue));
}

// A stored home latitude or longitude: a number of degrees no larger than limit.
std::function<bool(const std::string&)> DegreesUpTo(double limit) {
    return [limit](const std::string& text) {
        double value = 0;
        return TryStrToFloat(text, value) && std::abs(value) <= limit;
    };
}

// Frees settings objects left to right, each writing its value.
template <typename... TVariables>
void FreeInOrder(std::unique_ptr<TVariables>&... variables) {
    (variables.reset(), ...);
}

std::string TemporaryFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return IncludeTrailingPathDelimiter(error ? std::string("/tmp") : folder.string());
}

// A product written on a thread of its own: the settings as they were when
// it was asked for, and data savers of its own.
struct TDataJob {
    TDataJob(TPassState& pass, TRenderHost& host, const TSaveSettings& settings)
        : Settings(settings), Products(pass, host, Settings) {}
    TSaveSettings Settings;
    TDataProducts Products;
};

// An image written on a thread of its own: the picture the view handed over,
// with an image saver of its own that writes the location file beside it.
struct TImageJob : TDataJob {
    TImageJob(TPassState& pass, TRenderHost& host, const TSaveSettings& settings)
        : TDataJob(pass, host, settings), View(pass, host), Saver(View, Settings) {
        Saver.SaveLocationFile = [this](const std::string& baseName) { Products.SaveLocationFile(baseName); };
    }
    TRenderView View;
    TImageSaver Saver;
};

}  // namespace

std::string HelpLanguageSuffix(uint32_t languageId) {
    switch (languageId) {
        case 1036: case 2060: case 3084: case 4108: case 5132: return "-fr";
        case 1040: case 2064: return "-it";
        case 1049: return "-rus";
        default: return {};
    }
}

std::string ChooseHelpFile(uint32_t languageId, const std::string& programFolder, const std::string& programName) {
    const std::string suffix = HelpLanguageSuffix(languageId);
    const std::string localised = programFolder + HelpFolder + programName + suffix + ".html";
    if (!suffix.empty() && FileExists(localised)) return localised;
    return programFolder + HelpFolder + DefaultHelpFile;
}

std::string DefaultBoundaryFile(const std::string& programFolder) {
    // Whatever stands there is taken, so that what is no file one can read is told when it is loaded.
    const std::string tracker = ReadAppPath("Quenmar");
    if (!tracker.empty() && AnythingAt(ExtractFilePath(tracker) + "Countries.dat"))
        return ExtractFilePath(tracker) + "Countries.dat";
    if (AnythingAt(programFolder + "Countries.dat")) return programFolder + "Countries.dat";
    return {};
}

float HomeCoordinate(const std::string& text, float fallback) {
    double value = 0;
    return TryStrToFloat(text, value) ? static_cast<float>(value) : fallback;
}

TMainCore::TMainCore(TMainHost& host, TParams params)
    : Params(std::move(params)), View(Pass, host), host_(host) {
    // Every message box is logged; in an unattended run also on standard
    // error and among the pass's diagnostics, since nobody reads the boxes.
    // A load's messages wait until the load is reported, whose cause comes first.
    TDialogService::Instance().SetLogSink([this](const std::string& text) {
        DebugOut(text);
        if (TDialogService::Instance().GetMode() != TDialogService::Mode::Unattended) return;
        // A box's lines stay lines: a text file holds no bare carriage return.
        for (const std::string& line : SplitLines(text)) Pass.DiagnosticLines.push_back(line);
        if (holdingMessages_)
            heldMessages_.push_back(text);
        else
            TellOperator(text);
    });
    SetRegistryErrorLog(ReportQuietError);
    // A wait for a lock shows in the status line too, not only on standard error.
    SetLockWaitListener([this](const std::string& text) { host_.SetStatusText(text); });
    TellHeldStoreProblems();
    loader_ = std::make_unique<TPassLoader>(Pass, host_, static_cast<TLoaderServices&>(*this), LoaderSettings);
    imageSaver_ = std::make_unique<TImageSaver>(View, SaveSettings);
    products_ = std::make_unique<TDataProducts>(Pass, host_, SaveSettings);
    imageSaver_->SaveLocationFile = [this](const std::string& baseName) { products_->SaveLocationFile(baseName); };
    imageSaver_->CorrectPanorama = [this](const TExtBitmap& source, TExtBitmap& target, bool meteor, float altitude) {
        kestrune::CorrectPanorama(source, target, &host_, meteor, altitude);
    };
    imageSaver_->CorrectPanoramaGAC = [](const TExtBitmap& source, TExtBitmap& target) {
        kestrune::CorrectPanoramaGAC(source, target);
    };
    View.Services.PixelLocation = [this](int x, int y, float& latitude, float& longitude) {
        return kestrune::PixelLocation(Pass, x, y, latitude, longitude);
    };
    View.Services.BuildFireClassTable = [this](TFireClassTable& table) {
        BuildFireClassTable(*Pass.Sensor, FireSettings->Values, table);
    };
    View.Services.FireImage = [this](int image) { return FireImages.Image(image); };
    View.Services.DrawOverlay = [this](TOverlayCanvas& canvas) { return DrawOverlay(canvas); };
    View.Services.DrawFireRegion = [this](TOverlayCanvas& canvas) { return DrawFireRegion(canvas); };
    View.Services.BoundaryFileName = [this] { return Boundaries().FirstFileName(); };

    host_.LoadPersistingControls(View.Options);
    KeepUserRangesInOrder(View.Options);
    ProgramFolder = kestrune::ProgramFolder();
    WriteOwnAppPath();
    MRUFileList = std::make_unique<TMostRecentFiles>(RecentFileCount, ProgramRegistryKey());
    ReadStartSettings();
    ChooseHelp();
    ReadDisplaySettings();
    NudgeListFileName = WritableProgramFile(NudgeFile);
    // The memory the run writes is the one it reads: a user's old copy does not hide the shared one.
    const std::string nudgeNote =
        NudgeList.LoadFromFile(AnythingAt(NudgeListFileName) ? NudgeListFileName : ReadableProgramFile(NudgeFile));
    TellOfFileBeside(nudgeNote);
    Pass.Orbit->LoadSatelliteList(ReadTrackerRegistryString("TwoLineDataPath"));
    host_.SetStatusText("");
    DecodeFirstParameters();
    SetCaptions();
    Settings.TrackingScroll = Boolean("TrackingScroll", true);
    Settings.ZoomIn = Boolean("ZoomIn", true);
    Settings.CaptionOnAPT = Boolean("CaptionOnAPT", false);
    Settings.CaptionOnDisplayed = Boolean("CaptionOnDisplayed", false);
    Settings.CaptionOnCorrected = Boolean("CaptionOnCorrected", false);
    Settings.CaptionOnGAC = Boolean("CaptionOnGAC", false);
    Settings.CaptionText = String("CaptionText", "Brondel Software - %D %T");
    Settings.TimestampCopyright = String("TimestampCopyright", "");
    Settings.HideInitialOverlay = Boolean("HideInitialOverlay", false);
    Settings.FastInitialView = Boolean("FastInitialView", false);
    Settings.CacheDisplay = Boolean("CacheDisplay", false);
    Settings.TimestampRawImage = Boolean("TimestampRawImage", false);
    Settings.Despeckle = Boolean("Despeckle", false);
    Settings.AcceptRutgersL1B = Boolean("AcceptRutgersL1B", false);
    ReceiverRunning = IsReceiverRunning();
    ReadOverlaySettings();
    TellOfFileBeside(LeftAloneNote(ReadKeptLines(ReadableProgramFile(StationFile), MostStationFileBytes, StationList)));
    Settings.MetricUnits = Boolean("MetricUnits", true);
    Settings.SeaColourThreshold = Integer("SeaColourThreshold", 40, SeaColourThresholdRange.Lowest, SeaColourThresholdRange.Highest);
    ReadLegacyGamma();
    Settings.JpegSaveQuality = Integer("JpegSaveQuality", 1, 0, HighestJpegQuality);
    // "-MIN" neither restores nor stores the window's placement; an
    // unattended run restores it but never stores it (its window may be
    // invisible and of any size).
    if (!StartedMinimised()) {
        FormPlacement = std::make_unique<TRegistryFormInfo>(host_.Placement());
        FormPlacement->StoreOnFree = Params.size() <= 1;
    }
    for (int* gamma : {&View.Options.ComboBoxGammaCorrectCh1, &View.Options.ComboBoxGammaCorrectCh2,
                       &View.Options.ComboBoxGammaCorrectCh3, &View.Options.ComboBoxGammaCorrectCh4,
                       &View.Options.ComboBoxGammaCorrectCh5, &View.Options.ComboBoxGammaCorrectFC})
        if (*gamma < 0) *gamma = DefaultGammaItem;
    FireSettings = std::make_unique<TFireSettingsStore>();
}

void TMainCore::ReadStartSettings() {
    Settings.DisableAero = Boolean("DisableAero", false);
    Settings.DataFolder = String("DataFolder", ProgramFolder);
    Settings.ResultsFolder = String("ResultsFolder", "");
    Settings.RenameNoQuery = Boolean("RenameNoQuery", false);
    Settings.RenameFormat = String("RenameFormat", "yyyy-mm-dd-hhnn");
    Settings.RenameSource = Boolean("RenameSource", false);
    Settings.AddImgFileSuffix = Boolean("AddImgFileSuffix", true);
    Settings.LandSeaMaskPath = String("LandSeaMaskPath", ProgramFolder + "OdpsLandMask.dat");
}

void TMainCore::ChooseHelp() {
    const uint16_t languageId = UserDefaultLangId();
    FrenchLocale = HelpLanguageSuffix(languageId) == "-fr";
    HelpFileName = ChooseHelpFile(languageId, ProgramFolder, kestrune::ProgramName());
    if (!FileExists(HelpFileName))
        TDialogService::Instance().ShowMessage(
            FormatResStr(res::SHelpFileMissing, {std::string(HelpFolder) + DefaultHelpFile}),
            {}, TMsgDlgType::mtWarning);
    HelpSystem = std::make_unique<THookHelpSystem>(HelpFileName, "", 0);
}

void TMainCore::ReadDisplaySettings() {
    Settings.TempCalibLocn = Integer("TempCalibLocn", 0, 0, LastImagePlace);
    Settings.TextCaptionLocn = Integer("TextCaptionLocn", 1, 0, LastImagePlace);
    Settings.LargeMemThreshold = Integer("LargeMemThreshold", 192);
    LargeMemory = static_cast<uint64_t>(std::max(Settings.LargeMemThreshold->Value, 0)) <
                  (AvailablePhysicalMemory() >> 20);
    Settings.MaxZoomedMinutes = Integer("MaxZoomedMinutes", 21, 0, MinutesPerDay);
}

void TMainCore::DecodeFirstParameters() {
    if (!Params.empty()) {
        const std::string& first = Params[0];
        try {
            PendingFileName = ExpandLongPath(first);
        } catch (const std::exception&) {
            PendingFileName = first;
        }
        if (!FileExists(PendingFileName)) PendingFileName.clear();
        if (first.find('*') != std::string::npos) PendingFileName = FindNewestDatedFileNow(first);
    }
    ForcedDirection = 0;
    if (Params.size() >= 2) {
        const std::string second = UpperCase(Params[1]);
        if (StartsText("-DIRECTION:NORTH", second)) ForcedDirection = 1;
        if (StartsText("-DIRECTION:SOUTH", second)) ForcedDirection = 2;
    }
}

std::string TMainCore::MainCaption() { return FormatResStr(res::SMainCaption, {ProductCaption}); }

void TMainCore::SetCaptions() {
    VersionSuffix = " - V" + TZrVersionInfo().GetStringFileInfo("FileVersion");
    BaseCaption = ProductCaption;
    const std::string caption = MainCaption();
    host_.SetWindowCaption(caption);
    host_.SetApplicationTitle(caption + " " + VersionSuffix);
}

void TMainCore::ReadOverlaySettings() {
    Settings.OverlayGridlabels = Boolean("OverlayGridlabels", true);
    Settings.OverlayGridlines = Boolean("OverlayGridlines", false);
    Settings.OverlayGridlineColour = Colour("OverlayGridlineColour", 255);
    Settings.OverlayGridPoleMarkers = Boolean("OverlayGridPoleMarkers", false);
    Settings.OverlayBoundaries = Boolean("OverlayBoundaries", false);
    Settings.OverlayBoundaryColour = Colour("OverlayBoundaryColour", 65535);
    Settings.OverlayHome = Boolean("OverlayHome", false);
    Settings.OverlayHomeColour = Colour("OverlayHomeColour", 65535);
    Settings.OverlayStations = Boolean("OverlayStations", false);
    Settings.OverlayUser = Boolean("OverlayUser", false);
    Settings.OverlayUserColour = Colour("OverlayUserColour", 16711680);
    Settings.OverlayHomeLat = std::make_unique<TRegistryString>("OverlayHomeLat", "55.9", DegreesUpTo(90));
    Settings.OverlayHomeLon = std::make_unique<TRegistryString>("OverlayHomeLon", "-3.2", DegreesUpTo(180));
    HomeLatitude = HomeCoordinate(Settings.OverlayHomeLat->Value, DefaultHomeLatitude);
    HomeLongitude = HomeCoordinate(Settings.OverlayHomeLon->Value, DefaultHomeLongitude);
}

// An old version kept the false-colour gamma as "DisplayGamma"; it is taken
// over once and removed.
void TMainCore::ReadLegacyGamma() {
    if (!RegistryValueExists("DisplayGamma")) return;
    TRegistryInteger gamma("DisplayGamma", 0);
    const int64_t item = int64_t{gamma.Value} + 2;
    if (item >= 0 && item < static_cast<int64_t>(GammaItems.size()))
        View.Options.ComboBoxGammaCorrectFC = static_cast<int>(item);
    gamma.DeleteOnFree = true;
}

void TMainCore::LoadBoundaries() {
    boundaries_.DefaultFileName = DefaultBoundaryFile(ProgramFolder);
    boundaries_.Mapping = Pass.WarpedMapping.get();
    Settings.BoundaryPath = String("BoundaryPath", boundaries_.DefaultFileName);
    const auto load = [this, files = Settings.BoundaryPath->Value] {
        TMessageHold hold;
        boundaries_.LoadFileList(files);
        return hold.Take();
    };
    try {
        boundariesLoading_ = std::async(std::launch::async, load);
    } catch (const std::system_error&) {
        TDialogService::Instance().Tell(load());  // without a thread, read here
    }
}

void TMainCore::WaitForBoundaries() const {
    if (boundariesLoading_.valid()) TDialogService::Instance().Tell(boundariesLoading_.get());
}

TCartogList& TMainCore::Boundaries() {
    WaitForBoundaries();
    return boundaries_;
}

const TCartogList& TMainCore::Boundaries() const {
    WaitForBoundaries();
    return boundaries_;
}

bool TMainCore::StartedMinimised() const { return !Params.empty() && UpperCase(Params.back()) == "-MIN"; }

void TMainCore::PlaceWindow() {
    if (placed_) return;
    placed_ = true;
    if (FormPlacement) {
        FormPlacement->Restore();
        host_.KeepWhollyOnScreen();
    } else
        host_.PlaceBelowScreen();
}

bool TMainCore::FormShow() {
    if (shown_) return false;
    shown_ = true;
    PlaceWindow();
    if (Settings.CacheDisplay->Value)
        CacheFileName = TemporaryFolder() + "~kestrune~" +
                        Format("%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(this) & 0xFFFFFFFFu)) + ".bmp";
    // Without a display nobody is there either: nothing may wait for an answer.
    Unattended = Params.size() > 1 || Headless;
    LoadBoundaries();
    UserOverlay.Mapping = Pass.WarpedMapping.get();
    Settings.UserOverlayPath = String("UserOverlayPath", ProgramFolder + "watershed.dat");
    UserOverlay.TellEmptyFiles = Settings.OverlayUser->Value;
    UserOverlay.LoadFileList(Settings.UserOverlayPath->Value);
    // The fire dialog's background filter starts at "Average".
    if (FireSettings->Values.FireAvgMethod < 0) FireSettings->Values.FireAvgMethod = 0;
    host_.EnableControls(true);
    host_.EnableResultMenus(false);
    // A station's run leaves the user's desktop as it found it.
    if (!Unattended) AddContextMenuCommand("HRPT process", ClaimedPassExtensions());
    return true;
}

TMainCore::~TMainCore() {
    HelpSystem.reset();
    FireImages.Clear();
    NudgeList.SaveToFile(NudgeListFileName);
    FreeSettings();
    if (!CacheFileName.empty()) {
        std::error_code error;
        std::filesystem::remove(CacheFileName, error);
    }
    MRUFileList.reset();
    FireSettings.reset();
    TDialogService::Instance().SetLogSink(nullptr);
    SetLockWaitListener(nullptr);
}

void TMainCore::FreeSettings() {
    TMainSettings& s = Settings;
    FreeInOrder(s.TempCalibLocn, s.TextCaptionLocn, s.MetricUnits, s.SeaColourThreshold, s.JpegSaveQuality,
                s.Despeckle);
    FormPlacement.reset();
    FreeInOrder(s.OverlayHome, s.OverlayHomeColour, s.OverlayStations, s.OverlayUser, s.OverlayUserColour);
    s.OverlayHomeLat->Value = CoordinateText(HomeLatitude);
    s.OverlayHomeLat.reset();
    s.OverlayHomeLon->Value = CoordinateText(HomeLongitude);
    s.OverlayHomeLon.reset();
    StationList.clear();
    FreeInOrder(s.OverlayGridlabels, s.OverlayGridlines, s.OverlayGridlineColour, s.OverlayGridPoleMarkers,
                s.OverlayBoundaries, s.OverlayBoundaryColour, s.TrackingScroll, s.ZoomIn, s.AcceptRutgersL1B,
                s.MaxZoomedMinutes, s.CaptionOnAPT, s.CaptionOnDisplayed, s.CaptionOnCorrected, s.CaptionOnGAC,
                s.CaptionText, s.TimestampCopyright, s.FastInitialView, s.CacheDisplay, s.DisableAero,
                s.TimestampRawImage, s.HideInitialOverlay, s.LargeMemThreshold, s.DataFolder, s.ResultsFolder,
                s.BoundaryPath, s.LandSeaMaskPath, s.UserOverlayPath, s.RenameFormat, s.RenameSource,
                s.RenameNoQuery, s.AddImgFileSuffix);
}

bool TMainCore::DropFileTargetDrop(const std::vector<std::string>& files) {
    PendingFileName.clear();
    if (files.size() == 1 && IsPassFileName(files.front())) PendingFileName = files.front();
    return !PendingFileName.empty() && FileExists(PendingFileName);
}

void TMainCore::TimerNewFileTimer() {
    std::string outputName;
    bool loaded = false;
    if (!PendingFileName.empty()) {
        LoadDataFile(PendingFileName);
        loaded = PassLoaded();
        outputName = Pass.LoadedFileName;
    }
    if (!Unattended) {
        TellUnopenedPass();
        return;
    }
    if (!loaded && !Params.empty()) exitCode_ = 1;
    if (!Params.empty()) ReportUnattendedLoad(loaded, Params[0]);
    TCommandLineRun run(Params, *this, ProgramFolder, loaded);
    const bool close = run.Run(outputName);
    if (loaded) exitCode_ = Pass.ProcessedLineLost ? 3 : run.ExitCode();
    if (close || Headless) host_.CloseWindow();
}

void TMainCore::LoadDataFile(const std::string& fileName) {
    SyncLoaderSettings();
    const std::string loadedBefore = LoadedFilePath;
    holdingMessages_ = Unattended;
    loader_->LoadDataFile(fileName);
    holdingMessages_ = false;
    Settings.DataFolder->Value = LoaderSettings.DataFolder;
    // The file as the loader left it (renamed to its standard name, maybe).
    OpenDialogFileName = LoadedFilePath != loadedBefore ? LoadedFilePath : fileName;
    // Unattended, the loader keeps what it would have shown among the
    // diagnostics, and the debug log is where a station looks first.
    if (Unattended)
        for (const std::string& line : Pass.DiagnosticLines) DebugOut(line);
    host_.LoadEnded();
}

bool TMainCore::PassLoaded() const { return Pass.Video->LineCount() > 0; }

void TMainCore::TellOperator(const std::string& text) {
    TellOnStandardError(OneLine(text));
}

void TMainCore::TellUnopenedPass() {
    // A lone switch names no pass; a drop later finds the name set.
    if (Params.empty() || !PendingFileName.empty() || StartedMinimised() || DebugSwitchGiven(Params)) return;
    const std::string cause = UnloadedFileCause(Params[0]);
    if (!cause.empty()) TDialogService::Instance().ShowMessage(cause, {}, TMsgDlgType::mtError);
}

void TMainCore::ReportUnattendedLoad(bool loaded, const std::string& fileName) {
    std::vector<std::string> held = std::move(heldMessages_);
    heldMessages_.clear();
    // What the element archives said explains the sets that are missing.
    // The archives' own cause of the last failed search comes first; told
    // quietly or not, it stands on the same line as the finding. A failed
    // load tells only why it failed.
    std::string keplerNote = loaded ? Pass.Orbit->Keplers->LastFailure : std::string();
    std::erase_if(held, [&keplerNote](const std::string& text) {
        const bool kepler = text.find("Kepler") != std::string::npos || text == keplerNote;
        if (kepler && keplerNote.empty()) keplerNote = text;
        return kepler;
    });
    std::vector<std::string> lines = loaded ? LoadWarnings(Pass, keplerNote) : LoadFailureReport(Pass, fileName);
    for (const std::string& line : lines) {
        TellOperator(line);
        DebugOut(line);
    }
    if (!loaded && !keplerNote.empty()) held.insert(held.begin(), keplerNote);
    for (const std::string& text : held)
        if (std::find(lines.begin(), lines.end(), text) == lines.end()) {
            TellOperator(text);
            lines.push_back(text);
        }
}

void TMainCore::SelectView(const std::string& name) {
    SyncViewSettings();
    View.SelectView(name);
    overlaysShown_ = OverlaySwitches();
    host_.ViewTabsChanged();
    host_.DisplayChanged();
}

void TMainCore::SetOverlayShown(bool shown) {
    View.OverlayShown = shown;
    host_.SetOverlayShown(shown);
}

std::string TMainCore::BoundaryOverlayFileName() {
    const TCartogList& boundaries = Boundaries();
    return boundaries.Empty() ? std::string() : boundaries.FirstFileName();
}

TOverlaySettings TMainCore::OverlaySettings() const {
    const TMainSettings& s = Settings;
    TOverlaySettings overlay;
    overlay.OverlayGridlines = s.OverlayGridlines->Value;
    overlay.OverlayGridlabels = s.OverlayGridlabels->Value;
    overlay.OverlayGridlineColour = static_cast<TColor>(s.OverlayGridlineColour->Value);
    overlay.OverlayGridPoleMarkers = s.OverlayGridPoleMarkers->Value;
    overlay.OverlayBoundaries = s.OverlayBoundaries->Value;
    overlay.OverlayBoundaryColour = static_cast<TColor>(s.OverlayBoundaryColour->Value);
    overlay.OverlayUser = s.OverlayUser->Value;
    overlay.OverlayUserColour = static_cast<TColor>(s.OverlayUserColour->Value);
    overlay.OverlayHome = s.OverlayHome->Value;
    overlay.OverlayHomeColour = static_cast<TColor>(s.OverlayHomeColour->Value);
    overlay.OverlayStations = s.OverlayStations->Value;
    overlay.HomeLatitude = HomeLatitude;
    overlay.HomeLongitude = HomeLongitude;
    return overlay;
}

std::optional<TOverlayPainter> TMainCore::OverlayPainter(TOverlayCanvas& canvas) {
    if (View.DisplayBitmap().Empty() || !Pass.EarthLocations->MapFitted) return std::nullopt;
    return std::make_optional<TOverlayPainter>(canvas, *Pass.WarpedMapping, View.Services.PixelLocation, Pass.NudgeX,
                                               Pass.NudgeY);
}

bool TMainCore::DrawOverlay(TOverlayCanvas& canvas) {
    auto painter = OverlayPainter(canvas);
    return painter && painter->DrawOverlay(OverlaySettings(), {Boundaries(), UserOverlay, StationList});
}

bool TMainCore::DrawFireRegion(TOverlayCanvas& canvas) {
    auto painter = OverlayPainter(canvas);
    return painter && painter->DrawFireRegion(FireSettings->Values);
}

void TMainCore::SetViewTabs(const std::vector<std::string>& names) {
    View.SetViewTabs(names);
    host_.ViewTabsChanged();
}

void TMainCore::BuildFireFilterImages() {
    BuildFireFilterImagesAfterLoad(Pass, FireSettings->Values, FireImages,
                                   [this](const std::string& text) { host_.SetStatusText(text); });
}

void TMainCore::AddRecentFile(const std::string& fileName) {
    LoadedFilePath = fileName;
    MRUFileList->AddFile(fileName);
}

// The run selects a view for each item; one already shown as asked is not drawn again.
void TMainCore::SelectViewTab(size_t index) {
    if (index >= View.ViewTabs().size()) return;
    SyncViewSettings();
    const std::string& name = View.ViewTabs()[index];
    if (!View.ShowsCurrent(name) || overlaysShown_ != OverlaySwitches()) SelectView(name);
}

void TMainCore::Redisplay() {
    SyncViewSettings();
    View.Redisplay();
    overlaysShown_ = OverlaySwitches();
    host_.DisplayChanged();
}

TOverlaySwitches TMainCore::OverlaySwitches() const {
    return {Settings.OverlayBoundaries->Value, Settings.OverlayGridlines->Value, Settings.OverlayGridPoleMarkers->Value,
            Settings.OverlayGridlabels->Value};
}

void TMainCore::SetOverlaySwitches(const TOverlaySwitches& switches) {
    Settings.OverlayBoundaries->Value = switches.OverlayBoundaries;
    Settings.OverlayGridlines->Value = switches.OverlayGridlines;
    Settings.OverlayGridPoleMarkers->Value = switches.OverlayGridPoleMarkers;
    Settings.OverlayGridlabels->Value = switches.OverlayGridlabels;
}

bool TMainCore::SetNdviPalette(const std::string& fileName) {
    TPalette1D palette;
    if (!LoadPaletteFile(palette, fileName)) return false;
    Pass.NdviPaletteFileName = fileName;
    return true;
}

bool TMainCore::SetSstPalette(const std::string& fileName) {
    Pass.Sensor->SetPaletteFile(fileName);
    Pass.SstPaletteFileName = Pass.Sensor->PaletteFile();
    return !Pass.SstPaletteFileName.empty();
}

void TMainCore::ClearNdviPalette() { Pass.NdviPaletteFileName.clear(); }

void TMainCore::ClearSstPalette() {
    Pass.Sensor->SetPaletteFile("");
    Pass.SstPaletteFileName.clear();
}

// As if typed into the up-downs: each end kept within its range, the range
// turned round when inverted, shown as "User", and widened to at least three
// degrees.
std::pair<int, int> TMainCore::SetUserSstRange(int low, int high) {
    TViewOptions& options = View.Options;
    options.RadioGroupSstDisplayRange = SstRangeUser;
    options.UpDownUserMinSST = low;
    options.UpDownUserMaxSST = high;
    KeepUserRangesInOrder(options);
    return {options.UpDownUserMinSST, options.UpDownUserMaxSST};
}

void TMainCore::SetRgbChannels(int red, int green, int blue) {
    View.Options.RadioGroupRed = red - 1;
    View.Options.RadioGroupGreen = green - 1;
    View.Options.RadioGroupBlue = blue - 1;
}

bool TMainCore::HasChannel(int channel) const {
    return channel >= 1 && channel <= MaxChannels && Pass.Video->SampleAddress(channel, 0) != nullptr;
}

// Unchecking the colour box also drops a vegetation palette chosen before.
void TMainCore::SetColourVegetation(bool checked) {
    if (View.Options.CheckBoxColourVegetation == checked) return;
    View.Options.CheckBoxColourVegetation = checked;
    Pass.NdviPaletteFileName.clear();
}

bool TMainCore::WhereAsked(const std::string& written, const TSaveSettings& settings) const {
    return !written.empty() && ExtractFilePath(written) == ProductFolder(settings, Pass);
}

bool TMainCore::SavedOrTold(const std::string& written, const TSaveSettings& settings) {
    if (written.empty()) return false;
    if (!WhereAsked(written, settings)) ++savedElsewhere_;
    return true;
}

bool TMainCore::SaveImage(const std::string& baseName, TSaveMode mode, bool jpeg) {
    SyncSaveSettings();
    return WhereAsked(imageSaver_->SaveImage(baseName, mode, jpeg), SaveSettings);
}

unsigned TMainCore::ProductThreads() const {
    // The run's own thread draws the views meanwhile.
    const unsigned cores = UsableProcessors();
    return cores > 1 ? std::min(cores - 1, MostProductThreads) : 0;
}

// The displayed image goes with the picture shown; the others are made from
// the display (or its cached copy) here, as the window makes them.
TProductWrite TMainCore::ImageWrite(const std::string& baseName, TSaveMode mode, bool jpeg) {
    SyncSaveSettings();
    if (mode != SaveDisplayed || !SaveSettings.CacheFileName.empty())
        return WriteDone(SavedOrTold(imageSaver_->SaveImage(baseName, mode, jpeg), SaveSettings));
    auto job = std::make_shared<TImageJob>(Pass, workerHost_, SaveSettings);
    job->Saver.ScaleBitmap.Assign(imageSaver_->ScaleBitmap);
    View.HandOver(job->View);
    return {[this, job, baseName, mode, jpeg] { return SavedOrTold(job->Saver.SaveImage(baseName, mode, jpeg), job->Settings); },
            [this, job] { View.TakeBack(job->View); }};
}

TProductWrite TMainCore::DataWrite(std::function<bool(TDataProducts&)> save) {
    SyncSaveSettings();
    auto job = std::make_shared<TDataJob>(Pass, workerHost_, SaveSettings);
    return {[job, save = std::move(save)] { return save(job->Products); }, {}};
}

TProductWrite TMainCore::RawChannelsWrite() {
    return DataWrite([base = Pass.LoadedFileName](TDataProducts& products) {
        products.SaveRawChannels(base);
        return products.WriteFailures() == 0;
    });
}

TProductWrite TMainCore::AlbedoFilesWrite() {
    return DataWrite([base = Pass.LoadedFileName](TDataProducts& products) {
        products.SaveAlbedoFiles(base);
        return products.WriteFailures() == 0;
    });
}

// A channel without temperatures has none to write; only a failed write counts.
TProductWrite TMainCore::TemperatureDataWrite(int channel, const std::string& suffix) {
    return DataWrite([channel, suffix, base = Pass.LoadedFileName](TDataProducts& products) {
        products.SaveTemperatureData(channel, suffix, base);
        return products.WriteFailures() == 0;
    });
}

TProductWrite TMainCore::SstDataWrite(const std::string& suffix) {
    return DataWrite([suffix, base = Pass.LoadedFileName](TDataProducts& products) {
        return !products.SaveSstData(suffix, base).empty();
    });
}

bool TMainCore::WithoutWriteFailure(const std::function<void()>& save) {
    SyncSaveSettings();
    const int failures = products_->WriteFailures();
    save();
    return products_->WriteFailures() == failures;
}

bool TMainCore::SaveRawChannels() {
    return WithoutWriteFailure([this] { products_->SaveRawChannels(Pass.LoadedFileName); });
}

bool TMainCore::SaveAlbedoFiles() {
    return WithoutWriteFailure([this] { products_->SaveAlbedoFiles(Pass.LoadedFileName); });
}

bool TMainCore::SaveDiagnostics() {
    return WithoutWriteFailure([this] { products_->SaveDiagnostics(Pass.LoadedFileName); });
}

bool TMainCore::SaveFireText(const std::string& baseName) {
    return WithoutWriteFailure([&] { products_->SaveFireText(baseName, FireSettings->Values, FireImages); });
}


void TMainCore::SaveLocationFile() {
    SyncSaveSettings();
    products_->SaveLocationFile(Pass.LoadedFileName);
}

void TMainCore::SaveImageText(TImageTextKind kind) {
    SyncSaveSettings();
    const TExtBitmap& picture = View.DisplayBitmap();
    products_->SaveImageText(Pass.LoadedFileName, kind, picture.Width(), picture.Height());
}

void TMainCore::SaveTemperaturesOfView() {
    SyncSaveSettings();
    products_->SaveTemperaturesOfView(View.ViewIndex(), Pass.LoadedFileName);
}

void TMainCore::SetScaleBitmap(const TExtBitmap& scale) { imageSaver_->ScaleBitmap.Assign(scale); }

void TMainCore::RememberNudgeOffset() {
    NudgeList.Remember(LoadedFilePath, Pass.NudgeX, Pass.NudgeY, Pass.PassDateTime);
}

void TMainCore::RebuildFireImages() {
    kestrune::BuildFireFilterImages(Pass, FireSettings->Values, FireImages,
                          [this](const std::string& text) { host_.SetStatusText(text); });
}

void TMainCore::FlipPassDirection() {
    if (!PassLoaded()) return;
    const THourglass hourglass(host_, ReceiverRunning);
    const TProgressFrame frame(host_, 100);
    host_.SetStatusText(resStr(res::SFlipping));
    Pass.Video->OnProgress = [this](uint8_t percent) { host_.SetProgressPosition(percent); };
    Pass.Video->Reverse();
    Pass.Video->OnProgress = nullptr;
    if (!Pass.Northbound) Pass.EarthLocations->FlipPassDirection();
    Pass.EarthLocations->ComputeLocations(Pass.InputFormatCode, Pass.SensorKind, Pass.DiagnosticLines,
                                          Pass.Northbound);
    Redisplay();
}

void TMainCore::SyncViewSettings() {
    TRenderSettings& settings = View.Settings;
    settings.SeaColourThreshold = Settings.SeaColourThreshold->Value;
    settings.LandSeaMaskPath = Settings.LandSeaMaskPath->Value;
    settings.PaletteFileName = Pass.PaletteFileName;
    settings.NdviPaletteFileName = Pass.NdviPaletteFileName;
    settings.ReceiverRunning = ReceiverRunning;
    settings.FireUseAvg = FireSettings->Values.FireUseAvg;
    settings.FirePixelColour = FireSettings->Values.FirePixelColour;
    View.AddImgFileSuffix = Settings.AddImgFileSuffix->Value;
    View.CacheFileName = CacheFileName;
}

void TMainCore::SyncSaveSettings() {
    TSaveSettings& save = SaveSettings;
    save.ResultsFolder = Settings.ResultsFolder->Value;
    save.AddImgFileSuffix = Settings.AddImgFileSuffix->Value;
    save.CaptionOnDisplayed = Settings.CaptionOnDisplayed->Value;
    save.CaptionOnCorrected = Settings.CaptionOnCorrected->Value;
    save.CaptionOnAPT = Settings.CaptionOnAPT->Value;
    save.CaptionOnGAC = Settings.CaptionOnGAC->Value;
    save.TimestampRawImage = Settings.TimestampRawImage->Value;
    save.CaptionText = Settings.CaptionText->Value;
    save.TextCaptionLocn = Settings.TextCaptionLocn->Value;
    save.TempCalibLocn = Settings.TempCalibLocn->Value;
    save.JpegSaveQuality = Settings.JpegSaveQuality->Value;
    save.CacheFileName = CacheFileName;
    save.Unattended = Unattended;
    save.ReceiverRunning = ReceiverRunning;
}

void TMainCore::SyncLoaderSettings() {
    TLoaderSettings& load = LoaderSettings;
    load.DataFolder = Settings.DataFolder->Value;
    load.HideInitialOverlay = Settings.HideInitialOverlay->Value;
    load.Despeckle = Settings.Despeckle->Value;
    load.RenameSource = Settings.RenameSource->Value;
    load.RenameNoQuery = Settings.RenameNoQuery->Value;
    load.RenameFormat = Settings.RenameFormat->Value;
    load.LargeMemory = LargeMemory;
    load.ReceiverRunning = ReceiverRunning;
    load.Unattended = Unattended;
    load.ForcedDirection = ForcedDirection;
    load.VersionSuffix = VersionSuffix;
    load.CheckBoxShowFire = View.Options.CheckBoxShowFire;
    load.FastView = Settings.FastInitialView->Value;
    load.AcceptRutgersL1B = Settings.AcceptRutgersL1B->Value;
}

}  // namespace kestrune
