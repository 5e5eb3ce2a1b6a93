// The pass-direction question: what a header reader asks when the file does
// not say which way the satellite moved, which satellite it was or when the
// pass was received, and the values the question proposes. The window shows
// the question; an unattended run takes the proposed answer at once.
#pragma once

#include "decoding/PassIdentity.h"
#include "decoding/PassState.h"
#include "platform/SysUtils.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

struct TPassDirectionRequest {
    std::string Caption;          // "Confirm <format> <satellite> pass <name> direction"
    std::string HintText;         // header description shown above the buttons
    std::string FileName;         // full name of the input file
    TDateTime FileDate = 0;       // last-write time of the input file
    std::string StdName;          // standard output name; empty hides the row
    TChannelFlags ChannelEnabled{};
    TDateMode DateMode = TDateMode::None;
    bool ShowGacPass = false;     // the header holds more than one pass
    bool Northbound = true;       // proposed direction
    TDateTime PassDate = 0;       // remembered or proposed date (0 = none)
    int PassYear = 0;             // remembered or proposed year (0 = none)
    std::string SatelliteText;    // the orbit's satellite name
    std::string SatellitePreset;  // satellite to preselect in the list
    TIdentityRule PresetRule = TIdentityRule::Header;  // what named the preset: the header or frames
    TIdentityRule DateRule = TIdentityRule::Header;    // what gave PassDate or PassYear
    int FramesDay = 0;            // the day of the year the frames give; 0 when none was read
    std::string EpochsSatellite;  // the satellite whose element sets ElementEpochs holds
    std::vector<TDateTime> ElementEpochs;  // where nothing else dates the pass, its sets' epochs
    std::string DirectionReason;  // why the direction proposed is proposed; "" where the reader cannot tell
};

// The values the question shows when it opens.
struct TPassDirectionProposal {
    bool ShowSatelliteList = false;
    std::string Satellite;        // the satellite text the question starts with
    bool SatelliteGuessed = true; // false: only the list's first selection, nothing named it
    TSatelliteChoice Decided;     // the satellite proposed and the rule that chose it
    bool ShowYearList = false;
    int NewestYear = 0;           // the year list runs from this year down to OldestYear
    int Year = 0;
    TDateChoice DecidedDate;      // the year or date proposed and the rule that chose it
    bool ShowDatePicker = false;
    bool ShowTimePicker = false;
    TDateTime Date = 0;           // date (and time for DateAndTime) shown
};

struct TPassDirectionAnswer {
    bool Cancelled = false;
    bool Northbound = true;
    TDateTime PassDate = 0;
    int PassYear = 0;
    std::string SatelliteText;
    int GacPass = 0;              // 0 both, 1 first, 2 second
    TChannelFlags ChannelChosen{};
};

// The year of the first AVHRR (TIROS-N, October 1978): the list holds every year a pass can have.
constexpr int OldestListedYear = 1978;

// Satellite names offered by the question's list.
extern const std::array<const char*, 14> PassSatelliteNames;

// Satellite guessed from the upper-case file name without extension, "" when
// no rule matches.
std::string GuessSatelliteFromName(const std::string& upperName);

// Newest year of the year list: the year of the date 31 days after now.
int NewestListedYear(TDateTime now);

// The values the question opens with for this request.
TPassDirectionProposal ProposePassDirection(const TPassDirectionRequest& request, TDateTime now);

// The answer of an unattended run: the proposed values and direction, every
// existing channel, both GAC passes. A satellite that nothing named stays
// empty, for the telemetry to identify.
TPassDirectionAnswer DefaultPassDirectionAnswer(const TPassDirectionRequest& request,
                                                const TPassDirectionProposal& proposal);

}  // namespace kestrune
