// The temperature profile window: one chart of the channel-4 brightness
// temperature along the line drawn with the profile tool, against longitude
// or latitude; a click on the chart switches between kelvin and Celsius.
#pragma once

#include "app/TemperatureProfile.h"

#include <QDialog>

class QCategoryAxis;
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

namespace kestrune {

class TFormTemperatureProfile : public QDialog {
public:
    TFormTemperatureProfile(QWidget* parent, const TPassState& pass, TPixelLocate locate);

    // The line's end points in picture pixels, set before showing.
    int X1 = 0;
    int Y1 = 0;
    int X2 = 0;
    int Y2 = 0;
    bool InKelvin = true;

    void Redraw();
    void ChartProfileClick();
    const TProfile& Profile() const { return profile_; }
    QLineSeries* Series() const { return Series1; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LabelBottomAxis(double low, double high);

    const TPassState& pass_;
    TPixelLocate locate_;
    TProfile profile_;
    QChartView* ChartProfile = nullptr;
    QChart* chart_ = nullptr;
    QLineSeries* Series1 = nullptr;
    QValueAxis* leftAxis_ = nullptr;
    QCategoryAxis* bottomAxis_ = nullptr;
};

}  // namespace kestrune
