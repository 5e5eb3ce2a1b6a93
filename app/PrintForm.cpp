#include "app/PrintForm.h"

#include "app/ControlSizer.h"
#include "app/EventGuard.h"
#include "app/ImageDisplay.h"
#include "app/PrintDib.h"
#include "app/PrinterSetupForm.h"
#include "platform/ResCodePages.h"
#include "platform/DialogService.h"
#include "platform/FileUtils.h"
#include "platform/ProgramStrings.h"
#include "render/RenderHost.h"
#include "render/ScanAngleCorrection.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstring>

namespace kestrune {

namespace {

constexpr int PreviewSize = 449;
constexpr std::array<int, 4> SheetChoices{1, 4, 9, 16};

// The page's equal-margin area in device pixels, relative to the printable
// area's origin: every margin as wide as the widest.
QRect EqualMarginArea(const QPrinter& printer) {
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    const int offsetLeft = page.left() - paper.left();
    const int offsetTop = page.top() - paper.top();
    const int marginRight = paper.right() - page.right();
    const int marginBottom = paper.bottom() - page.bottom();
    const int margin = std::max({offsetLeft, offsetTop, marginRight, marginBottom});
    return {margin - offsetLeft, margin - offsetTop, paper.width() - 2 * margin, paper.height() - 2 * margin};
}

QRadioButton* RadioItem(QButtonGroup& group, QLayout& layout, QWidget* parent, const char* name, const char* caption, int id) {
    auto* item = new QRadioButton(caption, parent);
    item->setObjectName(name);
    layout.addWidget(item);
    group.addButton(item, id);
    return item;
}

// A part of a bitmap as a bitmap of its own, in the same pixel format.
void CopyPart(const TExtBitmap& source, const TPrintRect& part, TExtBitmap& target) {
    target.SetPixelFormat(source.PixelFormat());
    if (source.PixelFormat() == TPixelFormat::pf8bit) target.SetPalette(source.Palette());
    target.SetSize(part.Width, part.Height);
    const size_t pixelBytes = static_cast<size_t>(BytesPerPixel(source.PixelFormat()));
    for (int y = 0; y < part.Height; ++y)
        std::memcpy(target.ScanLine(y), source.ScanLine(part.Top + y) + static_cast<size_t>(part.Left) * pixelBytes,
                    static_cast<size_t>(part.Width) * pixelBytes);
}

// The sheets as the printer takes them: each tile made a dib and read back.
std::vector<QImage> SheetImages(const TExtBitmap& picture, const std::vector<TPrintRect>& tiles) {
    std::vector<QImage> sheets;
    for (const TPrintRect& tile : tiles) {
        TExtBitmap part;
        CopyPart(picture, tile, part);
        TDib dib;
        QImage image = GraphicToDIB(part, dib) ? DibToImage(dib) : QImage();
        if (image.isNull()) return {};
        sheets.push_back(std::move(image));
    }
    return sheets;
}

}  // namespace

int PrintPicture(QPrinter& printer, const TExtBitmap& picture, int sheets, const std::function<bool(int, int)>& progress) {
    const std::vector<TPrintRect> tiles = SheetTiles(sheets, picture.Width(), picture.Height());
    if (tiles.empty()) return 0;
    const std::vector<QImage> images = SheetImages(picture, tiles);
    if (images.empty()) {
        TDialogService::Instance().ShowMessage(resStr(res::SBitmapLoadError), {}, TMsgDlgType::mtError);
        return 0;
    }
    const TPrintRect& first = tiles.front();
    printer.setPageOrientation(PrintsInLandscape(first.Width, first.Height) ? QPageLayout::Landscape
                                                                            : QPageLayout::Portrait);
    printer.setDocName("Talvessa image");
    QPainter painter;
    if (!painter.begin(&printer)) return 0;
    int printed = 0;
    for (const QImage& image : images) {
        if (printed > 0 && !printer.newPage()) break;
        const QRect area = EqualMarginArea(printer);
        const TPrintRect fit = FitToArea(area.width(), area.height(), image.width(), image.height());
        painter.drawImage(QRect(area.left() + fit.Left, area.top() + fit.Top, fit.Width, fit.Height), image);
        ++printed;
        if (progress && !progress(printed, static_cast<int>(images.size()))) break;
    }
    painter.end();
    return printed;
}

// The selection: a rectangle drawn over the preview in inverted colours.
class TFormPrint::TSelectionBox : public QWidget {
public:
    explicit TSelectionBox(QWidget* parent) : QWidget(parent) {
        setObjectName("PaintBoxSelect");
        setCursor(Qt::SizeAllCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

TFormPrint::TFormPrint(QWidget* parent, QPrinter& printer)
    : QDialog(parent), printer_(printer), ControlSizerSelect(std::make_unique<TControlSizer>(nullptr)) {
    setObjectName("FormPrint");
    setWindowTitle("Talvessa - print image");
    BuildControls();
    ControlSizerSelect->OnEndMove = [this] { ControlSizerSelectEnd(); };
    ControlSizerSelect->OnEndSize = [this] { ControlSizerSelectEnd(); };
}

TFormPrint::~TFormPrint() { ControlSizerSelect.reset(); }

void TFormPrint::BuildControls() {
    auto* previewArea = new QWidget(this);
    previewArea->setObjectName("PreviewArea");
    previewArea->setFixedSize(PreviewSize + 2, PreviewSize + 2);
    ImagePreview = new QLabel(previewArea);
    ImagePreview->setObjectName("ImagePreview");
    ImagePreview->setGeometry(1, 1, PreviewSize, PreviewSize);
    ImagePreview->setScaledContents(true);
    ImagePreview->setStyleSheet("background: #808080;");
    PaintBoxSelect = new TSelectionBox(previewArea);
    PaintBoxSelect->hide();

    auto* sheets = new QGroupBox(" Multi-sheets ", this);
    sheets->setObjectName("RadioGroupSheets");
    auto* sheetLayout = new QVBoxLayout(sheets);
    sheetGroup_ = new QButtonGroup(sheets);
    RadioItem(*sheetGroup_, *sheetLayout, sheets, "RadioButtonSheets1", "On one sheet", 0)->setChecked(true);
    RadioItem(*sheetGroup_, *sheetLayout, sheets, "RadioButtonSheets4", "On 4 sheets", 1);
    RadioItem(*sheetGroup_, *sheetLayout, sheets, "RadioButtonSheets9", "On 9 sheets", 2);
    RadioItem(*sheetGroup_, *sheetLayout, sheets, "RadioButtonSheets16", "On 16 sheets", 3);
    connect(sheetGroup_, &QButtonGroup::idClicked, this, [this](int id) { Sheets = SheetChoices[static_cast<size_t>(id)]; });

    auto* range = new QGroupBox(" Print range ", this);
    range->setObjectName("RadioGroupPrintRange");
    auto* rangeLayout = new QVBoxLayout(range);
    rangeGroup_ = new QButtonGroup(range);
    RadioItem(*rangeGroup_, *rangeLayout, range, "RadioButtonRangeAll", "All", 0)->setChecked(true);
    RadioItem(*rangeGroup_, *rangeLayout, range, "RadioButtonRangeSelection", "Selection", 1);
    connect(rangeGroup_, &QButtonGroup::idClicked, this, [this](int id) { RadioGroupPrintRangeClick(id); });

    const auto button = [this](const char* name, const char* caption) {
        auto* made = new QPushButton(caption, this);
        made->setObjectName(name);
        made->setAutoDefault(false);
        return made;
    };
    QPushButton* print = button("ButtonPrint", "Print");
    QPushButton* setup = button("ButtonPrintSetup", "Setup");
    QPushButton* close = button("ButtonClose", "Close");
    connect(print, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonPrintClick(); }); });
    connect(setup, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonPrintSetupClick(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    LabelProgress = new QLabel(this);
    LabelProgress->setObjectName("LabelProgress");
    LabelProgress->setMinimumWidth(120);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);

    auto* side = new QVBoxLayout;
    side->addWidget(sheets);
    side->addWidget(range);
    side->addStretch();
    side->addWidget(LabelProgress);
    side->addWidget(ProgressBar);
    for (QPushButton* item : {print, setup, close}) side->addWidget(item);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(previewArea, 0, Qt::AlignTop);
    layout->addLayout(side);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    TimerLoad = new QTimer(this);
    TimerLoad->setObjectName("TimerLoad");
    TimerLoad->setSingleShot(true);
    TimerLoad->setInterval(50);
    connect(TimerLoad, &QTimer::timeout, this, [this] { Guarded([this] { TimerLoadTimer(); }); });
}

void TFormPrint::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The correction runs once per opening: coming back from the setup keeps the selection.
    if (corrected_done_) return;
    Sheets = 1;
    LabelProgress->setText(ToQt(resStr(res::SCorrectGeometry)));
    TimerLoad->start();
}

void TFormPrint::TimerLoadTimer() {
    corrected_done_ = true;
    if (SourceBitmap != nullptr && SourceBitmap->Width() > 0 && SourceBitmap->Height() > 0) {
        std::optional<THourglass> hourglass;
        if (Host != nullptr) hourglass.emplace(*Host, ReceiverRunning);
        CorrectPanorama(*SourceBitmap, CorrectedBitmap, Host, false, Altitude);
        if (!CorrectedBitmap.Empty()) corrected_ = ToImage(CorrectedBitmap);
    }
    const TPrintRect design{1, 1, PreviewSize, PreviewSize};
    const TPrintRect preview = PreviewRect(design, corrected_.width(), corrected_.height());
    ImagePreview->setGeometry(preview.Left, preview.Top, preview.Width, preview.Height);
    // The window keeps to the preview's shape, as tall as its controls need.
    ImagePreview->parentWidget()->setFixedSize(preview.Width + 2, preview.Height + 2);
    ImagePreview->setPixmap(QPixmap::fromImage(corrected_));
    PaintBoxSelect->setGeometry(preview.Left, preview.Top, preview.Width / 2, preview.Height / 2);
    ProgressBar->setValue(0);
    LabelProgress->clear();
}

QWidget* TFormPrint::SelectionBox() const { return PaintBoxSelect; }

TPrintRect TFormPrint::PreviewArea() const {
    const QRect shown = ImagePreview->geometry();
    return {shown.x(), shown.y(), shown.width(), shown.height()};
}

void TFormPrint::RadioGroupPrintRangeClick(int item) {
    const bool selection = item == 1;
    PaintBoxSelect->setVisible(selection);
    ControlSizerSelect->SetControl(selection ? PaintBoxSelect : nullptr);
}

void TFormPrint::ControlSizerSelectEnd() {
    const QRect box = PaintBoxSelect->geometry();
    const TPrintRect clamped = ClampSelection({box.x(), box.y(), box.width(), box.height()}, PreviewArea());
    PaintBoxSelect->setGeometry(clamped.Left, clamped.Top, clamped.Width, clamped.Height);
    PaintBoxSelect->update();
    ControlSizerSelect->PlaceHandles();
}

void TFormPrint::ButtonPrintSetupClick() { RunPrinterSetup(this, printer_); }

// Without a printer the picture goes to a PDF file the user names. A PDF
// file there already is replaced only when the user says so: else another
// name is asked for.
bool TFormPrint::PrinterReady() {
    if (printer_.outputFormat() == QPrinter::NativeFormat && !QPrinterInfo::availablePrinterNames().isEmpty())
        return true;
    const std::string chosen = printer_.outputFormat() == QPrinter::PdfFormat ? printer_.outputFileName().toStdString()
                                                                              : std::string();
    if (!chosen.empty() && !FileExists(chosen)) return true;
    if (!chosen.empty()) {
        const TModalResult answer = TDialogService::Instance().Ask(
            {FormatResStr(res::SReplacePrintFile, {ShownFileNameText(chosen)}), {}, TMsgDlgType::mtConfirmation, mbYesNoCancel, mrNo});
        if (answer == mrYes) return true;
        if (answer != mrNo) return false;
    }
    QFileDialog dialog(this, ToQt(resStr(res::SPrintToPdf)), QString(), ToQt(resStr(res::SPdfFiles)));
    dialog.setObjectName("PrintFileDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("pdf");
    if (!chosen.empty()) dialog.selectFile(ToQt(chosen));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    printer_.setOutputFormat(QPrinter::PdfFormat);
    printer_.setOutputFileName(dialog.selectedFiles().front());
    return true;
}

void TFormPrint::ButtonPrintClick() {
    if (CorrectedBitmap.Empty()) return;
    TExtBitmap selection;
    if (rangeGroup_->checkedId() == 1) {
        const QRect box = PaintBoxSelect->geometry();
        const TPrintRect part = SelectionInPicture({box.x(), box.y(), box.width(), box.height()}, PreviewArea(),
                                                   CorrectedBitmap.Width(), CorrectedBitmap.Height());
        // Told before a file is asked for that would stay unwritten.
        if (part.Width <= 0 || part.Height <= 0) {
            TDialogService::Instance().ShowMessage(resStr(res::SPrintSelectionEmpty), {}, TMsgDlgType::mtWarning);
            return;
        }
        CopyPart(CorrectedBitmap, part, selection);
    }
    if (!PrinterReady()) return;
    std::optional<THourglass> hourglass;
    if (Host != nullptr) hourglass.emplace(*Host, ReceiverRunning);
    LabelProgress->setText(ToQt(resStr(res::SPrinting)));
    ProgressBar->setMaximum(100);
    PrintPicture(printer_, selection.Empty() ? CorrectedBitmap : selection, Sheets, [this](int sheet, int count) {
        ProgressBar->setValue(sheet * 100 / count);
        return true;
    });
    LabelProgress->clear();
    ProgressBar->setValue(0);
}

}  // namespace kestrune
