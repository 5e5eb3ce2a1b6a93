#include "app/CorrectedViewForm.h"

#include "app/ImageDisplay.h"
#include "render/BMPExtImage.h"
#include "render/RenderHost.h"
#include "render/ScanAngleCorrection.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <optional>

namespace kestrune {

TFormCorrectedView::TFormCorrectedView(QWidget* parent, const TExtBitmap& source, bool meteorPass, float altitude,
                                       TRenderHost* host, bool receiverRunning)
    : QDialog(parent) {
    setObjectName("FormCorrectedView");
    if (parent != nullptr) setWindowTitle(parent->windowTitle());
    ScrollBox = new QScrollArea(this);
    ScrollBox->setObjectName("ScrollBox");
    image_ = new QLabel;
    image_->setObjectName("Image");
    ScrollBox->setWidget(image_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ScrollBox);
    TExtBitmap corrected;
    if (source.Width() > 0 && source.Height() > 0) {
        std::optional<THourglass> hourglass;
        if (host != nullptr) hourglass.emplace(*host, receiverRunning);
        CorrectPanorama(source, corrected, host, meteorPass, altitude);
    }
    if (corrected.Width() > 0 && corrected.Height() > 0) image_->setPixmap(QPixmap::fromImage(ToImage(corrected)));
    image_->adjustSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize room = screen != nullptr ? screen->availableSize() * 0.8 : QSize(1024, 768);
    resize(std::min(room.width(), image_->width() + 24), std::min(room.height(), image_->height() + 24));
    // Both scroll bars start in the middle.
    for (QScrollBar* bar : {ScrollBox->horizontalScrollBar(), ScrollBox->verticalScrollBar()})
        connect(bar, &QScrollBar::rangeChanged, this, [bar](int, int maximum) { bar->setValue(maximum / 2); });
}

void TFormCorrectedView::wheelEvent(QWheelEvent* event) {
    QScrollBar* bar = ScrollBox->verticalScrollBar();
    if (bar->isVisible()) bar->setValue(bar->value() - event->angleDelta().y() / 2);
}

}  // namespace kestrune
