#include "app/TalvessaForm.h"

#include "app/AnalystWindows.h"
#include "app/AvhrrBrowserForm.h"
#include "app/DesktopComposition.h"
#include "app/DirectionForm.h"
#include "app/DroppedFiles.h"
#include "app/EventGuard.h"
#include "app/FireDetectionForm.h"
#include "app/HelpTopics.h"
#include "app/HelpWindow.h"
#include "app/ImageDisplay.h"
#include "app/LanguageSwitch.h"
#include "app/MessageBoxes.h"
#include "app/MainMenus.h"
#include "app/MostRecentFilesMenu.h"
#include "decoding/PassFileTypes.h"
#include "app/MouseTools.h"
#include "app/PersistingControls.h"
#include "app/ShellOpen.h"
#include "app/SidePanel.h"
#include "app/SmallForms.h"
#include "decoding/HRPTvideo.h"
#include "dragdrop/DragDropFile.h"
#include "orbit/EarthLocations.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/SystemUtils.h"
#include "render/BMPExtImage.h"
#include "render/GoogleEarth.h"
#include "render/PixelLocation.h"
#include "render/ViewTable.h"
#include "shell/FHyOpenFileDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <array>

namespace kestrune {

namespace {

constexpr int NewFileDelayMs = 300;
constexpr int CloseRetryMs = 50;
constexpr int LinesPerMinute = 360;
constexpr int FlashShownMs = 375;
constexpr int FlashHiddenMs = 125;
constexpr int FlashBlinks = 5;

// The open dialog's two filters, named in the language in effect; the masks are matched in either case.
QStringList OpenDialogFilters() {
    return {ToQt(resStr(res::SHrptFiles) + " (" + PassFileMasks(true) + ") (" + PassFileMasks() + ")"),
            ToQt(resStr(res::SAllFilesAnyExtension)) + " (*)"};
}

QLabel* NamedLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

bool FireView(uint8_t view) { return view == ViewFalseColour || (view >= ViewCh3Raw && view <= ViewFire); }

}  // namespace

// ---- life --------------------------------------------------------------------------

TFormMain::TFormMain(TParams params, bool headless) : placement_(*this) {
    setObjectName("FormMain");
    setAttribute(Qt::WA_DontShowOnScreen, headless);
    BuildControls();
    // Nobody sees a headless window: nothing of it is painted, neither the progress of long work.
    if (headless) setUpdatesEnabled(false);
    if (TDialogService::Instance().GetMode() == TDialogService::Mode::Interactive)
        TDialogService::Instance().SetInteractiveHandler(ShowMessageBox);
    FormHelp = new THelpWindow(this);
    SetHelpViewer(FormHelp);
    // The core loads the side panel's stored values first (LoadPersistingControls).
    core_ = std::make_unique<TMainCore>(*this, std::move(params));
    core_->Headless = headless;
    core_->View.KeepsPictureForScreen = !headless;
    ImageDisplay->ScaledPicture = [this](QSize size) {
        TExtBitmap picture;
        core_->View.ScreenPicture(picture, size.width(), size.height());
        return ToImage(picture);
    };
    AttachToCore();
    BuildDropTarget();
    AttachLanguageSwitch(*this, [this] { LanguageChanging(); }, [this] { LanguageChanged(); });
}

// What refers to the core's objects goes before the core: the side panel
// and the fire window write their values from the core's fields when freed.
TFormMain::~TFormMain() {
    DetachLanguageSwitch();
    DropFileTarget->UnregisterControl(this);
    recentFiles_.reset();
    windows_.reset();
    delete FormFireDetectionControl;
    delete sidePanel_;
    sidePanel_ = nullptr;
    core_.reset();
    SetHelpViewer(nullptr);
    TDialogService::Instance().SetInteractiveHandler(nullptr);
}

// The switch sets the item lists again, so the two choices are kept across it.
void TFormMain::LanguageChanging() {
    // A pass's caption names the pass and keeps it; its format and the program's own caption are in a language.
    keptMainCaption_ = windowTitle() == ToQt(TMainCore::MainCaption());
    KeptGammaFCIndex = GammaComboBoxFC().ItemIndex();
    KeptSstRangeIndex = SstRangeGroup().ItemIndex();
}

void TFormMain::LanguageChanged() {
    setWindowTitle(ToQt(keptMainCaption_ ? TMainCore::MainCaption() : CaptionInLanguage(captionAsWritten_)));
    mouseTools_->LanguageChanged();
    sidePanel_->SetLanguageTexts();
    GammaComboBoxFC().SetItemIndex(KeptGammaFCIndex);
    SstRangeGroup().SetItemIndex(KeptSstRangeIndex);
    FormFireDetectionControl->SetLanguageTexts();
    ViewTabsChanged();
    if (!LabelMapping->text().isEmpty())
        LabelMapping->setText(ToQt(ViewMappingCaption(core_->View.ViewIndex(), core_->Pass.SensorKind)));
}

TqelComboBox& TFormMain::GammaComboBoxFC() const {
    return *static_cast<TqelComboBox*>(sidePanel_->Control(TSidePanelControl::ComboBoxGammaCorrectFC));
}

TqelRadioGroup& TFormMain::SstRangeGroup() const {
    return *static_cast<TqelRadioGroup*>(sidePanel_->Control(TSidePanelControl::RadioGroupSstDisplayRange));
}

void TFormMain::LoadPersistingControls(TViewOptions& options) { sidePanel_->LoadControls(options); }

void TFormMain::AttachToCore() {
    TMainCore& core = *core_;
    sidePanel_->Attach(core);
    mouseTools_->Attach(core);
    menus_->Attach(core);
    recentFiles_ = std::make_unique<TMostRecentFilesMenu>(*core.MRUFileList, *menus_->MenuFileReopen());
    recentFiles_->ShowFullPath = true;
    recentFiles_->OnMenuClick = [this](const std::string& name) { MRUFileListMRUItemClick(name); };
    recentFiles_->OnFileNotExist = [](const std::string&) { QApplication::beep(); };
    recentFiles_->Rebuild();
    FormFireDetectionControl = new TFormFireDetectionControl(this, core.FireSettings->Values);
    windows_ = std::make_unique<TAnalystWindows>(*this, core, *this);
    windows_->OnCentreOn = [this](QPoint pixel) { CentreOnPixel(pixel); };
    menus_->OnWindowItem = [this](std::string_view item) { windows_->MenuClick(item); };
    sidePanel_->OnAdjustHistogram = [this] { windows_->ButtonAdjHistogramClick(); };
    mouseTools_->OnTemperatureProfile = [this](const std::array<int, 4>& line) {
        windows_->ShowTemperatureProfile(line);
    };
    SetZoomChoices();
}

void TFormMain::BuildControls() {
    // A fixed least size keeps text changes from resizing the window's limits.
    setMinimumSize(640, 480);
    resize(1024, 768);
    menus_ = std::make_unique<TMainMenus>(*this);
    auto* central = new QWidget(this);
    ImageDisplay = new TImageDisplay(central);
    LabelCursor = NamedLabel("LabelCursor", central);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(BuildTopRow(central));
    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildImageArea(central), 1);
    auto* panelBox = new QScrollArea(central);
    panelBox->setObjectName("ScrollBoxPanel");
    panelBox->setFrameShape(QFrame::NoFrame);
    panelBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sidePanel_ = new TSidePanel(panelBox);
    panelBox->setWidget(sidePanel_);
    panelBox->setFixedWidth(sidePanel_->sizeHint().width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
    middle->addWidget(panelBox);
    layout->addLayout(middle, 1);
    layout->addWidget(BuildStatusRow(central));
    setCentralWidget(central);
    BuildTimers();

    FormPassDirection = new TFormPassDirection(this);
    FormLineByLine = new TFormLineByLine(this, sidePanel_->ActionPageDown());
    sidePanel_->OnEnableViewTabs = [this](bool enabled) { EnableViewTabs(enabled); };
    menus_->OnOpen = [this] { MenuOpenClick(); };
    menus_->OnBrowse = [this](uint8_t mode) { FileBrowseClick(mode); };
    FormBrowseAVHRR = new TFormBrowseAVHRR(this);
    menus_->OnExit = [this] {
        core_->RequestAbort();
        close();
    };
    menus_->OnLineByLine = [this] { MenuLineByLineClick(); };
    menus_->OnFireDetection = [this] { OptionsFireDetectionClick(); };
    menus_->OnZoomChoicesChanged = [this] { SetZoomChoices(); };
    menus_->OnTrackingScrollChanged = [this] { SizeImageDisplay(); };
}

QWidget* TFormMain::BuildTopRow(QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    ButtonOpen = new QPushButton(ToQt(resStr(res::SOpen)), row);
    ButtonOpen->setObjectName("ButtonOpen");
    connect(ButtonOpen, &QPushButton::clicked, this, [this] { Guarded([this] { MenuOpenClick(); }); });
    LabelMapping = NamedLabel("LabelMapping", row);
    LabelMapping->installEventFilter(this);
    LabelSatellite = NamedLabel("LabelSatellite", row);
    LabelSatellite->hide();
    auto* tools = new QWidget(row);
    tools->setObjectName("PanelImageTools");
    RadioGroupZoom = new TqelRadioGroup("", {"Full", "1:1", "2:1"}, 3, row);
    RadioGroupZoom->setObjectName("RadioGroupZoom");
    RadioGroupZoom->SetItemIndex(0);
    RadioGroupZoom->OnClick = [this] { Guarded([this] { RadioGroupZoomClick(); }); };
    layout->addWidget(ButtonOpen);
    layout->addWidget(LabelMapping, 1);
    layout->addWidget(LabelSatellite);
    layout->addWidget(tools);
    layout->addWidget(RadioGroupZoom);
    // The mouse tools' buttons go into the tool area, beside the zoom.
    mouseTools_ = std::make_unique<TMouseTools>(*ImageDisplay, *LabelCursor, *tools);
    mouseTools_->OneToOne = [this] { return ZoomMode == ZoomOneToOne; };
    return row;
}

QWidget* TFormMain::BuildImageArea(QWidget* parent) {
    auto* area = new QWidget(parent);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    TabControlImage = new QTabBar(area);
    TabControlImage->setObjectName("TabControlImage");
    TabControlImage->setExpanding(false);
    connect(TabControlImage, &QTabBar::currentChanged, this,
            [this](int index) { Guarded([this, index] { TabControlImageChange(index); }); });
    ScrollBoxImage = new QScrollArea(area);
    ScrollBoxImage->setObjectName("ScrollBoxImage");
    ScrollBoxImage->setWidget(ImageDisplay);
    ScrollBoxImage->viewport()->installEventFilter(this);
    ImageDisplay->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ImageDisplay, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { Guarded([this, at] { PopupMenuImagePopup(at); }); });
    PopupMenuImage = new QMenu(this);
    PopupMenuImage->setObjectName("PopupMenuImage");
    QAction* fireOptions = PopupMenuImage->addAction("Fire detection options...");
    fireOptions->setObjectName("PopupImageFireOptions");
    connect(fireOptions, &QAction::triggered, this, [this] { Guarded([this] { OptionsFireDetectionClick(); }); });
    QAction* googleEarth = PopupMenuImage->addAction("Google Earth");
    googleEarth->setObjectName("PopupImageGoogleEarth");
    connect(googleEarth, &QAction::triggered, this, [this] { Guarded([this] { PopupImageGoogleEarthClick(); }); });
    layout->addWidget(TabControlImage);
    layout->addWidget(ScrollBoxImage, 1);
    return area;
}

QWidget* TFormMain::BuildStatusRow(QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    LabelCursor->setMinimumHeight(3 * fontMetrics().height());
    LabelCursor->installEventFilter(this);
    LabelProgress = NamedLabel("LabelProgress", row);
    ProgressBar = new QProgressBar(row);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setVisible(false);
    layout->addWidget(LabelCursor, 1);
    layout->addWidget(LabelProgress, 1);
    layout->addWidget(ProgressBar);
    return row;
}

void TFormMain::BuildTimers() {
    TimerNewFile = new QTimer(this);
    TimerNewFile->setObjectName("TimerNewFile");
    TimerNewFile->setSingleShot(true);
    // Offscreen there is nothing to paint first: the open starts at once.
    TimerNewFile->setInterval(QGuiApplication::platformName() == "offscreen" ? 0 : NewFileDelayMs);
    connect(TimerNewFile, &QTimer::timeout, this, [this] {
        Guarded([this] {
            // What went wrong at the start is told first, over the window now shown,
            // before a pass named on the command line asks its own questions.
            ReportLocalizerErrors();
            // Another file is still being read or shown: the open waits its turn.
            if (core_->Busy())
                TimerNewFile->start();
            else
                core_->TimerNewFileTimer();
            recentFiles_->Rebuild();
        });
    });
    TimerFlashCursor = new QTimer(this);
    TimerFlashCursor->setObjectName("TimerFlashCursor");
    TimerFlashCursor->setSingleShot(true);
    TimerFlashCursor->setInterval(0);
    connect(TimerFlashCursor, &QTimer::timeout, this, [this] { Guarded([this] { TimerFlashCursorTimer(); }); });
    flashBlink_ = new QTimer(this);
    flashBlink_->setSingleShot(true);
    connect(flashBlink_, &QTimer::timeout, this, [this] { Guarded([this] { FlashStep(); }); });
}

// Placed before Qt makes the native window: made before its place is set,
// the window would be placed by its client area, a title bar lower than stored.
void TFormMain::setVisible(bool visible) {
    if (visible) Guarded([this] { core_->PlaceWindow(); });
    QMainWindow::setVisible(visible);
}

// Qt shows the window again after every restore from minimised: the first
// showing's work runs once.
void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    Guarded([this] {
        if (core_->FormShow()) FirstShowing();
    });
}

void TFormMain::FirstShowing() {
    if (core_->Settings.DisableAero->Value) SetBypassCompositor(*this, true);
    DropFileTarget->RegisterControl(this);
    EnableResultMenus(false);
    // The picture's tools (overlay, nudge, mouse tools) come with a pass.
    ShowImageTools(false);
    sidePanel_->ShowTempRangeLabels();
    TimerNewFile->start();
}

// Files dropped on the window open through the deferred open. While a file
// is read, and for files that would open nothing, a drop is refused: the
// pointer shows that nothing would happen, the source is told nothing was
// copied, and the status line says why. The files are read on entering, so
// that the drag is refused from the start.
void TFormMain::BuildDropTarget() {
    using namespace dragdrop;
    DropFileTarget = std::make_unique<TDropFileTarget>();
    DropFileTarget->DragTypes = DragTypes({TDragType::dtCopy});
    DropFileTarget->OptimizedMove = true;
    DropFileTarget->GetDataOnEnter = true;
    const auto refused = [this](uint32_t& effect) {
        if (core_->Pass.Loading) effect = ole::DROPEFFECT_NONE;
        const std::string cause = DropNotOpenedCause(DropFileTarget->GetFiles());
        if (!cause.empty()) effect = ole::DROPEFFECT_NONE;
        return cause;
    };
    DropFileTarget->OnEnter = [this, refused](TCustomDropTarget&, TShiftState, ole::POINTL, uint32_t& effect) {
        if (const std::string cause = refused(effect); !cause.empty()) SetStatusText(cause);
    };
    DropFileTarget->OnDragOver = [refused](TCustomDropTarget&, TShiftState, ole::POINTL, uint32_t& effect) { refused(effect); };
    DropFileTarget->OnDrop = [this](TCustomDropTarget&, TShiftState, ole::POINTL, uint32_t& effect) {
        DropFileTargetDrop(effect);
    };
}

void TFormMain::DropFileTargetDrop(uint32_t& effect) {
    if (core_->Pass.Loading) {
        effect = ole::DROPEFFECT_NONE;
        return;
    }
    const std::vector<std::string>& files = DropFileTarget->GetFiles();
    if (core_->DropFileTargetDrop(files)) return TimerNewFile->start();
    // The source is not told of a copy that opened nothing.
    effect = ole::DROPEFFECT_NONE;
    if (const std::string cause = DropNotOpenedCause(files); !cause.empty()) SetStatusText(cause);
}

// A window closed while a file is read or drawn stops that work first and
// closes once it has ended.
void TFormMain::closeEvent(QCloseEvent* event) {
    core_->RequestAbort();
    if (core_->Busy()) {
        event->ignore();
        QTimer::singleShot(CloseRetryMs, this, [this] { close(); });
        return;
    }
    QMainWindow::closeEvent(event);
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Guarded([this] { SizeImageDisplay(); });
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && watched == LabelMapping) {
        Guarded([this] { LabelMappingClick(); });
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && watched == LabelCursor) {
        Guarded([this] { mouseTools_->LabelCursorClick(); });
        return true;
    }
    // The wheel moves the vertical scroll bar by half its delta.
    if (event->type() == QEvent::Wheel && watched == ScrollBoxImage->viewport()) {
        QScrollBar* bar = ScrollBoxImage->verticalScrollBar();
        if (bar->isVisible()) bar->setValue(bar->value() + static_cast<QWheelEvent*>(event)->angleDelta().y() / 2);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- opening ------------------------------------------------------------------------

// A file asked for while another is read stops that read; while a view is
// drawn nothing opens.
bool TFormMain::ReadyToOpen() {
    if (core_->Pass.Loading) {
        core_->RequestAbort();
        return false;
    }
    return !core_->Busy();
}

void TFormMain::MenuOpenClick() {
    if (!ReadyToOpen()) return;
    // Shift held down at the click opens the pass browser instead of the file dialog.
    if (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier) return FileBrowseClick(0);
    OpenWithMenuOff([this] { return ChooseDataFile(); });
}

void TFormMain::FileBrowseClick(uint8_t mode) {
    FormBrowseAVHRR->BrowseMode = mode;
    if (FormBrowseAVHRR->exec() != QDialog::Accepted) return;
    if (core_->Pass.Loading) {
        core_->RequestAbort();
        return;
    }
    OpenWithMenuOff([this] { return FormBrowseAVHRR->ChosenDataFile; });
}

// A pick from the recent files opens at once.
void TFormMain::MRUFileListMRUItemClick(const std::string& fileName) {
    if (ReadyToOpen()) OpenWithMenuOff([&] { return fileName; });
}

void TFormMain::OpenWithMenuOff(const std::function<std::string()>& fileName) {
    QAction* menuOpen = menus_->Item("MenuOpen");
    menuOpen->setEnabled(false);
    const struct TMenuOpenOn {
        QAction* Item;
        ~TMenuOpenOn() { Item->setEnabled(true); }
    } on{menuOpen};
    const std::string name = fileName();
    if (name.empty()) return;
    core_->LoadDataFile(name);
    ButtonOpen->setText(ToQt(resStr(res::SOpen)));
    recentFiles_->Rebuild();
}

// The shell controls' dialog: it lists and opens folders and passes whose
// names are not text in the locale, by their bytes.
std::string TFormMain::ChooseDataFile() {
    shell::THyOpenFileForm dialog(this, ToQt(resStr(res::SOpen)));
    dialog.setObjectName("OpenDialog");
    dialog.setProperty("HelpContext", HelpContextOpen);
    dialog.SetNameFilters(OpenDialogFilters());
    dialog.SetFolder(core_->Settings.DataFolder->Value);
    if (!core_->OpenDialogFileName.empty()) dialog.SelectFile(core_->OpenDialogFileName);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.SelectedFile();
}

// ---- the view ---------------------------------------------------------------------------

// A tab picked while a view is drawn shows that view's tab again.
void TFormMain::TabControlImageChange(int index) {
    const auto& tabs = core_->View.ViewTabs();
    if (index < 0 || static_cast<size_t>(index) >= tabs.size()) return;
    if (core_->Busy()) {
        ViewTabsChanged();
        return;
    }
    core_->SelectView(tabs[static_cast<size_t>(index)]);
}

void TFormMain::SizeImageDisplay() {
    if (!core_ || !ImageDisplay->HasPicture()) return;
    BeginHourglass(core_->ReceiverRunning);
    const TExtBitmap& bitmap = core_->View.DisplayBitmap();
    TDisplaySizingInputs inputs;
    inputs.ZoomMode = ZoomMode;
    inputs.GraphicWidth = ImageDisplay->PictureWidth();
    inputs.GraphicHeight = ImageDisplay->PictureHeight();
    inputs.BytesPerPixel = bitmap.Empty() ? 3 : BytesPerPixel(bitmap.PixelFormat());
    inputs.ScrollBoxWidth = ScrollBoxImage->width() - 2 * ScrollBoxImage->frameWidth();
    inputs.VerticalScrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    inputs.VideoWidth = core_->Pass.Video->Width();
    inputs.VideoLineCount = core_->Pass.Video->LineCount();
    inputs.AvailablePhysicalMemory = AvailablePhysicalMemory();
    inputs.TrackingScroll = core_->Settings.TrackingScroll->Value;
    const TDisplaySize size = kestrune::SizeImageDisplay(inputs);
    ScrollBoxImage->setHorizontalScrollBarPolicy(size.HorizontalBarVisible ? Qt::ScrollBarAsNeeded
                                                                            : Qt::ScrollBarAlwaysOff);
    ScrollBoxImage->setVerticalScrollBarPolicy(ZoomMode == ZoomFitWidth ? Qt::ScrollBarAlwaysOn
                                                                        : Qt::ScrollBarAsNeeded);
    ScrollBoxImage->horizontalScrollBar()->setTracking(size.Tracking);
    ScrollBoxImage->verticalScrollBar()->setTracking(size.Tracking);
    ImageDisplay->resize(std::max(size.Width, 1), std::max(size.Height, 1));
    EndHourglass();
}

void TFormMain::SetZoomChoices() {
    const bool zoomIn = core_->Settings.ZoomIn->Value;
    const THandlerDetached detached(RadioGroupZoom->OnClick);
    const int index = RadioGroupZoom->ItemIndex();
    RadioGroupZoom->SetItems(zoomIn ? std::vector<std::string_view>{"Full", "1:1", "2:1"}
                                    : std::vector<std::string_view>{"Full", "1:1"},
                             zoomIn ? 3 : 2);
    RadioGroupZoom->SetItemIndex(index);
}

// The point at the centre of the view stays there: it is taken in picture
// pixels before the change and put back after it.
void TFormMain::RadioGroupZoomClick() {
    const int chosen = RadioGroupZoom->ItemIndex();
    if (chosen < 0 || ZoomMode == chosen) return;
    ZoomMode = static_cast<uint8_t>(chosen);
    if (ZoomMode == ZoomDouble &&
        core_->Pass.DataLineCount > core_->Settings.MaxZoomedMinutes->Value * LinesPerMinute)
        ZoomMode = ZoomOneToOne;
    QScrollBar* horizontal = ScrollBoxImage->horizontalScrollBar();
    QScrollBar* vertical = ScrollBoxImage->verticalScrollBar();
    const QSize box = ScrollBoxImage->viewport()->size();
    const QPointF centre(box.width() / 2.0 + horizontal->value(), box.height() / 2.0 + vertical->value());
    const QPoint pixel = ImageDisplay->PicturePoint(centre.toPoint(), false);
    SizeImageDisplay();
    const QPoint shown = ImageDisplay->ControlPoint(pixel);
    horizontal->setValue(shown.x() - box.width() / 2);
    vertical->setValue(shown.y() - box.height() / 2);
}

void TFormMain::LabelMappingClick() {
    const int context = LabelMapping->property("Tag").toInt();
    if (context == 0) return;
    bool callHelp = false;
    core_->HelpSystem->HelpHook(HELP_CONTEXTPOPUP, context, callHelp);
}

void TFormMain::OptionsFireDetectionClick() {
    if (core_->Busy()) return;
    if (FormFireDetectionControl->exec() != mrRetry) return;
    BeginHourglass(false);
    core_->RebuildFireImages();
    if (FireView(core_->View.ViewIndex())) core_->Redisplay();
    EndHourglass();
}

// An open line-by-line window follows the pass.
void TFormMain::LoadEnded() {
    if (FormLineByLine->isVisible()) FormLineByLine->ShowLines(core_->Pass.DiagnosticLines);
}

void TFormMain::MenuLineByLineClick() {
    FormLineByLine->ShowLines(core_->Pass.DiagnosticLines);
    FormLineByLine->show();
    FormLineByLine->raise();
}

void TFormMain::PopupMenuImagePopup(QPoint at) {
    const uint8_t view = core_->View.ViewIndex();
    PopupMenuImage->actions().front()->setEnabled(view >= ViewCh3Raw && view <= ViewFire);
    PopupLatitude = PopupLongitude = 0;
    const QPoint pixel = ImageDisplay->PicturePoint(at, ZoomMode == 1);
    float latitude = 0, longitude = 0;
    if (core_->PassLoaded() && PixelLocation(core_->Pass, pixel.x(), pixel.y(), latitude, longitude)) {
        PopupLatitude = latitude;
        PopupLongitude = longitude;
    }
    PopupMenuImage->popup(ImageDisplay->mapToGlobal(at));
}

void TFormMain::PopupImageGoogleEarthClick() {
    const std::string file = WriteKmlPoint(PopupLatitude, PopupLongitude);
    if (!file.empty()) ShellOpen(file);
}

// ---- the cursor flash -----------------------------------------------------------------

void TFormMain::FlashCursorAt(QPoint screenPoint) {
    FlashPoint = screenPoint;
    TimerFlashCursor->start();
}

// Unless the zoom is 1:1 the pixel is scaled to the shown picture.
void TFormMain::CentreOnPixel(QPoint pixel) {
    const int bitmapWidth = core_->View.DisplayBitmap().Width();
    if (ZoomMode != ZoomOneToOne && bitmapWidth > 0) {
        const double scale = static_cast<double>(ImageDisplay->width()) / bitmapWidth;
        pixel = QPoint(static_cast<int>(pixel.x() * scale), static_cast<int>(pixel.y() * scale));
    }
    ScrollBoxImage->horizontalScrollBar()->setValue(pixel.x() - ScrollBoxImage->viewport()->width() / 2);
    ScrollBoxImage->verticalScrollBar()->setValue(pixel.y() - ScrollBoxImage->viewport()->height() / 2);
    FlashCursorAt(ImageDisplay->mapToGlobal(pixel));
}

// The cursor moves to the point as a hand and blinks five times there
// (shown 375 ms, hidden 125 ms), without holding up the window.
void TFormMain::TimerFlashCursorTimer() {
    TimerFlashCursor->stop();
    QCursor::setPos(FlashPoint);
    QApplication::setOverrideCursor(Qt::SizeAllCursor);
    QApplication::changeOverrideCursor(Qt::PointingHandCursor);
    flashStep_ = 0;
    flashBlink_->start(FlashShownMs);
}

void TFormMain::FlashStep() {
    ++flashStep_;
    if (flashStep_ >= 2 * FlashBlinks) {
        QApplication::restoreOverrideCursor();
        return;
    }
    const bool hide = flashStep_ % 2 == 1;
    QApplication::changeOverrideCursor(hide ? Qt::BlankCursor : Qt::PointingHandCursor);
    flashBlink_->start(hide ? FlashHiddenMs : FlashShownMs);
}

// ---- the host --------------------------------------------------------------------------

void TFormMain::BeginHourglass(bool idlePriority) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    priorityTokens_.push_back(SetIdlePriority(idlePriority));
}

void TFormMain::EndHourglass() {
    if (!priorityTokens_.empty()) {
        RestorePriority(priorityTokens_.back());
        priorityTokens_.pop_back();
    }
    QApplication::restoreOverrideCursor();
}

// Around long work the side panel, the menus and the zoom are off, so that
// nothing that arrives meanwhile changes the pass under the work.
void TFormMain::EnableControls(bool enabled) {
    sidePanel_->EnableControls(enabled);
    menuBar()->setEnabled(enabled);
    RadioGroupZoom->setEnabled(enabled && !gacLayout_);
    ProcessPendingEvents();
}

void TFormMain::SetStatusText(const std::string& text) {
    LabelCursor->clear();
    LabelProgress->setText(ToQt(text));
    LabelProgress->repaint();
}

void TFormMain::ShowProgress(bool show) {
    ProgressBar->setValue(ProgressBar->minimum());
    ProgressBar->setVisible(show);
    ShowImageTools(!show);
    ProcessPendingEvents();
}

void TFormMain::SetProgressMax(int maximum) { ProgressBar->setMaximum(maximum); }
void TFormMain::SetProgressPosition(int position) { ProgressBar->setValue(position); }
void TFormMain::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void TFormMain::ShowImageTools(bool show) {
    const bool mapFitted = core_ && core_->Pass.EarthLocations->MapFitted;
    show = show && ImageDisplay->HasPicture();
    mouseTools_->ShowImageTools(show, mapFitted);
    sidePanel_->ShowOverlayTools(show && mapFitted);
}

void TFormMain::ShowSidePanel(const TSidePanelLayout& layout, const std::string& mappingCaption, int helpContext) {
    sidePanel_->ShowSidePanel(layout);
    LabelMapping->setText(ToQt(mappingCaption));
    LabelMapping->setProperty("Tag", helpContext);
    if (core_) core_->SetScaleBitmap(sidePanel_->ScaleBitmap());
}

void TFormMain::EnableResultMenus(bool enabled) { menus_->EnableResultMenus(enabled); }

void TFormMain::BeginBusy(bool idlePriority) {
    ButtonOpen->setText(ToQt(resStr(res::SStop)));
    LabelCursor->clear();
    BeginHourglass(idlePriority);
}

void TFormMain::EndBusy() {
    EndHourglass();
    ButtonOpen->setText(ToQt(resStr(res::SOpen)));
}

void TFormMain::SetWindowCaption(const std::string& caption) {
    captionAsWritten_ = caption;
    setWindowTitle(ToQt(CaptionInLanguage(caption)));
}
// The window itself stands on the task bar, with its own caption; the
// application's title captions the message boxes.
void TFormMain::SetApplicationTitle(const std::string& title) { kestrune::SetApplicationTitle(title); }
void TFormMain::SetOpenButtonHint(const std::string& hint) { ButtonOpen->setToolTip(ToQt(hint)); }
void TFormMain::SetPaletteButtonHint(const std::string& hint) { sidePanel_->SetPaletteButtonHint(hint); }

void TFormMain::ShowSatelliteLabel(bool visible, const std::string& caption, const std::string& hint) {
    LabelSatellite->setText(ToQt(caption));
    LabelSatellite->setToolTip(ToQt(hint));
    LabelSatellite->setVisible(visible);
}

void TFormMain::SetOverlayShown(bool shown) { sidePanel_->SetOverlayShown(shown); }

// GAC passes are shown one to one, with no other zoom, and offer the GAC
// savers instead of the corrected and APT ones; others fit the width.
void TFormMain::SetGacLayout(bool gac) {
    gacLayout_ = gac;
    ZoomMode = gac ? ZoomOneToOne : ZoomFitWidth;
    const THandlerDetached detached(RadioGroupZoom->OnClick);
    RadioGroupZoom->SetItemIndex(ZoomMode);
    RadioGroupZoom->setEnabled(!gac && menuBar()->isEnabled());
    for (const char* item : {"MenuSaveGAC", "MenuSaveGACJPEG"}) menus_->Item(item)->setVisible(gac);
    for (const char* item : {"MenuSaveCorrected", "MenuSaveCorrectedJPEG", "MenuSaveAsAPT", "MenuSaveAsAPTJPEG",
                             "MenuViewCorrectedImage", "MenuViewCorrectedImageWithMinimise"})
        menus_->Item(item)->setVisible(!gac);
}

void TFormMain::ShowNudgeOffset(int nudgeX, int nudgeY) { sidePanel_->ShowNudgeOffset(nudgeX, nudgeY); }
void TFormMain::ClearDisplay() { ImageDisplay->SetPicture({}); }
void TFormMain::EnableViewTabs(bool enabled) { TabControlImage->setEnabled(enabled); }

TPassDirectionAnswer TFormMain::AskPassDirection(const TPassDirectionRequest& request,
                                                 const TPassDirectionProposal& proposal) {
    return FormPassDirection->Ask(request, proposal, core_->Unattended);
}

void TFormMain::ViewTabsChanged() {
    const QSignalBlocker blocker(TabControlImage);
    const auto& tabs = core_->View.ViewTabs();
    while (TabControlImage->count() > 0) TabControlImage->removeTab(TabControlImage->count() - 1);
    for (const std::string& name : tabs) {
        const uint8_t view = ViewIndexOfName(name);
        const int index = TabControlImage->addTab(ToQt(view == NoView ? name : resStr(static_cast<uint16_t>(res::SViewNames + view))));
        if (name == core_->View.SelectedTab()) TabControlImage->setCurrentIndex(index);
    }
}

void TFormMain::DisplayChanged() {
    // Nobody sees a headless window: its picture would be a copy for nothing.
    if (core_->Headless) return;
    ImageDisplay->SetPicture(ToImage(core_->View.DisplayBitmap()));
    SizeImageDisplay();
    // The progress of the drawing ended before its picture came: the tools
    // follow the picture now, also when the view drew nothing.
    ShowImageTools(ProgressBar->isHidden());
}

void TFormMain::PlaceBelowScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    move(x(), (screen ? screen->geometry().height() : 0) + 50);
}

void TFormMain::KeepWhollyOnScreen() { FitWhollyOnScreen(*this); }

void TFormMain::CloseWindow() { close(); }

}  // namespace kestrune
