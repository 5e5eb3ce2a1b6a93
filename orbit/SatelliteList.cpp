#include "orbit/SatelliteList.h"

#include "orbit/TextLines.h"
#include "platform/FileUtils.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace kestrune {

namespace {

constexpr size_t ElementLineMinimum = 68;  // the checksum column may be missing
constexpr size_t NameLength = 24;

int CompareText(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = std::toupper(static_cast<unsigned char>(a[i]));
        const int cb = std::toupper(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsSeparatorLine(const std::string& line) {
    const std::string trimmed = Trim(line);
    return trimmed.empty() || trimmed == "--";
}

// A line of a set without a name line standing where a name was expected.
bool IsNamelessLine1(const std::string& line) { return line.size() >= ElementLineMinimum && line[0] == '1'; }

std::string CatalogueName(const std::string& line) {
    const std::string name = UpperCase(Trim(Copy(Trim(line), 1, NameLength)));
    if (name == "NOAA-L") return "NOAA 16";
    if (name == "NOAA-M") return "NOAA 17";
    if (name == "NOAA-N") return "NOAA 18";
    return name;
}

// Next line of at least the element-line length from index on; the last line
// read when the file ends first ("" when there was none).
std::string NextElementLine(const std::vector<std::string>& lines, size_t& index) {
    std::string line;
    while (index < lines.size()) {
        line = lines[index++];
        if (line.size() >= ElementLineMinimum) break;
    }
    return line;
}

// Text before the first blank, and what follows it trimmed; all of text and
// "" when it holds no blank.
void SplitFirstToken(const std::string& text, std::string& token, std::string& rest) {
    const size_t blank = text.find(' ');
    token = text.substr(0, blank);
    rest = blank == std::string::npos ? std::string() : Trim(text.substr(blank + 1));
}

// "yyyy/MM/dd" optionally followed by a blank and "hh:nn[:ss]".
bool TryParseNotesDate(const std::string& text, TDateTime& value) {
    std::string datePart, timePart;
    SplitFirstToken(text, datePart, timePart);
    const std::vector<std::string> ymd = SplitString(datePart, '/');
    int year = 0, month = 0, day = 0;
    if (ymd.size() != 3 || !TryStrToInt(ymd[0], year) || !TryStrToInt(ymd[1], month) ||
        !TryStrToInt(ymd[2], day) || !TryEncodeDate(year, month, day, value))
        return false;
    if (timePart.empty()) return true;
    const std::vector<std::string> hns = SplitString(timePart, ':');
    int hms[3] = {0, 0, 0};
    if (hns.size() < 2 || hns.size() > 3) return false;
    for (size_t i = 0; i < hns.size(); ++i)
        if (!TryStrToInt(hns[i], hms[i])) return false;
    TDateTime time = 0.0;
    if (!TryEncodeTime(hms[0], hms[1], hms[2], 0, time)) return false;
    value += time;
    return true;
}

// Counts the orbit from the ascending node: a set that lies just on or after
// the node at its epoch has begun its printed revolution's successor.
void AdjustEpochRevolution(TSatellite& satellite) {
    TVector position, velocity;
    satellite.Propagate(position, velocity, satellite.EpochJD);
    if (std::sin(satellite.ArgOfLatitude) < 0.000006) satellite.EpochRevolution += 1.0;
}

char SeriesCharacter(const std::string& name, const std::string& catalogNumber) {
    char series = ' ';
    if (StartsWith(name, "NOAA1") && name.size() >= 6) series = name[5];
    if ((StartsWith(name, "NOAA 1") || StartsWith(name, "NOAA-1")) && name.size() >= 7) series = name[6];
    if (catalogNumber == "29499") series = 'A';
    if (catalogNumber == "38771") series = 'B';
    if (catalogNumber == "43689") series = 'C';
    return series;
}

uint8_t FamilyOf(const std::string& name, bool noaaType) {
    uint8_t family = noaaType ? 1 : 0;
    if (StartsWith(name, "FENGYUN 1C") || StartsWith(name, "FENGYUN 1D")) family = 1;
    if (StartsWith(name, "RESURS")) family = 2;
    if (StartsWith(name, "METEOR 3-5") || StartsWith(name, "METEOR 3/5")) family = 3;
    if (StartsWith(name, "METEOR 2-21") || StartsWith(name, "METEOR 2/21")) family = 4;
    if (StartsWith(name, "OKEAN")) family = 5;
    if (StartsWith(name, "ISS")) family = 6;
    if (StartsWith(name, "GPS")) family = 9;
    if (StartsWith(name, "METEOR M") || StartsWith(name, "METEOR-M")) family = 1;
    return family;
}

double DownlinkOf(char series, uint8_t family) {
    switch (series) {
        case '5': case '6': return 137.62;
        case '7': return 137.5;
        case '8': return 137.9125;
        case '9': return 137.1;
        default: break;
    }
    switch (family) {
        case 2: return 137.85;
        case 3: return 137.3;
        case 4: case 5: return 137.4;
        default: return 0.0;
    }
}

}  // namespace

TSatelliteList::TSatelliteList(const std::string& directory) {
    // An unset folder would otherwise name the root folder.
    if (directory.empty()) return;
    Directory = IncludeTrailingPathDelimiter(directory);
    std::vector<std::string> notesFiles;
    for (const char* mask : {"*.2li", "*.tle", "*.txt"}) {
        for (const std::string& name : FindMatchingFiles(Directory, mask)) {
            if (StartsWith(UpperCase(name), "TLENOTES.TXT"))
                notesFiles.push_back(name);
            else
                LoadFromFile(Directory + name);
        }
    }
    for (const std::string& name : notesFiles)
        if (UpperCase(ExtractFileExt(name)) == ".TXT") ReadNotesFile(name);
}

const std::string& TSatelliteList::Strings(int index) const { return entries_.at(static_cast<size_t>(index)).Name; }

TSatellite* TSatelliteList::GetSatellite(int index) const {
    return entries_.at(static_cast<size_t>(index)).Satellite.get();
}

size_t TSatelliteList::LowerBound(const std::string& name) const {
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), name, [](const TEntry& entry, const std::string& key) {
        return CompareText(entry.Name, key) < 0;
    });
    return static_cast<size_t>(at - entries_.begin());
}

int TSatelliteList::IndexOf(const std::string& name) const {
    const size_t at = LowerBound(name);
    return at < entries_.size() && CompareText(entries_[at].Name, name) == 0 ? static_cast<int>(at) : -1;
}

int TSatelliteList::IndexOfSatellite(const std::string& key) const {
    if (key.size() != 5) return -1;
    const auto found = nameByCatalogNumber_.find(UpperCase(key));
    return found == nameByCatalogNumber_.end() ? -1 : IndexOf(found->second);
}

void TSatelliteList::Clear() {
    entries_.clear();
    nameByCatalogNumber_.clear();
}

void TSatelliteList::LoadFromFile(const std::string& fileName) { ReadTLEFile(fileName); }

void TSatelliteList::ReadTLEFile(const std::string& fileName) {
    std::vector<std::string> lines;
    if (!FileExists(fileName) || !ElementSetFileSizeFault(fileName).empty() || !ReadTextLines(fileName, lines)) return;
    size_t index = 0;
    for (;;) {
        while (index < lines.size() && IsSeparatorLine(lines[index])) ++index;
        if (index >= lines.size()) return;
        std::string name;
        if (!IsNamelessLine1(lines[index])) name = CatalogueName(lines[index++]);
        if (index >= lines.size()) return;
        const std::string line1 = NextElementLine(lines, index);
        if (index >= lines.size()) return;
        const std::string line2 = NextElementLine(lines, index);
        // Sets without a name line are catalogued under their catalogue number.
        if (name.empty()) name = Trim(Copy(line1, 3, 5));
        try {
            AddFromLines(fileName, name, line1, line2);
        } catch (const Exception&) {
            // A set the model cannot take is left out; the file goes on.
        }
    }
}

TSatellite* TSatelliteList::AddFromLines(const std::string& fileName, const std::string& name,
                                         const std::string& line1, const std::string& line2) {
    const std::string number1 = Copy(line1, 3, 5);
    // A field that is no number makes no set, rather than a set of zeros.
    const bool valid = StartsWith(line1, "1") && StartsWith(line2, "2") && number1 == Copy(line2, 3, 5) &&
                       !Trim(number1).empty() && ElementLineFault(line1).empty() && ElementLineFault(line2).empty();
    if (!valid) return nullptr;
    auto satellite = std::make_unique<TSatellite>();
    satellite->LoadTLE(line1, line2);

    int existing = IndexOfSatellite(satellite->CatalogNumber);
    if (existing < 0) existing = IndexOf(name);
    if (existing >= 0) {
        TSatellite* held = GetSatellite(existing);
        if (satellite->EpochJD <= held->EpochJD) return held;
        // The name belongs to another satellite: keep what is catalogued.
        const int nameHolder = IndexOf(name);
        if (nameHolder >= 0 && nameHolder != existing) return held;
    }
    AdjustEpochRevolution(*satellite);
    if (existing >= 0) Remove(existing);
    return SetSatelliteDefaults(fileName, name, std::move(satellite));
}

TSatellite* TSatelliteList::Insert(const std::string& name, std::unique_ptr<TSatellite> satellite) {
    TSatellite* entry = satellite.get();
    nameByCatalogNumber_[entry->CatalogNumber] = name;
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(LowerBound(name)), TEntry{name, std::move(satellite)});
    return entry;
}

void TSatelliteList::Remove(int index) {
    const auto at = entries_.begin() + index;
    nameByCatalogNumber_.erase(at->Satellite->CatalogNumber);
    entries_.erase(at);
}

TSatellite* TSatelliteList::SetSatelliteDefaults(const std::string& fileName, const std::string& name,
                                                 std::unique_ptr<TSatellite> satellite) {
    TSatellite& s = *Insert(name, std::move(satellite));
    s.SemiAngle = 45.0;
    s.NoaaType = false;
    s.RateCode = 120;
    s.Name = name;
    const char series = SeriesCharacter(name, s.CatalogNumber);
    if (series != ' ') {
        s.SemiAngle = 55.37;
        s.NoaaType = true;
    }
    if (name == "METEOR 3-5" || name == "MET-3/5") s.SemiAngle = 36.0;
    if (StartsWith(name, "OKEAN") || StartsWith(name, "SICH")) s.RateCode = 240;
    if (StartsWith(name, "GPS")) {
        s.RateCode = 20;
        s.SemiAngle = 0.01;
    }
    if (StartsWith(name, "ISS")) s.SemiAngle = 68.0;
    s.FamilyCode = FamilyOf(name, s.NoaaType);
    if (s.CatalogNumber == "26953") {
        s.FamilyCode = 7;
        s.SemiAngle = 30.0;
    } else if (s.CatalogNumber == "25260") {
        s.FamilyCode = 8;
        s.SemiAngle = 30.0;
    } else if (s.CatalogNumber == "27453") {
        s.SemiAngle = 45.55;
    }
    s.LaunchDate = 0.0;
    s.SignedValue = 33.5;
    s.DownlinkFrequency = DownlinkOf(series, s.FamilyCode);
    s.SourceFile = ExtractFileName(fileName);
    return &s;
}

void TSatelliteList::ReadNotesFile(const std::string& fileName) {
    std::vector<std::string> lines;
    const std::string path = Directory + fileName;
    if (ReadKeptLines(path, LargestElementSetFile, lines).Kind != TKeptFile::TKind::Read) return;
    for (const std::string& line : lines) ApplyNotesLine(line);
}

void TSatelliteList::ApplyNotesLine(const std::string& line) {
    std::string text = Trim(line);
    const size_t comment = text.find(';');
    if (comment != std::string::npos) text = Trim(text.substr(0, comment));
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return;
    if (text.find(' ') == std::string::npos) return;
    std::string key, rest;
    SplitFirstToken(text, key, rest);
    const int index = IndexOfSatellite(key);
    if (index < 0) return;

    std::string frequency, signedToken, notes;
    SplitFirstToken(rest, frequency, notes);
    if (!notes.empty() && (notes[0] == '+' || notes[0] == '-')) {
        rest = notes;
        SplitFirstToken(rest, signedToken, notes);
    }
    std::string dateText;
    if (StartsWith(UpperCase(notes), "LD=")) {
        rest = notes.substr(3);
        SplitFirstToken(rest, dateText, notes);
        std::replace(dateText.begin(), dateText.end(), '@', ' ');
    }

    TSatellite& satellite = *GetSatellite(index);
    satellite.Notes = notes;
    double value = 0.0;
    if (TryStrToFloat(frequency, value)) satellite.DownlinkFrequency = value;
    if (TryStrToFloat(signedToken, value)) satellite.SignedValue = value;
    TDateTime launch = 0.0;
    if (TryParseNotesDate(dateText, launch)) satellite.LaunchDate = DateTimeToJulian(launch);
}

}  // namespace kestrune
