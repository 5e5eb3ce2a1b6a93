#include "decoding/PassDirection.h"

#include "decoding/PassIdentity.h"
#include "decoding/SatelliteIdent.h"

#include <cctype>

namespace kestrune {

const std::array<const char*, 14> PassSatelliteNames = {
    "FY1C",    "FY1D",    "METEOR-M2", "METOP-A", "METOP-B", "METOP-C", "NOAA-10",
    "NOAA-12", "NOAA-14", "NOAA-15",   "NOAA-16", "NOAA-17", "NOAA-18", "NOAA-19"};

namespace {

// The list's selection when nothing else chose one.
constexpr const char* DefaultListSatellite = "NOAA-10";

int YearOf(TDateTime date) { return DecodeDateTime(date).year; }

// Year, month and day from the first eight date digits of the name; 0 when
// they do not form a date in 1961..2098.
TDateTime DateFromNameDigits(const std::string& upperName) {
    const size_t start = DateDigitsStart(upperName);
    std::string digits;
    for (size_t i = start; i < upperName.size(); ++i)
        if (std::isdigit(static_cast<unsigned char>(upperName[i]))) digits += upperName[i];
    if (digits.size() < 8) return 0;
    const int year = std::stoi(digits.substr(0, 4));
    const int month = std::stoi(digits.substr(4, 2));
    const int day = std::stoi(digits.substr(6, 2));
    TDateTime date = 0;
    if (year < 1961 || year > 2098 || !TryEncodeDate(year, month, day, date)) return 0;
    return date;
}

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

// A year of the name's first four characters when it lies in the years the
// list offers, else the file's year; a remembered year wins.
void ProposeYear(const TPassDirectionRequest& request, TDateTime now, TPassDirectionProposal& proposal) {
    proposal.ShowYearList = true;
    proposal.NewestYear = NewestListedYear(now);
    const int nameYear = StrToIntDef(Copy(UpperBaseName(request.FileName), 1, 4), 0);
    const bool namedYear = nameYear >= 1998 && nameYear <= proposal.NewestYear;
    int year = namedYear ? nameYear : YearOf(request.FileDate);
    proposal.FromFileDate = !namedYear && request.PassYear == 0;
    if (request.PassYear != 0) year = request.PassYear;
    // A year the list does not hold leaves the list at its newest year.
    proposal.Year = (year >= OldestListedYear && year <= proposal.NewestYear) ? year : proposal.NewestYear;
}

void ProposeDate(const TPassDirectionRequest& request, TPassDirectionProposal& proposal) {
    proposal.ShowDatePicker = true;
    const TDateTime nameDate = DateFromNameDigits(UpperBaseName(request.FileName));
    TDateTime date = nameDate != 0 ? nameDate : request.FileDate;
    if (request.PassDate != 0) date = request.PassDate;
    proposal.FromFileDate = nameDate == 0 && request.PassDate == 0;
    proposal.Date = static_cast<double>(Trunc(date));
}

void ProposeDateAndTime(const TPassDirectionRequest& request, TPassDirectionProposal& proposal) {
    proposal.ShowDatePicker = true;
    proposal.ShowTimePicker = true;
    proposal.FromFileDate = request.PassDate == 0;
    proposal.Date = request.PassDate != 0 ? request.PassDate : request.FileDate;
}

}  // namespace

std::string GuessSatelliteFromName(const std::string& upperName) { return SatelliteOfName(upperName).Satellite; }

int NewestListedYear(TDateTime now) { return YearOf(now + 31); }

TPassDirectionProposal ProposePassDirection(const TPassDirectionRequest& request, TDateTime now) {
    TPassDirectionProposal proposal;
    ProposeSatellite(request, proposal);
    switch (request.DateMode) {
        case TDateMode::Year: ProposeYear(request, now, proposal); break;
        case TDateMode::Date: ProposeDate(request, proposal); break;
        case TDateMode::DateAndTime: ProposeDateAndTime(request, proposal); break;
        case TDateMode::None: break;
    }
    return proposal;
}

TPassDirectionAnswer DefaultPassDirectionAnswer(const TPassDirectionRequest& request,
                                                const TPassDirectionProposal& proposal) {
    TPassDirectionAnswer answer;
    answer.Northbound = request.Northbound;
    answer.PassDate = proposal.ShowDatePicker ? proposal.Date : request.PassDate;
    answer.PassYear = proposal.ShowYearList ? proposal.Year : request.PassYear;
    answer.SatelliteText = proposal.SatelliteGuessed ? proposal.Satellite : std::string();
    answer.ChannelChosen = request.ChannelEnabled;
    return answer;
}

}  // namespace kestrune
