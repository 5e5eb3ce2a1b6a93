// The multi-channel histogram window: the video histograms of channels 1
// to 10 with their percentile marks, a click listing a channel's bins, and
// the equalised stretch of channel 2. Made once, kept for the run.
#pragma once

#include <QDialog>

#include <array>
#include <string>

class QLabel;

namespace kestrune {

class THRPTvideo;
class TqelHistogram;

// A channel's histogram has data when its range is not the whole count range.
bool HistogramHasData(TqelHistogram& histogram);
// The click's listing: every bin as count x 99.4 / largest count, 30 to a line.
std::string HistogramListing(TqelHistogram& histogram);

class TFormHistogram : public QDialog {
public:
    explicit TFormHistogram(QWidget* parent);

    void SetVideo(THRPTvideo* video) { video_ = video; }
    THRPTvideo* Video() const { return video_; }
    void ShowChannel(int channel);

protected:
    void showEvent(QShowEvent* event) override;

private:
    class TChannelBox;
    class TDiagnosticBox;

    THRPTvideo* video_ = nullptr;
    std::array<QLabel*, 10> labels_{};
    std::array<TChannelBox*, 10> boxes_{};
    QLabel* LabelInfo = nullptr;
};

}  // namespace kestrune
