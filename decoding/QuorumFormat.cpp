#include "decoding/QuorumFormat.h"

#include "decoding/HeaderFields.h"
#include "decoding/LoadContext.h"
#include "decoding/Station16.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/ProgramStrings.h"

#include <cmath>
#include <cstring>

namespace kestrune {

namespace {

constexpr int32_t HrptHeaderFrame = 22180;
constexpr int32_t ChrptHeaderFrame = 44360;
constexpr int32_t ChrptRecord = 44360;
constexpr int32_t ChrptHmfRecord = 44708;
constexpr uint16_t HeaderMark = 0x8000;
constexpr uint16_t DateFrameMark = 0x8100;
constexpr size_t FirstTextByte = 6;

uint16_t WordAt(std::span<const uint8_t> bytes, size_t offset) {
    return offset + 1 < bytes.size() ? static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8) : 0;
}

bool StartsDateFrame(std::span<const uint8_t> header, size_t offset) {
    return WordAt(header, offset) == HeaderMark && WordAt(header, offset + 2) == DateFrameMark;
}

// The header's texts and dates in the diagnostics, its element lines for the orbit.
TQuorumHeader TakeQuorumHeader(TLoadContext& load) {
    const TQuorumHeader quorum = ReadQuorumHeader(load.HeaderBuffer);
    if (quorum.Length == 0) return quorum;
    load.Log("  Quorum header date: " + FormatDateTime("yyyy-mmm-dd hh:nn:ss", quorum.Date));
    for (const std::string* text : {&quorum.Name, &quorum.Line1, &quorum.Line2}) load.Log("  Quorum header Keplers: " + *text);
    load.EarthLocations().EmbeddedTleLine1 = quorum.Line1;
    load.EarthLocations().EmbeddedTleLine2 = quorum.Line2;
    return quorum;
}

void LogDirectionFormDate(TLoadContext& load) {
    load.Log("  From direction form:  date: " + FormatDateTime("yyyy-mmm-dd", load.EarthLocations().BaseDate) +
             "  satellite: " + load.Orbit().SatelliteName);
}

std::string ChrptSatellite(const std::string& upperName) {
    std::string satellite = "FY1C";
    for (const char* token : {"FENGYUN_1D", "F1D", "FY1D"})
        if (Pos(token, upperName) > 0) satellite = "FY1D";
    if (Pos("M01_", upperName) > 0) satellite = "METOP-B";
    return satellite;
}

// The satellite the header names, where the orbit knows it, and the day it gives.
void TakeHeaderPass(TLoadContext& load, const TQuorumHeader& quorum) {
    TOrbit& orbit = load.Orbit();
    const std::string named = orbit.SatelliteName;
    orbit.SetSatelliteName(quorum.Name);
    if (orbit.CatalogNumber.empty()) orbit.SetSatelliteName(named);
    if (quorum.Date <= 0) return;
    load.Dialog.DateRule = TIdentityRule::Header;
    load.Dialog.PassDate = std::trunc(quorum.Date);
}

// "hrpt" names of ".native" Quorum files: year 6..9, month 10..11, day 12..13;
// false when the name is not of that layout and the header's date stands.
bool DateFromNativeName(TLoadContext& load, TDateTime& date) {
    const std::string& name = load.State.LoadedFileName;
    if (!StartsText("hrpt", name) || load.Extension != ".native") return false;
    try {
        date = EncodeDate(NameField(name, 6, 9), NameField(name, 10, 11), NameField(name, 12, 13));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

TQuorumHeader ReadQuorumHeader(std::span<const uint8_t> header) {
    TQuorumHeader quorum;
    if (StartsDateFrame(header, HrptHeaderFrame))
        quorum.Length = HrptHeaderFrame;
    else if (StartsDateFrame(header, ChrptHeaderFrame))
        quorum.Length = ChrptHeaderFrame;
    else
        return quorum;
    quorum.Date = UnixDayDate(header.subspan(static_cast<size_t>(quorum.Length)));
    size_t at = FirstTextByte;
    for (std::string* text : {&quorum.Name, &quorum.Line1, &quorum.Line2}) {
        size_t used = 0;
        *text = WideText(header.subspan(std::min(at, header.size())), used);
        at += used;
    }
    return quorum;
}

void Read16BitChrptHeader(TLoadContext& load) {
    TPassState& state = load.State;
    load.SetCaption(" (16-bit raw CHRPT format)");
    load.Log("16-bit raw CHRPT format");
    load.Orbit().SetSatelliteName(ChrptSatellite(load.UpperName()));
    load.Dialog.DateMode = TDateMode::Date;
    // A recorder's header names the satellite and dates the pass before any name does.
    if (const TQuorumHeader quorum = TakeQuorumHeader(load); quorum.Length != 0) TakeHeaderPass(load, quorum);
    load.AskPassDirection(resStr(res::SHintConfirmUtcDate), true);
    load.EarthLocations().BaseDate = load.Dialog.PassDate;
    LogDirectionFormDate(load);

    state.PackedInput = false;
    state.RecordSize = ChrptRecord;
    state.DataStart = 2 * ChrptRecord;  // a header of two frames
    if (IsSwappedWordOrder(load.HeaderBuffer) || IsPlainWordOrder(load.HeaderBuffer)) state.DataStart = 0;
    if (load.Extension == ".hmf") {
        state.RecordSize = ChrptHmfRecord;
        state.DataStart = 0;
    }
    // The frames' sync words tell their word order, wherever they start.
    const std::span<const uint8_t> file(load.Input.Data(), static_cast<size_t>(load.Input.Size()));
    load.LittleEndian16 = std::memcmp(load.HeaderBuffer.data(), "[Stati", 6) == 0 ||
                          FramesAreLittleEndian(file, state.DataStart, state.RecordSize);
    load.SeekInput(state.DataStart);
}

void ReadQuorumFileHeader(TLoadContext& load) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    load.Log("Quorum 16-bit data format");
    const TQuorumHeader quorum = TakeQuorumHeader(load);
    // Only the header frame tells how long the records are.
    if (quorum.Length == 0) throw ELoadError(resStr(res::SQuorumNotRecognised));
    state.RecordSize = quorum.Length;
    if (quorum.Length == ChrptHeaderFrame) state.SensorKind = SensorFengYun1;
    TDateTime date = quorum.Date;
    TPassDirectionRequest& request = load.Dialog;
    request.DateRule = DateFromNativeName(load, date) ? TIdentityRule::NameLayout : TIdentityRule::Header;
    orbit.SetSatelliteName(quorum.Name);
    load.SetCaption(", " + orbit.SatelliteName + " (16-bit Quorum format)");
    if (state.SensorKind == SensorFengYun1) {
        state.ChannelCount = MaxChannels;
        for (int channel = 1; channel <= MaxChannels; ++channel) state.ChannelAvailable[channel] = true;
        state.ChannelSelected = state.ChannelAvailable;
        request.DateMode = TDateMode::Date;
        request.PassDate = std::trunc(date);
        load.AskPassDirection(resStr(res::SHintConfirmUtcDate), true);
        load.EarthLocations().BaseDate = request.PassDate;
    } else if (state.SensorKind == SensorAvhrr) {
        request.DateMode = TDateMode::Year;
        request.PassYear = DecodeDateTime(date).year;
        load.AskPassDirection(resStr(res::SHintConfirmYear), true);
        load.EarthLocations().BaseDate = EncodeDate(request.PassYear, 1, 1);
    }
    LogDirectionFormDate(load);
    state.PackedInput = false;
    state.DataStart = 2 * state.RecordSize;  // the header frame and the frame holding the date
    load.SeekInput(state.DataStart);
}

}  // namespace kestrune
