#include "decoding/HRPTvideo.h"

#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <system_error>
#include <utility>

namespace kestrune {

namespace {

constexpr int32_t MaxCount = CountRange - 1;
constexpr int64_t SmallestRegion = 15000;
constexpr int64_t SmallestImage = 1000;
constexpr int32_t SamplesPerMeasure = 100000;

int32_t ClampCount(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, MaxCount));
}

TSampleRect Normalised(TSampleRect rect) {
    if (rect.Left > rect.Right) std::swap(rect.Left, rect.Right);
    if (rect.Top > rect.Bottom) std::swap(rect.Top, rect.Bottom);
    return rect;
}

TSampleRect Clipped(TSampleRect rect, const TSampleRect& bounds) {
    rect.Left = std::max(rect.Left, bounds.Left);
    rect.Top = std::max(rect.Top, bounds.Top);
    rect.Right = std::min(rect.Right, bounds.Right);
    rect.Bottom = std::min(rect.Bottom, bounds.Bottom);
    return rect;
}

bool SameRect(const TSampleRect& a, const TSampleRect& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

int64_t Area(const TSampleRect& rect) {
    return (static_cast<int64_t>(rect.Right) + 1 - rect.Left) * (static_cast<int64_t>(rect.Bottom) + 1 - rect.Top);
}

}  // namespace

namespace {

constexpr size_t PrefaultFrom = size_t{8} << 20;

// Brings in the pages of fresh memory a piece at a time, ahead of the thread that fills them; writes
// nothing, so a page already filled stays as it is. Stops where the system cannot.
void PrefaultPages(char* memory, size_t bytes) {
    constexpr size_t Piece = size_t{2} << 20;
    for (size_t at = 0; at < bytes; at += Piece)
        if (madvise(memory + at, std::min(Piece, bytes - at), MADV_POPULATE_WRITE) != 0) return;
}

}  // namespace

THRPTvideo::TSampleMemory::TSampleMemory(size_t words, bool prefaultOnThread) : words_(words) {
    const size_t bytes = words * sizeof(uint16_t);
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    // No large pages asked for: a fresh process faulting 110 MB in as 2 MB pages took three to four times
    // as long as in small pages on a virtual machine, where the host backs each large page anew.
    data_ = static_cast<uint16_t*>(memory);
    // The 27,000 page faults of a 15-minute pass cost the reading thread about 50 ms: a thread of its
    // own takes them while the pass is read.
    if (!prefaultOnThread || bytes < PrefaultFrom) return;
    try {
        prefault_ = std::thread(PrefaultPages, static_cast<char*>(memory), bytes);
    } catch (const std::system_error&) {
    }
}

THRPTvideo::TSampleMemory::~TSampleMemory() { Unmap(); }

void THRPTvideo::TSampleMemory::Unmap() {
    if (prefault_.joinable()) prefault_.join();
    if (data_ != nullptr) munmap(data_, words_ * sizeof(uint16_t));
    data_ = nullptr;
    words_ = 0;
}

THRPTvideo::TSampleMemory& THRPTvideo::TSampleMemory::operator=(TSampleMemory&& other) noexcept {
    if (this != &other) {
        Unmap();
        data_ = std::exchange(other.data_, nullptr);
        words_ = std::exchange(other.words_, 0);
        prefault_ = std::move(other.prefault_);
    }
    return *this;
}

THRPTvideo::THRPTvideo() {
    histograms_.reserve(VideoChannels + 1);
    for (int channel = 0; channel <= VideoChannels; ++channel) {
        histograms_.emplace_back(CountRange);
        histograms_.back().SetHighPercent(99.85f);
        histograms_.back().SetLowPercent(0.25f);
    }
}

void THRPTvideo::SetLineCount(int32_t count) {
    lineCount_ = std::max(count, 0);
    Allocate();
}

void THRPTvideo::SetSlotCount(int32_t count) {
    slotCount_ = std::max(count, 0);
    Allocate();
}

void THRPTvideo::SetWidth(int32_t width) {
    width_ = std::max(width, 0);
    Allocate();
}

void THRPTvideo::Release() {
    samples_ = TSampleMemory();
    lineFlags_.clear();
    blockCount_ = 0;
    paddedWidth_ = 0;
}

void THRPTvideo::Allocate() {
    Release();
    blockCount_ = (lineCount_ + TileLines - 1) / TileLines;
    paddedWidth_ = (width_ + 7) / 8 * 8;
    blockWords_ = slotCount_ * TileLines * paddedWidth_;
    for (auto& histogram : histograms_) histogram.Clear();
    clearBins1_ = clearBins2_ = 0;
    measured_ = false;
    const int64_t total = static_cast<int64_t>(blockCount_) * blockWords_;
    if (total <= 0) return;
    reversed_ = false;
    // Zero-filled, so lines a cancelled read never reached hold no stale pass.
    samples_ = TSampleMemory(static_cast<size_t>(total), PrefaultOnThread);
    lineFlags_.assign(static_cast<size_t>(lineCount_), 0);
}

int32_t THRPTvideo::AssignSlots(const std::array<bool, VideoChannels + 1>& present) {
    int32_t slots = 0;
    ChannelPresent = {};
    for (int channel = 1; channel <= VideoChannels; ++channel) {
        ChannelPresent[static_cast<size_t>(channel)] = present[static_cast<size_t>(channel)];
        ChannelSlot[static_cast<size_t>(channel)] = present[static_cast<size_t>(channel)] ? ++slots : 0;
    }
    return slots;
}

bool THRPTvideo::HasSlot(int channel) const {
    return channel >= 1 && channel <= VideoChannels && ChannelSlot[static_cast<size_t>(channel)] >= 1 &&
           ChannelSlot[static_cast<size_t>(channel)] <= slotCount_ && !samples_.empty();
}

ptrdiff_t THRPTvideo::SampleOffset(int channel, int32_t line) const {
    const ptrdiff_t slot = ChannelSlot[static_cast<size_t>(channel)] - 1;
    return static_cast<ptrdiff_t>(line / TileLines) * blockWords_ + slot * TileLines * paddedWidth_ +
           static_cast<ptrdiff_t>(line % TileLines) * paddedWidth_;
}

uint16_t* THRPTvideo::SampleAddress(int channel, int32_t line) {
    return const_cast<uint16_t*>(std::as_const(*this).SampleAddress(channel, line));
}

const uint16_t* THRPTvideo::SampleAddress(int channel, int32_t line) const {
    if (line < 0 || line >= lineCount_ || !HasSlot(channel)) return nullptr;
    return samples_.data() + SampleOffset(channel, line);
}

TChannelView THRPTvideo::ChannelView(int channel) {
    uint16_t* base = SampleAddress(channel, 0);
    if (base == nullptr) return {};
    return {base, width_, lineCount_, paddedWidth_, blockWords_};
}

uint8_t THRPTvideo::GetLineFlag(int32_t line) const {
    if (line < 0 || line >= static_cast<int32_t>(lineFlags_.size())) return 0;
    return lineFlags_[static_cast<size_t>(line)];
}

void THRPTvideo::SetLineFlag(int32_t line, uint8_t value) {
    if (line >= 0 && line < static_cast<int32_t>(lineFlags_.size())) lineFlags_[static_cast<size_t>(line)] = value;
}

void THRPTvideo::MeasureAll(int32_t clearBins1, int32_t clearBins2) {
    clearBins1_ = clearBins1;
    clearBins2_ = clearBins2;
    MeasureRegion(WholeImage());
}

void THRPTvideo::MeasureRegion(TSampleRect rect) {
    if (rect.Left == rect.Right || rect.Top == rect.Bottom || samples_.empty()) return;
    const TSampleRect whole = WholeImage();
    rect = Clipped(Normalised(rect), whole);
    if (rect.Left > rect.Right || rect.Top > rect.Bottom) return;
    const int64_t area = Area(rect);
    if (area < SmallestRegion) {
        if (!SameRect(rect, whole)) {
            TDialogService::Instance().ShowMessage(resStr(res::SRegionTooSmall));
            return;
        }
        if (area < SmallestImage) return;
    }
    measure_ = rect;
    measured_ = true;
    ComputeHistograms({}, 0);
}

void THRPTvideo::CountChannel(int channel, std::span<const int32_t> correction, int32_t offset, int32_t lineStep) {
    int32_t* bins = Histogram(channel).Counts();
    const bool corrected = !correction.empty() && (channel == 1 || channel == 2);
    for (int32_t y = measure_.Bottom; y >= measure_.Top; --y) {
        if (y % lineStep != 0) continue;
        const uint16_t* line = SampleAddress(channel, y);
        for (int32_t x = measure_.Left; x <= measure_.Right; ++x) {
            int64_t v = line[x];
            if (corrected && static_cast<size_t>(x) < correction.size()) {
                const uint32_t d = static_cast<uint32_t>(std::max<int64_t>(v - offset, 0));
                v = static_cast<int64_t>((static_cast<uint32_t>(correction[static_cast<size_t>(x)]) * d) >> 8) + offset;
            }
            ++bins[ClampCount(v)];
        }
    }
}

void THRPTvideo::ComputeHistograms(std::span<const int32_t> correction, int32_t offset) {
    for (auto& histogram : histograms_) histogram.Clear();
    if (samples_.empty()) return;
    // The store may have been resized since the rectangle was chosen.
    measure_ = Clipped(Normalised(measure_), WholeImage());
    if (measure_.Left > measure_.Right || measure_.Top > measure_.Bottom) return;
    const int32_t w = measure_.Right + 1 - measure_.Left;
    const int32_t h = measure_.Bottom + 1 - measure_.Top;
    const int32_t lineStep = h / (SamplesPerMeasure / w + 1) + 1;
    for (int channel = 1; channel <= VideoChannels; ++channel) {
        if (HasSlot(channel)) CountChannel(channel, correction, offset, lineStep);
    }
    const int32_t clearBins[] = {clearBins1_, clearBins2_};
    for (int channel = 1; channel <= 2; ++channel) {
        const int32_t n = clearBins[channel - 1];
        if (n >= 100) continue;
        std::fill_n(Histogram(channel).Counts(), std::clamp(n, 0, CountRange), 0);
        Histogram(channel).Calculate();
    }
    for (int channel = 3; channel <= VideoChannels; ++channel) Histogram(channel).Calculate();
}

const TCountTable* THRPTvideo::LinearStretch(int channel) {
    if (channel < 1 || channel > VideoChannels) return nullptr;
    int32_t lo = Histogram(channel).Low();
    int32_t hi = Histogram(channel).High();
    if (lo == hi) {
        if (hi >= MaxCount)
            lo = hi - 1;
        else
            hi = hi + 1;
    }
    TCountTable& table = stretchTables_[static_cast<size_t>(channel)];
    for (int32_t i = 0; i < CountRange; ++i)
        table[static_cast<size_t>(i)] = ClampCount(Round(MaxCount * static_cast<double>(i - lo) / (hi - lo)));
    return &table;
}

const TCountTable* THRPTvideo::EqualisedStretch(int channel, float clipFactor) {
    if (channel < 1 || channel > VideoChannels) return nullptr;
    TqelHistogram& histogram = Histogram(channel);
    int64_t total = histogram.Total();
    if (total == 0) return nullptr;
    std::array<int64_t, CountRange> bins{};
    std::copy_n(histogram.Counts(), CountRange, bins.begin());
    const int64_t clip = Round(clipFactor * static_cast<double>(total) / CountRange);
    if (clipFactor != 0.0f && clip != 0) {
        total = 0;
        for (auto& bin : bins) {
            bin = std::min(bin, clip);
            total += bin;
        }
    }
    std::array<int32_t, CountRange> cumulative{};
    int64_t below = 0;
    for (size_t i = 0; i < CountRange; ++i) {
        cumulative[i] = static_cast<int32_t>(Trunc(static_cast<double>(below) * 1023.99 / static_cast<double>(total)));
        below += bins[i];
    }
    TCountTable& table = stretchTables_[static_cast<size_t>(channel)];
    table[0] = cumulative[0];
    table[MaxCount] = cumulative[MaxCount];
    for (size_t i = 1; i < MaxCount; ++i) table[i] = (cumulative[i - 1] + cumulative[i] + cumulative[i + 1]) / 3;
    return &table;
}

void THRPTvideo::ReverseLinePair(int32_t top, int32_t bottom, std::vector<uint16_t>& work) {
    std::swap(lineFlags_[static_cast<size_t>(top)], lineFlags_[static_cast<size_t>(bottom)]);
    for (int channel = 1; channel <= VideoChannels; ++channel) {
        uint16_t* a = SampleAddress(channel, top);
        uint16_t* b = SampleAddress(channel, bottom);
        if (a == nullptr || b == nullptr) continue;
        std::reverse_copy(a, a + width_, work.begin());
        std::reverse_copy(b, b + width_, a);
        std::copy_n(work.begin(), width_, b);
    }
}

void THRPTvideo::Reverse() {
    if (lineCount_ == 0 || width_ == 0 || samples_.empty()) return;
    std::vector<uint16_t> work(static_cast<size_t>(width_));
    int32_t lastReported = -1;
    for (int32_t l = 0; l < lineCount_ / 2; ++l) {
        ReverseLinePair(l, lineCount_ - 1 - l, work);
        const int32_t p = l * 41 / (lineCount_ - 1);
        if (p != lastReported && OnProgress) OnProgress(static_cast<uint8_t>(std::min(p * 5, 255)));
        lastReported = p;
    }
    if (lineCount_ % 2 == 1) {
        for (int channel = 1; channel <= VideoChannels; ++channel) {
            if (uint16_t* middle = SampleAddress(channel, lineCount_ / 2)) std::reverse(middle, middle + width_);
        }
    }
    reversed_ = !reversed_;
    TurnMeasurement();
}

// The histograms sample every few lines counted from the top: measured again
// over the same part of the turned picture, they are those of the picture as
// if it had been read this way round.
void THRPTvideo::TurnMeasurement() {
    if (!measured_) return;
    measure_ = {width_ - 1 - measure_.Right, lineCount_ - 1 - measure_.Bottom, width_ - 1 - measure_.Left,
                lineCount_ - 1 - measure_.Top};
    ComputeHistograms({}, 0);
}

void BuildGammaTable(TCountTable& table, int32_t low, int32_t high, float gamma) {
    // The table holds the count range only; limits beyond it are pulled in.
    low = std::clamp(low, 0, MaxCount);
    high = std::clamp(high, 0, MaxCount);
    if (high <= low) return;
    const double g = std::clamp(static_cast<double>(gamma), 0.2, 5.0);
    for (int32_t i = 0; i < CountRange; ++i) {
        int32_t value = MaxCount;
        if (i < low) {
            value = 0;
        } else if (i <= high) {
            const int32_t q = (i - low) * MaxCount / (high - low);
            const double x = q / static_cast<double>(MaxCount);
            value = x > 0 ? static_cast<int32_t>(Round(MaxCount * std::exp(std::log(x) / g))) : q;
        }
        table[static_cast<size_t>(i)] = value;
    }
}

}  // namespace kestrune
