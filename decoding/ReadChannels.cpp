#include "decoding/ReadChannels.h"

#include "decoding/HRPTvideo.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "platform/ParallelLines.h"
#include "platform/SystemUtils.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>

namespace kestrune {

namespace {

constexpr int32_t ProgressEvery = 100;

int32_t BigEndianInt32(std::span<const uint8_t> record, size_t offset) { return ReadBigEndianInt32(&record[offset]); }

bool HasTimeCodedLocations(uint8_t code) {
    return (code >= 1 && code <= 5) || (code >= 16 && code <= 23) || code == 26 || (code >= 28 && code <= 34) ||
           code == 39 || code == 40;
}

// The calibration coefficients that newer-layout Level 1b records carry,
// averaged over the pass for an information report.
class TInlineCalibration {
public:
    explicit TInlineCalibration(int32_t formatVersion) : formatVersion_(formatVersion) {}

    void Add(std::span<const uint8_t> record);
    void Report(std::vector<std::string>& lines, int32_t lineCount) const;

private:
    using TThermalSet = std::array<double, 3>;  // A0, A1, A2

    struct TVisibleSums {
        int64_t CrossOver = 0;
        double Slope1 = 0, Intercept1 = 0, Slope2 = 0, Intercept2 = 0;
        int32_t Lines = 0;
    };

    static double RadianceAt400(const TThermalSet& set) { return set[0] + 400 * set[1] + 400.0 * 400 * set[2]; }

    int32_t formatVersion_;
    std::array<TVisibleSums, 3> visible_{};
    std::array<TThermalSet, 3> thermalSums_{};
    int32_t channel3Lines_ = 0;  // lines whose channel-3 A0 is positive
    std::array<TThermalSet, 3> current_{};
    std::array<TThermalSet, 3> initial_{};
    bool initialTaken_ = false;
};

void TInlineCalibration::Add(std::span<const uint8_t> record) {
    if (record.size() < 300) return;
    for (size_t k = 1; k <= 3; ++k) {
        const int32_t crossOver = BigEndianInt32(record, 60 * k + 4);
        if (k == 3 && crossOver == 0) continue;
        TVisibleSums& sums = visible_[k - 1];
        sums.CrossOver += crossOver;
        sums.Slope1 += BigEndianInt32(record, 60 * k - 12) / 1e7;
        sums.Intercept1 += BigEndianInt32(record, 60 * k - 8) / 1e6;
        sums.Slope2 += BigEndianInt32(record, 60 * k - 4) / 1e7;
        sums.Intercept2 += BigEndianInt32(record, 60 * k) / 1e6;
        ++sums.Lines;
    }
    for (size_t k = 3; k <= 5; ++k) {
        TThermalSet& set = current_[k - 3];
        set[0] = BigEndianInt32(record, 24 * k + 156) / 1e6;
        set[1] = BigEndianInt32(record, 24 * k + 160) / 1e6;
        set[2] = BigEndianInt32(record, 24 * k + 164) / (formatVersion_ == 3 && k >= 4 ? 1e7 : 1e6);
        if (k == 3) {
            if (set[0] <= 0) continue;
            ++channel3Lines_;
        }
        for (size_t i = 0; i < 3; ++i) thermalSums_[k - 3][i] += set[i];
    }
    if (!initialTaken_ && current_[2][0] != 0) {
        initial_ = current_;
        initialTaken_ = true;
    }
}

void TInlineCalibration::Report(std::vector<std::string>& lines, int32_t lineCount) const {
    lines.push_back(" ");
    lines.push_back("L1B in-line calibration data (averaged values over pass)");
    lines.push_back("  (record layout: NOAA KLM User's Guide, Level 1b data record)");
    for (int k = 1; k <= 3; ++k) {
        const TVisibleSums& sums = visible_[static_cast<size_t>(k - 1)];
        const int32_t divisor = k == 3 ? sums.Lines : lineCount;
        if (divisor <= 0) continue;
        lines.push_back(Format("  channel %d:  Cross-over:%d  slope1:%.4f  intercept1:%.3f  slope2:%.4f  intercept2:%.3f",
                               k, static_cast<int>(sums.CrossOver / divisor), sums.Slope1 / divisor,
                               sums.Intercept1 / divisor, sums.Slope2 / divisor, sums.Intercept2 / divisor));
    }
    for (int k = 3; k <= 5; ++k) {
        const int32_t divisor = k == 3 ? channel3Lines_ : lineCount;
        const TThermalSet& sums = thermalSums_[static_cast<size_t>(k - 3)];
        const double d = divisor > 0 ? divisor : 1;
        lines.push_back(Format("  channel %d:  A0:%.2f  A1:%.4f  A2:%.7f", k, sums[0] / d, sums[1] / d, sums[2] / d));
    }
    lines.push_back("  Change over pass:");
    for (int k = 3; k <= 5; ++k) {
        const TThermalSet& first = initial_[static_cast<size_t>(k - 3)];
        const TThermalSet& last = current_[static_cast<size_t>(k - 3)];
        lines.push_back(Format("    Initial:  channel %d:  A0:%.2f  A1:%.4f  A2:%.7f  (R [400] = %.5f)", k, first[0],
                               first[1], first[2], RadianceAt400(first)));
        lines.push_back(Format("    Final:  channel %d:  A0:%.2f  A1:%.4f  A2:%.7f  (R [400] = %.5f)", k, last[0],
                               last[1], last[2], RadianceAt400(last)));
    }
    for (int k = 3; k <= 5; ++k) {
        const double begin = RadianceAt400(initial_[static_cast<size_t>(k - 3)]);
        const double end = RadianceAt400(current_[static_cast<size_t>(k - 3)]);
        if (begin == 0.0) continue;  // no change can be given without a start value
        lines.push_back(Format("    channel %d: R [400] change (end - begin) is %.2f%%", k, (end - begin) * 100 / begin));
    }
    lines.push_back("  These values are not used by the Talvessa");
}

// Copies each wanted channel of a frame into line l of the store;
// extract(destination, channel offset, count) takes one from the frame.
template <typename Extract>
void StoreChannels(THRPTvideo& video, const TReadPassOptions& options, int32_t l, const Extract& extract) {
    int32_t offset = 0;
    for (int c = 1; c <= MaxChannels; ++c) {
        if (!options.ChannelAvailable[static_cast<size_t>(c)]) continue;
        if (options.ChannelSelected[static_cast<size_t>(c)]) extract(video.SampleAddress(c, l), offset, video.Width());
        ++offset;  // unselected channels still take their place in the interleave
    }
}

// What must go line by line in the order of the file: the frame reads (they
// carry the record index, the time codes, telemetry calls and the Meteor
// state), and each line's telemetry and line flag.
class TPassReading {
public:
    TPassReading(const TReadPassOptions& options, const TFrameFormat& format, TInputFile& input,
                 const TRecordReader& recordReader, THRPTvideo& video, TEarthLocations* earthLocations,
                 TTelemetryData& telemetry)
        : format_(format),
          reader_(format, input, recordReader, earthLocations, &telemetry),
          calibration_(options.L1BFormatVersion),
          video_(video),
          earthLocations_(earthLocations),
          telemetry_(telemetry) {}

    const TFrameFormat& Format() const { return format_; }
    TFrameReader& Reader() { return reader_; }
    // The store line of pass line i.
    int32_t StoreLine(int32_t i) const { return format_.MirrorLines ? format_.LineCount - 1 - i : i; }

    // Reads the first two frames into current and next; previous and next start as copies of the first.
    void Start(TFrame& previous, TFrame& current, TFrame& next) {
        currentLineTime_ = Read(current, true);
        previous = current;
        next = current;
        nextLineTime_ = Read(next, false);
        if (earthLocations_ != nullptr && HasTimeCodedLocations(format_.FormatCode)) earthLocations_->AddLocationFlags(1);
    }

    // The telemetry and the line flag of line i, whose frame is current.
    void TakeTelemetry(int32_t i, const TFrame& current) {
        if (format_.FormatCode >= 36 && format_.FormatCode <= 38)
            telemetry_.LineInfoTextEx(current, i, currentLineTime_);
        else
            telemetry_.LineInfoText(current, i, lineFlag_);
        video_.SetLineFlag(StoreLine(i), lineFlag_);
    }

    // After line i: the frame of line i + 2 is read into ahead, which holds
    // the first FrameExtent words of line i + 1's frame (a read that fails or
    // falls short keeps them). Past the end of the pass nothing is read.
    void ReadAhead(int32_t i, TFrame& ahead) {
        currentLineTime_ = nextLineTime_;
        if (i < format_.LineCount - 2) nextLineTime_ = Read(ahead, false);
    }

    // As ReadAhead, ahead first taking the first FrameExtent words of before
    // (line i + 1's frame), unless the read writes them all anyway.
    void CarryAndReadAhead(int32_t i, const TFrame& before, TFrame& ahead) {
        const int32_t extent = reader_.FrameExtent();
        if (i >= format_.LineCount - 2 || !reader_.NextReadCovers(extent))
            std::copy_n(before.begin(), extent, ahead.begin());
        ReadAhead(i, ahead);
    }

    void Report(std::vector<std::string>* lines) const {
        if (InlineCalibration() && lines != nullptr) calibration_.Report(*lines, format_.LineCount);
    }

private:
    bool InlineCalibration() const { return format_.FormatCode == 7 || format_.FormatCode == 9; }

    // Returns the Meteor line time of the frame read: each frame keeps its own as the frames move on.
    TDateTime Read(TFrame& frame, bool first) {
        reader_.ReadNextFrame(frame, first);
        if (InlineCalibration()) calibration_.Add(reader_.RecordBuffer());
        return reader_.LineTime();
    }

    TFrameFormat format_;
    TFrameReader reader_;
    TInlineCalibration calibration_;
    THRPTvideo& video_;
    TEarthLocations* earthLocations_;
    TTelemetryData& telemetry_;
    TDateTime currentLineTime_ = 0;
    TDateTime nextLineTime_ = 0;
    uint8_t lineFlag_ = 0;
};

// Shows the progress before line i every 100 lines; true when the Stop button was pressed.
bool StopRequested(const TReadPassProgress& progress, int32_t i) {
    if (i % ProgressEvery != 0) return false;
    if (progress.Progress) progress.Progress(i);
    return progress.AbortRequested != nullptr && *progress.AbortRequested;
}

TReadPassResult ReadLineByLine(TPassReading& reading, const TReadPassOptions& options, THRPTvideo& video,
                               const TReadPassProgress& progress) {
    TFrameReader& reader = reading.Reader();
    reading.Start(reader.PreviousFrame(), reader.CurrentFrame(), reader.NextFrame());
    for (int32_t i = 0; i < reading.Format().LineCount; ++i) {
        // Stopping before a line is looked at leaves no line half taken in.
        if (StopRequested(progress, i)) return TReadPassResult::Aborted;
        reading.TakeTelemetry(i, reader.CurrentFrame());
        StoreChannels(video, options, reading.StoreLine(i), [&](uint16_t* destination, int32_t offset, int32_t count) {
            reader.ExtractChannel(destination, offset, count);
        });
        reader.RotateFrames();
        reading.ReadAhead(i, reader.NextFrame());
    }
    return TReadPassResult::Completed;
}

// Frames straight from the system, zero until first touched: the words past
// a format's frames never take memory, and all of it goes back when the pass
// is read (a block of the heap could stay with the program).
class TFrameRing {
public:
    explicit TFrameRing(size_t frames) : bytes_(frames * sizeof(TFrame)) {
        void* memory = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) throw std::bad_alloc();
        frames_ = static_cast<TFrame*>(memory);
    }
    TFrameRing(const TFrameRing&) = delete;
    TFrameRing& operator=(const TFrameRing&) = delete;
    ~TFrameRing() { munmap(frames_, bytes_); }

    TFrame& At(size_t slot) { return frames_[slot]; }

private:
    size_t bytes_;
    TFrame* frames_ = nullptr;
};

// Takes lines first .. last - 1 into the store.
using TTakeLines = std::function<void(int32_t first, int32_t last)>;

// The lines on their way from the reading thread to the threads that take
// them into the store: a ring of frames, and the lines handed out a task of
// a few at a time. Frame f (-1 .. LineCount) lives in slot (f + 1) % slots;
// a slot is read into again only once every line that looks at its frame is
// in the store. The reading thread never waits for a task nobody has begun:
// it takes such lines itself.
class TLineHandover {
public:
    TLineHandover(int32_t taskLines, int32_t lineCount)
        : taskLines_(taskLines),
          slots_(RingTasks * taskLines + 3),
          frames_(static_cast<size_t>(slots_)),
          taskDone_(static_cast<size_t>(lineCount / taskLines + 1), false) {}

    TFrame& Frame(int32_t f) { return frames_.At(static_cast<size_t>((f + 1) % slots_)); }

    // The lines before `lines` may be taken.
    void Offer(int32_t lines) {
        const std::lock_guard<std::mutex> lock(mutex_);
        offered_ = lines;
        if (offered_ - handedOut_ >= taskLines_) offeredChanged_.notify_one();
    }

    // The lines before `lines` may be taken, and no more come; a last part-task is taken too.
    void Close(int32_t lines) {
        const std::lock_guard<std::mutex> lock(mutex_);
        offered_ = lines;
        closed_ = true;
        offeredChanged_.notify_all();
    }

    // Waits, meanwhile taking offered lines, until the frames up to f may be read into their slots.
    void AwaitSlots(int32_t f, const TTakeLines& take) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (FirstNotStored() < f - slots_ + 2)
            if (!TakeTask(lock, take)) taskEnded_.wait(lock);
    }

    // A taking thread: takes tasks until the reading has closed and none is left.
    void TakeWhileOpen(const TTakeLines& take) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (TakeTask(lock, take)) continue;
            if (closed_) return;
            offeredChanged_.wait(lock);
        }
    }

    // The reading thread, after Close: takes what is left and waits for the tasks begun elsewhere.
    void Finish(const TTakeLines& take) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (TakeTask(lock, take)) continue;
            if (running_ == 0) return;
            taskEnded_.wait(lock);
        }
    }

private:
    // Slack for a task begun on a thread that the system holds up: 131 frames
    // of 16-line tasks, 5.8 MB of which HRPT frames touch half.
    static constexpr int32_t RingTasks = 8;

    // Marks a task done when its taking ends, also by an exception, so that nobody waits for it.
    class TTaskEnd {
    public:
        TTaskEnd(TLineHandover& handover, std::unique_lock<std::mutex>& lock, int32_t first)
            : handover_(handover), lock_(lock), first_(first) {}
        TTaskEnd(const TTaskEnd&) = delete;
        TTaskEnd& operator=(const TTaskEnd&) = delete;
        ~TTaskEnd() {
            lock_.lock();
            handover_.EndTask(first_);
        }

    private:
        TLineHandover& handover_;
        std::unique_lock<std::mutex>& lock_;
        int32_t first_;
    };

    bool HasTask() const {
        const int32_t waiting = offered_ - handedOut_;
        return waiting >= taskLines_ || (closed_ && waiting > 0);
    }

    int32_t FirstNotStored() const { return std::min(handedOut_, firstOpenTask_ * taskLines_); }

    // Hands out the next task and takes it with the lock released; false when there is none.
    bool TakeTask(std::unique_lock<std::mutex>& lock, const TTakeLines& take) {
        if (!HasTask()) return false;
        const int32_t first = handedOut_;
        const int32_t last = std::min(first + taskLines_, offered_);
        handedOut_ = last;
        ++running_;
        lock.unlock();
        const TTaskEnd end(*this, lock, first);
        take(first, last);
        return true;
    }

    // Tasks start at whole multiples of the task's lines.
    void EndTask(int32_t first) {
        --running_;
        taskDone_[static_cast<size_t>(first / taskLines_)] = true;
        while (static_cast<size_t>(firstOpenTask_) < taskDone_.size() && taskDone_[static_cast<size_t>(firstOpenTask_)])
            ++firstOpenTask_;
        taskEnded_.notify_all();
    }

    const int32_t taskLines_;
    const int32_t slots_;
    TFrameRing frames_;
    std::mutex mutex_;
    std::condition_variable offeredChanged_;
    std::condition_variable taskEnded_;
    int32_t offered_ = 0;
    int32_t handedOut_ = 0;
    bool closed_ = false;
    int32_t running_ = 0;
    // Made before the reading starts: the taking threads allocate nothing.
    std::vector<bool> taskDone_;
    int32_t firstOpenTask_ = 0;  // the first task not yet done
};

// Closes the handover however the reading ends, so that no taking thread waits for more.
class TScopedClose {
public:
    TScopedClose(TLineHandover& handover, const int32_t& linesRead) : handover_(handover), linesRead_(linesRead) {}
    TScopedClose(const TScopedClose&) = delete;
    TScopedClose& operator=(const TScopedClose&) = delete;
    ~TScopedClose() { handover_.Close(linesRead_); }

private:
    TLineHandover& handover_;
    const int32_t& linesRead_;
};

// Reads the frames on the calling thread in the order of the file, while the
// pool takes the lines read so far into the store.
TReadPassResult ReadAndTakeInTasks(TPassReading& reading, const TReadPassOptions& options, THRPTvideo& video,
                                   const TReadPassProgress& progress) {
    TLineHandover handover(options.LinesPerTask, reading.Format().LineCount);
    const TTakeLines take = [&](int32_t first, int32_t last) {
        for (int32_t i = first; i < last; ++i) {
            const TFrameNeighbours frames{handover.Frame(i - 1), handover.Frame(i), handover.Frame(i + 1)};
            StoreChannels(video, options, reading.StoreLine(i), [&](uint16_t* destination, int32_t offset, int32_t count) {
                ExtractFrameChannel(reading.Format(), frames, destination, offset, count);
            });
        }
    };
    TReadPassResult result = TReadPassResult::Completed;
    // Stateful, and it shows the progress: range 0, which the calling thread works on itself.
    const int32_t taskLines = options.LinesPerTask;
    const auto readLines = [&] {
        int32_t linesRead = 0;
        const TScopedClose close(handover, linesRead);
        reading.Start(handover.Frame(-1), handover.Frame(0), handover.Frame(1));
        for (int32_t i = 0; i < reading.Format().LineCount; ++i) {
            // Stopping before a line is looked at leaves no line half taken in.
            if (StopRequested(progress, i)) {
                result = TReadPassResult::Aborted;
                break;
            }
            // A task's lines at a time: the handover is locked once a task, not once a line.
            if (i % taskLines == 0) handover.AwaitSlots(i + taskLines + 1, take);
            reading.TakeTelemetry(i, handover.Frame(i));
            reading.CarryAndReadAhead(i, handover.Frame(i + 1), handover.Frame(i + 2));
            linesRead = i + 1;
            if (linesRead % taskLines == 0) handover.Offer(linesRead);
        }
    };
    ForLineRanges(0, static_cast<int32_t>(LinePoolThreads()) + 1, [&](int32_t first, int32_t last) {
        for (int32_t part = first; part < last; ++part) {
            if (part > 0) {
                handover.TakeWhileOpen(take);
                continue;
            }
            readLines();
            handover.Finish(take);
        }
    });
    return result;
}

}  // namespace

TReadPassResult ReadPassChannels(const TReadPassOptions& options, TInputFile& input, const TRecordReader& recordReader,
                                 THRPTvideo& video, TEarthLocations* earthLocations, TTelemetryData& telemetry,
                                 std::vector<std::string>* lines, const TReadPassProgress& progress) {
    TFrameFormat format = options.Format;
    format.Width = video.Width();
    format.LineCount = video.LineCount();
    TPassReading reading(options, format, input, recordReader, video, earthLocations, telemetry);
    const bool inTasks = options.LinesPerTask > 0 && FramesMayBeReadAhead(format);
    const TReadPassResult result = inTasks ? ReadAndTakeInTasks(reading, options, video, progress)
                                           : ReadLineByLine(reading, options, video, progress);
    if (result == TReadPassResult::Completed) reading.Report(lines);
    return result;
}

}  // namespace kestrune
