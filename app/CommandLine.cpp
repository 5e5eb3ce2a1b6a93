#include "app/CommandLine.h"

#include "app/ProductJobs.h"
#include "decoding/Sensor.h"
#include "decoding/ViewNames.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/SysUtils.h"
#include "render/ViewOptions.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace kestrune {

namespace {

struct TProductKeyword {
    const char* Keyword;
    uint8_t View;
};

// Tried against every parameter in this order. A channel item takes no view
// parameters, so "-CH10:..." is channel 10's item alone, not channel 1's too.
constexpr std::array<TProductKeyword, 19> ProductKeywords{{
    {"CH1", 1}, {"CH2", 2}, {"CH3", 3}, {"CH4", 4}, {"CH5", 5}, {"CH6", 6}, {"CH7", 7}, {"CH8", 8}, {"CH9", 9},
    {"CH10", 10}, {"FC", ViewFalseColour}, {"RGB", ViewRgb}, {"USERRGB", ViewUser}, {"TEMP", ViewTemperature},
    {"SST", ViewSst}, {"DCH4CH5", ViewCh4MinusCh5}, {"NDVI", ViewVegetation}, {"DIAGNOSTICS", ViewAll},
    {"FIRETEXT", ViewAll},
}};

constexpr size_t LongestValueText = 99;
constexpr size_t LongestOutputSpec = 999;
constexpr int HighestChannel = 10;

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// "CH" and a number: the keywords of the channel views.
bool IsChannelKeyword(const std::string& keyword) {
    return keyword.size() > 2 && keyword.starts_with("CH") && std::all_of(keyword.begin() + 2, keyword.end(), IsDigit);
}

// The channel number of an item "-CH<digits>:...", "" when it is not one.
std::string ItemChannel(const std::string& item) {
    const size_t colon = item.find(':');
    if (colon == std::string::npos || !IsChannelKeyword(item.substr(1, colon - 1)) || item[0] != '-') return {};
    return item.substr(3, colon - 3);
}

std::optional<std::pair<int, int>> NumberPair(const std::string& low, const std::string& high) {
    int lowValue = 0;
    int highValue = 0;
    if (!TryStrToInt(low, lowValue) || !TryStrToInt(high, highValue)) return std::nullopt;
    return std::make_pair(lowValue, highValue);
}

// A missing output folder is made, so that products go where they are asked
// to. Gives the folders made, each before the ones inside it.
std::vector<std::filesystem::path> MakeOutputFolder(const std::string& folder) {
    std::vector<std::filesystem::path> made;
    if (folder.empty() || DirectoryExists(folder)) return made;
    std::error_code error;
    std::filesystem::path path = std::filesystem::path(folder).parent_path();  // without the last separator
    for (; !path.empty() && path != path.parent_path() && !std::filesystem::exists(path, error);
         path = path.parent_path())
        made.insert(made.begin(), path);
    std::filesystem::create_directories(folder, error);
    return made;
}

}  // namespace

int ParseOutputValue(const std::string& text, char letter) {
    const size_t at = text.find(letter);
    if (at == std::string::npos) return 0;
    const std::string after = text.substr(at + 1, LongestValueText);
    size_t digits = 0;
    while (digits < after.size() && IsDigit(after[digits])) ++digits;
    return StrToIntDef(after.substr(0, digits), 0);
}

std::optional<std::pair<int, int>> ParseBracketedRange(const std::string& text) {
    const size_t open = text.find('(');
    if (open == std::string::npos) return std::nullopt;
    const size_t close = text.find(')', open);
    const std::string inside = text.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    const size_t comma = inside.find(',');
    if (comma == std::string::npos) return std::nullopt;
    return NumberPair(inside.substr(0, comma), inside.substr(comma + 1));
}

std::optional<std::pair<int, int>> ParseSeparatedRange(const std::string& text) {
    std::string low = text;
    while (!low.empty() && IsDigit(low.back())) low.pop_back();
    if (!low.empty()) low.pop_back();
    std::string high = text.size() > 1 ? text.substr(1) : std::string();
    size_t digits = 0;
    while (digits < high.size() && IsDigit(high[digits])) ++digits;
    high.erase(0, digits);
    if (low.empty() || high.empty()) return std::nullopt;
    return NumberPair(low, high);
}

std::optional<std::array<int, 3>> ParseRgbChannels(const std::string& text) {
    constexpr size_t ShortestRgbText = 6;
    if (text.size() < ShortestRgbText) return std::nullopt;
    const std::array<int, 3> channels{ParseOutputValue(text, 'R'), ParseOutputValue(text, 'G'),
                                      ParseOutputValue(text, 'B')};
    for (const int channel : channels)
        if (channel < 1 || channel > HighestChannel) return std::nullopt;
    return channels;
}

// Whatever stands under the name is taken, so that what is no palette file
// (a named pipe, a device, a file far too large) is told as what it is.
std::string FindPaletteFile(const std::string& name, const std::string& programFolder) {
    if (name.empty()) return {};
    if (AnythingAt(name)) return name;
    if (AnythingAt(programFolder + name)) return programFolder + name;
    return {};
}


TProductWrite WriteDone(bool written) {
    return {[written] { return written; }, {}};
}

TCommandLineRun::TCommandLineRun(TParams params, TOutputTarget& target, std::string programFolder, bool passLoaded)
    : params_(std::move(params)), target_(target), programFolder_(std::move(programFolder)), passLoaded_(passLoaded) {}

TCommandLineRun::~TCommandLineRun() = default;

bool TCommandLineRun::SwitchGiven(const std::string& name) const {
    for (const std::string& param : params_)
        if (SameText(param, "-" + name)) return true;
    return false;
}

TOverlaySwitches TCommandLineRun::SwitchedOverlays(TOverlaySwitches switches) const {
    const auto apply = [this](bool& value, const std::string& name) {
        if (SwitchGiven(name)) value = true;
        if (SwitchGiven("no" + name)) value = false;
    };
    apply(switches.OverlayBoundaries, "boundaries");
    apply(switches.OverlayGridlines, "gridlines");
    apply(switches.OverlayGridPoleMarkers, "gridpoles");
    apply(switches.OverlayGridlabels, "gridlabels");
    return switches;
}

namespace {

// Words of the command line as a message holds them: typed in the locale's
// bytes, they are read as names are.
std::string Words(const std::string& typed) { return ShownFileNameText(typed); }

// An item as a message begins with it, before its ": ": "-GROUPB" of "-GROUPB:".
std::string Telling(const std::string& item) { return Words(item.ends_with(':') ? item.substr(0, item.size() - 1) : item); }

// Why a palette file that is there was not taken: no palette in it, or no file one can read.
std::string PaletteNotTaken(const std::string& item, const std::string& palette) {
    const std::string leftAlone = LeftAloneNote(palette, MostPaletteFileBytes);
    return leftAlone.empty() ? FormatResStr(res::SNotAPalette, {Words(item), Words(palette)})
                             : FormatResStr(res::SPaletteLeftAlone, {Words(item), leftAlone});
}

}  // namespace

bool TCommandLineRun::Known(size_t index, const std::string& item) const {
    for (const char* name : {"boundaries", "gridlines", "gridpoles", "gridlabels"})
        if (SameText(item, std::string("-") + name) || SameText(item, std::string("-no") + name)) return true;
    return (index == 1 && (StartsText("-DIRECTION:NORTH", item) || StartsText("-DIRECTION:SOUTH", item))) ||
           (index + 1 == params_.size() && item == "-MIN") || item == "-DEBUG" || item == "/DEBUG" ||
           StartsText("-OUTPUT:", item) || StartsText("-CLOSE", item) || item == "-GROUPA:" || item == "-GROUPB:";
}

bool TCommandLineRun::Written(bool written, const std::string& item, const std::string& what) {
    if (written) return true;
    ++missing_;
    TDialogService::Instance().ShowMessage(FormatResStr(res::SNotWritten, {Telling(item), what}), {}, TMsgDlgType::mtError);
    return false;
}

void TCommandLineRun::Product(TProductWrite write, const std::string& item, const std::string& what) {
    const auto finished = std::make_shared<std::function<void()>>(std::move(write.Finished));
    const auto finish = [finished] {
        if (*finished) (*finished)();
    };
    jobs_->Add(
        std::move(write.Write),
        [this, finish, item, what](bool written) {
            finish();
            Written(written, item, what);
        },
        [this, finish, param = param_](const std::string& reason) {
            finish();
            Failed(param, reason);
        });
}

void TCommandLineRun::Failed(const std::string& param, const std::string& reason) {
    ++missing_;
    TDialogService::Instance().ShowMessage(Telling(param) + ": " + reason, {}, TMsgDlgType::mtError);
}

int TCommandLineRun::ExitCode() const {
    if (missing_ > 0 || target_.ProductsSavedElsewhere() > elsewhereBefore_) return 3;
    return unknown_ > 0 ? 4 : 0;
}

bool TCommandLineRun::Run(std::string outputName) {
    elsewhereBefore_ = target_.ProductsSavedElsewhere();
    const std::string keptResultsFolder = target_.ResultsFolder();
    const TOverlaySwitches keptOverlays = target_.OverlaySwitches();
    target_.SetOverlaySwitches(SwitchedOverlays(keptOverlays));
    jobs_ = std::make_unique<TProductJobs>(target_.ProductThreads(), target_.IdlePriority());
    bool close = false;
    for (size_t index = 1; index < params_.size(); ++index) {
        const std::string& param = params_[index];
        param_ = param;
        const std::string item = UpperCase(param);
        bool matched = Known(index, item);
        // One failing item is reported and the run goes on with the next.
        try {
            if (StartsText("-OUTPUT:", item)) {
                const std::string output = param.substr(8);
                if (output.empty()) NotUnderstood(FormatResStr(res::SNoOutputFolder, {Telling(param)}));
                for (auto& made : MakeOutputFolder(ExtractFilePath(output))) madeFolders_.push_back(std::move(made));
                target_.SetResultsFolder(ExtractFilePath(output));
                outputName = ExtractFileName(output).empty() ? target_.LoadedFileName() : ExtractFileName(output);
            }
            for (const TProductKeyword& product : ProductKeywords)
                matched = ProcessOutputItem(param, product.Keyword, product.View, outputName) || matched;
            if (item == "-GROUPA:" && passLoaded_) ProcessGroup(false, outputName);
            if (item == "-GROUPB:" && passLoaded_) ProcessGroup(true, outputName);
        } catch (const std::exception& error) {
            matched = true;
            Failed(param, error.what());
        }
        if (!matched) Unknown(param, item);
        close = close || StartsText("-CLOSE", item) || item == "-GROUPA:" || item == "-GROUPB:";
        jobs_->TellFinished();
    }
    jobs_->Finish();
    jobs_.reset();
    RemoveEmptyMadeFolders();
    target_.SetOverlaySwitches(keptOverlays);
    target_.SetResultsFolder(keptResultsFolder);
    return close;
}

// A run leaves no folder of its making that holds nothing: one without a
// pass, or whose items wrote nothing there (a channel the pass lacks).
void TCommandLineRun::RemoveEmptyMadeFolders() {
    std::error_code error;
    for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder)
        if (std::filesystem::is_empty(*folder, error)) std::filesystem::remove(*folder, error);
}

void TCommandLineRun::Unknown(const std::string& param, const std::string& item) {
    const std::string channel = ItemChannel(item);
    NotUnderstood(channel.empty() ? FormatResStr(res::SNoSuchSwitch, {Telling(param)})
                                  : FormatResStr(res::SNoSuchChannel, {Words(param), channel}));
}

void TCommandLineRun::NotUnderstood(const std::string& message) {
    ++unknown_;
    TDialogService::Instance().ShowMessage(message, {}, TMsgDlgType::mtError);
}

void TCommandLineRun::ProcessGroup(bool withAlbedos, const std::string& outputName) {
    const std::string& group = param_;
    if (withAlbedos) {
        ProcessOutputItem("-ALBEDOS:", "ALBEDOS", ViewAll, outputName);
        for (int channel = 3; channel <= 5; ++channel)
            Product(target_.TemperatureDataWrite(channel, ".bt"), group,
                    FormatResStr(res::SChannelTemperatures, {std::to_string(channel)}));
    } else {
        ProcessOutputItem("-RAW:", "RAW", ViewAll, outputName);
    }
    ProcessOutputItem("-SST:.bmp", "SST", ViewSst, outputName);
    Product(target_.SstDataWrite(".sst"), group, resStr(res::SSstData));
    target_.SetColourVegetation(false);
    ProcessOutputItem("-NDVI:.bmp", "NDVI", ViewVegetation, outputName);
}

bool TCommandLineRun::ProcessOutputItem(const std::string& rawItem, const std::string& keyword, uint8_t view,
                                        const std::string& outputName) {
    const std::string item = UpperCase(rawItem);
    const size_t colon = item.find(':');
    if (!StartsText("-" + keyword, item) || colon == std::string::npos || colon < keyword.size()) return false;
    if (IsChannelKeyword(keyword) && colon != keyword.size() + 1) return false;
    // Messages name the parameter the user gave: "-GROUPB:" for the items of the group.
    const std::string& told = param_.empty() ? rawItem : param_;
    if (item == "-DIAGNOSTICS:") {
        // The diagnostics hold what the products before them said.
        jobs_->Finish();
        return Written(target_.SaveDiagnostics(), told, resStr(res::SDiagnostics)), true;
    }
    // Without a pass the run has failed already, and said why; only the
    // diagnostics, which say it too, are written.
    if (!passLoaded_) return true;
    if (item == "-FIRETEXT:") return Written(target_.SaveFireText(outputName), told, resStr(res::SFirePixelList)), true;
    if (item == "-RAW:") return Product(target_.RawChannelsWrite(), told, resStr(res::SRawChannelFile)), true;
    if (item == "-ALBEDOS:") return Product(target_.AlbedoFilesWrite(), told, resStr(res::SAlbedoFile)), true;

    const std::string output = item.substr(colon + 1, LongestOutputSpec);
    const std::vector<std::string> tabs = target_.ViewTabs();
    bool offered = false;
    for (size_t tab = 0; tab < tabs.size(); ++tab) {
        if (tabs[tab] != ViewNames[view]) continue;
        offered = true;
        target_.SelectViewTab(tab);
        // Parameters that change the view render it again, so the saved
        // image is the one the parameters ask for.
        if (ApplyViewParameters(rawItem, view, colon)) target_.Redisplay();
        if (!output.empty() && !outputName.empty()) SaveViewImage(told, output, outputName);
    }
    if (output.empty()) NotUnderstood(FormatResStr(res::SNoFileName, {Telling(told)}));
    else if (Written(offered, told, FormatResStr(res::SViewNotOffered, {ViewNames[view]})) && view == ViewAll)
        TellTakenAsImage(told, keyword);
    return true;
}

// "-DIAGNOSTICS:" and "-FIRETEXT:" with a name after the colon are image
// items of the view "All": the user most likely meant the text.
void TCommandLineRun::TellTakenAsImage(const std::string& item, const std::string& keyword) {
    const std::string what = resStr(keyword == "FIRETEXT" ? res::SFirePixelList : res::SDiagnostics);
    NotUnderstood(FormatResStr(res::STakenAsImage, {Words(item), what, "-" + keyword + ":"}));
}

bool TCommandLineRun::ApplyViewParameters(const std::string& rawItem, uint8_t view, size_t colon) {
    // File names keep the case they were typed in: the file system tells cases apart.
    const auto parameters = [&](size_t keywordEnd) { return rawItem.substr(keywordEnd, colon - keywordEnd); };
    switch (view) {
        case ViewVegetation: return ApplyNdviParameters(rawItem, parameters(5));
        case ViewSst: return ApplySstParameters(rawItem, parameters(4));
        case ViewRgb: return ApplyRgbParameters(rawItem, parameters(4));
        default: return false;
    }
}

bool TCommandLineRun::ApplyNdviParameters(const std::string& item, const std::string& parameters) {
    if (parameters.empty()) return false;
    const std::string palette = FindPaletteFile(parameters, programFolder_);
    if (!palette.empty() && target_.SetNdviPalette(palette)) return true;
    return PaletteRefused(palette.empty() ? FormatResStr(res::SNoPaletteFile, {Words(item), Words(parameters)})
                                          : PaletteNotTaken(item, palette),
                          ViewVegetation);
}

// The view is drawn again without a palette, so that the saved picture is
// the plain view the message tells of, not one an earlier item coloured.
bool TCommandLineRun::PaletteRefused(const std::string& message, uint8_t view) {
    NotUnderstood(message);
    if (view == ViewSst)
        target_.ClearSstPalette();
    else
        target_.ClearNdviPalette();
    return true;
}

bool TCommandLineRun::ApplySstParameters(const std::string& item, const std::string& parameters) {
    bool changed = false;
    const auto setRange = [&](const std::optional<std::pair<int, int>>& range) {
        if (!range || range->first == range->second) return;
        ApplySstRange(item, *range);
        changed = true;
    };
    setRange(ParseBracketedRange(parameters));
    const std::string name = parameters.substr(0, parameters.find('('));
    const std::string palette = FindPaletteFile(name, programFolder_);
    if (!palette.empty() && target_.SetSstPalette(palette)) return true;
    const auto separated = ParseSeparatedRange(parameters);
    setRange(separated);
    // A name that is neither a palette nor the two-number range was not taken.
    if (!palette.empty()) return PaletteRefused(PaletteNotTaken(item, palette), ViewSst);
    if (!name.empty() && !separated) return PaletteRefused(FormatResStr(res::SNoPaletteFile, {Words(item), Words(name)}), ViewSst);
    return changed;
}

// A range given high end first is turned round, as the side panel turns it;
// one beyond the up-downs' limits is brought within them, and told.
void TCommandLineRun::ApplySstRange(const std::string& item, std::pair<int, int> range) {
    if (range.first > range.second) std::swap(range.first, range.second);
    const auto [low, high] = target_.SetUserSstRange(range.first, range.second);
    if (UserSstRangeWithinLimits(range.first, range.second)) return;
    const auto text = [](int value) { return std::to_string(value); };
    NotUnderstood(FormatResStr(res::SSstRangeBeyond,
                               {Words(item), text(range.first), text(range.second), text(UserMinSstRange.Lowest),
                                text(UserMinSstRange.Highest), text(UserMaxSstRange.Lowest),
                                text(UserMaxSstRange.Highest), text(low), text(high)}));
}

// The channels are taken only when the pass has them all; otherwise the
// stored ones stay, and the view is saved with them.
bool TCommandLineRun::ApplyRgbParameters(const std::string& item, const std::string& parameters) {
    if (parameters.empty()) return false;
    const auto channels = ParseRgbChannels(UpperCase(parameters));
    if (!channels) {
        NotUnderstood(FormatResStr(res::SRgbNotUnderstood, {Words(item), Words(parameters)}));
        return false;
    }
    for (const int channel : *channels)
        if (!target_.HasChannel(channel)) {
            NotUnderstood(FormatResStr(res::SRgbChannelMissing, {Words(item), std::to_string(channel)}));
            return false;
        }
    target_.SetRgbChannels((*channels)[0], (*channels)[1], (*channels)[2]);
    return true;
}

void TCommandLineRun::SaveViewImage(const std::string& item, const std::string& output,
                                    const std::string& outputName) {
    const bool jpeg = ExtractFileExt(output) == ".JPG";
    const std::string name = ExtractFileName(output);
    const bool corrected = StartsText("CORR", name);
    const bool apt = StartsText("APT", name);
    switch (target_.InputFormatCode()) {
        // Every GAC layout saves as GAC: older-layout passes give the same picture.
        case 9:
        case 10:
        case 11:
            if (apt) Written(false, item, resStr(res::SNoAptOfGac));
            else Product(target_.ImageWrite(outputName, corrected ? SaveGac : SaveDisplayed, jpeg), item, resStr(res::STheImage));
            break;
        default:
            Product(target_.ImageWrite(outputName, apt ? SaveApt : corrected ? SaveCorrected : SaveDisplayed, jpeg), item,
                    resStr(res::STheImage));
            break;
    }
}

}  // namespace kestrune
