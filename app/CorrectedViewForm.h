// The corrected view: the displayed picture resampled to equal ground
// spacing across the scan, in a scroll box opened at its middle.
#pragma once

#include <QDialog>

class QProgressBar;
class QScrollArea;
class QLabel;

namespace kestrune {

class TExtBitmap;
class TRenderHost;

class TFormCorrectedView : public QDialog {
public:
    // receiverRunning: the correction runs at idle priority, for the reception program's sake.
    TFormCorrectedView(QWidget* parent, const TExtBitmap& source, bool meteorPass, float altitude,
                       TRenderHost* host, bool receiverRunning = false);

    const QLabel& Image() const { return *image_; }

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    QScrollArea* ScrollBox = nullptr;
    QLabel* image_ = nullptr;
};

}  // namespace kestrune
