#include "decoding/PassLoader.h"

#include "decoding/FormatDetect.h"
#include "decoding/FrameCheck.h"
#include "decoding/GZfiles.h"
#include "decoding/HRPTvideo.h"
#include "decoding/L1FTenB.h"
#include "decoding/Level1bLoader.h"
#include "decoding/Level1bTimes.h"
#include "decoding/LoadContext.h"
#include "decoding/MeteorFormat.h"
#include "decoding/QuorumFormat.h"
#include "decoding/Raw8Format.h"
#include "decoding/ReadChannels.h"
#include "decoding/Sensor.h"
#include "decoding/Station16.h"
#include "decoding/SpotFormat.h"
#include "decoding/Station16Formats.h"
#include "decoding/StationFormats.h"
#include "decoding/Telemetry.h"
#include "decoding/TimestepFormat.h"
#include "decoding/ViewNames.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/FileUtils.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/SystemUtils.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>

namespace kestrune {

namespace {

constexpr int32_t FewLinesWarning = 100;
constexpr int32_t FewestLines = 2;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool IsGacCode(uint8_t code) { return code >= 9 && code <= 11; }

std::string ChannelNumbers(const TPassState& state) {
    std::string numbers;
    for (int channel = 1; channel <= MaxChannels; ++channel)
        if (state.ChannelInStore(channel)) numbers += std::to_string(channel);
    return numbers;
}

// Splits off the first blank-separated word of text.
std::string TakeWord(std::string& text) {
    const size_t blank = text.find(' ');
    std::string word = text.substr(0, blank);
    text = blank == std::string::npos ? std::string() : Trim(text.substr(blank + 1));
    return word;
}

// Time of a Level 1b record, only for comparing records with each other.
double RecordTime(const uint8_t* record, uint8_t formatCode) {
    if (formatCode == 10 || formatCode == 11) {
        const uint16_t yearDay = ReadBigEndian16(record + 2);
        TDateTime newYear = 0;
        TryEncodeDate(yearDay >> 9, 1, 1, newYear);
        return newYear + (yearDay & 511) + ReadBigEndian32(record + 4) / MSecsPerDay;
    }
    return ReadBigEndian16(record + 4) + ReadBigEndian32(record + 8) / MSecsPerDay;
}

}  // namespace

bool ParseIsoDateTime(const std::string& text, TDateTime& value) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &year, &month, &day, &hour, &minute, &second, &tail) != 6)
        return false;
    TDateTime date = 0;
    TDateTime time = 0;
    if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, 0, time)) return false;
    value = date + time;
    return true;
}

bool ParseNudgeEntry(const std::string& entry, int32_t& nudgeX, int32_t& nudgeY, TDateTime& passDateTime) {
    std::string rest = Trim(entry);
    TakeWord(rest);  // the file name
    if (rest.find(' ') == std::string::npos) return false;
    int x = 0;
    int y = 0;
    if (!TryStrToInt(TakeWord(rest), x)) return false;
    TDateTime date = passDateTime;
    if (rest.find(' ') == std::string::npos) {
        if (!TryStrToInt(rest, y)) return false;
    } else if (!TryStrToInt(TakeWord(rest), y) || !ParseIsoDateTime(rest, date)) {
        return false;
    }
    nudgeX = x;
    nudgeY = y;
    passDateTime = date;
    return true;
}

int32_t CountTimedRecords(TInputFile& input, int32_t recordSize, uint8_t formatCode) {
    constexpr double MaxStep = 0.01;  // days between neighbouring records
    const int64_t start = input.Position();
    const int32_t timeBytes = 12;
    std::vector<double> times;
    // Reading stops where no pass goes on: the file is refused for its length anyway.
    while (recordSize >= timeBytes && input.Remaining() >= recordSize && std::ssize(times) <= MostPassLines)
        times.push_back(RecordTime(input.Take(recordSize).data(), formatCode));
    input.Seek(start);
    // A record without a time (zero-filled), or whose time the records around
    // it contradict, ends no pass.
    std::vector<TDateTime> ofDay(times.size());
    std::transform(times.begin(), times.end(), ofDay.begin(), [](double time) { return time - std::floor(time); });
    const std::vector<int> contradicted = ContradictedRecordTimes(ofDay);
    int32_t count = 0;
    std::optional<double> previous;
    for (; count < std::ssize(times); ++count) {
        const double time = times[static_cast<size_t>(count)];
        if (time == 0 || std::binary_search(contradicted.begin(), contradicted.end(), count)) continue;
        if (previous && time - *previous > MaxStep) break;
        previous = time;
    }
    return count;
}

std::vector<std::string> ChannelTabs(const TPassState& state) {
    std::vector<std::string> tabs{std::string(ViewNames[ViewAll])};
    for (int channel = 1; channel <= MaxChannels; ++channel)
        if (state.ChannelInStore(channel)) tabs.emplace_back(ChannelViewName(channel));
    return tabs;
}

std::vector<std::string> OfferedViews(const TPassState& state, bool paletteFound) {
    std::vector<std::string> views = ChannelTabs(state);
    const auto selected = [&](int channel) { return state.ChannelInStore(channel); };
    const uint8_t code = state.InputFormatCode;
    const bool dtp = (code >= 21 && code <= 23) || code == 34 || code == 35 || state.DtpAvailable;
    const auto offered = [&](int view) {
        switch (state.SensorKind) {
            case SensorAvhrr:
                switch (view) {
                    case ViewMvl: return dtp;
                    case ViewPaletted: return selected(4) && paletteFound;
                    case ViewTemperature: return selected(4);
                    case ViewSst: case ViewCh4MinusCh5: return selected(4) && selected(5);
                    case ViewVegetation: return selected(1) && selected(2);
                    case ViewCh3Raw: case ViewCh3AvgFilt: case ViewCh3MedianFilt: case ViewCh3RawMinusFilt:
                        return selected(3);
                    case ViewFire: return selected(3) && selected(4);
                    default: return view == ViewFalseColour || (view >= ViewRgb && view <= ViewNoaa) ||
                                    view == ViewGroundPath || view == ViewOverlay;
                }
            case SensorSeaWifs: return view == ViewFalseColour || view == ViewRgb || view == ViewUser || (view == ViewMvl && dtp);
            case SensorFengYun1:
                return view == ViewFalseColour || (view >= ViewRgb && view <= ViewNoaa) || (view == ViewMvl && dtp) ||
                       (view == ViewVegetation && selected(1) && selected(2));
            case SensorSpot: return view == ViewRgb || view == ViewUser || (view == ViewMvl && dtp);
            case SensorMeteorMhrp: case SensorMeteorMn2: return view == ViewFalseColour || view == ViewRgb || view == ViewUser;
            default: return false;
        }
    };
    for (int view = ViewFalseColour; view < ViewCount; ++view)
        if (offered(view)) views.emplace_back(ViewNames[view]);
    return views;
}

std::string FirstViewName(const TPassState& state, int slotCount, bool fastView) {
    if (slotCount == 1) {
        for (int channel = 1; channel <= MaxChannels; ++channel)
            if (state.ChannelInStore(channel)) return std::string(ChannelViewName(channel));
    }
    const uint8_t code = state.InputFormatCode;
    const bool dtpCode = (code >= 21 && code <= 23) || code == 34 || code == 35;
    const auto view = [&]() -> uint8_t {
        switch (state.SensorKind) {
            case SensorSpot: return ViewMvl;
            case SensorMeteorMhrp: return ViewRgb;
            case SensorMeteorMn2: return ViewFalseColour;
            default:
                if (dtpCode) return ViewMvl;
                if (fastView) return ViewAll;
                return state.DtpAvailable ? ViewMvl : ViewFalseColour;
        }
    }();
    return std::string(ViewNames[view]);
}

TPassLoader::TPassLoader(TPassState& state, TLoaderHost& host, TLoaderServices& services, TLoaderSettings& settings)
    : state_(state), host_(host), services_(services), settings_(settings) {}

void TPassLoader::LoadDataFile(const std::string& fileName) {
    TLoadContext load(state_, host_, settings_);
    BeginLoad(load);
    try {
        PrepareFile(load, fileName);
        host_.EnableControls(false);
        MapFile(load);
        ReadHeaderBuffer(load);
        IdentifyFormat(load);
        SetInstrumentDefaults();
        ResetPassReading(load);
        ReadFormatHeader(load);
        CountRecords(load);
        CheckFrames(load);
        state_.Orbit->Keplers->ReleaseMessages(true);
        PrepareStores(load);
        ReadChannels(load);
        SummariseAndLocate(load);
        AppendProcessedList();
        SetViewPalette(state_.SelectedChannelCount());
        host_.SetOpenButtonHint(
            FormatResStr(res::SReadingTook, {ShownFileNameText(state_.LoadedFileName), Format("%.1f", static_cast<double>(NowMs() - loadStartMs_) / 1000.0)}) +
            resStr(settings_.LargeMemory ? res::SLargeMemory : res::SSmallMemory));
        OfferStandardName();
        services_.AddRecentFile(load.RecentName);
    } catch (const std::exception& error) {
        HandleFailure(load, error.what());
    } catch (...) {
        HandleFailure(load, resStr(res::SUnknownError));
    }
    EndLoad();
}

// Busy look, the run header, and the per-load state that no header reader
// may inherit from the previous file.
void TPassLoader::BeginLoad(TLoadContext& load) {
    state_.Loading = true;
    state_.AbortRequested = false;
    host_.BeginBusy(settings_.ReceiverRunning);
    host_.ShowSatelliteLabel(false, "", "");
    state_.HeaderText.clear();
    state_.LoadFailure.clear();
    state_.DateChoice = {};
    state_.CutShort.clear();
    state_.RecordTimesNote.clear();
    state_.ProcessedListNote.clear();
    state_.ProcessedLineLost = false;
    services_.SetOverlayShown(!settings_.HideInitialOverlay);
    state_.DiagnosticLines.clear();
    load.Log("Talvessa - version V" + TZrVersionInfo().GetStandardString(3) + " - run started at " +
             FormatDateTime("yyyy-mmm-dd hh:nn:ss", NowUtc()) + " UTC");

    state_.InputFormatCode = 0;
    state_.SensorKind = SensorAvhrr;
    state_.DataStart = 0;
    state_.RecordSize = 0;
    state_.HeaderLength = 0;
    state_.RecordCount = 0;
    state_.SkipRecords = 0;
    state_.HeaderLineCount = 0;
    state_.PackedInput = false;
    state_.L1BSampleKind = 2;
    state_.Northbound = false;
    state_.MeteorPass = false;
    state_.DtpAvailable = false;
    state_.PreferTelemetryName = false;
    state_.EarthLocations->BaseDate = 0;
    state_.EarthLocations->EstimatedDate = 0;
    state_.EarthLocations->Northbound = false;
    state_.Orbit->SetSatelliteName("");
    state_.Orbit->Quiet = false;
    state_.Orbit->PassTime = 0;
    // Until the frames are found, a missing element set is no news.
    state_.Orbit->Keplers->HoldMessages();
}

void TPassLoader::PrepareFile(TLoadContext& load, const std::string& requestedName) {
    load.FileName = requestedName;
    load.RecentName = requestedName;
    if (LowerCase(ExtractFileExt(requestedName)) == ".gz") Unpack(load, requestedName);
    state_.InputFolder = ExtractFilePath(requestedName);
    // One name whether the file unpacked or not: "x.wsd.gz" is "x", as "x.wsd" is.
    std::string name = ExtractFileName(load.FileName);
    if (LowerCase(ExtractFileExt(name)) == ".gz") name = ChangeFileExt(name, "");
    state_.LoadedFileName = ChangeFileExt(name, "");
    state_.PassDescription.clear();
    RestoreNudgeMemory();
    state_.StandardName.clear();
}

// A packed file is unpacked beside itself; in a folder the user cannot write
// to, into a private folder that goes with the load. The recent-file list
// then keeps the packed file, which stays.
void TPassLoader::Unpack(TLoadContext& load, const std::string& packedName) {
    bool unpacked = false;
    std::string why;
    try {
        const std::string folder = load.PreparedFileFolder(packedName);
        unpacked = GunzipFile(packedName, folder);
        load.FileName = (folder.empty() ? ExtractFilePath(packedName) : folder) + ExtractFileName(ChangeFileExt(packedName, ""));
        if (folder.empty()) load.RecentName = load.FileName;
    } catch (const std::exception& error) {
        why = error.what();
        load.Log(why);
        unpacked = false;
    }
    if (unpacked) {
        load.UnpackedFiles.push_back(load.FileName);
        return;
    }
    load.FileName = packedName;
    load.RecentName = packedName;
    load.FirstCause = FormatResStr(res::SCouldNotUnzip, {ShownFileNameText(packedName)}) + (why.empty() ? "" : ": " + why);
    load.ShowMessage(load.FirstCause);
}

void TPassLoader::RestoreNudgeMemory() {
    state_.NudgeX = 0;
    state_.NudgeY = 0;
    state_.PassDateTime = 0;
    std::string key = state_.LoadedFileName;
    std::replace(key.begin(), key.end(), ' ', '_');
    if (const auto entry = services_.FindNudgeEntry(key))
        ParseNudgeEntry(UpperCase(*entry), state_.NudgeX, state_.NudgeY, state_.PassDateTime);
    host_.ShowNudgeOffset(state_.NudgeX, state_.NudgeY);
}

void TPassLoader::MapFile(TLoadContext& load) {
    PrepareMeteorFile(load);
    load.MapStream = std::make_unique<TMemMapStream>(load.FileName);
    load.MapStream->ReadOnly = true;
    load.MapStream->SetActive(true);
    // An empty file maps as a few zero bytes; only the file's own bytes are read.
    const int64_t size = std::clamp<int64_t>(GetFileSizeBytes(load.FileName), 0, load.MapStream->Size());
    load.Input = TInputFile(load.MapStream->Memory(), size);
    load.InputOpen = true;
    services_.SetViewTabs({std::string(ViewNames[ViewAll])});
    host_.SetApplicationTitle("HRPT - " + ShownFileNameText(state_.LoadedFileName));
    state_.SensorKind = SensorAvhrr;
    state_.FileSizeBytes = load.Input.Size();
    load.Log("Decode of file: " + load.FileName);
    load.Log("File is " + IntToStr(state_.FileSizeBytes) + " bytes.");
}

void TPassLoader::ReadHeaderBuffer(TLoadContext& load) {
    load.Input.Read(load.HeaderBuffer.data(), static_cast<int64_t>(HeaderBufferSize));
    state_.InputFileDate = GetFileDate(load.FileName);
    settings_.DataFolder = state_.InputFolder;
}

void TPassLoader::IdentifyFormat(TLoadContext& load) {
    load.Extension = LowerCase(ExtractFileExt(load.FileName));
    const TFormatDetection found = DetectInputFormat(load.Header(), load.FileName, load.Extension, state_.LoadedFileName);
    state_.InputFormatCode = found.InputFormatCode;
    state_.SensorKind = found.SensorKind;
    state_.DtpAvailable = found.DtpAvailable;
    state_.L1BSampleKind = found.L1BSampleKind;
    if (!found.Message.empty()) load.ShowMessage(found.Message);
    if (found.InputFormatCode == 0 && load.FirstCause.empty()) load.FirstCause = found.Message;
    // Level 1b, L1F and 10B files are told by their first bytes and state
    // their own layout, so a short one is as well identified as a long one.
    const uint8_t code = found.InputFormatCode;
    if (load.Input.Size() < static_cast<int64_t>(HeaderBufferSize) && !IsLevel1bCode(code) && code != 19 && code != 20) {
        load.Log("File is too small to determine the data type");
        load.Log("At least " + IntToStr(HeaderBufferSize) + " bytes are required");
        if (settings_.Unattended) throw ELoadError(resStr(res::SFileTooSmallShort));
        load.ShowMessage(FormatResStr(res::SFileTooSmall, {IntToStr(HeaderBufferSize)}));
    }
}

void TPassLoader::SetInstrumentDefaults() {
    state_.TelemetryData->HeaderAtEnd = false;
    state_.ChannelAvailable.fill(false);
    const auto channels = [&](int width, int count) {
        state_.ImageWidth = width;
        state_.ChannelCount = count;
        for (int channel = 1; channel <= count; ++channel) state_.ChannelAvailable[channel] = true;
    };
    switch (state_.SensorKind) {
        case SensorSeaWifs: channels(1280, 8); break;
        case SensorFengYun1: channels(2048, 10); break;
        case SensorSpot: channels(1728, 5); break;
        case SensorMeteorMhrp: channels(1540, 6); break;
        case SensorMeteorMn2: channels(1572, 6); break;
        default: {
            const uint8_t code = state_.InputFormatCode;
            channels((code == 9 || code == 10 || code == 11 || code == 15) ? 409 : 2048, 5);
        }
    }
}

void TPassLoader::ResetPassReading(TLoadContext& load) {
    state_.Orbit->Clear();
    state_.Orbit->Keplers->ClearWarnings();
    state_.EarthLocations->EmbeddedTleLine1.clear();
    state_.EarthLocations->EmbeddedTleLine2.clear();
    state_.ChannelSelected = state_.ChannelAvailable;
    state_.PreferTelemetryName = false;
    state_.SatelliteFromFrames = false;
    state_.SatelliteChoice = {};
    state_.NameSatellite = {};
    state_.NameNotes.clear();
    state_.SatelliteNote.clear();
    if (state_.InputFormatCode == 6) ResolveProvisionalPvlCode(load);
    state_.MeteorPass = false;
    state_.TelemetryData->MeteorPass = false;
}

void TPassLoader::ReadFormatHeader(TLoadContext& load) {
    const uint8_t code = state_.InputFormatCode;
    switch (code) {
        case 1: case 2: case 3: ReadTimestepHeader(load); break;
        case 4: ReadSsbHeader(load); break;
        case 5: ReadEssHeader(load); break;
        case 21: case 22: case 23: case 39: case 40: ReadTenBitHeader(load); break;
        case 24: ReadNoaa95Header(load); break;
        case 25: ReadEightBitChrptHeader(load); break;
        case 26: Read16BitHrptHeader(load); break;
        case 27: Read16BitSeaWifsHeader(load); break;
        case 28: Read16BitChrptHeader(load); break;
        case 29: case 30: ReadDartcomHeader(load); break;
        case 31: ReadGtiHeader(load); break;
        case 32: ReadQuorumFileHeader(load); break;
        case 33: ReadSmartViewHeader(load); break;
        case 34: case 35: ReadSpotHeader(load); break;
        case 36: ReadMeteorN1Header(load); break;
        case 37: ReadMeteorRawHeader(load); break;
        case 38: ReadMeteorConvertedHeader(load); break;
        case 7: case 8: case 9: case 10: case 11: case 14: case 15: case 16: case 17: case 18:
            ReadLevel1bHeader(load);
            break;
        case 19: ReadL1FHeader(load); break;
        case 20: Read10BHeader(load); break;
        case 0: {
            const std::string shown = ShownFileNameText(ExtractFileName(load.FileName));
            // ".wsd" files are told apart by the satellite their name holds.
            if (load.Extension == ".wsd") throw ELoadError(FormatResStr(res::SWsdNameLacksSatellite, {shown}));
            throw ELoadError(FormatResStr(res::SFormatNotRecognised, {shown, ShownFileNameText(load.Extension)}));
        }
        default:
            throw ELoadError(FormatResStr(res::SFormatNotReadable, {InputFormatName(code), IntToStr(code)}));
    }
    if (load.RememberNudge)
        services_.RememberNudgeOffset(load.FileName, state_.NudgeX, state_.NudgeY, state_.PassDateTime);
    host_.ClearDisplay();
    if (settings_.ForcedDirection == 1) state_.Northbound = true;
    if (settings_.ForcedDirection == 2) state_.Northbound = false;
    if (settings_.ForcedDirection == 1 || settings_.ForcedDirection == 2) load.DirectionKnown = true;
    if (state_.AbortRequested) throw ELoadError(resStr(res::SReadingCancelled));
}

void TPassLoader::CountRecords(TLoadContext& load) {
    state_.HeaderLength = load.Input.Position();
    if (state_.RecordSize <= 0) throw ELoadError(resStr(res::SNoRecordSize));
    state_.RecordCount =
        static_cast<int32_t>(std::max<int64_t>(0, (state_.FileSizeBytes - state_.HeaderLength) / state_.RecordSize));
    if (load.ExpectedRecordCount > 0 && state_.RecordCount > load.ExpectedRecordCount) {
        load.ShowMessage(FormatResStr(res::SFileTooBig, {std::to_string(load.ExpectedRecordCount), std::to_string(state_.RecordCount)}));
        state_.RecordCount = load.ExpectedRecordCount;
    }
    const int32_t records =
        load.UseHeaderLineCount ? std::min(state_.HeaderLineCount, state_.RecordCount) : state_.RecordCount;
    const int64_t lines = static_cast<int64_t>(records) * L1BLinesPerRecord(state_.InputFormatCode, state_.L1BSampleKind);
    if (lines > MostPassLines)
        throw ELoadError(FormatResStr(res::SPassTooLong, {std::to_string(lines), std::to_string(MostPassLines)}));
    state_.DataLineCount = static_cast<int32_t>(lines);
    if (state_.DataLineCount < FewestLines)
        throw ELoadError(FormatResStr(res::STooFewLines, {std::to_string(state_.DataLineCount), std::to_string(FewestLines)}));
    if (state_.DataLineCount < FewLinesWarning)
        load.ShowMessage(resStr(res::SFewDataLines));
}

void TPassLoader::PrepareStores(TLoadContext& load) {
    loadStartMs_ = NowMs();
    state_.CentreLine = state_.DataLineCount / 2;
    state_.EarthLocations->SetLineCount(state_.DataLineCount);
    host_.SetProgressMax(state_.RecordCount - 1);
    load.Log("File is " + IntToStr(state_.RecordCount) + " records.");
    load.Log("Picture is " + IntToStr(state_.DataLineCount) + " lines.");

    const uint8_t code = state_.InputFormatCode;
    if (IsFormatOneOf(code, {1, 2, 7, 8, 9, 10, 11, 19, 20}))
        host_.SetWindowCaption(state_.HeaderText + " - " + ShownFileNameText(state_.LoadedFileName) + " - " + ProductName);
    host_.SetGacLayout(IsGacCode(code));

    THRPTvideo& video = *state_.Video;
    video.SetLineCount(0);
    video.PrefaultOnThread = !FramesMayBeReadAhead(PassFrameFormat(load));
    const int32_t slots = video.AssignSlots(state_.ChannelsInStore());
    if (slots == 0) throw ELoadError(resStr(res::SNoChannel));
    video.SetSlotCount(slots);
    video.SetWidth(state_.ImageWidth);
    video.SetLineCount(state_.DataLineCount);
    host_.EnableViewTabs(false);

    // The telemetry reset clears the list it is given; the loader's own
    // findings so far stay in front of the telemetry's lines.
    std::vector<std::string> findings = std::move(state_.DiagnosticLines);
    state_.TelemetryData->Reset(code, state_.SensorKind, load.PassDate, state_.DataLineCount, &state_.DiagnosticLines);
    state_.TelemetryData->NamedSatellite = state_.Orbit->SatelliteName;
    state_.TelemetryData->SettledDate = load.SettledDate;
    state_.DiagnosticLines.insert(state_.DiagnosticLines.begin(), findings.begin(), findings.end());
    host_.ShowProgress(true);
    host_.SetStatusText(resStr(res::SReadingData));
}

TFrameFormat TPassLoader::PassFrameFormat(const TLoadContext& load) const {
    TFrameFormat format;
    format.FormatCode = state_.InputFormatCode;
    format.SensorKind = state_.SensorKind;
    format.L1BSampleKind = state_.L1BSampleKind;
    format.RecordSize = state_.RecordSize;
    format.ChannelCount = state_.ChannelCount;
    format.Width = state_.ImageWidth;
    format.LineCount = state_.DataLineCount;
    format.PackedInput = state_.PackedInput;
    format.LittleEndian16 = load.LittleEndian16;
    format.L1BWordsMod1024 = load.L1BWordsMod1024;
    format.Despeckle = settings_.Despeckle && !settings_.CheckBoxShowFire;
    format.MirrorLines = state_.Northbound;
    format.MeteorPass = state_.MeteorPass;
    return format;
}

// Frames spread over the file are looked at before any store is sized: a
// file that holds no frames of its format is refused, whatever its name says.
void TPassLoader::CheckFrames(const TLoadContext& load) const {
    const TFrameSurvey survey =
        SurveyFrames(PassFrameFormat(load), load.Input, {state_.DataStart, state_.HeaderLength, state_.RecordCount});
    if (FramesRecognised(survey)) return;
    const std::string name = Trim(InputFormatName(state_.InputFormatCode));
    throw ELoadError(FormatResStr(res::SNoSync, {std::to_string(survey.Looked), std::to_string(survey.Marked), survey.Mark,
                                                 name.empty() ? ExtractFileExt(load.FileName) : name}));
}

void TPassLoader::ReadChannels(TLoadContext& load) {
    TReadPassOptions options;
    options.Format = PassFrameFormat(load);
    options.L1BFormatVersion = load.L1BFormatVersion;
    options.ChannelAvailable = state_.ChannelAvailable;
    options.ChannelSelected = state_.ChannelSelected;
    const TRecordReader records =
        MappedRecordReader(load.Input.Data(), load.Input.Size(), state_.DataStart, state_.RecordSize);
    const TReadPassProgress progress{[this](int32_t line) {
                                         host_.SetProgressPosition(line);
                                         host_.ProcessPendingEvents();
                                     },
                                     &state_.AbortRequested};
    const TReadPassResult result =
        ReadPassChannels(options, load.Input, records, *state_.Video, state_.EarthLocations.get(),
                         *state_.TelemetryData, &state_.DiagnosticLines, progress);
    load.InputOpen = false;
    if (result == TReadPassResult::Aborted || state_.AbortRequested) throw ELoadError(resStr(res::SReadingCancelled));
    if (const std::string cut = CutShortCause(load); !cut.empty()) throw ELoadError(cut);
}

// Past its new end a file cut short reads as zeros: no line of them is a line
// of the pass, and whatever else went wrong, the cut is why.
std::string TPassLoader::CutShortCause(const TLoadContext& load) const {
    if (!load.MapStream || !load.MapStream->CutShort()) return {};
    const int64_t now = GetFileSizeBytes(load.FileName);
    // Cut and written again as long or longer: the bytes read are not the file's.
    if (now >= load.MapStream->Size()) return resStr(res::SChangedWhileRead);
    return FormatResStr(res::SCutShortWhileRead, {IntToStr(now), IntToStr(load.MapStream->Size())});
}

void TPassLoader::SummariseAndLocate(TLoadContext& load) {
    TTelemetryData& telemetry = *state_.TelemetryData;
    telemetry.PassSummary(*state_.Sensor, settings_.Unattended);
    TOrbit& orbit = *state_.Orbit;
    const bool telemetryNamed = !StartsText("Unknown", telemetry.SatelliteName);
    // The last two characters of a name are as often minutes: frames that name a satellite outrank them.
    const bool nameDigitsOnly = state_.SatelliteChoice.Rule == TIdentityRule::NameDigits &&
                                orbit.SatelliteName == state_.SatelliteChoice.Satellite;
    if ((orbit.SatelliteName.empty() || state_.PreferTelemetryName || nameDigitsOnly) && telemetryNamed &&
        orbit.SatelliteName != StandardSatelliteName(telemetry.SatelliteName)) {
        orbit.SetSatelliteName(telemetry.SatelliteName);
        state_.SatelliteChoice = {orbit.SatelliteName, TIdentityRule::Frames, {}};
    }
    // Meteor frames carry no NOAA identity word: what their words would decode to names no satellite.
    if (!state_.MeteorPass)
        state_.SatelliteNote = SatelliteMismatch(telemetry.NamedSatellite, telemetry.SatelliteName, orbit.SatelliteName,
                                                 state_.SatelliteFromFrames, state_.NameSatellite);
    if (!state_.SatelliteNote.empty()) load.Log(state_.SatelliteNote);
    state_.Video->MeasureAll(telemetry.SpaceCount(1), telemetry.SpaceCount(2));
    host_.ShowProgress(false);
    host_.SetStatusText("");
    const std::string overlay = services_.BoundaryOverlayFileName();
    if (!overlay.empty()) load.Log("Cartography data read from: " + overlay);
    TEarthLocations& locations = *state_.EarthLocations;
    locations.Northbound = state_.Northbound;
    locations.ImageWidth = state_.ImageWidth;
    if (IsFormatOneOf(state_.InputFormatCode, {7, 8, 9, 10, 11}))
        state_.RecordTimesNote = LeaveOutContradictedTimes(locations, state_.InputFormatCode, state_.DiagnosticLines);
    locations.ComputeLocations(state_.InputFormatCode, state_.SensorKind, state_.DiagnosticLines, state_.Northbound);
    const bool located = locations.LocationsValid && locations.LocationFlags != 0;
    if (!load.DirectionKnown && located && locations.Northbound != state_.Northbound) TurnPass();
    services_.BuildFireFilterImages();
}

// The direction was a guess that the earth locations contradict: the store,
// the locations and the map are turned to the direction found.
void TPassLoader::TurnPass() {
    TEarthLocations& locations = *state_.EarthLocations;
    const auto direction = [](bool northbound) { return northbound ? "northbound" : "southbound"; };
    state_.DiagnosticLines.push_back(std::string("The pass was read as ") + direction(state_.Northbound) +
                                     ", but its earth locations show it " + direction(locations.Northbound) +
                                     ": it has been turned round");
    state_.Video->Reverse();
    locations.FlipPassDirection();
    state_.Northbound = locations.Northbound;
    locations.FitMap(state_.DiagnosticLines);
}

void TPassLoader::AppendProcessedList() {
    const TEarthLocations& locations = *state_.EarthLocations;
    state_.DiagnosticLines.emplace_back(" ");
    const std::string letter = locations.Northbound ? "N" : "S";
    const std::string head = state_.LoadedFileName + "; " + state_.Orbit->SatelliteName + "; ";
    const int year = DecodeDateTime(locations.StartTime).year;
    // A pass without a located line gets no line, though a Level 1b file's records time it.
    const bool located = locations.AnyLineLocated();
    if (year < 1957 || !located) {
        state_.PassDescription = head + ChannelNumbers(state_) + "; " + letter + "; (orbit information not available)";
    } else {
        const TLineCorners& first = locations.FirstLineCorners;
        const TLineCorners& last = locations.LastLineCorners;
        std::string corners;
        for (const float value : {first[3], first[0], first[5], first[2], last[3], last[0], last[5], last[2]})
            corners += Format("%.0f; ", static_cast<double>(value));
        state_.PassDescription = head + FormatDateTime("yyyy-mm-dd; hh:nn-", locations.StartTime) +
                                 FormatDateTime("hh:nn; ", locations.EndTime) + corners + letter;
    }
    state_.DiagnosticLines.push_back(state_.PassDescription);
    if (year < 1958 || !located) return;
    // A list that cannot be written costs the list its line, not the pass; either is told.
    try {
        const TProcessedLineWrite written = AddProcessedLine(state_.PassDescription);
        if (!written.SetAside.empty()) TellOfProcessedList(written.SetAside);
        if (!written.BesideFailure.empty())
            TellOfProcessedList(FormatResStr(res::SProcessedLineElsewhere, {ProcessedListName, written.BesideFailure, written.Path}));
    } catch (const std::exception& error) {
        state_.ProcessedLineLost = true;
        TellOfProcessedList(FormatResStr(res::SProcessedLineNowhere, {ProcessedListName, error.what()}));
    }
}

// Shown, or kept for the unattended run's report: nobody reads the diagnostics of every pass.
void TPassLoader::TellOfProcessedList(const std::string& text) {
    state_.DiagnosticLines.push_back(text);
    state_.ProcessedListNote = text;
    if (!settings_.Unattended) TDialogService::Instance().ShowMessage(text, {}, TMsgDlgType::mtWarning);
}

void TPassLoader::SetViewPalette(int slotCount) {
    services_.SetViewTabs(ChannelTabs(state_));
    state_.PaletteFileName = FindFirstMatchingFile(ProgramFolder() + "*.pal");
    host_.SetPaletteButtonHint(FormatResStr(res::SPaletteFrom, {ShownFileNameText(ExtractFileName(state_.PaletteFileName))}));
    state_.NdviPaletteFileName.clear();
    state_.SstPaletteFileName.clear();
    host_.EnableViewTabs(true);
    services_.SetViewTabs(OfferedViews(state_, !state_.PaletteFileName.empty()));
    services_.SelectView(FirstViewName(state_, slotCount, settings_.FastView));
}

void TPassLoader::OfferStandardName() {
    if (!settings_.RenameSource) return;
    state_.StandardName = state_.EarthLocations->PassName(settings_.RenameFormat);
    if (state_.StandardName.empty() || Pos(state_.StandardName, state_.LoadedFileName) > 0) return;
    if (settings_.RenameNoQuery) {
        state_.LoadedFileName = state_.StandardName;
        return;
    }
    const auto question = [this](TTextOf textOf, const std::string& shownName) {
        return FormatRes(textOf(res::SSaveUnderStandardName), {shownName, state_.StandardName});
    };
    // The diagnostics keep the program's English and the name's bytes; the
    // question is asked in the language in effect, the name as the locale spells it.
    if (settings_.Unattended) {
        state_.DiagnosticLines.push_back(question(ProgramText, state_.LoadedFileName));
        return;
    }
    const TModalResult answer = TDialogService::Instance().Ask({question(resStr, ShownFileNameText(state_.LoadedFileName)),
                                                                FormatResStr(res::SStandardNameCaption, {ProductName}),
                                                                TMsgDlgType::mtConfirmation, mbYesNo, mrNo});
    if (answer == mrYes) state_.LoadedFileName = state_.StandardName;
}

// A failed load leaves no pass behind: nothing of an earlier pass may show
// under the new file's name.
void TPassLoader::HandleFailure(const TLoadContext& load, const std::string& failure) {
    const std::string cut = CutShortCause(load);
    const std::string& reason = cut.empty() ? failure : cut;
    state_.DiagnosticLines.push_back(reason);
    // What this load unpacked is no pass: it does not stay beside the packed file.
    for (const std::string& unpacked : load.UnpackedFiles) {
        std::error_code error;
        std::filesystem::remove(unpacked, error);
    }
    state_.LoadFailure = load.FirstCause.empty() || !cut.empty() ? reason : load.FirstCause;
    host_.SetWindowCaption(std::string(ProductName) + settings_.VersionSuffix);
    host_.SetApplicationTitle("HRPT");
    host_.SetOpenButtonHint(resStr(res::SPressShiftForBrowser));
    host_.SetStatusText(resStr(res::SReadFailed));
    services_.SetViewTabs({std::string(ViewNames[ViewAll])});
    state_.Video->SetLineCount(0);
    state_.Video->AssignSlots({});
    state_.EarthLocations->SetLineCount(0);
    state_.DataLineCount = 0;
    state_.CentreLine = 0;
    state_.RecordCount = 0;
}

void TPassLoader::EndLoad() {
    // A load that failed before its frames were found tells only why.
    state_.Orbit->Keplers->ReleaseMessages(false);
    state_.Loading = false;
    host_.ShowProgress(false);
    host_.EnableControls(true);
    host_.EndBusy();
}

}  // namespace kestrune
