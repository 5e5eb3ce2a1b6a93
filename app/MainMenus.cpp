#include "app/MainMenus.h"

#include "app/DesktopComposition.h"
#include "app/EventGuard.h"
#include "app/HelpTopics.h"
#include "app/MainCore.h"
#include "app/SmallForms.h"
#include "app/hh_funcs.h"
#include "decoding/Telemetry.h"
#include "platform/DialogService.h"
#include "platform/FileUtils.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "shell/FHyFolderBrowseDlg.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <array>
#include <cstring>
#include <fstream>

namespace kestrune {

namespace {

constexpr const char* ProductCaption = "Talvessa";
constexpr std::array<int, 3> MemoryThresholds{64, 128, 192};
constexpr std::array<int, 6> ZoomMinutes{21, 24, 27, 30, 33, 36};

// The items that act on a rendered image or the decoded pass (the text tables too).
constexpr std::array<const char*, 20> ResultMenus{
    "MenuSaveDisplay",      "MenuSaveCorrected",     "MenuSaveAsAPT",
    "MenuSaveGAC",          "MenuSaveDisplayJPEG",   "MenuSaveCorrectedJPEG",
    "MenuSaveAsAPTJPEG",    "MenuSaveGACJPEG",       "MenuSaveAlbedos",
    "MenuSaveDiagnostics",  "MenuSaveRawChannels",   "MenuSaveLocationData",
    "MenuSaveFirePixels",   "MenuViewCorrectedImage", "MenuViewCorrectedImageWithMinimise",
    "MenuViewGoto",         "FilePrint",             "MenuSaveAsText",
    "MenuSaveAsTextwT5",    "MenuSaveAsTextwT5delta"};

// The image savers of the File menu: item, caption, mode, JPEG.
struct TImageSaveItem {
    const char* Name;
    const char* Caption;
    TSaveMode Mode;
    bool Jpeg;
};
constexpr std::array<TImageSaveItem, 8> ImageSaveItems{{
    {"MenuSaveDisplay", "&Save displayed image", SaveDisplayed, false},
    {"MenuSaveDisplayJPEG", "Save displayed image - JPEG", SaveDisplayed, true},
    {"MenuSaveCorrected", "Save with &correction", SaveCorrected, false},
    {"MenuSaveCorrectedJPEG", "Save with correction - &JPEG", SaveCorrected, true},
    {"MenuSaveAsAPT", "Save as &APT", SaveApt, false},
    {"MenuSaveAsAPTJPEG", "Save as APT - JPEG", SaveApt, true},
    {"MenuSaveGAC", "Save rectified &GAC image", SaveGac, false},
    {"MenuSaveGACJPEG", "Save rectified GAC image - JPEG", SaveGac, true},
}};

// The per-pixel text tables of the File menu.
struct TTextSaveItem {
    const char* Name;
    const char* Caption;
    TImageTextKind Kind;
};
constexpr std::array<TTextSaveItem, 3> TextSaveItems{{
    {"MenuSaveAsText", "Save as &text", TImageTextKind::T4Ndvi},
    {"MenuSaveAsTextwT5", "Save as text with T5", TImageTextKind::T4T5Ndvi},
    {"MenuSaveAsTextwT5delta", "Save as text with T5 and (T4-T5)", TImageTextKind::T4T5Difference},
}};

std::string ItemName(int value, const char* prefix, const char* suffix) {
    return prefix + std::to_string(value) + suffix;
}

}  // namespace

bool DebuggerAttached(const std::string& statusFile) {
    std::ifstream status(statusFile);
    std::string line;
    while (std::getline(status, line)) {
        if (!line.starts_with("TracerPid:")) continue;
        const std::string pid = Trim(line.substr(std::strlen("TracerPid:")));
        return !pid.empty() && pid != "0";
    }
    return false;
}

TMainMenus::TMainMenus(QMainWindow& window) : window_(window) {
    QMenuBar* bar = window.menuBar();
    bar->setObjectName("MainMenu");
    const auto menu = [bar](const char* name, const char* caption) {
        QMenu* item = bar->addMenu(caption);
        item->setObjectName(name);
        return item;
    };
    BuildFileMenu(*menu("MenuFile", "&File"));
    BuildViewMenu(*menu("MenuView", "&View"));
    BuildOptionsMenu(*menu("MenuOptions", "&Options"));
    BuildHelpMenu(*menu("MenuHelp", "&Help"));
    EnableResultMenus(false);
}

QAction* TMainMenus::Add(QMenu& menu, const char* name, const char* caption, std::function<void()> handler,
                         bool checkable) {
    QAction* item = menu.addAction(caption);
    item->setObjectName(name);
    item->setCheckable(checkable);
    QObject::connect(item, &QAction::triggered, &window_, [handler = std::move(handler)] { Guarded(handler); });
    return item;
}

QAction* TMainMenus::AddWindowItem(QMenu& menu, const char* name, const char* caption) {
    return Add(menu, name, caption, [this, name] {
        if (OnWindowItem) OnWindowItem(name);
    });
}

void TMainMenus::BuildFileMenu(QMenu& menu) {
    Add(menu, "MenuOpen", "&Open...", [this] {
        if (OnOpen) OnOpen();
    });
    Add(menu, "MenuFileBrowseAvhrr", "&Browse AVHRR passes...", [this] {
        if (OnBrowse) OnBrowse(0);
    });
    Add(menu, "MenuFileBrowseGlobalMetOp", "Browse global &MetOp passes...", [this] {
        if (OnBrowse) OnBrowse(1);
    });
    reopen_ = menu.addMenu("&Reopen");
    reopen_->setObjectName("MenuFileReopen");
    menu.addSeparator();
    for (const TImageSaveItem& save : ImageSaveItems)
        Add(menu, save.Name, save.Caption, [this, name = save.Name] { MenuSaveClick(name); });
    menu.addSeparator();
    for (const TTextSaveItem& save : TextSaveItems)
        Add(menu, save.Name, save.Caption, [this, name = save.Name] { MenuSaveClick(name); });
    Add(menu, "MenuSaveLocationData", "Save &location data", [this] { MenuSaveClick("MenuSaveLocationData"); });
    Add(menu, "MenuSaveAlbedos", "Save albe&dos", [this] { MenuSaveClick("MenuSaveAlbedos"); });
    Add(menu, "MenuSaveRawChannels", "Save ra&w channels", [this] { MenuSaveClick("MenuSaveRawChannels"); });
    Add(menu, "MenuSaveFirePixels", "Save fire pixel list", [this] { MenuSaveClick("MenuSaveFirePixels"); });
    Add(menu, "MenuSaveDiagnostics", "Save diagnostics", [this] { MenuSaveClick("MenuSaveDiagnostics"); });
    menu.addSeparator();
    AddWindowItem(menu, "FilePrint", "&Print...");
    AddWindowItem(menu, "FilePrintSetup", "Print set&up...");
    menu.addSeparator();
    Add(menu, "MenuExit", "E&xit", [this] {
        if (OnExit) OnExit();
    });
}

void TMainMenus::BuildViewMenu(QMenu& menu) {
    Add(menu, "MenuLineByLine", "&Line-by-line data", [this] {
        if (OnLineByLine) OnLineByLine();
    });
    Add(menu, "MenuViewTelemetry", "&Telemetry", [this] { MenuViewTelemetryClick(); });
    menu.addSeparator();
    AddWindowItem(menu, "MenuViewCorrectedImage", "&Corrected image");
    AddWindowItem(menu, "MenuViewCorrectedImageWithMinimise", "Corrected image, &main window minimised");
    AddWindowItem(menu, "MenuViewGoto", "&Go to location...");
    AddWindowItem(menu, "MenuViewHistograms", "&Histograms");
    // Only for the developer, who runs the program under a debugger: the fit's residuals.
    AddWindowItem(menu, "ViewResiduals", "&Residuals")->setVisible(DebuggerAttached());
}

void TMainMenus::BuildOptionsMenu(QMenu& menu) {
    QMenu* quality = menu.addMenu("&JPEG quality");
    quality->setObjectName("MenuJpegQuality");
    Add(*quality, "JpegQualLow", "&Low", [this] { JpegQualityClick(0); }, true);
    Add(*quality, "JpegQualMedium", "&Medium", [this] { JpegQualityClick(1); }, true);
    Add(*quality, "JpegQualHigh", "&High", [this] { JpegQualityClick(2); }, true);
    QMenu* memory = menu.addMenu("Low &memory threshold");
    memory->setObjectName("MenuMemThresh");
    for (int megabytes : MemoryThresholds)
        Add(*memory, ItemName(megabytes, "Mem", "MB").c_str(), (std::to_string(megabytes) + " MB").c_str(),
            [this, megabytes] { MemThreshClick(megabytes); }, true);
    QMenu* zoom = menu.addMenu("Longest pass at &2:1 zoom");
    zoom->setObjectName("MenuZoomMaxMinutes");
    for (int minutes : ZoomMinutes) {
        const std::string name = ItemName(minutes, "Zoom", "minutes");
        Add(*zoom, name.c_str(), (std::to_string(minutes) + " minutes").c_str(),
            [this, name] { ZoomMaxMinutesClick(Item(name)); }, true);
    }
    menu.addSeparator();
    Add(menu, "MenuDespeckle", "&Despeckle", [this] { MenuDespeckleClick(); }, true);
    Add(menu, "OptionsAcceptRutgersFormat", "&Accept Rutgers L1B format",
        [this] { Toggle("OptionsAcceptRutgersFormat", core_->Settings.AcceptRutgersL1B->Value); }, true);
    Add(menu, "OptionsAllowZoomIn", "Allow &zoom in", [this] {
        Toggle("OptionsAllowZoomIn", core_->Settings.ZoomIn->Value);
        if (OnZoomChoicesChanged) OnZoomChoicesChanged();
    }, true);
    Add(menu, "OptionsCacheDisplay", "&Cache display",
        [this] { RestartNeeded("OptionsCacheDisplay", core_->Settings.CacheDisplay->Value); }, true);
    Add(menu, "OptionsDisableAero", "Disabl&e desktop composition", [this] { OptionsDisableAeroClick(); }, true);
    Add(menu, "OptionsFastView", "&Fast initial view",
        [this] { Toggle("OptionsFastView", core_->Settings.FastInitialView->Value); }, true);
    Add(menu, "OptionsTimestampImage", "&Timestamp corrected images", [this] {
        Toggle("OptionsTimestampImage", core_->Settings.TimestampRawImage->Value);
        core_->Redisplay();
    }, true);
    Add(menu, "OptionsTrackingScroll", "Tracking &scroll", [this] {
        Toggle("OptionsTrackingScroll", core_->Settings.TrackingScroll->Value);
        if (OnTrackingScrollChanged) OnTrackingScrollChanged();
    }, true);
    menu.addSeparator();
    Add(menu, "OptionsSaveLocation", "&Results folder...", [this] { OptionsSaveLocationClick(); });
    Add(menu, "OptionsFlipPassDirection", "Flip &pass direction", [this] {
        if (!core_->Busy()) core_->FlipPassDirection();
    });
    Add(menu, "OptionsFireDetection", "F&ire detection...", [this] {
        if (OnFireDetection) OnFireDetection();
    });
    AddWindowItem(menu, "OptionsOverlayOptions", "&Overlay options...");
    AddWindowItem(menu, "OptionsCLUT", "Colour &look-up table...");
    AddWindowItem(menu, "OptionsImageNameFormat", "Image file &name format...");
}

void TMainMenus::BuildHelpMenu(QMenu& menu) {
    Add(menu, "HelpContents", "&Contents", [this] { HelpDisplay(THelpDisplay::Contents); });
    Add(menu, "HelpIndex", "&Index", [this] { HelpDisplay(THelpDisplay::Index); });
    Add(menu, "HelpSearch", "&Search", [this] { HelpDisplay(THelpDisplay::Search); });
    Add(menu, "HelpFAQs", "&FAQs", [this] { HelpContext(HelpContextFaqs); });
    Add(menu, "HelpWhatsNew", "&What's new", [this] { HelpContext(HelpContextWhatsNew); });
    AddWindowItem(menu, "HelpSupport", "Su&pport forum");
    menu.addSeparator();
    Add(menu, "HelpAbout", "&About...", [this] { HelpAboutClick(); });
}

void TMainMenus::Attach(TMainCore& core) {
    core_ = &core;
    CheckSettings();
}

QAction* TMainMenus::Item(std::string_view name) const { return window_.findChild<QAction*>(ToQt(name)); }

void TMainMenus::CheckSettings() {
    const TMainSettings& s = core_->Settings;
    const std::array<std::pair<const char*, bool>, 8> checks{{
        {"MenuDespeckle", s.Despeckle->Value},
        {"OptionsAcceptRutgersFormat", s.AcceptRutgersL1B->Value},
        {"OptionsAllowZoomIn", s.ZoomIn->Value},
        {"OptionsCacheDisplay", s.CacheDisplay->Value},
        {"OptionsDisableAero", s.DisableAero->Value},
        {"OptionsFastView", s.FastInitialView->Value},
        {"OptionsTimestampImage", s.TimestampRawImage->Value},
        {"OptionsTrackingScroll", s.TrackingScroll->Value},
    }};
    for (const auto& [name, checked] : checks) Item(name)->setChecked(checked);
    CheckJpegQualityItem();
    CheckMemThreshItem();
    ZoomMaxMinutesClick(nullptr);
}

void TMainMenus::EnableResultMenus(bool enabled) {
    for (const char* name : ResultMenus)
        if (QAction* item = Item(name)) item->setEnabled(enabled);
}

void TMainMenus::CheckJpegQualityItem() {
    const int quality = core_->Settings.JpegSaveQuality->Value;
    Item("JpegQualLow")->setChecked(quality == 0);
    Item("JpegQualMedium")->setChecked(quality == 1);
    Item("JpegQualHigh")->setChecked(quality == 2);
}

void TMainMenus::CheckMemThreshItem() {
    for (int megabytes : MemoryThresholds)
        Item(ItemName(megabytes, "Mem", "MB"))->setChecked(core_->Settings.LargeMemThreshold->Value == megabytes);
}

void TMainMenus::ZoomMaxMinutesClick(QAction* sender) {
    int32_t& limit = core_->Settings.MaxZoomedMinutes->Value;
    for (int minutes : ZoomMinutes)
        if (sender != nullptr && sender == Item(ItemName(minutes, "Zoom", "minutes"))) limit = minutes;
    for (int minutes : ZoomMinutes) Item(ItemName(minutes, "Zoom", "minutes"))->setChecked(limit == minutes);
}

void TMainMenus::Toggle(const char* item, bool& setting) {
    setting = !setting;
    Item(item)->setChecked(setting);
}

void TMainMenus::JpegQualityClick(int quality) {
    core_->Settings.JpegSaveQuality->Value = quality;
    CheckJpegQualityItem();
}

void TMainMenus::MemThreshClick(int megabytes) {
    int32_t& threshold = core_->Settings.LargeMemThreshold->Value;
    const bool changed = threshold != megabytes;
    threshold = megabytes;
    CheckMemThreshItem();
    if (changed)
        TDialogService::Instance().ShowMessage(
            FormatResStr(res::SLowMemoryNextRun, {ProductCaption}), FormatResStr(res::SLowMemoryChanged, {ProductCaption}));
}

void TMainMenus::MenuDespeckleClick() {
    Toggle("MenuDespeckle", core_->Settings.Despeckle->Value);
    TDialogService::Instance().ShowMessage(resStr(res::SOpenAgainForDespeckle));
}

void TMainMenus::RestartNeeded(const char* item, bool& setting) {
    Toggle(item, setting);
    TDialogService::Instance().ShowMessage(FormatResStr(res::SRestartNeeded, {ProductCaption}));
}

// The X desktop takes the window's request at once; elsewhere the setting is only kept.
void TMainMenus::OptionsDisableAeroClick() {
    Toggle("OptionsDisableAero", core_->Settings.DisableAero->Value);
    if (CompositionSwitchAvailable())
        SetBypassCompositor(window_, core_->Settings.DisableAero->Value);
    else
        TDialogService::Instance().ShowMessage(resStr(res::SCompositionNoEffect));
}

// Cancel leaves the results folder empty: products then go beside the data file.
void TMainMenus::OptionsSaveLocationClick() {
    std::string& folder = core_->Settings.ResultsFolder->Value;
    shell::THyFolderBrowseDlg dialog;
    if (!folder.empty() && DirectoryExists(folder)) dialog.SetFolderPath(WideFromFileName(folder));
    dialog.Title = Utf8ToUtf16(resStr(res::SChooseResultsPath));
    dialog.SetText(Utf8ToUtf16(resStr(res::SResultsPathCancel)));
    dialog.OnInitialized = [&dialog] { dialog.Form()->setProperty("HelpContext", HelpContextResultsFolder); };
    folder.clear();
    if (!dialog.Execute()) return;
    folder = IncludeTrailingPathDelimiter(FileNameFromWide(dialog.GetFolderPath()));
}

void TMainMenus::MenuViewTelemetryClick() {
    const TTelemetryData& telemetry = *core_->Pass.TelemetryData;
    if (telemetry.PrtCountsText.empty()) {
        TDialogService::Instance().ShowMessage(resStr(res::SNoHrptData));
        return;
    }
    TDialogService::Instance().ShowMessage(FormatResStr(
        res::STelemetry, {telemetry.Heading(), telemetry.ShownSatelliteName(), std::to_string(telemetry.SpacecraftId),
                          telemetry.SpaceValuesText, telemetry.PrtValuesText(), telemetry.TargetValuesText()}));
}

void TMainMenus::HelpDisplay(THelpDisplay display) { HHShowError(HtmlHelpDisplay(display, core_->HelpFileName)); }

void TMainMenus::HelpContext(int context) {
    bool callHelp = false;
    core_->HelpSystem->HelpHook(HELP_CONTEXT, context, callHelp);
}

void TMainMenus::HelpAboutClick() {
    TFormAboutBox about(&window_);
    about.exec();
}

// Nothing is saved while a file is read or a view drawn.
void TMainMenus::MenuSaveClick(std::string_view item) {
    if (core_->Busy()) return;
    const std::string base = core_->Pass.LoadedFileName;
    for (const TTextSaveItem& save : TextSaveItems)
        if (item == save.Name) core_->SaveImageText(save.Kind);
    if (item == "MenuSaveLocationData") core_->SaveLocationFile();
    for (const TImageSaveItem& save : ImageSaveItems)
        if (item == save.Name) core_->SaveImage(base, save.Mode, save.Jpeg);
    if (item == "MenuSaveAlbedos") core_->SaveAlbedoFiles();
    if (item == "MenuSaveRawChannels") core_->SaveRawChannels();
    if (item == "MenuSaveFirePixels") core_->SaveFireText(base);
    if (item == "MenuSaveDiagnostics") core_->SaveDiagnostics();
}

}  // namespace kestrune
