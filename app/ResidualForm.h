// The residuals of the map fit, for the developer: every 51st line's
// vectors as text, and a grid of the vectors drawn with their RMS length.
#pragma once

#include "orbit/EarthLocations.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace kestrune {

// Lines 0, 51, 102, ... each listing its pairs as "x,y  ".
std::vector<std::string> ResidualLines(const TResidualTable& residuals);
// The graph's vectors on a width x height box: from (x, y) to the end; with the RMS of those drawn.
struct TResidualGraph {
    std::vector<std::array<int, 4>> Vectors;
    double Rms = 0;
};
TResidualGraph ResidualVectors(const TResidualTable& residuals, int width, int height);

class TFormResiduals : public QDialog {
public:
    TFormResiduals(QWidget* parent, std::shared_ptr<const TResidualTable> residuals);

private:
    class TGraph;

    std::shared_ptr<const TResidualTable> residuals_;
    QLabel* LabelRmsError = nullptr;
};

}  // namespace kestrune
