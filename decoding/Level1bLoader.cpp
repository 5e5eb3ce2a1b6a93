#include "decoding/Level1bLoader.h"

#include "decoding/HeaderFields.h"
#include "decoding/Level1b.h"
#include "decoding/LoadContext.h"
#include "decoding/PassLoader.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/SystemUtils.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace kestrune {

namespace {

constexpr int32_t AappRecordBytes = 22016;
constexpr int32_t FewestPrescanRecords = 20;
// Records looked at across a pass for what most of it says.
constexpr int64_t RecordsSampled = 32;
constexpr int NewestHeaderVersion = 5;         // the last version of the newer layout
constexpr int32_t OlderRecordHeadBytes = 448;  // older records: everything before the video
constexpr int64_t OlderEightBitPadding = 2048;  // 8-bit records may be padded by less than this
constexpr double TwoPassMarginDays = 120.0 / SecsPerDay;
constexpr double LinesPerDay = 172800.0;  // GAC: two lines a second
constexpr size_t ArsCopyBytes = 512;      // of the file start, for the header descriptions

std::span<const uint8_t> FileBytes(const TLoadContext& load, int64_t offset, int64_t count) {
    const int64_t size = load.Input.Size();
    if (offset < 0 || offset >= size || count <= 0) return {};
    return {load.Input.Data() + offset, static_cast<size_t>(std::min(count, size - offset))};
}

// count bytes of the file from offset, zero beyond its end.
std::vector<uint8_t> PaddedFileBytes(const TLoadContext& load, int64_t offset, size_t count) {
    std::vector<uint8_t> bytes(count, 0);
    const std::span<const uint8_t> there = FileBytes(load, offset, static_cast<int64_t>(count));
    std::copy(there.begin(), there.end(), bytes.begin());
    return bytes;
}

// Record index of the pass, empty when it does not lie wholly in the file.
std::span<const uint8_t> RecordAt(const TLoadContext& load, int64_t index) {
    const int32_t size = load.State.RecordSize;
    if (size <= 0 || index < 0) return {};
    const std::span<const uint8_t> record = FileBytes(load, load.State.DataStart + index * size, size);
    return record.size() == static_cast<size_t>(size) ? record : std::span<const uint8_t>();
}

// Up to SampledRecords records spread evenly over a pass of records, the first and last among them.
std::vector<int64_t> SampledRecords(int32_t records) {
    std::vector<int64_t> indices;
    if (records <= 0) return indices;
    const int64_t looked = std::min<int64_t>(records, RecordsSampled);
    for (int64_t k = 0; k < looked; ++k) indices.push_back(looked == 1 ? 0 : k * (records - 1) / (looked - 1));
    return indices;
}

int32_t RecordsInFile(const TLoadContext& load) {
    const TPassState& state = load.State;
    if (state.RecordSize <= 0 || state.DataStart >= state.FileSizeBytes) return 0;
    return static_cast<int32_t>((state.FileSizeBytes - state.DataStart) / state.RecordSize);
}

// Logged, and kept for an unattended run to tell.
void TellCutShort(TLoadContext& load, const std::string& text) {
    load.Log(text);
    load.State.CutShort = text;
}


std::string WidthSuffix(uint8_t sampleKind) {
    switch (sampleKind) {
        case 1: return " 8-bit";
        case 2: return " 10-bit";
        case 3: return " 16-bit";
        default: return "";
    }
}

void ShowFormat(TLoadContext& load, const std::string& formatText, const std::string& dataSetName) {
    load.SetCaption(" (" + formatText + ": " + dataSetName + ")");
    load.Log(formatText + " format");
}

// Describes the archive header and takes what it tells of the pass.
TArsSummary ShowArsSatellite(TLoadContext& load, std::span<const uint8_t> header) {
    const TArsSummary ars = DecodeARSHeader(header, load.State.DiagnosticLines, &load.Orbit());
    if (ars.Start != 0) load.EarthLocations().BaseDate = ars.Start;
    load.State.HeaderText = ars.Summary;
    load.Host.ShowSatelliteLabel(true, ars.SatelliteName, ars.Description);
    return ars;
}

// The time span of the header exceeds the records by more than two minutes:
// the file holds two passes.
void TestForTwoPasses(TLoadContext& load, const TArsSummary& ars) {
    if (ars.Start == 0) return;
    const uint8_t code = load.State.InputFormatCode;
    const double dataDays =
        load.State.RecordCount * static_cast<double>(L1BLinesPerRecord(code, load.State.L1BSampleKind)) / LinesPerDay;
    load.UseHeaderLineCount = TwoPassMarginDays + dataDays < ars.Stop - ars.Start;
}

void AskDirection(TLoadContext& load, TDateTime start) {
    std::string standardName;
    if (start != 0) standardName = FormatDateTime("yyyy-mm-dd-hhnn", start) + "-" + load.Orbit().ShortName + ".l1b";
    load.AskPassDirection("Header: " + load.State.HeaderText, PrescanLevel1bNorthbound(load), standardName);
}

// After the question: the first pass runs to the first gap in the record
// times, the second starts after it.
void ChooseGacPass(TLoadContext& load, uint8_t timeCode) {
    if (!load.UseHeaderLineCount) return;
    TPassState& state = load.State;
    if (load.GacPass == 1) {
        state.SkipRecords = 0;
        state.HeaderLineCount = CountTimedRecords(load.Input, state.RecordSize, timeCode);
        return;
    }
    load.UseHeaderLineCount = false;
    if (load.GacPass != 2) return;
    state.SkipRecords = CountTimedRecords(load.Input, state.RecordSize, timeCode);
    StartRecordsAt(load, state.DataStart + static_cast<int64_t>(state.SkipRecords) * state.RecordSize);
}

// ---------------------------------------------------------------------------
// Newer layout

void ReadNewerHeader(TLoadContext& load) {
    TPassState& state = load.State;
    const bool withArs = state.InputFormatCode == 7 || state.InputFormatCode == 9;
    const int64_t recordStart = withArs ? ArsHeaderBytes : 0;
    if (state.FileSizeBytes < recordStart + HeaderRecordBytes)
        RefuseFile(load, resStr(res::SLevel1bHeaderCut));
    const std::vector<uint8_t> ars = PaddedFileBytes(load, 0, ArsCopyBytes);
    TArsSummary pass;
    if (withArs) pass = ShowArsSatellite(load, ars);
    const std::vector<uint8_t> record = PaddedFileBytes(load, recordStart, HeaderRecordBytes);
    const std::string dataSetName = CharsAt(record, 22, DataSetNameLength);
    if (dataSetName.substr(40, 2) == "CF") state.TelemetryData->HeaderAtEnd = true;
    if (!withArs) {
        // No archive header: the record's own data set name describes the pass.
        const TArsSummary named = DataSetNameSummary(dataSetName);
        state.HeaderText = named.Summary;
        load.Host.ShowSatelliteLabel(true, named.SatelliteName, named.Description);
    }
    if (pass.Start == 0) {
        const std::string satellite = L1BSpacecraftName(dataSetName);
        if (!satellite.empty()) load.Orbit().SetSatelliteName(satellite);
        const TDateTime epoch = EncodeDate(1950, 1, 1);
        pass.Start =
            epoch + BigEndianLongAt(record, 80) + static_cast<uint32_t>(BigEndianLongAt(record, 88)) / MSecsPerDay;
        pass.Stop =
            epoch + BigEndianLongAt(record, 92) + static_cast<uint32_t>(BigEndianLongAt(record, 100)) / MSecsPerDay;
        load.EarthLocations().BaseDate = pass.Start;
    }
    load.PassDate = pass.Start;
    DumpL1BHeaderRecord(record, state.DiagnosticLines);

    // Every version keeps the fields read here where version 1 has them.
    const int version = BigEndianWordAt(record, 4);
    if (version < 1 || version > NewestHeaderVersion)
        load.Log(FormatResStr(res::SLevel1bVersion, {std::to_string(version), std::to_string(NewestHeaderVersion)}));
    load.L1BFormatVersion = version;
    // The count of header records is carried from version 3 on.
    const int headerRecords = version >= 3 ? BigEndianWordAt(record, 14) : 1;
    if (headerRecords < 1) RefuseFile(load, resStr(res::SLevel1bNoHeaderRecords));

    const uint8_t code = state.InputFormatCode;
    const bool gac = code == 9 || code == 15;
    state.ChannelCount = LevelBChannels(ars, code, state.ChannelAvailable);
    state.ChannelSelected = state.ChannelAvailable;
    state.RecordSize = gac ? L1BRecordSizeKindGac(ars, code, state.ChannelCount, state.L1BSampleKind)
                           : L1BRecordSizeKind(ars, code, state.ChannelCount, state.L1BSampleKind);
    const uint8_t kind = state.L1BSampleKind;
    const bool supported = state.RecordSize > 0 && (((kind == 1 || kind == 3) && state.ChannelCount > 0) ||
                                                    (kind == 2 && state.ChannelCount == 5));
    if (!supported)
        RefuseFile(load, FormatResStr(res::SLevel1bNotSupported, {CharsAt(ars, 181, 6), ProductName}));

    ShowFormat(load, "Level-1B" + WidthSuffix(kind) + (gac ? " GAC" : " HRPT/LAC"),
               withArs ? CharsAt(ars, DataSetNameOffset, DataSetNameLength) : dataSetName);
    // The archive's count includes itself and the header records.
    int archiveCount = 0;
    if (withArs && TryStrToInt(Trim(CharsAt(ars, 187, 6)), archiveCount))
        load.ExpectedRecordCount = std::max(archiveCount - 1 - headerRecords, 0);
    state.PackedInput = kind == 2;
    if (code == 15) state.InputFormatCode = 9;
    if (code == 14) state.InputFormatCode = 7;
    StartRecordsAt(load, recordStart + static_cast<int64_t>(state.RecordSize) * headerRecords);
    // A file cut short is told, as for the older layout.
    const int stated = BigEndianWordAt(record, 128);
    if (const int32_t held = RecordsInFile(load); held < stated)
        TellCutShort(load, FormatResStr(res::SLevel1bRecordsCut, {std::to_string(stated), std::to_string(held)}));
    if (gac) TestForTwoPasses(load, pass);
    AskDirection(load, pass.Start);
    ChooseGacPass(load, 9);
}

// ---------------------------------------------------------------------------
// Older layout

// The file start as the older branches read it: the 122-byte archive header,
// then the data set header. Files named by their data set name carry no
// archive header: an empty one stands in, with the name and 10-bit samples.
struct TOlderHeader {
    std::vector<uint8_t> Bytes;
    int32_t ArchiveBytes = OlderArsHeaderBytes;
};

TOlderHeader OlderHeader(const TLoadContext& load) {
    TOlderHeader header;
    const std::span<const uint8_t> name(load.HeaderBuffer.data() + DataSetNameOffset, DataSetNameLength);
    const std::span<const uint8_t> stored = FileBytes(load, DataSetNameOffset, DataSetNameLength);
    if (std::equal(name.begin(), name.end(), stored.begin(), stored.end())) {
        header.Bytes = PaddedFileBytes(load, 0, ArsCopyBytes);
        return header;
    }
    header.ArchiveBytes = 0;
    header.Bytes.assign(OlderArsHeaderBytes, ' ');
    std::fill_n(header.Bytes.begin() + 97, 20, uint8_t{0});
    std::copy(name.begin(), name.end(), header.Bytes.begin() + DataSetNameOffset);
    header.Bytes[117] = '1';
    header.Bytes[118] = '0';
    const std::vector<uint8_t> rest = PaddedFileBytes(load, 0, ArsCopyBytes - OlderArsHeaderBytes);
    header.Bytes.insert(header.Bytes.end(), rest.begin(), rest.end());
    return header;
}

// Older files whose record size does not come from the scan count: fewer
// scans than the data set header gives are told as for the newer layout.
void TellOlderScansMissing(TLoadContext& load, const TOlderHeader& header) {
    const int stated = BigEndianWordAt(header.Bytes, 130);
    const int64_t held = static_cast<int64_t>(RecordsInFile(load)) *
                         L1BLinesPerRecord(load.State.InputFormatCode, load.State.L1BSampleKind);
    if (held < stated)
        TellCutShort(load, FormatResStr(res::SLevel1bScansCut, {std::to_string(stated), std::to_string(held)}));
}

TArsSummary ReadOlderStart(TLoadContext& load, const TOlderHeader& header) {
    // Frames under a Level 1b name (".lac") have no data set header to describe.
    const int dataType = header.Bytes[123] >> 4;
    if (dataType < 1 || dataType > 3)
        RefuseFile(load, FormatResStr(res::SLevel1bDataType, {std::to_string(dataType)}));
    if (header.ArchiveBytes == 0) load.Log("No archive header: the data set name is taken from the file name");
    const TArsSummary ars = ShowArsSatellite(load, header.Bytes);
    load.PassDate = ars.Start;
    TPassState& state = load.State;
    state.ChannelCount = LevelBChannels(header.Bytes, state.InputFormatCode, state.ChannelAvailable);
    state.ChannelSelected = state.ChannelAvailable;
    return ars;
}

// The record size, from smallest on, at which the data records after the
// header record carry consecutive scan-line numbers at two at least of the
// start, the middle and the end of the file (one damaged record decides
// nothing); 0 when none does.
int64_t RecordSizeFromScanNumbers(const TLoadContext& load, int64_t fileStart, int64_t smallest) {
    const auto scanNumber = [&](int64_t size, int64_t record) {
        const std::span<const uint8_t> bytes = FileBytes(load, fileStart + size * (record + 1), 2);
        return bytes.size() == 2 ? ReadBigEndian16(bytes.data()) : -1;
    };
    const auto consecutive = [&](int64_t size, int64_t record) {
        const int first = scanNumber(size, record);
        return first > 0 && scanNumber(size, record + 1) == first + 1;
    };
    for (int64_t size = smallest; size < smallest + OlderEightBitPadding; ++size) {
        const int64_t records = (load.State.FileSizeBytes - fileStart) / size - 1;
        if (records < 2) continue;
        int places = 0;
        for (const int64_t record : {int64_t{0}, (records - 2) / 2, records - 2}) places += consecutive(size, record) ? 1 : 0;
        if (places >= 2) return size;
    }
    return 0;
}

// 8-bit HRPT/LAC records take their size from the scan count; it must fit
// the layout of the channels present. A file cut short, or holding more
// records than its scan count, is read by the size at which its records
// carry consecutive scan-line numbers.
int32_t OlderEightBitRecordSize(TLoadContext& load, const TOlderHeader& header) {
    const int scans = BigEndianWordAt(header.Bytes, 130);
    const int64_t dataBytes = load.State.FileSizeBytes - header.ArchiveBytes;
    const int64_t smallest = OlderRecordHeadBytes + static_cast<int64_t>(load.State.ChannelCount) * 2048;
    const int64_t fromCount = dataBytes / (static_cast<int64_t>(scans) + 1);
    const int64_t fromNumbers = RecordSizeFromScanNumbers(load, header.ArchiveBytes, smallest);
    const bool countFits = fromCount >= smallest && fromCount < smallest + OlderEightBitPadding;
    if (countFits && (fromNumbers == 0 || fromNumbers == fromCount)) return static_cast<int32_t>(fromCount);
    if (fromNumbers == 0)
        RefuseFile(load, FormatResStr(res::SLevel1bScans, {std::to_string(scans), std::to_string(load.State.FileSizeBytes),
                                                           std::to_string(load.State.ChannelCount)}));
    const int64_t held = dataBytes / fromNumbers - 1;  // records after the header record
    if (held > scans)
        load.Log(Format("The file holds %d scans, more than the %d its header gives: records of %d bytes are all read",
                        static_cast<int>(held), scans, static_cast<int>(fromNumbers)));
    else
        TellCutShort(load, FormatResStr(res::SLevel1bScansCutRecords, {std::to_string(scans), std::to_string(fromNumbers)}));
    return static_cast<int32_t>(fromNumbers);
}

// Older-layout 16-bit video words hold 10-bit counts, as a rule high byte
// first; words that fit 10 bits only when read low byte first were stored
// the other way round.
bool VideoWordsLowByteFirst(const TLoadContext& load) {
    const int32_t records = RecordsInFile(load);
    const size_t videoBytes = 2 * static_cast<size_t>(load.State.ChannelCount) * 2048;
    int64_t wideHighFirst = 0;
    int64_t wideLowFirst = 0;
    for (const int64_t index : {int64_t{0}, int64_t{records / 2}, int64_t{records - 1}}) {
        const std::span<const uint8_t> record = RecordAt(load, index);
        if (record.size() < OlderRecordHeadBytes + videoBytes) continue;
        for (size_t at = OlderRecordHeadBytes; at + 1 < OlderRecordHeadBytes + videoBytes; at += 2) {
            wideHighFirst += ReadBigEndian16(&record[at]) > SampleMask ? 1 : 0;
            wideLowFirst += (record[at] | record[at + 1] << 8) > SampleMask ? 1 : 0;
        }
    }
    return wideLowFirst < wideHighFirst;
}

void ReadOlderHeader(TLoadContext& load) {
    TPassState& state = load.State;
    const TOlderHeader header = OlderHeader(load);
    const TArsSummary pass = ReadOlderStart(load, header);
    const char dataBits = static_cast<char>(header.Bytes[118]);
    if (dataBits == ' ' || dataBits == '6') {
        state.L1BSampleKind = 3;
        state.RecordSize = state.ChannelCount * 4096 + OlderRecordHeadBytes;
        state.PackedInput = false;
        if (dataBits == ' ') {
            state.PreferTelemetryName = !load.Settings.AcceptRutgersL1B;
            load.Log("16-bit data inferred from blank ARS.DataBits field");
            load.Log("File may therefore be TeraScan output");
            load.Log(" ");
        }
    } else if (dataBits == '8') {
        state.L1BSampleKind = 1;
        state.RecordSize = OlderEightBitRecordSize(load, header);
        state.PackedInput = false;
    } else {
        state.RecordSize = 14800;
    }
    ShowFormat(load, "Level-1B old" + WidthSuffix(state.L1BSampleKind),
               CharsAt(header.Bytes, DataSetNameOffset, DataSetNameLength));
    StartRecordsAt(load, static_cast<int64_t>(state.RecordSize) + header.ArchiveBytes);
    if (dataBits != '8') TellOlderScansMissing(load, header);  // 8-bit records were sized by the scans
    if (state.L1BSampleKind == 3 && VideoWordsLowByteFirst(load)) {
        load.L1BWordsMod1024 = true;
        load.Log("16-bit video words are stored low byte first");
    }
    AskDirection(load, pass.Start);
}

int32_t OlderGacRecordSize(TLoadContext& load, char dataBits) {
    TPassState& state = load.State;
    const int32_t channels = state.ChannelCount;
    if (dataBits == '6') {
        state.L1BSampleKind = 3;
        state.PackedInput = false;
        int32_t size = channels * 1632 + 904;
        if (size > 4168) size += 8;
        if (size > 7440) size += 8;
        return size;
    }
    if (dataBits == '8') {
        state.L1BSampleKind = 1;
        state.PackedInput = false;
        return channels == 5 ? 4992 : channels * 816 + 904;
    }
    state.PackedInput = true;
    return 3220;
}

void ReadOlderGacHeader(TLoadContext& load) {
    TPassState& state = load.State;
    const TOlderHeader header = OlderHeader(load);
    const TArsSummary pass = ReadOlderStart(load, header);
    state.RecordSize = OlderGacRecordSize(load, static_cast<char>(header.Bytes[118]));
    ShowFormat(load, "Level-1B GAC old" + WidthSuffix(state.L1BSampleKind),
               CharsAt(header.Bytes, DataSetNameOffset, DataSetNameLength));
    // The data set header takes two records.
    StartRecordsAt(load, 2 * static_cast<int64_t>(state.RecordSize) + header.ArchiveBytes);
    TellOlderScansMissing(load, header);
    TestForTwoPasses(load, pass);
    AskDirection(load, pass.Start);
    ChooseGacPass(load, 10);
}

// ---------------------------------------------------------------------------
// AAPP

bool AappLittleEndian(uint8_t code) { return code == 16; }

uint16_t AappWordAt(std::span<const uint8_t> record, size_t offset, uint8_t code) {
    if (offset + 2 > record.size()) return 0;
    const uint16_t word = BigEndianWordAt(record, offset);
    return AappLittleEndian(code) ? ByteSwap16(word) : word;
}

// The year of the scan lines that most of the records looked at agree on;
// 0 with 20 records or fewer, or when no year is held by most of them.
int PrescanSpacecraftWord(const TLoadContext& load) {
    if (load.State.RecordCount <= FewestPrescanRecords) return 0;
    std::map<uint16_t, int> held;
    int read = 0;
    for (const int64_t index : SampledRecords(load.State.RecordCount)) {
        const std::span<const uint8_t> record = RecordAt(load, index);
        if (record.empty()) continue;
        ++read;
        ++held[AappWordAt(record, 2, load.State.InputFormatCode)];
    }
    for (const auto& [year, records] : held)
        if (2 * records > read) return year;
    return 0;
}

std::string AappSatellite(const std::string& upperName) {
    std::string satellite;
    for (const char* number : {"10", "12", "14", "15", "16", "17", "18", "19"})
        if (upperName.find(std::string("NOAA") + number) != std::string::npos)
            satellite = std::string("NOAA-") + number;
    return satellite;
}

// Satellite, pass date and direction from the file name's satellite and orbit number.
void PresetAappPass(TLoadContext& load, const std::string& satellite) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    try {
        load.SetCaption(", " + satellite + " (L1B-AAPP format)");
        const std::string& name = state.LoadedFileName;
        const int orbitNumber = StrToIntDef(name.size() >= 5 ? name.substr(name.size() - 5) : "", -1);
        if (orbitNumber < 0) throw EConvertError("The file name ends without an orbit number");
        const TDateTime date = orbit.Keplers->KeplerEpochForOrbit(satellite, orbitNumber);
        if (date == 0) return;
        orbit.SetSatelliteName(satellite);
        orbit.SelectElements(date);
        state.Northbound = PrescanLevel1bNorthbound(load);
        load.Dialog.PassYear = DecodeDateTime(orbit.PassTime).year;
        load.Dialog.DateRule = TIdentityRule::NameLayout;
    } catch (const std::exception&) {
        load.SetCaption(" (L1B-AAPP format)");
    }
}

void ReadAappHeader(TLoadContext& load) {
    TPassState& state = load.State;
    const uint8_t code = state.InputFormatCode;
    load.Log("L1B-AAPP format - file: " + state.LoadedFileName);
    load.Orbit().SetSatelliteName("");
    load.SeekInput(0);
    state.RecordSize = AappRecordBytes;
    StartRecordsAt(load, AappRecordBytes);
    if (const uint16_t stated = AappWordAt(FileBytes(load, 0, AappRecordBytes), 128, code); stated > 0)
        load.ExpectedRecordCount = stated;
    load.Dialog.DateMode = TDateMode::Year;
    const std::string satellite = AappSatellite(load.UpperName());
    load.Dialog.PassYear = PrescanSpacecraftWord(load);
    load.Dialog.DateRule = TIdentityRule::Frames;
    state.Northbound = true;
    if (satellite.empty()) {
        load.Log("L1B-AAPP format could not determine satellite name");
        load.AskPassDirection(resStr(res::SHintYearAndSatellite), true);
    } else {
        PresetAappPass(load, satellite);
        load.AskPassDirection("Year:", state.Northbound);
    }
    if (state.AbortRequested) return;
    load.EarthLocations().BaseDate = EncodeDate(load.Dialog.PassYear, 1, 1);
    load.Orbit().SetSatelliteName(load.Dialog.SatelliteText);
    load.SeekInput(state.DataStart);
}

// The latitude of the centre of a record's earth locations, where the record
// says they are valid and they lie on the earth.
std::optional<double> CentreLatitude(std::span<const uint8_t> record, uint8_t code) {
    if (code == 7 || code == 9) {
        const uint32_t quality = (static_cast<uint32_t>(BigEndianLongAt(record, 312)) >> 12) & 15;
        if (record.size() < NewerLocationsAt || (quality != 0 && quality != 8)) return std::nullopt;
        return CentreLatitudeOnEarth(record.subspan(NewerLocationsAt), true);
    }
    if (record.size() < OlderLocationsAt || record[52] != '3') return std::nullopt;
    return CentreLatitudeOnEarth(record.subspan(OlderLocationsAt), false);
}

// What the records looked at say of the direction.
struct TDirectionVotes {
    int North = 0;
    int South = 0;
    // Three or more say the same, at least twice as many as say otherwise.
    bool Clear() const { return std::max(North, South) >= 3 && std::max(North, South) >= 2 * std::min(North, South); }
    bool Northbound() const { return North > South; }
};

// From one located record to the next located one, the latitude grows or falls.
TDirectionVotes LatitudeVotes(const TLoadContext& load, const std::vector<int64_t>& indices) {
    TDirectionVotes votes;
    std::optional<double> before;
    for (const int64_t index : indices) {
        const std::optional<double> latitude = CentreLatitude(RecordAt(load, index), load.State.InputFormatCode);
        if (!latitude) continue;
        if (before && *latitude != *before) ++(*latitude > *before ? votes.North : votes.South);
        before = latitude;
    }
    return votes;
}

// The scan-line bit that marks a southbound satellite, in the newer layouts.
TDirectionVotes SouthboundBitVotes(const TLoadContext& load, const std::vector<int64_t>& indices) {
    TDirectionVotes votes;
    for (const int64_t index : indices) {
        const std::span<const uint8_t> record = RecordAt(load, index);
        if (!record.empty()) ++((AappWordAt(record, 12, load.State.InputFormatCode) & 0x8000) == 0 ? votes.North : votes.South);
    }
    return votes;
}

}  // namespace

void RefuseFile(TLoadContext& load, const std::string& message) {
    if (!load.Settings.Unattended) TDialogService::Instance().ShowMessage(message);
    throw ELoadError(message);
}

void StartRecordsAt(TLoadContext& load, int64_t dataStart) {
    TPassState& state = load.State;
    state.DataStart = dataStart;
    state.RecordCount = RecordsInFile(load);
    if (state.RecordCount <= 0)
        RefuseFile(load, FormatResStr(res::SEndsBeforeData, {std::to_string(dataStart), std::to_string(state.RecordSize),
                                                             std::to_string(state.FileSizeBytes)}));
    load.SeekInput(dataStart);
}

bool IsLevel1bCode(uint8_t code) { return IsFormatOneOf(code, {7, 8, 9, 10, 11, 14, 15, 16, 17, 18}); }

void ReadLevel1bHeader(TLoadContext& load) {
    switch (load.State.InputFormatCode) {
        case 7:
        case 9:
        case 14:
        case 15: ReadNewerHeader(load); break;
        case 8: ReadOlderHeader(load); break;
        case 10:
        case 11: ReadOlderGacHeader(load); break;
        case 16:
        case 17:
        case 18: ReadAappHeader(load); break;
        default: break;
    }
}

int32_t L1BLinesPerRecord(uint8_t code, uint8_t sampleKind) {
    return (code == 10 || code == 11) && (sampleKind == 1 || sampleKind == 3) ? 2 : 1;
}

bool PrescanLevel1bNorthbound(TLoadContext& load) {
    const int32_t records = RecordsInFile(load);
    if (records <= FewestPrescanRecords) return true;
    const uint8_t code = load.State.InputFormatCode;
    const std::vector<int64_t> indices = SampledRecords(records);
    TDirectionVotes votes;
    if (IsFormatOneOf(code, {7, 8, 9, 10, 11})) votes = LatitudeVotes(load, indices);
    if (!votes.Clear() && IsFormatOneOf(code, {7, 9, 16, 17, 18})) votes = SouthboundBitVotes(load, indices);
    if (votes.North == 0 && votes.South == 0) return true;
    if (!votes.Clear()) {
        load.Log(Format("The records looked at do not agree on the direction (%d say north, %d south): "
                        "the earth locations decide it", votes.North, votes.South));
        return true;
    }
    if (votes.North > 0 && votes.South > 0)
        load.Log(Format("The direction is what %d of the records looked at say; %d say otherwise",
                        std::max(votes.North, votes.South), std::min(votes.North, votes.South)));
    load.DirectionKnown = true;
    return votes.Northbound();
}

}  // namespace kestrune
