// The time of every scan line of a pass, from the time codes its frames
// carry: decoded, placed in their year, checked against the pass's quarter
// hour and the frame rhythm, cleared of short runs that the long runs around
// them contradict, and laid one scan period apart outwards from a reference
// line near the middle of the pass, so that corrupt codes cost only their
// own lines and a loss of signal leaves a gap between lines that keep their
// own times.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/SysUtils.h"

namespace kestrune {

// What a line's time code is read against.
struct TTimeCodeReading {
    uint8_t FormatCode = 0;
    uint8_t SensorKind = 0;
    TDateTime BaseDate = 0;
    TDateTime PassTime = 0;  // the orbit's pass time; 0 when unknown
    bool Fy3 = false;        // FengYun-3 counts its milliseconds from noon
};

class TLineTiming {
public:
    TLineTiming(int lines, TDateTime baseDate);

    // The 8 bytes the frame reader stored for the line; a line whose code is
    // invalid keeps no time.
    void DecodeTimeCode(int line, const uint8_t* code, const TTimeCodeReading& reading);
    // Places each line's day of the year in its year (FrameYear) by the date
    // the pass was dated by: the orbit's pass time, else the estimated date.
    void SpreadOverYearEnd(TDateTime passTime, TDateTime estimatedDate, std::vector<std::string>& diagnostics);
    // Lines more than 30 minutes from the quarter hour most agree on lose their time.
    void FindQuarterHour(std::vector<std::string>& diagnostics);
    // Meteor scan periods vary: one is measured from the line times.
    void FindMeteorScanPeriod(std::vector<std::string>& diagnostics);
    // Lines keep a 1/6-second rhythm; a time off the common phase is corrupt.
    void RejectOffPhaseLines();
    // A short run of lines whose codes agree with each other but not with
    // the long runs on both sides of it (the lines after it return to the
    // rhythm before it, or its times go back) is set aside: none of its
    // codes times the pass or any other line, and RegulariseTimes re-times
    // its lines where both sides confirm their slots, else leaves them out
    // and tells. A loss of signal keeps the new rhythm to the next gap or
    // the pass's end, and is no such run.
    void SetAsideStrayRuns();
    // Mean of the times of the middle third of the lines; 0 when none has one.
    TDateTime MidThirdPassTime() const;
    // The pass's time: the middle third's mean, else (a middle lost to
    // noise) the median of the lines that have a time; 0 when none has one.
    TDateTime PassTime();
    // Some line's time agrees with a line's near it, lying as many scan
    // periods away as lines: false for codes that are noise.
    bool AnyLineConfirmed() const;
    // Accepts the times within 15 minutes of the pass time and finds the line
    // the others are timed from, one a neighbour confirms where there is
    // one, the nearest the middle; false (told) when none has a time.
    bool FindReferenceLine(TDateTime passTime, std::vector<std::string>& diagnostics);
    // Times every line outwards from the reference line: a line keeps its
    // own time where it lies on the run's slot or the next line confirms it,
    // is re-timed where the lines beyond confirm the slot, and is otherwise
    // left without time (0) and told. Gaps in the signal are told. A line
    // set aside keeps its code only for the telling.
    void RegulariseTimes(std::vector<std::string>& diagnostics);

    const std::vector<TDateTime>& Times() const { return time_; }
    double ScanPeriod() const { return scanPeriod_; }  // days
    int ReferenceLine() const { return referenceLine_; }
    TDateTime ReferenceTime() const { return referenceTime_; }
    int InvalidLines() const { return invalid_; }

private:
    int LineCount() const { return static_cast<int>(time_.size()); }
    bool Timed(int line) const { return line >= 0 && line < LineCount() && time_[static_cast<size_t>(line)] != 0; }
    bool Follows(int earlier, int later) const;
    bool FollowsWithin(int earlier, int later, double tolerance) const;
    TDateTime YearDateSource(TDateTime passTime, TDateTime estimatedDate) const;
    void ReportYearEnd(int kept, int moved, int movedYear, int dayless, std::vector<std::string>& diagnostics) const;

    TDateTime baseDate_;
    double scanPeriod_;
    // A line whose code nothing confirmed, left without time.
    struct TUnconfirmed {
        int Line;
        TDateTime Code;
        double Late;  // after the slot its neighbour predicts, days
        bool operator<(const TUnconfirmed& other) const { return Line < other.Line; }
    };
    void ReportUnconfirmed(std::vector<TUnconfirmed> unconfirmed, std::vector<std::string>& diagnostics) const;
    // The nearest line to `line` whose timed neighbours lie a Meteor scan
    // period apart: no corrupt run measures the period.
    int SteadyMeteorLine(int line) const;

    std::vector<TDateTime> time_;  // 0 = no (accepted) time
    std::vector<TDateTime> strayCode_;  // the code of a line set aside, else 0
    std::vector<double> seconds_;  // seconds of day of the decoded code
    std::vector<int> phases_;      // lines per 167th of the frame cycle
    int outOfQuarterHour_ = 0;
    bool timedByMedian_ = false;  // no line of the middle third had a time
    int invalid_ = 0;  // lines without an accepted time
    int referenceLine_ = 0;
    TDateTime referenceTime_ = 0;
};

struct TLineSpan {
    int First;
    int Last;
};

// At most `wanted` lines, as near `from` as they can lie, of the run that
// holds `line`: lines whose times lie as many scan periods apart as they
// lie lines apart (untimed lines within it passed over). A gap in the
// signal ends the run: ground seen on its two sides lies far apart.
TLineSpan SteadyLinesNear(std::span<const TDateTime> times, double period, int line, int from, int wanted);

}  // namespace kestrune
