#include "decoding/Level1bTimes.h"

#include "decoding/Level1b.h"
#include "orbit/EarthLocations.h"
#include "platform/ProgramStrings.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

constexpr int NoRecord = -1;
constexpr size_t FewestInLongRun = 6;  // runs of up to five records are short

// b - a for two times of day, across midnight where that is shorter.
double DayDifference(TDateTime a, TDateTime b) {
    const double difference = b - a;
    return difference - std::round(difference);
}

// Records that follow one another in the pass's rhythm: positions in the
// list of timed records.
struct TRun {
    size_t First;
    size_t Last;
    bool Long() const { return Last - First + 1 >= FewestInLongRun; }
};

class TRecordTimes {
public:
    explicit TRecordTimes(std::span<const TDateTime> times) : times_(times) {
        for (size_t record = 0; record < times.size(); ++record)
            if (times[record] > 0) timed_.push_back(static_cast<int>(record));
    }

    std::vector<int> Contradicted() {
        std::vector<int> contradicted;
        if (timed_.size() < FewestInLongRun || !FindPeriod()) return contradicted;
        const std::vector<TRun> runs = Runs();
        for (size_t r = 0; r < runs.size();) {
            if (runs[r].Long()) {
                ++r;
                continue;
            }
            size_t end = r;
            while (end < runs.size() && !runs[end].Long()) ++end;
            const int before = r > 0 ? timed_[runs[r - 1].Last] : NoRecord;
            const int after = end < runs.size() ? timed_[runs[end].First] : NoRecord;
            if (before != NoRecord || after != NoRecord)
                for (size_t k = runs[r].First; k <= runs[end - 1].Last; ++k)
                    if (!Fits(timed_[k], before, after)) contradicted.push_back(timed_[k]);
            r = end;
        }
        return contradicted;
    }

private:
    // The median step between neighbouring records.
    bool FindPeriod() {
        std::vector<double> steps;
        for (size_t k = 1; k < timed_.size(); ++k) {
            if (timed_[k] != timed_[k - 1] + 1) continue;
            const double step = Difference(timed_[k - 1], timed_[k]);
            if (step > 0) steps.push_back(step);
        }
        if (steps.empty()) return false;
        const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
        std::nth_element(steps.begin(), middle, steps.end());
        period_ = *middle;
        return true;
    }

    double Difference(int from, int to) const {
        return DayDifference(times_[static_cast<size_t>(from)], times_[static_cast<size_t>(to)]);
    }

    // Record to lies in the slot the rhythm gives it counted from record from.
    bool InSlot(int from, int to) const { return std::fabs(Difference(from, to) - (to - from) * period_) <= period_ / 4; }

    std::vector<TRun> Runs() const {
        std::vector<TRun> runs{{0, 0}};
        for (size_t k = 1; k < timed_.size(); ++k) {
            if (InSlot(timed_[k - 1], timed_[k]))
                runs.back().Last = k;
            else
                runs.push_back({k, k});
        }
        return runs;
    }

    // A record among a few that the long runs before and after it (either
    // may be NoRecord) do not contradict.
    bool Fits(int record, int before, int after) const {
        if (before != NoRecord && after != NoRecord) {
            if (InSlot(before, after)) return InSlot(before, record);
            // Where the long runs go backwards, the few between them cannot be judged.
            if (Difference(before, after) <= 0) return true;
            return Difference(before, record) > 0 && Difference(record, after) > 0;
        }
        // At either end of the pass the few must keep the rhythm of the long run beside them.
        return before != NoRecord ? InSlot(before, record) : InSlot(record, after);
    }

    std::span<const TDateTime> times_;
    std::vector<int> timed_;
    double period_ = 0;
};

}  // namespace

std::vector<int> ContradictedRecordTimes(std::span<const TDateTime> times) { return TRecordTimes(times).Contradicted(); }

std::string LeaveOutContradictedTimes(TEarthLocations& locations, uint8_t formatCode, std::vector<std::string>& diagnostics) {
    // A record whose locations are off the earth is left without location, and told so, whatever its time.
    std::vector<TDateTime> times(static_cast<size_t>(locations.LineCount()), 0.0);
    for (int line = 0; line < locations.LineCount(); ++line) {
        const std::span<const uint8_t> stored(locations.LineLocations(line)->Bytes(), sizeof(TScanLineLocations));
        if (CentreLatitudeOnEarth(stored, formatCode == 7 || formatCode == 9))
            times[static_cast<size_t>(line)] = locations.LineTimes(line);
    }
    const std::vector<int> lines = ContradictedRecordTimes(times);
    if (lines.empty()) return {};
    const std::string told = FormatResStr(
        res::SLevel1bTimesContradicted,
        {std::to_string(lines.size()), std::to_string(lines.front()),
         FormatDateTime("hh:nn:ss.zzz", times[static_cast<size_t>(lines.front())])});
    diagnostics.push_back(told);
    constexpr size_t LinesListed = 20;
    for (size_t k = 0; k < lines.size(); ++k) {
        const int line = lines[k];
        if (k < LinesListed)
            diagnostics.push_back(
                Format("  line %d: %s", line, FormatDateTime("hh:nn:ss.zzz", times[static_cast<size_t>(line)]).c_str()));
        locations.SetLineTime(line, 0);
    }
    return told;
}

}  // namespace kestrune
