// The print window: the displayed picture corrected to equal ground spacing
// as a preview, the whole picture or a selection of it, spread over 1, 4, 9
// or 16 sheets and printed through Qt's printer (a real printer or a PDF
// file). The printing itself is a function the tests call without a window.
#pragma once

#include "app/PrintLayout.h"
#include "render/BMPExtImage.h"

#include <QDialog>
#include <QImage>

#include <functional>
#include <memory>

class QButtonGroup;
class QLabel;
class QPrinter;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kestrune {

class TControlSizer;
class TRenderHost;

// Prints the picture on sheets pages (1, 4, 9 or 16) of one document (one
// file, when it goes to PDF), each tile fitted into the page's equal-margin
// area and centred. Each tile goes to the printer as a dib; when one cannot
// be made (too small a picture) the user is told and nothing is printed.
// progress gets (sheet, sheet count); false stops. Returns the pages
// printed; 0 when nothing was.
int PrintPicture(QPrinter& printer, const TExtBitmap& picture, int sheets,
                 const std::function<bool(int, int)>& progress = {});

class TFormPrint : public QDialog {
public:
    // printer: the main window's, kept between openings.
    TFormPrint(QWidget* parent, QPrinter& printer);
    ~TFormPrint() override;

    // Set by the opener before showing.
    const TExtBitmap* SourceBitmap = nullptr;
    float Altitude = 848.0f;
    TRenderHost* Host = nullptr;
    // Correcting and printing run at idle priority while a reception program runs.
    bool ReceiverRunning = false;

    int Sheets = 1;
    const QImage& Corrected() const { return corrected_; }
    // The selection box over the preview and the preview itself (window coordinates).
    QWidget* SelectionBox() const;
    TPrintRect PreviewArea() const;
    void ButtonPrintClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    class TSelectionBox;

    void BuildControls();
    void TimerLoadTimer();
    void RadioGroupPrintRangeClick(int item);
    void ControlSizerSelectEnd();
    void ButtonPrintSetupClick();
    bool PrinterReady();

    QPrinter& printer_;
    TExtBitmap CorrectedBitmap;
    QImage corrected_;
    bool corrected_done_ = false;
    QLabel* ImagePreview = nullptr;
    QLabel* LabelProgress = nullptr;
    TSelectionBox* PaintBoxSelect = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QButtonGroup* sheetGroup_ = nullptr;
    QButtonGroup* rangeGroup_ = nullptr;
    QTimer* TimerLoad = nullptr;
    std::unique_ptr<TControlSizer> ControlSizerSelect;
};

}  // namespace kestrune
