// The main window's behaviour without a window: the settings it reads when
// it is made and writes back when it is freed, the working objects of the
// pass, the first showing, the deferred open with the unattended
// command-line run, and the close. The Qt window owns one TMainCore and is
// its host; tests use a headless host.
#pragma once

#include "app/CommandLine.h"
#include "app/MruUnit.h"
#include "app/NudgeMemory.h"
#include "app/ProductJobs.h"
#include "app/hh.h"
#include "decoding/LoaderHost.h"
#include "decoding/PassLoader.h"
#include "decoding/PassState.h"
#include "platform/RegistryVariables.h"
#include "render/DataProducts.h"
#include "render/FireDetection.h"
#include "render/OverlayDrawing.h"
#include "render/RenderHost.h"
#include "render/RenderView.h"
#include "render/SavedImages.h"
#include "render/ViewOptions.h"
#include "render/qelCartography.h"

#include <atomic>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {


// The window as the core sees it: what a redisplay and a load show, and
// the window's own life.
class TMainHost : public TRenderHost, public TLoaderHost {
public:
    // The overlay button's state.
    virtual void SetOverlayShown(bool shown) = 0;
    // The core's view tabs, or its display bitmap, changed.
    virtual void ViewTabsChanged() = 0;
    virtual void DisplayChanged() = 0;
    // The window's placement, read and set by the stored placement.
    virtual TFormPlacement& Placement() = 0;
    // Started with "-MIN": the window opens below the visible screen.
    virtual void PlaceBelowScreen() = 0;
    // After the stored placement: the window's frame moved and made smaller,
    // as far as it must, to lie wholly on its screen.
    virtual void KeepWhollyOnScreen() {}
    virtual void CloseWindow() = 0;
    // The window's controls bound to the view's options read their stored
    // values, before the window's own settings are read (an old setting may
    // override one of them). A host without controls has nothing to load.
    virtual void LoadPersistingControls(TViewOptions&) {}
    // A load ended (whether or not it read a pass): what shows the pass's diagnostics shows the new ones.
    virtual void LoadEnded() {}
};

// The main window's settings, in the order they are made.
struct TMainSettings {
    std::unique_ptr<TRegistryBoolean> DisableAero;
    std::unique_ptr<TRegistryString> DataFolder;
    std::unique_ptr<TRegistryString> ResultsFolder;
    std::unique_ptr<TRegistryBoolean> RenameNoQuery;
    std::unique_ptr<TRegistryString> RenameFormat;
    std::unique_ptr<TRegistryBoolean> RenameSource;
    std::unique_ptr<TRegistryBoolean> AddImgFileSuffix;
    std::unique_ptr<TRegistryString> LandSeaMaskPath;
    std::unique_ptr<TRegistryInteger> TempCalibLocn;
    std::unique_ptr<TRegistryInteger> TextCaptionLocn;
    std::unique_ptr<TRegistryInteger> LargeMemThreshold;
    std::unique_ptr<TRegistryInteger> MaxZoomedMinutes;
    std::unique_ptr<TRegistryBoolean> TrackingScroll;
    std::unique_ptr<TRegistryBoolean> ZoomIn;
    std::unique_ptr<TRegistryBoolean> CaptionOnAPT;
    std::unique_ptr<TRegistryBoolean> CaptionOnDisplayed;
    std::unique_ptr<TRegistryBoolean> CaptionOnCorrected;
    std::unique_ptr<TRegistryBoolean> CaptionOnGAC;
    std::unique_ptr<TRegistryString> CaptionText;
    std::unique_ptr<TRegistryString> TimestampCopyright;
    std::unique_ptr<TRegistryBoolean> HideInitialOverlay;
    std::unique_ptr<TRegistryBoolean> FastInitialView;
    std::unique_ptr<TRegistryBoolean> CacheDisplay;
    std::unique_ptr<TRegistryBoolean> TimestampRawImage;
    std::unique_ptr<TRegistryBoolean> Despeckle;
    std::unique_ptr<TRegistryBoolean> AcceptRutgersL1B;
    std::unique_ptr<TRegistryBoolean> OverlayGridlabels;
    std::unique_ptr<TRegistryBoolean> OverlayGridlines;
    std::unique_ptr<TRegistryInteger> OverlayGridlineColour;
    std::unique_ptr<TRegistryBoolean> OverlayGridPoleMarkers;
    std::unique_ptr<TRegistryBoolean> OverlayBoundaries;
    std::unique_ptr<TRegistryInteger> OverlayBoundaryColour;
    std::unique_ptr<TRegistryBoolean> OverlayHome;
    std::unique_ptr<TRegistryInteger> OverlayHomeColour;
    std::unique_ptr<TRegistryBoolean> OverlayStations;
    std::unique_ptr<TRegistryBoolean> OverlayUser;
    std::unique_ptr<TRegistryInteger> OverlayUserColour;
    std::unique_ptr<TRegistryString> OverlayHomeLat;
    std::unique_ptr<TRegistryString> OverlayHomeLon;
    std::unique_ptr<TRegistryBoolean> MetricUnits;
    std::unique_ptr<TRegistryInteger> SeaColourThreshold;
    std::unique_ptr<TRegistryInteger> JpegSaveQuality;
    // Made at the first showing.
    std::unique_ptr<TRegistryString> BoundaryPath;
    std::unique_ptr<TRegistryString> UserOverlayPath;
};

// "-fr", "-it" or "-rus" for the French, Italian and Russian language ids
// that have help of their own; "" for any other.
std::string HelpLanguageSuffix(uint32_t languageId);
// The help file for a language id: the program's name with its suffix in the
// program's help folder when that file exists, else "help/Kestrune.html".
std::string ChooseHelpFile(uint32_t languageId, const std::string& programFolder, const std::string& programName);
// "Countries.dat" beside the tracking program, else beside this one; "" when neither exists.
std::string DefaultBoundaryFile(const std::string& programFolder);
// Home latitude or longitude from its stored text; fallback when it is no number.
float HomeCoordinate(const std::string& text, float fallback);

class TMainCore : public TOutputTarget, private TLoaderServices {
public:
    // The window's creation: reads the settings, makes the working objects
    // and decodes the first parameters (params: parameter 1 first).
    TMainCore(TMainHost& host, TParams params);
    // The window's destruction: frees everything, which writes the settings.
    ~TMainCore() override;
    TMainCore(const TMainCore&) = delete;
    TMainCore& operator=(const TMainCore&) = delete;

    // The window's showing. Its work is done once; true then, when the
    // deferred open is to start (TimerNewFileTimer 300 ms later).
    bool FormShow();
    // The showing's first step, the window's placement (restored, or below the
    // screen for "-MIN"), once. The window runs it ahead of the showing, before
    // its native window exists, so that the window manager places the frame
    // where it was stored.
    void PlaceWindow();
    // The deferred open and, with two or more parameters, the unattended run.
    void TimerNewFileTimer();
    // Files dropped on the window: one data file of a known extension becomes
    // the pending file; true when it exists and the deferred open is to start.
    bool DropFileTargetDrop(const std::vector<std::string>& files);
    // Opens one data file through the loader.
    void LoadDataFile(const std::string& fileName);
    // Selects a view tab and redisplays.
    void SelectView(const std::string& name) override;
    // Close and Exit: a running load stops.
    void RequestAbort() { Pass.AbortRequested = true; }
    // A load or a redisplay is running (events are let through meanwhile).
    bool Busy() const { return Pass.Loading || View.RedisplayBusy() || View.RenderBusy(); }

    // A pass is decoded and shown.
    bool PassLoaded() const;
    // The main window's caption in the language in effect.
    static std::string MainCaption();
    // The process's exit status: 1 when an unattended run found no pass to
    // work on, 3 when a product it asked for was not written where asked, 4
    // when a parameter matched no switch or item.
    int ExitCode() const { return exitCode_; }

    // TOutputTarget: what the unattended run drives.
    std::string LoadedFileName() const override { return Pass.LoadedFileName; }
    uint8_t InputFormatCode() const override { return Pass.InputFormatCode; }
    std::string ResultsFolder() const override { return Settings.ResultsFolder->Value; }
    void SetResultsFolder(const std::string& folder) override { Settings.ResultsFolder->Value = folder; }
    TOverlaySwitches OverlaySwitches() const override;
    void SetOverlaySwitches(const TOverlaySwitches& switches) override;
    std::vector<std::string> ViewTabs() const override { return View.ViewTabs(); }
    void SelectViewTab(size_t index) override;
    void Redisplay() override;
    bool SetNdviPalette(const std::string& fileName) override;
    bool SetSstPalette(const std::string& fileName) override;
    void ClearNdviPalette() override;
    void ClearSstPalette() override;
    std::pair<int, int> SetUserSstRange(int low, int high) override;
    void SetRgbChannels(int red, int green, int blue) override;
    bool HasChannel(int channel) const override;
    void SetColourVegetation(bool checked) override;
    unsigned ProductThreads() const override;
    bool IdlePriority() const override { return ReceiverRunning; }
    TProductWrite ImageWrite(const std::string& baseName, TSaveMode mode, bool jpeg) override;
    TProductWrite RawChannelsWrite() override;
    TProductWrite AlbedoFilesWrite() override;
    TProductWrite TemperatureDataWrite(int channel, const std::string& suffix) override;
    TProductWrite SstDataWrite(const std::string& suffix) override;
    bool SaveDiagnostics() override;
    bool SaveFireText(const std::string& baseName) override;
    int ProductsSavedElsewhere() const override { return savedElsewhere_; }

    // The savers of the window's menus, each true when what it was asked
    // for was written where asked (or the pass has nothing of that kind).
    bool SaveImage(const std::string& baseName, TSaveMode mode, bool jpeg);
    bool SaveRawChannels();
    bool SaveAlbedoFiles();

    // The window's savers besides those of the unattended run, all named
    // from the loaded file.
    void SaveLocationFile();
    void SaveImageText(TImageTextKind kind);
    // The save-temperatures button of the side panel: by the current view.
    void SaveTemperaturesOfView();
    // The temperature scale the window painted, for the saved images.
    void SetScaleBitmap(const TExtBitmap& scale);

    // The nudge offsets of the loaded file into the nudge memory.
    void RememberNudgeOffset();
    // The fire images again after the fire options changed.
    void RebuildFireImages();
    // Turns the pass round: samples, then locations, then the view.
    void FlipPassDirection();

    // Fields named as the window's.
    const TParams Params;
    std::string ProgramFolder;
    std::string VersionSuffix;
    std::string BaseCaption;
    std::string HelpFileName;
    // The user's language is one of the French ones: a French keyboard.
    bool FrenchLocale = false;
    std::string PendingFileName;
    // Full name of the file last loaded successfully.
    std::string LoadedFilePath;
    // The file last opened, however it was named (Open, command line, drop,
    // recent files): the Open dialog offers it again.
    std::string OpenDialogFileName;
    uint8_t ForcedDirection = 0;
    bool Unattended = false;
    // No display: nobody can close the window, so the program closes itself
    // after the deferred open and its items, as with "-CLOSE".
    bool Headless = false;
    bool LargeMemory = false;
    bool ReceiverRunning = false;
    float HomeLatitude = 0;
    float HomeLongitude = 0;
    std::string CacheFileName;
    std::string NudgeListFileName;
    std::vector<std::string> StationList;
    // The boundary lines, read on a thread of their own from the first
    // showing while the pass loads; waits for them the first time.
    TCartogList& Boundaries();
    const TCartogList& Boundaries() const;
    // The user overlay lines, loaded at the first showing.
    TCartogList UserOverlay;

    TMainSettings Settings;
    TPassState Pass;
    TLoaderSettings LoaderSettings;
    TRenderView View;
    TSaveSettings SaveSettings;
    TNudgeMemory NudgeList;
    TFireFilterImages FireImages;
    std::unique_ptr<TFireSettingsStore> FireSettings;
    std::unique_ptr<TMostRecentFiles> MRUFileList;
    std::unique_ptr<THookHelpSystem> HelpSystem;
    std::unique_ptr<TRegistryFormInfo> FormPlacement;

private:
    // Starts reading the boundary files named in the settings.
    void LoadBoundaries();

    TCartogList boundaries_;
    // Under way while boundaries_ is read; what the reading said, told when it is waited for.
    mutable std::future<std::vector<TDialogRequest>> boundariesLoading_;
    void WaitForBoundaries() const;

    // TLoaderServices: what a load changes besides the pass.
    void SetOverlayShown(bool shown) override;
    void SetViewTabs(const std::vector<std::string>& names) override;
    std::optional<std::string> FindNudgeEntry(const std::string& text) override { return NudgeList.Find(text); }
    void RememberNudgeOffset(const std::string& fileName, int nudgeX, int nudgeY, double passDateTime) override {
        NudgeList.Remember(fileName, nudgeX, nudgeY, passDateTime);
    }
    void BuildFireFilterImages() override;
    std::string BoundaryOverlayFileName() override;
    void AddRecentFile(const std::string& fileName) override;

    // The overlay settings as they stand, for one drawing.
    TOverlaySettings OverlaySettings() const;
    // A painter on the display, when it holds a picture of a map-fitted pass.
    std::optional<TOverlayPainter> OverlayPainter(TOverlayCanvas& canvas);
    bool DrawOverlay(TOverlayCanvas& canvas);
    bool DrawFireRegion(TOverlayCanvas& canvas);

    void ReadStartSettings();
    void ReadDisplaySettings();
    void ReadOverlaySettings();
    void ReadLegacyGamma();
    void ChooseHelp();
    void DecodeFirstParameters();
    void SetCaptions();
    bool StartedMinimised() const;
    void FreeSettings();
    void SyncViewSettings();
    void SyncSaveSettings();
    void SyncLoaderSettings();
    // Runs a data saver; true when it had no file it could not write.
    bool WithoutWriteFailure(const std::function<void()>& save);
    // Standard error of an unattended run: a line for the operator.
    void TellOperator(const std::string& text);
    // After the unattended load: why it failed, or what its products lack,
    // then the messages the load gave, each once.
    void ReportUnattendedLoad(bool loaded, const std::string& fileName);
    // At a window nobody reads standard error: why the pass named on the
    // command line was not opened is told in a box.
    void TellUnopenedPass();
    // A data product's writing with savers and settings of its own, as the settings are now.
    TProductWrite DataWrite(std::function<bool(TDataProducts&)> save);
    // An image saved to written is where the settings ask for it.
    bool WhereAsked(const std::string& written, const TSaveSettings& settings) const;
    // An image of the run was saved: where asked, or elsewhere and told so by its saver.
    bool SavedOrTold(const std::string& written, const TSaveSettings& settings);

    TMainHost& host_;
    // The host of products written on threads of their own.
    TWorkerHost workerHost_;
    std::unique_ptr<TPassLoader> loader_;
    std::unique_ptr<TImageSaver> imageSaver_;
    std::unique_ptr<TDataProducts> products_;
    bool shown_ = false;
    bool placed_ = false;
    bool destroyed_ = false;
    // The overlay switches of the last redisplay (the view remembers the rest).
    TOverlaySwitches overlaysShown_;
    int exitCode_ = 0;
    std::atomic<int> savedElsewhere_ = 0;
    // Messages of an unattended load, held until the load is reported.
    bool holdingMessages_ = false;
    std::vector<std::string> heldMessages_;
};

}  // namespace kestrune
