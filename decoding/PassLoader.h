// The one road from a data file to the decoded pass: prepare and map the
// file, identify its format, read its header, read every line into the
// video store, summarise the telemetry, locate the lines, offer the views,
// log the pass and record the file. Every failure ends in one handler; no
// exception leaves LoadDataFile.
#pragma once

#include "decoding/FrameReader.h"
#include "decoding/LoaderHost.h"
#include "decoding/PassState.h"
#include "decoding/ProcessedList.h"
#include "platform/SysUtils.h"

#include <concepts>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

struct TLoadContext;
class TTelemetryData;

class TPassLoader {
public:
    TPassLoader(TPassState& state, TLoaderHost& host, TLoaderServices& services, TLoaderSettings& settings);
    // A host that is both (the headless one) serves as either.
    template <typename THost>
        requires std::derived_from<THost, TLoaderHost> && std::derived_from<THost, TLoaderServices>
    TPassLoader(TPassState& state, THost& host, TLoaderSettings& settings) : TPassLoader(state, host, host, settings) {}

    void LoadDataFile(const std::string& fileName);

private:
    void BeginLoad(TLoadContext& load);
    void PrepareFile(TLoadContext& load, const std::string& requestedName);
    void Unpack(TLoadContext& load, const std::string& packedName);
    void RestoreNudgeMemory();
    void MapFile(TLoadContext& load);
    void ReadHeaderBuffer(TLoadContext& load);
    void IdentifyFormat(TLoadContext& load);
    void SetInstrumentDefaults();
    void ResetPassReading(TLoadContext& load);
    void ReadFormatHeader(TLoadContext& load);
    void CountRecords(TLoadContext& load);
    void PrepareStores(TLoadContext& load);
    TFrameFormat PassFrameFormat(const TLoadContext& load) const;
    void CheckFrames(const TLoadContext& load) const;
    void ReadChannels(TLoadContext& load);
    void SummariseAndLocate(TLoadContext& load);
    void TurnPass();
    void AppendProcessedList();
    void TellOfProcessedList(const std::string& text);
    std::string CutShortCause(const TLoadContext& load) const;
    void SetViewPalette(int slotCount);
    void OfferStandardName();
    void HandleFailure(const TLoadContext& load, const std::string& reason);
    void EndLoad();

    TPassState& state_;
    TLoaderHost& host_;
    TLoaderServices& services_;
    TLoaderSettings& settings_;
    int64_t loadStartMs_ = 0;
};

// A nudge-memory line "<file> <x> <y> [yyyy-mm-dd hh:nn:ss]" (upper-cased
// and trimmed by the caller). An entry with fewer than two numbers, or one
// that does not parse, sets nothing and gives false.
bool ParseNudgeEntry(const std::string& entry, int32_t& nudgeX, int32_t& nudgeY, TDateTime& passDateTime);
// "yyyy-mm-dd hh:nn:ss"; false when the text is not such a date-time.
bool ParseIsoDateTime(const std::string& text, TDateTime& value);

// Level 1b records from the input position whose times advance by at most
// 0.01 day from one to the next, a record whose time the records around it
// contradict passed over; the input position is kept. Codes 10 and 11
// (older GAC) carry year and day in one word.
int32_t CountTimedRecords(TInputFile& input, int32_t recordSize, uint8_t formatCode);

// "All" and the views of the selected channels.
std::vector<std::string> ChannelTabs(const TPassState& state);
// The views offered for a pass: the channel tabs, then the product views its
// instrument and channels allow.
std::vector<std::string> OfferedViews(const TPassState& state, bool paletteFound);
// The view a pass opens with.
std::string FirstViewName(const TPassState& state, int slotCount, bool fastView);

}  // namespace kestrune
