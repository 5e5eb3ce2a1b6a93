// What one load works with: the pass state, the host, the settings, and the
// values that the header reader of a format hands to the common tail. A
// fresh context is made for every load, so nothing of a previous file's
// header can leak into the next one.
#pragma once

#include "decoding/FormatDetect.h"
#include "decoding/FrameReader.h"
#include "decoding/GZfiles.h"
#include "decoding/LoaderHost.h"
#include "decoding/PassDirection.h"
#include "decoding/PassState.h"
#include "decoding/SatelliteIdent.h"
#include "platform/MapFiles.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kestrune {

class TOrbit;
class TEarthLocations;

// A load that cannot go on; the loader's one failure handler takes it.
class ELoadError : public Exception {
public:
    using Exception::Exception;
};

// The product name used in captions.
inline constexpr const char* ProductName = "Talvessa";

struct TLoadContext {
    TLoadContext(TPassState& state, TLoaderHost& host, TLoaderSettings& settings);

    TPassState& State;
    TLoaderHost& Host;
    TLoaderSettings& Settings;

    std::string FileName;                // the file read (after unpacking)
    std::string RecentName;              // the file the recent-file list keeps
    std::vector<std::string> UnpackedFiles;  // the files this load unpacked or converted
    std::unique_ptr<TUnpackFolder> UnpackFolder;  // where files made from one in a read-only folder go
    std::string Extension;               // lower case, with its dot
    std::vector<uint8_t> HeaderBuffer;   // first bytes of the file, zero-filled beyond its end
    std::unique_ptr<TMemMapStream> MapStream;  // the file's bytes, for the whole load
    TInputFile Input;                    // over the mapped bytes
    bool InputOpen = false;

    // Handed by the header reader to the tail.
    int32_t ExpectedRecordCount = 0;     // 0 = not stated
    bool UseHeaderLineCount = false;
    int32_t L1BFormatVersion = 0;
    bool LittleEndian16 = false;
    bool L1BWordsMod1024 = false;        // older-layout 16-bit Level 1b video stored low byte first
    TDateTime PassDate = 0;              // for the telemetry's service-date tests
    TDateTime SettledDate = 0;           // the date the question settled (0 = none)
    bool PvlFile = false;                // the file was detected as NCI ASDA/PVL
    // The header or the orbit gave the direction, the command line forced
    // it, or the user changed the proposed one; otherwise the earth
    // locations may turn the pass round.
    bool DirectionKnown = false;
    TDateTime DirectionTime = 0;         // the time the orbit proposed the direction at (0 = not the orbit)
    std::string DirectionSatellite;      // the satellite whose orbit proposed it
    int GacPass = 0;
    TPassDirectionRequest Dialog;        // what the pass-direction question proposes
    bool RememberNudge = false;          // the header reader settled a pass date the nudge memory keeps
    // What went wrong first (a packed file not unpacked, a data set of the
    // wrong kind), which a later failure of the load only follows from.
    std::string FirstCause;

    std::span<uint8_t, HeaderBufferSize> Header() { return std::span<uint8_t, HeaderBufferSize>(HeaderBuffer); }
    std::string UpperName() const { return UpperCase(State.LoadedFileName); }
    TOrbit& Orbit() { return *State.Orbit; }
    TEarthLocations& EarthLocations() { return *State.EarthLocations; }

    // Where a file made from fileName goes: "" (beside it) when its folder can
    // be written to, else a private folder that goes with the load.
    std::string PreparedFileFolder(const std::string& fileName);
    // The private folder that goes with the load, made when first asked for.
    std::string PrivateFolder();

    void Log(const std::string& line) { State.DiagnosticLines.push_back(line); }
    // Window caption "Talvessa - <name>" followed by suffix.
    void SetCaption(const std::string& suffix);
    // A message box, or a diagnostics line in an unattended run.
    void ShowMessage(const std::string& text);

    // Positions the input; a position beyond the end of the file raises ELoadError.
    void SeekInput(int64_t position);

    // For a pass whose start the file name gives: the record count and the
    // year the question proposes; the middle of the pass by the name's time.
    TDateTime TakeNamedPass(const TNameTime& start);
    // The day of the year the frames near the middle of the pass agree on
    // (records of recordSize bytes from firstRecordAt); 0 when they give none.
    int FramesDayOfYear(int32_t recordSize, int64_t firstRecordAt) const;
    // The orbit's direction at time; it counts as known when the orbit has elements.
    bool ProposeOrbitDirection(TDateTime time);
    // The direction the orbit gives on the date the question decided, where
    // the orbit proposed one at a time of another year or day (a name's year
    // that was refused): the same day of the year and time of day in the
    // decided year, or the decided day at that time of day. What the reader
    // proposed otherwise.
    bool DirectionOnDecidedDate(const TDateChoice& decided, bool proposedNorthbound);
    // Where the reader could not tell the direction: the one the pass's earth
    // locations will show, the orbit's of the satellite proposed at the time
    // its frames give on the date decided; what the reader proposed where
    // neither is known. The orbit is left as it was.
    bool DirectionOfFrames(const TPassDirectionProposal& proposal, bool proposedNorthbound);

    // Asks for the pass direction (and what Dialog requests), stores the
    // chosen direction in Northbound and the chosen channels in
    // ChannelSelected, leaves the chosen year, date and satellite in Dialog;
    // a cancelled question sets AbortRequested. Formats without a display
    // name ask nothing and answer northbound. A standard name, when given,
    // is offered beside the question.
    void AskPassDirection(const std::string& hint, bool proposedNorthbound, const std::string& standardName = {});
    // Where nothing else dates the pass: the proposal again, with the year in
    // which the frames' day lies nearest the element sets of the satellite
    // their id names, among those with sets in its years.
    TPassDirectionProposal DateByElementSets(const TPassDirectionProposal& proposal);
    // A name rule of the format that is not used, and why: logged and kept for the run report.
    void NameRuleNotUsed(const std::string& why);
    // Keeps the satellite the question settled on with the rule that chose it.
    void RecordSatelliteChoice(const TPassDirectionProposal& proposal, const TPassDirectionAnswer& answer);
    // Keeps the year or date the question settled on with the rule that chose it.
    void RecordDateChoice(const TPassDirectionProposal& proposal, const TPassDirectionAnswer& answer);
};

}  // namespace kestrune
