#include "app/VideoAdjust.h"

#include "app/CommaText.h"
#include "platform/FileIO.h"
#include "platform/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>
#include <utility>

namespace kestrune {

namespace {

constexpr std::array<char, 3> ColourLetters{'R', 'G', 'B'};
constexpr float EqualiseClipFactor = 4.0f;

// Within low..high, the upper end winning when they cross.
int Limit(int value, int low, int high) { return std::min(std::max(value, low), high); }

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

bool ParseInteger(const std::string& text, int32_t& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

}  // namespace

int TMarkers::Position(int32_t value) const {
    return RoundHalfEven(BlackHome + static_cast<double>(WhiteHome - BlackHome) * value / TopCount);
}

int32_t TMarkers::Value(int position) const {
    if (WhiteHome == BlackHome) return 0;
    return Limit(RoundHalfEven((position - BlackHome) * 1023.99 / (WhiteHome - BlackHome)), 0, TopCount);
}

int TMarkers::GreyPosition(float gamma) const {
    return RoundHalfEven((BlackLeft * static_cast<double>(gamma) + WhiteLeft) / (1.0 + gamma));
}

TVideoAdjust::TVideoAdjust() {
    Markers.GreyLeft = (Markers.BlackHome + Markers.WhiteHome) / 2;
    RebuildTransfer(true);
}

void TVideoAdjust::SetTransferFileName(const std::string& fileName) { ImageName = ChangeFileExt(fileName, ""); }

void TVideoAdjust::LimitEdited() {
    if (Black >= White) {
        Black = 0;
        White = TopCount;
        Gamma = 1.0f;
    }
    Gamma = std::clamp(Gamma, SmallestGamma, LargestGamma);
}

void TVideoAdjust::ColourChoice() {
    const TColourTransfer& source = Colours[EqualRgb ? ColourRed : Selected];
    Black = source.Black;
    White = source.White;
    Gamma = source.Gamma;
    if (EqualRgb)
        for (TColour colour : {ColourGreen, ColourBlue}) {
            Colours[colour].Transfer = Colours[ColourRed].Transfer;
            Colours[colour].Black = Colours[ColourRed].Black;
            Colours[colour].White = Colours[ColourRed].White;
        }
    LimitEdited();
    Markers.BlackLeft = Markers.Position(Black);
    Markers.WhiteLeft = Markers.Position(White);
    Markers.GreyLeft = Markers.GreyPosition(Gamma);
    RebuildTransfer(EqualRgb);
}

void TVideoAdjust::RebuildTransfer(bool equal) {
    TColourTransfer& target = Colours[equal ? ColourRed : Selected];
    target.Black = Black;
    target.White = White;
    target.Gamma = Gamma;
    BuildGammaTable(target.Transfer, Black, White, Gamma);
    if (equal)
        for (TColour colour : {ColourGreen, ColourBlue}) Colours[colour] = Colours[ColourRed];
}

void TVideoAdjust::Auto(THRPTvideo& video) {
    for (size_t colour = 0; colour < Colours.size(); ++colour) {
        TqelHistogram& histogram = video.Histogram(Channels[colour]);
        TColourTransfer& transfer = Colours[colour];
        transfer.Black = histogram.Low();
        transfer.White = histogram.High();
        transfer.Gamma = 1.0f;
        BuildGammaTable(transfer.Transfer, transfer.Black, transfer.White, transfer.Gamma);
    }
    ColourChoice();
}

void TVideoAdjust::Equalise(THRPTvideo& video) {
    for (size_t colour = 0; colour < Colours.size(); ++colour)
        if (const TCountTable* table = video.EqualisedStretch(Channels[colour], EqualiseClipFactor))
            Colours[colour].Transfer = *table;
}

TMarker TVideoAdjust::PickMarker(int x) const {
    if (x < Markers.BlackHome || x > Markers.WhiteHome + Markers.Width) return MarkerNone;
    const int p = x - Markers.Width / 2;
    if (p < (Markers.BlackLeft + Markers.GreyLeft) / 2) return MarkerBlack;
    if (p > (Markers.GreyLeft + Markers.WhiteLeft) / 2) return MarkerWhite;
    return MarkerGrey;
}

void TVideoAdjust::DragMarker(TMarker marker, int x) {
    const int p = x - Markers.Width / 2;
    switch (marker) {
        case MarkerBlack:
            Markers.BlackLeft = Limit(p, Markers.BlackHome, Markers.GreyLeft - Markers.Width);
            Black = Markers.Value(Markers.BlackLeft);
            Markers.GreyLeft = Markers.GreyPosition(Gamma);
            break;
        case MarkerGrey: {
            Markers.GreyLeft = Limit(p, Markers.BlackLeft + Markers.Width, Markers.WhiteLeft - Markers.Width);
            const int below = Markers.GreyLeft - Markers.BlackLeft;
            if (below > 0)
                Gamma = std::clamp(static_cast<float>(Markers.WhiteLeft - Markers.GreyLeft) / static_cast<float>(below),
                                   SmallestGamma, LargestGamma);
            break;
        }
        case MarkerWhite:
            Markers.WhiteLeft = Limit(p, Markers.GreyLeft + Markers.Width, Markers.WhiteHome);
            White = Markers.Value(Markers.WhiteLeft);
            Markers.GreyLeft = Markers.GreyPosition(Gamma);
            break;
        case MarkerNone: return;
    }
    RebuildTransfer(EqualRgb);
}

// Lines end in CR LF, as in every text file the program writes.
std::string TVideoAdjust::XfrText() const {
    std::string text = "HRPT Xfer for " + ImageName + "\r\n";
    for (size_t colour = 0; colour < Colours.size(); ++colour) {
        const TColourTransfer& transfer = Colours[colour];
        text += std::string(1, ColourLetters[colour]) + " " + std::to_string(transfer.Black) + " " +
                std::to_string(transfer.White) + " " + std::to_string(RoundHalfEven(100.0 * transfer.Gamma)) + "\r\n";
    }
    return text;
}

void TVideoAdjust::ReadXfrText(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> items = SplitCommaText(line);
        if (items.size() != 4 || items[0].empty()) continue;
        std::array<int32_t, 3> numbers{};
        if (!ParseInteger(items[1], numbers[0]) || !ParseInteger(items[2], numbers[1]) ||
            !ParseInteger(items[3], numbers[2]))
            continue;
        const auto letter = std::find(ColourLetters.begin(), ColourLetters.end(), items[0][0]);
        if (letter == ColourLetters.end()) continue;
        TColourTransfer& transfer = Colours[static_cast<size_t>(letter - ColourLetters.begin())];
        transfer.Black = Limit(numbers[0], 0, TopCount);
        transfer.White = Limit(numbers[1], 0, TopCount);
        transfer.Gamma = static_cast<float>(numbers[2]) / 100.0f;
        BuildGammaTable(transfer.Transfer, transfer.Black, transfer.White, transfer.Gamma);
    }
}

void TVideoAdjust::SaveXfr(const std::string& path) const { WriteFileAtomically(path, XfrText()); }

bool TVideoAdjust::LoadXfr(const std::string& path) {
    std::string text;
    if (!ReadFileText(path, text)) return false;
    ReadXfrText(text);
    return true;
}

const int32_t* TVideoAdjust::Transfer(int colour) {
    if (!UseTransfer || colour < 0 || colour >= static_cast<int>(Colours.size())) return nullptr;
    handedOut_ = true;
    return Colours[static_cast<size_t>(colour)].Transfer.data();
}

bool TVideoAdjust::DropTransfer() {
    UseTransfer = false;
    return std::exchange(handedOut_, false);
}

std::vector<int> HistogramBars(TqelHistogram& histogram, int width, int height, bool raw) {
    std::vector<int> bars;
    if (histogram.BinCount() != CountRange || width < 4 || height < 3) return bars;
    const int32_t* c = histogram.Counts();
    const int64_t peak = c[histogram.Mode()];
    if (peak < 2) return bars;
    std::array<int64_t, CountRange> s{};
    s[0] = c[0];
    s[TopCount] = c[TopCount];
    for (int i = 1; i < TopCount; ++i)
        s[static_cast<size_t>(i)] = raw ? c[i] : (int64_t{c[i - 1]} + c[i] + c[i + 1]) / 3;
    int next = 0;
    for (int x = 1; x <= width - 2; ++x) {
        const int last = std::min(std::max(next, (x - 1) * TopCount / (width - 3)), TopCount);
        int64_t sum = 0;
        int64_t count = 0;
        for (int bin = next; bin <= last; ++bin)
            if (s[static_cast<size_t>(bin)] > 1) {
                sum += s[static_cast<size_t>(bin)];
                ++count;
            }
        next = last + 1;
        bars.push_back(count == 0 ? 0 : static_cast<int>(std::min<int64_t>(sum * (height - 2) / (peak * count), height - 2)));
    }
    return bars;
}

std::vector<int> TransferCurve(const TCountTable& table, int width, int height) {
    std::vector<int> ys;
    if (width < 2) return ys;
    for (int x = 0; x < width; ++x)
        ys.push_back((height - 1) - (height - 1) * table[static_cast<size_t>(x * TopCount / (width - 1))] / TopCount);
    return ys;
}

}  // namespace kestrune
