// The tracks Level 1b records lie on: which records their neighbours
// contradict, where one GAC picture ends and the next begins, and the gaps
// in the records' times that their locations confirm.
#include "orbit/EarthLocations.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "orbit/FitMap.h"
#include "orbit/LineTiming.h"
#include "orbit/MapWithWarp.h"
#include "platform/ProgramStrings.h"

namespace kestrune {

namespace {

constexpr float LargestLatitudeStep = 0.3f;   // degrees off the track
constexpr double LargestEastWardStep = 1.0;   // degrees of longitude at the equator
// Fewer records than these at either end of a file are no picture of their own.
constexpr size_t FewestPictureRecords = 8;

double LongitudeDifference(double a, double b) {
    double difference = std::fmod(a - b, 360.0);
    if (difference > 180.0) difference -= 360.0;
    if (difference < -180.0) difference += 360.0;
    return difference;
}

// b - a for two times of day, across midnight where that is shorter.
double DayDifference(TDateTime a, TDateTime b) {
    const double difference = b - a;
    return difference - std::round(difference);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

size_t RecordsIn(const std::vector<std::vector<int>>& runs, size_t from, size_t to) {
    size_t records = 0;
    for (size_t run = from; run < to; ++run) records += runs[run].size();
    return records;
}

}  // namespace

// Centre latitude and longitude steps from one located record to the next
// adjacent one, the median over the pass: damaged records do not move it.
TEarthLocations::TTrackStep TEarthLocations::MedianTrackStep() const {
    std::vector<double> latitudes, longitudes;
    for (int line = 1; line < LineCount(); ++line) {
        if (!LineLocated(line) || !LineLocated(line - 1)) continue;
        const TAnchorLocation& a = locations_[static_cast<size_t>(line - 1)].Anchors[CentreAnchor];
        const TAnchorLocation& b = locations_[static_cast<size_t>(line)].Anchors[CentreAnchor];
        latitudes.push_back(static_cast<double>(b.Latitude) - a.Latitude);
        longitudes.push_back(LongitudeDifference(b.Longitude, a.Longitude));
    }
    return {Median(latitudes), Median(longitudes)};
}

// The located line continues the run: its centre lies where the run's
// last step, carried on over the lines between or over the scan periods
// between their times (a loss of signal), puts it, in latitude and in
// longitude. Where the run's last two lines are not one period apart, the
// step is that of the pass's records.
bool TEarthLocations::ContinuesRun(const TTrackRun& run, int line, const TTrackStep& passStep) const {
    const int last = run.back();
    TTrackStep step = passStep;
    const int before = run.size() > 1 ? run[run.size() - 2] : last;
    if (before == last - 1 && PeriodsAcross(before, last) == 1) {
        const TAnchorLocation& a = locations_[static_cast<size_t>(before)].Anchors[CentreAnchor];
        const TAnchorLocation& b = locations_[static_cast<size_t>(last)].Anchors[CentreAnchor];
        step = {static_cast<double>(b.Latitude) - a.Latitude, LongitudeDifference(b.Longitude, a.Longitude)};
    }
    return LiesStepsOn(last, line, line - last, step) || LiesStepsOn(last, line, PeriodsAcross(last, line), step);
}

// Scan periods from line from to a later line to, by their times; where
// either has none (its time left out), by the nearest timed line a few
// lines beyond it, counted back: a loss of signal beside damaged times is
// still one.
int TEarthLocations::PeriodsAcross(int from, int to) const {
    constexpr int Reach = 8;
    int earlier = from, later = to;
    while (LineTimes(earlier) == 0 && earlier > std::max(from - Reach, 0)) --earlier;
    while (LineTimes(later) == 0 && later < std::min(to + Reach, LineCount() - 1)) ++later;
    if (LineTimes(earlier) == 0 || LineTimes(later) == 0) return to - from;
    return PeriodsBetween(earlier, later) - (from - earlier) - (later - to);
}

// The centre of line to lies where steps of the track from line from put it.
bool TEarthLocations::LiesStepsOn(int from, int to, int steps, const TTrackStep& step) const {
    if (steps <= 0) return false;
    const TAnchorLocation& a = locations_[static_cast<size_t>(from)].Anchors[CentreAnchor];
    const TAnchorLocation& b = locations_[static_cast<size_t>(to)].Anchors[CentreAnchor];
    const double eastWard = std::max(std::cos(b.Latitude * M_PI / 180.0), 0.0);
    const double latitudeOff = b.Latitude - (a.Latitude + step.Latitude * steps);
    const double longitudeOff = LongitudeDifference(b.Longitude, a.Longitude + step.Longitude * steps);
    return std::fabs(latitudeOff) <= LargestLatitudeStep && std::fabs(longitudeOff) * eastWard <= LargestEastWardStep;
}

// Located records timed in the pass's rhythm whose places follow on line
// by line, one run after the other.
std::vector<TEarthLocations::TTrackRun> TEarthLocations::TimedRuns() const {
    const TTrackStep passStep = MedianTrackStep();
    std::vector<TTrackRun> runs;
    int previous = -1;
    for (int line = 0; line < LineCount(); ++line) {
        if (!LineLocated(line) || lineTimes_[static_cast<size_t>(line)] == 0) continue;
        const bool inRhythm =
            previous >= 0 && std::fabs(DayDifference(lineTimes_[static_cast<size_t>(previous)],
                                                     lineTimes_[static_cast<size_t>(line)]) -
                                       (line - previous) * scanPeriod_) <= scanPeriod_ / 2 &&
            LiesStepsOn(previous, line, line - previous, passStep);
        if (inRhythm)
            runs.back().push_back(line);
        else
            runs.push_back({line});
        previous = line;
    }
    return runs;
}

// A run of records timed away from the records beside it, whose places
// follow on from theirs line by line and not where its times put them,
// carries damaged times (a loss of signal moves the ground as far as the
// time): the run keeps its locations but not its times, and is told.
// Runs are judged from the longest outwards, each against the nearest
// run kept on the longest's side.
void TEarthLocations::LeaveOutTimesThePlacesContradict(std::vector<std::string>& diagnostics) {
    const std::vector<TTrackRun> runs = TimedRuns();
    if (runs.size() < 2) return;
    const TTrackStep passStep = MedianTrackStep();
    const auto longest = std::max_element(runs.begin(), runs.end(),
                                          [](const TTrackRun& a, const TTrackRun& b) { return a.size() < b.size(); });
    const size_t longestRun = static_cast<size_t>(longest - runs.begin());
    // Times a few periods off put the ground where the lines do: the places cannot judge them.
    const auto placesTellApart = [&](int lines, int periods) {
        const TAnchorLocation& centre = locations_[static_cast<size_t>(runs[longestRun].front())].Anchors[CentreAnchor];
        const double eastWard = std::max(std::cos(centre.Latitude * M_PI / 180.0), 0.0);
        const int apart = std::abs(periods - lines);
        return apart * std::fabs(passStep.Latitude) > LargestLatitudeStep ||
               apart * std::fabs(passStep.Longitude) * eastWard > LargestEastWardStep;
    };
    const auto judge = [&](size_t run, int kept, bool after) {
        const int from = after ? kept : runs[run].back(), to = after ? runs[run].front() : kept;
        const int periods = PeriodsAcross(from, to);
        const bool byLines = LiesStepsOn(from, to, to - from, passStep);
        const bool byTime = LiesStepsOn(from, to, periods, passStep);
        // Where neither puts it, a few records are timed on one side of a
        // loss of signal and lie on the other; more are another picture.
        const bool strayBesideGap = !byLines && !byTime && runs[run].size() < FewestPictureRecords;
        if (!strayBesideGap && (!byLines || !placesTellApart(to - from, periods) || byTime)) return false;
        const TDateTime time = lineTimes_[static_cast<size_t>(runs[run].front())];
        for (const int line : runs[run]) lineTimes_[static_cast<size_t>(line)] = 0;
        diagnostics.push_back(Format("Records %d to %d, timed from %s, lie on the track beside them, not where "
                                     "their times put them: their times are left out",
                                     runs[run].front(), runs[run].back(), FormatDateTime("hh:nn:ss.zzz", time).c_str()));
        return true;
    };
    for (int kept = runs[longestRun].back(), run = static_cast<int>(longestRun) + 1; run < static_cast<int>(runs.size()); ++run)
        if (!judge(static_cast<size_t>(run), kept, true)) kept = runs[static_cast<size_t>(run)].back();
    for (int kept = runs[longestRun].front(), run = static_cast<int>(longestRun) - 1; run >= 0; --run)
        if (!judge(static_cast<size_t>(run), kept, false)) kept = runs[static_cast<size_t>(run)].front();
}

// The located lines in runs that each continue one track. A run between
// two that continue each other, holding fewer records than they do, lies
// off the track both sides agree on: it is damaged, as is a run of one
// record anywhere and a run of a few records at either end beside a longer
// one. What runs stay are pictures; damaged lines go to contradicted.
std::vector<TEarthLocations::TTrackRun> TEarthLocations::TrackRuns(std::vector<int>& contradicted) const {
    const TTrackStep passStep = MedianTrackStep();
    std::vector<TTrackRun> runs;
    for (int line = 0; line < LineCount(); ++line) {
        if (!LineLocated(line)) continue;
        if (runs.empty() || !ContinuesRun(runs.back(), line, passStep))
            runs.push_back({line});
        else
            runs.back().push_back(line);
    }
    const auto drop = [&](size_t from, size_t to) {
        for (size_t run = from; run < to; ++run) contradicted.insert(contradicted.end(), runs[run].begin(), runs[run].end());
        runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(from), runs.begin() + static_cast<std::ptrdiff_t>(to));
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t run = 0; run + 2 < runs.size() && !changed; ++run)
            for (size_t after = run + 2; after < runs.size(); ++after) {
                if (RecordsIn(runs, run + 1, after) >= runs[run].size() + runs[after].size()) break;
                if (!ContinuesRun(runs[run], runs[after].front(), passStep)) continue;
                runs[run].insert(runs[run].end(), runs[after].begin(), runs[after].end());
                runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(after));
                drop(run + 1, after);
                changed = true;
                break;
            }
        for (size_t run = 0; run < runs.size() && runs.size() > 1 && !changed; ++run) {
            const bool atEnd = run == 0 || run + 1 == runs.size();
            const size_t beside = runs[run == 0 ? 1 : run - 1].size();
            if (runs[run].size() == 1 || (atEnd && runs[run].size() < FewestPictureRecords && beside > runs[run].size())) {
                drop(run, run + 1);
                changed = true;
            }
        }
    }
    std::sort(contradicted.begin(), contradicted.end());
    return runs;
}

// Records whose locations the records either side contradict are left
// without location; how many is told.
int TEarthLocations::LeaveContradictedRecordsUnlocated(std::vector<std::string>& diagnostics) {
    std::vector<int> contradicted;
    TrackRuns(contradicted);
    for (const int line : contradicted) locations_[static_cast<size_t>(line)] = TScanLineLocations{};
    if (!contradicted.empty())
        diagnostics.push_back(Format("%d records lie off the track the records either side of them agree on, "
                                     "the first is record %d: their lines are left without location",
                                     static_cast<int>(contradicted.size()), contradicted.front()));
    return static_cast<int>(contradicted.size());
}

// Each loss of signal the records' places confirm is told, as a frame
// format's gaps are.
void TEarthLocations::TellLevel1bSignalGaps(std::vector<std::string>& diagnostics) const {
    for (const TSignalGap& gap : Level1bSignalGaps())
        diagnostics.push_back(
            Format("The signal has a gap of %.1f s after line %d", gap.Missing * scanPeriod_ * SecsPerDay, gap.Line));
}

// Several GAC pictures in one file, or too long a stretch of them, cannot
// be mapped as one pass. A picture ends where the records after it agree
// on another track, in place or in time, never at one record; lines
// without location (damaged records) are passed over.
bool TEarthLocations::CheckGacContinuity(std::vector<std::string>& diagnostics) {
    const int count = LineCount();
    const bool tooMany = count >= 3000;
    if (tooMany) diagnostics.push_back(Format("Too many GAC lines (%d lines) for mapping.", count));
    GacDiscontinuity = false;
    std::vector<int> contradicted;
    const std::vector<TTrackRun> runs = TrackRuns(contradicted);
    for (size_t run = 1; run < runs.size() && !GacDiscontinuity; ++run) {
        const int first = runs[run].front();
        GacDiscontinuity = first >= 3 && first <= count - 3;
        if (GacDiscontinuity) GacBreakLine = first;
    }
    if (!tooMany && !GacDiscontinuity) return true;
    NotLocatedCause = GacDiscontinuity ? FormatResStr(res::SCauseGacPictures, {std::to_string(GacBreakLine)})
                                       : FormatResStr(res::SCauseTooManyGacLines, {std::to_string(count)});
    diagnostics.push_back("Cannot show mapping with multiple GAC pictures");
    diagnostics.push_back("or more than about twenty five minutes of GAC data.");
    return false;
}

// The centre latitude the track through the located line from predicts at
// line to: from's own where they are neighbours, else carried across the
// steps between at the mean of the rates at which the located lines on
// either side move (a track curving evenly keeps that mean over the stretch).
// The steps are counted in lines, or byTime in the scan periods between
// the lines' times: a loss of signal lies between neighbouring records.
float TEarthLocations::TrackLatitude(int from, int to, bool byTime) const {
    const auto steps = [&](int a, int b) { return byTime ? PeriodsAcross(a, b) : b - a; };
    if (steps(from, to) == 1) return CentreLatitude(from);
    const int earlier = NextLocatedLine(from - 1, -1), later = NextLocatedLine(to + 1, 1);
    double rates = 0;
    int sides = 0;
    if (earlier < from && LineLocated(earlier) && steps(earlier, from) > 0) {
        rates += static_cast<double>(CentreLatitude(from) - CentreLatitude(earlier)) / steps(earlier, from);
        ++sides;
    }
    if (later > to && LineLocated(later) && steps(to, later) > 0) {
        rates += static_cast<double>(CentreLatitude(later) - CentreLatitude(to)) / steps(to, later);
        ++sides;
    }
    const double rate = sides > 0 ? rates / sides : 0.0;
    return static_cast<float>(CentreLatitude(from) + rate * steps(from, to));
}

// Whole scan periods from line from to line to by their times, counted up
// from from to a later line whichever way the pass runs (Level 1b times
// are times of day: across midnight the short way); lines apart where
// either has no time.
int TEarthLocations::PeriodsBetween(int from, int to) const {
    const TDateTime a = LineTimes(from), b = LineTimes(to);
    if (a == 0 || b == 0 || !(scanPeriod_ > 0)) return to - from;
    double days = b - a;
    days -= std::round(days);
    const int periods = static_cast<int>(Round(std::fabs(days) / scanPeriod_));
    return to >= from ? periods : -periods;
}

// Level 1b records keep their own rhythm (half a second for GAC): the
// median step between neighbouring timed records.
void TEarthLocations::MeasureLevel1bPeriod() {
    std::vector<double> steps;
    for (size_t line = 1; line < lineTimes_.size(); ++line) {
        if (lineTimes_[line] == 0 || lineTimes_[line - 1] == 0) continue;
        double step = lineTimes_[line] - lineTimes_[line - 1];
        step = std::fabs(step - std::round(step));
        if (step > 0) steps.push_back(step);
    }
    if (steps.empty()) return;
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    scanPeriod_ = *middle;
}

// Gaps in the Level 1b records' times that their locations confirm: the
// track after the gap lies where its time puts it, not where the next line
// would lie (a damaged time is no gap). Times of day run on over midnight.
std::vector<TSignalGap> TEarthLocations::Level1bSignalGaps() const {
    std::vector<TDateTime> times = lineTimes_;
    TDateTime previous = 0;
    for (TDateTime& time : times) {
        if (time == 0) continue;
        if (previous != 0) time -= std::round(time - previous);
        previous = time;
    }
    std::vector<TSignalGap> gaps;
    const TTrackStep passStep = MedianTrackStep();
    for (TSignalGap gap : FindSignalGaps(times, scanPeriod_)) {
        // Lines whose times were left out stand before the gap found: the
        // place where the track jumps tells after which of them it lies.
        int timed = gap.Line;
        while (timed > 0 && times[static_cast<size_t>(timed)] == 0) --timed;
        for (int line = timed; line < gap.Line; ++line)
            if (LineLocated(line) && LineLocated(line + 1) && !LiesStepsOn(line, line + 1, 1, passStep)) {
                gap.Line = line;
                break;
            }
        const int before = gap.Line, after = gap.Line + 1;
        const bool located = ValidLine(after) && LineLocated(before) && LineLocated(after);
        if (!located || std::fabs(CentreLatitude(after) - TrackLatitude(before, after, true)) <
                            std::fabs(CentreLatitude(after) - TrackLatitude(before, after, false)))
            gaps.push_back(gap);
    }
    return gaps;
}


}  // namespace kestrune
