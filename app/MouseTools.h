// The mouse over the displayed image: the cursor read-out (position, time,
// temperatures, sea-surface temperature, NDVI and angles under the mouse)
// in the label below the image, and the three tools that act on a drag: the
// ruler (range and bearing), the selection (the region whose histograms are
// measured) and the line of a temperature profile.
#pragma once

#include "render/PixelLocation.h"

#include <QPoint>

#include <array>
#include <cstdint>
#include <functional>

class QLabel;
class QMouseEvent;
class QToolButton;
class QWidget;

namespace kestrune {

class TImageDisplay;
class TMainCore;

enum TMouseTool : uint8_t { ToolRuler = 0, ToolSelect = 1, ToolTemperatureProfile = 2 };

class TMouseTools {
public:
    // The tool buttons are made in toolArea; the read-out shows in labelCursor.
    TMouseTools(TImageDisplay& display, QLabel& labelCursor, QWidget& toolArea);
    TMouseTools(const TMouseTools&) = delete;
    TMouseTools& operator=(const TMouseTools&) = delete;

    void Attach(TMainCore& core);

    // Whether one screen pixel shows one picture pixel (zoom 1:1).
    std::function<bool()> OneToOne;
    // The profile tool's drag, when the temperature profile window is to open.
    std::function<void(const std::array<int, 4>& rect)> OnTemperatureProfile;

    uint8_t MouseTool = ToolSelect;
    TCursorState Cursor;
    std::array<int, 4> SelectionRect{};  // x1, y1, x2, y2 in picture pixels

    void ImageDisplayMouseDown(QMouseEvent& event);
    void ImageDisplayMouseMove(QMouseEvent& event);
    void ImageDisplayMouseUp(QMouseEvent& event);
    void ImageDisplayMouseLeave();
    void LabelCursorClick();
    void SpeedButtonSelectDblClick();

    // The read-out at a picture pixel, as a mouse move there shows it.
    void MoveTo(QPoint pixel, bool ctrlHeld);
    void ShowCursorReadout();
    // After a language switch: the read-out or the units hint shown is made again in the new language.
    void LanguageChanged();
    // The tool buttons; the ruler and the profile need the map fitted to the pass.
    void ShowImageTools(bool show, bool mapFitted);
    // The drag band: a rectangle for the selection, else a line.
    void DrawSelectionLine(int x1, int y1, int y2, int x2);
    // Measures the histograms over the rectangle (at least 10 by 10) and redisplays.
    void MeasureSelection(int x1, int y1, int y2, int x2);

private:
    QPoint Pixel(const QMouseEvent& event) const;
    bool PassLocated() const;
    void EraseBand();

    TImageDisplay& display_;
    QLabel& labelCursor_;
    TMainCore* core_ = nullptr;
    bool unitsHintShown_ = false;
    QToolButton* SpeedButtonRuler = nullptr;
    QToolButton* SpeedButtonSelect = nullptr;
    QToolButton* SpeedButtonTProfile = nullptr;
};

}  // namespace kestrune
