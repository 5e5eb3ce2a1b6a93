#include "app/ResidualForm.h"

#include "app/EventGuard.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"

#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

namespace kestrune {

namespace {

constexpr size_t ListedLineStep = 51;

}  // namespace

std::vector<std::string> ResidualLines(const TResidualTable& residuals) {
    std::vector<std::string> lines;
    for (size_t line = 0; line < residuals.size(); line += ListedLineStep) {
        std::string text;
        for (const TResidual& pair : residuals[line])
            text += QString::asprintf("%.0f,%.0f  ", static_cast<double>(pair.X), static_cast<double>(pair.Y))
                        .toStdString();
        lines.push_back(text);
    }
    return lines;
}

TResidualGraph ResidualVectors(const TResidualTable& residuals, int width, int height) {
    TResidualGraph graph;
    const int cell = width / 52;
    if (residuals.empty() || cell <= 0) return graph;
    const int rows = height / cell - 2;
    if (rows <= 0) return graph;
    const size_t step = std::max<size_t>(1, residuals.size() / static_cast<size_t>(rows));
    double sum = 0;
    for (int k = 0; k < rows && static_cast<size_t>(k) * step < residuals.size(); ++k) {
        const TResidualRow& row = residuals[static_cast<size_t>(k) * step];
        const int y = (k + 1) * cell;
        for (size_t j = 0; j < row.size(); ++j) {
            const int x = (static_cast<int>(j) + 1) * cell;
            graph.Vectors.push_back({x, y, x + static_cast<int>(std::lround(row[j].X)),
                                     y - static_cast<int>(std::lround(row[j].Y))});
            sum += static_cast<double>(row[j].X) * row[j].X + static_cast<double>(row[j].Y) * row[j].Y;
        }
    }
    if (!graph.Vectors.empty()) graph.Rms = std::sqrt(sum / static_cast<double>(graph.Vectors.size()));
    return graph;
}

class TFormResiduals::TGraph : public QWidget {
public:
    TGraph(QWidget* parent, TFormResiduals& form) : QWidget(parent), form_(form) { setObjectName("PaintBoxGraph"); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        const TResidualGraph graph = ResidualVectors(*form_.residuals_, width(), height());
        for (const auto& [x1, y1, x2, y2] : graph.Vectors) painter.drawLine(x1, y1, x2, y2);
        form_.LabelRmsError->setText(ToQt(FormatResStr(res::SRmsError, {Format("%.3f", graph.Rms)})));
    }

private:
    TFormResiduals& form_;
};

TFormResiduals::TFormResiduals(QWidget* parent, std::shared_ptr<const TResidualTable> residuals)
    : QDialog(parent), residuals_(std::move(residuals)) {
    setObjectName("FormResiduals");
    setWindowTitle("Talvessa - view residuals");
    auto* pages = new QTabWidget(this);
    pages->setObjectName("PageControl");
    pages->addTab(new TGraph(pages, *this), "Graph");
    auto* memo = new QPlainTextEdit(pages);
    memo->setObjectName("MemoResiduals");
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Set at once, the text opens at its first line's start (appended, it would open at the last one's end).
    QStringList lines;
    for (const std::string& line : ResidualLines(*residuals_)) lines.append(QString::fromStdString(line));
    memo->setPlainText(lines.join('\n'));
    pages->addTab(memo, "Data");
    LabelRmsError = new QLabel("RMS error:", this);
    LabelRmsError->setObjectName("LabelRmsError");
    auto* close = new QPushButton("Close", this);
    close->setObjectName("ButtonClose");
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LabelRmsError, 1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(bottom);
    resize(640, 520);
}

}  // namespace kestrune
