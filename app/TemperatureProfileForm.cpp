#include "app/TemperatureProfileForm.h"

#include "app/EventGuard.h"
#include "platform/ProgramStrings.h"
#include "platform/UserNumbers.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QLocale>
#include <QMouseEvent>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kestrune {

namespace {

constexpr int BottomTicks = 6;

// The axes write numbers as the cursor read-out does: with the user's
// decimal separator (Qt's locale of the environment's name), never grouped.
QLocale ChartLocale() {
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') continue;
        QLocale locale(QString::fromLatin1(value));
        if (locale.decimalPoint() != ToQt(UserDecimalSeparator())) break;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale;
    }
    return QLocale::c();
}

}  // namespace

TFormTemperatureProfile::TFormTemperatureProfile(QWidget* parent, const TPassState& pass, TPixelLocate locate)
    : QDialog(parent), pass_(pass), locate_(std::move(locate)) {
    setObjectName("FormTemperatureProfile");
    setWindowTitle("Talvessa - Temperature Profile");
    chart_ = new QChart;
    chart_->setTitle(QString::fromStdString(resStr(res::SProfileChartTitle)));
    chart_->legend()->hide();
    // Only the localised labels keep the unit's degree sign whole (the
    // printf form reads the format as Latin-1).
    chart_->setLocalizeNumbers(true);
    chart_->setLocale(ChartLocale());
    // Room for the last axis label with its compass suffix.
    chart_->setMargins(QMargins(10, 10, 36, 10));
    Series1 = new QLineSeries;
    Series1->setObjectName("Series1");
    Series1->setColor(Qt::red);
    chart_->addSeries(Series1);
    leftAxis_ = new QValueAxis;
    bottomAxis_ = new QCategoryAxis;
    bottomAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    chart_->addAxis(leftAxis_, Qt::AlignLeft);
    chart_->addAxis(bottomAxis_, Qt::AlignBottom);
    Series1->attachAxis(leftAxis_);
    Series1->attachAxis(bottomAxis_);
    ChartProfile = new QChartView(chart_, this);
    ChartProfile->setObjectName("ChartProfile");
    ChartProfile->setRenderHint(QPainter::Antialiasing);
    ChartProfile->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ChartProfile);
    resize(640, 420);
}

void TFormTemperatureProfile::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    InKelvin = true;
    Guarded([this] { Redraw(); });
}

bool TFormTemperatureProfile::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ChartProfile->viewport() && event->type() == QEvent::MouseButtonPress) {
        Guarded([this] { ChartProfileClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormTemperatureProfile::ChartProfileClick() {
    InKelvin = !InKelvin;
    Redraw();
}

// The points are ordered along the axis, as the chart shows them.
void TFormTemperatureProfile::Redraw() {
    profile_ = BuildProfile(pass_, locate_, X1, Y1, X2, Y2, InKelvin);
    std::vector<TProfilePoint> points = profile_.Points;
    std::stable_sort(points.begin(), points.end(),
                     [](const TProfilePoint& a, const TProfilePoint& b) { return a.Position < b.Position; });
    QList<QPointF> plotted;
    for (const TProfilePoint& point : points) plotted.append(QPointF(point.Position, point.Temperature));
    Series1->replace(plotted);
    leftAxis_->setLabelFormat(InKelvin ? "%.1f K" : "%.1f \u00B0C");
    if (points.empty()) return;
    const auto [low, high] = std::minmax_element(points.begin(), points.end(), [](const auto& a, const auto& b) {
        return a.Temperature < b.Temperature;
    });
    const double margin = std::max(0.5, (high->Temperature - low->Temperature) * 0.05);
    leftAxis_->setRange(low->Temperature - margin, high->Temperature + margin);
    LabelBottomAxis(points.front().Position, points.back().Position);
}

// The bottom axis carries its own texts, each with its compass suffix.
void TFormTemperatureProfile::LabelBottomAxis(double low, double high) {
    for (const QString& label : bottomAxis_->categoriesLabels()) bottomAxis_->remove(label);
    if (high <= low) high = low + 0.01;
    bottomAxis_->setRange(low, high);
    bottomAxis_->setStartValue(low);
    const double step = (high - low) / (BottomTicks - 1);
    for (int tick = 0; tick < BottomTicks; ++tick) {
        double value = low + tick * step;
        if (std::abs(value) < step * 1e-6) value = 0;
        bottomAxis_->append(ToQt(AxisLabel(UserFixed(value, 2), profile_.AlongLongitude)), value);
    }
}

}  // namespace kestrune
