#include "app/PrinterSetupForm.h"

#include "app/HelpTopics.h"
#include "platform/ProgramStrings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace kestrune {

namespace {

// Offered when a printer names no sizes of its own (and for PDF files).
constexpr std::array<QPageSize::PageSizeId, 6> CommonPaper{QPageSize::A4,     QPageSize::A3,    QPageSize::A5,
                                                           QPageSize::Letter, QPageSize::Legal, QPageSize::Tabloid};

// The PDF file's item carries no printer name.
void FillPrinters(QComboBox& box) {
    for (const QString& name : QPrinterInfo::availablePrinterNames()) box.addItem(name, name);
    box.addItem(QString::fromStdString(resStr(res::SPrintToPdfFile)), QString());
}

QList<QPageSize> PaperOf(const QString& printerName) {
    QList<QPageSize> sizes;
    if (!printerName.isEmpty()) sizes = QPrinterInfo::printerInfo(printerName).supportedPageSizes();
    if (sizes.isEmpty())
        for (const QPageSize::PageSizeId id : CommonPaper) sizes.append(QPageSize(id));
    return sizes;
}

void FillPaper(QComboBox& box, const QString& printerName, const QPageSize& wanted) {
    box.clear();
    for (const QPageSize& size : PaperOf(printerName)) box.addItem(size.name(), QVariant::fromValue(size));
    int index = -1;
    for (int item = 0; item < box.count() && index < 0; ++item)
        if (box.itemData(item).value<QPageSize>().isEquivalentTo(wanted)) index = item;
    box.setCurrentIndex(std::max(index, 0));
}

QPushButton* DialogButton(QDialog& dialog, const char* name, const char* caption) {
    auto* button = new QPushButton(caption, &dialog);
    button->setObjectName(name);
    return button;
}

}  // namespace

TFormPrinterSetup::TFormPrinterSetup(QWidget* parent, QPrinter& printer) : QDialog(parent), printer_(printer) {
    setObjectName("PrinterSetupDialog");
    // F1 opens the dialog's own topic, whichever window opened it.
    setProperty("HelpContext", HelpContextPrintSetup);
    setWindowTitle("Print setup");
    ComboBoxPrinter = new QComboBox(this);
    ComboBoxPrinter->setObjectName("ComboBoxPrinter");
    ComboBoxPaper = new QComboBox(this);
    ComboBoxPaper->setObjectName("ComboBoxPaper");
    auto* printerLabel = new QLabel("&Printer:", this);
    printerLabel->setObjectName("LabelPrinter");
    printerLabel->setBuddy(ComboBoxPrinter);
    auto* paperLabel = new QLabel("P&aper:", this);
    paperLabel->setObjectName("LabelPaper");
    paperLabel->setBuddy(ComboBoxPaper);

    // Each print takes the orientation of its picture: the dialog says so rather than offer a choice.
    auto* orientation = new QGroupBox(" Orientation ", this);
    orientation->setObjectName("GroupBoxOrientation");
    auto* orientationNote = new QLabel("As the picture: landscape when it is wider than high, else portrait", orientation);
    orientationNote->setObjectName("LabelOrientation");
    orientationNote->setWordWrap(true);
    auto* orientationLayout = new QHBoxLayout(orientation);
    orientationLayout->addWidget(orientationNote);

    QPushButton* ok = DialogButton(*this, "ButtonOK", "OK");
    ok->setDefault(true);
    QPushButton* cancel = DialogButton(*this, "ButtonCancel", "Cancel");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow(printerLabel, ComboBoxPrinter);
    fields->addRow(paperLabel, ComboBoxPaper);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(orientation);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FillPrinters(*ComboBoxPrinter);
    ShowChoice();
    connect(ComboBoxPrinter, &QComboBox::currentIndexChanged, this, [this] {
        FillPaper(*ComboBoxPaper, ComboBoxPrinter->currentData().toString(),
                  ComboBoxPaper->currentData().value<QPageSize>());
    });
}

void TFormPrinterSetup::ShowChoice() {
    const bool toFile = printer_.outputFormat() == QPrinter::PdfFormat || ComboBoxPrinter->count() == 1;
    const int printer = toFile ? ComboBoxPrinter->count() - 1 : ComboBoxPrinter->findData(printer_.printerName());
    ComboBoxPrinter->setCurrentIndex(std::max(printer, 0));
    FillPaper(*ComboBoxPaper, ComboBoxPrinter->currentData().toString(), printer_.pageLayout().pageSize());
}

void TFormPrinterSetup::accept() {
    const QString printerName = ComboBoxPrinter->currentData().toString();
    if (printerName.isEmpty()) {
        printer_.setOutputFormat(QPrinter::PdfFormat);
    } else {
        printer_.setOutputFormat(QPrinter::NativeFormat);
        printer_.setPrinterName(printerName);
    }
    printer_.setPageSize(ComboBoxPaper->currentData().value<QPageSize>());
    QDialog::accept();
}

bool RunPrinterSetup(QWidget* parent, QPrinter& printer) {
    TFormPrinterSetup dialog(parent, printer);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kestrune
