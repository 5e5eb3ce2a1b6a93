#include "orbit/LineTiming.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "orbit/FrameYear.h"
#include "platform/SystemUtils.h"

namespace kestrune {

namespace {

constexpr double Second = 1.0 / SecsPerDay;
constexpr double Minute = 60.0 * Second;
constexpr int QuarterHoursPerDay = 96;
// From the day before the base date (a pass across New Year's midnight
// whose first lines were moved into the old year) to 367 days on.
constexpr int QuarterHourBins = 368 * QuarterHoursPerDay;
constexpr int PhaseBins = 167;
constexpr TDateTime UnixEpoch = 25569.0;  // 1970-01-01
constexpr double GapToTell = Second;
// Two lines whose times lie one scan period apart to within this agree.
constexpr double AgreementTolerance = 0.01 * Second;

// Position of a line within the 1/6-second frame cycle, in 167ths.
int FramePhase(double secondsOfDay) {
    const int64_t phase = Round(secondsOfDay * 6.0 * PhaseBins) % PhaseBins;
    return static_cast<int>(phase < 0 ? phase + PhaseBins : phase);
}

int CircularDistance(int a, int b, int period) {
    const int d = std::abs(a - b) % period;
    return std::min(d, period - d);
}

int FirstModeOf(const std::vector<int>& counts) {
    return static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

// Timed lines, in line order, as many scan periods apart as they lie lines
// apart (untimed lines between them passed over).
struct TTimedRun {
    int First;
    int Last;
    int Lines;           // timed lines of the run
    double FirstOffset;  // a line's time less as many scan periods as its number
    double LastOffset;
};

std::vector<TTimedRun> TimedRuns(const std::vector<TDateTime>& times, double period) {
    std::vector<TTimedRun> runs;
    for (int line = 0; line < static_cast<int>(times.size()); ++line) {
        const TDateTime time = times[static_cast<size_t>(line)];
        if (time == 0) continue;
        const double offset = time - line * period;
        if (!runs.empty() && std::fabs(offset - runs.back().LastOffset) < period / 2) {
            TTimedRun& run = runs.back();
            run.Last = line;
            ++run.Lines;
            run.LastOffset = offset;
        } else {
            runs.push_back({line, line, 1, offset, offset});
        }
    }
    return runs;
}

// Runs of at most this many lines (about 3 s) are judged by longer ones.
constexpr int ShortRunLines = 20;

// The nearest run from `index` on, step by step, long enough to judge the
// run there: more than three times as long, or more than ShortRunLines.
const TTimedRun* JudgeOf(const std::vector<TTimedRun>& runs, size_t index, int step) {
    const int longer = std::min(3 * runs[index].Lines, ShortRunLines);
    for (auto at = static_cast<std::ptrdiff_t>(index) + step; at >= 0 && at < std::ssize(runs); at += step)
        if (runs[static_cast<size_t>(at)].Lines > longer) return &runs[static_cast<size_t>(at)];
    return nullptr;
}

}  // namespace

TLineTiming::TLineTiming(int lines, TDateTime baseDate)
    : baseDate_(baseDate),
      scanPeriod_(Second / 6.0),
      time_(static_cast<size_t>(std::max(lines, 0)), 0.0),
      strayCode_(time_.size(), 0.0),
      seconds_(time_.size(), 0.0) {}

// Turns the time code the frame reader left at the start of the line's
// record into a time.
void TLineTiming::DecodeTimeCode(int line, const uint8_t* code, const TTimeCodeReading& reading) {
    const auto index = static_cast<size_t>(line);
    uint8_t bytes[8];
    uint16_t words[4];
    std::memcpy(bytes, code, sizeof bytes);
    std::memcpy(words, code, sizeof words);
    const TDateTime passTime = reading.PassTime;
    if (reading.FormatCode == 24) {
        time_[index] = passTime + line * scanPeriod_;
        seconds_[index] = Frac(time_[index]) * SecsPerDay;
        return;
    }
    const double frameMilliseconds = (words[1] & 127) * 1048576.0 + words[2] * 1024.0 + words[3];
    double day = 0, milliseconds = frameMilliseconds;
    switch (reading.SensorKind) {
        case 1: break;
        case 3: {
            const double unixTime = UnixEpoch + ReadBigEndian32(bytes) / SecsPerDay +
                                    ReadBigEndian32(bytes + 4) / (MSecsPerDay * 1000.0) - baseDate_;
            day = std::trunc(unixTime);
            milliseconds = static_cast<double>(Round(Frac(unixTime) * MSecsPerDay));
            break;
        }
        case 4:
        case 5: {
            // The Meteor clock runs three hours ahead of UTC.
            milliseconds = bytes[0] * 3600000.0 + bytes[1] * 60000.0 + bytes[2] * 1000.0 + bytes[3] * 4.0 - 10800000.0;
            if (milliseconds < 0) milliseconds += MSecsPerDay;
            const bool overnight = Frac(passTime) > 0.958333;
            day = std::trunc(passTime) - std::trunc(baseDate_) + (overnight && milliseconds < 3600000.0 ? 1 : 0);
            break;
        }
        default:
            if ((words[0] & 1) != 0 || (words[1] & 0x200) == 0 || (words[1] & 0x80) == 0) return;
            // FengYun passes are dated whole by their names or the question: the
            // frames' day count adds nothing (FengYun-3 counts its milliseconds from noon).
            day = reading.SensorKind == 2 || reading.Fy3 ? 0 : (words[0] >> 1) - 1;
            break;
    }
    TDateTime time = day + baseDate_ + milliseconds / MSecsPerDay;
    if (reading.Fy3) time += milliseconds / 1000.0 >= 43200.0 ? -0.5 : 0.5;
    time_[index] = time;
    seconds_[index] = milliseconds / 1000.0;
}

// The time codes count days of the year from the year of the base date, which
// the pass was dated by. Each line's day belongs to the year FrameYear gives
// for the date source (the orbit's pass time, else the date the loader took
// the year from): a pass dated on one side of New Year's midnight may have
// lines, or all its lines, on the other. A pass without a date source that
// crosses midnight is taken as dated by its December part.
void TLineTiming::SpreadOverYearEnd(TDateTime passTime, TDateTime estimatedDate,
                                    std::vector<std::string>& diagnostics) {
    const int baseYear = DecodeDateTime(baseDate_).year;
    if (baseDate_ != EncodeDate(baseYear, 1, 1)) return;  // not a count of days from New Year
    const TDateTime source = YearDateSource(passTime, estimatedDate);
    if (source == 0) return;
    // A date source of another year than the one chosen for the pass moves
    // the lines by as many years as it moves its own frames.
    const int chosenShift = baseYear - DecodeDateTime(source).year;
    int kept = 0, moved = 0, movedYear = baseYear, dayless = 0;
    for (size_t line = 0; line < time_.size(); ++line) {
        TDateTime& time = time_[line];
        if (time == 0 || time < baseDate_) continue;
        const double offset = time - baseDate_;
        const int day = static_cast<int>(offset) + 1;
        const int year = FrameYear(source, day) + chosenShift;
        if (!DayInYear(year, day)) {
            time = 0;
            ++dayless;
        } else if (year != baseYear) {
            time = EncodeDate(year, 1, 1) + offset;
            movedYear = year;
            ++moved;
        } else {
            ++kept;
        }
    }
    ReportYearEnd(kept, moved, movedYear, dayless, diagnostics);
}

// The date the pass was dated by; without one, a pass with lines of both
// late December and early January is of December's year.
TDateTime TLineTiming::YearDateSource(TDateTime passTime, TDateTime estimatedDate) const {
    if (passTime != 0) return passTime;
    if (estimatedDate != 0) return estimatedDate;
    constexpr double LateDecember = 358.0;  // days after 1 January
    constexpr double EarlyJanuary = 7.0;
    const auto dayIn = [&](TDateTime time, double first, double last) {
        return time != 0 && time - baseDate_ >= first && time - baseDate_ < last;
    };
    const auto late = std::count_if(time_.begin(), time_.end(),
                                    [&](TDateTime time) { return dayIn(time, LateDecember, 367.0); });
    const auto early = std::count_if(time_.begin(), time_.end(),
                                     [&](TDateTime time) { return dayIn(time, 0.0, EarlyJanuary); });
    // A stray corrupt code is no second year.
    const auto fewest = std::max<std::ptrdiff_t>(1, static_cast<std::ptrdiff_t>(time_.size()) / 100);
    return late >= fewest && early >= fewest ? baseDate_ + LateDecember : 0.0;
}

void TLineTiming::ReportYearEnd(int kept, int moved, int movedYear, int dayless,
                                std::vector<std::string>& diagnostics) const {
    const bool later = movedYear > DecodeDateTime(baseDate_).year;
    if (moved > 0 && kept > 0)
        diagnostics.push_back(Format("The pass crosses midnight of 31 December: lines %s it are dated %d",
                                     later ? "after" : "before", movedYear));
    else if (moved > 0)
        diagnostics.push_back(Format("The pass lies wholly %s midnight of 31 December: its lines are dated %d",
                                     later ? "after" : "before", movedYear));
    if (dayless > 0)
        diagnostics.push_back(Format("%d lines carry day 366 of a year of 365 days: they have no time", dayless));
}

// The quarter hour most lines agree on; lines more than 30 minutes from it
// lose their time, the others are counted by their phase in the frame cycle.
void TLineTiming::FindQuarterHour(std::vector<std::string>& diagnostics) {
    const int count = LineCount();
    std::vector<int> bins(QuarterHourBins, 0);
    const TDateTime origin = baseDate_ - 1;
    bool counted = false;
    for (int line = count / 10; line <= std::min(9 * count / 10, count - 1); ++line) {
        const double offset = time_[static_cast<size_t>(line)] - origin;
        if (time_[static_cast<size_t>(line)] == 0 || offset < 0 || offset >= 368) continue;
        ++bins[static_cast<size_t>(std::min<int64_t>(Round(offset * QuarterHoursPerDay), QuarterHourBins - 1))];
        counted = true;
    }
    const TDateTime quarterHour =
        counted ? origin + FirstModeOf(bins) / static_cast<double>(QuarterHoursPerDay) : baseDate_;
    diagnostics.push_back("Decoded pass quarter hour is " + FormatDateTime("yyyy-mmm-dd hh:nn \"UTC\"", quarterHour));
    phases_.assign(PhaseBins, 0);
    for (size_t line = 0; line < time_.size(); ++line) {
        if (std::fabs(time_[line] - quarterHour) > 30 * Minute) {
            time_[line] = 0;
            ++outOfQuarterHour_;
        } else {
            ++phases_[static_cast<size_t>(FramePhase(seconds_[line]))];
        }
    }
}

// Meteor scan periods vary; measure one from the line times.
void TLineTiming::FindMeteorScanPeriod(std::vector<std::string>& diagnostics) {
    const int count = LineCount();
    const auto periodBetween = [this](int earlier, int later) {
        if (later <= earlier) return 0.0;
        return (time_[static_cast<size_t>(later)] - time_[static_cast<size_t>(earlier)]) / (later - earlier);
    };
    const auto plausible = [](double period) { return period >= 0.1 * Second && period <= 0.166 * Second; };
    int earlier = SteadyMeteorLine(count / 10), later = SteadyMeteorLine(9 * count / 10);
    double period = periodBetween(earlier, later);
    if (!plausible(period)) {
        diagnostics.push_back("Can't determine scan period from scan extremes");
        earlier = SteadyMeteorLine(19 * count / 40);
        later = SteadyMeteorLine(19 * count / 40 + count / 20);
        period = periodBetween(earlier, later);
        if (!plausible(period)) {
            diagnostics.push_back("Can't determine scan period from scan centre - assuming 0.1539s");
            period = 0.1539 * Second;
        }
    }
    const char* const picture = "yyyy-mmm-dd  hh:nn:ss:zzzz";
    diagnostics.push_back(Format("Earlier line: %d  ", earlier) +
                          FormatDateTime(picture, time_[static_cast<size_t>(earlier)]));
    diagnostics.push_back(Format("Later line: %d  ", later) + FormatDateTime(picture, time_[static_cast<size_t>(later)]));
    diagnostics.push_back(Format("Over %d lines, the scan interval was %.4fs", later - earlier, period * SecsPerDay));
    if (outOfQuarterHour_ > 0)
        diagnostics.push_back(Format("Out of %d lines there were %d which were more than 30 minutes out.", count,
                                     outOfQuarterHour_));
    scanPeriod_ = period;
}

// A line whose timed neighbours within a few lines either way lie a Meteor
// scan period apart (0.1 to 0.166 s) per line between them: a corrupt run
// shorter than the reach has an edge among them.
int TLineTiming::SteadyMeteorLine(int line) const {
    constexpr int Reach = 6;
    const int count = LineCount();
    const auto steady = [this, count](int at) {
        if (at < 0 || at >= count || time_[static_cast<size_t>(at)] == 0) return false;
        int timed = -1;
        for (int next = std::max(0, at - Reach); next <= std::min(count - 1, at + Reach); ++next) {
            if (time_[static_cast<size_t>(next)] == 0) continue;
            if (timed >= 0) {
                const double period =
                    (time_[static_cast<size_t>(next)] - time_[static_cast<size_t>(timed)]) / (next - timed);
                if (period < 0.1 * Second || period > 0.166 * Second) return false;
            }
            timed = next;
        }
        return true;
    };
    for (int distance = 0; distance < count; ++distance)
        for (const int at : {line - distance, line + distance})
            if (steady(at)) return at;
    return line;
}

// Each run no longer than a few seconds is judged by the nearest runs
// much longer than it before and after it. Where those lie on one rhythm
// the lines after it return to the rhythm before it: the run's codes are
// corrupt, and the slots of its lines are confirmed on both sides. Where its
// first code lies before the rhythm of the longer run before it, or the
// longer run after it lies before its own rhythm, time went back: no loss of
// signal does that. A run that goes on with a later rhythm until the next
// longer run, which goes on later still, is a run between gaps and keeps
// its times.
void TLineTiming::SetAsideStrayRuns() {
    const std::vector<TTimedRun> runs = TimedRuns(time_, scanPeriod_);
    const double tolerance = scanPeriod_ / 2;
    for (size_t index = 0; index < runs.size(); ++index) {
        const TTimedRun& run = runs[index];
        if (run.Lines > ShortRunLines) continue;
        const TTimedRun* before = JudgeOf(runs, index, -1);
        const TTimedRun* after = JudgeOf(runs, index, 1);
        const TTimedRun* previous = index > 0 ? &runs[index - 1] : nullptr;
        const TTimedRun* next = index + 1 < runs.size() ? &runs[index + 1] : nullptr;
        // The lines after the run return to the rhythm before it, off which it
        // lies: a judge on one side at least (by an end of the pass, the lines
        // beyond the run may be too few to judge).
        const auto oneRhythm = [&run, tolerance](const TTimedRun* earlier, const TTimedRun* later) {
            return earlier != nullptr && later != nullptr &&
                   std::fabs(later->FirstOffset - earlier->LastOffset) < tolerance &&
                   std::fabs(run.FirstOffset - earlier->LastOffset) >= tolerance;
        };
        const bool returns = oneRhythm(before, after) || oneRhythm(before, next) || oneRhythm(previous, after);
        const bool goesBack = (before != nullptr && run.FirstOffset < before->LastOffset - tolerance) ||
                              (after != nullptr && after->FirstOffset < run.LastOffset - tolerance);
        if (!returns && !goesBack) continue;
        for (auto line = static_cast<size_t>(run.First); line <= static_cast<size_t>(run.Last); ++line)
            std::swap(strayCode_[line], time_[line]);
    }
}

// Mean of the times of the middle third of the lines; 0 when none has one.
TDateTime TLineTiming::MidThirdPassTime() const {
    const int count = LineCount();
    double sum = 0;
    int timed = 0;
    for (int line = count / 3 + 1; line <= 2 * count / 3 - 1; ++line) {
        if (time_[static_cast<size_t>(line)] == 0) continue;
        sum += time_[static_cast<size_t>(line)];
        ++timed;
    }
    return timed > 0 ? sum / timed : 0.0;
}

TDateTime TLineTiming::PassTime() {
    const TDateTime midThird = MidThirdPassTime();
    std::vector<TDateTime> timed;
    if (midThird == 0)
        std::copy_if(time_.begin(), time_.end(), std::back_inserter(timed), [](TDateTime time) { return time != 0; });
    timedByMedian_ = !timed.empty();
    if (timed.empty()) return midThird;
    const auto median = timed.begin() + static_cast<std::ptrdiff_t>(timed.size() / 2);
    std::nth_element(timed.begin(), median, timed.end());
    return *median;
}

// Lines keep a 1/6-second rhythm; a time off the common phase is corrupt.
void TLineTiming::RejectOffPhaseLines() {
    const int mode = FirstModeOf(phases_);
    for (TDateTime& time : time_) {
        if (time != 0 && CircularDistance(FramePhase(Frac(time) * SecsPerDay), mode, PhaseBins) > 4) time = 0;
    }
}

// Accepts the times within 15 minutes of the pass time and finds the first
// line from the middle of the pass on whose time a neighbour confirms (one
// scan period before or after it): a line carrying another line's code
// times no other line. Without one, the first timed line up to two thirds
// of the pass serves, else (a middle lost to noise) the confirmed line
// nearest the middle on either side.
bool TLineTiming::FindReferenceLine(TDateTime passTime, std::vector<std::string>& diagnostics) {
    const int count = LineCount();
    for (TDateTime& time : time_) {
        if (std::fabs(time - passTime) > 15 * Minute) time = 0;
        if (time == 0) ++invalid_;
    }
    diagnostics.push_back((timedByMedian_ ? "No line of the middle third of the picture has a valid time code: decoded "
                                            "pass time from the median of the lines that have one is "
                                          : "Decoded averaged pass time from mid-third of the picture is ") +
                          FormatDateTime("yyyy-mmm-dd hh:nn:ss \"UTC\"", passTime));
    diagnostics.push_back(
        Format("Out of %d lines there were %d which had an invalid timestamp.", count, invalid_));
    const int middle = count / 2;
    int reference = -1;
    for (int line = middle; line <= std::min(2 * count / 3, count - 1); ++line) {
        if (!Timed(line)) continue;
        if (reference < 0) reference = line;
        if (Follows(line - 1, line) || Follows(line, line + 1)) {
            reference = line;
            break;
        }
    }
    // A middle lost to noise: the confirmed line nearest the middle, either side.
    for (int distance = 1; reference < 0 && distance < count; ++distance) {
        for (const int line : {middle - distance, middle + distance}) {
            if (reference < 0 && (Follows(line - 1, line) || Follows(line, line + 1))) reference = line;
        }
    }
    if (reference < 0) {
        diagnostics.push_back("Warning: bad timestamp data, earth location mapping abandoned");
        diagnostics.push_back("No line near mid-pass with an acceptable timecode");
        return false;
    }
    referenceLine_ = reference;
    referenceTime_ = time_[static_cast<size_t>(reference)];
    diagnostics.push_back(Format("Mid line is %d and the line with a valid timestamp is line %d at ", middle, reference) +
                          FormatDateTime("yyyy-mmm-dd hh:nn:ss.zzz \"UTC\"", referenceTime_));
    return true;
}

// The later line's time lies as many scan periods after the earlier line's
// as it lies lines after it, to within tolerance.
bool TLineTiming::FollowsWithin(int earlier, int later, double tolerance) const {
    return Timed(earlier) && Timed(later) &&
           std::fabs(time_[static_cast<size_t>(later)] - time_[static_cast<size_t>(earlier)] -
                     (later - earlier) * scanPeriod_) <= tolerance;
}

bool TLineTiming::Follows(int earlier, int later) const { return FollowsWithin(earlier, later, AgreementTolerance); }

// A line a few lines on (lines between may have lost their codes) lies
// where some line's time predicts, to within the second that the coarsest
// codes count in; noise, spread over the half hour kept, does not.
bool TLineTiming::AnyLineConfirmed() const {
    constexpr int Reach = 8;
    for (int line = 0; line < LineCount(); ++line)
        for (int later = line + 1; Timed(line) && later <= std::min(line + Reach, LineCount() - 1); ++later)
            if (FollowsWithin(line, later, Second)) return true;
    return false;
}

// Outwards from the reference line every line follows its predecessor by
// one scan period, on the slot the run predicts, unless its own time is
// confirmed: another code (a gap in the signal, however short) counts only
// where the next timed line outwards lies one scan period beyond it. So a
// line carrying a neighbour's code opens no gap, and a run that goes on
// from a code the slot did not predict is followed, not lost. Such lines
// keep their own times however long the gaps around them, two lines between
// two gaps as well. A line whose code agrees with neither neighbour is
// re-timed where a later line lies on the slot the run predicts (a corrupt
// code among lines on time), keeps its own time where it stands in order
// between two gaps, and is otherwise left without time and location (a line
// alone at either end, or out of order): a bad code and a lone line look
// alike, and a line placed at a time it does not hold lies km off. Gaps of
// a second or more are told, each on its own.
void TLineTiming::RegulariseTimes(std::vector<std::string>& diagnostics) {
    const int count = LineCount();
    std::vector<TDateTime>& times = time_;
    const auto timeAt = [&times](int line) { return times[static_cast<size_t>(line)]; };
    const auto inPass = [count](int line) { return line >= 0 && line < count; };
    const auto lateness = [](TDateTime time, TDateTime prediction, int step) {
        return (time - prediction) * step;
    };
    // The next timed line outwards lies where the line's own time puts it.
    const auto confirmedBeyond = [&](int line, int step) {
        int next = line + step;
        while (inPass(next) && timeAt(next) == 0) next += step;
        const int beyond = (next - line) * step;
        return inPass(next) &&
               std::fabs((timeAt(next) - timeAt(line)) * step - beyond * scanPeriod_) <= AgreementTolerance;
    };
    const auto plausible = [](double late) { return late > -0.01 * Second && late < 30 * Second; };
    // The first later line with a plausible code lies on the slot the run
    // predicts for it: the run went on without a gap through the line.
    const auto slotConfirmed = [&](int line, int step, TDateTime prediction) {
        for (int next = line + step; inPass(next); next += step) {
            if (timeAt(next) == 0) continue;
            const double late = lateness(timeAt(next), prediction + (next - line) * scanPeriod_, step);
            if (std::fabs(late) <= AgreementTolerance) return true;
            if (plausible(late)) return false;
        }
        return false;
    };
    // The line lies at least one scan period after the line before it and
    // before the next line outwards: a lone line between two gaps.
    const auto inOrderBetweenGaps = [&](int line, int step, double late) {
        const int next = line + step;
        return late >= 0 && inPass(next) && timeAt(next) != 0 &&
               (timeAt(next) - timeAt(line)) * step >= scanPeriod_ - AgreementTolerance;
    };
    std::vector<std::pair<int, double>> gaps;  // line before the gap, its length in days
    std::vector<TUnconfirmed> unconfirmed;
    const auto regularise = [&](int step) {
        TDateTime previous = referenceTime_;  // where the line before lies, or would lie
        for (int line = referenceLine_ + step; inPass(line); line += step) {
            TDateTime& time = times[static_cast<size_t>(line)];
            const TDateTime setAside = strayCode_[static_cast<size_t>(line)];
            const TDateTime code = setAside != 0 ? setAside : time;
            const TDateTime prediction = previous + step * scanPeriod_;
            const double late = lateness(code, prediction, step);
            // Less than half a period off is the line's own slot (another
            // line's code lies whole periods away), as a Meteor scan period
            // assumed a little short of the frames' own leaves its lines.
            const bool onSlot = late > -AgreementTolerance && late < scanPeriod_ / 2;
            const bool ownTime = time != 0 && (onSlot || confirmedBeyond(line, step));
            const bool reTimed = !ownTime && ((time == 0 && setAside == 0) || slotConfirmed(line, step, prediction));
            const bool alone = !ownTime && !reTimed && setAside == 0 && inOrderBetweenGaps(line, step, late);
            if (reTimed) time = prediction;
            if ((ownTime || alone) && late >= GapToTell) gaps.emplace_back(step > 0 ? line - 1 : line, late);
            if (!ownTime && !reTimed && !alone) {
                unconfirmed.push_back({line, code, late});
                time = 0;
            }
            previous = time != 0 ? time : prediction;
        }
    };
    regularise(-1);
    regularise(1);
    std::sort(gaps.begin(), gaps.end());
    for (const auto& [line, length] : gaps)
        diagnostics.push_back(Format("The signal has a gap of %.1f s after line %d", length * SecsPerDay, line));
    ReportUnconfirmed(std::move(unconfirmed), diagnostics);
}

// A run set aside whose lines are all left out is told as one; a line
// alone is told with the gap its code would open, though nothing confirms it.
void TLineTiming::ReportUnconfirmed(std::vector<TUnconfirmed> unconfirmed,
                                    std::vector<std::string>& diagnostics) const {
    std::sort(unconfirmed.begin(), unconfirmed.end());
    const auto setAside = [this](int line) { return strayCode_[static_cast<size_t>(line)] != 0; };
    for (size_t first = 0; first < unconfirmed.size();) {
        size_t last = first;
        while (last + 1 < unconfirmed.size() && setAside(unconfirmed[first].Line) &&
               setAside(unconfirmed[last + 1].Line) && unconfirmed[last + 1].Line == unconfirmed[last].Line + 1)
            ++last;
        const TUnconfirmed& stray = unconfirmed[first];
        if (last > first) {
            diagnostics.push_back(Format("Lines %d to %d carry time codes from ", stray.Line, unconfirmed[last].Line) +
                                  FormatDateTime("hh:nn:ss.zzz", stray.Code) + " to " +
                                  FormatDateTime("hh:nn:ss.zzz", unconfirmed[last].Code) +
                                  " that agree with each other but not with the lines around them: the lines are left "
                                  "without earth location");
        } else {
            const int lineBefore = stray.Line < referenceLine_ ? stray.Line : stray.Line - 1;
            const std::string gap =
                stray.Code != 0 && stray.Late >= GapToTell
                    ? Format(" (a gap of %.1f s after line %d)", stray.Late * SecsPerDay, lineBefore)
                    : std::string();
            diagnostics.push_back(Format("Line %d's time code ", stray.Line) +
                                  FormatDateTime("hh:nn:ss.zzz", stray.Code) + gap +
                                  " is confirmed by no neighbouring line: the line is left without earth location");
        }
        first = last + 1;
    }
}

TLineSpan SteadyLinesNear(std::span<const TDateTime> times, double period, int line, int from, int wanted) {
    const int count = static_cast<int>(times.size());
    const auto timeAt = [&times](int at) { return times[static_cast<size_t>(at)]; };
    if (line < 0 || line >= count || timeAt(line) == 0) return {line, line};
    // Timed lines as many scan periods apart as they lie lines apart, to
    // within half a period and either way in time (a turned pass runs back):
    // no line lost between them.
    const auto steady = [&](int a, int b) {
        return std::fabs(std::fabs(timeAt(b) - timeAt(a)) - std::abs(b - a) * period) < period / 2;
    };
    TLineSpan run{line, line};
    for (int step : {-1, 1}) {
        int& end = step < 0 ? run.First : run.Last;
        for (int next = line + step, timed = line; next >= 0 && next < count; next += step) {
            if (timeAt(next) != 0) {
                if (!steady(timed, next)) break;
                timed = next;
            }
            end = next;
        }
    }
    const int first = std::clamp(from, run.First, std::max(run.First, run.Last - wanted + 1));
    return {first, std::min(first + wanted - 1, run.Last)};
}

}  // namespace kestrune
