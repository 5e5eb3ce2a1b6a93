// Writes a corpus of passes for comparing the products of two builds of the
// program (tools/compare-products): one file of each station format the
// writers know, named as stations name them, north- and southbound, of
// NOAA-14 to -19, MetOp, FengYun and Meteor, with gzip copies of some, and
// the satellites' element sets in Keps/ (one set a pass, its epoch 2.4 hours
// before it, placing the pass over the northern mid-latitudes moving the
// way the pass is meant to). A few passes cross New Year or have a gap in
// the signal; "corpus.lst" lists every pass with a note saying so.
// With --named it writes instead one southbound NOAA-18 pass of 2023-05-03
// 12:00 in each station format under the names stations give it, beside
// the sets of NOAA-15, -18, -19 and MetOp-B on other orbits.
//   make_pass_corpus [--named] <folder> [lines]
#include "platform/SysUtils.h"
#include "tests/support/Level1bWriter.h"
#include "tests/support/MeteorFileWriter.h"
#include "tests/support/PassFileWriter.h"
#include "tests/support/StationFileWriter.h"

#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace kestrune;
using namespace kestrune::test;
namespace fs = std::filesystem;

constexpr int32_t DefaultLines = 600;
constexpr double MeanMotion = 14.125;      // revolutions a day
constexpr double ArgumentOfPerigee = 100;  // as MakeElementLines writes it
constexpr double ElementAge = 0.1;         // days between a set's epoch and its pass
constexpr int64_t MeteorScanMicroseconds = 153846;

// A satellite as its frames and element sets name it.
struct TSatellite {
    const char* KepsName;  // file name in Keps/ without ".txt"
    int CatalogNumber;
    int SpacecraftId;      // HRPT id word
};
constexpr TSatellite Noaa15{"NOAA-15", 25338, 7};
constexpr TSatellite Noaa16{"NOAA-16", 26536, 3};
constexpr TSatellite Noaa17{"NOAA-17", 27453, 11};
constexpr TSatellite Noaa18{"NOAA-18", 28654, 13};
constexpr TSatellite Noaa19{"NOAA-19", 33591, 15};
constexpr TSatellite MetopB{"METOP-B", 38771, 11};
constexpr TSatellite MetopC{"METOP-C", 43689, 13};
constexpr TSatellite FengYun1D{"FY1D", 27431, 8};
constexpr TSatellite FengYun3A{"FY3A", 32958, 13};
constexpr TSatellite MeteorM2{"METEOR-M2", 40069, 13};
constexpr TSatellite MeteorM1{"METEOR-M1", 35865, 13};

TDateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
    return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
}

double DayOfYearOf(TDateTime when) {
    const int year = DecodeDateTime(when).year;
    return when - EncodeDate(year, 1, 1) + 1;
}

// A scene of smooth fields (cloud-like in the visible channels, warm and
// cool patches in the thermal ones) with a little texture, so that the
// calibrated products take values across their ranges.
uint16_t CorpusSample(int32_t line, int channel, int32_t sample) {
    const double field = 0.5 + 0.25 * std::sin(line / 53.0 + channel) * std::cos(sample / 97.0) +
                         0.2 * std::sin((line + 2 * sample) / 211.0);
    const double texture = static_cast<double>(DefaultSample(line, channel, sample) % 32) - 16;
    // Thermal counts fall as the scene warms: the blackbody views read about
    // 726 (channel 3) and 390 (channels 4 and 5), space about 1000.
    const double count = channel <= 2 ? 60 + 700 * field * field : channel == 3 ? 735 + 200 * field : 420 + 400 * field;
    return static_cast<uint16_t>(std::clamp(count + texture, 0.0, 1023.0));
}

// Frames of a satellite from a start time, six lines a second.
THrptPassSpec Frames(const TSatellite& satellite, TDateTime start) {
    THrptPassSpec frames;
    const DateParts date = DecodeDateTime(start);
    frames.SpacecraftId = satellite.SpacecraftId;
    frames.DayOfYear = static_cast<int32_t>(std::floor(DayOfYearOf(start)));
    frames.DaysInYear = IsLeapYear(date.year) ? 366 : 365;
    frames.StartMilliseconds = std::llround((start - std::floor(start)) * MSecsPerDay);
    frames.Samples = CorpusSample;
    return frames;
}

struct TCorpusPass {
    std::string Name;
    TBytes Bytes;
    std::string Note;
    TDateTime FileTime = 0;  // the file's modification time, for passes dated by it
};

class TCorpus {
public:
    TCorpus(fs::path folder, int32_t lines) : folder_(std::move(folder)), lines_(lines) {}

    int32_t Lines() const { return lines_; }

    // The element set of a pass from start, lines long, moving north or south
    // across 40 degrees of latitude at mid-pass.
    TElementLines ElementsFor(const TSatellite& satellite, TDateTime start, bool northbound) {
        const TDateTime epoch = start - ElementAge;
        const int year = DecodeDateTime(epoch).year;
        const double middle = start + lines_ / 12.0 / SecsPerDay;
        const double revolutions = MeanMotion * (middle - epoch);
        const double argumentOfLatitude = northbound ? 40 : 140;
        double meanAnomaly = argumentOfLatitude - ArgumentOfPerigee - 360 * (revolutions - std::floor(revolutions));
        meanAnomaly = std::fmod(meanAnomaly + 720, 360);
        const int revolution = 50000 + static_cast<int>((epoch - EncodeDate(2020, 1, 1)) * MeanMotion);
        const TElementLines set = MakeElementLines(satellite.CatalogNumber, year, DayOfYearOf(epoch), 98.9, 150.0,
                                                   meanAnomaly, MeanMotion, (revolution + 100000) % 100000);
        std::vector<std::pair<TDateTime, TElementLines>>& sets = keps_[satellite.KepsName];
        const bool known = std::any_of(sets.begin(), sets.end(),
                                       [&](const auto& kept) { return std::abs(kept.first - epoch) < 0.05; });
        if (!known) sets.emplace_back(epoch, set);
        return set;
    }

    void Add(TCorpusPass pass) { passes_.push_back(std::move(pass)); }
    void DateLast(TDateTime fileTime) { passes_.back().FileTime = fileTime; }

    // The pass, and a gzip copy of it.
    void AddWithCopy(TCorpusPass pass) {
        TCorpusPass copy{pass.Name + ".gz", GzipBytes(pass.Bytes), pass.Note, pass.FileTime};
        Add(std::move(pass));
        Add(std::move(copy));
    }

    void Write() const {
        fs::create_directories(folder_ / "Keps");
        std::ofstream list(folder_ / "corpus.lst", std::ios::binary);
        for (const TCorpusPass& pass : passes_) {
            const std::string path = (folder_ / pass.Name).string();
            fs::create_directories(fs::path(path).parent_path());
            WriteFileBytes(path, pass.Bytes);
            if (pass.FileTime != 0) SetFileTime(path, pass.FileTime);
            list << pass.Name << '\t' << pass.Note << '\n';
        }
        for (auto [satellite, sets] : keps_) {
            std::sort(sets.begin(), sets.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
            std::string text;
            for (const auto& [epoch, set] : sets) text += set.Line1 + "\n" + set.Line2 + "\n";
            WriteFileBytes((folder_ / "Keps" / (satellite + ".txt")).string(), TBytes(text.begin(), text.end()));
        }
    }

private:
    static void SetFileTime(const std::string& path, TDateTime when) {
        const double unixSeconds = (when - EncodeDate(1970, 1, 1)) * SecsPerDay;
        const utimbuf times{static_cast<time_t>(unixSeconds), static_cast<time_t>(unixSeconds)};
        if (utime(path.c_str(), &times) != 0) throw std::runtime_error("cannot date " + path);
    }

    fs::path folder_;
    int32_t lines_;
    std::vector<TCorpusPass> passes_;
    std::map<std::string, std::vector<std::pair<TDateTime, TElementLines>>> keps_;
};

int64_t UnixSeconds(TDateTime when) { return std::llround((when - EncodeDate(1970, 1, 1)) * SecsPerDay); }

// What a file of frames is written from: the frames, the pass's length,
// its element set and its start.
struct TPassInput {
    THrptPassSpec Frames;
    int32_t Lines;
    TElementLines Set;
    TDateTime Start;
};
using TFileBuilder = std::function<TBytes(const TPassInput&)>;

// A pass located by an element set of its own orbit in Keps/.
struct TFramePass {
    std::string Name;
    TSatellite Satellite;
    TDateTime Start;
    bool Northbound;
    TFileBuilder Build;
    std::string Note = {};
    std::function<void(THrptPassSpec&)> Adjust = {};  // frames that differ from a NOAA satellite's
    bool GzipCopy = false;
    bool DatedByFile = false;  // the file's modification time is the pass's start
};

void AddFramePass(TCorpus& corpus, const TFramePass& pass) {
    TPassInput input{Frames(pass.Satellite, pass.Start), corpus.Lines(),
                     corpus.ElementsFor(pass.Satellite, pass.Start, pass.Northbound), pass.Start};
    if (pass.Adjust) pass.Adjust(input.Frames);
    TCorpusPass file{pass.Name, pass.Build(input), pass.Note, pass.DatedByFile ? pass.Start : 0};
    if (pass.GzipCopy) corpus.AddWithCopy(std::move(file));
    else corpus.Add(std::move(file));
}

const TFileBuilder Wsd = [](const TPassInput& p) { return BuildWsdFile(p.Frames, p.Lines, p.Set.Line1, p.Set.Line2); };
const TFileBuilder Ess = [](const TPassInput& p) { return BuildEssFile(p.Frames, p.Lines); };
const TFileBuilder N10 = [](const TPassInput& p) { return BuildN10File(p.Frames, p.Lines); };
const TFileBuilder Raw16 = [](const TPassInput& p) { return Build16BitHrptFile(p.Frames, p.Lines, false); };

TMeteorSpec MeteorSpecOf(const char* satellite, TDateTime start) {
    const DateParts date = DecodeDateTime(start);
    TMeteorSpec meteor;
    meteor.Satellite = satellite;
    meteor.Year = date.year, meteor.Month = date.month, meteor.Day = date.day;
    meteor.Hour = date.hour, meteor.Minute = date.minute;
    return meteor;
}

TStationDate StationDateOf(TDateTime start) {
    const DateParts date = DecodeDateTime(start);
    return {date.year, date.month, date.day, date.hour, date.minute};
}

void MeteorScan(THrptPassSpec& frames) { frames.ScanMicroseconds = MeteorScanMicroseconds; }

// The passes of HRPT, CHRPT and MSU-MR frames: NOAA in every station layout,
// MetOp (channel 3A by day), FengYun and Meteor.
std::vector<TFramePass> FramePasses() {
    return {
        {"230504_1200_noaa18.wsd", Noaa18, At(2023, 5, 4, 12, 0), false, Wsd, "", {}, true},
        {"2023-05-05-0830-NOAA18.hpt", Noaa18, At(2023, 5, 5, 8, 30), true, Ess, "", {}, true},
        {"20230506_1500_noaa18.n10", Noaa18, At(2023, 5, 6, 15, 0), false, N10},
        {"NOAA18_20230507_0900.drt", Noaa18, At(2023, 5, 7, 9, 0), true,
         [](const TPassInput& p) { return BuildDartcomFile(p.Frames, p.Lines, false); }, "Dartcom, dated by the file",
         {}, false, true},
        {"NOAA-18_080523.rhd", Noaa18, At(2023, 5, 8, 11, 0), false,
         [](const TPassInput& p) { return BuildGtiFile(p.Frames, p.Lines); }, "GTI"},
        {"23129_18.svw", Noaa18, At(2023, 5, 9, 10, 0), true,
         [](const TPassInput& p) { return BuildSmartViewFile(p.Frames, p.Lines); }, "SmartView"},
        {"2023-05-04-1300-NOAA19.raw16", Noaa19, At(2023, 5, 4, 13, 0), false,
         [](const TPassInput& p) { return Build16BitHrptFile(p.Frames, 2 * p.Lines, false); }, "twice as long"},
        {"2023-05-05-1300-NOAA19.raw16", Noaa19, At(2023, 5, 5, 13, 0), true, Raw16, "", {}, true},
        {"2023-05-06-0700-NOAA15.raw16", Noaa15, At(2023, 5, 6, 7, 0), true,
         [](const TPassInput& p) { return Build16BitHrptFile(p.Frames, p.Lines, true, true); },
         "station text header, low byte first"},
        {"20130507_1000_noaa16.n10", Noaa16, At(2013, 5, 7, 10, 0), false, N10},
        {"2012-05-07-1000-NOAA17.hpt", Noaa17, At(2012, 5, 7, 10, 0), true, Ess},
        {"20230511_1200_noaa18.hrp", Noaa18, At(2023, 5, 11, 12, 0), false,
         [](const TPassInput& p) {
             const DateParts date = DecodeDateTime(p.Start);
             TTimestepHeader header;
             header.Year = date.year, header.Month = date.month, header.Day = date.day;
             header.Hour = date.hour, header.Minute = date.minute;
             return BuildTimestepFile(p.Frames, p.Lines, header, TTimestepKind::Windows);
         },
         "Timestep"},
        {"quorum_noaa18.qrm", Noaa18, At(2023, 5, 12, 9, 0), true,
         [](const TPassInput& p) {
             return BuildQuorumFile(p.Frames, p.Lines, false, "NOAA 18", p.Set, UnixSeconds(p.Start));
         },
         "Quorum"},
        {"NOAA18_20230513_1200.l1f", Noaa18, At(2023, 5, 13, 12, 0), false,
         [](const TPassInput& p) { return BuildL1FFile(p.Frames, p.Lines, "NOAA 18", StationDateOf(p.Start), 23); },
         "L1F"},
        {"2023-05-08-0930-M01.hpt", MetopB, At(2023, 5, 8, 9, 30), false, Ess, "channel 3A",
         [](THrptPassSpec& frames) { frames.Channel3A = true; }},
        {"2023-05-13-0930-M01.hpt", MetopB, At(2023, 5, 13, 9, 30), true, Ess,
         "channel 3 switches mid-pass: its diagnostics' channel-3 fit is expected to change",
         [](THrptPassSpec& frames) { frames.Channel3AOnLine = [](int32_t line) { return line < 250; }; }},
        {"M03_202305082000.raw16", MetopC, At(2023, 5, 8, 20, 0), true, Raw16},
        {"230509_1200_fengyun1d.wsd", FengYun1D, At(2023, 5, 9, 12, 0), false,
         [](const TPassInput& p) { return BuildFengYunWsdFile(p.Frames, p.Lines, p.Set); }},
        {"FY1D_20230510_1300.fy1d", FengYun1D, At(2023, 5, 10, 13, 0), true,
         [](const TPassInput& p) {
             return BuildQuorumFile(p.Frames, p.Lines, true, "FENGYUN 1D", p.Set, UnixSeconds(p.Start));
         },
         "Quorum CHRPT"},
        // FengYun-3 frames count their milliseconds from noon.
        {"FY3A_20230511_1400.n10", FengYun3A, At(2023, 5, 11, 14, 0), false, N10, "",
         [](THrptPassSpec& frames) { frames.StartMilliseconds -= 12 * 3600000LL; }},
        {"2023-05-10-0900_MN2.msu2", MeteorM2, At(2023, 5, 10, 9, 0), false,
         [](const TPassInput& p) { return BuildMsu2File(p.Frames, MeteorSpecOf("METEOR-M2", p.Start), p.Lines); },
         "Meteor", MeteorScan},
        {"2023-05-12-0900-METEOR.mn2", MeteorM2, At(2023, 5, 12, 9, 0), true,
         [](const TPassInput& p) { return BuildMn2File(p.Frames, MeteorSpecOf("METEOR-M2", p.Start), p.Lines); },
         "Meteor, converted beside itself", MeteorScan},
        {"2_HRPT_20230514_1000.10b", MeteorM2, At(2023, 5, 14, 10, 0), false,
         [](const TPassInput& p) { return Build10BFile(p.Frames, p.Lines, "METEOM2", StationDateOf(p.Start), false); },
         "Meteor 10B: its outermost columns' locations are expected to change", MeteorScan},
        {"meteor_m1_20230515_1000.mn1", MeteorM1, At(2023, 5, 15, 10, 0), true,
         [](const TPassInput& p) { return BuildMhrpFile(p.Frames, MeteorSpecOf("METEOR-M1", p.Start), p.Lines); },
         "Meteor N1", MeteorScan},
    };
}

// Passes across New Year or with a gap: a pass across midnight of 31
// December, passes wholly on one side of it dated from the other (expected
// to change), and a pass with 35 s of frames lost (expected to change).
std::vector<TFramePass> YearEndAndGapPasses() {
    constexpr int32_t GapAfter = 199;
    constexpr int32_t LostFrames = 210;
    return {
        {"231231_2359_noaa18.wsd", Noaa18, At(2023, 12, 31, 23, 59), false, Wsd, "across New Year"},
        {"240101_0000_noaa18.wsd", Noaa18, At(2023, 12, 31, 23, 57), false,
         [](const TPassInput& p) { return BuildWsdFile(p.Frames, 720, p.Set.Line1, p.Set.Line2); },
         "New Year, one side of midnight, dated from the other: expected to change"},
        {"2023-12-31-2359-NOAA18.hpt", Noaa18, At(2024, 1, 1, 0, 0, 30), false, Ess,
         "New Year, one side of midnight, dated from the other: expected to change"},
        {"2023-05-16-1200-NOAA18.raw16", Noaa18, At(2023, 5, 16, 12, 0), false,
         [](const TPassInput& p) {
             TBytes file = Build16BitHrptFile(p.Frames, p.Lines + LostFrames, false);
             const auto lost = file.begin() + static_cast<std::ptrdiff_t>((GapAfter + 1) * Hrpt16RecordBytes);
             file.erase(lost, lost + static_cast<std::ptrdiff_t>(LostFrames * Hrpt16RecordBytes));
             return file;
         },
         "a gap of 35 s after line 199: expected to change"},
    };
}

// Level 1b files carry their own earth locations: no element sets.
void AddLevel1bPasses(TCorpus& corpus) {
    const int32_t lines = corpus.Lines();
    const auto level1b = [&](const TSatellite& satellite, TDateTime start, const std::string& dataSetName) {
        TL1BPassSpec pass;
        pass.Frames = Frames(satellite, start);
        pass.DataSetName = dataSetName;
        pass.Records = lines;
        pass.Year = DecodeDateTime(start).year;
        return pass;
    };
    TL1BPassSpec hrpt = level1b(Noaa19, At(2023, 5, 5, 13, 0), "NSS.HRPT.NP.D23125.S1300.E1310.B7300101.WI");
    hrpt.Southbound = true;
    corpus.AddWithCopy({hrpt.DataSetName, BuildL1BFile(hrpt), "Level 1b HRPT"});
    TL1BPassSpec lac = level1b(Noaa19, At(2023, 5, 6, 2, 0), "NSS.LHRR.NP.D23126.S0200.E0210.B7301401.GC");
    lac.SampleKind = 3;
    corpus.Add({lac.DataSetName, BuildL1BFile(lac), "Level 1b LAC, 16-bit"});
    TL1BPassSpec gac = level1b(Noaa18, At(2023, 5, 7, 11, 0), "NSS.GHRR.NN.D23127.S1100.E1245.B9112233.GC");
    gac.Gac = true;
    gac.Records = lines / 2;
    corpus.Add({gac.DataSetName, BuildL1BFile(gac), "Level 1b GAC"});
    TL1BPassSpec older = level1b(Noaa18, At(1999, 5, 5, 8, 0), "NSS.HRPT.NJ.D99125.S0800.E0810.B2250101.WI");
    older.Frames.SpacecraftId = 5;  // NOAA-14
    older.Older = true;
    corpus.Add({older.DataSetName, BuildL1BFile(older), "Level 1b, older layout (NOAA-14)"});
    TL1BPassSpec midnight = level1b(Noaa19, At(2023, 6, 30, 23, 59, 30), "NSS.HRPT.NP.D23181.S2359.E0001.B7310101.WI");
    corpus.Add({midnight.DataSetName, BuildL1BFile(midnight),
                "Level 1b from 23:59:30 (its time codes run on past 24 h)"});
    corpus.Add({"hrpt_noaa19_20230506_1300_73115.l1b",
                BuildAappFile(Frames(Noaa19, At(2023, 5, 6, 13, 0)), lines, false, 2023), "AAPP"});
}


// One pass under the names stations give it: dated by the name and the
// frames, by a file time of 12:03, or (in copied/) by a copy's
// time. Keps/ also holds other satellites' sets, as a station's does.
void AddNamedPasses(TCorpus& corpus) {
    const TDateTime start = At(2023, 5, 3, 12, 0);
    const TDateTime closed = At(2023, 5, 3, 12, 3);
    corpus.ElementsFor(Noaa15, start + 0.3, true);
    corpus.ElementsFor(Noaa19, start - 0.2, true);
    corpus.ElementsFor(MetopB, start + 0.15, false);
    const std::vector<std::pair<const char*, TFileBuilder>> formats = {
        {".hpt", Ess},
        {".raw16", Raw16},
        {".rhd", [](const TPassInput& p) { return BuildGtiFile(p.Frames, p.Lines); }},
        {".drt", [](const TPassInput& p) { return BuildDartcomFile(p.Frames, p.Lines, false); }},
        {".svw", [](const TPassInput& p) { return BuildSmartViewFile(p.Frames, p.Lines); }},
        {".n10", N10},
        {".wsd", Wsd},
    };
    const char* names[] = {"passa", "20230503_1215", "20230503_1200", "2023-05-03-1200-n18", "2023-05-03-1200-NOAA-18",
                           "2023-05-03-1200-NOAA18", "230503_1200_noaa18", "20230503_1200_noaa18",
                           "NOAA18_20230503_1200", "N18_20230503_1200", "23123_18", "NOAA-18_030523"};
    for (const auto& [extension, build] : formats)
        for (const char* name : names)
            for (const bool copied : {false, true}) {
                const std::string file = std::string(copied ? "copied/" : "") + name + extension;
                TFramePass pass{file, Noaa18, start, false, build};
                pass.Note = copied ? "dated by a copy" : "closed at 12:03";
                AddFramePass(corpus, pass);
                if (!copied) corpus.DateLast(closed);
            }
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool named = argc > 1 && std::string(argv[1]) == "--named";
    if (named) --argc, ++argv;
    if (argc < 2) {
        std::cerr << "usage: make_pass_corpus [--named] <folder> [lines]\n";
        return 2;
    }
    try {
        TCorpus corpus(argv[1], argc > 2 ? std::atoi(argv[2]) : DefaultLines);
        if (corpus.Lines() < 100) throw std::runtime_error("a pass needs at least 100 lines");
        if (named) {
            AddNamedPasses(corpus);
        } else {
            for (const TFramePass& pass : FramePasses()) AddFramePass(corpus, pass);
            AddLevel1bPasses(corpus);
            for (const TFramePass& pass : YearEndAndGapPasses()) AddFramePass(corpus, pass);
        }
        corpus.Write();
    } catch (const std::exception& error) {
        std::cerr << "make_pass_corpus: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
