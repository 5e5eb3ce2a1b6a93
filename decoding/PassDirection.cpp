#include "decoding/PassDirection.h"

#include "decoding/PassIdentity.h"


namespace kestrune {

const std::array<const char*, 14> PassSatelliteNames = {
    "FY1C",    "FY1D",    "METEOR-M2", "METOP-A", "METOP-B", "METOP-C", "NOAA-10",
    "NOAA-12", "NOAA-14", "NOAA-15",   "NOAA-16", "NOAA-17", "NOAA-18", "NOAA-19"};

namespace {

// The list's selection when nothing else chose one.
constexpr const char* DefaultListSatellite = "NOAA-10";

std::string UpperBaseName(const std::string& fileName) {
    return UpperCase(ChangeFileExt(ExtractFileName(fileName), ""));
}

// A name that spells a satellite outright decides; the last two characters
// of a name, often the minutes of a time, yield to what the header or the
// frames looked at name.
void ProposeSatellite(const TPassDirectionRequest& request, TPassDirectionProposal& proposal) {
    proposal.Satellite = request.SatelliteText;
    if (!request.SatelliteText.empty() && request.SatellitePreset.empty()) return;
    proposal.ShowSatelliteList = true;
    TSatelliteEvidence evidence;
    evidence.Name = SatelliteOfName(UpperBaseName(request.FileName));
    evidence.Header = request.SatellitePreset;
    evidence.HeaderRule = request.PresetRule;
    proposal.Decided = DecideSatellite(evidence);
    // A preset the program does not know is still what the reader proposed.
    if (proposal.Decided.Satellite.empty() && !request.SatellitePreset.empty())
        proposal.Decided = {request.SatellitePreset, request.PresetRule, {}};
    proposal.SatelliteGuessed = !proposal.Decided.Satellite.empty();
    proposal.Satellite = proposal.SatelliteGuessed ? proposal.Decided.Satellite : DefaultListSatellite;
}

TDateEvidence DateEvidence(const TPassDirectionRequest& request) {
    return {request.FileName, request.PassDate,  request.PassYear,        request.DateRule,
            request.FileDate, request.FramesDay, request.EpochsSatellite, request.ElementEpochs};
}

// A year the list does not hold leaves the list at its newest year.
void ProposeYear(TPassDirectionProposal& proposal, TDateTime now) {
    proposal.ShowYearList = true;
    proposal.NewestYear = NewestListedYear(now);
    const int year = proposal.DecidedDate.Year;
    proposal.Year = (year >= OldestListedYear && year <= proposal.NewestYear) ? year : proposal.NewestYear;
    proposal.DecidedDate.Year = proposal.Year;
}

void ProposeDate(TPassDirectionProposal& proposal, bool withTime) {
    proposal.ShowDatePicker = true;
    proposal.ShowTimePicker = withTime;
    proposal.Date = proposal.DecidedDate.Date;
}

}  // namespace

std::string GuessSatelliteFromName(const std::string& upperName) { return SatelliteOfName(upperName).Satellite; }

int NewestListedYear(TDateTime now) { return DecodeDateTime(now + 31).year; }

TPassDirectionProposal ProposePassDirection(const TPassDirectionRequest& request, TDateTime now) {
    TPassDirectionProposal proposal;
    ProposeSatellite(request, proposal);
    proposal.DecidedDate = DecideDate(DateEvidence(request), request.DateMode, now);
    switch (request.DateMode) {
        case TDateMode::Year: ProposeYear(proposal, now); break;
        case TDateMode::Date: ProposeDate(proposal, false); break;
        case TDateMode::DateAndTime: ProposeDate(proposal, true); break;
        case TDateMode::None: break;
    }
    return proposal;
}

TPassDirectionAnswer DefaultPassDirectionAnswer(const TPassDirectionRequest& request,
                                                const TPassDirectionProposal& proposal) {
    TPassDirectionAnswer answer;
    answer.Northbound = request.Northbound;
    answer.PassDate = proposal.ShowDatePicker ? proposal.Date : request.PassDate;
    // Unasked, a year read that no pass can have with its frames' day yields to the one decided.
    const int decidedYear = proposal.DecidedDate.Year;
    answer.PassYear = proposal.ShowYearList ? proposal.Year : decidedYear != 0 ? decidedYear : request.PassYear;
    answer.SatelliteText = proposal.SatelliteGuessed ? proposal.Satellite : std::string();
    answer.ChannelChosen = request.ChannelEnabled;
    return answer;
}

}  // namespace kestrune
