#include "app/TalvessaForm.h"

#include "app/DirectionForm.h"
#include "app/EventGuard.h"
#include "platform/DialogService.h"
#include "platform/SystemUtils.h"
#include "render/BMPExtImage.h"
#include "render/ViewTable.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <array>

namespace kestrune {

namespace {

constexpr int NewFileDelayMs = 300;

// A copy of the bitmap in the screen's own pixel format, so that showing it
// converts nothing more.
QImage ToImage(const TExtBitmap& bitmap) {
    if (bitmap.Empty()) return {};
    const int stride = static_cast<int>(bitmap.RowStride());
    switch (bitmap.PixelFormat()) {
        case TPixelFormat::pf8bit: {
            QImage image(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), stride, QImage::Format_Indexed8);
            QList<QRgb> colours;
            for (const TRGBQuad& entry : bitmap.Palette()) colours.append(qRgb(entry.Red, entry.Green, entry.Blue));
            image.setColorTable(colours);
            return image.convertToFormat(QImage::Format_RGB32);
        }
        case TPixelFormat::pf32bit:
            return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), stride, QImage::Format_RGB32).copy();
        default:
            return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), stride, QImage::Format_BGR888)
                .convertToFormat(QImage::Format_RGB32);
    }
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
    switch (type) {
        case TMsgDlgType::mtWarning: return QMessageBox::Warning;
        case TMsgDlgType::mtError: return QMessageBox::Critical;
        case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
        case TMsgDlgType::mtInformation: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

struct TButtonAnswer {
    TMsgDlgBtn Button;
    QMessageBox::StandardButton Qt;
    TModalResult Answer;
};
constexpr std::array<TButtonAnswer, 7> ButtonAnswers{{
    {mbYes, QMessageBox::Yes, mrYes}, {mbNo, QMessageBox::No, mrNo}, {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel}, {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry}, {mbIgnore, QMessageBox::Ignore, mrIgnore},
}};

// The interactive dialog service's boxes.
TModalResult ShowMessageBox(const TDialogRequest& request) {
    QMessageBox box(IconOf(request.type), ToQt(request.caption.empty() ? "Talvessa" : request.caption),
                    ToQt(request.text), QMessageBox::NoButton, QApplication::activeWindow());
    for (const TButtonAnswer& button : ButtonAnswers)
        if (request.buttons & button.Button) box.addButton(button.Qt);
    for (const TButtonAnswer& button : ButtonAnswers)
        if (button.Answer == request.defaultAnswer) box.setDefaultButton(button.Qt);
    const int clicked = box.exec();
    for (const TButtonAnswer& button : ButtonAnswers)
        if (clicked == button.Qt) return button.Answer;
    return mrCancel;
}

}  // namespace

int TWindowPlacement::WindowState() const {
    if (window_.isMaximized()) return 2;
    return window_.isMinimized() ? 1 : 0;
}
int TWindowPlacement::Left() const { return window_.x(); }
int TWindowPlacement::Top() const { return window_.y(); }
int TWindowPlacement::Width() const { return window_.frameGeometry().width(); }
int TWindowPlacement::Height() const { return window_.frameGeometry().height(); }
int TWindowPlacement::ClientWidth() const { return window_.width(); }
int TWindowPlacement::ClientHeight() const { return window_.height(); }
void TWindowPlacement::SetWindowState(int state) {
    if (state == 2) window_.setWindowState(Qt::WindowMaximized);
    else if (state == 1) window_.setWindowState(Qt::WindowMinimized);
    else window_.setWindowState(Qt::WindowNoState);
}
void TWindowPlacement::SetLeft(int left) { window_.move(left, window_.y()); }
void TWindowPlacement::SetTop(int top) { window_.move(window_.x(), top); }
void TWindowPlacement::SetClientWidth(int width) { window_.resize(width, window_.height()); }
void TWindowPlacement::SetClientHeight(int height) { window_.resize(window_.width(), height); }

TFormMain::TFormMain(TParams params) : placement_(*this) {
    setObjectName("FormMain");
    BuildControls();
    if (TDialogService::Instance().GetMode() == TDialogService::Mode::Interactive)
        TDialogService::Instance().SetInteractiveHandler(ShowMessageBox);
    SetHelpViewer([](const std::string& address) {
        const size_t hash = address.find('#');
        QUrl url = QUrl::fromLocalFile(ToQt(address.substr(0, hash)));
        if (hash != std::string::npos) url.setFragment(ToQt(address.substr(hash + 1)));
        return QDesktopServices::openUrl(url);
    });
    core_ = std::make_unique<TMainCore>(*this, std::move(params));
    FormPassDirection = new TFormPassDirection(this);
}

TFormMain::~TFormMain() {
    core_.reset();
    SetHelpViewer(nullptr);
    TDialogService::Instance().SetInteractiveHandler(nullptr);
}

void TFormMain::BuildControls() {
    // A fixed least size keeps text changes from resizing the window's limits.
    setMinimumSize(640, 480);
    resize(1024, 768);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* top = new QHBoxLayout;
    ButtonOpen = new QPushButton("Open", central);
    ButtonOpen->setObjectName("ButtonOpen");
    LabelMapping = new QLabel(central);
    LabelMapping->setObjectName("LabelMapping");
    top->addWidget(ButtonOpen);
    top->addWidget(LabelMapping, 1);
    layout->addLayout(top);

    TabControlImage = new QTabBar(central);
    TabControlImage->setObjectName("TabControlImage");
    layout->addWidget(TabControlImage);
    ScrollBoxImage = new QScrollArea(central);
    ScrollBoxImage->setObjectName("ScrollBoxImage");
    ImageDisplay = new QLabel;
    ImageDisplay->setObjectName("ImageDisplay");
    ImageDisplay->setScaledContents(true);
    ScrollBoxImage->setWidget(ImageDisplay);
    layout->addWidget(ScrollBoxImage, 1);

    auto* bottom = new QHBoxLayout;
    LabelProgress = new QLabel(central);
    LabelProgress->setObjectName("LabelProgress");
    ProgressBar = new QProgressBar(central);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setVisible(false);
    bottom->addWidget(LabelProgress, 1);
    bottom->addWidget(ProgressBar);
    layout->addLayout(bottom);
    setCentralWidget(central);

    TimerNewFile = new QTimer(this);
    TimerNewFile->setObjectName("TimerNewFile");
    TimerNewFile->setSingleShot(true);
    TimerNewFile->setInterval(NewFileDelayMs);
    connect(TimerNewFile, &QTimer::timeout, this, [this] { Guarded([this] { core_->TimerNewFileTimer(); }); });
    connect(ButtonOpen, &QPushButton::clicked, this, [this] { Guarded([this] { MenuOpenClick(); }); });
    connect(TabControlImage, &QTabBar::currentChanged, this,
            [this](int index) { Guarded([this, index] { TabControlImageChange(index); }); });
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    Guarded([this] {
        if (core_->FormShow()) TimerNewFile->start();
    });
}

void TFormMain::closeEvent(QCloseEvent* event) {
    core_->RequestAbort();
    QMainWindow::closeEvent(event);
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    SizeImageDisplay();
}

void TFormMain::MenuOpenClick() {
    if (core_->Pass.Loading) {
        core_->RequestAbort();
        return;
    }
    const QString chosen =
        QFileDialog::getOpenFileName(this, "Open", ToQt(core_->Settings.DataFolder->Value));
    if (chosen.isEmpty()) return;
    core_->LoadDataFile(chosen.toStdString());
    ButtonOpen->setText("Open");
}

void TFormMain::TabControlImageChange(int index) {
    const auto& tabs = core_->View.ViewTabs();
    if (index >= 0 && static_cast<size_t>(index) < tabs.size()) core_->SelectView(tabs[static_cast<size_t>(index)]);
}

void TFormMain::SizeImageDisplay() {
    if (!core_) return;
    const TExtBitmap& bitmap = core_->View.DisplayBitmap();
    TDisplaySizingInputs inputs;
    inputs.GraphicWidth = bitmap.Width();
    inputs.GraphicHeight = bitmap.Height();
    inputs.BytesPerPixel = BytesPerPixel(bitmap.PixelFormat());
    inputs.ScrollBoxWidth = ScrollBoxImage->width();
    inputs.VerticalScrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    inputs.AvailablePhysicalMemory = AvailablePhysicalMemory();
    const TDisplaySize size = kestrune::SizeImageDisplay(inputs);
    ImageDisplay->resize(size.Width, size.Height);
    ScrollBoxImage->horizontalScrollBar()->setVisible(size.HorizontalBarVisible);
}

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

void TFormMain::EnableControls(bool enabled) {
    TabControlImage->setEnabled(enabled);
    ProcessPendingEvents();
}

void TFormMain::SetStatusText(const std::string& text) {
    LabelProgress->setText(ToQt(text));
    LabelProgress->repaint();
}

void TFormMain::ShowProgress(bool show) {
    ProgressBar->setValue(ProgressBar->minimum());
    ProgressBar->setVisible(show);
    ProcessPendingEvents();
}

void TFormMain::SetProgressMax(int maximum) { ProgressBar->setMaximum(maximum); }
void TFormMain::SetProgressPosition(int position) { ProgressBar->setValue(position); }
void TFormMain::ProcessPendingEvents() { QCoreApplication::processEvents(); }

// The image tools and the result menus come with the window's menus.
void TFormMain::ShowImageTools(bool) {}
void TFormMain::EnableResultMenus(bool) {}

void TFormMain::ShowSidePanel(const TSidePanelLayout&, const std::string& mappingCaption, int) {
    LabelMapping->setText(ToQt(mappingCaption));
}

void TFormMain::BeginBusy(bool idlePriority) {
    ButtonOpen->setText("Stop");
    BeginHourglass(idlePriority);
}

void TFormMain::EndBusy() {
    EndHourglass();
    ButtonOpen->setText("Open");
}

void TFormMain::SetWindowCaption(const std::string& caption) { setWindowTitle(ToQt(caption)); }
// The window itself stands on the task bar, with its own caption.
void TFormMain::SetApplicationTitle(const std::string&) {}
void TFormMain::SetOpenButtonHint(const std::string& hint) { ButtonOpen->setToolTip(ToQt(hint)); }
// The palette button, the satellite label, the overlay button, the GAC
// layout and the nudge buttons come with the side panel.
void TFormMain::SetPaletteButtonHint(const std::string&) {}
void TFormMain::ShowSatelliteLabel(bool, const std::string&, const std::string&) {}
void TFormMain::SetOverlayShown(bool) {}
void TFormMain::SetGacLayout(bool) {}
void TFormMain::ShowNudgeOffset(int, int) {}

void TFormMain::ClearDisplay() { ImageDisplay->clear(); }
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
        const int index = TabControlImage->addTab(ToQt(name));
        if (name == core_->View.SelectedTab()) TabControlImage->setCurrentIndex(index);
    }
}

void TFormMain::DisplayChanged() {
    ImageDisplay->setPixmap(QPixmap::fromImage(ToImage(core_->View.DisplayBitmap())));
    SizeImageDisplay();
}

void TFormMain::PlaceBelowScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    move(x(), (screen ? screen->geometry().height() : 0) + 50);
}

void TFormMain::CloseWindow() { close(); }

}  // namespace kestrune
