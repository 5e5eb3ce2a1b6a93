#include "decoding/FormatDetect.h"

#include "decoding/PassState.h"
#include "platform/SysUtils.h"
#include "platform/ProgramStrings.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace kestrune {

namespace {

using THeader = std::span<uint8_t, HeaderBufferSize>;

std::string_view TextAt(THeader header, size_t offset, size_t count) {
    return {reinterpret_cast<const char*>(header.data()) + offset, count};
}

// Text of at most count characters that ends at a zero byte.
std::string_view ZeroEndedTextAt(THeader header, size_t offset, size_t count) {
    const std::string_view text = TextAt(header, offset, count);
    return text.substr(0, std::min(text.find('\0'), count));
}

bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> candidates) {
    return std::find(candidates.begin(), candidates.end(), text) != candidates.end();
}

uint16_t WordAt(THeader header, size_t offset) {
    return static_cast<uint16_t>(header[offset] | (header[offset + 1] << 8));
}

bool WordsAllEqual(THeader header, std::initializer_list<size_t> offsets, uint16_t value) {
    return std::all_of(offsets.begin(), offsets.end(), [&](size_t offset) { return WordAt(header, offset) == value; });
}

bool HasMeteorSyncMarkers(THeader header) {
    constexpr std::array<uint8_t, 4> marker = {0x1A, 0xCF, 0xFC, 0x1D};
    return std::memcmp(header.data() + 256, marker.data(), 4) == 0 &&
           std::memcmp(header.data() + 512, marker.data(), 4) == 0;
}

// SSB/Orbit records (13,590 bytes) hold 10-bit words packed high bit first,
// the minor frame from word 2 on: its first sync word 284 hex takes the low
// four bits of byte 2 and the high six of byte 3.
bool HoldsSsbFrames(THeader header) {
    constexpr size_t SsbRecordBytes = 13590;
    constexpr size_t RecordsExamined = 8;
    size_t synced = 0;
    for (size_t record = 0; record < RecordsExamined; ++record) {
        const uint8_t* bytes = header.data() + record * SsbRecordBytes;
        if ((bytes[2] & 0x0F) == 0x0A && (bytes[3] & 0xFC) == 0x10) ++synced;
    }
    return 2 * synced >= RecordsExamined;
}

// Dartcom records begin with the last HRPT sync word (149).
constexpr uint16_t DartcomRecordMarker = 149;

// The first four records all begin with the marker.
bool DartcomRecordsMarked(THeader header, size_t recordBytes) {
    return WordsAllEqual(header, {0, recordBytes, 2 * recordBytes, 3 * recordBytes}, DartcomRecordMarker);
}

// A first record of noise (the receiver not yet locked) does not hide the
// format: three records or more begin with the marker, one after the other
// with none between them unmarked. Video samples that equal the marker here
// and there are no Dartcom records.
bool DartcomRecordsMarkedAfterNoise(THeader header, size_t recordBytes) {
    constexpr size_t RecordsMarked = 3;
    size_t marked = 0;
    bool runEnded = false;
    for (size_t at = 0; at + 2 <= header.size(); at += recordBytes) {
        const bool marker = WordAt(header, at) == DartcomRecordMarker;
        if (marker && runEnded) return false;
        if (marker) ++marked;
        runEnded = runEnded || (!marker && marked > 0);
    }
    return marked >= RecordsMarked;
}

bool HoldsDartcomRecords(THeader header, size_t recordBytes, bool headerNamesFormat) {
    return headerNamesFormat ? DartcomRecordsMarked(header, recordBytes)
                             : DartcomRecordsMarkedAfterNoise(header, recordBytes);
}

// A Level 1b archive file may carry its data set name only in its file name:
// 42 characters with dots at fixed places.
void CopyArchiveName(THeader header, const std::string& fullPath, const std::string& extension) {
    if (header[30] != 0 && header[71] != 0) return;
    if (!IsOneOf(extension, {".gc", ".we", ".so", ".wi"})) return;
    const std::string name = UpperCase(ExtractFileName(fullPath));
    if (name.size() != 42) return;
    for (const size_t dot : {3, 8, 11, 18, 24, 30, 39})
        if (name[dot] != '.') return;
    std::memcpy(header.data() + 30, name.data(), 42);
}

void DetectLevel1b(THeader header, TFormatDetection& result) {
    const std::string_view type = TextAt(header, 34, 4);
    if (type == "GHRR") {
        result.InputFormatCode = header[193] == ' ' ? 9 : 10;
    } else if (IsOneOf(type, {"HRPT", "LHRR", "FRAC"})) {
        const bool newerLayout = header[193] == ' ' || (TextAt(header, 70, 2) == "DU" && header[193] == 0);
        result.InputFormatCode = newerLayout ? 7 : 8;
    } else {
        result.InputFormatCode = 0;
        result.Message = resStr(res::SLevel1bKindRefused);
    }
}

// The first matching test of the header bytes and the extension decides.
void DetectFromHeader(THeader header, const std::string& extension, TFormatDetection& result) {
    uint8_t& code = result.InputFormatCode;
    const std::string_view at22 = TextAt(header, 22, 8);
    const std::string_view at26 = TextAt(header, 26, 4);
    const std::string_view at0 = TextAt(header, 0, 4);
    if (IsOneOf(at22, {"COA.HRPT", "MSC.HRPT", "CSR.HRPT", "QOS.HRPT"})) code = 16;
    else if (at22 == "sar.HRPT") code = 18;
    else if (at22 == "CMS.HRPT") code = 17;
    else if (at26 == "GHRR") code = 15;
    else if (IsOneOf(at26, {"LHRR", "HRPT"})) code = 14;
    else if (HasMeteorSyncMarkers(header) || at0 == "MHRP") {
        code = 36;
        result.SensorKind = SensorMeteorMhrp;
    } else if (ZeroEndedTextAt(header, 1000, 8) == "XHEADRP") code = 2;
    else if (TextAt(header, 200, 7) == "XRAWFMT") {
        code = 1;
        if (IsOneOf(TextAt(header, 207, 5), {"+FY1C", "+FY1D"})) result.SensorKind = SensorFengYun1;
    } else if (IsOneOf(TextAt(header, 30, 4), {"NSS.", "DSS.", "X1A.", "VCS.", "CEM.", "DTP.", "BRN."}))
        DetectLevel1b(header, result);
    else if (WordAt(header, 2) == 530 && WordAt(header, 0) == 248) code = 19;
    else if (WordsAllEqual(header, {0, 2}, 32768)) code = 32;
    else if (IsOneOf(at0, {"HRPT", "CHRP"}) && WordAt(header, 104) == 16000) code = 20;
    else if (extension == ".raw") code = 24;
    else if (IsOneOf(extension, {".fy1c", ".fy1d"})) code = 28;
    else if (header[0] == 0x02 && header[1] == 0x84 && header[2] == 0x01 && header[3] == 0x6F) code = 27;
    else if (TextAt(header, 0, 6) == "HRPT20") code = 33;
    else if (extension == ".native" || Pos("native", extension) > 0 || Pos("asda", extension) > 0) code = 6;
    else if (extension == ".hpt") code = 5;
    else if (extension == ".lac") code = 8;
    // Only a file that holds SSB/Orbit frames is read as one; anything else is not recognised.
    else code = HoldsSsbFrames(header) ? 4 : 0;
}

// A header text or header words name the format, whatever the extension:
// no test of frame samples (the SeaWiFS sync bytes, SSB/Orbit records)
// decided it.
bool HeaderNamesFormat(THeader header) {
    TFormatDetection probe;
    DetectFromHeader(header, "", probe);
    return !probe.Message.empty() || !IsFormatOneOf(probe.InputFormatCode, {0, 4, 27});
}

// Extension and name overrides, each applied in turn: later ones win.
void ApplyNameOverrides(THeader header, const std::string& fullPath, const std::string& extension,
                        const std::string& loadedFileName, TFormatDetection& result) {
    uint8_t& code = result.InputFormatCode;
    const std::string name = LowerCase(ExtractFileName(fullPath));
    const std::string lowerPath = LowerCase(fullPath);
    const auto nameHas = [&](std::string_view token) { return Pos(token, name) > 0; };
    const auto setFamily = [&](uint8_t newCode, uint8_t sensorKind) {
        code = newCode;
        result.SensorKind = sensorKind;
    };
    if (extension == ".gaca") code = 11;
    if (extension == ".n10") code = 21;
    if (extension == ".c10" || nameHas("fy.n10") || nameHas("fengyun1c.n10") || nameHas("fy1c.n10") ||
        nameHas("fengyun1d.n10") || nameHas("fy1d.n10"))
        code = 22;
    if (extension == ".wsd" && nameHas("fengyun")) code = 40;
    if (extension == ".wsd" && nameHas("noaa")) code = 39;
    if (extension == ".s10" || Pos("seastar.n10", lowerPath) > 0) code = 23;
    if (extension == ".img") setFamily(34, SensorSpot);
    if (extension == ".fi5") setFamily(35, SensorSpot);
    if (extension == ".mn1") setFamily(36, SensorMeteorMhrp);
    if (extension == ".mn2") setFamily(37, SensorMeteorMn2);
    if (extension == ".msu2") setFamily(38, SensorMeteorMn2);
    if (extension == ".raw16" || extension == ".hmf") code = 26;
    if (extension == ".hrpt") code = StartsText("fy1", name) ? 28 : 26;
    if (extension == ".hmf" && Pos("FENGYUN", UpperCase(loadedFileName)) > 0) code = 28;
    if (extension == ".rhd") code = 31;
    if (Pos("seawifs", lowerPath) > 0 || code == 27 || code == 23) result.SensorKind = SensorSeaWifs;
    if (IsOneOf(extension, {".fy1c", ".fy1d"})) code = 28;
    if (extension == ".fy8") code = 25;
    if (extension == ".hrp8") code = 3;
    // A Dartcom file whose first records are all noise is still one: the
    // check of frames across the file then reads or tells what it holds.
    if (extension == ".drt") code = 29;
    const bool headerNamed = HeaderNamesFormat(header);
    if (HoldsDartcomRecords(header, 22016, headerNamed)) code = 29;
    if (HoldsDartcomRecords(header, 44150, headerNamed)) code = 30;
}

void DecideInstrument(THeader header, TFormatDetection& result) {
    const uint8_t code = result.InputFormatCode;
    if (code == 28 || code == 25 || code == 22 || code == 30 || code == 40) result.SensorKind = SensorFengYun1;
    if (code == 20 && TextAt(header, 0, 4) == "CHRP") result.SensorKind = SensorFengYun1;
    if (code >= 7 && code <= 11) result.DtpAvailable = TextAt(header, 30, 4) == "DTP.";
}

}  // namespace

std::string InputFormatName(int code) {
    switch (code) {
        case 1: return "Timestep Windows";
        case 2: return "Timestep DOS";
        case 3: return "Timestep DOS (8-bit)";
        case 4: return "SSB";
        case 5: return "ESS HRPT";
        case 6: return "NCI ASDA/PVL";
        case 7: case 8: return "L1B";
        case 9: case 10: return "GAC";
        case 11: return "GAC (pre 1992-Sep-08)";
        case 16: case 17: return "L1B-AAPP";
        case 18: return "L1B-AAPP-3";
        case 19: return "L1F";
        case 20: return "10B";
        case 21: case 39: return "10-bit HRPT";
        case 22: case 40: return "10-bit CHRPT";
        case 23: return "10-bit SeaWiFS";
        case 24: return "NOAA-95";
        case 25: return "8-bit CHRPT";
        case 26: return "16-bit HRPT";
        case 27: return "16-bit SeaWIFS";
        case 28: return "16-bit CHRPT";
        case 29: return "16-bit Dartcom";
        case 30: return "16-bit Dartcom CHRPT";
        case 31: return "16-bit GTI HRPT";
        case 32: return "16-bit Quorum";
        case 33: return "16-bit SmartView";
        case 34: return "16-bit SPOT L0";
        case 35: return "16-bit SPOT Fi5";
        case 36: case 37: case 38: return " ";
        default: return "";
    }
}

TFormatDetection DetectInputFormat(std::span<uint8_t, HeaderBufferSize> header, const std::string& fullPath,
                                   const std::string& extension, const std::string& loadedFileName) {
    TFormatDetection result;
    CopyArchiveName(header, fullPath, extension);
    DetectFromHeader(header, extension, result);
    ApplyNameOverrides(header, fullPath, extension, loadedFileName, result);
    DecideInstrument(header, result);
    return result;
}

bool DetectSamplePacking(std::span<const uint8_t> bytes) {
    int odd = 0;
    int even = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] > 3) ++((i % 2 == 1) ? odd : even);
    return 4 * odd < even;
}

}  // namespace kestrune
