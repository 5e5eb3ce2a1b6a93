#include "orbit/Keplers.h"

#include "orbit/Orbits.h"
#include "orbit/TextLines.h"
#include "platform/DialogService.h"
#include "platform/FileUtils.h"
#include "platform/ProgramFolder.h"
#include "platform/RegistryVariables.h"
#include "platform/ResCodePages.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>

namespace kestrune {

namespace {

constexpr size_t ElementLineLength = 69;
constexpr int RevolutionModulus = 100000;
constexpr const char* KepsFolderName = "Keps/";
constexpr const char* UpdatesFolderName = "Updates/";

// What the folder message begins with in the language in effect: it is told once a run.
bool IsFolderMissingMessage(const std::string& message) {
    const std::string text = resStr(res::SKeplerFolderMissing);
    return StartsText(text.substr(0, text.find("%s")), message);
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The 5-digit counter wrapped when a number near 99999 is followed by one near 0.
bool RevolutionWrapped(int previous, int next) { return previous > 99500 && next < 500; }

std::string FullPath(const std::string& path) {
    return std::filesystem::absolute(std::filesystem::path(path)).lexically_normal().string();
}

// Where the archives are: the base folder's "Keps/", the program's sibling
// "Keps/", "Keps/" beside the registered program path, or the user's data
// folder's "Keps/". Empty when none exists; message then names every folder
// sought.
std::string FindKepsFolder(const std::string& baseFolder, std::string& message) {
    std::vector<std::string> sought{
        (baseFolder.empty() ? ProgramFolder() : IncludeTrailingPathDelimiter(baseFolder)) + KepsFolderName,
        FullPath(ProgramFolder() + "../" + KepsFolderName)};
    const std::string appPath = ReadAppPath("Kestrune");
    if (!appPath.empty()) {
        std::string folder = ExtractFilePath(appPath);
        if (LowerCase(folder).find("/source/") != std::string::npos) folder += "../";
        // Resolved by name: the "source" folder itself need not exist here.
        sought.push_back(FullPath(folder + KepsFolderName));
    }
    // An installed program's folder holds no archives; the user's data folder may.
    sought.push_back(UserDataFolder() + KepsFolderName);
    std::vector<std::string> missing;
    for (const std::string& folder : sought) {
        if (DirectoryExists(folder)) return folder;
        if (std::find(missing.begin(), missing.end(), folder) == missing.end()) missing.push_back(folder);
    }
    message = FormatResStr(res::SKeplerFolderMissing, {ShownFileNameText(missing.front())});
    for (size_t k = 1; k < missing.size(); ++k)
        message += FormatResStr(res::SKeplerFolderNorSought, {ShownFileNameText(missing[k])});
    message += ".";
    return {};
}

// Most findings reported for one file; the rest are counted.
constexpr int ReportedFindings = 10;

// Digits added up, with 1 for each "-", modulo 10: the last character of an
// element line. A line of 68 characters carries none to check.
bool ChecksumMatches(std::string_view line) {
    if (line.size() < ElementLineLength) return true;
    int sum = 0;
    for (const char c : line.substr(0, ElementLineLength - 1)) {
        if (c >= '0' && c <= '9') sum += c - '0';
        if (c == '-') ++sum;
    }
    return line[ElementLineLength - 1] == static_cast<char>('0' + sum % 10);
}

// The lines of one archive file as whole sets: a line 2 follows the line 1
// of the same catalogue number. Blank lines, and the name line a three-line
// file puts before each line 1, are passed over; stray lines and broken or
// half sets are skipped and reported with their cause, and never end the
// reading.
class TSetCollector {
public:
    TSetCollector(std::vector<std::string>& lines, std::vector<std::string>& findings)
        : lines_(lines), findings_(findings) {}

    void Collect(const std::string& fileName, const std::vector<std::string>& fileLines) {
        file_ = ShownFileNameText(fileName);
        files_.push_back(file_);
        problems_ = 0;
        skipped_ = 0;
        pending_.clear();
        for (size_t i = 0; i < fileLines.size(); ++i) Take(fileLines, i);
        if (!pending_.empty()) SkipHalf(pendingNumber_, Said(res::SLine1WithoutLine2));
        if (problems_ > ReportedFindings)
            findings_.push_back(Format("Kepler data file %s: %d more faulty lines", file_.c_str(),
                                       problems_ - ReportedFindings));
        if (skipped_ > 0) damage_.push_back(FormatResStr(res::SDamagedSetsSkipped, {file_, std::to_string(skipped_)}));
    }

    // The first two lines that are not blank, of all files.
    const std::vector<std::string>& FirstLines() const { return firstLines_; }
    // Where the first set that was skipped stood, and why, in the language in
    // effect, and the file it stood in (as shown).
    const std::string& FirstFault() const { return firstFault_; }
    const std::string& FirstFaultFile() const { return firstFaultFile_; }
    // One line for each file that lost sets to damage, for the operator: the
    // findings name the lines.
    const std::vector<std::string>& Damage() const { return damage_; }
    // The file each set of the lines came from.
    const std::string& FileOfSet(size_t set) const { return files_[fileOfSet_[set]]; }

private:
    // The name line of a three-line file: a satellite's name (the catalogue
    // takes at most 24 characters of it) before the set's line 1.
    static bool IsNameLine(const std::vector<std::string>& fileLines, size_t index) {
        constexpr size_t LongestName = 24;
        if (TrimBlanks(fileLines[index]).size() > LongestName) return false;
        for (size_t i = index + 1; i < fileLines.size(); ++i) {
            const std::string_view next = TrimBlanks(fileLines[i]);
            if (!next.empty()) return next.substr(0, 2) == "1 ";
        }
        return false;
    }

    void Take(const std::vector<std::string>& fileLines, size_t index) {
        const std::string_view line = TrimBlanks(fileLines[index]);
        const int number = static_cast<int>(index + 1);
        if (line.empty()) return;
        if (firstLines_.size() < 2) firstLines_.emplace_back(line);
        const bool first = line.substr(0, 2) == "1 ";
        const bool second = line.substr(0, 2) == "2 ";
        if (!first && !second) {
            if (!IsNameLine(fileLines, index)) Report(number, "not an element line, skipped");
            return;
        }
        if (first && !pending_.empty()) SkipHalf(pendingNumber_, Said(res::SLine1WithoutLine2));
        if (!IsElementLine(line)) {
            const auto length = static_cast<int>(line.size());
            Skip(number, Said(length < 68 ? res::SElementLineCut : res::SElementLineLong, {std::to_string(length)}));
            pending_.clear();
            return;
        }
        if (!ElementLineFault(line).empty()) {
            Skip(number, [line](TTextOf textOf) { return ElementLineFault(line, textOf); });
            pending_.clear();
            return;
        }
        if (!ChecksumMatches(line)) Report(number, "checksum does not match (the set is still used)");
        if (first) {
            pending_ = line;
            pendingNumber_ = number;
            return;
        }
        if (pending_.empty()) {
            SkipHalf(number, Said(res::SLine2WithoutLine1));
        } else if (pending_.substr(2, 5) != line.substr(2, 5)) {
            Skip(number, Said(res::SCatalogueNumberDiffers, {std::string(line.substr(2, 5)), pending_.substr(2, 5)}));
        } else {
            lines_.push_back(pending_);
            lines_.emplace_back(line);
            fileOfSet_.push_back(files_.size() - 1);
        }
        pending_.clear();
    }

    // A cause in the program's English (for the findings) or in the
    // language in effect (for the message the user is shown).
    using TCause = std::function<std::string(TTextOf)>;
    static TCause Said(uint16_t id, std::vector<std::string> arguments = {}) {
        return [id, arguments = std::move(arguments)](TTextOf textOf) { return FormatRes(textOf(id), arguments); };
    }

    // A set left out: reported, and the first such cause kept for the
    // message of a file without a usable set.
    void Skip(int number, const TCause& cause, const char* told = ": the set is skipped") {
        Report(number, cause(ProgramText) + told);
        ++skipped_;
        if (!firstFault_.empty()) return;
        firstFault_ = FormatResStr(res::SElementLineCause, {std::to_string(number), cause(resStr)});
        firstFaultFile_ = file_;
    }
    void SkipHalf(int number, const TCause& half) { Skip(number, half, " skipped"); }

    void Report(int number, const std::string& what) {
        if (++problems_ <= ReportedFindings)
            findings_.push_back(Format("Kepler data file %s, line %d: %s", file_.c_str(), number, what.c_str()));
    }

    std::vector<std::string>& lines_;
    std::vector<std::string>& findings_;
    std::string file_;
    std::string pending_;
    std::string firstFault_;
    std::string firstFaultFile_;
    std::vector<std::string> damage_;
    std::vector<std::string> firstLines_;
    std::vector<std::string> files_;
    std::vector<size_t> fileOfSet_;
    int pendingNumber_ = 0;
    int problems_ = 0;
    int skipped_ = 0;
};

std::string CatalogueNumberOfSet(const std::string& line1) { return line1.substr(2, 5); }

// The catalogue number most sets carry (the first of equals): the archive's
// own satellite when its name tells none.
std::string MostCommonCatalogueNumber(const std::vector<std::string>& lines) {
    std::vector<std::pair<std::string, int>> counts;
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
        const std::string number = CatalogueNumberOfSet(lines[i]);
        const auto found = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == number; });
        if (found == counts.end())
            counts.emplace_back(number, 1);
        else
            ++found->second;
    }
    const auto most = std::max_element(counts.begin(), counts.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    return most == counts.end() ? std::string() : most->first;
}

// The catalogue numbers of one file's foreign sets, and how many there are.
struct TForeignSets {
    std::string file;
    std::vector<std::string> numbers;
    int count = 0;
};

// In the program's English (for the findings) or in the language in effect (for the run's warnings).
std::string ForeignSetsReport(const TForeignSets& f, const std::string& name, const std::string& own, TTextOf textOf) {
    const std::string count = std::to_string(f.count);
    if (f.numbers.size() == 1 && f.count == 1)
        return FormatRes(textOf(res::SForeignSet), {f.file, f.numbers[0], name, own});
    if (f.numbers.size() == 1)
        return FormatRes(textOf(res::SForeignSetsOfOne), {f.file, count, f.numbers[0], name, own});
    std::string numbers;
    for (const std::string& number : f.numbers) numbers += (numbers.empty() ? "" : ", ") + number;
    return FormatRes(textOf(res::SForeignSetsOfOthers), {f.file, count, numbers, name, own});
}

// Each file's report, as the findings and as the warning.
struct TForeignReport {
    std::string finding;
    std::string warning;
};

// A set of another satellite copied into an archive would place the pass
// where that satellite was: such sets are left out, and each file's are
// reported in one line.
std::vector<TForeignReport> DropForeignSets(std::vector<std::string>& lines, const TSetCollector& sets,
                                         const std::string& name, std::string own) {
    if (own.empty()) own = MostCommonCatalogueNumber(lines);
    std::vector<TForeignSets> foreign;
    size_t out = 0;
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
        const std::string number = CatalogueNumberOfSet(lines[i]);
        if (number == own) {
            if (out != i) {
                lines[out] = std::move(lines[i]);
                lines[out + 1] = std::move(lines[i + 1]);
            }
            out += 2;
            continue;
        }
        const std::string& file = sets.FileOfSet(i / 2);
        auto seen = std::find_if(foreign.begin(), foreign.end(), [&](const TForeignSets& f) { return f.file == file; });
        if (seen == foreign.end()) seen = foreign.insert(foreign.end(), TForeignSets{file, {}, 0});
        ++seen->count;
        if (std::find(seen->numbers.begin(), seen->numbers.end(), number) == seen->numbers.end())
            seen->numbers.push_back(number);
    }
    lines.resize(out);
    std::vector<TForeignReport> reports;
    for (const TForeignSets& f : foreign)
        reports.push_back({ForeignSetsReport(f, name, own, ProgramText), ForeignSetsReport(f, name, own, resStr)});
    return reports;
}

// Sets stand in the files in any order: newest first, or an update older
// than the main file's last. They are put in order of epoch (equal epochs
// keep the files' order), so that the rule below drops only a set that
// contradicts the sets dated before it.
void SortSetsByEpoch(std::vector<std::string>& lines) {
    std::vector<std::pair<std::string, std::string>> sets;
    for (size_t i = 0; i + 1 < lines.size(); i += 2) sets.emplace_back(std::move(lines[i]), std::move(lines[i + 1]));
    std::stable_sort(sets.begin(), sets.end(),
                     [](const auto& a, const auto& b) { return ArchiveEpoch(a.first) < ArchiveEpoch(b.first); });
    for (size_t set = 0; set < sets.size(); ++set) {
        lines[2 * set] = std::move(sets[set].first);
        lines[2 * set + 1] = std::move(sets[set].second);
    }
}

// Drops sets whose revolution number goes back, from the third set on; a
// wrapped counter counts as in order.
void DropSetsOutOfOrder(std::vector<std::string>& lines) {
    if (lines.size() < 6) return;
    size_t out = 4;
    int last = ArchiveRevolution(lines[3]);
    const auto keep = [&](size_t in) {
        if (out != in) lines[out] = std::move(lines[in]);
        ++out;
    };
    size_t in = 4;
    for (; in + 1 < lines.size(); in += 2) {
        const int revolution = ArchiveRevolution(lines[in + 1]);
        if (revolution < last && !RevolutionWrapped(last, revolution)) continue;
        last = revolution;
        keep(in);
        keep(in + 1);
    }
    if (in < lines.size()) keep(in);
    lines.resize(out);
}

// Revolution numbers of the sets, counted on across wraps of the counter.
std::vector<int64_t> ContinuousRevolutions(const std::vector<std::string>& lines, size_t lineCount) {
    std::vector<int64_t> revolutions;
    revolutions.reserve(lineCount / 2);
    int64_t offset = 0;
    int previous = 0;
    for (size_t i = 0; i + 1 < lineCount; i += 2) {
        const int revolution = ArchiveRevolution(lines[i + 1]);
        if (i > 0 && RevolutionWrapped(previous, revolution)) offset += RevolutionModulus;
        revolutions.push_back(offset + revolution);
        previous = revolution;
    }
    return revolutions;
}

// A 5-digit orbit number is read as the orbit of that number nearest the
// archive's span of continuous revolution numbers.
int64_t ContinuousTarget(int revolution, int64_t firstRevolution, int64_t lastRevolution) {
    if (revolution < 0 || revolution >= RevolutionModulus || lastRevolution < revolution) return revolution;
    const int64_t atOrBefore = revolution + (lastRevolution - revolution) / RevolutionModulus * RevolutionModulus;
    const int64_t after = atOrBefore + RevolutionModulus;
    const int64_t gapBefore = std::max<int64_t>(firstRevolution - atOrBefore, 0);
    return gapBefore <= after - lastRevolution ? atOrBefore : after;
}

// Walks from line index start in steps of two towards the target while the
// distance does not grow; distance(i) is the signed distance of set i.
template <typename Distance>
size_t WalkToNearest(size_t lineCount, int64_t start, double closeEnough, double outside, Distance distance) {
    const auto count = static_cast<int64_t>(lineCount);
    int64_t i = start;
    double d = distance(i);
    const int64_t step = d < 0.0 ? 2 : -2;
    int64_t choice = i;
    do {
        choice = i;
        const double best = d;
        i += step;
        d = (i >= 0 && i < count - 1) ? distance(i) : outside;
        if (std::abs(d) > std::abs(best) || std::abs(best) < closeEnough || i < 0) break;
    } while (i < count - 1);
    return static_cast<size_t>(choice);
}

// Moves i four sets away from the target when it landed within nearBy, so
// that the walk can find the nearest set from one side.
int64_t BackOff(int64_t i, double d, double nearBy, size_t lineCount) {
    if (std::abs(d) >= nearBy) return i;
    i += d < 0.0 ? -8 : 8;
    return std::clamp<int64_t>(i, 0, static_cast<int64_t>(lineCount) - 2);
}

int64_t EvenIndex(int64_t i) { return i - i % 2; }

// The files read: an update file may stand alone.
std::string DescribeFiles(const std::string& mainFile, const std::string& updateFile) {
    if (mainFile.empty() || updateFile.empty())
        return FormatResStr(res::SKeplerOneFile, {ShownFileNameText(mainFile.empty() ? updateFile : mainFile)});
    return FormatResStr(res::SKeplerTwoFiles, {ShownFileNameText(mainFile), ShownFileNameText(updateFile)});
}

std::string UndatedArchiveMessage(const std::vector<std::string>& lines, size_t n, const std::string& description) {
    return FormatResStr(res::SKeplerUndated, {description, lines[0], lines[1], lines[n - 2], lines[n - 1]});
}

}  // namespace

// As the catalogue takes them: 69 characters, or 68 without the checksum digit.
bool IsElementLine(std::string_view line) {
    const std::string_view trimmed = TrimBlanks(line);
    return (trimmed.size() == ElementLineLength || trimmed.size() == ElementLineLength - 1) &&
           (trimmed[0] == '1' || trimmed[0] == '2');
}

TDateTime ArchiveEpoch(std::string_view line1) {
    int year = 0;
    double day = 0.0;
    // A negative day is no more a date than one of 367 or more.
    if (!TryStrToInt(Copy(line1, 19, 2), year) || !TryStrToFloat(Copy(line1, 21, 12), day) || day < 0.0 ||
        day >= 367.0)
        return 0.0;
    year += year < 57 ? 2000 : 1900;
    TDateTime newYear = 0.0;
    return TryEncodeDate(year, 1, 1, newYear) ? newYear + day - 1.0 : 0.0;
}

int ArchiveRevolution(std::string_view line2) {
    int revolution = 0;
    return TryStrToInt(Copy(line2, 64, 5), revolution) ? revolution : 0;
}

void TKeplerData::AddWarning(const std::string& warning) {
    if (std::find(Warnings.begin(), Warnings.end(), warning) == Warnings.end()) Warnings.push_back(warning);
}

void TKeplerData::ReleaseMessages(bool tell) {
    holding_ = false;
    std::vector<std::string> held = std::move(held_);
    held_.clear();
    if (tell)
        for (const std::string& message : held) Tell(message);
}

void TKeplerData::Tell(const std::string& message) {
    if (message.empty()) return;
    if (holding_) {
        held_.push_back(message);
        return;
    }
    if (IsFolderMissingMessage(message)) {
        if (folderMissingTold_) return;
        folderMissingTold_ = true;
    } else {
        if (std::find(told_.begin(), told_.end(), message) != told_.end()) return;
        told_.push_back(message);
    }
    TDialogService::Instance().ShowMessage(message);
}

void TKeplerData::SetCatalogueDirectory(const std::string& directory) {
    CatalogueDirectory = directory;
    KeplerBaseFolder = directory;
    SatelliteList = std::make_unique<TSatelliteList>(directory);
}

namespace {

// A regular file of no more than blanks and line ends; what cannot be read is left to the reading that tells why.
bool HoldsNothing(const std::string& file) {
    constexpr std::uintmax_t LargestBlankFile = 4096;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error) || std::filesystem::file_size(file, error) > LargestBlankFile || error)
        return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

bool TKeplerData::FindKeplerFile(const std::string& name, const std::string& baseFolder, std::string& message,
                                 std::string& mainFile, std::string& updateFile, std::vector<std::string>& lines) {
    lines.clear();
    message.clear();
    missingFilesCause_.clear();
    mainFile.clear();
    updateFile.clear();
    Findings.clear();
    const std::string keps = FindKepsFolder(baseFolder, message);
    if (keps.empty()) return false;
    mainFile = FullPath(keps + name + ".txt");
    updateFile = FullPath(keps + UpdatesFolderName + name + ".txt");

    // What stands there and is no file (a named pipe, a device) is told below, not taken as missing.
    const bool haveMain = AnythingAt(mainFile);
    // A daily fetch leaves an empty update for a satellite its feed lacks: no sets, and no damage.
    const bool updateEmpty = AnythingAt(updateFile) && HoldsNothing(updateFile);
    const bool haveUpdate = AnythingAt(updateFile) && !updateEmpty;
    const std::string shownMain = ShownFileNameText(mainFile), shownUpdate = ShownFileNameText(updateFile);
    if (!haveMain && !haveUpdate) {
        message = updateEmpty ? FormatResStr(res::SKeplerFeedLacks, {name, shownMain, shownUpdate})
                              : FormatResStr(res::SKeplerFilesMissing, {name, shownMain, shownUpdate});
        missingFilesCause_ = FormatResStr(updateEmpty ? res::SKeplerFeedLacksLine : res::SKeplerFilesMissingLine,
                                          {shownMain, shownUpdate});
        mainFile.clear();
        updateFile.clear();
        return false;
    }
    if (updateEmpty) Findings.push_back("  " + FormatResStr(res::SKeplerUpdateEmpty, {shownUpdate, name}));
    // Main and update file are read on their own: a damaged main file costs
    // only its own broken sets.
    TSetCollector sets(lines, Findings);
    std::vector<std::string> fileLines;
    std::string refused;
    // A file too large for any element set is told, not read.
    const auto read = [&](const std::string& file) {
        if (const std::string fault = ElementSetFileSizeFault(file); !fault.empty()) {
            refused = fault;
            return false;
        }
        return ReadKeptLines(file, LargestElementSetFile, fileLines).Kind == TKeptFile::TKind::Read;
    };
    if (haveMain && read(mainFile))
        sets.Collect(mainFile, fileLines);
    else
        mainFile.clear();
    if (haveUpdate && read(updateFile))
        sets.Collect(updateFile, fileLines);
    else
        updateFile.clear();
    if (lines.size() < 2 && !refused.empty()) {
        message = refused;
        return false;
    }
    if (!refused.empty()) {
        Findings.push_back(refused);
        AddWarning(refused);
    }
    if (UpperCase(name) == "NOAA-15" && lines.size() >= 2 && lines[0].size() >= 17 && lines[0][16] == 'H')
        lines.erase(lines.begin(), lines.begin() + 2);

    const std::vector<std::string>& seen = sets.FirstLines();
    // The file read: an update file may stand alone, as a daily fetch of sets leaves it.
    const std::string archive = ShownFileNameText(mainFile.empty() ? updateFile : mainFile);
    if (lines.size() < 2 && !sets.FirstFault().empty()) {
        message = FormatResStr(res::SNoUsableElementSet, {sets.FirstFaultFile(), sets.FirstFault()});
        return false;
    }
    if (lines.size() < 2 && seen.size() < 2) {
        message = FormatResStr(res::SKeplerFileTooFewLines, {archive});
        return false;
    }
    if (lines.size() < 2) {
        message = FormatResStr(res::SKeplerFileNotNumbered, {archive, PrintableText(seen[0]), PrintableText(seen[1])});
        lines.clear();
        return false;
    }
    for (const TForeignReport& report : DropForeignSets(lines, sets, name, CatalogNumberOf(UpperCase(name)))) {
        Findings.push_back(report.finding);
        AddWarning(report.warning);
    }
    if (lines.empty()) {
        message = FormatResStr(res::SKeplerFileNoSetOf, {archive, name});
        return false;
    }
    for (const std::string& damage : sets.Damage()) AddWarning(damage);
    SortSetsByEpoch(lines);
    DropSetsOutOfOrder(lines);
    return true;
}

bool TKeplerData::SelectArchiveSet(const std::string& name, const std::string& baseFolder, bool quiet,
                                   std::string& message, double& age, std::string& mainFile, std::string& updateFile,
                                   std::string& line1, std::string& line2, TDateTime passTime) {
    std::vector<std::string> lines;
    if (!FindKeplerFile(name, baseFolder, message, mainFile, updateFile, lines)) return false;
    const size_t n = lines.size() - lines.size() % 2;
    std::optional<size_t> chosen;
    if (n == 2) chosen = 0;
    double nearest = 0.0;
    // Every dated set is a candidate, whatever the order of the files: the
    // main file and its update file, two sets or two thousand.
    for (size_t i = 0; n > 2 && i < n; i += 2) {
        const TDateTime epoch = ArchiveEpoch(lines[i]);
        if (epoch == 0.0) continue;
        const double distance = std::abs(epoch - passTime);
        // On equal distances the later set, fitted to observations of the pass itself.
        if (!chosen || distance < nearest || (distance == nearest && epoch > ArchiveEpoch(lines[*chosen]))) {
            chosen = i;
            nearest = distance;
        }
    }
    if (!chosen) {
        if (!quiet) Tell(UndatedArchiveMessage(lines, n, DescribeFiles(mainFile, updateFile)));
        return false;
    }
    line1 = lines[*chosen];
    line2 = lines[*chosen + 1];
    age = ArchiveEpoch(line1) - passTime;
    return true;
}

bool TKeplerData::GetElements(const std::string& name, const std::string& catalogNumber, TDateTime passTime,
                              bool quiet, std::string& line1, std::string& line2, std::string& mainSource,
                              std::string& updateSource, double& age) {
    const TSatellite* catalogued = nullptr;
    if (SatelliteList) {
        const int index = SatelliteList->IndexOfSatellite(catalogNumber);
        if (index >= 0) catalogued = SatelliteList->GetSatellite(index);
    }
    std::string message, archiveMain, archiveUpdate, archiveLine1, archiveLine2;
    double archiveAge = 0.0;
    const bool archived = SelectArchiveSet(name, KeplerBaseFolder, quiet, message, archiveAge, archiveMain,
                                           archiveUpdate, archiveLine1, archiveLine2, passTime);
    const double catalogueAge = catalogued ? ArchiveEpoch(catalogued->Line1) - passTime : 0.0;

    LastFailure.clear();
    if (archived && (!catalogued || std::abs(archiveAge) <= std::abs(catalogueAge))) {
        line1 = archiveLine1;
        line2 = archiveLine2;
        mainSource = archiveMain;
        updateSource = archiveUpdate;
        age = archiveAge;
        return true;
    }
    if (catalogued) {
        line1 = catalogued->Line1;
        line2 = catalogued->Line2;
        // With its folder, wherever it wins: the diagnostics name where the set came from.
        mainSource = SatelliteList->Directory + catalogued->SourceFile;
        updateSource.clear();
        age = catalogueAge;
        return true;
    }
    LastFailure = missingFilesCause_.empty() ? message : missingFilesCause_;
    if (!quiet) Tell(message);
    return false;
}

TDateTime TKeplerData::KeplerEpochForOrbit(const std::string& name, int revolution) {
    std::string message, mainFile, updateFile;
    std::vector<std::string> lines;
    if (!FindKeplerFile(name, KeplerBaseFolder, message, mainFile, updateFile, lines)) {
        Tell(message);
        return 0.0;
    }
    const size_t n = lines.size() - lines.size() % 2;
    const std::vector<int64_t> revolutions = ContinuousRevolutions(lines, n);
    const auto revolutionAt = [&](int64_t i) { return revolutions[static_cast<size_t>(i / 2)]; };
    const int64_t first = revolutions.front();
    const int64_t last = revolutions.back();
    const int64_t target = ContinuousTarget(revolution, first, last);

    size_t chosen = 0;
    if (n > 2 && last > first && target > first) {
        if (target >= last) {
            chosen = n - 2;
        } else {
            const double share = static_cast<double>(target - first) / static_cast<double>(last - first);
            int64_t i = EvenIndex(Round(static_cast<double>(n - 2) * share));
            i = BackOff(i, static_cast<double>(revolutionAt(i) - target), 5.0, n);
            chosen = WalkToNearest(n, i, 2.0, 1.0e12,
                                   [&](int64_t j) { return static_cast<double>(revolutionAt(j) - target); });
        }
    }
    return ArchiveEpoch(lines[chosen]);
}

std::vector<TDateTime> TKeplerData::ElementEpochs(const std::string& name, const std::string& catalogNumber) {
    std::vector<TDateTime> epochs;
    std::string message, mainFile, updateFile;
    std::vector<std::string> lines;
    if (FindKeplerFile(name, KeplerBaseFolder, message, mainFile, updateFile, lines))
        for (size_t i = 0; i + 1 < lines.size(); i += 2)
            if (const TDateTime epoch = ArchiveEpoch(lines[i]); epoch != 0) epochs.push_back(epoch);
    if (SatelliteList && !catalogNumber.empty())
        if (const int index = SatelliteList->IndexOfSatellite(catalogNumber); index >= 0)
            if (const TDateTime epoch = ArchiveEpoch(SatelliteList->GetSatellite(index)->Line1); epoch != 0) epochs.push_back(epoch);
    return epochs;
}

}  // namespace kestrune
