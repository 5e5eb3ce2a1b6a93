// The decoded channel samples of one pass: up to ten channels of 10-bit
// counts held in 16 bits, laid out in blocks of eight lines, a flag byte per
// line, a histogram and a 1024-entry display table per channel.
#pragma once

#include "decoding/qelHistogram.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <thread>
#include <utility>
#include <vector>

namespace kestrune {

constexpr int VideoChannels = 10;
constexpr int CountRange = 1024;  // every count-indexed table has this many entries
constexpr int TileLines = 8;

using TCountTable = std::array<int32_t, CountRange>;

// Inclusive sample and line numbers.
struct TSampleRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
};

// One channel of the store seen as a 16-bit grey image without a copy. The
// lines of a tile of eight follow one another LineStride words apart; tiles
// lie TileStride words apart. Filters take line addresses through Line.
struct TChannelView {
    uint16_t* Base = nullptr;   // line 0; nullptr when the channel has no slot
    int32_t Width = 0;          // samples per line
    int32_t Height = 0;         // lines
    int32_t LineStride = 0;     // words between lines of one tile (the padded width)
    ptrdiff_t TileStride = 0;   // words between tiles of eight lines

    bool Valid() const { return Base != nullptr && Width > 0 && Height > 0; }
    // No range check: 0 <= y < Height.
    uint16_t* Line(int32_t y) const {
        return Base + (y / TileLines) * TileStride + static_cast<ptrdiff_t>(y % TileLines) * LineStride;
    }
};

class THRPTvideo {
public:
    using TProgress = std::function<void(uint8_t percentDone)>;

    THRPTvideo();

    // Each call discards the samples held and reallocates (zero-filled).
    void SetLineCount(int32_t count);
    // A large store's pages are brought in by a thread of its own while a pass
    // is read line by line; a pass whose lines are taken in on all processors
    // brings in its own, faster than one thread (off before the store is sized).
    bool PrefaultOnThread = true;
    void SetSlotCount(int32_t count);
    void SetWidth(int32_t width);

    int32_t LineCount() const { return lineCount_; }
    int32_t Width() const { return width_; }
    int32_t SlotCount() const { return slotCount_; }
    int32_t PaddedWidth() const { return paddedWidth_; }
    int32_t BlockWords() const { return blockWords_; }
    int32_t BlockCount() const { return blockCount_; }
    bool Reversed() const { return reversed_; }

    // First sample of the channel (1..10) on the line; nullptr for a line
    // outside the store or a channel without a slot.
    uint16_t* SampleAddress(int channel, int32_t line);
    const uint16_t* SampleAddress(int channel, int32_t line) const;
    TChannelView ChannelView(int channel);

    // 0 for a line outside the store; writes there are ignored.
    uint8_t GetLineFlag(int32_t line) const;
    void SetLineFlag(int32_t line, uint8_t value);

    // Measures the whole image after loading; channels 1 and 2 drop their
    // first clearBins bins (below the space count) when fewer than 100.
    void MeasureAll(int32_t clearBins1, int32_t clearBins2);
    // Measures a chosen rectangle (clipped to the image).
    void MeasureRegion(TSampleRect rect);
    // Refills the ten histograms over the measurement rectangle. With a
    // correction (gain x 256 per sample of a line) visible samples count as
    // (v - offset) x gain >> 8 + offset.
    void ComputeHistograms(std::span<const int32_t> correction, int32_t offset);
    TSampleRect MeasureRect() const { return measure_; }

    TqelHistogram& Histogram(int channel) { return histograms_.at(static_cast<size_t>(channel)); }

    // The channel's display table; nullptr for a channel outside 1..10 (and
    // for an empty histogram when equalising).
    const TCountTable* LinearStretch(int channel);
    const TCountTable* EqualisedStretch(int channel, float clipFactor);

    // Turns the image by 180 degrees (lines and samples), with progress; a
    // measured rectangle turns with it and its histograms are measured again.
    void Reverse();

    // Gives each present channel (1..10) the next slot in channel order and
    // every other channel none; returns the number of slots.
    int32_t AssignSlots(const std::array<bool, VideoChannels + 1>& present);
    // Set for each pass: the channel has a slot, and which (1-based; 0 = none).
    std::array<bool, VideoChannels + 1> ChannelPresent{};
    std::array<int32_t, VideoChannels + 1> ChannelSlot{};
    TProgress OnProgress;

private:
    void Allocate();
    void Release();
    ptrdiff_t SampleOffset(int channel, int32_t line) const;
    bool HasSlot(int channel) const;
    TSampleRect WholeImage() const { return {0, 0, width_ - 1, lineCount_ - 1}; }
    void CountChannel(int channel, std::span<const int32_t> correction, int32_t offset, int32_t lineStep);
    void ReverseLinePair(int32_t top, int32_t bottom, std::vector<uint16_t>& work);
    void TurnMeasurement();

    int32_t lineCount_ = 0;
    int32_t slotCount_ = 0;
    int32_t width_ = 0;
    int32_t paddedWidth_ = 0;
    int32_t blockWords_ = 0;
    int32_t blockCount_ = 0;
    int32_t clearBins1_ = 0;
    int32_t clearBins2_ = 0;
    bool reversed_ = false;
    TSampleRect measure_;
    bool measured_ = false;  // measure_ was chosen for the samples held
    // Zero-filled memory straight from the system, its pages brought in ahead of use.
    class TSampleMemory {
    public:
        TSampleMemory() = default;
        TSampleMemory(size_t words, bool prefaultOnThread);
        ~TSampleMemory();
        TSampleMemory(TSampleMemory&& other) noexcept { *this = std::move(other); }
        TSampleMemory& operator=(TSampleMemory&& other) noexcept;
        uint16_t* data() const { return data_; }
        bool empty() const { return words_ == 0; }

    private:
        void Unmap();

        uint16_t* data_ = nullptr;
        size_t words_ = 0;
        std::thread prefault_;
    };

    std::vector<uint8_t> lineFlags_;
    TSampleMemory samples_;
    std::vector<TqelHistogram> histograms_;  // index 0 unused
    std::array<TCountTable, VideoChannels + 1> stretchTables_{};
};

// Gamma curve between black and white (both limited to the count range):
// 0 below black, 1023 above white; gamma limited to 0.2 .. 5.0. Nothing
// happens when white <= black.
void BuildGammaTable(TCountTable& table, int32_t low, int32_t high, float gamma);

}  // namespace kestrune
