#include "app/HistogramForm.h"

#include "app/EventGuard.h"
#include "app/VideoAdjust.h"
#include "decoding/HRPTvideo.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"
#include "platform/UserNumbers.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrune {

namespace {

constexpr int BoxWidth = 260;
constexpr int BoxHeight = 70;
constexpr float DiagnosticClipFactor = 3.0f;

}  // namespace

bool HistogramHasData(TqelHistogram& histogram) { return histogram.Low() != 0 || histogram.High() != TopCount; }

std::string HistogramListing(TqelHistogram& histogram) {
    const int32_t* counts = histogram.Counts();
    const int32_t largest = std::max(1, *std::max_element(counts, counts + CountRange));
    std::string text;
    for (int bin = 0; bin < CountRange; ++bin) {
        const int column = bin % 30;
        if (column == 0) text += QString::asprintf("%4d ", bin).toStdString();
        text += QString::asprintf("%3.0f", counts[bin] * 99.4 / largest).toStdString();
        if (column == 9 || column == 19) text += ' ';
        if (column == 29 || bin == CountRange - 1) text += '\r';
    }
    return text;
}

// One channel's plot: bars from the raw counts and red ticks at its range.
class TFormHistogram::TChannelBox : public QWidget {
public:
    TChannelBox(TFormHistogram& form, int channel) : QWidget(&form), form_(form), channel_(channel) {
        setObjectName(QString("PaintBox%1").arg(channel));
        setFixedSize(BoxWidth, BoxHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        if (form_.video_ == nullptr) return;
        TqelHistogram& histogram = form_.video_->Histogram(channel_);
        const bool filled = HistogramHasData(histogram);
        form_.labels_[static_cast<size_t>(channel_ - 1)]->setEnabled(filled);
        if (!filled) return;
        setToolTip(ToQt(FormatResStr(res::SChannelVideoHint, {std::to_string(channel_), std::to_string(histogram.Low()),
                                                              std::to_string(histogram.High())})));
        const int w = width();
        const int h = height();
        painter.setPen(palette().color(QPalette::WindowText));
        const std::vector<int> bars = HistogramBars(histogram, w, h, true);
        for (size_t i = 0; i < bars.size(); ++i)
            painter.drawLine(static_cast<int>(i) + 1, h - 2, static_cast<int>(i) + 1, h - 2 - bars[i]);
        painter.setPen(Qt::red);
        for (int point : {histogram.Low(), histogram.High()}) {
            const int x = (w - 3) * point / TopCount + 1;
            painter.drawLine(x, h - 2, x, h - 12);
        }
    }
    void mousePressEvent(QMouseEvent*) override { Guarded([this] { form_.ShowChannel(channel_); }); }

private:
    TFormHistogram& form_;
    int channel_;
};

// The equalised stretch of channel 2, for checking the equalisation.
class TFormHistogram::TDiagnosticBox : public QWidget {
public:
    explicit TDiagnosticBox(TFormHistogram& form) : QWidget(&form), form_(form) {
        setObjectName("PaintBoxDiag");
        setFixedSize(CountRange / 4, CountRange / 4);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (form_.video_ == nullptr) return;
        const TCountTable* table = form_.video_->EqualisedStretch(2, DiagnosticClipFactor);
        if (table == nullptr) return;
        const int h = height();
        QPoint last(0, h);
        for (int i = 0; i < CountRange; ++i) {
            const QPoint next(i / 4, h - 1 - (*table)[static_cast<size_t>(i)] / 4);
            painter.drawLine(last, next);
            last = next;
        }
    }

private:
    TFormHistogram& form_;
};

TFormHistogram::TFormHistogram(QWidget* parent) : QDialog(parent) {
    setObjectName("FormHistogram");
    setWindowTitle("Talvessa from Morvane - multi-channel histogram display");
    auto* grid = new QGridLayout;
    for (int channel = 1; channel <= 10; ++channel) {
        const size_t index = static_cast<size_t>(channel - 1);
        labels_[index] = new QLabel(QString("Ch %1").arg(channel), this);
        labels_[index]->setObjectName(QString("LabelChan%1").arg(channel));
        boxes_[index] = new TChannelBox(*this, channel);
        const int row = (channel - 1) % 5;
        const int column = (channel - 1) / 5 * 2;
        grid->addWidget(labels_[index], row, column);
        grid->addWidget(boxes_[index], row, column + 1);
    }
    LabelInfo = new QLabel(this);
    LabelInfo->setObjectName("LabelInfo");
    auto* close = new QPushButton("Close", this);
    close->setObjectName("ButtonClose");
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LabelInfo, 1);
    bottom->addWidget(close);
    auto* top = new QHBoxLayout;
    top->addLayout(grid);
    top->addWidget(new TDiagnosticBox(*this), 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormHistogram::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (video_ == nullptr) return;
    const TqelHistogram& first = video_->Histogram(1);
    LabelInfo->setText(ToQt(FormatResStr(res::SRedMarks, {UserFixed(static_cast<double>(first.LowPercent()), 2),
                                                          UserFixed(static_cast<double>(first.HighPercent()), 2)})));
}

void TFormHistogram::ShowChannel(int channel) {
    if (video_ == nullptr) return;
    TqelHistogram& histogram = video_->Histogram(channel);
    if (HistogramHasData(histogram)) TDialogService::Instance().ShowMessage(HistogramListing(histogram));
}

}  // namespace kestrune
