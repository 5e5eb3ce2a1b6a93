// Writes a corpus of passes for comparing the products of two builds of the
// program (tools/compare-products): one file of each station format the
// writers know, named as stations name them, north- and southbound, of
// NOAA-14 to -19, MetOp, FengYun and Meteor, with gzip copies of some, and
// the satellites' element sets in Keps/ (one set a pass, its epoch 2.4 hours
// before it, placing the pass over the northern mid-latitudes moving the
// way the pass is meant to). A few passes cross New Year or have a gap in
// the signal; "corpus.lst" lists every pass with a note saying so.
//   make_pass_corpus <folder> [lines]
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

// Plain HRPT frame files of the NOAA satellites in every station layout.
void AddNoaaFramePasses(TCorpus& corpus) {
    const int32_t lines = corpus.Lines();
    {
        const TDateTime start = At(2023, 5, 4, 12, 0);
        const TElementLines set = corpus.ElementsFor(Noaa18, start, false);
        corpus.AddWithCopy({"230504_1200_noaa18.wsd", BuildWsdFile(Frames(Noaa18, start), lines, set.Line1, set.Line2), ""});
    }
    {
        const TDateTime start = At(2023, 5, 5, 8, 30);
        corpus.ElementsFor(Noaa18, start, true);
        corpus.AddWithCopy({"2023-05-05-0830-NOAA18.hpt", BuildEssFile(Frames(Noaa18, start), lines), ""});
    }
    {
        const TDateTime start = At(2023, 5, 6, 15, 0);
        corpus.ElementsFor(Noaa18, start, false);
        corpus.Add({"20230506_1500_noaa18.n10", BuildN10File(Frames(Noaa18, start), lines), ""});
    }
    {
        const TDateTime start = At(2023, 5, 7, 9, 0);
        corpus.ElementsFor(Noaa18, start, true);
        corpus.Add({"NOAA18_20230507_0900.drt", BuildDartcomFile(Frames(Noaa18, start), lines, false),
                    "Dartcom, dated by the file", start});
    }
    {
        const TDateTime start = At(2023, 5, 8, 11, 0);
        corpus.ElementsFor(Noaa18, start, false);
        corpus.Add({"NOAA-18_080523.rhd", BuildGtiFile(Frames(Noaa18, start), lines), "GTI"});
    }
    {
        const TDateTime start = At(2023, 5, 9, 10, 0);
        corpus.ElementsFor(Noaa18, start, true);
        corpus.Add({"23129_18.svw", BuildSmartViewFile(Frames(Noaa18, start), lines), "SmartView"});
    }
    {
        const TDateTime start = At(2023, 5, 4, 13, 0);
        corpus.ElementsFor(Noaa19, start, false);
        corpus.Add({"2023-05-04-1300-NOAA19.raw16", Build16BitHrptFile(Frames(Noaa19, start), 2 * lines, false), ""});
    }
    {
        const TDateTime start = At(2023, 5, 5, 13, 0);
        corpus.ElementsFor(Noaa19, start, true);
        corpus.AddWithCopy({"2023-05-05-1300-NOAA19.raw16", Build16BitHrptFile(Frames(Noaa19, start), lines, false), ""});
    }
    {
        const TDateTime start = At(2023, 5, 6, 7, 0);
        corpus.ElementsFor(Noaa15, start, true);
        corpus.Add({"2023-05-06-0700-NOAA15.raw16", Build16BitHrptFile(Frames(Noaa15, start), lines, true, true),
                    "station text header, low byte first"});
    }
    {
        const TDateTime start = At(2013, 5, 7, 10, 0);
        corpus.ElementsFor(Noaa16, start, false);
        corpus.Add({"20130507_1000_noaa16.n10", BuildN10File(Frames(Noaa16, start), lines), ""});
    }
    {
        const TDateTime start = At(2012, 5, 7, 10, 0);
        corpus.ElementsFor(Noaa17, start, true);
        corpus.Add({"2012-05-07-1000-NOAA17.hpt", BuildEssFile(Frames(Noaa17, start), lines), ""});
    }
    {
        const TDateTime start = At(2023, 5, 11, 12, 0);
        corpus.ElementsFor(Noaa18, start, false);
        TTimestepHeader header;
        header.Month = 5, header.Day = 11;
        corpus.Add({"20230511_1200_noaa18.hrp",
                    BuildTimestepFile(Frames(Noaa18, start), lines, header, TTimestepKind::Windows), "Timestep"});
    }
    {
        const TDateTime start = At(2023, 5, 12, 9, 0);
        const TElementLines set = corpus.ElementsFor(Noaa18, start, true);
        corpus.Add({"quorum_noaa18.qrm",
                    BuildQuorumFile(Frames(Noaa18, start), lines, false, "NOAA 18", set, UnixSeconds(start)), "Quorum"});
    }
}

// MetOp passes switch channel 3 to 3A by day.
void AddMetopPasses(TCorpus& corpus) {
    const int32_t lines = corpus.Lines();
    {
        const TDateTime start = At(2023, 5, 8, 9, 30);
        corpus.ElementsFor(MetopB, start, false);
        THrptPassSpec frames = Frames(MetopB, start);
        frames.Channel3A = true;
        corpus.Add({"2023-05-08-0930-M01.hpt", BuildEssFile(frames, lines), "channel 3A"});
    }
    {
        const TDateTime start = At(2023, 5, 8, 20, 0);
        corpus.ElementsFor(MetopC, start, true);
        corpus.Add({"M03_202305082000.raw16", Build16BitHrptFile(Frames(MetopC, start), lines, false), ""});
    }
}

void AddFengYunPasses(TCorpus& corpus) {
    const int32_t lines = corpus.Lines();
    {
        const TDateTime start = At(2023, 5, 9, 12, 0);
        const TElementLines set = corpus.ElementsFor(FengYun1D, start, false);
        corpus.Add({"230509_1200_fengyun1d.wsd", BuildFengYunWsdFile(Frames(FengYun1D, start), lines, set), ""});
    }
    {
        const TDateTime start = At(2023, 5, 10, 13, 0);
        const TElementLines set = corpus.ElementsFor(FengYun1D, start, true);
        corpus.Add({"FY1D_20230510_1300.fy1d",
                    BuildQuorumFile(Frames(FengYun1D, start), lines, true, "FENGYUN 1D", set, UnixSeconds(start)),
                    "Quorum CHRPT"});
    }
    {
        // FengYun-3 frames count their milliseconds from noon.
        const TDateTime start = At(2023, 5, 11, 14, 0);
        corpus.ElementsFor(FengYun3A, start, false);
        THrptPassSpec frames = Frames(FengYun3A, start);
        frames.StartMilliseconds -= 12 * 3600000LL;
        corpus.Add({"FY3A_20230511_1400.n10", BuildN10File(frames, lines), ""});
    }
}

void AddMeteorPasses(TCorpus& corpus) {
    const int32_t lines = corpus.Lines();
    const auto meteorFrames = [](const TSatellite& satellite, TDateTime start) {
        THrptPassSpec frames = Frames(satellite, start);
        frames.ScanMicroseconds = MeteorScanMicroseconds;
        return frames;
    };
    const auto meteorSpec = [](const char* satellite, TDateTime start) {
        const DateParts date = DecodeDateTime(start);
        TMeteorSpec meteor;
        meteor.Satellite = satellite;
        meteor.Year = date.year, meteor.Month = date.month, meteor.Day = date.day;
        meteor.Hour = date.hour, meteor.Minute = date.minute;
        return meteor;
    };
    {
        const TDateTime start = At(2023, 5, 10, 9, 0);
        corpus.ElementsFor(MeteorM2, start, false);
        corpus.Add({"2023-05-10-0900_MN2.msu2",
                    BuildMsu2File(meteorFrames(MeteorM2, start), meteorSpec("METEOR-M2", start), lines), "Meteor"});
    }
    {
        const TDateTime start = At(2023, 5, 12, 9, 0);
        corpus.ElementsFor(MeteorM2, start, true);
        corpus.Add({"2023-05-12-0900-METEOR.mn2",
                    BuildMn2File(meteorFrames(MeteorM2, start), meteorSpec("METEOR-M2", start), lines),
                    "Meteor, converted beside itself"});
    }
    {
        const TDateTime start = At(2023, 5, 14, 10, 0);
        corpus.ElementsFor(MeteorM2, start, false);
        corpus.Add({"2_HRPT_20230514_1000.10b",
                    Build10BFile(meteorFrames(MeteorM2, start), lines, "METEOM2", {2023, 5, 14, 10, 0}, false),
                    "Meteor 10B: outer columns expected to change"});
    }
    {
        const TDateTime start = At(2023, 5, 15, 10, 0);
        corpus.ElementsFor(MeteorM1, start, true);
        corpus.Add({"meteor_m1_20230515_1000.mn1",
                    BuildMhrpFile(meteorFrames(MeteorM1, start), meteorSpec("METEOR-M1", start), lines), "Meteor N1"});
    }
}

// Level 1b files carry their own earth locations: no element sets.
void AddLevel1bPasses(TCorpus& corpus) {
    const int32_t lines = corpus.Lines();
    const auto level1b = [&](const TSatellite& satellite, TDateTime start, const std::string& dataSetName) {
        TL1BPassSpec spec;
        spec.Frames = Frames(satellite, start);
        spec.DataSetName = dataSetName;
        spec.Records = lines;
        spec.Year = DecodeDateTime(start).year;
        return spec;
    };
    {
        TL1BPassSpec spec = level1b(Noaa19, At(2023, 5, 5, 13, 0), "NSS.HRPT.NP.D23125.S1300.E1310.B7300101.WI");
        spec.Southbound = true;
        corpus.AddWithCopy({spec.DataSetName, BuildL1BFile(spec), "Level 1b HRPT"});
    }
    {
        TL1BPassSpec spec = level1b(Noaa19, At(2023, 5, 6, 2, 0), "NSS.LHRR.NP.D23126.S0200.E0210.B7301401.GC");
        spec.SampleKind = 3;
        corpus.Add({spec.DataSetName, BuildL1BFile(spec), "Level 1b LAC, 16-bit"});
    }
    {
        TL1BPassSpec spec = level1b(Noaa18, At(2023, 5, 7, 11, 0), "NSS.GHRR.NN.D23127.S1100.E1245.B9112233.GC");
        spec.Gac = true;
        spec.Records = lines / 2;
        corpus.Add({spec.DataSetName, BuildL1BFile(spec), "Level 1b GAC"});
    }
    {
        TL1BPassSpec spec = level1b(Noaa18, At(1999, 5, 5, 8, 0), "NSS.HRPT.NJ.D99125.S0800.E0810.B2250101.WI");
        spec.Frames.SpacecraftId = 5;  // NOAA-14
        spec.Older = true;
        corpus.Add({spec.DataSetName, BuildL1BFile(spec), "Level 1b, older layout (NOAA-14)"});
    }
    corpus.Add({"hrpt_noaa19_20230506_1300_73115.l1b",
                BuildAappFile(Frames(Noaa19, At(2023, 5, 6, 13, 0)), lines, false, 2023), "AAPP"});
    {
        const TDateTime start = At(2023, 5, 13, 12, 0);
        corpus.ElementsFor(Noaa18, start, false);
        corpus.Add({"NOAA18_20230513_1200.l1f", BuildL1FFile(Frames(Noaa18, start), lines, "NOAA 18", {2023, 5, 13, 12, 0}, 23),
                    "L1F"});
    }
}

// Passes whose products are expected to change while the New Year and gap
// handling is mended: a pass across midnight of 31 December, passes wholly
// on one side of it dated from the other, and a pass with 35 s of frames lost.
void AddChangingPasses(TCorpus& corpus) {
    const int32_t lines = corpus.Lines();
    {
        const TDateTime start = At(2023, 12, 31, 23, 59);
        const TElementLines set = corpus.ElementsFor(Noaa18, start, false);
        corpus.Add({"231231_2359_noaa18.wsd", BuildWsdFile(Frames(Noaa18, start), lines, set.Line1, set.Line2),
                    "across New Year"});
    }
    {
        const TDateTime start = At(2023, 12, 31, 23, 57);
        const TElementLines set = corpus.ElementsFor(Noaa18, start, false);
        corpus.Add({"240101_0000_noaa18.wsd", BuildWsdFile(Frames(Noaa18, start), 720, set.Line1, set.Line2),
                    "New Year, one side of midnight: expected to change"});
    }
    {
        const TDateTime start = At(2024, 1, 1, 0, 0, 30);
        corpus.ElementsFor(Noaa18, start, false);
        corpus.Add({"2023-12-31-2359-NOAA18.hpt", BuildEssFile(Frames(Noaa18, start), lines),
                    "New Year, one side of midnight: expected to change"});
    }
    {
        const TDateTime start = At(2023, 5, 16, 12, 0);
        corpus.ElementsFor(Noaa18, start, false);
        constexpr int32_t GapAfter = 199;
        constexpr int32_t LostFrames = 210;
        TBytes file = Build16BitHrptFile(Frames(Noaa18, start), lines + LostFrames, false);
        const auto lost = file.begin() + static_cast<std::ptrdiff_t>((GapAfter + 1) * Hrpt16RecordBytes);
        file.erase(lost, lost + static_cast<std::ptrdiff_t>(LostFrames * Hrpt16RecordBytes));
        corpus.Add({"2023-05-16-1200-NOAA18.raw16", file, "gap of 35 s: expected to change"});
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::cerr << "usage: make_pass_corpus <folder> [lines]\n";
        return 2;
    }
    try {
        TCorpus corpus(argv[1], argc > 2 ? std::atoi(argv[2]) : DefaultLines);
        if (corpus.Lines() < 100) throw std::runtime_error("a pass needs at least 100 lines");
        AddNoaaFramePasses(corpus);
        AddMetopPasses(corpus);
        AddFengYunPasses(corpus);
        AddMeteorPasses(corpus);
        AddLevel1bPasses(corpus);
        AddChangingPasses(corpus);
        corpus.Write();
    } catch (const std::exception& error) {
        std::cerr << "make_pass_corpus: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
