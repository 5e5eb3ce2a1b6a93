#include "decoding/Telemetry.h"

#include "decoding/FormatDetect.h"
#include "decoding/Sensor.h"
#include "orbit/CurveFit.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/SystemUtils.h"

#include <algorithm>
#include <numeric>

namespace kestrune {

namespace {

constexpr int32_t LinesPerBlock = 180;
constexpr uint16_t FirstSyncWord = 644;  // 284 hex
constexpr int32_t CountsPerView = 10;
constexpr int32_t MinGoodSyncFrames = 31;

// Block histogram slots.
constexpr size_t BlockTarget = 0;
constexpr size_t BlockPrt = 3;
constexpr size_t BlockSpace = 7;

bool InRange(int32_t value, int32_t first, int32_t last) { return value >= first && value <= last; }

// A satellite's service period, both ends inclusive.
struct TServicePeriod {
    int FirstYear, FirstMonth, FirstDay, LastYear, LastMonth, LastDay;

    bool Holds(TDateTime date) const {
        return date >= EncodeDate(FirstYear, FirstMonth, FirstDay) && date <= EncodeDate(LastYear, LastMonth, LastDay);
    }
};

constexpr TServicePeriod MetopBService{2012, 9, 20, 2100, 1, 1};
constexpr TServicePeriod MetopCService{2018, 11, 7, 2100, 1, 1};
constexpr TServicePeriod Noaa7Service{1981, 6, 24, 1985, 1, 8};
constexpr TServicePeriod Noaa9Service{1984, 12, 17, 1995, 1, 19};
constexpr TServicePeriod Noaa10Service{1986, 10, 8, 1994, 10, 6};
constexpr TServicePeriod Noaa11Service{1988, 10, 21, 1994, 9, 15};
constexpr TServicePeriod TirosNService{1978, 10, 13, 1981, 2, 27};
constexpr TServicePeriod Noaa17Service{2002, 6, 24, 2013, 4, 10};

// Report lines are kept with carriage returns between them.
void AppendLine(std::string& report, const std::string& line) { report += "\r" + line; }

}  // namespace

// ---------------------------------------------------------------------------
// Spacecraft identity

bool DateInNoaa10Service(TDateTime date) { return Noaa10Service.Holds(date); }

bool TTelemetryData::InServiceNoaa7(TDateTime date) { return Noaa7Service.Holds(date); }
bool TTelemetryData::InServiceNoaa9(TDateTime date) { return Noaa9Service.Holds(date); }
bool TTelemetryData::InServiceNoaa10(TDateTime date) { return Noaa10Service.Holds(date); }
bool TTelemetryData::InServiceMetopB() const { return MetopBService.Holds(passDate_); }
bool TTelemetryData::InServiceMetopC() const { return MetopCService.Holds(passDate_); }
bool TTelemetryData::InServiceNoaa11() const { return Noaa11Service.Holds(passDate_); }

TSpacecraft DecodeSpacecraftId(int32_t id, TDateTime date, uint8_t formatCode, bool metopByDate) {
    switch (id) {
        case 0: return {id, "Metop-A", IdentityDefault, ""};
        case 1:
            if (Noaa11Service.Holds(date)) return {id, "NOAA 11", 4, "NOAA-11"};
            if (TirosNService.Holds(date)) return {id, "TIROS-N", IdentityDefault, "TIROS-N"};
            return {id, "FY-3C", IdentityDefault, ""};
        case 2: return {id, "SeaWiFS", IdentityDefault, ""};
        case 3: return {id, "NOAA 16", 8, "NOAA-16"};
        case 5: return {id, "NOAA 14", IdentityDefault, "NOAA-14"};
        case 7:
            if (Noaa7Service.Holds(date)) return {id, "NOAA 7", 1, "NOAA-7"};
            return {id, "NOAA 15", 7, "NOAA-15"};
        case 8:
            if (formatCode == 22 || formatCode == 40) return {id, "Fengyun-1D", 12, ""};
            return {id, "Metop-A", 12, ""};
        case 9: return {id, "NOAA 12", 5, "NOAA-12"};
        case 11:
            // Out of NOAA-17's years of service the id is MetOp-B's, whatever the format.
            if (MetopBService.Holds(date) && (metopByDate || !Noaa17Service.Holds(date)))
                return {id, "Metop-B", 13, "METOP-B"};
            if (Noaa9Service.Holds(date)) return {id, "NOAA 9", 2, "NOAA-9"};
            return {id, "NOAA 17", 9, "NOAA-17"};
        case 13:
            if (metopByDate && MetopCService.Holds(date)) return {id, "Metop-C", 14, "METOP-C"};
            return {id, "NOAA 18", 10, "NOAA-18"};
        case 15:
            if (Noaa10Service.Holds(date)) return {id, "NOAA 10", 3, "NOAA-10"};
            return {id, "NOAA 19", 11, "NOAA-19"};
        default: return {id, "Unknown (" + IntToStr(id) + ")", IdentityDefault, ""};
    }
}

std::string SpacecraftNameFromId(uint32_t idBits, TDateTime fileDate) {
    return DecodeSpacecraftId(SpacecraftIdOfWord(idBits), fileDate, 0, false).StandardName;
}

TChannel3Kind Channel3KindOfSatellite(const std::string& standardName) {
    static const std::array<const char*, 8> Avhrr3 = {"NOAA-15", "NOAA-16", "NOAA-17", "NOAA-18",
                                                     "NOAA-19", "METOP-A", "METOP-B", "METOP-C"};
    static const std::array<const char*, 10> Older = {"TIROS-N", "NOAA-6",  "NOAA-7",  "NOAA-8",  "NOAA-9",
                                                     "NOAA-10", "NOAA-11", "NOAA-12", "NOAA-13", "NOAA-14"};
    const auto named = [&standardName](const auto& names) {
        return std::find(names.begin(), names.end(), standardName) != names.end();
    };
    if (named(Avhrr3)) return TChannel3Kind::Switching;
    if (named(Older)) return TChannel3Kind::ThermalOnly;
    return TChannel3Kind::Unknown;
}

// ---------------------------------------------------------------------------
// The telemetry block of a frame: T word k is frame word Start + k.

struct TTelemetryData::TelemetryBlock {
    std::span<const uint16_t> Frame;
    int32_t Start = 0;
    bool Swapped = false;

    uint16_t operator[](int32_t k) const {
        const int64_t at = static_cast<int64_t>(Start) + k;
        if (at < 0 || at >= static_cast<int64_t>(Frame.size())) return 0;
        const uint16_t word = Frame[static_cast<size_t>(at)];
        return Swapped ? ByteSwap16(word) : word;
    }
    int32_t MeanOfView(int32_t first, int32_t step) const {
        int32_t sum = 0;
        for (int32_t j = 0; j < CountsPerView; ++j) sum += (*this)[first + step * j];
        return sum / CountsPerView;
    }
};

TTelemetryData::TTelemetryData() { Reset(7, 0, 0, 0, nullptr); }

void TTelemetryData::Reset(uint8_t formatCode, uint8_t sensorKind, TDateTime passDate, int32_t lineCount,
                           std::vector<std::string>* lines) {
    blockModes_.assign(static_cast<size_t>(std::max(lineCount, 0) / LinesPerBlock), TBlockModes{});
    currentBlock_ = 0;
    block3ALines_ = 0;
    for (auto& histogram : blockHists_) histogram.Clear();
    formatCode_ = formatCode;
    sensorKind_ = sensorKind;
    passDate_ = passDate;
    lines_ = lines;
    if (lines_ != nullptr) lines_->clear();
    middleLine_ = lineCount / 2;
    FrameCount = GoodSyncCount = prtIndex_ = l1bCalibrationCount_ = 0;
    ManyBadFrames = false;
    ParameterFileNote.clear();
    Channel3ALines = Channel3BLines = 0;
    l1bCalibrationSums_ = {};
    TargetCountsText.clear();
    SpaceValuesText.clear();
    PrtCountsText.clear();
    CalibrationReport.clear();
    SatelliteName = "Unknown";
    NamedSatellite.clear();
    SpacecraftId = 0;
    targetCount_ = {726, 391, 387};
    PrtMean = 251;
    spaceCount_ = {41, 40, 990, 995, 1000};
    for (auto& h : target_) h.Clear();
    for (auto& h : prt_) h.Clear();
    for (auto& h : space_) h.Clear();
    target3B_.Clear();
    space3B_.Clear();
    for (auto& h : meteorCalHigh_) h.Clear();
    for (auto& h : meteorCalLow_) h.Clear();
    id_.Clear();
}

int32_t TTelemetryData::TargetCount(int channel) const {
    return InRange(channel, 3, 5) ? targetCount_[static_cast<size_t>(channel - 3)] : 0;
}

int32_t TTelemetryData::SpaceCount(int channel) const {
    return InRange(channel, 1, 5) ? spaceCount_[static_cast<size_t>(channel - 1)] : 0;
}

int32_t TTelemetryData::MeteorCalHighMode(int k) {
    return InRange(k, 1, 6) ? meteorCalHigh_[static_cast<size_t>(k - 1)].Mode() : 0;
}

int32_t TTelemetryData::MeteorCalLowMode(int k) {
    return InRange(k, 1, 6) ? meteorCalLow_[static_cast<size_t>(k - 1)].Mode() : 0;
}

void TTelemetryData::TakeBlockModes(TBlockModes& record) {
    for (size_t i = 0; i < blockHists_.size(); ++i) {
        record.Modes[i] = blockHists_[i].Mode();
        blockHists_[i].Clear();
    }
    record.Channel3ALines = block3ALines_;
    block3ALines_ = 0;
}

// ---------------------------------------------------------------------------
// One frame

bool TTelemetryData::WantsText(int32_t line) const {
    return lines_ != nullptr &&
           (line < 20 || std::abs(line - middleLine_) < 10 || line >= 2 * middleLine_ - 19);
}

bool TTelemetryData::LocateBlock(std::span<const uint16_t> frame, TelemetryBlock& t) const {
    t.Frame = frame;
    const uint8_t code = formatCode_;
    if (IsFormatOneOf(code, {1, 5, 16, 17, 18, 20, 21, 22, 26, 28, 32, 33, 39, 40})) {
        t.Start = 0;
        return t[0] == FirstSyncWord;
    }
    if (IsFormatOneOf(code, {2, 3})) {
        t.Start = 10240;
        return true;
    }
    if (code == 4) {
        t.Start = 2;
        return true;
    }
    if (IsFormatOneOf(code, {7, 9})) {
        t.Start = 10240;
        t.Swapped = true;
        return t[0] == FirstSyncWord || HeaderAtEnd;
    }
    if (IsFormatOneOf(code, {8, 10, 11})) {
        t.Start = 10240;
        return t[0] == FirstSyncWord;
    }
    if (code == 19) {
        t.Start = 0;
        return (t[9] & 0x380) == 0x280;
    }
    if (IsFormatOneOf(code, {29, 30})) {
        t.Start = -5;  // these frames lack the first five words, the sync words among them
        // Without sync words, a frame is told from noise by its time code's fixed bits.
        return (t[8] & 1) == 0 && (t[9] & 0x280) == 0x280;
    }
    if (IsFormatOneOf(code, {31, 36, 37, 38})) {
        t.Start = 0;
        return true;
    }
    return false;
}

void TTelemetryData::AddSync(const TelemetryBlock& t, std::string* text, bool& goodSync) const {
    if (InRange(formatCode_, 29, 31)) {
        if (text) *text += " [sync bytes not available] ";
        goodSync = false;
        return;
    }
    if (InRange(formatCode_, 36, 38)) {
        goodSync = true;
        return;
    }
    if (text)
        for (int32_t k = 0; k < 6; ++k) *text += Format("%4.4x ", t[k]);
    goodSync = t[0] == 644 && t[1] == 367 && t[3] == 413 && t[4] == 527 && t[5] == 149;
}

// The satellite the loader named decides; without one, the frame's own
// spacecraft id on the pass date. A satellite neither names leaves the id
// word's channel-3 bit to decide.
bool TTelemetryData::MaySwitchChannel3(uint16_t idWord) const {
    TChannel3Kind kind = Channel3KindOfSatellite(NamedSatellite);
    if (kind == TChannel3Kind::Unknown)
        kind = Channel3KindOfSatellite(
            DecodeSpacecraftId(SpacecraftIdOfWord(idWord), passDate_, formatCode_, !StartsText("NOAA", NamedSatellite))
                .StandardName);
    return kind != TChannel3Kind::ThermalOnly;
}

void TTelemetryData::AddIdentityAndTime(const TelemetryBlock& t, std::string* text, uint8_t& lineFlag) {
    if (sensorKind_ == 4 || sensorKind_ == 5) {
        if (text) *text += FormatDateTime("hh:nn:ss.zzz ", meteorLineTime_);
        return;
    }
    const uint16_t idWord = t[6];
    lineFlag = (idWord & 1) == 0 || !MaySwitchChannel3(idWord) ? 1 : 0;
    line3B_ = lineFlag == 1;
    // Only the AVHRR switches its channel 3 between 3A and 3B.
    if (sensorKind_ == 0) {
        ++(line3B_ ? Channel3BLines : Channel3ALines);
        if (!line3B_) ++block3ALines_;
    }
    id_.Add(idWord & 0x78);
    if (!text) return;
    *text += Format("%d ", (idWord & 0x180) >> 7);
    *text += lineFlag == 1 ? "3B " : "3A ";
    *text += Format("%d ", t[8] >> 1);
    const int64_t ms = static_cast<int64_t>(t[9] & 127) * 1048576 + static_cast<int64_t>(t[10]) * 1024 + t[11];
    *text += FormatDateTime("hh:nn:ss.zzz ", static_cast<double>(ms) / MSecsPerDay);
}

void TTelemetryData::CountBlockValue(TqelHistogram& pass, TqelHistogram& block, int32_t value) {
    pass.Add(value);
    block.Add(value);
}

void TTelemetryData::AddThermometers(std::span<const uint16_t> frame, const TelemetryBlock& t, std::string* text) {
    if (sensorKind_ == 4 || sensorKind_ == 5) return;
    if (sensorKind_ == 2) {
        const TelemetryBlock words{frame, 0, false};
        if (text) *text += Format("PRT:%d %d %d %d, ", words[28], words[29], words[30], words[31]);
        for (int32_t k = 0; k < 4; ++k)
            if (InRange(words[28 + k], 33, 1023)) prt_[static_cast<size_t>(k)].Add(words[28 + k]);
        return;
    }
    const int32_t p[3] = {t[17], t[18], t[19]};
    if (text) *text += Format("PRT[%d]:%.3d %.3d %.3d, ", prtIndex_, p[0], p[1], p[2]);
    if (p[0] < 32 || p[1] < 32 || p[2] < 32) {
        prtIndex_ = 1;  // a reference frame: the next frame carries thermometer 1
        return;
    }
    if (prtIndex_ == 0) return;
    const size_t index = static_cast<size_t>(prtIndex_ - 1);
    for (int32_t value : p)
        if (InRange(value, 33, 1023)) CountBlockValue(prt_[index], blockHists_[BlockPrt + index], value);
    prtIndex_ = prtIndex_ == 4 ? 0 : prtIndex_ + 1;
}

void TTelemetryData::AddCalibrationWords(std::span<const uint16_t> frame, const TelemetryBlock& t, std::string* text) {
    if (text) *text += "Cal:";
    if (sensorKind_ == 4 || sensorKind_ == 5) {
        const TelemetryBlock words{frame, 0, false};
        for (int32_t k = 1; k <= 6; ++k) {
            const int32_t high = words[2 * k - 2] & 1023;
            const int32_t low = words[2 * k - 1] & 1023;
            if (text) *text += Format("%d=%d/", k, high) + Format("%d ", low);
            meteorCalHigh_[static_cast<size_t>(k - 1)].Add(high);
            meteorCalLow_[static_cast<size_t>(k - 1)].Add(low);
        }
        return;
    }
    if (text)
        for (int32_t c = 3; c <= 5; ++c) *text += Format("%d=%d ", c, t.MeanOfView(19 + c, 3));
    if (sensorKind_ == 2) {
        const TelemetryBlock words{frame, 0, false};
        for (int32_t j = 0; j < 6; ++j)
            for (int32_t c = 0; c < 3; ++c) {
                const int32_t value = words[10 * j + 34 + c];
                if (InRange(value, 33, 1023)) target_[static_cast<size_t>(c)].Add(value);
            }
        return;
    }
    for (int32_t j = 0; j < CountsPerView; ++j)
        for (int32_t c = 0; c < 3; ++c) {
            const int32_t value = t[22 + 3 * j + c];
            if (value <= 32 || value >= 1024) continue;
            CountBlockValue(target_[static_cast<size_t>(c)], blockHists_[BlockTarget + static_cast<size_t>(c)], value);
            if (c == 0 && line3B_) target3B_.Add(value);
        }
}

void TTelemetryData::AddSpaceWords(std::span<const uint16_t> frame, const TelemetryBlock& t, std::string* text) {
    if (sensorKind_ == 4 || sensorKind_ == 5) return;
    if (text) {
        *text += "Space:";
        for (int32_t c = 1; c <= 5; ++c) *text += Format("%d=%d ", c, t.MeanOfView(51 + c, 5));
    }
    if (sensorKind_ == 2) {
        const TelemetryBlock words{frame, 0, false};
        for (int32_t j = 0; j < CountsPerView; ++j)
            for (int32_t c = 0; c < 5; ++c) {
                const int32_t value = words[10 * j + 92 + c];
                if (InRange(value, 33, 1023) && (c >= 2 || value < 128)) space_[static_cast<size_t>(c)].Add(value);
            }
        return;
    }
    for (int32_t j = 0; j < CountsPerView; ++j)
        for (int32_t c = 0; c < 5; ++c) {
            const int32_t value = t[52 + 5 * j + c];
            const bool counted = c < 2 ? value < 128 : (value > 32 && value < 1024);
            if (!counted) continue;
            CountBlockValue(space_[static_cast<size_t>(c)], blockHists_[BlockSpace + static_cast<size_t>(c)], value);
            if (c == 2 && line3B_) space3B_.Add(value);
        }
}

void TTelemetryData::LineInfoText(std::span<const uint16_t> frame, int32_t line, uint8_t& lineFlag) {
    const int32_t block = line / LinesPerBlock;
    if (block != currentBlock_) {
        TBlockModes dropped;
        const bool kept = currentBlock_ >= 0 && currentBlock_ < static_cast<int32_t>(blockModes_.size());
        TakeBlockModes(kept ? blockModes_[static_cast<size_t>(currentBlock_)] : dropped);
        currentBlock_ = block;
    }
    ++FrameCount;
    TelemetryBlock t;
    if (!LocateBlock(frame, t)) return;
    ++GoodSyncCount;

    std::string textLine;
    std::string* text = WantsText(line) ? &textLine : nullptr;
    if (text) *text = Format("%2d ", line);
    bool goodSync = false;
    AddSync(t, text, goodSync);
    AddIdentityAndTime(t, text, lineFlag);
    AddThermometers(frame, t, text);
    AddCalibrationWords(frame, t, text);
    AddSpaceWords(frame, t, text);
    if (text) lines_->push_back((goodSync ? "  " : "X ") + textLine);
    if (lines_ != nullptr && (line == 100 || line == middleLine_ + 100)) lines_->push_back(" ");
}

void TTelemetryData::LineInfoTextEx(std::span<const uint16_t> frame, int32_t line, TDateTime lineTime) {
    meteorLineTime_ = lineTime;
    uint8_t lineFlag = 0;
    LineInfoText(frame, line, lineFlag);
}

void TTelemetryData::AddL1BCalibration(std::span<const uint8_t> values) {
    if (values.size() < 40) return;
    for (size_t c = 0; c < 5; ++c) {
        const auto slope = ReadBigEndianInt32(&values[8 * c]);
        const auto intercept = ReadBigEndianInt32(&values[8 * c + 4]);
        l1bCalibrationSums_[c][0] += slope / 1073741824.0;
        l1bCalibrationSums_[c][1] += intercept / 4194304.0;
    }
    ++l1bCalibrationCount_;
}

// ---------------------------------------------------------------------------
// Pass summary

void TTelemetryData::AddLine(const std::string& text) {
    if (lines_ != nullptr) lines_->push_back(text);
}

void TTelemetryData::SettleCounts() {
    TelemetryFromData = false;
    prtValues_.fill(PrtMean);
    const bool telemetryFormat = IsFormatOneOf(formatCode_, {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 16, 17, 18, 19, 20,
                                                       21, 22, 26, 29, 31, 32, 33, 39, 40});
    if (GoodSyncCount > 0 && telemetryFormat) {
        TelemetryFromData = true;
        // A short pass uses what its few frames carry; what none of them
        // carried keeps its assumed value.
        const bool fewFrames = GoodSyncCount < MinGoodSyncFrames;
        if (fewFrames) AddLine(Format("Telemetry from only %d synchronised frames", GoodSyncCount));
        const auto take = [fewFrames](TqelHistogram& histogram, int32_t& value) {
            if (!fewFrames || histogram.Total() > 0) value = histogram.Mode();
        };
        take(id_, SpacecraftId);
        SpacecraftId >>= 3;
        SatelliteName = Spacecraft().Name;
        for (size_t c = 0; c < 3; ++c) take(target_[c], targetCount_[c]);
        for (size_t k = 0; k < 4; ++k) take(prt_[k], prtValues_[k]);
        PrtMean = std::accumulate(prtValues_.begin(), prtValues_.end(), 0) / 4;
        for (size_t c = 0; c < 5; ++c) take(space_[c], spaceCount_[c]);
        SettleChannel3BCounts();
    }
    if (targetCount_[0] == 0 && targetCount_[1] == 0 && targetCount_[2] == 0) {
        if (SatelliteName == "Metop-A") {
            targetCount_ = {36, 525, 491};
            spaceCount_ = {41, 40, 37, 992, 993};
            PrtMean = 180;
        } else if (SatelliteName == "Metop-B") {
            targetCount_ = {39, 489, 432};
            spaceCount_ = {39, 40, 39, 992, 992};
            PrtMean = 187;
        }
    }
}

// A pass that switches channel 3 calibrates 3B from its 3B lines, however
// few: the pass-wide mode would be a 3A line's count once 3A holds half the pass.
void TTelemetryData::SettleChannel3BCounts() {
    if (Channel3ALines == 0 || target3B_.Total() == 0 || space3B_.Total() == 0) return;
    targetCount_[0] = target3B_.Mode();
    spaceCount_[2] = space3B_.Mode();
}

void TTelemetryData::SettleL1BCalibration() {
    if (l1bCalibrationCount_ == 0) {
        L1BThermalCoefficients = {};
        return;
    }
    for (auto& sums : l1bCalibrationSums_)
        for (double& sum : sums) sum /= l1bCalibrationCount_;
    L1BThermalCoefficients = {l1bCalibrationSums_[3][0], l1bCalibrationSums_[3][1], l1bCalibrationSums_[4][0],
                              l1bCalibrationSums_[4][1]};
    static constexpr int Digits[5][2] = {{4, 4}, {4, 4}, {6, 4}, {4, 2}, {4, 2}};
    for (int c = 0; c < 5; ++c)
        AddLine(Format("Averaged L1B calibration data: Chan %d: slope:%.*f, intercept: %.*f", c + 1, Digits[c][0],
                       l1bCalibrationSums_[static_cast<size_t>(c)][0], Digits[c][1],
                       l1bCalibrationSums_[static_cast<size_t>(c)][1]));
    AddLine(" ");
}

TSpacecraft TTelemetryData::Spacecraft() const {
    if (passDate_ != 0) return DecodeSpacecraftId(SpacecraftId, passDate_, formatCode_, !StartsText("NOAA", NamedSatellite));
    // An undated pass whose file names a MetOp is of the MetOps' years, not of the NOAAs' that shared their ids.
    const bool namedMetop = StartsText("METOP", NamedSatellite);
    return DecodeSpacecraftId(SpacecraftId, namedMetop ? NowUtc() : SettledDate, formatCode_, namedMetop);
}

void TTelemetryData::IdentifySatellite(TSensor& sensor) {
    sensor.SetSatellite(IdentityDefault);
    sensor.SetSatellite(Spacecraft().Identity);
    // The calibration goes on with the values read; the user learns why an edit did not stick.
    ParameterFileNote = sensor.ParameterFileError();
    if (!ParameterFileNote.empty()) AddLine(ParameterFileNote);
    if (MeteorPass) sensor.SetSatellite(IdentityMeteor);
}

void TTelemetryData::Calibrate(TSensor& sensor, const TCalibrationCounts& counts, double blackbodyTemp) const {
    if (sensor.SatelliteId() == IdentityDefault && l1bCalibrationCount_ > 0) {
        sensor.CalibrateThermalFromL1B(L1BThermalCoefficients[0], L1BThermalCoefficients[1], L1BThermalCoefficients[2],
                                       L1BThermalCoefficients[3]);
        return;
    }
    sensor.CalibrateThermal(counts.Target[0], counts.Space[0], blackbodyTemp, counts.Target[1], counts.Space[1],
                            counts.Target[2], counts.Space[2]);
}

TTelemetryData::TCalibrationCounts TTelemetryData::PassCounts() const {
    return {targetCount_, {spaceCount_[2], spaceCount_[3], spaceCount_[4]}};
}

namespace {

const double* ThermalTable(const TSensor& sensor, int channel) {
    switch (channel) {
        case 3: return sensor.ThermalTable3();
        case 4: return sensor.ThermalTable4();
        default: return sensor.ThermalTable5();
    }
}

// Temperature of a count in the channel's table; 0 without a table.
double TableAt(const TSensor& sensor, int channel, int32_t count) {
    const double* table = ThermalTable(sensor, channel);
    return table != nullptr && InRange(count, 0, CountTableSize - 1) ? table[count] : 0.0;
}

}  // namespace

void TTelemetryData::AppendSensitivity(TSensor& sensor) {
    CalibrationReport = "\rSensitivity analysis";
    for (int c = 3; c <= 5; ++c) {
        const double* table = ThermalTable(sensor, c);
        const TSensor::TRadianceFit fit = sensor.RadianceFit(c);
        const int32_t t = TargetCount(c);
        // The counts five either side of the reference must lie in the table.
        if (table == nullptr || fit[1] == 0.0 || t - 5 < 0 || t + 5 > CountTableSize - 1) continue;
        const auto radiance = [&fit](double n) { return fit[0] + fit[1] * n + fit[2] * n * n; };
        const double dT = (table[t + 5] - table[t - 5]) / 10.0;
        const double r = radiance(t);
        if (r == 0.0) continue;
        const double dR = (radiance(t + 5) - radiance(t - 5)) * 100.0 / (10.0 * r);
        if (dR == 0.0) continue;
        AppendLine(CalibrationReport,
                   Format("channel %d per count at Tbb (ref count %d): delta-T: %.4f, delta-rad: %.4f%%, sensitivity: "
                          "%.4f (K/%%)",
                          c, t, dT, dR, dT / dR));
    }
}

void TTelemetryData::AppendBlockByBlock(TSensor& sensor, std::vector<TKeptBlock>& kept) {
    CalibrationReport += "\r\rBlock-by-block method\r";
    for (size_t b = 0; b < blockModes_.size(); ++b) {
        TBlockModes& record = blockModes_[b];
        if (record.Prt(1) <= 32 || record.Prt(2) <= 32 || record.Prt(3) <= 32 || record.Prt(4) <= 32) continue;
        record.BlackbodyTemp = sensor.BlackbodyTemperature(record.Prt(1), record.Prt(2), record.Prt(3), record.Prt(4));
        const std::array<int32_t, 3> targets = {record.Target(3), record.Target(4), record.Target(5)};
        Calibrate(sensor,
                  {targets, {record.Modes[BlockSpace + 2], record.Modes[BlockSpace + 3], record.Modes[BlockSpace + 4]}},
                  record.BlackbodyTemp);
        const std::array<double, 3> atReference = {TableAt(sensor, 3, TargetCount(3)), TableAt(sensor, 4, TargetCount(4)),
                                                   TableAt(sensor, 5, TargetCount(5))};
        CalibrationReport += Format(
            "Block:%2d, PRT:%.2fK, app-BB:%.2fK %.2fK %.2fK, cal:%d %d %d, temps for ref count:%.2fK %.2fK %.2fK",
            static_cast<int>(b), record.BlackbodyTemp, TableAt(sensor, 3, targets[0]), TableAt(sensor, 4, targets[1]),
            TableAt(sensor, 5, targets[2]), targets[0], targets[1], targets[2], atReference[0], atReference[1],
            atReference[2]);
        CalibrationReport += "\r";
        kept.push_back({static_cast<double>(b), atReference, record.Channel3ALines == 0});
    }
}

// The fit of one channel's temperatures of the reference count over the
// blocks, block numbers counted from origin.
void TTelemetryData::AppendDriftFit(size_t channel, const std::vector<TKeptBlock>& blocks, double origin, bool& first) {
    if (blocks.size() < 4 || blocks[0].AtReference[channel] == 0.0) return;
    const int points = static_cast<int>(blocks.size());
    std::vector<double> numbers(blocks.size()), temperatures(blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        numbers[i] = blocks[i].Block - origin;
        temperatures[i] = blocks[i].AtReference[channel];
    }
    std::array<double, 3> a{};
    double correlation = 0;
    try {
        PolyFit(numbers, temperatures, 3, points, correlation, a);
    } catch (const EMathError&) {
        return;  // blocks that cannot be fitted give no drift line
    }
    if (!first) CalibrationReport += "\r";
    first = false;
    const double n = points - 2;
    CalibrationReport +=
        Format("Fit channel %d temp for ref count (%d) over blocks: %.3f  %.5g*N  %.5g*N^2,  delta over pass = %.2fK",
               static_cast<int>(channel) + 3, targetCount_[channel], a[0], a[1], a[2], a[1] * n + a[2] * n * n);
}

// On a pass that switches, channel 3 drifts over its 3B blocks only: a 3A
// block's channel-3 views hold no thermal counts.
void TTelemetryData::AppendDrift(const std::vector<TKeptBlock>& kept) {
    CalibrationReport += "\rDrift over pass\r";
    if (kept.size() < 4) return;
    bool first = true;
    if (Channel3ALines == 0) {
        AppendDriftFit(0, kept, 0, first);
    } else {
        std::vector<TKeptBlock> channel3B = kept;
        std::erase_if(channel3B, [](const TKeptBlock& block) { return !block.Channel3B; });
        // Counted from the first 3B block, the delta spans the 3B blocks as it spans the pass.
        if (!channel3B.empty()) AppendDriftFit(0, channel3B, channel3B[0].Block, first);
    }
    for (size_t c = 1; c < 3; ++c) AppendDriftFit(c, kept, 0, first);
}

void TTelemetryData::WriteReport(TSensor& sensor) {
    AppendSensitivity(sensor);
    SpaceValuesText = Format("  Ch1=%d,  Ch2=%d,  Ch3=%d,  Ch4=%d,  Ch5=%d", spaceCount_[0], spaceCount_[1],
                             spaceCount_[2], spaceCount_[3], spaceCount_[4]);
    PrtCountsText = Format("  PRT1=%d,  PRT2=%d,  PRT3=%d,  PRT4=%d", prtValues_[0], prtValues_[1], prtValues_[2],
                           prtValues_[3]);
    TargetCountsText = Format("  Ch3=%d,  Ch4=%d,  Ch5=%d", targetCount_[0], targetCount_[1], targetCount_[2]);
    for (int c = 3; c <= 5; ++c) ApparentBlackbodyTemps[static_cast<size_t>(c - 3)] = TableAt(sensor, c, TargetCount(c));
    std::vector<TKeptBlock> kept;
    AppendBlockByBlock(sensor, kept);
    AppendDrift(kept);
    sensor.BlackbodyTemperature(prtValues_[0], prtValues_[1], prtValues_[2], prtValues_[3]);
    Calibrate(sensor, PassCounts(), BlackbodyTemp);
    if (lines_ != nullptr)
        for (const std::string& line : SplitString(CalibrationReport, '\r')) lines_->push_back(line);
}

namespace {

// A blackbody temperature as the lines under the counts give it: kelvin and degrees Celsius.
struct TBlackbodyValues {
    std::string Kelvin, Celsius;
    explicit TBlackbodyValues(double kelvin) : Kelvin(Format("%.2f", kelvin)), Celsius(Format("%.1f", kelvin - 273.15)) {}
};

constexpr char ValueIndent[] = "\r    ";

}  // namespace

std::string TTelemetryData::Heading() const {
    return resStr(TelemetryFromData ? res::STelemetryFromData : res::STelemetryAssumed);
}

std::string TTelemetryData::ShownSatelliteName() const {
    constexpr std::string_view Unknown = "Unknown";
    if (!SatelliteName.starts_with(Unknown)) return SatelliteName;
    return resStr(res::SUnknownSatellite) + SatelliteName.substr(Unknown.size());
}

std::string TTelemetryData::PrtValuesText() const {
    if (PrtCountsText.empty()) return {};
    const TBlackbodyValues measured(BlackbodyTemp);
    return PrtCountsText + ValueIndent + FormatResStr(res::SMeasuredBlackbody, {measured.Kelvin, measured.Celsius, DegreeSign});
}

std::string TTelemetryData::TargetValuesText() const {
    if (TargetCountsText.empty()) return {};
    static constexpr const char* Names[3] = {"ch3B", "ch4", "ch5"};
    std::string text = TargetCountsText;
    for (size_t c = 0; c < 3; ++c) {
        const TBlackbodyValues apparent(ApparentBlackbodyTemps[c]);
        text += ValueIndent + FormatResStr(res::SApparentBlackbody, {Names[c], apparent.Kelvin, apparent.Celsius, DegreeSign});
    }
    return text;
}

void TTelemetryData::PassSummary(TSensor& sensor, bool quiet) {
    SpacecraftId = 0;
    AddLine("");
    AddLine(IsFormatOneOf(formatCode_, {29, 30})
                ? Format("Out of %d frames in the data,  %d had a valid time code (the recorder leaves out the sync words)",
                         FrameCount, GoodSyncCount)
                : Format("Out of %d frames in the data,  %d had a valid first sync word (284 hex)", FrameCount,
                         GoodSyncCount));
    ManyBadFrames =
        !MeteorPass && !IsFormatOneOf(formatCode_, {24, 25, 31, 36, 37, 38}) && FrameCount * 8 / 10 > GoodSyncCount;
    if (ManyBadFrames) {
        if (quiet)
            AddLine(ManyBadFramesWarning);
        else
            TDialogService::Instance().ShowMessage(resStr(res::SManyBadFrames));
    }
    SettleCounts();
    SettleL1BCalibration();
    IdentifySatellite(sensor);
    BlackbodyTemp = sensor.BlackbodyTemperature(prtValues_[0], prtValues_[1], prtValues_[2], prtValues_[3]);
    Calibrate(sensor, PassCounts(), BlackbodyTemp);
    if (sensorKind_ != 4 && sensorKind_ != 5) {
        WriteReport(sensor);
        return;
    }
    if (lines_ == nullptr) return;
    CalibrationReport = "\rChannel calibration high/low:";
    for (int k = 1; k <= 6; ++k)
        CalibrationReport += Format(" %d=%d/%d", k, MeteorCalHighMode(k), MeteorCalLowMode(k));
    lines_->push_back(CalibrationReport);
    lines_->push_back("");
}

}  // namespace kestrune
