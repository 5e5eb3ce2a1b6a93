#include "decoding/LoadContext.h"

#include "decoding/ElementYear.h"
#include "decoding/FramePrescan.h"
#include "orbit/EarthLocations.h"
#include "orbit/FrameYear.h"
#include "orbit/Orbits.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"

#include <unistd.h>

#include <cmath>

namespace kestrune {

TLoadContext::TLoadContext(TPassState& state, TLoaderHost& host, TLoaderSettings& settings)
    : State(state), Host(host), Settings(settings), HeaderBuffer(HeaderBufferSize, 0) {}

std::string CaptionInLanguage(const std::string& caption) {
    constexpr std::string_view formatWord = " format)";
    const size_t open = caption.rfind(" (");
    if (open == std::string::npos || !caption.ends_with(formatWord)) return caption;
    const std::string name = caption.substr(open + 2, caption.size() - formatWord.size() - open - 2);
    return caption.substr(0, open) + " (" + FormatResStr(res::SFormatCaption, {name}) + ")";
}

void TLoadContext::SetCaption(const std::string& suffix) {
    Host.SetWindowCaption(std::string(ProductName) + " - " + ShownFileNameText(State.LoadedFileName) + suffix);
}

std::string TLoadContext::PreparedFileFolder(const std::string& fileName) {
    const std::string folder = ExtractFilePath(fileName);
    if (access(folder.empty() ? "." : folder.c_str(), W_OK) == 0) return {};
    return PrivateFolder();
}

std::string TLoadContext::PrivateFolder() {
    if (!UnpackFolder) UnpackFolder = std::make_unique<TUnpackFolder>();
    return UnpackFolder->Path();
}

void TLoadContext::ShowMessage(const std::string& text) {
    if (Settings.Unattended)
        Log(text);
    else
        TDialogService::Instance().ShowMessage(text);
}

void TLoadContext::SeekInput(int64_t position) {
    if (!InputOpen) throw ELoadError("The input file is closed");
    if (position < 0 || position > Input.Size())
        throw ELoadError(FormatResStr(res::SCannotSeek, {std::to_string(position), std::to_string(Input.Size())}));
    Input.Seek(position);
}

TDateTime TLoadContext::TakeNamedPass(const TNameTime& start) {
    State.RecordCount = static_cast<int32_t>(State.FileSizeBytes / State.RecordSize);
    Dialog.PassYear = start.Year;
    Dialog.DateRule = TIdentityRule::NameLayout;
    return MidPassTime(start.Date(), start.Hour, start.Minute, State.RecordCount);
}

int TLoadContext::FramesDayOfYear(int32_t recordSize, int64_t firstRecordAt) const {
    // Any year holds every day in a leap year's middle: only the day is wanted.
    const TDateTime time = ReadMidPassFrames(*this, recordSize, firstRecordAt, EncodeDate(2024, 7, 1)).Time;
    return time == 0 ? 0 : static_cast<int>(std::trunc(time) - EncodeDate(DecodeDateTime(time).year, 1, 1)) + 1;
}

bool TLoadContext::ProposeOrbitDirection(TDateTime time) {
    DirectionKnown = Orbit().ElementsValid;
    DirectionTime = DirectionKnown ? time : 0;
    DirectionSatellite = Orbit().SatelliteName;
    return Orbit().IsNorthbound(time);
}

namespace {

// The time in the decided year or on the decided day that stands where time
// stood; 0 where it stands there already or the decided year lacks its day.
TDateTime MovedToDecidedDate(TDateTime time, const TDateChoice& decided) {
    const double timeOfDay = time - std::trunc(time);
    if (decided.Mode == TDateMode::Date || decided.Mode == TDateMode::DateAndTime) {
        const TDateTime day = std::trunc(decided.Date);
        return decided.Date == 0 || day == std::trunc(time) ? 0 : day + timeOfDay;
    }
    const int year = DecodeDateTime(time).year;
    const int dayOfYear = static_cast<int>(std::trunc(time) - EncodeDate(year, 1, 1)) + 1;
    // A pass dated by its year may lie across New Year's midnight from it.
    if (decided.Year == 0 || year == FrameYear(EncodeDate(decided.Year, 1, 1), dayOfYear) ||
        year == FrameYear(EncodeDate(decided.Year, 12, 31), dayOfYear))
        return 0;
    if (!DayInYear(decided.Year, dayOfYear)) return 0;
    return EncodeDate(decided.Year, 1, 1) + dayOfYear - 1 + timeOfDay;
}

// The day the frames' day of the year falls on by the date decided; 0 where nothing is decided.
TDateTime DecidedDay(const TDateChoice& decided, int framesDay) {
    if (decided.Mode == TDateMode::Date || decided.Mode == TDateMode::DateAndTime) return decided.Date;
    if (decided.Year == 0) return 0;
    const TDateTime newYear = EncodeDate(decided.Year, 1, 1);
    return framesDay != 0 && DayInYear(decided.Year, framesDay) ? newYear + framesDay - 1 : newYear + 181;
}

}  // namespace

bool TLoadContext::DirectionOfFrames(const TPassDirectionProposal& proposal, bool proposedNorthbound) {
    TOrbit& orbit = Orbit();
    const TDateTime estimate = DecidedDay(proposal.DecidedDate, Dialog.FramesDay);
    if (DirectionKnown || orbit.ElementsValid || estimate == 0) return proposedNorthbound;
    const TMidPassFrames frames = ReadMidPassFrames(*this, State.RecordSize, State.DataStart, estimate);
    // A satellite nothing named is the one the frames will name once read.
    const std::string satellite = !orbit.SatelliteName.empty() ? orbit.SatelliteName
                                  : proposal.SatelliteGuessed   ? proposal.Satellite
                                                                : frames.Satellite;
    const TDateTime time = frames.Time;
    if (time == 0 || satellite.empty()) return proposedNorthbound;
    const std::string named = orbit.SatelliteName;
    const TDateTime passTime = orbit.PassTime;
    const bool quiet = orbit.Quiet;
    orbit.Quiet = true;
    orbit.SetSatelliteName(satellite);
    orbit.SelectElements(time);
    const bool northbound = orbit.ElementsValid ? orbit.IsNorthbound(time) : proposedNorthbound;
    if (orbit.ElementsValid) {
        DirectionTime = time;
        DirectionSatellite = orbit.SatelliteName;
    }
    orbit.SetSatelliteName(named);
    orbit.Clear();
    orbit.PassTime = passTime;
    orbit.Quiet = quiet;
    return northbound;
}

bool TLoadContext::DirectionOnDecidedDate(const TDateChoice& decided, bool proposedNorthbound) {
    if (DirectionTime == 0 || Orbit().SatelliteName.empty()) return proposedNorthbound;
    const TDateTime moved = MovedToDecidedDate(DirectionTime, decided);
    if (moved == 0) return proposedNorthbound;
    Orbit().SelectElements(moved);
    return ProposeOrbitDirection(moved);
}

namespace {

// The day the question settled, for the telemetry's service dates: the date
// answered, else the frames' day in the year answered (its middle without one).
TDateTime DecidedPassDate(const TPassDirectionRequest& request) {
    if (request.DateMode == TDateMode::Date) return request.PassDate;
    TDateTime newYear = 0;
    if (!TryEncodeDate(request.PassYear, 1, 1, newYear)) return 0;
    const TDateTime framed = newYear + request.FramesDay - 1;
    if (request.FramesDay > 0 && DecodeDateTime(framed).year == request.PassYear) return framed;
    return newYear + 181;
}

}  // namespace

TPassDirectionProposal TLoadContext::DateByElementSets(const TPassDirectionProposal& proposal) {
    TPassDirectionRequest& request = Dialog;
    TOrbit& orbit = Orbit();
    const TDateTime now = NowUtc();
    const std::string named = !orbit.SatelliteName.empty() ? orbit.SatelliteName : proposal.Decided.Satellite;
    const std::string framed =
        named.empty() ? ReadMidPassFrames(*this, State.RecordSize, State.DataStart, now).Satellite : std::string();
    const auto epochsOf = [&orbit](const std::string& satellite) {
        return orbit.Keplers->ElementEpochs(satellite, CatalogNumberOf(satellite));
    };
    const TElementYear found = NearestElementYear(framed, named, request.FramesDay, epochsOf, now);
    if (found.Satellite.empty()) return proposal;
    request.EpochsSatellite = found.Satellite;
    request.ElementEpochs = found.Epochs;
    // The satellite the frames' id names in the year its sets fit.
    if (named.empty()) {
        request.SatellitePreset = found.Satellite;
        request.PresetRule = TIdentityRule::Frames;
    }
    return ProposePassDirection(request, now);
}

void TLoadContext::AskPassDirection(const std::string& hint, bool proposedNorthbound, const std::string& standardName) {
    const std::string formatName = InputFormatName(State.InputFormatCode);
    if (formatName.empty()) {
        State.Northbound = true;
        return;
    }
    TPassDirectionRequest& request = Dialog;
    request.ChannelEnabled = State.ChannelAvailable;
    request.FileName = FileName;
    request.FileDate = State.InputFileDate;
    request.HintText = hint;
    request.Northbound = proposedNorthbound;
    request.SatelliteText = Orbit().SatelliteName;
    request.StdName = standardName;
    request.ShowGacPass = UseHeaderLineCount;
    request.Caption = FormatResStr(res::SConfirmPassDirection, {formatName, Orbit().SatelliteName, ShownFileNameText(State.LoadedFileName)});
    if (request.FramesDay == 0 && (request.DateMode == TDateMode::Year || request.PassYear != 0))
        request.FramesDay = FramesDayOfYear(State.RecordSize, State.DataStart);
    TPassDirectionProposal proposal = ProposePassDirection(request, NowUtc());
    if (proposal.DecidedDate.Rule == TIdentityRule::LatestYear || proposal.DecidedDate.NameUnread != 0)
        proposal = DateByElementSets(proposal);
    // One date for the pass: the direction is the orbit's on the date decided, not on a date refused.
    proposedNorthbound = DirectionOnDecidedDate(proposal.DecidedDate, proposedNorthbound);
    // The telemetry tells satellites of one id apart by the pass's date: the one decided.
    if (const TDateTime moved = PassDate != 0 ? MovedToDecidedDate(PassDate, proposal.DecidedDate) : 0; moved != 0)
        PassDate = moved;
    // An unattended run reads the pass as proposed and turns it where its locations say otherwise.
    if (!Settings.Unattended) proposedNorthbound = DirectionOfFrames(proposal, proposedNorthbound);
    request.Northbound = proposedNorthbound;
    request.DirectionReason = DirectionTime == 0 ? std::string()
                              : FormatResStr(proposedNorthbound ? res::SProposedNorthByOrbit : res::SProposedSouthByOrbit,
                                             {DirectionSatellite, FormatDateTime("yyyy-mm-dd hh:nn", DirectionTime)});
    const TPassDirectionAnswer answer = Settings.Unattended ? DefaultPassDirectionAnswer(request, proposal)
                                                            : Host.AskPassDirection(request, proposal);
    if (answer.Cancelled) State.AbortRequested = true;
    if (!Settings.Unattended && answer.Northbound != proposedNorthbound) DirectionKnown = true;
    RecordDateChoice(proposal, answer);
    GacPass = answer.GacPass;
    // At least one existing channel stays selected.
    TChannelFlags chosen{};
    bool any = false;
    for (int channel = 1; channel <= MaxChannels; ++channel) {
        chosen[channel] = answer.ChannelChosen[channel] && State.ChannelAvailable[channel];
        any = any || chosen[channel];
    }
    State.ChannelSelected = any ? chosen : State.ChannelAvailable;
    request.PassDate = answer.PassDate;
    request.PassYear = answer.PassYear;
    request.SatelliteText = answer.SatelliteText;
    State.Northbound = answer.Northbound;
    RecordSatelliteChoice(proposal, answer);
    SettledDate = DecidedPassDate(request);
}

// A year or date changed in the question is the question's; one kept is
// what decided the proposal. Sources of a date that were not used are told,
// and so is a file's date or the clock that decided.
void TLoadContext::RecordDateChoice(const TPassDirectionProposal& proposal, const TPassDirectionAnswer& answer) {
    State.DateChoice = proposal.DecidedDate;
    // A name's layout that read the date and was refused has told why already.
    State.DateChoice.NameLayoutUnused = !State.NameNotes.empty() || !State.DateChoice.Refusals.empty();
    if (State.DateChoice.NameLayoutUnused) State.DateChoice.NameHolds = 0;
    for (const std::string& refusal : State.DateChoice.Refusals) NameRuleNotUsed(refusal);
    const bool asked = proposal.ShowYearList || proposal.ShowDatePicker;
    const bool kept = !asked || (proposal.ShowYearList ? answer.PassYear == proposal.Year : answer.PassDate == proposal.Date);
    if (!kept) {
        State.DateChoice.Rule = TIdentityRule::Question;
        State.DateChoice.Year = answer.PassYear;
        State.DateChoice.Date = answer.PassDate;
        State.DateChoice.NameHolds = 0;
        return;
    }
    const TIdentityRule rule = State.DateChoice.Rule;
    if (State.DateChoice.NameUnread != 0) Log(DateReason(State.DateChoice));
    if (rule != TIdentityRule::FileDate && rule != TIdentityRule::LatestYear && rule != TIdentityRule::ElementSets) return;
    Log(DateReason(State.DateChoice));
    if (proposal.ShowDatePicker) return;
    // The frames' days find their year from the date that dated the pass.
    const int framesDay = State.DateChoice.FramesDay;
    const TDateTime estimate = rule == TIdentityRule::FileDate ? State.InputFileDate
                               : framesDay != 0                 ? EncodeDate(State.DateChoice.Year, 1, 1) + framesDay - 1
                                                                : EncodeDate(State.DateChoice.Year, 7, 1);
    EarthLocations().EstimatedDate = estimate;
    // Elements chosen for a name's date that was refused would date the lines by it.
    TOrbit& orbit = Orbit();
    if (orbit.PassTime != 0 && !orbit.SatelliteName.empty() && DecodeDateTime(orbit.PassTime).year != State.DateChoice.Year)
        orbit.SelectElements(framesDay != 0 ? estimate + std::fmod(orbit.PassTime, 1.0) : estimate);
}

void TLoadContext::NameRuleNotUsed(const std::string& why) {
    Log(why);
    State.NameNotes.push_back(why);
}

// What named the satellite the question settled on, for the reason the
// diagnostics and the run report give.
void TLoadContext::RecordSatelliteChoice(const TPassDirectionProposal& proposal, const TPassDirectionAnswer& answer) {
    if (!proposal.ShowSatelliteList) return;
    State.NameSatellite = SatelliteOfName(UpperName());
    if (answer.SatelliteText.empty()) return;
    State.SatelliteChoice = answer.SatelliteText == proposal.Decided.Satellite
                                ? proposal.Decided
                                : TSatelliteChoice{answer.SatelliteText, TIdentityRule::Question, {}};
}

}  // namespace kestrune
